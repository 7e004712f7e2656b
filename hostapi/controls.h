// The control library: the maker's custom controls and their window
// classes. The program starts it before anything else (its entry 1) and
// ends it last (entry 2); while it runs, its custom non-client dialog class
// "VR_CNCDLGCLASS32" is registered in the module it names, with its
// non-client set-up (entry 35) and its dialog window procedure (entry 56).
// Windows only; window handles are opaque here.
#pragma once

#include <cstdint>

// The custom non-client dialog class of the library.
inline constexpr char kVrCtlNcDialogClass[] = "VR_CNCDLGCLASS32";

// The library's colour swatch control: a rectangle of one colour framed in
// black. WM_USER sets its colour (lParam, 0x00BBGGRR) and repaints it;
// WM_USER + 1 answers it. A click (press and release over it) tells the
// parent WM_COMMAND (id, BN_CLICKED).
inline constexpr char kVrCtlSwatchClass[] = "VR_CTLS32";
inline constexpr std::uint32_t kVrCtlSetColour = 0x0400;
inline constexpr std::uint32_t kVrCtlGetColour = 0x0401;

// Entry 55's record: the program's colour-management settings. While the
// off flag is 0 the swatches paint their colours (sRGB) as the monitor
// profile shows them, through the target when proofing is on, at the
// intents (gamut-match codes 4, 2, 1, 8). 540 bytes, fields in this order.
inline constexpr std::uint32_t kVrCtlCmRecordTag = 0x49434D02;
struct VR_CTLCMRECORD {
  std::uint32_t tag = kVrCtlCmRecordTag;
  std::uint32_t icmOff = 1;    // non-zero: colour management off
  std::uint32_t proofing = 0;  // non-zero: through the target profile
  char monitorProfile[260] = {};
  char targetProfile[260] = {};
  std::uint32_t renderIntent = 4;
  std::uint32_t proofingIntent = 4;
};
static_assert(sizeof(VR_CTLCMRECORD) == 540);

// Entry 55: takes the record and repaints the swatches; 1 taken, 0 refused
// (null, another tag, an unknown intent code: nothing changes).
int VrCtlSetColorManagement(const VR_CTLCMRECORD* record);
// The colour (0x00BBGGRR) a swatch paints for `colour` under the record.
std::uint32_t VrCtlDisplayColour(std::uint32_t colour);
// Repaints every swatch of the program (none natively).
void VrCtlRepaintSwatches();

// Entry 1: registers the library's classes in the module of `instance`;
// non-zero on success.
int VrCtlStartUp(void* instance);
// Entry 2: unregisters them.
void VrCtlShutDown();
// The module the library's classes live in; null while it is not started
// (as a library that is not loaded).
void* VrCtlModule();
// Entry 35: the custom non-client look of a window being created (a thin
// tool-window caption).
void VrCtlSetUpNonClient(void* window);
// Entry 56: the window procedure of the library's custom dialogs (the
// system's dialog procedure underneath).
std::intptr_t VrCtlDialogWindowProc(void* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
