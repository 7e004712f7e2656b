// The drawing library: a draw context shows an image buffer in a window at a
// zoom and scroll position (hostapi/xform.h), with its coverage over a
// checkerboard, a grid, guides, display gamma, and a logical palette with an
// ordered dither on palette devices. It reports screen areas that an option
// change made stale through a redraw notifier.
//
// Neither the draw context nor the notifier holds a lock or state bound to a
// thread: the caller (the view, under its lock) serialises every use.
//
// Image positions of guides, grid lines and the ruler origin count x to the
// right and y upward from the image's bottom edge, as the mapping does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hostapi/imagebuf.h"
#include "hostapi/xform.h"
#include "platform/win32types.h"

#ifndef _WIN32
// GDI handles only pass through the portable declarations.
struct HDC__;
struct HRGN__;
struct HWND__;
struct HPALETTE__;
using HDC = HDC__*;
using HRGN = HRGN__*;
using HWND = HWND__*;
using HPALETTE = HPALETTE__*;
#endif

// Colour-dither options of one image type, five 32-bit values.
struct VR_CDOPTFV {
  // 1: colours that a logical palette lacks are reached by an ordered 8 x 8
  // dither anchored to the image; 0: the nearest entry is taken.
  std::int32_t dither;
  // 1: the image's own palette is the logical palette (indexed types).
  std::int32_t ownPalette;
  // The number of colours the image type holds (2, 16, 256, 256, 2^24).
  std::int32_t colors;
  // The logical palette for palette devices: 0 256 greys, 1 halftone (the
  // 6 x 6 x 6 colour cube), 2 the image's two colours, 3 the image's 16 or
  // 256 colours.
  std::int32_t paletteKind;
  // The dither pattern: 1 the 8 x 8 ordered matrix (the only one).
  std::int32_t pattern;
};

// The defaults of an image type (1, 2, 4, 8 or 16; any other: 16).
VR_CDOPTFV VrDefaultDitherOptions(int imageType) noexcept;

// Display gamma per channel times 100; 100 is the exact identity.
struct VR_GAMMAOPT {
  std::int32_t GammaR = 100;
  std::int32_t GammaG = 100;
  std::int32_t GammaB = 100;
};

// Line styles of the grid and the guides.
enum : std::int32_t { kVrLineSolid = 0, kVrLineDashed = 1, kVrLineDots = 2 };

struct VR_GRIDSETTINGS {
  COLORREF color = 0x808080;  // 0x00BBGGRR
  std::int32_t style = kVrLineSolid;
  double spacingX = 64.0;  // image pixels between major lines
  double spacingY = 64.0;
  // Parts between major lines (1: none); subdivision lines are dotted.
  std::int32_t subdivisions = 1;
};

struct VR_GUIDESETTINGS {
  COLORREF color = 0xFFFF00;
  std::int32_t style = kVrLineSolid;
};

// Colour-management profiles. With a monitor profile the draw shows the
// image's colours (its own profile, sRGB without one) in the monitor's at
// the rendering intent; with a printer (proofing target) profile as well,
// as that device would print them. The file name "sRGB Color Space
// Profile.ICM" (any folder) means the built-in sRGB; a monitor profile
// that cannot be used is taken as sRGB, a target that cannot be used is
// left out (ColorManagementProblems says so).
struct VR_CMPROFILES {
  char monitorProfile[260] = {};  // empty: colour management off
  char printerProfile[260] = {};  // empty: no proofing
  std::int32_t value1 = 0;        // rendering intent, 0..3 (perceptual, relative, saturation, absolute)
  std::int32_t value2 = 0;        // proofing intent, the same codes
};

// The colour-management record's gamut-match codes (4 perceptual, 2 relative,
// 1 saturation, 8 absolute) as the intents above, and back; -1 for any other.
inline int IcmIntentOfCode(long long code) noexcept {
  switch (code) {
    case 4: return 0;
    case 2: return 1;
    case 1: return 2;
    case 8: return 3;
    default: return -1;
  }
}

inline int CodeOfIcmIntent(int intent) noexcept {
  constexpr int kCodes[4] = {4, 2, 1, 8};
  return intent >= 0 && intent < 4 ? kCodes[intent] : -1;
}

