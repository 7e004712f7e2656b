// The portable half of the draw context: options, guides, kept pixels and
// the composition of a draw into a 32-bit buffer.
#include "libs/draw/draw_context.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/rect.h"

VR_CDOPTFV VrDefaultDitherOptions(int imageType) noexcept {
  switch (imageType) {
    case kWAType1Bit: return VR_CDOPTFV{0, 1, 2, 2, 1};
    case kWAType4Bit: return VR_CDOPTFV{1, 1, 16, 3, 1};
    case kWAType8Palette: return VR_CDOPTFV{1, 1, 256, 3, 1};
    case kWAType8Grey: return VR_CDOPTFV{0, 0, 256, 0, 1};
    default: return VR_CDOPTFV{1, 0, 16777216, 1, 1};
  }
}

VR_DRAWCONTEXT* WACreateDrawContext(const VrWA2000::ReadWA* image, VR_REDRAWNTF* notifier) {
  if (!image) return nullptr;
  return new lumora::draw::DrawContext(image, notifier);
}

namespace lumora::draw {

DrawContext::DrawContext(const VrWA2000::ReadWA* image, VR_REDRAWNTF* notifier)
    : image_(image), notifier_(notifier), dither_(VrDefaultDitherOptions(image->GetType())) {
  image_->AddRef();
  settings_.image = image_;
  mapping_ = VRXFORM(image->GetW(), image->GetH(), XFFACT(), XFFACT());
  settings_.map = mapping_;
}

DrawContext::~DrawContext() {
  ReleaseDeviceObjects();
  if (settings_.coverage) settings_.coverage->Release();
  image_->Release();
}

void DrawContext::OptionChanged() {
  cache_.Drop();
  NotifyClientStale();
}

void DrawContext::SetMapping(const XFFACT& x, const XFFACT& y) {
  const VRXFORM next(image_->GetW(), image_->GetH(), x, y);
  // Kept pixels are relative to the image's window origin: a scroll keeps
  // them, a new ratio does not.
  if (!x.SameRatio(mapping_.FactorX()) || !y.SameRatio(mapping_.FactorY())) cache_.Drop();
  mapping_ = next;
  settings_.map = next;
}

void DrawContext::SetCoverage(const VrWA2000::ReadWA* coverage) {
  if (coverage && (coverage->GetType() != kWAType8Grey || coverage->GetW() != image_->GetW() ||
                   coverage->GetH() != image_->GetH())) {
    coverage = nullptr;  // a mask that does not fit the image is not used
  }
  if (coverage) coverage->AddRef();
  if (settings_.coverage) settings_.coverage->Release();
  settings_.coverage = coverage;
  OptionChanged();
}

void DrawContext::SetGamma(const VR_GAMMAOPT& gamma) {
  settings_.gamma = MakeGammaTables(gamma);
  OptionChanged();
}

void DrawContext::SetDitherOptions(const VR_CDOPTFV& options) {
  dither_ = options;
  palette_.reset();
  ReleaseDeviceObjects();
  if (paletteMode_) settings_.palette = &Palette();
  OptionChanged();
}

const PaletteMap& DrawContext::Palette() {
  if (!palette_) palette_ = std::make_unique<PaletteMap>(dither_, *image_);
  return *palette_;
}

void DrawContext::UsePaletteMode(bool on) {
  if (on == paletteMode_) return;
  paletteMode_ = on;
  settings_.palette = on ? &Palette() : nullptr;
  cache_.Drop();
}

void DrawContext::InvalidateImageRect(const RECT* imageRect) {
  if (!imageRect) {
    cache_.Drop();
    return;
  }
  RECT r = *imageRect;
  mapping_.RevXForm(&r, kXFRects);
  RectOffset(&r, -mapping_.FactorX().Shift(), -mapping_.FactorY().Shift());
  cache_.Invalidate(r);
}

void DrawContext::SetProfiles(const VR_CMPROFILES& profiles) {
  VR_CMPROFILES next = profiles;
  next.monitorProfile[sizeof next.monitorProfile - 1] = '\0';
  next.printerProfile[sizeof next.printerProfile - 1] = '\0';
  // The views hand the same profiles on every settings change.
  if (profilesSet_ && std::strcmp(next.monitorProfile, profiles_.monitorProfile) == 0 &&
      std::strcmp(next.printerProfile, profiles_.printerProfile) == 0 && next.value1 == profiles_.value1 &&
      next.value2 == profiles_.value2) {
    return;
  }
  profiles_ = next;
  profilesSet_ = true;
  RebuildColorTransform();
}

void DrawContext::SetImageProfile(const std::uint8_t* bytes, std::size_t size) {
  if (!bytes) size = 0;
  if (size == imageProfile_.size() && (size == 0 || std::memcmp(bytes, imageProfile_.data(), size) == 0)) return;
  imageProfile_.assign(bytes, bytes + size);
  if (profilesSet_) RebuildColorTransform();
}

namespace {

bool IntentOk(std::int32_t intent) { return intent >= kIntentPerceptual && intent <= kIntentAbsolute; }

}  // namespace

void DrawContext::RebuildColorTransform() {
  colorTransform_.reset();
  cmProblems_ = 0;
  greyImage_ = image_->GetType() == kWAType8Grey;
  if (profiles_.monitorProfile[0] != '\0') {
    // A grey image's profile is grey, a colour image's RGB; one of the
    // other kind is refused like a damaged one.
    const CmProfile fallback = greyImage_ ? CmProfile::DefaultGrey() : CmProfile::Srgb();
    CmProfile source;
    if (!imageProfile_.empty()) {
      source = CmProfile::FromMemory(imageProfile_.data(), imageProfile_.size());
      if (greyImage_ ? !source.IsGrey() : !source.IsRgb()) {
        source = CmProfile();
        cmProblems_ |= kVrCmImageProfileIgnored;
      }
    }
    if (!source.Valid()) source = fallback;
    CmProfile monitor = OpenDisplayProfile(profiles_.monitorProfile);
    if (!monitor.IsRgb()) {
      monitor = CmProfile::Srgb();
      cmProblems_ |= kVrCmMonitorProfileUnusable;
    }
    CmProfile proof;
    if (profiles_.printerProfile[0] != '\0') {
      proof = OpenDisplayProfile(profiles_.printerProfile);
      if (!proof.Valid()) cmProblems_ |= kVrCmTargetProfileUnusable;
    }
    const int intent = IntentOk(profiles_.value1) ? profiles_.value1 : kIntentPerceptual;
    const int proofIntent = IntentOk(profiles_.value2) ? profiles_.value2 : kIntentPerceptual;
    // LittleCMS may still refuse a pair it opened: the image's profile goes
    // first (the default instead), then the target.
    for (int attempt = 0; attempt < 3 && !colorTransform_; ++attempt) {
      // The same profile on both sides without proofing changes nothing.
      if (!proof.Valid() && source.Key() == monitor.Key()) break;
      colorTransform_ = CachedCmTransform(source, monitor, intent, proof, proofIntent);
      if (colorTransform_) break;
      if (source.Key() != fallback.Key()) {
        source = fallback;
        cmProblems_ |= kVrCmImageProfileIgnored;
      } else if (proof.Valid()) {
        proof = CmProfile();
        cmProblems_ |= kVrCmTargetProfileUnusable;
      } else {
        break;
      }
    }
  }
  settings_.colorTransform = colorTransform_.get();
  OptionChanged();
}

void DrawContext::ShowGrid(BOOL show) {
  settings_.gridShown = show != 0;
  OptionChanged();
}

void DrawContext::SetGridSettings(const VR_GRIDSETTINGS& grid) {
  settings_.grid = grid;
  OptionChanged();
}

void DrawContext::SetViewWords(std::int32_t first, std::int32_t second) {
  viewWords_[0] = first;
  viewWords_[1] = second;
}

void DrawContext::GetViewWords(std::int32_t* first, std::int32_t* second) const {
  if (first) *first = viewWords_[0];
  if (second) *second = viewWords_[1];
}

BOOL DrawContext::GetGridSnapX(std::int32_t position, std::int32_t* below, std::int32_t* above) const {
  return SnapRange(false, position, below, above);
}

BOOL DrawContext::GetGridSnapY(std::int32_t position, std::int32_t* below, std::int32_t* above) const {
  return SnapRange(true, position, below, above);
}

BOOL DrawContext::SnapRange(bool vertical, std::int32_t position, std::int32_t* below, std::int32_t* above) const {
  if (!settings_.gridShown || !below || !above) return 0;
  GridSnapRange(settings_.grid, vertical ? settings_.originY : settings_.originX, vertical, position, below, above);
  return 1;
}

void DrawContext::ShowGuides(BOOL show) {
  settings_.guidesShown = show != 0;
  OptionChanged();
}

void DrawContext::SetGuideSettings(const VR_GUIDESETTINGS& guides) {
  settings_.guideStyle = guides;
  OptionChanged();
}

void DrawContext::AddGuide(std::int32_t position, std::int32_t orientation) {
  settings_.guides.push_back(Guide{position, orientation == kVrGuideHorizontal ? kVrGuideHorizontal
                                                                                : kVrGuideVertical});
  OptionChanged();
}

void DrawContext::RemoveGuide(std::int32_t position, std::int32_t orientation) {
  auto& guides = settings_.guides;
  const std::int32_t o = orientation == kVrGuideHorizontal ? kVrGuideHorizontal : kVrGuideVertical;
  const auto it = std::find_if(guides.begin(), guides.end(),
                               [&](const Guide& g) { return g.position == position && g.orientation == o; });
  if (it == guides.end()) return;
  guides.erase(it);
  OptionChanged();
}

void DrawContext::RemoveAllGuides() {
  settings_.guides.clear();
  OptionChanged();
}

void DrawContext::SetRulerOrigin(std::int32_t x, std::int32_t y) {
  settings_.originX = x;
  settings_.originY = y;
  if (settings_.gridShown) OptionChanged();
}

void DrawContext::Update() {
  mapping_.SetImageSize(image_->GetW(), image_->GetH());
  settings_.map = mapping_;
  if (settings_.coverage && (settings_.coverage->GetW() != image_->GetW() ||
                             settings_.coverage->GetH() != image_->GetH())) {
    settings_.coverage->Release();
    settings_.coverage = nullptr;
  }
  palette_.reset();
  ReleaseDeviceObjects();
  if (paletteMode_) settings_.palette = &Palette();
  cache_.Drop();
  // The image became grey or colour: its colours come from another profile.
  if (profilesSet_ && (image_->GetType() == kWAType8Grey) != greyImage_) RebuildColorTransform();
}

RECT DrawContext::Compose(const std::vector<RECT>& clipRects, const RECT* client, bool paletteMode,
                          std::vector<std::uint32_t>* out) {
  UsePaletteMode(paletteMode);
  RECT limit = mapping_.ImageWindowRect();
  if (client && !RectIntersect(&limit, limit, *client)) return RECT{0, 0, 0, 0};
  RECT box{0, 0, 0, 0};
  std::vector<RECT> parts;
  for (const RECT& r : clipRects) {
    RECT part;
    if (!RectIntersect(&part, r, limit)) continue;
    parts.push_back(part);
    RectUnion(&box, box, part);
  }
  const std::ptrdiff_t width = box.right - box.left, height = box.bottom - box.top;
  out->assign(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, width * height)), 0);
  if (parts.empty()) return box;
  if (!client) {
    for (const RECT& p : parts) {
      RenderRect(settings_, p, out->data() + (p.top - box.top) * width + (p.left - box.left), width);
    }
    return box;
  }
  // Kept pixels live relative to the image's window origin.
  const LONG sx = mapping_.FactorX().Shift(), sy = mapping_.FactorY().Shift();
  RECT area = limit;
  RectOffset(&area, -sx, -sy);
  cache_.Place(area);
  for (RECT p : parts) {
    RectOffset(&p, -sx, -sy);
    for (RECT m : cache_.Missing(p)) {
      RECT window = m;
      RectOffset(&window, sx, sy);
      RenderRect(settings_, window, cache_.At(m.left, m.top), cache_.Stride());
      cache_.MarkValid(m);
    }
  }
  for (LONG y = box.top; y < box.bottom; ++y) {
    std::memcpy(out->data() + (y - box.top) * width, cache_.At(box.left - sx, y - sy),
                static_cast<std::size_t>(width) * 4);
  }
  return box;
}

}  // namespace lumora::draw
