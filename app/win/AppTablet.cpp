// The Wintab driver, loaded by name when [Tablet] enable is set, and the
// application's tablet: start, exit, the brushes' reading and the pen's
// eraser end.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/Tablet.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "paint/win/ToolBrush.h"

namespace lumora {
namespace {

// The driver's records, as its interface lays them out.
struct WintabContextRecord {
  char name[40];
  UINT options, status, locks, msgBase, device, pktRate;
  DWORD pktData, pktMode, moveMask, btnDnMask, btnUpMask;
  LONG inOrgX, inOrgY, inOrgZ, inExtX, inExtY, inExtZ;
  LONG outOrgX, outOrgY, outOrgZ, outExtX, outExtY, outExtZ;
  DWORD sensX, sensY, sensZ;
  BOOL sysMode;
  int sysOrgX, sysOrgY, sysExtX, sysExtY;
  DWORD sysSensX, sysSensY;
};

struct WintabAxisRecord {
  LONG minimum, maximum;
  UINT units;
  DWORD resolution;
};

// Categories and indices of WTInfoA.
constexpr UINT kInfoDefaultSystemContext = 4;
constexpr UINT kInfoDevices = 100;
constexpr UINT kInfoCursors = 200;
constexpr UINT kCursorName = 1;
constexpr UINT kCursorButtonMap = 7;
constexpr UINT kCursorPressureButton = 9;
constexpr UINT kCursorPressureMarks = 10;
constexpr UINT kDeviceNormalPressure = 15;
constexpr UINT kOptionCursorMessages = 0x0008;
// Cursor, buttons, x, y, normal pressure.
constexpr DWORD kPacketFields = 0x5E0;

using HContext = void*;
using InfoFn = UINT(WINAPI*)(UINT, UINT, LPVOID);
using OpenFn = HContext(WINAPI*)(HWND, WintabContextRecord*, BOOL);
using QueueSizeSetFn = BOOL(WINAPI*)(HContext, int);
using CloseFn = BOOL(WINAPI*)(HContext);
using OverlapFn = BOOL(WINAPI*)(HContext, BOOL);
using EnableFn = BOOL(WINAPI*)(HContext, BOOL);
using GetFn = BOOL(WINAPI*)(HContext, WintabContextRecord*);
using PacketsGetFn = int(WINAPI*)(HContext, int, LPVOID);
using DataPeekFn = int(WINAPI*)(HContext, UINT, UINT, int, LPVOID, LPINT);
using PacketFn = BOOL(WINAPI*)(HContext, UINT, LPVOID);

class Win32Wintab final : public WintabDriver {
 public:
  ~Win32Wintab() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  // All ten entry points, or false (the module is let go).
  bool Load() {
    module_ = LoadLibraryA("WINTAB32.DLL");
    if (module_ == nullptr) return false;
    return Find(info_, "WTInfoA") && Find(open_, "WTOpenA") && Find(queueSizeSet_, "WTQueueSizeSet") &&
           Find(close_, "WTClose") && Find(overlap_, "WTOverlap") && Find(enable_, "WTEnable") &&
           Find(get_, "WTGetA") && Find(packetsGet_, "WTPacketsGet") && Find(dataPeek_, "WTDataPeek") &&
           Find(packet_, "WTPacket");
  }

  bool TabletThere() override { return info_(0, 0, nullptr) != 0; }

  void* Open(void* window, std::uintptr_t instance, int screenWidth, int screenHeight) override {
    WintabContextRecord context{};
    if (info_(kInfoDefaultSystemContext, 0, &context) == 0) return nullptr;
    std::snprintf(context.name, sizeof context.name, "LU40 %x", static_cast<unsigned>(instance));
    context.options |= kOptionCursorMessages;
    context.pktData = kPacketFields;
    context.pktMode = 0;  // absolute
    context.moveMask = kPacketFields;
    context.btnUpMask = context.btnDnMask;
    context.outOrgX = context.outOrgY = 0;
    context.outExtX = screenWidth;
    context.outExtY = -screenHeight;
    HContext opened = open_(static_cast<HWND>(window), &context, TRUE);
    if (opened != nullptr) queueSizeSet_(opened, 1);
    return opened;
  }

