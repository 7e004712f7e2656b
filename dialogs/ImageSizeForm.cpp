// The image-size dialog's linked fields and their arithmetic.
#include "dialogs/ImageSizeForm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr double kInchesPerCm = 0.39370078740157477;

// What a field holds as a number: text that is no number reads as 0.
double ReadNumber(const std::string& text) {
  const double value = std::strtod(text.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0;
}

int ReadInteger(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

// trunc() of a typed quantity; far values stay far but representable, so
// a range test still sees them outside.
int TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -2e9, 2e9));
}

std::int64_t RoundedHundredthsOfRatio(std::int64_t numerator, std::int64_t denominator) {
  // numerator x 100 / denominator to the nearest hundredth, in hundredths.
  return (numerator * 20000 + denominator) / (2 * denominator);
}

int Other(int axis) { return 1 - axis; }

int PixelId(int axis) { return axis == 0 ? IDC_ISZ_WIDTH : IDC_ISZ_HEIGHT; }
int PrintId(int axis) { return axis == 0 ? IDC_ISZ_PRINT_WIDTH : IDC_ISZ_PRINT_HEIGHT; }
int ResolutionId(int axis) { return axis == 0 ? IDC_ISZ_XRES : IDC_ISZ_YRES; }

std::string IntegerRangeText(int low, int high) {
  char text[160];
  std::snprintf(text, sizeof text, std::string(res::String(IDS_ENTER_INTEGER_RANGE)).c_str(), low, high);
  return text;
}

std::string NumberRangeText(std::int64_t lowHundredths, std::int64_t highHundredths) {
  char text[200];
  std::snprintf(text, sizeof text, std::string(res::String(IDS_ENTER_NUMBER_RANGE)).c_str(),
                static_cast<int>(lowHundredths / 100), static_cast<int>(lowHundredths % 100),
                static_cast<int>(highHundredths / 100), static_cast<int>(highHundredths % 100));
  return text;
}

std::int64_t TruncHundredths(double value) { return static_cast<std::int64_t>(std::clamp(value * 100.0, 0.0, 1e15)); }

}  // namespace

std::string FormatHundredths(std::int64_t hundredths) {
  const bool negative = hundredths < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(hundredths) : hundredths;
  char text[48];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 100), static_cast<unsigned long long>(magnitude % 100));
  return text;
}

std::string FormatPixelField(int pixels, int oldPixels, int unit) {
  if (unit == kSizeInPercent) return FormatHundredths(RoundedHundredthsOfRatio(pixels, std::max(oldPixels, 1)));
  return std::to_string(pixels);
}

std::string FormatPrintField(int pixels, int oldPixels, int resolution, int unit) {
  const std::int64_t r = std::max(resolution, 1);
  switch (unit) {
    case kPrintInCm: return FormatHundredths(std::int64_t{pixels} * 254 / r);  // P x 2.54 / R
    case kPrintInInches: return FormatHundredths(std::int64_t{pixels} * 100 / r);
    default: return FormatHundredths(RoundedHundredthsOfRatio(pixels, std::max(oldPixels, 1)));
  }
}

int ReadPixelField(const std::string& text, int oldPixels, int unit) {
  if (unit == kSizeInPercent) return TruncToInt(ReadNumber(text) * oldPixels * 0.01 + 0.5);
  return ReadInteger(text);
}

int ReadPrintField(const std::string& text, int oldPixels, int resolution, int unit) {
  const double value = ReadNumber(text);
  switch (unit) {
    case kPrintInCm: return TruncToInt(value * resolution * kInchesPerCm + 0.05);
    case kPrintInInches: return TruncToInt(value * resolution + 0.05);
    default: return TruncToInt(value * oldPixels * 0.01 + 0.5);
  }
}

double PrintFieldInches(const std::string& text, int unit) {
  const double value = ReadNumber(text);
  return unit == kPrintInCm ? value * kInchesPerCm : value;
}

