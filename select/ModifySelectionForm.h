// The Modify Selection dialog's model: one whole number of pixels within a
// range, kept per operation under [Modify Selection] in the settings.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Profile.h"

namespace lumora {

// The four operations of Selection/Modify.
struct ModifyOperation {
  std::uint32_t command;
  std::uint32_t templateId;
  const char* key;  // the settings key
  int maximum;
};
// Border 33037 (265), Smooth 32871 (285), Expand 32872 (394), Contract 32873 (396).
const ModifyOperation* ModifyOperationOf(std::uint32_t command);

class ModifySelectionForm {
 public:
  static constexpr const char* kSection = "Modify Selection";
  static constexpr int kMinimum = 1;

  ModifySelectionForm(const char* key, int maximum) : key_(key), maximum_(maximum) {}
  // The kept amount (the minimum when none), clamped into range.
  void Load(fw::Profile& profile);
  void Save(fw::Profile& profile) const;
  // Each edit of the text: a number within range becomes the value.
  void OnTextChanged(const std::string& text);
  // The edit loses the focus: a number out of range is clamped; the message
  // to show then ("" when the number was in range) and the text to put back.
  std::string OnLeave(const std::string& text, std::string* writeBack);
  int Value() const { return value_; }
  int Maximum() const { return maximum_; }
  std::string Text() const { return std::to_string(value_); }

 private:
  std::string key_;
  int maximum_;
  int value_ = kMinimum;
};

}  // namespace lumora
