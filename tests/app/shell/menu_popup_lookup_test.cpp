// The menu-popup lookup's cases: the main menu while no document is open,
// the document menu while some are, the in-place menu's popups 1-8.
#include <gtest/gtest.h>

#include "app/MenuPopupLookup.h"

namespace {

using lumora::MenuPopupSource;

TEST(MenuPopupLookup, KindsIndexesAndDocumentsChooseThePopup) {
  struct Case {
    const char* name;
    bool manager;
    int documents, kind, mainIndex, otherIndex;
    MenuPopupSource source;
    int index;
  } cases[] = {
      {"no document: File", true, 0, 0, 0, 0, MenuPopupSource::kMain, 0},
      {"no document: View", true, 0, 0, 2, 5, MenuPopupSource::kMain, 2},
      {"no document: Options at the document menu's 7", true, 0, 0, 7, 0, MenuPopupSource::kMain, 3},
      {"no document: Window", true, 0, 0, 8, 0, MenuPopupSource::kMain, 4},
      {"no document: Help", true, 0, 0, 9, 0, MenuPopupSource::kMain, 5},
      {"no document: Image has no popup", true, 0, 0, 3, 0, MenuPopupSource::kNone, -1},
      {"no document: Tools has no popup", true, 0, 0, 5, 0, MenuPopupSource::kNone, -1},
      {"no document: past Help", true, 0, 0, 10, 0, MenuPopupSource::kNone, -1},
      {"documents: Image", true, 2, 0, 3, 0, MenuPopupSource::kDocument, 3},
      {"documents: Tools", true, 1, 0, 5, 0, MenuPopupSource::kDocument, 5},
      {"documents: Help", true, 1, 0, 9, 0, MenuPopupSource::kDocument, 9},
      {"documents: past Help", true, 1, 0, 10, 0, MenuPopupSource::kNone, -1},
      {"documents: negative", true, 1, 0, -1, 0, MenuPopupSource::kNone, -1},
      {"in place: first popup (Edit)", true, 0, 1, 7, 0, MenuPopupSource::kInPlace, 1},
      {"in place: Image", true, 3, 1, 0, 2, MenuPopupSource::kInPlace, 3},
      {"in place: last popup (Help)", true, 0, 1, 0, 7, MenuPopupSource::kInPlace, 8},
      {"in place: past Help", true, 0, 1, 0, 8, MenuPopupSource::kNone, -1},
      {"in place: negative", true, 0, 1, 0, -1, MenuPopupSource::kNone, -1},
      {"unknown kind", true, 1, 2, 0, 0, MenuPopupSource::kNone, -1},
      {"no document manager", false, 1, 0, 3, 0, MenuPopupSource::kNone, -1},
      {"no document manager, in place", false, 0, 1, 0, 2, MenuPopupSource::kNone, -1},
  };
  for (const Case& c : cases) {
    const lumora::MenuPopupChoice got = lumora::ChooseMenuPopup(c.manager, c.documents, c.kind, c.mainIndex, c.otherIndex);
    EXPECT_EQ(static_cast<int>(got.source), static_cast<int>(c.source)) << c.name;
    EXPECT_EQ(got.index, c.index) << c.name;
  }
}

}  // namespace
