// Control-bar placement in the profile.
#include <gtest/gtest.h>

#include <map>

#include "framework/BarState.h"

namespace {

// The profile in memory, so a test can damage single entries.
class MapStore : public fw::Profile {
 public:
  std::map<std::string, std::string> values;
  std::string GetString(std::string_view s, std::string_view k, std::string_view d) override {
    auto it = values.find(Key(s, k));
    return it == values.end() ? std::string(d) : it->second;
  }
  bool WriteString(std::string_view s, std::string_view k, std::string_view v) override {
    values[Key(s, k)] = v;
    return true;
  }
  bool Remove(std::string_view s, std::optional<std::string_view> k) override {
    if (k) return values.erase(Key(s, *k)) > 0;
    std::erase_if(values, [&](const auto& e) { return e.first.starts_with(std::string(s) + "/"); });
    return true;
  }
  std::vector<std::string> GetKeyNames(std::string_view s) override {
    std::vector<std::string> names;
    for (const auto& [key, value] : values)
      if (key.starts_with(std::string(s) + "/")) names.push_back(key.substr(s.size() + 1));
    return names;
  }

 private:
  static std::string Key(std::string_view s, std::string_view k) { return std::string(s) + "/" + std::string(k); }
};

TEST(BarState, PlacesSurviveASaveAndLoad) {
  MapStore store;
  std::vector<fw::BarState> bars = {{59392, true, fw::DockSide::kLeft, 0, 0, 0},
                                    {59402, false, fw::DockSide::kFloating, 300, -20, 0},
                                    {59393, true, fw::DockSide::kBottom, 0, 0, 1, 0}};
  fw::SaveBarStates(store, "Bars", bars);
  std::vector<fw::BarState> back = fw::LoadBarStates(store, "Bars");
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].side, fw::DockSide::kLeft);
  EXPECT_FALSE(back[1].visible);
  EXPECT_EQ(back[1].floatX, 300);
  EXPECT_EQ(back[1].floatY, -20);
  EXPECT_EQ(back[2].order, 1);
  EXPECT_EQ(back[2].row, 0);
  store.values.erase("Bars-Bar2/Row");
  EXPECT_EQ(fw::LoadBarStates(store, "Bars")[2].row, 1) << "settings without rows give a row per bar";
  EXPECT_EQ(fw::DockBarId(fw::DockSide::kLeft), 59420u);
}

TEST(BarState, DamagedEntriesAreLeftOut) {
  MapStore store;
  EXPECT_TRUE(fw::LoadBarStates(store, "Bars").empty());
  fw::SaveBarStates(store, "Bars", {{59392, true, fw::DockSide::kTop, 0, 0, 0}, {59393, true, fw::DockSide::kTop, 0, 0, 0}});
  store.values["Bars-Bar0/DockSide"] = "9";
  store.values["Bars-Summary/Bars"] = "1000000";
  std::vector<fw::BarState> back = fw::LoadBarStates(store, "Bars");
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].barId, 59393u);
}

}  // namespace
