// The program's preferences: every key of the settings file that the
// application reads at start-up and writes back at exit, with its section,
// default, range and how it is stored, in one table.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Profile.h"
#include "platform/win32types.h"

namespace lumora {

// Length units of rulers and grid.
enum LengthUnit : int { kUnitCm = 0, kUnitInch = 1, kUnitPixels = 2, kUnitPoints = 3 };

// The screen the frame placement is clamped to.
struct ScreenMetrics {
  int width = 1024;      // SM_CXSCREEN
  int height = 768;      // SM_CYSCREEN
  int minWidth = 112;    // SM_CXMIN
  int minHeight = 27;    // SM_CYMIN
};

struct AppSettings {
  // [LoadOptions]
  int animationSpeed = 3;
  int showProgressIndicator = 1;
  int notUseDDB = 0;
  int paintOnIcon = 1;
  int frameMaximized = 0;
  int frameX = 24, frameY = 24, frameW = 0, frameH = 0;
  int gammaR = 100, gammaG = 100, gammaB = 100;
  int limitBackup = 1;
  int createBackup = 10;
  int detailedErrorStatus = 0;
  int intersectLevel = 50;
  int alignSelectionToLayer = 0;
  // [PinState]
  int drawingPinPressed = 0;
  // [Rulers]
  int rulersShow = 0;
  int rulerUnit = kUnitPixels;
  // [Guides]
  int guidesShow = 0, guidesSnap = 1, guidesLocked = 0;
  int guideColor = 0xFF0000, guideStyle = 0;
  // [Grid]
  int gridShow = 0, gridSnap = 1;
  int gridColor = 0x7F7F7F, gridStyle = 0;
  int gridUnit = kUnitPixels;
  float gridStep = 50.0f;
  int gridSubdiv = 4;
  // [Tablet]
  int tabletEnable = 0, tabletVarySize = 1, tabletVaryOpacity = 1;
  // [Memory]
  int memoryPercent = 50;
  // [ColorManagement]: enable 0 means on.
  int cmEnable = 1, cmEnableProofing = 0, cmRenderIntent = 4, cmProofingIntent = 4;
  std::string cmMonitor, cmTarget;
  // [TOOLBARS]
  int smallButtons = 1;

  // [LoadOptions] clipboard options: read at start-up, written at exit.
  int emptyClipboardOnExit = 0;
  int discardInternalFormatsOnExit = 0;
  int copyOnlyVisibleLayers = 0;
  int copyCutActiveLayerOnly = 0;

  // [FORE] and [BACK] as RGB values (red in the low byte).
  COLORREF foreColor = 0x000000;
  COLORREF backColor = 0xFFFFFF;
};

// How a key is kept.
enum class SettingKind {
  kInt,            // as read
  kClamped,        // clamped to min..max
  kFrameX,         // signed 16-bit, 0..screen width - minimum width
  kFrameY,         // signed 16-bit, 0..screen height - minimum height
  kFrameW,         // signed 16-bit, minimum width..screen width
  kFrameH,         // signed 16-bit, minimum height..screen height
  kUnit,           // "cm", "inches", "pixels", "points"
  kGridStep,       // step x 100000, kept as a float
  kText,           // a path of at most 259 characters
  kColorManagement,// forced to 1 (off) without colour management
  kIntent          // a rendering-intent code (1, 2, 4 or 8); others give the default
};

struct SettingKey {
  const char* section;
  const char* key;
  SettingKind kind;
  int defaultValue;  // the frame size's is screen size - 50
  int minValue;
  int maxValue;
  int AppSettings::*field;             // for every kind but kGridStep and kText
  std::string AppSettings::*text;      // for kText
};

// Every key LoadSettings reads and SaveSettings writes, in file order.
const SettingKey* SettingKeys(int* count);

// The longest path the colour-management keys keep.
constexpr std::size_t kMaxProfilePath = 259;
// The most undo steps the preferences offer.
constexpr int kMaxUndoSteps = 100;

// The gamut-match codes of the rendering intents: 1, 2, 4 and 8.
bool IsRenderingIntent(int code);
// The grid step as stored (spacing x 100000) ranges from 1 (a spacing of
// 0.00001) to the largest spacing of the unit: 10000 cm, or 1000 inches,
// pixels or points.
int MaxGridStepStored(int unit);

void LoadSettings(AppSettings& s, fw::Profile& profile, const ScreenMetrics& screen, bool colorManagementAvailable);
void SaveSettings(const AppSettings& s, fw::Profile& profile);

// The four clipboard options of [LoadOptions].
void LoadClipboardOptions(AppSettings& s, fw::Profile& profile);
void SaveClipboardOptions(const AppSettings& s, fw::Profile& profile);

// [FORE] and [BACK] "R", "G", "B".
void LoadColors(AppSettings& s, fw::Profile& profile);

// Everything the start-up reads into the settings (the table's keys, the
// colours and the clipboard options) from one snapshot of the file: the
// file is read once, not once per key.
void LoadStartupSettings(AppSettings& s, fw::Profile& profile, const ScreenMetrics& screen,
                         bool colorManagementAvailable);
void SaveColors(const AppSettings& s, fw::Profile& profile);

int ReadUnit(fw::Profile& profile, const char* section, const char* key);
void WriteUnit(fw::Profile& profile, const char* section, const char* key, int unit);
const char* UnitText(int unit);

// Period of animation timer 1331 in milliseconds (600, 200 or 40 for
// speeds 1, 2, 3); 0 for no timer.
constexpr int kFastestAnimationPeriod = 40;
int AnimationTimerPeriod(int speed);
// The image buffers' share of the physical memory, in bytes.
std::uint64_t MemoryLimitBytes(int percent, std::uint64_t totalPhysical);

}  // namespace lumora
