// The user-interface language for resources of tool modules: forced by
// "VRLANGSP.INI" beside the program, else the system's default.
#pragma once

#include <cstdint>

#include "framework/Profile.h"

namespace lumora {

constexpr char kLanguageFile[] = "VRLANGSP.INI";
constexpr int kLanguageNotSet = 65535;

// language and sublanguage as read (unsigned 16-bit, 65535 = not set).
std::uint16_t UILanguageFrom(int language, int sublanguage, std::uint16_t systemDefault);
// [FORCELANGUAGE] LANGUAGE and SUBLANGUAGE of the language file.
std::uint16_t ReadUILanguage(fw::Profile& languageFile, std::uint16_t systemDefault);

}  // namespace lumora
