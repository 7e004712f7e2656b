// The image view under Wine in the framework's MDI frame with the image
// document's template: files written by ag-psd and ImageMagick open 1:1 or
// at the even reduction, their window pixels (read back with PrintWindow)
// match the engine's composite and the draw context's own drawing, damage
// repaints only its cells, redraw notices and selection-edge messages are
// coalesced, the tools see the view notices, and MDI activation runs the
// views' activation work once per change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/CommandIds.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/support/win/pump_messages.h"
#include "tests/support/win/window_pixels.h"
#include "engine/render/ViewMessages.h"
#include "view/ViewZoom.h"
#include "view/win/AppActivation.h"
#include "view/win/ChildFrame.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"
#include "view/win/ViewSite.h"
#include "engine/render/CellGrid.h"

namespace lumora {
namespace {

using lumora::testing::Capture;
using lumora::testing::CaptureClient;
using lumora::testing::CaptureDc;
using lumora::testing::CompositePixel;
using lumora::testing::PumpPending;

class TestApp : public fw::App {
 public:
  TestApp() : fw::App("Lumora View Test") {}
  int DoMessageBox(const std::string& text, UINT, std::uint32_t) override {
    boxes.push_back(text);
    return IDCANCEL;
  }
  std::vector<std::string> boxes;
};

std::string Made(const char* name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

// Runs messages until `done` holds: the render worker posts its pieces,
// so the test waits for the queue to be idle with nothing left to handle.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000) {
  const DWORD start = GetTickCount();
  for (;;) {
    PumpPending();
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

bool NothingQueued() {
  MSG msg;
  return !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

std::uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// Records the notices (1245) and activation messages (1244) the tools see.
struct HookLog {
  std::vector<std::pair<std::uint32_t, std::uintptr_t>> seen;
  static int Proc(void*, const LU_MSG* msg, void* context, std::intptr_t*) {
    if (msg->message == kMsgDocumentNotice || msg->message == kMsgViewActivation) {
      static_cast<HookLog*>(context)->seen.emplace_back(msg->message, msg->wParam);
    }
    return kLUHookPass;
  }
  std::vector<std::uintptr_t> Codes(std::uint32_t message) const {
    std::vector<std::uintptr_t> codes;
    for (const auto& [m, w] : seen) {
      if (m == message) codes.push_back(w);
    }
    return codes;
  }
};

class ImageViewWin : public ::testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TestApp>();
    auto manager = std::make_unique<CLumo40DocManager>();
    docs = manager.get();
    app->SetDocManager(std::move(manager));
    app->AddDocTemplate(new CLumo40DocTemplate(IDR_IMAGE_DOC, &CLumo40Doc::kRuntimeClass,
                                               &CChildFrame::kRuntimeClass, &CLumo40View::kRuntimeClass));
    frame = new fw::MdiFrame;
    app->SetMainWindow(frame);
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, nullptr));
    SetWindowPos(frame->Handle(), nullptr, 0, 0, 1024, 768, SWP_NOZORDER);
    ShowWindow(frame->Handle(), SW_SHOW);
    SetForegroundWindow(frame->Handle());
    PumpPending();
    const LU_HOOK hook{&HookLog::Proc, &log, static_cast<std::uint16_t>(kLUPassView), 0};
    hookId = LUSetLUHook(nullptr, &hook);
  }

