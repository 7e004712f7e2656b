// The program's painting tools: strokes in image views through the
// portable brushes.
#include "paint/win/ToolBrush.h"

#include "paint/win/LineTools.h"

#include <algorithm>
#include <vector>

#include "document/win/Lumo40Doc.h"
#include "engine/pixels/WAccess.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "paint/AirBrush.h"
#include "paint/CloneBrush.h"
#include "paint/WaterBrush.h"
#include "paint/BrushPageRules.h"
#include "platform/trace.h"
#include "paint/EraseBrush.h"
#include "paint/PaintBrush.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

constexpr int kUpdateInterval = 30;
constexpr UINT kCmdUpdateNavigator = 32935;

std::uint32_t Seed() {
  const PaintServices& s = ThePaintServices();
  return s.seed ? s.seed() : static_cast<std::uint32_t>(GetTickCount()) ^ 0x9E3779B9u;
}

}  // namespace

PaintServices& ThePaintServices() {
  static PaintServices services;
  return services;
}

// ---- The stroke's document

CLayersManager* ViewStrokeDocument::Layers() { return doc_->Image().GetLayers(); }

void ViewStrokeDocument::OpenUndoStep(int undoNameId) {
  stepOpened_ = doc_->Image().BackupImage(static_cast<std::uint32_t>(undoNameId));
}

void ViewStrokeDocument::InvalidateImageRect(const RECT& rect) {
  doc_->Image().InvalidateImageRect(&rect, false, false);
  if (++dabs_ == kUpdateInterval) {
    dabs_ = 0;
    if (view_ != nullptr && IsWindow(view_->Handle())) UpdateWindow(view_->Handle());
  }
}

bool ViewStrokeDocument::ResizeLayer(CLayer* layer, const RECT& rect) { return doc_->Image().ResizeLayer(layer, rect); }

CLayer* ViewStrokeDocument::FindUndoSnapshotLayer(std::uint64_t uniqueId) {
  ImageDocument& image = doc_->Image();
  const CUndoManager::HistoryFields& fields = image.HistoryState();
  CLayersManager* source = image.History().FindRestoreSource(fields.name, fields.currentOwns);
  return source != nullptr ? source->FindLayerById(uniqueId) : nullptr;
}

// ---- The brushes

std::unique_ptr<CToolBrush> CToolBrush::Create(std::uint32_t command) {
  const paint::ToolInfo* info = paint::FindToolByCommand(command);
  if (info == nullptr) return nullptr;
  auto random = std::make_unique<SeededBrushRandom>(Seed());
  std::unique_ptr<paint::StrokeBrush> engine;
  switch (info->brushClass) {
    case paint::BrushClass::kPaint:
      engine = std::make_unique<paint::CPaintBrush>(command, info->width, *random);
      break;
    case paint::BrushClass::kAir:
      engine = std::make_unique<paint::CAirBrush>(*random);
      break;
    case paint::BrushClass::kEraser:
      engine = std::make_unique<paint::CEraseBrush>(*random);
      break;
    case paint::BrushClass::kLine:
    case paint::BrushClass::kCurve:
    case paint::BrushClass::kRect:
    case paint::BrushClass::kEllipse:
    case paint::BrushClass::kPolygon:
      engine = std::make_unique<paint::CPaintBrush>(command, info->width, *random);
      break;
    case paint::BrushClass::kClone:
      engine = std::make_unique<paint::CClone>(*random, info->width);
      break;
    case paint::BrushClass::kWater:
      engine = std::make_unique<paint::CWaterBrush>();
      break;
    default:
      return nullptr;  // the other tools are not built yet
  }
  if (info->brushClass != paint::BrushClass::kEraser) engine->SetUndoNameId(static_cast<int>(info->undoNameId));
  if (info->brushClass == paint::BrushClass::kLine) {
    return std::make_unique<CLineTool>(*info, std::move(engine), std::move(random));
  }
  if (info->brushClass == paint::BrushClass::kRect || info->brushClass == paint::BrushClass::kEllipse) {
    return std::make_unique<CRectTool>(*info, std::move(engine), std::move(random),
                                       info->brushClass == paint::BrushClass::kEllipse);
  }
  if (info->brushClass == paint::BrushClass::kClone) {
    return std::make_unique<CCloneTool>(*info, std::move(engine), std::move(random));
  }
  if (info->brushClass == paint::BrushClass::kPolygon) {
    return std::make_unique<CPolygonTool>(*info, std::move(engine), std::move(random));
  }
  if (info->brushClass == paint::BrushClass::kCurve) {
    return std::make_unique<CCurveTool>(*info, std::move(engine), std::move(random));
  }
  return std::unique_ptr<CToolBrush>(new CToolBrush(*info, std::move(engine), std::move(random), IDC_CROSS));
}

