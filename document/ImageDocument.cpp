// The image document: creation, installation, the active layer, refresh
// and the selection.
#include "document/ImageDocument.h"

#include <algorithm>
#include <new>

#include "document/DocumentServices.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

bool MakeNameFromTitle(std::string* name, const std::string& title) {
  if (name == nullptr || title.empty()) return false;
  std::string cut = title.substr(0, title.find_first_of(" ("));
  const std::size_t dot = cut.find('.');
  if (dot != std::string::npos) cut.erase(dot, 1);
  *name = cut;
  return true;
}

namespace {

// Whether the layer at `index` is to be renamed when a stack is installed:
// it has no name, or a layer below it (already settled) carries its name.
// A name that is unique stays as it is; of two layers of one name the
// upper one is numbered.
bool NeedsNewName(const CLayersManager& stack, int index) {
  const std::string& name = stack.GetLayer(index)->GetName();
  if (name.empty()) return true;
  for (int below = 0; below < index; ++below) {
    if (stack.GetLayer(below)->GetName() == name) return true;
  }
  return false;
}

// The live documents, which a new undo limit trims (user-interface thread
// only, as documents are made and destroyed there).
std::vector<ImageDocument*>& LiveDocuments() {
  static std::vector<ImageDocument*> documents;
  return documents;
}

UndoLimit& CurrentUndoLimit() {
  static UndoLimit limit;
  return limit;
}

}  // namespace

void SetUndoLimit(const UndoLimit& limit) {
  CurrentUndoLimit() = limit;
  for (ImageDocument* doc : LiveDocuments()) doc->ApplyUndoLimit();
}

UndoLimit GetUndoLimit() { return CurrentUndoLimit(); }

ImageDocument::ImageDocument(DocumentHost* host, SnapshotCopier* copier)
    : host_(host), undo_(50, copier), copier_(copier != nullptr ? copier : &DefaultSnapshotCopier()) {
  fields_.name = std::string(res::String(IDS_INITIAL_IMAGE));
  queue_.SetDocument(this);
  LiveDocuments().push_back(this);
  ApplyUndoLimit();
}

bool ImageDocument::CanPaintLayer(const CLayer* layer) {
  if (layer == nullptr || layer->IsVisible() == 0) return false;
  return layer->HasMask() == 0 || layer->IsTransparencyLocked() == 0;
}

void ImageDocument::ApplyUndoLimit() {
  const UndoLimit limit = GetUndoLimit();
  undo_.TrimToLimit(limit.createBackup, limit.limitBackup);
}

ImageDocument::~ImageDocument() {
  auto& live = LiveDocuments();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  // The worker reads the stack: it stops before anything it reads goes.
  queue_.StopThread();
  renderStack_.store(nullptr);
  undo_.Clear();
  DropSelection();
}

// ---- The render queue's side ----

void ImageDocument::Render(const RECT& rect) {
  if (CLayersManager* stack = renderStack_.load()) stack->Render(rect);
}

void ImageDocument::OnQueueEmpty() {
  // The worker's thread: nothing here reads what the user-interface thread
  // changes; the work is done where the message arrives.
  host_->PostQueueEmpty();
}

void ImageDocument::OnQueueEmptyPosted() {
  if (!hasImage_) return;
  host_->UpdateLayerInPalette(GetActiveLayer());
  host_->UpdateNavigator();
  PostPendingNotify();
}

// ---- Views ----

void ImageDocument::AddView(DocumentViewLink* view) {
  if (view != nullptr && std::find(views_.begin(), views_.end(), view) == views_.end()) {
    views_.push_back(view);
  }
}

void ImageDocument::RemoveView(DocumentViewLink* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
  if (activeView_ == view) activeView_ = nullptr;
}

// ---- Creation and installation ----

void ImageDocument::SetNewImageTitle(const char* title) {
  noTitle_ = title == nullptr;
  newImageTitle_ = title == nullptr ? std::string() : std::string(title).substr(0, 259);
}

