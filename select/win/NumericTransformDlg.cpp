// The Numeric Transform dialog.
#include "select/win/NumericTransformDlg.h"

#include <cstdio>
#include <cstdlib>

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace lumora {

namespace {

const char* const kPositionUnits[] = {"pixels", "inches", "cm"};
const char* const kSizeUnits[] = {"pixels", "inches", "cm", "percent"};

struct Group {
  int check;
  int controls[5];
};
const Group kGroups[] = {
    {IDC_NT_POSITION, {IDC_NT_X, IDC_NT_Y, IDC_NT_X_UNIT, IDC_NT_Y_UNIT, IDC_NT_RELATIVE}},
    {IDC_NT_SCALE, {IDC_NT_WIDTH, IDC_NT_HEIGHT, IDC_NT_WIDTH_UNIT, IDC_NT_HEIGHT_UNIT, IDC_NT_PROPORTIONS}},
    {IDC_NT_SKEW, {IDC_NT_SKEW_HOR, IDC_NT_SKEW_VER, 0, 0, 0}},
    {IDC_NT_ROTATE, {IDC_NT_ANGLE, 0, 0, 0, 0}},
};

// The display's dots per inch: vertical high, horizontal low.
int DisplayDpi(bool horizontal) {
  HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, horizontal ? LOGPIXELSX : LOGPIXELSY) : 96;
  if (dc != nullptr) DeleteDC(dc);
  return dpi;
}

}  // namespace

CNumericTransform::CNumericTransform(const RECT& object, fw::Profile& profile, fw::Window* parent)
    : fw::Dialog(IDD_NUMERIC_TRANSFORM, parent), form_(object, DisplayDpi(true), DisplayDpi(false)), profile_(profile) {
  form_.Load(profile_);
}

CNumericTransform::~CNumericTransform() { form_.Save(profile_); }

void CNumericTransform::DoDataExchange(fw::DataExchangeContext& dx) {
  NumericTransformValues& v = form_.values;
  const fw::Binding table[] = {
      fw::BindCheck(IDC_NT_POSITION, v.position),     fw::BindCheck(IDC_NT_RELATIVE, v.relative),
      fw::BindDouble(IDC_NT_X, v.x),                  fw::BindDouble(IDC_NT_Y, v.y),
      fw::BindComboIndex(IDC_NT_X_UNIT, v.xUnit),     fw::BindComboIndex(IDC_NT_Y_UNIT, v.yUnit),
      fw::BindCheck(IDC_NT_SCALE, v.scale),           fw::BindCheck(IDC_NT_PROPORTIONS, v.proportions),
      fw::BindDouble(IDC_NT_WIDTH, v.width),          fw::BindDouble(IDC_NT_HEIGHT, v.height),
      fw::BindComboIndex(IDC_NT_WIDTH_UNIT, v.widthUnit), fw::BindComboIndex(IDC_NT_HEIGHT_UNIT, v.heightUnit),
      fw::BindCheck(IDC_NT_SKEW, v.skew),
      // At 90 degrees the skew would be infinite.
      fw::BindDouble(IDC_NT_SKEW_HOR, v.skewHor, -89.9, 89.9), fw::BindDouble(IDC_NT_SKEW_VER, v.skewVer, -89.9, 89.9),
      fw::BindCheck(IDC_NT_ROTATE, v.rotate),         fw::BindDouble(IDC_NT_ANGLE, v.angle),
  };
  dx.Exchange(table);
}

bool CNumericTransform::OnInitDialog() {
  for (int id : {IDC_NT_X_UNIT, IDC_NT_Y_UNIT}) {
    for (const char* u : kPositionUnits) SendDlgItemMessageA(hwnd_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u));
  }
  for (int id : {IDC_NT_WIDTH_UNIT, IDC_NT_HEIGHT_UNIT}) {
    for (const char* u : kSizeUnits) SendDlgItemMessageA(hwnd_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u));
  }
  form_.Initialise();
  showing_ = true;
  fw::Dialog::OnInitDialog();  // the values into the controls
  showing_ = false;
  EnableGroups();
  initialised_ = true;
  return true;
}

void CNumericTransform::EnableGroups() {
  for (const Group& g : kGroups) {
    const bool on = IsDlgButtonChecked(hwnd_, g.check) == BST_CHECKED;
    for (int id : g.controls) {
      if (id != 0) EnableWindow(GetDlgItem(hwnd_, id), on);
    }
  }
}

double CNumericTransform::EditValue(int id) const {
  char text[64] = {};
  GetDlgItemTextA(hwnd_, id, text, sizeof text);
  return std::atof(text);
}

bool CNumericTransform::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message != WM_COMMAND || showing_) return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  NumericTransformValues& v = form_.values;
  auto show = [this] {
    showing_ = true;
    UpdateData(false);
    showing_ = false;
  };
  if (code == BN_CLICKED) {
    for (const Group& g : kGroups) {
      if (g.check == id) {
        EnableGroups();
        return true;
      }
    }
    if (id == IDC_NT_PROPORTIONS && initialised_) {
      v.width = EditValue(IDC_NT_WIDTH);
      v.height = EditValue(IDC_NT_HEIGHT);
      form_.OnProportionsClicked(IsDlgButtonChecked(hwnd_, IDC_NT_PROPORTIONS) == BST_CHECKED);
      show();
      return true;
    }
  }
  if (code == EN_CHANGE && initialised_) {
    if (id == IDC_NT_WIDTH || id == IDC_NT_HEIGHT) {
      v.proportions = IsDlgButtonChecked(hwnd_, IDC_NT_PROPORTIONS) == BST_CHECKED ? 1 : 0;
      if (id == IDC_NT_WIDTH) form_.OnWidthTyped(EditValue(IDC_NT_WIDTH));
      if (id == IDC_NT_HEIGHT) form_.OnHeightTyped(EditValue(IDC_NT_HEIGHT));
      // Only the other field is written back: the typed one keeps its caret.
      if (v.proportions != 0) {
        showing_ = true;
        char text[64];
        const int other = id == IDC_NT_WIDTH ? IDC_NT_HEIGHT : IDC_NT_WIDTH;
        std::snprintf(text, sizeof text, "%g", other == IDC_NT_HEIGHT ? v.height : v.width);
        SetDlgItemTextA(hwnd_, other, text);
        showing_ = false;
      }
      return true;
    }
  }
  if (code == CBN_SELCHANGE && initialised_) {
    const int fields[] = {IDC_NT_X_UNIT, IDC_NT_Y_UNIT, IDC_NT_WIDTH_UNIT, IDC_NT_HEIGHT_UNIT};
    const int edits[] = {IDC_NT_X, IDC_NT_Y, IDC_NT_WIDTH, IDC_NT_HEIGHT};
    double* values[] = {&v.x, &v.y, &v.width, &v.height};
    for (int f = 0; f < 4; ++f) {
      if (fields[f] != id) continue;
      *values[f] = EditValue(edits[f]);
      form_.OnUnitChanged(f, static_cast<int>(SendDlgItemMessageA(hwnd_, id, CB_GETCURSEL, 0, 0)));
      char text[64];
      std::snprintf(text, sizeof text, "%g", *values[f]);
      showing_ = true;
      SetDlgItemTextA(hwnd_, edits[f], text);
      showing_ = false;
      return true;
    }
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lumora
