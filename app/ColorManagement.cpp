// The colour-management record: intents, fields, paths and display profiles.
#include "app/ColorManagement.h"

#include <algorithm>
#include <cstring>

#include "app/Settings.h"

namespace lumora {

void SetField(char* field, std::size_t size, const std::string& text) {
  if (size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

std::string ProfilePath(const std::string& name, const std::string& colorFolder) {
  if (name.empty() || colorFolder.empty()) return name;
  if (name.find_first_of("\\/:") != std::string::npos) return name;
  const char last = colorFolder.back();
  return colorFolder + (last == '\\' || last == '/' ? "" : "\\") + name;
}

void ReadColorManagementSettings(const AppSettings& settings, ColorManagementSettings* record) {
  record->icmOff = settings.cmEnable;
  record->proofing = settings.cmEnableProofing;
  record->renderIntent = settings.cmRenderIntent;
  record->proofingIntent = settings.cmProofingIntent;
  if (!settings.cmMonitor.empty()) SetField(record->monitorProfile, settings.cmMonitor);
  if (!settings.cmTarget.empty()) SetField(record->targetProfile, settings.cmTarget);
}

void WriteColorManagementSettings(const ColorManagementSettings& record, AppSettings* settings) {
  settings->cmEnable = record.icmOff;
  settings->cmEnableProofing = record.proofing;
  settings->cmRenderIntent = record.renderIntent;
  settings->cmProofingIntent = record.proofingIntent;
  settings->cmMonitor = record.monitorProfile;
  settings->cmTarget = record.targetProfile;
}

void FillEmptyProfiles(ColorManagementSettings* record) {
  for (char* field : {record->printerProfile, record->targetProfile, record->monitorProfile}) {
    if (field[0] == '\0') SetField(field, 260, kSrgbProfileName);
  }
}

VR_CMPROFILES DisplayProfiles(const ColorManagementSettings& record, const std::string& colorFolder) {
  VR_CMPROFILES profiles;
  if (record.icmOff != 0) return profiles;
  SetField(profiles.monitorProfile,
           ProfilePath(record.monitorProfile[0] != '\0' ? record.monitorProfile : kSrgbProfileName, colorFolder));
  if (record.proofing != 0) {
    SetField(profiles.printerProfile,
             ProfilePath(record.targetProfile[0] != '\0' ? record.targetProfile : kSrgbProfileName, colorFolder));
  }
  const int intent = IcmIntentOfCode(record.renderIntent);
  const int proofIntent = IcmIntentOfCode(record.proofingIntent);
  profiles.value1 = intent >= 0 ? intent : 0;
  profiles.value2 = proofIntent >= 0 ? proofIntent : 0;
  return profiles;
}

VR_CTLCMRECORD ControlsRecord(const ColorManagementSettings& record, const std::string& colorFolder) {
  VR_CTLCMRECORD r;
  r.icmOff = static_cast<std::uint32_t>(record.icmOff);
  r.proofing = static_cast<std::uint32_t>(record.proofing);
  SetField(r.monitorProfile,
           ProfilePath(record.monitorProfile[0] != '\0' ? record.monitorProfile : kSrgbProfileName, colorFolder));
  SetField(r.targetProfile,
           ProfilePath(record.targetProfile[0] != '\0' ? record.targetProfile : kSrgbProfileName, colorFolder));
  r.renderIntent = static_cast<std::uint32_t>(record.renderIntent);
  r.proofingIntent = static_cast<std::uint32_t>(record.proofingIntent);
  return r;
}

}  // namespace lumora
