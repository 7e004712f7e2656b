// Dialogs, menus and bars of the running program, started in this process,
// as a user meets them: where dialogs open (read from the X display), which
// key reaches which entry of every popup, the Window menu while a tool's
// pane is open, the Default Area Type menu, the Image Size fields after a
// refused value (typed on the X keyboard), number fields wide enough for
// their largest values, and a hidden bar across File/Exit and a restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "framework/Profile.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/menu_items.h"

namespace lumora {
namespace {

using testing::DialogScript;
using testing::RunUntil;

constexpr const char* kRichPsd = LUMORA_TEST_DATA "\\layered\\rich.psd";

// Keys typed on the X display, as the user types them: xdotool, run as a
// Unix program (Wine passes the X events to the focused window).
void XKeys(const std::string& arguments) {
  std::string line = "Z:\\usr\\bin\\xdotool " + arguments;
  STARTUPINFOA si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
}

std::string ControlText(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// A step that waits until the field shows what was typed (the X events
// of one xdotool run are not ordered against the next run's), then
// presses the key.
DialogScript::Step KeyOnceTyped(int id, const std::string& typed, const std::string& key) {
  const std::string caption = "Image Size";
  return {caption, [=](HWND d) {
            if (ControlText(d, id) != typed) {
              DialogScript::steps.push_front(KeyOnceTyped(id, typed, key));
              --DialogScript::done;
              return;
            }
            XKeys("key " + key);
          }};
}

// Ends whatever dialogs and boxes are still up once a test has waited too
// long for them, so a step that never comes fails the test instead of
// holding the modal loop for ever.
class DialogWatchdog {
 public:
  explicit DialogWatchdog(DWORD ms) {
    fired = false;
    timer_ = SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) {
      fired = true;
      DialogScript::Stop();
      EnumThreadWindows(
          GetCurrentThreadId(),
          [](HWND w, LPARAM) -> BOOL {
            char cls[32] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (IsWindowVisible(w) && std::string(cls) == "#32770") {
              PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
              PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            return TRUE;
          },
          0);
    });
  }
  ~DialogWatchdog() { KillTimer(nullptr, timer_); }
  static inline bool fired = false;

 private:
  UINT_PTR timer_ = 0;
};

class DialogsAndMenus : public ::testing::Test {
 public:
  void SetUp() override {
    ini_ = testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    folder_ = testing::MakeUniqueTempFolder("dialogs-menus-");
  }
  void TearDown() override {
    DialogScript::Stop();
    if (app_) testing::EndProgramIfRunning(*app_);
    app_.reset();
    DeleteFileA(ini_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  void Start() {
    app_ = std::make_unique<CLumo40App>();
    ASSERT_TRUE(app_->InitInstance());
    SetForegroundWindow(Frame());
    testing::Settle(*app_);
  }
  CLumo40Doc* Open(const char* path) {
    auto* doc = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(path));
    if (doc != nullptr) testing::Settle(*app_, doc);
    return doc;
  }
  HWND Frame() { return app_->MainFrame()->Handle(); }
  void Wait(DWORD ms) { RunUntil(*app_, [] { return false; }, ms); }

  // The popups of the menu bar as the user opens them: each is brought up
  // to date (WM_INITMENUPOPUP) before its items are read.
  void OpenPopups(HMENU menu, const std::string& path, const std::function<void(HMENU, const std::string&)>& visit) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      HMENU sub = GetSubMenu(menu, i);
      if (sub == nullptr) continue;
      SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
      char text[128] = {};
      GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      const std::string here = path + "/" + text;
      visit(sub, here);
      OpenPopups(sub, here, visit);
    }
  }

