// The tool runner's slot protocol against a scripted host, and tool
// statements run by real tools of the tool host on real images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/Profile.h"
#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "lang/Recorder.h"
#include "lang_fixture.h"
#include "lang/Script.h"
#include "lang/SelectAreaCommands.h"
#include "lang/ToolHostAdapters.h"
#include "lang/ToolRunner.h"
#include "libs/toolhost/Registry.h"

namespace lang {
namespace {

using VrWA2000::WA;

// A host that answers from a script and writes down every call.
class FakeHost : public ToolRunHost {
 public:
  std::vector<std::string> calls;
  std::uint32_t caps[5] = {0, 0, 0, 0, 0};
  std::map<int, int> dimensions;  // slots the tool reports
  std::map<int, int> failingSets;  // slot -> code
  RECT resultRect{};
  int executeCode = 0;
  bool insertToolRegistered = true;
  int frozen = 0;
  int deletedWhileFrozen = 0;
  int limitType = -2;  // the type of the fragment set as -6
  std::shared_ptr<Fragment> limit;  // what -6 holds
  POINT limitAtExecute{-99, -99};  // its top-left while the tool ran

  ToolHandle CreateTool(const std::string& id) override {
    calls.push_back("create " + id);
    return id == "missing" ? nullptr : this;
  }
  void DeleteTool(ToolHandle) override {
    calls.push_back("delete");
    if (frozen > 0) ++deletedWhileFrozen;
  }
  void FreezeError() override { ++frozen; }
  void UnfreezeError() override { --frozen; }
  int SetParameter(ToolHandle, int slot, const void* value) override {
    std::string text = "set " + std::to_string(slot);
    if (slot == -6) {
      limitType = GetFragmentType(static_cast<const Fragment*>(value));
      Fragment* held = value != nullptr ? ShareFragment(const_cast<Fragment*>(static_cast<const Fragment*>(value))) : nullptr;
      limit.reset(held, [](Fragment* f) { DeleteFragment(f); });
    }
    if (slot >= 0 || slot == -7 || slot == -9 || slot == -13 || slot == -14 || slot == -28 || slot == 59)
      text += "=" + std::to_string(*static_cast<const std::int32_t*>(value));
    else if (slot == -26 || slot == -1 || slot == -15 || slot == -25)
      text += value == nullptr ? "=0" : "=p";
    calls.push_back(text);
    auto failing = failingSets.find(slot);
    return failing == failingSets.end() ? 0 : failing->second;
  }
  int GetParameter(ToolHandle, int slot, void* out) override {
    calls.push_back("get " + std::to_string(slot));
    if (slot == 57) *static_cast<RECT*>(out) = resultRect;
    if (slot == -1) *static_cast<WA**>(out) = output;
    if (slot == -1 && output != nullptr) output->AddRef();
    return 0;
  }
  int GetParameterByRef(ToolHandle, int slot, void** out) override {
    calls.push_back("ref " + std::to_string(slot));
    *out = slot == -6 && limit != nullptr ? ShareFragment(limit.get()) : nullptr;
    return 0;
  }
  int GetParamDimension(ToolHandle, int slot) override { return dimensions.count(slot) != 0 ? 1 : 0; }
  std::uint32_t GetCapsFlags(ToolHandle, int kind) override { return caps[kind]; }
  int ToolExecute(ToolHandle, int backup) override {
    calls.push_back("execute " + std::to_string(backup));
    LURECT bounds{};
    if (limit != nullptr && GetFragmentBoundRect(limit.get(), &bounds)) limitAtExecute = {bounds.x, bounds.y};
    return executeCode;
  }
  int GetOutRect(ToolHandle, RECT* out) override {
    *out = {1, 2, 3, 4};
    return 0;
  }
  LURECT outFrg{0, 0, 4, 4};
  Fragment* GetOutFrg(ToolHandle) override {
    calls.push_back("out fragment");
    return CreateRectFrg(&outFrg, 0);
  }
  int GetRegToolIDNumber(const std::string& id) override { return id == "#Insert_Tool" && !insertToolRegistered ? 0 : 7; }
  std::string GetRegToolMenuName(int) override { return "Sm&oo&th"; }
  void SetErrorString(const std::string& text) override { calls.push_back("error " + text); }
  int ImageKindOf(const WA* buffer) override { return LUImageKindOfType(buffer->GetType()); }

