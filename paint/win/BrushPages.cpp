// The brush pages: controls, their changes pushed into the brush, presets.
#include "paint/win/BrushPages.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "framework/win/App.h"
#include "paint/win/PaintAttributes.h"
#include "paint/win/ShapePictures.h"
#include "paint/win/ToolBrush.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

constexpr int kWidthList = 112;
constexpr int kStandard = 1111;
constexpr int kCustom = 1206;
constexpr int kWidthEdit = 1260;
constexpr int kWidthSpin = 1209;
constexpr int kEdgeList = 1151;
constexpr int kOpacityEdit = 2000;
constexpr int kOpacitySpin = 2001;
constexpr int kShapeList = 1166;
constexpr int kShapeName = 1204;
constexpr int kPaperCombo = 1156;
constexpr int kInsertCombo = 1155;
constexpr int kPresetCombo = 2041;
constexpr int kEraseCombo = 1168;
constexpr int kStyleCombo = 1157;
constexpr int kMannerList = 1234;
constexpr int kStrengthEdit = 1213;
constexpr int kStrengthSpin = 1214;

// List items: shapes show their 32 x 32 pictures, widths and edges their
// 14-pixel ones; the selection fields show them scaled to their height.
constexpr int kShapeItemHeight = 34;
constexpr int kPictureItemHeight = 16;
constexpr int kFieldHeight = 18;

constexpr std::uint32_t kShapeNames[] = {10100, 10101, 10102, 10103, 10104, 10105};
constexpr std::uint32_t kEraseActions[] = {10214, 10148, 10149, 10150, 10152, 10151};
constexpr std::uint32_t kNoneText = 10109;

std::string Text(std::uint32_t id) { return std::string(res::String(id)); }

int ComboSelection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

}  // namespace

CBrushPage::CBrushPage(paint::PageKind kind, std::uint32_t templateId, std::uint32_t toolCommand,
                       paint::BrushFile& file)
    : CToolTipSuppDlg(templateId, nullptr), kind_(kind), toolCommand_(toolCommand), file_(file) {}

bool CBrushPage::CreatePage(HWND parent) {
  ExpectCreation(this);
  HWND h = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, &DialogProc, 0);
  ExpectCreation(nullptr);
  return h != nullptr;
}

