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

}  // namespace lumora::comdlg

class VR_CMCOLOURS;

struct CDlgData {
  void* window = nullptr;  // the colour window while it is open
  void* owner = nullptr;   // who hears of its colours
  std::uint32_t colour = 0;
  std::shared_ptr<const VR_CMCOLOURS> icm;  // colour management (null: off)
};
