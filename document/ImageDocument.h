// The image document without its windows: the layer stack, the render
// queue that recomposes damaged cells, the undo steps with the backup
// copies the tool host works from, the selection, and the notices the
// views and the main frame receive. The window class wraps it; what it asks
// of windows goes through DocumentViewLink and DocumentHost, so every call
// and its order can be recorded without a window.
//
// User-interface thread only, except Render and OnQueueEmpty, which the
// render worker calls: they read only the stack pointer (atomic) and post.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "document/UndoManager.h"
#include "engine/layers/DocumentLock.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/LayerText.h"
#include "hostapi/fragment.h"
#include "engine/render/LayerMove.h"
#include "engine/render/MapRect.h"

namespace lumora {

// Codes of the document notice (message 1245) the document sends.
enum : int {
  kNotifySelectionSet = 4,
  kNotifySelectionFreed = 6,
  kNotifyImagesChanged = 7,
  kNotifyPending = 8,
};

// One view of the document, as the document reaches it.
class DocumentViewLink {
 public:
  virtual ~DocumentViewLink() = default;
  virtual bool IsLive() const = 0;
  // Message 1245, sent; `selection` is valid for the call only.
  virtual void SendNotify(int code, Fragment* selection) = 0;
  // Message 1245, posted (code 8).
  virtual void PostNotify(int code) = 0;
  // Message 1243: mask-edit mode and the active layer's index.
  virtual void SendLayerNotify(int code, int layerIndex) = 0;
  // An image rectangle (rows upward, engine/pixels/README.md).
  virtual void InvalidateImageRect(const RECT& rect, bool erase) = 0;
  // The image changed (its layers, type or size): the view draws it anew.
  // A new size keeps the view's zoom and its frame takes the new size, as
  // when the image opened, with rulers, title and status following.
  virtual void ResetDrawContext() = 0;
  virtual void NotifyImageResized() = 0;
  // The document's whole image was replaced (a reload): the view rebuilds
  // its drawing for it as ResetDrawContext does, its zoom kept.
  virtual void ShowNewImage() = 0;
};

// The main frame, the application and the tool host as the document needs
// them.
class DocumentHost {
 public:
  virtual ~DocumentHost() = default;
  // Whether the program's current image window shows this document, and
  // message 1242 to it (wParam 0 before a change, 1 after).
  virtual bool ActiveWindowShowsDocument() = 0;
  virtual void SendActiveLayerNotice(int phase, int layerIndex) = 0;
  virtual void UpdateLayerInPalette(CLayer* layer) = 0;
  virtual void SelectLayerInPalette(CLayer* layer) = 0;
  virtual void UpdateLayerPalette() = 0;
  virtual void UpdateNavigator() = 0;
  virtual void SyncColorsToActiveImage() = 0;
  virtual void ApplyTextLayerEdit(CLayer* layer) = 0;
  virtual void NotifyToolOfActiveView() = 0;
  // From the render worker: post one message to the user-interface thread,
  // whose handler calls ImageDocument::OnQueueEmptyPosted.
  virtual void PostQueueEmpty() = 0;
  // The tool host's whole copy of a buffer (its parameter copy of type 11):
  // 0 and the copy (null for a null source), or its error code.
  virtual int CopyImageParameter(VrWA2000::WA* source, WAPtr* copy) = 0;
  // The tool host's smooth-edge settings.
  virtual void GetSmoothEdge(int* degree, int* type) = 0;
  virtual void UpdateGlobalSelection() = 0;
  virtual void SetErrorCode(int code, int line) = 0;
  virtual void ShowMessage(int textId, int captionId) = 0;

