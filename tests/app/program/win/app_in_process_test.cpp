// The program's own start-up, idle work and exit run in this process: the
// animation timer by its setting, the status panes, and the settings file
// that exit writes; with a file on the command line, the image view end to
// end.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <shlobj.h>
#include <commctrl.h>

#include "app/Settings.h"
#include "app/StatusPanes.h"
#include "app/win/Lumo40App.h"
#include "app/win/AutomationApp.h"
#include "app/win/exports/CapSection.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/CommandIds.h"
#include "framework/Profile.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "document/win/AppServices.h"
#include "engine/pixels/WAccess.h"
#include "hostapi/fragment.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/menu_items.h"
#include "tests/support/win/window_pixels.h"
#include "view/win/ImageViewWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using lumora::testing::ActiveImageView;
using lumora::testing::CloseProgram;
using lumora::testing::CompositePixels;
using lumora::testing::ExpectViewShowsComposite;
using lumora::testing::MenuItem;
using lumora::testing::PopupItems;
using lumora::testing::RunUntil;
using lumora::testing::SettingsFileOfThisProgram;
using lumora::testing::Settle;

void ExpectEveryKeyWritten(const std::string& path) {
  fw::IniFile ini(path);
  int count = 0;
  const SettingKey* keys = SettingKeys(&count);
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(ini.GetString(keys[i].section, keys[i].key, "<missing>"), "<missing>")
        << keys[i].section << "/" << keys[i].key;
  }
}

class ProgramInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
  }
  void TearDown() override { DeleteFileA(ini_.c_str()); }
  std::string ini_;
};

TEST_F(ProgramInProcess, AnimationSpeedDecidesTimer1331AndExitWritesEveryKey) {
  {
    fw::IniFile ini(ini_);
    ini.WriteInt("LoadOptions", "AnimationSpeed", 0);
    ini.WriteInt("Memory", "Percent", 300);
    ini.WriteInt("Grid", "step", 70000);
  }
  {
    CLumo40App app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_FALSE(app.HasAnimationTimer());
    EXPECT_FALSE(KillTimer(app.MainFrame()->Handle(), kAnimationTimer));
    CloseProgram(app);
  }
  ExpectEveryKeyWritten(ini_);
  fw::IniFile ini(ini_);
  for (const char* key : {"EmptyClipboardOnExit", "DiscardInternalClipboardFormatsOnExit",
                          "CopyOnClipboardOnlyVisibleLayers", "Copy/CutActiveLayerOnly"}) {
    EXPECT_EQ(ini.GetString("LoadOptions", key, "<missing>"), "0") << key;
  }
  EXPECT_EQ(ini.GetString("FORE", "R"), "0");
  EXPECT_EQ(ini.GetString("BACK", "G"), "255");
  EXPECT_EQ(ini.GetInt("LoadOptions", "AnimationSpeed", -1), 0);
  EXPECT_EQ(ini.GetInt("Memory", "Percent", -1), 100);
  EXPECT_EQ(ini.GetInt("Grid", "step", -1), 70000);

  ini.WriteInt("LoadOptions", "AnimationSpeed", 3);
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  EXPECT_TRUE(app.HasAnimationTimer());
  EXPECT_TRUE(KillTimer(app.MainFrame()->Handle(), kAnimationTimer));  // it was there
  CloseProgram(app);
}

TEST_F(ProgramInProcess, StatusPanesShowNoImageThenTheImageStatus) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  Settle(app);
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  EXPECT_EQ(status.GetPaneText(2), "No images loaded");
  EXPECT_EQ(status.GetPaneText(1), "");
  RECT client{};
  GetClientRect(app.MainFrame()->Handle(), &client);
  EXPECT_GT(client.right, 300);

  fw::Document* doc = app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  ASSERT_NE(doc, nullptr);
  Settle(app);
  std::string text = status.GetPaneText(2);
  EXPECT_EQ(text.rfind("24-bit image, size ", 0), 0u) << text;
  EXPECT_NE(text.find(", 1:1"), std::string::npos) << text;
  CloseProgram(app);
}

// A shell drop of two files: each is opened, the block is freed.
HGLOBAL MakeDrop(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& p : paths) list += p + '\0';
  list += '\0';
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(block);
  return block;
}

std::string WindowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST_F(ProgramInProcess, DroppedFilesAreOpenedEach) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  const std::string psd = WindowsPath(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  const std::string lud = WindowsPath(std::string(LUMORA_TEST_DATA) + "/layered/rich.lud");
  SendMessageA(app.MainFrame()->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({psd, lud})), 0);
  std::vector<fw::Document*> docs = app.Docs().AllDocuments();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(docs[0]->GetPathName(), psd);
  EXPECT_EQ(docs[1]->GetPathName(), lud);
  CloseProgram(app);
}

// A clipboard viewer of the test's own, keeping the chain as the protocol
// asks and counting the changes it is told of.
struct TestViewer {
  HWND window = nullptr;
  HWND next = nullptr;
  int changes = 0;
};

LRESULT CALLBACK TestViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* v = reinterpret_cast<TestViewer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (v != nullptr && message == WM_DRAWCLIPBOARD) {
    ++v->changes;
    if (v->next != nullptr) SendMessageA(v->next, message, wParam, lParam);
    return 0;
  }
  if (v != nullptr && message == WM_CHANGECBCHAIN) {
    if (reinterpret_cast<HWND>(wParam) == v->next) {
      v->next = reinterpret_cast<HWND>(lParam);
    } else if (v->next != nullptr) {
      SendMessageA(v->next, message, wParam, lParam);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void JoinChain(TestViewer* v) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = TestViewerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "LumoraTestClipboardViewer";
  RegisterClassA(&wc);
  v->window = CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  SetWindowLongPtrA(v->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(v));
  v->next = SetClipboardViewer(v->window);
}

void PutTextOnClipboard(HWND owner, const char* text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
  std::memcpy(GlobalLock(block), text, std::strlen(text) + 1);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}

// The main frame sits in the clipboard-viewer chain while it lives: a viewer
// that joined before the program and one that joined after it are both told
// of every change, during the run and after the program has left.
TEST_F(ProgramInProcess, ClipboardViewersBeforeAndAfterTheProgramKeepTheirNotices) {
  TestViewer before, after;
  JoinChain(&before);
  {
    CLumo40App app;
    ASSERT_TRUE(app.InitInstance());
    JoinChain(&after);
    EXPECT_EQ(after.next, app.MainFrame()->Handle()) << "the frame joined the chain";
    const int b = before.changes, a = after.changes;
    PutTextOnClipboard(after.window, "one");
    EXPECT_TRUE(RunUntil(app, [&] { return before.changes > b && after.changes > a; }, 10000));
    CloseProgram(app);
  }
  EXPECT_EQ(after.next, before.window) << "the frame left the chain and handed on its place";
  const int b = before.changes, a = after.changes;
  PutTextOnClipboard(after.window, "two");
  for (int i = 0; i < 200 && !(before.changes > b && after.changes > a); ++i) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  EXPECT_GT(before.changes, b);
  EXPECT_GT(after.changes, a);
  ChangeClipboardChain(after.window, after.next);
  ChangeClipboardChain(before.window, before.next);
  DestroyWindow(after.window);
  DestroyWindow(before.window);
}

std::string ClassesDefault(const std::string& key, const char* name = nullptr) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return "<no key>";
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  const LONG r = RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(k);
  return r == ERROR_SUCCESS ? std::string(buffer) : "<no value>";
}

