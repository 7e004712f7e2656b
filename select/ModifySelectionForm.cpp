// The Modify Selection dialog's model.
#include "select/ModifySelectionForm.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

const ModifyOperation* ModifyOperationOf(std::uint32_t command) {
  static const ModifyOperation kOperations[] = {
      {33037, 265, "Border", 200}, {32871, 285, "Smooth", 100}, {32872, 394, "Expand", 100}, {32873, 396, "Contract", 100}};
  for (const ModifyOperation& o : kOperations) {
    if (o.command == command) return &o;
  }
  return nullptr;
}

void ModifySelectionForm::Load(fw::Profile& profile) {
  value_ = std::clamp(profile.GetInt(kSection, key_, kMinimum), kMinimum, maximum_);
}

void ModifySelectionForm::Save(fw::Profile& profile) const { profile.WriteInt(kSection, key_, value_); }

void ModifySelectionForm::OnTextChanged(const std::string& text) {
  const long n = std::atol(text.c_str());
  if (n >= kMinimum && n <= maximum_) value_ = static_cast<int>(n);
}

std::string ModifySelectionForm::OnLeave(const std::string& text, std::string* writeBack) {
  const long n = std::atol(text.c_str());
  if (n >= kMinimum && n <= maximum_) {
    value_ = static_cast<int>(n);
    if (writeBack != nullptr) *writeBack = text;
    return {};
  }
  value_ = static_cast<int>(std::clamp<long>(n, kMinimum, maximum_));
  if (writeBack != nullptr) *writeBack = Text();
  char message[128];
  std::snprintf(message, sizeof message, std::string(res::String(IDS_ENTER_INTEGER_RANGE)).c_str(), kMinimum,
                maximum_);
  return message;
}

}  // namespace lumora
