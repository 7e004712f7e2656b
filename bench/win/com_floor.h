// The bare COM server of the benches' floor (com_floor_server.cpp): its
// class id, ProgID and the event it sets once its factory is registered.
#pragma once

#include <windows.h>

namespace lumora::bench {

// {5D0C3A41-7E2B-4F19-8A6C-0B1E2F3A4B5C}
inline constexpr CLSID kFloorClsid{0x5D0C3A41, 0x7E2B, 0x4F19, {0x8A, 0x6C, 0x0B, 0x1E, 0x2F, 0x3A, 0x4B, 0x5C}};
inline constexpr char kFloorClsidText[] = "{5D0C3A41-7E2B-4F19-8A6C-0B1E2F3A4B5C}";
inline constexpr char kFloorProgId[] = "Lumora.ComFloor";
inline constexpr wchar_t kFloorReady[] = L"lumora_com_floor_ready";
// The DIB its object hands out (24 bits a pixel).
inline constexpr long kFloorDibWidth = 640;
inline constexpr long kFloorDibHeight = 480;

}  // namespace lumora::bench
