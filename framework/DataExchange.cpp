// Parsing, range checks and the row-by-row exchange.
#include "framework/DataExchange.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "framework/CommandIds.h"
#include "framework/StringSource.h"

namespace fw {
namespace {

Binding Row(std::uint32_t id, BindKind kind, void* member) { return Binding{id, kind, member}; }

Binding Ranged(Binding b, double min, double max) {
  b.hasRange = true;
  b.min = min;
  b.max = max;
  return b;
}

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string FormatInteger(double v) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.0f", v);
  return buf;
}

ExchangeResult Fail(std::uint32_t id, std::string message) { return ExchangeResult{false, id, std::move(message)}; }

ExchangeResult RangeFailure(const Binding& b, bool integral) {
  if (integral) {
    return Fail(b.controlId,
                FormatString(ResourceString(kIdpParseIntRange), {FormatInteger(b.min), FormatInteger(b.max)}));
  }
  int digits = b.kind == BindKind::kFloat ? 6 : 15;
  return Fail(b.controlId, FormatString(ResourceString(kIdpParseRealRange),
                                        {FormatReal(b.min, digits), FormatReal(b.max, digits)}));
}

ExchangeResult SaveInteger(DialogControls& c, const Binding& b) {
  std::string text = c.GetText(b.controlId);
  bool isSigned = b.kind == BindKind::kInt;
  double value = 0;
  bool parsed = false;
  if (isSigned) {
    long long v = 0;
    parsed = ParseInt(text, v) && v >= INT32_MIN && v <= INT32_MAX;
    value = static_cast<double>(v);
  } else {
    unsigned long long v = 0;
    std::uint64_t limit = b.kind == BindKind::kByte ? 255u : UINT32_MAX;
    parsed = ParseUnsigned(text, v) && v <= limit;
    value = static_cast<double>(v);
  }
  if (!parsed) {
    std::uint32_t msg = b.kind == BindKind::kInt ? kIdpParseInt : b.kind == BindKind::kByte ? kIdpParseByte : kIdpParseUInt;
    return Fail(b.controlId, ResourceString(msg));
  }
  if (b.hasRange && (value < b.min || value > b.max)) return RangeFailure(b, true);
  switch (b.kind) {
    case BindKind::kInt: *static_cast<int*>(b.member) = static_cast<int>(value); break;
    case BindKind::kUnsigned: *static_cast<std::uint32_t*>(b.member) = static_cast<std::uint32_t>(value); break;
    default: *static_cast<std::uint8_t*>(b.member) = static_cast<std::uint8_t>(value); break;
  }
  return {};
}

ExchangeResult SaveReal(DialogControls& c, const Binding& b) {
  double value = 0;
  bool isFloat = b.kind == BindKind::kFloat;
  if (!ParseReal(c.GetText(b.controlId), value) ||
      (isFloat && std::fabs(value) > std::numeric_limits<float>::max())) {
    return Fail(b.controlId, ResourceString(kIdpParseReal));
  }
  if (b.hasRange && (value < b.min || value > b.max)) return RangeFailure(b, false);
  if (isFloat) {
    *static_cast<float*>(b.member) = static_cast<float>(value);
  } else {
    *static_cast<double*>(b.member) = value;
  }
  return {};
}

ExchangeResult SaveText(DialogControls& c, const Binding& b) {
  std::string text = c.GetText(b.controlId);
  if (b.maxChars > 0 && text.size() > static_cast<std::size_t>(b.maxChars)) {
    return Fail(b.controlId, FormatString(ResourceString(kIdpParseStringSize), {std::to_string(b.maxChars)}));
  }
  *static_cast<std::string*>(b.member) = text;
  return {};
}

int RadioIndex(DialogControls& c, std::uint32_t firstId) {
  std::vector<std::uint32_t> group = c.RadioGroup(firstId);
  for (std::size_t i = 0; i < group.size(); ++i) {
    if (c.GetCheck(group[i]) == 1) return static_cast<int>(i);
  }
  return -1;
}

void SetRadioIndex(DialogControls& c, std::uint32_t firstId, int index) {
  std::vector<std::uint32_t> group = c.RadioGroup(firstId);
  for (std::size_t i = 0; i < group.size(); ++i) c.SetCheck(group[i], static_cast<int>(i) == index ? 1 : 0);
}

ExchangeResult SaveRow(DialogControls& c, const Binding& b) {
  switch (b.kind) {
    case BindKind::kInt:
    case BindKind::kUnsigned:
    case BindKind::kByte: return SaveInteger(c, b);
    case BindKind::kFloat:
    case BindKind::kDouble: return SaveReal(c, b);
    case BindKind::kText: return SaveText(c, b);
    case BindKind::kCheck: *static_cast<int*>(b.member) = c.GetCheck(b.controlId); break;
    case BindKind::kRadio: *static_cast<int*>(b.member) = RadioIndex(c, b.controlId); break;
    case BindKind::kComboIndex:
    case BindKind::kListIndex: *static_cast<int*>(b.member) = c.GetSelection(b.controlId); break;
    case BindKind::kComboText: *static_cast<std::string*>(b.member) = c.GetText(b.controlId); break;
  }
  return {};
}

void LoadRow(DialogControls& c, const Binding& b) {
  switch (b.kind) {
    case BindKind::kInt: c.SetText(b.controlId, std::to_string(*static_cast<int*>(b.member))); break;
    case BindKind::kUnsigned: c.SetText(b.controlId, std::to_string(*static_cast<std::uint32_t*>(b.member))); break;
    case BindKind::kByte: c.SetText(b.controlId, std::to_string(*static_cast<std::uint8_t*>(b.member))); break;
    case BindKind::kFloat: c.SetText(b.controlId, FormatReal(*static_cast<float*>(b.member), 6)); break;
    case BindKind::kDouble: c.SetText(b.controlId, FormatReal(*static_cast<double*>(b.member), 15)); break;
    case BindKind::kText: c.SetText(b.controlId, *static_cast<std::string*>(b.member)); break;
    case BindKind::kCheck: c.SetCheck(b.controlId, *static_cast<int*>(b.member)); break;
    case BindKind::kRadio: SetRadioIndex(c, b.controlId, *static_cast<int*>(b.member)); break;
    case BindKind::kComboIndex:
    case BindKind::kListIndex: c.SetSelection(b.controlId, *static_cast<int*>(b.member)); break;
    case BindKind::kComboText: c.SelectComboString(b.controlId, *static_cast<std::string*>(b.member)); break;
  }
}

}  // namespace

