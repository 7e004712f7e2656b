// Reading and writing the preferences through the settings table.
#include "app/Settings.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

namespace lumora {
namespace {

using K = SettingKind;
constexpr int kAny = 0;
constexpr int kMaxColor = 0xFFFFFF;

#define INT_KEY(sec, key, def, field) {sec, key, K::kInt, def, kAny, kAny, &AppSettings::field, nullptr}
#define CLAMPED_KEY(sec, key, def, lo, hi, field) {sec, key, K::kClamped, def, lo, hi, &AppSettings::field, nullptr}

const SettingKey kKeys[] = {
    CLAMPED_KEY("LoadOptions", "AnimationSpeed", 3, 0, 3, animationSpeed),
    INT_KEY("LoadOptions", "ShowProgressIndicator", 1, showProgressIndicator),
    INT_KEY("LoadOptions", "NotUseDDB", 0, notUseDDB),
    INT_KEY("LoadOptions", "PaintOnIcon", 1, paintOnIcon),
    INT_KEY("LoadOptions", "FrameMaximized", 0, frameMaximized),
    {"LoadOptions", "FrameX", K::kFrameX, 24, kAny, kAny, &AppSettings::frameX, nullptr},
    {"LoadOptions", "FrameY", K::kFrameY, 24, kAny, kAny, &AppSettings::frameY, nullptr},
    {"LoadOptions", "FrameW", K::kFrameW, -50, kAny, kAny, &AppSettings::frameW, nullptr},
    {"LoadOptions", "FrameH", K::kFrameH, -50, kAny, kAny, &AppSettings::frameH, nullptr},
    CLAMPED_KEY("LoadOptions", "GammaR", 100, 1, 1000, gammaR),
    CLAMPED_KEY("LoadOptions", "GammaG", 100, 1, 1000, gammaG),
    CLAMPED_KEY("LoadOptions", "GammaB", 100, 1, 1000, gammaB),
    CLAMPED_KEY("LoadOptions", "LimitBackup", 1, 0, 1, limitBackup),
    // 0 makes no undo steps; the preferences offer 1 to 100.
    CLAMPED_KEY("LoadOptions", "CreateBackup", 10, 0, kMaxUndoSteps, createBackup),
    INT_KEY("LoadOptions", "DetailedErrorStatus", 0, detailedErrorStatus),
    CLAMPED_KEY("LoadOptions", "IntersectLevel", 50, 0, 100, intersectLevel),
    INT_KEY("LoadOptions", "AlignSelectionToLayer", 0, alignSelectionToLayer),
    INT_KEY("PinState", "DrawingPinPressed", 0, drawingPinPressed),
    INT_KEY("Rulers", "show", 0, rulersShow),
    {"Rulers", "units", K::kUnit, kUnitPixels, kAny, kAny, &AppSettings::rulerUnit, nullptr},
    CLAMPED_KEY("Guides", "show", 0, 0, 1, guidesShow),
    CLAMPED_KEY("Guides", "snap", 1, 0, 1, guidesSnap),
    CLAMPED_KEY("Guides", "locked", 0, 0, 1, guidesLocked),
    CLAMPED_KEY("Guides", "color", 0xFB8426, 0, kMaxColor, guideColor),
    // Lines 0, dashed lines 1; the grid also dots 2.
    CLAMPED_KEY("Guides", "style", 0, 0, 1, guideStyle),
    CLAMPED_KEY("Grid", "show", 0, 0, 1, gridShow),
    CLAMPED_KEY("Grid", "snap", 1, 0, 1, gridSnap),
    CLAMPED_KEY("Grid", "color", 0x838383, 0, kMaxColor, gridColor),
    CLAMPED_KEY("Grid", "style", 1, 0, 2, gridStyle),
    {"Grid", "unit", K::kUnit, kUnitPixels, kAny, kAny, &AppSettings::gridUnit, nullptr},
    {"Grid", "step", K::kGridStep, 5000000, kAny, kAny, nullptr, nullptr},
    CLAMPED_KEY("Grid", "subdiv", 5, 1, 100, gridSubdiv),
    INT_KEY("Tablet", "enable", 0, tabletEnable),
    INT_KEY("Tablet", "vary_size", 1, tabletVarySize),
    INT_KEY("Tablet", "vary_opacity", 1, tabletVaryOpacity),
    // Stored as given it would lose all but its low byte (300 became 44).
    CLAMPED_KEY("Memory", "Percent", 50, 0, 100, memoryPercent),
    {"ColorManagement", "enable", K::kColorManagement, 1, kAny, kAny, &AppSettings::cmEnable, nullptr},
    INT_KEY("ColorManagement", "enable_proofing", 0, cmEnableProofing),
    {"ColorManagement", "render_intent", K::kIntent, 4, kAny, kAny, &AppSettings::cmRenderIntent, nullptr},
    {"ColorManagement", "proofing_intent", K::kIntent, 4, kAny, kAny, &AppSettings::cmProofingIntent, nullptr},
    {"ColorManagement", "monitor", K::kText, 0, kAny, kAny, nullptr, &AppSettings::cmMonitor},
    {"ColorManagement", "target", K::kText, 0, kAny, kAny, nullptr, &AppSettings::cmTarget},
    INT_KEY("TOOLBARS", "SMALLBUTTONS", 1, smallButtons),
};

#undef INT_KEY
#undef CLAMPED_KEY

const SettingKey kClipboardKeys[] = {
    {"LoadOptions", "EmptyClipboardOnExit", K::kInt, 0, kAny, kAny, &AppSettings::emptyClipboardOnExit, nullptr},
    {"LoadOptions", "DiscardInternalClipboardFormatsOnExit", K::kInt, 0, kAny, kAny,
     &AppSettings::discardInternalFormatsOnExit, nullptr},
    {"LoadOptions", "CopyOnClipboardOnlyVisibleLayers", K::kInt, 0, kAny, kAny, &AppSettings::copyOnlyVisibleLayers,
     nullptr},
    {"LoadOptions", "Copy/CutActiveLayerOnly", K::kInt, 0, kAny, kAny, &AppSettings::copyCutActiveLayerOnly, nullptr},
};

constexpr double kGridStepScale = 100000.0;

// Reads a stored number as a signed 16-bit value (65535 is -1).
int Signed16(int stored) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(stored)); }

