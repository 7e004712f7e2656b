// The clipboard in the program's own start-up, against the X side of the
// clipboard: xclip reads what a copy offers (Wine hands CF_DIB to X
// programs as image/bmp) and offers images the program pastes;
// ImageMagick decodes and encodes the BMP files on both ends. Commands go
// through the menu bar's items as a click sends them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "app/ErrorBox.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/ClassIds.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "hostapi/fragment.h"
#include "libs/imgxfer/ui.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "res/toolhost_ids.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"

namespace lumora {
namespace {

using lumora::testing::DialogScript;
using lumora::testing::Press;
using lumora::testing::SettingsFileOfThisProgram;

std::string MadeFile(const char* name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

// The clipboard's waits give up after 30 s, half the rig's default.
bool RunUntilWithin30s(CLumo40App& app, const std::function<bool()>& done, DWORD timeoutMs = 30000) {
  return testing::RunUntil(app, done, timeoutMs);
}

void SettleWithin30s(CLumo40App& app, CLumo40Doc* doc) {
  ASSERT_TRUE(RunUntilWithin30s(app, [&] {
    CMapRect& q = doc->Image().Queue();
    MSG msg;
    return q.IsIdle() && q.RenderList().empty() && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  }));
}

// A folder of this test under /tmp, seen from both sides. Wine's process
// ids repeat from run to run: the name takes a random tag and is remade
// until the folder is new, so a file an earlier run left (a saved
// selection the chooser would offer to replace) is never met.
struct SharedFolder {
  std::string unix;
  std::string windows;
  SharedFolder() {
    std::random_device random;
    for (;;) {
      const std::string name = "lumora-clipboard-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string((std::uint64_t{random()} << 32) ^ random());
      unix = "/tmp/" + name;
      windows = "Z:\\tmp\\" + name;
      if (CreateDirectoryA(windows.c_str(), nullptr)) break;
    }
  }
  ~SharedFolder() {
    // The open dialog may have made the folder the current one, which
    // cannot be removed.
    SetCurrentDirectoryA("Z:\\tmp");
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(windows), ignored);
  }
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Clipboard : public ::testing::Test {
 public:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    ASSERT_TRUE(app_.InitInstance());
    // Every error box is read and closed, so a failure cannot hold the
    // test in its modal loop.
    errors.clear();
    errorTimer_ = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
      HWND box = FindWindowA(kErrorBoxClass, nullptr);
      if (box == nullptr || !IsWindowVisible(box) || GetPropA(box, "seen") != nullptr) return;
      SetPropA(box, "seen", box);
      char text[512] = {};
      GetDlgItemTextA(box, IDC_ERRORDLG_MESSAGE, text, sizeof text);
      errors.push_back(text);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
  }
  void TearDown() override {
    KillTimer(nullptr, errorTimer_);
    DialogScript::Stop();
    for (fw::Document* doc : app_.Docs().AllDocuments()) {
      doc->SetModifiedFlag(false);
      if (auto* image = dynamic_cast<CLumo40Doc*>(doc)) image->Image().SetModifiedFlag(false);
    }
    HWND frame = app_.MainFrame()->Handle();
    SendMessageA(frame, WM_CLOSE, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    app_.ExitInstance();
    DeleteFileA(ini_.c_str());
  }

  CLumo40Doc* Open(const char* name = "three.psd") {
    auto* doc = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(MadeFile(name)));
    if (doc != nullptr) SettleWithin30s(app_, doc);
    return doc;
  }
  HWND Frame() { return app_.MainFrame()->Handle(); }

  // A shell command line on the machine Wine runs on, the program's
  // messages served meanwhile (the clipboard renders on request); its exit
  // status, -1 when it did not end.
  int Shell(const std::string& command) {
    const std::string status = folder_.windows + "\\status";
    DeleteFileA(status.c_str());
    // The script first closes every descriptor the program's process
    // handed down (its display and server connections among them).
    {
      std::ofstream script(folder_.windows + "\\run.sh", std::ios::binary);
      script << "for fd in $(ls /proc/$$/fd); do [ \"$fd\" -gt 2 ] && eval \"exec $fd>&-\"; done\n"
             << "exec </dev/null\n(" << command << ")\necho $? > " << folder_.unix << "/status\n";
    }
    std::string line = "/bin/bash " + folder_.unix + "/run.sh";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!RunUntilWithin30s(app_, [&] { return GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES; })) return -1;
    std::vector<std::uint8_t> text;
    RunUntilWithin30s(app_, [&] {
      text = ReadAll(status);
      return !text.empty() && text.back() == '\n';
    }, 5000);
    return text.empty() ? -1 : std::atoi(std::string(text.begin(), text.end()).c_str());
  }

  // Whether the item of the menu bar is enabled, as opening its popup
  // finds it.
  bool Enabled(std::uint32_t id) {
    HMENU bar = GetMenu(Frame());
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
      HMENU popup = GetSubMenu(bar, i);
      if (popup == nullptr) continue;
      for (int k = 0; k < GetMenuItemCount(popup); ++k) {
        if (GetMenuItemID(popup, k) != id) continue;
        SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
        return (GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) == 0;
      }
    }
    return false;
  }
  void Command(std::uint32_t id) {
    SendMessageA(Frame(), WM_COMMAND, id, 0);
    RunUntilWithin30s(app_, [] { return true; });
  }