  WA* output = nullptr;
};

class FakeWindow : public ToolRunWindow {
 public:
  std::vector<std::string> calls;
  bool hasObject = true;
  RECT layer{0, 0, 10, 10};
  std::uint32_t layerFlags = 0;
  int resizeCode = 0;
  WA* image = nullptr;
  int object = 0;
  POINT origin{0, 0};
  POINT originAfterResize{0, 0};

  void* GetImageObject() override { return hasObject ? &object : nullptr; }
  void ReleaseImageObject(void*) override { calls.push_back("release object"); }
  WA* GetImage(int kind) override { return kind == 0 ? image : nullptr; }
  void SetImage(WA* buffer, int flag) override {
    calls.push_back(std::string("image ") + (buffer == nullptr ? "0" : buffer == image ? "old" : "new") + "," +
                    std::to_string(flag));
  }
  POINT GetImageOrigin() override { return origin; }
  RECT GetLayerRect() override { return layer; }
  std::uint32_t GetLayerFlags() override { return layerFlags; }
  bool IsBackupCreatingAllowed() override { return true; }
  int UpdateBackup(const std::string& name) override {
    calls.push_back("backup " + name);
    return 0;
  }
  void Undo() override { calls.push_back("undo"); }
  int ResizeLayerTo(const RECT& r) override {
    calls.push_back("resize " + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
                    "," + std::to_string(r.bottom));
    if (resizeCode == 0) origin = originAfterResize;
    return resizeCode;
  }
  void InvalidateImageRect(const RECT&) override { calls.push_back("invalidate"); }
  void SetDirtyFlag(bool) override { calls.push_back("dirty"); }
};

WA* RandomWA(int type, int w, int h, unsigned seed) {
  WA* wa = new WA(type, w, h, static_cast<const PALETTEENTRY*>(nullptr), false);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < wa->GetBPLine(); ++i) wa->Row(y)[i] = static_cast<std::uint8_t>(rng());
  return wa;
}

struct RunnerFixture : ::testing::Test {
  FakeHost host;
  FakeWindow window;
  ToolRunContext context{host, nullptr};
  WA* buffer = RandomWA(16, 10, 10, 1);
  int code = -1;
  ~RunnerFixture() override { buffer->Release(); }
  void UseWindow() {
    window.image = buffer;
    context.findWindow = [this](const WA*) { return &window; };
  }
  int Run(std::string_view arguments = "5,3", std::string_view format = "%d,%d", Fragment** handle = nullptr,
          int degree = 0) {
    return RunToolOnImage(context, "tool", buffer, arguments, format, handle, degree, 0, &code);
  }
};

const std::vector<std::string> kPrepared = {"create tool", "set -7=1", "set -4", "set -6", "set -9=0", "set -13=0",
                                           "set -14=0",   "set -26=0"};

std::vector<std::string> Then(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(RunnerFixture, StandardRunWithoutWindowSetsTheSlotsInOrder) {
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(host.calls, Then(kPrepared, {"set -15=0", "set 0=5", "set 1=3", "ref -6", "execute 1", "delete"}));
  EXPECT_EQ(host.deletedWhileFrozen, 1);
  EXPECT_EQ(host.frozen, 0);
}

TEST_F(RunnerFixture, ResultCodesOfRefusedRuns) {
  struct Case {
    const char* what;
    std::uint32_t caps0, capsColour;
    const char* arguments;
    const char* format;
    int expected;
  };
  const Case cases[] = {
      {"mode 2", 0, 2, "5,3", "%d,%d", kToolRunNotFromScript},
      {"mode 3 from the general flags", 3, 0, "5,3", "%d,%d", kToolRunNotFromScript},
      {"%x", 0, 0, "5,3", "%d,%x", kToolRunBadArguments},
      {"no % at all", 0, 0, "5", "d", kToolRunBadArguments},
      {"a string where a number goes", 0, 0, "\"a\",3", "%d,%d", kToolRunBadArguments},
  };
  for (const Case& c : cases) {
    host = FakeHost();
    host.caps[0] = c.caps0;
    host.caps[4] = c.capsColour;
    EXPECT_EQ(Run(c.arguments, c.format), 0) << c.what;
    EXPECT_EQ(code, c.expected) << c.what;
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "execute 1"), 0) << c.what;
    EXPECT_EQ(host.calls.back(), "delete") << c.what;
    EXPECT_EQ(host.deletedWhileFrozen, 1) << c.what;
  }
  host = FakeHost();
  EXPECT_EQ(RunToolOnImage(context, "missing", buffer, "", "", nullptr, 0, 0, &code), 0);
}

