// The portable build's thread priority: left as it is.
#include "view/WorkerPriority.h"

#ifndef _WIN32
namespace lumora {

void LowerCurrentThreadPriority() {}

}  // namespace lumora
#endif