int ImageDocument::NewImage(const CreationRecord& record) {
  const std::uint32_t kind = record.kind;
  if (kind != 0 && kind != 2 && kind != 3 && kind != 4) return 0;
  if (kind == 0 && record.a == 0) return 0;
  try {
    CLayersManagerPtr stack;
    switch (kind) {
      case 0:
        stack = CLayersManagerPtr::Adopt(
            new CLayersManager(this, reinterpret_cast<VrWA2000::WA*>(record.a)));
        break;
      case 2:
        stack = CLayersManagerPtr::Adopt(new CLayersManager(
            kWAType24, this, static_cast<int>(record.a), static_cast<int>(record.b), record.c,
            record.d, 0));
        break;
      case 3: {
        auto* given = reinterpret_cast<CLayersManager*>(record.b);
        if (given == nullptr) throw layer_err_params();
        given->SetDocument(this);
        stack = CLayersManagerPtr::Share(given);
        break;
      }
      default:
        stack = CLayersManagerPtr::Adopt(
            new CLayersManager(this, reinterpret_cast<CLayer*>(record.a)));
        break;
    }
    const int installed = InstallLayerStack(stack.get());
    if (installed != 0 && kind == 0) SetNewImageTitle(reinterpret_cast<const char*>(record.b));
    if (installed == 0) host_->ShowMessage(IDS_CANT_CREATE_IMAGE, IDS_ERROR_CAPTION);
    return installed;
  } catch (const layer_err_nomemory&) {
    host_->ShowMessage(IDS_NOT_ENOUGH_MEMORY, IDS_ERROR_CAPTION);
  } catch (const std::bad_alloc&) {
    host_->ShowMessage(IDS_NOT_ENOUGH_MEMORY, IDS_ERROR_CAPTION);
  } catch (const std::exception&) {
    host_->ShowMessage(IDS_CANT_CREATE_IMAGE, IDS_ERROR_CAPTION);
  }
  return 0;
}

int ImageDocument::InstallLayerStack(CLayersManager* stack) {
  if (hasImage_ || stack == nullptr) return 0;
  DocumentLock* oldDocument = stack->GetDocument();
  try {
    // Everything that can fail is done on the new stack before the
    // document takes it, so a failure leaves the document as it was.
    stack->SetDocument(this);
    if (stack->UpdateComposite(stack->GetImageType()) != 0) throw std::bad_alloc();
    for (int i = 0; i < stack->GetLayerCount(); ++i) {
      CLayer* layer = stack->GetLayer(i);
      // Only the name changes: the other attributes stay exactly as read.
      if (NeedsNewName(*stack, i)) layer->SetName(stack->MakeUniqueLayerName(layer->GetName(), 0, layer));
      if (layer->HasMask() == 0) layer->SetPaintOnLayer(1);
    }
  } catch (...) {
    stack->SetDocument(oldDocument);
    return 0;
  }
  queue_.StopThread();
  closing_ = false;
  damaged_ = RECT{};
  stack_ = CLayersManagerPtr::Share(stack);
  renderStack_.store(stack);
  compositeWhole_ = false;
  queue_.SetImageSize(stack->GetWidth(), stack->GetHeight());
  compositeCurrent_ = false;
  serverUpdatePending_ = true;
  hasImage_ = true;
  return 1;
}

int ImageDocument::ReplaceLayerStack(CLayersManager* stack) {
  if (stack == nullptr || !hasImage_) return 0;
  queue_.StopThread();
  CLayersManagerPtr old = std::move(stack_);
  CLayer* oldActive = old->GetActiveLayer();
  hasImage_ = false;
  if (InstallLayerStack(stack) == 0) {
    // Everything as before: the stack, its size in the queue, the history
    // and the modified flag.
    stack_ = std::move(old);
    renderStack_.store(stack_.get());
    hasImage_ = true;
    queue_.SetImageSize(stack_->GetWidth(), stack_->GetHeight());
    stack_->SetActiveLayer(oldActive);
    queue_.StartThread();
    return 0;
  }
  old.Reset();
  undo_.Clear();
  fields_ = CUndoManager::HistoryFields{};
  fields_.name = std::string(res::String(IDS_INITIAL_IMAGE));
  modified_ = false;
  InvalidateImageRect(nullptr, false, true);
  compositeCurrent_ = false;
  SetFloatingImage(nullptr);
  // The old image's buffers go: every view is made again for the new one.
  ForEachView([](DocumentViewLink* v) { v->ShowNewImage(); });
  SetActiveLayer(stack_->GetActiveLayer(), true, false);
  host_->UpdateLayerPalette();
  host_->UpdateNavigator();
  return 1;
}

