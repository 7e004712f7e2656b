// One layer of a layered image: an image buffer placed at a rect of the
// image, an optional 8-bit mask (the layer's transparency, 255 opaque) and
// auxiliary buffer, saved full-size copies of image and mask, and the
// attributes that the layer palette, the dialogs, the command language and
// the layered file exchange. Layers are shared by an atomic reference count.
//
// Geometry: x runs with the columns and y with the rows of the buffers, row
// 0 at the bottom of the picture, so a rect's top is its smaller y; image
// pixel (x, y) is column x - rect.left, row y - rect.top of the image, and
// likewise for the mask with the mask rect.
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/blend/BlendContext.h"
#include "engine/pixels/Progress.h"
#include "engine/pixels/WAccess.h"
#include "platform/ref_ptr.h"
#include "platform/win32types.h"

namespace lumora {

class LayeredReader;
class LayeredWriter;
struct LayeredFileHeader;

// Results of layer and layer-stack operations; 0 is success.
enum LayerResult : int {
  kLayerOk = 0,
  kLayerNullBuffer = 16,     // null buffer or layer, a layer not listed, no mask to remove
  kLayerCannotMake = 17,     // a layer, mask or auxiliary buffer cannot be made
  kLayerNoComposite = 18,    // the composite buffers cannot be made
  kLayerCannotConvert = 19,  // a layer cannot take the stack's image type
  kLayerNoImage = 20,        // null layer, layer not listed, or a layer without image
  kLayerBadIndex = 21,       // list index or position without a layer
  kLayerNoActive = 22,       // there is no active layer
  kLayerNotInList = 23,      // the layer to delete is not listed
  kLayerLastLayer = 24,      // the only layer cannot be deleted
  kLayerNotLayerable = 25,   // the image type is neither 8 nor 16
};

// Layer flag bits; the others keep what the layered file gave.
inline constexpr std::uint32_t kLayerTransparencyLocked = 1u;
inline constexpr std::uint32_t kLayerHidden = 2u;

// Mask flag bits; the others keep what the layered file gave.
inline constexpr std::uint8_t kMaskAttached = 1u;  // set whenever a mask is attached
inline constexpr std::uint8_t kMaskDisabled = 2u;
inline constexpr std::uint8_t kMaskInvert = 4u;  // invert when the mask is baked in

// What a layered file said of a layer that the program has no place for,
// kept so that saving writes it back unchanged.
struct LayerFileKeep {
  // The lock bits of the file (bit 0 transparency, 1 composite, 2 position,
  // 31 all; others as read).
  std::uint32_t lockBits = 0;
  // The transparency bit of the file's flags byte, which other writers set
  // apart from the lock bits.
  bool flagsLock = false;
  // A blend key that names none of the merge modes (the layer renders as
  // Normal); all zero for none.
  char blendKey[4] = {};
};

// The image types a layer can have: 8-bit grey and 24-bit colour.
inline bool IsLayerType(int type) { return type == kWAType8Grey || type == kWAType24; }

// Whether a layer copy clones the source's buffers or holds the same ones.
// Shared buffers are for copies that never write into them (undo
// snapshots); whoever then writes into the source's buffers gives the
// copies clones of their own first (CUndoManager::DetachLayers).
enum class LayerBuffers : int { kClone, kShare };

// Which family of drawing operations draws a layer, by its image type.
enum class LayerDrawEntries : int { kNone = 0, kGrey = 8, kColour = 16 };

// The mask-highlight tint of one render pass: the colour shown over the
// masked-out part of a layer whose mask highlight is on, and its opacity
// (0..255). Each pass derives it from its own stack.
struct MaskHighlight {
  std::uint8_t red = 255;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t opacity = 127;
};

}  // namespace lumora

class Fragment;  // a selection shape of the fragment library

