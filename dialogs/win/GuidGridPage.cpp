// The guides-and-grid preferences page.
#include "dialogs/win/GuidGridPage.h"

#include <commdlg.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "framework/DataExchange.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

std::string SpacingText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

CGuidGridPage::CGuidGridPage() : CPropertyPageMy(IDD_PREF_GUIDES_GRID) {}

void CGuidGridPage::SetGridStep(double step, int unitCode) {
  values.spacing = ConvertSpacing(step, GridUnitToIndex(unitCode), values.unitIndex, static_cast<int>(resolution & 0xFFFF));
}

bool CGuidGridPage::OnInitDialog() {
  filling_ = true;
  if (schemeProfile != nullptr) {
    guideScheme = LoadColorScheme(*schemeProfile, kGuideSchemeSection);
    gridScheme = LoadColorScheme(*schemeProfile, kGridSchemeSection);
  } else {
    if (guideScheme.empty()) guideScheme = DefaultColorScheme();
    if (gridScheme.empty()) gridScheme = DefaultColorScheme();
  }
  guideColor_.SubclassDlgItem(IDC_GG_GUIDE_COLOR, *this);
  gridColor_.SubclassDlgItem(IDC_GG_GRID_COLOR, *this);
  guideStyle_.SubclassDlgItem(IDC_GG_GUIDE_STYLE, *this);
  gridStyle_.SubclassDlgItem(IDC_GG_GRID_STYLE, *this);
  FillColorCombo(guideColor_, guideScheme, values.guideColor);
  FillColorCombo(gridColor_, gridScheme, values.gridColor);
  FillStyleCombo(guideStyle_, false, values.guideStyle);
  FillStyleCombo(gridStyle_, true, values.gridStyle);
  static const char* const kUnits[4] = {"Pixels", "Cm", "Inches", "Points"};
  for (const char* unit : kUnits) SendDlgItemMessageA(hwnd_, IDC_GG_UNIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit));
  SendDlgItemMessageA(hwnd_, IDC_GG_UNIT, CB_SETCURSEL, static_cast<WPARAM>(values.unitIndex), 0);
  SetDlgItemTextA(hwnd_, IDC_GG_SPACING, SpacingText(values.spacing).c_str());
  SetDlgItemInt(hwnd_, IDC_GG_SUBDIV, static_cast<UINT>(ClampSubdivisions(values.subdivisions)), FALSE);
  saved_ = values;
  initialised_ = true;
  filling_ = false;
  return true;
}

void CGuidGridPage::FillColorCombo(CGuideColorCB& combo, const std::vector<SchemeColor>& scheme, COLORREF current) {
  combo.ResetContent();
  combo.customColor = current;
  combo.AddColor(std::string(res::String(IDS_COLOR_CUSTOM)), current);
  combo.AddSeparator();
  for (const SchemeColor& c : scheme) combo.AddColor(c.name, c.rgb);
  const int found = combo.FindColor(current);
  combo.SetCurSel(found >= 0 ? found : 0);
  combo.OnDropDown();
}

void CGuidGridPage::FillStyleCombo(CLinesStyleCB& combo, bool withDots, int current) {
  combo.ResetContent();
  combo.AddStyle(std::string(res::String(IDS_LINE_SOLID)), 0);
  combo.AddStyle(std::string(res::String(IDS_LINE_DASHED)), 1);
  if (withDots) combo.AddStyle(std::string(res::String(IDS_LINE_DOTS)), 2);
  const int found = combo.FindStyle(current);
  combo.SetCurSel(found >= 0 ? found : 0);
}

void CGuidGridPage::Apply() {
  if (!filling_ && applyLive) applyLive(values);
}