TEST_F(RunnerFixture, EveryFormatLetterSetsItsValues) {
  struct Recorder : FakeHost {
    std::vector<std::vector<std::int32_t>> values;
    std::string text;
    int SetParameter(ToolHandle tool, int slot, const void* value) override {
      const auto* v = static_cast<const std::int32_t*>(value);
      if (slot == 2) values.push_back({v[0], v[1]});
      if (slot == 3) values.push_back({v[0], v[1], v[2], v[3]});
      if (slot == 4) text = static_cast<const char*>(value);
      if (slot == 0 || slot == 1) values.push_back({v[0]});
      return FakeHost::SetParameter(tool, slot >= 2 ? -99 : slot, value);
    }
  } recorder;
  EXPECT_EQ(SetToolParameters(recorder, "{1,2,3}, 0x10, {4,5}, {6,7,8,9}, \"a\\\"b\"", "%c, %d ,%p,%r,%s", &recorder),
            0);
  const std::vector<std::vector<std::int32_t>> expected = {{1 + 2 * 256 + 3 * 65536}, {16}, {4, 5}, {6, 7, 8, 9}};
  EXPECT_EQ(recorder.values, expected);
  EXPECT_EQ(recorder.text, "a\"b");
  EXPECT_EQ(SetToolParameters(recorder, "", "", &recorder), 0);
  // A failing set ends the walk with its code.
  recorder.failingSets[0] = 770;
  EXPECT_EQ(SetToolParameters(recorder, "{1,2,3},4", "%c,%d", &recorder), 770);
}

TEST(SetToolParameters, ItemsMustFitTheToolsOwnFormats) {
  // The tool's parameters: integer, colour, point, rectangle, text.
  struct FormatHost : FakeHost {
    char GetParamFormat(ToolHandle, int slot) override { return slot < 5 ? "dcprs"[slot] : '\0'; }
  } host;
  EXPECT_EQ(SetToolParameters(host, "{1,2,3},7,{1,2},{1,2,3,4},\"t\"", "%c,%d,%p,%r,%s", &host), 0)
      << "integers and colours stand for each other";
  const std::vector<std::pair<std::string, std::string>> misfits = {
      {"{1,2}", "%p"}, {"1,{1,2,3,4}", "%d,%r"}, {"1,2,{1,2,3,4}", "%d,%d,%r"}, {"1,2,{1,2},\"x\"", "%d,%d,%p,%s"},
      {"1,2,{1,2},{1,2,3,4},5", "%d,%d,%p,%r,%d"}};
  for (const auto& [arguments, format] : misfits) {
    host.calls.clear();
    EXPECT_EQ(SetToolParameters(host, arguments, format, &host), kToolRunBadArguments) << format;
    EXPECT_LT(host.calls.size(), static_cast<std::size_t>(std::count(format.begin(), format.end(), '%')))
        << "the misfit is never set: " << format;
  }
}

TEST_F(RunnerFixture, AFailingSetEndsTheRunAndTheToolIsStillDeleted) {
  host.failingSets[-9] = 769;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(code, 769);
  EXPECT_EQ(host.calls, Then(std::vector<std::string>(kPrepared.begin(), kPrepared.begin() + 5), {"delete"}));
}

TEST_F(RunnerFixture, WindowRunsRepaintAndWindowsWithoutImageObjectFail) {
  UseWindow();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"release object", "invalidate"}));
  window.hasObject = false;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(code, kToolRunNoImageObject);
}

TEST_F(RunnerFixture, SelectionAndSmoothEdgeLimitTheRun) {
  const LURECT rect{2, 2, 4, 4};
  Fragment* selection = CreateRectFrg(&rect, 0);
  Fragment* handle = selection;
  EXPECT_EQ(Run("5,3", "%d,%d", &handle), 1);
  EXPECT_EQ(host.limitType, kFrgRect);
  host = FakeHost();
  EXPECT_EQ(Run("5,3", "%d,%d", &handle, 5), 1);
  EXPECT_EQ(host.limitType, kFrgMask) << "the smoothed mask limits the tool";
  EXPECT_EQ(handle, selection) << "the caller's selection is left alone";
  DeleteFragment(selection);
}

