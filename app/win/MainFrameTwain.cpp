// The main frame's TWAIN side: the device list and its menu, the
// protocol choice, and the scanned images opened as new documents.
#include <algorithm>
#include <cstring>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/win/AddTWAINDlg.h"
#include "document/DocumentServices.h"
#include "engine/pixels/ImagePlacement.h"
#include "engine/pixels/RowConverters.h"
#include "engine/pixels/win/DibGlobal.h"
#include "framework/win/App.h"
#include "files/win/TwainSession.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr char kSection[] = "TWAIN";
constexpr std::size_t kMaxDevices = 10;

twain::TW_IDENTITY AppIdentity() {
  twain::TW_IDENTITY id{};
  id.Version.MajorNum = 1;
  id.Version.MinorNum = 0;
  id.Version.Language = 13;  // USA
  id.Version.Country = 1;    // USA
  std::strcpy(id.Version.Info, "LUMORA 4.0");
  id.ProtocolMajor = 1;
  id.ProtocolMinor = 5;
  id.SupportedGroups = twain::DG_CONTROL | twain::DG_IMAGE;
  std::strcpy(id.Manufacturer, "VARNO Software");
  std::strcpy(id.ProductFamily, "Lumora");
  std::strcpy(id.ProductName, "Lumora 4.0");
  return id;
}

std::string DeviceKey(std::size_t i) { return "DEVICE" + std::to_string(i); }

// The popup holding the device items, and the position of the first.
bool FindDeviceItems(HMENU menu, HMENU* popup, int* position) {
  for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
    if (HMENU sub = GetSubMenu(menu, i)) {
      if (FindDeviceItems(sub, popup, position)) return true;
      continue;
    }
    const UINT id = GetMenuItemID(menu, i);
    if (id >= ID_TWAIN_DEVICE_FIRST && id <= ID_TWAIN_DEVICE_LAST) {
      *popup = menu;
      *position = i;
      return true;
    }
  }
  return false;
}

}  // namespace

void CMainFrame::BuildTwainDeviceList() {
  fw::Profile& settings = fw::TheApp()->Settings();
  twainProtocol_ = settings.GetInt(kSection, "PROTOCOL", 1) != 0 ? 1 : 0;
  TwainSetAppIdentity(AppIdentity(), Handle());
  twainDevices_.clear();
  std::vector<std::string> sources;
  char name[34] = {};
  for (int more = TwainGetFirstSource(name); more != 0; more = TwainGetNextSource(name)) sources.emplace_back(name);
  if (sources.empty()) return;
  bool saved = false;
  for (std::size_t i = 0; i < kMaxDevices; ++i) {
    const std::string device = settings.GetString(kSection, DeviceKey(i), "");
    if (device.empty()) continue;
    saved = true;
    if (std::find(sources.begin(), sources.end(), device) != sources.end()) twainDevices_.push_back(device);
  }
  if (!saved && TwainGetDefaultSource(name) != 0) twainDevices_.emplace_back(name);
}

void CMainFrame::FillTwainDeviceMenu(HMENU menu) {
  // The device items are made again each time the menu opens: the frame's
  // menu changes with the active document, and the list with the dialog.
  HMENU popup = nullptr;
  int position = 0;
  if (!FindDeviceItems(menu, &popup, &position)) return;
  while (position < GetMenuItemCount(popup)) {
    const UINT id = GetMenuItemID(popup, position);
    if (id < ID_TWAIN_DEVICE_FIRST || id > ID_TWAIN_DEVICE_LAST) break;
    DeleteMenu(popup, static_cast<UINT>(position), MF_BYPOSITION);
  }
  if (twainDevices_.empty()) {
    InsertMenuA(popup, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING, ID_TWAIN_DEVICE_FIRST, "No TWAIN devices");
    return;
  }
  for (std::size_t i = 0; i < twainDevices_.size(); ++i) {
    const std::string text = twainDevices_[i] + "...";
    InsertMenuA(popup, static_cast<UINT>(position) + static_cast<UINT>(i), MF_BYPOSITION | MF_STRING,
                ID_TWAIN_DEVICE_FIRST + i, text.c_str());
  }
}

