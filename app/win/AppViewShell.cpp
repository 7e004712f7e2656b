// The application's ViewShell and the view settings.
#include "app/win/AppViewShell.h"

#include <memory>
#include <string>
#include <utility>

#include "app/Units.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/win/GuidGridPage.h"
#include "dialogs/win/PreferencePages.h"
#include "dialogs/win/Preferences.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "select/win/PickOnView.h"
#include "platform/rect.h"
#include "view/ViewZoom.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"
#include "view/win/ViewShell.h"

namespace lumora {
namespace {

int TextWidthInWindowFont(HWND window, const std::string& text) {
  HDC dc = GetDC(window);
  if (dc == nullptr) return 0;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
  HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
  SIZE size{};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  if (old != nullptr) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

class AppViewShell : public ViewShell {
 public:
  explicit AppViewShell(CLumo40App& app) : app_(app) {}

  CoordinateFrame Frame(const ImagePlace& place) const {
    CoordinateFrame frame;
    frame.width = place.width;
    frame.height = place.height;
    frame.dpiX = place.dpiX;
    frame.dpiY = place.dpiY;
    frame.originX = place.origin.x;
    frame.originY = place.origin.y;
    frame.unit = CurrentViewSettings().rulerUnits;
    return frame;
  }

  std::string CoordinatesText(const ImagePlace& place, POINT pixel) override {
    CoordinateFrame frame = Frame(place);
    CMainFrame* main = app_.MainFrameWnd();
    HWND bar = main != nullptr ? main->StatusBarCtrl().Handle() : nullptr;
    if (bar != nullptr) frame.textWidth = [bar](const std::string& text) { return TextWidthInWindowFont(bar, text); };
    return FormatCoordinates(pixel.x, pixel.y, frame);
  }

  std::string RectText(const ImagePlace& place, const RECT& rect) override {
    return FormatRectInUnits(rect, Frame(place));
  }

  int AddPrompt(int channel, int priority, bool deferred) override { return app_.prompts.Add(channel, priority, deferred); }
  void SetPromptText(int handle, const std::string& text) override { app_.prompts.SetText(handle, text.c_str()); }
  void RemovePrompt(int handle) override { app_.prompts.Remove(handle); }

  void ShowColorManagementNotice(std::uint32_t problems) override {
    // The monitor's and the target's problems are said once until colour
    // management is set up again; an image's once for each view.
    problems &= ~cmNoticed;
    cmNoticed |= problems & (kVrCmMonitorProfileUnusable | kVrCmTargetProfileUnusable);
    std::string text;
    for (const auto& [bit, id] : {std::pair{kVrCmImageProfileIgnored, IDS_CM_IMAGE_PROFILE_IGNORED},
                                  std::pair{kVrCmMonitorProfileUnusable, IDS_CM_MONITOR_PROFILE_UNUSABLE},
                                  std::pair{kVrCmTargetProfileUnusable, IDS_CM_TARGET_PROFILE_UNUSABLE}}) {
      if ((problems & bit) == 0) continue;
      if (!text.empty()) text += " ";
      text += res::String(id);
    }
    if (text.empty()) return;
    if (CMainFrame* main = app_.MainFrameWnd(); main != nullptr && main->Handle() != nullptr) main->SetMessageText(text);
  }

  std::uint32_t cmNoticed = 0;

  void ShowViewZoomStatus(CLumo40View* view) override {
    if (view != nullptr && view->Handle() == GetActiveImageWindow()) app_.ShowImageStatus(view->Handle());
  }

  void OnViewZoomApplied(CLumo40View* view) override {
    CMainFrame* main = app_.MainFrameWnd();
    if (main != nullptr && main->Navigator().View() == view) main->Navigator().UpdateViewRect();
  }

  void OnViewActivated(CLumo40View* view) override {
    if (CMainFrame* main = app_.MainFrameWnd()) {
      main->AttachToolWindows(view);
      main->NavigatorFollow(view);
      main->LayerPaletteFollow(view);
      main->PaintAttributes().OnViewActivated(view);
      main->HelpWizardFollow(view);
    }
  }

  bool LayerMovingOn() override {
    CMainFrame* main = app_.MainFrameWnd();
    return main != nullptr && main->LayerMoving();
  }

  void PaintToolOverlay(CLumo40View* view, HDC dc) override {
    if (CMainFrame* main = app_.MainFrameWnd()) main->PaintAttributes().PaintBrushOverlay(view, dc);
  }

  std::uint32_t EnableForTransform(bool enable, std::uint32_t previous) override {
    CMainFrame* main = app_.MainFrameWnd();
    if (main == nullptr) return 0;
    main->EnableToolWindows(enable);
    if (enable) {
      if (previous != 0) SendMessageA(main->Handle(), WM_COMMAND, previous & 0xFFFF, 0);
      return 0;
    }
    // The mode or tool in use, which the transform's end brings back.
    std::uint32_t current = app_.currentToolCommand;
    if (current == 0 && main->LayerMoving()) current = ID_LAYER_MOVING;
    if (current == 0 && main->CurrentTool() != nullptr) current = main->CurrentTool()->CommandId();
    LUSetActiveSelection(app_.Site(), "");
    main->EnableMovingSelection(false);
    main->SetCurrentTool(nullptr);
    if (main->LayerMoving()) main->EndLayerMoving();
    app_.currentToolCommand = 0;
    return current;
  }

  bool ToolKey(CLumo40View* view, char letter) override {
    CMainFrame* main = app_.MainFrameWnd();
    const std::uint32_t command = paint::ToolCommandForKey(letter);
    if (main == nullptr || command == 0 || view == nullptr) return false;
    SendMessageA(main->Handle(), WM_COMMAND, command, 0);
    return true;
  }

  void OnViewGone(CLumo40View* view) override {
    CMainFrame* main = app_.MainFrameWnd();
    if (main != nullptr && main->Navigator().View() == view) main->Navigator().SetImage(nullptr);
    if (main != nullptr && main->LayerPalette().View() == view) main->LayerPalette().SetView(nullptr);
  }

  void ShowHelp(unsigned topic) override { app_.ShowHelp(app_.GetActiveTopLevelWnd(), HELP_CONTEXT, topic); }

  bool StartPick(HCURSOR overView, HCURSOR elsewhere, PickCallback callback, void* user, HWND view) override {
    return StartPickOnView(overView, elsewhere, callback, user, view) != 0;
  }

 private:
  CLumo40App& app_;
};

// The picking service's side of the image views.
class AppPickViews : public PickViews {
 public:
  explicit AppPickViews(CLumo40App& app) : app_(app) {}
  bool IsImageView(HWND window) override { return IsImageViewWnd(window); }
  HWND ActiveImageView() override { return GetActiveImageWindow(); }
  bool PickRuns(HWND view) override {
    CLumo40View* v = GetViewFromWnd(view);
    return v != nullptr && v->pickInProgress;
  }
  void SetPickRuns(HWND view, bool runs) override {
    if (CLumo40View* v = GetViewFromWnd(view)) v->pickInProgress = runs;
  }
  POINT WindowToImage(HWND view, POINT client) override {
    CLumo40View* v = GetViewFromWnd(view);
    return v != nullptr ? v->WindowPointToImagePixel(client) : client;
  }
  POINT ImageToWindow(HWND view, POINT pixel) override {
    CLumo40View* v = GetViewFromWnd(view);
    if (v != nullptr) v->Mapping().RevXForm(&pixel, kXFPixels);
    return pixel;
  }
  bool ZoomState(HWND view, XFFACT* x, SIZE* image) override {
    CLumo40View* v = GetViewFromWnd(view);
    if (v == nullptr || !v->HasDrawContext()) return false;
    const RECT r = v->GetImageRect();
    fw::FrameWnd* frame = v->GetParentFrame();
    if (RectIsEmpty(r) || (frame != nullptr && IsIconic(frame->Handle()))) return false;
    *x = v->Zoom().x;
    *image = SIZE{r.right, r.bottom};
    return true;
  }
  void SetZoomTarget(HWND view, std::int32_t a, std::int32_t b) override {
    CLumo40View* v = GetViewFromWnd(view);
    if (v == nullptr) return;
    const RECT r = v->GetImageRect();
    CLumo40View::ZoomTarget() = RatioFactors(r.right, r.bottom, a, b);
  }
  void ZoomToRect(HWND view, const RECT& imageRect) override {
    CLumo40View* v = GetViewFromWnd(view);
    if (v == nullptr) return;
    v->ZoomToRect(imageRect, true);
    CLumo40View::ZoomTarget() = v->Zoom();
  }
  std::string RectText(HWND view, const RECT& imageRect) override {
    CLumo40View* v = GetViewFromWnd(view);
    return v != nullptr ? v->FormatRectInUnits(imageRect, true) : std::string();
  }
  int AddPrompt(int channel, int priority, bool deferred) override { return app_.prompts.Add(channel, priority, deferred); }
  void SetPromptText(int handle, const std::string& text) override { app_.prompts.SetText(handle, text.c_str()); }
  void RemovePrompt(int handle) override { app_.prompts.Remove(handle); }

 private:
  CLumo40App& app_;
};

std::unique_ptr<AppViewShell> installed;
std::unique_ptr<AppPickViews> installedPick;

}  // namespace

void InstallAppViewShell(CLumo40App& app) {
  installed = std::make_unique<AppViewShell>(app);
  SetViewShell(installed.get());
  installedPick = std::make_unique<AppPickViews>(app);
  SetPickViews(installedPick.get());
}

void ResetColorManagementNotices() {
  if (installed) installed->cmNoticed = 0;
}

void RemoveAppViewShell() {
  SetViewShell(nullptr);
  installed.reset();
  SetPickViews(nullptr);
  installedPick.reset();
}

void PushViewSettings(const AppSettings& s) {
  ViewDisplaySettings& v = CurrentViewSettings();
  v.showRulers = s.rulersShow != 0;
  v.rulerUnits = s.rulerUnit;
  v.showGuides = s.guidesShow != 0;
  v.snapToGuides = s.guidesSnap != 0;
  v.lockGuides = s.guidesLocked != 0;
  v.guides.color = static_cast<COLORREF>(s.guideColor);
  v.guides.style = s.guideStyle;
  v.showGrid = s.gridShow != 0;
  v.snapToGrid = s.gridSnap != 0;
  v.grid.color = static_cast<COLORREF>(s.gridColor);
  v.grid.style = s.gridStyle;
  v.grid.spacingX = v.grid.spacingY = s.gridStep;
  v.grid.subdivisions = s.gridSubdiv;
  v.gridUnit = s.gridUnit;
  v.gamma = VR_GAMMAOPT{s.gammaR, s.gammaG, s.gammaB};
}

void PullViewSettings(AppSettings& s) {
  const ViewDisplaySettings& v = CurrentViewSettings();
  s.rulersShow = v.showRulers ? 1 : 0;
  s.rulerUnit = v.rulerUnits;
  s.guidesShow = v.showGuides ? 1 : 0;
  s.guidesSnap = v.snapToGuides ? 1 : 0;
  s.guidesLocked = v.lockGuides ? 1 : 0;
  s.guideColor = static_cast<int>(v.guides.color);
  s.guideStyle = v.guides.style;
  s.gridShow = v.showGrid ? 1 : 0;
  s.gridSnap = v.snapToGrid ? 1 : 0;
  s.gridColor = static_cast<int>(v.grid.color);
  s.gridStyle = v.grid.style;
  s.gridStep = static_cast<float>(v.grid.spacingX);
  s.gridSubdiv = v.grid.subdivisions;
  s.gridUnit = v.gridUnit;
}

namespace {

// The page's values in the views' current settings, shown at once.
void ApplyGuideGrid(const GuideGridValues& values) {
  ViewDisplaySettings& v = CurrentViewSettings();
  v.guides.color = values.guideColor;
  v.guides.style = values.guideStyle;
  v.grid.color = values.gridColor;
  v.grid.style = values.gridStyle;
  v.gridUnit = GridIndexToUnit(values.unitIndex);
  v.grid.spacingX = v.grid.spacingY = values.spacing;
  v.grid.subdivisions = values.subdivisions;
  CLumo40View::RefreshAllViewsSettings();
}

}  // namespace

void RunPreferences(CLumo40App& app, int firstSlot) {
  CMainFrame* main = app.MainFrameWnd();
  AppSettings& s = app.settings;
  CPreferences sheet(std::string(res::String(IDS_PREFERENCES)), main, firstSlot);

  CGeneralPage general;
  general.copyActiveLayerOnly = s.copyCutActiveLayerOnly;
  general.copyVisibleLayersOnly = s.copyOnlyVisibleLayers;
  general.emptyClipboardOnExit = s.emptyClipboardOnExit;
  general.discardInternalFormatsOnExit = s.discardInternalFormatsOnExit;
  general.memoryPercent = s.memoryPercent;
  general.limitBackup = s.limitBackup;
  general.createBackup = s.createBackup;
  sheet.SetSlot(CPreferences::kGeneral, &general);

  CGuidGridPage guides;
  const ViewDisplaySettings& v = CurrentViewSettings();
  guides.values.guideColor = v.guides.color;
  guides.values.guideStyle = v.guides.style;
  guides.values.gridColor = v.grid.color;
  guides.values.gridStyle = v.grid.style;
  guides.SetUnit(v.gridUnit);
  guides.values.spacing = v.grid.spacingX;
  guides.values.subdivisions = v.grid.subdivisions;
  guides.schemeProfile = &app.Settings();
  guides.applyLive = &ApplyGuideGrid;
  sheet.SetSlot(CPreferences::kGuidesGrid, &guides);

  CRulerPage rulers;
  rulers.unit = v.rulerUnits;
  rulers.applyLive = [](int unit) {
    CurrentViewSettings().rulerUnits = unit;
    CLumo40View::RefreshAllViewsSettings();
  };
  sheet.SetSlot(CPreferences::kRulers, &rulers);

  CPickerPage picker;
  const int storedPicker = LUGetProfileInt(app.Site(), "INTERFACE", "USELUSELCOLOR", 0);
  picker.choice = storedPicker;
  sheet.SetSlot(CPreferences::kPicker, &picker);

  CPrefSelection selection;
  selection.speed = s.animationSpeed;
  sheet.SetSlot(CPreferences::kSelection, &selection);

  CTabletPage tablet;
  tablet.enable = s.tabletEnable;
  tablet.varySize = s.tabletVarySize;
  tablet.varyOpacity = s.tabletVaryOpacity;
  sheet.SetSlot(CPreferences::kTablet, &tablet);

  if (sheet.DoModal() != IDOK) return;

  // Guides, grid and rulers: copied back, shown again in every view.
  CurrentViewSettings().rulerUnits = rulers.unit;
  ApplyGuideGrid(guides.values);
  PullViewSettings(s);
  // The tool host keeps the colour picker's choice in its own profile.
  if (picker.choice != storedPicker) LUWriteProfileInt(app.Site(), "INTERFACE", "USELUSELCOLOR", picker.choice);
  s.copyCutActiveLayerOnly = general.copyActiveLayerOnly;
  s.copyOnlyVisibleLayers = general.copyVisibleLayersOnly;
  s.emptyClipboardOnExit = general.emptyClipboardOnExit;
  s.discardInternalFormatsOnExit = general.discardInternalFormatsOnExit;
  if (general.limitBackup != s.limitBackup || general.createBackup != s.createBackup) {
    s.limitBackup = general.limitBackup;
    s.createBackup = general.createBackup;
    // Every open document's history is trimmed to the new limit.
    SetUndoLimit(UndoLimit{s.createBackup, s.limitBackup});
  }
  app.SetAnimationSpeed(selection.speed);
  if (general.memoryPercent != s.memoryPercent) app.SetMemoryPercent(general.memoryPercent);
  s.tabletEnable = tablet.enable;
  s.tabletVarySize = tablet.varySize;
  s.tabletVaryOpacity = tablet.varyOpacity;
  // The settings file holds them now, not only at exit.
  SaveSettings(s, app.Settings());
  SaveClipboardOptions(s, app.Settings());
}

}  // namespace lumora
