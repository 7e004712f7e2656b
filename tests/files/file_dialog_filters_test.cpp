// The filter lists of the image open and save dialogs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/FileDialogFilters.h"

namespace lumora {
namespace {

// The library's list: NUL-separated, ended by one more NUL.
constexpr char kList[] = "Windows Bitmap (*.bmp)\0*.bmp;*.dib\0PNG (*.png)\0*.png\0";
const std::string kReadable(kList, sizeof kList);

TEST(FileDialogFilters, OpenListHasNativeTypesLibraryFormatsAndAllSupported) {
  const std::string full = BuildOpenFilter(false, kReadable);
  EXPECT_EQ(full,
            "Lumora 4.0 Document (*.LUD)|*.LUD|PhotoShop Document (*.PSD)|*.PSD|"
            "Windows Bitmap (*.bmp)|*.bmp;*.dib|PNG (*.png)|*.png|"
            "All supported files|*.bmp;*.dib;*.png;*.LUD;*.PSD||");
  EXPECT_EQ(CountFilters(full), 5);
  EXPECT_EQ(GetFilterExtensions(full, 3), (std::vector<std::string>{"*.bmp", "*.dib"}));
  EXPECT_TRUE(GetFilterExtensions(full, 6).empty());
  EXPECT_TRUE(GetFilterExtensions(full, 0).empty());

  // Without the native types the first entry is the first readable format
  // and "All supported files" names no native pattern.
  const std::string plain = BuildOpenFilter(true, kReadable);
  EXPECT_EQ(ParseFilter(plain).front().description, "Windows Bitmap (*.bmp)");
  EXPECT_EQ(ParseFilter(plain).back().patterns, "*.bmp;*.dib;*.png");
  // No readable formats at all still gives a usable list.
  EXPECT_EQ(BuildOpenFilter(true, std::string()), "All supported files|||");
}

TEST(FileDialogFilters, ExtensionTests) {
  const std::string full = BuildOpenFilter(false, kReadable);
  EXPECT_TRUE(ExtensionInFilter("C:\\pics\\a.DIB", full));
  EXPECT_TRUE(ExtensionInFilter("a.lud", full));
  EXPECT_FALSE(ExtensionInFilter("C:\\pics\\a.tga", full));
  EXPECT_FALSE(ExtensionInFilter("C:\\pics.bmp\\noext", full));
  EXPECT_TRUE(HasNativeExtension("x.psd"));
  EXPECT_TRUE(HasNativeExtension("x.Lud"));
  EXPECT_FALSE(HasNativeExtension("x.png"));
  EXPECT_FALSE(HasNativeExtension("psd"));
}

TEST(FileDialogFilters, SaveDialogStartsOnTheTypeOfTheName) {
  const std::string filter = "LUD (*.LUD)|*.LUD|PSD (*.PSD)|*.PSD|Bitmap|*.bmp;*.dib|PNG|*.png||";
  struct Case {
    const char* name;
    int index;
    const char* defaultExt;
    const char* fileName;
  } cases[] = {
      {"C:\\pics\\a.psd", 2, "PSD", "C:\\pics\\a.psd"},
      {"C:\\pics\\a.DIB", 3, "dib", "C:\\pics\\a.DIB"},
      {"photo.png", 4, "png", "photo.png"},
      // No type of the list: the first type's extension, folder and base kept.
      {"C:\\pics\\a.tga", 1, "", "C:\\pics\\a.LUD"},
      {"UNTITLED1", 1, "", "UNTITLED1.LUD"},
      {"C:\\my.pics\\copy of a", 1, "", "C:\\my.pics\\copy of a.LUD"},
      {"", 1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SaveFilterMatch match = MatchSaveFilter(filter, c.name);
    EXPECT_EQ(match.filterIndex, c.index);
    EXPECT_EQ(match.defaultExt, c.defaultExt);
    EXPECT_EQ(match.fileName, c.fileName);
  }
}

TEST(FileDialogFilters, ChoosingATypeReplacesTheExtensionOnly) {
  const std::string filter = "LUD (*.LUD)|*.LUD|PSD (*.PSD)|*.PSD|Bitmap|*.bmp;*.dib|All|*.*||";
  std::string ext;
  EXPECT_EQ(NameForType(filter, 2, "C:\\pics\\a.LUD", &ext), "C:\\pics\\a.PSD");
  EXPECT_EQ(ext, "PSD");
  EXPECT_EQ(NameForType(filter, 3, "C:\\my.pics\\a", &ext), "C:\\my.pics\\a.bmp");
  EXPECT_EQ(ext, "bmp");
  // A type without one extension leaves the name as it is.
  EXPECT_EQ(NameForType(filter, 4, "a.png", &ext), "a.png");
  EXPECT_EQ(ext, "");
  EXPECT_EQ(NameForType(filter, 9, "a.png", &ext), "a.png");
}

}  // namespace
}  // namespace lumora
