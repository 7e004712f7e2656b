// The tool-host library: the site record the program hands it, message hooks,
// and the error state. Errors are recorded with the code, the reporting unit's
// name and a line, for later display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32types.h"

// ---------------------------------------------------------------------------
// Site record. The program fills it once at start-up; the library finds every
// callback of the program through it, by table and entry index. Pointers are
// native width, so the record is the program's own (it is never stored).

// Any entry; callers cast it to the entry's own type before calling.
using LUSiteEntry = void (*)();

struct LU_SITE_TABLE {
  const LUSiteEntry* table;  // the entries, in their fixed order
  std::uint16_t version;     // 1
  std::uint16_t count;       // number of entries
  void* privateData;         // the common-dialog and selection libraries' data
  void* owner;               // the program's object the entries forward to
};

// Table indices in the site record.
enum LUSiteTableIndex {
  kSiteApp = 0,
  kSiteComDlg = 1,
  kSiteSelFrg = 2,
  kSitePrompt = 3,
  kSiteView = 4,
  kSiteDoc = 5,
  kSiteError = 6,
  kSiteAppData = 7,
  kSiteMisc = 8,
  kSiteTableCount = 9
};

constexpr std::size_t kLUSitePathSize = 260;  // MAX_PATH

struct LU_SITE {
  std::uint16_t version;  // 1
  std::uint16_t zero;
  char dataPath[kLUSitePathSize];  // program folder + "LUMODB.DAT"
  LU_SITE_TABLE* tables[kSiteTableCount];
  std::uint8_t reserved[96];
};

static_assert(offsetof(LU_SITE, dataPath) == 4);
static_assert(offsetof(LU_SITE, tables) == 4 + kLUSitePathSize);
static_assert(offsetof(LU_SITE, reserved) == 4 + kLUSitePathSize + kSiteTableCount * sizeof(void*));
static_assert(offsetof(LU_SITE_TABLE, version) == sizeof(void*));
static_assert(offsetof(LU_SITE_TABLE, count) == sizeof(void*) + 2);

// Entry `index` of table `table` of a site (null: the one the program handed
// over) and its descriptor; null when the site lacks it.
LUSiteEntry LUSiteEntryOf(const void* site, int table, int index, const LU_SITE_TABLE** descriptor);

// The library's private data for a filled site: non-zero when ready.
int LUInitSitePrivateData(LU_SITE* site);
void LUFreeSitePrivateData(LU_SITE* site);

// ---------------------------------------------------------------------------
// Message hooks.

