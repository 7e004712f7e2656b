// The dab engine of the paint brush: the brush mask built from the shape
// and edge, the working mask rotated and dithered per dab, and the dab laid
// with pressure, colour jitter and the colour rules.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "paint/BrushMask.h"
#include "paint/BrushTables.h"
#include "paint/DabPixels.h"
#include "paint/ImageStore.h"
#include "paint/StrokeBrush.h"

class BrushRandom;

namespace paint {

enum RotationMode : int { kRotateFixed = 0, kRotateWithStroke = 1, kRotateRandom = 2 };

constexpr std::uint32_t kCmdAirBrush = 32835;
constexpr std::uint32_t kCmdPaintBrush = 32889;
constexpr std::uint32_t kCmdEraser = 32896;
constexpr std::uint32_t kCmdClone = 32902;

class CPaintBrush : public StrokeBrush {
 public:
  CPaintBrush(std::uint32_t commandId, int width, BrushRandom& random);

  // Settings. Angles are kept in 0..359 and jitter in 0..100.
  void SetWidth(int width, int edgeSize, std::uint32_t edgeOptionId);
  void SetShape(int shape) { shape_ = shape, shapeChanged_ = true; }
  // A custom shape (index kFirstCustomShape and above) names its file in
  // the shape store.
  void SetShape(int shape, std::string file) {
    SetShape(shape);
    shapeFile_ = shape >= kFirstCustomShape ? std::move(file) : std::string();
  }
  // The stores custom shapes and papers are read from (owned elsewhere).
  void SetStores(const CFileManager* shapes, const CFileManager* papers) { shapes_ = shapes, papers_ = papers; }
  // The paper of the next strokes: a file of the paper store, or none for
  // an empty name. False when the file cannot be read as an 8-bit image
  // (the brush then paints without paper).
  bool LoadPaperImage(const std::string& file);
  void SetAngle(int degrees);
  void SetRotationMode(int mode) { rotationMode_ = mode; }
  void SetColourMode(int mode) { colourMode_ = mode; }
  void SetJitter(int hue, int saturation, int value);
  void SetPressureToCoverage(bool on) { pressureToCoverage_ = on; }
  // A tablet that reports only pressure 0..255 (the width stays).
  void SetPressureSource(std::function<int()> source) {
    SetTablet([source = std::move(source)] { return TabletReading{source(), 1, 1}; });
  }
  // Reads custom shapes (index kFirstCustomShape and above) into the inner
  // box of the mask; false when the shape cannot be had.
  void SetCustomShapeLoader(std::function<bool(std::uint8_t* mask, int w, int h, int edge)> loader) {
    shapeLoader_ = std::move(loader);
  }

  int DabHeight() const { return dabHeight_; }
  int Angle() const { return angle_; }
  int Shape() const { return shape_; }
  bool ShapeChanged() const { return shapeChanged_; }
  const std::vector<std::uint8_t>& BrushMask() const { return brushMask_; }
  const std::vector<std::uint8_t>& WorkingMask() const { return workingMask_; }

  // Starts a stroke: the angle's sine and cosine, the masks when the shape,
  // width or edge changed. False when the mask cannot be built.
  bool BeginStroke() override;
  bool BuildBrushMask();
  // The working mask for the current rotation (and dither with an edge
  // option); `lastDab` and `current` give the stroke direction.
  void RotateBrushMask(POINT lastDab, POINT current);
  // The colour after the jitter (unchanged without jitter).
  void JitterColour(int* red, int* green, int* blue);
  // Fills the per-dab fields of `job` (mask, pressure, colour, colour rule)
  // and lays the dab. `firstDab` with rotation along the stroke paints
  // nothing. Returns the painted rectangle.
  RECT PaintDabPixels(DabJob& job, POINT lastDab, POINT current, bool firstDab);
  // The preview dab into a caller's buffer.
  void PaintDab(const PlaneView& dest, const RECT& destRect, const RECT& dab, int imageType, int red, int green,
                int blue);

 protected:
  BrushRandom& Random() { return random_; }
  // What PaintDabPixels does before a dab, for brushes that lay their own:
  // false when no dab goes here (the first dab of a stroke whose mask turns
  // with it, or no working mask after a failed allocation); otherwise the
  // working mask is turned or dithered for this dab.
  bool PrepareOwnDab(POINT lastDab, POINT current, bool firstDab);
  // No jitter and no colour rule: dabs only accumulate coverage.
  bool PlainDabs() const {
    return hueJitter_ == 0 && saturationJitter_ == 0 && valueJitter_ == 0 && colourMode_ == kColourPlain;
  }
  // The tablet reading whatever the tool (255 without a tablet).
  int RawPressure() const { return std::clamp(ReadTablet().pressure, 0, 255); }
  bool PaintAt(const RECT& dab) override;
  // A changed width resizes the dab and, unless deferred, rebuilds the mask.
  bool UpdateBrushGeometry(bool deferMask) override;
  int EdgeSize() const override { return edgeSize_; }
  bool CanGrowLayer() const override { return true; }

 private:
  int Pressure();
  void PrepareWorkingMask(POINT lastDab, POINT current);

  BrushRandom& random_;
  std::uint32_t commandId_;
  int edgeSize_ = 0;
  std::uint32_t edgeOptionId_ = 0;
  int shape_ = kShapeSquare;
  bool shapeChanged_ = true;
  int angle_ = 0;
  int rotationMode_ = kRotateFixed;
  int colourMode_ = kColourPlain;
  int hueJitter_ = 0, saturationJitter_ = 0, valueJitter_ = 0;
  bool pressureToCoverage_ = true;
  std::int32_t sine_ = 0;
  std::int32_t cosine_ = kTrigScale;
  std::vector<std::uint8_t> brushMask_;
  std::vector<std::uint8_t> workingMask_;
  // The brush mask turned by the fixed angle, undithered: the source of a
  // fresh dither pattern per dab, so that dithering keeps the rotation.
  std::vector<std::uint8_t> turnedMask_;
  std::function<bool(std::uint8_t*, int, int, int)> shapeLoader_;
  std::string shapeFile_;
  const CFileManager* shapes_ = nullptr;
  const CFileManager* papers_ = nullptr;
};

}  // namespace paint
