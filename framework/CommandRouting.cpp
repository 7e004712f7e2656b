// The route of a command through front target, own table and back target.
#include "framework/CommandRouting.h"

namespace fw {

bool RouteThrough(CmdTarget& self, CmdTarget* front, CmdTarget* behind, MessageArgs& args) {
  if (front != nullptr && front != &self && front->OnCmdMsg(args)) return true;
  if (DispatchToMap(self, args)) return true;
  return behind != nullptr && behind != &self && behind->OnCmdMsg(args);
}

}  // namespace fw
