// The image filters of the compiled-in tools, on 8-bit grey or interleaved
// 24-bit colour rows. Windows of w x h pixels are centred with (w - 1) / 2
// pixels to the left and (h - 1) / 2 rows above; pixels outside the image
// repeat the nearest edge pixel. Every filter writes a separate destination
// of the source's size and layout.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

namespace lumora::toolhost {

struct ConstImageView {
  const std::uint8_t* bits;
  int width;
  int height;
  std::ptrdiff_t stride;  // bytes from one row to the next
  int channels;           // 1 or 3
  const std::uint8_t* Row(int y) const { return bits + y * stride; }
};

struct ImageView {
  std::uint8_t* bits;
  int width;
  int height;
  std::ptrdiff_t stride;
  int channels;
  std::uint8_t* Row(int y) const { return bits + y * stride; }
  operator ConstImageView() const { return {bits, width, height, stride, channels}; }
};

// Asked by a filter once per band of finished rows whether to go on, with
// the rows done and the rows of work it expects; a filter told to stop
// returns false at once, its destination half written. Counting a row costs
// an increment and a compare, so the filters stay as fast without a poll.
class RowPoll {
 public:
  // True: stop.
  using Ask = bool (*)(void* context, int done, int total);
  RowPoll() = default;
  RowPoll(Ask ask, void* context) : ask_(ask), context_(context), next_(ask != nullptr ? kBand : INT_MAX) {}

  // Adds the rows of work a filter is about to do (passes times rows).
  void Expect(int rows) { total_ += rows; }
  // Counts one finished row; true when the work is to stop.
  bool Row() { return ++done_ >= next_ && AskNow(); }
  bool Stopped() const { return stopped_; }

  static constexpr int kBand = 32;

 private:
  // Out of the filters' loops: asked once a band.
  [[gnu::noinline, gnu::cold]] bool AskNow();

  Ask ask_ = nullptr;
  void* context_ = nullptr;
  int done_ = 0;
  int total_ = 0;
  int next_ = INT_MAX;
  bool stopped_ = false;
};

// The poll of the forms without one: compiled away.
struct NoPoll {
  void Expect(int) {}
  bool Row() { return false; }
  bool Stopped() const { return false; }
};

// Each filter comes in two forms: without a poll, and with one (false when
// the poll stopped it).

// Largest window side the filters take.
inline constexpr int kMaxWindow = 255;

// Rounded mean over the window: (sum + n / 2) / n.
void MeanFilter(const ConstImageView& src, const ImageView& dst, int w, int h);
bool MeanFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
void MinimumFilter(const ConstImageView& src, const ImageView& dst, int w, int h);
bool MinimumFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
void MaximumFilter(const ConstImageView& src, const ImageView& dst, int w, int h);
bool MaximumFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
// The value of rank (n - 1) / 2 among the window's n values.
void MedianFilter(const ConstImageView& src, const ImageView& dst, int w, int h);
bool MedianFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
// Unsharp masking against the window's mean: src + amount * (src - mean),
// the product rounded half away from zero, clamped; amount in quarters.
void UnsharpFilter(const ConstImageView& src, const ImageView& dst, int w, int h, int amountQuarters);
bool UnsharpFilter(const ConstImageView& src, const ImageView& dst, int w, int h, int amountQuarters, RowPoll& poll);
// 255 - min(255, |Sobel gradient| / 4) of the window's mean.
void OutlineFilter(const ConstImageView& src, const ImageView& dst, int w, int h);
bool OutlineFilter(const ConstImageView& src, const ImageView& dst, int w, int h, RowPoll& poll);
// colour + p(x + dx, y + dy) - p(x - dx, y - dy), clamped, where (dx, dy) is
// the direction of `angle` degrees rounded to whole pixels (y grows down).
// `colour` is 0x00BBGGRR; grey images use its grey value.
void EmbossFilter(const ConstImageView& src, const ImageView& dst, int angle, std::uint32_t colour);
bool EmbossFilter(const ConstImageView& src, const ImageView& dst, int angle, std::uint32_t colour, RowPoll& poll);
// Adds uniform noise of up to amount % of 255 to share % of the pixels; of
// those, colour % get a separate value per channel. The sequence depends only
// on the parameters and the image size.
void NoiseFilter(const ConstImageView& src, const ImageView& dst, int amount, int share, int colour);
bool NoiseFilter(const ConstImageView& src, const ImageView& dst, int amount, int share, int colour, RowPoll& poll);

// Keeps the original where the result differs by at most `threshold`, and
// keep % of the original elsewhere: orig + round((result - orig) * (100 -
// keep) / 100). `result` is changed in place.
void LimitChange(const ConstImageView& original, const ImageView& result, int threshold, int keepPercent);

}  // namespace lumora::toolhost