  // Chooses a command as the user does: its popup opens (the update rules
  // run) and the item is clicked when enabled. False when greyed or absent.
  bool Choose(UINT id) {
    int state = 0;  // 1 enabled, -1 greyed
    OpenPopups(GetMenu(Frame()), "", [&](HMENU popup, const std::string&) {
      for (const testing::MenuItem& item : testing::PopupItems(popup)) {
        if (item.id == id && state == 0) state = (item.state & MF_GRAYED) != 0 ? -1 : 1;
      }
    });
    if (state != 1) return false;
    PostMessageA(Frame(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    Wait(100);
    return true;
  }

  // Where the X display shows a window: its X window (Wine's property of
  // the window) measured by xwininfo.
  RECT XGeometry(HWND window) {
    const auto x = reinterpret_cast<std::uintptr_t>(GetPropA(window, "__wine_x11_whole_window"));
    const std::filesystem::path out = folder_ / "xwininfo.txt";
    const int status = testing::RunHostShell(folder_.string(), "xwininfo -id " + std::to_string(x) + " > '" +
                                                                  testing::UnixPath(out.string()) + "'");
    EXPECT_EQ(status, 0) << "xwininfo of X window " << x;
    std::map<std::string, long> values;
    if (std::FILE* f = std::fopen(out.string().c_str(), "rb")) {
      char line[256];
      while (std::fgets(line, sizeof line, f) != nullptr) {
        std::string text(line);
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) continue;
        std::string key = text.substr(0, colon);
        key.erase(0, key.find_first_not_of(' '));
        values[key] = std::strtol(text.c_str() + colon + 1, nullptr, 10);
      }
      std::fclose(f);
    }
    const long left = values["Absolute upper-left X"], top = values["Absolute upper-left Y"];
    return RECT{left, top, left + values["Width"], top + values["Height"]};
  }

  // One pixel of the X display, as ImageMagick reads it: "srgb(r,g,b)".
  std::string ScreenPixel(POINT at) {
    const std::filesystem::path out = folder_ / "pixel.txt";
    const std::string line = "import -window root -crop 1x1+" + std::to_string(at.x) + "+" + std::to_string(at.y) +
                             " +repage -format '%[pixel:p{0,0}]' info: > '" + testing::UnixPath(out.string()) + "'";
    EXPECT_EQ(testing::RunHostShell(folder_.string(), line), 0);
    std::string text;
    if (std::FILE* f = std::fopen(out.string().c_str(), "rb")) {
      char buffer[64] = {};
      text.assign(buffer, std::fread(buffer, 1, sizeof buffer - 1, f));
      std::fclose(f);
    }
    return text;
  }

  std::unique_ptr<CLumo40App> app_;
  std::string ini_;
  std::filesystem::path folder_;
};

// ---- Menus

// The key that reaches an entry of an open menu: the character after its
// first single '&', upper case; 0 when it has none.
char Mnemonic(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

// No two entries of `items` share a key.
void ExpectOneEntryPerKey(const std::vector<testing::MenuItem>& items, const std::string& where) {
  std::map<char, std::string> seen;
  for (const testing::MenuItem& item : items) {
    const char key = Mnemonic(item.text);
    if (key == 0) continue;
    const auto [at, added] = seen.emplace(key, item.text);
    EXPECT_TRUE(added) << where << ": '" << key << "' reaches \"" << item.text << "\" and \"" << at->second << "\"";
  }
}

// In every popup of menu 180 (no image) and menu 181 (an image open), with
// the texts the items take as grid, guides and rulers are shown or hidden
// and with the registered tools' popups, a key reaches one entry.
TEST_F(DialogsAndMenus, EveryPopupOfBothMenusReachesEachEntryByOneKey) {
  Start();
  int popups = 0;
  auto check = [&](const std::string& state) {
    HMENU bar = GetMenu(Frame());
    ExpectOneEntryPerKey(testing::PopupItems(bar), state + " menu bar");
    OpenPopups(bar, state, [&](HMENU popup, const std::string& path) {
      ++popups;
      ExpectOneEntryPerKey(testing::PopupItems(popup), path);
    });
  };
  check("no image");
  EXPECT_EQ(GetMenuItemCount(GetMenu(Frame())), 6);
  ASSERT_NE(Open(kRichPsd), nullptr);
  EXPECT_EQ(GetMenuItemCount(GetMenu(Frame())), 10);
  check("image");
  for (const UINT toggle : {ID_VIEW_SHOW_GRID, ID_VIEW_SHOW_RULERS, ID_VIEW_SHOW_GUIDES}) {
    ASSERT_TRUE(Choose(toggle)) << toggle;
    check("image, " + std::to_string(toggle) + " toggled");
  }
  EXPECT_GT(popups, 40);
}

// The id of the first entry whose text (without '&' and key) is `text`,
// over every popup; 0 when none.
UINT FindEntry(DialogsAndMenus& t, const std::string& text);

// While a tool's pane is open the Window menu offers Close All Tools and
// the pane's own entry, which brings the pane forward; Close All Tools
// closes the pane and is greyed again.
TEST_F(DialogsAndMenus, WindowMenuClosesToolPanesAndReachesThem) {
  Start();
  ASSERT_NE(Open(kRichPsd), nullptr);
  auto windowItems = [&] {
    HMENU bar = GetMenu(Frame());
    const int at = GetMenuItemCount(bar) - 2;  // Window, before Help
    HMENU window = GetSubMenu(bar, at);
    SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(window), MAKELPARAM(at, FALSE));
    return testing::PopupItems(window);
  };
  auto state = [](const std::vector<testing::MenuItem>& items, const std::string& text) {
    for (const testing::MenuItem& item : items) {
      std::string plain;
      for (char c : item.text.substr(0, item.text.find('\t'))) {
        if (c != '&') plain += c;
      }
      if (plain == text) return (item.state & MF_GRAYED) != 0 ? -1 : 1;
    }
    return 0;
  };
  EXPECT_EQ(state(windowItems(), "Close All Tools"), -1) << "greyed while no pane is open";
  const UINT noise = FindEntry(*this, "Add Noise...");
  ASSERT_NE(noise, 0u);
  ASSERT_TRUE(Choose(noise));
  HWND pane = FindWindowA(nullptr, "Add Noise");
  ASSERT_NE(pane, nullptr);
  const std::vector<testing::MenuItem> items = windowItems();
  EXPECT_EQ(state(items, "Close All Tools"), 1);
  EXPECT_EQ(state(items, "Add Noise"), 1) << "the pane's entry";
  SetActiveWindow(Frame());
  UINT paneEntry = 0;
  for (const testing::MenuItem& item : items) {
    if (item.text == "Add Noise") paneEntry = item.id;
  }
  ASSERT_TRUE(Choose(paneEntry));
  EXPECT_EQ(GetActiveWindow(), pane);
  ASSERT_TRUE(Choose(ID_WINDOW_CLOSE_ALL_TOOLS));
  EXPECT_FALSE(IsWindow(pane));
  EXPECT_EQ(state(windowItems(), "Close All Tools"), -1);
  EXPECT_EQ(state(windowItems(), "Add Noise"), 0);
}

UINT FindEntry(DialogsAndMenus& t, const std::string& text) {
  UINT found = 0;
  t.OpenPopups(GetMenu(t.Frame()), "", [&](HMENU popup, const std::string&) {
    for (const testing::MenuItem& item : testing::PopupItems(popup)) {
      std::string plain;
      for (char c : item.text) {
        if (c != '&') plain += c;
      }
      if (found == 0 && plain == text) found = item.id;
    }
  });
  return found;
}

// Options/Default Area Type lists the registered area types, in both
// menus, enabled; choosing one makes it the default area type (the tool
// host's setting), and the menu checks it.
TEST_F(DialogsAndMenus, DefaultAreaTypeListsTheAreaToolsAndChoosesOne) {
  Start();
  auto areaTypes = [&] {
    HMENU options = nullptr;
    HMENU bar = GetMenu(Frame());
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
      char text[32] = {};
      GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      if (std::string(text) == "&Options") options = GetSubMenu(bar, i);
    }
    HMENU types = options != nullptr ? GetSubMenu(options, 1) : nullptr;
    SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(types), MAKELPARAM(1, FALSE));
    return testing::PopupItems(types);
  };
  const std::vector<std::string> expected = {"&Ellipse",    "&Freehand", "&Line", "&Magic Wand",  "&Polygon",
                                             "&Rectangle", "&Smart Edges", "&Text", "&Whole Image"};
  for (const bool withImage : {false, true}) {
    SCOPED_TRACE(withImage ? "menu 181" : "menu 180");
    if (withImage) ASSERT_NE(Open(kRichPsd), nullptr);
    std::vector<std::string> texts;
    for (const testing::MenuItem& item : areaTypes()) {
      texts.push_back(item.text);
      EXPECT_EQ(item.state & MF_GRAYED, 0u) << item.text;
    }
    EXPECT_EQ(texts, expected);
  }
  UINT rectangle = 0;
  for (const testing::MenuItem& item : areaTypes()) {
    if (item.text == "&Rectangle") rectangle = item.id;
  }
  ASSERT_TRUE(Choose(rectangle));
  char name[32] = {};
  LUGetProfileString(app_->Site(), "DefAreaManager", "FrgManager", "", name, sizeof name);
  EXPECT_STREQ(name, "Area_Rect");
  for (const testing::MenuItem& item : areaTypes()) {
    EXPECT_EQ((item.state & MF_CHECKED) != 0, item.id == rectangle) << item.text;
  }
}