bool ImageDocument::ImportLayerStack(CLayersManager* stack, std::uint32_t stepId) {
  if (stack == nullptr || !hasImage_ || !BackupImage(stepId)) return false;
  queue_.StopThread();
  CLayersManagerPtr old = std::move(stack_);
  CLayer* oldActive = old->GetActiveLayer();
  hasImage_ = false;
  if (InstallLayerStack(stack) == 0) {
    stack_ = std::move(old);
    renderStack_.store(stack_.get());
    hasImage_ = true;
    queue_.SetImageSize(stack_->GetWidth(), stack_->GetHeight());
    stack_->SetActiveLayer(oldActive);
    queue_.StartThread();
    RevertLastBackup();
    return false;
  }
  old.Reset();
  modified_ = true;
  compositeCurrent_ = false;
  SetFloatingImage(nullptr);
  InvalidateImageRect(nullptr, false, true);
  ForEachView([](DocumentViewLink* v) { v->ShowNewImage(); });
  SetActiveLayer(stack_->GetActiveLayer(), true, false);
  host_->UpdateLayerPalette();
  host_->UpdateNavigator();
  queue_.StartThread();
  return true;
}

int ImageDocument::SetImageSize(int width, int height, int type, int changeType) {
  if (!hasImage_ || width < 1 || height < 1) return 0;
  queue_.StopThread();
  const int oldWidth = stack_->GetWidth(), oldHeight = stack_->GetHeight(), oldType = stack_->GetImageType();
  queue_.SetImageSize(width, height);
  const bool resized = stack_->SetImageSize(width, height, changeType, type) == 0;
  if (!resized) {
    stack_->SetImageSize(oldWidth, oldHeight, 1, oldType);
    queue_.SetImageSize(oldWidth, oldHeight);
  }
  // The queue was emptied: the whole image is composited again.
  queue_.QueueRect(nullptr);
  compositeWhole_ = true;
  // Whatever the stack answered, no listed piece is left without a worker.
  queue_.Restart();
  return resized ? 1 : 0;
}

// ---- Active layer and mask editing ----

CLayer* ImageDocument::GetActiveLayer() const {
  return hasImage_ ? stack_->GetActiveLayer() : nullptr;
}

void ImageDocument::SetActiveLayerByIndex(int index, bool force, bool noPalette) {
  if (hasImage_) SetActiveLayer(stack_->GetLayer(index), force, noPalette);
}

void ImageDocument::SetActiveLayer(CLayer* layer, bool force, bool noPalette) {
  if (!hasImage_) return;
  CLayer* old = stack_->GetActiveLayer();
  if (layer == old && !force) return;
  const bool shows = host_->ActiveWindowShowsDocument();
  if (shows && old != nullptr) host_->SendActiveLayerNotice(0, stack_->GetLayerIndex(old));
  if (old != nullptr && old != layer) host_->UpdateLayerInPalette(old);
  int result = 0;
  if (layer != nullptr) result = stack_->SetActiveLayer(layer);
  // The backup copies belong to the old layer: the next pixel step copies
  // the new one whole.
  if (layer != old) compositeCurrent_ = false;
  if (!noPalette) host_->SelectLayerInPalette(layer);
  if (shows) {
    host_->ApplyTextLayerEdit(layer);
    host_->NotifyToolOfActiveView();
    host_->SendActiveLayerNotice(1, layer != nullptr ? stack_->GetLayerIndex(layer) : -1);
  }
  if (layer != nullptr && result == 0) {
    if (layer->GetEditMask() != 0) {
      EnterMaskEditMode(true);
    } else {
      LeaveMaskEditMode(true);
    }
    if (shows) NotifyImageResizedInAllViews();
  }
  host_->SyncColorsToActiveImage();
}