  // ---- What the layer operations ask ----
  // A message box with the stop icon over the active top-level window; the
  // text is UTF-8, as the layer names it may carry.
  virtual void ShowMessageText(const std::string& text, int captionId) = 0;
  // The tool host's preview, off around long work on the document of the
  // program's current image window and on again after it.
  virtual void DisablePreview() {}
  virtual void RestorePreview() {}
  // The application's background colour (red low), that a new layer
  // "filled with background" takes.
  virtual COLORREF FillColour() { return 0xFFFFFFu; }
  // The document's title, as messages name it.
  virtual std::string Title() { return std::string(); }
  // A new document in a window of its own around a copy of the layer,
  // titled when a title is given; false when none was made.
  virtual bool NewDocumentFromLayer(CLayer*, const std::string& /*title*/) { return false; }
  // Brings the document's windows forward.
  virtual void ActivateFrames() {}
  // The clipping groups changed: the layer palette redraws its rows.
  virtual void LayerGroupsChanged() {}
  // Lays a text layer out again with the device's fonts: 0 done, else the
  // layout's failure (16 without a device).
  virtual int LayoutTextLayer(CLayerText&) { return 16; }
};

// The host's preview off for a scope.
class DocumentPreviewOff {
 public:
  explicit DocumentPreviewOff(DocumentHost* host) : host_(host) { host_->DisablePreview(); }
  ~DocumentPreviewOff() { host_->RestorePreview(); }
  DocumentPreviewOff(const DocumentPreviewOff&) = delete;
  DocumentPreviewOff& operator=(const DocumentPreviewOff&) = delete;

 private:
  DocumentHost* host_;
};

// A transform of the active layer or of its selected pixels, its stages in
// this order: mirror, scale to |width| x |height| about the centre (a
// negative size mirrors), skew to four corners given from the rect's
// top-left (top-left, top-right, bottom-right, bottom-left), rotate by the
// angle (degrees, counterclockwise) about the centre, move (1 to `move`,
// 2 by it).
struct LayerTransformPlan {
  bool flipHorizontal = false;
  bool flipVertical = false;
  bool scale = false;
  int width = 0;
  int height = 0;
  bool skew = false;
  POINT corners[4] = {};
  bool rotate = false;
  double angle = 0.0;
  int moveMode = 0;
  POINT move = {};
  bool Any() const;
};

// What a new document is made from. Fields a and b carry pointers for the
// kinds that hand over objects, so they are pointer-wide.
struct CreationRecord {
  std::uint32_t kind = 0;  // 0 image buffer, 1 layered file, 2 blank, 3 stack, 4 layer
  std::uintptr_t a = 0;    // image (0), width (2), layer (4)
  std::uintptr_t b = 0;    // title text (0), height (2), stack (3)
  std::uint32_t c = 0;     // resolution, x low and y high (2)
  std::uint32_t d = 0;     // background colour (2)
};

// The name a document without a path proposes for saving: the title cut
// before its first blank or "(", with its first dot removed; false for an
// empty title.
bool MakeNameFromTitle(std::string* name, const std::string& title);

// The selection as tools read it through the program's site, field by
// field in this order: the mode (3 once a selection is restored), the
// inverted flag, the fragment, the fragment kept while the history dialog
// is open, and the changed flag.
struct SelectionRecord {
  std::int32_t mode = 0;
  std::int32_t inverted = 0;
  Fragment* fragment = nullptr;
  Fragment* kept = nullptr;
  std::int32_t changed = 0;
};

class ImageDocument : public DocumentLock, public CellRenderer, public LayerMoveDocument {
 public:
  ImageDocument(DocumentHost* host, SnapshotCopier* copier = nullptr);
  ~ImageDocument() override;
  ImageDocument(const ImageDocument&) = delete;
  ImageDocument& operator=(const ImageDocument&) = delete;

  // ---- The lock and the render queue's side ----
  void Lock() override { lock_.Lock(); }
  void Unlock() override { lock_.Unlock(); }
  void Render(const RECT& rect) override;
  void OnQueueEmpty() override;
  // On the user-interface thread after PostQueueEmpty: the palette row of
  // the active layer, the navigator, the pending notice.
  void OnQueueEmptyPosted();
  CMapRect& Queue() { return queue_; }

  // ---- Views ----
  void AddView(DocumentViewLink* view);
  void RemoveView(DocumentViewLink* view);
  void SetActiveView(DocumentViewLink* view) { activeView_ = view; }
  DocumentViewLink* ActiveView() const { return activeView_; }

