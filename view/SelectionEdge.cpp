// The marching ants' edge and dashes.
#include "view/SelectionEdge.h"

#include <algorithm>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"

namespace lumora {

namespace {

// Where a fragment's mask must be drawn to cover what it selects.
bool DrawArea(const Fragment* f, bool inverted, int width, int height, LURECT* area) {
  if (inverted) {
    *area = LURECT{0, 0, width, height};
    return true;
  }
  LURECT b{};
  if (!GetFragmentBoundRect(f, &b)) return false;
  const int left = std::max(0, b.x), top = std::max(0, b.y);
  const int right = std::min(width, b.x + b.width), bottom = std::min(height, b.y + b.height);
  *area = LURECT{left, top, right - left, bottom - top};
  return right > left && bottom > top;
}

}  // namespace

bool SelectionCoverageOf(const Fragment* selection, int width, int height, SelectionCoverage* out) {
  *out = SelectionCoverage{width, height, {}};
  if (selection == nullptr || width <= 0 || height <= 0) return true;
  // A complex selection is rendered to one mask first (its inversion in it).
  Fragment* combined = GetFragmentType(selection) == kFrgComplex ? GetComplexFrgMask(selection) : nullptr;
  const Fragment* source = combined != nullptr ? combined : selection;
  const bool inverted = IsFrgInverted(source) != 0;
  LURECT area{};
  if (!DrawArea(source, inverted, width, height, &area)) {
    if (combined != nullptr) DeleteFragment(combined);
    return GetFragmentType(selection) != kFrgComplex || combined != nullptr;
  }
  out->bits.assign(static_cast<std::size_t>(width) * height, inverted ? 255 : 0);
  bool drawn = true;
  if (GetFragmentType(source) != kFrgEmpty) {
    Fragment* mask = CreateEmptyMask(&area);
    drawn = mask != nullptr && PutFragmentToMask(mask, source, kFrgAdd) != 0;
    VrWA2000::WA* buffer = drawn ? GetMaskWA(mask) : nullptr;
    if (buffer != nullptr) {
      for (int y = 0; y < area.height; ++y) {
        const std::uint8_t* row = buffer->Row(y);
        std::uint8_t* to = &out->bits[static_cast<std::size_t>(area.y + y) * width + area.x];
        for (int x = 0; x < area.width; ++x) to[x] = inverted ? static_cast<std::uint8_t>(255 - row[x]) : row[x];
      }
      buffer->Release();
    }
    if (mask != nullptr) DeleteFragment(mask);
  }
  if (combined != nullptr) DeleteFragment(combined);
  if (!drawn) out->bits.clear();
  return drawn;
}

void SelectionEdge::Build(const SelectionCoverage& coverage, const WindowSampling& sampling) {
  pixels_.clear();
  if (coverage.bits.empty() || sampling.columns.size() < 3 || sampling.rows.size() < 3) return;
  const int w = static_cast<int>(sampling.columns.size()) - 2, h = static_cast<int>(sampling.rows.size()) - 2;
  // Sampled row by row: the selected flags of the rows above, at and below.
  auto rowFlags = [&](int v, std::vector<std::uint8_t>& flags) {
    const int y = sampling.rows[static_cast<std::size_t>(v + 1)];
    for (int u = -1; u <= w; ++u) {
      const int x = sampling.columns[static_cast<std::size_t>(u + 1)];
      flags[static_cast<std::size_t>(u + 1)] = x >= 0 && y >= 0 && coverage.Selected(x, y) ? 1 : 0;
    }
  };
  std::vector<std::uint8_t> above(static_cast<std::size_t>(w) + 2), here(above.size()), below(above.size());
  rowFlags(-1, above);
  rowFlags(0, here);
  for (int v = 0; v < h; ++v) {
    rowFlags(v + 1, below);
    for (int u = 0; u < w; ++u) {
      const std::size_t i = static_cast<std::size_t>(u) + 1;
      if (here[i] != 0 && (here[i - 1] == 0 || here[i + 1] == 0 || above[i] == 0 || below[i] == 0)) {
        pixels_.push_back(POINT{u, v});
      }
    }
    std::swap(above, here);
    std::swap(here, below);
  }
}

std::vector<RECT> SelectionEdge::Runs(int phase, bool black) const { return RunsOf(phase, black ? 1 : 0); }
std::vector<RECT> SelectionEdge::AllRuns() const { return RunsOf(0, 2); }

std::vector<RECT> SelectionEdge::AllRunsBanded() const {
  const std::vector<RECT> runs = AllRuns();
  std::vector<RECT> bands;
  std::size_t band = 0;  // the first rect of the last band
  std::size_t i = 0;
  while (i < runs.size()) {
    std::size_t end = i;
    while (end < runs.size() && runs[end].top == runs[i].top) ++end;
    // A row whose runs match the last band's spans and follows it directly
    // makes that band one row taller.
    const std::size_t count = end - i, last = bands.size() - band;
    bool joins = !bands.empty() && count == last && bands[band].bottom == runs[i].top;
    for (std::size_t k = 0; joins && k < count; ++k) {
      joins = bands[band + k].left == runs[i + k].left && bands[band + k].right == runs[i + k].right;
    }
    if (joins) {
      for (std::size_t k = 0; k < count; ++k) ++bands[band + k].bottom;
    } else {
      band = bands.size();
      bands.insert(bands.end(), runs.begin() + static_cast<std::ptrdiff_t>(i), runs.begin() + static_cast<std::ptrdiff_t>(end));
    }
    i = end;
  }
  return bands;
}

std::vector<RECT> SelectionEdge::RunsOf(int phase, int which) const {
  std::vector<RECT> runs;
  for (const POINT& p : pixels_) {
    if (which != 2 && IsBlack(p, phase) != (which == 1)) continue;
    if (!runs.empty() && runs.back().top == p.y && runs.back().right == p.x) {
      ++runs.back().right;
    } else {
      runs.push_back(RECT{p.x, p.y, p.x + 1, p.y + 1});
    }
  }
  return runs;
}

}  // namespace lumora
