// The one dispatcher over chained message tables.
#include "framework/CmdTarget.h"

#include "framework/CmdUI.h"

namespace fw {

const MessageEntry* FindMessageEntry(const MessageMap* map, std::uint32_t message, std::uint32_t code,
                                     std::uint32_t id) {
  for (; map != nullptr; map = map->base) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const MessageEntry& e = map->entries[i];
      if (e.message == message && e.code == code && id >= e.idFirst && id <= e.idLast) return &e;
    }
  }
  return nullptr;
}

bool DispatchToMap(CmdTarget& target, MessageArgs& args) {
  // A kCommandEx handler that declines lets later entries (and bases) try.
  for (const MessageMap* map = target.GetMessageMap(); map != nullptr; map = map->base) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const MessageEntry& e = map->entries[i];
      if (e.message != args.message || e.code != args.code || args.id < e.idFirst || args.id > e.idLast) {
        continue;
      }
      if (args.probeOnly) return true;
      if (e.kind == HandlerKind::kUpdate) {
        // The handler may ask for the route to go on (ContinueRouting).
        if (args.cmdUI == nullptr) continue;
        args.cmdUI->MarkHandled();
        e.invoke(target, args);
        return args.cmdUI->Handled();
      }
      if (e.invoke(target, args)) return true;
    }
  }
  return false;
}

FW_IMPLEMENT_DYNAMIC(CmdTarget, Object)

const MessageMap* CmdTarget::ThisMessageMap() {
  static const MessageMap kMap{nullptr, nullptr, 0};
  return &kMap;
}

bool CmdTarget::RouteCommand(std::uint32_t id, std::uint32_t code) {
  MessageArgs args;
  args.message = kMsgCommand;
  args.code = code;
  args.id = id;
  return OnCmdMsg(args);
}

bool CmdTarget::HasCommandHandler(std::uint32_t id) {
  MessageArgs args;
  args.message = kMsgCommand;
  args.code = kCodeCommand;
  args.id = id;
  args.probeOnly = true;
  return OnCmdMsg(args);
}

}  // namespace fw
