// Hostile input through the user's own roads, in the program started in
// this process: another program's clipboard blocks pasted, a toolbar
// layout beside the program, a workspace opened, a macro file opened and
// saved. Each ends with a message naming the input, or is placed where the
// user can see it, and changes nothing else.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ErrorBox.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/Clipboard.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/Archive.h"
#include "hostapi/fragment.h"
#include "lang/win/LangWnd.h"
#include "res/resource.h"
#include "res/toolhost_ids.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "ui/ToolbarState.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing::DialogScript;
using testing::RunUntil;

void Put32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A run-length DIB of `colours` grey entries and the data.
Bytes RleDib(std::int32_t width, std::int32_t height, int bits, std::uint32_t colours, const Bytes& data) {
  Bytes dib;
  Put32(dib, 40), Put32(dib, static_cast<std::uint32_t>(width)), Put32(dib, static_cast<std::uint32_t>(height));
  dib.insert(dib.end(), {1, 0, static_cast<std::uint8_t>(bits), 0});
  Put32(dib, bits == 8 ? BI_RLE8 : BI_RLE4), Put32(dib, static_cast<std::uint32_t>(data.size()));
  Put32(dib, 2835), Put32(dib, 2835), Put32(dib, colours), Put32(dib, 0);
  for (std::uint32_t i = 0; i < colours; ++i) dib.insert(dib.end(), {0, 0, 0, 0});
  dib.insert(dib.end(), data.begin(), data.end());
  return dib;
}

// A 24-bit BMP file of w x h grey pixels.
void WriteBmp(const std::string& path, int w, int h) {
  const std::uint32_t stride = (3 * w + 3) & ~3u;
  Bytes file{'B', 'M'};
  Put32(file, 54 + stride * h), Put32(file, 0), Put32(file, 54);
  Put32(file, 40), Put32(file, w), Put32(file, h);
  file.insert(file.end(), {1, 0, 24, 0});
  for (int i = 0; i < 6; ++i) Put32(file, 0);
  file.resize(file.size() + stride * h, 0x80);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

bool PutOnClipboard(unsigned format, const Bytes& block) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block.size());
  std::memcpy(GlobalLock(memory), block.data(), block.size());
  GlobalUnlock(memory);
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  const bool put = SetClipboardData(format, memory) != nullptr;
  CloseClipboard();
  return put;
}

// Every message the program shows meanwhile, "caption: text", answered OK:
// the error box of the tool host and the system's message boxes.
struct Messages {
  static inline std::vector<std::string> seen;
  static inline UINT_PTR timer = 0;
  static BOOL CALLBACK Answer(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    char cls[64] = {}, caption[128] = {}, text[1024] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, caption, sizeof caption);
    if (std::string(cls) == kErrorBoxClass) {
      GetDlgItemTextA(window, IDC_ERRORDLG_MESSAGE, text, sizeof text);
    } else if (std::string(cls) == "#32770" && GetDlgItem(window, 0xFFFF) != nullptr &&
               GetDlgItem(window, 1152) == nullptr && GetDlgItem(window, 1148) == nullptr) {
      GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    } else {
      return TRUE;
    }
    seen.push_back(std::string(caption) + ": " + text);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), Answer, 0); }
  static void Watch() {
    seen.clear();
    timer = SetTimer(nullptr, 0, 20, Tick);
  }
  static void Stop() { KillTimer(nullptr, timer); }
};

class HostileInputs : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    folder_ = testing::MakeUniqueTempFolder("lumora-hostile-");
  }
  void TearDown() override {
    Messages::Stop();
    testing::EndProgramIfRunning(app_);
    DeleteFileA(ini_.c_str());
    for (const std::string& f : LayoutFiles()) DeleteFileA(f.c_str());
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  static std::vector<std::string> LayoutFiles() { return testing::ToolbarLayoutFilesOfThisProgram(); }
  void Start() {
    ASSERT_TRUE(app_.InitInstance());
    SetForegroundWindow(app_.MainFrame()->Handle());
    testing::Settle(app_);
  }
  CLumo40Doc* OpenPicture() {
    const std::string path = (folder_ / "grey.bmp").string();
    WriteBmp(path, 64, 48);
    auto* doc = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(path));
    if (doc != nullptr) testing::Settle(app_, doc);
    return doc;
  }
  void Command(std::uint32_t id) {
    SendMessageA(app_.MainFrame()->Handle(), WM_COMMAND, id, 0);
    RunUntil(app_, [] { return false; }, 300);
  }
  CMainFrame& Frame() { return *static_cast<CMainFrame*>(app_.MainFrame()); }

  CLumo40App app_;
  std::string ini_;
  fs::path folder_;
};

