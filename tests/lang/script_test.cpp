// Command tables, lookup order and the interpreter over test executors.
#include <gtest/gtest.h>

#include "engine/pixels/Progress.h"
#include "hostapi/fragment.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "lang/Script.h"
#include "lang_fixture.h"

namespace lang {
namespace {

using test::CallLog;
using test::MemoryProfile;

class FakeToolHost : public ToolHostLink {
 public:
  std::vector<std::string> created;
  bool CanCreateTool(const std::string& id) override {
    created.push_back(id);
    return id != "missing";
  }
  std::string LoadToolHelp(const std::string& id) override { return "help of " + id; }
  int RunToolStatement(const ToolCommand& command, const char* arguments, ScriptRunState&) override {
    runs.emplace_back(command.ToolName(), arguments);
    return 1;
  }
  std::vector<std::pair<std::string, std::string>> runs;
};

TEST(LangCommands, KeysAndParameterDescriptions) {
  MemoryProfile ini;
  ini.Command("SYSTEM", 12, "Close", "%d,%d,%s");
  ini.WriteString("SYSTEM", "PARAM120", "first");
  ini.WriteString("SYSTEM", "PARAM122", "third");
  ini.WriteString("SYSTEM", "HELP12", "Closes");
  ini.WriteString("SYSTEM", "OBSOLETE12", "1");
  ini.Command("SYSTEM", 3, "NoArgs", "");
  LangCommandSet set(ini, nullptr);
  BuiltInCommand& close = set.System(12);
  EXPECT_EQ(close.GetName(), "Close");
  ASSERT_EQ(close.GetParamCount(), 3);
  EXPECT_EQ(close.GetParam(0), "first");
  EXPECT_EQ(close.GetParam(1), "");
  EXPECT_EQ(close.GetParam(2), "third");
  EXPECT_EQ(close.GetHelp(), "Closes");
  EXPECT_EQ(close.IsObsolete(), 1);
  EXPECT_EQ(set.System(3).GetParamCount(), 0);
  EXPECT_EQ(set.Find("Close"), &close);  // obsolete commands still run
  EXPECT_EQ(set.Find("close"), nullptr);
  EXPECT_EQ(set.Find(""), nullptr);  // unnamed entries are never found
}

// The registered-tool entries are those the file holds below its NUMBER: a
// claimed count far beyond them walks only what is there.
TEST(LangCommands, ToolCountIsBoundByTheEntriesTheFileHolds) {
  struct CountingProfile : MemoryProfile {
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) override {
      ++reads;
      return MemoryProfile::GetString(section, key, defaultValue);
    }
    long long reads = 0;
  };
  for (const char* number : {"100000", "2147483647", "71", "70"}) {
    SCOPED_TRACE(number);
    CountingProfile ini;
    ini.WriteString("TOOLS", "NUMBER", number);
    ini.Command("TOOLS", 3, "Blur", "%d");
    ini.WriteString("TOOLS", "TOOL3", "blur_tool");
    ini.Command("TOOLS", 70, "Sharpen", "%d");
    ini.WriteString("TOOLS", "TOOL70", "sharpen_tool");
    ini.WriteString("TOOLS", "COMMAND070", "Padded");  // not the key of an entry
    ini.WriteString("TOOLS", "COMMANDS", "Word");
    FakeToolHost host;
    LangCommandSet set(ini, &host);
    ini.reads = 0;
    EXPECT_EQ(set.Find("Unknown"), nullptr);
    ASSERT_LT(ini.reads, 100) << "the lookup read only the entries the file holds";
    EXPECT_NE(set.Find("Blur"), nullptr);
    const bool sharpenCounts = std::string(number) != "70";
    EXPECT_EQ(set.Find("Sharpen") != nullptr, sharpenCounts) << "entries at or past NUMBER do not count";
    EXPECT_EQ(host.created.size(), sharpenCounts ? 2u : 1u);
    EXPECT_EQ(set.Find("Padded"), nullptr);
  }
}

TEST(LangCommands, LookupOrderAcrossTables) {
  MemoryProfile ini;
  ini.Command("SELECT AREA", 2, "Same");
  ini.Command("SYSTEM", 5, "Same");
  ini.Command("SYSTEM", 6, "Sys");
  ini.Command("BUILTIN TOOLS", 200, "Sys");
  ini.Command("BUILTIN TOOLS", 201, "Tool");
  ini.WriteString("TOOLS", "NUMBER", "3");
  ini.Command("TOOLS", 0, "Tool");
  ini.WriteString("TOOLS", "TOOL0", "blur");
  ini.Command("TOOLS", 1, "Gone");
  ini.WriteString("TOOLS", "TOOL1", "missing");
  ini.Command("TOOLS", 2, "Sharpen");
  ini.WriteString("TOOLS", "TOOL2", "sharpen");
  ini.WriteString("TOOLS", "NUMBER", "4");
  ini.Command("TOOLS", 3, "Blurred");
  ini.WriteString("TOOLS", "TOOL3", "blur");
  ini.WriteString("TOOLS", "OBSOLETE3", "1");
  FakeToolHost host;
  LangCommandSet set(ini, &host);
  EXPECT_EQ(set.Find("Same"), &set.SelectArea(2));
  EXPECT_EQ(set.Find("Sys"), &set.System(6));
  EXPECT_EQ(set.Find("Tool"), set.BuiltinTool(201));
  EXPECT_EQ(set.Find("Gone"), nullptr);  // its tool is not registered here
  ASSERT_NE(set.Find("Sharpen"), nullptr);
  EXPECT_EQ(set.FindToolCommandByToolName("sharpen"), set.Find("Sharpen"));
  EXPECT_EQ(set.FindToolCommandByToolName("blur")->GetHelp(), "help of blur");
  EXPECT_EQ(host.created, (std::vector<std::string>{"blur", "missing", "sharpen", "blur"}));  // built once
  EXPECT_EQ(set.BuiltinTool(12), nullptr);
  EXPECT_EQ(BuiltinToolNumbers().size(), 45u);

  std::vector<LangCommand*> listed;
  set.Collect(listed);
  EXPECT_EQ(listed.size(), 14u + 15u + 45u + 2u);
  for (std::size_t i = 1; i < listed.size(); ++i) EXPECT_LE(listed[i - 1]->GetName(), listed[i]->GetName());
  // The effects generator's list: the registered tools' commands, sorted,
  // without the obsolete one.
  std::vector<LangCommand*> tools;
  set.CollectToolCommands(tools);
  ASSERT_EQ(tools.size(), 2u);
  EXPECT_EQ(tools[0]->GetName(), "Sharpen");
  EXPECT_EQ(tools[1]->GetName(), "Tool");
}

TEST(LangCommands, VocabularyBesideTheProgram) {
  EXPECT_EQ(LangIniPathFor("C:\\Lumo\\Lumo40.exe"), "C:\\Lumo\\LANG.ini");
  EXPECT_EQ(LangIniPathFor("/opt/lumo/Lumo40"), "/opt/lumo/LANG.ini");
  EXPECT_EQ(LangIniPathFor("Lumo40.exe"), "Lumo40.exe");
  InstallProgramLangCommands(std::string(LUMORA_TEST_DATA) + "/../../lang/Lumo40.exe", nullptr);
  ASSERT_NE(GetLangCommands(), nullptr);
  EXPECT_EQ(FindLangCommand("SetActiveLayer"), &GetLangCommands()->SelectArea(13));
  EXPECT_EQ(FindToolCommandByToolName("blur"), nullptr);
  std::vector<LangCommand*> listed;
  CollectLangCommands(listed);
  EXPECT_EQ(listed.size(), 14u + 15u + 45u - 2u);  // two obsolete twins are not listed
  InstallLangCommands(nullptr);
}

TEST(LangCommands, NoToolNumberAsksTheHostNothing) {
  MemoryProfile ini;
  FakeToolHost host;
  LangCommandSet set(ini, &host);
  EXPECT_TRUE(set.GetToolCommands().empty());
  EXPECT_TRUE(host.created.empty());
}

struct ScriptFixture : ::testing::Test {
  ScriptFixture() {
    ini.Command("SYSTEM", 11, "Undo");
    ini.Command("SYSTEM", 0, "Fail");
    ini.Command("BUILTIN TOOLS", 0, "Resize", "%d,%d,%d,%d");
    ini.Command("SELECT AREA", 1, "AddRect", "%d,%d,%d,%d,%d");
    ini.Command("SELECT AREA", 2, "Ends");
    set = std::make_unique<LangCommandSet>(ini, nullptr);
    set->System(11).SetExecutor(log.Recorder("Undo"));
    set->System(0).SetExecutor(log.Recorder("Fail", 0));
    set->SelectArea(1).SetExecutor(log.Recorder("AddRect"));
    set->BuiltinTool(0)->SetExecutor([this](const char* arguments, ScriptRunState& state) {
      Lex::StringIStream in(arguments);
      LangLexer lexer(in);
      std::vector<std::int32_t> values;
      for (int i = 0; i < 4; ++i) values.push_back(ReadIntArg(lexer));
      resized.push_back(values);
      state.selection = CreateEmptyFrg(1);  // released by the run
      return 1;
    });
  }
  MemoryProfile ini;
  CallLog log;
  std::vector<std::vector<std::int32_t>> resized;
  std::unique_ptr<LangCommandSet> set;
};

TEST_F(ScriptFixture, HandWrittenScriptRunsToTheEnd) {
  const LineList script = {
      "// resize, then undo",
      "/* a block",
      "   still inside */",
      "Resize(100, 0x40 50 -3);",
      "  Undo ( ) ; // trailing",
      "Undo()",
      "AddRect(1,2,3,4,14);",
      "",  // a script ending with a line break
  };
  ScriptStop stop;
  EXPECT_TRUE(RunScript(script, &stop, set.get()));
  EXPECT_EQ(stop.line, script.size());
  EXPECT_EQ(resized, (std::vector<std::vector<std::int32_t>>{{100, 64, 50, -3}}));
  ASSERT_EQ(log.calls.size(), 3u);
  EXPECT_EQ(log.calls[0].second, " ");
  EXPECT_EQ(log.calls[2].second, "1,2,3,4,14");
  std::size_t index = 99;
  EXPECT_TRUE(RunScript({}, &index, set.get()));
  EXPECT_EQ(index, 0u);
}

// A statement may end an indicator by a road of its own (a tool run through
// the tool host ends the program's indicator directly): the run sees it is
// no longer open and opens its own again before it next asks.
TEST_F(ScriptFixture, TheRunReopensItsIndicatorWhenAStatementEndedIt) {
  struct Indicator : lumora::ProgressIndicator {
    void SetCaptionId(int) override {}
    int Callback(int code, int total) override {
      if (code == -1) ++opened, open = true;
      if (code == -2) open = false;
      if (code >= 0) questions.push_back(open);
      return 1;
    }
    bool IsOpen() const override { return open; }
    bool open = false;
    int opened = 0;
    std::vector<bool> questions;  // whether each was asked with an indicator open
  } indicator;
  lumora::ProgressIndicator* before = lumora::GetProgressIndicator();
  lumora::SetProgressIndicator(&indicator);
  set->SelectArea(2).SetExecutor([&](const char*, ScriptRunState&) {
    indicator.open = false;  // ended behind the run's back
    return 1;
  });
  ScriptStop stop;
  EXPECT_TRUE(RunScript({"AddRect(1,2,3,4,14);", "Ends();", "AddRect(1,2,3,4,14);", "Ends();", "Undo();"}, &stop,
                        set.get()))
      << stop.reason;
  lumora::SetProgressIndicator(before);
  EXPECT_EQ(indicator.questions, (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(indicator.opened, 3);
  EXPECT_FALSE(indicator.open) << "closed at the end";
}

TEST_F(ScriptFixture, TheFirstFailingLineStopsTheRunAndIsNamed) {
  struct Case {
    LineList script;
    std::size_t stopLine;
    const char* reason;
  };
  const Case cases[] = {
      {{"Undo();", "Undo;", "Undo();"}, 1, "line 2: not a statement"},
      {{"Undo();", "Nope();"}, 1, "line 2: unknown command \"Nope\""},
      {{"undo();"}, 0, "line 1: unknown command"},
      {{"Undo();", "Undo();", "Fail(x);", "Undo();"}, 2, "line 3: command \"Fail\" failed"},
      {{"Resize(1,2,x,4);"}, 0, "line 1: command \"Resize\" failed"},  // LexExcept
      {{"Resize(" + std::string(3000, '1') + ");"}, 0, "line 1: statement too long"},
      {{"Undo();", "Fail(\"" + std::string(300, 'x') + "\");"}, 1,
       "line 2: a string of 300 characters is too long: a string may have 259 characters"},
      // the selection made by the first statement is released by the stopped run
      {{"Resize(1,2,3,4);", "Nope();"}, 1, "line 2: unknown command"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    ScriptStop stop;
    EXPECT_FALSE(RunScript(c.script, &stop, set.get()));
    EXPECT_EQ(stop.line, c.stopLine);
    EXPECT_EQ(stop.reason.rfind(c.reason, 0), 0u) << stop.reason;
  }
}

}  // namespace
}  // namespace lang
