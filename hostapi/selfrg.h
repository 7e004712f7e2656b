// The interactive selection library: selection handlers that hold a window,
// a fragment and the defaults of new shapes, and that move their fragment
// under the mouse. The program reaches it only through the site's selection
// table; tools create their handlers through that table's first entry.
#pragma once

#include <cstdint>

#include "platform/win32types.h"

class Fragment;
struct SFHandler;  // opaque

// The library's per-program data (the site's selection descriptor keeps it).
void* SF_AllocSfrgData(const void* site);
void SF_FreeSfrgData(void* data);

// What a handler calls back, each with the handler and the owner's word.
// 1: a question or notice with a value (codes below), its answer;
// 2: the finished fragment (a reference the callee may share), non-zero
//    when the owner took it;
// 3: the selection in progress was dropped (Escape, capture lost);
// 4: the handler is being deleted (the last call it makes).
using SFCallback1 = std::intptr_t (*)(SFHandler* handler, void* owner, std::intptr_t code, std::intptr_t value);
using SFCallback2 = std::intptr_t (*)(SFHandler* handler, void* owner, std::intptr_t fragment);
using SFCallback3 = std::intptr_t (*)(SFHandler* handler, void* owner);
using SFCallback4 = std::intptr_t (*)(SFHandler* handler, void* owner);

// Codes of callback 1.
enum : std::intptr_t {
  kSFMapToImage = 1,   // value: POINT* window point -> image pixel; 1 when mapped
  kSFMapToWindow = 2,  // value: RECT* image rect (pixel edges) -> window rect; 1 when mapped
  kSFSnapMove = 3,     // value: SF_MOVE*: the owner may correct the offset
  kSFMoving = 4,       // value: SF_MOVE*: the offset shown now
};

// A move in progress: the fragment's bounds before it (image coordinates,
// exclusive right and top) and the offset so far in image pixels.
struct SF_MOVE {
  RECT bounds;
  POINT offset;
};

// The handler block: the window the handler starts on, the four callbacks
// and the owner's word handed back with each.
struct SF_HANDLERBLOCK {
  void* window;
  SFCallback1 callback1;
  SFCallback2 callback2;
  SFCallback3 callback3;
  SFCallback4 callback4;
  void* owner;
};

SFHandler* SF_CreateSelHandler(void* data, const SF_HANDLERBLOCK* block);
// The status bar and pane that show the offset of a move (null: none).
int SF_SetStatusBarSources(SFHandler* h, void* statusBar, int pane);
void* SF_GetSelHandlerWnd(SFHandler* h);
// The handler's fragment with a reference for the caller, or null.
Fragment* SF_GetSelHandlerFrg(SFHandler* h);
int SF_SetSelHandlerWnd(SFHandler* h, void* window);
// copy non-zero: the handler keeps its own copy, else a shared reference.
int SF_SetSelHandlerFrg(SFHandler* h, Fragment* f, int copy);
// The defaults of new shapes.
int SF_GetFrgType(SFHandler* h);
int SF_GetFrgInversion(SFHandler* h);
int SF_GetAspectMode(SFHandler* h);
int SF_GetAspectValue(SFHandler* h);
int SF_GetTextFrgFont(SFHandler* h, LOGFONTA* font);
int SF_GetTextFrgTextLength(SFHandler* h);
int SF_GetTextFrgText(SFHandler* h, char* buffer, int size);
int SF_GetLineFrgWidth(SFHandler* h);
int SF_GetLineFrgStyle(SFHandler* h);
int SF_GetLineFrgHV(SFHandler* h);
int SF_GetPolygonFrgFillMode(SFHandler* h);
int SF_SetDefFrgType(SFHandler* h, int type);
int SF_SetDefFrgInversion(SFHandler* h, int inverted);
int SF_SetAspect(SFHandler* h, int mode, int value);
int SF_SetDefTextFrgData(SFHandler* h, const LOGFONTA* font, const char* text);
int SF_SetDefLineFrgData(SFHandler* h, int width, int style, int hv);
int SF_SetDefPolygonFrgData(SFHandler* h, int fillMode);
// Begins moving the handler's fragment from a window point that lies in it
// (kSFBeginMove): the mouse is followed until the button goes up (callback
// 2 with the moved fragment) or the move is dropped (callback 3). 1 when
// the move began; 0 when the point is outside the fragment, the handler
// may not move it, or a move is already running.
enum : int { kSFBeginMove = 1 };
int SF_BeginSelectFrg(SFHandler* h, std::intptr_t windowPoint, int how);
// Drops a move in progress (callback 3); 0 when none runs.
int SF_EndSelectFrg(SFHandler* h);
int SF_DeleteSelHandler(SFHandler* h);
// The view scrolls while a move leaves it.
int SF_InitAutoScroll(SFHandler* h);
void SF_TerminateAutoScroll();
// Non-zero: the handler never moves its fragment.
int SF_DNotMoveFrg(SFHandler* h, int doNotMove);