void SetClassesDefault(const std::string& key, const std::string& value) {
  HKEY k = nullptr;
  RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
  RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
  RegCloseKey(k);
}

// Clicks the check box of the list row whose text is `text`.
void ClickFileTypeBox(HWND dialog, const std::string& text) {
  HWND list = GetDlgItem(dialog, IDC_FT_LIST);
  const auto index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  ASSERT_NE(index, LB_ERR) << text;
  RECT item{};
  SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.left + 6, item.top + 6));
  SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(item.left + 6, item.top + 6));
}

bool FileTypeChecked(HWND dialog, const std::string& text) {
  HWND list = GetDlgItem(dialog, IDC_FT_LIST);
  const auto index = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  return index != LB_ERR && (SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0) & 1) != 0;
}

// The shell's notices of changed associations that reach this process.
class AssociationNotices {
 public:
  AssociationNotices() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LumoraAssociationNotices";
    RegisterClassA(&wc);
    window_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SHChangeNotifyEntry everywhere{nullptr, TRUE};
    id_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED, kMessage, 1,
                                 &everywhere);
    count = 0;
  }
  ~AssociationNotices() {
    if (id_ != 0) SHChangeNotifyDeregister(id_);
    DestroyWindow(window_);
  }
  bool Registered() const { return id_ != 0; }
  // The notices so far, once those posted have arrived.
  int Count() const {
    MSG msg;
    while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return count;
  }

 private:
  static constexpr UINT kMessage = WM_APP + 71;
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kMessage && (static_cast<LONG>(lp) & SHCNE_ASSOCCHANGED) != 0) ++count;
    return DefWindowProcA(w, m, wp, lp);
  }
  static inline int count = 0;
  HWND window_ = nullptr;
  ULONG id_ = 0;
};

// A plain start writes the program's type, its own extension and the OLE
// entries into the classes root; Options/Associated File Types... checks
// .bmp by its box (the program then owns it) and unchecks it again, which
// leaves another program's subkey of .bmp and its .tif alone. The shell is
// told each time the associations changed, and only then; after the dialog,
// even cancelled, the saved choices are applied again.
TEST_F(ProgramInProcess, FileTypesAndServerEntriesInTheRegistry) {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".bmp");
  SetClassesDefault(".tif", "Other.Image");
  SetClassesDefault(".tif\\ShellNew", "theirs");
  SetClassesDefault(".bmp\\OpenWithProgids", "Other.Image");
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  EXPECT_EQ(ClassesDefault(".lud"), "Lumo40.Document");
  EXPECT_EQ(ClassesDefault("Lumo40.Document"), "Lumora 4 Image");
  EXPECT_EQ(ClassesDefault("Lumo40.Document\\shell\\open\\command"), "\"" + std::string(program) + "\" /dde");
  EXPECT_EQ(ClassesDefault("Lumo40.Document\\shell\\open\\ddeexec"), "[open(\"%1\")]");
  const std::string clsid = ClassesDefault("Lumo40.Application\\CLSID");
  EXPECT_EQ(ClassesDefault("CLSID\\" + clsid + "\\LocalServer32"), "\"" + std::string(program) + "\" /Automation");
  EXPECT_EQ(ClassesDefault("CLSID\\" + ClassesDefault("Lumo40.Document\\CLSID") + "\\InprocHandler32"), "ole32.dll");

  AssociationNotices notices;
  ASSERT_TRUE(notices.Registered());
  bool greyedLud = false;
  lumora::testing::DialogScript::Run({{"Open with Lumora", [&](HWND d) {
                                        ASSERT_FALSE(FileTypeChecked(d, "bmp files"));
                                        // The program's own type cannot be unchecked here.
                                        ClickFileTypeBox(d, "LUD files");
                                        greyedLud = !FileTypeChecked(d, "LUD files");
                                        ClickFileTypeBox(d, "bmp files");
                                        EXPECT_TRUE(FileTypeChecked(d, "bmp files"));
                                        lumora::testing::Press(d, IDOK);
                                      }}});
  SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_OPTIONS_FILE_TYPES, 0);
  lumora::testing::DialogScript::Stop();
  EXPECT_EQ(lumora::testing::DialogScript::done, 1);
  EXPECT_TRUE(greyedLud);
  EXPECT_EQ(ClassesDefault(".bmp"), "Lumo40.Document");
  EXPECT_EQ(ClassesDefault(".bmp\\ShellNew", "NullFile"), "");
  EXPECT_EQ(app.Settings().GetString("Opened files", "bmp", ""), "1");
  EXPECT_EQ(notices.Count(), 1);

  lumora::testing::DialogScript::Run({{"Open with Lumora", [&](HWND d) {
                                        EXPECT_TRUE(FileTypeChecked(d, "bmp files")) << "associated and saved";
                                        ClickFileTypeBox(d, "bmp files");
                                        lumora::testing::Press(d, IDOK);
                                      }}});
  SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_OPTIONS_FILE_TYPES, 0);
  lumora::testing::DialogScript::Stop();
  EXPECT_EQ(ClassesDefault(".bmp"), "<no value>");
  EXPECT_EQ(ClassesDefault(".bmp\\ShellNew"), "<no key>");
  EXPECT_EQ(ClassesDefault(".bmp\\OpenWithProgids"), "Other.Image") << "another program's subkey stays";
  EXPECT_EQ(ClassesDefault(".tif"), "Other.Image");
  EXPECT_EQ(ClassesDefault(".tif\\ShellNew"), "theirs");
  EXPECT_EQ(app.Settings().GetString("Opened files", "bmp", ""), "0");
  EXPECT_EQ(notices.Count(), 2);

  // OK with nothing changed: the shell hears nothing.
  lumora::testing::DialogScript::Run({{"Open with Lumora", [&](HWND d) { lumora::testing::Press(d, IDOK); }}});
  SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_OPTIONS_FILE_TYPES, 0);
  lumora::testing::DialogScript::Stop();
  EXPECT_EQ(notices.Count(), 2);
  // A saved type the program can no longer read, still ours: Cancel, and
  // the refresh after the dialog gives it back and forgets it.
  app.Settings().WriteString("Opened files", "xyz", "1");
  SetClassesDefault(".xyz", "Lumo40.Document");
  lumora::testing::DialogScript::Run({{"Open with Lumora", [&](HWND d) { lumora::testing::Press(d, IDCANCEL); }}});
  SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_OPTIONS_FILE_TYPES, 0);
  lumora::testing::DialogScript::Stop();
  EXPECT_EQ(lumora::testing::DialogScript::done, 1);
  EXPECT_EQ(ClassesDefault(".xyz"), "<no value>");
  EXPECT_EQ(app.Settings().GetString("Opened files", "xyz", "none"), "none");
  EXPECT_EQ(notices.Count(), 3);
  CloseProgram(app);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".tif");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".bmp");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".xyz");
}

