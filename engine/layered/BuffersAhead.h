// The layers' pixel buffers made ahead of a read, on helper threads: while
// the reading thread reads and decodes one layer, helpers make the buffers
// of the layers after it and touch each of their pages once. The first
// touch of a fresh page (a page fault; on some machines the system must
// find the memory first) is most of what reading a large layer costs; the
// helpers take those faults side by side with the reading. The reading
// thread decodes into the buffers as it would into its own: the bytes read
// are the same, only where the faults are taken differs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/pixels/WAccess.h"

namespace lumora {

// How many helper threads each layered read may use (0: none, the
// default). Process-wide.
void SetLayeredReadHelpers(int count);
int GetLayeredReadHelpers();

class BuffersAhead {
 public:
  // One layer's buffers: its image of `type` and, with `alpha`, an 8-bit
  // transparency buffer of the same size. A layer without pixels has 0 x 0.
  struct Shape {
    int type = 0;
    int width = 0;
    int height = 0;
    bool alpha = false;
  };

  // Starts `helpers` threads (at least 1) over the layers in order.
  BuffersAhead(std::vector<Shape> layers, int helpers);
  // Stops the helpers, waits for them and releases what no layer took.
  ~BuffersAhead();
  BuffersAhead(const BuffersAhead&) = delete;
  BuffersAhead& operator=(const BuffersAhead&) = delete;

  // Layer i's buffers when they are of the shape asked for: waits for a
  // helper that is making them, and takes the layer away from the helpers
  // when none has begun it. False, with nothing given, when the caller is
  // to make its own.
  bool Take(std::size_t layer, const Shape& shape, WAPtr* image, WAPtr* alpha);

 private:
  enum class State { kWaiting, kMaking, kReady, kTaken };
  struct Slot {
    Shape shape;
    State state = State::kWaiting;
    WAPtr image;
    WAPtr alpha;
  };
  void Help();

  std::mutex lock_;
  std::condition_variable ready_;
  std::vector<Slot> slots_;
  std::size_t next_ = 0;
  bool stop_ = false;
  std::vector<std::thread> helpers_;
};

}  // namespace lumora
