// The idle pass and its count rule.
#include "app/IdlePass.h"

namespace lumora {

bool RunIdlePass(int count, AnimationTick& tick, IdleServices& services) {
  services.RestoreSavedPrompts();
  services.ResetToolHostError();
  if (tick.pending) {
    services.SendAnimationTick();
    tick.pending = false;
  }
  bool more = services.BaseIdle(count);
  if (count == 0) return more;
  if (count == kIdleEndCount) services.FlushServerItems();
  return count < kIdleEndCount;
}

}  // namespace lumora
