// Command, control-bar, system-command and string ids the program's texts
// and resources depend on; portable code includes this header.
#pragma once

#include <cstdint>

#include "res/resource.h"

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
constexpr std::uint32_t kIdIdleMessage = 57345;  // "For Help, press F1"
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
constexpr bool IsSystemCommand(std::uint32_t id) { return id >= kIdSystemCommandFirst && id <= kIdSystemCommandLast; }

// Strings (their texts are in res/Lumo40.rc).
constexpr std::uint32_t kIdsUntitled = IDS_UNTITLED;
constexpr std::uint32_t kIdsIdleMessage = IDS_READY_PROMPT;
constexpr std::uint32_t kIdpFailedToOpenDoc = IDS_FW_FAILED_TO_OPEN_DOC;
constexpr std::uint32_t kIdpFailedToCreateDoc = IDS_FW_FAILED_TO_CREATE_DOC;
constexpr std::uint32_t kIdpAskToSave = IDS_FW_ASK_TO_SAVE;
constexpr std::uint32_t kIdpParseInt = IDS_FW_PARSE_INT;
constexpr std::uint32_t kIdpParseReal = IDS_FW_PARSE_REAL;
constexpr std::uint32_t kIdpParseIntRange = IDS_FW_RANGE_INT;
constexpr std::uint32_t kIdpParseRealRange = IDS_FW_RANGE_REAL;
constexpr std::uint32_t kIdpParseStringSize = IDS_FW_TEXT_TOO_LONG;
constexpr std::uint32_t kIdpParseRadioButton = IDS_FW_PARSE_RADIO;
constexpr std::uint32_t kIdpParseByte = IDS_FW_PARSE_BYTE;
constexpr std::uint32_t kIdpParseUInt = IDS_FW_PARSE_UINT;
constexpr std::uint32_t kIdsAllFilter = IDS_ALL_FILES_FILTER;
constexpr std::uint32_t kIdpNotEnoughMemory = IDS_NOT_ENOUGH_MEMORY;
constexpr std::uint32_t kIdpOperationFailed = IDS_FW_OPERATION_FAILED;

// Help ids: commands map to kHelpIdBase + command id.
constexpr std::uint32_t kHelpIdBase = 0x10000;
// Resources (dialogs, frames) map to kHelpResourceBase + resource id.
constexpr std::uint32_t kHelpResourceBase = 0x20000;

}  // namespace fw
