// The layer stack of one document: an ordered list of layers (index 0 the
// bottom, "above" towards the top), the active layer, the image's size,
// type and resolution, the composite pair that rendering keeps up to date,
// the guides, and the values the layered file carries for the whole image.
//
// Every change that a view can observe is made under the document lock,
// which the stack takes itself (re-entrantly); rendering holds it for a
// whole pass. Layers and stacks are shared by atomic reference counts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/layers/DocumentLock.h"
#include "engine/layers/Layer.h"

namespace lumora {

class StreamFile;

// The colour record of the layered file: a colour space and four 16-bit
// components (host order here; big-endian in the file).
struct PSDColor {
  std::uint16_t space = 0;
  std::uint16_t components[4] = {0, 0, 0, 0};
};

// The layered file's global layer-mask record; its colour and opacity
// (percent) are the mask-highlight tint of every render pass.
struct GlobalLayerMaskInfo {
  PSDColor color{0, {65535, 0, 0, 0}};
  std::uint16_t opacity = 50;
  std::uint8_t kind = 128;
  std::uint8_t filler = 0;
};

// The file context of the layered file that its reader and writer share.
struct LayeredFileHeader {
  std::uint32_t imageType = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t planes = 1;
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t bitsPerRow = 0;
  std::uint32_t ownFormat = 0;
  std::uint64_t layerInfoPosition = 0;  // just after the layer-info length field
  std::uint32_t progress = 1;
  std::uint32_t channelRows = 0;
  std::uint32_t channelRowTotal = 0;
  std::uint64_t startPosition = 0;
  // Where the layer information and the layer and mask section end (the
  // merged image follows the section), as the file states them.
  std::uint64_t layerInfoEnd = 0;
  std::uint64_t sectionEnd = 0;
  RGBQUAD colorTable[256] = {};
};

// Makes the transparency pattern (a packed DIB) at the pixel size of an
// image buffer; installed by the program, which holds the pattern bitmap.
using PatternDibLoader = std::vector<std::uint8_t> (*)(const VrWA2000::WA* like);
void SetPatternDibLoader(PatternDibLoader loader);

}  // namespace lumora

class CLayersManager : public refCount {
 public:
  struct GuideInfo {
    std::int32_t position = 0;
    std::uint8_t orientation = 0;
  };

  // A new image of width x height filled with `colour` (red in the low
  // byte) as its one active layer, or with `stayEmpty` no layer at all.
  // Throws layer_err_params for a zero size or a layer that cannot be
  // added, layer_error when the image cannot be made (recorded with the
  // tool host).
  CLayersManager(int type, lumora::DocumentLock* document, int width, int height,
                 std::uint32_t resolution, COLORREF colour, int stayEmpty);
  // A stack of one active layer around an image (its size, type and
  // resolution); throws layer_err_params for null or a refused layer.
  CLayersManager(lumora::DocumentLock* document, VrWA2000::WA* image);
  // The copy of a stack for undo snapshots; throws layer_error for null,
  // layer_err_nomemory when a layer cannot be copied.
  explicit CLayersManager(const CLayersManager* source);
  CLayersManager(const CLayersManager& source);
  // The same with kShare: the layers are copies that hold the source's
  // buffers (see LayerBuffers).
  CLayersManager(const CLayersManager& source, lumora::LayerBuffers buffers);
  // A stack around one layer, moved to 0, 0 and made active; throws
  // layer_bad_layer for null or a layer without image.
  CLayersManager(lumora::DocumentLock* document, CLayer* layer);
  // A document read from the layered file at the path, or at the open
  // file's position, with the layer the file names active (else the bottom
  // one). Throws layer_err_fread for a damaged file or one of a kind this
  // program does not read (what() says which), layer_noactive_layer when
  // nothing could be read, and the file's exception when it cannot be
  // opened.
  CLayersManager(lumora::DocumentLock* document, const std::string& path);
  CLayersManager(lumora::DocumentLock* document, lumora::StreamFile* file);
  CLayersManager& operator=(const CLayersManager&) = delete;
  ~CLayersManager() override;

