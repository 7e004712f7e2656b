// The common-dialog library's colour window: who it works for, the colour
// it holds, and what it tells its owner.
#include <algorithm>
#include <cmath>
#include <memory>

#include "libs/comdlg/ColourWindow.h"

namespace lumora::comdlg {
namespace {

ComDlgWindows*& Installed() {
  static ComDlgWindows* windows = nullptr;
  return windows;
}

}  // namespace

ComDlgWindows* CurrentComDlgWindows() {
  if (Installed() != nullptr) return Installed();
#ifdef _WIN32
  return &Win32ComDlgWindows();
#else
  return nullptr;
#endif
}

void SetComDlgWindows(ComDlgWindows* windows) { Installed() = windows; }

bool ParseChannel(std::string_view text, int* value) {
  if (text.empty() || text.size() > 3) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > 255) return false;
  *value = v;
  return true;
}

int ColourWindowMessage(CDlgData* data, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr) return 0;
  if (message == kColourWindowBind) {
    data->owner = reinterpret_cast<void*>(wParam);
    return 1;
  }
  if (message == kColourWindowSet) {
    data->colour = static_cast<std::uint32_t>(lParam) & 0xFFFFFF;
    if (data->window != nullptr) windows->ShowColour(data->window, data->colour);
    if (data->owner != nullptr) windows->Send(data->owner, kColourWindowSet, data->colour);
    return 1;
  }
  return 0;
}

void ColourWindowEdited(CDlgData* data, std::uint32_t colour) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  colour &= 0xFFFFFF;
  if (data == nullptr || windows == nullptr || colour == data->colour) return;
  data->colour = colour;
  if (data->owner != nullptr) windows->Send(data->owner, kColourWindowChanged, colour);
}

void ColourWindowGone(CDlgData* data, void* window) {
  if (data != nullptr && data->window == window) data->window = nullptr;
}

Hsv ColourToHsv(std::uint32_t colour) {
  const double r = Channel(colour, 0) / 255.0, g = Channel(colour, 1) / 255.0, b = Channel(colour, 2) / 255.0;
  const double most = std::max({r, g, b}), least = std::min({r, g, b}), delta = most - least;
  double hue = 0.0;
  if (delta > 0.0) {
    if (most == r) {
      hue = 60.0 * std::fmod((g - b) / delta, 6.0);
    } else if (most == g) {
      hue = 60.0 * ((b - r) / delta + 2.0);
    } else {
      hue = 60.0 * ((r - g) / delta + 4.0);
    }
    if (hue < 0.0) hue += 360.0;
  }
  Hsv out;
  out.hue = static_cast<int>(std::lround(hue)) % 360;
  out.saturation = most > 0.0 ? static_cast<int>(std::lround(100.0 * delta / most)) : 0;
  out.value = static_cast<int>(std::lround(100.0 * most));
  return out;
}

std::uint32_t HsvToColour(const Hsv& hsv) {
  const double h = std::clamp(hsv.hue, 0, 359) / 60.0;
  const double s = std::clamp(hsv.saturation, 0, 100) / 100.0, v = std::clamp(hsv.value, 0, 100) / 100.0;
  const double c = v * s, x = c * (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0)), m = v - c;
  double rgb[3] = {0, 0, 0};
  switch (static_cast<int>(h)) {
    case 0: rgb[0] = c, rgb[1] = x; break;
    case 1: rgb[0] = x, rgb[1] = c; break;
    case 2: rgb[1] = c, rgb[2] = x; break;
    case 3: rgb[1] = x, rgb[2] = c; break;
    case 4: rgb[0] = x, rgb[2] = c; break;
    default: rgb[0] = c, rgb[2] = x; break;
  }
  int channel[3];
  for (int i = 0; i < 3; ++i) channel[i] = static_cast<int>(std::lround(255.0 * (rgb[i] + m)));
  return MakeColour(channel[0], channel[1], channel[2]);
}

bool ParseHsvChannel(std::string_view text, int most, int* value) {
  if (text.empty() || text.size() > 3) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > most) return false;
  *value = v;
  return true;
}

namespace {

// Four rows of eight: greys, then full, dark, and light hues.
constexpr std::uint32_t kBasic[kBasicColours] = {
    0x000000, 0x202020, 0x404040, 0x606060, 0x808080, 0xA0A0A0, 0xC0C0C0, 0xFFFFFF,
    0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x8000FF,
    0x000080, 0x004080, 0x008080, 0x008000, 0x808000, 0x800000, 0x800080, 0x400080,
    0x8080FF, 0x80C0FF, 0x80FFFF, 0x80FF80, 0xFFFF80, 0xFF8080, 0xFF80FF, 0xFF80C0};

}  // namespace

std::uint32_t PaletteColour(const CDlgData* data, int cell) {
  if (cell < 0) return 0;
  if (cell < kBasicColours) return kBasic[cell];
  cell -= kBasicColours;
  return data != nullptr && cell < kCustomColours ? data->custom[cell] : 0;
}

int AddCustomColour(CDlgData* data, std::uint32_t colour) {
  if (data == nullptr) return -1;
  const int slot = data->nextCustom;
  data->custom[slot] = colour & 0xFFFFFF;
  data->nextCustom = (slot + 1) % kCustomColours;
  return kBasicColours + slot;
}

std::uint32_t PaintedColour(const CDlgData* data, std::uint32_t colour) {
  if (data == nullptr) return colour & 0xFFFFFF;
  // Colour management first, then the gamma, as the views do.
  colour = SelColorWindowDisplayColour(data, colour);
  std::uint32_t out = 0;
  for (int i = 0; i < 3; ++i) {
    int v = Channel(colour, i);
    const std::int32_t g = data->gamma[i];
    // The views' gamma: 255 x (v / 255) ^ (100 / gamma), rounded.
    if (g != 100 && g >= 1) v = std::clamp(static_cast<int>(std::lround(255.0 * std::pow(v / 255.0, 100.0 / g))), 0, 255);
    out |= static_cast<std::uint32_t>(v) << (8 * i);
  }
  return out;
}

}  // namespace lumora::comdlg

