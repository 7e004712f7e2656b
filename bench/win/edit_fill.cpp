// The system's edit control alone, made as the macro window makes it,
// taking bench/macro-window's 10,000-line script in the ways a program can
// hand it over, and taking recorded lines one by one or together. Tells
// how much of opening a long script, and of recording a command, is the
// control's own work. Prints the median of RUNS runs of each way.
//
// Usage: edit_fill.exe [RUNS]   (default 5)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

HWND MakeEdit(HWND parent, DWORD style) {
  HWND edit = CreateWindowExA(0, "EDIT", "", style, 0, 0, 400, 300, parent, reinterpret_cast<HMENU>(100),
                              GetModuleHandleA(nullptr), nullptr);
  SendMessageA(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  Pump();
  return edit;
}

enum class Fill { kSetText, kRedrawOff, kSetHandle, kHidden };

// Milliseconds from handing the text over to the control painted.
double FillOnce(HWND parent, DWORD style, Fill way, const std::string& text) {
  HWND edit = MakeEdit(parent, style);
  const double start = Now();
  switch (way) {
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
  }
  UpdateWindow(edit);
  const double took = Now() - start;
  if (GetWindowTextLengthA(edit) != static_cast<int>(text.size())) {
    std::fprintf(stderr, "edit_fill: the control holds %d characters, not %zu\n", GetWindowTextLengthA(edit),
                 text.size());
    std::exit(2);
  }
  DestroyWindow(edit);
  Pump();
  return took;
}

// Milliseconds a recorded command's two lines cost the control, appended
// at the end one by one or in one piece, then painted.
double AppendOnce(HWND parent, bool together) {
  HWND edit = MakeEdit(parent, kMacroEditStyle);
  SetWindowTextA(edit, "SetActiveLayer(1);\r\nDeleteLayer();");
  Pump();
  const char* lines[] = {"\r\nSetActiveLayer(0);", "\r\nSendLayerToBack();"};
  const std::string both = std::string(lines[0]) + lines[1];
  const double start = Now();
  for (int i = 0; i < (together ? 1 : 2); ++i) {
    const int length = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, length, length);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(together ? both.c_str() : lines[i]));
  }
  Pump();
  const double took = Now() - start;
  DestroyWindow(edit);
  Pump();
  return took;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string text = LongScript();
  HWND parent = CreateWindowExA(0, "STATIC", "edit_fill", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 420, 340, nullptr,
                                nullptr, nullptr, nullptr);
  Pump();
  struct Way {
    const char* name;
    DWORD style;
    Fill fill;
  };
  const Way ways[] = {
      {"SetWindowText (as the window does)", kMacroEditStyle, Fill::kSetText},
      {"SetWindowText with redraw off", kMacroEditStyle, Fill::kRedrawOff},
      {"EM_SETHANDLE with a prepared buffer", kMacroEditStyle, Fill::kSetHandle},
      {"SetWindowText while hidden", kMacroEditStyle, Fill::kHidden},
      {"SetWindowText, no scroll bars (not the window's style)", kMacroEditStyle & ~(WS_HSCROLL | WS_VSCROLL),
       Fill::kSetText},
  };
  std::printf("10,000-line script (%zu characters) into the edit control, median of %d:\n", text.size(), runs);
  for (const Way& way : ways) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) times.push_back(FillOnce(parent, way.style, way.fill, text));
    std::printf("  %-56s %7.1f ms\n", way.name, Median(times));
  }
  std::vector<double> apart, together;
  for (int run = 0; run < runs * 4; ++run) {
    apart.push_back(AppendOnce(parent, false));
    together.push_back(AppendOnce(parent, true));
  }
  std::printf("a command's two recorded lines appended, median of %d:\n", runs * 4);
  std::printf("  %-56s %7.2f ms\n", "one EM_REPLACESEL per line", Median(apart));
  std::printf("  %-56s %7.2f ms\n", "one EM_REPLACESEL for both", Median(together));
  DestroyWindow(parent);
  return 0;
}