  void TearDown() override {
    LURemoveLUHook(nullptr, hookId);
    if (app->MainWindow() != nullptr) {
      app->CloseAllDocuments(true);
      app->MainWindow()->DestroyWindow();
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (ActivationEntry* mdi = TheActivationList().MdiArea()) TheActivationList().Remove(mdi);
    app.reset();
  }

  CLumo40Doc* Open(const char* name) {
    auto* doc = dynamic_cast<CLumo40Doc*>(docs->OpenDocumentFile(Made(name)));
    EXPECT_NE(doc, nullptr) << name;
    if (doc != nullptr) Settle(doc);
    return doc;
  }

  static CLumo40View* ViewOf(CLumo40Doc* doc) {
    return doc != nullptr && !doc->Views().empty() ? dynamic_cast<CLumo40View*>(doc->Views().front()) : nullptr;
  }

  // Every piece composited and announced, every message handled.
  static void Settle(CLumo40Doc* doc) {
    ASSERT_TRUE(PumpUntil([&] {
      CMapRect& q = doc->Image().Queue();
      return q.IsIdle() && q.RenderList().empty() && NothingQueued();
    }));
  }

  std::unique_ptr<TestApp> app;
  CLumo40DocManager* docs = nullptr;
  fw::MdiFrame* frame = nullptr;
  HookLog log;
  std::uint32_t hookId = 0;
};

// The window pixels over the image equal the composite, pixel by pixel.
void ExpectImagePixels(CLumo40View* view, const Capture& shot, const VrWA2000::WA& composite) {
  const VRXFORM map = view->Mapping();
  int mismatches = 0;
  for (int row = 0; row < composite.GetH(); row += 3) {
    for (int x = 0; x < composite.GetW(); x += 3) {
      POINT p{x, row};
      map.RevXForm(&p, kXFPixels);
      if (p.x < 0 || p.y < 0 || p.x >= shot.width || p.y >= shot.height) continue;
      if (shot.At(p.x, p.y) != CompositePixel(composite, x, row) && ++mismatches < 5) {
        ADD_FAILURE() << "image pixel " << x << "," << row << " at window " << p.x << "," << p.y << ": "
                      << std::hex << shot.At(p.x, p.y) << " for " << CompositePixel(composite, x, row);
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(ImageViewWin, SmallImagesShowOneToOneCentredWithTheMarginAndFrames) {
  for (const char* name : {"small.psd", "magick.psd"}) {
    SCOPED_TRACE(name);
    // The next frame goes where the placement says.
    CChildFrame::placement = RECT{12, 8, 412, 308};
    CLumo40Doc* doc = Open(name);
    CChildFrame::placement = RECT{0, 0, 0, 0};
    CLumo40View* view = ViewOf(doc);
    ASSERT_NE(view, nullptr);
    RECT placed{};
    GetWindowRect(view->GetParentFrame()->Handle(), &placed);
    MapWindowPoints(nullptr, frame->MdiClient(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 12);
    EXPECT_EQ(placed.top, 8);
    char close[64] = {};
    GetMenuStringA(GetSystemMenu(view->GetParentFrame()->Handle(), FALSE), SC_CLOSE, close, sizeof(close), MF_BYCOMMAND);
    EXPECT_STREQ(close, "&Close\tCtrl+F4");
    EXPECT_TRUE(IsImageViewWnd(view->Handle()));
    EXPECT_EQ(GetViewFromWnd(view->Handle()), view);
    EXPECT_EQ(GetDocFromWnd(view->Handle()), doc);
    EXPECT_EQ(GetViewImageWA(view->Handle()), doc->Image().GetActiveImage().get());
    EXPECT_EQ(GetViewImageWA(frame->Handle()), nullptr);
    EXPECT_EQ(view->Zoom().x.ImagePerWindowUnit(), 1.0);
    // The frame was fitted to the image: the client area is the image.
    RECT client{};
    GetClientRect(view->Handle(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);

    // A larger frame centres the image.
    HWND frameWindow = view->GetParentFrame()->Handle();
    SetWindowPos(frameWindow, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
    Settle(doc);
    GetClientRect(view->Handle(), &client);
    const POINT device = view->GetDeviceScrollPosition();
    EXPECT_EQ(device.x, -(client.right - 300) / 2);
    EXPECT_EQ(device.y, -(client.bottom - 200) / 2);
    const RECT image = view->Mapping().ImageWindowRect();
    EXPECT_EQ(image.left, (client.right - 300) / 2);
    EXPECT_EQ(image.top, (client.bottom - 200) / 2);

    const Capture shot = CaptureClient(view->Handle());
    WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
    ExpectImagePixels(view, shot, *composite);
    const int midY = (image.top + image.bottom) / 2, midX = (image.left + image.right) / 2;
    EXPECT_EQ(shot.At(image.left - 1, midY), 0x000000u);
    EXPECT_EQ(shot.At(image.left - 2, midY), 0xFFFFFFu);
    EXPECT_EQ(shot.At(image.right, midY), 0x000000u);
    EXPECT_EQ(shot.At(midX, image.bottom + 1), 0xFFFFFFu);
    EXPECT_EQ(shot.At(2, 2), Rgb(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(shot.At(client.right - 3, client.bottom - 3), Rgb(GetSysColor(COLOR_BTNFACE)));
    doc->OnCloseDocument();
    PumpPending();
  }
}

TEST_F(ImageViewWin, BigImageOpensAtTheEvenReductionDrawnAsItsDrawContextDrawsIt) {
  HWND area = frame->MdiClient();
  RECT areaClient{};
  GetClientRect(area, &areaClient);
  CLumo40Doc* doc = Open("big.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(doc->Image().GetLayers()->GetLayerCount(), 10);
  // The window the whole image needs, against the MDI area.
  RECT needed{0, 0, 4000, 3000};
  AdjustWindowRectEx(&needed, WS_CHILD | WS_VISIBLE, FALSE, WS_EX_CLIENTEDGE);
  const int f = EvenReduction(needed.right - needed.left, needed.bottom - needed.top, areaClient.right,
                              areaClient.bottom);
  EXPECT_EQ(f % 2, 0);
  EXPECT_GE(f, 4);
  EXPECT_TRUE(view->Zoom().x.SameRatio(ReductionFactors(4000, 3000, f).x));
  EXPECT_TRUE(view->Zoom().y.SameRatio(ReductionFactors(4000, 3000, f).y));

  // The title: name, size, zoom, active layer.
  char title[256] = {};
  GetWindowTextA(view->GetParentFrame()->Handle(), title, sizeof(title));
  const std::string layer = doc->Image().GetActiveLayer()->GetLayerInfo().name;
  EXPECT_EQ(std::string(title), "big.psd (4000x3000) " + std::to_string(ZoomPercent(f)) + "% [" + layer + "]");

  // The caption is set again only when it changes.
  auto* child = dynamic_cast<CChildFrame*>(view->GetParentFrame());
  ASSERT_NE(child, nullptr);
  const int sets = child->titlesSet;
  child->OnUpdateFrameTitle(true);
  EXPECT_EQ(child->titlesSet, sets);
  doc->SetModifiedFlag(true);
  child->OnUpdateFrameTitle(true);
  EXPECT_EQ(child->titlesSet, sets + 1);
  EXPECT_EQ(child->GetText(), "big.psd* (4000x3000) " + std::to_string(ZoomPercent(f)) + "% [" + layer + "]");

  // Its own drawing of the composite at the view's mapping, in a memory DC.
  const Capture shot = CaptureClient(view->Handle());
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  WAPtr coverage = doc->Image().GetLayers()->GetCompositeMask();
  std::unique_ptr<VR_DRAWCONTEXT> own(WACreateDrawContext(composite.get(), nullptr));
  own->SetCoverage(coverage.get());
  const VRXFORM map = view->Mapping();
  own->SetMapping(map.FactorX(), map.FactorY());
  const Capture expected = CaptureDc(shot.width, shot.height, [&](HDC dc) {
    own->Draw(dc, nullptr, nullptr, FALSE, FALSE, nullptr);
  });
  RECT image = map.ImageWindowRect();
  int mismatches = 0;
  for (int y = std::max<LONG>(0, image.top); y < std::min<LONG>(shot.height, image.bottom); ++y) {
    for (int x = std::max<LONG>(0, image.left); x < std::min<LONG>(shot.width, image.right); ++x) {
      if (shot.At(x, y) != expected.At(x, y)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(ImageViewWin, ALayerChangeRepaintsOnlyItsCellAndUndoRedoTakeItBackAndForth) {
  CLumo40Doc* doc = Open("big.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  // 1:1 over part of the image: the hidden cells wait until they are shown.
  view->InitNewView(false);
  doc->Image().InvalidateImageRect(nullptr, false, false);
  Settle(doc);
  EXPECT_EQ(view->Zoom().x.ImagePerWindowUnit(), 1.0);
  CMapRect& queue = doc->Image().Queue();
  // The pixels still waiting; the number of pieces says little, as the
  // view's edges cut the cells they cross into bands.
  auto deferredArea = [&] {
    std::int64_t area = 0;
    for (const MapRectCell& piece : queue.DeferredList()) {
      area += std::int64_t{piece.rect.right - piece.rect.left} * (piece.rect.bottom - piece.rect.top);
    }
    return area;
  };
  const std::int64_t hidden = deferredArea();
  EXPECT_GT(hidden, 0);
  const RECT visible = view->GetVisibleImageRect();
  view->ScrollToDevicePosition(POINT{1500, 1000});
  Settle(doc);
  EXPECT_LT(deferredArea(), hidden);
  const RECT scrolledTo = view->GetVisibleImageRect();
  for (const MapRectCell& piece : queue.DeferredList()) {
    RECT meet;
    EXPECT_FALSE(IntersectRect(&meet, &piece.rect, &scrolledTo)) << "a shown piece still waits";
  }
  view->ScrollToDevicePosition(POINT{0, 0});
  Settle(doc);
  EXPECT_TRUE(view->GetVisibleImageRect().right == visible.right);

  // One undoable change inside one visible cell.
  const RECT shown = view->GetVisibleImageRect();
  const RECT change{shown.left + 10, shown.top + 10, shown.left + 30, shown.top + 20};
  const CLumo40View::Counters before = view->Counts();
  ASSERT_TRUE(doc->Image().BackupImageByName("Fill"));
  CLayer* layer = doc->Image().GetLayers()->GetLayer(0);
  {
    doc->Image().Lock();
    WAPtr pixels = layer->GetImage();
    for (LONG row = change.top; row < change.bottom; ++row) {
      std::uint8_t* p = pixels->Row(row) + change.left * 3;
      for (LONG x = change.left; x < change.right; ++x, p += 3) p[0] = p[1] = p[2] = 0x20;
    }
    doc->Image().Unlock();
  }
  doc->Image().InvalidateImageRect(&change, false, false);
  doc->Image().SetModifiedFlag(true);
  Settle(doc);
  EXPECT_EQ(view->Counts().cellsAnnounced - before.cellsAnnounced, 1);
  EXPECT_GE(view->Counts().paints - before.paints, 1);
  EXPECT_LE(view->Counts().paints - before.paints, 2);
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  auto pixelAt = [&](const Capture& shot) {
    POINT p{change.left + 5, change.top + 5};
    view->Mapping().RevXForm(&p, kXFPixels);
    return shot.At(p.x, p.y);
  };
  EXPECT_EQ(CompositePixel(*composite, change.left + 5, change.top + 5), 0x202020u);
  EXPECT_EQ(pixelAt(CaptureClient(view->Handle())), 0x202020u);

  fw::SendCommand(frame->Handle(), fw::kIdEditUndo);
  Settle(doc);
  const std::uint32_t original = pixelAt(CaptureClient(view->Handle()));
  EXPECT_NE(original, 0x202020u);
  EXPECT_EQ(original, CompositePixel(*doc->Image().GetLayers()->GetCompositeImage(), change.left + 5, change.top + 5));
  fw::SendCommand(frame->Handle(), fw::kIdEditRedo);
  Settle(doc);
  EXPECT_EQ(pixelAt(CaptureClient(view->Handle())), 0x202020u);
}

TEST_F(ImageViewWin, TheScrollBaseStopsAtItsEndsAndSetsItsSizesQuietly) {
  CLumo40Doc* doc = Open("big.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  HWND window = view->Handle();
  // Fitted: no bars, so no scrolling either way.
  EXPECT_FALSE(view->OnScrollBy(SIZE{40, 40}));
  view->InitNewView(false);
  Settle(doc);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  ASSERT_TRUE((style & WS_HSCROLL) && (style & WS_VSCROLL));
  // Setting the same sizes again updates the bars and invalidates nothing.
  ValidateRect(window, nullptr);
  view->SetScrollSizes(view->GetTotalSize());
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  // Before the start nothing moves; past the end it stops at the limit.
  EXPECT_FALSE(view->OnScrollBy(SIZE{-50, -50}));
  EXPECT_TRUE(view->OnScrollBy(SIZE{100000, 100000}));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(view->GetDeviceScrollPosition().x, 4000 - client.right);
  EXPECT_EQ(view->GetDeviceScrollPosition().y, 3000 - client.bottom);
  EXPECT_FALSE(view->OnScrollBy(SIZE{1, 1}));
  // A line up through the bar's message; the draw context follows.
  SendMessageA(window, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_LT(view->GetDeviceScrollPosition().y, 3000 - client.bottom);
  EXPECT_EQ(view->Mapping().FactorY().Shift(), -view->GetDeviceScrollPosition().y);
  Settle(doc);
  // The bottom-right corner of the image is shown: its pixels are there.
  const Capture shot = CaptureClient(window);
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  ExpectImagePixels(view, shot, *composite);
}

// The 2999 messages a view receives, in order, as the tools see them, each
// with the window rectangle of the paint it caused (the view updates its
// window at once, so that paint follows before the next message).
struct CellLog {
  HWND view = nullptr;
  std::vector<RECT> cells;
  std::vector<RECT> paints;  // paints[i]: the update rectangle painted for cells[i]
  bool awaitingPaint = false;
  static int Proc(void*, const LU_MSG* msg, void* context, std::intptr_t*) {
    auto* log = static_cast<CellLog*>(context);
    if (msg->window != log->view) return kLUHookPass;
    if (msg->message == kMsgCellDone) {
      log->cells.push_back(UnpackCellRect(static_cast<std::uint32_t>(msg->wParam), static_cast<std::uint32_t>(msg->lParam)));
      log->paints.push_back(RECT{0, 0, 0, 0});
      log->awaitingPaint = true;
    } else if (msg->message == WM_PAINT && log->awaitingPaint) {
      GetUpdateRect(log->view, &log->paints.back(), FALSE);
      log->awaitingPaint = false;
    }
    return kLUHookPass;
  }
};

TEST_F(ImageViewWin, ThePieceUnderThePointerComesFirstThenTheVisibleRowsInTurn) {
  CLumo40Doc* doc = Open("big.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  view->InitNewView(false);
  Settle(doc);
  // The pointer over the view, inside a cell away from the first one.
  RECT client{};
  GetClientRect(view->Handle(), &client);
  const POINT atClient{client.right * 3 / 4, client.bottom * 3 / 4};
  POINT at = atClient;
  POINT image = at;
  view->Mapping().XForm(&image, kXFPixels);
  ClientToScreen(view->Handle(), &at);
  ASSERT_TRUE(SetCursorPos(at.x, at.y));
  ASSERT_EQ(doc->Image().Queue().CurrentView(), static_cast<RenderQueueView*>(view));
  CellLog cells;
  cells.view = view->Handle();
  const LU_HOOK hook{&CellLog::Proc, &cells, static_cast<std::uint16_t>(kLUPassView), 0};
  const std::uint32_t id = LUSetLUHook(nullptr, &hook);
  doc->Image().InvalidateImageRect(nullptr, false, false);
  Settle(doc);
  LURemoveLUHook(nullptr, id);
  ASSERT_GT(cells.cells.size(), 2u);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_TRUE(PtInRect(&cells.cells.front(), image))
      << image.x << "," << image.y << " first " << cells.cells.front().left << "," << cells.cells.front().top << " "
      << cells.cells.front().right << "," << cells.cells.front().bottom << " cursor " << cursor.x << "," << cursor.y
      << " wanted " << at.x << "," << at.y;
  EXPECT_TRUE(PtInRect(&cells.paints.front(), atClient));
  // Only what the view shows was composited; the rest waits.
  const RECT shown = view->GetVisibleImageRect();
  const CellGrid& grid = doc->Image().Queue().Grid();
  int lastRow = -1;
  for (std::size_t i = 1; i < cells.cells.size(); ++i) {
    RECT meet;
    EXPECT_TRUE(IntersectRect(&meet, &cells.cells[i], &shown));
    const int row = grid.IndexOf(cells.cells[i]) / grid.Columns();
    EXPECT_GE(row, lastRow);
    lastRow = row;
  }
  EXPECT_FALSE(doc->Image().Queue().DeferredList().empty());

  // On screen: after the pointer's piece the bottom row of the visible image
  // is painted first, then the rows above it in turn, up to its top row.
  const RECT imageOnScreen = view->Mapping().ImageWindowRect();
  const LONG visibleBottom = std::min(client.bottom, imageOnScreen.bottom);
  const LONG visibleTop = std::max(client.top, imageOnScreen.top);
  ASSERT_EQ(cells.paints.size(), cells.cells.size());
  for (std::size_t i = 0; i < cells.paints.size(); ++i) {
    EXPECT_FALSE(IsRectEmpty(&cells.paints[i])) << "announcement " << i << " painted nothing";
  }
  EXPECT_EQ(cells.paints[1].bottom, visibleBottom);
  EXPECT_EQ(cells.paints.back().top, visibleTop);
  for (std::size_t i = 2; i < cells.paints.size(); ++i) {
    EXPECT_LE(cells.paints[i].bottom, cells.paints[i - 1].bottom) << "paint " << i << " lies below the one before";
  }

  // What was painted is the engine's composite.
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  ExpectImagePixels(view, CaptureClient(view->Handle()), *composite);
}

// The view may keep its pointer reading between the worker's pieces: a
// fresh reading always sees where a program just put the pointer, and a
// kept one is read again after a tenth of a second at the latest.
TEST_F(ImageViewWin, FreshPointerReadingsSeeAMovedPointerAndKeptOnesExpire) {
  CLumo40Doc* doc = Open("big.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  Settle(doc);
  RECT client{};
  GetClientRect(view->Handle(), &client);
  auto imageAt = [&](POINT atClient) {
    view->Mapping().XForm(&atClient, kXFPixels);
    return atClient;
  };
  auto moveTo = [&](POINT atClient) {
    POINT screen = atClient;
    ClientToScreen(view->Handle(), &screen);
    return SetCursorPos(screen.x, screen.y) != 0;
  };
  const POINT first{client.right / 4, client.bottom / 4};
  const POINT second{client.right * 3 / 4, client.bottom * 3 / 4};
  POINT read{};
  ASSERT_TRUE(moveTo(first));
  ASSERT_TRUE(view->GetPointerImagePos(&read, true));
  EXPECT_EQ(read.x, imageAt(first).x);
  EXPECT_EQ(read.y, imageAt(first).y);
  ASSERT_TRUE(moveTo(second));
  ASSERT_TRUE(view->GetPointerImagePos(&read, true));
  EXPECT_EQ(read.x, imageAt(second).x);
  EXPECT_EQ(read.y, imageAt(second).y);
  // Outside the window: the view lies inside the program's frame, so the
  // point just left of it or above it is on the screen.
  RECT bounds{};
  GetWindowRect(view->Handle(), &bounds);
  ASSERT_TRUE(bounds.left > 0 || bounds.top > 0) << bounds.left << "," << bounds.top;
  const POINT outside = bounds.left > 0 ? POINT{bounds.left - 1, bounds.top + 10} : POINT{bounds.left + 10, bounds.top - 1};
  ASSERT_TRUE(SetCursorPos(outside.x, outside.y));
  Sleep(150);
  EXPECT_FALSE(view->GetPointerImagePos(&read, false));
  ASSERT_TRUE(moveTo(first));
  Sleep(150);
  ASSERT_TRUE(view->GetPointerImagePos(&read, false));
  EXPECT_EQ(read.x, imageAt(first).x);
  EXPECT_EQ(read.y, imageAt(first).y);
}

TEST_F(ImageViewWin, TheImageViewHookAndTheSiteEntriesServeTheView) {
  CLumo40Doc* doc = Open("small.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  HWND window = view->Handle();
  const std::uint32_t id = InstallImageViewHook();
  ASSERT_NE(id, 0u);
  // 1264 empties the region it brings, through the hook.
  HRGN region = CreateRectRgn(0, 0, 10, 10);
  EXPECT_EQ(SendMessageA(window, kMsgEmptyRegion, reinterpret_cast<WPARAM>(region), 0), 1);
  RECT box{};
  EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
  DeleteObject(region);
  // Painting still works with every message going through the hook.
  const int paints = view->Counts().paints;
  viewsite::RedrawImageWnd(window);
  EXPECT_EQ(view->Counts().paints, paints + 1);
  LURemoveLUHook(nullptr, id);

  EXPECT_TRUE(viewsite::HasDrawContext(window));
  EXPECT_EQ(viewsite::DrawContext(window), view->DrawContext());
  EXPECT_EQ(viewsite::DocOfWnd(window), doc);
  EXPECT_FALSE(viewsite::HasDrawContext(frame->Handle()));
  // Snapping to a guide at x = 40 with the guides shown.
  doc->Image().GetLayers()->Guides().push_back({40 * 32, 0});
  view->SetShowGuides(true);
  view->SetSnapToGuides(true);
  RECT rect{0, 0, 10, 10};
  POINT offset{27, 0};
  viewsite::SnapRect(window, rect, offset);
  EXPECT_EQ(offset.x, 30);  // the right edge 37 moved to 40
  // The same in window coordinates: the image fills the window 1:1.
  ASSERT_EQ(view->GetDeviceScrollPosition().x, 0);
  POINT windowOffset{28, 0};
  viewsite::SnapWindowRect(window, rect, windowOffset);
  EXPECT_EQ(windowOffset.x, 30);
  EXPECT_EQ(windowOffset.y, 0);
  // The next window showing the active image, or the floating one.
  ASSERT_NE(TheActivationList().MdiArea(), nullptr);
  WAPtr active = doc->Image().GetActiveImage();
  EXPECT_EQ(viewsite::FindNextImageWnd(active.get(), nullptr, 0), window);
  EXPECT_EQ(viewsite::FindNextImageWnd(active.get(), window, 0), nullptr);
  EXPECT_EQ(viewsite::FindNextImageWnd(active.get(), nullptr, 1), nullptr);
}

TEST_F(ImageViewWin, RedrawNoticesAndSelectionEdgeMessagesAreCoalesced) {
  CLumo40Doc* doc = Open("small.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  HWND window = view->Handle();
  ValidateRect(window, nullptr);
  const int flushes = view->Counts().flushes;
  HRGN expected = CreateRectRgn(0, 0, 0, 0);
  for (int i = 0; i < 5; ++i) {
    HRGN part = CreateRectRgn(i * 20, i * 10, i * 20 + 15, i * 10 + 8);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    view->Notifier()->Notify(part, none, FALSE);
    CombineRgn(expected, expected, part, RGN_OR);
    DeleteObject(none);
    DeleteObject(part);
  }
  // Only the notifier's messages, one by one.
  MSG msg;
  int posted = 0;
  while (PeekMessageA(&msg, window, kMsgRedrawReady, kMsgRedrawReady, PM_REMOVE)) {
    ++posted;
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(view->Counts().flushes - flushes, 1);
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(window, update, FALSE);
  EXPECT_TRUE(EqualRgn(update, expected));
  DeleteObject(update);
  DeleteObject(expected);
  PumpPending();

  const int smoothings = view->Counts().smoothings;
  for (int i = 0; i < 5; ++i) PostMessageA(window, kMsgSelectionEdges, 0, 0);
  PumpPending();
  EXPECT_EQ(view->Counts().smoothings - smoothings, 1);
}

// A draw context that records the palette requests and draws nothing.
class PaletteRecorder : public VR_DRAWCONTEXT {
 public:
  void SetMapping(const XFFACT& x, const XFFACT& y) override { mapping_.SetFactors(x, y); }
  void SetCoverage(const VrWA2000::ReadWA*) override {}
  void SetDocumentOption(std::uint32_t) override {}
  void SetGamma(const VR_GAMMAOPT&) override {}
  void SetDitherOptions(const VR_CDOPTFV&) override {}
  void InvalidateImageRect(const RECT*) override {}
  int Draw(HDC, HRGN, HWND, BOOL, BOOL, HPALETTE*) override { return 1; }
  UINT RealizePaletteForeground(HWND window) override {
    foreground.push_back(window);
    return 7;
  }
  UINT RealizePaletteBackground(HWND window) override {
    background.push_back(window);
    return 0;
  }
  void SetWindow(HWND) override {}
  void ShowGrid(BOOL) override {}
  void SetGridSettings(const VR_GRIDSETTINGS&) override {}
  void SetViewWords(std::int32_t, std::int32_t) override {}
  void SetFrameValue(std::int32_t) override {}
  BOOL GetGridSnapX(std::int32_t, std::int32_t*, std::int32_t*) const override { return FALSE; }
  BOOL GetGridSnapY(std::int32_t, std::int32_t*, std::int32_t*) const override { return FALSE; }
  void ShowGuides(BOOL) override {}
  void SetGuideSettings(const VR_GUIDESETTINGS&) override {}
  void AddGuide(std::int32_t, std::int32_t) override {}
  void RemoveGuide(std::int32_t, std::int32_t) override {}
  void RemoveAllGuides() override {}
  void DrawMargin(HDC, HWND, const RECT*, const RECT*) override {}
  void SetProfiles(const VR_CMPROFILES&) override {}
  void SetImageProfile(const std::uint8_t*, std::size_t) override {}
  std::uint32_t ColorManagementProblems() const override { return 0; }
  void SetRulerOrigin(std::int32_t, std::int32_t) override {}
  void Update() override {}
  void Reactivate(HWND) override {}
  std::uint32_t GetDocumentOption() const override { return 0; }
  void GetViewWords(std::int32_t*, std::int32_t*) const override {}
  std::int32_t GetFrameValue() const override { return 0; }

  std::vector<HWND> foreground, background;
};

TEST_F(ImageViewWin, PaletteMessagesGoToTheDrawContext) {
  CLumo40Doc* doc = Open("small.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  HWND window = view->Handle();
  auto* recorder = new PaletteRecorder;
  std::unique_ptr<VR_DRAWCONTEXT> real(view->ReplaceDrawContext(recorder));
  EXPECT_EQ(SendMessageA(window, WM_QUERYNEWPALETTE, 0, 0), 7);
  SendMessageA(window, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(frame->Handle()), 0);
  // The view's own change is not answered.
  SendMessageA(window, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(window), 0);
  EXPECT_EQ(recorder->foreground, std::vector<HWND>{window});
  EXPECT_EQ(recorder->background, std::vector<HWND>{window});
  // A minimised frame realises nothing.
  HWND frameWindow = view->GetParentFrame()->Handle();
  ShowWindow(frameWindow, SW_MINIMIZE);
  PumpPending();
  EXPECT_EQ(SendMessageA(window, WM_QUERYNEWPALETTE, 0, 0), 0);
  EXPECT_EQ(recorder->foreground.size(), 1u);
  ShowWindow(frameWindow, SW_RESTORE);
  PumpPending();
  delete view->ReplaceDrawContext(real.release());
}

TEST_F(ImageViewWin, ToolsSeeTheViewNoticesAsTheImageOpensFloatsAndChangesSize) {
  CLumo40Doc* doc = Open("small.psd");
  CLumo40View* view = ViewOf(doc);
  ASSERT_NE(view, nullptr);
  std::vector<std::uintptr_t> codes = log.Codes(kMsgDocumentNotice);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), static_cast<std::uintptr_t>(kNoticeActiveImage));

  log.seen.clear();
  WAPtr floating = WAPtr::Adopt(new VrWA2000::WA(kWAType24, 20, 10, static_cast<const PALETTEENTRY*>(nullptr), true));
  doc->Image().SetFloatingImage(floating.get());
  doc->Image().SetFloatingImage(nullptr);
  EXPECT_EQ(log.Codes(kMsgDocumentNotice),
            (std::vector<std::uintptr_t>{kNoticeFloatingImage, kNoticeNoFloatingImage}));

  // A new size: no image first, then the image again.
  log.seen.clear();
  view->ResetDrawContextResized();
  EXPECT_EQ(log.Codes(kMsgDocumentNotice), (std::vector<std::uintptr_t>{kNoticeNoActiveImage, kNoticeActiveImage}));
  // The rebuilt draw context still reports its damage to the window.
  ASSERT_NE(view->Notifier(), nullptr);
  PumpPending();
  const int flushes = view->Counts().flushes;
  ValidateRect(view->Handle(), nullptr);
  {
    std::lock_guard<std::mutex> guard(view->ViewLock());
    view->DrawContext()->SetGamma(VR_GAMMAOPT{120, 100, 100});
  }
  EXPECT_TRUE(GetUpdateRect(view->Handle(), nullptr, FALSE) == FALSE);  // not yet: 1307 is queued
  PumpPending();
  EXPECT_EQ(view->Counts().flushes, flushes + 1);
}

TEST_F(ImageViewWin, MdiActivationRunsTheActivationWorkOncePerChange) {
  CLumo40Doc* first = Open("small.psd");
  CLumo40Doc* second = Open("magick.psd");
  CLumo40View* a = ViewOf(first);
  CLumo40View* b = ViewOf(second);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(GetActiveImageWindow(), b->Handle());
  EXPECT_EQ(second->Image().ActiveView(), b);
  EXPECT_EQ(second->Image().Queue().CurrentView(), b);

  const CLumo40View::Counters beforeA = a->Counts(), beforeB = b->Counts();
  log.seen.clear();
  auto* frameA = dynamic_cast<CChildFrame*>(a->GetParentFrame());
  frameA->ActivateFrame();
  Settle(first);
  EXPECT_EQ(a->Counts().activations - beforeA.activations, 1);
  EXPECT_EQ(b->Counts().deactivations - beforeB.deactivations, 1);
  EXPECT_EQ(GetActiveImageWindow(), a->Handle());
  EXPECT_EQ(first->Image().ActiveView(), a);
  EXPECT_EQ(first->Image().Queue().CurrentView(), a);
  EXPECT_EQ(log.Codes(kMsgViewActivation), (std::vector<std::uintptr_t>{0, 1}));

  // Activating it again changes nothing.
  frameA->ActivateFrame();
  Settle(first);
  EXPECT_EQ(a->Counts().activations - beforeA.activations, 1);
  EXPECT_EQ(b->Counts().deactivations - beforeB.deactivations, 1);

  // The searches walk the MDI children in Z order.
  // (The first view made the MDI area's entry: the main window was active.)
  ActivationList& list = TheActivationList();
  ASSERT_NE(list.MdiArea(), nullptr);
  EXPECT_EQ(list.FindNextImageWindow(nullptr), a->Handle());
  EXPECT_EQ(list.FindNextImageWindow(a->Handle()), b->Handle());
  EXPECT_EQ(list.FindNextViewOfImage(second->Image().GetActiveImage().get(), nullptr), b->Handle());
}

TEST_F(ImageViewWin, ClosingAViewWhileTheWorkerRunsRemovesItFromTheQueue) {
  CLumo40Doc* doc = Open("big.psd");
  CLumo40View* first = ViewOf(doc);
  ASSERT_NE(first, nullptr);
  fw::SendCommand(frame->Handle(), fw::kIdWindowNew);
  PumpPending();
  ASSERT_EQ(doc->Views().size(), 2u);
  auto* second = dynamic_cast<CLumo40View*>(doc->Views().back());
  ASSERT_NE(second, nullptr);
  Settle(doc);
  CMapRect& queue = doc->Image().Queue();
  EXPECT_TRUE(queue.HasView(second));

  // A full refresh keeps the worker busy while the second window closes.
  doc->Image().InvalidateImageRect(nullptr, false, false);
  second->GetParentFrame()->Send(WM_CLOSE);
  EXPECT_FALSE(queue.HasView(second));
  ASSERT_EQ(doc->Views().size(), 1u);
  const int announced = first->Counts().cellsAnnounced;
  Settle(doc);
  EXPECT_GT(first->Counts().cellsAnnounced, announced);
  EXPECT_TRUE(queue.HasView(first));
}

}  // namespace
}  // namespace lumora
