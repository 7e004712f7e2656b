// The complex fragment: items combined in order, each with its own code.
#pragma once

#include <vector>

#include "libs/fragment/fragment_object.h"

namespace lumora::frg {

class ComplexFrg final : public Fragment {
 public:
  struct Item {
    int code;
    Fragment* fragment;  // owned: one reference
  };

  ComplexFrg() = default;
  ~ComplexFrg() override;
  int Type() const override { return kFrgComplex; }
  Fragment* Clone() const override { return new ComplexFrg(*this); }
  Box ShapeBounds() const override;
  std::uint8_t ShapeOutside() const override;
  bool Offset(std::int64_t dx, std::int64_t dy) override;
  bool ShapeContains(std::int32_t x, std::int32_t y) const override;
  bool RenderShape(const Window& w) const override;
  int Depth() const override { return depth_; }

  // Takes over the reference of `fragment` (the caller's copy).
  void Add(Fragment* fragment, int code);
  int Count() const { return static_cast<int>(items_.size()); }
  const Item& At(int i) const { return items_[static_cast<std::size_t>(i)]; }

 private:
  ComplexFrg(const ComplexFrg& other);

  std::vector<Item> items_;
  int depth_ = 1;
};

}  // namespace lumora::frg
