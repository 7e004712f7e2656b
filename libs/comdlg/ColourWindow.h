// Inside the common-dialog library: the colour window's state and the
// window services it needs, so its rules run without windows in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "hostapi/comdlg.h"

namespace lumora::comdlg {

// What the library asks of the window system.
class ComDlgWindows {
 public:
  virtual ~ComDlgWindows() = default;
  // Makes the colour window, hidden, over `frame`; null when it cannot.
  virtual void* Create(CDlgData* data, void* frame) = 0;
  virtual void Show(void* window) = 0;
  virtual void Destroy(void* window) = 0;
  // Its controls show the colour (without reporting it as the user's).
  virtual void ShowColour(void* window, std::uint32_t colour) = 0;
  virtual void Send(void* owner, std::uint32_t message, std::uint32_t colour) = 0;
  // Runs the pick-up; kNoColour when abandoned.
  virtual std::int32_t PickUp(void* window) = 0;
  // Repaints the window's colours (its gamma changed).
  virtual void Repaint(void*) {}
  // The system's open or save dialog in `folder` (made when missing); 1 for
  // OK with `path` filled in.
  virtual int FileDialog(void*, const char*, int, const char*, const char*, char*, int) { return 0; }
};

// The services in use: those installed, else the system's (none natively).
ComDlgWindows* CurrentComDlgWindows();
// Tests install their own (null: back to the system's).
void SetComDlgWindows(ComDlgWindows* windows);
ComDlgWindows& Win32ComDlgWindows();

// A colour channel typed into an edit: digits only, 0..255.
bool ParseChannel(std::string_view text, int* value);
inline std::uint32_t MakeColour(int red, int green, int blue) {
  return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
         (static_cast<std::uint32_t>(blue) << 16);
}
inline int Channel(std::uint32_t colour, int index) { return static_cast<int>((colour >> (8 * index)) & 0xFF); }

// The colour window's messages from its owner (1464, 1466); non-zero when
// it was one of them.
int ColourWindowMessage(CDlgData* data, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
// The user made a colour in the window: the owner hears of it (1468).
void ColourWindowEdited(CDlgData* data, std::uint32_t colour);
// The window went away by itself (closed by the user).
void ColourWindowGone(CDlgData* data, void* window);

// The window's HSV page: hue in degrees 0..359, saturation and value in
// per cent 0..100, each rounded to the nearest.
struct Hsv {
  int hue = 0, saturation = 0, value = 0;
  bool operator==(const Hsv&) const = default;
};
Hsv ColourToHsv(std::uint32_t colour);
std::uint32_t HsvToColour(const Hsv& hsv);
// A channel of the HSV page typed into its edit: digits only, up to `most`.
bool ParseHsvChannel(std::string_view text, int most, int* value);
inline constexpr int kHsvMost[3] = {359, 100, 100};

// The window's palette page: fixed colours, then the user's own, which
// "Add" fills in turn (the oldest replaced once all are used).
inline constexpr int kBasicColours = 32;
inline constexpr int kCustomColours = 8;
std::uint32_t PaletteColour(const CDlgData* data, int cell);  // 0..39
// The cell the colour went into.
int AddCustomColour(CDlgData* data, std::uint32_t colour);

// A colour as the window paints it: through colour management (when set
// up) and the monitor's gamma, as the image views show their pixels.
std::uint32_t PaintedColour(const CDlgData* data, std::uint32_t colour);

}  // namespace lumora::comdlg

class VR_CMCOLOURS;

struct CDlgData {
  void* window = nullptr;  // the colour window while it is open
  void* owner = nullptr;   // who hears of its colours
  std::uint32_t colour = 0;
  std::int32_t gamma[3] = {100, 100, 100};  // x 100, red, green, blue
  int lastError = kCDlgOk;
  std::uint32_t custom[8] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  int nextCustom = 0;
  std::shared_ptr<const VR_CMCOLOURS> icm;  // colour management (null: off)
};