  // ---- Creation and installation ----
  // Kinds 0, 2, 3 and 4; a failure shows its message and gives 0.
  int NewImage(const CreationRecord& record);
  // Takes a reference of its own; 0, with the document as it was, when
  // the document has an image, the stack is null or a step fails.
  int InstallLayerStack(CLayersManager* stack);
  // Puts a freshly read stack in place of the current one: on failure the
  // old stack, the history and the modified flag stay as they were.
  int ReplaceLayerStack(CLayersManager* stack);
  bool HasImage() const { return hasImage_; }
  CLayersManager* GetLayers() const { return stack_.get(); }
  DocumentHost* Host() const { return host_; }
  const std::string& GetNewImageTitle() const { return newImageTitle_; }
  bool HasNewImageTitle() const { return !noTitle_; }
  void SetNewImageTitle(const char* title);
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified) { modified_ = modified; }
  bool IsChangePending() const { return serverUpdatePending_; }
  // Whether a change waits to reach an embedding container; clears it.
  bool TakeChangePending() { return std::exchange(serverUpdatePending_, false); }
  void SetClosing(bool closing) { closing_ = closing; }
  bool IsClosing() const { return closing_; }

  // ---- Active layer and mask editing ----
  CLayer* GetActiveLayer() const;
  void SetActiveLayer(CLayer* layer, bool force, bool noPalette);
  void SetActiveLayerByIndex(int index, bool force, bool noPalette);
  bool IsMaskEditMode() const { return maskEdit_ == 2; }
  void EnterMaskEditMode(bool notifyViews);
  void LeaveMaskEditMode(bool notifyViews);
  // The active layer's pixels, or its mask in mask-edit mode.
  WAPtr GetActiveImage() const;
  // The active layer's mask outside mask-edit mode.
  WAPtr GetActiveLayerMask() const;
  // Puts the buffer into the active layer (its mask in mask-edit mode) and
  // refreshes the layer; 0 when the stack refuses it.
  int SetActiveImage(VrWA2000::WA* image);
  // Index 0 is the bottom layer; 0 for null, no image, an index out of
  // range or a buffer the stack refuses.
  int SetLayerImageAt(VrWA2000::WA* image, int index);
  int SetLayerMaskAt(VrWA2000::WA* mask, int index);
  // The image's size (and, with `changeType`, its type) for the stack and
  // the render queue; 0 without an image, for a size under one pixel or
  // when the stack refuses it, which leaves the old size in place.
  int SetImageSize(int width, int height, int type, int changeType);

  // ---- Refresh ----
  // `rect` in image coordinates, rows counted upward as the buffers count
  // them (engine/pixels/README.md); null for the whole image.
  int InvalidateImageRect(const RECT* rect, bool erase, bool immediate);
  void SendNotifyToViews();
  void PostPendingNotify();
  void ResetDrawContextInAllViews();
  void NotifyImageResizedInAllViews();

  // ---- Selection ----
  Fragment* GetSelection() const { return selection_.fragment; }
  // The record itself, whose address the tool host is given.
  SelectionRecord* GetSelectionRecord() { return &selection_; }
  void SetSelection(Fragment* fragment, bool withStep);
  void FreeSelection(bool withStep);
  void RestoreSelection(Fragment* fragment);
  void ApplySmoothEdge();
  bool SelectionChanged() const { return selection_.changed != 0; }

