// The system's edit control alone, made as the macro window makes it,
// taking bench/macro-window's 10,000-line script in the ways a program can
// hand it over, and taking recorded lines one by one or together. Tells
// how much of opening a long script, and of recording a command, is the
// control's own work: each variant of style, font, order and visibility,
// the rich edit controls in plain-text mode, and the pieces the control
// repeats for every line it lays out (a DC, the font's average width, the
// line's script analysis), timed apart. Prints the median of RUNS runs.
//
// Usage: edit_fill.exe [RUNS] [append]   (default 5; "append": the appends only)
#include <windows.h>
#include <richedit.h>
#include <usp10.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

double Now() {
  LARGE_INTEGER frequency{}, t{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// bench/macro-window's script, CRLF between lines.
std::string LongScript() {
  std::string text;
  for (int i = 0; i < 10000; ++i) {
    char line[64];
    if (i % 2)
      std::snprintf(line, sizeof line, "SetActiveLayer(%d);", i % 10);
    else
      std::snprintf(line, sizeof line, "AddRect(%d,%d,%d,%d,14);", i % 97, i % 89, i % 97 + 40, i % 89 + 30);
    if (i != 0) text += "\r\n";
    text += line;
  }
  return text;
}

constexpr DWORD kMacroEditStyle = WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN |
                                  ES_AUTOHSCROLL | ES_AUTOVSCROLL;

enum class Fill {
  kSetText,       // WM_SETTEXT of the whole text (what the window does)
  kRedrawOff,     // the same between WM_SETREDRAW off and on
  kSetHandle,     // EM_SETHANDLE with a prepared local buffer
  kHidden,        // the control hidden while it takes the text
  kParentHidden,  // the whole window hidden while the control takes it
  kLimitAfter,    // EM_SETLIMITTEXT after the text rather than before
  kReplaceSel,    // EM_REPLACESEL into the empty control
  kUnicode,       // a Unicode control given the text as UTF-16
};

struct Way {
  const char* name;
  const char* windowClass;  // "EDIT" or a rich edit class
  DWORD style;
  Fill fill;
  HFONT font;  // nullptr: the control's own font
};

bool IsRichEdit(const Way& way) { return _strnicmp(way.windowClass, "RICHEDIT", 8) == 0; }

// The edit control with a DC of its own (CS_OWNDC), so that the DC it asks
// for each line is not taken from the cache and set up again.
constexpr char kOwnDcEdit[] = "EditOwnDC";

bool RegisterOwnDcEdit() {
  WNDCLASSEXA edit{};
  edit.cbSize = sizeof edit;
  if (!GetClassInfoExA(nullptr, "EDIT", &edit)) return false;
  edit.style = (edit.style & ~(CS_PARENTDC | CS_CLASSDC)) | CS_OWNDC;
  edit.hInstance = GetModuleHandleA(nullptr);
  edit.lpszClassName = kOwnDcEdit;
  return RegisterClassExA(&edit) != 0;
}

HWND MakeControl(HWND parent, const Way& way) {
  HWND edit = way.fill == Fill::kUnicode
                  ? CreateWindowExW(0, L"EDIT", L"", way.style, 0, 0, 400, 300, parent, reinterpret_cast<HMENU>(100),
                                    GetModuleHandleW(nullptr), nullptr)
                  : CreateWindowExA(0, way.windowClass, "", way.style, 0, 0, 400, 300, parent,
                                    reinterpret_cast<HMENU>(100), GetModuleHandleA(nullptr), nullptr);
  if (edit == nullptr) {
    std::fprintf(stderr, "edit_fill: no %s control (%lu)\n", way.windowClass, GetLastError());
    std::exit(2);
  }
  if (IsRichEdit(way)) {
    SendMessageA(edit, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
    SendMessageA(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  } else if (way.fill != Fill::kLimitAfter) {
    SendMessageA(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  }
  if (way.font != nullptr) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(way.font), FALSE);
  Pump();
  return edit;
}

// Milliseconds from handing the text over to the control painted.
double FillOnce(HWND parent, const Way& way, const std::string& text, const std::wstring& wide) {
  HWND edit = MakeControl(parent, way);
  const double start = Now();
  switch (way.fill) {
    case Fill::kSetText: SetWindowTextA(edit, text.c_str()); break;
    case Fill::kRedrawOff:
      SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
      SetWindowTextA(edit, text.c_str());
      SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
      RedrawWindow(edit, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
      break;
    case Fill::kSetHandle: {
      HLOCAL buffer = LocalAlloc(LMEM_MOVEABLE, text.size() + 1);
      std::memcpy(LocalLock(buffer), text.c_str(), text.size() + 1);
      LocalUnlock(buffer);
      HLOCAL former = reinterpret_cast<HLOCAL>(SendMessageA(edit, EM_GETHANDLE, 0, 0));
      SendMessageA(edit, EM_SETHANDLE, reinterpret_cast<WPARAM>(buffer), 0);
      if (former != nullptr) LocalFree(former);
      break;
    }
    case Fill::kHidden:
      ShowWindow(edit, SW_HIDE);
      SetWindowTextA(edit, text.c_str());
      ShowWindow(edit, SW_SHOWNA);
      break;
    case Fill::kParentHidden:
      ShowWindow(parent, SW_HIDE);
      SetWindowTextA(edit, text.c_str());
      ShowWindow(parent, SW_SHOWNA);
      break;
    case Fill::kLimitAfter:
      SetWindowTextA(edit, text.c_str());
      SendMessageA(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
      break;
    case Fill::kReplaceSel:
      SendMessageA(edit, EM_SETSEL, 0, 0);
      SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
      break;
    case Fill::kUnicode: SetWindowTextW(edit, wide.c_str()); break;
  }
  UpdateWindow(parent);
  UpdateWindow(edit);
  const double took = Now() - start;
  const int length = GetWindowTextLengthA(edit);
  if (length != static_cast<int>(text.size())) {
    std::fprintf(stderr, "edit_fill: the %s control holds %d characters, not %zu\n", way.windowClass, length,
                 text.size());
    std::exit(2);
  }
  DestroyWindow(edit);
  Pump();
  return took;
}

// The text's lines as the edit control lays them out (CRLF apart).
std::vector<std::wstring> Lines(const std::wstring& wide) {
  std::vector<std::wstring> lines;
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = wide.find(L"\r\n", from);
    lines.push_back(wide.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from));
    if (end == std::wstring::npos) break;
    from = end + 2;
  }
  return lines;
}

using GdiGetCharDimensionsProc = LONG(WINAPI*)(HDC, TEXTMETRICW*, LONG*);

// What the edit control repeats for each line it lays out, timed apart
// over all the lines: milliseconds for the whole text.
struct LinePieces {
  double dc = 0, charDimensions = 0, analyse = 0, all = 0;
  double itemize = 0, shapePlace = 0;  // the analysis's own steps, one script cache kept
  double freshCache = 0;               // the same with a new script cache for each line
};

LinePieces TimeLinePieces(HWND parent, const std::vector<std::wstring>& lines, const char* windowClass, HFONT font) {
  const Way way{"", windowClass, kMacroEditStyle, Fill::kSetText, font};
  HWND edit = MakeControl(parent, way);
  HFONT controlFont = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
  auto charDimensions = reinterpret_cast<GdiGetCharDimensionsProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "GdiGetCharDimensions")));
  LinePieces pieces;
  double start = Now();
  for (std::size_t i = 0; i < lines.size(); ++i) ReleaseDC(edit, GetDC(edit));
  pieces.dc = Now() - start;

  HDC dc = GetDC(edit);
  HGDIOBJ former = controlFont != nullptr ? SelectObject(dc, controlFont) : nullptr;
  start = Now();
  for (std::size_t i = 0; i < lines.size(); ++i) charDimensions(dc, nullptr, nullptr);
  pieces.charDimensions = Now() - start;

  const LONG scale = charDimensions(dc, nullptr, nullptr);
  start = Now();
  for (const std::wstring& line : lines) {
    if (line.empty()) continue;
    SCRIPT_TABDEF tabs{0, static_cast<int>(scale), nullptr, 0};
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    const int length = static_cast<int>(line.size());
    if (SUCCEEDED(ScriptStringAnalyse(dc, line.c_str(), length, static_cast<int>(1.5 * length + 16), -1,
                                      SSA_LINK | SSA_FALLBACK | SSA_GLYPHS | SSA_TAB, -1, nullptr, nullptr, nullptr,
                                      &tabs, nullptr, &analysis))) {
      (void)ScriptString_pSize(analysis);
      ScriptStringFree(&analysis);
    }
  }
  pieces.analyse = Now() - start;

  // The steps of that analysis by themselves: items, then glyphs and
  // their advances, with one script cache kept over all the lines.
  SCRIPT_CACHE cache = nullptr;
  std::vector<SCRIPT_ITEM> items(64);
  std::vector<WORD> glyphs(256), clusters(256);
  std::vector<SCRIPT_VISATTR> visual(256);
  std::vector<int> advances(256);
  std::vector<GOFFSET> offsets(256);
  for (int step = 0; step < 3; ++step) {
    start = Now();
    for (const std::wstring& line : lines) {
      if (line.empty() || line.size() > 200) continue;
      int count = 0;
      if (FAILED(ScriptItemize(line.c_str(), static_cast<int>(line.size()), static_cast<int>(items.size()) - 1,
                               nullptr, nullptr, items.data(), &count)))
        continue;
      if (step == 0) continue;
      for (int item = 0; item < count; ++item) {
        const int from = items[item].iCharPos, length = items[item + 1].iCharPos - from;
        int made = 0;
        ABC abc{};
        if (SUCCEEDED(ScriptShape(dc, &cache, line.c_str() + from, length, static_cast<int>(glyphs.size()),
                                  &items[item].a, glyphs.data(), clusters.data(), visual.data(), &made)))
          ScriptPlace(dc, &cache, glyphs.data(), made, visual.data(), &items[item].a, advances.data(),
                      offsets.data(), &abc);
      }
      if (step == 2) ScriptFreeCache(&cache);
    }
    (step == 0 ? pieces.itemize : step == 1 ? pieces.shapePlace : pieces.freshCache) = Now() - start;
  }
  pieces.shapePlace -= pieces.itemize;
  pieces.freshCache -= pieces.itemize;
  ScriptFreeCache(&cache);
  if (former != nullptr) SelectObject(dc, former);
  ReleaseDC(edit, dc);

  // All three together, as the control does them for each line.
  start = Now();
  for (const std::wstring& line : lines) {
    if (line.empty()) continue;
    HDC lineDc = GetDC(edit);
    HGDIOBJ lineFormer = controlFont != nullptr ? SelectObject(lineDc, controlFont) : nullptr;
    SCRIPT_TABDEF tabs{0, static_cast<int>(charDimensions(lineDc, nullptr, nullptr)), nullptr, 0};
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    const int length = static_cast<int>(line.size());
    if (SUCCEEDED(ScriptStringAnalyse(lineDc, line.c_str(), length, static_cast<int>(1.5 * length + 16), -1,
                                      SSA_LINK | SSA_FALLBACK | SSA_GLYPHS | SSA_TAB, -1, nullptr, nullptr, nullptr,
                                      &tabs, nullptr, &analysis))) {
      (void)ScriptString_pSize(analysis);
      ScriptStringFree(&analysis);
    }
    if (lineFormer != nullptr) SelectObject(lineDc, lineFormer);
    ReleaseDC(edit, lineDc);
  }
  pieces.all = Now() - start;
  DestroyWindow(edit);
  Pump();
  return pieces;
}

// ScriptStringAnalyse over all the lines with fewer of the flags the
// control passes, on the control's DC: which of them the time goes to.
struct AnalyseFlags {
  const char* name;
  DWORD flags;
  bool tabs;
};
constexpr AnalyseFlags kAnalyseFlags[] = {
    {"SSA_GLYPHS", SSA_GLYPHS, false},
    {"SSA_GLYPHS | SSA_FALLBACK", SSA_GLYPHS | SSA_FALLBACK, false},
    {"SSA_GLYPHS | SSA_FALLBACK | SSA_LINK", SSA_GLYPHS | SSA_FALLBACK | SSA_LINK, false},
    {"the control's: SSA_LINK|SSA_FALLBACK|SSA_GLYPHS|SSA_TAB", SSA_GLYPHS | SSA_FALLBACK | SSA_LINK | SSA_TAB, true},
    {"SSA_FALLBACK (no glyphs asked)", SSA_FALLBACK, false},
};

std::vector<double> TimeAnalyseFlags(HWND parent, const std::vector<std::wstring>& lines) {
  HWND edit = MakeControl(parent, Way{"", "EDIT", kMacroEditStyle, Fill::kSetText, nullptr});
  HDC dc = GetDC(edit);
  std::vector<double> times;
  for (const AnalyseFlags& flags : kAnalyseFlags) {
    const double start = Now();
    for (const std::wstring& line : lines) {
      if (line.empty()) continue;
      SCRIPT_TABDEF tabs{0, 8, nullptr, 0};
      SCRIPT_STRING_ANALYSIS analysis = nullptr;
      const int length = static_cast<int>(line.size());
      if (SUCCEEDED(ScriptStringAnalyse(dc, line.c_str(), length, static_cast<int>(1.5 * length + 16), -1,
                                        flags.flags, -1, nullptr, nullptr, nullptr, flags.tabs ? &tabs : nullptr,
                                        nullptr, &analysis)))
        ScriptStringFree(&analysis);
    }
    times.push_back(Now() - start);
  }
  ReleaseDC(edit, dc);
  DestroyWindow(edit);
  Pump();
  return times;
}

enum class Append { kApart, kTogether, kTogetherRedrawOff, kTogetherBarsNeeded, kTogetherDisableNoScroll };

// Milliseconds a recorded command's lines cost the control, appended at
// the end one by one, in one piece, or in one piece with redraw off
// around it: until the control has them (sent) and until painted.
struct AppendTimes {
  double sent = 0, painted = 0;
};

AppendTimes AppendOnce(HWND parent, Append way) {
  const DWORD style = kMacroEditStyle | (way == Append::kTogetherDisableNoScroll ? ES_DISABLENOSCROLL : 0);
  HWND edit = MakeControl(parent, Way{"", "EDIT", style, Fill::kSetText, nullptr});
  std::string start = "SetActiveLayer(1);\r\nDeleteLayer();";
  if (way == Append::kTogetherBarsNeeded) {
    // Longer and wider than the control: both scroll bars already shown.
    start = std::string(200, 'x');
    for (int i = 0; i < 100; ++i) start += "\r\nSetActiveLayer(1);";
  }
  SetWindowTextA(edit, start.c_str());
  SetFocus(edit);
  Pump();
  const char* lines[] = {"\r\nSetActiveLayer(0);", "\r\nSendLayerToBack();"};
  const std::string both = std::string(lines[0]) + lines[1];
  const double began = Now();
  if (way == Append::kTogetherRedrawOff) SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < (way == Append::kApart ? 2 : 1); ++i) {
    const int length = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, length, length);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(way == Append::kApart ? lines[i] : both.c_str()));
  }
  if (way == Append::kTogetherRedrawOff) {
    SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(edit, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
  }
  AppendTimes times;
  times.sent = Now() - began;
  Pump();
  times.painted = Now() - began;
  const int length = GetWindowTextLengthA(edit);
  if (length != static_cast<int>(start.size() + both.size())) {
    std::fprintf(stderr, "edit_fill: the appended control holds %d characters\n", length);
    std::exit(2);
  }
  DestroyWindow(edit);
  Pump();
  return times;
}