void CBrushPage::FillCombo(int id, const std::vector<std::string>& items, int selection) {
  HWND combo = GetDlgItem(hwnd_, id);
  if (combo == nullptr) return;
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

bool CBrushPage::OnInitDialog() {
  paint::PageSettings& s = Model().settings;
  FillPaperCombo();
  // Shapes: the six standard ones, then the shape store, with their pictures.
  std::vector<std::string> shapes;
  for (std::uint32_t id : kShapeNames) shapes.push_back(Text(id));
  for (int i = 0; i < file_.brushFiles.GetCount(); ++i) shapes.push_back(file_.brushFiles.GetItem(i)->Name);
  if (s.shape >= shapes.size()) s.shape = 0;
  FillCombo(kShapeList, shapes, static_cast<int>(s.shape));
  shapeCombo_.Attach(hwnd_, kShapeList, kShapeItemHeight, kFieldHeight);
  for (int i = 0; i < paint::kStandardShapeCount; ++i) shapeCombo_.SetPicture(i, StandardShapePicture(i));
  for (int i = 0; i < file_.brushFiles.GetCount(); ++i) {
    shapeCombo_.SetPicture(paint::kStandardShapeCount + i, CustomShapePicture(file_.brushFiles, *file_.brushFiles.GetItem(i)));
  }
  UpdateShapeName();
  FillEdgeList();
  std::vector<std::string> widths;
  for (int w : paint::kPredefinedWidths) widths.push_back(std::to_string(w));
  const paint::WidthState w = paint::CheckWidth(static_cast<int>(s.width), s.customWidth != 0,
                                                static_cast<int>(s.typedWidth));
  s.customWidth = w.custom ? 1 : 0;
  s.typedWidth = static_cast<std::uint32_t>(w.typed);
  s.width = static_cast<std::uint32_t>(w.width);
  s.widthIndex = static_cast<std::uint32_t>(w.index);
  FillCombo(kWidthList, widths, w.index);
  widthCombo_.Attach(hwnd_, kWidthList, kPictureItemHeight, kFieldHeight);
  for (int i = 0; i < static_cast<int>(widths.size()); ++i) widthCombo_.SetPicture(i, WidthPicture(i));
  SetDlgItemInt(hwnd_, kWidthEdit, s.typedWidth, FALSE);
  ShowWidthMode();
  SendDlgItemMessageA(hwnd_, kWidthSpin, UDM_SETRANGE32, 1, paint::kMaxBrushWidth);
  SendDlgItemMessageA(hwnd_, kOpacitySpin, UDM_SETRANGE32, 1, 100);
  SetDlgItemInt(hwnd_, kOpacityEdit, std::clamp<std::uint32_t>(s.opacity, 1, 100), FALSE);
  if (Has(kEraseCombo)) {
    std::vector<std::string> actions;
    for (std::uint32_t id : kEraseActions) actions.push_back(Text(id));
    FillCombo(kEraseCombo, actions, eraseAction_);
  }
  if (Has(kStyleCombo) && kind_ == paint::PageKind::clone) {
    FillCombo(kStyleCombo, {Text(IDS_CLONE_COMMON), Text(IDS_CLONE_ARTISTIC)}, s.style == 0 ? 0 : 1);
  } else if (Has(kStyleCombo)) {
    FillCombo(kStyleCombo, {Text(IDS_STYLE_OUTLINED), Text(IDS_STYLE_FILLED_FOREGROUND), Text(IDS_STYLE_FILLED_BACKGROUND)},
              static_cast<int>(std::min<std::uint32_t>(s.style, 2)));
  }
  if (Has(kMannerList)) {
    FillCombo(kMannerList, {Text(IDS_WATER_DROP), Text(IDS_WATER_SMEAR)}, s.manner == 0 ? 0 : 1);
    SendDlgItemMessageA(hwnd_, kStrengthSpin, UDM_SETRANGE32, 1, 10);
    SetDlgItemInt(hwnd_, kStrengthEdit, std::clamp<std::uint32_t>(s.strength, 1, 10), FALSE);
  }
  FillPresetCombo();
  if (Has(kInsertCombo)) insertCombo_.Attach(hwnd_, kInsertCombo);
  insertName_ = GetMergeModeName(static_cast<int>(s.insertMode));
  FillInsertModes(restricted_);
  AddControlTips();
  initialised_ = true;
  return false;
}

// One tip for every control of the page, its text asked for when shown.
void CBrushPage::AddControlTips() {
  if (tips_ != nullptr && IsWindow(tips_)) return;
  tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (tips_ == nullptr) return;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) <= 0 || GetDlgCtrlID(child) == 0xFFFF) continue;
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(child);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

bool CBrushPage::PreTranslateMessage(MSG* msg) {
  auto* owner = dynamic_cast<CPaintAttributes*>(fw::Window::FromHandle(GetParent(hwnd_)));
  if (owner != nullptr && owner->TranslateKeys(msg)) return true;
  return CToolTipSuppDlg::PreTranslateMessage(msg);
}

void CBrushPage::GetToolTipText(unsigned controlId, std::string& text) {
  static constexpr std::uint32_t kTips[][2] = {
      {kShapeList, IDS_TIP_BRUSH_SHAPE},        {kStandard, IDS_TIP_PREDEFINED_WIDTH},
      {kCustom, IDS_TIP_CUSTOM_WIDTH},          {kWidthList, IDS_TIP_WIDTH_FROM_LIST},
      {kWidthEdit, IDS_TIP_BRUSH_WIDTH},        {kEdgeList, IDS_TIP_EDGE_SMOOTHNESS},
      {IDC_EDGE_MORE, IDS_TIP_EDGE_OPTIONS},    {kPaperCombo, IDS_TIP_SET_PAPER},
      {kPresetCombo, IDS_TIP_PREDEFINED_SETTINGS}, {kInsertCombo, IDS_TIP_BRUSH_BLENDING},
      {kOpacityEdit, IDS_TIP_BRUSH_OPACITY}};
  if (controlId == kWidthSpin || controlId == kStrengthSpin || controlId == kOpacitySpin) {
    text.clear();
    return;
  }
  for (const auto& tip : kTips) {
    if (tip[0] == controlId) {
      text = Text(tip[1]);
      return;
    }
  }
  CToolTipSuppDlg::GetToolTipText(controlId, text);
}

