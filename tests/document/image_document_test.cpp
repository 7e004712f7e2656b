// The document without windows against the real engine, history and render
// queue: what it asks of views and the main frame is recorded in order.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "document/ImageDocument.h"
#include "engine/pixels/WAccess.h"
#include "paint/BrushRandom.h"
#include "paint/PaintBrush.h"
#include "platform/rect.h"
#include "document/DocumentServices.h"
#include "tests/document/null_host.h"
#include "tests/support/document_stroke.h"

namespace lumora {
namespace {

using Log = std::vector<std::string>;

class RecordingHost : public DocumentHost {
 public:
  explicit RecordingHost(Log* log) : log_(log) {}
  bool ActiveWindowShowsDocument() override { return shows; }
  void SendActiveLayerNotice(int phase, int index) override {
    Add("1242 " + std::to_string(phase) + " " + std::to_string(index));
  }
  void UpdateLayerInPalette(CLayer*) override { Add("palette row"); }
  void SelectLayerInPalette(CLayer*) override { Add("palette select"); }
  void UpdateLayerPalette() override { Add("palette"); }
  void UpdateNavigator() override { Add("navigator"); }
  void SyncColorsToActiveImage() override { Add("colours"); }
  void ApplyTextLayerEdit(CLayer*) override { Add("text"); }
  void NotifyToolOfActiveView() override { Add("tool"); }
  void PostQueueEmpty() override { ++queueEmptyPosts; }
  int CopyImageParameter(VrWA2000::WA* source, WAPtr* copy) override {
    if (source != nullptr) ++wholeCopies;
    if (failCopy != 0) return failCopy;
    *copy = source != nullptr ? WAPtr::Adopt(CloneWA(source)) : nullptr;
    return 0;
  }
  void GetSmoothEdge(int* degree, int* type) override {
    *degree = 2;
    *type = 1;
    Add("smooth");
  }
  void UpdateGlobalSelection() override { Add("global selection"); }
  void SetErrorCode(int code, int) override { Add("error " + std::to_string(code)); }
  void ShowMessage(int text, int caption) override {
    Add("box " + std::to_string(text) + " " + std::to_string(caption));
  }
  void ShowMessageText(const std::string& text, int caption) override {
    Add("box " + text + " " + std::to_string(caption));
  }

  bool shows = true;
  int failCopy = 0;
  int wholeCopies = 0;
  std::atomic<int> queueEmptyPosts{0};

 private:
  void Add(const std::string& s) { log_->push_back(s); }
  Log* log_;
};

class RecordingView : public DocumentViewLink {
 public:
  RecordingView(Log* log, std::string name) : log_(log), name_(std::move(name)) {}
  bool IsLive() const override { return true; }
  void SendNotify(int code, Fragment* selection) override {
    Add("1245 " + std::to_string(code) + (selection != nullptr ? " sel" : ""));
  }
  void PostNotify(int code) override { Add("post 1245 " + std::to_string(code)); }
  void SendLayerNotify(int code, int index) override {
    Add("1243 " + std::to_string(code) + " " + std::to_string(index));
  }
  void InvalidateImageRect(const RECT& r, bool) override {
    Add("invalidate " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
        std::to_string(r.right) + "," + std::to_string(r.bottom));
  }
  void ResetDrawContext() override { Add("reset"); }
  void NotifyImageResized() override { Add("resized"); }
  void ShowNewImage() override { Add("new image"); }

