// A tablet driver for the tests, built as "wintab32.dll" beside the test
// program and loaded in place of Wine's (WINEDLLOVERRIDES=wintab32=n): one
// pen whose pressure rises with the screen column of the mouse pointer, a
// stylus and an eraser cursor, and a packet per serial for cursor changes.
// The test steers it through the StandIn* entries.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace {

struct Packet {
  std::uint32_t cursor, buttons;
  std::int32_t x, y;
  std::uint32_t pressure;
};

// Only the leading fields the program sets are looked at; the record is
// kept whole as the program handed it.
constexpr std::size_t kContextBytes = 40 + 6 * 4 + 5 * 4 + 12 * 4 + 3 * 4 + 4 + 4 * 4 + 2 * 4;

struct State {
  HWND window = nullptr;
  std::uint8_t context[kContextBytes] = {};
  bool open = false;
  int rampStartX = 0;      // screen column of pressure 0
  int rampPerPixel = 0;    // pressure added per column to the right
  std::uint32_t cursor = 1;  // the cursor the packets come from
  std::map<std::uint32_t, std::uint32_t> serialCursors;
  int packetsRead = 0;
  int queueDrops = 0;
} g;

constexpr int kAxisMax = 1023;
HANDLE const kContext = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x5E0));

Packet PacketNow(std::uint32_t cursor) {
  POINT at{};
  GetCursorPos(&at);
  int pressure = (at.x - g.rampStartX) * g.rampPerPixel;
  if (pressure < 0) pressure = 0;
  if (pressure > kAxisMax) pressure = kAxisMax;
  return Packet{cursor, 0, at.x, at.y, static_cast<std::uint32_t>(pressure)};
}

UINT CopyOut(LPVOID out, const void* data, UINT size) {
  if (out != nullptr) std::memcpy(out, data, size);
  return size;
}

}  // namespace

extern "C" {

__declspec(dllexport) UINT WINAPI WTInfoA(UINT category, UINT index, LPVOID out) {
  if (category == 0) return 1;  // a tablet is there
  if (category == 4) {          // the default system context
    std::uint8_t record[kContextBytes] = {};
    return CopyOut(out, record, sizeof record);
  }
  if (category >= 100 && category < 200 && index == 15) {  // pressure axis
    const std::int32_t axis[4] = {0, kAxisMax, 0, 0};
    return CopyOut(out, axis, sizeof axis);
  }
  if (category >= 200 && category < 300) {
    const std::uint32_t cursor = category - 200;
    switch (index) {
      case 1: {  // name
        const std::string name = cursor == 2 ? "Pressure Eraser" : "Pressure Stylus";
        return CopyOut(out, name.c_str(), static_cast<UINT>(name.size() + 1));
      }
      case 9: {  // no pressure button
        const BYTE none = 0xFF;
        return CopyOut(out, &none, 1);
      }
      case 7: return 0;   // no button map
      case 10: return 0;  // no marks
      default: return 0;
    }
  }
  return 0;
}

__declspec(dllexport) HANDLE WINAPI WTOpenA(HWND window, LPVOID context, BOOL) {
  g.window = window;
  std::memcpy(g.context, context, kContextBytes);
  g.open = true;
  return kContext;
}

__declspec(dllexport) BOOL WINAPI WTQueueSizeSet(HANDLE, int size) { return size >= 1; }
__declspec(dllexport) BOOL WINAPI WTClose(HANDLE) {
  g.open = false;
  return TRUE;
}
__declspec(dllexport) BOOL WINAPI WTOverlap(HANDLE, BOOL) { return TRUE; }
__declspec(dllexport) BOOL WINAPI WTEnable(HANDLE, BOOL) { return TRUE; }
__declspec(dllexport) BOOL WINAPI WTGetA(HANDLE, LPVOID context) {
  std::memcpy(context, g.context, kContextBytes);
  return TRUE;
}

__declspec(dllexport) int WINAPI WTPacketsGet(HANDLE, int count, LPVOID packets) {
  if (packets == nullptr) {
    ++g.queueDrops;
    return 0;
  }
  if (count < 1) return 0;
  const Packet p = PacketNow(g.cursor);
  std::memcpy(packets, &p, sizeof p);
  ++g.packetsRead;
  return 1;
}

__declspec(dllexport) int WINAPI WTDataPeek(HANDLE, UINT first, UINT, int count, LPVOID packets, LPINT got) {
  auto it = g.serialCursors.find(first);
  if (it == g.serialCursors.end() || count < 1) {
    if (got != nullptr) *got = 0;
    return 0;
  }
  const Packet p = PacketNow(it->second);
  std::memcpy(packets, &p, sizeof p);
  if (got != nullptr) *got = 1;
  return 1;
}

__declspec(dllexport) BOOL WINAPI WTPacket(HANDLE, UINT, LPVOID) {
  ++g.queueDrops;
  return TRUE;
}

// The test's controls.
__declspec(dllexport) void StandInSetRamp(int startX, int perPixel) {
  g.rampStartX = startX;
  g.rampPerPixel = perPixel;
}
__declspec(dllexport) void StandInSetSerialCursor(UINT serial, UINT cursor) { g.serialCursors[serial] = cursor; }
__declspec(dllexport) HWND StandInWindow() { return g.open ? g.window : nullptr; }
__declspec(dllexport) const char* StandInContextName() { return reinterpret_cast<const char*>(g.context); }
// The context's packet fields and the output extent the program asked for.
__declspec(dllexport) void StandInContextFields(DWORD* packetData, LONG* outExtX, LONG* outExtY) {
  std::memcpy(packetData, g.context + 40 + 6 * 4, 4);
  std::memcpy(outExtX, g.context + 40 + 6 * 4 + 5 * 4 + 9 * 4, 4);
  std::memcpy(outExtY, g.context + 40 + 6 * 4 + 5 * 4 + 10 * 4, 4);
}
__declspec(dllexport) int StandInPacketsRead() { return g.packetsRead; }

}  // extern "C"
