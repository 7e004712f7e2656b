// A random source that replays a list of draws, cycling.
#pragma once

#include <vector>

#include "paint/BrushRandom.h"

namespace painttest {

class ScriptedRandom final : public BrushRandom {
 public:
  explicit ScriptedRandom(std::vector<std::uint32_t> values) : values_(std::move(values)) {}
  std::uint32_t Next() override { return values_[next_++ % values_.size()]; }
  std::size_t Draws() const { return next_; }

 private:
  std::vector<std::uint32_t> values_;
  std::size_t next_ = 0;
};

}  // namespace painttest
