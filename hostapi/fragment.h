// The fragment library: counted handles of selection shapes and masks, how
// they combine, move, invert and turn into 8-bit masks.
//
// Coordinates are whole pixels in the image-buffer row space: x grows to the
// right and y counts rows from the bottom, as image buffers count them.
// Pixel (x, y) is the unit square [x, x + 1) x [y, y + 1). A rectangle of the
// library is {x, y, width, height} and covers columns x .. x + width - 1 and
// rows y .. y + height - 1.
//
// A fragment's shape is what it selects before its own inverted flag; an
// inverted fragment selects everything outside its shape. Coverage is 0
// (unselected) to 255 (selected); ellipse, polygon and line edges are
// anti-aliased.
//
// Handles: every call that returns a fragment gives the caller one reference
// (or null). ShareFragment adds one, DeleteFragment drops one. Fragments may
// be shared and released from any thread; changing one (inversion, origin,
// items, points, smoothing) must not overlap with other use of it.
#pragma once

#include <cstdint>

#include "hostapi/imagebuf.h"
#include "platform/win32types.h"

class Fragment;  // opaque

// The library's rectangle form.
struct LURECT {
  std::int32_t x;
  std::int32_t y;
  std::int32_t width;
  std::int32_t height;
};

// One item of a complex fragment: the combine code and the item's fragment.
struct FRGITEM {
  std::int32_t mode;
  Fragment* fragment;
};

// Fragment type codes.
enum : int {
  kFrgComplex = 0,
  kFrgRect = 1,
  kFrgEllipse = 2,
  kFrgPolygon = 3,
  kFrgText = 4,
  kFrgLine = 5,
  kFrgMask = 6,
  kFrgEmpty = 7,  // selects nothing; inverted, the whole image
};

// Combine codes are 4-bit truth tables over (current coverage s, new shape n):
// bit (2n + s) is the result for that pair. Partial coverage combines by the
// bilinear blend of the four corners, so add is s + n - sn/255, intersect
// sn/255 and subtract s(255 - n)/255, rounded. Every code 0 .. 15 is valid.
enum : int {
  kFrgSubtract = 2,
  kFrgIntersect = 8,
  kFrgAdd = 14,
};

// Polygon fill modes (the values of GDI's ALTERNATE and WINDING). Any other
// value is kept and fills as even-odd.
enum : int {
  kFrgFillAlternate = 1,
  kFrgFillWinding = 2,
};

// Line styles: the caps at both ends (width/2 beyond the end point for
// square, a half disc for round, none for flat). Other values draw round.
enum : int {
  kFrgLineRound = 0,
  kFrgLineSquare = 1,
  kFrgLineFlat = 2,
};

// Smooth-edge types: where the soft edge lies relative to the selection.
enum : int {
  kFrgSmoothCentred = 0,  // fades across the edge (half inside, half outside)
  kFrgSmoothInside = 1,   // fades inside the edge; nothing outside is selected
  kFrgSmoothOutside = 2,  // fades outside the edge; the whole inside stays selected
};

// Deepest nesting of complex fragments the library builds or a file may hold.
inline constexpr int kFrgMaxComplexDepth = 64;

// ---- handles ----
Fragment* ShareFragment(Fragment* f);
void DeleteFragment(Fragment* f);
// A deep copy that changes independently of f (smoothing settings included).
Fragment* CreateFragmentIndirect(const Fragment* f);

// ---- rectangles ----
void RectToLURect(LURECT* out, const RECT* in);
void LURectToRect(RECT* out, const LURECT* in);

// ---- type and inversion ----
// The type code, or -1 for null.
int GetFragmentType(const Fragment* f);
int IsFrgInverted(const Fragment* f);
// Any non-zero flag inverts.
void SetFrgInversion(Fragment* f, int inverted);

// ---- shapes (each takes the inverted flag last; arrays, font and text are copied) ----
// A rectangle with a negative width or height spans to the left of or below x, y.
Fragment* CreateRectFrg(const LURECT* rect, int inverted);
Fragment* CreateEllipticFrg(const LURECT* bounds, int inverted);
// Points are corners on the pixel grid; count 0 makes an empty polygon.
Fragment* CreatePolygonFrg(const POINT* points, int count, int fillMode, int inverted);
// Appends a vertex; 0 when f is not a polygon.
int AddPointToPolygonFrg(Fragment* f, std::int32_t x, std::int32_t y);
// Text whose bounding rectangle starts at (x, y). Rasterising text needs the
// platform's fonts (GDI on Windows); where there are none, a text fragment
// keeps its font and text but covers no pixels and has width and height 0.
Fragment* CreateTextFrg(std::int32_t x, std::int32_t y, const LOGFONTA* font, const char* text,
                        int inverted);
// A stroke of the given width between the centres of two pixels.
Fragment* CreateLineFrg(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                        int width, int style, int inverted);
Fragment* CreateEmptyFrg(int inverted);

