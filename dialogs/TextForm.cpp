// The text dialog's settings and size conversions.
#include "dialogs/TextForm.h"

#include <algorithm>
#include <cstdlib>

#include "framework/Profile.h"

namespace lumora {

int ClampLeading(int value) { return std::clamp(value, -100, 100); }
int ClampTracking(int value) { return std::clamp(value, -1000, 1000); }
int ClampOrientation(int value) { return std::clamp(value, -360, 360); }

TextDialogSettings ReadTextDialogSettings(fw::Profile& profile) {
  const char* s = kTextDialogSection;
  TextDialogSettings t;
  t.x = profile.GetInt(s, "X", 200);
  t.y = profile.GetInt(s, "Y", 200);
  t.font = profile.GetString(s, "Font", "");
  t.fontSize = profile.GetInt(s, "Font_size", -1);
  t.fontType = profile.GetString(s, "Font_type", "");
  t.leading = ClampLeading(profile.GetInt(s, "leading", 0));
  t.track = ClampTracking(profile.GetInt(s, "track", 0));
  t.orient = ClampOrientation(profile.GetInt(s, "orient", 0));
  t.vertical = profile.GetInt(s, "vertical", 0);
  const std::string align = profile.GetString(s, "Align", "left");
  t.align = align == "center" ? 1 : (align == "right" ? 2 : 0);
  t.antiAlias = profile.GetInt(s, "Anti-aliasing", 1);
  t.strike = profile.GetInt(s, "strike", 0);
  t.under = profile.GetInt(s, "under", 0);
  return t;
}

void WriteTextDialogSettings(fw::Profile& profile, const TextDialogSettings& t) {
  const char* s = kTextDialogSection;
  profile.WriteInt(s, "X", t.x);
  profile.WriteInt(s, "Y", t.y);
  profile.WriteString(s, "Font", t.font);
  profile.WriteInt(s, "Font_size", t.fontSize);
  profile.WriteString(s, "Font_type", t.fontType);
  profile.WriteInt(s, "leading", t.leading);
  profile.WriteInt(s, "track", t.track);
  profile.WriteInt(s, "orient", t.orient);
  profile.WriteInt(s, "vertical", t.vertical);
  profile.WriteString(s, "Align", t.align == 1 ? "center" : (t.align == 2 ? "right" : "left"));
  profile.WriteInt(s, "Anti-aliasing", t.antiAlias);
  profile.WriteInt(s, "strike", t.strike);
  profile.WriteInt(s, "under", t.under);
}

int TextSizeToHeight(int points) { return (points * 165 + 4) / 8; }
int TextHeightToSize(int height) { return (height * 8 + 132) / 165; }

int TypedTextSize(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const long value = std::strtol(begin, &end, 10);
  if (end == begin) return 0;
  while (*end == ' ') ++end;
  if (*end != '\0') return 0;
  return value >= 1 && value <= 1000 ? static_cast<int>(value) : 0;
}

void TextTypeEffects(int index, bool* bold, bool* italic) {
  *bold = index == 0 || index == 1;
  *italic = index == 1 || index == 2;
}

int TextTypeIndex(bool bold, bool italic) {
  if (bold) return italic ? 1 : 0;
  return italic ? 2 : 3;
}

}  // namespace lumora
