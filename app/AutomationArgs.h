// The automation object's portable half: a method call's positional
// arguments turned into the argument text of the macro command of the same
// name, and the dispatch ids of the command names. The Windows side reads
// the VARIANTs into AutomationArg and answers the codes below as HRESULTs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// The answers of a call, as the automation interface reports them.
inline constexpr std::uint32_t kAutomationOk = 0;
inline constexpr std::uint32_t kAutomationFail = 0x80004005u;          // E_FAIL
inline constexpr std::uint32_t kAutomationBadParamCount = 0x8002000Eu;  // DISP_E_BADPARAMCOUNT
inline constexpr std::uint32_t kAutomationTypeMismatch = 0x80020005u;   // DISP_E_TYPEMISMATCH
inline constexpr std::uint32_t kAutomationNoNamedArgs = 0x80020007u;    // DISP_E_NONAMEDARGS

// The first dispatch id of the commands: 1000 + the command's index in the
// name-sorted table.
inline constexpr std::int32_t kFirstCommandDispId = 1000;

// One argument as the call gave it: its variant type (VT_ numbers, with
// 0x4000 for by-reference) and its value already read.
struct AutomationArg {
  std::uint16_t vt = 0;
  std::int64_t integer = 0;
  std::string text;  // for VT_BSTR, in the program's 8-bit text
};

// Whether a variant type is taken as an integer argument: VT_I2, VT_BOOL,
// VT_I4, VT_UI4, VT_I1, VT_UI1, VT_UI2, VT_INT, VT_UINT, and by reference
// VT_I2, VT_BOOL, VT_I4, VT_UI1.
bool IsIntegerArgumentType(std::uint16_t vt);
bool IsStringArgumentType(std::uint16_t vt);

struct AutomationText {
  std::uint32_t code = kAutomationOk;
  int badArgument = -1;  // for a type mismatch: its position in call order
  std::string text;      // the argument text, when the code is kAutomationOk
};

// Builds the argument text from the command's format: %d, %p, %c, %r take
// 1, 2, 3, 4 integers, each written "%d,"; %s one string, written quoted
// with the language's escapes and ",". Blanks, tabs and commas between
// items are skipped. `args` is in call order.
AutomationText BuildAutomationArguments(const std::string& format, const std::vector<AutomationArg>& args);

// 1000 + the index of the name in the table, compared without regard to
// case; -1 when no command bears it.
std::int32_t CommandDispId(const std::vector<std::string>& sortedNames, const std::string& name);

}  // namespace lumora