// A window message as the hooks see it (window handles are opaque here).
struct LU_MSG {
  void* window;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

// Answers of a hook procedure.
constexpr int kLUHookHandled = 1;  // consumed: the in/out word is the result
constexpr int kLUHookPass = 2;

// (unused value, message, context, in/out word). On entry the word holds the
// pass: 1 queue, 2 main frame, 4 view, 8 a pane of the host.
using LUHookProc = int (*)(void* unused, const LU_MSG* msg, void* context, std::intptr_t* inOut);

struct LU_HOOK {
  LUHookProc procedure;
  void* context;
  std::uint16_t flags;  // passes the procedure sees: bits 1, 2, 4, 8
  std::uint32_t reserved;
};

// Passes (the mode of LUIsSomethingInterest and the flag bits of a hook).
constexpr int kLUPassQueue = 1;
constexpr int kLUPassMainFrame = 2;
constexpr int kLUPassView = 4;
constexpr int kLUPassPane = 8;

// Sent to a hook procedure as it is installed (lParam: its id) and removed.
constexpr std::uint32_t kLUMsgHookInstalled = 1224;
constexpr std::uint32_t kLUMsgHookRemoved = 1225;

// Copies the record, sends the procedure 1224 and returns an id never 0 nor
// reused; 0 for a record without a procedure.
std::uint32_t LUSetLUHook(const void* site, const LU_HOOK* hook);
// Sends 1225, after which the procedure is never called again. FALSE (0)
// for an unknown id.
int LURemoveLUHook(const void* site, std::uint32_t id);
// Offers the message to the hooks of that pass, newest first; non-zero when
// one consumed it (its result in *result, when given).
int LUIsSomethingInterest(const void* site, const LU_MSG* msg, int mode, std::intptr_t* result);

// ---------------------------------------------------------------------------
// Errors.

// Records an error for the site and returns a non-zero result (the code, or
// 1 when the code is 0). While reporting is frozen nothing is recorded.
int LUErrorCode(const void* site, int code, const char* source, int line, int reserved);
// Records an error for a context (site, view or document); same rules.
int LUSetErrorCode(const void* context, int code, const char* source, int line, int reserved);
// Records a code without a source.
void LUStoreErrorCode(const void* site, int code);
// Sets the text shown with the recorded error (a path, a name).
void LUSetErrorString(const void* site, const char* text);
void LUSetErrorStringExt(const void* site, int reserved1, const char* text, int reserved2);
// Freezing nests: errors are recorded again after as many unfreezes.
void LUFreezeError();
void LUUnfreezeError();
// Forgets the recorded error.
void LUResetError();

// What was recorded last.
struct LUErrorState {
  int code = 0;
  std::string source;
  int line = 0;
  std::string text;
};
LUErrorState LUGetErrorState();

// The tool host's live preview, see "Tool panes" below.

// The site's error-box entry (SiteErrorTable 0): (descriptor, unused,
// message, caption, icon, detail) -> 1.
using LUShowErrorBoxEntry = int (*)(const LU_SITE_TABLE* descriptor, std::intptr_t unused, const char* message,
                                    const char* caption, std::intptr_t icon, const char* detail);

// Shows the recorded error through the site's error box, then forgets it:
// the code's text with the recorded text, caption "Lumora 4.0 Error", detail
// "source, line". Codes 0 and 1 (cancelled) show nothing.
void LUPrintErrorState(const void* site);
// The message and detail LUPrintErrorState shows for a record.
std::string LUFormatErrorMessage(const LUErrorState& state);
std::string LUFormatErrorDetail(const LUErrorState& state);
// A message in the error box (icon from the style's MB_ICON bits, else the
// stop sign); 1 (IDOK).
int LUErrorMessageBox(const void* site, void* owner, const char* text, const char* caption, int flags, int style);
// The site's error box with any texts; 0 when the site has no error entry.
int LUShowSiteErrorBox(const void* site, const char* message, const char* caption, int icon, const char* detail);

// ---------------------------------------------------------------------------
// The program's settings, help file and main window, through the site (the
// default, 0 or an empty text when the site lacks the entry).

int LUGetProfileInt(const void* site, const char* section, const char* key, int defaultValue);
int LUGetProfileString(const void* site, const char* section, const char* key, const char* defaultValue,
                       char* buffer, int size);
int LUWriteProfileInt(const void* site, const char* section, const char* key, int value);
int LUWriteProfileString(const void* site, const char* section, const char* key, const char* text);
// The site's help file, copied into the buffer (260 bytes are enough).
int LUGetHelpPath(const void* site, char* buffer, int size);
void* LUGetMainWnd(const void* site);

// The selection `fragment` of an image view as the program's setting wants
// it: shared (a new reference) unless `copy` is set or selections are
// aligned to layers, else copied and aligned to the view's active layer.
// Null when the site lacks the entry, the window is no image view or the
// copy fails.
class Fragment;
Fragment* LUShareOrCopyFragment(const void* site, void* view, Fragment* fragment, int copy);

// The frame a tool window opens over: the main window (the program shows
// no in-place frame of its own).
void* LUGetActiveOLEFrameWnd(const void* site);

// ---------------------------------------------------------------------------
// The shared colour window and the screen pick-up, through the site's
// common-dialog table (its messages in hostapi/comdlg.h). Each refuses (0,
// null or -1) when the site lacks the entry.

// Opens (or shows) the window over `frame` for `owner` with a colour.
int LUOpenSelColorWindow(const void* site, void* frame, void* owner, std::uint32_t colour);
int LUIsSelColorWindowOpened(const void* site);
// Binds the open window to `owner` with a colour: its handle, or null.
void* LUShowSelColorWindow(const void* site, void* owner, std::uint32_t colour);
int LUCloseSelColorWindow(const void* site);
// The window's colour management: the monitor profile (null: off), the
// target profile (null: no proofing), the intents as gamut-match codes.
int LUSetupICMSelColorWindow(const void* site, const char* monitorProfile, const char* targetProfile, int intent,
                             int proofIntent);
// A colour taken from the screen; -1 for none.
std::int32_t LUPickUpColor(const void* site, void* window, int reserved1, int reserved2);
// The monitor's gamma (x 100, 1..1000) the colour window paints through.
int LUSetSelColorWindowGamma(const void* site, std::int32_t red, std::int32_t green, std::int32_t blue);

// ---------------------------------------------------------------------------
// The global selection: the active document's selection as the host keeps
// it, the mode new shapes combine with it by, and the smooth edge of runs.

class Fragment;
namespace VrWA2000 {
class WA;
}

enum : int { kLUGSelReplace = 1, kLUGSelAdd = 2, kLUGSelSubtract = 3, kLUGSelIntersect = 4 };

void LUInitGlobalSelection(const void* site);
void LURemoveGlobalSelection(const void* site);
// Re-reads the active image window's selection; 0 before initialisation or
// when the site lacks the entries.
int LUUpdateGSelection(const void* site);
// The selection with a reference for the caller, or null.
Fragment* LUGetGlobalSelection(const void* site);
// Mode 0 (and any unknown mode) is replace.
void LUSetGSelectionMode(const void* site, int mode);
int LUGetGSelectionMode(const void* site);
// The same under the names the program's selection-mode control uses.
inline void LUSetSelectionMode(const void* site, int mode) { LUSetGSelectionMode(site, mode); }
inline int LUGetSelectionMode(const void* site) { return LUGetGSelectionMode(site); }
// Degree in tenths of a pixel, type as the fragment library's.
void LUSetGSelectionSmoothEdge(const void* site, int degree, int type);
void LUGetGSelectionSmoothEdge(const void* site, int* degree, int* type);
// The selection a new shape makes by the mode (a new fragment, or null when
// nothing is selected).
Fragment* LUCombineWithGSelection(const void* site, Fragment* shape);
// The same by a given mode (a shape drawn with keys that override it).
Fragment* LUCombineWithGSelectionMode(const void* site, Fragment* shape, int mode);
// The same with a given selection (null: none).
Fragment* LUCombineSelection(Fragment* selection, Fragment* shape, int mode);
// What limits a tool run: the selection, through its smooth edge when it has
// one (a new reference), or null for the whole image.
Fragment* LUGetGSelectionLimit(const void* site);

// ---------------------------------------------------------------------------
// Selection (area) tools: the shapes the mouse draws on the image views.
// Items run from 1 in the table's order; one tool is active at a time, and
// while one is its hook follows the views' mouse.

// The 52-byte information block of a selection tool.
struct LU_AREATOOLINFO {
  std::uint32_t flags;     // kind 4 (an area tool) in bits 0-2
  std::int32_t promptId;   // string id of the tool's prompt
  char reserved[44];
};
static_assert(sizeof(LU_AREATOOLINFO) == 52);

// The item after `previous` (0: the first); 0 at the end.
int LUGetSelectionToolItem(const void* site, int previous);
// The tool's name (at most size - 1 characters) and, when given, its
// information block (at most infoSize bytes). FALSE (0) for an unknown item.
int LUGetSelectionToolInfo(const void* site, int item, char* name, int size, void* info, int infoSize);
// Makes the named tool active (null or empty: none). "Area_Whole" selects
// the whole image of the active image window and leaves the active tool as
// it was. FALSE, changing nothing, for an unknown name.
int LUSetActiveSelection(const void* site, const char* name);
// The active tool's name ("" when none); non-zero when one is active.
int LUGetActiveSelection(const void* site, char* name, int size);

// The selection of an image window's document with a reference for the
// caller, or null (the last two arguments are 0).
Fragment* LUGetImageFrg(const void* site, void* window, int reserved1, int reserved2);
// Moving the selection: while on, a drag that begins inside an image
// view's selection moves it (snapped to the view's grid and guides) as the
// undo step "Set Selection". 0 when the mode cannot be switched on.
int LUEnableMovingSelection(const void* site, int on);
int LUGetMovingSelectionFlag(const void* site);
// Clears the active image window's selection as the undo step "Set
// Selection"; 0 when there is no image window or nothing was selected.
int LUDeleteGlobalSelection(const void* site);

// The selection tuner: the window "Selection Attributes" with the settings
// new shapes take (feather, fixed aspect, the wand's tolerance and
// contiguity, the line's width and style, the polygon fill), each applied
// as the user changes it and kept in the program's profile. Opened for a
// tool (its name) it offers that tool's settings; for none (null or empty)
// every setting. Opening it when it is open shows it for the new tool.
// 0 when it cannot be made or the tool is unknown.
int LUOpenGSelectionTunerDlg(const void* site, const char* toolName);
int LUIsGSelectionTunerDlgOpen(const void* site);
// Its window, or null when it is not open.
void* LUGetGSelectionTunerDlg(const void* site);
// Its controls.
enum : int {
  kLUTunerTool = 1000,  // the static naming the tool
  kLUTunerFeather = 1001,
  kLUTunerAspectFixed = 1002,
  kLUTunerAspectWidth = 1003,
  kLUTunerAspectHeight = 1004,
  kLUTunerTolerance = 1005,
  kLUTunerContiguous = 1006,
  kLUTunerLineWidth = 1007,
  kLUTunerLineStyle = 1008,  // combo: round, square, flat
  kLUTunerFillMode = 1009,   // combo: alternate, winding
  kLUTunerMergedImage = 1010,  // the wand looks at the visible image, not the active layer
};

// ---------------------------------------------------------------------------
// Registry of the compiled-in tools; tool numbers run from 1 in table order.

struct LU_REGTOOLINFO {
  std::uint32_t flags;         // kind in bits 0-2
  std::int32_t baseStringId;   // base + 3 prompt, + 4 tip, + 5 ... labels
};

// The tool after `previous` (0: the first); 0 at the end.
int LUGetRegToolItem(const void* site, int previous);
// FALSE (0) for an unknown tool.
int LUGetRegToolInfo(const void* site, int tool, int version, LU_REGTOOLINFO* info);
int LUGetRegToolGroupName(const void* site, int tool, int version, char* buffer, int size);
int LUGetRegToolMenuName(const void* site, int tool, int version, char* buffer, int size);
int LUGetRegToolIDName(const void* site, int tool, int version, char* buffer, int size);
int LUGetRegToolDLLName(const void* site, int tool, int version, char* buffer, int size);
// The name of the tool's toolbar picture (an "IBV" icon resource of its
// module, up to 32 characters); 0 and an empty name when it has none.
int LUGetRegToolIconBitmap(const void* site, int tool, int version, char* buffer, int size);
// The tool number of an id name, 0 when none.
int LUGetRegToolIDNumber(const void* site, const char* idName, int reserved);
// The module holding the tool's resources: the program itself (null).
void* LUGetRegToolModule(const void* site, int tool, int version);
using LUToolInterfaceProc = int (*)(int request);
LUToolInterfaceProc LUGetRegToolInterface(const void* site, int tool, int version);
// Locks nest; FALSE for an unknown tool or an unlock without a lock.
int LULockRegToolLibrary(const void* site, int tool, int version);
int LUUnlockRegToolLibrary(const void* site, int tool, int version);

// ---------------------------------------------------------------------------
// Tool instances and their parameter slots.

struct LUTool;  // opaque

// Slots of the host's protocol.
enum : int {
  kLUSlotOutput = -1,        // set, then read: the output buffer
  kLUSlotZeros = -2,         // two 32-bit zeros
  kLUSlotSource = -4,        // the buffer to process
  kLUSlotLimit = -6,         // fragment or mask limiting the tool
  kLUSlotRunKind = -7,       // 1 ordinary, 2 selection-aware
  kLUSlotZero9 = -9,
  kLUSlotEdgeDegree = -13,
  kLUSlotEdgeType = -14,
  kLUSlotResultMask = -15,   // 0, or a mask fragment
  kLUSlotImageObject = -21,  // the window's image object, only looked at
  kLUSlotFragmentHandle = -26,
  kLUSlotInsertValue = 51,
  kLUSlotResultRect = 57,    // read: the changed rectangle
  kLUSlotLayerFlags = 59,
};

// Result codes of the slot protocol.
enum : int {
  kLUErrNoTool = 3,
  kLUErrNoMemory = 16,
  kLUErrNotFromScript = 114,  // the tool cannot run in this mode on this image kind
  kLUErrBadSlot = 769,        // the tool has no such slot
  kLUErrBadValue = 770,       // wrong type or out of range
  kLUErrNoSource = 771,       // executed without a source buffer
  kLUErrCancelled = 1,
};

// A new instance of a registered tool with its default parameters; null
// for an unknown name.
LUTool* LUCreateTool(const void* site, const char* idName);
// Releases the instance and every buffer and fragment its slots hold.
void LUDeleteTool(LUTool* tool);
// Bytes of the buffer a text parameter ('s') is read into, its NUL included.
constexpr int kLUParamTextSize = 260;
// Sets a slot; 0 on success. Own parameters by format letter: 'd' const
// int*, 'c' const COLORREF*, 'p' const int[2] (x, y), 'r' const int[4]
// (left, top, right, bottom), 's' a NUL-ended text (770 when longer than
// the parameter allows). Buffer slots (-4, -1) take the buffer itself
// (`VrWA2000::WA*`, a reference is added); fragment slots (-6, -15) the
// fragment (shared); -26 and -21 an address kept as given; the rest const
// int* (-2: two ints).
int LUSetParameter(LUTool* tool, int slot, int reserved, const void* value);
// Reads a slot into `out`: own parameters as they are set (a text into
// kLUParamTextSize bytes), integer slots as int, -1 and
// -4 as `VrWA2000::WA*` with a reference for the caller (null when empty),
// 57 as RECT. 0 on success.
int LUGetParameter(LUTool* tool, int slot, int reserved, void* out);
// A slot's object with a reference for the caller: -6 and -15 fragments,
// -1 and -4 buffers.
int LUGetParameterByRef(LUTool* tool, int slot, int reserved, void** out);
// Non-zero when the tool has the slot (the number of values of an own one).
int LUGetParamDimension(LUTool* tool, int slot);
// The format letter of an own parameter ('d', 'c', 'p', 'r' or 's'), 0 for
// any other slot.
char LUGetParamFormat(LUTool* tool, int slot);
// Capability flags for an image kind (0 1-bit ... 4 colour): bits 0-2 mode.
std::uint32_t LUGetCapsFlags(LUTool* tool, int kind);
// The image kind of a buffer type.
int LUImageKindOfType(int type);
// Runs the tool on -4, into -1 when it is set (else in place), limited by
// -6 and mixed with the original by its coverage. 0 on success.
int LUToolExecute(LUTool* tool, int backup, int reserved1, int reserved2, int reserved3);
// The same, telling the main window (1256) only with `notify`: callers that
// refresh first send it themselves.
int LURunTool(LUTool* tool, int backup, int notify);
// What the last run changed: the rectangle in the source buffer's own
// coordinates (rows counted upward from its row 0, the picture's bottom;
// engine/pixels/README.md) and the same as a rectangle fragment with a
// reference for the caller.
int LUGetOutRectE(LUTool* tool, RECT* out);
Fragment* LUGetOutFrg(LUTool* tool);
// The tool number of an instance.
int LUGetToolID(LUTool* tool);
// Keeps the instance's parameters in the site's data file ("LUMODB.DAT"),
// and gives an instance the ones kept for its tool; 1 when done.
int LUStoreToolParameters(const void* site, LUTool* tool);
int LURecallToolParameters(const void* site, LUTool* tool);

// ---------------------------------------------------------------------------
// Image windows, through the site, and copies of parameters.

// Parameter type of an image buffer (`VrWA2000::WA*`).
constexpr int kLUParamImage = 11;

// A copy of a parameter of the given type, independent of the source, in
// *copy (for an image: a new buffer with one reference for the caller). 0 on
// success, else an error code (recorded): 770 for an unknown type or a null
// source, 16 when memory runs out.
int LUCopyParameter(const void* site, int type, const void* source, void** copy);

// The window's image of a kind (as the site's document-image entry takes
// them: 0 the image a tool edits, 3 the one its capabilities are checked
// against), with a reference for the caller; null when the window has no
// document or the document no such image.
VrWA2000::WA* LUGetImageWA(const void* site, void* window, int kind);
// The window's image origin: its active layer's origin negated. 1 when the
// window has a document and an active layer, else 0 and (0, 0).
int LUGetImageOrg(const void* site, void* window, POINT* origin);

// How the library sends a message to a program window (the program installs
// it with the site; without one, nothing is sent).
using LUMessageSender = std::intptr_t (*)(void* context, void* window, std::uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam);
void LUSetMessageSender(LUMessageSender sender, void* context);
// Sends through the installed sender; 0 without one.
std::intptr_t LUSendToWindow(void* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Sent to the main window after a tool run with backup (wParam: the
// instance), so the run can be recorded.
constexpr std::uint32_t kLUMsgToolExecuted = 1256;

// ---------------------------------------------------------------------------
// Tool panes: a modeless dialog per open tool, owned by the main window, with
// a control per parameter (labelled by the tool's strings), Preview, Apply
// and Close. A pane opened while [PinState] DrawingPinPressed is 0 is
// reused by the next tool; opened while it is set, the pane stays.

struct LUPaneDialog;  // opaque
struct LUPane;        // a pane inside a dialog (each dialog holds one)

// A pane's data: first its tool instance (null when it has none).
struct LU_PANEDATA {
  LUTool* tool;
  int toolNumber;
};

// Opens the tool's pane, or activates the one showing it. Non-zero on
// success; 0 with the error recorded.
int LUCreateToolInstanceByIDNumber(const void* site, int tool, int reserved);
// The same by id name: 0 on success, else the error code (recorded).
int LUCreateToolInstance(const void* site, const char* idName, int reserved);

int LUIsPaneDlgWindow(const void* site, const void* window);
LUPaneDialog* LUHWNDToPaneDialog(const void* site, const void* window);
// The pane after `previous` (null: the first); null at the end.
LUPane* LUGetNextPane(const void* site, LUPaneDialog* dialog, LUPane* previous);
const LU_PANEDATA* LUGetPaneData(const void* site, LUPane* pane);
int LUIsDlgIconic(const void* site, LUPaneDialog* dialog);
// The pane dialog last activated or opened; null when none is open.
LUPaneDialog* LUGetActivePaneDialog(const void* site);
void* LUGetPaneDialogWindow(const void* site, LUPaneDialog* dialog);
// Closes every pane dialog (their previews restored).
void LUDestroyPaneDialogs(const void* site);

// Runs the pane's tool on the active layer of the active image window
// within the global selection, as one undo step named by the tool's menu
// name; refreshes the changed rectangle, marks the document modified, keeps
// the parameters in "LUMODB.DAT", then sends the main window 1256. 0 on
// success, else the error code (recorded): 120 no image window, 130 the
// layer is hidden or locked.
int LUPaneApply(LUPaneDialog* dialog);
// Sets parameter `index` as the pane's control does (preview included).
int LUPaneSetParameter(LUPaneDialog* dialog, int index, std::int32_t value);
void LUPaneSetPreview(LUPaneDialog* dialog, int on);

// The pane dialog's own handling of its messages, after the hooks of the
// pane pass (kind 8) passed them; answers as a dialog procedure does.
std::intptr_t LUPaneDlgProcInternal(const void* site, void* window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam);

// Messages of the pane dialogs. 1239 (wParam 1): the pane was activated.
// 1725 (lParam: text) and 1726: the pane's status text shown and cleared.
// 1249: the program's colours changed; the pane redraws its colours.
constexpr std::uint32_t kLUMsgPaneActivated = 1239;
constexpr std::uint32_t kLUMsgPaneStatusText = 1725;
constexpr std::uint32_t kLUMsgPaneStatusClear = 1726;
constexpr std::uint32_t kLUMsgColoursChanged = 1249;

enum : int {
  kLUErrNoImageWindow = 120,
  kLUErrLayerLocked = 130,
  kLUErrNoPaneWindow = 131,  // the pane's window could not be made
  kLUErrSameImageType = 132,  // a conversion to the type the image has
  kLUErrNoImageData = 256,
};

// ---------------------------------------------------------------------------
// The live preview. With a pane's Preview on and the preview enabled, each
// parameter change runs the pane's tool from a saved copy of the active
// image (the original) into the active image; closing the pane without
// Apply puts the original back.

void LUPreview_Init(const void* site);
// Restores a preview that shows and forgets every saved original.
void LUPreview_Destroy(const void* site);
// Switched off around work that must see the real image: the first disable
// restores the original, the last enable shows the preview again. Nests: on
// again after as many enables as disables. Enabled at start.
void LUPreview_Enable(const void* site, int on, int reserved);
inline void LUPreview_Enable(int on) { LUPreview_Enable(nullptr, on, 1); }
bool LUPreview_IsEnabled();
// The image changed under the preview: the saved original is dropped (the
// image as it is now is the next original).
void LUPreview_InvalidateImageData(const void* site);

// ---------------------------------------------------------------------------
// The host's sections of the program's Window menu (Windows build): windows
// listed under a section's name, at the end of the main window's "Window"
// popup; choosing one activates it. Sections: 0 the tool panes, 1 tools,
// 2 images.

constexpr int kLUWinMenuSections = 3;
// First command id of the host's Window menu items (64 of them).
constexpr std::uint32_t kLUWinMenuFirstCommand = 0xFE00;

void LUWinMenu_SetSectionName(const void* site, int index, const char* name);
// Lists the window (again) in the section; the menu shows its title.
int LUWinMenu_AddWnd(const void* site, void* window, int section, int reserved);
int LUWinMenu_DeleteWnd(const void* site, void* window);
// Checks the window's item (and no other).
int LUWinMenu_SetActiveWnd(const void* site, void* window);
// The window's title changed.
int LUWinMenu_CorrectName(const void* site, void* window);
// A menu command of the frame: non-zero when it was one of the host's items
// (its window is then activated).
int LUWinMenu_Command(const void* site, void* frame, std::uintptr_t wParam);

// ---------------------------------------------------------------------------
// The open and save dialog of the host, in a folder under the program's.

struct LU_GADGETDLG {
  const char* title;
  int open;               // 1 open, 0 save
  const char* folderKey;  // the folder's name under the program's folder
  const char* defaultExtension;  // without the dot
  char* path;             // in: a proposed path or name; out: the chosen path
  int pathSize;           // 260
};

// Runs the common-dialog library's dialog owned by `owner` in the folder
// (made when missing); 1 for OK with the path filled in, 0 for Cancel or
// failure (the site lacks the entry, no windows).
int LUOpenGadgetDialog(const void* site, void* owner, LU_GADGETDLG* record);