  // Rows of a raw top-down RGB file against the buffer (bottom-up BGR).
  static int Mismatches(const std::vector<std::uint8_t>& rgb, const VrWA2000::WA& image) {
    const int w = image.GetW(), h = image.GetH();
    if (rgb.size() != static_cast<std::size_t>(w) * h * 3) return -1;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* row = image.Row(h - 1 - y);
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
        if (p[0] != row[3 * x + 2] || p[1] != row[3 * x + 1] || p[2] != row[3 * x]) ++wrong;
      }
    }
    return wrong;
  }

  // Offers the file on the X clipboard as `type` and waits until the
  // program's clipboard has changed and the data read as `format` there:
  // Wine fetches X data when it is first asked for, which under load can
  // take longer than a paste waits, so the first read is made here.
  void OfferFromX(const std::string& file, const std::string& type, UINT format) {
    const DWORD before = GetClipboardSequenceNumber();
    ASSERT_EQ(Shell("setsid xclip -quiet -selection clipboard -t " + type + " -i " + file + " >" + folder_.unix +
                    "/xclip.log 2>&1 &"),
              0);
    ASSERT_TRUE(RunUntilWithin30s(app_, [&] { return GetClipboardSequenceNumber() != before; }));
    ASSERT_TRUE(RunUntilWithin30s(app_, [&] {
      if (!OpenClipboard(nullptr)) return false;
      const bool read = GetClipboardData(format) != nullptr;
      CloseClipboard();
      return read;
    })) << "the X side's " << type << " never read as format " << format;
  }

  static inline std::vector<std::string> errors;
  CLumo40App app_;
  std::string ini_;
  SharedFolder folder_;
  UINT_PTR errorTimer_ = 0;
};