// ---- queries ----
// The bounds of the shape (for a mask, of its non-zero pixels; for a complex
// fragment, of where its combination can differ from its value far away).
// An empty shape gives width and height 0. 0 for null.
int GetFragmentBoundRect(const Fragment* f, LURECT* out);
int GetPolygonFrgSize(const Fragment* f);
int GetPolygonFrgFillMode(const Fragment* f);
// The polygon's own vertices (valid until it changes), null when it has none.
const POINT* GetPolygonFrgArray(const Fragment* f);
int GetTextFrgFont(const Fragment* f, LOGFONTA* out);
int GetTextFrgTextLength(const Fragment* f);
// Copies at most size - 1 characters and a terminating zero; returns the
// number of characters copied.
int GetTextFrgText(const Fragment* f, char* buffer, int size);
int GetLineBeginPoint(const Fragment* f, POINT* out);
int GetLineEndPoint(const Fragment* f, POINT* out);
int GetLineWidth(const Fragment* f);
int GetLineStyle(const Fragment* f);
// Bit 0 set when the pixel at the point is selected (inversion included).
int PointInFragment(const Fragment* f, const POINT* point);
// 1 when every pixel of the rectangle is known wholly selected (255 in a
// mask made of f, its smoothing included) without drawing anything: a plain
// rectangle around it with no soft edge. 0 says only that it is not known.
int FragmentWhollySelects(const Fragment* f, const LURECT* rect);

// Moves f so that its bounding rectangle starts at the point; 0 when a
// coordinate would leave the 32-bit range.
int SetFragmentOriginPoint(Fragment* f, const POINT* point);

// ---- complex fragments ----
// (0, null) makes an empty one; items are copied in.
Fragment* CreateComplexFrg(int count, const FRGITEM* items);
// Copies f in with the code; 0 when c is not complex, the code is outside
// 0 .. 15 or the nesting would pass kFrgMaxComplexDepth.
int AddToComplexFrg(Fragment* c, const Fragment* f, int code);
int GetComplexFrgItemNum(const Fragment* c);
// A copy of the item (the caller deletes it) and its code; 0 on failure.
int GetComplexFrgItem(const Fragment* c, int index, FRGITEM* item);
// The combination, inversion included, as one mask fragment. A combination
// that selects everything far away comes back as an inverted mask.
Fragment* GetComplexFrgMask(const Fragment* c);

// ---- masks ----
// A mask of an 8-bit grey buffer (type 8) placed at (x, y); the fragment
// takes its own reference. Null for other buffer types.
Fragment* CreateMaskUsingWA(VrWA2000::WA* buffer, std::int32_t x, std::int32_t y);
// A mask of zeros over the rectangle; null for an empty rectangle.
Fragment* CreateEmptyMask(const LURECT* rect);
// Combines f's shape (without its own inversion) into the mask's buffer with
// the code. While InitAccessToSmoothedEdge is in force for f, its smoothed
// shape is drawn instead.
int PutFragmentToMask(Fragment* mask, const Fragment* f, int code);
// The mask's buffer with one reference for the caller; null when f is no mask.
VrWA2000::WA* GetMaskWA(const Fragment* mask);
// The buffer's place and size.
int GetMaskRect(const Fragment* mask, LURECT* out);

// ---- smoothed edges ----
// The widest soft edge: 250 pixels, a degree of 2500 tenths. Every entry that
// sets a degree clamps it into range: SetSmoothEdge to 0..kFrgMaxSmoothDegree;
// those that count whole pixels (and multiply by 10) through SmoothDegreeOf.
inline constexpr int kFrgMaxSmoothPixels = 250;
inline constexpr int kFrgMaxSmoothDegree = 10 * kFrgMaxSmoothPixels;
// The degree of an edge of `pixels` whole pixels, clamped to 0..250 first.
inline int SmoothDegreeOf(long long pixels) {
  return 10 * static_cast<int>(pixels < 0 ? 0 : (pixels > kFrgMaxSmoothPixels ? kFrgMaxSmoothPixels : pixels));
}
// Degree in tenths of a pixel (the width of the soft edge, clamped to
// 0..kFrgMaxSmoothDegree), type as above. The window is accepted for
// callers that pass one; the library does not draw into it: smoothing is
// computed on request.
int SetSmoothEdge(Fragment* f, int degree, int type, void* window);
// A mask whose selection is f's selection with smoothed edges (an inverted
// fragment gives an inverted mask); null for an empty shape or no memory.
Fragment* GetSmoothMask(const Fragment* f);
// Drops what the fragment keeps of its smoothing (a cached smooth mask and
// the window); the degree and type stay.
void TerminateEdgeSmoothing(Fragment* f);
// With swapping enabled (the default) a fragment keeps no cached smooth
// mask; disabled, it keeps the last one until it changes.
void EnableSwappingFrg(Fragment* f, int enable);
// Brackets in which PutFragmentToMask draws f's smoothed shape; they nest.
int InitAccessToSmoothedEdge(Fragment* f);
void FreeAccessToSmoothedEdge(Fragment* f);
