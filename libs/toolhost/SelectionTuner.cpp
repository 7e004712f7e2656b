// The selection tuner's model and the settings' profile.
#include "libs/toolhost/SelectionTuner.h"

#include <algorithm>
#include <cstring>

#include "hostapi/fragment.h"

namespace lumora::toolhost {

namespace {

unsigned GroupsOfKind(AreaKind kind) {
  switch (kind) {
    case AreaKind::kRect:
    case AreaKind::kEllipse: return kTunerFeather | kTunerAspect;
    case AreaKind::kPoly:
    case AreaKind::kSmartS:
    case AreaKind::kPen: return kTunerFeather | kTunerFill;
    case AreaKind::kWand: return kTunerFeather | kTunerWand;
    case AreaKind::kLine: return kTunerFeather | kTunerLine;
    case AreaKind::kWhole:
    case AreaKind::kNewText: return 0;
  }
  return 0;
}

const AreaToolEntry* FindEntry(const char* name) {
  for (const AreaToolEntry& e : AreaToolTable()) {
    if (std::strcmp(e.name, name) == 0) return &e;
  }
  return nullptr;
}

}  // namespace

unsigned TunerGroupsOf(const char* toolName) {
  if (toolName == nullptr || toolName[0] == '\0') return kTunerAll;
  const AreaToolEntry* e = FindEntry(toolName);
  return e != nullptr ? GroupsOfKind(e->kind) : 0;
}

bool IsTunerTool(const char* toolName) {
  return toolName == nullptr || toolName[0] == '\0' || FindEntry(toolName) != nullptr;
}

const std::vector<TunerField>& TunerFields() {
  using F = TunerField;
  static const std::vector<TunerField> fields = {
      {F::kNumber, kLUTunerFeather, "Feather", &AreaSettings::feather, 0, kFrgMaxSmoothPixels, kTunerFeather},
      {F::kCheck, kLUTunerAspectFixed, "FixedAspect", &AreaSettings::aspectFixed, 0, 1, kTunerAspect},
      {F::kNumber, kLUTunerAspectWidth, "AspectWidth", &AreaSettings::aspectWidth, 1, 999, kTunerAspect},
      {F::kNumber, kLUTunerAspectHeight, "AspectHeight", &AreaSettings::aspectHeight, 1, 999, kTunerAspect},
      {F::kNumber, kLUTunerTolerance, "Tolerance", &AreaSettings::tolerance, 0, 255, kTunerWand},
      {F::kCheck, kLUTunerContiguous, "Contiguous", &AreaSettings::contiguous, 0, 1, kTunerWand},
      {F::kCheck, kLUTunerMergedImage, "MergedImage", &AreaSettings::mergedImage, 0, 1, kTunerWand},
      {F::kNumber, kLUTunerLineWidth, "LineWidth", &AreaSettings::lineWidth, 1, 500, kTunerLine},
      {F::kChoice, kLUTunerLineStyle, "LineStyle", &AreaSettings::lineStyle, kFrgLineRound, kFrgLineFlat, kTunerLine},
      {F::kChoice, kLUTunerFillMode, "FillMode", &AreaSettings::fillMode, kFrgFillAlternate, kFrgFillWinding,
       kTunerFill},
  };
  return fields;
}

int ClampTunerValue(const TunerField& field, int value) { return std::clamp(value, field.minimum, field.maximum); }

const char* TunerToolText(const char* toolName) {
  return toolName == nullptr || toolName[0] == '\0' ? "All selection tools" : toolName;
}

void LoadAreaSettings(const void* site) {
  AreaSettings& settings = CurrentAreaSettings();
  const AreaSettings defaults;
  for (const TunerField& f : TunerFields()) {
    const int value = LUGetProfileInt(site, kTunerSection, f.key, defaults.*f.member);
    // A hand-edited value out of range falls back to the default.
    settings.*f.member = value == ClampTunerValue(f, value) ? value : defaults.*f.member;
  }
}

void SaveAreaSettings(const void* site) {
  const AreaSettings& settings = CurrentAreaSettings();
  for (const TunerField& f : TunerFields()) LUWriteProfileInt(site, kTunerSection, f.key, settings.*f.member);
}

}  // namespace lumora::toolhost

#ifndef _WIN32
// Without windows there is no tuner to show.
int LUOpenGSelectionTunerDlg(const void*, const char*) { return 0; }
int LUIsGSelectionTunerDlgOpen(const void*) { return 0; }
void* LUGetGSelectionTunerDlg(const void*) { return nullptr; }
#endif