TEST_F(RunnerFixture, TheLimitIsMovedByTheImageOriginForTheRunAndPutBack) {
  const LURECT rect{2, 3, 4, 4};
  Fragment* selection = CreateRectFrg(&rect, 0);
  Fragment* handle = selection;
  UseWindow();
  window.origin = {5, 7};
  EXPECT_EQ(Run("5,3", "%d,%d", &handle), 1);
  EXPECT_EQ(host.limitAtExecute.x, 7);
  EXPECT_EQ(host.limitAtExecute.y, 10);

  // A grown layer moves the image origin: the limit follows it.
  host = FakeHost();
  host.caps[4] = kCapsResizesLayer;
  host.dimensions = {{57, 1}};
  host.resultRect = {-2, 0, 12, 10};
  window.origin = {0, 0};
  window.originAfterResize = {2, 1};
  EXPECT_EQ(Run("5,3", "%d,%d", &handle), 1);
  EXPECT_EQ(host.limitAtExecute.x, 4);
  EXPECT_EQ(host.limitAtExecute.y, 4);

  host.limit.reset();
  LURECT after{};
  ASSERT_TRUE(GetFragmentBoundRect(selection, &after));
  EXPECT_EQ(after.x, 2) << "the caller's selection is back where it was";
  EXPECT_EQ(after.y, 3);
  DeleteFragment(selection);
}

TEST_F(RunnerFixture, SelectionAwareToolsPasteTheirResultThroughTheInsertionTool) {
  host.caps[4] = 0x08;
  WA* made = RandomWA(16, 4, 4, 3);
  host.output = made;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(code, 0);
  const std::vector<std::string> prepared = {"set -7=2", "set -4", "set -6", "set -9=0", "set -13=0", "set -14=0",
                                             "set -26=0"};
  std::vector<std::string> expected = Then({"create tool"}, prepared);
  expected = Then(expected, {"set -2", "set 0=5", "set 1=3", "ref -6", "out fragment", "set -1=p", "set -15=p",
                             "set -25=0", "execute 1", "get -1", "ref -15", "ref -6", "create #Insert_Tool"});
  expected = Then(expected, prepared);
  expected = Then(expected, {"set -13=0", "set -14=0", "set 0=0", "set 1=0", "set -28=0", "ref -6", "execute 1",
                             "delete", "delete"});
  EXPECT_EQ(host.calls, expected);
  EXPECT_EQ(host.deletedWhileFrozen, 2);
  EXPECT_EQ(made->GetRefCount(), 1) << "the result read back is released";

  host = FakeHost();
  host.caps[4] = 0x08;
  host.output = made;
  host.insertToolRegistered = false;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(code, kToolRunNoInsertTool);
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "error Insert fragment"), host.calls.end());
  made->Release();
}

TEST_F(RunnerFixture, SelectionAwareResultBeyondTheLayerGrowsItAndAFailedPasteUndoesTheGrowth) {
  const LURECT rect{2, 2, 4, 4};
  Fragment* selection = CreateRectFrg(&rect, 0);
  Fragment* handle = selection;
  WA* made = RandomWA(16, 14, 4, 4);
  UseWindow();
  host.caps[4] = 0x10;
  host.output = made;
  host.outFrg = {-2, 0, 14, 4};
  EXPECT_EQ(Run("5,3", "%d,%d", &handle), 1);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"release object", "backup Smooth", "resize -2,0,12,10",
                                                    "release object", "invalidate"}));
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "set -25=p"), host.calls.end())
      << "a run limited by a selection gets a coverage buffer";

  host = FakeHost();
  host.caps[4] = 0x10;
  host.output = made;
  host.outFrg = {-2, 0, 14, 4};
  host.failingSets = {{-28, 9}};
  window.calls.clear();
  EXPECT_EQ(Run("5,3", "%d,%d", &handle), 0);
  EXPECT_EQ(code, 9);
  EXPECT_EQ(window.calls.back(), "undo");
  host.limit.reset();
  made->Release();
  DeleteFragment(selection);
}