Binding BindInt(std::uint32_t id, int& member) { return Row(id, BindKind::kInt, &member); }
Binding BindInt(std::uint32_t id, int& member, int min, int max) {
  return Ranged(Row(id, BindKind::kInt, &member), min, max);
}
Binding BindUnsigned(std::uint32_t id, std::uint32_t& member, std::uint32_t min, std::uint32_t max) {
  return Ranged(Row(id, BindKind::kUnsigned, &member), min, max);
}
Binding BindByte(std::uint32_t id, std::uint8_t& member, std::uint8_t min, std::uint8_t max) {
  return Ranged(Row(id, BindKind::kByte, &member), min, max);
}
Binding BindFloat(std::uint32_t id, float& member) { return Row(id, BindKind::kFloat, &member); }
Binding BindFloat(std::uint32_t id, float& member, float min, float max) {
  return Ranged(Row(id, BindKind::kFloat, &member), min, max);
}
Binding BindDouble(std::uint32_t id, double& member) { return Row(id, BindKind::kDouble, &member); }
Binding BindDouble(std::uint32_t id, double& member, double min, double max) {
  return Ranged(Row(id, BindKind::kDouble, &member), min, max);
}
Binding BindText(std::uint32_t id, std::string& member, int maxChars) {
  Binding b = Row(id, BindKind::kText, &member);
  b.maxChars = maxChars;
  return b;
}
Binding BindCheck(std::uint32_t id, int& member) { return Row(id, BindKind::kCheck, &member); }
Binding BindRadio(std::uint32_t firstId, int& member) { return Row(firstId, BindKind::kRadio, &member); }
Binding BindComboIndex(std::uint32_t id, int& member) { return Row(id, BindKind::kComboIndex, &member); }
Binding BindComboText(std::uint32_t id, std::string& member) { return Row(id, BindKind::kComboText, &member); }
Binding BindListIndex(std::uint32_t id, int& member) { return Row(id, BindKind::kListIndex, &member); }

bool ParseInt(const std::string& text, long long& value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(t.c_str(), &end, 10);
  return errno == 0 && *end == '\0' && end != t.c_str();
}

bool ParseUnsigned(const std::string& text, unsigned long long& value) {
  std::string t = Trim(text);
  if (t.empty() || t[0] == '-') return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtoull(t.c_str(), &end, 10);
  return errno == 0 && *end == '\0' && end != t.c_str();
}

bool ParseReal(const std::string& text, double& value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(t.c_str(), &end);
  return errno == 0 && *end == '\0' && end != t.c_str() && std::isfinite(value);
}

std::string FormatReal(double value, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.*g", digits, value);
  return buf;
}

ExchangeResult ExchangeData(DialogControls& controls, std::span<const Binding> table, bool saveAndValidate) {
  for (const Binding& b : table) {
    if (!saveAndValidate) {
      LoadRow(controls, b);
      continue;
    }
    ExchangeResult r = SaveRow(controls, b);
    if (!r.ok) {
      controls.ShowMessage(r.message);
      controls.Focus(r.failedControl);
      return r;
    }
  }
  return {};
}

}  // namespace fw