// The automation object's answers in the program: names in any case, the
// failure codes of a call that runs nothing, and Visible kept on while the
// user controls the program.
TEST_F(ProgramInProcess, AutomationCallsAnswerTheirCodesAndRunNothingWhenRefused) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  const std::string file = WindowsPath(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  auto* doc = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(file));
  ASSERT_NE(doc, nullptr);
  Settle(app, doc);
  AutomationApp* object = AutomationApp::Create();
  IDispatch* d = object;
  auto idOf = [&](const wchar_t* name, REFIID iid = IID_NULL) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    const HRESULT r = d->GetIDsOfNames(iid, names, 1, 0, &id);
    return std::make_pair(r, id);
  };
  const auto flip = idOf(L"fLiPiMaGe");
  ASSERT_EQ(flip.first, S_OK);
  EXPECT_GE(flip.second, 1000);
  EXPECT_EQ(idOf(L"NoSuchCommand").first, DISP_E_UNKNOWNNAME);
  EXPECT_EQ(idOf(L"FlipImage", IID_IDispatch).first, DISP_E_UNKNOWNINTERFACE);
  const auto visible = idOf(L"visible");
  ASSERT_EQ(visible.first, S_OK);
  EXPECT_LT(visible.second, 1000);

  const int steps = doc->Image().History().UndoCount();
  auto call = [&](std::vector<VARIANT> callOrder, UINT named, UINT* argError) {
    std::vector<VARIANT> reversed(callOrder.rbegin(), callOrder.rend());
    DISPID namedIds[1] = {0};
    DISPPARAMS params{reversed.data(), named != 0 ? namedIds : nullptr, static_cast<UINT>(reversed.size()), named};
    VARIANT result;
    VariantInit(&result);
    const HRESULT r = d->Invoke(flip.second, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, argError);
    for (VARIANT& v : reversed) VariantClear(&v);
    return std::make_pair(r, result);
  };
  auto i4 = [](LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
  };
  auto bstr = [](const wchar_t* text) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = SysAllocString(text);
    return x;
  };
  UINT argError = 99;
  EXPECT_EQ(call({i4(1), i4(0)}, 1, &argError).first, DISP_E_NONAMEDARGS);
  EXPECT_EQ(call({i4(1)}, 0, &argError).first, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(call({bstr(L"a"), i4(0)}, 0, &argError).first, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argError, 1u) << "the first argument, last in the array";
  EXPECT_EQ(doc->Image().History().UndoCount(), steps) << "a refused call runs nothing";
  const auto done = call({i4(1), i4(0)}, 0, &argError);
  EXPECT_EQ(done.first, S_OK);
  EXPECT_EQ(done.second.vt, VT_BOOL);
  EXPECT_EQ(done.second.boolVal, VARIANT_TRUE);
  EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);

  // Visible FALSE is ignored while the user controls the program.
  HWND main = app.MainFrame()->Handle();
  ASSERT_TRUE(IsWindowVisible(main));
  VARIANT no;
  VariantInit(&no);
  no.vt = VT_BOOL;
  no.boolVal = VARIANT_FALSE;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS setParams{&no, &put, 1, 1};
  EXPECT_EQ(d->Invoke(visible.second, IID_NULL, 0, DISPATCH_PROPERTYPUT, &setParams, nullptr, nullptr, nullptr), S_OK);
  EXPECT_TRUE(IsWindowVisible(main));
  object->Release();
  doc->SetModifiedFlag(false);
  doc->Image().SetModifiedFlag(false);
  CloseProgram(app);
}

// The shared-memory section class against a section and an owner window
// the test makes: the section mapped for writing, the hand-over handle given
// back to the window (message 2026), or closed when the window is gone and
// the handle is this process's; a copy has handles of its own and gives
// nothing back; an unknown name or a short descriptor maps nothing.
std::vector<LPARAM> sectionClosedNotices;
LRESULT CALLBACK SectionOwnerProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == CapSection::kSectionClosedMessage) sectionClosedNotices.push_back(lp);
  return DefWindowProcA(w, m, wp, lp);
}

std::string Descriptor(HANDLE handOver, HWND owner, const std::string& name) {
  char text[128] = {};
  std::snprintf(text, sizeof text, "%08lX%08lX%s", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handOver)),
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(owner)), name.c_str());
  return text;
}

TEST(SharedSection, MapsTheSectionAndGivesTheHandleBack) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = SectionOwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "LumoraSectionOwner";
  RegisterClassA(&wc);
  HWND owner = CreateWindowA(wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);
  const std::string name = "LumoraTestSection" + std::to_string(GetCurrentProcessId());
  HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str());
  ASSERT_NE(section, nullptr);
  auto* mine = static_cast<char*>(MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
  HANDLE handOver = CreateEventA(nullptr, FALSE, FALSE, nullptr);

  sectionClosedNotices.clear();
  std::string text = Descriptor(handOver, owner, name);
  auto* cap = new CapSection(text.data());
  ASSERT_NE(cap->View(), nullptr);
  static_cast<char*>(cap->View())[10] = 'L';
  EXPECT_EQ(mine[10], 'L');
  EXPECT_EQ(std::string(cap->Name()), name);
  EXPECT_EQ(SysStringLen(cap->WideName()), name.size());
  {
    std::string none = Descriptor(handOver, owner, "");
    auto* copy = new CapSection(none.data());
    *copy = *cap;
    EXPECT_NE(copy->Mapping(), cap->Mapping()) << "the copy has a handle of its own";
    EXPECT_NE(copy->WideName(), cap->WideName());
    ASSERT_NE(copy->View(), nullptr);
    EXPECT_EQ(static_cast<char*>(copy->View())[10], 'L');
    delete copy;
    EXPECT_TRUE(sectionClosedNotices.empty()) << "a copy gives nothing back";
  }
  delete cap;
  ASSERT_EQ(sectionClosedNotices.size(), 1u);
  EXPECT_EQ(sectionClosedNotices[0], static_cast<LPARAM>(reinterpret_cast<std::uintptr_t>(handOver)));
  DWORD flags = 0;
  EXPECT_TRUE(GetHandleInformation(handOver, &flags)) << "the owner closes it, not the section";

  // An unknown name and a short descriptor map nothing.
  std::string unknown = Descriptor(handOver, owner, "LumoraNoSuchSection");
  auto* none = new CapSection(unknown.data());
  EXPECT_EQ(none->View(), nullptr);
  delete none;
  char shortText[] = "0000001C000A01F";
  auto* empty = new CapSection(shortText);
  EXPECT_EQ(empty->View(), nullptr);
  EXPECT_EQ(empty->OwnerWindow(), nullptr);
  delete empty;

  // The owner gone: the handle, this process's own, is closed here.
  std::string again = Descriptor(handOver, owner, name);
  auto* last = new CapSection(again.data());
  DestroyWindow(owner);
  sectionClosedNotices.clear();
  delete last;
  EXPECT_TRUE(sectionClosedNotices.empty());
  EXPECT_FALSE(GetHandleInformation(handOver, &flags)) << "the hand-over handle was closed";
  UnmapViewOfFile(mine);
  CloseHandle(section);
}

