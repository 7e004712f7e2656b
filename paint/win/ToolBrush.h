// The program's side of a painting tool: the brush object a tool command
// makes, with its cursors and caption, the mouse slots the paint attributes
// window's hook calls, the view a stroke paints and the stroke's document.
// The pixels are the portable brushes' (paint/).
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "paint/BrushFile.h"
#include "paint/BrushRandom.h"
#include "paint/StrokeBrush.h"
#include "paint/ToolTable.h"

namespace lumora {

class CLumo40View;
class CLumo40Doc;

// What the brushes need of the program, filled in by the application.
struct PaintServices {
  // The application's foreground and background colours (red low).
  std::function<void(COLORREF* foreground, COLORREF* background)> colours;
  // The main window, which gets command 32935 after a stroke.
  std::function<HWND()> mainWindow;
  // The tablet's reading (none: 255 at 1 / 1).
  std::function<paint::TabletReading()> tablet;
  // The seed of each new brush's random source (none: from the clock).
  std::function<std::uint32_t()> seed;
};
PaintServices& ThePaintServices();

// A stroke's document: the view's document, its undo step, its refreshes
// (the view updated at once every 30 dabs).
class ViewStrokeDocument final : public paint::StrokeDocument {
 public:
  ViewStrokeDocument(CLumo40View* view, CLumo40Doc* doc) : view_(view), doc_(doc) {}
  CLayersManager* Layers() override;
  void OpenUndoStep(int undoNameId) override;
  void InvalidateImageRect(const RECT& rect) override;
  bool ResizeLayer(CLayer* layer, const RECT& rect) override;
  CLayer* FindUndoSnapshotLayer(std::uint64_t uniqueId) override;
  CLumo40Doc* Doc() const { return doc_; }
  CLumo40View* View() const { return view_; }
  bool StepOpened() const { return stepOpened_; }

 private:
  CLumo40View* view_;
  CLumo40Doc* doc_;
  int dabs_ = 0;
  bool stepOpened_ = false;
};

class CToolBrush {
 public:
  // The brush of a tool command; null for a command of no tool built here.
  static std::unique_ptr<CToolBrush> Create(std::uint32_t command);
  virtual ~CToolBrush();
  CToolBrush(const CToolBrush&) = delete;
  CToolBrush& operator=(const CToolBrush&) = delete;

  // Called once by the tool command before the brush becomes current.
  virtual int Initialize() { return 1; }
  // The no-paint cursor while the active layer refuses painting.
  virtual HCURSOR GetCursor() const;
  virtual void OnActivateView(CLumo40View* view);
  virtual int OnViewPaint(CLumo40View*, HDC) { return 0; }
  // Client points of the view window `window`.
  virtual void OnLButtonDown(HWND window, UINT flags, int x, int y);
  virtual void OnMouseMove(HWND window, UINT flags, int x, int y);
  virtual void OnLButtonUp(HWND window, UINT flags, int x, int y);
  virtual void OnLButtonDblClk(HWND, UINT, int, int) {}
  virtual int OnKeyDown(WPARAM, LPARAM) { return 0; }
  virtual int OnKeyUp(WPARAM, LPARAM) { return 0; }

  // The page's settings, pushed as they change (Part of every brush page).
  virtual void SetWidth(int width, const paint::EdgeValues& edge);
  virtual void SetOpacity(int percent);
  virtual void SetShape(int index, const std::string& file);
  virtual void SetPaper(int index, const std::string& file);
  virtual void SetInsertMode(int mode);
  virtual int GetInsertMode() const;
  // Hue, value and saturation jitter, angle, rotation mode, colour mode.
  virtual void SetParams(const std::array<std::uint32_t, 6>& params);
  std::array<std::uint32_t, 6> Params() const { return params_; }
  // The eraser's action and the airbrush's density.
  void SetEraseAction(int action);
  void SetDensity(int percent);
  // The shape tools' drawing style (0 outlined, 1 filled by the foreground,
  // 2 filled by the background).
  virtual void SetStyle(int) {}
  // The water brush's manner (0 water drop, 1 smear) and strength 1..10.
  void SetWater(int manner, int strength);
  // The stores custom shapes and papers are read from.
  void SetStores(const paint::CFileManager* shapes, const paint::CFileManager* papers);
  int Width() const { return engine_->Width(); }

  std::uint32_t CommandId() const { return info_.command; }
  paint::BrushClass Class() const { return info_.brushClass; }
  const char* Name() const { return info_.name; }
  const std::string& Caption() const { return caption_; }
  paint::StrokeBrush& Engine() { return *engine_; }
  bool Capturing() const { return capturing_; }
  bool CannotPaint() const { return cannotPaint_; }

 protected:
  CToolBrush(const paint::ToolInfo& info, std::unique_ptr<paint::StrokeBrush> engine, std::unique_ptr<BrushRandom> random,
             LPCSTR cursor);
  // Starts the engine's stroke at an image point (the clone checks its
  // source first).
  virtual bool StartEngineStroke(ViewStrokeDocument* document, POINT image) {
    return engine_->ButtonDown(document, image.x, image.y);
  }
  // After the stroke: the palette, the navigator, the tool host's preview.
  void AfterStroke(CLumo40Doc* doc);
  // The selection of the view's document as the stroke's limit.
  void TakeSelection(CLumo40Doc* doc);

  paint::ToolInfo info_;
  std::unique_ptr<BrushRandom> random_;  // before the engine, which keeps a reference
  std::unique_ptr<paint::StrokeBrush> engine_;
  std::string caption_;
  HCURSOR toolCursor_ = nullptr;
  HCURSOR noPaintCursor_ = nullptr;
  bool cannotPaint_ = false;
  bool capturing_ = false;
  HWND captured_ = nullptr;
  std::unique_ptr<ViewStrokeDocument> stroke_;
  std::array<std::uint32_t, 6> params_{};
  int insertMode_ = 0;
};

}  // namespace lumora