int ProportionalSide(int pixels, int oldThis, int oldOther) {
  const std::int64_t o = std::max(oldThis, 1);
  const std::int64_t other = (std::int64_t{pixels} * oldOther + o / 2) / o;
  return static_cast<int>(std::clamp<std::int64_t>(other, 1, kMaxImageSizeSide));
}

int ResolutionLimit(bool resample, int pixels) {
  if (resample) return kMaxImageSizeResolution;
  return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{pixels} * 100, 1, kMaxImageSizeResolution));
}

int ClampResolution(int value, bool resample, int pixels) {
  return std::clamp(value, 1, ResolutionLimit(resample, pixels));
}

std::string FormatMemorySize(std::uint64_t value) {
  char text[48];
  if (value < 1024) {
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    return text;
  }
  // Kilobytes up to 2M: 1,500,000 shows as 1464.8K, 2,097,152 as 2M. The
  // decimal point is the one of every other number the program shows.
  const std::uint64_t unit = value < 2 * 1048576 ? 1024 : 1048576;
  // Tenths rounded, without overflowing for the largest figures.
  const std::uint64_t tenths = value / unit * 10 + (value % unit * 10 + unit / 2) / unit;
  const char* suffix = unit == 1024 ? "K" : "M";
  if (tenths % 10 == 0) {
    std::snprintf(text, sizeof text, "%llu%s", static_cast<unsigned long long>(tenths / 10), suffix);
  } else {
    std::snprintf(text, sizeof text, "%llu.%i%s", static_cast<unsigned long long>(tenths / 10),
                  static_cast<int>(tenths % 10), suffix);
  }
  return text;
}

std::string MemoryText(int newWidth, int newHeight, int oldWidth, int oldHeight, std::uint64_t memory) {
  const double figure = static_cast<double>(newWidth) * static_cast<double>(memory) / std::max(oldWidth, 1) *
                            newHeight / std::max(oldHeight, 1) +
                        0.5;
  const std::uint64_t scaled =
      figure >= 1.8e19 ? std::numeric_limits<std::uint64_t>::max() : static_cast<std::uint64_t>(std::max(figure, 0.0));
  const std::string format(res::String(IDS_FILE_SIZE));
  char text[160];
  std::snprintf(text, sizeof text, format.c_str(), FormatMemorySize(scaled).c_str(), FormatMemorySize(memory).c_str());
  return text;
}

PrintRange PrintSizeRange(int unit, int pixels, int resolution) {
  switch (unit) {
    case kPrintInCm: return {0.01, pixels * 2.54};
    case kPrintInInches: return {0.01, static_cast<double>(pixels)};
    default: return {std::max(100.0 / std::max(pixels, 1), 0.01) + 0.005, resolution * 100.0};
  }
}

// ---- The form ----

void ImageSizeForm::Set(int id, std::string text) {
  texts_[id] = std::move(text);
  typed_.erase(id);
  if (std::find(changed_.begin(), changed_.end(), id) == changed_.end()) changed_.push_back(id);
}

const std::string& ImageSizeForm::Text(int id) const {
  static const std::string empty;
  const auto found = texts_.find(id);
  return found != texts_.end() ? found->second : empty;
}

std::vector<int> ImageSizeForm::TakeChanged() {
  std::vector<int> changed;
  changed.swap(changed_);
  return changed;
}

bool ImageSizeForm::IsShown(int id) const {
  switch (id) {
    case IDC_ISZ_WIDTH:
    case IDC_ISZ_HEIGHT:
    case IDC_ISZ_UNITS_LABEL:
    case IDC_ISZ_PIXELS:
    case IDC_ISZ_PERCENT: return resample_;
    case IDC_ISZ_OLD_WIDTH:
    case IDC_ISZ_OLD_HEIGHT:
    case IDC_ISZ_OLD_WIDTH_UNIT:
    case IDC_ISZ_OLD_HEIGHT_UNIT: return !resample_;
    default: return true;
  }
}

void ImageSizeForm::FormPixelField(int axis) {
  Set(PixelId(axis), FormatPixelField(newSize_[axis], oldSize_[axis], pixelUnit_));
}

