// The paint attributes window: a floating tool window with one page per
// painting tool in a tab control. It holds the current brush (owned by the
// main frame), routes the image views' mouse and key messages to it through
// a tool-host hook, and asks the main frame for the tool of a tab the user
// chooses. The main frame makes it at start and keeps it for the run.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/win/Dialog.h"
#include "paint/BrushFile.h"
#include "paint/BrushHook.h"
#include "paint/ToolTable.h"

namespace VrWA2000 {
class WA;
}

namespace lumora {

class CLumo40View;
class CToolBrush;
class CBrushPage;
class CBrushSheet;

// The prompt text of the current brush (status channel 0): set, or cleared
// with an empty text; filled in by the application.
struct PaintPrompt {
  void (*set)(void* context, const char* text) = nullptr;
  void* context = nullptr;
};

class CPaintAttributes : public fw::Dialog, private paint::BrushHookClient {
 public:
  CPaintAttributes();
  ~CPaintAttributes() override;

  // Makes the window under `parent`, hidden; ShowAsSaved shows it as the
  // SHOW setting says.
  bool Create(HWND parent);
  void ShowAsSaved();
  bool Exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
  // View/Paint Attributes: shown or hidden, remembered in SHOW.
  void ShowWindowState(bool show);
  void SaveShowState();

  // The current brush (null: none); the window shows its page.
  void SetActiveBrush(CToolBrush* brush);
  CToolBrush* ActiveBrush() const { return brush_; }
  void OnViewActivated(CLumo40View* view);
  void PaintBrushOverlay(CLumo40View* view, HDC dc);
  int CurrentPage() const;
  // The page of a tab (null for a tool whose page is not built).
  CBrushPage* Page(int page) const;
  CBrushPage* CurrentPageObject() const { return Page(CurrentPage()); }
  paint::BrushFile& File() { return *file_; }
  const std::string& BrushFileName() const { return fileName_; }
  bool recreating = false;  // set by the frame around a re-creation
  PaintPrompt prompt;
  // The tool command id of the current brush (0: none).
  static std::uint32_t CurrentToolCommand();
  // Whether the left button went down with the brush and is not up yet.
  static bool PaintButtonDown();

 protected:
  bool OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void CreatePages();
  void CreateAttribBar();
  void LayOut();
  void ReadPlacement();
  void WritePlacement();
  void InsertTabs();
  // Shows tab `page`; unless re-creating, asks the main window for its
  // tool when the current brush is of another page.
  void ShowPage(int page, bool activate);
  void UpdateCaption(int page);
  void SelectPageForBrush(CToolBrush* brush);
 public:
  void UpdateInsertModes(bool restricted);
  // A new shape or paper of an image: written into its store and listed on
  // every page (selected); false, with the store's refusal said, when the
  // store cannot take it.
  bool AddBrushShape(const VrWA2000::WA* image, const std::string& name, bool invert);
  bool AddPaper(const VrWA2000::WA* image, const std::string& name, bool invert);
  // The store entry of that name leaves its store and every page.
  void RemoveBrushShape(const std::string& name);
  void RemovePaper(const std::string& name);
  // "Additional paint parameters" (32904): shown for the current page, or
  // hidden when shown.
  void ToggleBrushSheet();
  void HideBrushSheet();
  void CheckBrushSheetButton(bool down);
  CBrushSheet* BrushSheet() const { return sheet_.get(); }
  // The attribute bar's buttons as the current page allows them.
  void UpdateAttribBar();
  HWND AttribBar() const { return bar_; }
  // The tip of an attribute bar button (empty for other ids).
  static std::string BarTip(int command);
  HWND TabTips() const { return tabTips_; }
  // Keys of table 300 over the window or its pages: undo, redo, deselect
  // and repaint go to the active image window. The pages offer their keys
  // here first.
  bool TranslateKeys(MSG* msg);
  bool PreTranslateMessage(MSG* msg) override;
  HWND Tabs() const { return tabs_; }

 private:
  void AddTabTips();
  void UpdateTabTipRects();
  void InstallBrushHook();
  void RemoveBrushHook();
  void SetPrompt(const char* text);
  static int BrushHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);

  // paint::BrushHookClient
  bool HasBrush() const override { return brush_ != nullptr; }
  bool SetBrushCursor() override;
  POINT SnapPoint(void* window, POINT client) override;
  void KeyDown(std::uintptr_t wParam, std::intptr_t lParam) override;
  void KeyUp(std::uintptr_t wParam, std::intptr_t lParam) override;
  void MouseMove(void* window, std::uintptr_t flags, POINT p) override;
  void ButtonDown(void* window, std::uintptr_t flags, POINT p) override;
  void ButtonUp(void* window, std::uintptr_t flags, POINT p) override;
  void DoubleClick(void* window, std::uintptr_t flags, POINT p) override;
  void SetPaintButton(bool down) override;
  void FlushTabletQueue() override;

  CToolBrush* brush_ = nullptr;
  std::uint32_t brushHook_ = 0;
  bool show_ = true;
  bool minimized_ = false;
  bool initialised_ = false;
  bool previewOn_ = true;
  HWND tabs_ = nullptr;
  HWND bar_ = nullptr;
  HWND tabTips_ = nullptr;
  HIMAGELIST tabImages_ = nullptr;
  HIMAGELIST barImages_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::string fileName_;
  std::unique_ptr<paint::BrushFile> file_;
  std::array<std::unique_ptr<CBrushPage>, paint::kToolPageCount> pages_;
  std::unique_ptr<CBrushSheet> sheet_;
};

}  // namespace lumora
