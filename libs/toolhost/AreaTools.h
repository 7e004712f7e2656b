// The selection (area) tools: rectangle, ellipse, polygon, freehand pen,
// line, magic wand, smart (edge-following) outline and the whole image. The active tool's hook follows the
// mouse on the image views; a finished shape combines with the document's
// selection by the combine mode (or the keys held at the press) and
// becomes its selection as one undo step.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostapi/toolhost.h"
#include "libs/toolhost/SmartPath.h"
#include "platform/win32types.h"

class Fragment;

namespace lumora::toolhost {

// kNewText makes no shape of its own: a click places a text selection.
// kSmartS is the polygon whose sides follow the image's edges between
// the clicked anchors.
enum class AreaKind { kWhole, kRect, kEllipse, kPoly, kWand, kLine, kPen, kNewText, kSmartS };

// Keys held with a mouse message.
enum : unsigned { kAreaShift = 1, kAreaCtrl = 2, kAreaAlt = 4 };

// A mouse point as both sides see it: the window point, the image pixel
// under it, and the nearest pixel corner (image edges) for outlines.
struct AreaPoint {
  POINT window{0, 0};
  POINT pixel{0, 0};
  POINT corner{0, 0};
};

// The outline drawn while a shape is made, in image coordinates.
struct AreaOutline {
  enum Shape { kNone, kRect, kEllipse, kPolyline } shape = kNone;
  RECT rect{0, 0, 0, 0};     // kRect, kEllipse: pixels covered, exclusive
  std::vector<POINT> points;  // kPolyline: pixel corners
  bool closed = false;
};

// The settings of new shapes (the selection tuner's).
struct AreaSettings {
  int feather = 0;         // soft edge of a new shape, whole pixels
  int aspectFixed = 0;     // rect and ellipse keep aspectWidth : aspectHeight
  int aspectWidth = 1;
  int aspectHeight = 1;
  int tolerance = 32;      // the wand, per channel
  int contiguous = 1;      // the wand: 8-connected to the clicked pixel, else all
  int mergedImage = 0;     // the wand: the visible image, else the active layer
  int lineWidth = 5;
  int lineStyle = 0;       // the fragment library's line styles
  int fillMode = 1;        // polygon and pen fill (alternate)
};

// One tool's state machine over press, move, release, double click and
// keys, in image coordinates. Pure: the hook maps and draws around it.
class AreaTracker {
 public:
  enum Result { kNothing, kChanged, kDone, kDeselect, kCancelled };

  explicit AreaTracker(AreaKind kind) : kind_(kind) {}
  AreaKind Kind() const { return kind_; }
  Result Press(const AreaPoint& at, unsigned keys);
  Result Move(const AreaPoint& at, unsigned keys);
  Result Release(const AreaPoint& at, unsigned keys);
  Result DoubleClick(const AreaPoint& at, unsigned keys);
  // Backspace drops the polygon's last vertex; Escape cancels; Enter closes
  // a polygon of three vertices or more.
  Result Key(int virtualKey);
  void Cancel();
  // Working: the mouse is captured or a polygon is open.
  bool Busy() const { return pressed_ || open_; }
  bool Pressed() const { return pressed_; }
  // The keys held at the press that began the shape: they choose the mode.
  unsigned PressKeys() const { return pressKeys_; }
  AreaOutline Outline() const;
  // The finished shape (wand: the pixel clicked, see MakeWandMask); null
  // when there is none.
  Fragment* MakeShape(const AreaSettings& settings) const;
  POINT WandPoint() const { return first_.pixel; }
  // Rect and ellipse drags keep this width to height (0, 0: free).
  void SetAspect(int width, int height) {
    aspectWidth_ = width;
    aspectHeight_ = height;
  }
  // Square and centred rect of a drag from `from` to `to` (both included);
  // a fixed aspect (both sides positive) grows the drag's offsets to it.
  // The smart outline's paths (its image set by the caller); none: straight
  // sides as the polygon's.
  void SetPathFinder(std::shared_ptr<SmartPathFinder> finder) { finder_ = std::move(finder); }
  SmartPathFinder* PathFinder() const { return finder_.get(); }
  static RECT DragRect(POINT from, POINT to, bool square, bool centred, int aspectWidth = 0, int aspectHeight = 0);

 private:
  Result Close();
  bool ClicksCorners() const { return kind_ == AreaKind::kPoly || kind_ == AreaKind::kSmartS; }
  Result SmartPress(const AreaPoint& at, unsigned keys);
  AreaPoint PathPoint(POINT pixel) const;