void ImageSizeForm::FormPrintField(int axis) {
  if (printUnit_ == kPrintInPercent && !resample_) {
    // The pixels stay: the print size in percent is the reference
    // resolution over the new one.
    Set(PrintId(axis), FormatHundredths(RoundedHundredthsOfRatio(refRes_[axis], newRes_[axis])));
    return;
  }
  Set(PrintId(axis), FormatPrintField(newSize_[axis], oldSize_[axis], newRes_[axis], printUnit_));
}

void ImageSizeForm::FormResolutionField(int axis) { Set(ResolutionId(axis), std::to_string(newRes_[axis])); }

void ImageSizeForm::FormMemory() {
  Set(IDC_ISZ_MEMORY, MemoryText(newSize_[0], newSize_[1], oldSize_[0], oldSize_[1], memory_));
}

void ImageSizeForm::FormAll() {
  for (int axis : {0, 1}) {
    FormResolutionField(axis);
    FormPrintField(axis);
    FormPixelField(axis);
  }
  FormMemory();
}

int ImageSizeForm::ClampPixels() const { return std::min(oldSize_[0], oldSize_[1]); }

int ImageSizeForm::ResolutionPixels(int axis) const { return keep_ ? oldSize_[axis] : ClampPixels(); }

void ImageSizeForm::Open(int oldWidth, int oldHeight, int xResolution, int yResolution, std::uint64_t memory) {
  oldSize_[0] = newSize_[0] = std::clamp(oldWidth, 1, kMaxImageSizeSide);
  oldSize_[1] = newSize_[1] = std::clamp(oldHeight, 1, kMaxImageSizeSide);
  memory_ = memory;
  const int given[2] = {xResolution, yResolution};
  for (int axis : {0, 1}) {
    const int opening = std::clamp(given[axis], 1, kMaxOpeningResolution);
    refRes_[axis] = newRes_[axis] = openingRes_[axis] = ClampResolution(opening, false, ClampPixels());
  }
  Set(IDC_ISZ_OLD_WIDTH, std::to_string(oldSize_[0]));
  Set(IDC_ISZ_OLD_HEIGHT, std::to_string(oldSize_[1]));
  FormAll();
  initialised_ = true;
}

void ImageSizeForm::KeepOtherInProportion(int axis) {
  const int other = Other(axis);
  const int side = ProportionalSide(newSize_[axis], oldSize_[axis], oldSize_[other]);
  if (side == newSize_[other]) return;
  newSize_[other] = side;
  FormPixelField(other);
  FormPrintField(other);
}

void ImageSizeForm::TextChanged(int id, const std::string& text) {
  texts_[id] = text;
  if (!initialised_) return;
  typed_.insert(id);
  switch (id) {
    case IDC_ISZ_WIDTH:
    case IDC_ISZ_HEIGHT:
      // Hidden with resample off, where the pixels stay.
      if (resample_) PixelTyped(id == IDC_ISZ_WIDTH ? kX : kY, false);
      break;
    case IDC_ISZ_PRINT_WIDTH:
    case IDC_ISZ_PRINT_HEIGHT: {
      const int axis = id == IDC_ISZ_PRINT_WIDTH ? kX : kY;
      if (resample_) {
        PixelTyped(axis, true);
      } else {
        PrintTypedFixedPixels(axis, ReadNumber(text));
      }
      break;
    }
    case IDC_ISZ_XRES:
    case IDC_ISZ_YRES: {
      const int axis = id == IDC_ISZ_XRES ? kX : kY;
      const int value = ReadInteger(text);
      if (value >= 1 && value <= ResolutionLimit(resample_, ResolutionPixels(axis))) ResolutionTyped(axis, value);
      break;
    }
    default: break;
  }
}

