// File-type associations and the OLE server entries against a fake
// classes root: the values written for a path, the unchecking that leaves
// other programs' keys, the fallback to the user's classes, the extension
// list and the start's refresh of the saved choices.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "document/ClassIds.h"
#include "app/FileTypes.h"
#include "app/ServerRegistration.h"
#include "framework/Profile.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

// Keys hold values by name ("" the default); `refuses` stands for a root
// the user may not write.
class FakeClasses : public ClassesRegistry {
 public:
  bool refuses = false;
  std::map<std::string, std::map<std::string, std::string>> keys;

  bool SetValue(const std::string& key, const std::string& name, const std::string& data) override {
    if (refuses) return false;
    keys[key][name] = data;
    return true;
  }
  bool GetValue(const std::string& key, const std::string& name, std::string* data) const override {
    auto k = keys.find(key);
    if (k == keys.end()) return false;
    auto v = k->second.find(name);
    if (v == k->second.end()) return false;
    *data = v->second;
    return true;
  }
  bool KeyExists(const std::string& key) const override { return keys.count(key) != 0; }
  bool DeleteValue(const std::string& key, const std::string& name) override {
    if (refuses) return false;
    auto k = keys.find(key);
    if (k != keys.end()) k->second.erase(name);
    return true;
  }
  bool DeleteTree(const std::string& key) override {
    if (refuses) return false;
    for (auto it = keys.begin(); it != keys.end();) {
      const bool under = it->first == key || it->first.rfind(key + "\\", 0) == 0;
      it = under ? keys.erase(it) : std::next(it);
    }
    return true;
  }
  std::string Value(const std::string& key, const std::string& name = "") const {
    auto k = keys.find(key);
    if (k == keys.end() || k->second.count(name) == 0) return "<missing>";
    return k->second.at(name);
  }
};

const AssociationTarget kTarget{"Lumo40.Document", "Lumora 4 Image", "C:\\Program Files\\Lumora\\Lumo40.exe"};

TEST(FileTypes, AnAssociationWritesItsFiveValuesWithTheQuotedPath) {
  FakeClasses classes;
  ASSERT_TRUE(RegisterExtension(classes, kTarget, "BMP", true));
  EXPECT_EQ(classes.Value("Lumo40.Document"), "Lumora 4 Image");
  EXPECT_EQ(classes.Value("Lumo40.Document\\shell\\open\\ddeexec"), "[open(\"%1\")]");
  EXPECT_EQ(classes.Value("Lumo40.Document\\shell\\open\\command"), "\"C:\\Program Files\\Lumora\\Lumo40.exe\" /dde");
  EXPECT_EQ(classes.Value(".bmp"), "Lumo40.Document");
  EXPECT_EQ(classes.Value(".bmp\\ShellNew", "NullFile"), "");
  EXPECT_TRUE(IsExtensionAssociated(classes, "Bmp", "Lumo40.Document"));
  // Nothing to name: refused, nothing written.
  FakeClasses empty;
  EXPECT_FALSE(RegisterExtension(empty, AssociationTarget{"", "x", "p"}, "BMP", true));
  EXPECT_FALSE(RegisterExtension(empty, kTarget, "", true));
  EXPECT_TRUE(empty.keys.empty());
}

TEST(FileTypes, UncheckingRemovesOnlyWhatTheProgramWrote) {
  FakeClasses classes;
  ASSERT_TRUE(RegisterExtension(classes, kTarget, "bmp", true));
  classes.keys[".bmp\\OpenWithProgids"]["Paint.Picture"] = "";  // another program's subkey
  classes.keys[".tif"][""] = "Other.Image";
  classes.keys[".tif\\ShellNew"]["NullFile"] = "";
  ASSERT_TRUE(RegisterExtension(classes, kTarget, "BMP", false));
  EXPECT_FALSE(IsExtensionAssociated(classes, "bmp", "Lumo40.Document"));
  EXPECT_FALSE(classes.KeyExists(".bmp\\ShellNew"));
  EXPECT_EQ(classes.Value(".bmp\\OpenWithProgids", "Paint.Picture"), "") << "another program's subkey stays";
  // Another program's extension is left whole.
  ASSERT_TRUE(RegisterExtension(classes, kTarget, "tif", false));
  EXPECT_EQ(classes.Value(".tif"), "Other.Image");
  EXPECT_TRUE(classes.KeyExists(".tif\\ShellNew"));
}