 private:
  void Add(const std::string& s) { log_->push_back(name_ + ": " + s); }
  Log* log_;
  std::string name_;
};

// A window of the render queue showing the whole image.
class WholeImageQueueView : public RenderQueueView {
 public:
  bool IsLive() const override { return true; }
  RECT GetVisibleImageRect() override { return RECT{0, 0, 100000, 100000}; }
  bool GetPointerImagePos(POINT*, bool) override { return false; }
  void OnCellDone(const RECT&) override {}
  void OnCellDoneNow(const RECT&) override {}
};

constexpr int kW = 300;
constexpr int kH = 200;

// A document of a blank image with a second layer on top (active).
class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreationRecord record{2, kW, kH, 0x00480048u, 0xFFFFFFu};
    ASSERT_EQ(doc.NewImage(record), 1);
    WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 100, 50, nullptr));
    ASSERT_EQ(doc.GetLayers()->AddLayerFromImage(image.get(), POINT{10, 20}, 1), 0);
    doc.AddView(&other);
    doc.AddView(&active);
    doc.SetActiveView(&active);
    doc.Queue().AddView(&queueView);
    log.clear();
  }
  void TearDown() override {
    doc.Queue().StopThread();
    doc.Queue().RemoveView(&queueView);
  }

  CLayer* Layer(int i) { return doc.GetLayers()->GetLayer(i); }
  // Paints one pixel of the active layer (picture coordinates of the layer).
  void Paint(int x, int y, std::uint8_t value) {
    WAPtr image = doc.GetActiveImage();
    image->Row(image->GetH() - 1 - y)[x * 3] = value;
  }
  std::uint8_t Pixel(int x, int y) {
    WAPtr image = doc.GetActiveImage();
    return image->Row(image->GetH() - 1 - y)[x * 3];
  }
  void WaitIdle() {
    for (int i = 0; i < 2000 && !(doc.Queue().IsIdle() && doc.Queue().RenderList().empty()); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  Log log;
  RecordingHost host{&log};
  WholeImageQueueView queueView;
  ImageDocument doc{&host};
  RecordingView active{&log, "active"};
  RecordingView other{&log, "other"};
};

TEST(MakeNameFromTitleTest, CutsAtBlankOrParenthesisAndDropsFirstDot) {
  struct Case {
    std::string title;
    bool ok;
    std::string name;
  } cases[] = {{"photo.jpg (2)", true, "photojpg"},
               {"UNTITLED.1", true, "UNTITLED1"},
               {"plain", true, "plain"},
               {"a.b.c", true, "ab.c"},
               {"(x)", true, ""},
               {"", false, ""}};
  for (const Case& c : cases) {
    std::string name;
    EXPECT_EQ(MakeNameFromTitle(&name, c.title), c.ok) << c.title;
    EXPECT_EQ(name, c.name) << c.title;
  }
}

TEST(DocumentCreationTest, KindsAndBadRecords) {
  Log log;
  RecordingHost host(&log);
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 7, 5, nullptr));
  CLayersManagerPtr ready = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType24, nullptr, 9, 4, 0x00480048u, 0x0000FFu, 0));
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{3, 3}, 0, nullptr, 0));
  const char* title = "From a tool";
  struct Case {
    CreationRecord record;
    int result;
    int width;
    std::string box;
  } cases[] = {
      {{0, reinterpret_cast<std::uintptr_t>(image.get()), reinterpret_cast<std::uintptr_t>(title)},
       1, 7, ""},
      {{2, 12, 8, 0x00480048u, 0xFF0000u}, 1, 12, ""},
      {{3, 0, reinterpret_cast<std::uintptr_t>(ready.get())}, 1, 9, ""},
      {{4, reinterpret_cast<std::uintptr_t>(layer.get())}, 1, 7, ""},
      {{1}, 0, 0, ""},
      {{5}, 0, 0, ""},
      {{0, 0}, 0, 0, ""},
      {{3, 0, 0}, 0, 0, "box 10067 369"},
      {{4, 0}, 0, 0, "box 10067 369"},
      {{2, 0, 8}, 0, 0, "box 10067 369"},
  };
  for (const Case& c : cases) {
    log.clear();
    ImageDocument doc(&host);
    EXPECT_EQ(doc.NewImage(c.record), c.result) << c.record.kind;
    EXPECT_EQ(doc.HasImage(), c.result == 1);
    if (c.result == 1) {
      EXPECT_EQ(doc.GetLayers()->GetWidth(), c.width);
      EXPECT_EQ(doc.GetLayers()->GetDocument(), &doc);
      EXPECT_TRUE(doc.IsChangePending());
    }
    EXPECT_EQ(log.empty() ? "" : log.back(), c.box) << c.record.kind;
    if (c.record.kind == 0 && c.result == 1) {
      EXPECT_EQ(doc.GetNewImageTitle(), title);
    }
  }
  // The ready stack was taken with a reference of the document's, now gone.
  EXPECT_EQ(ready->GetRefCount(), 1);
}

