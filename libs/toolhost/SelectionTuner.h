// The selection tuner's model: which settings each area tool offers, the
// settings' ranges, controls and profile keys.
#pragma once

#include <vector>

#include "libs/toolhost/AreaTools.h"

namespace lumora::toolhost {

enum TunerGroup : unsigned {
  kTunerFeather = 1,
  kTunerAspect = 2,
  kTunerWand = 4,
  kTunerLine = 8,
  kTunerFill = 16,
  kTunerAll = 31,
};

// The groups a tool offers: null or "" every group; an unknown name none.
unsigned TunerGroupsOf(const char* toolName);
// False for a name that is neither null, "" nor a registered area tool.
bool IsTunerTool(const char* toolName);

struct TunerField {
  enum Kind { kNumber, kCheck, kChoice } kind;
  int control;              // kLUTuner...
  const char* key;          // in the profile section kTunerSection
  int AreaSettings::*member;
  int minimum, maximum;     // kChoice: the value of the first and last entry
  unsigned group;
};
inline constexpr char kTunerSection[] = "Selection Attributes";
const std::vector<TunerField>& TunerFields();
int ClampTunerValue(const TunerField& field, int value);

// The window's caption and the text naming the tool.
inline constexpr char kTunerCaption[] = "Selection Attributes";
const char* TunerToolText(const char* toolName);

}  // namespace lumora::toolhost
