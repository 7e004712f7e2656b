// The render queue: queueing, views, the worker and the immediate path.
#include "engine/render/MapRect.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/rect.h"
#include "engine/render/CellSort.h"
#include "engine/render/WorkerPriority.h"

namespace lumora {

namespace {

constexpr RECT kNoRect{0, 0, 0, 0};

}  // namespace

CMapRect::CMapRect() = default;

CMapRect::~CMapRect() { StopThread(); }

SIZE CMapRect::SetImageSize(LONG width, LONG height) {
  const SIZE old{grid_.Width(), grid_.Height()};
  std::lock_guard<std::mutex> lock(queueLock_);
  grid_.SetSize(width, height);
  for (CellList* list : {&render_, &deferred_, &immediate_}) {
    list->SetGeometry(grid_.Columns());
  }
  render_.Clear();
  deferred_.Clear();
  // A piece taken before the change belongs to the old image.
  std::lock_guard<std::mutex> views(viewLock_);
  cellInProgress_ = Cell{};
  return old;
}

// ---------------------------------------------------------------- worker

bool CMapRect::StopThread() {
  {
    std::lock_guard<std::mutex> lock(viewLock_);
    stop_ = true;
    postSuppress_ = true;
  }
  bool wasRunning;
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    wasRunning = !idle_;
  }
  if (worker_.joinable()) worker_.join();
  std::lock_guard<std::mutex> lock(queueLock_);
  idle_ = true;
  return wasRunning;
}

bool CMapRect::StartThread() {
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    if (render_.Empty() || !idle_) return false;
    idle_ = false;
  }
  {
    std::lock_guard<std::mutex> lock(viewLock_);
    stop_ = false;
    postSuppress_ = false;
  }
  // A worker that went idle by itself has nothing left to do but return.
  if (worker_.joinable()) worker_.join();
  try {
    worker_ = std::thread(&CMapRect::WorkerMain, this);
  } catch (const std::system_error&) {
    std::lock_guard<std::mutex> lock(queueLock_);
    idle_ = true;
    return false;
  }
  return true;
}

void CMapRect::WorkerMain() {
  LowerCurrentThreadPriority();
  RunWorkerLoop();
}

// Takes the piece under the pointer of the current view when there is one
// (read afresh for the first piece of a run), else the head of the render
// list. False when asked to stop or when the list is empty (the cell stays
// untouched then).
bool CMapRect::TakeNextPiece(Cell* cell, bool firstOfRun) {
  POINT pointer{0, 0};
  bool hasPointer = false;
  {
    std::lock_guard<std::mutex> lock(viewLock_);
    if (stop_) return false;
    if (current_ != nullptr && current_->IsLive()) {
      hasPointer = current_->GetPointerImagePos(&pointer, firstOfRun);
    }
  }
  std::lock_guard<std::mutex> lock(queueLock_);
  if (!hasPointer) return render_.TakeHead(cell);
  return render_.TakePreferred(grid_.IndexOfPoint(pointer.x, pointer.y), pointer, cell);
}

// The worker's loop, also run on the calling thread by RenderAllNow. Going
// idle is decided in one section of the queue lock after the empty notice,
// so a piece queued meanwhile keeps the worker going (StartThread saw it
// running and started none).
void CMapRect::RunWorkerLoop() {
  for (bool first = true;; first = false) {
    Cell cell;
    if (TakeNextPiece(&cell, first)) {
      RenderCell(cell);
      continue;
    }
    if (StopRequested()) return;  // the stopper marks the queue idle
    OnQueueEmpty();
    std::lock_guard<std::mutex> lock(queueLock_);
    if (!render_.Empty()) continue;
    idle_ = true;
    return;
  }
}

