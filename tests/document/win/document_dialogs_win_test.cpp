// The document's dialogs and boxes under Wine, driven by messages from a
// timer that fires inside their modal loops: File/New through the
// new-image dialog, Save As through the save dialog with a type change,
// Export, Reload answered Cancel and OK, the boxes 10067 and 10180, and an
// image placed while an embedded picture is active.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/win/CreateNewImgDlg.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layered/RWLayers.h"
#include "framework/Archive.h"
#include "framework/CommandIds.h"
#include "framework/Profile.h"
#include "framework/win/App.h"
#include "framework/win/DocView.h"
#include "framework/win/Frame.h"
#include "lang/Recorder.h"
#include "lang/doc/DocumentRecording.h"
#include "res/resource.h"
#include "tests/document/win/image_frame_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/pump_messages.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using lumora::testing::ChooseType;
using lumora::testing::DialogScript;
using lumora::testing::NameBox;
using lumora::testing::NameBoxText;
using lumora::testing::Press;
using lumora::testing::PumpPending;

class DialogTestApp : public fw::App {
 public:
  DialogTestApp() : fw::App("Lumora Dialog Test") {}
  int DoMessageBox(const std::string& text, UINT, std::uint32_t) override {
    boxes.push_back(text);
    return IDCANCEL;
  }
  std::vector<std::string> boxes;
};

class DialogTestView : public fw::View {
  FW_DECLARE_DYNCREATE(DialogTestView)
};
FW_IMPLEMENT_DYNCREATE(DialogTestView, fw::View)

std::string ItemText(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// Every static text of a message box, joined.
std::string BoxText(HWND box) {
  std::string all;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (std::string(cls) != "Static") continue;
    char text[512] = {};
    GetWindowTextA(child, text, sizeof text);
    all += text;
  }
  return all;
}

// The explorer dialog's file name box (an edit in some versions, a combo
// in others).
std::string Native(const fs::path& path) { return path.string(); }

std::string FirstBytes(const fs::path& path, std::size_t n) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(n, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(n));
  return bytes.substr(0, static_cast<std::size_t>(in.gcount()));
}

class RecordingSink : public lang::MacroLineSink {
 public:
  bool IsRecording() const override { return true; }
  void AppendLines(const lang::LineList& added) override { lines.insert(lines.end(), added.begin(), added.end()); }
  void ReportRecordingFailure(const std::string&) override {}
  lang::LineList lines;
};