void ImageDocument::EnterMaskEditMode(bool notifyViews) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || maskEdit_ == 2 || active->HasMask() == 0) return;
  maskEdit_ = 2;
  compositeCurrent_ = false;
  if (notifyViews) ForEachView([](DocumentViewLink* v) { v->SendNotify(0, nullptr); });
  SendLayerNotifyToViews(1);
  host_->SyncColorsToActiveImage();
}

void ImageDocument::LeaveMaskEditMode(bool notifyViews) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || maskEdit_ == 0) return;
  maskEdit_ = 0;
  compositeCurrent_ = false;
  if (active->GetHideLayerChannels() != 0) active->SetHideLayerChannels(0);
  if (notifyViews) ForEachView([](DocumentViewLink* v) { v->SendNotify(0, nullptr); });
  SendLayerNotifyToViews(0);
  host_->SyncColorsToActiveImage();
}

WAPtr ImageDocument::GetActiveImage() const {
  CLayer* active = GetActiveLayer();
  if (active == nullptr) return nullptr;
  if (maskEdit_ == 2 && active->HasMask() != 0) return active->GetMask();
  return active->GetImage();
}

WAPtr ImageDocument::GetActiveLayerMask() const {
  CLayer* active = GetActiveLayer();
  if (active == nullptr || maskEdit_ == 2) return nullptr;
  return active->GetMask();
}

int ImageDocument::SetLayerBufferAt(VrWA2000::WA* buffer, int index, bool mask) {
  if (buffer == nullptr || !hasImage_) return 0;
  CLayer* layer = stack_->GetLayer(index);
  if (layer == nullptr) return 0;
  queue_.StopThread();
  const int result = mask ? stack_->SetLayerMask(layer, buffer) : stack_->SetLayerImage(buffer, layer);
  queue_.Restart();
  return result == 0 ? 1 : 0;
}

int ImageDocument::SetLayerImageAt(VrWA2000::WA* image, int index) {
  return SetLayerBufferAt(image, index, false);
}

int ImageDocument::SetLayerMaskAt(VrWA2000::WA* mask, int index) {
  return SetLayerBufferAt(mask, index, true);
}

int ImageDocument::SetActiveImage(VrWA2000::WA* image) {
  CLayer* active = GetActiveLayer();
  if (active == nullptr) return 0;
  compositeCurrent_ = false;
  const bool mask = maskEdit_ == 2 && active->HasMask() != 0;
  if (SetLayerBufferAt(image, stack_->GetLayerIndex(active), mask) == 0) return 0;
  host_->UpdateLayerPalette();
  NotifyImageResizedInAllViews();
  const RECT rect = active->GetRect();
  InvalidateImageRect(&rect, false, false);
  modified_ = true;
  host_->SyncColorsToActiveImage();
  host_->ApplyTextLayerEdit(active);
  host_->NotifyToolOfActiveView();
  return 1;
}

// ---- Refresh ----

int ImageDocument::InvalidateImageRect(const RECT* rect, bool erase, bool immediate) {
  if (closing_ || !hasImage_ || !stack_->GetCompositeImage()) return 0;
  const RECT whole = MakeRect(0, 0, stack_->GetWidth(), stack_->GetHeight());
  const RECT area = rect != nullptr ? *rect : whole;
  if (compositeCurrent_) {
    if (RectIsEmpty(damaged_)) {
      damaged_ = area;
    } else {
      RectUnion(&damaged_, damaged_, area);
    }
  }
  serverUpdatePending_ = true;
  RECT covered{};
  if (RectIntersect(&covered, area, whole) && RectsEqual(covered, whole)) compositeWhole_ = true;
  if (!immediate) {
    queue_.QueueRect(rect);
  } else {
    stack_->Render(area);
    ForEachView([&](DocumentViewLink* v) {
      if (v != activeView_ || v->IsLive()) v->InvalidateImageRect(area, erase);
    });
  }
  immediateRefresh_ = false;
  changePending_ = true;
  return 1;
}

