// Command routing, one rule for every window: the target in front first
// (for a frame its active view or child), then the target's own table, then
// the one behind (for a view its document, for the main frame the app).
// Commands and enabling queries take the same route.
#pragma once

#include "framework/CmdTarget.h"

namespace fw {

bool RouteThrough(CmdTarget& self, CmdTarget* front, CmdTarget* behind, MessageArgs& args);

}  // namespace fw