TEST(DocumentCreationTest, InstalledLayersGetUniqueNames) {
  Log log;
  RecordingHost host(&log);
  CLayersManagerPtr stack = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType24, nullptr, 20, 20, 0, 0xFFFFFFu, 0));
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 5, 5, nullptr));
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(stack->AddLayerFromImage(image.get(), POINT{0, 0}, 0), 0);
    LAYER_INFO info = stack->GetLayer(i + 1)->GetLayerInfo();
    info.name = "Same";
    stack->GetLayer(i + 1)->SetLayerInfo(info);
  }
  ImageDocument doc(&host);
  ASSERT_EQ(doc.NewImage({3, 0, reinterpret_cast<std::uintptr_t>(stack.get())}), 1);
  EXPECT_NE(stack->GetLayer(1)->GetLayerInfo().name, stack->GetLayer(2)->GetLayerInfo().name);
  // A second installation is refused.
  EXPECT_EQ(doc.InstallLayerStack(stack.get()), 0);
}

TEST_F(DocumentTest, SetActiveLayerSendsItsNoticesInOrder) {
  doc.SetActiveLayer(Layer(0), false, false);
  EXPECT_EQ(log, (Log{"1242 0 1", "palette row", "palette select", "text", "tool", "1242 1 0",
                      "active: resized", "other: resized", "colours"}));
  log.clear();
  doc.SetActiveLayer(Layer(0), false, false);
  EXPECT_TRUE(log.empty());
  host.shows = false;
  doc.SetActiveLayer(Layer(1), false, true);
  EXPECT_EQ(log, (Log{"palette row", "colours"}));
}

TEST_F(DocumentTest, ImmediateRefreshRecomposesAndInvalidatesActiveViewFirst) {
  const RECT r = MakeRect(1, 2, 30, 40);
  EXPECT_EQ(doc.InvalidateImageRect(&r, false, true), 1);
  EXPECT_EQ(log, (Log{"active: invalidate 1,2,30,40", "other: invalidate 1,2,30,40"}));
  EXPECT_TRUE(doc.Queue().RenderList().empty());
  // The pending notice goes out once, posted, active view first.
  doc.PostPendingNotify();
  doc.PostPendingNotify();
  EXPECT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2], "active: post 1245 8");
  EXPECT_EQ(log[3], "other: post 1245 8");
}

TEST_F(DocumentTest, QueuedRefreshFeedsTheWorkerAndPostsOneMessageWhenDry) {
  doc.Queue().StopThread();
  const RECT r = MakeRect(0, 0, 260, 10);
  EXPECT_EQ(doc.InvalidateImageRect(&r, false, false), 1);
  EXPECT_TRUE(log.empty());
  WaitIdle();
  EXPECT_GE(host.queueEmptyPosts.load(), 1);
  // The posted message does the work on this thread.
  doc.OnQueueEmptyPosted();
  EXPECT_EQ(log, (Log{"palette row", "navigator", "active: post 1245 8", "other: post 1245 8"}));
  doc.SetClosing(true);
  EXPECT_EQ(doc.InvalidateImageRect(&r, false, false), 0);
}

TEST_F(DocumentTest, SelectionStepsAndNotices) {
  LURECT lr{0, 0, 10, 10};
  Fragment* f = CreateRectFrg(&lr, 0);
  doc.SetSelection(f, true);
  EXPECT_EQ(doc.History().UndoCount(), 1);
  EXPECT_EQ(doc.HistoryState().name, "Set Selection");
  EXPECT_EQ(log, (Log{"smooth", "active: 1245 4 sel", "other: 1245 4 sel"}));
  log.clear();
  doc.SetSelection(f, true);  // the same fragment: nothing
  EXPECT_TRUE(log.empty());
  doc.FreeSelection(true);
  EXPECT_EQ(doc.History().UndoCount(), 2);
  EXPECT_EQ(doc.HistoryState().name, "Free Selection");
  EXPECT_EQ(log, (Log{"active: 1245 6", "other: 1245 6"}));
  log.clear();
  doc.FreeSelection(true);  // no selection: the notice, no step
  EXPECT_EQ(doc.History().UndoCount(), 2);
  EXPECT_EQ(log, (Log{"active: 1245 6", "other: 1245 6"}));
  // A mask gets no smoothing; the whole-image fragment does, as any shape.
  log.clear();
  WAPtr maskImage = WAPtr::Adopt(NewWA(kWAType8Grey, 4, 4, nullptr));
  Fragment* mask = CreateMaskUsingWA(maskImage.get(), 0, 0);
  ASSERT_NE(mask, nullptr);
  doc.SetSelection(mask, false);
  EXPECT_EQ(log.front(), "active: 1245 4 sel");
  log.clear();
  Fragment* whole = CreateEmptyFrg(1);
  doc.SetSelection(whole, false);
  EXPECT_EQ(log.front(), "smooth");
  DeleteFragment(mask);
  // Undo brings the freed selection back, then the set one.
  doc.SetSelection(nullptr, false);
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(doc.GetSelection(), f);
  DeleteFragment(f);
  DeleteFragment(whole);
}

