// Other programs' files through the program: ag-psd writes a document,
// the program opens it and saves it again through Save As, ag-psd reads
// what was saved. Names, opacities, visibility, pixels and the merged
// image's transparency come through unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/CommandIds.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::CloseProgram;
using testing::DialogScript;
using testing::NameBox;
using testing::Press;
using testing::RunHostShell;
using testing::SettingsFileOfThisProgram;
using testing::Settle;
using testing::UnixPath;

using Bytes = std::vector<std::uint8_t>;

// A temporary folder for the files of one test, and ag-psd run on them.
class HostFiles {
 public:
  HostFiles() : folder_(testing::MakeUniqueTempFolder("lumora-files-")) {}
  ~HostFiles() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  HostFiles(const HostFiles&) = delete;
  HostFiles& operator=(const HostFiles&) = delete;

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string Unix(const std::string& name) const { return UnixPath(Path(name)); }
  // agpsd_tool.js with a command and files of this folder.
  bool AgPsd(const std::string& command, const std::vector<std::string>& names) const {
    std::string line = "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL "' " + command;
    for (const std::string& n : names) line += " '" + Unix(n) + "'";
    return RunHostShell(folder_.string(), line + " >'" + Unix("tool.log") + "' 2>&1") == 0;
  }

 private:
  fs::path folder_;
};

// One layer as ag-psd reads it.
struct DumpLayer {
  int left = 0, top = 0, right = 0, bottom = 0, opacity = 0, hidden = 0;
  std::string blend, name;  // name in UTF-8
};

struct Dump {
  int channels = 0;
  std::vector<DumpLayer> layers;
};

std::string FromHex(const std::string& hex) {
  std::string out;
  if (hex == "-") return out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

Dump ReadDump(const std::string& path) {
  Dump dump;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string kind;
    s >> kind;
    if (kind == "channels") s >> dump.channels;
    if (kind != "layer") continue;
    DumpLayer d;
    int index = 0, clipping = 0;
    std::string hex;
    s >> index >> d.left >> d.top >> d.right >> d.bottom >> d.opacity >> d.blend >> d.hidden >> clipping >> hex;
    d.name = FromHex(hex);
    dump.layers.push_back(d);
  }
  return dump;
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The program with one document opened from a file of `files`.
class ProgramWithDocument : public ::testing::Test {
 protected:
  void SetUp() override { DeleteFileA(SettingsFileOfThisProgram().c_str()); }
  void TearDown() override {
    testing::EndProgramIfRunning(app_);
    DeleteFileA(SettingsFileOfThisProgram().c_str());
  }

  CLumo40Doc* Open(const std::string& name) {
    fw::Document* opened = app_.OpenDocumentFile(files_.Path(name));
    auto* doc = dynamic_cast<CLumo40Doc*>(opened);
    if (doc != nullptr) Settle(app_, doc);
    return doc;
  }

  // File/Save As to a ".PSD" name through the save dialog.
  void SaveAsPsd(const std::string& name) {
    const std::string target = files_.Path(name);
    DialogScript::Run({{"Save As", [target](HWND d) {
                          SetWindowTextA(NameBox(d), target.c_str());
                          testing::ChooseType(d, 1);  // the Photoshop type
                          Press(d, IDOK);
                        }}});
    SendMessageA(app_.MainFrame()->Handle(), WM_COMMAND, fw::kIdFileSaveAs, 0);
    DialogScript::Stop();
    EXPECT_EQ(DialogScript::done, 1);
    ASSERT_TRUE(fs::exists(target));
  }

  // What ag-psd reads of a file of the folder.
  Dump AgPsdDump(const std::string& name, const std::string& prefix) {
    EXPECT_TRUE(files_.AgPsd("dump", {name, prefix})) << FileBytes(files_.Path("tool.log")).size();
    return ReadDump(files_.Path(prefix + ".txt"));
  }

  HostFiles files_;
  CLumo40App app_;
};

std::vector<std::string> LayerNames(CLumo40Doc* doc) {
  std::vector<std::string> names;
  CLayersManager* stack = doc->Image().GetLayers();
  for (int i = 0; i < stack->GetLayerCount(); ++i) names.push_back(stack->GetLayer(i)->GetName());
  return names;
}

const std::string kUnicodeName = "\xE6\x97\xA5\xE6\x9C\xAC \xE2\x9C\x93";  // U+65E5 U+672C, a blank, U+2713

// The document ag-psd writes with "make-mixed": names, opacities and
// visibility of its five layers, bottom first.
struct Expected {
  std::string name;
  int opacity;
  int hidden;
};
const Expected kMixed[] = {{"Background", 255, 0},
                           {kUnicodeName, 254, 0},
                           {"Twin", 2, 0},
                           {"Twin 1", 127, 0},
                           {"Hidden", 255, 1}};

TEST_F(ProgramWithDocument, OpenedNamesStayAndOnlyADuplicateIsNumbered) {
  ASSERT_TRUE(files_.AgPsd("make-mixed", {"mixed.psd"}));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* doc = Open("mixed.psd");
  ASSERT_NE(doc, nullptr);
  std::vector<std::string> want;
  for (const Expected& e : kMixed) want.push_back(e.name);
  EXPECT_EQ(LayerNames(doc), want);
  // The title names the active layer as it is called.
  char title[256] = {};
  GetWindowTextA(app_.MainFrameWnd()->GetActiveFrame()->Handle(), title, sizeof title);
  const std::string active = "[" + doc->Image().GetActiveLayer()->GetName() + "]";
  EXPECT_NE(std::string(title).find(active), std::string::npos) << title;
  EXPECT_EQ(std::string(title).find(" 1]"), std::string::npos) << title;
  CloseProgram(app_);
}

// The window title as the system shows it, and the Window menu's entry of
// the window, in UTF-16.
std::wstring FrameTitle(HWND frame) {
  wchar_t text[512] = {};
  InternalGetWindowText(frame, text, 512);
  return text;
}

std::wstring WindowMenuEntryOf(HWND mainFrame, HWND child) {
  HMENU bar = GetMenu(mainFrame);
  const int count = bar != nullptr ? GetMenuItemCount(bar) : 0;
  const UINT id = static_cast<UINT>(GetWindowLongPtrA(child, GWLP_ID));
  for (int i = 0; i < count; ++i) {
    HMENU popup = GetSubMenu(bar, i);
    wchar_t text[512] = {};
    if (popup != nullptr && GetMenuStringW(popup, id, text, 512, MF_BYCOMMAND) > 0) return text;
  }
  return std::wstring();
}

std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size() + 1, L'\0');
  out.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), static_cast<int>(out.size())) - 1));
  return out;
}

