// The image view: shows its document's composite through a draw context at
// the view's zoom and scroll position, repaints what the render queue
// announces and what the draw context reports through its redraw
// notifier, paints the margin around a smaller image, offers every message
// to the tool host first, and does the view's part of activation.
//
// The view lock guards the draw context and its mapping. Lock order: the
// render queue's locks, then the view lock (the queue calls
// GetVisibleImageRect and GetPointerImagePos under its own); the view never
// calls the queue while it holds the view lock.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "document/ImageDocument.h"
#include "hostapi/draw.h"
#include "hostapi/toolhost.h"
#include "engine/render/RenderQueueClient.h"
#include "view/SelectionEdge.h"
#include "view/ViewZoom.h"
#include "view/win/VarnoScrollView.h"
#include "view/win/ViewDropTargets.h"
#include "view/win/ViewShell.h"

namespace lumora {

class CLumo40Doc;
class CVarnoChildFrm;
struct ViewTransform;
class TInterface;
class TransformSession;

// Gathers the regions a draw context reports until the view handles 1307:
// several notices before then repaint once, as their union.
class REDRAWNTF : public VR_REDRAWNTF {
 public:
  explicit REDRAWNTF(HWND window);
  ~REDRAWNTF() override;
  int Notify(HRGN damaged, HRGN moreDamaged, BOOL erase) override;
  // Invalidates the gathered region with the gathered erase flag, then
  // starts again empty.
  void Flush();

 private:
  HWND window_;
  HRGN region_;
  BOOL erase_ = FALSE;
};

// The grid, guide and ruler flags new views start with and active views
// hand on; the grid and guide looks.
struct ViewDisplaySettings {
  bool showGrid = false;
  bool snapToGrid = false;
  bool showGuides = true;
  bool snapToGuides = false;
  bool lockGuides = false;
  bool showRulers = false;
  int rulerUnits = 2;  // pixels
  VR_GRIDSETTINGS grid;
  int gridUnit = 2;  // pixels
  VR_GUIDESETTINGS guides;
  VR_GAMMAOPT gamma;
  // Colour management: the profiles every draw context gets (slot 53).
  VR_CMPROFILES colorProfiles;
};
ViewDisplaySettings& CurrentViewSettings();

class CLumo40View : public CVarnoScrollView, public RenderQueueView, public DocumentViewLink {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(CLumo40View)

 public:
  CLumo40View();
  ~CLumo40View() override;

