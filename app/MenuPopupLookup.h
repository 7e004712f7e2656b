// Which cached popup a menu-popup lookup gives: kind 0 is the program's
// window menu (the no-document menu's popups 0-5 stand at the document
// menu's places 0, 1, 2, 7, 8, 9 while no document is open; the document
// menu's popups 0-9 while some are), kind 1 the in-place menu's popups 1-8
// (other index 0-7). Nothing (an empty choice) without a document manager
// or for an index or kind out of range.
#pragma once

namespace lumora {

enum class MenuPopupSource { kNone, kMain, kDocument, kInPlace };

struct MenuPopupChoice {
  MenuPopupSource source = MenuPopupSource::kNone;
  int index = -1;  // the popup's position in its menu
};

MenuPopupChoice ChooseMenuPopup(bool hasDocManager, int openDocuments, int kind, int mainIndex, int otherIndex);

}  // namespace lumora