  // ---- The stack as a whole ----
  lumora::DocumentLock* GetDocument() const { return document_; }
  void SetDocument(lumora::DocumentLock* document) { document_ = document; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  int GetImageType() const { return imageType_; }
  int IsLayerable() const { return notLayerable_ == 0; }
  std::uint32_t GetResolution() const { return resolution_; }
  COLORREF GetBackgroundColor() const { return background_; }
  void SetBackgroundColor(COLORREF colour) { background_ = colour; }
  // Stores a new type; the composites follow. The current type gives 0.
  int SetImageType(int type);
  // Stores the size (and, with changeType, the type); the composites follow.
  int SetImageSize(int width, int height, int changeType, int type);
  // Dots per inch packed x low, y high, given to the composites and layers.
  void SetResolution(std::uint32_t packed);
  void SetMemoryLock(int locked);
  int GetMemoryLock() const { return memoryLocked_; }

  // ---- Layers ----
  int GetLayerCount() const { return static_cast<int>(layers_.size()); }
  // 0 = bottom; null out of range.
  CLayer* GetLayer(int index) const;
  // -1 for null or a layer that is not listed.
  int GetLayerIndex(const CLayer* layer) const;
  CLayer* GetBottomLayer() const { return layers_.empty() ? nullptr : layers_.front(); }
  CLayer* GetLayerAbove(const CLayer* layer) const;
  CLayer* GetLayerBelow(const CLayer* layer) const;
  // The layer to activate in place of this one: the one below, or above
  // for the bottom layer; the active layer for null, an unlisted layer or
  // a stack of one.
  CLayer* GetNeighbourLayer(const CLayer* layer) const;
  bool HasTextLayers() const;
  bool CanAddLayer(CLayer* layer) const;
  bool CanDeleteLayer(const CLayer* layer) const;
  CLayer* FindLayerByName(const char* name) const;
  CLayer* FindLayerById(std::uint64_t id) const;
  bool IsLayerNameUsed(const std::string& name, const CLayer* excluded) const;
  // A free name: numbered "Layer %i" for an empty name; "name copy" for a
  // copy when free; else the name with its trailing number counted up, or
  // " 1", " 2"... appended.
  std::string MakeUniqueLayerName(const std::string& name, int isCopy,
                                  const CLayer* excluded) const;

  // The active layer holds a reference of the stack's; no reference added.
  CLayer* GetActiveLayer() const { return active_.get(); }
  // 0 when it already is active; null clears; 20 for an unlisted layer.
  int SetActiveLayer(CLayer* layer);
  // 21 without such index.
  int SetActiveLayerByIndex(int index);
  int SetActiveNode(int position);
  // With `mask` the mask's size: 22 without active layer, 20 without the
  // buffer.
  int GetActiveLayerImageSize(int mask, SIZE* size) const;
  WAPtr GetActiveLayerImage(POINT* origin) const;
  WAPtr GetActiveLayerMask(POINT* origin) const;
  // Sets the mask of a listed layer (slot result); 16 for a null or
  // unlisted layer, 25 for a stack that is not layerable.
  int SetLayerMask(CLayer* layer, VrWA2000::WA* mask);
  // Replaces a listed layer's image; an image of another size re-cuts the
  // layer to it (not in a flat stack: 16). 16 for null arguments.
  int SetLayerImage(VrWA2000::WA* image, CLayer* layer);

  // The iteration cursor: one per stack; iterations must not nest.
  void StartIteration();
  int StartIterationAt(const CLayer* layer);
  CLayer* GetNextLayer();
  CLayer* GetNextLinkedLayer(std::uint16_t linkId);
  CLayer* GetNextVisibleLayer();

  // ---- Adding and removing ----
  bool IsCompatibleLayer(CLayer* layer, int type) const;
  // 0, or 19 when the layer cannot take the type (mask work layers pass).
  int ConvertForInsert(CLayer* layer, int type);
  // Adds a reference and puts the layer on top, converted to the stack's
  // type; 20 for null, 19 when it cannot be added.
  int AddLayer(CLayer* layer);
  // A new layer around the image on top (made active with `activate`).
  int AddLayerFromImage(VrWA2000::WA* image, POINT origin, int activate);
  // Directly above `below` (at the bottom for null) or below `above` (on
  // top for null); the caller's reference passes to the stack.
  bool InsertLayer(CLayer* below, CLayer* layer);
  bool InsertLayerBelow(CLayer* above, CLayer* layer);
  // 20 null, 23 unlisted, 24 the only layer; an active layer hands over to
  // its neighbour. The stack's reference is released.
  int DeleteLayer(CLayer* layer);
  // Takes the layer out; the stack's reference passes to the caller.
  bool RemoveLayer(CLayer* layer);
  // A copy with a unique name, not inserted (caller's reference).
  CLayer* DuplicateLayer(CLayer* layer);
  // A layer over the whole image filled with the colour, not inserted.
  CLayer* CreateFilledLayer(const LAYER_INFO& info, COLORREF colour, int withMask);
  // Makes this stack a copy of the source (the undo snapshot): 0, or 17
  // with this stack unchanged when a layer cannot be copied.
  int CopyFrom(const CLayersManager* source);
  // The same with layers that hold the source's buffers (see LayerBuffers).
  int ShareFrom(const CLayersManager* source);
  // Puts `replacement` in every layer's and the composite's place that
  // holds `old`; returns how many places did.
  int ReplaceBuffer(const VrWA2000::WA* old, VrWA2000::WA* replacement);

  // ---- Arrange, align, distribute (0 done, 1 nothing to do, 16 null) ----
  unsigned BringToFront(CLayer* layer);
  unsigned BringForward(CLayer* layer);
  unsigned SendToBack(CLayer* layer);
  unsigned SendBackward(CLayer* layer);
  unsigned AlignLinkedTop(CLayer* layer);
  unsigned AlignLinkedVCenter(CLayer* layer);
  unsigned AlignLinkedBottom(CLayer* layer);
  unsigned AlignLinkedLeft(CLayer* layer);
  unsigned AlignLinkedHCenter(CLayer* layer);
  unsigned AlignLinkedRight(CLayer* layer);
  unsigned DistributeLinkedTop(CLayer* layer);
  unsigned DistributeLinkedVCenter(CLayer* layer);
  unsigned DistributeLinkedBottom(CLayer* layer);
  unsigned DistributeLinkedLeft(CLayer* layer);
  unsigned DistributeLinkedHCenter(CLayer* layer);
  unsigned DistributeLinkedRight(CLayer* layer);

  // ---- Links and clipping groups ----
  void LinkWithActive(CLayer* layer);
  void UnlinkLayer(CLayer* layer);
  std::uint16_t GetNewLinkId() const;
  // The base of the layer's clipping group (itself for a base), or null.
  CLayer* GetGroupBase(const CLayer* layer) const;
  bool CanGroupWithPrevious() const;
  void GroupWithPrevious();
  bool CanUngroup() const;
  void UngroupActive();
  void UngroupLayer(CLayer* layer);

  // ---- Flatten and merge ----
  // One visible, fully opaque Normal layer without mask or blend-if
  // covering the whole image.
  bool IsFlat() const;
  // The stack becomes one layer of the merged image over the colour.
  int Flatten(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  // The same from the composite pair as it stands, for a caller that has
  // every piece of it rendered: no render pass. 18, with nothing changed,
  // when there is no composite of the image's size or a layer shows a mask
  // view (the screen's composite then differs from the merged image).
  int FlattenCurrentComposite(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  // The visible layers become one layer in place.
  int MergeAll(int removeHidden);
  // A new layer (caller's reference) of the listed layers merged, bottom to
  // top, named from `info`; null for nothing to merge.
  CLayer* MergeLayers(const std::vector<CLayer*>& list, const LAYER_INFO& info, int clip,
                      const RECT& clipRect);

  // ---- Whole-image geometry ----
  // Each holds the document lock from its first layer change until the
  // composites follow the new size. Every layer's new buffers are built
  // first and swapped in only when all were built and the composites could
  // be made: a failure or a cancel leaves every layer, the size and the
  // composites as they were. ResizeImage, RotateImage and FlipImage show
  // the progress indicator ("Processing..."). Arguments are checked before
  // any arithmetic: sizes of 1 to kMaxImageSide, rects whose edges, and
  // layers whose new rects, lie within ±kMaxLayerCoordinate (ImageLimits.h);
  // anything else is refused with the failure code and nothing changed.
  //
  // Moves every layer by minus the canvas's top-left and takes the canvas's
  // size; UpdateComposite's code (0, or 18 with nothing changed).
  int ResizeCanvas(const RECT& canvas);
  // Crops every layer to the rect (palette types fill their new area with
  // the three values) and moves it by minus the rect's top-left: 1 done;
  // 0 for an empty rect, the image's own rect, or a failure.
  int CropImage(const RECT& crop, int fill1, int fill2, int fill3);
  // Resamples every layer to the new size, its rect scaled alike (a layer
  // at least 1 x 1 stays so): 1 done or already that size; 0 for a size
  // below 1 x 1 or a failure.
  int ResizeImage(SIZE size);
  // Turns every layer about the image's centre by the angle (degrees, or
  // radians with inRadians); layers of a type 8 or 16 image without a mask
  // first get an opaque one, so that the uncovered corners become
  // transparent. The image takes the turned bounds of its own rect. 1 done,
  // 0 failed.
  int RotateImage(double angle, int inRadians);
  // Mirrors every layer and moves it to its mirrored place; the size stays.
  // 1 done, 0 failed.
  int FlipImage(int horizontal, int vertical);
  // Rows of every layer's image (and, with withMasks, of its mask): the
  // progress total of the whole-image operations.
  int GetTotalRows(int withMasks) const;

  // ---- Guides ----
  int GetGuideCount() const { return static_cast<int>(guides_.size()); }
  std::int32_t GetGuidePos(int index) const { return guides_[index].position; }
  std::uint8_t GetGuideOrientation(int index) const { return guides_[index].orientation; }
  std::vector<GuideInfo>& Guides() { return guides_; }

  // ---- The composite pair ----
  // 0, or 18 when the pair cannot be made.
  int UpdateComposite(int type);
  void EnsureComposite();
  int GetCompositeType() const { return compositeType_; }
  WAPtr GetCompositeImage();
  WAPtr GetCompositeMask();
  bool SetCompositeImage(VrWA2000::WA* image);
  bool SetCompositeMask(VrWA2000::WA* coverage);
  const std::vector<std::uint8_t>& GetPatternDib() const { return patternDib_; }
  // Re-composites the rect (image coordinates) into the composite pair;
  // holds the document lock for the whole pass; never throws.
  virtual void Render(const RECT& rect);
  // While layers are dragged, what lies below the lowest of them does not
  // change: between BeginMoveRender and EndMoveRender, Render keeps that
  // state per 256-pixel cell once it has drawn it, and afterwards draws
  // only from there up (the result is the full pass's, pixel for pixel).
  // Nothing is kept when no layer is below a split point (the lowest moved
  // layer, or the base of the clipping group it belongs to).
  void BeginMoveRender(const CLayer* lowestMoved);
  void EndMoveRender();
  // The cell size of that kept state, in image pixels.
  static constexpr LONG kMoveCell = 256;
  // Between BeginMoveRender and EndMoveRender: renders, as Render does, at
  // most *budget whole cells meeting the area that keep nothing yet (taking
  // each from *budget), so a later step that reaches them draws only from
  // the split up. Returns how many such cells remain (0 also when nothing
  // is kept for this drag).
  int PrepareMoveCells(const RECT& area, int* budget);
  // Draws the clipping group whose first member lies at *position into the
  // base's saved copies over the rect and moves *position past the group.
  // With `flag` the members' mask views are off (merging).
  void CompositeClippingGroup(CLayer* base, const RECT& rect, int* position,
                              const std::vector<CLayer*>& list, int flag);
  // The flat image of the whole stack over the background colour, rendered
  // afresh without the mask views; with the copy flag clear a flat stack
  // hands out its own image. Caller's reference; null without memory.
  WAPtr CreateMergedImage(int copy, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  // The same, with the coverage of the layers (0 where nothing covers a
  // pixel) in *coverage: null for a flat stack, which covers everything.
  WAPtr CreateMergedImage(int copy, std::uint8_t red, std::uint8_t green, std::uint8_t blue, WAPtr* coverage);
  // The mask-highlight tint of a pass, from the global layer-mask record.
  lumora::MaskHighlight GetMaskHighlight() const;

  // ---- What the layered file carries ----
  const lumora::GlobalLayerMaskInfo& GetGlobalLayerMask() const { return globalMask_; }
  void SetGlobalLayerMask(const lumora::GlobalLayerMaskInfo& info) { globalMask_ = info; }
  lumora::LayeredFileHeader& FileHeader() { return header_; }
  std::int32_t GetTargetLayerIndex() const { return targetLayerIndex_; }
  void SetTargetLayerIndex(std::int32_t index) { targetLayerIndex_ = index; }
  std::vector<std::uint8_t>& LayerGroupBlock() { return layerGroupBlock_; }
  // The colour profile the file embedded (empty without one), written back
  // with the file.
  std::vector<std::uint8_t>& IccProfile() { return iccProfile_; }
  const std::vector<std::uint8_t>& IccProfile() const { return iccProfile_; }
  std::uint32_t GetNativeFormat() const { return nativeFormat_; }
  void SetNativeFormat(std::uint32_t native) { nativeFormat_ = native; }
  std::uint32_t GetFileLayerCount() const { return fileLayerCount_; }
  void SetFileLayerCount(std::uint32_t count) { fileLayerCount_ = count; }
  std::uint32_t GetFlatFile() const { return flatFile_; }
  void SetFlatFile(std::uint32_t flat) { flatFile_ = flat; }
  std::uint16_t GetChannelCount() const { return channelCount_; }
  void SetChannelCount(std::uint16_t count) { channelCount_ = count; }
  // The parts of the layered file around the layers (LayeredFile.cpp).
  // Reads the header, colour mode data, image resources and the head of
  // the layer and mask section into the stack: 1 for a flat file (no layer
  // records), else the number of records.
  int ReadFileHeader(lumora::LayeredReader& in);
  // Writes them, with the layer count of the list.
  void WriteFileHeader(lumora::LayeredWriter& out, int ownFormat);
  void WriteMergedImageData(lumora::LayeredWriter& out);
  // After the channel data: the global layer mask record, the merged image
  // (always for bitmap and palette images) and the section lengths.
  void FinishLayerSection(lumora::LayeredWriter& out, int writeMerged);
  // 1 when the layer record at the reader's position is a text layer's.
  int ProbeTextLayer(lumora::LayeredReader& in);

 protected:
  void Init(int type);

 private:
  struct RenderPass;
  // The list holds one reference on each layer.
  int IndexOf(const CLayer* layer) const;
  void InsertAt(int index, CLayer* layer);
  CLayer* TakeAt(int index);
  void ReleaseAllLayers();
  int CopyLayersFrom(const CLayersManager* source, lumora::LayerBuffers buffers);
  // The layers that are clipping-group bases now; after a change of the
  // list or the grouped flags, a former base that lost its group drops the
  // saved copies its group was drawn into.
  std::vector<CLayer*> GroupBases() const;
  // One past the run of grouped layers directly above `index`: a base's
  // members end there.
  int GroupEnd(int index) const;
  // BringToFront (toTop) and SendToBack.
  unsigned MoveToEnd(CLayer* layer, bool toTop);
  void DropCopiesOfLostBases(const std::vector<CLayer*>& formerBases);
  void RebuildPatternDib();
  // The one layer of a flattened stack around the merged image; the
  // composite shows it at once, fully covered.
  int InstallFlatLayer(const WAPtr& merged);
  // SetImageSize for the whole-image geometry: on failure the old size and
  // the old composite pair (with their pixels) come back.
  int TakeImageSize(int width, int height);
  unsigned Align(CLayer* reference, int edge);
  unsigned Distribute(CLayer* reference, int edge);
  void RenderInto(VrWA2000::WA* image, VrWA2000::WA* coverage, const RECT& rect, bool views);
  // Draws the layers from position `from` up (the pass's buffers then hold
  // the state below it over the strip); with `stopAt` at or above 0 it stops
  // there, having drawn everything below that position.
  void RenderStrip(const RenderPass& pass, const RECT& strip, int from = 0, int stopAt = -1);
  void RenderRows(const RenderPass& pass, const RECT& rect, int from, int stopAt);
  struct BelowCache;
  // Whether Render keeps and uses the state below the split now.
  bool BelowCacheUsable() const;
  // The cell's kept state below the split, copied into the composite pair
  // over the piece; when the cell did not hold the piece yet, drawn over the
  // whole cell first (the composite pair then holds it there). Returns the
  // rectangle the pair holds that state over.
  RECT RestoreBelow(const RenderPass& pass, const RECT& piece);
  void DrawPending(const RenderPass& pass, CLayer* layer, CLayer* rider, const RECT& rect);
  void DrawClippingGroup(CLayer* base, const RECT& rect, int* position,
                         const std::vector<CLayer*>& list, bool views);

  std::uint8_t memoryLocked_ = 0;
  lumora::GlobalLayerMaskInfo globalMask_;
  lumora::LayeredFileHeader header_;
  std::int32_t targetLayerIndex_ = 0;
  std::vector<std::uint8_t> layerGroupBlock_;
  std::vector<std::uint8_t> iccProfile_;
  std::vector<GuideInfo> guides_;
  std::uint32_t nativeFormat_ = 1;
  int cursor_ = -1;
  int width_ = 0;
  int height_ = 0;
  std::uint32_t resolution_ = 0x00600060u;
  CLayerPtr active_;
  std::uint32_t fileLayerCount_ = 1;
  std::uint32_t flatFile_ = 0;
  std::uint16_t channelCount_ = 3;
  WAPtr compositeImage_;
  WAPtr compositeCoverage_;
  int compositeType_ = kWAType24;
  int imageType_ = kWAType24;
  std::uint32_t notLayerable_ = 0;
  lumora::DocumentLock* document_ = nullptr;
  std::vector<CLayer*> layers_;
  COLORREF background_ = 0xFFFFFFu;
  std::vector<std::uint8_t> patternDib_;
  std::shared_ptr<BelowCache> below_;  // while a drag runs (BeginMoveRender)
};

using CLayersManagerPtr = lumora::RefPtr<CLayersManager>;

// ---- Layer utilities ----

// Pattern fills of a 24-bit (8-bit) image over a rect (null: the whole
// image) from a packed DIB of the same depth: scaled by `scale` percent
// (below 1 counts as 1; 100 tiles unscaled); a null DIB fills the colour.
void FillPattern24(VrWA2000::WA* image, const std::uint8_t* dib, COLORREF colour, const RECT* rect,
                   int scale);
void FillPattern8(VrWA2000::WA* image, const std::uint8_t* dib, COLORREF colour, const RECT* rect,
                  int scale);
void TilePattern24(VrWA2000::WA* image, const std::uint8_t* dib, const RECT* rect);
void TilePattern8(VrWA2000::WA* image, const std::uint8_t* dib, const RECT* rect);
// The colour (red low) as blue, green, red; as its grey for 8-bit images.
void FillColor24(VrWA2000::WA* image, COLORREF colour, const RECT* rect);
void FillColor8(VrWA2000::WA* image, COLORREF colour, const RECT* rect);
// Every pixel of the layer inside the rect (image coordinates) to the value
// in every channel; false without a type 8 or 16 image or an overlap.
bool FillLayerRect(CLayer* layer, const RECT& rect, int value);
// Mask values inside the rect: operation 8 multiplies by value / 255,
// operation 12 sets the value; false for others, no mask or no overlap.
bool ModifyLayerMaskRect(CLayer* layer, const RECT& rect, int value, int operation);
// Converts the layer's image to type 8 or 16 (true when it already has the
// type). The wait cursor is the program's to show.
bool ConvertLayerType(CLayer* layer, int type, int showWaitCursor);
void SetPSDColorRGB(lumora::PSDColor* record, int red, int green, int blue);
// The RGB colour (red low) of a colour record: HSB converted, Lab black,
// any other space the high bytes of the first three components.
COLORREF PSDColorToRGB(const lumora::PSDColor& color);
// The same from the record's space and its eight big-endian component
// bytes as the file holds them.
COLORREF PSDColorToRGB(int space, const std::uint8_t components[8]);