TEST_F(DocumentTest, BackupCopiesOnlyTheDamagedPartWhileItMatches) {
  ASSERT_TRUE(doc.BackupImageByName("Brush"));
  EXPECT_EQ(host.wholeCopies, 1);
  EXPECT_EQ(doc.LastBackupBytes(), 100u * 3 * 50);  // rows padded to 4 bytes: 300 a row
  Paint(5, 5, 77);  // buffer row 44 of the layer
  // Damage in image coordinates, rows counted upward as the buffer's: the
  // layer lies at (10, 20).
  const RECT r = MakeRect(14, 62, 18, 66);
  doc.InvalidateImageRect(&r, false, true);
  ASSERT_TRUE(doc.BackupImageByName("Brush"));
  EXPECT_EQ(host.wholeCopies, 1);
  EXPECT_EQ(doc.LastBackupBytes(), 4u * 4 * 3);
  WAPtr floating = doc.GetFloatingImage();
  EXPECT_EQ(floating->Row(floating->GetH() - 1 - 5)[15], 77);
  // A step without pixels leaves the copies and the damage alone.
  doc.InvalidateImageRect(&r, false, true);
  doc.SetSelection(nullptr, true);
  EXPECT_FALSE(RectIsEmpty(doc.DamagedRect()));
}

std::vector<std::uint8_t> Bytes(const VrWA2000::WA& image) {
  return std::vector<std::uint8_t>(image.Bits(), image.Bits() + static_cast<std::size_t>(image.GetBPLine()) * image.GetH());
}

// The damage a brush step refreshes counts rows as the layer's buffer does:
// the next step's backup copy takes exactly those rows, so it equals the
// layer as the step found it, and undoing the step gives that back.
TEST_F(DocumentTest, BrushDamageKeepsTheBackupCopyExactThroughUndo) {
  SeededBrushRandom random(7);
  paint::CPaintBrush brush(paint::kCmdPaintBrush, 5, random);
  brush.SetColours(RGB(255, 255, 255), RGB(0, 0, 0));
  testing::DocumentStroke stroke(doc);
  // Near the layer's top row (the layer covers rows 20..69), then near its
  // bottom row: the two places a flip would swap.
  ASSERT_TRUE(brush.ButtonDown(&stroke, 60, 66));
  brush.ButtonUp();
  ASSERT_TRUE(stroke.stepOpened);
  const std::vector<std::uint8_t> afterFirst = Bytes(*doc.GetActiveImage());
  ASSERT_FALSE(afterFirst == std::vector<std::uint8_t>(afterFirst.size(), 0)) << "the first stroke painted";
  ASSERT_TRUE(brush.ButtonDown(&stroke, 30, 23));
  brush.ButtonUp();
  EXPECT_LT(doc.LastBackupBytes(), 100u * 3 * 50) << "only the damage was copied";
  EXPECT_TRUE(Bytes(*doc.GetFloatingImage()) == afterFirst);
  ASSERT_FALSE(Bytes(*doc.GetActiveImage()) == afterFirst);
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_TRUE(Bytes(*doc.GetActiveImage()) == afterFirst);
}

