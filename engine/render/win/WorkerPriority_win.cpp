// Windows thread priority: below normal.
#include <windows.h>

#include "engine/render/WorkerPriority.h"

namespace lumora {

void LowerCurrentThreadPriority() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace lumora
