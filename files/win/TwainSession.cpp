// The TWAIN session over the source manager.
#include "files/win/TwainSession.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "files/TwainStrips.h"

namespace lumora {

using namespace twain;

namespace {

constexpr char kCaption[] = "TWAIN Error";

// The menu items greyed while a source is enabled.
constexpr UINT kGreyedItems[] = {66, 33112, 131, 33113, 68};

struct Session {
  TW_IDENTITY app{};
  TW_IDENTITY source{};
  HWND parent = nullptr;
  HMODULE manager = nullptr;
  DSMENTRYPROC entry = nullptr;
  bool managerOpen = false;
  bool sourceOpen = false;
  bool sourceEnabled = false;
  bool nativeOnly = false;
  bool forceRGB = false;
  bool closeAfterTransfer = false;
  TW_IMAGEINFO info{};
  TW_PALETTE8 palette{};
  int lastX = 0, lastY = 0;
};

Session& S() {
  static Session session;
  return session;
}

TW_UINT16 Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  Session& s = S();
  if (s.entry == nullptr) return TWRC_FAILURE;
  return s.entry(&s.app, dest, dg, dat, msg, data);
}

TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return Call(&S().source, dg, dat, msg, data);
}

void Box(const char* text) { MessageBoxA(S().parent, text, kCaption, MB_OK); }

// Who failed a triplet: the manager, or the open source (whose own status
// says why; the manager's would only say that a source failed).
enum class Failed { kManager, kSource };

// The box for a failed triplet, from the condition code of whoever failed.
void StatusBox(Failed who = Failed::kManager) {
  Session& s = S();
  int id = 4;
  if (s.entry != nullptr) {
    TW_STATUS status{};
    TW_IDENTITY* asked = who == Failed::kSource && s.sourceOpen ? &s.source : nullptr;
    if (Call(asked, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) {
      id = 19;
    } else {
      switch (status.ConditionCode) {
        case TWCC_SUCCESS: id = 18; break;
        case TWCC_BUMMER: id = 12; break;
        case TWCC_LOWMEMORY: id = 8; break;
        case TWCC_NODS: id = 5; break;
        case TWCC_MAXCONNECTIONS: id = 11; break;
        // A source that failed with no reason of its own (a camera source
        // without its camera opens so) must not fail in silence.
        case TWCC_OPERATIONERROR: id = 21; break;
        case TWCC_BADCAP: id = 13; break;
        case TWCC_BADPROTOCOL: id = 14; break;
        case TWCC_BADVALUE: id = 15; break;
        case TWCC_SEQERROR: id = 17; break;
        default: id = 20; break;
      }
    }
  }
  char text[256] = {};
  std::snprintf(text, sizeof text, TwainStatusText(id), s.source.ProductName);
  Box(text);
}

void GreyMenu(bool grey) {
  HMENU menu = S().parent != nullptr ? GetMenu(S().parent) : nullptr;
  if (menu == nullptr) return;
  for (UINT id : kGreyedItems) EnableMenuItem(menu, id, MF_BYCOMMAND | (grey ? MF_GRAYED : MF_ENABLED));
}

// The manager: TWAIN_32.DLL in the Windows folder, else in the system
// folder (where Wine keeps it), else the newer TWAINDSM.DLL.
HMODULE LoadManager() {
  char folder[MAX_PATH] = {};
  const std::string name = TwainStatusText(0);
  for (UINT (*where)(LPSTR, UINT) : {&GetWindowsDirectoryA, &GetSystemDirectoryA}) {
    const UINT length = where(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) continue;
    const std::string path = std::string(folder) + "\\" + name;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    if (HMODULE module = LoadLibraryA(path.c_str())) return module;
  }
  return LoadLibraryA("TWAINDSM.DLL");
}

bool OpenManager() {
  Session& s = S();
  if (s.managerOpen) return true;
  if (s.manager == nullptr) s.manager = LoadManager();
  if (s.manager != nullptr && s.entry == nullptr) {
    FARPROC proc = GetProcAddress(s.manager, MAKEINTRESOURCEA(1));
    if (proc == nullptr) proc = GetProcAddress(s.manager, "DSM_Entry");
    s.entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(proc));
  }
  HWND parent = s.parent;
  if (s.entry != nullptr && Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) == TWRC_SUCCESS) {
    s.managerOpen = true;
    return true;
  }
  StatusBox();
  return false;
}