void TimeAppends(HWND parent, int runs) {
  struct Row {
    const char* name;
    Append way;
  };
  const Row rows[] = {{"one EM_REPLACESEL per line", Append::kApart},
                      {"one EM_REPLACESEL for both", Append::kTogether},
                      {"one for both, WM_SETREDRAW off around it", Append::kTogetherRedrawOff},
                      {"one for both, both scroll bars already shown", Append::kTogetherBarsNeeded},
                      {"one for both, ES_DISABLENOSCROLL (bars kept)", Append::kTogetherDisableNoScroll}};
  std::vector<std::vector<AppendTimes>> all(std::size(rows));
  for (int run = 0; run < runs * 4; ++run)
    for (std::size_t row = 0; row < std::size(rows); ++row) all[row].push_back(AppendOnce(parent, rows[row].way));
  std::printf("a command's two recorded lines appended, median of %d (sent / painted):\n", runs * 4);
  for (std::size_t row = 0; row < std::size(rows); ++row) {
    std::vector<double> sent, painted;
    for (const AppendTimes& t : all[row]) {
      sent.push_back(t.sent);
      painted.push_back(t.painted);
    }
    std::printf("  %-56s %7.2f / %7.2f ms\n", rows[row].name, Median(sent), Median(painted));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string text = LongScript();
  const std::wstring wide(text.begin(), text.end());  // the script is ASCII
  std::string emptyLines;
  for (int i = 1; i < 10000; ++i) emptyLines += "\r\n";
  HWND parent = CreateWindowExA(0, "STATIC", "edit_fill", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 420, 340, nullptr,
                                nullptr, nullptr, nullptr);
  Pump();
  if (argc > 2 && std::strcmp(argv[2], "append") == 0) {
    TimeAppends(parent, runs);
    DestroyWindow(parent);
    return 0;
  }
  if (LoadLibraryA("msftedit.dll") == nullptr || LoadLibraryA("riched20.dll") == nullptr) {
    std::fprintf(stderr, "edit_fill: no rich edit library\n");
    return 2;
  }
  if (!RegisterOwnDcEdit()) {
    std::fprintf(stderr, "edit_fill: cannot register the own-DC edit class\n");
    return 2;
  }
  HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HFONT ansiFixed = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
  HFONT systemFixed = static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
  HFONT courierBitmap = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_RASTER_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier");
  HFONT monoOutline = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_ONLY_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Liberation Mono");
  const DWORD edit = kMacroEditStyle;
  const Way ways[] = {
      {"SetWindowText (as the window does)", "EDIT", edit, Fill::kSetText, nullptr},
      {"SetWindowText with redraw off", "EDIT", edit, Fill::kRedrawOff, nullptr},
      {"EM_SETHANDLE with a prepared buffer", "EDIT", edit, Fill::kSetHandle, nullptr},
      {"EM_REPLACESEL into the empty control", "EDIT", edit, Fill::kReplaceSel, nullptr},
      {"EM_SETLIMITTEXT after the text", "EDIT", edit, Fill::kLimitAfter, nullptr},
      {"Unicode control, SetWindowTextW", "EDIT", edit, Fill::kUnicode, nullptr},
      {"SetWindowText while the control is hidden", "EDIT", edit, Fill::kHidden, nullptr},
      {"SetWindowText while the whole window is hidden", "EDIT", edit, Fill::kParentHidden, nullptr},
      {"no scroll bars (not the window's style)", "EDIT", edit & ~(WS_HSCROLL | WS_VSCROLL), Fill::kSetText,
       nullptr},
      {"word wrap: no ES_AUTOHSCROLL, no WS_HSCROLL", "EDIT", edit & ~(ES_AUTOHSCROLL | WS_HSCROLL), Fill::kSetText,
       nullptr},
      {"own DC (CS_OWNDC superclass)", kOwnDcEdit, edit, Fill::kSetText, nullptr},
      {"own DC, no scroll bars, hidden (every saving at once)", kOwnDcEdit, edit & ~(WS_HSCROLL | WS_VSCROLL),
       Fill::kHidden, nullptr},
      {"font DEFAULT_GUI_FONT", "EDIT", edit, Fill::kSetText, guiFont},
      {"font ANSI_FIXED_FONT", "EDIT", edit, Fill::kSetText, ansiFixed},
      {"font SYSTEM_FIXED_FONT", "EDIT", edit, Fill::kSetText, systemFixed},
      {"font Courier (bitmap)", "EDIT", edit, Fill::kSetText, courierBitmap},
      {"font Liberation Mono (outline)", "EDIT", edit, Fill::kSetText, monoOutline},
      {"RICHEDIT50W (msftedit) plain text", "RICHEDIT50W", edit, Fill::kSetText, nullptr},
      {"RICHEDIT50W plain text, redraw off", "RICHEDIT50W", edit, Fill::kRedrawOff, nullptr},
      {"RichEdit20W (riched20) plain text", "RichEdit20W", edit, Fill::kSetText, nullptr},
  };
  std::printf("10,000-line script (%zu characters) into the edit control, median of %d:\n", text.size(), runs);
  for (const Way& way : ways) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) times.push_back(FillOnce(parent, way, text, wide));
    std::printf("  %-56s %7.1f ms\n", way.name, Median(times));
  }
  {
    // The control's floor: as many lines, none with text to lay out.
    std::vector<double> times;
    const Way way{"", "EDIT", edit, Fill::kSetText, nullptr};
    for (int run = 0; run < runs; ++run) times.push_back(FillOnce(parent, way, emptyLines, {}));
    std::printf("  %-56s %7.1f ms\n", "10,000 empty lines (no line to measure)", Median(times));
  }
  {
    std::vector<double> times;
    const Way way{"", "EDIT", edit, Fill::kSetText, nullptr};
    for (int run = 0; run < runs; ++run) times.push_back(FillOnce(parent, way, std::string(), {}));
    std::printf("  %-56s %7.1f ms\n", "empty text (making and painting)", Median(times));
  }
  const std::vector<std::wstring> lines = Lines(wide);
  struct Probe {
    const char* name;
    const char* windowClass;
    HFONT font;
  };
  const Probe probes[] = {{"its own font", "EDIT", nullptr},
                          {"Courier (bitmap)", "EDIT", courierBitmap},
                          {"own DC (CS_OWNDC)", kOwnDcEdit, nullptr}};
  for (const Probe& probe : probes) {
    std::vector<LinePieces> all;
    for (int run = 0; run < runs; ++run) all.push_back(TimeLinePieces(parent, lines, probe.windowClass, probe.font));
    auto median = [&](double LinePieces::*field) {
      std::vector<double> v;
      for (const LinePieces& p : all) v.push_back(p.*field);
      return Median(v);
    };
    std::printf("the control's work for each of the %zu lines, %s, all lines, median of %d:\n", lines.size(),
                probe.name, runs);
    std::printf("  %-56s %7.1f ms\n", "GetDC + ReleaseDC of the control", median(&LinePieces::dc));
    std::printf("  %-56s %7.1f ms\n", "GdiGetCharDimensions (tab scale)", median(&LinePieces::charDimensions));
    std::printf("  %-56s %7.1f ms\n", "ScriptStringAnalyse + pSize + Free", median(&LinePieces::analyse));
    std::printf("  %-56s %7.1f ms\n", "  of it ScriptItemize alone", median(&LinePieces::itemize));
    std::printf("  %-56s %7.1f ms\n", "  of it ScriptShape + ScriptPlace (cache kept)", median(&LinePieces::shapePlace));
    std::printf("  %-56s %7.1f ms\n", "  the same with a new script cache per line", median(&LinePieces::freshCache));
    std::printf("  %-56s %7.1f ms\n", "the three together, as the control does", median(&LinePieces::all));
  }
  {
    std::vector<std::vector<double>> all;
    for (int run = 0; run < runs; ++run) all.push_back(TimeAnalyseFlags(parent, lines));
    std::printf("ScriptStringAnalyse + Free of every line by flags, its own font, median of %d:\n", runs);
    for (std::size_t i = 0; i < std::size(kAnalyseFlags); ++i) {
      std::vector<double> v;
      for (const std::vector<double>& times : all) v.push_back(times[i]);
      std::printf("  %-56s %7.1f ms\n", kAnalyseFlags[i].name, Median(v));
    }
  }
  TimeAppends(parent, runs);
  DestroyWindow(parent);
  return 0;
}
