// Dialog data exchange as binding tables: each row ties a control to a
// member with a kind and a range. The controls are reached through a small
// interface, so the tables run natively against a fake.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fw {

// What a dialog's controls offer to the exchange.
class DialogControls {
 public:
  virtual ~DialogControls() = default;
  virtual std::string GetText(std::uint32_t id) = 0;
  virtual void SetText(std::uint32_t id, const std::string& text) = 0;
  virtual int GetCheck(std::uint32_t id) = 0;  // 0, 1, 2
  virtual void SetCheck(std::uint32_t id, int check) = 0;
  // The radio buttons of the group that starts with `firstId`, in order.
  virtual std::vector<std::uint32_t> RadioGroup(std::uint32_t firstId) = 0;
  virtual int GetSelection(std::uint32_t id) = 0;  // combo or list index, -1 none
  virtual void SetSelection(std::uint32_t id, int index) = 0;
  // Selects the combo item whose text equals `text`, else puts it in the edit.
  virtual void SelectComboString(std::uint32_t id, const std::string& text) = 0;
  virtual void Focus(std::uint32_t id) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
};

enum class BindKind : std::uint8_t {
  kInt,
  kUnsigned,
  kByte,
  kFloat,
  kDouble,
  kText,
  kCheck,
  kRadio,
  kComboIndex,
  kComboText,
  kListIndex,
};

struct Binding {
  std::uint32_t controlId;
  BindKind kind;
  void* member;
  // Range of numbers (checked when hasRange) or the most characters of a
  // text (when maxChars > 0).
  bool hasRange = false;
  double min = 0;
  double max = 0;
  int maxChars = 0;
};

// Row builders.
Binding BindInt(std::uint32_t id, int& member);
Binding BindInt(std::uint32_t id, int& member, int min, int max);
Binding BindUnsigned(std::uint32_t id, std::uint32_t& member, std::uint32_t min = 0, std::uint32_t max = UINT32_MAX);
Binding BindByte(std::uint32_t id, std::uint8_t& member, std::uint8_t min = 0, std::uint8_t max = 255);
Binding BindFloat(std::uint32_t id, float& member);
Binding BindFloat(std::uint32_t id, float& member, float min, float max);
Binding BindDouble(std::uint32_t id, double& member);
Binding BindDouble(std::uint32_t id, double& member, double min, double max);
Binding BindText(std::uint32_t id, std::string& member, int maxChars = 0);
Binding BindCheck(std::uint32_t id, int& member);
Binding BindRadio(std::uint32_t firstId, int& member);
Binding BindComboIndex(std::uint32_t id, int& member);
Binding BindComboText(std::uint32_t id, std::string& member);
Binding BindListIndex(std::uint32_t id, int& member);

struct ExchangeResult {
  bool ok = true;
  std::uint32_t failedControl = 0;
  std::string message;
};

// Moves members into controls (saveAndValidate false) or reads, parses and
// checks every row (true). The first failing row stops the exchange: its
// message is shown, its control gets the focus, and the members of the
// rows before it keep their new values.
ExchangeResult ExchangeData(DialogControls& controls, std::span<const Binding> table, bool saveAndValidate);

// What a dialog's DoDataExchange receives: the controls, the direction,
// and whether a row failed (the dialog then stays open).
struct DataExchangeContext {
  DialogControls& controls;
  bool saveAndValidate;
  bool failed = false;

  // Runs a table unless an earlier table failed; false on failure.
  bool Exchange(std::span<const Binding> table) {
    if (failed) return false;
    failed = !ExchangeData(controls, table, saveAndValidate).ok;
    return !failed;
  }
};

// Text parsing as the exchange does it (surrounding blanks allowed).
bool ParseInt(const std::string& text, long long& value);
bool ParseUnsigned(const std::string& text, unsigned long long& value);
bool ParseReal(const std::string& text, double& value);
std::string FormatReal(double value, int digits);

}  // namespace fw