class layer_error : public std::runtime_error {
 public:
  layer_error() : std::runtime_error("layer error") {}
  explicit layer_error(const char* what) : std::runtime_error(what) {}
};
// Bad construction arguments.
class layer_err_params : public layer_error {
 public:
  layer_err_params() : layer_error("bad layer arguments") {}
};
// A buffer of the layer cannot be made.
class layer_err_nomemory : public layer_error {
 public:
  layer_err_nomemory() : layer_error("no memory for a layer") {}
};
// No layer could be made active after reading a file.
class layer_noactive_layer : public layer_error {
 public:
  layer_noactive_layer() : layer_error("no active layer") {}
};
// The layer given to a one-layer stack is null or has no image.
class layer_bad_layer : public layer_error {
 public:
  layer_bad_layer() : layer_error("bad layer") {}
};

// The attributes of a layer as dialogs, the layer palette, undo and the
// command language exchange them.
struct LAYER_INFO {
  std::string name;  // UTF-8, as CLayer::GetName
  std::string linkText;
  RECT rect = {};              // filled by GetLayerInfo, not applied by SetLayerInfo
  std::int32_t hasMask = 0;    // not applied
  std::uint8_t maskFlags = 0;  // only the disabled bit is applied
  RECT maskRect = {};          // not applied
  std::int32_t opacity = 0;    // percent 0..100
  std::int32_t mergeMode = 0;
  std::int32_t visible = 0;
  std::int32_t lockTransparency = 0;
  std::int32_t lockPosition = 0;
  std::int32_t editMask = 0;
  std::int32_t hideLayerChannels = 0;
  std::int32_t maskHighlight = 0;
  // Interleaved per channel: grey of this layer, grey underlying, red this,
  // red underlying, green this, green underlying, blue this, blue underlying.
  std::uint8_t blendIf[8][4] = {};
  std::uint16_t linkId = 0;
  std::int32_t grouped = 0;
};

// The defaults of a new layer's record: link text emptied (the name is
// kept), mask flags 1, opacity 100, Normal, visible, nothing locked or
// shown, full blend-if ranges, no link, not grouped. Rect, has-mask and
// mask rect are left as they are.
void InitLayerInfo(LAYER_INFO& info);

// A reference-counted object: a new one has one reference, its creator's;
// the release that brings the count to 0 deletes it.
class refCount {
 public:
  refCount(const refCount&) = delete;
  refCount& operator=(const refCount&) = delete;