void ImageDocument::SendNotifyToViews() {
  ForEachView([](DocumentViewLink* v) { v->SendNotify(kNotifyImagesChanged, nullptr); });
}

void ImageDocument::PostPendingNotify() {
  if (!changePending_) return;
  changePending_ = false;
  ForEachView([](DocumentViewLink* v) { v->PostNotify(kNotifyPending); });
}

void ImageDocument::ResetDrawContextInAllViews() {
  ForEachView([](DocumentViewLink* v) { v->ResetDrawContext(); });
}

void ImageDocument::NotifyImageResizedInAllViews() {
  ForEachView([](DocumentViewLink* v) { v->NotifyImageResized(); });
}

void ImageDocument::SendLayerNotifyToViews(int code) {
  const int index = hasImage_ ? stack_->GetLayerIndex(stack_->GetActiveLayer()) : -1;
  if (index < 0) return;
  for (DocumentViewLink* view : views_) {
    if (view->IsLive()) view->SendLayerNotify(code, index);
  }
}

// ---- Selection ----

void ImageDocument::NotifyViewsSelection(int code) {
  Fragment* shared = ShareFragment(selection_.fragment);
  ForEachView([&](DocumentViewLink* v) { v->SendNotify(code, shared); });
  DeleteFragment(shared);
}

void ImageDocument::DropSelection() {
  if (selection_.fragment == nullptr) return;
  TerminateEdgeSmoothing(selection_.fragment);
  DeleteFragment(selection_.fragment);
  selection_.fragment = nullptr;
}

void ImageDocument::KeepSelection(Fragment* fragment) {
  selection_.fragment = ShareFragment(fragment);
  if (selection_.fragment != nullptr) EnableSwappingFrg(selection_.fragment, 0);
}

void ImageDocument::SetSelection(Fragment* fragment, bool withStep) {
  if (fragment == selection_.fragment) return;
  if (selection_.fragment != nullptr) TerminateEdgeSmoothing(selection_.fragment);
  if (withStep) BackupImageCore(std::string(res::String(IDS_SET_SELECTION)), false);
  DropSelection();
  KeepSelection(fragment);
  ApplySmoothEdge();
  NotifyViewsSelection(kNotifySelectionSet);
  selection_.changed = 1;
}

void ImageDocument::FreeSelection(bool withStep) {
  const bool freed = selection_.fragment != nullptr;
  if (freed) {
    TerminateEdgeSmoothing(selection_.fragment);
    if (withStep) BackupImageCore(std::string(res::String(IDS_FREE_SELECTION)), false);
    DropSelection();
    selection_.changed = 1;
  }
  // A selection that goes takes its marching ants with it, step or not.
  if (withStep || freed) NotifyViewsSelection(kNotifySelectionFreed);
}

void ImageDocument::RestoreSelection(Fragment* fragment) {
  if (fragment == selection_.fragment) return;
  DropSelection();
  KeepSelection(fragment);
  selection_.mode = 3;
  selection_.inverted = selection_.fragment != nullptr ? IsFrgInverted(selection_.fragment) : 0;
  host_->UpdateGlobalSelection();
  selection_.changed = 1;
  ApplySmoothEdge();
  NotifyViewsSelection(kNotifySelectionSet);
}

void ImageDocument::ApplySmoothEdge() {
  // A mask carries its own soft values: the settings' edge is not for it.
  if (selection_.fragment == nullptr || GetFragmentType(selection_.fragment) == kFrgMask) return;
  int degree = 0;
  int type = 0;
  host_->GetSmoothEdge(&degree, &type);
  SetSmoothEdge(selection_.fragment, SmoothDegreeOf(degree), type, nullptr);
}

}  // namespace lumora
