// The portable build's thread priority: left as it is.
#include "engine/render/WorkerPriority.h"

#ifndef _WIN32
namespace lumora {

void LowerCurrentThreadPriority() {}

}  // namespace lumora
#endif
