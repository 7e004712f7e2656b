// Layer/Edges...: the edge templates of menu 141 as thumbnails of the
// layer's picture on tab pages, one chosen with a lighting direction.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/EdgeThumbnail.h"
#include "dialogs/win/MyModalDlg.h"

namespace lumora {

// The template resource `id` of this program; empty when missing or bad.
EdgeTemplate LoadEdgeTemplate(std::uint32_t id);

// Whether `id` is an item of the catalogue the dialog's pages show.
bool IsCatalogueEdgeTemplate(std::uint32_t id);

class CEdgeDlg : public CMyModalDlg {
 public:
  CEdgeDlg(std::vector<std::uint8_t> previewDib, std::uint32_t edgeColor);
  ~CEdgeDlg() override;

  bool OnInitDialog() override;
  void OnOK() override;

  // After OK.
  std::uint32_t TemplateId() const { return result_; }
  int Lighting() const { return lighting_; }

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  struct Item {
    std::uint32_t id = 0;
    std::string name;
    Picture24 thumbnail;
  };
  void BuildPage(int page, bool reset);
  void Geometry(int* columns, int* rows, int* cellW, int* cellH) const;
  RECT CellOf(int index) const;
  int HitTest(POINT p) const;
  void Paint(HDC dc);
  void Select(int index);
  void UpdateButtons();
  void RebuildThumbnails();

  std::vector<std::uint8_t> previewDib_;
  std::uint32_t edgeColor_;
  Picture24 preview_;
  HFONT font_ = nullptr;
  HWND tabs_ = nullptr;
  RECT area_{};
  int page_ = 0;
  int selected_ = -1;
  int first_ = 0;
  int lighting_ = 0;
  std::uint32_t result_ = 0;
  std::vector<Item> items_;
};

}  // namespace lumora
