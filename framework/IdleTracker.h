// When the idle count starts again: after input (keys, mouse buttons, a
// mouse move to a new place, commands), not after timers, paint or other
// messages, so a running timer does not keep idle work spinning.
#pragma once

#include <cstdint>

namespace fw {

class IdleTracker {
 public:
  // Called for each message the loop takes; true when it is input.
  bool RestartsIdle(std::uint32_t message, std::int32_t x, std::int32_t y);

  // The count for the next OnIdle call, rising while no message waits.
  int NextCount() { return count_++; }
  void Restart() { count_ = 0; }
  int Count() const { return count_; }

 private:
  int count_ = 0;
  std::int32_t lastX_ = INT32_MIN;
  std::int32_t lastY_ = INT32_MIN;
};

}  // namespace fw