TEST_F(Clipboard, CopyOfALayeredFileReachesXAsTheBmpOfItsMergedImage) {
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(Enabled(ID_EDIT_COPY));
  Command(ID_EDIT_COPY);
  ASSERT_EQ(Shell("xclip -selection clipboard -t TARGETS -o > " + folder_.unix + "/targets"), 0);
  const std::vector<std::uint8_t> targets = ReadAll(folder_.windows + "\\targets");
  EXPECT_NE(std::string(targets.begin(), targets.end()).find("image/bmp"), std::string::npos);
  ASSERT_EQ(Shell("xclip -selection clipboard -t image/bmp -o > " + folder_.unix + "/copy.bmp && convert " +
                  folder_.unix + "/copy.bmp -depth 8 rgb:" + folder_.unix + "/copy.rgb"),
            0);
  WAPtr merged = doc->Image().GetLayers()->CreateMergedImage(1, 255, 255, 255);
  ASSERT_TRUE(merged);
  EXPECT_EQ(Mismatches(ReadAll(folder_.windows + "\\copy.rgb"), *merged), 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(Clipboard, AnXImagePastesAsACentredLayerAndAsANewImage) {
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  const std::string bmp = folder_.unix + "/x.bmp";
  ASSERT_EQ(Shell("convert -size 300x200 gradient:red-blue -fill '#20c040' -draw 'rectangle 10,20 60,90' -type "
                  "TrueColor bmp3:" + bmp + " && convert " + bmp + " -depth 8 rgb:" + folder_.unix + "/x.rgb"),
            0);
  const std::vector<std::uint8_t> expected = ReadAll(folder_.windows + "\\x.rgb");
  OfferFromX(bmp, "image/bmp", CF_DIB);
  ASSERT_TRUE(Enabled(ID_EDIT_PASTE));
  ImageDocument& image = doc->Image();
  const int layers = image.GetLayers()->GetLayerCount();
  CLayer* below = image.GetActiveLayer();
  const int steps = image.History().UndoCount();
  Command(ID_EDIT_PASTE);
  SettleWithin30s(app_, doc);
  ASSERT_EQ(image.GetLayers()->GetLayerCount(), layers + 1);
  CLayer* pasted = image.GetActiveLayer();
  EXPECT_EQ(image.GetLayers()->GetLayerBelow(pasted), below);
  EXPECT_EQ(pasted->GetName().rfind("Layer ", 0), 0u) << pasted->GetName();
  const RECT r = pasted->GetRect();
  EXPECT_EQ(r.left, (64 - 300) / 2);
  EXPECT_EQ(r.top, (48 - 200) / 2);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
  EXPECT_EQ(Mismatches(expected, *pasted->PeekImage()), 0);
  EXPECT_EQ(image.History().UndoCount(), steps + 1);
  EXPECT_EQ(image.HistoryState().name, std::string(res::String(IDS_STEP_INSERT_LAYER)));

  // Paste as New Image: the dialog's first row is the DIB.
  const std::size_t before = app_.Docs().AllDocuments().size();
  ASSERT_TRUE(Enabled(ID_EDIT_PASTE_AS_NEW_IMAGE));
  DialogScript::Run({{std::string(res::String(IDS_PASTE_AS_NEW_IMAGE)), [](HWND d) { Press(d, IDOK); }}});
  Command(ID_EDIT_PASTE_AS_NEW_IMAGE);
  EXPECT_EQ(DialogScript::done, 1);
  ASSERT_EQ(app_.Docs().AllDocuments().size(), before + 1);
  auto* made = dynamic_cast<CLumo40Doc*>(app_.Docs().AllDocuments().back());
  ASSERT_NE(made, nullptr);
  const CLayersManager& stack = *made->Image().GetLayers();
  EXPECT_EQ(stack.GetWidth(), 300);
  EXPECT_EQ(stack.GetHeight(), 200);
  ASSERT_EQ(stack.GetLayerCount(), 1);
  EXPECT_EQ(Mismatches(expected, *stack.GetLayer(0)->PeekImage()), 0);
}

TEST_F(Clipboard, TextOnTheClipboardGreysThePastesAndAPasteSentAnywayReports16) {
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(Shell("printf 'words' > " + folder_.unix + "/words.txt"), 0);
  OfferFromX(folder_.unix + "/words.txt", "UTF8_STRING", CF_UNICODETEXT);
  RunUntilWithin30s(app_, [] { return IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_UNICODETEXT); }, 5000);
  EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
  EXPECT_FALSE(Enabled(ID_EDIT_PASTE_SPECIAL));
  EXPECT_FALSE(Enabled(ID_EDIT_PASTE_AS_NEW_IMAGE));
  const int layers = doc->Image().GetLayers()->GetLayerCount();
  const int steps = doc->Image().History().UndoCount();
  Command(ID_EDIT_PASTE);
  RunUntilWithin30s(app_, [] { return !errors.empty(); }, 5000);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Not enough memory to build, convert or install the image.");
  EXPECT_EQ(doc->Image().GetLayers()->GetLayerCount(), layers);
  EXPECT_EQ(doc->Image().History().UndoCount(), steps);
  EXPECT_FALSE(doc->Image().IsModified());
}

TEST_F(Clipboard, CutOfASelectionEmptiesItAsOneStepThatUndoBringsBack) {
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  ImageDocument& image = doc->Image();
  image.SetActiveLayerByIndex(0, true, false);
  const RECT area{4, 4, 20, 16};
  LURECT lu;
  RectToLURect(&lu, &area);
  Fragment* f = CreateRectFrg(&lu, 0);
  image.SetSelection(f, false);
  DeleteFragment(f);
  CLayer* ground = image.GetActiveLayer();
  const std::vector<std::uint8_t> mask0(ground->PeekMask()->Row(8), ground->PeekMask()->Row(8) + 64);
  const int steps = image.History().UndoCount();
  ASSERT_TRUE(Enabled(ID_EDIT_CUT));
  Command(ID_EDIT_CUT);
  SettleWithin30s(app_, doc);
  EXPECT_EQ(image.History().UndoCount(), steps + 1);
  EXPECT_EQ(image.HistoryState().name, std::string(res::String(IDS_STEP_CUT)));
  ground = image.GetLayers()->GetLayer(0);
  ASSERT_NE(ground->PeekMask(), nullptr);
  EXPECT_EQ(ground->PeekMask()->Row(8)[10], 0);
  EXPECT_NE(ground->PeekMask()->Row(8)[30], 0);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
  Command(ID_EDIT_UNDO);
  SettleWithin30s(app_, doc);
  ground = image.GetLayers()->GetLayer(0);
  EXPECT_EQ(std::vector<std::uint8_t>(ground->PeekMask()->Row(8), ground->PeekMask()->Row(8) + 64), mask0);
}

TEST_F(Clipboard, ALayeredCopyWithASelectionPastesAsTheSameLayersAndSelectionAfterItsDocumentClosed) {
  CLumo40Doc* source = Open();
  ASSERT_NE(source, nullptr);
  // Select everything: the layers keep their places in the snapshot.
  const RECT all{0, 0, 64, 48};
  LURECT lu;
  RectToLURect(&lu, &all);
  Fragment* f = CreateRectFrg(&lu, 0);
  source->Image().SetSelection(f, false);
  DeleteFragment(f);
  Command(ID_EDIT_COPY);
  std::vector<std::string> names;
  std::vector<RECT> rects;
  const CLayersManager& from = *source->Image().GetLayers();
  for (int i = 0; i < from.GetLayerCount(); ++i) {
    names.push_back(from.GetLayer(i)->GetName());
    rects.push_back(from.GetLayer(i)->GetRect());
  }
  WAPtr mergedBefore = source->Image().GetLayers()->CreateMergedImage(1, 255, 255, 255);
  source->SetModifiedFlag(false);
  source->Image().SetModifiedFlag(false);
  source->OnCloseDocument();
  RunUntilWithin30s(app_, [] { return true; });

  CLumo40Doc* target = Open("modes.psd");
  ASSERT_NE(target, nullptr);
  const int before = target->Image().GetLayers()->GetLayerCount();
  ASSERT_TRUE(Enabled(ID_EDIT_PASTE));
  Command(ID_EDIT_PASTE);
  SettleWithin30s(app_, target);
  const CLayersManager& to = *target->Image().GetLayers();
  ASSERT_EQ(to.GetLayerCount(), before + static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    const CLayer* l = to.GetLayer(before + static_cast<int>(i));
    EXPECT_EQ(l->GetName(), names[i]);
    // Cut to its covered pixels, inside its place in the copied image.
    RECT inside{};
    EXPECT_TRUE(RectIntersect(&inside, l->GetRect(), rects[i]) && RectsEqual(inside, l->GetRect())) << names[i];
  }
  EXPECT_EQ(target->Image().HistoryState().name, std::string(res::String(IDS_STEP_PASTE)));
  ASSERT_NE(target->Image().GetSelection(), nullptr);
  LURECT got{};
  GetFragmentBoundRect(target->Image().GetSelection(), &got);
  RECT bounds;
  LURectToRect(&bounds, &got);
  EXPECT_EQ(bounds.left, 0);
  EXPECT_EQ(bounds.right, 64);

  // As a new image: the same layers and merged pixels.
  DialogScript::Run({{std::string(res::String(IDS_PASTE_AS_NEW_IMAGE)), [](HWND d) { Press(d, IDOK); }}});
  Command(ID_EDIT_PASTE_AS_NEW_IMAGE);
  auto* made = dynamic_cast<CLumo40Doc*>(app_.Docs().AllDocuments().back());
  ASSERT_NE(made, nullptr);
  ASSERT_NE(made, target);
  SettleWithin30s(app_, made);
  ASSERT_EQ(made->Image().GetLayers()->GetLayerCount(), static_cast<int>(names.size()));
  WAPtr mergedAfter = made->Image().GetLayers()->CreateMergedImage(1, 255, 255, 255);
  ASSERT_EQ(mergedAfter->GetW(), mergedBefore->GetW());
  for (int y = 0; y < mergedBefore->GetH(); ++y) {
    EXPECT_EQ(std::memcmp(mergedAfter->Row(y), mergedBefore->Row(y), 64 * 3), 0) << y;
  }
  EXPECT_NE(made->Image().GetSelection(), nullptr);
}

// The formats on the OLE clipboard now, in the order offered.
std::vector<CLIPFORMAT> OfferedFormats() {
  std::vector<CLIPFORMAT> formats;
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data))) return formats;
  IEnumFORMATETC* list = nullptr;
  if (SUCCEEDED(data->EnumFormatEtc(DATADIR_GET, &list))) {
    FORMATETC f;
    while (list->Next(1, &f, nullptr) == S_OK) formats.push_back(f.cfFormat);
    list->Release();
  }
  data->Release();
  return formats;
}

