// Where the printing library puts things on a page, in device pixels: the
// image's rectangle, the marks around it, and the bands its rows are sent
// in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumora::print {

// The page as the printer reports it: the physical page, the printable
// area's offset and size within it, and the device's dots per inch.
struct PageGeometry {
  int pageWidth = 0, pageHeight = 0;
  int offsetX = 0, offsetY = 0;
  int printableWidth = 0, printableHeight = 0;
  int dpiX = 300, dpiY = 300;
};

// The page set-up: margins from the paper's edges in hundredths of a
// millimetre, and the image at 100 % of its resolution or fitted.
struct PageSetup {
  int marginLeft = 1000, marginTop = 1000, marginRight = 1000, marginBottom = 1000;
  bool fit = false;
};

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
};

// An image resolution of 0 or less counts as 72 dots per inch.
constexpr int kDefaultImageDpi = 72;

// The image's rectangle in printable-area coordinates (0, 0 is the
// printable area's top left): within the printable area and the margins,
// less `reserve` device pixels on each side and `captionHeight` more at the
// bottom (room for marks); centred; its natural size (image pixels at the
// image's resolution) or, with `fit`, the largest that fits, keeping the
// proportions; a natural size larger than the room is scaled down. Empty
// when there is no room.
Box PlaceImage(const PageGeometry& page, const PageSetup& setup, int imageWidth, int imageHeight, int imageDpiX,
               int imageDpiY, int reserve = 0, int captionHeight = 0);

// The marks' distances, in device pixels at `dpi`: the gap between the
// image and a mark, and a mark's length (1/8 and 1/2 inch).
int MarkGap(int dpi);
int MarkLength(int dpi);
// The room the marks take on each side of the image.
int MarksReserve(int dpi);

struct Line {
  int x0, y0, x1, y1;
};
struct Marks {
  // Two lines at each corner, continuing the image's edges outward.
  std::vector<Line> crop;
  // The centres of the four registration marks (a circle with a cross),
  // in the middle of each side, and their radius.
  std::vector<Line> registrationCross;
  int registrationX[4] = {}, registrationY[4] = {};
  int registrationRadius = 0;
  // The caption's top centre.
  int captionX = 0, captionY = 0;
};
Marks PlaceMarks(const Box& image, int dpiX, int dpiY);

// Rows per band for `bytesPerRow` within `budget` bytes: at least 1, at
// most the image's height.
int BandRows(std::int64_t bytesPerRow, int imageHeight, std::size_t budget);
// The device rows a band of image rows [top, bottom) (counted from the
// image's top) covers in a rectangle of `destHeight` rows: consecutive
// bands meet exactly.
int BandEdge(int row, int imageHeight, int destHeight);
// The image is sent at no more than the device's resolution: the source
// pixel (row or column) that device pixel `dest` of `destSize` shows out of
// `sourceSize`, the one under the device pixel's centre.
int SourceIndex(int dest, int destSize, int sourceSize);
// Row `src` of `bytesPerPixel`-byte pixels reduced to the given source
// columns, one pixel per entry, into `out`.
void PickColumns(const std::uint8_t* src, int bytesPerPixel, const std::vector<int>& columns, std::uint8_t* out);

}  // namespace lumora::print
