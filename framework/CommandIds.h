// Command, control-bar, system-command and string ids the program's texts
// and resources depend on; portable code includes this header.
#pragma once

#include <cstdint>

namespace fw {

// File commands.
constexpr std::uint32_t kIdFileNew = 57600;
constexpr std::uint32_t kIdFileOpen = 57601;
constexpr std::uint32_t kIdFileClose = 57602;
constexpr std::uint32_t kIdFileSave = 57603;
constexpr std::uint32_t kIdFileSaveAs = 57604;
// Recent files: 57616 to 57631.
constexpr std::uint32_t kIdFileMru1 = 57616;
constexpr std::uint32_t kIdFileMruLast = 57631;
// Edit commands.
constexpr std::uint32_t kIdEditUndo = 57643;
constexpr std::uint32_t kIdEditRedo = 57644;
// Window commands.
constexpr std::uint32_t kIdWindowNew = 57648;
constexpr std::uint32_t kIdWindowArrange = 57649;
constexpr std::uint32_t kIdWindowCascade = 57650;
constexpr std::uint32_t kIdWindowTileHorz = 57651;
constexpr std::uint32_t kIdWindowTileVert = 57652;
constexpr std::uint32_t kIdAppExit = 57665;
// Help commands.
constexpr std::uint32_t kIdHelpIndex = 57666;
constexpr std::uint32_t kIdHelpFinder = 57667;
constexpr std::uint32_t kIdHelpUsing = 57668;
constexpr std::uint32_t kIdContextHelp = 57669;  // Shift+F1
constexpr std::uint32_t kIdHelp = 57670;         // F1
constexpr std::uint32_t kIdDefaultHelp = 57671;
// Idle prompt of the status bar.
constexpr std::uint32_t kIdIdleMessage = 57345;  // "Ready"
constexpr std::uint32_t kIdNextPane = 57680;
constexpr std::uint32_t kIdPrevPane = 57681;

// Control bars and dock bars: 59392 to 59421.
constexpr std::uint32_t kIdViewToolbar = 59392;
constexpr std::uint32_t kIdViewStatusBar = 59393;
constexpr std::uint32_t kIdDockBarTop = 59419;
constexpr std::uint32_t kIdDockBarLeft = 59420;
constexpr std::uint32_t kIdDockBarRight = 59421;
constexpr std::uint32_t kIdDockBarBottom = 59422;
constexpr std::uint32_t kIdDockBarFloat = 59423;
// Status-bar indicators.
constexpr std::uint32_t kIdIndicatorCaps = 59137;
constexpr std::uint32_t kIdIndicatorNum = 59138;
constexpr std::uint32_t kIdIndicatorScrl = 59139;
// The first pane of a frame's client area (the MDI client, the view).
constexpr std::uint32_t kIdPaneFirst = 59648;
// Menu id of the first MDI child in the window menu.
constexpr std::uint32_t kIdFirstMdiChild = 65280;

// System commands: 61440 (SC_SIZE) to 61935; the string of each gives its prompt.
constexpr std::uint32_t kIdSystemCommandFirst = 61440;
constexpr std::uint32_t kIdSystemCommandLast = 61935;

// Strings.
constexpr std::uint32_t kIdsUntitled = 61443;
constexpr std::uint32_t kIdsIdleMessage = kIdIdleMessage;
constexpr std::uint32_t kIdpFailedToOpenDoc = 61697;
constexpr std::uint32_t kIdpFailedToCreateDoc = 61700;
constexpr std::uint32_t kIdpAskToSave = 61702;
constexpr std::uint32_t kIdpParseInt = 61704;
constexpr std::uint32_t kIdpParseReal = 61705;
constexpr std::uint32_t kIdpParseIntRange = 61706;
constexpr std::uint32_t kIdpParseRealRange = 61707;
constexpr std::uint32_t kIdpParseStringSize = 61708;
constexpr std::uint32_t kIdpParseRadioButton = 61709;
constexpr std::uint32_t kIdpParseByte = 61710;
constexpr std::uint32_t kIdpParseUInt = 61711;
constexpr std::uint32_t kIdsAllFilter = 61446;  // "All Files (*.*)"

// Help ids: commands map to kHelpIdBase + command id.
constexpr std::uint32_t kHelpIdBase = 0x10000;
// Resources (dialogs, frames) map to kHelpResourceBase + resource id.
constexpr std::uint32_t kHelpResourceBase = 0x20000;

}  // namespace fw