  void Close(void* context) override { close_(context); }
  int Overlap(void* context, bool top) override { return overlap_(context, top ? TRUE : FALSE); }
  int Enable(void* context, bool enable) override { return enable_(context, enable ? TRUE : FALSE); }
  bool NewestPacket(void* context, TabletPacket* packet) override { return packetsGet_(context, 1, packet) > 0; }
  bool PeekPacket(void* context, std::uint32_t serial, TabletPacket* packet) override {
    int count = 0;
    return dataPeek_(context, serial, serial, 1, packet, &count) > 0 && count > 0;
  }
  void DropPacket(void* context) override { packet_(context, 0xFFFF, nullptr); }
  void DropPackets(void* context) override { packetsGet_(context, 65535, nullptr); }

  TabletCursorInfo CursorInfo(void* context, std::uint32_t cursor) override {
    TabletCursorInfo info;
    BYTE button = 0xFF;
    info_(kInfoCursors + cursor, kCursorPressureButton, &button);
    BYTE map[32] = {};
    const UINT mapped = info_(kInfoCursors + cursor, kCursorButtonMap, map);
    if (button < mapped && button < sizeof map) button = map[button];
    info.pressureButton = button;
    WintabContextRecord record{};
    WintabAxisRecord axis{};
    if (get_(context, &record)) info_(kInfoDevices + record.device, kDeviceNormalPressure, &axis);
    info.axisMin = axis.minimum;
    info.axisRange = axis.maximum - axis.minimum;
    UINT marks[2] = {0, 0};  // release mark, press mark
    info_(kInfoCursors + cursor, kCursorPressureMarks, marks);
    info.pressMark = static_cast<std::int32_t>(marks[1]);
    info.aboveMark = axis.maximum - info.pressMark;
    return info;
  }

  std::string CursorName(std::uint32_t cursor) override {
    char name[260] = {};
    info_(kInfoCursors + cursor, kCursorName, name);
    name[sizeof name - 1] = 0;
    return name;
  }

 private:
  template <typename Fn>
  bool Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    return fn != nullptr;
  }

  HMODULE module_ = nullptr;
  InfoFn info_ = nullptr;
  OpenFn open_ = nullptr;
  QueueSizeSetFn queueSizeSet_ = nullptr;
  CloseFn close_ = nullptr;
  OverlapFn overlap_ = nullptr;
  EnableFn enable_ = nullptr;
  GetFn get_ = nullptr;
  PacketsGetFn packetsGet_ = nullptr;
  DataPeekFn dataPeek_ = nullptr;
  PacketFn packet_ = nullptr;
};

}  // namespace

std::unique_ptr<WintabDriver> LoadWintab() {
  auto driver = std::make_unique<Win32Wintab>();
  if (!driver->Load()) return nullptr;
  return driver;
}

void CLumo40App::StartTablet() {
  tablet.Stop();
  if (settings.tabletEnable == 0 || MainFrame() == nullptr) return;
  tablet.varySize = settings.tabletVarySize != 0;
  tablet.varyOpacity = settings.tabletVaryOpacity != 0;
  tablet.Start(LoadWintab(), MainFrame()->Handle(), reinterpret_cast<std::uintptr_t>(Instance()),
               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

int CLumo40App::ReadTablet(int* numerator, int* denominator) {
  std::uint32_t n = 1, d = 1;
  const int pressure = tablet.GetTabletPressure(&n, &d);
  if (numerator != nullptr) *numerator = static_cast<int>(n);
  if (denominator != nullptr) *denominator = static_cast<int>(d);
  return pressure;
}

void CLumo40App::HandleTabletCursor(WPARAM serial, LPARAM context) {
  CMainFrame* frame = MainFrameWnd();
  if (frame == nullptr) return;
  const CToolBrush* brush = frame->CurrentTool();
  const std::uint32_t brushCommand = brush != nullptr ? brush->CommandId() : 0;
  // A pane whose tool reads the tablet is what the pen returns to when no
  // tool is selected.
  void* pane = nullptr;
  if (LUPaneDialog* dialog = LUGetActivePaneDialog(Site())) pane = LUGetPaneDialogWindow(Site(), dialog);
  const TabletCursorAction action = tablet.OnCursorChange(static_cast<std::uint32_t>(serial),
                                                          reinterpret_cast<void*>(context), 0, brushCommand, pane);
  if (action.command != 0) {
    SendMessageA(frame->Handle(), WM_COMMAND, action.command, 0);
    frame->ActivateFrame(SW_SHOWNORMAL);
  } else if (action.activateWindow != nullptr && IsWindow(static_cast<HWND>(action.activateWindow))) {
    SetActiveWindow(static_cast<HWND>(action.activateWindow));
  }
}

}  // namespace lumora
