// The macro window.
#include "lang/win/LangWnd.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/Archive.h"
#include "framework/CmdUI.h"
#include "framework/win/App.h"
#include "framework/win/CommonDialogs.h"
#include "lang/MacroText.h"
#include "lang/SequenceScript.h"
#include "lang/win/LangHelpDialogs.h"
#include "lang/win/PrintScript.h"
#include "platform/safe_write.h"
#include "platform/trace.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lang {

namespace {

constexpr char kClassName[] = "LumoraMacroWindow";
// Posted to the window after lines were appended: they go into the edit
// control when the message that recorded them is done.
constexpr UINT kMsgFlushAppended = WM_USER + 0x100;
constexpr char kSection[] = "LANGWND";
constexpr int kNoPosition = INT32_MIN;
constexpr DWORD kWindowStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
// The edit control's default limit (about 30 K characters) would stop
// recording and pasting silently.
constexpr WPARAM kTextLimit = 0x7FFFFFFE;

fw::Profile* Settings() { return fw::TheApp() != nullptr ? &fw::TheApp()->Settings() : nullptr; }

int SettingInt(const char* key, int fallback) {
  fw::Profile* p = Settings();
  return p != nullptr ? p->GetInt(kSection, key, fallback) : fallback;
}

void WriteSetting(const char* key, int value) {
  if (fw::Profile* p = Settings()) p->WriteInt(kSection, key, value);
}

void DefaultFlash(HWND window) { FlashWindow(window, TRUE); }
void DefaultBeep() { MessageBeep(MB_ICONEXCLAMATION); }
void DefaultPause(unsigned milliseconds) { Sleep(milliseconds); }

std::string MacroFolder() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  return (std::filesystem::path(module).parent_path() / std::string(res::String(IDS_MACROS_FOLDER))).string();
}

bool RegisterWindowClass() {
  WNDCLASSA wc{};
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (GetClassInfoA(instance, kClassName, &wc)) return true;
  wc = {};
  wc.lpfnWndProc = fw::Window::StaticWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

LangWndAlerts& MacroWindowAlerts() {
  static LangWndAlerts alerts{DefaultFlash, DefaultBeep, DefaultPause};
  return alerts;
}

CLangWnd::CLangWnd() { accelerators_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MACRO_ACCEL)); }

CLangWnd::~CLangWnd() {
  if (openFlag_ != nullptr) *openFlag_ = false;
}

CLangWnd* CLangWnd::Open(HWND owner, bool* openFlag) {
  if (!RegisterWindowClass()) return nullptr;
  auto* window = new CLangWnd();
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MACRO_MENU));
  const std::string title(res::String(IDS_MACROS_TITLE));
  if (!window->CreateEx(0, kClassName, title.c_str(), kWindowStyle, 0, 0, 100, 100, owner, menu)) {
    if (menu != nullptr) DestroyMenu(menu);
    delete window;
    return nullptr;
  }
  window->openFlag_ = openFlag;
  if (openFlag != nullptr) *openFlag = true;
  window->formerSink_ = ReplaceMacroLineSink(window);
  return window;
}

LRESULT CLangWnd::OnCreate() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAINFRAME), IMAGE_ICON, 16, 16, 0));
  if (icon != nullptr) SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  edit_ = CreateWindowExA(0, "EDIT", "",
                          WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN |
                              ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                          0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MACRO_EDIT)), instance,
                          nullptr);
  if (edit_ == nullptr) return -1;
  SendMessageA(edit_, EM_SETLIMITTEXT, kTextLimit, 0);
  const int dx = SettingInt("DX", 200), dy = SettingInt("DY", 200);
  const int x = ClampWindowOrigin(SettingInt("X", 200), dx, GetSystemMetrics(SM_CXSCREEN));
  int y = ClampWindowOrigin(SettingInt("Y", 200), dy, GetSystemMetrics(SM_CYSCREEN));
  if (SettingInt("Y", kNoPosition) == kNoPosition) {
    // The default place covers none of the tool windows shown beside it.
    std::vector<WindowEdges> taken;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    for (HWND w = GetWindow(hwnd_, GW_HWNDFIRST); w != nullptr && owner != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
      if (w == hwnd_ || GetWindow(w, GW_OWNER) != owner || !IsWindowVisible(w)) continue;
      RECT r{};
      GetWindowRect(w, &r);
      taken.push_back(WindowEdges{r.left, r.top, r.right, r.bottom});
    }
    y = DefaultTopClearOf(WindowEdges{x, y, x + dx, y + dy}, taken, GetSystemMetrics(SM_CYSCREEN));
  }
  SetWindowPos(hwnd_, nullptr, x, y, dx, dy, SWP_NOZORDER | SWP_NOACTIVATE);
  WriteSetting("SHOW", 1);
  return 0;
}