CLSID OurClass() {
  CLSID c{kDocumentClsid.data1, kDocumentClsid.data2, kDocumentClsid.data3, {}};
  std::copy(std::begin(kDocumentClsid.data4), std::end(kDocumentClsid.data4), c.Data4);
  return c;
}

bool Has(const std::vector<CLIPFORMAT>& formats, UINT format) {
  return std::find(formats.begin(), formats.end(), static_cast<CLIPFORMAT>(format)) != formats.end();
}

// A layered copy of a saved file is an embeddable object with its
// descriptor (our class, the extent in HIMETRIC) and a link naming the
// file; a flat copy is a picture only; neither carries the layer format.
TEST_F(Clipboard, ALayeredCopyOffersTheObjectAndALinkAFlatCopyOnlyPictures) {
  const UINT embed = RegisterClipboardFormatA("Embed Source"), link = RegisterClipboardFormatA("Link Source");
  const UINT descriptor = RegisterClipboardFormatA("Object Descriptor");
  const UINT layer = RegisterClipboardFormatA("Lumo40 W32 Layer");
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  Command(ID_EDIT_COPY);
  std::vector<CLIPFORMAT> formats = OfferedFormats();
  ASSERT_GE(formats.size(), 2u);
  EXPECT_EQ(formats[0], embed);
  EXPECT_EQ(formats[1], descriptor);
  EXPECT_TRUE(Has(formats, link));
  EXPECT_TRUE(Has(formats, CF_METAFILEPICT));
  EXPECT_TRUE(Has(formats, CF_DIB));
  EXPECT_FALSE(Has(formats, layer));

  IDataObject* data = nullptr;
  ASSERT_EQ(OleGetClipboard(&data), S_OK);
  FORMATETC asked{static_cast<CLIPFORMAT>(descriptor), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  ASSERT_EQ(data->GetData(&asked, &medium), S_OK);
  {
    const auto* d = static_cast<const OBJECTDESCRIPTOR*>(GlobalLock(medium.hGlobal));
    EXPECT_TRUE(IsEqualCLSID(d->clsid, OurClass()));
    const int dpi = doc->Image().GetLayers()->GetResolution() & 0xFFFF;
    ASSERT_GT(dpi, 0);
    EXPECT_EQ(d->sizel.cx, doc->Image().GetLayers()->GetWidth() * 2540 / dpi);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(d) + d->dwFullUserTypeName)),
              L"Lumora 4 Image");
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  // The link: the file's moniker, then the class.
  asked = FORMATETC{static_cast<CLIPFORMAT>(link), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  ASSERT_EQ(data->GetData(&asked, &medium), S_OK);
  IMoniker* moniker = nullptr;
  ASSERT_EQ(OleLoadFromStream(medium.pstm, IID_IMoniker, reinterpret_cast<void**>(&moniker)), S_OK);
  CLSID linked{};
  EXPECT_EQ(ReadClassStm(medium.pstm, &linked), S_OK);
  EXPECT_TRUE(IsEqualCLSID(linked, OurClass()));
  IBindCtx* bind = nullptr;
  CreateBindCtx(0, &bind);
  LPOLESTR name = nullptr;
  ASSERT_EQ(moniker->GetDisplayName(bind, nullptr, &name), S_OK);
  std::string narrow;
  for (const wchar_t* c = name; *c != 0; ++c) narrow += static_cast<char>(*c);
  std::string path = doc->GetPathName();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  EXPECT_EQ(_stricmp(narrow.c_str(), path.c_str()), 0) << narrow << " for " << path;
  CoTaskMemFree(name);
  bind->Release();
  moniker->Release();
  ReleaseStgMedium(&medium);
  // The storage an OLE creation asks for in its own storage.
  IStorage* storage = nullptr;
  ASSERT_EQ(StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                             &storage),
            S_OK);
  asked = FORMATETC{static_cast<CLIPFORMAT>(embed), nullptr, DVASPECT_CONTENT, -1, TYMED_ISTORAGE};
  medium = STGMEDIUM{};
  medium.tymed = TYMED_ISTORAGE;
  medium.pstg = storage;
  EXPECT_EQ(data->GetDataHere(&asked, &medium), S_OK);
  CLSID stamped{};
  EXPECT_EQ(ReadClassStg(storage, &stamped), S_OK);
  EXPECT_TRUE(IsEqualCLSID(stamped, linked));
  IStream* contents = nullptr;
  EXPECT_EQ(storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &contents), S_OK);
  if (contents != nullptr) contents->Release();
  storage->Release();
  data->Release();

  // A flat image (palette colours): pictures, no object.
  ASSERT_EQ(Shell("convert -size 40x30 xc:red -fill blue -draw 'rectangle 2,2 9,9' -type Palette PNG8:" + folder_.unix + "/flat.png"), 0);
  auto* flat = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile(folder_.windows + "\\flat.png"));
  ASSERT_NE(flat, nullptr);
  ASSERT_FALSE(flat->Image().GetLayers()->IsLayerable());
  Command(ID_EDIT_COPY);
  formats = OfferedFormats();
  EXPECT_FALSE(Has(formats, embed));
  EXPECT_FALSE(Has(formats, descriptor));
  EXPECT_FALSE(Has(formats, link));
  EXPECT_FALSE(Has(formats, layer));
  EXPECT_TRUE(Has(formats, CF_METAFILEPICT));
  EXPECT_TRUE(Has(formats, CF_DIB));
  EXPECT_TRUE(errors.empty());
}

