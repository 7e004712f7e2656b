// The document, layer and channel lists the Apply Image and Mixing dialogs
// share: the selected text, selection by remembered text, and filling a
// separator combo with channels or layers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/ApplyImage.h"
#include "dialogs/win/SmallControls.h"

namespace lumora {

// The text of the combo's selected item; empty with none.
std::string SelectedComboText(HWND dialog, int id);
// The item whose text equals the remembered text (case-sensitive), else
// the first item that is no separator.
void SelectRemembered(fw::ComboBox& combo, const std::string& remembered);
// Channel ids as their names (item data the id), separators as "_".
void FillChannelCombo(CComboBoxSeparator& combo, const std::vector<int>& channels, const std::string& remembered);
// "Merged" (item data 1) and a separator for a layered stack, then the
// layer names top first (item data 0).
void FillLayerCombo(CComboBoxSeparator& combo, const CLayersManager& stack, const std::string& remembered);
// Whether the selected layer entry is "Merged".
bool MergedChosen(CComboBoxSeparator& combo);
// Titles in order (item data the index); the entry of `preferred` first,
// the remembered title when listed.
void FillDocumentCombo(HWND dialog, int id, const std::vector<std::string>& titles, int preferred,
                       const std::string& remembered);
// The item data of the selected entry, -1 with none.
int SelectedComboData(HWND dialog, int id);

}  // namespace lumora
