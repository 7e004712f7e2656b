// Solid fills: the 24-bit buffer of a new image in the background colour,
// and any buffer filled with one colour or palette index.
#pragma once

#include "engine/pixels/WAccess.h"

// Makes a width x height 24-bit buffer at the screen's resolution filled
// with (red, green, blue) (low bytes), reporting progress with the caption
// "Creating new image...". Returns 0 with the new buffer (count 1, the
// caller's) in *out, or the tool host's error result with *out null: code
// 16 when no buffer or row could be had, 1 when the user cancelled.
int NewFilledWA(VrWA2000::WA** out, int width, int height, int red, int green, int blue);

// Fills every row of a buffer by its type: 1-bit with all bits set when red
// is not 0, 4-bit with red's low nibble in both halves of each byte, 8-bit
// (palette index or grey) with red, 24-bit with blue, green, red. The bytes
// that pad a row to whole words are left as they were. Null does nothing.
void FillWA(VrWA2000::WA* buffer, int red, int green, int blue);