// Chooses the file in the open dialog the command shows.
void ChooseInOpenDialog(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  DialogScript::Run({{"Open", [path](HWND d) {
                        SetWindowTextA(lumora::testing::NameBox(d), path.c_str());
                        Press(d, IDOK);
                      }}});
}

TEST_F(Clipboard, PasteFromFileAndImportEachAreOneStepThatUndoTakesBack) {
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  ImageDocument& image = doc->Image();
  ASSERT_EQ(Shell("convert -size 10x6 xc:'#c08040' bmp3:" + folder_.unix + "/flat.bmp"), 0);
  const int layers = image.GetLayers()->GetLayerCount();
  ASSERT_TRUE(Enabled(ID_EDIT_PASTE_FROM_FILE));
  ChooseInOpenDialog(folder_.windows + "\\flat.bmp");
  Command(ID_EDIT_PASTE_FROM_FILE);
  SettleWithin30s(app_, doc);
  EXPECT_EQ(DialogScript::done, 1);
  ASSERT_EQ(image.GetLayers()->GetLayerCount(), layers + 1);
  const CLayer* pasted = image.GetActiveLayer();
  EXPECT_EQ(pasted->GetRect().left, (64 - 10) / 2);
  EXPECT_EQ(pasted->GetRect().top, (48 - 6) / 2);
  EXPECT_EQ(pasted->PeekImage()->Row(0)[0], 0x40);
  EXPECT_EQ(image.HistoryState().name, std::string(res::String(IDS_STEP_PASTE_FROM_FILE)));

  // A layered file: its layers on top.
  ChooseInOpenDialog(MadeFile("modes.psd"));
  Command(ID_EDIT_PASTE_FROM_FILE);
  SettleWithin30s(app_, doc);
  EXPECT_EQ(image.GetLayers()->GetLayerCount(), layers + 1 + 4);
  Command(ID_EDIT_UNDO);
  Command(ID_EDIT_UNDO);
  SettleWithin30s(app_, doc);
  EXPECT_EQ(image.GetLayers()->GetLayerCount(), layers);

  // Import: the file in place of the image, undone.
  ASSERT_TRUE(Enabled(ID_IMAGE_IMPORT_FROM_FILE));
  ChooseInOpenDialog(folder_.windows + "\\flat.bmp");
  Command(ID_IMAGE_IMPORT_FROM_FILE);
  SettleWithin30s(app_, doc);
  EXPECT_EQ(image.GetLayers()->GetWidth(), 10);
  EXPECT_EQ(image.GetLayers()->GetLayerCount(), 1);
  Command(ID_EDIT_UNDO);
  SettleWithin30s(app_, doc);
  EXPECT_EQ(image.GetLayers()->GetWidth(), 64);
  EXPECT_EQ(image.GetLayers()->GetLayerCount(), layers);

  // A file that cannot be read: error 26 and nothing changed.
  ASSERT_EQ(Shell("printf 'not an image' > " + folder_.unix + "/bad.bmp"), 0);
  const int steps = image.History().UndoCount();
  // The file-format library's own message is read, not shown.
  imgxfer::SetMessageBoxesShown(false);
  imgxfer::ClearLastShownMessage();
  ChooseInOpenDialog(folder_.windows + "\\bad.bmp");
  Command(ID_EDIT_PASTE_FROM_FILE);
  RunUntilWithin30s(app_, [] { return !errors.empty(); }, 5000);
  imgxfer::SetMessageBoxesShown(true);
  EXPECT_FALSE(imgxfer::LastShownMessage().empty());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("bad.bmp"), std::string::npos) << errors[0];
  EXPECT_EQ(image.History().UndoCount(), steps);
  EXPECT_EQ(image.GetLayers()->GetLayerCount(), layers);
}