CToolBrush::CToolBrush(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine,
                       std::unique_ptr<BrushRandom> random, LPCSTR cursor)
    : info_(info), random_(std::move(random)), engine_(std::move(engine)), caption_(res::String(info.captionId)) {
  // The program's cursors; the system's when a module lacks them.
  HINSTANCE module = GetModuleHandleA(nullptr);
  toolCursor_ = info.cursorId != 0 ? LoadCursorA(module, MAKEINTRESOURCEA(info.cursorId)) : nullptr;
  if (toolCursor_ == nullptr) toolCursor_ = LoadCursorA(nullptr, cursor);
  noPaintCursor_ = LoadCursorA(module, MAKEINTRESOURCEA(paint::kNoPaintCursor));
  if (noPaintCursor_ == nullptr) noPaintCursor_ = LoadCursorA(nullptr, IDC_NO);
  engine_->SetTablet([] {
    const PaintServices& s = ThePaintServices();
    return s.tablet ? s.tablet() : paint::TabletReading{};
  });
}

CToolBrush::~CToolBrush() {
  if (capturing_ && engine_->Stroking()) engine_->ButtonUp();
  if (capturing_ && GetCapture() == captured_) ReleaseCapture();
}

HCURSOR CToolBrush::GetCursor() const { return cannotPaint_ ? noPaintCursor_ : toolCursor_; }

void CToolBrush::OnActivateView(CLumo40View* view) {
  cannotPaint_ = false;
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  CLayer* layer = doc != nullptr ? doc->Image().GetActiveLayer() : nullptr;
  if (layer != nullptr && layer->CanPaint() == 0) cannotPaint_ = true;
}

// ---- Settings

void CToolBrush::SetWater(int manner, int strength) {
  if (auto* water = dynamic_cast<paint::CWaterBrush*>(engine_.get())) {
    water->SetManner(manner);
    water->SetStrength(strength);
  }
}

void CToolBrush::SetWidth(int width, const paint::EdgeValues& edge) {
  if (auto* water = dynamic_cast<paint::CWaterBrush*>(engine_.get())) {
    water->SetSize(width);
    return;
  }
  if (auto* paintBrush = dynamic_cast<paint::CPaintBrush*>(engine_.get())) {
    paintBrush->SetWidth(width, paint::EdgeSizeFor(edge, width), edge.optionId);
  }
}

void CToolBrush::SetOpacity(int percent) { engine_->SetOpacityPercent(percent); }

void CToolBrush::SetShape(int index, const std::string& file) {
  if (auto* paintBrush = dynamic_cast<paint::CPaintBrush*>(engine_.get())) paintBrush->SetShape(index, file);
}

void CToolBrush::SetPaper(int index, const std::string& file) {
  auto* paintBrush = dynamic_cast<paint::CPaintBrush*>(engine_.get());
  if (paintBrush != nullptr) paintBrush->LoadPaperImage(index == 0 ? std::string() : file);
}

void CToolBrush::SetInsertMode(int mode) {
  // The eraser has no insert mode.
  if (info_.brushClass == paint::BrushClass::kEraser) return;
  insertMode_ = mode;
  engine_->SetInsertMode(mode);
}

int CToolBrush::GetInsertMode() const { return info_.brushClass == paint::BrushClass::kEraser ? 0 : insertMode_; }

void CToolBrush::SetParams(const std::array<std::uint32_t, 6>& params) {
  params_ = params;
  if (auto* paintBrush = dynamic_cast<paint::CPaintBrush*>(engine_.get())) {
    paintBrush->SetJitter(static_cast<int>(params[0]), static_cast<int>(params[2]), static_cast<int>(params[1]));
    paintBrush->SetAngle(static_cast<int>(params[3]));
    paintBrush->SetRotationMode(static_cast<int>(params[4]));
    paintBrush->SetColourMode(static_cast<int>(params[5]));
  }
}

void CToolBrush::SetEraseAction(int action) {
  if (auto* eraser = dynamic_cast<paint::CEraseBrush*>(engine_.get())) eraser->SetAction(action);
}

