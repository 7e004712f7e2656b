// A toolbar's layout in its state file and image file: the bar's buttons,
// images and embedded controls written and read back.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/StringSource.h"
#include "ui/ToolbarState.h"
#include "ui/ToolbarStateFiles.h"
#include "ui/win/ColourControls.h"
#include "ui/win/OwnerDrawControls.h"
#include "ui/win/ToolbarCtrlFactory.h"
#include "ui/win/ProgramBars.h"

namespace lumora {
namespace {

constexpr std::uint32_t kCantRestoreState = 61455;

ButtonColours SystemButtonColours() {
  auto rgb = [](int index) {
    const COLORREF c = GetSysColor(index);
    return static_cast<std::uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
  };
  return {rgb(COLOR_BTNTEXT), rgb(COLOR_BTNSHADOW), rgb(COLOR_BTNFACE), rgb(COLOR_BTNHIGHLIGHT)};
}

// The strip's pixels as 0xRRGGBB from a bitmap, and a display bitmap made
// from a strip.
ImageStrip StripOf(HBITMAP bitmap, int width, int height) {
  ImageStrip strip{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), strip.pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (std::uint32_t& p : strip.pixels) p &= 0xFFFFFF;
  return strip;
}

HBITMAP BitmapOf(const ImageStrip& strip) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = strip.width;
  info.bmiHeader.biHeight = -strip.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, strip.width, strip.height);
  SetDIBits(screen, bitmap, 0, static_cast<UINT>(strip.height), strip.pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The control record of an embedded control; "WND_UNKNOWN" for what the
// state file cannot hold.
ControlRecord RecordOf(fw::Window* control) {
  ControlRecord r;
  HWND h = control->Handle();
  RECT rect{};
  GetWindowRect(h, &rect);
  const auto id = static_cast<std::uint32_t>(GetWindowLongPtrA(h, GWLP_ID));
  if (dynamic_cast<CMySBComboBox*>(control) != nullptr) {
    r.tag = kTagModeCombo;
    r.width = static_cast<std::uint16_t>(rect.right - rect.left);
    r.height = static_cast<std::uint16_t>(rect.bottom - rect.top);
    r.id = id;
    return r;
  }
  if (dynamic_cast<CMColorCtrl*>(control) != nullptr) {
    r.tag = kTagColour;
    r.width = static_cast<std::uint16_t>(rect.right - rect.left);
    r.height = static_cast<std::uint16_t>(rect.bottom - rect.top);
    r.id = id;
    return r;
  }
  if (IsPlainComboBox(h)) {
    r.tag = kTagCombo;
    r.combo = ComboRecordOf(h);
    return r;
  }
  r.tag = kTagUnknown;
  return r;
}

}  // namespace

bool CCToolBar::SaveState(const std::string& file) {
  // A bar without buttons keeps no layout: its default comes back.
  if (ButtonCount() == 0) {
    DeleteFileA(file.c_str());
    DeleteFileA(ImageFileOf(file).c_str());
    return true;
  }
  ToolbarStateRecord state;
  char caption[256] = {};
  GetWindowTextA(hwnd_, caption, sizeof caption);
  state.caption = caption;
  const SIZE button = ButtonSize(), image = ImageSize();
  state.buttonWidth = static_cast<std::uint16_t>(button.cx);
  state.buttonHeight = static_cast<std::uint16_t>(button.cy);
  state.imageWidth = static_cast<std::uint16_t>(image.cx);
  state.imageHeight = static_cast<std::uint16_t>(image.cy);
  // The plain buttons' images, in button order, drawn on the button face.
  std::vector<int> images;
  const int n = ButtonCount();
  for (int i = 0; i < n; ++i) {
    TBBUTTON b{};
    Send(TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
    if (b.fsState & TBSTATE_HIDDEN) continue;
    ToolbarButtonRecord r;
    r.command = static_cast<std::uint32_t>(b.idCommand);
    if ((b.fsStyle & BTNS_SEP) && b.dwData != 0) {
      r.isControl = true;
      r.control = RecordOf(reinterpret_cast<fw::Window*>(b.dwData));
    } else {
      r.style = b.fsStyle;
      if (!(b.fsStyle & BTNS_SEP) && b.iBitmap >= 0 && b.iBitmap < ImageCount()) {
        r.image = static_cast<std::uint16_t>(images.size());
        images.push_back(b.iBitmap);
      } else if (!(b.fsStyle & BTNS_SEP)) {
        r.image = 65535;
      }
    }
    state.buttons.push_back(std::move(r));
  }
  // The strip: one image after the other, the system colours back to the
  // standard ones.
  const int count = static_cast<int>(images.size());
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, std::max<int>(1, count * image.cx), image.cy);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, count * image.cx, image.cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  for (int i = 0; i < count; ++i) ImageList_Draw(images_, images[static_cast<std::size_t>(i)], dc, i * image.cx, 0, ILD_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  ImageStrip strip = StripOf(bitmap, count * image.cx, image.cy);
  DeleteObject(bitmap);
  MapButtonColours(strip, SystemButtonColours(), kStandardButtonColours);
  // The layout and its images go as one update.
  std::string error;
  return SaveToolbarStatePair(file, state, strip, &error);
}

bool CCToolBar::LoadState(const std::string& file) {
  stateReset_ = false;
  // Sizes, counts and positions no bar can have make the state damaged,
  // as does an image file of another update.
  ToolbarLayoutPlan plan = PlanToolbarLayout(ReadToolbarStatePair(file));
  if (plan.kind == ToolbarLayoutPlan::kNoState) return false;
  if (plan.kind == ToolbarLayoutPlan::kDefault) {
    RemoveAllButtons();
    ResetButtons();
    UpdateLayout();
    return true;
  }
  bool damaged = plan.kind == ToolbarLayoutPlan::kDamaged;
  if (!damaged) {
    MapButtonColours(plan.strip, kStandardButtonColours, SystemButtonColours());
    HBITMAP bitmap = plan.strip.width > 0 ? BitmapOf(plan.strip) : nullptr;
    damaged = !ApplyState(plan.state, bitmap, plan.imageCount);
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
  if (damaged) {
    RemoveAllButtons();
    ResetButtons();
    stateReset_ = true;
  }
  UpdateLayout();
  if (stateReset_) {
    DeleteFileA(file.c_str());
    DeleteFileA(ImageFileOf(file).c_str());
    char text[512];
    std::snprintf(text, sizeof text, fw::ResourceString(kCantRestoreState).c_str(), caption.c_str());
    ToolBarMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
  }
  return true;
}

bool CCToolBar::ApplyState(const ToolbarStateRecord& state, HBITMAP strip, int imageCount) {
  RemoveAllButtons();
  SetImageSize({state.imageWidth, state.imageHeight});
  SetButtonSize({state.buttonWidth, state.buttonHeight});
  if (images_ != nullptr) ImageList_Destroy(images_);
  images_ = ImageList_Create(state.imageWidth, state.imageHeight, ILC_COLOR24 | ILC_MASK, imageCount + 4, 8);
  Send(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  int first = 0;
  if (strip != nullptr && imageCount > 0) {
    first = AddImages(strip);
    if (first < 0) return false;
  }
  for (const ToolbarButtonRecord& r : state.buttons) {
    if (r.isControl) {
      // Only the controls this program makes come back; others are left out.
      if (r.control.tag == kTagModeCombo) {
        if (auto combo = MakeModeCombo(hwnd_, r.command, r.control.width, r.control.height)) {
          AppendControl(std::move(combo), r.control.width);
        }
      } else if (r.control.tag == kTagColour) {
        if (auto colour = MakeColourControl(hwnd_, r.command, r.control.width, r.control.height)) {
          AppendControl(std::move(colour), r.control.width);
        }
      } else if (r.control.tag == kTagCombo) {
        if (auto combo = CreateComboFromRecord(hwnd_, r.control.combo, r.command)) {
          AppendControl(std::move(combo), r.control.combo.width);
        }
      }
      continue;
    }
    if (r.style & kButtonStyleSeparator) {
      AddSeparator();
      continue;
    }
    AddButton(r.command, r.image == 65535 ? -1 : first + r.image);
  }
  if (ButtonCount() == 0) return false;
  SetWindowTextA(hwnd_, state.caption.c_str());
  return true;
}

}  // namespace lumora