// Edges: each size as the edge record gives it.
void CBrushPage::FillEdgeList() {
  const paint::PageSettings& s = Model().settings;
  std::vector<std::string> edges;
  for (int i = 0; i < 4; ++i) {
    char text[32];
    if (s.edge.absolute != 0) {
      std::snprintf(text, sizeof text, "%u px", static_cast<unsigned>(s.edge.sizes[i]));
    } else {
      std::snprintf(text, sizeof text, "%u %%", static_cast<unsigned>(s.edge.sizes[4 + i]));
    }
    edges.emplace_back(text);
  }
  FillCombo(kEdgeList, edges, static_cast<int>(std::min<std::uint32_t>(s.edge.sizeIndex, 3)));
  edgeCombo_.Attach(hwnd_, kEdgeList, kPictureItemHeight, kFieldHeight);
  for (int i = 0; i < 4; ++i) edgeCombo_.SetPicture(i, EdgePicture(i));
}

// Papers: "none", then the paper store, each with a sample of its paper.
void CBrushPage::FillPaperCombo() {
  if (!Has(kPaperCombo)) return;
  paint::PageSettings& s = Model().settings;
  paperCombo_.Attach(hwnd_, kPaperCombo, [this](const std::string& file) {
    return PaperSample(file_.paperFiles, file, CTexturesCB::kSampleWidth, CTexturesCB::kItemHeight - 2);
  });
  SendDlgItemMessageA(hwnd_, kPaperCombo, CB_RESETCONTENT, 0, 0);
  paperCombo_.AddItem(Text(kNoneText), std::string());
  for (int i = 0; i < file_.paperFiles.GetCount(); ++i) {
    paperCombo_.AddItem(file_.paperFiles.GetItem(i)->Name, file_.paperFiles.GetItem(i)->File);
  }
  paperCombo_.FitDropDownWidth();
  if (s.paper > static_cast<std::uint32_t>(file_.paperFiles.GetCount())) s.paper = 0;
  SendDlgItemMessageA(hwnd_, kPaperCombo, CB_SETCURSEL, s.paper, 0);
}

void CBrushPage::SetParams(const std::array<std::uint32_t, 6>& params) {
  Model().settings.params = params;
  if (brush_ != nullptr) brush_->SetParams(params);
}

void CBrushPage::SetEdgeOptions(const paint::EdgeValues& edge) {
  paint::EdgeValues& mine = Model().settings.edge;
  mine.optionId = edge.optionId;
  mine.absolute = edge.absolute;
  mine.sizes = edge.sizes;
  if (Exists()) FillEdgeList();
  PushWidth();
}

void CBrushPage::ShowWidthMode() {
  const bool custom = Model().settings.customWidth != 0;
  CheckDlgButton(hwnd_, kCustom, custom ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd_, kStandard, custom ? BST_UNCHECKED : BST_CHECKED);
  EnableWindow(GetDlgItem(hwnd_, kWidthEdit), custom);
  EnableWindow(GetDlgItem(hwnd_, kWidthSpin), custom);
  EnableWindow(GetDlgItem(hwnd_, kWidthList), !custom);
}