int SourceName(TW_UINT16 msg, char* name, std::size_t length) {
  if (!OpenManager()) return 0;
  TW_IDENTITY found{};
  if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, msg, &found) != TWRC_SUCCESS) return 0;
  std::memcpy(name, found.ProductName, length);
  name[length] = '\0';
  return 1;
}

void EndTransfer(TW_PENDINGXFERS* pending) {
  if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, pending) != TWRC_SUCCESS) {
    pending->Count = 0;
    CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, pending);
  }
}

void RememberResolution() {
  Session& s = S();
  s.lastX = static_cast<int>(Fix32ToDouble(s.info.XResolution) + 0.5);
  s.lastY = static_cast<int>(Fix32ToDouble(s.info.YResolution) + 0.5);
}

// One image by memory transfer, strip after strip, into a new buffer.
void MemoryTransfer(HWND target, TW_MEMORY memory) {
  Session& s = S();
  TwainImageLayout layout;
  TwainFault fault = PlanTwainImage(s.info, s.info.PixelType == TWPT_PALETTE ? &s.palette : nullptr, s.forceRGB,
                                    &layout);
  VrWA2000::WA* image = fault == TwainFault::kNone ? NewTwainImage(s.info, layout) : nullptr;
  if (image == nullptr) {
    // A source the program cannot read says why; no buffer otherwise.
    Box(TwainFaultText(fault == TwainFault::kNone ? TwainFault::kOutOfMemory : fault));
    SendMessageA(target, kMsgTwainMemoryImage, 0, 0);
    return;
  }
  RememberResolution();
  for (;;) {
    TW_IMAGEMEMXFER strip{};
    strip.Memory = memory;
    const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
    if (rc == TWRC_FAILURE) {
      StatusBox(Failed::kSource);
      break;
    }
    if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) {
      // The strip is read where the source says it wrote it, but only
      // within the buffer the program handed over.
      TW_IMAGEMEMXFER bounded = strip;
      if (bounded.Memory.TheMem != memory.TheMem || bounded.Memory.Length > memory.Length) {
        bounded.Memory.Length = 0;
      }
      fault = ConvertTwainStrip(s.info, layout, bounded, static_cast<const std::uint8_t*>(memory.TheMem), image);
      if (fault != TwainFault::kNone) {
        Box(TwainFaultText(fault));
        break;
      }
    }
    if (rc == TWRC_SUCCESS) continue;
    if (rc == TWRC_XFERDONE) {
      SendMessageA(target, kMsgTwainMemoryImage, reinterpret_cast<WPARAM>(image), layout.format);
      return;
    }
    break;
  }
  image->Release();
  SendMessageA(target, kMsgTwainMemoryImage, 0, 0);
}

void Transfers(HWND target) {
  Session& s = S();
  if (CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &s.info) != TWRC_SUCCESS) {
    StatusBox(Failed::kSource);
    return;
  }
  TW_SETUPMEMXFER setup{};
  TW_UINT16 setupRc = TWRC_FAILURE;
  if (!s.nativeOnly) setupRc = CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
  TW_PENDINGXFERS pending{};
  if (!s.nativeOnly && setupRc != TWRC_FAILURE && setup.Preferred != 0 && setup.MaxBufSize > 0) {
    if (setupRc != TWRC_SUCCESS) {
      StatusBox(Failed::kSource);
      return;
    }
    TW_UINT32 size = (setup.Preferred + 3) & ~3u;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) {
      size = (setup.MinBufSize + 3) & ~3u;
      block = GlobalAlloc(GMEM_FIXED, size);
    }
    void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
    if (bytes == nullptr) {
      if (block != nullptr) GlobalFree(block);
      Box(TwainFaultText(TwainFault::kOutOfMemory));
      return;
    }
    const TW_MEMORY memory{TWMF_APPOWNS | TWMF_POINTER, size, bytes};
    do {
      if (s.info.PixelType == TWPT_PALETTE) CallSource(DG_IMAGE, DAT_PALETTE8, MSG_GET, &s.palette);
      MemoryTransfer(target, memory);
      EndTransfer(&pending);
      if (pending.Count != 0 && CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &s.info) != TWRC_SUCCESS) break;
    } while (pending.Count != 0);
    GlobalUnlock(block);
    GlobalFree(block);
  } else {
    do {
      TW_HANDLE handle = nullptr;
      const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
      if (rc == TWRC_FAILURE) StatusBox(Failed::kSource);
      RememberResolution();
      const bool ok = rc == TWRC_XFERDONE && reinterpret_cast<std::uintptr_t>(handle) >= 32;
      SendMessageA(target, kMsgTwainNativeImage, ok ? reinterpret_cast<WPARAM>(handle) : 0, 0);
      EndTransfer(&pending);
      if (pending.Count != 0 && CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &s.info) != TWRC_SUCCESS) break;
    } while (pending.Count != 0);
  }
  if (s.closeAfterTransfer) TwainShutdown();
}

}  // namespace