void ImageSizeForm::PixelTyped(int axis, bool print) {
  const int side = print ? ReadPrintField(Text(PrintId(axis)), oldSize_[axis], newRes_[axis], printUnit_)
                         : ReadPixelField(Text(PixelId(axis)), oldSize_[axis], pixelUnit_);
  if (side < 1 || side > kMaxImageSizeSide) return;
  newSize_[axis] = side;
  if (print) {
    FormPixelField(axis);
  } else {
    FormPrintField(axis);
  }
  if (keep_) KeepOtherInProportion(axis);
  FormMemory();
}

void ImageSizeForm::ResolutionTyped(int axis, int value) {
  newRes_[axis] = value;
  if (printUnit_ == kPrintInPercent) refRes_[axis] = value;
  if (printUnit_ != kPrintInPercent) {
    if (resample_) {
      // The print size stays: the pixels follow the resolution.
      const double pixels = PrintFieldInches(Text(PrintId(axis)), printUnit_) * value + 0.5;
      newSize_[axis] = std::clamp(TruncToInt(pixels), 1, kMaxImageSizeSide);
      FormPixelField(axis);
    } else {
      FormPrintField(axis);
    }
  }
  if (keep_) {
    const int other = Other(axis);
    if (printUnit_ == kPrintInPercent) refRes_[other] = value;
    if (newRes_[other] != value) {
      newRes_[other] = value;
      FormResolutionField(other);
      if (resample_) {
        newSize_[other] = ProportionalSide(newSize_[axis], oldSize_[axis], oldSize_[other]);
        FormPixelField(other);
      } else if (printUnit_ != kPrintInPercent) {
        FormPrintField(other);
      }
    }
  }
  FormMemory();
}

void ImageSizeForm::PrintTypedFixedPixels(int axis, double value) {
  const PrintRange range = PrintSizeRange(printUnit_, ClampPixels(), refRes_[axis]);
  if (value < range.low || value > range.high) return;
  double base = refRes_[axis] * 100.0;
  if (printUnit_ == kPrintInCm) base = oldSize_[axis] * 2.54;
  if (printUnit_ == kPrintInInches) base = oldSize_[axis];
  const int resolution = TruncToInt(base / value + 0.5);
  if (resolution < 1 || resolution > kMaxImageSizeResolution) return;
  newRes_[axis] = resolution;
  FormResolutionField(axis);
  if (keep_) {
    const int other = Other(axis);
    newRes_[other] = resolution;
    FormResolutionField(other);
    FormPrintField(other);
  }
  FormMemory();
}

std::string ImageSizeForm::PixelRangeText(int axis, bool print) const {
  const int unit = print ? printUnit_ : (pixelUnit_ == kSizeInPercent ? kPrintInPercent : -1);
  const std::int64_t resolution = std::max(newRes_[axis], 1);
  switch (unit) {
    case kPrintInCm: return NumberRangeText(1, std::int64_t{7620000} / resolution);  // 30000 x 2.54 / R
    case kPrintInInches: return NumberRangeText(1, std::int64_t{3000000} / resolution);
    case kPrintInPercent:
      return NumberRangeText(TruncHundredths(std::max(100.0 / oldSize_[axis], 0.01) + 0.005),
                             std::int64_t{300000000} / oldSize_[axis]);  // 30000 x 100 / O
    default: return IntegerRangeText(1, kMaxImageSizeSide);
  }
}

std::optional<SizeWarning> ImageSizeForm::LeaveSizeField(int axis, bool print) {
  const int id = print ? PrintId(axis) : PixelId(axis);
  const int side = print ? ReadPrintField(Text(id), oldSize_[axis], newRes_[axis], printUnit_)
                         : ReadPixelField(Text(id), oldSize_[axis], pixelUnit_);
  if (side >= 1 && side <= kMaxImageSizeSide) return std::nullopt;
  newSize_[axis] = std::clamp(side, 1, kMaxImageSizeSide);
  FormPrintField(axis);
  FormPixelField(axis);
  if (keep_) KeepOtherInProportion(axis);
  FormMemory();
  return SizeWarning{id, PixelRangeText(axis, print)};
}