void CLangWnd::SetShown(bool show) {
  if (hwnd_ == nullptr) return;
  FlushAppended();
  ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE);
  WriteSetting("SHOW", show ? 1 : 0);
}

bool CLangWnd::IsRecording() const {
  return hwnd_ != nullptr && IsWindowVisible(hwnd_) && !running_ && recording_;
}

void CLangWnd::ReportRecordingFailure(const std::string& why) {
  // The part that could not be recorded shows where it would have gone.
  AppendLine("// " + why, false);
}

std::string CLangWnd::Text() const {
  if (edit_ == nullptr) return {};
  FlushAppended();
  const int length = GetWindowTextLengthA(edit_);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(edit_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

void CLangWnd::SetText(const std::string& text) {
  FlushAppended();
  SetWindowTextA(edit_, text.c_str());
}

void CLangWnd::AppendLine(std::string_view line, bool force) {
  if (!ShouldAppendLine(running_, recording_, force)) return;
  if (hwnd_ == nullptr || !IsWindowVisible(hwnd_)) return;
  // Each change of the edit control's text redraws its scroll bars there
  // and then (milliseconds under Wine), so the lines a command records are
  // collected and put in together once the command's message is handled.
  const std::size_t length = static_cast<std::size_t>(GetWindowTextLengthA(edit_)) + pending_.size();
  pending_ += AppendedPiece(length, line);
  if (!flushPosted_) {
    flushPosted_ = PostMessageA(hwnd_, kMsgFlushAppended, 0, 0) != 0;
    if (!flushPosted_) FlushAppended();
  }
}

void CLangWnd::FlushAppended() const {
  if (pending_.empty() || edit_ == nullptr) return;
  // Added at the end, so the cost does not grow with the text.
  const std::string piece = std::move(pending_);
  pending_.clear();
  const int length = GetWindowTextLengthA(edit_);
  SendMessageA(edit_, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
  SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
  SendMessageA(edit_, EM_SETMODIFY, TRUE, 0);
}

void CLangWnd::AppendText(const LineList& lines, bool force) {
  for (const std::string& line : lines) AppendLine(line, force);
}

bool CLangWnd::RunScript() {
  running_ = true;
  const std::vector<ScriptTextLine> lines = SplitScriptText(Text());
  lang::ScriptStop stopped;
  fw::WindowWatch watch = Watch();
  const bool ran = lang::RunScript(ScriptTextLines(lines), &stopped);
  if (!watch.Alive()) return ran;
  running_ = false;
  const std::size_t stop = stopped.line;
  if (ran || stop >= lines.size()) return ran;
  SetFocus(hwnd_);
  LangWndAlerts& alerts = MacroWindowAlerts();
  for (int i = 0; i < 4; ++i) {
    if (i != 0 && alerts.pause != nullptr) alerts.pause(50);
    if (alerts.flash != nullptr) alerts.flash(hwnd_);
  }
  if (alerts.beep != nullptr) alerts.beep();
  SendMessageA(edit_, EM_SETSEL, lines[stop].start, lines[stop].end);
  SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
  // The selected line shows where; the box says why.
  const std::string message = "The macro stopped at " + stopped.reason + ".";
  MessageBoxA(hwnd_, message.c_str(), std::string(res::String(IDS_MACROS_TITLE)).c_str(), MB_OK | MB_ICONEXCLAMATION);
  return false;
}

bool CLangWnd::SaveModified() {
  FlushAppended();
  if (SendMessageA(edit_, EM_GETMODIFY, 0, 0) == 0) return true;
  const std::string name = fileName_.empty() ? std::string(res::String(IDS_UNTITLED))
                                             : std::filesystem::path(fileName_).stem().string();
  // The text names the script with a printf-style "%s".
  std::string question(res::String(IDS_MACRO_CHANGED));
  if (const std::size_t at = question.find("%s"); at != std::string::npos) question.replace(at, 2, name);
  HWND owner = GetActiveWindow() != nullptr ? GetActiveWindow() : hwnd_;
  const std::string caption(res::String(IDS_MACROS_TITLE));
  switch (MessageBoxA(owner, question.c_str(), caption.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return fileName_.empty() ? SaveAs() : Save();
    case IDNO: return true;
    default: return false;
  }
}

bool CLangWnd::Save() {
  if (fileName_.empty()) return SaveAs();
  return SaveToFile(fileName_);
}

bool CLangWnd::SaveAs() {
  std::string path;
  if (!ChooseFile(false, IDS_SAVE_MACRO_TITLE, path)) return false;
  fileName_ = path;
  return Save();
}

void CLangWnd::ShowFileProblem(const std::string& text) const {
  MessageBoxA(hwnd_, text.c_str(), std::string(res::String(IDS_MACROS_TITLE)).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

bool CLangWnd::SaveToFile(const std::string& path) {
  // The whole text or nothing: a text the window cannot hand over whole,
  // or that could not be read back as a script, is not written.
  FlushAppended();
  const int length = GetWindowTextLengthA(edit_);
  const std::string text = Text();
  std::string problem;
  if (static_cast<int>(text.size()) != length) {
    problem = "its text could not be read whole from the window";
  } else if (text.size() >= kMaxScriptFileBytes) {
    problem = "it is longer than a script file may be (" + std::to_string(kMaxScriptFileBytes) + " bytes)";
  } else if (!IsScriptText(text, &problem)) {
    problem = "it " + problem;
  }
  if (!problem.empty()) {
    ShowFileProblem("The script is not saved to " + path + ": " + problem + ".");
    return false;
  }
  const std::string bytes = ScriptFileBytes(text);
  std::string error;
  const bool written = lumora::WriteBytesSafely(path, bytes.data(), bytes.size(), &error);
  if (!written) {
    ShowFileProblem("The script cannot be written to " + path + (error.empty() ? "" : ": " + error) + ".");
    return false;
  }
  SendMessageA(edit_, EM_SETMODIFY, FALSE, 0);
  return true;
}

bool CLangWnd::LoadFromFile(const std::string& path) {
  lumora::TraceMark("macro script read");
  // The size first: a file too large to be a script is not read at all.
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = file ? static_cast<std::streamoff>(file.tellg()) : -1;
  std::string bytes, text, problem;
  if (size > static_cast<std::streamoff>(kMaxScriptFileBytes)) {
    problem = "is " + std::to_string(size) + " bytes long; a script file holds at most " +
              std::to_string(kMaxScriptFileBytes) + " bytes";
  } else if (size >= 0) {
    bytes.resize(static_cast<std::size_t>(size));
    if (!file.seekg(0) || !file.read(bytes.data(), size)) problem = "cannot be read";
  } else {
    problem = "cannot be read";
  }
  if (problem.empty() && bytes.empty()) return true;
  if (problem.empty() && ScriptTextFromFileBytes(bytes, &text, &problem)) {
    lumora::TraceMark("macro script text ready");
    SetText(text);
    if (lumora::TraceEnabled()) {
      UpdateWindow(edit_);
      lumora::TraceMark("macro script shown");
    }
    return true;
  }
  ShowFileProblem("The macro file " + path + " is not opened: the file " + problem + ".");
  return false;
}

void CLangWnd::CloseDiscard() {
  pending_.clear();
  SendMessageA(edit_, EM_SETMODIFY, FALSE, 0);
  SendMessageA(hwnd_, WM_CLOSE, 0, 0);
}

bool CLangWnd::ChooseFile(bool open, std::uint32_t titleId, std::string& path) {
  const std::string folder = MacroFolder();
  CreateDirectoryA(folder.c_str(), nullptr);
  const DWORD flags = open ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
                           : OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  fw::FileDialog dialog(open, "cmd", fileName_, flags, "Macros (*.cmd)|*.cmd||", hwnd_);
  dialog.SetTitle(std::string(res::String(titleId)));
  dialog.SetInitialDir(folder);
  if (dialog.DoModal() != IDOK) return false;
  path = dialog.GetPathName();
  return !path.empty();
}

void CLangWnd::OnCommandId(std::uint32_t id) {
  switch (id) {
    case ID_MACRO_NEW:
      if (SaveModified()) {
        SetText("");
        fileName_.clear();
        SendMessageA(edit_, EM_SETMODIFY, FALSE, 0);
      }
      return;
    case ID_MACRO_OPEN:
    case ID_MACRO_LOAD_RUN: {
      if (!SaveModified()) return;
      std::string path;
      if (!ChooseFile(true, id == ID_MACRO_OPEN ? IDS_OPEN_MACRO_TITLE : IDS_LOAD_RUN_MACRO_TITLE, path)) return;
      // A file that is refused leaves the window as it was, its file
      // name included: a later Save must not write over the refused file.
      if (!LoadFromFile(path)) return;
      fileName_ = path;
      if (id == ID_MACRO_LOAD_RUN) RunScript();
      return;
    }
    case ID_MACRO_SAVE:
      SaveAs();
      return;
    case ID_MACRO_SAVE_AS: {
      std::string path;
      if (ChooseFile(false, IDS_SAVE_MACRO_TITLE, path) && SaveToFile(path)) fileName_ = path;
      return;
    }
    case ID_MACRO_PRINT:
      if (GetWindowTextLengthA(edit_) != 0) PrintScript(hwnd_, edit_);
      return;
    case ID_MACRO_EXIT:
      DestroyWindow();
      return;
    case ID_MACRO_UNDO: SendMessageA(edit_, EM_UNDO, 0, 0); return;
    case ID_MACRO_CUT: SendMessageA(edit_, WM_CUT, 0, 0); return;
    case ID_MACRO_COPY: SendMessageA(edit_, WM_COPY, 0, 0); return;
    case ID_MACRO_PASTE: SendMessageA(edit_, WM_PASTE, 0, 0); return;
    case ID_MACRO_DELETE:
      SendMessageA(edit_, WM_KEYDOWN, VK_DELETE, 0x00530001);
      SendMessageA(edit_, WM_KEYUP, VK_DELETE, static_cast<LPARAM>(0xC0530001u));
      return;
    case ID_MACRO_SELECT_ALL:
      SendMessageA(edit_, EM_SETSEL, 0, -1);
      SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
      return;
    case ID_MACRO_ADD_COMMAND: {
      CLangSmallHelp picker(this);
      if (picker.DoModal() == IDOK) AppendLine(PickedStatement(picker.commandName, picker.parameters), true);
      return;
    }
    case ID_MACRO_EFFECTS: OnEffects(); return;
    case ID_MACRO_RECORDING: recording_ = !recording_; return;
    case ID_MACRO_RUN:
      if (GetWindowTextLengthA(edit_) != 0) RunScript();
      return;
    case ID_MACRO_HELP: {
      HWND active = GetActiveWindow();
      HWND owner = active != nullptr ? GetAncestor(active, GA_ROOT) : hwnd_;
      if (fw::TheApp() != nullptr) fw::TheApp()->ShowHelp(owner, HELP_CONTEXT, IDH_MACRO_WINDOW);
      return;
    }
    default: return;
  }
}

// The generator's script is appended (forced), or run at once with nothing
// recorded meanwhile and no failing line to show: its lines are not in the
// text.
void CLangWnd::OnEffects() {
  CLangEffects effects(this);
  if (effects.DoModal() != IDOK) return;
  LineList lines;
  if (!MakeSequenceScript(lines, effects.commandName, effects.path, effects.kind, effects.frames, effects.format,
                          effects.initialParameters, effects.endParameters)) {
    // Half a script must neither run nor be appended.
    const std::string message = "The parameters of " + effects.commandName +
                                " cannot be carried from the initial to the end values: give both in its format, " +
                                effects.format + ".";
    MessageBoxA(hwnd_, message.c_str(), std::string(res::String(IDS_MACROS_TITLE)).c_str(), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (effects.action != CLangEffects::kGenerateEffect) {
    AppendText(lines, true);
    return;
  }
  running_ = true;
  fw::WindowWatch watch = Watch();
  std::size_t stop = 0;
  lang::RunScript(lines, &stop);
  if (watch.Alive()) running_ = false;
}

bool CLangWnd::CommandEnabled(std::uint32_t id) const {
  FlushAppended();
  const bool hasText = GetWindowTextLengthA(edit_) != 0;
  DWORD from = 0, to = 0;
  switch (id) {
    case ID_MACRO_SAVE: return SendMessageA(edit_, EM_GETMODIFY, 0, 0) != 0;
    case ID_MACRO_SAVE_AS:
    case ID_MACRO_PRINT:
    case ID_MACRO_SELECT_ALL:
    case ID_MACRO_RUN: return hasText;
    case ID_MACRO_UNDO: return SendMessageA(edit_, EM_CANUNDO, 0, 0) != 0;
    case ID_MACRO_CUT:
    case ID_MACRO_COPY:
      SendMessageA(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
      return from != to;
    case ID_MACRO_PASTE: return IsClipboardFormatAvailable(CF_TEXT) != 0;
    default: return true;
  }
}

void CLangWnd::UpdateMenu(HMENU menu) {
  for (std::uint32_t id = ID_MACRO_CUT; id <= ID_MACRO_LOAD_RUN; ++id)
    EnableMenuItem(menu, id, MF_BYCOMMAND | (CommandEnabled(id) ? MF_ENABLED : MF_GRAYED));
  CheckMenuItem(menu, ID_MACRO_RECORDING, MF_BYCOMMAND | (recording_ ? MF_CHECKED : MF_UNCHECKED));
}

bool CLangWnd::OnCmdMsg(fw::MessageArgs& args) {
  if (args.message != fw::kMsgCommand || args.id < ID_MACRO_CUT || args.id > ID_MACRO_LOAD_RUN)
    return fw::Window::OnCmdMsg(args);
  if (args.probeOnly) return true;
  FlushAppended();
  if (args.code == fw::kCodeUpdateCommandUI && args.cmdUI != nullptr) {
    args.cmdUI->Enable(CommandEnabled(args.id));
    if (args.id == ID_MACRO_RECORDING) args.cmdUI->SetCheck(recording_ ? 1 : 0);
    return true;
  }
  if (args.code != fw::kCodeCommand) return false;
  OnCommandId(args.id);
  return true;
}

void CLangWnd::Serialize(fw::Archive& archive) {
  FlushAppended();
  MacroWindowState state;
  if (archive.IsStoring()) {
    state.text = Text();
    state.modified = SendMessageA(edit_, EM_GETMODIFY, 0, 0) != 0 ? 1 : 0;
    DWORD from = 0, to = 0;
    SendMessageA(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    state.selectionStart = static_cast<std::int32_t>(from);
    state.selectionEnd = static_cast<std::int32_t>(to);
    state.fileName = fileName_;
    state.recording = recording_ ? 1 : 0;
    SerializeMacroWindowState(archive, state);
    return;
  }
  SerializeMacroWindowState(archive, state);
  SetText(state.text);
  SendMessageA(edit_, EM_SETMODIFY, state.modified != 0, 0);
  SendMessageA(edit_, EM_SETSEL, static_cast<WPARAM>(state.selectionStart), static_cast<LPARAM>(state.selectionEnd));
  fileName_ = state.fileName;
  recording_ = state.recording != 0;
}

bool CLangWnd::PreTranslateMessage(MSG* msg) {
  return accelerators_ != nullptr && TranslateAcceleratorA(hwnd_, accelerators_, msg) != 0;
}

LRESULT CLangWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Whatever the window is asked next sees the lines appended before.
  if (message != WM_DESTROY && message != WM_NCDESTROY) FlushAppended();
  switch (message) {
    case kMsgFlushAppended:
      flushPosted_ = false;
      return 0;
    case WM_CREATE: {
      const LRESULT r = DefaultProc(message, wParam, lParam);
      return r != 0 ? r : OnCreate();
    }
    case WM_SIZE:
      if (edit_ != nullptr) MoveWindow(edit_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      if (edit_ != nullptr) SetFocus(edit_);
      return 0;
    case WM_INITMENUPOPUP: {
      // The main window's state reaches these menus too.
      if (fw::TheApp() != nullptr && fw::TheApp()->MainWindow() != nullptr)
        SendMessageA(fw::TheApp()->MainWindow()->Handle(), WM_INITMENUPOPUP, wParam, lParam);
      UpdateMenu(reinterpret_cast<HMENU>(wParam));
      return DefaultProc(message, wParam, lParam);
    }
    case WM_COMMAND:
      if (lParam == 0) {
        OnCommandId(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_CLOSE:
      WriteSetting("SHOW", 0);
      if (SaveModified()) DestroyWindow();
      return 0;
    case WM_DESTROY: {
      RECT r{};
      GetWindowRect(hwnd_, &r);
      WriteSetting("X", r.left);
      WriteSetting("Y", r.top);
      WriteSetting("DX", r.right - r.left);
      WriteSetting("DY", r.bottom - r.top);
      // The recorder's lines go back where they went before the window.
      MacroLineSink* current = ReplaceMacroLineSink(formerSink_);
      if (current != this) ReplaceMacroLineSink(current);
      break;
    }
    default: break;
  }
  return fw::Window::WindowProc(message, wParam, lParam);
}

}  // namespace lang
