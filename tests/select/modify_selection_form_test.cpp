// The Modify Selection dialog's model: the kept amount, typing and leaving
// the edit.
#include <gtest/gtest.h>

#include <filesystem>

#include "select/ModifySelectionForm.h"
#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

TEST(ModifySelectionForm, KeptAmountTypingAndLeaving) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("modify_form");
  fw::IniFile ini((folder / "Lumo40.INI").string());
  const ModifyOperation* border = ModifyOperationOf(33037);
  ASSERT_NE(border, nullptr);
  EXPECT_EQ(border->templateId, 265u);
  EXPECT_EQ(border->maximum, 200);
  EXPECT_EQ(ModifyOperationOf(32873)->maximum, 100);
  EXPECT_EQ(ModifyOperationOf(1), nullptr);

  ModifySelectionForm form(border->key, border->maximum);
  form.Load(ini);
  EXPECT_EQ(form.Value(), 1) << "nothing kept: the minimum";
  ini.WriteInt("Modify Selection", "Border", 500);
  form.Load(ini);
  EXPECT_EQ(form.Value(), 200) << "clamped";

  struct Case {
    const char* typed;
    int value;
  };
  for (const Case& c : {Case{"12", 12}, Case{"0", 12}, Case{"201", 12}, Case{"x", 12}, Case{"200", 200}}) {
    form.OnTextChanged(c.typed);
    EXPECT_EQ(form.Value(), c.value) << c.typed;
  }
  std::string back;
  EXPECT_EQ(form.OnLeave("300", &back), "Please enter an integer between 1 and 200.");
  EXPECT_EQ(back, "200");
  EXPECT_EQ(form.OnLeave("-4", &back), "Please enter an integer between 1 and 200.");
  EXPECT_EQ(form.Value(), 1);
  EXPECT_EQ(form.OnLeave("7", &back), "");
  form.Save(ini);
  EXPECT_EQ(ini.GetInt("Modify Selection", "Border", 0), 7);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumora
