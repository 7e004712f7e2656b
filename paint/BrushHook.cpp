// The brush hook's routing table.
#include "paint/BrushHook.h"

namespace paint {
namespace {

constexpr std::uint32_t kWmSetCursor = 0x0020;
constexpr std::uint32_t kWmKeyDown = 0x0100;
constexpr std::uint32_t kWmKeyUp = 0x0101;
constexpr std::uint32_t kWmMouseMove = 0x0200;
constexpr std::uint32_t kWmLButtonDown = 0x0201;
constexpr std::uint32_t kWmLButtonUp = 0x0202;
constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
constexpr std::intptr_t kHtClient = 1;

POINT PointOf(std::intptr_t lParam) {
  return POINT{static_cast<std::int16_t>(lParam & 0xFFFF), static_cast<std::int16_t>((lParam >> 16) & 0xFFFF)};
}

}  // namespace

int RouteBrushHook(BrushHookClient& client, const LU_MSG& msg, std::intptr_t* classWord) {
  auto taken = [classWord] {
    *classWord = 1;
    return kLUHookHandled;
  };
  if (*classWord != kLUPassView) return msg.message == kLUMsgHookInstalled ? taken() : kLUHookPass;
  if (!client.HasBrush()) return kLUHookPass;
  switch (msg.message) {
    case kWmSetCursor: {
      const std::intptr_t hit = msg.lParam & 0xFFFF;
      const std::intptr_t mouse = (msg.lParam >> 16) & 0xFFFF;
      if (mouse != 0 && hit == kHtClient && client.SetBrushCursor()) return taken();
      return kLUHookPass;
    }
    case kWmKeyDown:
      client.KeyDown(msg.wParam, msg.lParam);
      return kLUHookPass;
    case kWmKeyUp:
      client.KeyUp(msg.wParam, msg.lParam);
      return kLUHookPass;
    case kWmMouseMove:
      client.MouseMove(msg.window, msg.wParam, client.SnapPoint(msg.window, PointOf(msg.lParam)));
      return taken();
    case kWmLButtonDown:
      client.ButtonDown(msg.window, msg.wParam, client.SnapPoint(msg.window, PointOf(msg.lParam)));
      client.SetPaintButton(true);
      return taken();
    case kWmLButtonUp:
      client.ButtonUp(msg.window, msg.wParam, client.SnapPoint(msg.window, PointOf(msg.lParam)));
      client.SetPaintButton(false);
      client.FlushTabletQueue();
      return taken();
    case kWmLButtonDblClk:
      client.DoubleClick(msg.window, msg.wParam, client.SnapPoint(msg.window, PointOf(msg.lParam)));
      client.SetPaintButton(true);
      return taken();
    default:
      return kLUHookPass;
  }
}

}  // namespace paint