TEST_F(ProgramInProcess, PlacementFollowsMovesSizesAndMaximising) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  ShowWindow(frame, SW_RESTORE);
  SetWindowPos(frame, nullptr, 40, 50, 700, 500, SWP_NOZORDER);
  EXPECT_EQ(app.settings.frameX, 40);
  EXPECT_EQ(app.settings.frameY, 50);
  EXPECT_EQ(app.settings.frameW, 700);
  EXPECT_EQ(app.settings.frameH, 500);
  ShowWindow(frame, SW_MAXIMIZE);
  EXPECT_EQ(app.settings.frameMaximized, 1);
  EXPECT_EQ(app.settings.frameX, 40);  // a maximised frame keeps the saved rectangle
  EXPECT_EQ(app.settings.frameW, 700);
  ShowWindow(frame, SW_RESTORE);
  EXPECT_EQ(app.settings.frameMaximized, 0);
  EXPECT_EQ(app.settings.frameW, 700);
  CloseProgram(app);
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetInt("LoadOptions", "FrameX", -1), 40);
  EXPECT_EQ(ini.GetInt("LoadOptions", "FrameH", -1), 500);
  EXPECT_EQ(ini.GetInt("LoadOptions", "FrameMaximized", -1), 0);
}

TEST_F(ProgramInProcess, SaveAndCloseAllDocumentsClosesUnchangedDocuments) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"), nullptr);
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.lud"), nullptr);
  EXPECT_TRUE(app.MainFrameWnd()->SaveAndCloseAllDocuments(true));  // already done: nothing closes
  EXPECT_EQ(app.Docs().AllDocuments().size(), 2u);
  EXPECT_TRUE(app.MainFrameWnd()->SaveAndCloseAllDocuments(false));
  EXPECT_TRUE(app.Docs().AllDocuments().empty());
  CloseProgram(app);
}

// Calls entry `index` of the program's site table `table` with the types
// the tool host uses.
template <typename R, typename... Args>
R CallSite(const CLumo40App& app, int table, int index, Args... args) {
  const LU_SITE_TABLE* descriptor = nullptr;
  const LUSiteEntry entry = LUSiteEntryOf(app.Site(), table, index, &descriptor);
  if (entry == nullptr) {
    ADD_FAILURE() << "no entry " << index << " in table " << table;
    return R{};
  }
  using Fn = R (*)(const LU_SITE_TABLE*, Args...);
  return reinterpret_cast<Fn>(entry)(descriptor, args...);
}

WAPtr FilledImage(int width, int height, std::uint8_t value) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, width, height, nullptr));
  for (int y = 0; y < height; ++y) {
    std::memset(image->Row(y), value, static_cast<std::size_t>(VrWA2000::BytesPerLineOf(kWAType24, width)));
  }
  return image;
}

CLumo40Doc* DocOfWindow(HWND view) {
  CLumo40View* v = GetViewFromWnd(view);
  return v != nullptr ? v->GetDoc() : nullptr;
}

// What tools ask of the program through its site: new image windows around
// their images, and the document's selection, which the global selection
// (the area tools work in) takes over.
TEST_F(ProgramInProcess, SiteMakesImageWindowsAndSharesTheSelection) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  WAPtr made = FilledImage(40, 30, 0x5A);
  HWND first = CallSite<HWND, std::intptr_t, const char*, std::intptr_t, int, int>(
      app, kSiteView, 0, reinterpret_cast<std::intptr_t>(made.get()), "Shot", 0, 1, 1);
  ASSERT_NE(first, nullptr);
  CLumo40Doc* doc = DocOfWindow(first);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetTitle(), "Shot");
  EXPECT_TRUE(doc->IsModified());
  CLayersManager* layers = doc->Image().GetLayers();
  ASSERT_EQ(layers->GetLayerCount(), 1);
  EXPECT_EQ(layers->GetWidth(), 40);
  EXPECT_EQ(layers->GetHeight(), 30);
  EXPECT_EQ(layers->GetLayer(0)->GetImage()->Row(29)[39 * 3], 0x5A);

  WAPtr other = FilledImage(16, 8, 0x11);
  HWND second = CallSite<HWND, VrWA2000::WA*>(app, kSiteDoc, 20, other.get());
  ASSERT_NE(second, nullptr);
  ASSERT_NE(DocOfWindow(second), nullptr);
  EXPECT_NE(DocOfWindow(second), doc);
  EXPECT_TRUE(DocOfWindow(second)->IsModified());
  EXPECT_EQ(DocOfWindow(second)->Image().GetLayers()->GetWidth(), 16);
  // No image: no window, and the window before stays the active one.
  EXPECT_EQ((CallSite<HWND, std::intptr_t, const char*, std::intptr_t, int, int>(app, kSiteView, 0, 0, "None", 0, 0, 1)),
            nullptr);
  EXPECT_EQ(app.Docs().AllDocuments().size(), 2u);
  HWND client = app.MainFrameWnd()->MdiClient();
  int children = 0;
  for (HWND c = GetWindow(client, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, 2);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)), GetParent(second));

  // The second window is active: its selection is what tools work in.
  const LURECT area{2, 1, 6, 4};
  Fragment* rect = CreateRectFrg(&area, 0);
  DocOfWindow(second)->Image().SetSelection(rect, false);
  DeleteFragment(rect);
  Fragment* shared = CallSite<Fragment*, HWND, int, std::intptr_t>(app, kSiteView, 6, second, 1, 0);
  ASSERT_NE(shared, nullptr);
  LURECT bounds{};
  ASSERT_NE(GetFragmentBoundRect(shared, &bounds), 0);
  EXPECT_EQ(bounds.x, 2);
  EXPECT_EQ(bounds.width, 6);
  DeleteFragment(shared);
  EXPECT_EQ((CallSite<Fragment*, HWND, int, std::intptr_t>(app, kSiteView, 6, first, 1, 0)), nullptr);
  // The selection record, as tools read it.
  const auto* record = static_cast<const SelectionRecord*>(
      CallSite<void*, HWND, std::intptr_t>(app, kSiteView, 5, second, 0));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->fragment, DocOfWindow(second)->Image().GetSelection());
  EXPECT_EQ(record->changed, 1);
  Fragment* inverted = CreateRectFrg(&area, 1);
  DocOfWindow(second)->Image().RestoreSelection(inverted);
  DeleteFragment(inverted);
  EXPECT_EQ(record->mode, 3);
  EXPECT_EQ(record->inverted, 1);
  EXPECT_EQ(record->fragment, DocOfWindow(second)->Image().GetSelection());
  ASSERT_EQ(GetActiveImageWindow(), second);
  ASSERT_EQ(LUUpdateGSelection(app.Site()), 1);
  Fragment* global = LUGetGlobalSelection(app.Site());
  ASSERT_NE(global, nullptr);
  ASSERT_NE(GetFragmentBoundRect(global, &bounds), 0);
  EXPECT_EQ(bounds.height, 4);
  DeleteFragment(global);
  for (fw::Document* d : app.Docs().AllDocuments()) d->SetModifiedFlag(false);
  EXPECT_TRUE(app.MainFrameWnd()->SaveAndCloseAllDocuments(false));
  CloseProgram(app);
}