LRESULT CMainFrame::OnInitMenu(WPARAM wParam, LPARAM) {
  FillTwainDeviceMenu(reinterpret_cast<HMENU>(wParam));
  return 0;
}

void CMainFrame::SaveTwainSettings() {
  fw::Profile& settings = fw::TheApp()->Settings();
  settings.WriteInt(kSection, "PROTOCOL", twainProtocol_);
  for (std::size_t i = 0; i < kMaxDevices; ++i) {
    settings.WriteString(kSection, DeviceKey(i), i < twainDevices_.size() ? twainDevices_[i] : std::string());
  }
}

void CMainFrame::OnTwainDevice(std::uint32_t id) {
  const std::size_t index = id - ID_TWAIN_DEVICE_FIRST;
  if (index >= twainDevices_.size()) return;
  // Native only when the user chose Native; memory transfers keep the
  // source's pixel type.
  TwainOpenSource(Handle(), twainProtocol_, 0, twainDevices_[index].c_str());
}

void CMainFrame::OnUpdateTwainDevice(fw::CmdUI& ui) {
  ui.Enable(FilterCommandEnable(ui.Id(), !twainDevices_.empty() && !TwainSourceOpen()));
}

void CMainFrame::OnTwainNative() { twainProtocol_ = 1; }
void CMainFrame::OnTwainMemory() { twainProtocol_ = 0; }

void CMainFrame::OnUpdateTwainNative(fw::CmdUI& ui) {
  ui.Enable(FilterCommandEnable(ui.Id(), true));
  ui.SetCheck(twainProtocol_ != 0 ? 1 : 0);
}

void CMainFrame::OnUpdateTwainMemory(fw::CmdUI& ui) {
  ui.Enable(FilterCommandEnable(ui.Id(), true));
  ui.SetCheck(twainProtocol_ == 0 ? 1 : 0);
}

void CMainFrame::OnTwainAddRemove() {
  CAddTWAINDlg dialog(this);
  dialog.selected = twainDevices_;
  if (dialog.DoModal() != IDOK) return;
  twainDevices_ = dialog.selected;
  if (twainDevices_.size() > kMaxDevices) twainDevices_.resize(kMaxDevices);
}

namespace {

// A new document at the resolution of the transfer; the resolution is
// the scanner's only for this image (a later paste takes the screen's).
LRESULT OpenScannedImage(VrWA2000::WA* image) {
  // New documents are made of true-colour layers: a buffer of another
  // type is brought to 24 bits through its palette first.
  if (image->GetType() != kWAType24) {
    VrWA2000::WA* converted = ConvertImageFormat(kWAType24, image, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    image->Release();
    if (converted == nullptr) return 0;
    image = converted;
  }
  int x = 0, y = 0;
  TwainLastResolution(&x, &y);
  SetScannerResolution(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
  const int result = OpenImageAsDocument(nullptr, image, 0, 0);
  SetScannerResolution(0, 0);
  return result;
}

}  // namespace

LRESULT CMainFrame::OnTwainNativeImage(WPARAM wParam, LPARAM) {
  HGLOBAL dib = reinterpret_cast<HGLOBAL>(wParam);
  if (dib == nullptr) return 0;
  VrWA2000::WA* image = GlobalDIBToImage(dib, 1);
  GlobalFree(dib);
  if (image == nullptr) return 0;
  return OpenScannedImage(image);
}

LRESULT CMainFrame::OnTwainMemoryImage(WPARAM wParam, LPARAM) {
  auto* image = reinterpret_cast<VrWA2000::WA*>(wParam);
  if (image == nullptr) return 0;
  return OpenScannedImage(image);
}

}  // namespace lumora
