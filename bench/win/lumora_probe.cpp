// Drives Lumo40.exe from outside, as a user's other program would:
// commands posted to its windows, its file dialogs filled in, its process
// ended with TerminateProcess.
//
// Killed writes (bench/killed-writes): kills the program at random moments
// while it writes a file it keeps, then starts it again; the file must be
// the old one whole or the new one whole, and the next start must read it
// without a message.
//   lumora_probe PROGRAM KIND ROUNDS SEED FOLDER
//   KIND: settings (the INI and the toolbar layouts, written at exit),
//         workspace, macro, export (a PNG), thumbnails (the browser's
//         database, written when the open dialog closes)
// Prints one line per round and a closing "verdict: ok" or "verdict: FAILED".
//
// Hostile input (bench/hostile-inputs): one input through the user's road,
// timed from the command to the message that ends it.
//   lumora_probe PROGRAM hostile CASE INPUT FOLDER
//   CASE: paste (Edit/Paste), paste-new (Selection/Paste as New Image),
//         workspace (File/Open Workspace... of INPUT), macro (Macro/Open...
//         of INPUT), start (a start that reads the files beside the program)
// Prints "ready" once the program is idle, waits for FOLDER\go, acts,
// prints "done MS MESSAGE" and closes the program once FOLDER\end exists.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "files/ThumbnailDb.h"
#include "res/resource.h"
#include "ui/ToolbarState.h"
#include "ui/ToolbarStateFiles.h"

namespace {

std::string program, folder;
std::mt19937 randomness;

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

struct Windows {
  DWORD pid;
  std::function<bool(HWND)> match;
  std::vector<HWND> found;
};
BOOL CALLBACK Collect(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Windows*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == s->pid && IsWindowVisible(w) && s->match(w)) s->found.push_back(w);
  return TRUE;
}
std::vector<HWND> TopWindows(DWORD pid, const std::function<bool(HWND)>& match) {
  Windows s{pid, match, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}
std::string ClassOf(HWND w) {
  char c[64] = {};
  GetClassNameA(w, c, sizeof c);
  return c;
}
std::string TextOf(HWND w) {
  char t[1024] = {};
  GetWindowTextA(w, t, sizeof t);
  return t;
}
HWND Find(DWORD pid, const std::string& cls, const std::string& caption = std::string()) {
  const std::vector<HWND> all =
      TopWindows(pid, [&](HWND w) { return ClassOf(w) == cls && (caption.empty() || TextOf(w) == caption); });
  return all.empty() ? nullptr : all.front();
}
HWND WaitWindow(DWORD pid, const std::string& cls, const std::string& caption = std::string(), DWORD ms = 30000) {
  HWND found = nullptr;
  WaitFor([&] { return (found = Find(pid, cls, caption)) != nullptr; }, ms);
  return found;
}

// The messages the program shows: its error box and the system's boxes.
std::vector<std::string> Messages(DWORD pid) {
  std::vector<std::string> texts;
  for (HWND w : TopWindows(pid, [](HWND) { return true; })) {
    const std::string cls = ClassOf(w);
    if (cls == "VR_ERRORMESSAGEBOX32") {
      char t[1024] = {};
      GetDlgItemTextA(w, 102, t, sizeof t);
      texts.push_back(TextOf(w) + ": " + t);
    } else if (cls == "#32770" && GetDlgItem(w, 0xFFFF) != nullptr) {
      char t[1024] = {};
      GetDlgItemTextA(w, 0xFFFF, t, sizeof t);
      texts.push_back(TextOf(w) + ": " + t);
    }
  }
  return texts;
}

struct Run {
  PROCESS_INFORMATION pi{};
  HWND frame = nullptr;
};

Run Start(const std::string& argument = std::string()) {
  Run run;
  std::string line = "\"" + program + "\"";
  if (!argument.empty()) line += " \"" + argument + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &run.pi)) return run;
  WaitFor([&] {
    run.frame = Find(run.pi.dwProcessId, "VR_LUMAINFRAME40");
    return run.frame != nullptr || WaitForSingleObject(run.pi.hProcess, 0) == WAIT_OBJECT_0;
  },
          60000);
  return run;
}

