// The recorder: exact statements with their prefixes, the gate, selection
// statements of every fragment type, and record -> replay round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <array>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>

#include "framework/Profile.h"
#include "hostapi/fragment.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "lang/Recorder.h"
#include "lang/Script.h"
#include "lang/SelectAreaCommands.h"
#include "lang_fixture.h"
#include "select/storeSel.h"

namespace lang {
namespace {

struct Sink : MacroLineSink, RecordImageContext {
  bool recording = true;
  bool hasImage = true;
  std::int32_t layer = 3;
  std::vector<LineList> appended;
  std::vector<std::string> failures;
  bool IsRecording() const override { return recording; }
  void AppendLines(const LineList& lines) override { appended.push_back(lines); }
  void ReportRecordingFailure(const std::string& why) override { failures.push_back(why); }
  bool HasActiveDocument() const override { return hasImage; }
  std::int32_t ActiveLayerIndex() const override { return layer; }
};

std::filesystem::path ShippedLangIni() {
  return std::filesystem::path(LUMORA_TEST_DATA).parent_path().parent_path() / "lang" / "LANG.ini";
}

struct RecorderFixture : ::testing::Test {
  RecorderFixture() {
    folder = std::filesystem::temp_directory_path() / ("lang_recorder_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "_" +
                                                      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    SetMacroProgramFolder(folder);
    SetMacroRecorder(&sink, &sink);
  }
  ~RecorderFixture() override {
    SetMacroRecorder(nullptr, nullptr);
    std::filesystem::remove_all(folder);
  }
  LineList Recorded() {
    LineList all;
    for (const LineList& l : sink.appended) all.insert(all.end(), l.begin(), l.end());
    sink.appended.clear();
    return all;
  }
  Sink sink;
  std::filesystem::path folder;
};

Fragment* Rect(int x, int y, int w, int h) {
  const LURECT r{x, y, w, h};
  return CreateRectFrg(&r, 0);
}

// Each entry, the lines it writes, in one table.
struct EntryCase {
  const char* what;
  std::function<void()> record;
  LineList lines;
};

std::vector<EntryCase> EntryCases(const Fragment* selection) {
  const std::uint32_t blend[8] = {0, 1, 0xff, 0x10, 0xffffffff, 5, 6, 7};
  const POINT corners[4] = {{1, 2}, {3, 4}, {5, 6}, {7, 8}};
  const LineList selectionPrefix = {"FreeAllFrags();", "AddRect(1,2,11,22,14);", "SetActiveLayer(3);"};
  auto withSelection = [&](std::string s) {
    LineList l = selectionPrefix;
    l.push_back(std::move(s));
    return l;
  };
  return {
      {"Resize", [] { RecordResize(1, 2, 3, 4); }, {"Resize(1,2,3,4);"}},
      {"CanvasSize", [] { RecordCanvasSize(RECT{-1, 2, 30, 40}); }, {"CanvasSize({-1,2,30,40});"}},
      {"Crop", [] { RecordCrop(RECT{10, 20, 30, 60}); }, {"Crop(10,20,20,40,0);"}},
      {"Rotate cw", [] { RecordRotate(-90.0); }, {"Rotate(9000);"}},
      {"Rotate ccw", [] { RecordRotate(90.0); }, {"Rotate(-9000);"}},
      {"Rotate numeric", [] { RecordRotate(-12.345); }, {"Rotate(1234);"}},
      // Binary fractions leave 2.3 x 100 a hair below 230: the typed angle wins.
      {"Rotate typed", [] { RecordRotate(-2.3); }, {"Rotate(230);"}},
      {"Rotate typed ccw", [] { RecordRotate(0.29); }, {"Rotate(-29);"}},
      {"FlipImage", [] { RecordFlipImage(1, 0); }, {"FlipImage(1,0);"}},
      {"Edges", [] { RecordEdges(5, 6); }, {"SetActiveLayer(3);", "Edges(5,6);"}},
      {"CreateNewLayer", [] { RecordCreateNewLayer("La\"yer", "Normal", 50, 1, 7); },
       {"SetActiveLayer(3);", "CreateNewLayer(\"La\\\"yer\",\"Normal\",50,1,7);"}},
      {"SetLayerOptions", [blend] { RecordSetLayerOptions("L", "Screen", 80, blend); },
       {"SetActiveLayer(3);", "SetLayerOptions(\"L\",\"Screen\",80,0x0,0x1,0xff,0x10,0xffffffff,0x5,0x6,0x7);"}},
      {"DeleteLayer", [] { RecordDeleteLayer(); }, {"SetActiveLayer(3);", "DeleteLayer();"}},
      {"GroupLayer", [] { RecordGroupLayer(); }, {"SetActiveLayer(3);", "GroupLayer();"}},
      {"UngroupLayer", [] { RecordUngroupLayer(); }, {"SetActiveLayer(3);", "UngroupLayer();"}},
      {"BringLayerToFront", [] { RecordBringLayerToFront(); }, {"SetActiveLayer(3);", "BringLayerToFront();"}},
      {"BringLayerForward", [] { RecordBringLayerForward(); }, {"SetActiveLayer(3);", "BringLayerForward();"}},
      {"SendLayerToBack", [] { RecordSendLayerToBack(); }, {"SetActiveLayer(3);", "SendLayerToBack();"}},
      {"SendLayerBackward", [] { RecordSendLayerBackward(); }, {"SetActiveLayer(3);", "SendLayerBackward();"}},
      {"MergeLayer", [] { RecordMergeLayer(); }, {"SetActiveLayer(3);", "MergeLayer();"}},
      {"MergeVisibleLayers", [] { RecordMergeVisibleLayers(); }, {"MergeVisibleLayers();"}},
      {"FlattenImage", [] { RecordFlattenImage(); }, {"FlattenImage();"}},
      {"Flip", [=] { RecordFlip(selection, 0, 1); }, withSelection("Flip(0,1);")},
      {"RotateLayer", [=] { RecordRotateLayer(selection, 180.0); }, withSelection("RotateLayer(-18000);")},
      {"LayerWEB", [] { RecordLayerWEB("http://x/?a=1,b"); },
       {"SetActiveLayer(3);", "LayerWEB(\"http://x/?a=1,b\");"}},
      {"RemoveLayerMask", [] { RecordRemoveLayerMask(1); }, {"SetActiveLayer(3);", "RemoveLayerMask(1);"}},
      {"EnableLayerMask", [] { RecordEnableLayerMask(0); }, {"SetActiveLayer(3);", "EnableLayerMask(0);"}},
      {"AddLayerMask", [] { RecordAddLayerMask(2); }, {"SetActiveLayer(3);", "AddLayerMask(2);"}},
      {"AddLayerMaskWithSelection", [=] { RecordAddLayerMaskWithSelection(1, selection); },
       withSelection("AddLayerMaskWithSelection(1);")},
      {"TransformLayer",
       [=] { RecordTransformLayer(5, selection, 1, 10, 11, 2, 20, 21, 3, corners, 4, 45.5); },
       {"FreeAllFrags();", "AddRect(1,2,11,22,14);", "SetActiveLayer(5);",
        "TransformLayer(1,2,3,4,{10,11},{20,21},{1,2},{3,4},{5,6},{7,8},-4550);"}},
      {"CopyToNewLayer", [=] { RecordCopyToNewLayer(selection, 1); }, withSelection("CopyToNewLayer(1);")},
      {"AlignLayer", [] { RecordAlignLayer(4); }, {"SetActiveLayer(3);", "AlignLayer(4);"}},
      {"DistributeLayer", [] { RecordDistributeLayer(5); }, {"SetActiveLayer(3);", "DistributeLayer(5);"}},
      {"ShowLayer", [] { RecordShowLayer(7); }, {"SetActiveLayer(7);", "ShowLayer();"}},
      {"HideLayer", [] { RecordHideLayer(0); }, {"SetActiveLayer(0);", "HideLayer();"}},
      {"EditLayerMask", [] { RecordEditLayerMask(2, 1); }, {"SetActiveLayer(2);", "EditLayerMask(1);"}},
      {"AddLayerLink", [] { RecordAddLayerLink(2, 4); }, {"SetActiveLayer(2);", "AddLayerLink(4);"}},
      {"DeleteLayerLink", [] { RecordDeleteLayerLink(4); }, {"DeleteLayerLink(4);"}},
      {"ChangeLayerMergeMode", [] { RecordChangeLayerMergeMode("Multiply"); },
       {"SetActiveLayer(3);", "ChangeLayerMergeMode(\"Multiply\");"}},
      {"LockLayerPixels", [] { RecordLockLayerPixels(1); }, {"SetActiveLayer(3);", "LockLayerPixels(1);"}},
      {"LockLayerPosition", [] { RecordLockLayerPosition(0); }, {"SetActiveLayer(3);", "LockLayerPosition(0);"}},
      {"SetLayerOpacity", [] { RecordSetLayerOpacity(42); }, {"SetActiveLayer(3);", "SetLayerOpacity(42);"}},
      {"ClearSelection", [=] { RecordClearSelection(selection, 3, 1); }, withSelection("ClearSelection(30,1);")},
      {"DuplicateImage", [] { RecordDuplicateImage("copy of a", 1); }, {"DuplicateImage(\"copy of a\",1);"}},
      {"DuplicateLayer", [] { RecordDuplicateLayer("Untitled-2", "Layer 1", 0); },
       {"SetActiveLayer(3);", "DuplicateLayer(\"Untitled-2\",\"Layer 1\",0);"}},
      {"CreateNewImage", [] { RecordCreateNewImage("New", 640, 480, 72, 2, 0x00C08040u); },
       {"CreateNewImage(\"New\",640,480,72,2,{64,128,192});"}},
  };
}

TEST_F(RecorderFixture, EveryEntryWritesItsStatements) {
  Fragment* selection = Rect(1, 2, 10, 20);
  for (const EntryCase& c : EntryCases(selection)) {
    SCOPED_TRACE(c.what);
    c.record();
    ASSERT_EQ(sink.appended.size(), 1u);  // one list per action
    EXPECT_EQ(Recorded(), c.lines);
  }
  DeleteFragment(selection);
}

TEST_F(RecorderFixture, TheGateDropsEverything) {
  Fragment* selection = Rect(1, 2, 10, 20);
  sink.recording = false;
  for (const EntryCase& c : EntryCases(selection)) c.record();
  EXPECT_TRUE(sink.appended.empty());
  // Without an active image only the entries that need none record.
  sink.recording = true;
  sink.hasImage = false;
  RecordEdges(1, 2);
  RecordFlip(selection, 1, 0);
  RecordDuplicateLayer("", "x", 0);  // no destination document
  EXPECT_TRUE(sink.appended.empty());
  RecordResize(1, 1, 1, 1);
  EXPECT_EQ(sink.appended.size(), 1u);
  DeleteFragment(selection);
  SetMacroRecorder(nullptr, nullptr);
  RecordResize(1, 1, 1, 1);  // no window at all
}

// The shipped vocabulary: every recorded command exists with a format that
// reads what the recorder writes, and no two PARAM keys of a section collide.
TEST_F(RecorderFixture, ShippedVocabularyAgreesWithTheRecorder) {
  fw::IniFile ini(ShippedLangIni().string());
  LangCommandSet set(ini, nullptr);
  Fragment* selection = Rect(1, 2, 10, 20);
  LineList all;
  for (const EntryCase& c : EntryCases(selection)) {
    c.record();
    const LineList lines = Recorded();
    all.insert(all.end(), lines.begin(), lines.end());
  }
  DeleteFragment(selection);
  for (const std::string& line : all) {
    SCOPED_TRACE(line);
    std::string name, arguments;
    ASSERT_EQ(SplitStatement(line, name, arguments), SplitResult::kStatement);
    LangCommand* command = set.Find(name);
    ASSERT_NE(command, nullptr);
    std::string_view args = arguments, format = command->GetFormat();
    std::string token, conversion;
    int count = 0;
    while (ScanNextArgument(args, format, token, conversion)) {
      LangValue value;
      EXPECT_TRUE(ConvertArgument(token, conversion, value)) << conversion << " of " << token;
      ++count;
    }
    EXPECT_EQ(count, command->GetParamCount());
    EXPECT_TRUE(format.find('%') == std::string_view::npos) << "arguments missing";
  }
  for (const char* section : {"SELECT AREA", "SYSTEM", "BUILTIN TOOLS", "TOOLS"}) {
    std::map<std::string, std::pair<int, int>> keys;
    std::vector<LangCommand*> commands;
    for (int n = 0; n < 214; ++n) {
      const std::string name = ini.GetString(section, "COMMAND" + std::to_string(n));
      const std::string format = ini.GetString(section, "FORMAT" + std::to_string(n));
      if (name.empty()) continue;
      const auto params = std::count(format.begin(), format.end(), '%');
      for (int i = 0; i < params; ++i) {
        const std::string key = "PARAM" + std::to_string(n) + std::to_string(i);
        EXPECT_TRUE(keys.emplace(key, std::make_pair(n, i)).second) << section << " " << key;
        EXPECT_FALSE(ini.GetString(section, key).empty()) << section << " " << key;
      }
    }
  }
  for (int n = 0; n < kSystemCommandCount; ++n) EXPECT_FALSE(set.System(n).GetName().empty()) << n;
  for (int n = 0; n < kSelectAreaCommandCount; ++n) EXPECT_FALSE(set.SelectArea(n).GetName().empty()) << n;
  for (const int n : BuiltinToolNumbers()) EXPECT_FALSE(set.BuiltinTool(n)->GetName().empty()) << n;
}

// Record -> run -> the executor receives what was recorded.
TEST_F(RecorderFixture, RecordedStatementsReplayWithTheirValues) {
  fw::IniFile ini(ShippedLangIni().string());
  LangCommandSet set(ini, nullptr);
  InstallSelectAreaExecutors(set);
  std::vector<std::string> received;
  for (const int n : BuiltinToolNumbers()) {
    LangCommand* command = set.BuiltinTool(n);
    set.BuiltinTool(n)->SetExecutor([&, command](const char* arguments, ScriptRunState& state) {
      // Built-in tool commands read their arguments with the token readers.
      Lex::StringIStream in(arguments);
      LangLexer lexer(in);
      std::string values = command->GetName() + "@" + std::to_string(state.activeLayer);
      for (const char c : command->GetFormat()) {
        std::int32_t p[2];
        switch (c) {
          case 'd': values += "|" + std::to_string(ReadIntArg(lexer)); break;
          case 's': values += "|" + ReadStringArg(lexer); break;
          case 'c': values += "|c" + std::to_string(ReadColorArg(lexer)); break;
          case 'p':
            ReadPointArg(lexer, p);
            values += "|" + std::to_string(p[0]) + "," + std::to_string(p[1]);
            break;
          default: break;
        }
      }
      received.push_back(values);
      return 1;
    });
  }
  RecordCreateNewLayer("a,b)\"c", "Normal", 50, 1, 7);
  RecordCreateNewImage("Name", 640, 480, 72, 2, 0x00C08040u);
  RecordTransformLayer(5, nullptr, 1, 10, 11, 2, 20, 21, 3, std::array<POINT, 4>{}.data(), 4, -1.0);
  RecordDuplicateLayer("Untitled-2", "Layer 1", 9);
  ScriptStop stop;
  ASSERT_TRUE(RunScript(Recorded(), &stop, &set)) << stop.reason;
  EXPECT_EQ(received, (std::vector<std::string>{
                          "CreateNewLayer@3|a,b)\"c|Normal|50|1|7",
                          "CreateNewImage@3|Name|640|480|72|2|c" + std::to_string(0x00C08040u),
                          "TransformLayer@5|1|2|3|4|10,11|20,21|0,0|0,0|0,0|0,0|100",
                          "DuplicateLayer@3|Untitled-2|Layer 1|9",
                      }));
}

}  // namespace
}  // namespace lang

namespace lang {
namespace {

std::vector<std::uint8_t> SelectionBytes(const Fragment* f) {
  lumora::MemFile file(4096);
  CSelStream stream(&file);
  stream.Write(f);
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

// Runs recorded selection statements and keeps a copy of the selection
// they built (through a "Capture" statement at the end).
struct ReplayFixture : RecorderFixture {
  ReplayFixture() : set(ini, nullptr) {
    InstallSelectAreaExecutors(set);
    set.System(14).SetExecutor([this](const char*, ScriptRunState& state) {
      captured = state.selection != nullptr ? CreateFragmentIndirect(state.selection) : nullptr;
      return 1;
    });
  }
  ~ReplayFixture() override {
    if (captured != nullptr) DeleteFragment(captured);
  }
  Fragment* Replay(const Fragment* original) {
    LineList lines;
    EXPECT_TRUE(RecordFragment(lines, original));
    lines.push_back("Capture();");
    ScriptStop stop;
    EXPECT_TRUE(RunScript(lines, &stop, &set)) << stop.reason;
    return captured;
  }
  static test::MemoryProfile MakeVocabulary() {
    fw::IniFile shipped(ShippedLangIni().string());
    test::MemoryProfile vocabulary;
    for (int n = 0; n < kSelectAreaCommandCount; ++n) {
      const std::string k = std::to_string(n);
      vocabulary.Command("SELECT AREA", n, shipped.GetString("SELECT AREA", "COMMAND" + k),
                         shipped.GetString("SELECT AREA", "FORMAT" + k));
    }
    vocabulary.Command("SYSTEM", 14, "Capture");
    return vocabulary;
  }
  test::MemoryProfile ini = MakeVocabulary();
  LangCommandSet set;
  Fragment* captured = nullptr;
};

Fragment* Wrapped(Fragment* shape, bool inverted = false) {
  const FRGITEM item{kFrgAdd, shape};
  Fragment* c = CreateComplexFrg(1, &item);
  SetFrgInversion(c, inverted);
  DeleteFragment(shape);
  return c;
}

// One convention for rectangles and every other shape: what is recorded
// replays to the same selection.
TEST_F(ReplayFixture, EveryShapeTypeReplaysToTheSameSelection) {
  const LURECT box{-5, 7, 30, 12};
  const POINT triangle[3] = {{0, 0}, {40, 3}, {9, 25}};
  LOGFONTA font{};
  font.lfHeight = -24;
  font.lfWeight = 700;
  font.lfItalic = 1;
  font.lfCharSet = 204;
  std::strcpy(font.lfFaceName, "Arial");
  Fragment* mask = CreateEmptyMask(&box);
  Fragment* ellipse = CreateEllipticFrg(&box, 0);
  PutFragmentToMask(mask, ellipse, kFrgAdd);
  DeleteFragment(ellipse);
  struct Case {
    const char* what;
    Fragment* shape;
  };
  const Case cases[] = {
      {"rectangle", CreateRectFrg(&box, 0)},
      {"ellipse", CreateEllipticFrg(&box, 0)},
      {"polygon", CreatePolygonFrg(triangle, 3, kFrgFillAlternate, 0)},
      {"text", CreateTextFrg(12, -3, &font, "A \"quoted\", (text)", 0)},
      {"line", CreateLineFrg(1, 2, 50, 60, 3, kFrgLineSquare, 0)},
      {"mask", mask},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool inverted : {false, true}) {
      Fragment* original = CreateFragmentIndirect(c.shape);
      SetFrgInversion(original, inverted);
      Fragment* replayed = Replay(original);
      ASSERT_NE(replayed, nullptr);
      Fragment* expected = Wrapped(CreateFragmentIndirect(c.shape), inverted);
      EXPECT_EQ(SelectionBytes(replayed), SelectionBytes(expected));
      DeleteFragment(expected);
      DeleteFragment(original);
      DeleteFragment(captured);
      captured = nullptr;
    }
    DeleteFragment(c.shape);
  }
}

TEST_F(ReplayFixture, ComplexSelectionsKeepTheirItemCodes) {
  const LURECT a{0, 0, 10, 10}, b{5, 5, 10, 10};
  const FRGITEM items[2] = {{kFrgAdd, CreateRectFrg(&a, 0)}, {kFrgSubtract, CreateEllipticFrg(&b, 0)}};
  Fragment* complex = CreateComplexFrg(2, items);
  const LURECT c{2, 2, 3, 3};
  Fragment* mask = CreateEmptyMask(&c);
  SetFrgInversion(mask, 1);
  AddToComplexFrg(complex, mask, kFrgIntersect);
  Fragment* empty = CreateEmptyFrg(0);
  AddToComplexFrg(complex, empty, kFrgIntersect);  // a whole-image item writes nothing
  DeleteFragment(empty);
  LineList lines;
  RecordFragment(lines, complex);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "AddRect(0,0,10,10,14);");
  EXPECT_EQ(lines[1], "AddEllipse(5,5,15,15,2);");
  EXPECT_EQ(lines[2].rfind("AddMask(\"LANG", 0), 0u);
  lines.push_back("Capture();");
  ScriptStop stop;
  ASSERT_TRUE(RunScript(lines, &stop, &set)) << stop.reason;  // an inverted mask item keeps its inversion
  Fragment* replayedMask = nullptr;
  FRGITEM item{};
  ASSERT_TRUE(GetComplexFrgItem(captured, 2, &item));
  replayedMask = item.fragment;
  EXPECT_EQ(item.mode, kFrgIntersect);
  EXPECT_TRUE(IsFrgInverted(replayedMask));
  DeleteFragment(replayedMask);
  DeleteFragment(mask);
  lines.clear();
  Fragment* whole = CreateEmptyFrg(1);
  lines.clear();
  RecordFragment(lines, whole);
  EXPECT_EQ(lines, LineList{"SelectWholeImage();"});  // never an inversion
  DeleteFragment(whole);
  DeleteFragment(complex);
  for (const FRGITEM& item : items) DeleteFragment(item.fragment);
}

TEST_F(ReplayFixture, LongTextsAndUnwritableMasksAreNotRecordedAsStatements) {
  LOGFONTA font{};
  Fragment* text = CreateTextFrg(0, 0, &font, std::string(128, 'x').c_str(), 0);
  LineList lines;
  RecordFragment(lines, text);
  EXPECT_TRUE(lines.empty());
  DeleteFragment(text);

  const LURECT box{0, 0, 4, 4};
  Fragment* mask = CreateEmptyMask(&box);
  std::ofstream(folder / "blocker").put('x');  // a file where the folders should go
  SetMacroProgramFolder(folder / "blocker");
  EXPECT_FALSE(RecordFragment(lines, mask));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("// selection mask not recorded", 0), 0u);
  EXPECT_EQ(sink.failures.size(), 1u);
  lines.push_back("Capture();");
  EXPECT_TRUE(RunScript(lines, static_cast<std::size_t*>(nullptr), &set));  // the comment does not stop replay
  DeleteFragment(mask);
}

}  // namespace
}  // namespace lang