void CMapRect::RenderCell(const Cell& cell) {
  if (CellRenderer* document = document_.load()) document->Render(cell.rect);
  std::lock_guard<std::mutex> lock(viewLock_);
  cellInProgress_ = cell;
  if (postSuppress_) return;
  if (current_ != nullptr && current_->IsLive()) current_->OnCellDone(cell.rect);
  // Announced: nothing left for a restart to redo.
  cellInProgress_ = Cell{};
  for (RenderQueueView* view : views_) {
    if (view != current_ && view->IsLive()) view->OnCellDone(cell.rect);
  }
}

void CMapRect::OnQueueEmpty() {
  if (CellRenderer* document = document_.load()) document->OnQueueEmpty();
}

CMapRect::Cell CMapRect::TakeCellInProgress() {
  std::lock_guard<std::mutex> lock(viewLock_);
  return std::exchange(cellInProgress_, Cell{});
}

void CMapRect::Restart() {
  StopThread();
  const Cell leftover = TakeCellInProgress();
  if (leftover.index != -1) {
    std::lock_guard<std::mutex> lock(queueLock_);
    render_.PushFront(leftover);
  }
  PrioritizeView(CurrentView());
  StartThread();
}

int CMapRect::RenderAllNow() {
  StopThread();
  const Cell leftover = TakeCellInProgress();
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    if (leftover.index != -1) render_.PushFront(leftover);
    std::vector<Cell> deferred;
    deferred_.TakeAll(&deferred);
    for (const Cell& piece : deferred) render_.AddMerged(piece);
  }
  {
    std::lock_guard<std::mutex> lock(viewLock_);
    stop_ = false;
    postSuppress_ = false;
  }
  RunWorkerLoop();
  std::lock_guard<std::mutex> lock(viewLock_);
  stop_ = true;
  return 0;
}

// ---------------------------------------------------------------- queueing

void CMapRect::SplitForQueue(const RECT* rect, std::vector<Cell>* pieces) const {
  grid_.Split(rect != nullptr ? *rect : grid_.ImageRect(), pieces);
}

std::vector<RECT> CMapRect::VisibleRects() const {
  std::lock_guard<std::mutex> lock(viewLock_);
  std::vector<RECT> rects;
  rects.reserve(views_.size());
  for (RenderQueueView* view : views_) {
    rects.push_back(view->IsLive() ? view->GetVisibleImageRect() : kNoRect);
  }
  return rects;
}

void CMapRect::QueueRect(const RECT* rect) {
  std::vector<Cell> pieces;
  SplitForQueue(rect, &pieces);
  if (pieces.empty()) return;
  const std::vector<RECT> shown = VisibleRects();
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    SortPieces(&pieces, shown, &render_, &deferred_);
  }
  PrioritizeView(CurrentView());
  StartThread();
}

// Sorts the render list's pieces, then the deferred ones, again against the
// views as they are now. One section of the queue lock: the worker never
// sees the render list empty halfway.
void CMapRect::SortListsAgain() {
  const std::vector<RECT> shown = VisibleRects();
  std::lock_guard<std::mutex> lock(queueLock_);
  std::vector<Cell> listed;
  std::vector<Cell> deferred;
  render_.TakeAll(&listed);
  deferred_.TakeAll(&deferred);
  SortPieces(&listed, shown, &render_, &deferred_);
  SortPieces(&deferred, shown, &render_, &deferred_);
}

// ---------------------------------------------------------------- views

bool CMapRect::HasView(RenderQueueView* view) const {
  if (view == nullptr) return false;
  std::lock_guard<std::mutex> lock(viewLock_);
  return std::find(views_.begin(), views_.end(), view) != views_.end();
}

