// The paint brush's dab engine.
#include "paint/PaintBrush.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/pixels/ColorModels.h"
#include "paint/BrushRandom.h"
#include "paint/BrushTables.h"
#include "paint/ShapeImage.h"

namespace paint {

CPaintBrush::CPaintBrush(std::uint32_t commandId, int width, BrushRandom& random)
    : StrokeBrush(width), random_(random), commandId_(commandId) {}

void CPaintBrush::SetWidth(int width, int edgeSize, std::uint32_t edgeOptionId) {
  edgeSize = std::clamp(edgeSize, 0, 255);
  if (width == width_ && edgeSize == edgeSize_ && edgeOptionId == edgeOptionId_) return;
  width_ = width;
  edgeSize_ = edgeSize;
  edgeOptionId_ = edgeOptionId;
  shapeChanged_ = true;
}

void CPaintBrush::SetAngle(int degrees) {
  const int angle = NormalizeAngle(degrees);
  if (angle != angle_) shapeChanged_ = true;  // the fixed turn lives in the mask
  angle_ = angle;
  // A press may rebuild the mask for its pressure before the stroke begins.
  sine_ = SineTable()[angle_];
  cosine_ = CosineTable()[angle_];
}

void CPaintBrush::SetJitter(int hue, int saturation, int value) {
  hueJitter_ = std::clamp(hue, 0, 100);
  saturationJitter_ = std::clamp(saturation, 0, 100);
  valueJitter_ = std::clamp(value, 0, 100);
}

bool CPaintBrush::BeginStroke() {
  StrokeBrush::BeginStroke();
  SetDabSize(width_ + edgeSize_, width_ + edgeSize_);
  // The slashes are thin: lay them twice as densely.
  SetSpacingDivisor(shape_ == kShapeSlash || shape_ == kShapeBackSlash ? 20 : kDefaultSpacingDivisor);
  sine_ = SineTable()[angle_];
  cosine_ = CosineTable()[angle_];
  return shapeChanged_ ? BuildBrushMask() : true;
}

bool CPaintBrush::BuildBrushMask() {
  const int w = dabWidth_;
  const int h = dabHeight_;
  if (w <= 0 || h <= 0) return false;
  const std::size_t size = static_cast<std::size_t>(w) * h;
  try {
    brushMask_.assign(size, 0);
    workingMask_.assign(size, 0);
  } catch (const std::bad_alloc&) {
    brushMask_.clear();
    workingMask_.clear();
    return false;  // the stroke does not start
  }
  const int e = edgeSize_;
  const int shape = (w < 4 || h < 4) ? kShapeSquare : shape_;
  if (shape >= kFirstCustomShape) {
    if (shapeLoader_) {
      if (!shapeLoader_(brushMask_.data(), w, h, e)) return false;
    } else {
      const WAPtr image = shapes_ != nullptr ? shapes_->ReadFileFromProgramDir(shapeFile_) : WAPtr();
      if (!image) return false;
      ScaleShapeIntoMask(image.get(), brushMask_.data(), w, h, e);
    }
  } else {
    DrawBuiltInShape(brushMask_.data(), w, h, e, shape);
  }
  if (e != 0) BlurMask(0, 0, w, h, brushMask_.data(), w, e * 10);
  if (angle_ == 0) {
    workingMask_ = brushMask_;
  } else {
    RotateMask(workingMask_.data(), brushMask_.data(), w, h, sine_, cosine_);
  }
  turnedMask_ = workingMask_;
  if (angle_ != 0 && edgeOptionId_ != 0) {
    DitherMask(workingMask_.data(), workingMask_.data(), static_cast<int>(size), random_);
  }
  shapeChanged_ = false;
  return true;
}

void CPaintBrush::RotateBrushMask(POINT lastDab, POINT current) {
  const int w = dabWidth_;
  const int h = dabHeight_;
  if (shape_ == kShapeRound || w < 4 || h < 4) {
    workingMask_ = brushMask_;
    return;
  }
  std::int32_t s = 0;
  std::int32_t c = 0;
  if (rotationMode_ == kRotateFixed) {
    s = sine_, c = cosine_;
  } else if (rotationMode_ == kRotateWithStroke) {
    const double radians = std::atan2(static_cast<double>(lastDab.y - current.y),
                                      static_cast<double>(current.x - lastDab.x));
    const int degrees = NormalizeAngle(static_cast<int>(radians * 57.29582790879778));
    s = SineTable()[degrees], c = CosineTable()[degrees];
  } else if (rotationMode_ == kRotateRandom) {
    const int degrees = static_cast<int>(random_.Below(360));
    s = SineTable()[degrees], c = CosineTable()[degrees];
  }
  RotateMask(workingMask_.data(), brushMask_.data(), w, h, s, c);
  if (edgeOptionId_ != 0) {
    DitherMask(workingMask_.data(), workingMask_.data(), static_cast<int>(workingMask_.size()), random_);
  }
}

void CPaintBrush::JitterColour(int* red, int* green, int* blue) {
  if (hueJitter_ == 0 && saturationJitter_ == 0 && valueJitter_ == 0) return;
  int h, s, v;
  RGBToHSV(*red, *green, *blue, h, s, v);
  v = std::clamp(v + (static_cast<int>(random_.Below(255)) - 127) * valueJitter_ / 100, 0, 255);
  // The colour model counts full saturation as 256: keep its whole range.
  s = std::clamp(s + (static_cast<int>(random_.Below(255)) - 127) * saturationJitter_ / 100, 0, 256);
  h += (static_cast<int>(random_.Below(1536)) - 768) * hueJitter_ / 100;
  if (h >= 1536) h -= 1536;
  if (h < 0) h += 1536;
  HSVToRGB(h, s, v, *red, *green, *blue);
}

int CPaintBrush::Pressure() {
  const bool scales = pressureToCoverage_ && (commandId_ == kCmdPaintBrush || commandId_ == kCmdClone);
  if (!scales) return 255;
  MarkPressureStale();
  return RawPressure();
}

bool CPaintBrush::UpdateBrushGeometry(bool deferMask) {
  StrokeBrush::UpdateBrushGeometry(deferMask);
  shapeChanged_ = true;
  return deferMask || BuildBrushMask();
}

void CPaintBrush::PrepareWorkingMask(POINT lastDab, POINT current) {
  if (rotationMode_ != kRotateFixed) {
    RotateBrushMask(lastDab, current);
  } else if (edgeOptionId_ != 0) {
    DitherMask(workingMask_.data(), turnedMask_.data(), static_cast<int>(turnedMask_.size()), random_);
  }
}

bool CPaintBrush::PrepareOwnDab(POINT lastDab, POINT current, bool firstDab) {
  if (rotationMode_ == kRotateWithStroke && firstDab) return false;
  if (workingMask_.size() != static_cast<std::size_t>(dabWidth_) * dabHeight_) return false;
  PrepareWorkingMask(lastDab, current);
  return true;
}

RECT CPaintBrush::PaintDabPixels(DabJob& job, POINT lastDab, POINT current, bool firstDab) {
  if (rotationMode_ == kRotateWithStroke && firstDab) return RECT{};
  if (workingMask_.size() != static_cast<std::size_t>(dabWidth_) * dabHeight_ ||
      job.dab.right - job.dab.left != dabWidth_ || job.dab.bottom - job.dab.top != dabHeight_) {
    return RECT{};
  }
  job.pressure = Pressure();
  const bool jitter = hueJitter_ != 0 || saturationJitter_ != 0 || valueJitter_ != 0;
  JitterColour(&job.red, &job.green, &job.blue);
  PrepareWorkingMask(lastDab, current);
  job.mask = workingMask_.data();
  job.colourMode = std::clamp(colourMode_, 0, static_cast<int>(kColourLastMode));
  job.plain = !jitter && job.colourMode == kColourPlain;
  return paint::PaintDabPixels(job);
}

bool CPaintBrush::LoadPaperImage(const std::string& file) {
  SetPaperTexture(nullptr, 0, 0);
  if (file.empty()) return true;
  const WAPtr image = papers_ != nullptr ? papers_->ReadFileFromProgramDir(file) : WAPtr();
  if (!image || image->GetType() != kWAType8Grey) return false;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(image->GetW()) * image->GetH());
  for (int y = 0; y < image->GetH(); ++y) {
    std::copy_n(image->Row(y), image->GetW(), bytes.begin() + static_cast<std::ptrdiff_t>(y) * image->GetW());
  }
  SetPaperTexture(bytes.data(), image->GetW(), image->GetH());
  return true;
}

bool CPaintBrush::PaintAt(const RECT& dab) {
  if (strokeLock_ == 0 && !GrowLayer(dab)) return false;
  // A width changed by the pressure may leave a mask of the old size.
  if (workingMask_.size() != static_cast<std::size_t>(dabWidth_) * dabHeight_ && !BuildBrushMask()) {
    return false;
  }
  if (!EnsurePaintLayer(dab, false)) return false;
  DabJob job;
  FillJob(&job, dab, strokeLock_ != 0 && editMask_ != 0);
  PaintDabPixels(job, lastDab_, current_, firstDab_);
  return true;
}

void CPaintBrush::PaintDab(const PlaneView& dest, const RECT& destRect, const RECT& dab, int imageType, int red,
                           int green, int blue) {
  if (dab.right - dab.left != dabWidth_ || dab.bottom - dab.top != dabHeight_ ||
      workingMask_.size() != static_cast<std::size_t>(dabWidth_) * dabHeight_) {
    return;
  }
  PrepareWorkingMask(POINT{dab.left, dab.top}, POINT{dab.left, dab.top});
  PaintDabPreview(dest, destRect, dab, workingMask_.data(), Pressure(), imageType, red, green, blue);
}

}  // namespace paint