  void AddRef() const noexcept { count_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const noexcept {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  std::int32_t GetRefCount() const noexcept { return count_.load(std::memory_order_acquire); }

 protected:
  refCount() noexcept = default;
  virtual ~refCount() = default;

 private:
  mutable std::atomic<std::int32_t> count_{1};
};

class CLayer : public refCount {
 public:
  // An empty layer: defaults, no buffers, a new unique id.
  CLayer();
  // A copy with buffers of its own (or, with kShare, the source's very
  // buffers) and the source's unique id; without a mask its transparency
  // is locked.
  CLayer(const CLayer& source);
  CLayer(const CLayer& source, lumora::LayerBuffers buffers);
  // A layer around an image (and, with `withMask`, a mask) placed at
  // `origin`; throws layer_err_params for a null image, or a missing or
  // non-8-bit mask when one is asked for.
  CLayer(VrWA2000::WA* image, POINT origin, int withMask, VrWA2000::WA* mask, int mergeMode);
  // A new zero-filled layer of the rect's size and type 8 or 16, with a
  // zero-filled (fully transparent) mask when asked, and the record's
  // attributes; throws layer_err_params for a null or empty rect or another
  // type, layer_err_nomemory when a buffer cannot be made.
  CLayer(const RECT* rect, const LAYER_INFO& info, int type, int withMask);
  CLayer& operator=(const CLayer&) = delete;
  ~CLayer() override;

  // A copy of the layer's own class (a text layer copies as a text layer);
  // the caller owns the one reference. Check IsWholeCopyOf: a buffer that
  // cannot be cloned is left out.
  virtual CLayer* CreateCopy() const { return new CLayer(*this); }
  // The same, holding the source's buffers instead of clones.
  virtual CLayer* CreateSharedCopy() const {
    return new CLayer(*this, lumora::LayerBuffers::kShare);
  }
  // Whether every buffer of the source (image, mask, auxiliary buffer,
  // saved copies) has its clone in this layer.
  bool IsWholeCopyOf(const CLayer& source) const;

  // ---- Kinds ----
  virtual int IsText() const { return 0; }
  virtual int IsPaint() const { return 0; }  // a brush stroke's work layer
  virtual int IsMask() const { return 0; }   // a work layer that paints a mask
  // A brush may paint on it: not a text layer and not hidden.
  int CanPaint() const;

  // ---- Copy and merge ----
  // Makes this layer a copy of the source: every attribute, the unique id,
  // and clones of the buffers (nothing is shared). The replace flag is not
  // copied. Nothing happens for the layer itself.
  virtual void CopyFrom(const CLayer* source);
  // Composites the source onto this layer's image over the overlap of the
  // rects, with the source's mode, opacity, enabled mask and blend-if
  // ranges, as the screen shows it; this layer's mask decides where the
  // underlying ranges apply. Nothing happens without both images, with
  // differing types or without an overlap. Returns this layer.
  CLayer* MergeLayer(CLayer* source);
  // Merges a brush stroke's work layer into this layer's image, or with
  // `intoMask` into its mask (an 8-bit source), through the source's render
  // entry with this layer's mask as coverage (none with `withoutCoverage`
  // or `intoMask`); a source whose replace flag is set replaces the pixels
  // instead (MergeIntoLayer, MergeIntoMask). The no-blend-if flags switch
  // the blend-if ranges of this layer and of the source off for the merge.
  // Only the overlap of the rects changes; both layers keep their rects
  // and display flags.
  void MergeInto(CLayer* source, int intoMask, int withoutCoverage, int noOwnBlendIf,
                 int noSourceBlendIf);
  // A replacing work layer's pixels into this layer (or, with
  // `savedCopies`, into its saved copies) over the overlap of the rects and
  // `rect` (null: no further limit). Without a mask on this layer, or with
  // the work layer's transparency locked, the work pixels replace by the
  // work mask times its auxiliary buffer; otherwise pixels and mask are
  // replaced, weighted by the auxiliary buffer. 1 when there is no work
  // layer or no overlap, else 0 (also when the buffers do not fit).
  int MergeIntoLayer(CLayer* work, const RECT* rect, int savedCopies);
  // An 8-bit work image into this layer's mask (or its saved mask copy),
  // weighted by the work layer's auxiliary buffer. Results as
  // MergeIntoLayer.
  int MergeIntoMask(CLayer* work, const RECT* rect, int savedCopies);

  // ---- Attributes ----
  // The record by value: the render worker may read a layer while the
  // user-interface thread edits another.
  LAYER_INFO GetLayerInfo() const;
  // Applies name, link text, opacity, mode, link id, visibility, locks, mask
  // enable and display flags, grouping and blend-if ranges (not rect, has
  // mask or mask rect), each through its setter's conditions.
  void SetLayerInfo(const LAYER_INFO& info);

  // Percent to byte: 0 gives 0, 1..100 give (p * 255 + 50) / 100, the
  // nearest byte. Byte to percent: the nearest percent, (b * 100 + 127) /
  // 255, at least 1 for a byte above 0.
  static std::uint8_t OpacityFromPercent(int percent);
  static int OpacityToPercent(std::uint8_t opacity);

  // The name in UTF-8 (platform/text.h), so a name from another program
  // keeps every character it had.
  const std::string& GetName() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& GetLinkText() const { return linkText_; }
  void SetLinkText(std::string text) { linkText_ = std::move(text); }
  std::uint8_t GetOpacity() const { return blend_.Opacity(); }
  void SetOpacity(std::uint8_t opacity) { blend_.SetOpacity(opacity); }
  int GetMergeMode() const { return blend_.mergeMode; }
  // Stores the mode and chooses the blend function anew; a blend key kept
  // from a file gives way.
  void SetMergeMode(int mode);
  const lumora::LayerFileKeep& GetFileKeep() const { return fileKeep_; }
  lumora::LayerFileKeep& FileKeep() { return fileKeep_; }
  std::uint32_t GetFlags() const { return flags_; }
  void SetFlags(std::uint32_t flags) { flags_ = flags; }
  int IsVisible() const { return (flags_ & lumora::kLayerHidden) == 0; }
  int IsTransparencyLocked() const { return (flags_ & lumora::kLayerTransparencyLocked) != 0; }
  int GetPositionLocked() const { return positionLocked_; }
  void SetPositionLocked(int locked) { positionLocked_ = locked != 0; }
  std::uint16_t GetLinkId() const { return linkId_; }
  void SetLinkId(std::uint16_t id) { linkId_ = id; }
  int GetGrouped() const { return grouped_; }
  void SetGrouped(int grouped) { grouped_ = grouped != 0; }
  std::uint64_t GetUniqueId() const { return blend_.uniqueId; }
  std::uint32_t GetReplace() const { return blend_.replace; }
  void SetReplace(int replace) { blend_.replace = replace != 0; }
  int GetImageType() const { return static_cast<int>(imageType_); }
  void SetImageType(int type) { imageType_ = static_cast<std::uint32_t>(type); }
  // The layer's and its mask's places in image coordinates: rows count
  // upward, so `top` is the bottom row (engine/pixels/README.md).
  const RECT& GetRect() const { return rect_; }
  void SetRect(const RECT& rect) { rect_ = rect; }
  const RECT& GetMaskRect() const { return maskRect_; }
  void SetMaskRect(const RECT& rect) { maskRect_ = rect; }
  int HasMask() const { return hasMask_; }
  // Has a mask whose disabled bit is clear.
  int IsMaskEnabled() const { return hasMask_ && (maskFlags_ & lumora::kMaskDisabled) == 0; }
  std::uint8_t GetMaskFlags() const { return maskFlags_; }
  void SetMaskFlags(std::uint8_t flags) { maskFlags_ = flags; }
  std::uint8_t GetMaskDefaultColor() const { return maskDefaultColor_; }
  void SetMaskDefaultColor(std::uint8_t colour) { maskDefaultColor_ = colour; }
  int GetEditMask() const { return editMask_; }
  int GetHideLayerChannels() const { return hideLayerChannels_; }
  int GetMaskHighlight() const { return maskHighlight_; }
  int GetBlendRangesPresent() const { return blendRangesPresent_; }
  void SetBlendRangesPresent(int present) { blendRangesPresent_ = present != 0; }
  int GetMemoryLock() const { return memoryLocked_; }

  // Channel ids and data lengths of the layered file's record; a new layer
  // lists channels 0, 1, 2 and no lengths.
  int GetChannelCount() const { return static_cast<int>(channelIds_.size()); }
  const std::vector<std::int16_t>& GetChannelIds() const { return channelIds_; }
  // Empty when the record gave none.
  const std::vector<std::uint32_t>& GetChannelLengths() const { return channelLengths_; }
  void SetChannels(std::vector<std::int16_t> ids, std::vector<std::uint32_t> lengths);

  // Blend-if ranges in the layer's order: 0-3 this layer's grey, red,
  // green, blue; 4-7 the underlying pixel's. Setting rebuilds the tables.
  const std::uint8_t* GetBlendIfRange(int index) const { return blend_.blendIfRanges[index]; }
  void SetBlendIfRanges(const std::uint8_t ranges[8][4]);
  int GetBlendIfActive() const { return blend_.blendIfActive; }
  // Switches blend-if off or on for a while (merging a stroke does).
  void SetBlendIfActive(int active) { blend_.blendIfActive = active != 0; }

  // ---- Blending ----
  // The blend fields the row loops take.
  const lumora::BlendContext& GetBlendContext() const { return blend_; }
  // Chooses the mode's blend function (codes outside 0..18: Normal); the
  // image-type and mask flags the callers pass do not change the choice.
  void SetBlendFunction(int mode, int is24, int maskEnabled);
  // Null until chosen.
  const lumora::BlendMode* GetBlendFunction() const { return blend_.blendFunction; }
  // Add and Subtract: scale clamped to 10000..20000 (10000 = 1.0), offset
  // to -255..255.
  void SetAddScaleOffset(int scale, int offset);
  void SetSubtractScaleOffset(int scale, int offset);
  std::uint16_t GetAddScale() const { return blend_.addScale; }
  std::int16_t GetAddOffset() const { return blend_.addOffset; }
  std::uint16_t GetSubtractScale() const { return blend_.subtractScale; }
  std::int16_t GetSubtractOffset() const { return blend_.subtractOffset; }

  // The drawing family chosen for the image's type; kNone until an image of
  // type 8 or 16 is set. The compositors fill it from the image's type when
  // it is empty.
  lumora::LayerDrawEntries GetDrawEntries() const { return drawEntries_; }
  void SetDrawEntries(int imageType);

  // ---- Buffers ----
  // Getters hand out a reference of the caller's own.
  WAPtr GetImage(POINT* origin = nullptr) const;
  // Holds a non-null image (16 for null); the one it holds already gives 0
  // and changes nothing; otherwise draw entries chosen by the new image's
  // type and the blend function cleared. The rect stays.
  int SetImage(VrWA2000::WA* image);
  // SetImage, then the rect takes the image's size at its top-left.
  int ReplaceImage(VrWA2000::WA* image);
  // Null without a mask.
  WAPtr GetMask(POINT* origin = nullptr) const;
  // Attaches a mask at the layer rect (transparency unlocked when the layer
  // had none) or, with null, removes it (transparency locked, mask display
  // flags cleared). 25 for an image type other than 8 and 16; 16, and the
  // layer unchanged, for a mask that is not 8-bit grey of the rect's size.
  int SetMask(VrWA2000::WA* mask);
  // Attaches a mask at `place` (image coordinates, rows upward), which the
  // mask must fill exactly; 16 (nothing changed) for null, another size or
  // a type other than 8-bit grey, 25 as SetMask.
  int SetMaskAt(VrWA2000::WA* mask, const RECT& place);
  // SetMask (any failure gives 16), except that the mask rect takes the
  // mask's size at the layer's top-left.
  int ReplaceMask(VrWA2000::WA* mask);
  // A mask of the rect's size, zero-filled (fully transparent) or with
  // `fill` all 255; 0 and no change when there is one; 25 for another image
  // type, 17 without memory.
  int CreateMask(int fill);
  // 16 without a mask, 20 without an image; with `apply` the mask is baked
  // in first (ApplyMask); then as SetMask(null).
  int RemoveMask(int apply, int percent, COLORREF colour, int channel);
  // Mixes the image with the colour where the mask is below 255: each pixel
  // of the rects' overlap becomes (pixel m + colour (255 - m)) / 255 with m
  // the mask value shifted by percent * 255 / 100 (percent clamped to
  // -100..100) and inverted with the invert flag. Colour images mix all
  // three bytes for channel 0, only red for 1, green for 2, blue for any
  // other; grey images mix with the colour's mean. 25 for another image
  // type or without a mask.
  int ApplyMask(int percent, COLORREF colour, int channel);
  WAPtr GetAuxBuffer() const;
  // An 8-bit buffer of the rect's size, zero-filled or with `fill` all 255;
  // 0 and no change when there is one; 25 for another image type, 17
  // without memory.
  int CreateAuxBuffer(int fill);
  void ReleaseAuxBuffer();

  // Full-size copies of image and mask brought up to date over a rect in
  // image coordinates (cloned whole when missing or of another size).
  // Return the copy, or null without an image (a mask buffer).
  WAPtr SaveImageCopy(const RECT& rect);
  WAPtr SaveMaskCopy(const RECT& rect);
  WAPtr GetSavedImageCopy() const { return savedImage_; }
  WAPtr GetSavedMaskCopy() const { return savedMask_; }
  // Brings both copies up to date over the whole layer when there is an
  // image and a saved image copy.
  void RefreshSavedCopies();
  void ReleaseSavedCopies();

  // Changes the layer's canvas: an empty rect, one beyond the layer limits
  // or one that misses the layer gives false; the layer's own rect, or one inside it, true with
  // nothing changed. Otherwise every buffer takes the new rect's size
  // (overlap copied, the rest transparent: a layer without a mask gets one,
  // opaque over the old rect). False, nothing changed, without memory.
  bool SetLayerRect(const RECT& newRect);
  // Re-cuts image, mask, auxiliary buffer and saved copies to `newRect`
  // whatever its relation to the old rect (the overlap is kept, the rest
  // transparent; a layer without a mask gets one when the new rect reaches
  // outside the old). With `image` (of newRect's size) that buffer becomes
  // the image instead of a re-cut copy. False, nothing changed, for an
  // empty rect or one beyond the layer limits (ImageLimits.h), a missing
  // image or no memory.
  bool ResizeCanvas(const RECT& newRect, VrWA2000::WA* image);

  // ---- Placement ----
  // x dots per inch in the low 16 bits, y in the high 16 bits, given to
  // every buffer the layer holds.
  virtual void SetResolution(std::uint32_t packed);
  // The rect's top-left to the point; the mask rect moves with it.
  void MoveTo(POINT topLeft);
  // The rect by the delta; the mask rect too when there is a mask and its
  // rect is not empty.
  void Offset(POINT delta);
  // Locks the buffers in memory or unlocks them, when the flag changes.
  void SetMemoryLock(int locked);
  // Without a mask the rect; with one, the bounds of the mask values at or
  // above the threshold (plus the rect's top-left), or all zeros.
  void GetOpaqueRect(RECT* out, std::uint8_t threshold) const;
  // The centre of the rect, or of the bounds of the non-zero mask values
  // (the whole mask when there are none), plus the rect's top-left.
  void GetContentCenter(POINT* out) const;

  // ---- Flags ----
  void SetVisible(int visible);
  void SetTransparencyLock(int locked);
  // The user's transparency lock: without a mask only locking is accepted
  // (0 returns 0 and changes nothing); otherwise sets it and returns 1.
  int SetPaintOnLayer(int locked);
  // Enables or disables the mask (nothing without one); returns whether it
  // was enabled.
  int EnableMask(int enabled);
  // Each returns the old value and stores the new one only with a mask.
  int SetHideLayerChannels(int hide);
  int SetMaskHighlight(int highlight);
  // A value equal to the current one, or setting without a mask, returns 0
  // and changes nothing. Clearing also clears hide-layer-channels and
  // returns 1 when that was set.
  int SetEditMask(int edit);

  // ---- Layered file ----
  // The layer's record of the layered file, read into this layer (rect,
  // channel table, mode, opacity, flags, mask data, blend-if ranges, name,
  // locks, a text layer's text) or written from it.
  void ReadPSDRecord(lumora::LayeredReader& in, lumora::LayeredFileHeader& header);
  void WritePSDRecord(lumora::LayeredWriter& out, lumora::LayeredFileHeader& header);
  // The layer's channel data after the records: 1 when read, 0 when the
  // user cancelled (the layer keeps its buffers); damage throws
  // layer_err_fread. A layer with an empty rect reads no pixels.
  int ReadChannelData(lumora::LayeredReader& in, lumora::LayeredFileHeader& header);
  void WriteChannelData(lumora::LayeredWriter& out, lumora::LayeredFileHeader& header);
  // The merged image of a file into this layer (rect and channel ids set
  // by the caller); 1 or 0 as ReadChannelData.
  int ReadImageData(lumora::LayeredReader& in, lumora::LayeredFileHeader& header);

  // ---- Drawing ----
  // The compositors. Each draws the layer over `rect` (image coordinates;
  // null draws nothing) onto a destination image of its pixel size (the
  // 24-bit members onto type 16, the 8-bit members onto type 8) and an
  // optional 8-bit coverage buffer of the destination's size (0: nothing
  // covers the pixel yet, 255: fully covered). Every read and write is
  // clipped to the buffers it touches. The render entries take the rider:
  // the work layer of a brush stroke lying above this layer, merged into
  // its pixels on the fly. All return 0.
  //
  // Composite: the layer with its rider's stroke; the mask view (hide layer
  // channels) falls to DrawMaskOnlyRider.
  int Composite24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider);
  int Composite8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider);
  // The layer alone.
  int CompositeRect24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect);
  int CompositeRect8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect);
  // The mask as grey, fully covering.
  int DrawMaskOnly24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect);
  int DrawMaskOnly8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect);
  // The mask as grey with the stroke of a rider that changes the mask.
  int DrawMaskOnlyRider24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider);
  int DrawMaskOnlyRider8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider);
  // The masked-out part tinted with the highlight over what the
  // destination holds (needs a coverage buffer; 8-bit: the tint's grey).
  int DrawMaskHighlight24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                          const lumora::MaskHighlight& highlight);
  int DrawMaskHighlight8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect,
                         const lumora::MaskHighlight& highlight);
  // The highlight with the stroke of a rider that changes the mask.
  int CompositeHighlight24(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider,
                           const lumora::MaskHighlight& highlight);
  int CompositeHighlight8(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider,
                          const lumora::MaskHighlight& highlight);
  // The entries of the layer's image type (chosen from the image when none
  // is yet); nothing is drawn for other types.
  int Composite(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider);
  int CompositeRect(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect);
  int CompositeHighlight(VrWA2000::WA* dst, VrWA2000::WA* cov, const RECT* rect, CLayer* rider,
                         const lumora::MaskHighlight& highlight);
  // Chooses the draw entries from the image's type when none are chosen.
  void EnsureDrawEntries();
  // Chooses the blend function when none is chosen.
  void EnsureBlendFunction();

  // ---- Scaled drawing (thumbnails) ----
  // The whole image (or mask) mapped onto `rect` of `dst`, which the rect
  // may exceed: only the part inside is written. Box averages when reducing
  // on both axes, 4-bit interpolation otherwise. DrawScaled24/8 mix each
  // sample over the destination by the mask sampled alike when the layer
  // has one; DrawMaskScaled24/8 draw the mask itself (25 without a mask).
  // The 24 members take a 24-bit image and destination (the mask members a
  // 24-bit destination), the 8 members 1-byte ones; 16 for buffers that do
  // not fit. 0 when drawn or when nothing lies inside.
  int DrawScaled24(VrWA2000::WA* dst, const RECT& rect);
  int DrawScaled8(VrWA2000::WA* dst, const RECT& rect);
  int DrawMaskScaled24(VrWA2000::WA* dst, const RECT& rect);
  int DrawMaskScaled8(VrWA2000::WA* dst, const RECT& rect);
  // Nearest-pixel stretch of the image onto `rect` of a destination of the
  // image's type (8-bit, 4-bit, 1-bit palette); 16 without a destination
  // or an image, or for differing types.
  int StretchImage(VrWA2000::WA* dst, const RECT& rect);
  int StretchImage4(VrWA2000::WA* dst, const RECT& rect);
  int StretchImage1(VrWA2000::WA* dst, const RECT& rect);

  // ---- Whole-layer geometry ----
  // Each builds the new image and mask before it changes anything, keeps
  // the image's resolution and leaves the auxiliary buffer and saved copies
  // alone; 0 with the layer unchanged when a buffer cannot be made or the
  // callback cancels, else 1. Progress: the position advances once per
  // finished row and the callback (null: none) is asked with (position,
  // total); an answer of 0 cancels.
  //
  // Resamples image and mask (interpolated) to the new rect, which the
  // layer then takes.
  int ScaleTo(const RECT& newRect, int total, int* position, PROGRESSPROC callback);
  // Turns image and mask about `centre` (image coordinates) by the angle
  // (degrees, or radians with inRadians); the rect becomes the rotated
  // bounds of the old one.
  int Rotate(double angle, int inRadians, POINT centre, int total, int* position,
             PROGRESSPROC callback);
  // Mirrors image and mask in place; the rect stays (the caller moves it).
  int Flip(int horizontal, int vertical, int total, int* position, PROGRESSPROC callback);
  // Re-cuts the layer to the crop rect: 1 with *outside set (layer
  // unchanged) when they do not meet, 1 unchanged when the crop holds the
  // whole layer; otherwise new buffers of the crop's size with the overlap
  // copied (palette types first filled with the three values; a layer of
  // type 8 or 16 without a mask gets one, transparent outside the overlap).
  // 0, unchanged, without memory.
  int CropTo(const RECT& crop, int* outside, int fill1, int fill2, int fill3);

  // A new layer (the caller's reference) holding the pixels of this layer
  // that a mask fragment selects, with this layer's attributes and a mask
  // of its coverage times the selection; with `cut` that coverage leaves
  // this layer's mask (made opaque first when it has none). Null for no
  // fragment, no image, a fragment that is no mask, or nothing selected.
  CLayer* CreateLayerFromSelection(Fragment* fragment, int cut);

  // Every buffer the layer holds (image, mask, auxiliary buffer, saved
  // copies), without a reference; nulls left out.
  std::vector<VrWA2000::WA*> GetBuffers() const;
  // Puts `replacement` in every place that holds `old` (the memory lock
  // moves with it); returns how many places did.
  int ReplaceBuffer(const VrWA2000::WA* old, VrWA2000::WA* replacement);

  // The buffers without a reference, for the pixel loops: valid while the
  // layer holds them (callers hold the document lock).
  VrWA2000::WA* PeekImage() const { return image_.get(); }
  VrWA2000::WA* PeekMask() const { return mask_.get(); }
  VrWA2000::WA* PeekAux() const { return aux_.get(); }
  VrWA2000::WA* PeekSavedImage() const { return savedImage_.get(); }
  VrWA2000::WA* PeekSavedMask() const { return savedMask_.get(); }

 private:
  void TakeNewUniqueId();
  void CopyLayer(const CLayer* source, lumora::LayerBuffers buffers);
  void DropMask();
  // Takes a 1 x 1 fully transparent image at the top left of the rect (a
  // layer whose file rect is empty).
  void BecomeEmptyLayer(int type);
  void ChooseBlendFunction();
  void LockBuffers(bool locked);
  std::uint32_t ImageResolution() const;

  lumora::BlendContext blend_;
  lumora::LayerDrawEntries drawEntries_ = lumora::LayerDrawEntries::kNone;
  std::vector<std::int16_t> channelIds_{0, 1, 2};
  std::vector<std::uint32_t> channelLengths_;
  std::uint32_t hasMask_ = 0;
  std::uint8_t maskDefaultColor_ = 0;
  std::uint8_t maskFlags_ = 0;
  RECT maskRect_ = {};
  std::uint32_t blendRangesPresent_ = 0;
  std::string name_;
  std::string linkText_;
  WAPtr mask_;
  WAPtr image_;
  WAPtr aux_;
  std::uint32_t imageType_ = 0;
  RECT rect_ = {};
  std::uint32_t flags_ = 0;
  std::uint32_t positionLocked_ = 0;
  std::uint32_t editMask_ = 0;
  std::uint32_t hideLayerChannels_ = 0;
  std::uint32_t maskHighlight_ = 0;
  std::uint16_t linkId_ = 0;
  std::uint32_t grouped_ = 0;
  WAPtr savedImage_;
  WAPtr savedMask_;
  std::uint8_t memoryLocked_ = 0;
  lumora::LayerFileKeep fileKeep_;
};