TEST(FileTypes, WritesTheMachineRefusesGoToTheUsersClasses) {
  FakeClasses machine, user;
  machine.refuses = true;
  FallbackClassesRegistry classes(machine, user);
  ASSERT_TRUE(RegisterExtension(classes, kTarget, "png", true));
  EXPECT_EQ(user.Value(".png"), "Lumo40.Document");
  EXPECT_TRUE(machine.keys.empty());
  EXPECT_TRUE(IsExtensionAssociated(classes, "png", "Lumo40.Document"));
  ServerTarget server{"Lumora 4 Image", ".LUD", kTarget.programPath};
  ASSERT_TRUE(RegisterServers(classes, server));
  // Both roots refusing: a failure, never a success.
  user.refuses = true;
  EXPECT_FALSE(RegisterExtension(classes, kTarget, "gif", true));
  EXPECT_FALSE(RegisterServers(classes, server));
}

TEST(FileTypes, TheExtensionListHasTheOwnTypesFirstAndEachReadableOnce) {
  const char list[] = "Windows Bitmap\0*.bmp;*.DIB\0Tagged Image\0*.tif;*.tiff\0All files\0*.*\0Photoshop\0*.psd\0";
  const std::vector<std::string> got = AssociableExtensions({"*.LUD", "*.PSD"}, list, sizeof list);
  EXPECT_EQ(got, (std::vector<std::string>{"LUD", "PSD", "bmp", "DIB", "tif", "tiff"}));
  EXPECT_EQ(ExtensionOfPattern("*.LUD"), "LUD");
  EXPECT_EQ(ExtensionOfPattern("none"), "");
}

TEST(FileTypes, TheStartRegistersSavedChoicesAgainAndDropsUnreadableOnes) {
  const auto folder = testing::MakeUniqueTempFolder("lumora-filetypes-");
  fw::IniFile settings((folder / "Lumo40.INI").string());
  WriteFileTypeChoices(settings, {{"bmp", true}, {"gif", false}, {"xyz", true}});
  FakeClasses classes;
  // The program moved: the old command is rewritten with the new path.
  classes.keys["Lumo40.Document\\shell\\open\\command"][""] = "\"C:\\Old\\Lumo40.exe\" /dde";
  classes.keys[".xyz"][""] = "Lumo40.Document";  // ours, but no longer readable
  classes.keys[".gif"][""] = "Lumo40.Document";
  // Saved as ours, no longer readable, but another program's by now.
  classes.keys[".abc"][""] = "Other.Image";
  WriteFileTypeChoices(settings, {{"bmp", true}, {"gif", false}, {"xyz", true}, {"abc", true}});
  const auto kept = RefreshFileAssociations(settings, classes, kTarget, {"LUD", "PSD", "BMP", "gif"});
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].extension, "bmp");
  EXPECT_EQ(kept[1].extension, "gif");
  EXPECT_EQ(classes.Value("Lumo40.Document\\shell\\open\\command"), OpenCommandLine(kTarget.programPath));
  EXPECT_TRUE(IsExtensionAssociated(classes, "bmp", "Lumo40.Document"));
  EXPECT_FALSE(IsExtensionAssociated(classes, "gif", "Lumo40.Document")) << "saved unchecked";
  EXPECT_FALSE(IsExtensionAssociated(classes, "xyz", "Lumo40.Document")) << "no longer readable";
  EXPECT_EQ(classes.Value(".abc"), "Other.Image") << "another program's key stays";
  const auto again = ReadFileTypeChoices(settings);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_TRUE(again[0].checked);
  EXPECT_FALSE(again[1].checked);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// The shell hears of associations only when the registry now says
// something else: in turn over one registry, a start that finds everything
// as it left it changes nothing; a moved program, an extension taken or
// given back does; a refused write does not.
TEST(FileTypes, OnlyWritesThatLeaveTheRegistryOtherwiseAreChanges) {
  FakeClasses classes;
  ASSERT_TRUE(RegisterExtension(classes, kTarget, "bmp", true));
  classes.keys[".tif"][""] = "Other.Image";
  AssociationTarget moved = kTarget;
  moved.programPath = "D:\\Lumora\\Lumo40.exe";
  const struct {
    const char* step;
    std::function<void(ClassesRegistry&)> write;
    bool changes;
  } steps[] = {
      {"the same association again", [](ClassesRegistry& r) { RegisterExtension(r, kTarget, "BMP", true); }, false},
      {"another program's extension unchecked", [](ClassesRegistry& r) { RegisterExtension(r, kTarget, "tif", false); },
       false},
      {"a new extension", [](ClassesRegistry& r) { RegisterExtension(r, kTarget, "png", true); }, true},
      {"the program moved", [&](ClassesRegistry& r) { RegisterExtension(r, moved, "png", true); }, true},
      {"ours unchecked", [](ClassesRegistry& r) { RegisterExtension(r, kTarget, "bmp", false); }, true},
      {"unchecked again", [](ClassesRegistry& r) { RegisterExtension(r, kTarget, "bmp", false); }, false},
      {"refused", [&](ClassesRegistry& r) {
         classes.refuses = true;
         RegisterExtension(r, kTarget, "gif", true);
         RegisterExtension(r, moved, "png", false);
         classes.refuses = false;
       }, false},
  };
  for (const auto& s : steps) {
    ChangeNotingClassesRegistry noting(classes);
    s.write(noting);
    EXPECT_EQ(noting.Changed(), s.changes) << s.step;
  }
  EXPECT_EQ(classes.Value(".png"), "Lumo40.Document") << "the refused unchecking left it";
}

