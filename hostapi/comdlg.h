// The common-dialog library: the shared colour selection window and the
// screen colour pick-up. The program allocates the library's data once and
// hands it to every call (through the site's common-dialog table).
// Window handles are opaque here; colours are 0x00BBGGRR.
#pragma once

#include <cstdint>

// Messages between the colour window and the window it works for (its
// owner). The owner sends kColourWindowBind (wParam: the new owner) and
// kColourWindowSet (lParam: the colour); the window answers a set colour
// with kColourWindowSet to its owner, and tells it every colour the user
// makes with kColourWindowChanged (lParam: the colour).
inline constexpr std::uint32_t kColourWindowSet = 1464;      // 0x5B8
inline constexpr std::uint32_t kColourWindowChanged = 1468;  // 0x5BC
inline constexpr std::uint32_t kColourWindowBind = 1466;

// No colour (a pick-up the user abandoned).
inline constexpr std::int32_t kNoColour = -1;

struct CDlgData;

CDlgData* AllocCDlgData();
// Closes the colour window and frees the data.
void FreeCDlgData(CDlgData* data);

// Opens the colour window over `frame` for `owner` with `colour` and shows
// it; when it is open already it is bound to `owner` and shown. Non-zero
// on success; 0 when the window cannot be made.
int OpenSelColorWindow(CDlgData* data, void* frame, void* owner, std::uint32_t colour);
int IsSelColorWindowOpened(CDlgData* data);
// Binds the open window to `owner`, sets the colour and shows it: the
// window's handle, or null (nothing done) when it is not open.
void* ShowSelColorWindow(CDlgData* data, void* owner, std::uint32_t colour);
// Non-zero when a window was open (it is destroyed).
int CloseSelColorWindow(CDlgData* data);

// Lets the user take a colour from anywhere on the screen with the mouse
// (left button: take it; right button or Escape: none). The colour, or
// kNoColour. `window` is the one asking (it keeps the mouse while picking).
std::int32_t PickUpColor(CDlgData* data, void* window, int reserved1, int reserved2);

// The window's current colour and owner (what the window shows and who
// hears of it); 0 / null when it is not open.
std::uint32_t SelColorWindowColour(CDlgData* data);
void* SelColorWindowOwner(CDlgData* data);

// Colour management of the window: its colours (sRGB) are painted as the
// monitor profile shows them, through the target profile when one is given
// (null: no proofing), at the intents (gamut-match codes 4 perceptual, 2
// relative, 1 saturation, 8 absolute). A null monitor profile turns it off.
// 1 done; 0 refused (no data, an unknown intent code), nothing changed.
int SetupICMSelColorWindow(CDlgData* data, const char* monitorProfile, const char* targetProfile, int intent,
                           int proofIntent);
// The colour (0x00BBGGRR) as the window paints it: through the set-up
// above, unchanged without one.
std::uint32_t SelColorWindowDisplayColour(const CDlgData* data, std::uint32_t colour);

// ---------------------------------------------------------------------------
// Why the library refused the last call that failed (0 none).
enum : int {
  kCDlgOk = 0,
  kCDlgErrorNotProvided = 1,  // the dialog asked for is not in this library
  kCDlgErrorBadValue = 2,     // an argument out of its range
  kCDlgErrorNoWindow = 3,     // the window could not be made or is not open
};
int CDlgLastError(CDlgData* data);

// The monitor's gamma (x 100 per channel, 1..1000): the colour window paints
// its colours as the image views show them. 1 done; 0 refused (bad value).
int SetSelColorWindowGamma(CDlgData* data, std::int32_t red, std::int32_t green, std::int32_t blue);

// The open and save dialog ("gadget"): the system's file dialog owned by
// `owner`, titled `title`, for opening (open 1) or saving (0), started in
// `folder` (made when missing), offering files of `extension` (without the
// dot, may be empty). `path` (pathSize bytes) holds the proposed name and
// receives the chosen path. 1 for OK; 0 for Cancel or a refusal.
int OpenGadgetDialog(CDlgData* data, void* owner, const char* title, int open, const char* folder,
                     const char* extension, char* path, int pathSize, int reserved);

// The style dialogs and the palette editor are not in this library: each
// refuses (0 or null) with kCDlgErrorNotProvided and changes nothing.
int OpenStyleDlg(CDlgData* data, void* owner);
int BindStyleDlg(CDlgData* data, void* dialog, void* owner, void* style, int flags);
int ShowStyleDlg(CDlgData* data, void* dialog);
int CloseStyleDlg(CDlgData* data, void* dialog);
int SaveStyleData(CDlgData* data, void* style, const char* section, const char* file);
int LoadStyleData(CDlgData* data, void* style, const char* section, const char* file);
int OpenPalEditor(CDlgData* data);
int BindPalEditor(CDlgData* data, void* owner, void* palette);
int ActivatePalEditor(CDlgData* data);
int ShowPalEditor(CDlgData* data);
int ClosePalEditor(CDlgData* data);
int OpenStyleMngDlg(CDlgData* data);
int IsStyleMngDlgOpen(CDlgData* data);
void* GetStyleMngDlg(CDlgData* data);
int ShowStylePageDlg(CDlgData* data, int page);
int CloseStylePageDlg(CDlgData* data);
void* GetStyleMasterWnd(CDlgData* data, void* dialog);
int SetStyleOwnerTool(CDlgData* data, void* tool, void* owner);