// Single colours under colour management (swatches, the colour window): an
// sRGB colour 0x00BBGGRR as the monitor shows it, the way the views show an
// sRGB image under the same profiles.
class VR_CMCOLOURS {
 public:
  virtual ~VR_CMCOLOURS() = default;
  virtual std::uint32_t Show(std::uint32_t colour) const = 0;
};

// What ColorManagementProblems reports.
enum : std::uint32_t {
  kVrCmImageProfileIgnored = 1,     // the image's profile was refused: shown as sRGB
  kVrCmMonitorProfileUnusable = 2,  // the monitor profile was refused: sRGB taken
  kVrCmTargetProfileUnusable = 4,   // the proofing target was refused: no proofing
};

// Guide orientations.
enum : std::int32_t { kVrGuideVertical = 0, kVrGuideHorizontal = 1 };

// Told of screen areas that became stale.
class VR_REDRAWNTF {
 public:
  virtual ~VR_REDRAWNTF() = default;
  // Two damaged regions (window coordinates) and whether to erase; 1.
  virtual int Notify(HRGN damaged, HRGN moreDamaged, BOOL erase) { return 1; }
  virtual void Reserved() {}
};

// A draw context over one image buffer (kept referenced while it lives).
class VR_DRAWCONTEXT {
 public:
  virtual ~VR_DRAWCONTEXT() = default;                                          // slot 0
  // The zoom factors, shifted by the scroll position.
  virtual void SetMapping(const XFFACT& x, const XFFACT& y) = 0;               // slot 1
  const VRXFORM& Mapping() const noexcept { return mapping_; }
  // An 8-bit coverage buffer of the image's size (null: fully covered).
  virtual void SetCoverage(const VrWA2000::ReadWA* coverage) = 0;             // slot 2
  // The document's display option word: kept for the document, read back
  // with GetDocumentOption; the draw does not depend on it.
  virtual void SetDocumentOption(std::uint32_t word) = 0;                      // slot 4
  virtual void SetGamma(const VR_GAMMAOPT& gamma) = 0;                         // slot 14
  virtual void SetDitherOptions(const VR_CDOPTFV& options) = 0;               // slot 18
  // The image rect's pixels changed (null: all of them).
  virtual void InvalidateImageRect(const RECT* imageRect) = 0;                 // slot 22
  // Paints what `clip` (window coordinates, null: the window's client area)
  // needs into `dc`. With `paletteOut` a logical palette is used even on a
  // true-colour device, realised, and handed back (the caller deletes it).
  // `notActive` and `layerMoving` are the view's state; the draw is the same.
  // 1 when painted.
  virtual int Draw(HDC dc, HRGN clip, HWND window, BOOL notActive, BOOL layerMoving,
                   HPALETTE* paletteOut) = 0;                                   // slot 26
  // Realise the logical palette in the window's DC; GDI's count of changed
  // entries (0 on true-colour devices).
  virtual UINT RealizePaletteForeground(HWND window) = 0;                      // slot 28
  virtual UINT RealizePaletteBackground(HWND window) = 0;                      // slot 29
  virtual void SetWindow(HWND window) = 0;                                     // slot 30
  virtual void ShowGrid(BOOL show) = 0;                                        // slot 36
  virtual void SetGridSettings(const VR_GRIDSETTINGS& grid) = 0;              // slot 38
  // Two words of the view, kept and read back with GetViewWords.
  virtual void SetViewWords(std::int32_t first, std::int32_t second) = 0;     // slot 39
  // A value of the parent frame, kept and read back with GetFrameValue.
  virtual void SetFrameValue(std::int32_t value) = 0;                          // slot 40
  // The nearest grid lines at or below and above a position (1/32 image
  // pixel, x for 43, y upward from the bottom for 44), subdivisions
  // included; FALSE when the grid is hidden.
  virtual BOOL GetGridSnapX(std::int32_t position, std::int32_t* below, std::int32_t* above) const = 0;  // 43
  virtual BOOL GetGridSnapY(std::int32_t position, std::int32_t* below, std::int32_t* above) const = 0;  // 44
  virtual void ShowGuides(BOOL show) = 0;                                      // slot 45
  virtual void SetGuideSettings(const VR_GUIDESETTINGS& guides) = 0;          // slot 47
  // Guides at 1/32 image pixel, orientation kVrGuideHorizontal/Vertical.
  virtual void AddGuide(std::int32_t position, std::int32_t orientation) = 0;  // slot 49
  virtual void RemoveGuide(std::int32_t position, std::int32_t orientation) = 0;  // slot 50
  virtual void RemoveAllGuides() = 0;                                          // slot 51
  // Carries the guides across the margin: client rect minus image rect.
  virtual void DrawMargin(HDC dc, HWND window, const RECT* client, const RECT* image) = 0;  // 52
  virtual void SetProfiles(const VR_CMPROFILES& profiles) = 0;                 // slot 53
  // The ICC profile the image embeds (null or empty: sRGB); copied.
  virtual void SetImageProfile(const std::uint8_t* bytes, std::size_t size) = 0;
  // The kVrCm* problems of the profiles as last set (0: none).
  virtual std::uint32_t ColorManagementProblems() const = 0;
  // The ruler origin in image pixels (y upward from the bottom): the grid
  // starts there.
  virtual void SetRulerOrigin(std::int32_t x, std::int32_t y) = 0;
  // The image changed in place (size or type): re-read it, drop every pixel
  // kept.
  virtual void Update() = 0;
  // The application became active again: the window's palette is realised
  // anew (palette devices) and kept pixels are dropped.
  virtual void Reactivate(HWND window) = 0;

