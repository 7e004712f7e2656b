// The in-memory dialog template: header, caption and font, then each
// control on a 32-bit boundary with its class atom and text.
#include "libs/imgxfer/win/dialog_template.h"

namespace lumora::imgxfer {

DialogTemplate::DialogTemplate(const char* caption, short width, short height) {
  PutDword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
  PutDword(0);
  countAt_ = words_.size();
  words_.push_back(0);
  for (short v : {short{0}, short{0}, width, height}) words_.push_back(static_cast<WORD>(v));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the standard dialog class
  PutText(caption);
  words_.push_back(8);
  PutText("MS Shell Dlg");
}

void DialogTemplate::AddControl(WORD id, WORD classAtom, DWORD style, short x, short y, short cx, short cy,
                                const char* text) {
  AlignToDword();
  PutDword(style | WS_CHILD | WS_VISIBLE);
  PutDword(0);
  for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
  words_.push_back(id);
  words_.push_back(0xFFFF);
  words_.push_back(classAtom);
  PutText(text);
  words_.push_back(0);  // no creation data
  ++words_[countAt_];
}

void DialogTemplate::PutDword(DWORD value) {
  words_.push_back(static_cast<WORD>(value & 0xFFFF));
  words_.push_back(static_cast<WORD>(value >> 16));
}

void DialogTemplate::PutText(const char* text) {
  for (; *text != '\0'; ++text) words_.push_back(static_cast<unsigned char>(*text));
  words_.push_back(0);
}

void DialogTemplate::AlignToDword() {
  if (words_.size() % 2 != 0) words_.push_back(0);
}

}  // namespace lumora::imgxfer