TEST_F(RunnerFixture, DirectToolInstallsItsNewImageWithAnUndoStep) {
  host.caps[4] = 1;
  WA* made = RandomWA(16, 4, 4, 2);
  host.output = made;
  UseWindow();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"create tool", "set -4", "set -9=0", "set -1=0", "set 0=5", "set 1=3",
                                                 "execute 0", "get -1", "set -1=0", "delete"}));
  EXPECT_EQ(window.calls, (std::vector<std::string>{"image old,1", "image new,0", "dirty"}));
  EXPECT_EQ(made->GetRefCount(), 1) << "the runner's reference is released";
  made->Release();
}

TEST_F(RunnerFixture, LayerResizingToolsGrowTheLayerUnderABackupNamedAfterTheTool) {
  host.caps[4] = kCapsResizesLayer;
  host.dimensions = {{57, 1}, {59, 1}};
  UseWindow();
  Fragment* none = nullptr;
  // Inside the layer: no resize, the tool makes its own backup.
  host.resultRect = {2, 2, 8, 8};
  EXPECT_EQ(Run("5,3", "%d,%d", &none), 1);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"release object", "invalidate"}));
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "execute 1"), host.calls.end());
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "set 59=0"), host.calls.end());

  host.calls.clear();
  window.calls.clear();
  host.resultRect = {-2, 0, 12, 10};
  EXPECT_EQ(Run("5,3", "%d,%d", &none), 1);
  EXPECT_EQ(window.calls,
            (std::vector<std::string>{"release object", "backup Smooth", "resize -2,0,12,10", "invalidate"}));
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "execute 0"), host.calls.end());

  // A failing run undoes the backup.
  window.calls.clear();
  host.executeCode = 9;
  EXPECT_EQ(Run("5,3", "%d,%d", &none), 0);
  EXPECT_EQ(code, 9);
  EXPECT_EQ(window.calls.back(), "undo");

  // Without a fragment handle the run is whole-layer: no resize.
  host.executeCode = 0;
  window.calls.clear();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"release object", "invalidate"}));

  host.dimensions.erase(57);
  EXPECT_EQ(Run("5,3", "%d,%d", &none), 0);
  EXPECT_EQ(code, kToolRunNoResultRect);
}

// ---------------------------------------------------------------------------
// The real tool host.

std::filesystem::path ShippedLangIni() {
  return std::filesystem::path(LUMORA_TEST_DATA).parent_path().parent_path() / "lang" / "LANG.ini";
}

void ExpectSamePixels(const WA* a, const WA* b) {
  ASSERT_EQ(a->GetW(), b->GetW());
  for (int y = 0; y < a->GetH(); ++y)
    ASSERT_EQ(std::memcmp(a->Row(y), b->Row(y), static_cast<std::size_t>(a->GetW()) * 3), 0) << "row " << y;
}

// The tool run directly through the tool host's calls, on a copy.
WA* RunDirectly(const char* id, const WA* src, std::vector<int> params, Fragment* limit = nullptr) {
  WA* work = new WA(*src, false);
  LUTool* tool = LUCreateTool(nullptr, id);
  for (int i = 0; i < static_cast<int>(params.size()); ++i) EXPECT_EQ(LUSetParameter(tool, i, 0, &params[i]), 0);
  LUSetParameter(tool, kLUSlotSource, 0, work);
  if (limit != nullptr) LUSetParameter(tool, kLUSlotLimit, 0, limit);
  EXPECT_EQ(LUToolExecute(tool, 0, 2, 0, 0), 0);
  LUDeleteTool(tool);
  return work;
}

struct RealHostFixture : ::testing::Test {
  LUToolRunHost host;
  ToolRunContext context{host, nullptr};
  WA* image = RandomWA(16, 23, 17, 7);
  WA* original = new WA(*image, false);
  ~RealHostFixture() override {
    image->Release();
    original->Release();
    LUResetError();
  }
};