TEST_F(Clipboard, ASelectionSavedAndLoadedAgainComesBackAndADamagedFileSaysSo) {
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  ImageDocument& image = doc->Image();
  ImageDocManager()->selectionsRoot = folder_.windows;
  EXPECT_FALSE(Enabled(ID_SELECTION_SAVE_AS));
  const RECT area{5, 6, 30, 20};
  LURECT lu;
  RectToLURect(&lu, &area);
  Fragment* f = CreateEllipticFrg(&lu, 0);
  image.SetSelection(f, false);
  DeleteFragment(f);
  ASSERT_TRUE(Enabled(ID_SELECTION_SAVE_AS));
  DialogScript::Run({{"Save Selection", [](HWND d) {
                        SetDlgItemTextA(d, IDC_GADGET_LIST, "oval");
                        Press(d, IDOK);
                      }}});
  Command(ID_SELECTION_SAVE_AS);
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_NE(GetFileAttributesA((folder_.windows + "\\Selections\\oval.frg").c_str()), INVALID_FILE_ATTRIBUTES);
  image.FreeSelection(false);
  DialogScript::Run({{"Load Selection", [](HWND d) {
                        SetDlgItemTextA(d, IDC_GADGET_LIST, "oval");
                        Press(d, IDOK);
                      }}});
  Command(ID_SELECTION_LOAD_FROM);
  ASSERT_NE(image.GetSelection(), nullptr);
  EXPECT_EQ(GetFragmentType(image.GetSelection()), kFrgEllipse);
  LURECT got{};
  GetFragmentBoundRect(image.GetSelection(), &got);
  RECT bounds;
  LURectToRect(&bounds, &got);
  EXPECT_TRUE(RectsEqual(bounds, area));
  EXPECT_TRUE(errors.empty());

  ASSERT_EQ(Shell("printf 'LUFRG' > " + folder_.unix + "/Selections/bad.frg"), 0);
  DialogScript::Run({{"Load Selection", [](HWND d) {
                        SetDlgItemTextA(d, IDC_GADGET_LIST, "bad");
                        Press(d, IDOK);
                      }}});
  Command(ID_SELECTION_LOAD_FROM);
  RunUntilWithin30s(app_, [] { return !errors.empty(); }, 5000);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find(std::string(res::String(kTextErrorBase + 126))), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("\\Selections\\bad.frg is not a selection file or is damaged."), std::string::npos)
      << errors[0];
  EXPECT_EQ(GetFragmentType(image.GetSelection()), kFrgEllipse) << "the selection stays";
  ImageDocManager()->selectionsRoot.clear();
}

// Puts the bytes on the clipboard as the format, as another Windows
// program does.
bool PutOnClipboard(UINT format, const std::vector<std::uint8_t>& bytes) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  const bool put = SetClipboardData(format, block) != nullptr;
  CloseClipboard();
  return put;
}

