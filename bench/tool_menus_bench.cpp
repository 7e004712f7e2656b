// BM_ToolMenuBuild: the registered-tool menus built from a registry of 300
// processing tools in nested groups (ten groups of three sub-groups, names
// in no order), into in-memory menus that keep their entries as the window
// system's do and compare texts without regard to case (the build's own
// work; the window system's insertions are not in the figure). The figure
// asked for: at most 5 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "app/ToolMenus.h"

namespace {

struct Tool {
  std::uint32_t flags;
  std::string group, name;
};

class Registry : public lumora::ToolRegistry {
 public:
  std::vector<Tool> tools;
  int NextTool(int previous) override { return previous < static_cast<int>(tools.size()) ? previous + 1 : 0; }
  bool Flags(int tool, std::uint32_t* flags) override {
    *flags = tools[tool - 1].flags;
    return true;
  }
  bool GroupName(int tool, std::string* group) override {
    *group = tools[tool - 1].group;
    return true;
  }
  bool MenuName(int tool, std::string* name) override {
    *name = tools[tool - 1].name;
    return true;
  }
};

struct Menu {
  std::vector<std::string> texts;
};

class Menus : public lumora::MenuEditor {
 public:
  std::vector<std::unique_ptr<Menu>> owned;
  void* CreatePopup() override {
    owned.push_back(std::make_unique<Menu>());
    return owned.back().get();
  }
  int Count(void* m) override { return static_cast<int>(static_cast<Menu*>(m)->texts.size()); }
  std::string Text(void* m, int i) override { return static_cast<Menu*>(m)->texts[i]; }
  bool InsertItem(void* m, int i, std::uint32_t, const std::string& text, bool) override {
    auto& t = static_cast<Menu*>(m)->texts;
    t.insert(t.begin() + i, text);
    return true;
  }
  bool InsertPopup(void* m, int i, void*, const std::string& text) override {
    auto& t = static_cast<Menu*>(m)->texts;
    t.insert(t.begin() + i, text);
    return true;
  }
  void Delete(void* m, int i) override {
    auto& t = static_cast<Menu*>(m)->texts;
    t.erase(t.begin() + i);
  }
  int Compare(const std::string& a, const std::string& b) override {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      const int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
      if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  }
};

void BM_ToolMenuBuild(benchmark::State& state) {
  Registry registry;
  for (int i = 0; i < 300; ++i) {
    // Tools spread over ten groups of three sub-groups each, in scrambled order.
    const int k = (i * 37) % 300;
    registry.tools.push_back({1, "Group " + std::to_string(k % 10) + "\\&Sub " + std::to_string(k % 3),
                              "Tool &" + std::to_string((k * 7919) % 1000)});
  }
  for (auto _ : state) {
    Menus menus;
    void* roots[lumora::kToolTables] = {menus.CreatePopup(), menus.CreatePopup(), menus.CreatePopup(),
                                        menus.CreatePopup()};
    for (void* root : roots) menus.InsertItem(root, 0, 1, "No processing tools registered", true);
    lumora::ToolMenus tm;
    benchmark::DoNotOptimize(tm.Build(registry, menus, roots));
  }
  state.SetItemsProcessed(state.iterations() * 300);
}
BENCHMARK(BM_ToolMenuBuild)->Unit(benchmark::kMillisecond);

}  // namespace