void CBrushPage::FillPresetCombo() {
  HWND combo = GetDlgItem(hwnd_, kPresetCombo);
  if (combo == nullptr) return;
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  const auto& presets = Model().presets;
  if (presets.empty()) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(kNoneText).c_str()));
  }
  for (const auto& preset : presets) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset->name.c_str()));
  const int selection = presets.empty() ? 0 : std::clamp<int>(static_cast<int>(Model().settings.preset), 0,
                                                                static_cast<int>(presets.size()) - 1);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void CBrushPage::FillInsertModes(bool restricted) {
  restricted_ = restricted;
  if (hwnd_ == nullptr || !Has(kInsertCombo)) return;
  insertItems_ = paint::InsertModeItems(restricted);
  std::vector<std::string> texts;
  for (const paint::InsertItem& item : insertItems_) texts.push_back(item.text);
  insertCombo_.Fill(texts);
  const int at = paint::FindInsertItem(insertItems_, insertName_);
  SendDlgItemMessageA(hwnd_, kInsertCombo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  insertName_ = insertItems_[at].text;
  Model().settings.insertMode = static_cast<std::uint32_t>(insertItems_[at].code);
  PushInsertMode();
}

// ---- Pushing into the brush

void CBrushPage::SetBrush(CToolBrush* brush) {
  brush_ = brush;
  if (brush_ == nullptr) return;
  const paint::PageSettings& s = Model().settings;
  brush_->SetInsertMode(static_cast<int>(s.insertMode));
  PushWidth();
  brush_->SetOpacity(static_cast<int>(s.opacity));
  brush_->SetParams(s.params);
  PushShape();
  PushPaper();
  PushOwn();
}

void CBrushPage::PushWidth() {
  if (brush_ != nullptr) brush_->SetWidth(static_cast<int>(Model().settings.width), Model().settings.edge);
}

void CBrushPage::PushShape() {
  if (brush_ == nullptr) return;
  const int shape = static_cast<int>(Model().settings.shape);
  const paint::FMItem* item =
      shape >= paint::kStandardShapeCount ? file_.brushFiles.GetItem(shape - paint::kStandardShapeCount) : nullptr;
  brush_->SetShape(shape, item != nullptr ? item->File : std::string());
}

void CBrushPage::PushPaper() {
  if (brush_ == nullptr) return;
  const int paper = static_cast<int>(Model().settings.paper);
  const paint::FMItem* item = paper > 0 ? file_.paperFiles.GetItem(paper - 1) : nullptr;
  brush_->SetPaper(item != nullptr ? paper : 0, item != nullptr ? item->File : std::string());
}

void CBrushPage::PushInsertMode() {
  if (brush_ != nullptr) brush_->SetInsertMode(static_cast<int>(Model().settings.insertMode));
}

void CBrushPage::PushOwn() {
  if (brush_ == nullptr) return;
  if (kind_ == paint::PageKind::eraser) brush_->SetEraseAction(eraseAction_);
  if (kind_ == paint::PageKind::water) {
    brush_->SetWater(static_cast<int>(Model().settings.manner), static_cast<int>(Model().settings.strength));
  }
  if (kind_ == paint::PageKind::rect || kind_ == paint::PageKind::ellipse || kind_ == paint::PageKind::polygon ||
      kind_ == paint::PageKind::clone) {
    brush_->SetStyle(static_cast<int>(Model().settings.style));
  }
  if (kind_ == paint::PageKind::air) {
    // The airbrush lays its dots at full opacity; the edit is its density.
    brush_->SetOpacity(100);
    brush_->SetDensity(static_cast<int>(Model().settings.opacity));
  }
}

void CBrushPage::UpdateShapeName() {
  if (!Has(kShapeName)) return;
  char text[256] = {};
  const int at = ComboSelection(hwnd_, kShapeList);
  if (at >= 0) SendDlgItemMessageA(hwnd_, kShapeList, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
  SetDlgItemTextA(hwnd_, kShapeName, text);
}

// ---- Changes

bool CBrushPage::ReadNumber(int id, int min, int max, int* value) {
  BOOL ok = FALSE;
  const UINT n = GetDlgItemInt(hwnd_, id, &ok, FALSE);
  if (!ok || static_cast<int>(n) < min || static_cast<int>(n) > max) return false;
  *value = static_cast<int>(n);
  return true;
}

void CBrushPage::RefuseNumber(int id, int min, int max) {
  char text[128];
  std::snprintf(text, sizeof text, Text(IDS_ENTER_INTEGER_RANGE).c_str(), min, max);
  MessageBoxA(hwnd_, text, Text(IDS_ERROR_CAPTION).c_str(), MB_OK | MB_ICONEXCLAMATION);
  SetFocus(GetDlgItem(hwnd_, id));
  SendDlgItemMessageA(hwnd_, id, EM_SETSEL, 0, -1);
}

void CBrushPage::OnCommandFrom(int id, int code) {
  paint::PageSettings& s = Model().settings;
  int value = 0;
  switch (id) {
    case kWidthEdit:
      if (code == EN_CHANGE && s.customWidth != 0 && ReadNumber(id, 1, paint::kMaxBrushWidth, &value)) {
        s.typedWidth = static_cast<std::uint32_t>(value);
        s.width = s.typedWidth;
        PushWidth();
      } else if (code == EN_KILLFOCUS && s.customWidth != 0 && !ReadNumber(id, 1, paint::kMaxBrushWidth, &value)) {
        RefuseNumber(id, 1, paint::kMaxBrushWidth);
      }
      break;
    case kOpacityEdit:
      if (code == EN_CHANGE && ReadNumber(id, 1, 100, &value)) {
        s.opacity = static_cast<std::uint32_t>(value);
        if (brush_ != nullptr) brush_->SetOpacity(value);
        PushOwn();
      } else if (code == EN_KILLFOCUS && !ReadNumber(id, 1, 100, &value)) {
        RefuseNumber(id, 1, 100);
      }
      break;
    case kWidthList:
      if (code == CBN_SELCHANGE) {
        const int at = std::max(0, ComboSelection(hwnd_, id));
        s.widthIndex = static_cast<std::uint32_t>(at);
        s.width = static_cast<std::uint32_t>(paint::kPredefinedWidths[static_cast<std::size_t>(at) % 6]);
        PushWidth();
      }
      break;
    case kCustom:
    case kStandard:
      if (code == BN_CLICKED) {
        s.customWidth = id == kCustom ? 1 : 0;
        ShowWidthMode();
        if (s.customWidth != 0) {
          if (ReadNumber(kWidthEdit, 1, paint::kMaxBrushWidth, &value)) s.typedWidth = static_cast<std::uint32_t>(value);
          s.width = s.typedWidth;
        } else {
          const int at = std::max(0, ComboSelection(hwnd_, kWidthList));
          s.widthIndex = static_cast<std::uint32_t>(at);
          s.width = static_cast<std::uint32_t>(paint::kPredefinedWidths[static_cast<std::size_t>(at) % 6]);
        }
        PushWidth();
      }
      break;
    case IDC_EDGE_MORE:
      // The main frame asks for the options and gives them back.
      if (code == BN_CLICKED) {
        fw::App* app = fw::TheApp();
        if (app != nullptr && app->MainWindow() != nullptr) {
          SendMessageA(app->MainWindow()->Handle(), WM_EDGE_OPTIONS, 0, reinterpret_cast<LPARAM>(&s.edge));
        }
      }
      break;
    case kEdgeList:
      if (code == CBN_SELCHANGE) {
        s.edge.sizeIndex = static_cast<std::uint32_t>(std::max(0, ComboSelection(hwnd_, id)));
        PushWidth();
      }
      break;
    case kShapeList:
      if (code == CBN_SELCHANGE) {
        s.shape = static_cast<std::uint32_t>(std::max(0, ComboSelection(hwnd_, id)));
        PushShape();
        UpdateShapeName();
        SendMessageA(GetParent(hwnd_), kMsgPageSelectionChanged, 0, 0);  // Remove shape may apply now
      }
      break;
    case kPaperCombo:
      if (code == CBN_SELCHANGE) {
        s.paper = static_cast<std::uint32_t>(std::max(0, ComboSelection(hwnd_, id)));
        PushPaper();
        SendMessageA(GetParent(hwnd_), kMsgPageSelectionChanged, 0, 0);
      }
      break;
    case kInsertCombo:
      if (code == CBN_SELCHANGE) {
        const int at = ComboSelection(hwnd_, id);
        if (at >= 0 && at < static_cast<int>(insertItems_.size()) && insertItems_[at].code >= 0) {
          insertName_ = insertItems_[at].text;
          s.insertMode = static_cast<std::uint32_t>(insertItems_[at].code);
          PushInsertMode();
        }
      }
      break;
    case kMannerList:
      if (code == CBN_SELCHANGE) {
        s.manner = static_cast<std::uint32_t>(std::clamp(ComboSelection(hwnd_, id), 0, 1));
        PushOwn();
      }
      break;
    case kStrengthEdit:
      if (code == EN_CHANGE && ReadNumber(id, 1, 10, &value)) {
        s.strength = static_cast<std::uint32_t>(value);
        PushOwn();
      } else if (code == EN_KILLFOCUS && !ReadNumber(id, 1, 10, &value)) {
        RefuseNumber(id, 1, 10);
      }
      break;
    case kStyleCombo:
      if (code == CBN_SELCHANGE) {
        s.style = static_cast<std::uint32_t>(std::clamp(ComboSelection(hwnd_, id), 0, 2));
        PushOwn();
      }
      break;
    case kEraseCombo:
      if (code == CBN_SELCHANGE) {
        eraseAction_ = std::max(0, ComboSelection(hwnd_, id));
        PushOwn();
      }
      break;
    case kPresetCombo:
      if (code == CBN_SELCHANGE && !Model().presets.empty()) {
        s.preset = static_cast<std::uint32_t>(std::max(0, ComboSelection(hwnd_, id)));
      }
      break;
    default:
      break;
  }
}

bool CBrushPage::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (insertCombo_.Handle() != nullptr && insertCombo_.HandleParentMessage(message, wParam, lParam, result)) {
    return true;
  }
  if (shapeCombo_.HandleParentMessage(message, wParam, lParam, result) ||
      widthCombo_.HandleParentMessage(message, wParam, lParam, result) ||
      edgeCombo_.HandleParentMessage(message, wParam, lParam, result) ||
      paperCombo_.HandleParentMessage(message, wParam, lParam, result)) {
    return true;
  }
  switch (message) {
    case WM_COMMAND:
      if (initialised_) OnCommandFrom(LOWORD(wParam), HIWORD(wParam));
      break;
    case WM_DESTROY:
      initialised_ = false;
      break;
    default:
      break;
  }
  return CToolTipSuppDlg::OnDialogMessage(message, wParam, lParam, result);
}

// ---- Presets

// ---- Shapes and papers

bool CBrushPage::CanRemoveShape() const {
  return Exists() && Has(kShapeList) && ComboSelection(hwnd_, kShapeList) >= paint::kStandardShapeCount;
}

bool CBrushPage::CanRemovePaper() const { return Exists() && Has(kPaperCombo) && ComboSelection(hwnd_, kPaperCombo) > 0; }

int CBrushPage::SelectedShapeEntry() const {
  if (!Exists() || !Has(kShapeList)) return -1;
  const int at = ComboSelection(hwnd_, kShapeList);
  return at >= paint::kStandardShapeCount ? at - paint::kStandardShapeCount : -1;
}

int CBrushPage::SelectedPaperEntry() const {
  if (!Exists() || !Has(kPaperCombo)) return -1;
  const int at = ComboSelection(hwnd_, kPaperCombo);
  return at > 0 ? at - 1 : -1;
}

void CBrushPage::AddShapeItem(int index) {
  const paint::FMItem* item = file_.brushFiles.GetItem(index);
  if (!Exists() || !Has(kShapeList) || item == nullptr) return;
  const LRESULT at = SendDlgItemMessageA(hwnd_, kShapeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->Name.c_str()));
  if (at < 0) return;
  shapeCombo_.SetPicture(static_cast<int>(at), CustomShapePicture(file_.brushFiles, *item));
  SendDlgItemMessageA(hwnd_, kShapeList, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  Model().settings.shape = static_cast<std::uint32_t>(at);
  PushShape();
  UpdateShapeName();
}

void CBrushPage::AddPaperItem(int index) {
  const paint::FMItem* item = file_.paperFiles.GetItem(index);
  if (!Exists() || !Has(kPaperCombo) || item == nullptr) return;
  const int at = paperCombo_.AddItem(item->Name, item->File);
  if (at < 0) return;
  SendDlgItemMessageA(hwnd_, kPaperCombo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  Model().settings.paper = static_cast<std::uint32_t>(at);
  PushPaper();
}

namespace {

// Deletes the item at `position` and selects the one now there, or the
// last; the new selection.
int DeleteAndReselect(HWND dialog, int id, int position) {
  SendDlgItemMessageA(dialog, id, CB_DELETESTRING, static_cast<WPARAM>(position), 0);
  const int count = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
  const int selection = std::min(position, count - 1);
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
  return selection;
}

}  // namespace

void CBrushPage::RemoveShapeItem(int index) {
  paint::OnShapeEntryRemoved(&Model().presets, index);
  if (!Exists() || !Has(kShapeList)) return;
  const int position = paint::kStandardShapeCount + index;
  const int selected = ComboSelection(hwnd_, kShapeList);
  int now = selected;
  if (position < static_cast<int>(SendDlgItemMessageA(hwnd_, kShapeList, CB_GETCOUNT, 0, 0))) {
    const int reselected = DeleteAndReselect(hwnd_, kShapeList, position);
    now = selected == position ? reselected : (selected > position ? selected - 1 : selected);
    SendDlgItemMessageA(hwnd_, kShapeList, CB_SETCURSEL, static_cast<WPARAM>(now), 0);
  }
  Model().settings.shape = static_cast<std::uint32_t>(std::max(now, 0));
  PushShape();
  UpdateShapeName();
}

void CBrushPage::RemovePaperItem(int index) {
  paint::OnPaperEntryRemoved(&Model().presets, index);
  if (!Exists() || !Has(kPaperCombo)) return;
  const int position = 1 + index;
  const int selected = ComboSelection(hwnd_, kPaperCombo);
  int now = selected;
  if (position < static_cast<int>(SendDlgItemMessageA(hwnd_, kPaperCombo, CB_GETCOUNT, 0, 0))) {
    const int reselected = DeleteAndReselect(hwnd_, kPaperCombo, position);
    now = selected == position ? reselected : (selected > position ? selected - 1 : selected);
    SendDlgItemMessageA(hwnd_, kPaperCombo, CB_SETCURSEL, static_cast<WPARAM>(now), 0);
  }
  Model().settings.paper = static_cast<std::uint32_t>(std::max(now, 0));
  PushPaper();
}

std::vector<std::string> CBrushPage::PresetNames() const {
  std::vector<std::string> names;
  for (const auto& preset : Model().presets) names.push_back(preset->name);
  return names;
}

std::string CBrushPage::SelectedPresetName() const {
  const auto& presets = Model().presets;
  const int at = hwnd_ != nullptr ? ComboSelection(hwnd_, kPresetCombo) : -1;
  return at >= 0 && at < static_cast<int>(presets.size()) ? presets[at]->name : std::string();
}

std::string CBrushPage::MakeUniquePresetName(const std::string& defaultText) const {
  std::vector<std::string> names;
  for (const auto& preset : Model().presets) names.push_back(preset->name);
  const int at = hwnd_ != nullptr && !names.empty() ? ComboSelection(hwnd_, kPresetCombo) : -1;
  return paint::MakeUniqueName(defaultText, names, at);
}

void CBrushPage::AddPreset(const std::string& name) {
  auto& presets = Model().presets;
  std::unique_ptr<paint::PREDEFITEM> made = Model().NewPreset();
  auto* preset = dynamic_cast<paint::PB_PREDEFITEM*>(made.get());
  if (preset == nullptr) return;
  preset->name = name;
  paint::FillPresetFromSettings(preset, Model().settings);
  preset->index = static_cast<int>(presets.size());
  presets.push_back(std::move(made));
  Model().settings.preset = static_cast<std::uint32_t>(presets.size() - 1);
  if (hwnd_ != nullptr) FillPresetCombo();
}

void CBrushPage::RemovePreset(const std::string& name) {
  auto& presets = Model().presets;
  const int selected = hwnd_ != nullptr ? ComboSelection(hwnd_, kPresetCombo) : -1;
  const int at = paint::FindPresetToRemove(presets, selected, name);
  if (at < 0) return;
  paint::RemovePresetAt(&presets, at);
  // The item after it, or the one before when it was the last.
  Model().settings.preset = static_cast<std::uint32_t>(std::min<int>(at, std::max<int>(0, static_cast<int>(presets.size()) - 1)));
  if (hwnd_ != nullptr) FillPresetCombo();
}

void CBrushPage::LoadPreset() {
  auto& presets = Model().presets;
  const int at = hwnd_ != nullptr ? ComboSelection(hwnd_, kPresetCombo) : -1;
  if (at < 0 || at >= static_cast<int>(presets.size())) return;
  const auto* preset = dynamic_cast<const paint::PB_PREDEFITEM*>(presets[at].get());
  if (preset == nullptr) return;
  paint::PageSettings& s = Model().settings;
  paint::ApplyPresetToSettings(*preset, &s);
  s.preset = static_cast<std::uint32_t>(at);
  insertName_ = GetMergeModeName(static_cast<int>(s.insertMode));
  // The controls show the preset, then the brush takes it all.
  initialised_ = false;
  OnInitDialog();
  initialised_ = true;
  SetBrush(brush_);
}

}  // namespace lumora