  // ---- Undo steps ----
  // Undo snapshots share the live layers' pixel buffers; a step gives the
  // snapshots clones of the buffers it is about to write (see
  // CUndoManager). A pixel step writes the active layer (image and mask)
  // and the work layers of a stroke in progress; a step that writes other
  // layers names them with BackupImageFor (`changing` null: those of a
  // pixel step).
  bool BackupImageByName(const std::string& name) { return BackupImageCore(name, true); }
  bool BackupImageCore(const std::string& name, bool pixelStep);
  bool BackupImageFor(const std::string& name, bool pixelStep,
                      const CUndoManager::LayerList* changing);
  // Before writing into a layer outside the layers of the open step (a
  // caller handing out a layer's buffer for writing): the snapshots that
  // hold its buffers get clones. False when a clone cannot be made.
  bool DetachLayerForWriting(const CLayer* layer);
  // The copy last put on the clipboard, whose layers may hold this
  // document's pixel buffers until either side writes (null: none). The
  // document keeps a reference; writing into its layers first gives the
  // copy clones of what it shares, as the history's snapshots get.
  void SetClipboardSnapshot(CLayersManager* snapshot) { undo_.ShareOutside(snapshot); }
  CLayersManager* ClipboardSnapshot() const { return undo_.OutsideSnapshot(); }
  bool UpdateBackupImages();
  bool RevertLastBackup();
  bool UndoRedo(bool redo);
  CUndoManager& History() { return undo_; }
  // Trims the history to the program's undo limit (SetUndoLimit).
  void ApplyUndoLimit();
  const CUndoManager::HistoryFields& HistoryState() const { return fields_; }
  WAPtr GetFloatingImage() const { return floating_; }
  WAPtr GetFloatingMask() const { return floatingMask_; }
  void SetFloatingImage(VrWA2000::WA* image);
  void SetFloatingMask(VrWA2000::WA* mask);
  // The pair of images a tool parks in the document between its runs; the
  // document holds a reference to each (null: none) until replaced.
  VrWA2000::WA* GetStoredImagePair(VrWA2000::WA** second) const {
    if (second != nullptr) *second = parkedSecond_.get();
    return parkedFirst_.get();
  }
  void SetStoredImagePair(VrWA2000::WA* first, VrWA2000::WA* second) {
    parkedFirst_ = WAPtr::Share(first);
    parkedSecond_ = WAPtr::Share(second);
  }
  // Whether tools may write the layer's pixels: it is visible and its
  // pixels are not locked (flags bit 0 on a layer with a mask; a layer
  // without one carries that bit from its making, having no transparency
  // to keep). False for null.
  static bool CanPaintLayer(const CLayer* layer);
  bool IsCompositeCurrent() const { return compositeCurrent_; }
  // Everything refreshed since the backup copies were brought up to date,
  // in image coordinates.
  const RECT& DamagedRect() const { return damaged_; }
  // Bytes the last UpdateBackupImages copied.
  std::uint64_t LastBackupBytes() const { return lastBackupBytes_; }
  // A pixel step named by its string id; with `pixelStep` false a step
  // that saves the selection only.
  bool BackupImage(std::uint32_t stepId) { return BackupImageEx(stepId, true); }
  bool BackupImageEx(std::uint32_t stepId, bool pixelStep);