void CGuidGridPage::OnColorChoice(bool guides) {
  CGuideColorCB& combo = guides ? guideColor_ : gridColor_;
  const int index = combo.GetCurSel();
  if (index < 0) return;
  if (combo.GetLBText(index) == std::string(res::String(IDS_COLOR_CUSTOM))) {
    PickCustomColor(guides);
    return;
  }
  (guides ? values.guideColor : values.gridColor) = combo.ItemColor(index);
  InvalidateRect(GetDlgItem(hwnd_, guides ? IDC_GG_GUIDE_BUTTON : IDC_GG_GRID_BUTTON), nullptr, FALSE);
  Apply();
}

// Any colour, through the system's colour chooser until the shared colour
// window exists.
void CGuidGridPage::PickCustomColor(bool guides) {
  static COLORREF customColors[16] = {};
  COLORREF& target = guides ? values.guideColor : values.gridColor;
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = hwnd_;
  cc.rgbResult = target;
  cc.lpCustColors = customColors;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  CGuideColorCB& combo = guides ? guideColor_ : gridColor_;
  if (ChooseColorA(&cc)) {
    target = cc.rgbResult;
    combo.customColor = target;
    combo.SetCurSel(0);
    combo.OnDropDown();
    InvalidateRect(combo.Handle(), nullptr, FALSE);
    InvalidateRect(GetDlgItem(hwnd_, guides ? IDC_GG_GUIDE_BUTTON : IDC_GG_GRID_BUTTON), nullptr, FALSE);
    Apply();
    return;
  }
  // Cancelled: the combo shows the colour in force again.
  const int found = combo.FindColor(target);
  combo.SetCurSel(found >= 0 ? found : 0);
  combo.OnDropDown();
}

bool CGuidGridPage::ReadSpacing(double* spacing) const {
  char text[64] = {};
  GetDlgItemTextA(hwnd_, IDC_GG_SPACING, text, sizeof text);
  double v = 0;
  if (!fw::ParseReal(text, v)) return false;
  *spacing = v;
  return true;
}

void CGuidGridPage::OnSpacingTyped() {
  double typed = 0;
  if (filling_ || !ReadSpacing(&typed)) return;
  // The limited value shows at once; the field is corrected when it is
  // left, so that a number can be typed digit by digit.
  values.spacing = LimitTypedSpacing(typed, values.unitIndex);
  Apply();
}

void CGuidGridPage::OnSpacingLeft() {
  double typed = 0;
  if (!ReadSpacing(&typed)) return;
  const double limited = LimitTypedSpacing(typed, values.unitIndex);
  if (limited == typed) return;
  filling_ = true;
  SetDlgItemTextA(hwnd_, IDC_GG_SPACING, SpacingText(limited).c_str());
  filling_ = false;
}

void CGuidGridPage::OnUnitChanged() {
  const int next = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_GG_UNIT, CB_GETCURSEL, 0, 0));
  if (next < 0 || next == values.unitIndex) return;
  double typed = values.spacing;
  ReadSpacing(&typed);
  values.spacing = ConvertSpacing(typed, values.unitIndex, next, static_cast<int>(resolution & 0xFFFF));
  values.unitIndex = next;
  filling_ = true;
  SetDlgItemTextA(hwnd_, IDC_GG_SPACING, SpacingText(values.spacing).c_str());
  filling_ = false;
  Apply();
}

void CGuidGridPage::OnSubdivisionsTyped() {
  if (filling_) return;
  BOOL ok = FALSE;
  const int typed = static_cast<int>(GetDlgItemInt(hwnd_, IDC_GG_SUBDIV, &ok, TRUE));
  if (!ok) return;
  values.subdivisions = ClampSubdivisions(typed);
  if (values.subdivisions != typed) {
    filling_ = true;
    SetDlgItemInt(hwnd_, IDC_GG_SUBDIV, static_cast<UINT>(values.subdivisions), FALSE);
    filling_ = false;
  }
  Apply();
}