std::vector<std::uint8_t> LayerBytes(CLayer* layer) {
  const WAPtr image = layer->GetImage();
  return std::vector<std::uint8_t>(image->Bits(), image->Bits() + static_cast<std::size_t>(image->GetBPLine()) * image->GetH());
}

// The program's site answers from the document: a tool's Apply is refused
// with 130 on a hidden layer and on one whose pixels are locked, and the
// pixels stay; the layer entries report and do what the document holds.
TEST_F(ProgramInProcess, SiteRefusesToolsOnHiddenOrLockedLayersAndAnswersFromTheDocument) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  WAPtr made = FilledImage(40, 30, 0x20);
  made->Row(15)[20 * 3] = 0xF0;  // a bright pixel the maximum filter spreads
  HWND view = CallSite<HWND, std::intptr_t, const char*, std::intptr_t, int, int>(
      app, kSiteView, 0, reinterpret_cast<std::intptr_t>(made.get()), "Tools", 0, 1, 1);
  ASSERT_NE(view, nullptr);
  CLumo40Doc* doc = DocOfWindow(view);
  ASSERT_NE(doc, nullptr);
  CLayer* layer = doc->Image().GetActiveLayer();
  ASSERT_NE(layer, nullptr);
  ASSERT_NE(LUCreateToolInstanceByIDNumber(app.Site(), LUGetRegToolIDNumber(app.Site(), "maximum_effect", 0), 0), 0);
  LUPaneDialog* pane = LUGetActivePaneDialog(app.Site());
  ASSERT_NE(pane, nullptr);
  const std::vector<std::uint8_t> before = LayerBytes(layer);
  auto flags = [&] {
    std::uint32_t value = 0xDEAD;
    EXPECT_EQ((CallSite<BOOL, void*, int, std::uint32_t*>(app, kSiteDoc, 34, doc, 0, &value)), 1);
    return value;
  };

  layer->SetVisible(0);
  EXPECT_EQ((CallSite<int, void*, int>(app, kSiteDoc, 23, doc, 0)), 0);
  EXPECT_EQ(flags() & 2u, 2u);
  EXPECT_EQ(LUPaneApply(pane), kLUErrLayerLocked);
  EXPECT_TRUE(LayerBytes(layer) == before) << "a hidden layer is not written";
  layer->SetVisible(1);

  ASSERT_EQ(layer->CreateMask(1), 0);
  ASSERT_TRUE(doc->Image().LockLayerPixels(true, false));
  EXPECT_EQ((CallSite<int, void*, int>(app, kSiteDoc, 23, doc, 0)), 0);
  EXPECT_EQ(flags() & 1u, 1u);
  EXPECT_EQ(LUPaneApply(pane), kLUErrLayerLocked);
  EXPECT_TRUE(LayerBytes(layer) == before) << "a locked layer is not written";
  ASSERT_TRUE(doc->Image().LockLayerPixels(false, false));
  EXPECT_EQ((CallSite<int, void*, int>(app, kSiteDoc, 23, doc, 0)), 1);
  LUResetError();
  EXPECT_EQ(LUPaneApply(pane), 0);
  EXPECT_FALSE(LayerBytes(layer) == before) << "an open layer is";

  // Moving, the image's size, the flat test and the parked pair.
  EXPECT_EQ((CallSite<int, void*, int, int, int>(app, kSiteDoc, 29, doc, 0, 5, 7)), 1);
  EXPECT_EQ(layer->GetRect().left, 5);
  EXPECT_EQ(layer->GetRect().top, 7);
  EXPECT_EQ((CallSite<int, void*>(app, kSiteDoc, 14, doc)), doc->Image().GetLayers()->IsFlat() ? 1 : 0);
  EXPECT_EQ((CallSite<int, void*, int, int, int>(app, kSiteDoc, 19, doc, 60, 50, kWAType24)), 1);
  EXPECT_EQ(doc->Image().GetLayers()->GetWidth(), 60);
  EXPECT_EQ(doc->Image().GetLayers()->GetHeight(), 50);
  WAPtr first = FilledImage(2, 2, 1), second = FilledImage(3, 3, 2);
  EXPECT_EQ((CallSite<int, void*, VrWA2000::WA*, VrWA2000::WA*>(app, kSiteDoc, 6, doc, first.get(), second.get())), 1);
  VrWA2000::WA* back = nullptr;
  EXPECT_EQ((CallSite<VrWA2000::WA*, void*, VrWA2000::WA**>(app, kSiteDoc, 4, doc, &back)), first.get());
  EXPECT_EQ(back, second.get());

  LUDestroyPaneDialogs(app.Site());
  lumora::testing::EndProgramIfRunning(app);
}

// Escape pressed while a tool runs cancels the run through the program's
// progress indicator: the image and the history stay as they were.
TEST_F(ProgramInProcess, EscapeDuringAToolRunLeavesTheImage) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  WAPtr made = FilledImage(300, 200, 0x20);
  made->Row(100)[150 * 3] = 0xF0;
  HWND view = CallSite<HWND, std::intptr_t, const char*, std::intptr_t, int, int>(
      app, kSiteView, 0, reinterpret_cast<std::intptr_t>(made.get()), "Cancel", 0, 1, 1);
  ASSERT_NE(view, nullptr);
  CLumo40Doc* doc = DocOfWindow(view);
  ASSERT_NE(doc, nullptr);
  CLayer* layer = doc->Image().GetActiveLayer();
  ASSERT_NE(LUCreateToolInstanceByIDNumber(app.Site(), LUGetRegToolIDNumber(app.Site(), "maximum_effect", 0), 0), 0);
  LUPaneDialog* pane = LUGetActivePaneDialog(app.Site());
  ASSERT_NE(pane, nullptr);
  const std::vector<std::uint8_t> before = LayerBytes(layer);
  const int steps = doc->Image().History().UndoCount();
  PostMessageA(view, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(view, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_EQ(LUPaneApply(pane), kLUErrCancelled);
  EXPECT_TRUE(LayerBytes(layer) == before);
  EXPECT_EQ(doc->Image().History().UndoCount(), steps);
  // Without the key the same run goes through.
  LUResetError();
  EXPECT_EQ(LUPaneApply(pane), 0);
  EXPECT_FALSE(LayerBytes(layer) == before);
  LUDestroyPaneDialogs(app.Site());
  lumora::testing::EndProgramIfRunning(app);
}

// Dialogs run their own loops: a timer reads and closes them.
struct DialogProbe {
  std::string caption;
  std::function<void(HWND)> inspect;
  bool seen = false;
};
DialogProbe* probe = nullptr;

void CALLBACK ProbeTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = FindWindowA("#32770", probe->caption.c_str());
  if (dialog == nullptr || probe->seen) return;
  probe->seen = true;
  KillTimer(nullptr, id);
  probe->inspect(dialog);
}

