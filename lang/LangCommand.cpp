// Command objects, the vocabulary keys and the four command tables.
#include "lang/LangCommand.h"

#include <algorithm>

#include "framework/Profile.h"
#include "lang/Lexer.h"

namespace lang {

namespace {

std::string Key(std::string_view word, int n) { return std::string(word) + std::to_string(n); }

// The entry numbers below `count` that the section holds a COMMAND key of,
// in order: a count the file claims (2147483647, say) walks only the entries
// it really has. Numbers are read as the keys are formed (decimal, no
// leading zeros).
std::vector<int> EntryNumbers(fw::Profile& vocabulary, std::string_view section, int count) {
  constexpr std::string_view kWord = "COMMAND";
  std::vector<int> numbers;
  for (const std::string& name : vocabulary.GetKeyNames(section)) {
    if (name.size() <= kWord.size() || name.size() > kWord.size() + 10) continue;
    const bool word = std::equal(kWord.begin(), kWord.end(), name.begin(), [](char a, char b) {
      return a == (b >= 'a' && b <= 'z' ? static_cast<char>(b - 'a' + 'A') : b);
    });
    const std::string_view digits = std::string_view(name).substr(kWord.size());
    if (!word || digits.find_first_not_of("0123456789") != std::string_view::npos ||
        (digits.size() > 1 && digits.front() == '0'))
      continue;
    const long long n = std::stoll(std::string(digits));
    if (n < count) numbers.push_back(static_cast<int>(n));
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace

INIFileCommand::INIFileCommand(fw::Profile& vocabulary, std::string_view section, int n)
    : name_(vocabulary.GetString(section, Key("COMMAND", n))),
      format_(vocabulary.GetString(section, Key("FORMAT", n))),
      n_(n) {
  const auto percents = std::count(format_.begin(), format_.end(), '%');
  for (int i = 0; i < percents; ++i)
    params_.push_back(vocabulary.GetString(section, Key("PARAM", n) + std::to_string(i)));
  obsolete_ = vocabulary.GetInt(section, Key("OBSOLETE", n), 0);
  automationDisabled_ = vocabulary.GetInt(section, Key("AUTOMATION_DISABLED", n), 0);
}

BuiltInCommand::BuiltInCommand(fw::Profile& vocabulary, std::string_view section, int n)
    : INIFileCommand(vocabulary, section, n), help_(vocabulary.GetString(section, Key("HELP", n))) {}

int BuiltInCommand::Execute(const char* arguments, ScriptRunState& state) {
  if (!executor_) return 0;
  try {
    return executor_(arguments, state);
  } catch (const LexExcept&) {
    return 0;  // an argument of the wrong kind fails the statement
  }
}

ToolCommand::ToolCommand(fw::Profile& vocabulary, int n, ToolHostLink* host)
    : INIFileCommand(vocabulary, "TOOLS", n), tool_(vocabulary.GetString("TOOLS", Key("TOOL", n))), host_(host) {}

const std::string& ToolCommand::GetHelp() {
  if (!helpLoaded_) {
    helpLoaded_ = 1;
    if (host_ != nullptr) help_ = host_->LoadToolHelp(tool_);
  }
  return help_;
}

int ToolCommand::Execute(const char* arguments, ScriptRunState& state) {
  return host_ != nullptr ? host_->RunToolStatement(*this, arguments, state) : 0;
}

const std::vector<int>& BuiltinToolNumbers() {
  static const std::vector<int> numbers = [] {
    std::vector<int> n;
    const int ranges[][2] = {{0, 11}, {19, 21}, {27, 38}, {99, 102}, {200, 213}};
    for (const auto& r : ranges)
      for (int i = r[0]; i <= r[1]; ++i) n.push_back(i);
    return n;
  }();
  return numbers;
}

LangCommandSet::LangCommandSet(std::unique_ptr<fw::Profile> vocabulary, ToolHostLink* host)
    : ownedVocabulary_(std::move(vocabulary)), vocabulary_(*ownedVocabulary_), host_(host) {
  CreateFixedTables();
}

LangCommandSet::LangCommandSet(fw::Profile& vocabulary, ToolHostLink* host) : vocabulary_(vocabulary), host_(host) {
  CreateFixedTables();
}

void LangCommandSet::CreateFixedTables() {
  fw::Profile& vocabulary = vocabulary_;
  for (int n = 0; n < kSelectAreaCommandCount; ++n)
    selectArea_.push_back(std::make_unique<BuiltInCommand>(vocabulary, "SELECT AREA", n));
  for (int n = 0; n < kSystemCommandCount; ++n)
    system_.push_back(std::make_unique<BuiltInCommand>(vocabulary, "SYSTEM", n));
  for (const int n : BuiltinToolNumbers())
    builtinTools_.push_back(std::make_unique<ToolBICommand>(vocabulary, "BUILTIN TOOLS", n));
}

LangCommandSet::~LangCommandSet() = default;

ToolBICommand* LangCommandSet::BuiltinTool(int n) {
  for (auto& command : builtinTools_)
    if (command->Number() == n) return command.get();
  return nullptr;
}

const std::vector<std::unique_ptr<ToolCommand>>& LangCommandSet::GetToolCommands() {
  if (toolCommandsBuilt_) return toolCommands_;
  // Marked first: a lookup made while the list fills sees what is there.
  toolCommandsBuilt_ = true;
  if (host_ == nullptr) return toolCommands_;
  const int count = vocabulary_.GetInt("TOOLS", "NUMBER", 0);
  for (const int n : EntryNumbers(vocabulary_, "TOOLS", count)) {
    auto command = std::make_unique<ToolCommand>(vocabulary_, n, host_);
    if (command->GetName().empty()) continue;
    if (host_->CanCreateTool(command->ToolName())) toolCommands_.push_back(std::move(command));
  }
  return toolCommands_;
}

LangCommand* LangCommandSet::Find(std::string_view name) {
  if (name.empty()) return nullptr;  // entries without a COMMAND key
  for (auto& c : selectArea_)
    if (c->GetName() == name) return c.get();
  for (auto& c : system_)
    if (c->GetName() == name) return c.get();
  for (auto& c : builtinTools_)
    if (c->GetName() == name) return c.get();
  for (auto& c : GetToolCommands())
    if (c->GetName() == name) return c.get();
  return nullptr;
}

ToolCommand* LangCommandSet::FindToolCommandByToolName(std::string_view toolName) {
  for (auto& c : GetToolCommands())
    if (c->ToolName() == toolName) return c.get();
  return nullptr;
}

void LangCommandSet::Collect(std::vector<LangCommand*>& out) {
  const std::size_t first = out.size();
  for (auto& c : selectArea_) out.push_back(c.get());
  for (auto& c : system_) out.push_back(c.get());
  for (auto& c : builtinTools_)
    if (!c->IsObsolete()) out.push_back(c.get());
  for (auto& c : GetToolCommands())
    if (!c->IsObsolete()) out.push_back(c.get());
  std::stable_sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                   [](LangCommand* a, LangCommand* b) { return a->GetName() < b->GetName(); });
}

void LangCommandSet::CollectToolCommands(std::vector<LangCommand*>& out) {
  const std::size_t first = out.size();
  for (auto& c : GetToolCommands())
    if (!c->IsObsolete()) out.push_back(c.get());
  std::stable_sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                   [](LangCommand* a, LangCommand* b) { return a->GetName() < b->GetName(); });
}

namespace {

std::unique_ptr<LangCommandSet>& Installed() {
  static std::unique_ptr<LangCommandSet> commands;
  return commands;
}

}  // namespace

LangCommandSet* GetLangCommands() { return Installed().get(); }
void InstallLangCommands(std::unique_ptr<LangCommandSet> commands) { Installed() = std::move(commands); }

LangCommand* FindLangCommand(std::string_view name) {
  LangCommandSet* set = GetLangCommands();
  return set != nullptr ? set->Find(name) : nullptr;
}

ToolCommand* FindToolCommandByToolName(std::string_view toolName) {
  LangCommandSet* set = GetLangCommands();
  return set != nullptr ? set->FindToolCommandByToolName(toolName) : nullptr;
}

void CollectLangCommands(std::vector<LangCommand*>& out) {
  if (LangCommandSet* set = GetLangCommands()) set->Collect(out);
}

void CollectLangToolCommands(std::vector<LangCommand*>& out) {
  if (LangCommandSet* set = GetLangCommands()) set->CollectToolCommands(out);
}

std::string LangIniPathFor(std::string_view modulePath) {
  const std::size_t cut = modulePath.find_last_of("\\/");
  if (cut == std::string_view::npos) return std::string(modulePath);
  return std::string(modulePath.substr(0, cut + 1)) + "LANG.ini";
}

void InstallProgramLangCommands(std::string_view modulePath, ToolHostLink* host) {
  // Read once: every command reads several keys, and the registered-tool
  // commands are read later, on first use.
  InstallLangCommands(std::make_unique<LangCommandSet>(fw::ProfileSnapshot::ReadFile(LangIniPathFor(modulePath)), host));
}

}  // namespace lang
