// One idle pass of the program: deferred prompt texts, the tool host's
// error state, the animation tick, the framework's own idle work, and the
// end of idle work at count 10000.
#pragma once

namespace lumora {

constexpr int kIdleEndCount = 10000;

class IdleServices {
 public:
  virtual ~IdleServices() = default;
  virtual void RestoreSavedPrompts() = 0;
  virtual void ResetToolHostError() = 0;
  // One WM_TIMER 1331 to the main frame.
  virtual void SendAnimationTick() = 0;
  // The framework's idle work; its answer counts for count 0 only.
  virtual bool BaseIdle(int count) = 0;
  // Pending server-item updates of every document.
  virtual void FlushServerItems() = 0;
};

// Set by the animation timer, consumed by the next idle pass.
struct AnimationTick {
  bool pending = false;
};

// True while more idle passes are wanted.
bool RunIdlePass(int count, AnimationTick& tick, IdleServices& services);

}  // namespace lumora