TEST_F(RealHostFixture, RunnerMatchesTheToolRunDirectly) {
  const LURECT rect{3, 4, 9, 6};
  Fragment* selection = CreateRectFrg(&rect, 0);
  struct Case {
    const char* id;
    const char* arguments;
    const char* format;
    std::vector<int> params;
    Fragment* limit;
  };
  const Case cases[] = {
      {"vr_rsmooth", "5,3,0,0", "%d,%d,%d,%d", {5, 3, 0, 0}, nullptr},
      {"median_filt", "3,3,0,0", "%d,%d,%d,%d", {3, 3, 0, 0}, selection},
      {"emboss_effect", "5,3,10,20,{10,20,30}", "%d,%d,%d,%d,%c", {5, 3, 10, 20, 10 + 20 * 256 + 30 * 65536}, nullptr},
      {"Noise", "30,50,0", "%d,%d,%d", {30, 50, 0}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    WA* work = new WA(*original, false);
    Fragment* handle = c.limit;
    int code = -1;
    EXPECT_EQ(RunToolOnImage(context, c.id, work, c.arguments, c.format, &handle, 0, 0, &code), 1);
    EXPECT_EQ(code, 0);
    WA* expected = RunDirectly(c.id, original, c.params, c.limit);
    ExpectSamePixels(work, expected);
    expected->Release();
    work->Release();
  }
  // A value out of the tool's range is the host's refusal, passed up.
  int code = 0;
  EXPECT_EQ(RunToolOnImage(context, "vr_rsmooth", image, "5,3,0,1000", "%d,%d,%d,%d", nullptr, 0, 0, &code), 0);
  EXPECT_NE(code, 0);
  ExpectSamePixels(image, original);
  // Palette images are refused by their capability flags without a run.
  WA* palette = RandomWA(4, 8, 8, 3);
  EXPECT_EQ(RunToolOnImage(context, "vr_rsmooth", palette, "5,3,0,0", "%d,%d,%d,%d", nullptr, 0, 0, &code), 0);
  EXPECT_EQ(code, kToolRunNotFromScript);
  palette->Release();
  DeleteFragment(selection);
}

TEST_F(RealHostFixture, ShippedToolsSectionNamesEveryRegisteredTool) {
  fw::IniFile ini(ShippedLangIni().string());
  LUToolHostLink link(context, nullptr);
  LangCommandSet set(ini, &link);
  std::size_t registered = 0;
  for (int tool = LUGetRegToolItem(nullptr, 0); tool != 0; tool = LUGetRegToolItem(nullptr, tool)) {
    char id[80];
    ASSERT_TRUE(LUGetRegToolIDName(nullptr, tool, 1, id, sizeof id));
    SCOPED_TRACE(id);
    const auto* descriptor = lumora::toolhost::FindTool(id);
    // Interactive tools act through the mouse, document tools on the
    // document chosen, area types only shape new selections: no statement
    // runs them.
    if (lumora::toolhost::IsInteractiveTool(*descriptor) || lumora::toolhost::IsDocumentTool(*descriptor) ||
        lumora::toolhost::IsAreaType(*descriptor)) {
      EXPECT_EQ(set.FindToolCommandByToolName(id), nullptr);
      continue;
    }
    ++registered;
    ToolCommand* command = set.FindToolCommandByToolName(id);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(set.Find(command->GetName()), command) << "no other command takes its name";
    std::string format;
    for (int i = 0; i < descriptor->paramCount; ++i)
      format += std::string(i > 0 ? "," : "") + "%" + descriptor->params[i].format;
    EXPECT_EQ(command->GetFormat(), format);
    EXPECT_EQ(command->GetParamCount(), descriptor->paramCount);
    EXPECT_FALSE(command->GetHelp().empty());
  }
  EXPECT_EQ(set.GetToolCommands().size(), registered);
}

TEST_F(RealHostFixture, UncreatableToolsAreLeftOutWithTheErrorStateKept) {
  LUResetError();
  LUSetErrorCode(nullptr, 42, "kept", 1, 0);
  LUToolHostLink link(context, nullptr);
  EXPECT_FALSE(link.CanCreateTool("no_such_tool"));
  EXPECT_TRUE(link.CanCreateTool("vr_rsmooth"));
  EXPECT_EQ(LUGetErrorState().code, 42);
  test::MemoryProfile ini;
  ini.WriteString("TOOLS", "NUMBER", "2");
  ini.Command("TOOLS", 0, "Gone", "%d");
  ini.WriteString("TOOLS", "TOOL0", "no_such_tool");
  ini.Command("TOOLS", 1, "Smooth", "%d,%d,%d,%d");
  ini.WriteString("TOOLS", "TOOL1", "vr_rsmooth");
  LangCommandSet set(ini, &link);
  ASSERT_EQ(set.GetToolCommands().size(), 1u);
  EXPECT_EQ(set.Find("Gone"), nullptr);
  EXPECT_EQ(LUGetErrorState().code, 42);
}

TEST_F(RealHostFixture, ScriptRunsARegisteredToolByNameOnTheImage) {
  fw::IniFile ini(ShippedLangIni().string());
  LUToolHostLink link(context, [this](ScriptRunState&) { return image; });
  LangCommandSet set(ini, &link);
  ScriptStop stop;
  ASSERT_TRUE(RunScript({"// smooth, then add noise", "Smooth(5, 3, 0, 0);", "AddNoise(30,50,0);", ""}, &stop, &set))
      << stop.reason;
  WA* smoothed = RunDirectly("vr_rsmooth", original, {5, 3, 0, 0});
  WA* expected = RunDirectly("Noise", smoothed, {30, 50, 0});
  ExpectSamePixels(image, expected);
  expected->Release();
  smoothed->Release();

  // A statement the tool refuses stops the run at its line.
  EXPECT_FALSE(RunScript({"Smooth(5,3,0,0);", "Smooth(5,3,0,1000);", "Smooth(3,3,0,0);"}, &stop, &set));
  EXPECT_EQ(stop.line, 1u);
  EXPECT_NE(link.LastResult(), 0);
}

// Every sequence script starts with the whole image selected: the tool
// statements after it act as they do with no selection at all. An inverted
// combination of one rectangle acts outside the rectangle.
TEST_F(RealHostFixture, ToolsActOnTheWholeImageAfterSelectWholeImage) {
  fw::IniFile ini(ShippedLangIni().string());
  LUToolHostLink link(context, [this](ScriptRunState&) { return image; });
  LangCommandSet set(ini, &link);
  InstallSelectAreaExecutors(set);
  WA* whole = RunDirectly("invert_conv", original, {50});
  const LURECT rect{3, 4, 6, 2};
  Fragment* outside = CreateRectFrg(&rect, 1);
  WA* aroundRect = RunDirectly("invert_conv", original, {50}, outside);
  DeleteFragment(outside);
  struct Case {
    LineList lines;
    const WA* expected;
  } cases[] = {{{"SelectWholeImage();", "InvertColours(50);"}, whole},
               {{"FreeAllFrags();", "InvertColours(50);"}, whole},
               {{"AddRect(3,4,9,6,14);", "InvertSelection();", "InvertColours(50);"}, aroundRect}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.front());
    image->Release();
    image = new WA(*original, false);
    ScriptStop stop;
    ASSERT_TRUE(RunScript(c.lines, &stop, &set)) << stop.reason;
    ExpectSamePixels(image, c.expected);
  }
  whole->Release();
  aroundRect->Release();
}