  // ---- Layer operations (LayerOperations.cpp, LayerListOperations.cpp) ----
  // Each opens its named undo step, changes the stack under the document
  // lock, takes the step back when the change fails (or when the stack had
  // nothing to do, which still counts as done), then refreshes what changed,
  // the layer palette and the navigator and marks the document modified.
  // False when nothing was done: no image or active layer, a step that
  // could not be opened, or a failed change. The tool host's preview is off
  // around the long ones.
  bool TuneLayer(const std::string& name, const std::string& modeName, int opacity,
                 const std::uint8_t blendIf[8][4]);
  bool FlattenImage();
  bool MergeVisible();
  // Merges by the kind ClassifyMerge gives: linked, down or group.
  bool MergeLinked();
  bool GroupWithPrevious();
  bool Ungroup();
  bool ResizeCanvas(const RECT& canvas);
  // Image/Frames, one step: the canvas grows by `border` on every side and
  // the picture (a packed DIB of the grown size) with its mask (an 8-bit
  // grey DIB) goes on top as the active layer, named `name` or the next
  // free name, with the active layer's attributes. The image's resolution
  // stays. False, with nothing changed, for DIBs of another size.
  // Layer/Edges: the active layer's mask shaped by `shape` (given the
  // mask's bytes, width, height and row stride, rows from the bottom; false
  // when it cannot) in step "Edge". With lighting 1..4 (top left, top
  // right, bottom left, bottom right) the step is "Shadow" and a black
  // layer named `shadowName` (or the next free name) goes under the active
  // one, holding the shaped mask moved max(width, height) x 3 / 100 away
  // from the light. False, nothing changed, without a mask.
  bool ApplyEdge(const std::function<bool(std::uint8_t*, int, int, std::ptrdiff_t)>& shape, int lighting,
                 const std::string& shadowName);
  bool AddFrameLayer(int border, const std::vector<std::uint8_t>& pictureDib,
                     const std::vector<std::uint8_t>& maskDib, const std::string& name);
  bool ResizeImage(int width, int height, int xResolution, int yResolution);
  // Degrees counterclockwise (radians with inRadians).
  bool RotateImage(double angle, int inRadians);
  bool FlipImage(bool horizontal, bool vertical);
  // Crops every layer to the rect (white where it reaches past a layer) as
  // the step "Crop image"; the selection goes, the tool host's global
  // selection follows (ImageCrop.cpp).
  bool CropImage(const RECT& rect);
  // False, with no step, when the active layer has a mask already.
  bool AddLayerMask(bool reveal);
  // The macro language's new layer: name (empty: a free "Layer N"), mode
  // by name, opacity in percent, filled with the background colour or
  // transparent, grouped with the layer below.
  bool NewLayer(const std::string& name, const std::string& modeName, int opacity, bool fill, bool group);
  // A layer of the whole image above the active one, made active; the
  // document's layer (no reference for the caller), null on failure.
  CLayer* CreateLayer(const LAYER_INFO& info, bool fill);
  // The selected area of the active layer copied (or cut) into a new layer
  // above it.
  bool NewLayerViaCopy(Fragment* selection, bool cut);
  bool RemoveLayerMask(bool apply);
  bool BringForward();
  bool BringToFront();
  bool SendBackward();
  bool SendToBack();
  // Choices 0..5: top, vertical centre, bottom, left, horizontal centre,
  // right. False when the active layer has no pixel more than half opaque
  // (the caller says so) or no link.
  bool AlignLinkedLayers(int choice);
  bool DistributeLinkedLayers(int choice);
  // No step; false without a mask.
  bool EnableLayerMask(bool enable);
  // The active layer's mask from the selection: the selected area shown
  // (reveal) or hidden, the rest the other way.
  bool NewMaskFromSelection(Fragment* selection, bool reveal);
  // The selected area of the active layer made transparent.
  bool ClearSelection(Fragment* selection);
  bool SetLayerWebLink(const std::string& link);
  // Before each change of a series from the palette's opacity slider: the
  // first opens the step "Opacity change", the others join it while it is
  // the newest step and nothing was undone. False when it joined.
  bool ChangeOpacity();
  bool ShowLayer(bool show);
  // The layer at the list index shown or hidden (the palette's eye), in
  // the same step.
  bool ShowLayerAt(int index, bool show);
  // The layer taken out and put directly above the reference (null: at the
  // bottom) as one step, "Bring forward" when it goes up, "Send backward"
  // when down; true without a step when it is there already.
  bool MoveLayerAbove(CLayer* layer, CLayer* reference);
  bool EditLayerMask(bool edit);
  // Links the layer at the list index with the active one.
  bool AddLayerLink(int index);
  bool DeleteLayerLink(int index);
  bool SetLayerMergeMode(const std::string& modeName);
  bool LockLayerPixels(bool lock, bool withStep);
  bool LockLayerPosition(bool lock, bool withStep);
  bool SetLayerOpacity(int percent, bool withStep = true);

  // ---- Layer list services ----
  // The stack takes a reference of its own; the caller keeps its one.
  bool AddLayer(CLayer* layer, bool withStep);
  // Directly above (below) the reference layer (null: bottom, top).
  bool InsertLayer(CLayer* reference, CLayer* layer, bool makeActive, bool refresh, bool withStep);
  bool InsertLayerBelow(CLayer* reference, CLayer* layer, bool makeActive, bool refresh, bool withStep);
  // The only layer is never deleted. The active layer hands over to the
  // one below it (above, for the bottom one) first.
  bool DeleteLayer(CLayer* layer, bool withStep, bool paletteOnly);
  bool DeleteActiveLayer();
  // A copy (named uniquely) directly above the layer, made active; the
  // document's layer, null on failure.
  CLayer* CopyLayer(CLayer* layer);
  // Copies of the source's layers, bottom to top, on top of the stack as
  // one step `stepId`, each moved by `offset`; the last one added becomes
  // active. With `strict` every layer gets a unique name and each link
  // group of the source a link id unused in the document, and a layer
  // that cannot be added (or no free link id) fails the whole paste with
  // the step taken back; otherwise a layer the stack refuses is left out.
  // False when nothing was added.
  bool AddLayersOnTop(const CLayersManager& source, POINT offset, std::uint32_t stepId, bool strict);
  // The stack (a reference of its own) in place of the document's as one
  // step `stepId`, which undo takes back; the document's size and type
  // follow it. False, with everything as it was, when it cannot be
  // installed.
  bool ImportLayerStack(CLayersManager* stack, std::uint32_t stepId);
  // The tool host's new layer: a transparent layer of the rect with the
  // default attributes, directly above the active one. Its index, -1 when
  // it cannot be made or inserted.
  int InsertNewLayer(const RECT& rect, bool makeActive, bool withStep);
  // No step: the layer's canvas takes the rect; says so when memory fails.
  bool ResizeLayer(CLayer* layer, const RECT& rect);
  // The active layer copied under the new name into the target (null: a
  // new document); into another document it is centred on its content.
  bool DuplicateLayer(const std::string& name, ImageDocument* target, bool activate,
                      const std::string& newDocumentTitle = std::string());