  virtual std::uint32_t GetDocumentOption() const = 0;
  virtual void GetViewWords(std::int32_t* first, std::int32_t* second) const = 0;
  virtual std::int32_t GetFrameValue() const = 0;

 protected:
  VRXFORM mapping_;
};

// The options of the colour-dither dialog (the fields of VR_CDOPTFV it
// edits).
enum : int { kVrDitherOptionDither = 0, kVrDitherOptionOwnPalette = 1, kVrDitherOptionPalette = 3 };

// Whether the dialog offers an option for an image type: dithering for the
// 24-bit and the 4- and 8-bit palette types, the image's own palette for
// the palette types, the palette choice for every type but 8-bit grey and
// 1 bit (which have one palette each).
BOOL VrIsDitherOptionAvailable(int imageType, int option) noexcept;
// The palette kinds the dialog lists for an image type.
int VrDitherPaletteKinds(int imageType, std::int32_t kinds[4]) noexcept;

// What the dialog calls while it runs: apply one option's new value, ask
// whether an option is offered, refresh the image after a change, and
// show help.
struct VR_DITHERCALLBACKS {
  void (*apply)(void* context, int option, std::int32_t value);
  BOOL (*isAvailable)(void* context, int imageType, int option);
  void (*refresh)(void* context);
  void (*help)(void* context);
};

// The colour-dither options dialog of an image type, modal over `owner`:
// starts from `current`, applies every change at once through the
// callbacks; Cancel applies the starting values again. IDOK or IDCANCEL,
// 0 when it cannot be shown. (Windows only.)
int SelectColorDitherOptions(HWND owner, int imageType, const VR_CDOPTFV* current,
                             const VR_DITHERCALLBACKS* callbacks, void* context);

// What the monitor gamma dialog calls: show three gamma values (x 100) at
// once, and show help.
struct VR_GAMMACALLBACKS {
  void (*apply)(void* context, std::int32_t r, std::int32_t g, std::int32_t b);
  void (*help)(void* context);
};

// The monitor gamma dialog, modal over `owner`: red, green and blue gamma
// x 100, each 1 .. 1000, starting from `gamma`. Apply and OK apply the
// typed values through the callbacks (a value outside 1 .. 1000 is refused
// with a message, the focus back on it); OK also stores them in `gamma`;
// Cancel applies the starting values again when Apply was used. IDOK or
// IDCANCEL, 0 when it cannot be shown. (Windows only.)
int SelectGamma(HWND owner, VR_GAMMAOPT* gamma, const VR_GAMMACALLBACKS* callbacks, void* context);

// A draw context over `image` (one reference taken) at 1:1 with the
// defaults of its type; null when `image` is null. The notifier may be null
// and stays the caller's.
VR_DRAWCONTEXT* WACreateDrawContext(const VrWA2000::ReadWA* image, VR_REDRAWNTF* notifier);

// The single-colour converter for `profiles`; null when they name no
// monitor profile (colour management off: colours are painted as they
// are). `problems` (may be null) receives ColorManagementProblems' flags
// for the monitor and target profiles. The caller deletes it.
VR_CMCOLOURS* WACreateCmColours(const VR_CMPROFILES& profiles, std::uint32_t* problems);
