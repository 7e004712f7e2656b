// Command targets and message maps as data: a static table of entries per
// class, chained to the base class's table, walked by one dispatcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "framework/RuntimeClass.h"
#include "framework/Types.h"

namespace fw {

class CmdTarget;
class CmdUI;

// One message as the dispatcher sees it. For WM_COMMAND `code` is the
// notification code and `id` the command or control id; for WM_NOTIFY the
// header's code and idFrom; for other messages both are 0.
struct MessageArgs {
  std::uint32_t message = 0;
  std::uint32_t code = 0;
  std::uint32_t id = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  CmdUI* cmdUI = nullptr;  // set for kCodeUpdateCommandUI
  bool probeOnly = false;  // only ask whether a handler exists
  LRESULT result = 0;
};

// The handful of handler shapes a table entry may hold.
enum class HandlerKind : std::uint8_t {
  kCommand,         // void ()
  kCommandRange,    // void (uint32_t id)
  kCommandEx,       // bool (uint32_t id): false passes the command on
  kUpdate,          // void (CmdUI&)
  kMessage,         // LRESULT (WPARAM, LPARAM)
  kNotify,          // void (WPARAM, LPARAM, LRESULT*): notification with result
};

struct MessageEntry {
  std::uint32_t message;
  std::uint32_t code;
  std::uint32_t idFirst;
  std::uint32_t idLast;
  HandlerKind kind;
  // Calls the member function on the target; returns false when a
  // kCommandEx handler declined.
  bool (*invoke)(CmdTarget& target, MessageArgs& args);
};

struct MessageMap {
  const MessageMap* base;
  const MessageEntry* entries;
  std::size_t count;
};

// Finds the first entry for (message, code, id) in the map and its bases.
const MessageEntry* FindMessageEntry(const MessageMap* map, std::uint32_t message, std::uint32_t code,
                                     std::uint32_t id);

// Walks the target's table: true when a handler took the message.
bool DispatchToMap(CmdTarget& target, MessageArgs& args);

class CmdTarget : public Object {
  FW_DECLARE_DYNAMIC(CmdTarget)

 public:
  ~CmdTarget() override = default;

  static const MessageMap* ThisMessageMap();
  virtual const MessageMap* GetMessageMap() const { return ThisMessageMap(); }

  // Commands and enabling queries enter here; classes that route further
  // (views to documents, frames to views and the application) override it.
  virtual bool OnCmdMsg(MessageArgs& args) { return DispatchToMap(*this, args); }

  // Convenience entry points built on OnCmdMsg.
  bool RouteCommand(std::uint32_t id, std::uint32_t code = kCodeCommand);
  bool HasCommandHandler(std::uint32_t id);
};

namespace detail {
template <typename>
struct MemberClass;
template <typename C, typename R, typename... A>
struct MemberClass<R (C::*)(A...)> {
  using type = C;
};
template <auto Fn>
using ClassOf = typename MemberClass<decltype(Fn)>::type;

}  // namespace detail

// Entry builders: the handler's class is taken from the member pointer.
template <auto Fn>
constexpr MessageEntry CommandEntry(std::uint32_t id) {
  using C = detail::ClassOf<Fn>;
  return {kMsgCommand, kCodeCommand, id, id, HandlerKind::kCommand, [](CmdTarget& t, MessageArgs&) {
            (static_cast<C&>(t).*Fn)();
            return true;
          }};
}

// A control's notification through WM_COMMAND (for example a button click).
template <auto Fn>
constexpr MessageEntry ControlEntry(std::uint32_t code, std::uint32_t id) {
  using C = detail::ClassOf<Fn>;
  return {kMsgCommand, code, id, id, HandlerKind::kCommand, [](CmdTarget& t, MessageArgs&) {
            (static_cast<C&>(t).*Fn)();
            return true;
          }};
}

template <auto Fn>
constexpr MessageEntry CommandRangeEntry(std::uint32_t first, std::uint32_t last) {
  using C = detail::ClassOf<Fn>;
  return {kMsgCommand, kCodeCommand, first, last, HandlerKind::kCommandRange,
          [](CmdTarget& t, MessageArgs& a) {
            (static_cast<C&>(t).*Fn)(a.id);
            return true;
          }};
}

// A handler that may decline (returns false) so routing goes on.
template <auto Fn>
constexpr MessageEntry CommandExEntry(std::uint32_t first, std::uint32_t last) {
  using C = detail::ClassOf<Fn>;
  return {kMsgCommand, kCodeCommand, first, last, HandlerKind::kCommandEx,
          [](CmdTarget& t, MessageArgs& a) { return (static_cast<C&>(t).*Fn)(a.id); }};
}

template <auto Fn>
constexpr MessageEntry UpdateEntry(std::uint32_t first, std::uint32_t last = 0) {
  using C = detail::ClassOf<Fn>;
  return {kMsgCommand, kCodeUpdateCommandUI, first, last == 0 ? first : last, HandlerKind::kUpdate,
          [](CmdTarget& t, MessageArgs& a) {
            (static_cast<C&>(t).*Fn)(*a.cmdUI);
            return true;
          }};
}

template <auto Fn>
constexpr MessageEntry WindowMessageEntry(std::uint32_t message) {
  using C = detail::ClassOf<Fn>;
  return {message, 0, 0, 0, HandlerKind::kMessage, [](CmdTarget& t, MessageArgs& a) {
            a.result = (static_cast<C&>(t).*Fn)(a.wParam, a.lParam);
            return true;
          }};
}

// WM_NOTIFY from controls first..last with the given code; the handler
// receives the header in lParam and may set the result.
template <auto Fn>
constexpr MessageEntry NotifyEntry(std::uint32_t code, std::uint32_t first, std::uint32_t last = 0) {
  using C = detail::ClassOf<Fn>;
  return {kMsgNotify, code, first, last == 0 ? first : last, HandlerKind::kNotify,
          [](CmdTarget& t, MessageArgs& a) {
            (static_cast<C&>(t).*Fn)(a.wParam, a.lParam, &a.result);
            return true;
          }};
}

}  // namespace fw

// Declares a class's table; define it with FW_MESSAGE_MAP.
#define FW_DECLARE_MESSAGE_MAP()                                \
 public:                                                        \
  static const ::fw::MessageMap* ThisMessageMap();              \
  const ::fw::MessageMap* GetMessageMap() const override {      \
    return ThisMessageMap();                                    \
  }

// FW_MESSAGE_MAP(Class, Base, entry, entry, ...)
#define FW_MESSAGE_MAP(Class, Base, ...)                                             \
  const ::fw::MessageMap* Class::ThisMessageMap() {                                  \
    static const ::fw::MessageEntry kEntries[] = {__VA_ARGS__};                      \
    static const ::fw::MessageMap kMap{Base::ThisMessageMap(), kEntries,             \
                                       sizeof(kEntries) / sizeof(kEntries[0])};      \
    return &kMap;                                                                    \
  }