TEST_F(ProgramWithDocument, UnicodeLayerNamesComeThroughAndShowInTheTitle) {
  ASSERT_TRUE(files_.AgPsd("make-mixed", {"mixed.psd"}));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* doc = Open("mixed.psd");
  ASSERT_NE(doc, nullptr);
  CLayer* unicode = doc->Image().GetLayers()->GetLayer(1);
  EXPECT_EQ(unicode->GetName(), kUnicodeName);
  doc->Image().SetActiveLayer(unicode, false, false);
  Settle(app_, doc);
  HWND child = app_.MainFrameWnd()->GetActiveFrame()->Handle();
  const std::wstring shown = L"[" + Wide(kUnicodeName) + L"]";
  EXPECT_NE(FrameTitle(child).find(shown), std::wstring::npos);
  EXPECT_NE(WindowMenuEntryOf(app_.MainFrame()->Handle(), child).find(shown), std::wstring::npos);

  SaveAsPsd("saved.psd");
  const Dump saved = AgPsdDump("saved.psd", "saved");
  ASSERT_EQ(saved.layers.size(), 5u);
  EXPECT_EQ(saved.layers[1].name, kUnicodeName);
  CloseProgram(app_);
}

// The Photoshop file ag-psd wrote, opened and saved as ".PSD": ag-psd reads
// the same layers (only the duplicate name numbered), opacities within one
// step, visibility, every pixel, and the merged image's transparency.
TEST_F(ProgramWithDocument, AgPsdDocumentComesBackFromOpenAndSaveAs) {
  ASSERT_TRUE(files_.AgPsd("make-mixed", {"mixed.psd"}));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* doc = Open("mixed.psd");
  ASSERT_NE(doc, nullptr);
  SaveAsPsd("saved.psd");
  const Dump source = AgPsdDump("mixed.psd", "source");
  const Dump saved = AgPsdDump("saved.psd", "saved");
  ASSERT_EQ(saved.layers.size(), std::size(kMixed));
  ASSERT_EQ(source.layers.size(), std::size(kMixed));
  for (std::size_t i = 0; i < std::size(kMixed); ++i) {
    SCOPED_TRACE(kMixed[i].name);
    const DumpLayer& s = saved.layers[i];
    EXPECT_EQ(s.name, kMixed[i].name);
    EXPECT_LE(std::abs(s.opacity - kMixed[i].opacity), 1);
    EXPECT_EQ(s.hidden, kMixed[i].hidden);
    EXPECT_EQ(s.blend, source.layers[i].blend);
    EXPECT_EQ(std::vector<int>({s.left, s.top, s.right, s.bottom}),
              std::vector<int>({source.layers[i].left, source.layers[i].top, source.layers[i].right,
                                source.layers[i].bottom}));
    const std::string n = std::to_string(i);
    EXPECT_TRUE(FileBytes(files_.Path("saved." + n + ".rgba")) == FileBytes(files_.Path("source." + n + ".rgba")));
  }
  // The merged image keeps its transparency: the document's coverage, and
  // the colours where it is whole.
  EXPECT_EQ(saved.channels, 4);
  const Bytes merged = FileBytes(files_.Path("saved.composite.rgba"));
  CLayersManager* stack = doc->Image().GetLayers();
  const int w = stack->GetWidth(), h = stack->GetHeight();
  ASSERT_EQ(merged.size(), static_cast<std::size_t>(w) * h * 4);
  const WAPtr coverage = stack->GetCompositeMask();
  const WAPtr onWhite = stack->CreateMergedImage(1, 255, 255, 255);
  ASSERT_TRUE(coverage);
  int partial = 0, mismatches = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = merged.data() + (static_cast<std::size_t>(y) * w + x) * 4;
      const std::uint8_t alpha = coverage->Row(h - 1 - y)[x];
      const std::uint8_t* q = onWhite->Row(h - 1 - y) + 3 * x;
      if (alpha < 255) ++partial;
      const bool colourDiffers = alpha == 255 && (p[0] != q[2] || p[1] != q[1] || p[2] != q[0]);
      if ((p[3] != alpha || colourDiffers) && ++mismatches < 5) {
        ADD_FAILURE() << "merged pixel " << x << "," << y << " alpha " << int(p[3]) << " for " << int(alpha);
      }
    }
  }
  EXPECT_GT(partial, 0);
  EXPECT_EQ(mismatches, 0);
  CloseProgram(app_);
}

