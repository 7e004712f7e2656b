// The process-wide TWAIN session: the source manager, at most one open
// source, the message filter while it is enabled, and the transfers that
// hand images to the target window as messages 1304 (a DIB in global
// memory, native transfer) and 1305 (an image buffer and its format,
// memory transfer).
#pragma once

#include <cstdint>

#include "hostapi/twain.h"
#include "platform/win32types.h"

namespace lumora {

constexpr UINT kMsgTwainNativeImage = 1304;
constexpr UINT kMsgTwainMemoryImage = 1305;

// The caller's identity (156 bytes) and the window that owns error boxes
// and whose menu is greyed while a source is enabled.
void TwainSetAppIdentity(const twain::TW_IDENTITY& identity, HWND parent);

// Source names (at most 33 characters and a NUL into a 34-byte buffer);
// 0 at the end of the list or when the manager cannot be opened.
int TwainGetFirstSource(char* name);
int TwainGetNextSource(char* name);
int TwainGetDefaultSource(char* name);

// Opens and enables the named source with its own user interface; 1 when
// enabled. `nativeOnly` skips memory transfers; `forceRGB` makes every
// memory transfer a 24-bit image.
int TwainOpenSource(void* unused, int nativeOnly, int forceRGB, const char* productName);

// The message filter: 1 when the message belonged to the source (it must
// not be dispatched). Transfers run inside it for `target`.
int TwainProcessEvent(MSG* message, HWND target);

// Disables and closes the source and closes the manager.
void TwainShutdown();

// Whether a source is open (the filter has work), and the resolution of
// the last image transferred (dots per inch).
bool TwainSourceOpen();
void TwainLastResolution(int* x, int* y);

// The session's status texts: 0 the manager's file name, 4 .. 21 the
// boxes' texts by condition code (see the session); empty for others.
const char* TwainStatusText(int id);

}  // namespace lumora