// Edit/Paste of run-length DIBs another program put on the clipboard, each
// claiming a huge picture its data cannot fill: one message each, naming
// the clipboard's DIB and why, and the document keeps its one layer.
TEST_F(HostileInputs, PastingDibsThatClaimHugePicturesShowsAMessageAndAddsNoLayer) {
  Start();
  CLumo40Doc* doc = OpenPicture();
  ASSERT_NE(doc, nullptr);
  Bytes sparse;
  for (int i = 0; i < 32; ++i) sparse.insert(sparse.end(), {255, 7});
  sparse.insert(sparse.end(), {0, 0, 0, 2, 0, 255});
  for (int i = 0; i < 29; ++i) sparse.insert(sparse.end(), {255, 9});
  sparse.insert(sparse.end(), {0, 1});
  const Bytes blocks[] = {RleDib(30000, 30000, 8, 256, {0, 1}), RleDib(30000, 30000, 4, 16, {0, 1}),
                          RleDib(11520, 20765, 8, 10, sparse)};
  for (const Bytes& block : blocks) {
    SCOPED_TRACE(block.size());
    ASSERT_TRUE(PutOnClipboard(CF_DIB, block));
    Messages::Watch();
    Command(ID_EDIT_PASTE);
    RunUntil(app_, [] { return !Messages::seen.empty(); }, 5000);
    Messages::Stop();
    EXPECT_EQ(Messages::seen, (std::vector<std::string>{
                                  "Lumora 4.0 Error: The data block is damaged.\nThe DIB Bitmap on the clipboard (" +
                                  std::to_string(block.size()) +
                                  " bytes) cannot be pasted: its run-length data codes too little of the image it "
                                  "claims."}));
    EXPECT_EQ(doc->Image().GetLayers()->GetLayerCount(), 1);
  }
}

// Selection/Paste as New Image of a 22-byte selection block claiming
// 65535 x 65535: a message, and no new document.
TEST_F(HostileInputs, ASelectionBlockBeyondTheLimitsMakesNoImageAndSaysWhy) {
  Start();
  CLumo40Doc* doc = OpenPicture();
  ASSERT_NE(doc, nullptr);
  LURECT rect{1, 1, 4, 4};
  Fragment* small = CreateRectFrg(&rect, 0);
  Bytes block = WriteMaskBlock(100, 100, small);
  DeleteFragment(small);
  ASSERT_EQ(block.size(), 22u);
  block[0] = block[1] = block[2] = block[3] = 0xFF;
  ASSERT_TRUE(PutOnClipboard(RegisterClipboardFormatA("Lumo40 W32 Mask"), block));
  Messages::Watch();
  Command(ID_SELECTION_PASTE_AS_NEW_IMAGE);
  RunUntil(app_, [] { return !Messages::seen.empty(); }, 5000);
  Messages::Stop();
  EXPECT_EQ(Messages::seen, (std::vector<std::string>{
                                "Lumora 4.0 Error: The data block is damaged.\nThe selection on the clipboard (22 "
                                "bytes) cannot be pasted: the image it names is not 1 to 30000 pixels a side."}));
  EXPECT_EQ(app_.Docs().AllDocuments().size(), 1u);
}

