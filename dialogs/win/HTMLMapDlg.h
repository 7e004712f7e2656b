// "HTML Map": the selection as one client-side map element (its bounding
// rectangle, or the polygon itself), copied to the clipboard or saved.
#pragma once

#include <string>

#include "dialogs/win/MyModalDlg.h"
#include "hostapi/fragment.h"

namespace lumora {

class CHTMLMapDlg : public CMyModalDlg {
  FW_DECLARE_MESSAGE_MAP()

 public:
  CHTMLMapDlg();
  // Writes the names to section "HTML_MAP", whatever ended the dialog.
  ~CHTMLMapDlg() override;

  // The area: the selection's bounding box (rows from the top), the whole
  // image for none or an inverted one. The fragment stays the caller's.
  void SetFragment(int width, int height, const Fragment* fragment);

  std::string mapName;
  std::string reference;
  std::string mapText;
  int shape = 0;  // 0 rectangle, 1 polygon
  const RECT& Area() const { return area_; }

  bool OnInitDialog() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;

 private:
  void OnNameChanged();
  void OnShapeClicked();
  void OnCopy();
  void OnSaveAs();
  void Rebuild();

  RECT area_{};
  int height_ = 0;
  const Fragment* fragment_ = nullptr;
  bool initialising_ = true;
};

}  // namespace lumora
