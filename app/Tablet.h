// The pressure tablet: the Wintab driver's packets turned into the brushes'
// pressure (0..255) and width fraction, and the pen's eraser end turned into
// the eraser tool and back. The driver is reached through `WintabDriver`, so
// these rules run without one in tests; with no driver every answer is full
// pressure at full width.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lumora {

// A packet as the program's context asks for it: cursor, buttons, x, y and
// normal pressure, 32 bits each.
struct TabletPacket {
  std::uint32_t cursor = 0;
  std::uint32_t buttons = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint32_t pressure = 0;
};
static_assert(sizeof(TabletPacket) == 20);

// What the pressure of a cursor is measured against.
struct TabletCursorInfo {
  std::uint8_t pressureButton = 0xFF;  // 0xFF: none
  std::int32_t axisMin = 0;
  std::int32_t axisRange = 0;   // axis maximum - minimum
  std::int32_t pressMark = 0;   // the pressure button's press mark
  std::int32_t aboveMark = 0;   // axis maximum - press mark
};

// The pressure of a packet: 0..255, with the raw value and the range it is
// measured in (at least 1). Values above the axis maximum count as the
// maximum; below the minimum (or the press mark) as 0.
int TabletPressureOf(const TabletPacket& packet, const TabletCursorInfo& info, std::int32_t* raw, std::int32_t* range);

// The driver's calls the program uses (the Wintab entry points), with the
// program's context as an opaque handle.
class WintabDriver {
 public:
  virtual ~WintabDriver() = default;
  // WTInfoA (0, 0, 0): non-zero when a tablet is there.
  virtual bool TabletThere() = 0;
  // Opens the program's context on the window (name "LU40 %x" with the
  // instance, packets of TabletPacket, cursor messages, absolute mode,
  // output extent screen width by minus screen height), one packet queued;
  // null when it cannot.
  virtual void* Open(void* window, std::uintptr_t instance, int screenWidth, int screenHeight) = 0;
  virtual void Close(void* context) = 0;
  virtual int Overlap(void* context, bool top) = 0;
  virtual int Enable(void* context, bool enable) = 0;
  // The newest packet (WTPacketsGet 1); false when none.
  virtual bool NewestPacket(void* context, TabletPacket* packet) = 0;
  // The packet of a serial (WTDataPeek); false when none.
  virtual bool PeekPacket(void* context, std::uint32_t serial, TabletPacket* packet) = 0;
  // Drops queued packets: WTPacket (context, 0xFFFF) or WTPacketsGet (context, 65535).
  virtual void DropPacket(void* context) = 0;
  virtual void DropPackets(void* context) = 0;
  // The cursor's pressure button, button map, marks and the device's
  // pressure axis (WTInfoA, WTGetA).
  virtual TabletCursorInfo CursorInfo(void* context, std::uint32_t cursor) = 0;
  // The cursor's name (CSR_NAME).
  virtual std::string CursorName(std::uint32_t cursor) = 0;
};

// What turning the pen asks of the main window.
struct TabletCursorAction {
  std::uint32_t command = 0;   // a command to send (0: none)
  void* activateWindow = nullptr;  // a window to make active (null: none)
};

constexpr std::uint32_t kTabletEraserCommand = 32896;

// The driver's messages to the main window: the pen enters or leaves
// (wParam the context, low word of lParam non-zero entering), the tablet's
// information changed, the cursor changed (wParam the packet's serial,
// lParam the context).
constexpr std::uint32_t kMsgTabletProximity = 0x7FF5;
constexpr std::uint32_t kMsgTabletInfoChange = 0x7FF6;
constexpr std::uint32_t kMsgTabletCursorChange = 0x7FF7;

class Tablet {
 public:
  // Opens the tablet with the driver on the main window; false (the tablet
  // absent, no message) without a driver, without a tablet or when the
  // context cannot be opened.
  bool Start(std::unique_ptr<WintabDriver> driver, void* window, std::uintptr_t instance, int screenWidth,
             int screenHeight);
  void Stop();
  bool Present() const { return driver_ != nullptr && context_ != nullptr; }
  void* Context() const { return context_; }

  // [Tablet] vary_size and vary_opacity.
  bool varySize = true;
  bool varyOpacity = true;

  // The brushes' reading: opacity 0..255 and the width fraction (255 at 1 / 1
  // without a tablet or out of proximity).
  int GetTabletPressure(std::uint32_t* numerator, std::uint32_t* denominator);
  void FlushTabletQueue();
  int TabletOverlap(bool top);
  int TabletEnable(bool enable);

  // The main window's Wintab messages: proximity (0x7FF5), information
  // changed (0x7FF6), cursor changed (0x7FF7). `currentTool` and
  // `currentBrush` are the selected tool and brush commands (0: none),
  // `paneWindow` the window of a pane whose tool reads the tablet.
  void OnProximity(void* context, bool entering);
  void OnInfoChanged();
  TabletCursorAction OnCursorChange(std::uint32_t serial, void* context, std::uint32_t currentTool,
                                    std::uint32_t currentBrush, void* paneWindow);

  bool InProximity() const { return inProximity_; }
  bool EraserActive() const { return eraserActive_; }

 private:
  void ReadCursor(std::uint32_t cursor);
  std::unique_ptr<WintabDriver> driver_;
  void* context_ = nullptr;
  bool inProximity_ = false;
  bool packetJustRead_ = false;
  bool eraserActive_ = false;
  bool haveCursor_ = false;
  std::uint32_t cursor_ = 0;
  TabletCursorInfo info_;
  TabletPacket packet_;
  std::uint32_t returnCommand_ = 0;
  void* returnWindow_ = nullptr;
  int pressure_ = 255;
  std::int32_t raw_ = 1, range_ = 1;
};

}  // namespace lumora