TEST_F(Clipboard, AV5DibWithAlphaPastesWithTheAlphaAsTheLayersMask) {
  CLumo40Doc* doc = Open();
  ASSERT_NE(doc, nullptr);
  const int w = 4, h = 3;
  std::vector<std::uint8_t> dib(124 + w * h * 4, 0);
  const auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(0, 124);
  put32(4, w);
  put32(8, h);
  dib[12] = 1;
  dib[14] = 32;
  put32(16, 3);  // bit fields
  put32(40, 0x00FF0000);
  put32(44, 0x0000FF00);
  put32(48, 0x000000FF);
  put32(52, 0xFF000000);
  for (int i = 0; i < w * h; ++i) {
    std::uint8_t* p = &dib[124 + 4 * i];
    p[0] = static_cast<std::uint8_t>(10 * i);
    p[1] = 200;
    p[2] = static_cast<std::uint8_t>(255 - 9 * i);
    p[3] = static_cast<std::uint8_t>(20 * i + 5);
  }
  ASSERT_TRUE(PutOnClipboard(CF_DIB, dib));
  ASSERT_TRUE(Enabled(ID_EDIT_PASTE));
  Command(ID_EDIT_PASTE);
  SettleWithin30s(app_, doc);
  EXPECT_TRUE(errors.empty());
  const CLayer* pasted = doc->Image().GetActiveLayer();
  ASSERT_NE(pasted->PeekMask(), nullptr);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int i = y * w + x;
      EXPECT_EQ(pasted->PeekMask()->Row(y)[x], 20 * i + 5) << x << "," << y;
      EXPECT_EQ(pasted->PeekImage()->Row(y)[3 * x], 10 * i) << x << "," << y;
    }
  }
}