  CLumo40Doc* GetDoc() const;
  bool IsReady() const { return ready_; }
  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  void OnInitialUpdate() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Messages the tool host passed on (the application's image-view hook
  // gives them here).
  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Set-up and the draw context.
  void InitNewView(bool fit);
  // The frame's system-menu close item: "Close", or for an embedded image
  // "Close & Return to" its container.
  void SetCloseMenuText();
  void CorrectWindowSize(bool clamp);
  bool CreateDrawContext(const VrWA2000::ReadWA* image);
  void ResetDrawContext() override;
  void ResetDrawContextResized();
  // For an image that replaced the document's whole image: the drawing
  // rebuilt as for any change of the image, its zoom kept.
  void ShowNewImage() override;
  void RefreshDrawContext();
  bool ApplyZoom();
  void UpdateScrollSizes();
  void OnVisibleAreaChanged();
  bool HasDrawContext() const { return drawContext_ != nullptr; }
  // Under the view lock's rules: callers take ViewLock() around its use.
  VR_DRAWCONTEXT* DrawContext() const { return drawContext_; }
  std::mutex& ViewLock() const { return lock_; }
  const ViewZoomFactors& Zoom() const { return zoom_; }
  VRXFORM Mapping() const;
  REDRAWNTF* Notifier() const { return notifier_.get(); }
  // Puts another draw context in place (the view owns it; its notifier
  // stays the view's); returns the one it replaced, now the caller's.
  VR_DRAWCONTEXT* ReplaceDrawContext(VR_DRAWCONTEXT* context);

  // Refresh.
  void InvalidateImageRect(const RECT* imageRect, bool erase);
  void InvalidateImageRect(const RECT& rect, bool erase) override { InvalidateImageRect(&rect, erase); }
  void PostPaint();
  void RedrawViewNow();
  LRESULT OnRefreshRect(WPARAM wParam, LPARAM lParam);
  // OnRefreshRect's work; without `paintNow` the rectangle is only
  // invalidated (the caller paints several at once).
  void RefreshRect(WPARAM wParam, LPARAM lParam, bool paintNow);
  void NotifyImageResized() override;
  void NotifyActiveImage();
  void NotifyFloatingImage();
  void UpdateFrameTitle();

  // Geometry.
  RECT GetImageRect() const;
  POINT ClampPointToImage(POINT p) const;
  RECT GetClientRectWithScrollBars() const;
  POINT WindowPointToImagePixel(POINT client) const;
  // The position text of a point: a window point (windowPoint) is mapped to
  // the image first; rows count from the bottom as the mapping gives them.
  // `format` (x, y, image width, height, horizontal and vertical dpi) makes
  // the text in the program's ruler units. Empty without a draw context.
  using CoordinateFormat = std::function<std::string(int, int, int, int, double, double)>;
  std::string FormatCoordinates(int x, int y, bool windowPoint, const CoordinateFormat& format) const;
  // Image units per screen pixel along x (the status text's zoom).
  double ImageUnitsPerPixel() const;

  // Grid, guides and snapping.
  void SetShowGrid(bool show);
  void SetShowGuides(bool show);
  void SetSnapToGrid(bool snap);
  void SetSnapToGuides(bool snap);
  void ApplyGridSettings();
  void ApplyGuides(bool invalidateAllViews);
  void AddGuideAllViews(std::int32_t position, std::int32_t orientation);
  void RemoveGuideAllViews(std::int32_t position, std::int32_t orientation);
  RECT GetGuideWindowRect(std::int32_t position, std::int32_t orientation) const;
  void SnapRect(const RECT& rect, POINT* offset) const;
  void SnapWindowRect(const RECT& rect, POINT* offset) const;

  // Zoom (Lumo40ViewZoom.cpp). Factors are displayed : image per axis.
  // Image units per window unit along x (above 1 is a reduction).
  double ZoomRatio() const { return zoom_.x.ImagePerWindowUnit(); }
  // The image as displayed, from (0, 0): its zoomed width and height.
  RECT DisplayedImageRect() const;
  // Magnification a:b keeping the centre of the client area.
  void SetZoom(std::int32_t a, std::int32_t b);
  // The same through the zoom target (the navigator's road).
  void SetZoomRatio(std::int32_t a, std::int32_t b);
  // Shows the rectangle whole, as large as the client allows (at most
  // 32:1), centred.
  void ZoomToRect(RECT rect, bool inImage);
  // Applies the zoom target so that the point lands in the middle of the
  // client area; the zoom tool's callback.
  void ApplyZoomAt(const POINT* point, bool inImage);
  // Zooms to a:b (unless keepZoom) and fits the frame to the image.
  void SetWindowSize(std::int32_t a, std::int32_t b, bool keepZoom);
  // The view's window was given a new size by its container: the zoom
  // becomes the even reduction a new window takes to show the whole image
  // in that size, and the view scrolls to the image's origin.
  void FitZoomToWindow();
  // The program-wide factors the zoom operations fill just before they
  // apply them.
  static ViewZoomFactors& ZoomTarget();
  bool pickInProgress = false;

  void OnZoomIn();
  void OnZoomOut();
  void OnOriginalSize();
  void OnCorrectWindowSize();
  void OnWindowSizeCommand(std::uint32_t id);
  void OnZoomTool();
  void OnDitherOptions();
  void OnUpdateZoomIn(fw::CmdUI& ui);
  void OnUpdateZoomOut(fw::CmdUI& ui);
  void OnUpdateZoomSizes(fw::CmdUI& ui);
  void OnUpdateCorrectWindowSize(fw::CmdUI& ui);
  void OnUpdateZoomTool(fw::CmdUI& ui);
  void OnUpdateDitherOptions(fw::CmdUI& ui);
  // The dither record of an image type, which the dither options change.
  VR_CDOPTFV& DitherRecord(int type) { return const_cast<VR_CDOPTFV&>(DitherFor(type)); }
  // The dither options of the image's type again, and a repaint.
  void RefreshDitherOptions();

  // Grid, guides and rulers (Lumo40ViewGuides.cpp).
  void OnShowGrid();
  void OnSnapToGrid();
  void OnShowGuides();
  void OnSnapToGuides();
  void OnLockGuides();
  void OnClearGuides();
  void OnShowRulers();
  void OnUpdateShowGrid(fw::CmdUI& ui);
  void OnUpdateSnapToGrid(fw::CmdUI& ui);
  void OnUpdateShowGuides(fw::CmdUI& ui);
  void OnUpdateGuideCommand(fw::CmdUI& ui);
  void OnUpdateShowRulers(fw::CmdUI& ui);
  void SetRulersVisible(bool show);
  int GetRulerUnits() const;
  void SetRulerUnits(int units);
  // The frame's rulers follow zoom, scroll position, units and origin.
  void UpdateRulers();
  void TrackRulerCursor(POINT client);
  // The guide under a client point: its index, or -1 (guides hidden or
  // locked count as none).
  int HitTestGuide(int x, int y, std::int32_t* orientation);
  // Sets the guide cursor when a guide is under the point.
  bool SetGuideCursor(int x, int y);
  // A drag of an existing guide (existing) or from a ruler; the frame's
  // ruler drags start an origin drag with BeginOriginDrag first.
  void BeginOriginDrag() { originDrag_ = true; }
  void BeginGuideDrag(int x, int y, bool existing, std::int32_t orientation = -1);
  void TrackGuideDrag(int x, int y);
  void EndGuideDrag(int x, int y, bool cancel);
  bool GuideDragRunning() const { return originDrag_ || dragGuide_ >= 0; }
  // Removes every guide of the document from every view.
  void ClearGuides();

  // Layer Moving (Lumo40ViewMove.cpp): the move and guide hook exists while
  // the main frame's mode is on; it drags the active layer (or a guide).
  void SetMoveToolActive(bool on);
  bool MoveToolActive() const { return moveToolOn_; }
  bool BeginLayerMove(CLayer* layer, POINT client);
  void TrackLayerMove(POINT client);
  void EndLayerMove();
  // While a drag runs and no input waits: the cells ahead of it composited.
  void PrepareLayerMoveAhead();
  bool LayerMoveRunning() const;
  // An arrow key's nudge of the active layer: 1 image pixel, 10 with
  // Shift, at every magnification.
  bool NudgeActiveLayer(UINT vk, bool shift);
  // Every view takes the current grid and guide looks, ruler units and
  // ruler visibility (the active one first).
  static void RefreshAllViewsSettings();
  // The ruler origin: x from the left, y in rows from the top.
  POINT RulerOrigin() const { return rulerOrigin_; }
  void SetRulerOrigin(POINT origin);
  // "x=.. y=.. w=.. h=.." of a rectangle in ruler units (a window rectangle
  // is mapped to the image first); empty without a draw context.
  std::string FormatRectInUnits(RECT rect, bool inImage) const;
  // "(x,y)" of a point in ruler units (a window point is mapped first).
  std::string FormatPosition(POINT point, bool inImage) const;
  LRESULT OnMouseMoveView(WPARAM, LPARAM);
  // Set outside: Show Rulers does nothing while it is.
  bool rulerBlocking = false;
  // The image area whose composite changed since the navigator last took
  // it (the union of the pieces announced to this view).
  RECT TakeThumbnailDamage();

  // Activation work, run by the child frame and the activation list.
  void OnActivateImageView(CLumo40View* oldView);
  void OnDeactivateImageView(CLumo40View* newView);
  // The interactive transform (Lumo40ViewTransform.cpp): at most one runs.
  bool IsTransformActive() const;
  // 1 without a transform or after Yes (commit) or No (cancel); 0 after
  // Cancel, the transform still running.
  int QueryApplyTransform();
  // Ends and frees the transform; one nobody committed is taken back.
  void EndTransform();
  void OnLayerTransform(std::uint32_t id);
  void OnUpdateLayerTransform(fw::CmdUI& ui);
  // Selection/Transform: the rotate frame over the selection's shape alone.
  void OnSelectionTransform();
  void OnUpdateSelectionTransform(fw::CmdUI& ui);
  // Selection/Numeric Transform...: the selection by the dialog's numbers.
  void OnSelectionNumericTransform();
  bool StartLayerTransform(std::unique_ptr<ViewTransform> run);
  bool StartSelectionTransform(std::unique_ptr<ViewTransform> run);
  bool BeginTransformRun(std::unique_ptr<ViewTransform> run);
  TInterface* TransformFrame() const;
  void TraceFrameCorner();
  TransformSession* RunningTransform() const;

  // RenderQueueView
  bool IsLive() const override;
  RECT GetVisibleImageRect() override;
  bool GetPointerImagePos(POINT* imagePos, bool fresh) override;
  void OnCellDone(const RECT& rect) override;
  void OnCellDoneNow(const RECT& rect) override;
  // DocumentViewLink
  void SendNotify(int code, Fragment* selection) override;
  void PostNotify(int code) override;
  void SendLayerNotify(int code, int layerIndex) override;

  // What the tests count: pieces announced to this view, paints, flushes of
  // the notifier, activation and deactivation work.
  struct Counters {
    int cellsAnnounced = 0;
    int paints = 0;
    int flushes = 0;
    int activations = 0;
    int deactivations = 0;
    int smoothings = 0;
  };
  const Counters& Counts() const { return counts_; }

  bool showGrid = false, snapToGrid = false, gridSnapBlock = false;
  bool showGuides = false, lockGuides = false, snapToGuides = false, showRulers = false;
  std::int32_t viewWords[2] = {0, 0};

  LRESULT OnPaintView(WPARAM, LPARAM);
  LRESULT OnEraseBackground(WPARAM, LPARAM);
  LRESULT OnPrintClientView(WPARAM, LPARAM);
  LRESULT OnDestroyView(WPARAM, LPARAM);
  LRESULT OnSizeView(WPARAM, LPARAM);
  LRESULT OnPaletteChanged(WPARAM, LPARAM);
  LRESULT OnQueryNewPalette(WPARAM, LPARAM);
  LRESULT OnCellDoneMessage(WPARAM, LPARAM);
  LRESULT OnQueueEmptyMessage(WPARAM, LPARAM);
  // The layers under the pointer as a menu; the one chosen becomes active.
  LRESULT OnRightButtonDown(WPARAM, LPARAM);
  void OnRepaint();
  void OnUpdateRepaint(fw::CmdUI& ui);
  // Selection/Deselect and Invert (Lumo40ViewSelection.cpp).
  void OnDeleteSelection();
  void OnInvertSelection();
  void OnUpdateDeleteSelection(fw::CmdUI& ui);
  void OnUpdateInvertSelection(fw::CmdUI& ui);
  void OnModifySelection(std::uint32_t id);
  void OnUpdateModifySelection(fw::CmdUI& ui);
  // The marching ants: rebuilt when the selection, zoom or scroll position
  // changed (what they leave and where they go repainted), drawn over each
  // paint, and moved one pixel per animation tick on every view.
  void RefreshAnts();
  void DrawAnts(HDC dc);
  void StepAnts();
  static void StepAllAnts();
  const SelectionEdge& AntsEdge() const { return antsEdge_; }
  int AntsPhase() const { return antsPhase_; }

 protected:
  void OnScrollPositionChanged() override;

 private:
  // The window size that shows a width x height image whole at 1:1, with
  // this view's edges but without scroll bars.
  RECT WindowSizeForImage(int width, int height) const;
  // The draw context over the document's composite again; a new image size
  // keeps the zoom, fits the frame and updates rulers, scroll bars, status
  // and title.
  void RebuildForImage(bool needActiveImage);
  static int TransformHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut);
  int OnTransformHook(const LU_MSG& msg, std::intptr_t* inOut);
  void PaintTransformFrame(HDC dc);
  void TransformScrolled();
  std::unique_ptr<ViewTransform> transform_;
  static int MoveHookProc(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut);
  int OnMoveHook(const LU_MSG& msg, std::intptr_t* inOut);
  // The keys and the lost capture while the move tool is on; true when taken.
  bool OnMoveToolMessage(UINT message, WPARAM wParam, LRESULT* result);
  std::uint32_t moveHookId_ = 0;
  bool moveToolOn_ = false;
  bool movingLayer_ = false;
  bool moveGuideDrag_ = false;