// A window point packed for SF_BeginSelectFrg (x low word, y high word).
inline std::intptr_t SFPackPoint(POINT p) {
  return static_cast<std::intptr_t>(static_cast<std::uint16_t>(p.x) |
                                    (static_cast<std::uint32_t>(static_cast<std::uint16_t>(p.y)) << 16));
}
inline POINT SFUnpackPoint(std::intptr_t v) {
  return POINT{static_cast<std::int16_t>(v & 0xFFFF), static_cast<std::int16_t>((v >> 16) & 0xFFFF)};
}

// ---------------------------------------------------------------------------
// Through the site. A tool asks the site's selection table (entry 0) for a
// handler with callbacks of its own, which receive the table's descriptor
// first; the site relays the library's calls to them. Entries 1 to 28 are
// the SF_ calls above, in the order of kSFEntry... with the descriptor
// first.
struct LU_SITE_TABLE;
using SFSiteCallback1 = std::intptr_t (*)(const LU_SITE_TABLE* d, SFHandler* h, void* user, std::intptr_t a,
                                          std::intptr_t b);
using SFSiteCallback2 = std::intptr_t (*)(const LU_SITE_TABLE* d, SFHandler* h, void* user, std::intptr_t a);
using SFSiteCallback3 = std::intptr_t (*)(const LU_SITE_TABLE* d, SFHandler* h, void* user);
using SFSiteCallback4 = std::intptr_t (*)(const LU_SITE_TABLE* d, SFHandler* h, void* user);

struct SF_SITEBLOCK {
  void* window;  // handed to the library as the block's first word
  SFSiteCallback1 callback1;
  SFSiteCallback2 callback2;
  SFSiteCallback3 callback3;
  SFSiteCallback4 callback4;
  void* user;
};

enum SFSiteEntry : int {
  kSFCreateSelHandler = 0,
  kSFSetStatusBarSources,
  kSFGetSelHandlerWnd,
  kSFGetSelHandlerFrg,
  kSFSetSelHandlerWnd,
  kSFSetSelHandlerFrg,
  kSFGetFrgType,
  kSFGetFrgInversion,
  kSFGetAspectMode,
  kSFGetAspectValue,
  kSFGetTextFrgFont,
  kSFGetTextFrgTextLength,
  kSFGetTextFrgText,
  kSFGetLineFrgWidth,
  kSFGetLineFrgStyle,
  kSFGetLineFrgHV,
  kSFGetPolygonFrgFillMode,
  kSFSetDefFrgType,
  kSFSetDefFrgInversion,
  kSFSetAspect,
  kSFSetDefTextFrgData,
  kSFSetDefLineFrgData,
  kSFSetDefPolygonFrgData,
  kSFBeginSelectFrg,
  kSFEndSelectFrg,
  kSFDeleteSelHandler,
  kSFInitAutoScroll,
  kSFTerminateAutoScroll,
  kSFDNotMoveFrg,
  kSFEntryCount
};
