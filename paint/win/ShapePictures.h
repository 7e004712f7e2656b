// The pictures of the brush pages' lists: the six standard shapes (their
// bitmaps copied onto the button face), custom shapes rendered from their
// store files, the predefined widths and the edge sizes. All are kept for
// the program's run (FreeShapePictures lets them go) and shown by the
// lists, which do not own them.
#pragma once

#include <windows.h>

#include <string>

#include "paint/ImageStore.h"

namespace lumora {

// The button-face copy of standard shape `index` (0..5): a strip of four
// 32 x 32 frames.
HBITMAP StandardShapePicture(int index);
// The picture strip of a custom shape (128 x 32: four copies of its 32 x 32
// rendering on the button face); null when its file is not an 8-bit grey
// image. Made once per store file.
HBITMAP CustomShapePicture(const paint::CFileManager& store, const paint::FMItem& item);
// A store file went: its picture too (after the lists dropped its items).
void ForgetShapePicture(const std::string& file);
// "Pen_w1".."Pen_w11" for width index 0..5, "Edge_0".."Edge_3".
HBITMAP WidthPicture(int index);
HBITMAP EdgePicture(int index);
void FreeShapePictures();
// A new bitmap (the caller's) of the top-left `width` x `height` pixels (at
// most) of a paper file's 8-bit grey image: the paper combo's sample. Null
// when the file is not such an image.
HBITMAP PaperSample(const paint::CFileManager& store, const std::string& file, int width, int height);

}  // namespace lumora
