// The application's activation list over real windows: the MDI area's
// entry resolves to the active child's image view, an in-place entry to
// its document's view; changes run the views' activation work.
#pragma once

#include "view/ActivationList.h"

namespace lumora {

ActivationList& TheActivationList();

}  // namespace lumora