TEST_F(DocumentTest, LayerSwitchMakesTheNextStepCopyTheNewLayerWhole) {
  // A second layer of the same size and type, so the old copy would match.
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 100, 50, nullptr));
  ASSERT_EQ(doc.GetLayers()->AddLayerFromImage(image.get(), POINT{10, 20}, 0), 0);
  Paint(1, 1, 9);
  ASSERT_TRUE(doc.BackupImageByName("Brush"));
  doc.SetActiveLayer(Layer(2), false, true);
  EXPECT_FALSE(doc.IsCompositeCurrent());
  const RECT r = MakeRect(10, 20, 12, 22);
  doc.InvalidateImageRect(&r, false, true);
  ASSERT_TRUE(doc.BackupImageByName("Brush"));
  EXPECT_EQ(host.wholeCopies, 2);
  WAPtr floating = doc.GetFloatingImage();
  EXPECT_EQ(floating->Row(floating->GetH() - 1 - 1)[3], 0);  // the new layer's pixel
  // Mask-edit toggles clear it as well.
  ASSERT_TRUE(doc.BackupImageByName("Brush"));
  WAPtr mask = WAPtr::Adopt(NewWA(kWAType8Grey, 100, 50, nullptr));
  ASSERT_EQ(Layer(2)->SetMask(mask.get()), 0);
  Layer(2)->SetEditMask(1);
  doc.SetActiveLayer(Layer(2), true, true);
  EXPECT_TRUE(doc.IsMaskEditMode());
  EXPECT_FALSE(doc.IsCompositeCurrent());
}

TEST_F(DocumentTest, BufferExchangesRestartTheWorker) {
  WAPtr fits = WAPtr::Adopt(NewWA(kWAType24, 100, 50, nullptr));
  WAPtr grey = WAPtr::Adopt(NewWA(kWAType8Grey, 100, 50, nullptr));
  EXPECT_EQ(doc.SetLayerImageAt(fits.get(), 2), 0);  // no such layer
  EXPECT_EQ(doc.SetLayerImageAt(nullptr, 1), 0);
  // Pieces listed when the worker is stopped for the exchange are still
  // composited afterwards.
  doc.InvalidateImageRect(nullptr, false, false);
  EXPECT_EQ(doc.SetLayerMaskAt(grey.get(), 1), 1);
  EXPECT_EQ(Layer(1)->GetMask().get(), grey.get());
  WaitIdle();
  EXPECT_TRUE(doc.Queue().RenderList().empty());
  // The active image: the layer refreshed, the backup copies dropped.
  ASSERT_TRUE(doc.BackupImageByName("Brush"));
  log.clear();
  EXPECT_EQ(doc.SetActiveImage(fits.get()), 1);
  EXPECT_EQ(doc.GetActiveImage().get(), fits.get());
  EXPECT_FALSE(doc.IsCompositeCurrent());
  EXPECT_EQ(log.front(), "palette");
  EXPECT_TRUE(doc.IsModified());
  WaitIdle();
  EXPECT_TRUE(doc.Queue().RenderList().empty());
}

TEST_F(DocumentTest, SetImageSizeGivesStackAndQueueTheSizeAndComposites) {
  EXPECT_EQ(doc.SetImageSize(0, 10, 0, 0), 0);
  EXPECT_EQ(doc.GetLayers()->GetWidth(), kW);
  ASSERT_EQ(doc.SetImageSize(kW * 2, kH + 1, 0, 0), 1);
  EXPECT_EQ(doc.GetLayers()->GetWidth(), kW * 2);
  EXPECT_EQ(doc.GetLayers()->GetHeight(), kH + 1);
  EXPECT_EQ(doc.GetLayers()->GetCompositeImage()->GetW(), kW * 2);
  // The emptied queue recomposes the whole new image on its worker.
  WaitIdle();
  EXPECT_TRUE(doc.Queue().RenderList().empty());
  EXPECT_GT(host.queueEmptyPosts.load(), 0);

  ImageDocument empty{&host};
  EXPECT_EQ(empty.SetImageSize(10, 10, 0, 0), 0);
}

TEST_F(DocumentTest, FailedHostCopyFailsTheStep) {
  host.failCopy = 44;
  EXPECT_FALSE(doc.BackupImageByName("Brush"));
  EXPECT_EQ(log.back(), "error 44");
  EXPECT_EQ(doc.History().UndoCount(), 0);
}

