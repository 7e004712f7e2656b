// The draw context: options, guides and kept pixels over one image, the
// portable half of every operation; the GDI half is in win/.
#pragma once

#include <memory>
#include <vector>

#include "hostapi/draw.h"
#include "libs/draw/color_tables.h"
#include "libs/draw/pixel_cache.h"
#include "libs/draw/render.h"

namespace lumora::draw {

class DrawContext final : public VR_DRAWCONTEXT {
 public:
  DrawContext(const VrWA2000::ReadWA* image, VR_REDRAWNTF* notifier);
  ~DrawContext() override;

  void SetMapping(const XFFACT& x, const XFFACT& y) override;
  void SetCoverage(const VrWA2000::ReadWA* coverage) override;
  void SetDocumentOption(std::uint32_t word) override { documentOption_ = word; }
  void SetGamma(const VR_GAMMAOPT& gamma) override;
  void SetDitherOptions(const VR_CDOPTFV& options) override;
  void InvalidateImageRect(const RECT* imageRect) override;
  int Draw(HDC dc, HRGN clip, HWND window, BOOL notActive, BOOL layerMoving,
           HPALETTE* paletteOut) override;
  UINT RealizePaletteForeground(HWND window) override;
  UINT RealizePaletteBackground(HWND window) override;
  void SetWindow(HWND window) override { window_ = window; }
  void ShowGrid(BOOL show) override;
  void SetGridSettings(const VR_GRIDSETTINGS& grid) override;
  void SetViewWords(std::int32_t first, std::int32_t second) override;
  void SetFrameValue(std::int32_t value) override { frameValue_ = value; }
  BOOL GetGridSnapX(std::int32_t position, std::int32_t* below, std::int32_t* above) const override;
  BOOL GetGridSnapY(std::int32_t position, std::int32_t* below, std::int32_t* above) const override;
  void ShowGuides(BOOL show) override;
  void SetGuideSettings(const VR_GUIDESETTINGS& guides) override;
  void AddGuide(std::int32_t position, std::int32_t orientation) override;
  void RemoveGuide(std::int32_t position, std::int32_t orientation) override;
  void RemoveAllGuides() override;
  void DrawMargin(HDC dc, HWND window, const RECT* client, const RECT* image) override;
  void SetProfiles(const VR_CMPROFILES& profiles) override;
  void SetImageProfile(const std::uint8_t* bytes, std::size_t size) override;
  std::uint32_t ColorManagementProblems() const override { return cmProblems_; }
  void SetRulerOrigin(std::int32_t x, std::int32_t y) override;
  void Update() override;
  void Reactivate(HWND window) override;
  std::uint32_t GetDocumentOption() const override { return documentOption_; }
  void GetViewWords(std::int32_t* first, std::int32_t* second) const override;
  std::int32_t GetFrameValue() const override { return frameValue_; }

  // The portable draw: computes the clip rects (window coordinates) into a
  // 32-bit buffer of their bounding box clipped to the image (and to
  // `client` when given, which also keeps the pixels for later draws).
  // Returns the box; the buffer's rows are top-down, box-wide.
  RECT Compose(const std::vector<RECT>& clipRects, const RECT* client, bool paletteMode,
               std::vector<std::uint32_t>* out);
  const RenderSettings& Settings() const { return settings_; }
  const VR_CMPROFILES& Profiles() const { return profiles_; }
  const VR_CDOPTFV& DitherOptions() const { return dither_; }
  const PaletteMap& Palette();
  HWND Window() const { return window_; }

 private:
  // The screen went stale through an option change.
  void OptionChanged();
  // Tells the notifier that the client area is stale (win/ or native).
  void NotifyClientStale();
  // Deletes the GDI objects the context made (win/ or native).
  void ReleaseDeviceObjects();
  void UsePaletteMode(bool on);
  BOOL SnapRange(bool vertical, std::int32_t position, std::int32_t* below, std::int32_t* above) const;
  // The colour transform for the profiles as set (none when off).
  void RebuildColorTransform();

  const VrWA2000::ReadWA* image_;
  VR_REDRAWNTF* notifier_;
  HWND window_ = nullptr;
  RenderSettings settings_;
  VR_CDOPTFV dither_;
  std::unique_ptr<PaletteMap> palette_;
  bool paletteMode_ = false;
  PixelCache cache_;
  // The composed pixels of the last draw, kept for the next: a window-sized
  // buffer made afresh on every paint costs its pages each time.
  std::vector<std::uint32_t> drawPixels_;
  std::uint32_t documentOption_ = 0;
  std::int32_t viewWords_[2] = {0, 0};
  std::int32_t frameValue_ = 0;
  VR_CMPROFILES profiles_;
  std::vector<std::uint8_t> imageProfile_;
  std::shared_ptr<const CmTransform> colorTransform_;
  std::uint32_t cmProblems_ = 0;
  bool profilesSet_ = false;
  bool greyImage_ = false;  // the transform was built for a grey image
  // The logical palette realised in windows (an HPALETTE on Windows).
  void* windowPalette_ = nullptr;
};

}  // namespace lumora::draw