void CMapRect::AddView(RenderQueueView* view) {
  if (view == nullptr) return;
  std::lock_guard<std::mutex> lock(viewLock_);
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CMapRect::RemoveView(RenderQueueView* view) {
  {
    std::lock_guard<std::mutex> lock(viewLock_);
    auto found = std::find(views_.begin(), views_.end(), view);
    if (view == nullptr || found == views_.end()) return;
    views_.erase(found);
    if (current_ == view) current_ = nullptr;
  }
  SortListsAgain();
}

int CMapRect::PrioritizeView(RenderQueueView* view) {
  RECT shown;
  {
    std::lock_guard<std::mutex> lock(viewLock_);
    if (view == nullptr || !view->IsLive()) return 0;
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) return 0;
    current_ = view;
    shown = view->GetVisibleImageRect();
  }
  const CellPriority priority = grid_.PriorityFor(shown);
  std::lock_guard<std::mutex> lock(queueLock_);
  render_.Prioritize(priority);
  return 1;
}

void CMapRect::Redistribute(RenderQueueView* view) {
  if (!HasView(view) || !view->IsLive()) return;
  SortListsAgain();
  PrioritizeView(CurrentView());
  StartThread();
}

// ---------------------------------------------------------------- immediate path

void CMapRect::DeferRect(const RECT* rect) {
  if (CurrentView() == nullptr) return;
  std::vector<Cell> pieces;
  SplitForQueue(rect, &pieces);
  if (pieces.empty()) return;
  const std::vector<RECT> shown = VisibleRects();
  std::lock_guard<std::mutex> lock(queueLock_);
  DeferHiddenParts(pieces, shown, &deferred_);
}

void CMapRect::QueueRectNow(const RECT* rect) {
  RenderQueueView* current = CurrentView();
  if (current == nullptr) return;
  std::vector<Cell> pieces;
  SplitForQueue(rect, &pieces);
  if (pieces.empty()) return;
  const std::vector<RECT> shown = VisibleRects();
  bool complete;
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    complete = QueueVisiblePartsNow(&pieces, shown, &immediate_);
  }
  if (complete && shown.size() >= 2) PrioritizeView(current);
}

void CMapRect::RenderImmediateList() {
  if (CurrentView() == nullptr) return;
  for (;;) {
    POINT pointer{0, 0};
    bool hasPointer = false;
    {
      std::lock_guard<std::mutex> lock(viewLock_);
      if (current_ != nullptr && current_->IsLive()) {
        hasPointer = current_->GetPointerImagePos(&pointer, true);
      }
    }
    Cell cell;
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      const int at = hasPointer ? grid_.IndexOfPoint(pointer.x, pointer.y) : -1;
      if (!immediate_.TakePreferred(at, pointer, &cell)) break;
    }
    if (CellRenderer* document = document_.load()) document->Render(cell.rect);
    // Only this thread changes the views, so the view stays valid after the
    // lock is left; the handler runs without the queue's locks.
    RenderQueueView* current = CurrentView();
    if (current != nullptr && current->IsLive()) current->OnCellDoneNow(cell.rect);
  }
  OnQueueEmpty();
}

// ---------------------------------------------------------------- inspection

std::vector<CMapRect::Cell> CMapRect::RenderList() const {
  std::lock_guard<std::mutex> lock(queueLock_);
  return render_.Snapshot();
}

std::vector<CMapRect::Cell> CMapRect::DeferredList() const {
  std::lock_guard<std::mutex> lock(queueLock_);
  return deferred_.Snapshot();
}

std::vector<CMapRect::Cell> CMapRect::ImmediateList() const {
  std::lock_guard<std::mutex> lock(queueLock_);
  return immediate_.Snapshot();
}

bool CMapRect::IsIdle() const {
  std::lock_guard<std::mutex> lock(queueLock_);
  return idle_;
}

bool CMapRect::StopRequested() const {
  std::lock_guard<std::mutex> lock(viewLock_);
  return stop_;
}

CMapRect::Cell CMapRect::CellInProgress() const {
  std::lock_guard<std::mutex> lock(viewLock_);
  return cellInProgress_;
}

RenderQueueView* CMapRect::CurrentView() const {
  std::lock_guard<std::mutex> lock(viewLock_);
  return current_;
}

}  // namespace lumora