// min wins over max when the screen is smaller than the minimum window.
int ClampLow(int value, int lo, int hi) { return std::max(lo, std::min(value, hi)); }

int ReadKey(const SettingKey& k, fw::Profile& profile, const ScreenMetrics& screen, bool cmAvailable) {
  switch (k.kind) {
    case K::kInt:
      return profile.GetInt(k.section, k.key, k.defaultValue);
    case K::kClamped:
      return std::clamp(profile.GetInt(k.section, k.key, k.defaultValue), k.minValue, k.maxValue);
    case K::kFrameX:
      return ClampLow(Signed16(profile.GetInt(k.section, k.key, k.defaultValue)), 0, screen.width - screen.minWidth);
    case K::kFrameY:
      return ClampLow(Signed16(profile.GetInt(k.section, k.key, k.defaultValue)), 0, screen.height - screen.minHeight);
    case K::kFrameW:
      return ClampLow(Signed16(profile.GetInt(k.section, k.key, screen.width - 50)), screen.minWidth, screen.width);
    case K::kFrameH:
      return ClampLow(Signed16(profile.GetInt(k.section, k.key, screen.height - 50)), screen.minHeight, screen.height);
    case K::kUnit:
      return ReadUnit(profile, k.section, k.key);
    case K::kColorManagement:
      return cmAvailable ? profile.GetInt(k.section, k.key, k.defaultValue) : 1;
    case K::kIntent: {
      const int code = profile.GetInt(k.section, k.key, k.defaultValue);
      return IsRenderingIntent(code) ? code : k.defaultValue;
    }
    case K::kGridStep:
    case K::kText:
      break;
  }
  return k.defaultValue;
}

void WriteKey(const SettingKey& k, const AppSettings& s, fw::Profile& profile) {
  switch (k.kind) {
    case K::kUnit:
      WriteUnit(profile, k.section, k.key, s.*k.field);
      return;
    case K::kGridStep:
      // Rounded: truncating the float drifts down at every save (70000 -> 69999).
      profile.WriteInt(k.section, k.key, static_cast<int>(std::lround(s.gridStep * kGridStepScale)));
      return;
    case K::kText:
      profile.WriteString(k.section, k.key, s.*k.text);
      return;
    default:
      profile.WriteInt(k.section, k.key, s.*k.field);
      return;
  }
}

}  // namespace

const SettingKey* SettingKeys(int* count) {
  *count = static_cast<int>(std::size(kKeys));
  return kKeys;
}

