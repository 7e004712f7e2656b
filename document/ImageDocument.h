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
#include <string>
#include <vector>

#include "document/UndoManager.h"
#include "engine/layers/DocumentLock.h"
#include "engine/layers/LayerMng.h"
#include "hostapi/fragment.h"
#include "view/MapRect.h"

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
  virtual void InvalidateImageRect(const RECT& rect, bool erase) = 0;
  virtual void ResetDrawContext() = 0;
  virtual void NotifyImageResized() = 0;
  // The document's whole image was replaced (a reload): the view sets
  // itself up for it as for a newly opened image (zoom, window size, draw
  // context, scrolling, title and status).
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

class ImageDocument : public DocumentLock, public CellRenderer {
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
  const std::string& GetNewImageTitle() const { return newImageTitle_; }
  bool HasNewImageTitle() const { return !noTitle_; }
  void SetNewImageTitle(const char* title);
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified) { modified_ = modified; }
  bool IsChangePending() const { return serverUpdatePending_; }
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
  bool UpdateBackupImages();
  bool RevertLastBackup();
  bool UndoRedo(bool redo);
  CUndoManager& History() { return undo_; }
  const CUndoManager::HistoryFields& HistoryState() const { return fields_; }
  WAPtr GetFloatingImage() const { return floating_; }
  WAPtr GetFloatingMask() const { return floatingMask_; }
  void SetFloatingImage(VrWA2000::WA* image);
  void SetFloatingMask(VrWA2000::WA* mask);
  bool IsCompositeCurrent() const { return compositeCurrent_; }
  const RECT& DamagedRect() const { return damaged_; }
  // Bytes the last UpdateBackupImages copied.
  std::uint64_t LastBackupBytes() const { return lastBackupBytes_; }

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
  // After undo, redo or revert restored the live stack.
  void AfterRestore(bool fullRefresh);

  DocumentHost* host_;
  ReentrantDocumentLock lock_;
  CMapRect queue_;
  CUndoManager undo_;
  CUndoManager::HistoryFields fields_;
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
  bool compositeCurrent_ = false;
  RECT damaged_ = {};
  bool lastStepResult_ = false;
  std::uint64_t lastBackupBytes_ = 0;
};

}  // namespace lumora
