// The open dialog's image browser: a small frame beside the dialog with a
// scrolling grid of thumbnails of the readable images in the dialog's
// folder. A click names the file in the dialog, a double click opens it.
// Thumbnails come from the database kept between runs when the file did
// not change.
#pragma once

#include <string>
#include <vector>

#include "files/ThumbnailDb.h"
#include "framework/win/Window.h"

namespace lumora {

class CBrowsePalette : public fw::Window {
  FW_DECLARE_MESSAGE_MAP()

 public:
  static constexpr int kCellWidth = 140;
  static constexpr int kCellHeight = 120;

  // Loads the database and the saved place.
  CBrowsePalette();
  // Writes the database (when changed and "SAVEDB" is on) and the place.
  ~CBrowsePalette() override;

  // Made beside `fileDialog` (owned by its top-level window); `hookWindow`
  // hears "CDM_UPDATEINFOFILE" after a click; `button` is "&Browse...",
  // `openFlag` cleared when the window goes.
  bool Create(HWND fileDialog, HWND hookWindow, HWND button, bool* openFlag);
  // Lists the folder's readable images and makes their thumbnails.
  void Fill();
  // Fills again only when the folder's readable files changed.
  void Refresh();
  // True when closed while filling: the owner destroys it afterwards.
  bool StopRequested() const { return stop_; }

  const std::vector<std::string>& Paths() const { return paths_; }
  const ThumbnailDb& Database() const { return db_; }
  // Thumbnails decoded from their files by the last fill.
  int DecodedCount() const { return decoded_; }
  // The cell's rectangle of list entry `index` in client coordinates.
  RECT CellRect(int index) const;
  static std::string DatabasePath();

  void PostNcDestroy() override {}

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBackground(WPARAM, LPARAM);
  LRESULT OnLButtonDown(WPARAM, LPARAM);
  LRESULT OnLButtonDblClk(WPARAM, LPARAM);
  LRESULT OnVScroll(WPARAM, LPARAM);
  LRESULT OnSize(WPARAM, LPARAM);
  LRESULT OnSysCommand(WPARAM, LPARAM);
  LRESULT OnContextMenu(WPARAM, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);

  std::vector<std::string> ListFolder() const;
  std::string Folder() const;
  int Columns() const;
  void SetScrollRange();
  void DrawItem(HDC dc, int cell, const std::string& path) const;
  void SelectAt(POINT client);
  void MarkSelection();
  void PumpSome();

  HWND fileDialog_ = nullptr;
  HWND hookWindow_ = nullptr;
  HWND button_ = nullptr;
  bool* openFlag_ = nullptr;
  bool saveDb_ = true;
  bool changed_ = false;
  bool busy_ = false;
  bool stop_ = false;
  int scroll_ = 0;
  int decoded_ = 0;
  RECT saved_{};
  std::vector<std::string> paths_;
  ThumbnailDb db_;
};

}  // namespace lumora
