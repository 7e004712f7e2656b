// The lists of the Apply Image and Mixing dialogs.
#include "dialogs/win/ImageComboLists.h"

#include <cstring>

#include "res/StringTable.h"

namespace lumora {

std::string SelectedComboText(HWND dialog, int id) {
  const int index = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
  if (index < 0) return std::string();
  const int length = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
  SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::strlen(text.c_str()));
  return text;
}

void SelectRemembered(fw::ComboBox& combo, const std::string& remembered) {
  int first = -1;
  for (int i = 0; i < combo.GetCount(); ++i) {
    const std::string text = combo.GetLBText(i);
    if (text == remembered) {
      combo.SetCurSel(i);
      return;
    }
    if (first < 0 && !CComboBoxSeparator::IsSeparator(text)) first = i;
  }
  combo.SetCurSel(first);
}

void FillChannelCombo(CComboBoxSeparator& combo, const std::vector<int>& channels, const std::string& remembered) {
  combo.ResetContent();
  for (int id : channels) {
    if (id == kSeparatorCode) {
      combo.AddSeparator();
    } else {
      combo.SetItemData(combo.AddString(std::string(res::String(static_cast<std::uint32_t>(id)))), id);
    }
  }
  SelectRemembered(combo, remembered);
}

void FillLayerCombo(CComboBoxSeparator& combo, const CLayersManager& stack, const std::string& remembered) {
  combo.ResetContent();
  const std::vector<std::string> names = ApplyLayerEntries(stack);
  for (std::size_t i = 0; i < names.size(); ++i) {
    combo.SetItemData(combo.AddString(names[i]), i == 0 && stack.IsLayerable() ? 1 : 0);
  }
  SelectRemembered(combo, remembered);
}

bool MergedChosen(CComboBoxSeparator& combo) {
  const int index = combo.GetCurSel();
  return index >= 0 && combo.GetItemData(index) == 1;
}

void FillDocumentCombo(HWND dialog, int id, const std::vector<std::string>& titles, int preferred,
                       const std::string& remembered) {
  SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
  int chosen = preferred;
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const int index = static_cast<int>(
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(titles[i].c_str())));
    SendDlgItemMessageA(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(i));
    if (!remembered.empty() && titles[i] == remembered && chosen == preferred) chosen = static_cast<int>(i);
  }
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(chosen >= 0 ? chosen : 0), 0);
}

int SelectedComboData(HWND dialog, int id) {
  const int index = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
  if (index < 0) return -1;
  return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

}  // namespace lumora