// Every opacity byte through open and Save As: 256 layers, layer i of
// opacity i. The worst difference is printed (it may be at most 1).
TEST_F(ProgramWithDocument, EveryOpacityByteComesBackFromOpenAndSaveAs) {
  ASSERT_TRUE(files_.AgPsd("make-opacities", {"opacities.psd"}));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* doc = Open("opacities.psd");
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->Image().GetLayers()->GetLayerCount(), 256);
  SaveAsPsd("saved.psd");
  const Dump saved = AgPsdDump("saved.psd", "saved");
  ASSERT_EQ(saved.layers.size(), 256u);
  int worst = 0, worstAt = 0;
  for (int i = 0; i < 256; ++i) {
    const int error = std::abs(saved.layers[static_cast<std::size_t>(i)].opacity - i);
    if (error > worst) worst = error, worstAt = i;
    if (i > 0) EXPECT_GT(saved.layers[static_cast<std::size_t>(i)].opacity, 0) << "opacity " << i;
  }
  std::cout << "worst opacity round-trip error: " << worst << " (at " << worstAt << ")\n";
  RecordProperty("worst_opacity_error", worst);
  EXPECT_LE(worst, 1);
  CloseProgram(app_);
}

// Closing after a save that kept only the merged image: the close asks to
// save (Yes: the JPEG is written, after the flattening warning) and then
// asks once more for the layers. Cancel there keeps the document with
// every layer, whichever road closed it; Yes saves them in a layered file.
TEST_F(ProgramWithDocument, ClosingAfterAFlatSaveAsksForTheLayers) {
  ASSERT_TRUE(files_.AgPsd("make-mixed", {"mixed.psd"}));
  ASSERT_TRUE(app_.InitInstance());
  CLumo40Doc* doc = Open("mixed.psd");
  ASSERT_NE(doc, nullptr);
  const int layers = doc->Image().GetLayers()->GetLayerCount();
  ASSERT_EQ(layers, static_cast<int>(std::size(kMixed)));
  const std::string jpeg = files_.Path("saved.jpg");
  const std::string warning(res::String(IDS_WARNING_CAPTION));
  const auto press = [](int id) { return [id](HWND box) { Press(box, id); }; };
  std::vector<std::string> asked;
  const auto answer = [&asked](int id) {
    return [&asked, id](HWND box) {
      asked.push_back(testing::MessageBoxText(box));
      Press(box, id);
    };
  };
  // Save As saved.jpg: the flattening warning, and the document stays
  // marked.
  DialogScript::Run({{"Save As", [jpeg](HWND d) {
                        SetWindowTextA(NameBox(d), jpeg.c_str());
                        Press(d, IDOK);
                      }},
                     testing::BoxStep(warning, press(IDOK))});
  SendMessageA(app_.MainFrame()->Handle(), WM_COMMAND, fw::kIdFileSaveAs, 0);
  DialogScript::Stop();
  ASSERT_EQ(DialogScript::done, 2);
  ASSERT_TRUE(fs::exists(jpeg));

  HWND frame = app_.MainFrame()->Handle();
  HWND child = app_.MainFrameWnd()->GetActiveFrame()->Handle();
  struct Road {
    const char* name;
    std::function<void()> close;
  } roads[] = {
      {"Ctrl+F4", [&] { SendMessageA(child, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"File/Exit", [&] { SendMessageA(frame, WM_COMMAND, fw::kIdAppExit, 0); }},
      {"Window/Close All Images", [&] { SendMessageA(frame, WM_COMMAND, ID_WINDOW_CLOSE_ALL_IMAGES, 0); }},
      {"logoff", [&] { EXPECT_EQ(SendMessageA(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE); }},
  };
  for (const Road& road : roads) {
    SCOPED_TRACE(road.name);
    asked.clear();
    DialogScript::Run({testing::BoxStep(app_.AppName(), answer(IDYES)), testing::BoxStep(warning, press(IDOK)),
                       testing::BoxStep(warning, answer(IDCANCEL))});
    road.close();
    // File/Exit closes through a posted message: the boxes come in the loop.
    testing::RunUntil(app_, [] { return DialogScript::done == 3; }, 30000);
    DialogScript::Stop();
    EXPECT_EQ(DialogScript::done, 3);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].find("saved.jpg"), std::string::npos) << asked[0];
    EXPECT_NE(asked[1].find("'saved.jpg' holds only the merged image"), std::string::npos) << asked[1];
    ASSERT_TRUE(IsWindow(frame));
    ASSERT_TRUE(IsWindowVisible(child)) << "the document's window is still there";
    ASSERT_EQ(app_.Docs().AllDocuments().size(), 1u);
    EXPECT_EQ(doc->Image().GetLayers()->GetLayerCount(), layers);
  }

  // Yes: the save dialog proposes the layered file beside the JPEG; saved
  // as a Photoshop file, the window closes and ag-psd reads every layer.
  std::string proposed;
  const std::string psd = files_.Path("saved.psd");
  DialogScript::Run({testing::BoxStep(app_.AppName(), press(IDYES)), testing::BoxStep(warning, press(IDOK)),
                     testing::BoxStep(warning, press(IDYES)), {"Save As", [&](HWND d) {
                                                                  proposed = testing::NameBoxText(d);
                                                                  SetWindowTextA(NameBox(d), psd.c_str());
                                                                  testing::ChooseType(d, 1);
                                                                  Press(d, IDOK);
                                                                }}});
  SendMessageA(child, WM_SYSCOMMAND, SC_CLOSE, 0);
  DialogScript::Stop();
  EXPECT_EQ(DialogScript::done, 4);
  EXPECT_NE(proposed.find("saved.LUD"), std::string::npos) << proposed;
  EXPECT_TRUE(app_.Docs().AllDocuments().empty());
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(AgPsdDump("saved.psd", "closed").layers.size(), std::size(kMixed));
  EXPECT_EQ(RunHostShell(files_.Path(""), "identify -format '%m' '" + files_.Unix("saved.jpg") + "' >'" +
                                             files_.Unix("kind.txt") + "'"),
            0);
  EXPECT_EQ(FileBytes(files_.Path("kind.txt")), (Bytes{'J', 'P', 'E', 'G'}));
  CloseProgram(app_);
}

}  // namespace
}  // namespace lumora