void LoadSettings(AppSettings& s, fw::Profile& profile, const ScreenMetrics& screen, bool colorManagementAvailable) {
  for (const SettingKey& k : kKeys) {
    if (k.kind == K::kGridStep) {
      // Read after the unit, whose spacing bounds the stored value.
      const int stored = std::clamp(profile.GetInt(k.section, k.key, k.defaultValue), 1, MaxGridStepStored(s.gridUnit));
      s.gridStep = static_cast<float>(stored * 0.00001);
    } else if (k.kind == K::kText) {
      std::string text = profile.GetString(k.section, k.key, "");
      if (text.size() > kMaxProfilePath) text.resize(kMaxProfilePath);
      s.*k.text = std::move(text);
    } else {
      s.*k.field = ReadKey(k, profile, screen, colorManagementAvailable);
    }
  }
}

void SaveSettings(const AppSettings& s, fw::Profile& profile) {
  for (const SettingKey& k : kKeys) WriteKey(k, s, profile);
}

void LoadClipboardOptions(AppSettings& s, fw::Profile& profile) {
  for (const SettingKey& k : kClipboardKeys) s.*k.field = profile.GetInt(k.section, k.key, k.defaultValue);
}

void SaveClipboardOptions(const AppSettings& s, fw::Profile& profile) {
  for (const SettingKey& k : kClipboardKeys) profile.WriteInt(k.section, k.key, s.*k.field);
}

namespace {

COLORREF ReadColor(fw::Profile& profile, const char* section, int def) {
  auto channel = [&](const char* key) { return static_cast<std::uint32_t>(profile.GetInt(section, key, def) & 0xFF); };
  return channel("R") | (channel("G") << 8) | (channel("B") << 16);
}

void WriteColor(fw::Profile& profile, const char* section, COLORREF color) {
  profile.WriteInt(section, "R", static_cast<int>(color & 0xFF));
  profile.WriteInt(section, "G", static_cast<int>((color >> 8) & 0xFF));
  profile.WriteInt(section, "B", static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

void LoadColors(AppSettings& s, fw::Profile& profile) {
  s.foreColor = ReadColor(profile, "FORE", 0);
  s.backColor = ReadColor(profile, "BACK", 255);
}

void LoadStartupSettings(AppSettings& s, fw::Profile& profile, const ScreenMetrics& screen,
                         bool colorManagementAvailable) {
  const std::unique_ptr<fw::Profile> once = profile.Snapshot();
  LoadSettings(s, *once, screen, colorManagementAvailable);
  LoadColors(s, *once);
  LoadClipboardOptions(s, *once);
}

void SaveColors(const AppSettings& s, fw::Profile& profile) {
  WriteColor(profile, "FORE", s.foreColor);
  WriteColor(profile, "BACK", s.backColor);
}

namespace {
const char* const kUnitTexts[] = {"cm", "inches", "pixels", "points"};
}

int ReadUnit(fw::Profile& profile, const char* section, const char* key) {
  std::string text = profile.GetString(section, key, "pixels");
  for (int unit = 0; unit < 4; ++unit) {
    if (text == kUnitTexts[unit]) return unit;
  }
  return kUnitPixels;
}

const char* UnitText(int unit) { return unit >= 0 && unit < 4 ? kUnitTexts[unit] : kUnitTexts[kUnitPixels]; }

void WriteUnit(fw::Profile& profile, const char* section, const char* key, int unit) {
  profile.WriteString(section, key, UnitText(unit));
}

bool IsRenderingIntent(int code) { return code == 1 || code == 2 || code == 4 || code == 8; }

int MaxGridStepStored(int unit) {
  return static_cast<int>((unit == kUnitCm ? 10000 : 1000) * kGridStepScale);
}

int AnimationTimerPeriod(int speed) {
  switch (speed) {
    case 1: return 600;
    case 2: return 200;
    // The fastest speed ticks 25 times a second: a 1 ms timer would wake the
    // program (and the window system) as often as it allows while the user
    // does nothing, for outlines no eye follows faster.
    case 3: return kFastestAnimationPeriod;
    default: return 0;
  }
}

std::uint64_t MemoryLimitBytes(int percent, std::uint64_t totalPhysical) {
  std::uint64_t share = static_cast<std::uint64_t>(std::clamp(percent, 0, 100));
  return totalPhysical / 100 * share + totalPhysical % 100 * share / 100;
}

}  // namespace lumora