const char* TwainStatusText(int id) {
  switch (id) {
    case 0: return "TWAIN_32.DLL";
    case 4:
      return "Sorry, could not find the TWAIN Source Manager (TWAIN.DLL).  Please copy the TWAIN Source Manager from "
             "your Program Disk to your Windows directory.";
    case 5:
      return "Sorry, no TWAIN Source found in the TWAIN directory.  Refer to your TWAIN Source installation "
             "instructions.";
    case 8: return "Sorry, there is not enough memory to Acquire.";
    case 11: return "Sorry the TWAIN Source %s is already in use.";
    case 12: return "Bummer, there is a TWAIN error!";
    case 13: return "Sorry, capability error has occurred.";
    case 14: return "Sorry, protocol error has occurred.";
    case 15: return "Sorry, bad value.";
    case 17: return "Sorry, DG DAT MSG is out of expected sequence.";
    case 18: return "Source returned unknown error status.";
    case 19: return "Sorry, could not get detailed Error Code.";
    case 20: return "Sorry, Unknown error code returned by DG_CONTROL, DAT_STATUS, MSG_GET.";
    case 21: return "Sorry, the TWAIN Source %s reported an error without a reason.  Check that its device is "
                    "connected and switched on.";
    default: return "";
  }
}

void TwainSetAppIdentity(const TW_IDENTITY& identity, HWND parent) {
  S().app = identity;
  S().parent = parent;
}

int TwainGetFirstSource(char* name) { return SourceName(MSG_GETFIRST, name, 33); }
int TwainGetNextSource(char* name) { return SourceName(MSG_GETNEXT, name, 33); }
int TwainGetDefaultSource(char* name) { return SourceName(MSG_GETDEFAULT, name, 32); }

int TwainOpenSource(void*, int nativeOnly, int forceRGB, const char* productName) {
  Session& s = S();
  if (s.sourceOpen || !OpenManager()) return 0;
  s.source = TW_IDENTITY{};
  std::strncpy(s.source.ProductName, productName, sizeof s.source.ProductName - 1);
  s.nativeOnly = nativeOnly != 0;
  s.forceRGB = forceRGB != 0;
  if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &s.source) != TWRC_SUCCESS) {
    StatusBox();
    TwainShutdown();
    return 0;
  }
  s.sourceOpen = true;
  GreyMenu(true);
  TW_USERINTERFACE ui{1, 0, s.parent};
  if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) {
    Box("Error Enabling DS.  ");
    TwainShutdown();
    return 0;
  }
  s.sourceEnabled = true;
  s.closeAfterTransfer = ui.ModalUI != 0;
  return 1;
}

int TwainProcessEvent(MSG* message, HWND target) {
  Session& s = S();
  if (!s.managerOpen || !s.sourceOpen) return 0;
  TW_EVENT event{message, MSG_NULL};
  const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  if (event.TWMessage == MSG_XFERREADY) {
    Transfers(target);
  } else if (event.TWMessage == MSG_CLOSEDSREQ) {
    TwainShutdown();
  }
  return rc == TWRC_DSEVENT ? 1 : 0;
}

void TwainShutdown() {
  Session& s = S();
  if (s.sourceOpen) {
    // A source that never came up (its enabling failed) has nothing to
    // disable: it is only closed.
    if (s.sourceEnabled) {
      TW_USERINTERFACE ui{0, 0, s.parent};
      if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS) {
        Box("Error Disabling DS.  ");
      } else {
        s.sourceEnabled = false;
      }
    }
    if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &s.source) != TWRC_SUCCESS) {
      Box("Error Closing DS.  ");
    } else {
      s.sourceOpen = false;
      s.sourceEnabled = false;
      GreyMenu(false);
    }
  }
  if (s.managerOpen && !s.sourceOpen) {
    HWND parent = s.parent;
    if (Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent) != TWRC_SUCCESS) {
      Box("Error Closing DSM.  ");
      return;
    }
    s.managerOpen = false;
    // The manager stays loaded: a source it loaded may still hold windows
    // of its own until the process ends.
  }
}

bool TwainSourceOpen() { return S().sourceOpen; }

void TwainLastResolution(int* x, int* y) {
  *x = S().lastX;
  *y = S().lastY;
}

}  // namespace lumora
