// What the image-size dialog computes without a window: the pixel size,
// the print size and the resolution as three linked groups of texts, kept
// consistent while the user types, corrected with a warning when a field
// is left, and the new size and resolution the dialog returns.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lumora {

enum ImageSizePixelUnit : int { kSizeInPixels = 0, kSizeInPercent = 1 };
enum ImageSizePrintUnit : int { kPrintInCm = 0, kPrintInInches = 1, kPrintInPercent = 2 };

constexpr int kMaxImageSizeSide = 30000;
constexpr int kMaxImageSizeResolution = 30000;
// The highest resolution the dialog opens with (3599, not 3600).
constexpr int kMaxOpeningResolution = 3599;

// ---- The arithmetic, one named function per conversion ----

// "%i.%02i" of a value in hundredths.
std::string FormatHundredths(std::int64_t hundredths);
// Pixels P of a dimension whose old size is O: "%i" of P, or P x 100 / O
// rounded to the nearest hundredth.
std::string FormatPixelField(int pixels, int oldPixels, int unit);
// The print size of P pixels at R dots per inch: centimetres or inches with
// the hundredths truncated, or P x 100 / O rounded (percent).
std::string FormatPrintField(int pixels, int oldPixels, int resolution, int unit);
// A typed pixel field in pixels (percent: trunc(v x O x 0.01 + 0.5)). Text
// that is no number reads as 0; the result may lie outside 1..30000.
int ReadPixelField(const std::string& text, int oldPixels, int unit);
// A typed print field in pixels: cm trunc(v x R x 0.3937 + 0.05), inch
// trunc(v x R + 0.05), percent as the pixel field.
int ReadPrintField(const std::string& text, int oldPixels, int resolution, int unit);
// The print size of a cm or inch field in inches.
double PrintFieldInches(const std::string& text, int unit);
// The other dimension kept in proportion: (P x Oother + Othis / 2) / Othis,
// clamped to 1..30000.
int ProportionalSide(int pixels, int oldThis, int oldOther);
// The highest resolution: 30000, and with resample off at most 100 dots
// per pixel (a print size of at least 0.01 inch).
int ResolutionLimit(bool resample, int pixels);
int ClampResolution(int value, bool resample, int pixels);
// A memory figure: "%u" below 1024, else K (below 2M) or M with one
// decimal after a point (left out when 0).
std::string FormatMemorySize(std::uint64_t value);
// The memory text (string 10260) of the new size beside the old figure.
std::string MemoryText(int newWidth, int newHeight, int oldWidth, int oldHeight, std::uint64_t memory);

// The print sizes a field takes with resample off, for `pixels` pixels at
// reference resolution `resolution`.
struct PrintRange {
  double low = 0;
  double high = 0;
};
PrintRange PrintSizeRange(int unit, int pixels, int resolution);

// A warning box to show (caption string 10217), and the field that gets
// the focus back.
struct SizeWarning {
  int focus = 0;
  std::string text;
};

class ImageSizeForm {
 public:
  // The caller's values, then the dialog's opening work.
  void Open(int oldWidth, int oldHeight, int xResolution, int yResolution, std::uint64_t memory);
  bool IsOpen() const { return initialised_; }

  // The user typed into a field (EN_CHANGE): its text is taken and the
  // linked fields follow. Nothing happens before Open.
  void TextChanged(int id, const std::string& text);
  // The user left a field (EN_KILLFOCUS): an out-of-range value typed there
  // is corrected, with the warning to show.
  std::optional<SizeWarning> FocusLost(int id);
  void PixelUnitChosen(int unit);
  void PrintUnitChosen(int unit);
  void KeepProportionsSwitched(bool on);
  void ResampleSwitched(bool on);
  // OK: every field is checked as leaving it would check it, so nothing
  // out of range is returned; a warning keeps the dialog open.
  std::optional<SizeWarning> Confirm();

  // The text of a field or label (the controls' ids of template 254).
  const std::string& Text(int id) const;
  // Whether a control of the pixel group shows in the resample state.
  bool IsShown(int id) const;
  // Fields rewritten since the last call, for the dialog to move into its
  // controls.
  std::vector<int> TakeChanged();

  bool KeepProportions() const { return keep_; }
  bool Resample() const { return resample_; }
  int PixelUnit() const { return pixelUnit_; }
  int PrintUnit() const { return printUnit_; }
  // The result.
  int NewWidth() const { return newSize_[0]; }
  int NewHeight() const { return newSize_[1]; }
  int NewXResolution() const { return newRes_[0]; }
  int NewYResolution() const { return newRes_[1]; }

 private:
  enum Axis { kX = 0, kY = 1 };
  void Set(int id, std::string text);
  void FormPixelField(int axis);
  void FormPrintField(int axis);
  void FormResolutionField(int axis);
  void FormAll();
  void FormMemory();
  void KeepOtherInProportion(int axis);
  int ClampPixels() const;
  int ResolutionPixels(int axis) const;
  void PixelTyped(int axis, bool print);
  void ResolutionTyped(int axis, int value);
  void PrintTypedFixedPixels(int axis, double value);
  std::optional<SizeWarning> LeaveSizeField(int axis, bool print);
  std::optional<SizeWarning> LeaveFixedPrintField(int axis);
  std::optional<SizeWarning> LeaveResolutionField(int axis);
  std::string PixelRangeText(int axis, bool print) const;

  bool keep_ = true;
  bool resample_ = true;
  int pixelUnit_ = kSizeInPixels;
  int printUnit_ = kPrintInInches;
  std::uint64_t memory_ = 0;
  int oldSize_[2] = {1, 1};
  int newSize_[2] = {1, 1};
  int refRes_[2] = {96, 96};
  int newRes_[2] = {96, 96};
  int openingRes_[2] = {96, 96};
  bool initialised_ = false;
  std::map<int, std::string> texts_;
  // Fields the user typed into since the form last wrote them.
  std::set<int> typed_;
  std::vector<int> changed_;
};

}  // namespace lumora
