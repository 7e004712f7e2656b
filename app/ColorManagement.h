// The colour-management settings record, its intent codes, and what the
// record becomes for the views (the draw context's profiles) and the
// settings file.
#pragma once

#include <cstdint>
#include <string>

#include "hostapi/controls.h"
#include "hostapi/draw.h"

namespace lumora {

struct AppSettings;

// The system's name of the sRGB profile; a profile by this name that is not
// on disk is LittleCMS's built-in sRGB.
inline constexpr char kSrgbProfileName[] = "sRGB Color Space Profile.ICM";

// Held by the application: [ColorManagement] of the settings plus what the
// system says about the monitor and the default printer.
struct ColorManagementSettings {
  std::int32_t icmOff = 0;         // non-zero: colour management off
  std::int32_t proofing = 0;       // non-zero: proofing on
  std::int32_t renderIntent = 4;   // gamut-match code 1, 2, 4 or 8
  std::int32_t proofingIntent = 4;
  char monitorDescription[256] = {};
  char monitorProfile[260] = {};
  char printerName[260] = {};
  char printerProfile[260] = {};
  char targetProfile[260] = {};
};

// Gamut-match codes and ICC intents convert both ways through
// IcmIntentOfCode and CodeOfIcmIntent (hostapi/draw.h).

// Copies `text` into a fixed field, cut to fit with its terminator.
void SetField(char* field, std::size_t size, const std::string& text);
template <std::size_t N>
void SetField(char (&field)[N], const std::string& text) {
  SetField(field, N, text);
}

// The profile file a name stands for: a name without a folder is looked up
// in `colorFolder` (the system's colour folder); empty stays empty.
std::string ProfilePath(const std::string& name, const std::string& colorFolder);

// The record from the settings file's values over the system defaults
// already in `record` (a stored monitor or target profile wins).
void ReadColorManagementSettings(const AppSettings& settings, ColorManagementSettings* record);
// The record's values back into the settings file's fields.
void WriteColorManagementSettings(const ColorManagementSettings& record, AppSettings* settings);

// The dialog's apply: empty monitor, printer or target profiles become the
// sRGB name.
void FillEmptyProfiles(ColorManagementSettings* record);

// What the views' draw contexts are given: the monitor profile (empty when
// colour management is off), the target when proofing, the two intents as
// ICC intents.
VR_CMPROFILES DisplayProfiles(const ColorManagementSettings& record, const std::string& colorFolder);

// The control library's record: the off flag, proofing, the monitor and
// target profiles (as the views get them), the two intent codes.
VR_CTLCMRECORD ControlsRecord(const ColorManagementSettings& record, const std::string& colorFolder);

}  // namespace lumora