// ---- Where dialogs open

// Every family of dialogs opens where the X display shows it centred over
// the main window (the modal base, other modal dialogs, the layer dialogs,
// property sheets, the wizard sheet, the modeless customise sheet), kept on
// the screen; the About box, which its own rule puts in the middle of the
// screen, opens there.
TEST_F(DialogsAndMenus, DialogsOpenCentredOverTheMainWindow) {
  Start();
  ASSERT_NE(Open(kRichPsd), nullptr);
  struct Case {
    UINT command;
    const char* caption;
    bool overScreen;
  };
  const Case cases[] = {{ID_IMAGE_SIZE, "Image Size", false},         {ID_IMAGE_CANVAS, "Canvas size", false},
                        {ID_IMAGE_DUPLICATE, "Duplicate Image", false}, {ID_SELECTION_LEVEL, "Level", false},
                        {ID_FILE_NEW, "New image", false},             {ID_LAYER_OPTIONS, "Layer options", false},
                        {ID_OPTIONS_FILE_TYPES, "Open with Lumora", false},
                        {ID_OPTIONS_PREF_GENERAL, "Preferences", false}, {ID_HELP_EFFECT_WIZARD, "Wizard", false},
                        {ID_OPTIONS_CUSTOMIZE, "Customize", false},    {ID_APP_ABOUT, "About Lumora 4.0", true}};
  const RECT frame = XGeometry(Frame());
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    RECT shown{};
    bool seen = false;
    DialogScript::Run({{c.caption, [&](HWND d) {
                          shown = XGeometry(d);
                          seen = true;
                          testing::Press(d, IDCANCEL);
                        }}});
    DialogWatchdog watchdog(20000);
    ASSERT_TRUE(Choose(c.command));
    RunUntil(*app_, [&] { return seen; }, 10000);
    DialogScript::Stop();
    Wait(200);
    ASSERT_TRUE(seen);
    const RECT& over = c.overScreen ? screen : frame;
    EXPECT_NEAR(shown.left + shown.right, over.left + over.right, 2) << shown.left << "," << shown.top;
    EXPECT_NEAR(shown.top + shown.bottom, over.top + over.bottom, 2) << shown.left << "," << shown.top;
    EXPECT_GE(shown.left, 0);
    EXPECT_GE(shown.top, 0);
    EXPECT_LE(shown.right, screen.right);
    EXPECT_LE(shown.bottom, screen.bottom);
  }
}