// Two programs on one X display, each in a Wine prefix of its own (its own
// Windows clipboard, joined through the X clipboard): the program started
// in a copy of this prefix selects everything of a layered file, copies it
// and exits; this one pastes the same layers (names, places, pixels) and
// selection, then the selection alone, then the copy as a new image.
TEST_F(Clipboard, ALayeredCopyFromAProgramInAnotherPrefixPastesAfterThatProgramExited) {
  struct Layer {
    std::string name;
    RECT rect;
    WAPtr image;
  };
  std::vector<Layer> copied;
  WAPtr mergedBefore;
  {
    CLumo40Doc* source = Open();
    ASSERT_NE(source, nullptr);
    CLayersManager& from = *source->Image().GetLayers();
    for (int i = 0; i < from.GetLayerCount(); ++i) {
      const CLayer* l = from.GetLayer(i);
      if (l->IsVisible() != 0) copied.push_back({l->GetName(), l->GetRect(), WAPtr::Share(l->PeekImage())});
    }
    mergedBefore = from.CreateMergedImage(1, 255, 255, 255);
    source->SetModifiedFlag(false);
    source->Image().SetModifiedFlag(false);
    source->OnCloseDocument();
    RunUntilWithin30s(app_, [] { return true; });
  }
  ASSERT_FALSE(copied.empty());

  // The other prefix: a copy of this one, the program and its language
  // file copied beside it so its settings stay in the test's folder; a
  // program that stays keeps that prefix's Wine (and its clipboard owner)
  // running after the copier exits, as a desktop does.
  const std::string peer = folder_.unix + "/peer";
  const std::string trace = folder_.unix + "/trace";
  struct PeerGuard {
    Clipboard* test;
    std::string prefix;
    ~PeerGuard() { test->Shell("WINEPREFIX=" + prefix + " wineserver -k; rm -rf " + prefix); }
  } guard{this, peer + "/prefix"};
  const std::string program = std::string(LUMORA_PROGRAM_PATH).substr(2);
  const std::string bin = program.substr(0, program.rfind('/'));
  std::string file = MadeFile("three.psd");
  // The copy of the prefix can take longer than a shell command waits.
  ASSERT_EQ(Shell("[ -n \"$WINEPREFIX\" ] && mkdir -p " + peer + " && (cp -a \"$WINEPREFIX\" " + peer +
                  "/prefix && cp -r " + program + " " + bin + "/LANG.ini " + bin + "/Frame " + peer + " && touch " +
                  peer + "/ready; WINEPREFIX=" + peer + "/prefix setsid wine " + bin +
                  "/wine_keepalive.exe </dev/null >/dev/null 2>&1) >/dev/null 2>&1 &"),
            0);
  ASSERT_TRUE(RunUntilWithin30s(app_, [&] { return GetFileAttributesA(("Z:" + peer + "/ready").c_str()) != INVALID_FILE_ATTRIBUTES; },
                                180000))
      << "the prefix was not copied";
  const auto marked = [&](const char* mark) {
    const std::vector<std::uint8_t> bytes = ReadAll("Z:" + trace);
    return std::string(bytes.begin(), bytes.end()).find(mark) != std::string::npos;
  };
  // Its menu commands go through peer_command in its prefix.
  const std::string command = "WINEPREFIX=" + peer + "/prefix wine " + std::string(LUMORA_PEER_COMMAND).substr(2) + " ";
  const UINT embed = RegisterClipboardFormatA("Embed Source");
  // One round: the program started on the file, select all, copy, close;
  // then this prefix's clipboard read until the object arrives. Wine's X
  // clipboard can lose that: when the copier flushes its copy at exit, the
  // other prefix's clipboard owner is busy rendering while this prefix asks
  // the X side what is offered; the question times out and this prefix's
  // clipboard stays empty until the X side changes again. A new round is
  // such a change.
  const auto round = [&]() -> bool {
    const DWORD before = GetClipboardSequenceNumber();
    DeleteFileA(("Z:" + trace).c_str());
    if (Shell("export WINEPREFIX=" + peer + "/prefix; LUMORA_TRACE='Z:" + trace + "' setsid wine " + peer +
              "/Lumo40.exe '" + file + "' </dev/null >" + peer + "/log 2>&1 & echo $! > " + peer + "/pid") != 0) {
      return false;
    }
    if (!RunUntilWithin30s(app_, [&] { return marked("view wholly painted"); }, 120000)) return false;
    if (Shell(command + std::to_string(ID_SELECTION_ALL) + " " + std::to_string(ID_EDIT_COPY)) != 0) return false;
    if (!RunUntilWithin30s(app_, [&] { return marked("clipboard set"); })) return false;
    if (Shell(command + "close; for i in $(seq 100); do kill -0 $(cat " + peer +
              "/pid) 2>/dev/null || exit 0; sleep 0.2; done; exit 1") != 0) {
      return false;
    }
    return RunUntilWithin30s(app_, [&] {
      if (GetClipboardSequenceNumber() == before || !OpenClipboard(nullptr)) return false;
      const bool read = GetClipboardData(embed) != nullptr;
      CloseClipboard();
      return read;
    }, 15000);
  };
  int rounds = 1;
  while (!round() && rounds < 4) ++rounds;
  ASSERT_LT(rounds, 4) << "the copy never reached this prefix's clipboard in " << rounds << " rounds";

  CLumo40Doc* target = Open("modes.psd");
  ASSERT_NE(target, nullptr);
  const int under = target->Image().GetLayers()->GetLayerCount();
  ASSERT_TRUE(Enabled(ID_EDIT_PASTE));
  Command(ID_EDIT_PASTE);
  SettleWithin30s(app_, target);
  EXPECT_TRUE(errors.empty());
  const CLayersManager& to = *target->Image().GetLayers();
  ASSERT_EQ(to.GetLayerCount(), under + static_cast<int>(copied.size()));
  EXPECT_EQ(target->Image().HistoryState().name, std::string(res::String(IDS_STEP_PASTE)));
  for (std::size_t i = 0; i < copied.size(); ++i) {
    const CLayer* l = to.GetLayer(under + static_cast<int>(i));
    const Layer& c = copied[i];
    EXPECT_EQ(l->GetName(), c.name);
    // Cut to the image: inside the copied layer's place, with its pixels.
    RECT inside{};
    ASSERT_TRUE(RectIntersect(&inside, l->GetRect(), c.rect) && RectsEqual(inside, l->GetRect())) << c.name;
    const int w = l->GetRect().right - l->GetRect().left, h = l->GetRect().bottom - l->GetRect().top;
    const int dx = l->GetRect().left - c.rect.left, dy = l->GetRect().top - c.rect.top;
    const int sourceH = c.rect.bottom - c.rect.top;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      // Rows are stored bottom first in both.
      const std::uint8_t* got = l->PeekImage()->Row(h - 1 - y);
      const std::uint8_t* want = c.image->Row(sourceH - 1 - (y + dy)) + 3 * dx;
      wrong += std::memcmp(got, want, static_cast<std::size_t>(3) * w) != 0;
    }
    EXPECT_EQ(wrong, 0) << c.name << ": rows differ";
  }
  const RECT all{0, 0, 64, 48};
  const auto selectionIsAll = [&](CLumo40Doc* doc) {
    if (doc->Image().GetSelection() == nullptr) return false;
    LURECT got{};
    GetFragmentBoundRect(doc->Image().GetSelection(), &got);
    RECT bounds;
    LURectToRect(&bounds, &got);
    return RectsEqual(bounds, all);
  };
  EXPECT_TRUE(selectionIsAll(target));

  // The selection alone.
  target->Image().FreeSelection(false);
  ASSERT_TRUE(Enabled(ID_SELECTION_PASTE));
  Command(ID_SELECTION_PASTE);
  EXPECT_TRUE(selectionIsAll(target));
  EXPECT_EQ(target->Image().GetLayers()->GetLayerCount(), under + static_cast<int>(copied.size()));

  // As a new image: the same layers and merged pixels.
  DialogScript::Run({{std::string(res::String(IDS_PASTE_AS_NEW_IMAGE)), [](HWND d) { Press(d, IDOK); }}});
  Command(ID_EDIT_PASTE_AS_NEW_IMAGE);
  auto* made = dynamic_cast<CLumo40Doc*>(app_.Docs().AllDocuments().back());
  ASSERT_NE(made, nullptr);
  ASSERT_NE(made, target);
  SettleWithin30s(app_, made);
  ASSERT_EQ(made->Image().GetLayers()->GetLayerCount(), static_cast<int>(copied.size()));
  WAPtr mergedAfter = made->Image().GetLayers()->CreateMergedImage(1, 255, 255, 255);
  ASSERT_EQ(mergedAfter->GetW(), mergedBefore->GetW());
  ASSERT_EQ(mergedAfter->GetH(), mergedBefore->GetH());
  int wrong = 0;
  for (int y = 0; y < mergedBefore->GetH(); ++y) wrong += std::memcmp(mergedAfter->Row(y), mergedBefore->Row(y), 64 * 3) != 0;
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(selectionIsAll(made));
}

}  // namespace
}  // namespace lumora