// The About box: its texts, an OK button from the start, and Enter or
// Escape close it as in any dialog.
TEST_F(ProgramInProcess, AboutBoxShowsSixtyFourBitMemoryAndClosesWithOkEnterOrEscape) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  std::string memory, disk;
  bool okShown = false, okShownAfterClick = false;
  DialogProbe about{"About Lumora 4.0", [&](HWND dialog) {
                      char text[128] = {};
                      GetDlgItemTextA(dialog, IDC_ABOUT_MEMORY, text, sizeof text);
                      memory = text;
                      GetDlgItemTextA(dialog, IDC_ABOUT_DISK, text, sizeof text);
                      disk = text;
                      okShown = IsWindowVisible(GetDlgItem(dialog, IDOK)) != 0;
                      SendMessageA(GetDlgItem(dialog, IDC_ABOUT_LOGO), WM_LBUTTONDOWN, MK_LBUTTON, 0);
                      okShownAfterClick = IsWindowVisible(GetDlgItem(dialog, IDOK)) != 0;
                      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                    }};
  probe = &about;
  SetTimer(nullptr, 0, 50, ProbeTimer);
  SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_APP_ABOUT, 0);
  ASSERT_TRUE(about.seen);
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatusEx(&status);
  ASSERT_GE(memory.size(), 2u);
  EXPECT_EQ(memory.back(), 'B');
  const unsigned long long shown = std::stoull(memory.substr(0, memory.size() - 1));
  EXPECT_NEAR(static_cast<double>(shown), static_cast<double>(status.ullAvailPhys), 512.0 * 1024 * 1024);
  EXPECT_NE(disk.find(" KB Free on "), std::string::npos) << disk;
  EXPECT_TRUE(okShown);
  EXPECT_TRUE(okShownAfterClick);
  // The keys go to the control with the focus, as typed; a box the key
  // leaves open is closed after a while, and the test fails.
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    SCOPED_TRACE(key);
    static bool forced;
    static UINT_PTR fallback;
    forced = false;
    fallback = 0;
    DialogProbe keyed{"About Lumora 4.0", [&](HWND dialog) {
                        HWND focus = GetFocus();
                        PostMessageA(focus != nullptr && IsChild(dialog, focus) ? focus : dialog, WM_KEYDOWN, key, 1);
                        fallback = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR id, DWORD) {
                          KillTimer(nullptr, id);
                          if (HWND open = FindWindowA("#32770", "About Lumora 4.0")) {
                            forced = true;
                            PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
                          }
                        });
                      }};
    probe = &keyed;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ProbeTimer);
    SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_APP_ABOUT, 0);
    KillTimer(nullptr, timer);
    if (fallback != 0) KillTimer(nullptr, fallback);
    EXPECT_TRUE(keyed.seen);
    EXPECT_FALSE(forced);
  }
  CloseProgram(app);
}

// The colour an owner-drawn swatch button draws inside its frame: the
// dialog draws it into a small bitmap of ours.
COLORREF SwatchButtonColour(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 12);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(id);
  item.itemAction = ODA_DRAWENTIRE;
  item.hwndItem = control;
  item.hDC = dc;
  item.rcItem = RECT{0, 0, 20, 12};
  SendMessageA(dialog, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
  const COLORREF colour = GetPixel(dc, 10, 6);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return colour;
}

// File/New: the dialog's swatch starts with the background colour of the
// settings, and OK fills the new image with it.
TEST_F(ProgramInProcess, NewImageDialogStartsWithTheBackgroundColour) {
  {
    fw::IniFile ini(ini_);
    ini.WriteInt("BACK", "R", 10);
    ini.WriteInt("BACK", "G", 200);
    ini.WriteInt("BACK", "B", 30);
    ini.WriteInt("NewImage", "width", 5);
    ini.WriteInt("NewImage", "height", 4);
    ini.WriteInt("NewImage", "units", 2);
  }
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  COLORREF swatch = CLR_INVALID;
  DialogProbe newImage{"New image", [&](HWND dialog) {
                         swatch = SwatchButtonColour(dialog, IDC_NEWIMG_SWATCH);
                         PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                       }};
  probe = &newImage;
  SetTimer(nullptr, 0, 50, ProbeTimer);
  SendMessageA(app.MainFrame()->Handle(), WM_COMMAND, ID_FILE_NEW, 0);
  ASSERT_TRUE(newImage.seen);
  EXPECT_EQ(swatch, RGB(10, 200, 30));
  ASSERT_EQ(app.Docs().AllDocuments().size(), 1u);
  auto* doc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  ASSERT_NE(doc, nullptr);
  CLayersManager* layers = doc->Image().GetLayers();
  ASSERT_EQ(layers->GetWidth(), 5);
  const std::uint8_t* pixel = layers->GetLayer(0)->GetImage()->Row(0);
  EXPECT_EQ((std::array<int, 3>{pixel[0], pixel[1], pixel[2]}), (std::array<int, 3>{30, 200, 10})) << "blue, green, red";
  for (fw::Document* d : app.Docs().AllDocuments()) d->SetModifiedFlag(false);
  CloseProgram(app);
}

TEST_F(ProgramInProcess, StartWizardIsOfferedAtZeroAndRemembersTheCheckBox) {
  fw::IniFile(ini_).WriteInt("STARTWIZARD", "STARTWIZARD", 0);
  DialogProbe wizard{"Lumora 4.0", [](HWND dialog) {
                       CheckDlgButton(dialog, IDC_STARTWIZARD_DONT_SHOW, BST_CHECKED);
                       PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // No
                     }};
  probe = &wizard;
  SetTimer(nullptr, 0, 50, ProbeTimer);
  {
    CLumo40App app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(wizard.seen);
    CloseProgram(app);
  }
  EXPECT_EQ(fw::IniFile(ini_).GetInt("STARTWIZARD", "STARTWIZARD", -1), 1);
  // Not offered again.
  DialogProbe again{"Lumora 4.0", [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }};
  probe = &again;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, ProbeTimer);
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  KillTimer(nullptr, timer);
  EXPECT_FALSE(again.seen);
  CloseProgram(app);
}

// Closing the main window asks a modified document: Cancel keeps the
// program and the document; close mode 1 closes it without asking.
TEST_F(ProgramInProcess, CloseAsksForAModifiedDocumentAndCancelKeepsTheProgram) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  fw::Document* doc = app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  ASSERT_NE(doc, nullptr);
  doc->SetModifiedFlag(true);
  HWND frame = app.MainFrame()->Handle();
  std::string question;
  DialogProbe ask{"Lumora 4.0", [&](HWND box) {
                    char text[256] = {};
                    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                    question = text;
                    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
                  }};
  probe = &ask;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, ProbeTimer);
  SendMessageA(frame, WM_CLOSE, 0, 0);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(ask.seen);
  EXPECT_EQ(question.rfind("Save changes to ", 0), 0u) << question;
  ASSERT_TRUE(IsWindow(frame));
  EXPECT_EQ(app.Docs().AllDocuments().size(), 1u);
  EXPECT_TRUE(doc->IsModified());

  app.closeMode = 1;
  DialogProbe none{"Lumora 4.0", [](HWND box) { PostMessageA(box, WM_COMMAND, IDCANCEL, 0); }};
  probe = &none;
  timer = SetTimer(nullptr, 0, 50, ProbeTimer);
  SendMessageA(frame, WM_CLOSE, 0, 0);
  KillTimer(nullptr, timer);
  EXPECT_FALSE(none.seen);
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_TRUE(app.Docs().AllDocuments().empty());
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  app.ExitInstance();
}

