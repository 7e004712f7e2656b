// What the render queue needs of the views that show a document and of the
// document whose layer stack composites the pieces.
//
// Image rectangles and points here are the engine's: y counts rows upward
// from the image's bottom row, a rectangle's `top` being its smaller y (see
// CellGrid.h).
#pragma once

#include "platform/win32types.h"

namespace lumora {

// A view registered with a render queue. The queue calls every operation
// but OnCellDoneNow while it holds its view lock, from the user-interface
// thread or from the worker: implementations must not call back into the
// queue and must never wait for the user-interface thread there, and a view
// never calls the queue while it holds the drawing lock that those
// operations take (the queue's view lock comes first). A view
// calls CMapRect::RemoveView before it goes away; after that the queue never
// touches it again.
class RenderQueueView {
 public:
  virtual ~RenderQueueView() = default;

  // True while the view's window exists.
  virtual bool IsLive() const = 0;
  // The client area mapped to image coordinates at the view's zoom and
  // scroll position, taken under the view's own drawing lock; empty when the
  // window does not exist or has no client area.
  virtual RECT GetVisibleImageRect() = 0;
  // When the mouse pointer lies in the view's window (scroll bars count),
  // its position in image coordinates; false otherwise. Without `fresh` the
  // view may answer from a reading taken moments ago when no input came
  // since (the worker asks once per piece; the first piece of a run and the
  // immediate path ask for a fresh reading).
  virtual bool GetPointerImagePos(POINT* imagePos, bool fresh) = 0;
  // A piece has been composited (image coordinates). Called from the
  // worker: only hands the news on (posts the "cell done" message with the
  // rectangle packed by PackCellRect).
  virtual void OnCellDone(const RECT& rect) = 0;
  // The immediate path's news, on the user-interface thread with none of the
  // queue's locks held: the "cell done" handler run directly.
  virtual void OnCellDoneNow(const RECT& rect) = 0;
};

// The document side of a render queue.
class CellRenderer {
 public:
  virtual ~CellRenderer() = default;

  // Brings the document's composite up to date over an image rectangle by
  // compositing its layer stack. Takes the document lock itself; does not
  // throw (a failure leaves the composite as it was). Called with none of
  // the queue's locks held, on the worker or on the thread that drains the
  // queue or runs the immediate path.
  virtual void Render(const RECT& rect) = 0;
  // The render list ran dry: tell whoever shows the document's state (the
  // layer palette, the navigator) and post the pending change notice. Called
  // like Render; must not wait for the user-interface thread.
  virtual void OnQueueEmpty() = 0;
};

}  // namespace lumora