// A layout whose buttons are 65535 pixels each way, with a matching image
// file: "Can't restore ... state!", and the bar comes back as its default,
// leaving the image area to the images.
TEST_F(HostileInputs, AToolbarLayoutNoBarCanHaveGivesTheDefaultBarWithAMessage) {
  ToolbarStateRecord state;
  state.caption = "Standard Bar";
  state.buttonWidth = state.buttonHeight = 65535;
  state.imageWidth = state.imageHeight = 16;
  ToolbarButtonRecord open;
  open.command = ID_FILE_OPEN;
  state.buttons.push_back(open);
  state.stamp = 77;
  fw::MemFile memory;
  {
    fw::Archive ar(memory, fw::Archive::store);
    WriteToolbarState(ar, state);
    ar.Close();
  }
  const std::vector<std::string> files = LayoutFiles();
  std::ofstream(files[0], std::ios::binary).write(reinterpret_cast<const char*>(memory.Data()), memory.GetLength());
  const Bytes strip = EncodeStripBitmap(ImageStrip{16, 16, std::vector<std::uint32_t>(256, 0xC0C0C0)}, 77);
  std::ofstream(files[1], std::ios::binary).write(reinterpret_cast<const char*>(strip.data()), strip.size());
  Messages::Watch();
  Start();
  Messages::Stop();
  EXPECT_EQ(Messages::seen, (std::vector<std::string>{"Lumora 4.0 Error: Can't restore 'Standard Bar' state!"}));
  HWND bar = Frame().MainBar().Handle();
  EXPECT_EQ(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0), 18);
  RECT barRect{}, client{};
  GetWindowRect(bar, &barRect);
  GetClientRect(app_.MainFrame()->Handle(), &client);
  EXPECT_LT(barRect.bottom - barRect.top, 80);
  EXPECT_LT(barRect.right - barRect.left, client.right + 8);
  EXPECT_EQ(GetFileAttributesA(files[0].c_str()), INVALID_FILE_ATTRIBUTES) << "the damaged layout is removed";
}

// A workspace whose view stands at the limits of 32 bits opens without a
// message, its frame wholly inside the window that holds the images.
TEST_F(HostileInputs, AWorkspaceViewAtTheIntegerLimitsOpensInsideTheImageArea) {
  Start();
  const std::string picture = (folder_ / "grey.bmp").string();
  WriteBmp(picture, 64, 48);
  const std::string workspace = (folder_ / "limits.luw").string();
  std::ofstream(workspace, std::ios::binary)
      << "[images]\r\nimage1=" << picture << "\r\n[image1]\r\nactive_layer=0\r\nviews=1\r\n[image1_view1]\r\n"
      << "activate=yes\r\nmin_x=2147483647\r\nmin_y=-2147483648\r\nmax_x=2147483647\r\nmax_y=2147483647\r\n"
      << "x=2147483647\r\ny=2147483647\r\ncx=2147483647\r\ncy=2147483647\r\nshow=normal\r\nscale=100%\r\n"
      << "scroll_pos=2147483647,-2147483648\r\n";
  Messages::Watch();
  EXPECT_TRUE(app_.OpenWorkspace(workspace, false));
  RunUntil(app_, [] { return false; }, 500);
  Messages::Stop();
  EXPECT_TRUE(Messages::seen.empty()) << Messages::seen.front();
  ASSERT_EQ(app_.Docs().AllDocuments().size(), 1u);
  fw::FrameWnd* child = app_.MainFrameWnd()->GetActiveFrame();
  ASSERT_NE(child, nullptr);
  RECT frame{}, area{};
  GetWindowRect(child->Handle(), &frame);
  GetWindowRect(GetParent(child->Handle()), &area);
  EXPECT_GE(frame.left, area.left);
  EXPECT_GE(frame.top, area.top);
  EXPECT_LE(frame.right, area.right + GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LT(frame.left, area.right) << "the frame starts where the user sees it";
  EXPECT_LT(frame.top, area.bottom);
}

// Macro/Open of a file with a zero byte inside: a message naming the file
// and the place, the window's text and file name as they were; a later
// Save As writes all the window holds.
TEST_F(HostileInputs, AMacroFileWithAZeroByteIsRefusedAndTheWindowKeepsItsText) {
  Start();
  Command(ID_VIEW_MACROS_WINDOW);
  lang::CLangWnd* w = Frame().MacroWindow();
  ASSERT_NE(w, nullptr);
  const std::string text = "SetActiveLayer(0);\r\nDeleteLayer();";
  SetWindowTextA(w->EditControl(), text.c_str());
  SendMessageA(w->EditControl(), EM_SETMODIFY, FALSE, 0);
  const std::string hostile = (folder_ / "zero.cmd").string();
  {
    std::string bytes = "DeleteLayer();";
    bytes.push_back('\0');
    bytes += std::string(65536 - bytes.size() - 1, 'x');
    bytes.push_back('\0');
    std::ofstream(hostile, std::ios::binary) << bytes;
  }
  DialogScript::Run({{"Open", [&](HWND d) {
                        SetWindowTextA(testing::NameBox(d), hostile.c_str());
                        testing::Press(d, IDOK);
                      }}});
  Messages::Watch();
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_OPEN, 0);
  RunUntil(app_, [] { return !Messages::seen.empty(); }, 5000);
  Messages::Stop();
  DialogScript::Stop();
  EXPECT_EQ(Messages::seen, (std::vector<std::string>{"Macros: The macro file " + hostile +
                                                      " is not opened: the file holds a zero byte at byte 15, before "
                                                      "its end."}));
  EXPECT_EQ(w->Text(), text);
  EXPECT_TRUE(w->FileName().empty());
  EXPECT_EQ(fs::file_size(hostile), 65536u) << "the refused file is left as it was";

  const std::string saved = (folder_ / "saved.cmd").string();
  DialogScript::Run({{"Save As", [&](HWND d) {
                        SetWindowTextA(testing::NameBox(d), saved.c_str());
                        testing::Press(d, IDOK);
                      }}});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_SAVE_AS, 0);
  DialogScript::Stop();
  std::ifstream in(saved, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, text + std::string(1, '\0'));
  EXPECT_EQ(w->FileName(), saved);
}