// A tool's main-frame hook sees the frame's messages before the frame:
// one that lets a command pass leaves it to the frame, one that takes it
// stops it there.
struct CommandWatch {
  WPARAM command = 0;
  bool consume = false;
  int seen = 0;
};

int WatchCommands(void*, const LU_MSG* msg, void* context, std::intptr_t* inOut) {
  auto& watch = *static_cast<CommandWatch*>(context);
  if (msg->message != WM_COMMAND || LOWORD(msg->wParam) != watch.command) return kLUHookPass;
  ++watch.seen;
  if (!watch.consume) return kLUHookPass;
  *inOut = 0;
  return kLUHookHandled;
}

TEST_F(ProgramInProcess, MainFrameHooksSeeItsCommandsFirstAndMayTakeThem) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  HWND navigator = app.MainFrameWnd()->Navigator().Handle();
  ASSERT_NE(navigator, nullptr);
  const bool shown = IsWindowVisible(navigator) != FALSE;
  for (bool consume : {false, true}) {
    SCOPED_TRACE(consume ? "taken" : "passed");
    CommandWatch watch{ID_VIEW_NAVIGATOR, consume, 0};
    const LU_HOOK hook{WatchCommands, &watch, static_cast<std::uint16_t>(kLUPassMainFrame), 0};
    const std::uint32_t id = LUSetLUHook(app.Site(), &hook);
    ASSERT_NE(id, 0u);
    const bool before = IsWindowVisible(navigator) != FALSE;
    SendMessageA(frame, WM_COMMAND, ID_VIEW_NAVIGATOR, 0);
    EXPECT_EQ(watch.seen, 1);
    EXPECT_EQ(IsWindowVisible(navigator) != FALSE, consume ? before : !before);
    EXPECT_EQ(LURemoveLUHook(app.Site(), id), 1);
  }
  EXPECT_EQ(IsWindowVisible(navigator) != FALSE, !shown);
  CloseProgram(app);
}

// The items of the frame's "Window" popup.
std::vector<MenuItem> WindowMenuItems(HWND frame) {
  HMENU bar = GetMenu(frame);
  for (int i = 0; bar != nullptr && i < GetMenuItemCount(bar); ++i) {
    char title[64] = {};
    GetMenuStringA(bar, static_cast<UINT>(i), title, sizeof title, MF_BYPOSITION);
    if (GetSubMenu(bar, i) != nullptr && std::string(title) == "&Window") return PopupItems(GetSubMenu(bar, i));
  }
  return {};
}

std::optional<MenuItem> FindItem(const std::vector<MenuItem>& items, const std::string& text) {
  for (const MenuItem& item : items) {
    if (item.text == text) return item;
  }
  return std::nullopt;
}

bool IsChecked(HWND frame, const std::string& text) {
  const std::optional<MenuItem> item = FindItem(WindowMenuItems(frame), text);
  return item && (item->state & MFS_CHECKED) != 0;
}