void End(Run& run, bool kill) {
  if (run.pi.hProcess == nullptr) return;
  if (kill) {
    TerminateProcess(run.pi.hProcess, 9);
  } else if (run.frame != nullptr) {
    PostMessageA(run.frame, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(run.pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(run.pi.hProcess, 9);
  WaitForSingleObject(run.pi.hProcess, 10000);
  CloseHandle(run.pi.hProcess);
  CloseHandle(run.pi.hThread);
  run = Run{};
}

// A file dialog of the program filled in and confirmed; a question whether
// to replace the file is answered yes.
bool ChooseFile(DWORD pid, const std::string& caption, const std::string& path) {
  HWND dialog = WaitWindow(pid, "#32770", caption);
  if (dialog == nullptr) return false;
  HWND name = GetDlgItem(dialog, 1152);
  if (name == nullptr) name = GetDlgItem(dialog, 1148);
  if (name == nullptr) name = GetDlgItem(dialog, 0x47C);
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  if (HWND second = GetDlgItem(dialog, 0x480)) SendMessageA(second, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  // The replace question, when there is one, comes within a moment.
  Sleep(150);
  for (HWND box : TopWindows(pid, [&](HWND w) { return ClassOf(w) == "#32770" && GetDlgItem(w, IDYES) != nullptr; })) {
    PostMessageA(box, WM_COMMAND, IDYES, 0);
  }
  return true;
}

// Messages shown by a start that reads the file, within two seconds of the
// main window; the program is then closed.
std::vector<std::string> StartAndListen(const std::string& argument, const std::function<void(Run&)>& read = {}) {
  Run run = Start(argument);
  if (run.frame == nullptr) {
    End(run, true);
    return {"the program did not start"};
  }
  if (read) read(run);
  std::vector<std::string> seen;
  WaitFor([&] {
    seen = Messages(run.pi.dwProcessId);
    return !seen.empty();
  },
          2000);
  for (HWND box : TopWindows(run.pi.dwProcessId, [](HWND w) { return ClassOf(w) == "VR_ERRORMESSAGEBOX32" || ClassOf(w) == "#32770"; })) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  Sleep(200);
  End(run, false);
  return seen;
}

// ---- What a whole file is ----

bool WholeIni(const std::string& text) {
  if (text.empty() || text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    const std::string line = text.substr(at, end - at);
    if (!line.empty() && line[0] != '[' && line[0] != ';' && line.find('=') == std::string::npos) return false;
    at = end + 2;
  }
  return text.find("[LoadOptions]") != std::string::npos;
}

bool WholePair(const std::string& state, const std::string& images) {
  lumora::ToolbarStateRecord record;
  if (!lumora::ParseToolbarState(reinterpret_cast<const std::uint8_t*>(state.data()), state.size(), record)) return false;
  return lumora::StripBitmapStamp(reinterpret_cast<const std::uint8_t*>(images.data()), images.size()) == record.stamp;
}

bool WholePng(const std::string& bytes) {
  static const std::string end("IEND\xAE\x42\x60\x82", 8);
  return bytes.size() > 16 && bytes.compare(1, 3, "PNG") == 0 && bytes.compare(bytes.size() - 8, 8, end) == 0;
}

int failures = 0;

void Report(int round, int delay, const std::string& file, const std::vector<std::string>& messages) {
  std::printf("round %d: killed %d ms in; %s; next start: %s\n", round, delay, file.c_str(),
              messages.empty() ? "no message" : ("MESSAGE " + messages.front()).c_str());
  if (file.find("TORN") != std::string::npos || !messages.empty()) ++failures;
  std::fflush(stdout);
}

std::string Verdict(const std::string& now, const std::string& old, bool whole) {
  if (now == old) return "old whole";
  return whole ? "new whole" : "TORN";
}

// ---- Kinds ----

void Settings(int rounds) {
  const std::string stem = program.substr(0, program.rfind('.'));
  const std::string ini = stem + ".INI";
  // The time an exit takes, so the kills fall before, inside and after it.
  Run first = Start();
  Sleep(1000);
  const DWORD t0 = GetTickCount();
  End(first, false);
  const int exitMs = static_cast<int>(GetTickCount() - t0);
  std::printf("an exit takes %d ms\n", exitMs);
  for (int round = 1; round <= rounds; ++round) {
    Run run = Start();
    Sleep(800);
    // A moved window changes what the exit writes.
    SetWindowPos(run.frame, nullptr, 10 + round * 7, 10 + round * 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Sleep(200);
    const std::string oldIni = Bytes(ini), oldState = Bytes(stem + "1.tbs"), oldImages = Bytes(stem + "1.tbi");
    const int delay = static_cast<int>(randomness() % static_cast<unsigned>(exitMs + 100));
    PostMessageA(run.frame, WM_CLOSE, 0, 0);
    Sleep(static_cast<DWORD>(delay));
    End(run, true);
    const std::string nowIni = Bytes(ini), nowState = Bytes(stem + "1.tbs"), nowImages = Bytes(stem + "1.tbi");
    std::string what = "INI " + Verdict(nowIni, oldIni, WholeIni(nowIni)) + ", Standard Bar layout ";
    // A pair a kill split is finished by the next start: whole when a
    // temporary file of the state completes it.
    bool pairWhole = WholePair(nowState, nowImages);
    if (!pairWhole) {
      const lumora::ToolbarStatePair pair = lumora::ReadToolbarStatePair(stem + "1.tbs");
      pairWhole = WholePair(std::string(pair.state.begin(), pair.state.end()),
                            std::string(pair.images.begin(), pair.images.end()));
      if (pairWhole) what += "(finished from its temporary file) ";
    }
    what += nowState == oldState && nowImages == oldImages ? "old whole" : pairWhole ? "new whole" : "TORN";
    Report(round, delay, what, StartAndListen(std::string()));
  }
}

void Workspace(int rounds) {
  const std::string image = folder + "picture.bmp";
  const std::string path = folder + "probe.luw";
  auto save = [&](Run& run) {
    PostMessageA(run.frame, WM_COMMAND, ID_FILE_SAVE_WORKSPACE, 0);
    return ChooseFile(run.pi.dwProcessId, "Save Workspace", path);
  };
  Run first = Start(image);
  Sleep(1000);
  save(first);
  Sleep(1500);
  End(first, false);
  for (int round = 1; round <= rounds; ++round) {
    const std::string old = Bytes(path);
    Run run = Start(image);
    Sleep(800);
    // Another zoom each round: the new file differs from the old.
    PostMessageA(run.frame, WM_COMMAND, round % 2 != 0 ? ID_VIEW_ZOOM_IN : ID_VIEW_ZOOM_OUT, 0);
    Sleep(200);
    save(run);
    const int delay = static_cast<int>(randomness() % 120);
    Sleep(static_cast<DWORD>(delay));
    End(run, true);
    const std::string now = Bytes(path);
    const bool whole = now.find("[image1_view1]") != std::string::npos &&
                       now.size() > 20 && now.compare(now.size() - 20, 20, "snap_to_guides=yes\r\n") == 0;
    Report(round, delay, "workspace " + Verdict(now, old, whole), StartAndListen(path));
  }
}

void Macro(int rounds) {
  const std::string path = folder + "probe.cmd";
  auto window = [](Run& run) {
    PostMessageA(run.frame, WM_COMMAND, ID_VIEW_MACROS_WINDOW, 0);
    return WaitWindow(run.pi.dwProcessId, "LumoraMacroWindow");
  };
  std::string text;
  for (int round = 0; round <= rounds; ++round) {
    Run run = Start();
    HWND macro = window(run);
    // Two megabytes of statements, another count each round.
    text.clear();
    for (int i = 0; text.size() < (std::size_t{2} << 20); ++i) text += "SetActiveLayer(" + std::to_string(i + round) + ");\r\n";
    SendMessageA(GetDlgItem(macro, IDC_MACRO_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    const std::string old = Bytes(path);
    PostMessageA(macro, WM_COMMAND, ID_MACRO_SAVE_AS, 0);
    ChooseFile(run.pi.dwProcessId, "Save As", path);
    const int delay = round == 0 ? 3000 : static_cast<int>(randomness() % 200);
    Sleep(static_cast<DWORD>(delay));
    End(run, true);
    if (round == 0) continue;  // the first file, written whole
    const std::string now = Bytes(path);
    const bool whole = now == text + std::string(1, '\0');
    const auto read = [&](Run& next) {
      HWND again = window(next);
      PostMessageA(again, WM_COMMAND, ID_MACRO_OPEN, 0);
      ChooseFile(next.pi.dwProcessId, "Open", path);
      Sleep(1500);
    };
    Report(round, delay, "macro " + Verdict(now, old, whole), StartAndListen(std::string(), read));
  }
}

void Export(int rounds) {
  const std::string image = folder + "picture.bmp";
  const std::string path = folder + "probe.png";
  for (int round = 0; round <= rounds; ++round) {
    const std::string old = Bytes(path);
    Run run = Start(image);
    Sleep(800);
    PostMessageA(run.frame, WM_COMMAND, ID_FILE_EXPORT_PNG, 0);
    HWND dialog = WaitWindow(run.pi.dwProcessId, "#32770", "Prepare PNG");
    // Interlaced or not: the new file differs from the old.
    CheckDlgButton(dialog, IDC_GIF_INTERLACE, round % 2 != 0 ? BST_CHECKED : BST_UNCHECKED);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ChooseFile(run.pi.dwProcessId, "Save As", path);
    const int delay = round == 0 ? 4000 : static_cast<int>(randomness() % 300);
    Sleep(static_cast<DWORD>(delay));
    End(run, true);
    if (round == 0) continue;
    const std::string now = Bytes(path);
    Report(round, delay, "PNG " + Verdict(now, old, WholePng(now)), StartAndListen(path));
  }
}

void Thumbnails(int rounds) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string db = temp;
  if (!db.empty() && db.back() != '\\') db += '\\';
  db += "LUBRWS.TMP";
  const std::string image = folder + "picture.bmp";
  auto browse = [&](Run& run) {
    PostMessageA(run.frame, WM_COMMAND, ID_FILE_OPEN, 0);
    HWND dialog = WaitWindow(run.pi.dwProcessId, "#32770", "Open");
    if (dialog == nullptr) return dialog;
    SendMessageA(GetDlgItem(dialog, 1152) != nullptr ? GetDlgItem(dialog, 1152) : GetDlgItem(dialog, 1148),
                 WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);  // into the folder
    Sleep(500);
    HWND button = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM p) {
          if (GetDlgCtrlID(w) == 15006) *reinterpret_cast<HWND*>(p) = w;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&button));
    if (button != nullptr) PostMessageA(button, BM_CLICK, 0, 0);
    Sleep(1500);
    return dialog;
  };
  for (int round = 0; round <= rounds; ++round) {
    // Another last-write time each round: the database changes.
    for (int i = 0; i < 8; ++i) {
      const std::string copy = folder + "copy" + std::to_string(i) + ".bmp";
      CopyFileA(image.c_str(), copy.c_str(), FALSE);
      HANDLE f = CreateFileA(copy.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      FILETIME t{static_cast<DWORD>(round * 1000 + i), 0x01D00000};
      SetFileTime(f, nullptr, nullptr, &t);
      CloseHandle(f);
    }
    const std::string old = Bytes(db);
    Run run = Start();
    Sleep(500);
    HWND dialog = browse(run);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // the browser goes, the database is written
    const int delay = round == 0 ? 3000 : static_cast<int>(randomness() % 150);
    Sleep(static_cast<DWORD>(delay));
    End(run, true);
    if (round == 0) continue;
    const std::string now = Bytes(db);
    lumora::ThumbnailDb parsed;
    const bool whole = parsed.Parse(std::vector<std::uint8_t>(now.begin(), now.end()));
    const auto read = [&](Run& next) {
      HWND again = browse(next);
      PostMessageA(again, WM_COMMAND, IDCANCEL, 0);
    };
    Report(round, delay, "database " + Verdict(now, old, whole) + " (" + std::to_string(parsed.items.size()) + " entries)",
           StartAndListen(std::string(), read));
  }
}

// ---- Hostile input ----

void WaitForFile(const std::string& path) {
  WaitFor([&] { return Exists(path); }, 600000);
  DeleteFileA(path.c_str());
}

bool HasImageWindow(HWND frame) {
  HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
  return client != nullptr && GetWindow(client, GW_CHILD) != nullptr;
}

int Hostile(const std::string& kind, const std::string& input) {
  Run run;
  HWND macro = nullptr;
  if (kind != "start") {
    run = Start(kind == "paste" || kind == "paste-new" ? folder + "picture.bmp" : std::string());
    if (run.frame == nullptr) return 3;
    if (kind == "macro") {
      PostMessageA(run.frame, WM_COMMAND, ID_VIEW_MACROS_WINDOW, 0);
      macro = WaitWindow(run.pi.dwProcessId, "LumoraMacroWindow");
    }
    Sleep(1500);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  WaitForFile(folder + "go");
  DWORD t0 = GetTickCount();
  bool refusedQuietly = false;
  if (kind == "start") {
    run = Start();
    t0 = GetTickCount();  // from the main window on: the layouts are read as the bars are made
  } else if (kind == "paste") {
    PostMessageA(run.frame, WM_COMMAND, ID_EDIT_PASTE, 0);
  } else if (kind == "paste-new") {
    PostMessageA(run.frame, WM_COMMAND, ID_SELECTION_PASTE_AS_NEW_IMAGE, 0);
  } else if (kind == "workspace") {
    PostMessageA(run.frame, WM_COMMAND, ID_FILE_OPEN_WORKSPACE, 0);
    ChooseFile(run.pi.dwProcessId, "Open Workspace", input);
    t0 = GetTickCount();
  } else if (kind == "macro") {
    PostMessageA(macro, WM_COMMAND, ID_MACRO_OPEN, 0);
    ChooseFile(run.pi.dwProcessId, "Open", input);
    t0 = GetTickCount();
  }
  std::vector<std::string> seen;
  WaitFor([&] {
    seen = Messages(run.pi.dwProcessId);
    refusedQuietly = kind == "workspace" && HasImageWindow(run.frame);
    return !seen.empty() || refusedQuietly || WaitForSingleObject(run.pi.hProcess, 0) == WAIT_OBJECT_0;
  },
          120000);
  const DWORD ms = GetTickCount() - t0;
  std::printf("done %lu %s\n", static_cast<unsigned long>(ms),
              !seen.empty() ? seen.front().c_str() : refusedQuietly ? "(opened, no message)" : "(nothing shown)");
  std::fflush(stdout);
  WaitForFile(folder + "end");
  for (HWND box : TopWindows(run.pi.dwProcessId, [](HWND w) { return ClassOf(w) == "VR_ERRORMESSAGEBOX32" || ClassOf(w) == "#32770"; })) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
  Sleep(300);
  End(run, true);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: lumora_probe PROGRAM KIND ROUNDS SEED FOLDER\n");
    return 2;
  }
  program = argv[1];
  const std::string kind = argv[2];
  if (kind == "hostile") {
    folder = argv[5];
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return Hostile(argv[3], argv[4]);
  }
  const int rounds = std::atoi(argv[3]);
  randomness.seed(static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)));
  folder = argv[5];
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  if (kind == "settings") {
    Settings(rounds);
  } else if (kind == "workspace") {
    Workspace(rounds);
  } else if (kind == "macro") {
    Macro(rounds);
  } else if (kind == "export") {
    Export(rounds);
  } else if (kind == "thumbnails") {
    Thumbnails(rounds);
  } else {
    std::fprintf(stderr, "unknown kind %s\n", kind.c_str());
    return 2;
  }
  std::printf("verdict: %s\n", failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