class DocumentDialogsWin : public ::testing::Test {
 protected:
  void SetUp() override {
    static int made = 0;
    folder = fs::temp_directory_path() /
             ("lumora-docdlg-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made));
    fs::remove_all(folder);
    fs::create_directories(folder);
    app = std::make_unique<DialogTestApp>();
    app->SetProfile(std::make_unique<fw::IniFile>(Native(folder / "test.ini")));
    auto manager = std::make_unique<CLumo40DocManager>();
    manager->askNewImage = AskNewImageWithDialog;
    docs = manager.get();
    frame = lumora::testing::OpenImageFrame(*app, std::move(manager), &DialogTestView::kRuntimeClass);
    ASSERT_NE(frame, nullptr);
  }
  void TearDown() override {
    DialogScript::Stop();
    lang::RemoveDocumentRecording();
    lang::SetMacroRecorder(nullptr, nullptr);
    lumora::testing::CloseImageFrame(app);
    // The file dialogs leave the current folder where they saved.
    SetCurrentDirectoryA(fs::temp_directory_path().string().c_str());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  CLumo40Doc* ActiveDocument() { return dynamic_cast<CLumo40Doc*>(frame->GetActiveDocument()); }

  // File/New answered with a size in pixels.
  CLumo40Doc* NewImage(int width, int height) {
    DialogScript::Run({{"New image", [=](HWND d) {
                          SetDlgItemInt(d, IDC_NEWIMG_WIDTH, static_cast<UINT>(width), FALSE);
                          SetDlgItemInt(d, IDC_NEWIMG_HEIGHT, static_cast<UINT>(height), FALSE);
                          Press(d, IDOK);
                        }}});
    fw::SendCommand(frame->Handle(), fw::kIdFileNew);
    PumpPending();
    DialogScript::Stop();
    return ActiveDocument();
  }

  fs::path folder;
  std::unique_ptr<DialogTestApp> app;
  CLumo40DocManager* docs = nullptr;
  fw::MdiFrame* frame = nullptr;
};

TEST_F(DocumentDialogsWin, FileNewThroughTheDialogMakesUntitledOneThenTwoAndRecordsThem) {
  RecordingSink sink;
  lang::SetMacroRecorder(&sink, nullptr);
  lang::InstallDocumentRecording();
  HWND owner = nullptr;
  std::string shownWidth, inchesWidth, customHeight;
  bool customEditsEnabled = false, printerEditsEnabled = true;
  DialogScript::Run({{"New image", [&](HWND d) {
                        owner = GetWindow(d, GW_OWNER);
                        shownWidth = ItemText(d, IDC_NEWIMG_WIDTH);
                        printerEditsEnabled = IsWindowEnabled(GetDlgItem(d, IDC_NEWIMG_XRES)) != FALSE;
                        SetDlgItemTextA(d, IDC_NEWIMG_WIDTH, "40");
                        SetDlgItemTextA(d, IDC_NEWIMG_HEIGHT, "30");
                        Press(d, IDOK);
                      }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(owner, frame->Handle()) << "without an image window the main frame owns the dialog";
  EXPECT_EQ(shownWidth, "320");
  EXPECT_FALSE(printerEditsEnabled);
  CLumo40Doc* first = ActiveDocument();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetTitle(), "UNTITLED.1");
  EXPECT_EQ(first->Image().GetLayers()->GetWidth(), 40);
  EXPECT_EQ(first->Image().GetLayers()->GetHeight(), 30);

  // The second time the dialog shows what was kept; in inches at a custom
  // 100 x 200 dots per inch, a height of 2 inches is 400 pixels.
  DialogScript::Run({{"New image", [&](HWND d) {
                        SendMessageA(GetDlgItem(d, IDC_NEWIMG_INCHES), BM_CLICK, 0, 0);
                        SendMessageA(GetDlgItem(d, IDC_NEWIMG_CUSTOM), BM_CLICK, 0, 0);
                        customEditsEnabled = IsWindowEnabled(GetDlgItem(d, IDC_NEWIMG_XRES)) != FALSE;
                        SetDlgItemTextA(d, IDC_NEWIMG_XRES, "100");
                        SetDlgItemTextA(d, IDC_NEWIMG_YRES, "200");
                        inchesWidth = ItemText(d, IDC_NEWIMG_WIDTH);
                        SetDlgItemTextA(d, IDC_NEWIMG_HEIGHT, "2");
                        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_NEWIMG_HEIGHT, EN_KILLFOCUS),
                                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_NEWIMG_HEIGHT)));
                        customHeight = ItemText(d, IDC_NEWIMG_HEIGHT);
                        Press(d, IDOK);
                      }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_TRUE(customEditsEnabled);
  EXPECT_EQ(inchesWidth, "0.4000");  // 40 pixels at 100 dpi
  EXPECT_EQ(customHeight, "2.0000");
  CLumo40Doc* second = ActiveDocument();
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, first);
  EXPECT_EQ(second->GetTitle(), "UNTITLED.2");
  EXPECT_EQ(second->Image().GetLayers()->GetWidth(), 40);
  EXPECT_EQ(second->Image().GetLayers()->GetHeight(), 400);
  EXPECT_EQ(second->Image().GetLayers()->GetResolution(), 100u | (200u << 16));

  fw::Profile& settings = app->Settings();
  EXPECT_EQ(settings.GetInt("NewImage", "height", 0), 400);
  EXPECT_EQ(settings.GetInt("NewImage", "units", -1), 0);
  EXPECT_EQ(settings.GetInt("NewImage", "resolution", -1), 2);
  EXPECT_EQ(settings.GetInt("NewImage", "xres", 0), 100);

  // Cancel makes nothing and records nothing.
  DialogScript::Run({{"New image", [](HWND d) { Press(d, IDCANCEL); }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileNew);
  PumpPending();
  EXPECT_EQ(app->Docs().AllDocuments().size(), 2u);
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(sink.lines[0], "CreateNewImage(\"UNTITLED.1\",40,30,300,300,{255,255,255});");
  EXPECT_EQ(sink.lines[1], "CreateNewImage(\"UNTITLED.2\",40,400,100,200,{255,255,255});");
}

TEST_F(DocumentDialogsWin, FileOpenThroughTheOpenDialogOpensTheChosenFilesInOrder) {
  const std::vector<std::string> names = {"layers.psd", "rich.lud", "flat.png"};
  fs::copy_file(std::string(LUMORA_MADE_FILES) + "/layers.psd", folder / names[0]);
  fs::copy_file(std::string(LUMORA_TEST_DATA) + "/layered/rich.lud", folder / names[1]);
  fs::copy_file(std::string(LUMORA_MADE_FILES) + "/flat.png", folder / names[2]);
  // The dialog starts in the folder and on the type it was left with.
  app->Settings().WriteString("FILES", "DEFAULTOPENDIR", Native(folder));
  app->Settings().WriteInt("FILES", "DEFAULTOPENFORMAT", 2);
  std::string firstType, lastType;
  int typeCount = 0;
  DialogScript::Run({{"Open", [&](HWND d) {
                        HWND types = GetDlgItem(d, 1136);
                        typeCount = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
                        char text[256] = {};
                        SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
                        firstType = text;
                        SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(typeCount - 1),
                                     reinterpret_cast<LPARAM>(text));
                        lastType = text;
                        ChooseType(d, typeCount - 1);
                        SetWindowTextA(NameBox(d), "\"layers.psd\" \"rich.lud\" \"flat.png\"");
                        Press(d, IDOK);
                      }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileOpen);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(firstType, "Lumora 4.0 Document (*.LUD)");
  EXPECT_EQ(lastType, "All supported files");
  const std::vector<fw::Document*> opened = app->Docs().AllDocuments();
  ASSERT_EQ(opened.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(fs::equivalent(opened[i]->GetPathName(), folder / names[i])) << opened[i]->GetPathName();
  }
  EXPECT_EQ(dynamic_cast<CLumo40Doc*>(opened[0])->Image().GetLayers()->GetLayerCount(), 2);
  EXPECT_EQ(app->Settings().GetInt("FILES", "DEFAULTOPENFORMAT", 0), typeCount);
  EXPECT_TRUE(fs::equivalent(app->Settings().GetString("FILES", "DEFAULTOPENDIR"), folder));
}

TEST_F(DocumentDialogsWin, SaveAsThroughTheSaveDialogFollowsTheChosenType) {
  CLumo40Doc* doc = NewImage(16, 12);
  ASSERT_NE(doc, nullptr);
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 6, 5, nullptr));
  ASSERT_EQ(doc->Image().GetLayers()->AddLayerFromImage(image.get(), POINT{2, 3}, 1), 0);
  const std::string typed = Native(folder / "picture.LUD");
  std::string proposed, afterTypeChange, title;
  DialogScript::Run({{"Save As", [&](HWND d) {
                        proposed = NameBoxText(d);
                        SetWindowTextA(NameBox(d), typed.c_str());
                        ChooseType(d, 1);  // "PhotoShop Document (*.PSD)"
                        afterTypeChange = NameBoxText(d);
                        Press(d, IDOK);
                      }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileSaveAs);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  // An untitled document proposes its title without the dot, with the
  // first type's extension.
  EXPECT_EQ(proposed, "UNTITLED1.LUD");
  EXPECT_EQ(afterTypeChange, Native(folder / "picture.PSD"));
  const fs::path saved = folder / "picture.PSD";
  ASSERT_TRUE(fs::exists(saved));
  EXPECT_EQ(FirstBytes(saved, 4), "8BPS");
  EXPECT_EQ(doc->GetTitle(), "picture.PSD");
  EXPECT_FALSE(doc->IsModified());
  CLayersManagerPtr reread = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, Native(saved)));
  EXPECT_EQ(reread->GetLayerCount(), 2);
  EXPECT_TRUE(fs::equivalent(app->Settings().GetString("FILES", "DEFAULTSAVEDIR"), folder));

  // File/Save writes to the name it has, without asking, unless a tool
  // tracks the mouse.
  fs::remove(saved);
  doc->SetModifiedFlag(true);
  SetTrackerRunning(true);
  fw::SendCommand(frame->Handle(), fw::kIdFileSave);
  SetTrackerRunning(false);
  EXPECT_FALSE(fs::exists(saved));
  fw::SendCommand(frame->Handle(), fw::kIdFileSave);
  EXPECT_TRUE(fs::exists(saved));
  EXPECT_FALSE(doc->IsModified());

  // Cancel keeps the name it has.
  DialogScript::Run({{"Save As", [](HWND d) { Press(d, IDCANCEL); }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileSaveAs);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(doc->GetTitle(), "picture.PSD");
}

TEST_F(DocumentDialogsWin, SaveAsToAFlatteningFormatWarnsAndKeepsTheLayersMarked) {
  CLumo40Doc* doc = NewImage(16, 12);
  ASSERT_NE(doc, nullptr);
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 6, 5, nullptr));
  ASSERT_EQ(doc->Image().GetLayers()->AddLayerFromImage(image.get(), POINT{2, 3}, 1), 0);
  doc->SetModifiedFlag(true);
  const std::string target = Native(folder / "flat.bmp");
  std::string warning;
  auto chooseBmp = [&](HWND d) {
    SetWindowTextA(NameBox(d), target.c_str());
    Press(d, IDOK);
  };
  // Cancel in the warning: nothing written, the name stays.
  DialogScript::Run({{"Save As", chooseBmp}, {"Lumora 4.0 Warning", [&](HWND box) {
                                                 warning = BoxText(box);
                                                 Press(box, IDCANCEL);
                                               }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileSaveAs);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 2);
  EXPECT_NE(warning.find("flat.bmp"), std::string::npos) << warning;
  EXPECT_FALSE(fs::exists(folder / "flat.bmp"));
  EXPECT_EQ(doc->GetTitle(), "UNTITLED.1");
  EXPECT_TRUE(doc->IsModified());

  // OK: the merged image is written, the document takes the name and stays
  // marked, so closing still offers to keep the layers.
  DialogScript::Run({{"Save As", chooseBmp}, {"Lumora 4.0 Warning", [](HWND box) { Press(box, IDOK); }}});
  fw::SendCommand(frame->Handle(), fw::kIdFileSaveAs);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 2);
  EXPECT_EQ(FirstBytes(folder / "flat.bmp", 2), "BM");
  EXPECT_EQ(doc->GetTitle(), "flat.bmp");
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->Image().GetLayers()->GetLayerCount(), 2);
}

TEST_F(DocumentDialogsWin, ExportWritesACopyAndLeavesTitleAndModifiedMark) {
  CLumo40Doc* doc = NewImage(24, 16);
  ASSERT_NE(doc, nullptr);
  doc->SetModifiedFlag(true);
  const std::string target = Native(folder / "web.png");
  std::string proposed;
  DialogScript::Run({{"Save As", [&](HWND d) {
                        proposed = NameBoxText(d);
                        SetWindowTextA(NameBox(d), target.c_str());
                        Press(d, IDOK);
                      }}});
  fw::SendCommand(frame->Handle(), ID_FILE_EXPORT);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(proposed, "copy of UNTITLED1.LUD");
  ASSERT_TRUE(fs::exists(folder / "web.png"));
  EXPECT_EQ(FirstBytes(folder / "web.png", 4), "\x89PNG");
  EXPECT_EQ(doc->GetTitle(), "UNTITLED.1");
  EXPECT_TRUE(doc->GetPathName().empty());
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(app->boxes.empty()) << "an export asks nothing about layers";
}

TEST_F(DocumentDialogsWin, ReloadAnsweredCancelChangesNothingAndOkReadsTheFileAgain) {
  const fs::path file = folder / "reload.LUD";
  {
    CLumo40Doc* made = NewImage(10, 10);
    ASSERT_NE(made, nullptr);
    ASSERT_TRUE(made->DoSave(Native(file), true));
  }
  CLumo40Doc* doc = ActiveDocument();
  ASSERT_NE(doc, nullptr);
  doc->SetModifiedFlag(true);
  CLayersManager* before = doc->Image().GetLayers();
  std::string question;
  DialogScript::Run({{"Lumora 4.0 Warning", [&](HWND box) {
                        question = BoxText(box);
                        Press(box, IDCANCEL);
                      }}});
  fw::SendCommand(frame->Handle(), ID_FILE_RELOAD);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(question, "Are you sure you want to reload '" + doc->GetPathName() + "' document?");
  EXPECT_EQ(doc->Image().GetLayers(), before);
  EXPECT_TRUE(doc->IsModified());

  DialogScript::Run({{"Lumora 4.0 Warning", [](HWND box) { Press(box, IDOK); }}});
  fw::SendCommand(frame->Handle(), ID_FILE_RELOAD);
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_NE(doc->Image().GetLayers(), nullptr);
  EXPECT_NE(doc->Image().GetLayers(), before);
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(DocumentDialogsWin, SerializeMovesTheLayeredDataThroughAnArchive) {
  CLumo40Doc* doc = NewImage(20, 10);
  ASSERT_NE(doc, nullptr);
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 6, 5, nullptr));
  ASSERT_EQ(doc->Image().GetLayers()->AddLayerFromImage(image.get(), POINT{2, 3}, 1), 0);
  fw::MemFile stream;
  {
    fw::Archive out(stream, fw::Archive::store);
    out << std::uint32_t{0x4C554D4F};  // what the archive held before stays first
    doc->Serialize(out);
    out.Close();
  }
  stream.SeekFromCurrent(-static_cast<std::int64_t>(stream.GetPosition()));
  CLumo40Doc copy;
  {
    fw::Archive in(stream, fw::Archive::load);
    std::uint32_t before = 0;
    in >> before;
    EXPECT_EQ(before, 0x4C554D4Fu);
    copy.Serialize(in);
  }
  ASSERT_TRUE(copy.Image().HasImage());
  EXPECT_EQ(copy.Image().GetLayers()->GetLayerCount(), 2);
  EXPECT_EQ(copy.Image().GetLayers()->GetWidth(), 20);

  // Data that are no layered image fail the load loudly.
  fw::MemFile damaged;
  damaged.Write("not layered at all", 18);
  damaged.SeekFromCurrent(-18);
  CLumo40Doc empty;
  fw::Archive in(damaged, fw::Archive::load);
  EXPECT_THROW(empty.Serialize(in), FileException);
  EXPECT_FALSE(empty.Image().HasImage());
}

TEST_F(DocumentDialogsWin, AnImageThatCannotBeMadeShowsBox10067WithItsCaption) {
  std::string text;
  DialogScript::Run({{"Lumora 4.0 Error", [&](HWND box) {
                        text = BoxText(box);
                        Press(box, IDOK);
                      }}});
  // A ready stack that is not there.
  CreationRecord broken;
  broken.kind = 3;
  docs->pendingRecord = &broken;
  fw::Document* doc = docs->Templates().front()->OpenDocumentFile(std::string());
  docs->pendingRecord = nullptr;
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(text, "Can't create new image.");
  EXPECT_EQ(doc, nullptr);
  EXPECT_TRUE(app->Docs().AllDocuments().empty());
}

TEST_F(DocumentDialogsWin, AnImageMadeElsewhereGoesWhereTheUserSays) {
  WAPtr made = WAPtr::Adopt(NewWA(kWAType24, 16, 12, nullptr));
  // No embedded picture: a new document, nothing asked.
  ASSERT_TRUE(PlaceNewImage(made.get(), std::string(), nullptr, false, false));
  PumpPending();
  CLumo40Doc* embedding = ActiveDocument();
  ASSERT_NE(embedding, nullptr);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 1u);
  embedding->embedded = true;