// The work layer of a brush stroke. Its copies (a stack copied for undo in
// the middle of a stroke) stay work layers and keep the replace flag, so
// that they render as riders exactly as the original does.
class CLayerPaint : public CLayer {
 public:
  using CLayer::CLayer;
  CLayerPaint(const CLayerPaint& source,
              lumora::LayerBuffers buffers = lumora::LayerBuffers::kClone)
      : CLayer(source, buffers) {
    SetReplace(source.GetReplace());
  }
  CLayer* CreateCopy() const override { return new CLayerPaint(*this); }
  CLayer* CreateSharedCopy() const override {
    return new CLayerPaint(*this, lumora::LayerBuffers::kShare);
  }
  int IsPaint() const override { return 1; }
};

// The work layer of a stroke that paints a layer's mask.
class CLayerMask : public CLayerPaint {
 public:
  using CLayerPaint::CLayerPaint;
  CLayerMask(const CLayerMask& source,
             lumora::LayerBuffers buffers = lumora::LayerBuffers::kClone)
      : CLayerPaint(source, buffers) {}
  CLayer* CreateCopy() const override { return new CLayerMask(*this); }
  CLayer* CreateSharedCopy() const override {
    return new CLayerMask(*this, lumora::LayerBuffers::kShare);
  }
  int IsMask() const override { return 1; }
};

using CLayerPtr = lumora::RefPtr<CLayer>;

// Index of a channel id in a record's list, or -1.
int FindChannelIndex(const std::int16_t* ids, int count, std::int16_t id);
