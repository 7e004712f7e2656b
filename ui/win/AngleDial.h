// The angle dial, window class "VR_SELECTANGLE": a round control showing an
// angle (message 1538, tenths of a degree, clockwise from the right); a drag
// tells the parent the angle under the pointer (1534 while dragged, 1537 at
// the release, wParam in tenths, clockwise).
#pragma once

#include <windows.h>

namespace lumora {

bool RegisterAngleDialClass(HINSTANCE instance);
// The tenths of a degree, clockwise from the right, of a client point seen
// from the centre of a control of that size.
int DialTenthsAt(POINT client, SIZE size);

}  // namespace lumora