TEST_F(DocumentTest, UndoRedoAndRevertRestorePixelsWithARealWorker) {
  ASSERT_TRUE(doc.BackupImageByName("One"));
  Paint(3, 3, 10);
  doc.InvalidateImageRect(nullptr, false, false);
  ASSERT_TRUE(doc.BackupImageByName("Two"));
  Paint(3, 3, 20);
  doc.InvalidateImageRect(nullptr, false, false);
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(Pixel(3, 3), 10);
  EXPECT_EQ(doc.HistoryState().name, "One");
  ASSERT_TRUE(doc.UndoRedo(true));
  EXPECT_EQ(Pixel(3, 3), 20);
  EXPECT_EQ(doc.HistoryState().name, "Two");
  // A step that fails after opening is taken back: no redo item, and the
  // queue gets its worker back and runs dry.
  ASSERT_TRUE(doc.BackupImageByName("Three"));
  Paint(3, 3, 30);
  log.clear();
  host.queueEmptyPosts = 0;
  ASSERT_TRUE(doc.RevertLastBackup());
  EXPECT_EQ(Pixel(3, 3), 20);
  EXPECT_EQ(doc.HistoryState().name, "Two");
  EXPECT_EQ(doc.History().RedoCount(), 0);
  EXPECT_FALSE(doc.IsCompositeCurrent());
  EXPECT_FALSE(doc.GetFloatingImage());
  WaitIdle();
  EXPECT_TRUE(doc.Queue().RenderList().empty());
  EXPECT_GE(host.queueEmptyPosts.load(), 1);
  // Undo with nothing to take back changes nothing.
  doc.History().Clear();
  EXPECT_FALSE(doc.UndoRedo(false));
  EXPECT_FALSE(doc.RevertLastBackup());
}

TEST_F(DocumentTest, FailedReplacementLeavesEverythingAsItWas) {
  ASSERT_TRUE(doc.BackupImageByName("One"));
  doc.SetModifiedFlag(true);
  CLayersManager* before = doc.GetLayers();
  // A stack already installed elsewhere is refused by nothing, so force a
  // failure with a null stack and with a document without image.
  EXPECT_EQ(doc.ReplaceLayerStack(nullptr), 0);
  EXPECT_EQ(doc.GetLayers(), before);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.History().UndoCount(), 1);
  CLayersManagerPtr fresh = CLayersManagerPtr::Adopt(
      new CLayersManager(kWAType24, nullptr, 40, 30, 0, 0xFFFFFFu, 0));
  EXPECT_EQ(doc.ReplaceLayerStack(fresh.get()), 1);
  EXPECT_EQ(doc.GetLayers(), fresh.get());
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.History().UndoCount(), 0);
  EXPECT_EQ(doc.HistoryState().name, "Initial image");
}

// The settings' undo limit holds for a document from the start, and a new
// limit trims every live document's history and frees what it held.
TEST(UndoLimitTest, SettingsLimitTrimsEveryDocumentsHistory) {
  struct Restore {
    ~Restore() { SetUndoLimit(UndoLimit{}); }
  } restore;
  testing::NullDocumentHost host;
  auto sixtySteps = [](ImageDocument& doc) {
    for (int i = 0; i < 60; ++i) {
      ASSERT_TRUE(doc.BackupImageByName("Paint"));
      WAPtr image = doc.GetActiveImage();
      image->Row(0)[0] = static_cast<std::uint8_t>(i + 1);
    }
  };
  const CreationRecord record{2, 400, 300, 0x00480048u, 0xFFFFFFu};
  {
    ImageDocument limited(&host);
    ASSERT_EQ(limited.NewImage(record), 1);
    sixtySteps(limited);
    EXPECT_EQ(limited.History().UndoCount(), 10) << "the default limit applies from the start";
  }
  SetUndoLimit(UndoLimit{10, 0});
  ImageDocument doc(&host);
  ASSERT_EQ(doc.NewImage(record), 1);
  sixtySteps(doc);
  EXPECT_EQ(doc.History().UndoCount(), 60) << "no limit while LimitBackup is 0";
  const std::uint64_t before = VrWA2000::WA::MM_BytesInUse();
  SetUndoLimit(UndoLimit{10, 1});
  EXPECT_EQ(doc.History().UndoCount(), 10);
  const std::uint64_t layerBytes = 400u * 3 * 300;
  EXPECT_LE(VrWA2000::WA::MM_BytesInUse() + 45 * layerBytes, before) << "fifty copies of the layer freed";
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(doc.GetActiveImage()->Row(0)[0], 59);
}

}  // namespace
}  // namespace lumora