void CToolBrush::SetDensity(int percent) {
  if (auto* air = dynamic_cast<paint::CAirBrush*>(engine_.get())) air->SetDensity(percent);
}

void CToolBrush::SetStores(const paint::CFileManager* shapes, const paint::CFileManager* papers) {
  if (auto* paintBrush = dynamic_cast<paint::CPaintBrush*>(engine_.get())) paintBrush->SetStores(shapes, papers);
}

void CToolBrush::TakeSelection(CLumo40Doc* doc) {
  engine_->ClearSelection();
  Fragment* selection = doc->Image().GetSelection();
  if (selection == nullptr) return;
  Fragment* mask = GetSmoothMask(selection);
  if (mask == nullptr) return;
  LURECT place{};
  const WAPtr bytes = WAPtr::Adopt(GetMaskWA(mask));
  if (GetMaskRect(mask, &place) != 0 && bytes && bytes->GetType() == kWAType8Grey && place.width > 0 &&
      place.height > 0) {
    const int w = std::min(place.width, bytes->GetW());
    const int h = std::min(place.height, bytes->GetH());
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) std::copy_n(bytes->Row(y), w, packed.data() + static_cast<std::size_t>(y) * w);
    const RECT rect{place.x, place.y, place.x + w, place.y + h};
    engine_->SetSelection(packed.data(), rect, IsFrgInverted(selection) != 0);
  }
  DeleteFragment(mask);
}

void CToolBrush::OnLButtonDown(HWND window, UINT flags, int x, int y) {
  // A stroke whose button-up went elsewhere (the capture was taken away)
  // ends before the next begins.
  if (capturing_ && GetCapture() != captured_) OnLButtonUp(captured_, 0, x, y);
  if (capturing_ || (flags & MK_LBUTTON) == 0) return;
  if (!IsWindow(window)) return;
  CLumo40View* view = GetViewFromWnd(window);
  CLumo40Doc* doc = view != nullptr ? view->GetDoc() : nullptr;
  if (doc == nullptr || doc->Image().GetLayers() == nullptr) return;
  COLORREF foreground = 0, background = 0xFFFFFF;
  if (ThePaintServices().colours) ThePaintServices().colours(&foreground, &background);
  engine_->SetColours(foreground, background);
  TakeSelection(doc);
  stroke_ = std::make_unique<ViewStrokeDocument>(view, doc);
  const POINT p = view->WindowPointToImagePixel(POINT{x, y});
  if (!StartEngineStroke(stroke_.get(), p)) {
    const std::string why = engine_->RefusalMessage();
    stroke_.reset();
    if (!why.empty()) {
      // The brush's own reason: a locked transparency, a layer without
      // mask, a missing clone source.
      const std::string caption(res::String(IDS_ERROR_CAPTION));
      MessageBoxA(GetAncestor(window, GA_ROOT), why.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
    return;
  }
  doc->Image().SetModifiedFlag(true);
  capturing_ = true;
  captured_ = window;
  SetCapture(window);
}

void CToolBrush::OnMouseMove(HWND, UINT flags, int x, int y) {
  if (!capturing_ || (flags & MK_LBUTTON) == 0 || !stroke_) return;
  TraceMark("paint move received");
  const POINT p = stroke_->View()->WindowPointToImagePixel(POINT{x, y});
  engine_->MoveTo(p.x, p.y);
  stroke_->View()->NoteStrokeMove();
}

void CToolBrush::OnLButtonUp(HWND, UINT, int, int) {
  if (capturing_) {
    capturing_ = false;
    CLumo40Doc* doc = stroke_ ? stroke_->Doc() : nullptr;
    engine_->ButtonUp();
    if (doc != nullptr) AfterStroke(doc);
    stroke_.reset();
  }
  if (GetCapture() == captured_ && captured_ != nullptr) ReleaseCapture();
  captured_ = nullptr;
}

void CToolBrush::AfterStroke(CLumo40Doc* doc) {
  if (CLayer* layer = doc->Image().GetActiveLayer()) static_cast<DocumentHost*>(doc)->UpdateLayerInPalette(layer);
  if (ThePaintServices().mainWindow) {
    if (HWND main = ThePaintServices().mainWindow()) PostMessageA(main, WM_COMMAND, kCmdUpdateNavigator, 0);
  }
  LUPreview_InvalidateImageData(nullptr);
}

}  // namespace lumora
