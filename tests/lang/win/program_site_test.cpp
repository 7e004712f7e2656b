// The program's document site under Wine: the clipboard exchange of the
// copy and paste statements, and no active document without image windows.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/pixels/Dib.h"
#include "engine/pixels/WAccess.h"
#include "lang/Script.h"
#include "lang/doc/MacroLanguage.h"
#include "lang/doc/win/ProgramDocumentSite.h"

namespace lang {
namespace {

TEST(ProgramDocumentSite, BitmapsCrossTheRealClipboard) {
  WAPtr image = WAPtr::Adopt(new VrWA2000::WA(16, 5, 3, static_cast<const PALETTEENTRY*>(nullptr), false));
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 15; ++i) image->Row(y)[i] = static_cast<std::uint8_t>(y * 40 + i);
  const std::vector<std::uint8_t> dib = ImageToDIBBytes(image.get(), RECT{0, 0, 5, 3});
  ASSERT_FALSE(dib.empty());

  ProgramDocumentSite site;
  ASSERT_TRUE(site.PutDibOnClipboard(dib));
  const std::vector<std::uint8_t> back = site.GetDibFromClipboard();
  ASSERT_GE(back.size(), dib.size());
  EXPECT_TRUE(std::equal(dib.begin(), dib.end(), back.begin()));
  EXPECT_EQ(site.ActiveDocument(), nullptr);
  EXPECT_TRUE(site.OpenDocuments().empty());
}

TEST(ProgramDocumentSite, StartUpFindsTheVocabularyBesideTheProgram) {
  char module[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameA(nullptr, module, MAX_PATH), 0u);
  MacroLineBuffer& lines = InstallProgramMacroLanguage(module, nullptr);
  EXPECT_FALSE(lines.IsRecording());
  ASSERT_NE(GetLangCommands(), nullptr);
  ScriptStop stop;
  EXPECT_FALSE(RunScript({"FreeAllFrags();", "DeleteLayer();"}, &stop));
  EXPECT_NE(stop.reason.find("no active image"), std::string::npos) << stop.reason;
  RemoveMacroLanguage();
}

}  // namespace
}  // namespace lang
