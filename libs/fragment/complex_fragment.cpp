// Complex fragments: the items' selections (each with its inversion) are
// combined from "nothing selected" in order; the result is the shape.
#include "libs/fragment/complex_fragment.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "libs/fragment/combine.h"

namespace lumora::frg {

namespace {

// An item's selection far away from its shape.
int FarBit(const Fragment& f) { return ((f.ShapeOutside() != 0) != f.Inverted()) ? 1 : 0; }

}  // namespace

ComplexFrg::ComplexFrg(const ComplexFrg& other) : Fragment(&other), depth_(other.depth_) {
  items_.reserve(other.items_.size());
  try {
    for (const Item& item : other.items_) items_.push_back(Item{item.code, item.fragment->Clone()});
  } catch (...) {
    for (Item& item : items_) item.fragment->Release();
    throw;
  }
}

ComplexFrg::~ComplexFrg() {
  for (Item& item : items_) item.fragment->Release();
}

void ComplexFrg::Add(Fragment* fragment, int code) {
  try {
    items_.push_back(Item{code, fragment});
  } catch (...) {
    fragment->Release();
    throw;
  }
  depth_ = std::max(depth_, fragment->Depth() + 1);
  Changed();
}

std::uint8_t ComplexFrg::ShapeOutside() const {
  int s = 0;
  for (const Item& item : items_) s = CombineBits(item.code, s, FarBit(*item.fragment));
  return s != 0 ? 255 : 0;
}

// Folds the items' regions: the part of the running region where only the
// selection so far varies matters when the code passes the current value
// through for the item's far value, and the item's region matters when the
// code passes the item through for the running far value; where both overlap
// it always may.
Box ComplexFrg::ShapeBounds() const {
  Box region;
  int farValue = 0;
  for (const Item& item : items_) {
    const Box itemRegion = item.fragment->ShapeBounds();
    const int itemFar = FarBit(*item.fragment);
    const bool keepRunning =
        CombineBits(item.code, 0, itemFar) != CombineBits(item.code, 1, itemFar);
    const bool keepItem =
        CombineBits(item.code, farValue, 0) != CombineBits(item.code, farValue, 1);
    Box next = region.Intersect(itemRegion);
    if (keepRunning) next = next.Union(region);
    if (keepItem) next = next.Union(itemRegion);
    region = next;
    farValue = CombineBits(item.code, farValue, itemFar);
  }
  return region;
}

bool ComplexFrg::Offset(std::int64_t dx, std::int64_t dy) {
  // Move copies first, so that a refusal leaves every item where it was.
  std::vector<Fragment*> moved;
  moved.reserve(items_.size());
  bool ok = true;
  for (const Item& item : items_) {
    Fragment* copy = item.fragment->Clone();
    moved.push_back(copy);
    if (!copy->Offset(dx, dy)) {
      ok = false;
      break;
    }
  }
  if (!ok) {
    for (Fragment* f : moved) f->Release();
    return false;
  }
  for (std::size_t i = 0; i < items_.size(); ++i) {
    items_[i].fragment->Release();
    items_[i].fragment = moved[i];
  }
  Changed();
  return true;
}

bool ComplexFrg::ShapeContains(std::int32_t x, std::int32_t y) const {
  int s = 0;
  for (const Item& item : items_) {
    s = CombineBits(item.code, s, item.fragment->SelectionContains(x, y) ? 1 : 0);
  }
  return s != 0;
}

bool ComplexFrg::RenderShape(const Window& w) const {
  w.Fill(0);
  if (items_.empty()) return true;
  const std::size_t rowBytes = static_cast<std::size_t>(w.rect.width);
  // Every item writes every pixel of the scratch window.
  const std::unique_ptr<std::uint8_t[]> scratch = std::make_unique_for_overwrite<std::uint8_t[]>(
      rowBytes * static_cast<std::size_t>(w.rect.height));
  const Window itemWindow{w.rect, scratch.get(), static_cast<std::ptrdiff_t>(rowBytes)};
  for (const Item& item : items_) {
    if (!item.fragment->RenderSelection(itemWindow)) return false;
    const std::uint8_t* table = CombineTable(item.code);
    for (int j = 0; j < w.rect.height; ++j) {
      CombineRow(w.Row(j), itemWindow.Row(j), w.rect.width, table);
    }
  }
  return true;
}

}  // namespace lumora::frg
