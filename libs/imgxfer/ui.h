// What the library shows the user: message boxes, the options dialog and
// the file-information box (Win32 in win/, quiet stand-ins natively).
#pragma once

#include <string>

#include "hostapi/imgxfer.h"

namespace lumora::imgxfer {

// Shows a failure over `owner` and remembers it for LastShownMessage.
void ShowFailure(void* owner, const std::string& text);
// The text of the last failure shown (tests check quiet and loud paths).
const std::string& LastShownMessage();
void ClearLastShownMessage();
// Tests that take the loud paths without anyone to close the box turn the
// box off; the message is still remembered.
void SetMessageBoxesShown(bool shown);

// Platform parts.
void ShowMessageBox(void* owner, const std::string& text);
// Lets the user edit `options`; false when cancelled or there is no dialog.
bool RunOptionsDialog(void* owner, ImExpSaveOptions* options);
void ShowInfoBox(void* owner, const std::string& title, const std::string& text);

}  // namespace lumora::imgxfer