  WAPtr other = WAPtr::Adopt(NewWA(kWAType24, 8, 6, nullptr));
  DialogScript::Run({{"Lumora 4.0", [](HWND d) { Press(d, IDCANCEL); }}});
  EXPECT_TRUE(PlaceNewImage(other.get(), std::string(), nullptr, false, false));
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 1u);
  EXPECT_EQ(embedding->Image().History().UndoCount(), 0);

  // A replacement the picture refuses (another size) leaves no step.
  DialogScript::Run({{"Lumora 4.0", [](HWND d) { Press(d, IDC_CREATENEW_REPLACE); }}});
  EXPECT_TRUE(PlaceNewImage(other.get(), std::string(), nullptr, false, false));
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 1u);
  EXPECT_EQ(embedding->Image().History().UndoCount(), 0);
  EXPECT_EQ(embedding->Image().GetActiveImage()->GetW(), 16);

  WAPtr fitting = WAPtr::Adopt(NewWA(kWAType24, 16, 12, nullptr));
  DialogScript::Run({{"Lumora 4.0", [](HWND d) { Press(d, IDC_CREATENEW_REPLACE); }}});
  EXPECT_TRUE(PlaceNewImage(fitting.get(), std::string(), nullptr, false, false));
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 1u);
  EXPECT_EQ(embedding->Image().GetActiveImage().get(), fitting.get());
  ASSERT_EQ(embedding->Image().History().UndoCount(), 1);
  EXPECT_EQ(embedding->Image().HistoryState().name, "New image");
  EXPECT_TRUE(embedding->IsModified());

  DialogScript::Run({{"Lumora 4.0", [](HWND d) { Press(d, IDC_CREATENEW_NEW); }}});
  EXPECT_TRUE(PlaceNewImage(other.get(), std::string(), nullptr, false, false));
  PumpPending();
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(app->Docs().AllDocuments().size(), 2u);
}

}  // namespace
}  // namespace lumora