std::optional<SizeWarning> ImageSizeForm::LeaveFixedPrintField(int axis) {
  const int id = PrintId(axis);
  const double value = ReadNumber(Text(id));
  const PrintRange range = PrintSizeRange(printUnit_, ClampPixels(), refRes_[axis]);
  if (value >= range.low && value <= range.high) return std::nullopt;
  const std::int64_t bound = TruncHundredths(value < range.low ? range.low : range.high);
  Set(id, FormatHundredths(bound));
  PrintTypedFixedPixels(axis, static_cast<double>(bound) / 100.0);
  return SizeWarning{id, NumberRangeText(TruncHundredths(range.low), TruncHundredths(range.high))};
}

std::optional<SizeWarning> ImageSizeForm::LeaveResolutionField(int axis) {
  const int id = ResolutionId(axis);
  const int value = ReadInteger(Text(id));
  const int limit = ResolutionLimit(resample_, ResolutionPixels(axis));
  if (value >= 1 && value <= limit) return std::nullopt;
  const int clamped = std::clamp(value, 1, limit);
  Set(id, std::to_string(clamped));
  ResolutionTyped(axis, clamped);
  return SizeWarning{id, IntegerRangeText(1, limit)};
}

std::optional<SizeWarning> ImageSizeForm::FocusLost(int id) {
  // A text the form wrote is not read back: at small sizes the truncated
  // print size would not give its own pixels again.
  if (!initialised_ || typed_.count(id) == 0) return std::nullopt;
  switch (id) {
    case IDC_ISZ_WIDTH:
    case IDC_ISZ_HEIGHT:
      if (!resample_) return std::nullopt;
      return LeaveSizeField(id == IDC_ISZ_WIDTH ? kX : kY, false);
    case IDC_ISZ_PRINT_WIDTH:
    case IDC_ISZ_PRINT_HEIGHT: {
      const int axis = id == IDC_ISZ_PRINT_WIDTH ? kX : kY;
      return resample_ ? LeaveSizeField(axis, true) : LeaveFixedPrintField(axis);
    }
    case IDC_ISZ_XRES: return LeaveResolutionField(kX);
    case IDC_ISZ_YRES: return LeaveResolutionField(kY);
    default: return std::nullopt;
  }
}

std::optional<SizeWarning> ImageSizeForm::Confirm() {
  for (int id : {IDC_ISZ_WIDTH, IDC_ISZ_HEIGHT, IDC_ISZ_PRINT_WIDTH, IDC_ISZ_PRINT_HEIGHT, IDC_ISZ_XRES,
                 IDC_ISZ_YRES}) {
    if (std::optional<SizeWarning> warning = FocusLost(id)) return warning;
  }
  return std::nullopt;
}

void ImageSizeForm::PixelUnitChosen(int unit) {
  pixelUnit_ = unit == kSizeInPercent ? kSizeInPercent : kSizeInPixels;
  FormPixelField(kX);
  FormPixelField(kY);
}

void ImageSizeForm::PrintUnitChosen(int unit) {
  printUnit_ = std::clamp(unit, 0, 2);
  FormPrintField(kX);
  FormPrintField(kY);
}

void ImageSizeForm::KeepProportionsSwitched(bool on) {
  keep_ = on;
  if (!on) {
    FormMemory();
    return;
  }
  for (int axis : {0, 1}) {
    newSize_[axis] = oldSize_[axis];
    newRes_[axis] = refRes_[axis] = openingRes_[axis];
  }
  FormAll();
}

void ImageSizeForm::ResampleSwitched(bool on) {
  resample_ = on;
  if (!initialised_) return;
  for (int axis : {0, 1}) newSize_[axis] = oldSize_[axis];
  if (!on) {
    for (int axis : {0, 1}) {
      newRes_[axis] = ClampResolution(newRes_[axis], false, keep_ ? ClampPixels() : oldSize_[axis]);
      FormResolutionField(axis);
    }
  } else {
    FormPixelField(kX);
    FormPixelField(kY);
  }
  FormPrintField(kX);
  FormPrintField(kY);
  FormMemory();
}

}  // namespace lumora
