// A document's render queue: damaged image rectangles cut into 256 x 256
// cells, kept per view in a render list (shown somewhere) and a deferred
// list (shown nowhere), composited by one background worker with the piece
// under the pointer first, and announced to the views piece by piece. An
// immediate list serves interactive layer moves on the calling thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32types.h"
#include "engine/render/CellGrid.h"
#include "engine/render/CellList.h"
#include "engine/render/RenderQueueClient.h"

namespace lumora {

// Threads and locks.
// Every operation is called from one thread, the user-interface thread (the
// "control thread"); the worker is the only other thread. The queue owns
// the worker's handle: StopThread joins it, StartThread starts a new one.
//
// Lock order: queue lock, then view lock, then a view's own drawing lock
// (inside RenderQueueView calls), then the document lock (inside
// CellRenderer::Render). The queue holds none of its locks while it calls
// CellRenderer or RenderQueueView::OnCellDoneNow, and never holds both of its
// own locks at once. StopThread waits for the worker, which takes the
// document lock in Render: never call StopThread, Restart, RenderAllNow,
// SetImageSize or the destructor while holding the document lock. A
// document operation stops the worker first, then takes its lock.
class CMapRect {
 public:
  using Cell = MapRectCell;
  static constexpr LONG kCellWidth = CellGrid::kCellSize;
  static constexpr LONG kCellHeight = CellGrid::kCellSize;

  CMapRect();
  // Stops the worker. A derived class stops it in its own destructor.
  virtual ~CMapRect();
  CMapRect(const CMapRect&) = delete;
  CMapRect& operator=(const CMapRect&) = delete;

  // The document that composites the pieces; set before the first queueing.
  void SetDocument(CellRenderer* document) { document_.store(document); }

  // Stores the size and empties the render and deferred lists and the cell
  // in progress (not the immediate list). Returns the old size. Callers stop
  // the worker first.
  SIZE SetImageSize(LONG width, LONG height);

  // Asks the worker to stop, waits for it (at most for the piece being
  // composited) and marks the queue idle. A piece composited while the stop
  // was asked for stays the cell in progress. True when a worker ran.
  bool StopThread();
  // Starts a worker when pieces are listed and none runs. True when one was
  // started; when the thread cannot be made the pieces stay listed.
  bool StartThread();
  // StopThread, the cell in progress back at the head, the current view
  // prioritised, StartThread.
  void Restart();
  // Composites every listed and deferred piece on the calling thread.
  // Returns 0.
  int RenderAllNow();

  // Queues a damaged image rectangle; null for the whole image.
  void QueueRect(const RECT* rect);

  bool HasView(RenderQueueView* view) const;
  void AddView(RenderQueueView* view);
  // Unregisters the view (no longer the current view either) and sorts the
  // listed pieces again against the remaining views.
  void RemoveView(RenderQueueView* view);
  // Makes a registered live view current and moves the pieces it shows to
  // the front, bottom row first. 0 for a null, dead or unknown view, else 1.
  int PrioritizeView(RenderQueueView* view);
  // Called by a registered view whose visible image area changed.
  void Redistribute(RenderQueueView* view);

  // Immediate path of interactive layer moves (worker stopped meanwhile).
  void QueueRectNow(const RECT* rect);
  void DeferRect(const RECT* rect);
  void RenderImmediateList();

  // For the document and for tests: copies taken under the locks.
  const CellGrid& Grid() const { return grid_; }
  std::vector<Cell> RenderList() const;
  std::vector<Cell> DeferredList() const;
  std::vector<Cell> ImmediateList() const;
  bool IsIdle() const;
  bool StopRequested() const;
  Cell CellInProgress() const;
  RenderQueueView* CurrentView() const;

 protected:
  // Composites one piece through the document, then announces it: to the
  // current view first, then to every other registered view, unless a stop
  // was asked for.
  virtual void RenderCell(const Cell& cell);
  // The render list ran dry.
  virtual void OnQueueEmpty();

 private:
  void WorkerMain();
  void RunWorkerLoop();
  bool TakeNextPiece(Cell* cell, bool firstOfRun);
  Cell TakeCellInProgress();
  std::vector<RECT> VisibleRects() const;
  void SortListsAgain();
  void SplitForQueue(const RECT* rect, std::vector<Cell>* pieces) const;

  CellGrid grid_;  // changed only by the control thread under the queue lock
  std::atomic<CellRenderer*> document_{nullptr};

  // Queue lock: the three lists, the idle flag and the grid as the worker
  // reads it.
  mutable std::mutex queueLock_;
  CellList render_;
  CellList deferred_;
  CellList immediate_;
  bool idle_ = true;

  // View lock: the views, the current view, the stop flags and the cell in
  // progress.
  mutable std::mutex viewLock_;
  std::vector<RenderQueueView*> views_;
  RenderQueueView* current_ = nullptr;
  bool stop_ = false;
  bool postSuppress_ = false;
  Cell cellInProgress_;

  // Touched only by the control thread.
  std::thread worker_;
};

}  // namespace lumora