using namespace lumora::comdlg;

CDlgData* AllocCDlgData() { return new CDlgData(); }

void FreeCDlgData(CDlgData* data) {
  if (data == nullptr) return;
  CloseSelColorWindow(data);
  delete data;
}

int OpenSelColorWindow(CDlgData* data, void* frame, void* owner, std::uint32_t colour) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr) return 0;
  if (data->window == nullptr) {
    data->window = windows->Create(data, frame);
    if (data->window == nullptr) return 0;
  }
  return ShowSelColorWindow(data, owner, colour) != nullptr ? 1 : 0;
}

int IsSelColorWindowOpened(CDlgData* data) { return data != nullptr && data->window != nullptr ? 1 : 0; }

void* ShowSelColorWindow(CDlgData* data, void* owner, std::uint32_t colour) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr || data->window == nullptr) return nullptr;
  data->owner = owner;
  data->colour = colour & 0xFFFFFF;
  windows->ShowColour(data->window, data->colour);
  windows->Show(data->window);
  return data->window;
}

int CloseSelColorWindow(CDlgData* data) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || data->window == nullptr) return 0;
  void* window = data->window;
  data->window = nullptr;
  data->owner = nullptr;
  if (windows != nullptr) windows->Destroy(window);
  return 1;
}

std::int32_t PickUpColor(CDlgData* data, void* window, int, int) {
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (data == nullptr || windows == nullptr) return kNoColour;
  return windows->PickUp(window);
}

std::uint32_t SelColorWindowColour(CDlgData* data) {
  return data != nullptr && data->window != nullptr ? data->colour : 0;
}

void* SelColorWindowOwner(CDlgData* data) { return data != nullptr && data->window != nullptr ? data->owner : nullptr; }

int CDlgLastError(CDlgData* data) { return data != nullptr ? data->lastError : kCDlgErrorBadValue; }

namespace {

int Refuse(CDlgData* data, int error) {
  if (data != nullptr) data->lastError = error;
  return 0;
}

}  // namespace

int SetSelColorWindowGamma(CDlgData* data, std::int32_t red, std::int32_t green, std::int32_t blue) {
  if (data == nullptr) return 0;
  for (std::int32_t g : {red, green, blue}) {
    if (g < 1 || g > 1000) return Refuse(data, kCDlgErrorBadValue);
  }
  data->gamma[0] = red;
  data->gamma[1] = green;
  data->gamma[2] = blue;
  data->lastError = kCDlgOk;
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (windows != nullptr && data->window != nullptr) windows->Repaint(data->window);
  return 1;
}

int OpenGadgetDialog(CDlgData* data, void* owner, const char* title, int open, const char* folder,
                     const char* extension, char* path, int pathSize, int) {
  if (data == nullptr) return 0;
  if (path == nullptr || pathSize < 2 || folder == nullptr || (open != 0 && open != 1)) {
    return Refuse(data, kCDlgErrorBadValue);
  }
  ComDlgWindows* windows = CurrentComDlgWindows();
  if (windows == nullptr) return Refuse(data, kCDlgErrorNoWindow);
  data->lastError = kCDlgOk;
  return windows->FileDialog(owner, title, open, folder, extension != nullptr ? extension : "", path, pathSize);
}

// Not in this library.
int OpenStyleDlg(CDlgData* data, void*) { return Refuse(data, kCDlgErrorNotProvided); }
int BindStyleDlg(CDlgData* data, void*, void*, void*, int) { return Refuse(data, kCDlgErrorNotProvided); }
int ShowStyleDlg(CDlgData* data, void*) { return Refuse(data, kCDlgErrorNotProvided); }
int CloseStyleDlg(CDlgData* data, void*) { return Refuse(data, kCDlgErrorNotProvided); }
int SaveStyleData(CDlgData* data, void*, const char*, const char*) { return Refuse(data, kCDlgErrorNotProvided); }
int LoadStyleData(CDlgData* data, void*, const char*, const char*) { return Refuse(data, kCDlgErrorNotProvided); }
int OpenPalEditor(CDlgData* data) { return Refuse(data, kCDlgErrorNotProvided); }
int BindPalEditor(CDlgData* data, void*, void*) { return Refuse(data, kCDlgErrorNotProvided); }
int ActivatePalEditor(CDlgData* data) { return Refuse(data, kCDlgErrorNotProvided); }
int ShowPalEditor(CDlgData* data) { return Refuse(data, kCDlgErrorNotProvided); }
int ClosePalEditor(CDlgData* data) { return Refuse(data, kCDlgErrorNotProvided); }
int OpenStyleMngDlg(CDlgData* data) { return Refuse(data, kCDlgErrorNotProvided); }
int IsStyleMngDlgOpen(CDlgData* data) { return Refuse(data, kCDlgErrorNotProvided); }
void* GetStyleMngDlg(CDlgData* data) {
  Refuse(data, kCDlgErrorNotProvided);
  return nullptr;
}
int ShowStylePageDlg(CDlgData* data, int) { return Refuse(data, kCDlgErrorNotProvided); }
int CloseStylePageDlg(CDlgData* data) { return Refuse(data, kCDlgErrorNotProvided); }
void* GetStyleMasterWnd(CDlgData* data, void*) {
  Refuse(data, kCDlgErrorNotProvided);
  return nullptr;
}
int SetStyleOwnerTool(CDlgData* data, void*, void*) { return Refuse(data, kCDlgErrorNotProvided); }