  AreaKind kind_;
  bool pressed_ = false;
  bool moved_ = false;
  bool open_ = false;  // polygon between clicks
  unsigned pressKeys_ = 0;
  bool shiftFresh_ = false;  // Shift has been up since the press
  bool square_ = false;      // and is down again: square
  bool ctrl_ = false;
  int aspectWidth_ = 0;
  int aspectHeight_ = 0;
  AreaPoint first_;
  AreaPoint last_;
  std::vector<AreaPoint> vertices_;
  std::vector<std::size_t> anchors_;  // smart outline: where each anchor is in vertices_
  std::shared_ptr<SmartPathFinder> finder_;
};

// What the wand looks at: `image` (with its opacity in `alpha`, an 8-bit
// buffer of its size, or opaque without one) placed at `origin` in an image
// of `imageSize`; the image's pixels outside it are transparent.
struct WandSource {
  const VrWA2000::WA* image = nullptr;
  const VrWA2000::WA* alpha = nullptr;
  POINT origin{0, 0};
  SIZE imageSize{0, 0};
};

// The image's pixels whose colour as shown over nothing (premultiplied by
// the opacity) and opacity lie within `tolerance` of the seed's in every
// channel, 8-connected to the seed (contiguous) or anywhere: a mask
// fragment in image coordinates over the region's bounds; null when the
// seed lies outside the image or the image cannot be read.
Fragment* MakeWandMask(const WandSource& source, POINT seed, int tolerance, bool contiguous);

// A shape with a soft edge `feather` pixels wide across its outline: a new
// mask fragment (the shape is deleted), or the shape itself for 0 or when
// no mask can be made.
Fragment* FeatherShape(Fragment* shape, int feather);

// The status text of a drag's rect (image pixels, rows bottom-up) in an
// image of `image` size: "x=%d y=%d w=%d h=%d" in pixels, y counted from the
// image's top row, the rect clipped to the image first.
std::string AreaSizeText(const RECT& rect, SIZE image);
// Shows the text for the view's document on the site's prompt stack
// (channel 2); null takes it away.
void ShowAreaSize(const void* site, void* view, const RECT* imageRect);

// Which combine mode a shape takes: keys held at the press override the
// tool host's mode (Shift add, Alt subtract, both intersect).
int AreaCombineMode(unsigned pressKeys, int hostMode);

// ---- The registered area tools and the active one

struct AreaToolEntry {
  const char* name;  // "Area_Rect" ...
  AreaKind kind;
  std::uint32_t prompt;  // string id: the tool's prompt
};
const std::vector<AreaToolEntry>& AreaToolTable();

// What the tools need of windows (the program's under Win32; tests install
// their own).
class AreaWindows {
 public:
  virtual ~AreaWindows() = default;
  virtual bool ToImage(const void* site, void* view, POINT client, AreaPoint* point) = 0;
  // Window distance between two image corners is too coarse at a zoom:
  // the polygon closes on window points instead, which AreaPoint carries.
  virtual void ShowOutline(const void* site, void* view, const AreaOutline* outline) = 0;
  // Takes the outline off before the view paints and has it drawn again
  // after (a message posted to the view, which the hook passes back).
  virtual void SuspendOutlineForPaint(void* view) = 0;
  virtual bool IsOutlineMessage(std::uint32_t message) = 0;
  virtual void RedrawOutline(void* view) = 0;
  virtual void Capture(void* view, bool on) = 0;
  virtual unsigned KeysNow() = 0;
  virtual bool KeyReachesView(void* target, void* view) = 0;
  virtual void SetAreaCursor(AreaKind kind) = 0;
  // The drag's rect in the status bar (null: cleared).
  virtual void ShowSize(const void* site, void* view, const RECT* imageRect) = 0;
  // Scrolls the view when the drag leaves it.
  virtual void AutoScroll(void* view, POINT client, bool on) = 0;
  // The text-selection tool's click: the program's Text Selection command
  // takes the press (`message`, its view and client point) as the place of
  // a new text selection; false when it did not.
  virtual bool PlaceTextSelection(const void* site, const LU_MSG& press) = 0;
};
AreaWindows* CurrentAreaWindows();
void SetAreaWindows(AreaWindows* windows);
AreaWindows& Win32AreaWindowsInstance();

// The hook's procedure (tests call it with messages of their own).
int AreaHookProc(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);

// Selects the whole image of the active image window (Select All): one
// undo step; false without an image window.
bool SelectWholeImage(const void* site);

// The tuner's settings (kept in the tool host's profile).
AreaSettings& CurrentAreaSettings();
void LoadAreaSettings(const void* site);
void SaveAreaSettings(const void* site);

}  // namespace lumora::toolhost
