// The toolbar control factory's standard kinds: a plain combo box on a bar
// written to its state-file record and made again from it, and copied with
// its items; an edit field has no record ("WND_UNKNOWN") and is not restored.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/win/Window.h"
#include "ui/ToolbarState.h"

namespace lumora {

// A combo box of the system's class (not one of the program's own controls).
bool IsPlainComboBox(HWND window);
// Its record: styles, id, width, the dropped-down height + 3, items (none:
// count 65535), selection (none: 65535), extent, dropped width, field height.
ComboRecord ComboRecordOf(HWND combo);
// Made hidden under `parent` from a record (window id `id`, styles without
// WS_VISIBLE, the bar's font, the list 3 pixels less high than the record
// says, so that saving again writes the same) with its items and settings;
// null on failure.
std::unique_ptr<fw::Window> CreateComboFromRecord(HWND parent, const ComboRecord& record, std::uint32_t id);
// A copy of a plain combo box: its style, id and dropped-down size, its
// items with their data, selection (none becomes the first), extent,
// dropped width and field height.
std::unique_ptr<fw::Window> CopyComboBox(HWND parent, HWND model, bool visible);

// The factory's colours for a combo box or edit field (or a window inside
// one): window text on the window colour, so that disabled ones keep them
// while customising. False (nothing set) for other windows.
bool ToolbarControlColour(HDC dc, HWND window, LRESULT* brush);

}  // namespace lumora
