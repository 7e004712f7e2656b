// Test doubles of the render queue's clients: a view that records what it is
// told and a document whose renders can be held at a gate, plus rectangle
// helpers for readable comparisons.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "platform/rect.h"
#include "engine/render/CellGrid.h"
#include "engine/render/RenderQueueClient.h"

namespace lumora {

inline bool operator==(const MapRectCell& a, const MapRectCell& b) {
  return a.index == b.index && RectsEqual(a.rect, b.rect);
}

inline void PrintTo(const MapRectCell& c, std::ostream* os) {
  *os << c.index << ":{" << c.rect.left << "," << c.rect.top << "," << c.rect.right << ","
      << c.rect.bottom << "}";
}

namespace testing_support {

// A RECT that compares and prints.
struct Box {
  LONG left = 0, top = 0, right = 0, bottom = 0;
  Box() = default;
  Box(LONG l, LONG t, LONG r, LONG b) : left(l), top(t), right(r), bottom(b) {}
  Box(const RECT& r) : left(r.left), top(r.top), right(r.right), bottom(r.bottom) {}  // NOLINT
  RECT Rect() const { return RECT{left, top, right, bottom}; }
  friend bool operator==(const Box&, const Box&) = default;
  friend void PrintTo(const Box& b, std::ostream* os) {
    *os << "{" << b.left << "," << b.top << "," << b.right << "," << b.bottom << "}";
  }
};

inline std::vector<Box> Boxes(const std::vector<RECT>& rects) {
  return std::vector<Box>(rects.begin(), rects.end());
}

inline std::vector<Box> Boxes(const std::vector<MapRectCell>& cells) {
  std::vector<Box> boxes;
  for (const MapRectCell& c : cells) boxes.emplace_back(c.rect);
  return boxes;
}

constexpr std::chrono::seconds kPatience{20};

// Polls a condition that another thread makes true.
template <class Pred>
bool PollUntil(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class RecordingView : public RenderQueueView {
 public:
  explicit RecordingView(RECT visible = RECT{0, 0, 0, 0}) : visible_(visible) {}

  void SetVisible(RECT visible) {
    std::lock_guard<std::mutex> lock(m_);
    visible_ = visible;
  }
  void SetLive(bool live) {
    std::lock_guard<std::mutex> lock(m_);
    live_ = live;
  }
  void SetPointer(POINT at) {
    std::lock_guard<std::mutex> lock(m_);
    pointer_ = at;
    hasPointer_ = true;
  }
  void ClearPointer() {
    std::lock_guard<std::mutex> lock(m_);
    hasPointer_ = false;
  }
  // After the queue let go of the view: any further call is a fault.
  void Forget() {
    std::lock_guard<std::mutex> lock(m_);
    forgotten_ = true;
  }
  int CallsAfterForget() const {
    std::lock_guard<std::mutex> lock(m_);
    return callsAfterForget_;
  }

  bool IsLive() const override {
    std::lock_guard<std::mutex> lock(m_);
    Touch();
    return live_;
  }
  RECT GetVisibleImageRect() override {
    std::lock_guard<std::mutex> lock(m_);
    Touch();
    return live_ ? visible_ : RECT{0, 0, 0, 0};
  }
  bool GetPointerImagePos(POINT* at, bool fresh) override {
    std::lock_guard<std::mutex> lock(m_);
    Touch();
    freshReadings_.push_back(fresh);
    if (!hasPointer_) return false;
    *at = pointer_;
    return true;
  }
  void OnCellDone(const RECT& rect) override {
    std::lock_guard<std::mutex> lock(m_);
    Touch();
    done_.push_back(rect);
    cv_.notify_all();
  }
  void OnCellDoneNow(const RECT& rect) override {
    std::lock_guard<std::mutex> lock(m_);
    Touch();
    doneNow_.push_back(rect);
  }

  // Whether each pointer request asked for a fresh reading, in order.
  std::vector<bool> FreshReadings() const {
    std::lock_guard<std::mutex> lock(m_);
    return freshReadings_;
  }
  std::vector<RECT> Done() const {
    std::lock_guard<std::mutex> lock(m_);
    return done_;
  }
  std::vector<RECT> DoneNow() const {
    std::lock_guard<std::mutex> lock(m_);
    return doneNow_;
  }
  bool WaitForDone(std::size_t count) {
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, kPatience, [&] { return done_.size() >= count; });
  }

 private:
  void Touch() const {
    if (forgotten_) ++callsAfterForget_;
  }

  mutable std::mutex m_;
  std::condition_variable cv_;
  RECT visible_;
  bool live_ = true;
  POINT pointer_{0, 0};
  bool hasPointer_ = false;
  std::vector<bool> freshReadings_;
  bool forgotten_ = false;
  mutable int callsAfterForget_ = 0;
  std::vector<RECT> done_;
  std::vector<RECT> doneNow_;
};

// Records every render with its thread; renders and empty notices can be
// held at gates so a test can act while the worker is inside them.
class RecordingRenderer : public CellRenderer {
 public:
  struct Render_ {
    RECT rect;
    std::thread::id thread;
  };

  // The document lock, taken in Render as the layer stack does.
  std::recursive_mutex documentLock;
  // Called inside Render under the document lock.
  std::function<void()> probe;

  void Render(const RECT& rect) override {
    std::lock_guard<std::recursive_mutex> document(documentLock);
    if (probe) probe();
    std::unique_lock<std::mutex> lock(m_);
    renders_.push_back(Render_{rect, std::this_thread::get_id()});
    cv_.notify_all();
    cv_.wait(lock, [&] { return !holdRenders_; });
  }
  void OnQueueEmpty() override {
    std::unique_lock<std::mutex> lock(m_);
    ++emptyNotices_;
    cv_.notify_all();
    cv_.wait(lock, [&] { return !holdEmptyNotice_; });
  }

  void HoldRenders(bool hold) { Set(&holdRenders_, hold); }
  void HoldEmptyNotice(bool hold) { Set(&holdEmptyNotice_, hold); }

  bool WaitForRenders(std::size_t count) {
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, kPatience, [&] { return renders_.size() >= count; });
  }
  bool WaitForEmptyNotices(int count) {
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, kPatience, [&] { return emptyNotices_ >= count; });
  }

  std::vector<RECT> Rendered() const {
    std::lock_guard<std::mutex> lock(m_);
    std::vector<RECT> rects;
    for (const Render_& r : renders_) rects.push_back(r.rect);
    return rects;
  }
  std::vector<Render_> Renders() const {
    std::lock_guard<std::mutex> lock(m_);
    return renders_;
  }
  int EmptyNotices() const {
    std::lock_guard<std::mutex> lock(m_);
    return emptyNotices_;
  }

 private:
  void Set(bool* flag, bool value) {
    std::lock_guard<std::mutex> lock(m_);
    *flag = value;
    cv_.notify_all();
  }

  mutable std::mutex m_;
  std::condition_variable cv_;
  std::vector<Render_> renders_;
  int emptyNotices_ = 0;
  bool holdRenders_ = false;
  bool holdEmptyNotice_ = false;
};

}  // namespace testing_support
}  // namespace lumora