TEST(FileTypes, TheServerEntriesNameTheClassIdsAndTheProgram) {
  FakeClasses classes;
  ASSERT_TRUE(RegisterServers(classes, ServerTarget{"Lumora 4 Image", ".LUD", "C:\\A B\\Lumo40.exe"}));
  const std::string doc = std::string("CLSID\\") + kDocumentClsidText;
  const std::string app = std::string("CLSID\\") + kApplicationClsidText;
  EXPECT_EQ(classes.Value("Lumo40.Document\\CLSID"), kDocumentClsidText);
  EXPECT_EQ(classes.Value(doc + "\\LocalServer32"), "\"C:\\A B\\Lumo40.exe\"");
  EXPECT_EQ(classes.Value(doc + "\\InprocHandler32"), "ole32.dll");
  EXPECT_TRUE(classes.KeyExists(doc + "\\Insertable"));
  EXPECT_EQ(classes.Value(doc + "\\DefaultExtension"), ".LUD");
  EXPECT_EQ(classes.Value("Lumo40.Application\\CLSID"), kApplicationClsidText);
  EXPECT_EQ(classes.Value(app + "\\LocalServer32"), "\"C:\\A B\\Lumo40.exe\" /Automation");
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

TEST(FileTypes, DialogRowsShowOnlyTheProgramsCurrentAssociationsAndOkKeepsTheChangeableRows) {
  FakeClasses classes;
  ASSERT_TRUE(RegisterExtension(classes, kTarget, "bmp", true));
  classes.keys[".png"][""] = "Other.Image";  // saved "1", then taken by another program
  const std::vector<FileTypeChoice> saved{{"bmp", true}, {"png", true}};
  const auto rows = FileTypeRows({"LUD", "PSD", "bmp", "png", "gif"}, {"LUD", "PSD"}, saved, classes, kTarget.typeId);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_TRUE(rows[0].greyed);
  EXPECT_TRUE(rows[1].greyed);
  EXPECT_TRUE(rows[2].checked);
  EXPECT_FALSE(rows[3].checked) << "another program owns .png now";
  EXPECT_FALSE(rows[4].checked) << "never saved";
  const auto choices = ChoicesFromRows(rows);
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[0].extension, "bmp");
  const auto folder = testing::MakeUniqueTempFolder("lumora-filetypes-");
  fw::IniFile settings((folder / "Lumo40.INI").string());
  settings.WriteString(kOpenedFilesSection, "old", "1");
  ASSERT_TRUE(ApplyFileTypeChoices(settings, classes, kTarget, {{"bmp", false}, {"gif", true}}));
  EXPECT_FALSE(IsExtensionAssociated(classes, "bmp", kTarget.typeId));
  EXPECT_TRUE(IsExtensionAssociated(classes, "gif", kTarget.typeId));
  EXPECT_EQ(settings.GetString(kOpenedFilesSection, "old", "<gone>"), "<gone>");
  EXPECT_EQ(settings.GetString(kOpenedFilesSection, "bmp", ""), "0");
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
}  // namespace lumora

#include "app/ShellDde.h"

namespace lumora {
namespace {

TEST(ShellDde, OpenCommandsAreParsedAndAnythingElseIsRefusedWhole) {
  struct Case {
    const char* text;
    std::vector<std::string> paths;  // empty: refused
  } cases[] = {
      {"[open(\"C:\\My Images\\a.lud\")]", {"C:\\My Images\\a.lud"}},
      {" [OPEN( \"a.png\" )] [open(\"b.bmp\")] ", {"a.png", "b.bmp"}},
      {"[open(\"a.png\")][print(\"a.png\")]", {}},
      {"[open(a.png)]", {}},
      {"[open(\"\")]", {}},
      {"[open(\"a.png\")", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    const auto got = ParseDdeOpenCommands(c.text);
    if (c.paths.empty()) {
      EXPECT_FALSE(got.has_value()) << c.text;
    } else {
      ASSERT_TRUE(got.has_value()) << c.text;
      EXPECT_EQ(*got, c.paths);
    }
  }
  EXPECT_EQ(DdeServiceName("C:\\Program Files\\Lumora\\Lumo40.exe"), "Lumo40");
  EXPECT_EQ(DdeServiceName("Lumo40"), "Lumo40");
}

}  // namespace
}  // namespace lumora