// The spacing within the unit's bounds and 1 .. 100 subdivisions, or the
// page stays with the field in focus.
bool CGuidGridPage::OnKillActive() {
  double spacing = 0;
  const bool pixels = values.unitIndex == kGridPixels;
  if (!ReadSpacing(&spacing) || !SpacingAccepted(spacing, values.unitIndex)) {
    static const char* const kLow[4] = {"1", "0", "0", "1"};
    static const char* const kHigh[4] = {"1000", "10000", "1000", "1000"};
    const std::string text = res::FormatString(IDS_FW_RANGE_REAL, {kLow[values.unitIndex], kHigh[values.unitIndex]});
    MessageBoxA(hwnd_, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(hwnd_, IDC_GG_SPACING));
    return false;
  }
  values.spacing = pixels ? std::round(spacing) : spacing;
  BOOL ok = FALSE;
  const int subdivisions = static_cast<int>(GetDlgItemInt(hwnd_, IDC_GG_SUBDIV, &ok, TRUE));
  if (!ok || subdivisions < kMinSubdivisions || subdivisions > kMaxSubdivisions) {
    const std::string text = res::FormatString(IDS_FW_RANGE_INT, {"1", "100"});
    MessageBoxA(hwnd_, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(hwnd_, IDC_GG_SUBDIV));
    return false;
  }
  values.subdivisions = subdivisions;
  return true;
}

bool CGuidGridPage::OnApply() { return OnKillActive(); }

void CGuidGridPage::OnReset() {
  values = saved_;
  if (applyLive) applyLive(values);
}

void CGuidGridPage::DrawColorButton(const DRAWITEMSTRUCT& item) {
  const bool guides = item.CtlID == IDC_GG_GUIDE_BUTTON;
  RECT r = item.rcItem;
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
  InflateRect(&r, -4, -4);
  HBRUSH brush = CreateSolidBrush(guides ? values.guideColor : values.gridColor);
  FillRect(item.hDC, &r, brush);
  DeleteObject(brush);
  FrameRect(item.hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -2, -2);
    DrawFocusRect(item.hDC, &focus);
  }
}

bool CGuidGridPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlID == IDC_GG_GUIDE_BUTTON || item->CtlID == IDC_GG_GRID_BUTTON) {
      DrawColorButton(*item);
    } else {
      ReflectControlMessage(message, wParam, lParam);
    }
    *result = TRUE;
    return true;
  }
  if (message == WM_COMMAND && initialised_) {
    ReflectControlMessage(message, wParam, lParam);
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    switch (id) {
      case IDC_GG_GUIDE_BUTTON:
      case IDC_GG_GRID_BUTTON:
        if (code == BN_CLICKED) PickCustomColor(id == IDC_GG_GUIDE_BUTTON);
        return true;
      case IDC_GG_GUIDE_COLOR:
      case IDC_GG_GRID_COLOR:
        if (code == CBN_SELCHANGE && !filling_) OnColorChoice(id == IDC_GG_GUIDE_COLOR);
        return true;
      case IDC_GG_GUIDE_STYLE:
      case IDC_GG_GRID_STYLE:
        if (code == CBN_SELCHANGE && !filling_) {
          CLinesStyleCB& combo = id == IDC_GG_GUIDE_STYLE ? guideStyle_ : gridStyle_;
          const int index = combo.GetCurSel();
          if (index >= 0) (id == IDC_GG_GUIDE_STYLE ? values.guideStyle : values.gridStyle) = static_cast<int>(combo.GetItemData(index));
          Apply();
        }
        return true;
      case IDC_GG_UNIT:
        if (code == CBN_SELCHANGE && !filling_) OnUnitChanged();
        return true;
      case IDC_GG_SPACING:
        if (code == EN_CHANGE) OnSpacingTyped();
        if (code == EN_KILLFOCUS) OnSpacingLeft();
        return true;
      case IDC_GG_SUBDIV:
        if (code == EN_CHANGE) OnSubdivisionsTyped();
        return true;
      default: break;
    }
  }
  if (message == WM_DESTROY && schemeProfile != nullptr) {
    SaveColorScheme(*schemeProfile, kGuideSchemeSection, guideScheme);
    SaveColorScheme(*schemeProfile, kGridSchemeSection, gridScheme);
  }
  return CPropertyPageMy::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
