// Builds a dialog template in memory (DLGTEMPLATE and its items), so the
// library needs no resource script of its own.
#pragma once

#include <windows.h>

#include <vector>

namespace lumora::imgxfer {

class DialogTemplate {
 public:
  // A modal dialog in 8-point "MS Shell Dlg", size in dialog units.
  DialogTemplate(const char* caption, short width, short height);
  void AddControl(WORD id, WORD classAtom, DWORD style, short x, short y, short cx, short cy, const char* text);
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  static constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085;

 private:
  void PutDword(DWORD value);
  void PutText(const char* text);
  void AlignToDword();

  std::vector<WORD> words_;
  std::size_t countAt_ = 0;
};

}  // namespace lumora::imgxfer
