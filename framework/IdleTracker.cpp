// Classifying messages for the idle count.
#include "framework/IdleTracker.h"

namespace fw {
namespace {

constexpr std::uint32_t kKeyFirst = 0x0100, kKeyLast = 0x0109;
constexpr std::uint32_t kMouseMove = 0x0200, kMouseLast = 0x020E;
constexpr std::uint32_t kNcMouseMove = 0x00A0, kNcMouseLast = 0x00AD;
constexpr std::uint32_t kCommand = 0x0111, kSysCommand = 0x0112;

}  // namespace

bool IdleTracker::RestartsIdle(std::uint32_t message, std::int32_t x, std::int32_t y) {
  bool input = false;
  if (message == kMouseMove || message == kNcMouseMove) {
    // Wine and Windows repeat mouse moves at one place; only a real move counts.
    input = x != lastX_ || y != lastY_;
    lastX_ = x;
    lastY_ = y;
  } else {
    input = (message >= kKeyFirst && message <= kKeyLast) || (message > kMouseMove && message <= kMouseLast) ||
            (message > kNcMouseMove && message <= kNcMouseLast) || message == kCommand || message == kSysCommand;
  }
  if (input) Restart();
  return input;
}

}  // namespace fw