// Macro/Save replaces the file with a whole new one, never writes into it:
// a second name of the old file (a hard link, as a backup tool keeps)
// still holds the old script, as a kill or a full disk during the save
// would leave it.
TEST_F(HostileInputs, AMacroSaveReplacesTheFileAndNeverWritesIntoTheOldOne) {
  Start();
  Command(ID_VIEW_MACROS_WINDOW);
  lang::CLangWnd* w = Frame().MacroWindow();
  ASSERT_NE(w, nullptr);
  const std::string path = (folder_ / "kept.cmd").string();
  const std::string second = (folder_ / "second.cmd").string();
  const std::string before = "DeleteLayer();";
  std::ofstream(path, std::ios::binary) << before << '\0';
  ASSERT_TRUE(CreateHardLinkA(second.c_str(), path.c_str(), nullptr));

  const std::string after = "SetActiveLayer(0);\r\nDeleteLayer();";
  SetWindowTextA(w->EditControl(), after.c_str());
  SendMessageA(w->EditControl(), EM_SETMODIFY, TRUE, 0);
  bool replaceAsked = false;
  DialogScript::Run({{"Save As",
                      [&](HWND d) {
                        SetWindowTextA(testing::NameBox(d), path.c_str());
                        testing::Press(d, IDOK);
                      }},
                     testing::BoxStep("Save As", [&](HWND box) {
                       replaceAsked = true;
                       PostMessageA(box, WM_COMMAND, IDYES, 0);
                     })});
  SendMessageA(w->Handle(), WM_COMMAND, ID_MACRO_SAVE, 0);
  DialogScript::Stop();
  EXPECT_TRUE(replaceAsked);
  const auto read = [](const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  EXPECT_EQ(read(path), after + std::string(1, '\0'));
  EXPECT_EQ(read(second), before + std::string(1, '\0')) << "the old file was written into";
  EXPECT_EQ(w->FileName(), path);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder_)) {
    if (entry.path().filename().string().find("lumora-tmp") != std::string::npos) left.push_back(entry.path().string());
  }
  EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
}  // namespace lumora