// ---- Number fields

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The columns of a capture that hold text ink (dark on the field's light
// background): first and last, -1 when none.
std::pair<int, int> InkColumns(const testing::Capture& c) {
  int first = -1, last = -1;
  for (int x = 0; x < c.width; ++x) {
    for (int y = 0; y < c.height; ++y) {
      const std::uint32_t p = c.At(x, y);
      if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 110) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

// Every number field beside an up-down control shows its largest value
// whole: the field's pixels hold as wide a run of ink as the same text
// drawn apart in the field's font, clear of its right edge. The dialogs
// are made from their templates in the running program.
TEST_F(DialogsAndMenus, NumberFieldsShowTheirLargestValuesWhole) {
  Start();
  LoadLibraryA("riched20.dll");  // the text dialog's rich edit controls
  struct Field {
    UINT dialog;
    int edit;
    const char* largest;
  };
  const Field fields[] = {
      {IDD_PAGE_PAINTBRUSH, 2000, "100"}, {IDD_PAGE_PAINTBRUSH, 1260, "99"},   {IDD_PAGE_ERASER, 2000, "100"},
      {IDD_PAGE_AIRBRUSH, 2000, "100"},   {IDD_PAGE_LINE, 2000, "100"},        {IDD_PAGE_CURVE, 2000, "100"},
      {IDD_PAGE_RECTANGLE, 2000, "100"},  {IDD_PAGE_ELLIPSE, 2000, "100"},     {IDD_PAGE_POLYGON, 2000, "100"},
      {IDD_PAGE_CLONE, 2000, "100"},      {IDD_PAGE_WATER, 1260, "99"},        {IDD_PAGE_WATER, 1213, "10"},
      {IDD_SHEET_COLORS, IDC_SHEET_HUE, "100"}, {IDD_SHEET_COLORS, IDC_SHEET_VALUE, "100"},
      {IDD_SHEET_COLORS, IDC_SHEET_SATURATION, "100"}, {IDD_SHEET_ANGLES, IDC_SHEET_ANGLE, "360"},
      {IDD_LAYER_NEW, IDC_LAYER_OPACITY, "100"}, {IDD_LAYER_OPTIONS, IDC_LAYER_OPACITY, "100"},
      {IDD_LAYER_MASK_OPTIONS, IDC_LMO_OPACITY, "100"}, {IDD_CANVAS, IDC_CANVAS_WIDTH, "10000"},
      {IDD_CANVAS, IDC_CANVAS_HEIGHT, "10000"}, {IDD_TEXT, IDC_TEXT_LEADING, "-1000"},
      {IDD_TEXT, IDC_TEXT_ORIENT, "-360"},      {IDD_TEXT, IDC_TEXT_TRACK, "-1000"},
      {IDD_INTERSECT_LEVEL, IDC_LEVEL_VALUE, "100"}, {IDD_MIXING, IDC_MX_OPACITY, "100"},
      {IDD_APPLY_IMAGE, IDC_AI_OPACITY, "100"}, {IDD_PREF_GENERAL, IDC_PREF_MEMORY_PERCENT, "100"},
      {IDD_PREF_GENERAL, IDC_PREF_UNDO_DEPTH, "100"}, {IDD_PREP_JPEG, IDC_JPEG_QUALITY, "100"},
      {IDD_HW_EFFECT, IDC_HW_PRESET_VALUE, "99"},      {IDD_NAVIGATOR, IDC_NAV_ZOOM_EDIT, "3200%"},
  };
  for (const Field& f : fields) {
    SCOPED_TRACE(std::to_string(f.dialog) + "/" + std::to_string(f.edit) + " " + f.largest);
    HWND d = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(f.dialog), Frame(), PlainDialogProc, 0);
    EXPECT_NE(d, nullptr);
    if (d == nullptr) continue;
    ShowWindow(d, SW_SHOWNA);
    HWND edit = GetDlgItem(d, f.edit);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, f.largest);
    Wait(30);
    const testing::Capture shown = testing::CaptureClient(edit);
    // The same text in the field's font, drawn apart on a wide white face.
    const auto font = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
    const testing::Capture apart = testing::CaptureDc(200, shown.height, [&](HDC dc) {
      RECT all{0, 0, 200, shown.height};
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      TextOutA(dc, 10, 0, f.largest, static_cast<int>(std::strlen(f.largest)));
      SelectObject(dc, old);
    });
    const auto [first, last] = InkColumns(shown);
    const auto [refFirst, refLast] = InkColumns(apart);
    ASSERT_GE(refFirst, 0);
    EXPECT_GE(first, 0);
    EXPECT_EQ(last - first, refLast - refFirst) << "field " << shown.width << " pixels wide";
    EXPECT_LT(last, shown.width - 1);
    DestroyWindow(d);
  }
}

// ---- A hidden bar across a restart

// View/Paint Bar hides the bar; however the program ends (File/Exit, or the
// session ending under it), the next start shows it hidden: ImageMagick
// reads from the X display, just inside the frame's left border, the image
// area's colour, not the docked bar's.
TEST_F(DialogsAndMenus, HiddenPaintBarStaysHiddenAfterExitAndAfterTheSessionEnds) {
  for (const bool sessionEnds : {false, true}) {
    SCOPED_TRACE(sessionEnds ? "the session ends" : "File/Exit");
    DeleteFileA(ini_.c_str());
    Start();
    CMainFrame* frame = app_->MainFrameWnd();
    ASSERT_TRUE(frame->GetBrushBar().IsVisible());
    ASSERT_TRUE(Choose(ID_VIEW_PAINT_BAR));
    ASSERT_FALSE(frame->GetBrushBar().IsVisible());
    HWND main = Frame();
    if (sessionEnds) {
      ASSERT_TRUE(SendMessageA(main, WM_QUERYENDSESSION, 0, 0));
      SendMessageA(main, WM_ENDSESSION, TRUE, 0);  // the program ends inside
    } else {
      ASSERT_TRUE(Choose(ID_APP_EXIT));
      RunUntil(*app_, [&] { return !IsWindow(main); }, 10000);
      app_->ExitInstance();
    }
    ASSERT_FALSE(IsWindow(main));
    app_.reset();
    Start();
    Wait(300);
    // The image area's own colour, and what the screen shows 6 pixels in
    // from the frame's client edge, half-way down.
    RECT client{};
    GetClientRect(Frame(), &client);
    POINT at{6, client.bottom / 2};
    ClientToScreen(Frame(), &at);
    const COLORREF area = GetSysColor(COLOR_APPWORKSPACE);
    char expected[32];
    std::snprintf(expected, sizeof expected, "srgb(%d,%d,%d)", GetRValue(area), GetGValue(area), GetBValue(area));
    EXPECT_EQ(ScreenPixel(at), expected) << "at " << at.x << "," << at.y;
    testing::CloseProgram(*app_);
    app_.reset();
  }
}

// ---- Image Size: refused values, typed on the keyboard

// Every refused entry typed into Width brings the range message, whether
// the field is left with Tab or the dialog is confirmed with Enter; the
// field then holds the nearest value the dialog takes, with the height in
// proportion, and the dialog stays. Enter with a good value closes it.
TEST_F(DialogsAndMenus, ImageSizeRefusesEveryBadWidthWithItsMessageAndEnterCloses) {
  Start();
  CLumo40Doc* doc = Open(kRichPsd);
  ASSERT_NE(doc, nullptr);
  struct Case {
    const char* typed;
    const char* key;     // that leaves the field or confirms
    const char* width;   // after the message
    const char* height;  // kept in proportion (40 x 30)
  };
  const Case cases[] = {{"abc", "Tab", "1", "1"},         {"999999", "Tab", "30000", "22500"},
                        {"-5", "Tab", "1", "1"},          {"0", "Tab", "1", "1"},
                        {"40000", "Tab", "30000", "22500"}, {"xyz", "Return", "1", "1"},
                        {"100000", "Return", "30000", "22500"}};
  std::vector<std::string> messages, widths, heights;
  std::deque<DialogScript::Step> script;
  auto typeWidth = [](const std::string& typed) {
    return DialogScript::Step{"Image Size", [typed](HWND d) {
                                HWND width = GetDlgItem(d, IDC_ISZ_WIDTH);
                                SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(width), TRUE);
                                SendMessageA(width, EM_SETSEL, 0, -1);
                                XKeys("type --delay 30 -- " + typed);
                              }};
  };
  for (const Case& c : cases) {
    script.push_back(typeWidth(c.typed));
    script.push_back(KeyOnceTyped(IDC_ISZ_WIDTH, c.typed, c.key));
    script.push_back(testing::BoxStep("Image Size", [&messages](HWND box) {
      messages.push_back(testing::MessageBoxText(box));
      testing::Press(box, IDOK);
    }));
    script.push_back({"Image Size", [&widths, &heights](HWND d) {
                        widths.push_back(ControlText(d, IDC_ISZ_WIDTH));
                        heights.push_back(ControlText(d, IDC_ISZ_HEIGHT));
                      }});
  }
  script.push_back(typeWidth("80"));
  script.push_back(KeyOnceTyped(IDC_ISZ_WIDTH, "80", "Return"));
  DialogScript::Run(std::move(script));
  DialogWatchdog watchdog(60000);
  ASSERT_TRUE(Choose(ID_IMAGE_SIZE));
  RunUntil(*app_, [&] { return doc->Image().GetLayers()->GetWidth() == 80; }, 5000);
  DialogScript::Stop();
  EXPECT_FALSE(DialogWatchdog::fired) << "a step never came";
  ASSERT_EQ(messages.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(std::string(cases[i].typed) + " " + cases[i].key);
    EXPECT_EQ(messages[i], "Please enter an integer between 1 and 30000.");
    EXPECT_EQ(widths[i], cases[i].width);
    EXPECT_EQ(heights[i], cases[i].height);
  }
  EXPECT_EQ(doc->Image().GetLayers()->GetWidth(), 80);
  EXPECT_EQ(doc->Image().GetLayers()->GetHeight(), 60);
}

}  // namespace
}  // namespace lumora
