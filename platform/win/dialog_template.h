// Dialogs of the libraries, which have no resources of their own, are built
// in memory: a template writer for them.
#pragma once

#include <windows.h>

#include <vector>

namespace lumora::platform {

// A dialog template in memory: the header, then one item per control,
// each on a DWORD boundary, strings as UTF-16.
class TemplateWriter {
 public:
  void Word(WORD w) { bytes_.insert(bytes_.end(), reinterpret_cast<BYTE*>(&w), reinterpret_cast<BYTE*>(&w) + 2); }
  void Dword(DWORD d) { bytes_.insert(bytes_.end(), reinterpret_cast<BYTE*>(&d), reinterpret_cast<BYTE*>(&d) + 4); }
  void Text(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) Word(static_cast<unsigned char>(*c));
    Word(0);
  }
  void Align() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  void Header(const char* caption, WORD items, short cx, short cy) {
    Dword(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    Dword(0);
    Word(items);
    Word(0), Word(0), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    Word(0);  // the dialog class
    Text(caption);
    Word(8);
    Text("MS Shell Dlg");
  }
  // Predefined classes by atom: 0x80 button, 0x81 edit, 0x82 static, 0x85
  // combo box.
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const char* text) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* Get() {
    Align();
    return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
  }

 private:
  std::vector<BYTE> bytes_;
};

}  // namespace lumora::platform
