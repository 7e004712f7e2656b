// Filling and comparing enabling records.
#include "framework/CmdUI.h"

#include "framework/CmdTarget.h"

namespace fw {

CmdUIChanges DiffCmdUI(const CmdUIState& shown, const CmdUIState& wanted) {
  CmdUIChanges c;
  c.enabled = shown.enabled != wanted.enabled;
  c.checked = shown.checked != wanted.checked || shown.radio != wanted.radio;
  c.text = wanted.hasText && wanted.text != shown.text;
  return c;
}

CmdUIState QueryCommandState(CmdTarget& route, std::uint32_t id, std::uint32_t index, const CmdUIState& current,
                             bool disableIfNoHandler) {
  CmdUI ui(id, index, current);
  ui.Enable(current.enabled);
  MessageArgs args;
  args.message = kMsgCommand;
  args.code = kCodeUpdateCommandUI;
  args.id = id;
  args.cmdUI = &ui;
  route.OnCmdMsg(args);
  CmdUIState state = ui.State();
  if (!ui.Handled() && disableIfNoHandler) state.enabled = route.HasCommandHandler(id);
  return state;
}

}  // namespace fw