  CMapRect* Queue() const;
  bool FrameIconic() const;
  bool IsActiveImageView() const;
  void SendNotice(int code, LPARAM lParam);
  void ApplyDrawSettings();  // under the view lock
  void SetDefaultDitherOptions();
  // Tells the draw context of a grid or guide change and repaints all.
  void ShowOverlay(const std::function<void(VR_DRAWCONTEXT*)>& tell);
  const VR_CDOPTFV& DitherFor(int type) const;
  void EraseMargin(HDC dc);
  void RegisterWithQueue();
  // No piece of the visible image area is listed or being composited.
  bool VisibleAreaComposited();
  // Whether the pointer lies in the window (scroll bars count) and where in
  // its client area; unless `fresh`, read again only when it may have
  // changed.
  bool ReadPointer(HWND window, POINT* client, bool fresh);

  bool ready_ = false;
  // Colour-management problems this view has reported (kVrCm* bits).
  std::uint32_t cmNoticed_ = 0;
  WAINFO imageInfo_{};
  RECT lastVisible_{0, 0, 0, 0};
  bool fullRefreshOnActivation_ = true;
  mutable std::mutex lock_;
  VR_DRAWCONTEXT* drawContext_ = nullptr;
  std::unique_ptr<REDRAWNTF> notifier_;
  VR_CDOPTFV dither_[5]{};
  ViewZoomFactors zoom_;
  std::atomic<HWND> liveWindow_{nullptr};
  // ReadPointer's last answer for a window, and when it was read (the
  // system's last-input time and the tick count then); only
  // GetPointerImagePos uses it, under the render queue's view lock.
  struct PointerReading {
    HWND window = nullptr;  // none: nothing kept
    bool inside = false;
    POINT client{0, 0};
    DWORD lastInput = 0;
    DWORD tick = 0;
  } pointerReading_;
  CLumo40Doc* registeredDoc_ = nullptr;
  Counters counts_;
  // Layers dragged onto the view land here.
  CDropTargetView dropTarget_;

