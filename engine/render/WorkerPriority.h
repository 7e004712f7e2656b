// Lowers the calling thread's scheduling priority, so that background
// workers leave the user interface responsive.
#pragma once

namespace lumora {

// Below normal on Windows; nothing elsewhere.
void LowerCurrentThreadPriority();

}  // namespace lumora
