// Handing a file to the program that already runs: a DROPFILES block
// (header, one narrow file name, a second terminating zero) sized from the
// name, carried by WM_COPYDATA.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// The running program's main window class.
constexpr char kMainFrameClass[] = "VR_LUMAINFRAME40";
// WM_COPYDATA's dwData for a hand-over block.
constexpr std::uintptr_t kHandOverCopyData = 0x4C554446;  // "LUDF"
// WM_COPYDATA's dwData of a start without a file: the running program
// shows itself and takes the user (no data).
constexpr std::uintptr_t kTakeUserCopyData = 0x4C555352;  // "LUSR"
// Size of the DROPFILES header (offset of the file list).
constexpr std::uint32_t kDropFilesHeader = 20;

std::vector<std::uint8_t> MakeDropFilesBlock(const std::string& path);
// The file names of a narrow DROPFILES block; none for a malformed block.
std::vector<std::string> ReadDropFilesBlock(const std::uint8_t* data, std::size_t size);

}  // namespace lumora