// The tool host's Window menu in the program: the section names, a pane
// listed and checked, image frames checked as they are activated and
// renamed as their captions change, the pane chosen from the menu; the
// pane closes with the program.
TEST_F(ProgramInProcess, ToolHostWindowMenuFollowsPanesAndImageFrames) {
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.psd"), nullptr);
  HWND first = app.MainFrameWnd()->GetActiveFrame()->Handle();

  ASSERT_NE(LUCreateToolInstanceByIDNumber(app.Site(), LUGetRegToolIDNumber(nullptr, "vr_rsmooth", 0), 0), 0);
  HWND pane = static_cast<HWND>(LUGetPaneDialogWindow(app.Site(), LUGetActivePaneDialog(app.Site())));
  ASSERT_NE(pane, nullptr);
  EXPECT_NE(GetWindow(pane, GW_CHILD), nullptr) << "the pane's own handling made its controls";
  EXPECT_TRUE(FindItem(WindowMenuItems(frame), "Instrument Dialogs"));
  EXPECT_TRUE(IsChecked(frame, "Smooth"));

  // An image frame listed by the host follows its caption.
  LUWinMenu_AddWnd(app.Site(), first, 2, 1);
  SetWindowTextA(first, "Renamed image");
  EXPECT_TRUE(FindItem(WindowMenuItems(frame), "Images"));
  ASSERT_TRUE(FindItem(WindowMenuItems(frame), "Renamed image"));

  // Activating image frames moves the check away from the pane.
  ASSERT_NE(app.OpenDocumentFile(std::string(LUMORA_TEST_DATA) + "/layered/rich.lud"), nullptr);
  EXPECT_FALSE(IsChecked(frame, "Smooth"));
  EXPECT_FALSE(IsChecked(frame, "Renamed image"));
  SendMessageA(app.MainFrameWnd()->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
  EXPECT_TRUE(IsChecked(frame, "Renamed image"));

  // Choosing the pane from the menu reaches the host through the frame.
  const std::optional<MenuItem> smooth = FindItem(WindowMenuItems(frame), "Smooth");
  ASSERT_TRUE(smooth);
  SendMessageA(frame, WM_COMMAND, smooth->id, 0);
  EXPECT_EQ(GetActiveWindow(), pane);
  EXPECT_TRUE(IsChecked(frame, "Smooth"));
  EXPECT_FALSE(IsChecked(frame, "Renamed image"));

  CloseProgram(app);
  EXPECT_FALSE(IsWindow(pane));
}

// With a layered file on the command line (ag-psd's two-layer file, given
// by its own test entry): the image status, the view's pixels against the
// composite, an undoable layer change with Undo and Redo from the menu,
// Save As to ".PSD" through the save dialog, Close, Open of the saved file
// through the open dialog, and exit writing every setting.

namespace fs = std::filesystem;
using lumora::testing::CaptureClient;
using lumora::testing::CompositePixel;
using lumora::testing::DialogScript;
using lumora::testing::NameBox;
using lumora::testing::Press;

constexpr std::uint32_t kEditUndo = 57643;
constexpr std::uint32_t kEditRedo = 57644;

// Each layer's rectangle and pixel rows.
struct LayerContents {
  RECT rect;
  std::vector<std::vector<std::uint8_t>> rows;
  bool operator==(const LayerContents& o) const {
    return rect.left == o.rect.left && rect.top == o.rect.top && rect.right == o.rect.right &&
           rect.bottom == o.rect.bottom && rows == o.rows;
  }
};

std::vector<LayerContents> Layers(CLumo40Doc* doc) {
  std::vector<LayerContents> all;
  CLayersManager* layers = doc->Image().GetLayers();
  for (int i = 0; i < layers->GetLayerCount(); ++i) {
    CLayer* layer = layers->GetLayer(i);
    WAPtr image = layer->GetImage();
    LayerContents c{layer->GetRect(), {}};
    const auto bytes = static_cast<std::size_t>(VrWA2000::BytesPerLineOf(image->GetType(), image->GetW()));
    for (int row = 0; row < image->GetH(); ++row) c.rows.emplace_back(image->Row(row), image->Row(row) + bytes);
    all.push_back(std::move(c));
  }
  return all;
}

int TextWidthInStatusFont(HWND bar, const std::string& text) {
  HDC dc = GetDC(bar);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(bar, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(bar, dc);
  return size.cx;
}

TEST(ProgramWithFile, ShowsEditsSavesReopensAndWritesItsSettings) {
  const std::string file = fw::ParseProcessCommandLine().fileName;
  if (file.empty()) GTEST_SKIP() << "run with a layered file on the command line";
  const std::string ini = SettingsFileOfThisProgram();
  DeleteFileA(ini.c_str());
  const fs::path folder = lumora::testing::MakeUniqueTempFolder("lumora-program-");

  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_EQ(app.Docs().AllDocuments().size(), 1u);
  auto* doc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  ASSERT_NE(doc, nullptr);
  Settle(app, doc);
  CLumo40View* view = ActiveImageView(app);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetDoc(), doc);
  fw::StatusBar& status = app.MainFrameWnd()->StatusBarCtrl();
  EXPECT_EQ(status.GetPaneText(2), "24-bit image, size 320x240, 1:1");
  ASSERT_EQ(doc->Image().GetLayers()->GetLayerCount(), 2);
  ExpectViewShowsComposite(view, doc);
  const std::vector<std::uint32_t> original = CompositePixels(doc);

  // The program's icons: 180 on the main window, 181 on image windows.
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON programIcon = LoadIconA(instance, MAKEINTRESOURCEA(180));
  HICON imageIcon = LoadIconA(instance, MAKEINTRESOURCEA(181));
  ASSERT_NE(programIcon, nullptr);
  ASSERT_NE(imageIcon, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(app.MainFrame()->Handle(), GCLP_HICON)), programIcon);
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(view->Handle(), GCLP_HICON)), imageIcon);
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(GetParent(view->Handle()), GCLP_HICON)), imageIcon);

  // The cursor's image position in pixels (rows counted from the top),
  // as posted input shows it, padded on the left so that the commas of a
  // one-digit and a three-digit column line up in the status bar's font.
  int commaAt[2] = {};
  const POINT moves[2] = {{4, 20}, {250, 20}};
  for (int i = 0; i < 2; ++i) {
    PostMessageA(view->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(moves[i].x, moves[i].y));
    RunUntil(app, [] { return true; });
    const POINT under = view->WindowPointToImagePixel(moves[i]);
    EXPECT_EQ(under.y, 240 - 1 - 20);
    const std::string shown = status.GetPaneText(1);
    const std::string bare = "(" + std::to_string(under.x) + "," + std::to_string(240 - 1 - under.y) + ")";
    ASSERT_GT(shown.size(), bare.size());
    EXPECT_EQ(shown.find_first_not_of(' '), shown.size() - bare.size());
    EXPECT_EQ(shown.substr(shown.size() - bare.size()), bare);
    commaAt[i] = TextWidthInStatusFont(status.Handle(), shown.substr(0, shown.find(',')));
    RECT pane{};
    ASSERT_TRUE(SendMessageA(status.Handle(), SB_GETRECT, 1, reinterpret_cast<LPARAM>(&pane)));
    EXPECT_LE(TextWidthInStatusFont(status.Handle(), shown), pane.right - pane.left);
  }
  EXPECT_LE(std::abs(commaAt[0] - commaAt[1]), TextWidthInStatusFont(status.Handle(), " "));

  // One undoable step on the active layer: a dark square in its middle.
  CLayer* layer = doc->Image().GetActiveLayer();
  ASSERT_NE(layer, nullptr);
  ASSERT_TRUE(doc->Image().BackupImageByName("Fill"));
  {
    doc->Image().Lock();
    WAPtr pixels = layer->GetImage();
    const int step = static_cast<int>(VrWA2000::BytesPerLineOf(pixels->GetType(), 1));
    for (int row = pixels->GetH() / 3; row < pixels->GetH() / 2; ++row) {
      std::uint8_t* p = pixels->Row(row) + (pixels->GetW() / 3) * step;
      for (int x = pixels->GetW() / 3; x < pixels->GetW() / 2; ++x, p += step) p[0] = p[1] = p[2] = 0x20;
    }
    doc->Image().Unlock();
  }
  doc->Image().InvalidateImageRect(nullptr, false, false);
  doc->Image().SetModifiedFlag(true);
  Settle(app, doc);
  const std::vector<std::uint32_t> changed = CompositePixels(doc);
  EXPECT_NE(changed, original);
  ExpectViewShowsComposite(view, doc);

  HWND frame = app.MainFrame()->Handle();
  SendMessageA(frame, WM_COMMAND, kEditUndo, 0);
  Settle(app, doc);
  EXPECT_EQ(CompositePixels(doc), original);
  ExpectViewShowsComposite(view, doc);
  SendMessageA(frame, WM_COMMAND, kEditRedo, 0);
  Settle(app, doc);
  EXPECT_EQ(CompositePixels(doc), changed);
  ExpectViewShowsComposite(view, doc);
  const std::vector<LayerContents> layers = Layers(doc);

  // Save As through the save dialog, to a ".PSD" name.
  const std::string saved = (folder / "again.PSD").string();
  DialogScript::Run({{"Save As", [&](HWND d) {
                        SetWindowTextA(NameBox(d), saved.c_str());
                        lumora::testing::ChooseType(d, 1);  // the Photoshop type
                        Press(d, IDOK);
                      }}});
  SendMessageA(frame, WM_COMMAND, fw::kIdFileSaveAs, 0);
  DialogScript::Stop();
  EXPECT_EQ(DialogScript::done, 1);
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_FALSE(doc->IsModified());

  SendMessageA(frame, WM_COMMAND, fw::kIdFileClose, 0);
  ASSERT_TRUE(RunUntil(app, [&] { return app.Docs().AllDocuments().empty(); }));
  EXPECT_EQ(status.GetPaneText(2), "No images loaded");

  DialogScript::Run({{"Open", [&](HWND d) {
                        SetWindowTextA(NameBox(d), saved.c_str());
                        Press(d, IDOK);
                      }}});
  SendMessageA(frame, WM_COMMAND, fw::kIdFileOpen, 0);
  DialogScript::Stop();
  EXPECT_EQ(DialogScript::done, 1);
  ASSERT_EQ(app.Docs().AllDocuments().size(), 1u);
  auto* reopened = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  ASSERT_NE(reopened, nullptr);
  Settle(app, reopened);
  EXPECT_TRUE(Layers(reopened) == layers);
  EXPECT_EQ(CompositePixels(reopened), changed);
  CLumo40View* again = ActiveImageView(app);
  ASSERT_NE(again, nullptr);
  ExpectViewShowsComposite(again, reopened);

  CloseProgram(app);
  ExpectEveryKeyWritten(ini);
  DeleteFileA(ini.c_str());
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace lumora
