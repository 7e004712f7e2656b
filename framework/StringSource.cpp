// String lookup through an installable provider, with the framework's own
// texts as the fallback.
#include "framework/StringSource.h"

#include <utility>

#include "framework/CommandIds.h"

namespace fw {
namespace {

StringProvider& Provider() {
  static StringProvider provider;
  return provider;
}

struct BuiltIn {
  std::uint32_t id;
  const char* text;
};

constexpr BuiltIn kBuiltIn[] = {
    {kIdsIdleMessage, "Ready"},
    {kIdsUntitled, "Untitled"},
    {kIdsAllFilter, "All Files (*.*)"},
    {kIdpFailedToOpenDoc, "Failed to open document."},
    {kIdpFailedToCreateDoc, "Failed to create empty document."},
    {kIdpAskToSave, "Save changes to %1?"},
    {kIdpParseInt, "Please enter an integer."},
    {kIdpParseReal, "Please enter a number."},
    {kIdpParseIntRange, "Please enter an integer between %1 and %2."},
    {kIdpParseRealRange, "Please enter a number between %1 and %2."},
    {kIdpParseStringSize, "Please enter no more than %1 characters."},
    {kIdpParseRadioButton, "Please select a button."},
    {kIdpParseByte, "Please enter an integer between 0 and 255."},
    {kIdpParseUInt, "Please enter a positive integer."},
    {kIdFileNew, "Create a new document\nNew"},
    {kIdFileOpen, "Open an existing document\nOpen"},
    {kIdFileClose, "Close the active document\nClose"},
    {kIdFileSave, "Save the active document\nSave"},
    {kIdAppExit, "Quit the application\nExit"},
    {kIdViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {kIdViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
};

}  // namespace

std::string BuiltInString(std::uint32_t id) {
  for (const BuiltIn& s : kBuiltIn) {
    if (s.id == id) return s.text;
  }
  return {};
}

std::string ResourceString(std::uint32_t id) {
  if (Provider()) {
    std::string text = Provider()(id);
    if (!text.empty()) return text;
  }
  return BuiltInString(id);
}

void SetStringProvider(StringProvider provider) { Provider() = std::move(provider); }

std::string FormatString(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] == '%' && next >= '1' && next <= '9') {
      std::size_t index = static_cast<std::size_t>(next - '1');
      if (index < args.size()) out += args[index];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string PromptOf(const std::string& commandString) {
  return commandString.substr(0, commandString.find('\n'));
}

std::string TooltipOf(const std::string& commandString) {
  std::size_t nl = commandString.find('\n');
  return nl == std::string::npos ? std::string() : commandString.substr(nl + 1);
}

}  // namespace fw
