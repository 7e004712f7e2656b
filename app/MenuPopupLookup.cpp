// The menu-popup lookup's choice.
#include "app/MenuPopupLookup.h"

namespace lumora {

MenuPopupChoice ChooseMenuPopup(bool hasDocManager, int openDocuments, int kind, int mainIndex, int otherIndex) {
  if (!hasDocManager) return {};
  if (kind == 0) {
    if (openDocuments > 0) {
      if (mainIndex < 0 || mainIndex > 9) return {};
      return {MenuPopupSource::kDocument, mainIndex};
    }
    // The document menu's File, Edit, View, Options, Window and Help.
    static constexpr int kMainPlaces[] = {0, 1, 2, 7, 8, 9};
    for (int i = 0; i < 6; ++i) {
      if (kMainPlaces[i] == mainIndex) return {MenuPopupSource::kMain, i};
    }
    return {};
  }
  if (kind == 1) {
    if (otherIndex < 0 || otherIndex > 7) return {};
    return {MenuPopupSource::kInPlace, otherIndex + 1};
  }
  return {};
}

}  // namespace lumora