TEST_F(RealHostFixture, RecordedToolRunReplaysWithTheSameParameters) {
  fw::IniFile ini(ShippedLangIni().string());
  LUToolHostLink link(context, [this](ScriptRunState&) { return image; });
  LangCommandSet set(ini, &link);

  LUTool* tool = LUCreateTool(nullptr, "emboss_effect");
  const std::int32_t width = 5, colour = 0x102030;
  ASSERT_EQ(LUSetParameter(tool, 0, 0, &width), 0);
  ASSERT_EQ(LUSetParameter(tool, 4, 0, &colour), 0);
  WA* first = new WA(*original, false);
  LUSetParameter(tool, kLUSlotSource, 0, first);
  ASSERT_EQ(LUToolExecute(tool, 0, 2, 0, 0), 0);
  LURecordToolSource source(tool, true);
  LineList lines;
  RecordToolRun(source, 0, nullptr, lines, &set);
  // Read only as the tool keeps them: a point, rectangle or text is never
  // taken out of an integer's slot.
  LangValue value;
  EXPECT_FALSE(source.GetParameter(0, 'p', value));
  EXPECT_FALSE(source.GetParameter(0, 's', value));
  EXPECT_FALSE(source.GetParameter(5, 'd', value));
  ASSERT_TRUE(source.GetParameter(4, 'd', value));
  EXPECT_EQ(value.number, colour);
  LUDeleteTool(tool);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Emboss(5,3,0,0,{48,32,16});");

  ScriptStop stop;
  ASSERT_TRUE(RunScript({lines.back()}, &stop, &set)) << stop.reason;
  ExpectSamePixels(image, first);
  first->Release();

  // A run on a buffer no window shows is not recorded.
  LURecordToolSource hidden(nullptr, false);
  LineList none;
  RecordToolRun(hidden, 0, nullptr, none, &set);
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace lang
