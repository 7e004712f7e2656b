// Helper threads that make a read's layer buffers ahead and touch their
// pages.
#include "engine/layered/BuffersAhead.h"

#include <algorithm>

#include "engine/layered/ReadProfile.h"

namespace lumora {

namespace {

std::atomic<int> gHelpers{0};

// One write a page: the buffer is zero-filled already, so writing a zero
// changes nothing but has the system map the page now.
void TouchPages(VrWA2000::WA* buffer) {
  if (buffer == nullptr) return;
  constexpr std::size_t kPage = 4096;
  volatile std::uint8_t* bits = buffer->Row(0);
  const std::size_t size = static_cast<std::size_t>(buffer->GetBPLine()) * static_cast<std::size_t>(buffer->GetH());
  for (std::size_t at = 0; at < size; at += kPage) bits[at] = 0;
}

WAPtr Made(int type, int width, int height) {
  if (width <= 0 || height <= 0) return WAPtr();
  WAPtr buffer = WAPtr::Adopt(NewWA(type, width, height, nullptr));
  TouchPages(buffer.get());
  return buffer;
}

bool SameShape(const BuffersAhead::Shape& a, const BuffersAhead::Shape& b) {
  return a.type == b.type && a.width == b.width && a.height == b.height && a.alpha == b.alpha;
}

}  // namespace

void SetLayeredReadHelpers(int count) { gHelpers.store(std::clamp(count, 0, 16)); }
int GetLayeredReadHelpers() { return gHelpers.load(); }

BuffersAhead::BuffersAhead(std::vector<Shape> layers, int helpers) {
  slots_.resize(layers.size());
  for (std::size_t i = 0; i < layers.size(); ++i) slots_[i].shape = layers[i];
  const int count = std::max(1, std::min(helpers, static_cast<int>(layers.size())));
  for (int i = 0; i < count; ++i) {
    try {
      helpers_.emplace_back(&BuffersAhead::Help, this);
    } catch (const std::exception&) {
      break;  // fewer helpers; the reading thread makes what none makes
    }
  }
}

BuffersAhead::~BuffersAhead() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  for (std::thread& helper : helpers_) helper.join();
}

void BuffersAhead::Help() {
  for (;;) {
    std::size_t index;
    Shape shape;
    {
      std::lock_guard<std::mutex> guard(lock_);
      while (next_ < slots_.size() && slots_[next_].state != State::kWaiting) ++next_;
      if (stop_ || next_ >= slots_.size()) return;
      index = next_++;
      slots_[index].state = State::kMaking;
      shape = slots_[index].shape;
    }
    WAPtr image, alpha;
    try {
      image = Made(shape.type, shape.width, shape.height);
      if (shape.alpha) alpha = Made(kWAType8Grey, shape.width, shape.height);
    } catch (const std::exception&) {
      image = alpha = nullptr;  // the reading thread makes them, and says when it cannot
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      slots_[index].image = std::move(image);
      slots_[index].alpha = std::move(alpha);
      slots_[index].state = State::kReady;
    }
    ready_.notify_all();
  }
}

bool BuffersAhead::Take(std::size_t layer, const Shape& shape, WAPtr* image, WAPtr* alpha) {
  if (layer >= slots_.size()) return false;
  const ReadStageScope stage(&LayeredReadProfile::waitAhead);
  std::unique_lock<std::mutex> guard(lock_);
  Slot& slot = slots_[layer];
  if (slot.state == State::kWaiting) {
    slot.state = State::kTaken;  // no helper has begun it: the caller makes its own
    return false;
  }
  ready_.wait(guard, [&] { return slot.state != State::kMaking; });
  if (slot.state != State::kReady) return false;
  slot.state = State::kTaken;
  WAPtr madeImage = std::move(slot.image);
  WAPtr madeAlpha = std::move(slot.alpha);
  guard.unlock();
  if (!SameShape(slot.shape, shape) || !madeImage || (shape.alpha && !madeAlpha)) return false;
  *image = std::move(madeImage);
  *alpha = std::move(madeAlpha);
  return true;
}

}  // namespace lumora