  // ---- Moving layers with the mouse (LayerMoveSupport.cpp) ----
  CLayersManager* MoveStack() override { return hasImage_ ? stack_.get() : nullptr; }
  CMapRect& MoveQueue() override { return queue_; }
  DocumentLock* MoveLock() override { return this; }
  bool OpenMoveStep() override;
  void MoveSelectionBy(POINT d) override;
  void MarkMoved() override { modified_ = true; }
  void ShowMoveRefusal(std::uint32_t textId) override;
  void MoveEnded(CLayer* layer) override;

  // ---- Transforms (LayerTransform.cpp) ----
  // The pixels a transform starts from, not in the stack (the caller's
  // reference): a copy of the whole layer when nothing is selected (null or
  // an empty fragment), else the selected pixels on the selection's reach,
  // with the selection's mask over that reach in *lifted (the caller's).
  // An empty selection says so and gives null.
  CLayer* BeginLayerTransform(CLayer* layer, Fragment* selection, Fragment** lifted);
  // One step "Layer transformation": the whole layer changes in its place;
  // selected pixels become a new layer above it, and the selection follows
  // them. Nothing asked is done at once.
  bool TransformLayer(Fragment* selection, const LayerTransformPlan& plan);
  bool DoFlipLayer(Fragment* selection, bool horizontal, bool vertical);
  // Degrees, counterclockwise.
  bool DoRotateLayer(Fragment* selection, double angle);
  bool NumericLayerTransform(Fragment* selection, const LayerTransformPlan& plan);
  // The active text layer becomes a plain layer of its pixels.
  bool RenderTextLayer();
  // The active text layer's text in columns (vertical) or lines, laid out
  // again.
  bool SetTextOrientation(bool vertical);

  // ---- Text layers of the text tool and the text dialog (TextLayers.cpp) ----
  // A new empty text layer of the image's type with its lower-left corner
  // at the image point, above the active layer and made active, marked new.
  // The "Text" step opens before the layer goes in, so undoing the accepted
  // text takes the layer away. Null (nothing changed) without an image.
  CLayerText* PlaceNewTextLayer(POINT imagePoint);
  // Before the first change of an existing text layer: the document is
  // marked modified and the "Text" step opened; whether it opened.
  bool OpenTextEditStep();
  // The layer laid out again after its characters or attributes changed;
  // the union of its old and new rect is redrawn. False when the layout
  // failed (the layer keeps its pixels).
  bool RelayoutTextLayer(CLayerText* layer);
  // The dialog's Apply. An edited existing layer only marks the document
  // modified. A new layer is accepted (its new mark cleared); a new layer
  // without characters is taken away as Cancel would. In text-selection
  // mode the new layer's coverage becomes the selection, combined with the
  // selection there by `mode` (2 add, 3 subtract, else replace), one
  // "Set Selection" step, and the layer goes (subtracting from no
  // selection changes nothing).
  bool ApplyTextSelection(CLayerText* layer, bool selectionMode, int mode);
  // A layer still marked new leaves the stack, and the step its placing
  // opened is taken back.
  void DiscardNewTextLayer(CLayerText* layer);

  // ---- The selection as layers and masks (LayerSelection.cpp) ----
  // A copy of the active layer cut to the selected area, with a mask of
  // the selection; with `cut` the area leaves the active layer. Null (and
  // a message) when the selection holds no visible pixel of the layer.
  // The caller's reference.
  CLayer* MakeLayerFromSelection(Fragment* selection, bool cut);