  // Zoom and guide helpers.
  bool CanZoom() const;
  void AfterZoomChanged(bool invalidate);
  void ApplyZoomAtImage(POINT imagePixel);
  ImagePlace PlaceForText() const;
  void DrawDragFeedback(POINT at);
  void ApplyRulerOrigin();
  CVarnoChildFrm* RulerFrame() const;

  POINT rulerOrigin_{0, 0};
  bool originDrag_ = false;
  std::int32_t dragOrientation_ = 0;
  int dragGuide_ = -1;
  POINT lastFeedback_{-1, -1};
  HCURSOR savedCursor_ = nullptr;
  int guidePrompt_ = 0;
  int hitGuide_ = -1;
  // A zoom command awaits its last paint (the zoom trace marks), and the
  // pieces announced when it came.
  bool zoomTracePending_ = false;
  int zoomTraceCells_ = 0;
  void MarkZoomCommand();
  // A stroke's pointer moves await a paint that shows every dab queued
  // (the paint-latency trace marks); checked again on a timer when the
  // worker had not yet gone idle at the paint.
  bool strokeTracePending_ = false;
  void MarkStrokeShownIfCurrent();

 public:
  // Painting tools: a pointer move's dabs are queued (trace marks only).
  void NoteStrokeMove();

 private:
  RECT thumbnailDamage_{0, 0, 0, 0};
  bool dragFromRuler_ = false;

  // The marching ants' state (Lumo40ViewSelection.cpp).
  WindowSampling AntsSampling() const;
  void FreeAntsRegions();
  HRGN AntsRegion();
  void ForgetAnts();
  SelectionCoverage antsCoverage_;
  bool antsCoverageDirty_ = true;
  const Fragment* antsFragment_ = nullptr;  // the selection the coverage is of
  WindowSampling antsSampling_;
  SelectionEdge antsEdge_;
  int antsPhase_ = 0;
  HRGN antsRegions_[8] = {};  // [0]: every edge pixel, banded
  // A window DC held from tick to tick with the edge as its clip and the
  // dash brush selected: each tick is one pattern blit. Let go with the
  // edge (FreeAntsRegions).
  HDC antsDc_ = nullptr;
  RECT antsBounds_{0, 0, 0, 0};
};

}  // namespace lumora
