// Choosing the user-interface language.
#include "app/Language.h"

namespace lumora {

std::uint16_t UILanguageFrom(int language, int sublanguage, std::uint16_t systemDefault) {
  int primary = language & 0xFFFF;
  int sub = sublanguage & 0xFFFF;
  if (primary == kLanguageNotSet && sub == kLanguageNotSet) return systemDefault;
  if (primary == kLanguageNotSet) primary = 0;
  if (sub == kLanguageNotSet) sub = 0;
  return static_cast<std::uint16_t>(sub * 1024 + primary);
}

std::uint16_t ReadUILanguage(fw::Profile& languageFile, std::uint16_t systemDefault) {
  return UILanguageFrom(languageFile.GetInt("FORCELANGUAGE", "LANGUAGE", kLanguageNotSet),
                        languageFile.GetInt("FORCELANGUAGE", "SUBLANGUAGE", kLanguageNotSet), systemDefault);
}

}  // namespace lumora
