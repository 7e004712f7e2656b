// Command objects of the macro language and their tables: the vocabulary
// file "LANG.ini" gives every word (name, format, parameter descriptions,
// help, flags); the program fixes which executor stands behind the n-th
// entry of each section.
//
// Lookup order by name: selection-area, system, built-in tool, then
// registered-tool commands (built on first use).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lang/Lexer.h"

namespace fw {
class Profile;
}

namespace lang {

struct ScriptRunState;

class LangCommand {
 public:
  using LexExcept = lang::LexExcept;
  virtual ~LangCommand() = default;
  virtual const std::string& GetName() const = 0;
  virtual const std::string& GetHelp() = 0;
  virtual const std::string& GetFormat() const = 0;
  virtual int GetParamCount() const = 0;
  virtual const std::string& GetParam(int i) const = 0;
  // Nonzero lets the script go on, 0 stops it.
  virtual int Execute(const char* arguments, ScriptRunState& state) = 0;
  virtual int IsObsolete() const { return 0; }
  virtual int IsAutomationDisabled() const { return 0; }
};

// Reads the keys of one vocabulary section: a profile, the key word and the
// entry number appended without separator.
class INIFileCommand : public LangCommand {
 public:
  INIFileCommand(fw::Profile& vocabulary, std::string_view section, int n);

  const std::string& GetName() const override { return name_; }
  const std::string& GetFormat() const override { return format_; }
  int GetParamCount() const override { return static_cast<int>(params_.size()); }
  const std::string& GetParam(int i) const override { return params_[static_cast<std::size_t>(i)]; }
  int IsObsolete() const override { return obsolete_; }
  int IsAutomationDisabled() const override { return automationDisabled_; }
  int Number() const { return n_; }

 private:
  std::string name_;
  std::string format_;
  std::int32_t n_;
  std::vector<std::string> params_;
  std::int32_t obsolete_ = 0;
  std::int32_t automationDisabled_ = 0;
};

// The executor of a built-in entry: argument text and run state in, nonzero
// to go on. Entries whose executor is not installed fail their statement.
using LangExecutor = std::function<int(const char* arguments, ScriptRunState& state)>;

// A system or selection-area command. A LexExcept thrown while the
// executor reads its arguments fails the statement.
class BuiltInCommand : public INIFileCommand {
 public:
  BuiltInCommand(fw::Profile& vocabulary, std::string_view section, int n);
  const std::string& GetHelp() override { return help_; }
  int Execute(const char* arguments, ScriptRunState& state) override;
  void SetExecutor(LangExecutor executor) { executor_ = std::move(executor); }

 protected:
  std::string help_;
  LangExecutor executor_;
};

// A built-in tool command (section "BUILTIN TOOLS"), executed as
// BuiltInCommand.
class ToolBICommand : public BuiltInCommand {
 public:
  using BuiltInCommand::BuiltInCommand;
};

class ToolCommand;

// What the registered-tool commands need of the tool host: whether a tool
// can be created (its error state left as it was), its help text, and the
// run of a tool statement (the tool runner).
class ToolHostLink {
 public:
  virtual ~ToolHostLink() = default;
  virtual bool CanCreateTool(const std::string& toolId) = 0;
  virtual std::string LoadToolHelp(const std::string& toolId) = 0;
  virtual int RunToolStatement(const ToolCommand& command, const char* arguments, ScriptRunState& state) = 0;
};

// A command that runs a tool registered with the tool host.
class ToolCommand : public INIFileCommand {
 public:
  ToolCommand(fw::Profile& vocabulary, int n, ToolHostLink* host);
  const std::string& GetHelp() override;
  int Execute(const char* arguments, ScriptRunState& state) override;
  const std::string& ToolName() const { return tool_; }

 private:
  std::string tool_;
  ToolHostLink* host_;
  std::int32_t helpLoaded_ = 0;
  std::string help_;
};

inline constexpr int kSystemCommandCount = 15;
inline constexpr int kSelectAreaCommandCount = 14;
// The entry numbers of section "BUILTIN TOOLS".
const std::vector<int>& BuiltinToolNumbers();

// The four command tables over one vocabulary file.
class LangCommandSet {
 public:
  // `host` may be null: then no registered-tool command exists. The
  // vocabulary stays in use (registered-tool commands are read on first use).
  LangCommandSet(fw::Profile& vocabulary, ToolHostLink* host);
  // The same over a vocabulary the set keeps.
  LangCommandSet(std::unique_ptr<fw::Profile> vocabulary, ToolHostLink* host);
  ~LangCommandSet();

  LangCommand* Find(std::string_view name);
  ToolCommand* FindToolCommandByToolName(std::string_view toolName);
  // Selection-area and system commands, then those built-in and registered
  // tool commands that are not obsolete; sorted by name.
  void Collect(std::vector<LangCommand*>& out);
  // The registered-tool commands that are not obsolete, sorted by name.
  void CollectToolCommands(std::vector<LangCommand*>& out);

  BuiltInCommand& System(int n) { return *system_.at(static_cast<std::size_t>(n)); }
  BuiltInCommand& SelectArea(int n) { return *selectArea_.at(static_cast<std::size_t>(n)); }
  // Null for a number that is not an entry of the table.
  ToolBICommand* BuiltinTool(int n);
  const std::vector<std::unique_ptr<ToolCommand>>& GetToolCommands();

 private:
  void CreateFixedTables();

  std::unique_ptr<fw::Profile> ownedVocabulary_;
  fw::Profile& vocabulary_;
  ToolHostLink* host_;
  std::vector<std::unique_ptr<BuiltInCommand>> selectArea_;
  std::vector<std::unique_ptr<BuiltInCommand>> system_;
  std::vector<std::unique_ptr<ToolBICommand>> builtinTools_;
  std::vector<std::unique_ptr<ToolCommand>> toolCommands_;
  bool toolCommandsBuilt_ = false;
};

// The program's command set, over "LANG.ini" beside the executable; null
// until InstallLangCommands.
LangCommandSet* GetLangCommands();
void InstallLangCommands(std::unique_ptr<LangCommandSet> commands);
LangCommand* FindLangCommand(std::string_view name);
ToolCommand* FindToolCommandByToolName(std::string_view toolName);
void CollectLangCommands(std::vector<LangCommand*>& out);
void CollectLangToolCommands(std::vector<LangCommand*>& out);

// "LANG.ini" in the folder of the program's module file name (the module
// name itself when it holds no folder separator).
std::string LangIniPathFor(std::string_view modulePath);
// Installs the program's command set over "LANG.ini" beside the module.
void InstallProgramLangCommands(std::string_view modulePath, ToolHostLink* host);

}  // namespace lang
