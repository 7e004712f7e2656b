// Packed DIBs in global memory (the clipboard's and the scanner's form) and
// HBITMAPs, to and from image buffers. A DIB these functions return lives
// in zero-filled shareable global memory and stays locked: the receiver
// frees it with FreeGlobalDIB (or unlocks and frees the block itself).
#pragma once

#include "engine/pixels/WAccess.h"
#include "platform/win32types.h"

// Locks the block, converts the DIB in it (DIBToImage, over the block's
// size) and unlocks; null when the block cannot be locked or the DIB not
// read.
VrWA2000::WA* GlobalDIBToImage(HGLOBAL dib, int toRGB);

// The bitmap as a new buffer (count 1) at the next depth of 1, 4, 8 or 24
// bits, its colours through the palette (null: the default palette); null
// on failure.
VrWA2000::WA* BitmapToImage(HBITMAP bitmap, HPALETTE palette);

// A DIB of the part `rect` of the image (see WriteImageToDIB), or null.
BITMAPINFOHEADER* ImageToDIB(const VrWA2000::WA* image, const RECT& rect);
// The bitmap as a DIB at the image's depth with the image's colours (the
// grey ramp for grey images), or null.
BITMAPINFOHEADER* BitmapToDIB(const VrWA2000::WA* image, HBITMAP bitmap);
// The bitmap as a 24-bit DIB, or null.
BITMAPINFOHEADER* BitmapToDIB24(HBITMAP bitmap);

// Unlocks and frees a DIB returned by the functions above; null is allowed.
void FreeGlobalDIB(const void* dib);

// Opens an image as a new document (lumora::PlaceImageAsDocument): with
// `isDIB` the image is a global block holding a packed DIB, converted and
// then freed; otherwise a buffer whose reference the call takes over. The
// first argument is not read.
int OpenImageAsDocument(void* unused, void* image, int isDIB, int toRGB);
