// Binding tables against fake controls: loading, parsing, ranges, focus.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/CommandIds.h"
#include "framework/DataExchange.h"
#include "framework/StringSource.h"

namespace {

class FakeControls : public fw::DialogControls {
 public:
  std::map<std::uint32_t, std::string> text;
  std::map<std::uint32_t, int> check;
  std::map<std::uint32_t, int> selection;
  std::map<std::uint32_t, std::vector<std::string>> items;
  std::vector<std::uint32_t> radios{20, 21, 22};
  std::uint32_t focused = 0;
  std::vector<std::string> messages;

  std::string GetText(std::uint32_t id) override { return text[id]; }
  void SetText(std::uint32_t id, const std::string& t) override { text[id] = t; }
  int GetCheck(std::uint32_t id) override { return check[id]; }
  void SetCheck(std::uint32_t id, int c) override { check[id] = c; }
  std::vector<std::uint32_t> RadioGroup(std::uint32_t first) override { return first == 20 ? radios : std::vector<std::uint32_t>{}; }
  int GetSelection(std::uint32_t id) override { return selection.count(id) ? selection[id] : -1; }
  void SetSelection(std::uint32_t id, int i) override { selection[id] = i; }
  void SelectComboString(std::uint32_t id, const std::string& t) override {
    const auto& list = items[id];
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i] == t) selection[id] = static_cast<int>(i);
    }
    text[id] = t;
  }
  void Focus(std::uint32_t id) override { focused = id; }
  void ShowMessage(const std::string& m) override { messages.push_back(m); }
};

struct Members {
  int width = 640;
  std::uint32_t count = 7;
  std::uint8_t level = 128;
  float gamma = 1.5f;
  double scale = 0.25;
  std::string name = "Layer";
  int visible = 1;
  int mode = 2;
  int comboIndex = 1;
  std::string comboText = "Blue";
  int listIndex = 0;

  std::vector<fw::Binding> Table() {
    return {fw::BindInt(1, width, 1, 30000), fw::BindUnsigned(2, count, 1, 99), fw::BindByte(3, level),
            fw::BindFloat(4, gamma, 0.1f, 10.0f), fw::BindDouble(5, scale, 0.0, 1.0), fw::BindText(6, name, 8),
            fw::BindCheck(7, visible), fw::BindRadio(20, mode), fw::BindComboIndex(8, comboIndex),
            fw::BindComboText(9, comboText), fw::BindListIndex(10, listIndex)};
  }
};

TEST(DataExchange, LoadingFillsEveryKindAndSavingReadsItBack) {
  FakeControls c;
  c.items[9] = {"Red", "Green", "Blue"};
  Members m;
  auto table = m.Table();
  ASSERT_TRUE(fw::ExchangeData(c, table, false).ok);
  EXPECT_EQ(c.text[1], "640");
  EXPECT_EQ(c.text[3], "128");
  EXPECT_EQ(c.text[4], "1.5");
  EXPECT_EQ(c.text[5], "0.25");
  EXPECT_EQ(c.check[7], 1);
  EXPECT_EQ(c.check[20], 0);
  EXPECT_EQ(c.check[22], 1);
  EXPECT_EQ(c.selection[8], 1);
  EXPECT_EQ(c.selection[9], 2);

  c.text = {{1, " 800 "}, {2, "12"}, {3, "255"}, {4, "2.25"}, {5, "1"}, {6, "Backdrop"}, {9, "Green"}};
  c.check[7] = 0;
  c.check[20] = 1;
  c.check[22] = 0;
  c.selection[8] = 0;
  c.selection[10] = 4;
  Members out;
  auto outTable = out.Table();
  fw::ExchangeResult r = fw::ExchangeData(c, outTable, true);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(out.width, 800);
  EXPECT_EQ(out.count, 12u);
  EXPECT_EQ(out.level, 255);
  EXPECT_FLOAT_EQ(out.gamma, 2.25f);
  EXPECT_DOUBLE_EQ(out.scale, 1.0);
  EXPECT_EQ(out.name, "Backdrop");
  EXPECT_EQ(out.visible, 0);
  EXPECT_EQ(out.mode, 0);
  EXPECT_EQ(out.comboIndex, 0);
  EXPECT_EQ(out.comboText, "Green");
  EXPECT_EQ(out.listIndex, 4);
  EXPECT_TRUE(c.messages.empty());
}

struct FailureCase {
  std::uint32_t control;
  std::string text;
  std::string message;
};

TEST(DataExchange, AFailedRowShowsItsMessageFocusesItsControlAndStops) {
  const FailureCase cases[] = {
      {1, "12a", "Type a whole number."},
      {1, "", "Type a whole number."},
      {1, "99999999999", "Type a whole number."},
      {1, "0", "Type a whole number from 1 to 30000."},
      {1, "30001", "Type a whole number from 1 to 30000."},
      {2, "-1", "Type a whole number of zero or more."},
      {2, "100", "Type a whole number from 1 to 99."},
      {3, "256", "Type a whole number from 0 to 255."},
      {4, "x", "Type a number."},
      {4, "1e300", "Type a number."},
      {4, "0.05", "Type a number from 0.1 to 10."},
      {5, "nan", "Type a number."},
      {5, "1.0001", "Type a number from 0 to 1."},
      {6, "Too long a name", "Type no more than 8 characters."},
  };
  for (const FailureCase& fc : cases) {
    SCOPED_TRACE(fc.text);
    FakeControls c;
    Members m;
    auto table = m.Table();
    fw::ExchangeData(c, table, false);
    c.text[fc.control] = fc.text;
    Members before = m;
    fw::ExchangeResult r = fw::ExchangeData(c, table, true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedControl, fc.control);
    EXPECT_EQ(c.focused, fc.control);
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_EQ(c.messages[0], fc.message);
    // Rows after the failing one are untouched.
    EXPECT_EQ(m.listIndex, before.listIndex);
  }
}

TEST(DataExchange, TheProgramsStringTableSuppliesTheMessages) {
  fw::SetStringProvider([](std::uint32_t id) {
    return id == fw::kIdpParseIntRange ? std::string("Value from %1 to %2 only.") : std::string();
  });
  FakeControls c;
  int v = 5;
  fw::Binding row[] = {fw::BindInt(1, v, -5, 5)};
  c.text[1] = "6";
  fw::ExchangeResult r = fw::ExchangeData(c, row, true);
  fw::SetStringProvider(nullptr);
  EXPECT_EQ(r.message, "Value from -5 to 5 only.");
  EXPECT_EQ(v, 5);
}

}  // namespace