  // ---- The history dialog ----
  // Opens a session: the current state's layers (sharing their buffers, as
  // undo snapshots do) and its selection are kept to return to, and `names`
  // gets the list (undo names, the current name, redo names). Returns the
  // current state's list index; -1 without an image, during a session or
  // when the copy cannot be made.
  int BeginHistory(std::vector<std::string>* names);
  // Shows the listed state in the document while the dialog is open.
  bool ShowHistoryState(int index);
  // Ends the session: the kept state is put back, then with `jump` the
  // history moves to the listed state. True when it moved.
  bool EndHistory(bool jump, int index);
  bool InHistory() const { return historyKept_ != nullptr; }

 private:
  // The active view first, then the others in their order.
  template <class Fn>
  void ForEachView(Fn fn) {
    if (activeView_ != nullptr && activeView_->IsLive()) fn(activeView_);
    for (DocumentViewLink* view : views_) {
      if (view != activeView_) fn(view);
    }
  }
  void NotifyViewsSelection(int code);
  void SendLayerNotifyToViews(int code);
  void DropSelection();
  void KeepSelection(Fragment* fragment);
  CUndoManager::LayerList LayersAPixelStepWrites() const;
  bool RefreshBackup(WAPtr* backup, VrWA2000::WA* source, const RECT& layerRect, int copyLine);
  // Puts a buffer into a layer with the worker stopped; the worker comes
  // back whatever the stack answers, so no listed piece is stranded.
  int SetLayerBufferAt(VrWA2000::WA* buffer, int index, bool mask);
  // After undo, redo or revert restored the live stack; a history preview
  // leaves the modified mark alone.
  void AfterRestore(bool fullRefresh, bool modified = true);
  // The common end of a layer operation: the rect (null: the whole image)
  // refreshed, the palette (or only the changed row) and the navigator,
  // the modified mark.
  void LayerChanged(const RECT* rect, CLayer* row);
  // After the stack's size changed: the render queue and the views.
  void ImageResized();
  // Opens the step, runs the change (0 done, 1 nothing to do, else failed)
  // under the document lock and takes the step back unless it was done.
  // Returns the change's code, or -1 when the step could not be opened.
  int LayerStep(std::uint32_t stepId, const std::function<int(CLayersManager&)>& change);
  // Sets attributes of the active layer's record, in a step when asked;
  // the row, and the layer's rect when `refresh`.
  bool EditActiveLayerInfo(std::uint32_t stepId, bool withStep, bool refresh,
                           const std::function<void(LAYER_INFO&)>& edit);
  bool ArrangeActive(std::uint32_t stepId, unsigned (CLayersManager::*arrange)(CLayer*));
  bool MergeCommon(int (*core)(CLayersManager&));
  bool InsertLayerAt(CLayer* reference, CLayer* layer, bool above, bool makeActive, bool refresh,
                     bool withStep);
  // A change of the image's size in a step (true: done), then the render
  // queue, the views and the frame follow.
  bool GeometryStep(std::uint32_t stepId, const std::function<bool(CLayersManager&)>& change);

  DocumentHost* host_;
  ReentrantDocumentLock lock_;
  CMapRect queue_;
  CUndoManager undo_;
  CUndoManager::HistoryFields fields_;
  SnapshotCopier* copier_;
  // The state the history dialog returns to while it is open.
  CLayersManagerPtr historyKept_;
  CLayersManagerPtr stack_;
  std::atomic<CLayersManager*> renderStack_{nullptr};
  std::vector<DocumentViewLink*> views_;
  DocumentViewLink* activeView_ = nullptr;

  bool hasImage_ = false;
  bool closing_ = false;
  bool modified_ = false;
  bool serverUpdatePending_ = false;
  bool immediateRefresh_ = true;
  bool changePending_ = false;
  bool noTitle_ = true;
  std::string newImageTitle_;
  int maskEdit_ = 0;

  SelectionRecord selection_;

  WAPtr floating_;
  WAPtr floatingMask_;
  WAPtr parkedFirst_;  // the pair a tool parks in the document
  WAPtr parkedSecond_;
  bool compositeCurrent_ = false;
  // The whole image was queued (or rendered) since the composite was made:
  // once the queue is worked off, the composite is the merged image.
  bool compositeWhole_ = false;
  RECT damaged_ = {};
  bool lastStepResult_ = false;
  std::uint64_t lastBackupBytes_ = 0;
};

}  // namespace lumora
