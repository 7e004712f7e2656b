// Scripts in the shipped vocabulary run against real documents: the layer
// stack, its pixels, the files written and the documents opened are what
// the statements asked for.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/DocumentFiles.h"
#include "document/LayerSelection.h"
#include "engine/pixels/Fillwa.h"
#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "document/null_host.h"
#include "framework/Profile.h"
#include "hostapi/toolhost.h"
#include "lang/LangCommand.h"
#include "libs/imgxfer/ui.h"
#include "lang/Lexer.h"
#include "lang/Script.h"
#include "lang/SelectAreaCommands.h"
#include "lang/doc/DocumentCommands.h"
#include "lang/doc/MacroLanguage.h"
#include "lang/Recorder.h"
#include "support/recording_progress.h"
#include "support/unique_temp_folder.h"

namespace lang {
namespace {

using lumora::ImageDocument;

constexpr COLORREF kRed = 0x0000FF;

class NoDialogs : public lumora::DocumentFileHost {
 public:
  bool AskNewImage(lumora::NewImageChoice*) override { return false; }
  bool ConfirmWarning(const std::string&) override { return true; }
  void ReportFileError(int code, const std::string& path, const std::string&) override {
    errors.push_back(std::to_string(code) + " " + path);
  }
  std::vector<std::string> errors;
};

constexpr std::uint32_t kEdgeTemplate = 143;

// An edge template's work: the mask's left column cleared.
bool ClearLeftColumn(std::uint8_t* p, int, int h, std::ptrdiff_t stride) {
  for (int y = 0; y < h; ++y) p[y * stride] = 0;
  return true;
}

// Documents without windows: the last one made is the active one.
class TestSite : public ScriptDocumentSite {
 public:
  ImageDocument* Make(const lumora::CreationRecord& record, const std::string& title) {
    auto doc = std::make_unique<ImageDocument>(&host);
    if (doc->NewImage(record) == 0) return nullptr;
    return Keep(std::move(doc), title);
  }
  ImageDocument* MakeBlank(int width, int height, COLORREF colour, const std::string& title) {
    lumora::CreationRecord record;
    record.kind = 2;
    record.a = static_cast<std::uintptr_t>(width);
    record.b = static_cast<std::uintptr_t>(height);
    record.c = 0x00480048u;
    record.d = colour;
    return Make(record, title);
  }

  ImageDocument* ActiveDocument() override { return active; }
  std::vector<OpenDocument> OpenDocuments() override {
    std::vector<OpenDocument> out;
    for (auto& [doc, title] : documents) out.push_back({doc.get(), title});
    return out;
  }
  ImageDocument* OpenDocumentFile(const std::string& path) override {
    auto doc = std::make_unique<ImageDocument>(&host);
    if (lumora::OpenDocumentFile(*doc, path, files) == 0) return nullptr;
    return Keep(std::move(doc), std::filesystem::path(path).filename().string());
  }
  ImageDocument* NewDocument(const lumora::CreationRecord& record, const std::string& title) override {
    return Make(record, title);
  }
  void ActivateDocument(ImageDocument& document) override { active = &document; }
  void CloseDocument(ImageDocument& document) override {
    closedModified = document.IsModified();
    std::erase_if(documents, [&](const auto& d) { return d.first.get() == &document; });
    active = documents.empty() ? nullptr : documents.back().first.get();
  }
  lumora::DocumentFileHost& FileHost(ImageDocument&) override { return files; }
  bool PutDibOnClipboard(const std::vector<std::uint8_t>& dib) override {
    clipboard = dib;
    return true;
  }
  std::vector<std::uint8_t> GetDibFromClipboard() override { return clipboard; }
  // The catalogue holds one template, kEdgeTemplate.
  MaskShape EdgeTemplate(std::uint32_t id) override { return id == kEdgeTemplate ? MaskShape(ClearLeftColumn) : nullptr; }

  std::string TitleOf(const ImageDocument* doc) const {
    for (const auto& [d, title] : documents)
      if (d.get() == doc) return title;
    return {};
  }

  lumora::testing::NullDocumentHost host;
  NoDialogs files;
  std::vector<std::pair<std::unique_ptr<ImageDocument>, std::string>> documents;
  ImageDocument* active = nullptr;
  std::vector<std::uint8_t> clipboard;
  bool closedModified = true;

 private:
  ImageDocument* Keep(std::unique_ptr<ImageDocument> doc, const std::string& title) {
    active = doc.get();
    documents.emplace_back(std::move(doc), title);
    return active;
  }
};

std::filesystem::path ShippedLangIni() {
  return std::filesystem::path(LUMORA_TEST_DATA).parent_path().parent_path() / "lang" / "LANG.ini";
}

struct DocumentScript : ::testing::Test {
  DocumentScript() : commands(fw::OpenProfile(ShippedLangIni().string()), nullptr) {
    // The file-format library's failures go into the run's reason, not a box.
    lumora::imgxfer::SetMessageBoxesShown(false);
    InstallSelectAreaExecutors(commands);
    InstallDocumentExecutors(commands, site);
    doc = site.MakeBlank(8, 6, kRed, "A");
  }

  // Runs the lines; the stop's reason, empty when every line ran.
  std::string Run(const LineList& lines) {
    ScriptStop stop;
    return RunScript(lines, &stop, &commands) ? std::string() : stop.reason;
  }

  CLayersManager& Stack() { return *doc->GetLayers(); }
  // Blue, green, red of the image merged over black at x, y (row 0 at the top).
  std::array<int, 3> Pixel(int x, int y) {
    WAPtr merged = Stack().CreateMergedImage(1, 0, 0, 0);
    const std::uint8_t* p = merged->Row(merged->GetH() - 1 - y) + x * 3;
    return {p[0], p[1], p[2]};
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < Stack().GetLayerCount(); ++i) names.push_back(Stack().GetLayer(i)->GetName());
    return names;
  }

  TestSite site;
  LangCommandSet commands;
  ImageDocument* doc = nullptr;
};

const std::array<int, 3> kRedPixel{0, 0, 255};
const std::array<int, 3> kWhitePixel{255, 255, 255};
const std::array<int, 3> kBlackPixel{0, 0, 0};

TEST_F(DocumentScript, LayerStatementsBuildReorderAndDeleteLayers) {
  ASSERT_EQ(Run({"CreateNewLayer(\"Top\",\"Normal\",100,0,1);"}), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{Stack().GetLayer(0)->GetName(), "Top"}));
  EXPECT_EQ(Stack().GetLayerIndex(Stack().GetActiveLayer()), 1);
  EXPECT_EQ(Pixel(3, 3), kWhitePixel) << "a filled new layer is opaque white";
  EXPECT_TRUE(doc->IsModified());

  ASSERT_EQ(Run({"SetLayerOpacity(0);"}), "");
  EXPECT_EQ(Pixel(3, 3), kRedPixel);
  ASSERT_EQ(Run({"SetLayerOpacity(100);", "HideLayer();"}), "");
  EXPECT_EQ(Pixel(3, 3), kRedPixel);
  ASSERT_EQ(Run({"ShowLayer();", "ChangeLayerMergeMode(\"Multiply\");"}), "");
  EXPECT_EQ(Pixel(3, 3), kRedPixel) << "white multiplied over red";
  EXPECT_EQ(Stack().GetLayer(1)->GetMergeMode(), 7);

  const std::string bottom = Stack().GetLayer(0)->GetName();
  ASSERT_EQ(Run({"SetActiveLayer(0);", "BringLayerToFront();"}), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Top", bottom}));

  ASSERT_EQ(Run({"SetActiveLayer(0);", "DeleteLayer();"}), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{bottom}));
  EXPECT_EQ(Pixel(3, 3), kRedPixel);
  EXPECT_NE(Run({"DeleteLayer();"}), "") << "the only layer stays";

  ASSERT_EQ(Run({"Undo();"}), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{"Top", bottom})) << "the deletion was one undo step";
}

TEST_F(DocumentScript, LayerOptionsLinksAndMergesActOnTheRunsLayer) {
  ASSERT_EQ(Run({"CreateNewLayer(\"One\",\"Normal\",100,0,0);", "CreateNewLayer(\"Two\",\"Normal\",100,0,0);",
                 "SetActiveLayer(1);",
                 "SetLayerOptions(\"Renamed\",\"Screen\",40,0xff000000,0xff000000,0xff000000,0xff000000,"
                 "0xff000000,0xff000000,0xff000000,0xff000000);",
                 "LayerWEB(\"http://example.org/\");", "LockLayerPosition(1);"}),
            "");
  CLayer* renamed = Stack().GetLayer(1);
  EXPECT_EQ(renamed->GetName(), "Renamed");
  EXPECT_EQ(renamed->GetMergeMode(), 8);
  EXPECT_EQ(renamed->GetLayerInfo().opacity, 40);
  EXPECT_EQ(renamed->GetLayerInfo().blendIf[0][3], 0xFF);
  EXPECT_EQ(renamed->GetLayerInfo().blendIf[0][0], 0);
  EXPECT_EQ(renamed->GetLinkText(), "http://example.org/");
  EXPECT_TRUE(renamed->GetPositionLocked());
  EXPECT_EQ(Pixel(2, 2), kRedPixel) << "transparent new layers";

  ASSERT_EQ(Run({"SetActiveLayer(2);", "AddLayerLink(1);"}), "");
  EXPECT_NE(Stack().GetLayer(1)->GetLinkId(), 0);
  EXPECT_EQ(Stack().GetLayer(1)->GetLinkId(), Stack().GetLayer(2)->GetLinkId());
  ASSERT_EQ(Run({"SetActiveLayer(2);", "MergeLayer();"}), "");
  EXPECT_EQ(Stack().GetLayerCount(), 2);
  EXPECT_EQ(Pixel(2, 2), kRedPixel);

  EXPECT_NE(Run({"DeleteLayerLink(0);"}), "") << "an unlinked layer";
  const std::string beyond = Run({"SetActiveLayer(7);", "DeleteLayer();"});
  EXPECT_NE(beyond.find("no layer 7"), std::string::npos) << beyond;
  EXPECT_EQ(Stack().GetLayerCount(), 2) << "a missing layer never lets another be deleted";

  ASSERT_EQ(Run({"MergeVisibleLayers();"}), "");
  EXPECT_EQ(Stack().GetLayerCount(), 1);
  EXPECT_EQ(Pixel(2, 2), kRedPixel);
}

TEST_F(DocumentScript, GroupsAlignmentAndMaskEditing) {
  ASSERT_EQ(Run({"AddRect(4,0,8,6,14);", "CopyToNewLayer(0);", "GroupLayer();"}), "");
  EXPECT_TRUE(Stack().GetLayer(1)->GetGrouped());
  ASSERT_EQ(Run({"SetActiveLayer(1);", "UngroupLayer();"}), "");
  EXPECT_FALSE(Stack().GetLayer(1)->GetGrouped());
  EXPECT_NE(Run({"SetActiveLayer(1);", "UngroupLayer();"}), "") << "in no group";

  ASSERT_NE(Stack().GetLayer(0)->GetRect().left, Stack().GetLayer(1)->GetRect().left);
  ASSERT_EQ(Run({"SetActiveLayer(1);", "AddLayerLink(0);", "AlignLayer(3);"}), "");
  EXPECT_EQ(Stack().GetLayer(0)->GetRect().left, Stack().GetLayer(1)->GetRect().left);
  EXPECT_NE(Run({"AlignLayer(6);"}), "") << "six choices";

  // The lifted layer has a mask already: adding one is refused, no step.
  const int steps = doc->History().UndoCount();
  EXPECT_NE(Run({"SetActiveLayer(1);", "AddLayerMask(1);"}), "");
  EXPECT_EQ(doc->History().UndoCount(), steps);
  ASSERT_EQ(Run({"SetActiveLayer(1);", "EditLayerMask(1);"}), "");
  EXPECT_TRUE(doc->IsMaskEditMode());
  EXPECT_EQ(doc->HistoryState().name, "Edit layer mask") << "editing the mask is a step";
  ASSERT_EQ(Run({"EditLayerMask(0);"}), "");
  EXPECT_FALSE(doc->IsMaskEditMode());
}

TEST_F(DocumentScript, MasksFollowTheirStatements) {
  ASSERT_EQ(Run({"CreateNewLayer(\"Cover\",\"Normal\",100,0,1);", "RemoveLayerMask(1);", "AddLayerMask(0);"}), "");
  EXPECT_TRUE(Stack().GetActiveLayer()->HasMask());
  EXPECT_EQ(Pixel(1, 1), kRedPixel) << "hide all";
  ASSERT_EQ(Run({"EnableLayerMask(0);"}), "");
  EXPECT_EQ(Pixel(1, 1), kWhitePixel) << "a disabled mask hides nothing";
  ASSERT_EQ(Run({"EnableLayerMask(1);", "RemoveLayerMask(0);"}), "");
  EXPECT_FALSE(Stack().GetActiveLayer()->HasMask());
  EXPECT_EQ(Pixel(1, 1), kWhitePixel);
  EXPECT_NE(Run({"EnableLayerMask(1);"}), "") << "no mask to enable";
}

TEST_F(DocumentScript, WholeImageGeometry) {
  ASSERT_EQ(Run({"Resize(4,3,150,150);"}), "");
  EXPECT_EQ(Stack().GetWidth(), 4);
  EXPECT_EQ(Stack().GetHeight(), 3);
  EXPECT_EQ(Stack().GetResolution(), 150u | (150u << 16));
  ASSERT_EQ(Run({"Rotate(9000);"}), "");
  EXPECT_EQ(Stack().GetWidth(), 3);
  EXPECT_EQ(Stack().GetHeight(), 4);
  ASSERT_EQ(Run({"CanvasSize({0,0,5,6});"}), "");
  EXPECT_EQ(Stack().GetWidth(), 5);
  EXPECT_EQ(Stack().GetHeight(), 6);
  ASSERT_EQ(Run({"Crop(1,1,2,3,0);"}), "");
  EXPECT_EQ(Stack().GetWidth(), 2);
  EXPECT_EQ(Stack().GetHeight(), 3);
  EXPECT_NE(Run({"Crop(0,0,0,3,0);"}), "");
  EXPECT_NE(Run({"Crop(2147483647,0,5,3,0);"}), "") << "no overflow";
  EXPECT_EQ(Stack().GetWidth(), 2);
  ASSERT_EQ(Run({"FlattenImage();"}), "");
  EXPECT_EQ(Stack().GetLayerCount(), 1);
}

TEST_F(DocumentScript, FlipMirrorsThePixels) {
  ASSERT_EQ(Run({"CreateNewLayer(\"Left\",\"Normal\",100,0,1);", "AddRect(4,0,8,6,14);", "ClearSelection(0,0);"}),
            "");
  EXPECT_EQ(Pixel(1, 1), kWhitePixel);
  EXPECT_EQ(Pixel(6, 1), kRedPixel) << "the right half was cleared";
  ASSERT_EQ(Run({"FlipImage(1,0);"}), "");
  EXPECT_EQ(Pixel(1, 1), kRedPixel);
  EXPECT_EQ(Pixel(6, 1), kWhitePixel);
}

TEST_F(DocumentScript, WholeLayersFlipAndTurn) {
  ASSERT_EQ(Run({"CreateNewLayer(\"Cover\",\"Normal\",100,0,1);", "AddRect(4,0,8,6,14);", "ClearSelection(0,0);",
                 "FreeAllFrags();", "Flip(1,0);"}),
            "");
  EXPECT_EQ(Pixel(1, 1), kRedPixel);
  EXPECT_EQ(Pixel(6, 1), kWhitePixel);

  ASSERT_EQ(Run({"CreateNewLayer(\"Turned\",\"Normal\",100,0,1);"}), "");
  EXPECT_EQ(Pixel(0, 3), kWhitePixel);
  ASSERT_EQ(Run({"RotateLayer(9000);"}), "");
  EXPECT_EQ(Pixel(4, 3), kWhitePixel);
  EXPECT_EQ(Pixel(0, 3), kRedPixel) << "the turned 8 x 6 layer stands 6 wide";
  ASSERT_EQ(Run({"Undo();"}), "");
  EXPECT_EQ(Pixel(0, 3), kWhitePixel);
}

TEST_F(DocumentScript, MasksFromTheSelectionRevealOrHideIt) {
  ASSERT_EQ(Run({"CreateNewLayer(\"Cover\",\"Normal\",100,0,1);", "AddRect(0,0,4,6,14);",
                 "AddLayerMaskWithSelection(1);"}),
            "");
  EXPECT_EQ(Pixel(1, 1), kWhitePixel);
  EXPECT_EQ(Pixel(6, 1), kRedPixel);
  ASSERT_EQ(Run({"AddRect(0,0,4,6,14);", "AddLayerMaskWithSelection(0);"}), "");
  EXPECT_EQ(Pixel(1, 1), kRedPixel);
  EXPECT_EQ(Pixel(6, 1), kWhitePixel);
  ASSERT_EQ(Run({"AddRect(0,0,4,6,14);", "InvertSelection();", "AddLayerMaskWithSelection(1);"}), "");
  EXPECT_EQ(Pixel(1, 1), kRedPixel);
  EXPECT_EQ(Pixel(6, 1), kWhitePixel);
  EXPECT_NE(Run({"AddLayerMaskWithSelection(1);"}).find("no selection"), std::string::npos);
}

// A selection file that cannot be read fails its statement with the
// recorded error (126, the file named), also over an existing selection.
TEST_F(DocumentScript, AddMaskOfAnUnreadableFileFailsTheRun) {
  // Forward slashes: a script's text takes backslashes as escapes.
  const std::string missing =
      (std::filesystem::path(::testing::TempDir()) / "no-such-selection.frg").generic_string();
  const std::string reason = Run({"SelectWholeImage();", "AddMask(\"" + missing + "\",14);"});
  EXPECT_EQ(reason.rfind("line 2: command \"AddMask\" failed: ", 0), 0u) << reason;
  EXPECT_NE(reason.find(missing), std::string::npos) << reason;
  EXPECT_EQ(LUGetErrorState().code, 126);
}

TEST_F(DocumentScript, SelectionStatementsLiftAndClearTheSelectedArea) {
  ASSERT_EQ(Run({"AddRect(0,0,4,6,14);", "CopyToNewLayer(1);"}), "");
  ASSERT_EQ(Stack().GetLayerCount(), 2);
  EXPECT_EQ(Stack().GetLayerIndex(Stack().GetActiveLayer()), 1);
  EXPECT_EQ(Pixel(1, 1), kRedPixel) << "the lifted half";
  ASSERT_EQ(Run({"HideLayer();"}), "");
  EXPECT_EQ(Pixel(1, 1), kBlackPixel) << "cut from the layer below";
  EXPECT_EQ(Pixel(6, 1), kRedPixel);

  const std::string without = Run({"ClearSelection(0,0);"});
  EXPECT_NE(without.find("no selection"), std::string::npos) << without;
  ASSERT_EQ(Run({"SetActiveLayer(0);", "AddRect(4,0,8,6,14);", "ClearSelection(0,0);"}), "");
  EXPECT_EQ(Pixel(6, 1), kBlackPixel);
  ASSERT_EQ(Run({"Undo();"}), "");
  EXPECT_EQ(Pixel(6, 1), kRedPixel) << "the clearing was one undo step";
}

// An edge degree past the widest soft edge (250 pixels) clears as the
// widest one does, soft to the image's edge.
TEST_F(DocumentScript, ClearSelectionClampsItsEdgeToTheWidest) {
  std::vector<WAPtr> cleared;
  for (const char* degree : {"2500", "2147483647", "2501"}) {
    SCOPED_TRACE(degree);
    doc = site.MakeBlank(300, 280, kRed, std::string("B") + degree);
    ASSERT_EQ(Run({"AddRect(0,0,300,280,14);", std::string("ClearSelection(") + degree + ",0);"}), "");
    WAPtr image = Stack().CreateMergedImage(1, 0, 0, 0);  // over black: red shows what is left
    const int edge = image->Row(0)[2], centre = image->Row(140)[150 * 3 + 2];
    EXPECT_LT(edge, 255) << "cleared up to the image's edge";
    EXPECT_GT(edge, centre) << "less cleared at the edge: a soft edge";
    cleared.push_back(image);
  }
  for (std::size_t i = 1; i < cleared.size(); ++i)
    for (int y = 0; y < 280; ++y)
      ASSERT_EQ(0, std::memcmp(cleared[0]->Row(y), cleared[i]->Row(y), static_cast<std::size_t>(cleared[0]->GetBPLine())))
          << i << " row " << y;
}

TEST_F(DocumentScript, DocumentsAreMadeDuplicatedActivatedAndClosed) {
  const std::string zero = Run({"CreateNewImage(\"B\",0,10,72,72,{0,255,0});"});
  EXPECT_NE(zero, "");
  EXPECT_EQ(site.documents.size(), 1u) << "nothing made";
  for (const char* statement : {"CreateNewImage(\"W\",1000000,1,72,72,{0,255,0});",
                                "CreateNewImage(\"W\",10,30001,72,72,{0,255,0});"}) {
    EXPECT_NE(Run({statement}).find("1 to 30000"), std::string::npos) << statement;
  }
  EXPECT_EQ(site.documents.size(), 1u) << "nothing made";
  ASSERT_EQ(Run({"CreateNewImage(\"B\",10,12,72,96,{0,255,0});"}), "");
  ImageDocument* b = site.active;
  EXPECT_EQ(site.TitleOf(b), "B");
  EXPECT_EQ(b->GetLayers()->GetWidth(), 10);
  EXPECT_EQ(b->GetLayers()->GetResolution(), 72u | (96u << 16));
  EXPECT_NE(Run({"CreateNewImage(\"B\",10,12,72,72,{0,255,0});"}), "") << "the title is taken";

  ASSERT_EQ(Run({"ActivateImage(\"A\");", "CreateNewLayer(\"Extra\",\"Normal\",100,0,1);"}), "");
  EXPECT_EQ(site.active, doc);
  EXPECT_NE(Run({"DuplicateImage(\"B\",0);"}), "") << "a duplicate may not take an open title";
  ASSERT_EQ(Run({"DuplicateImage(\"C\",1);"}), "");
  EXPECT_EQ(site.TitleOf(site.active), "C");
  EXPECT_EQ(site.active->GetLayers()->GetLayerCount(), 1) << "merged";

  ASSERT_EQ(Run({"ActivateImage(\"A\");", "SetActiveLayer(1);", "DuplicateLayer(\"B\",\"Copied\",0);"}), "");
  ASSERT_EQ(b->GetLayers()->GetLayerCount(), 2);
  EXPECT_EQ(b->GetLayers()->GetLayer(1)->GetName(), "Copied");
  EXPECT_NE(Run({"DuplicateLayer(\"Nowhere\",\"x\",0);"}), "");
  EXPECT_NE(Run({"ActivateImage(\"Nowhere\");"}), "");

  ASSERT_EQ(Run({"ActivateImage(\"B\");", "CloseImage();"}), "");
  EXPECT_FALSE(site.closedModified) << "closed without a save prompt";
  EXPECT_EQ(site.TitleOf(b), "");
}

TEST_F(DocumentScript, SavedFramesAndFilesOpenAgain) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lang_doc_files");
  const std::string base = (folder / "animation").string();
  ASSERT_EQ(Run({"BeginJPEGSeq(" + QuoteLangString(base) + ");", "AddToJPEGSeq();", "AddToJPEGSeq();",
                 "EndJPEGSeq();", "BeginTARGASeq(" + QuoteLangString((folder / "t").string()) + ");",
                 "AddToTARGASeq();", "EndTARGASeq();", "BeginDIBSeq(" + QuoteLangString((folder / "d").string()) + ");",
                 "AddToDIBSeq();"}),
            "");
  EXPECT_TRUE(std::filesystem::exists(folder / "d001.DIB"));
  ASSERT_EQ(Run({"OpenImage(" + QuoteLangString((folder / "anima002.JPG").string()) + ");"}), "");
  EXPECT_EQ(site.active->GetLayers()->GetWidth(), 8) << "a frame the JPEG decoder reads back";
  site.active = doc;
  EXPECT_TRUE(std::filesystem::exists(folder / "anima001.JPG"));
  EXPECT_TRUE(std::filesystem::exists(folder / "anima002.JPG"));
  EXPECT_TRUE(std::filesystem::exists(folder / "t001.TGA"));

  const std::string png = (folder / "copy.png").string();
  ASSERT_EQ(Run({"SaveImage(" + QuoteLangString(png) + ");"}), "");
  ASSERT_EQ(Run({"OpenImage(" + QuoteLangString(png) + ");"}), "");
  ASSERT_NE(site.active, doc);
  EXPECT_EQ(site.active->GetLayers()->GetWidth(), 8);
  EXPECT_NE(Run({"OpenImage(" + QuoteLangString((folder / "missing.png").string()) + ");"}), "");
  // A save that writes nothing says why in its own message, and the run
  // goes on.
  for (const std::filesystem::path& nowhere : {folder / "no folder" / "x.png", folder / "x.unknown"}) {
    SCOPED_TRACE(nowhere.string());
    site.active = doc;
    const int before = Stack().GetLayerCount();
    lumora::imgxfer::ClearLastShownMessage();
    EXPECT_EQ(Run({"SaveImage(" + QuoteLangString(nowhere.string()) + ");", "CreateNewLayer(\"After\",\"Normal\",100,0,1);"}),
              "");
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_FALSE(lumora::imgxfer::LastShownMessage().empty());
    EXPECT_EQ(Stack().GetLayerCount(), before + 1) << "the statement after it ran";
  }
  // A path longer than a string may be is refused at its line, before a
  // file of a cut name is written.
  site.active = doc;
  const std::string longName = (folder / (std::string(300 - folder.string().size() - 5, 'n') + ".png")).string();
  ASSERT_EQ(longName.size(), 300u);
  const int layers = Stack().GetLayerCount();
  EXPECT_EQ(Run({"SaveImage(" + QuoteLangString(longName) + ");", "CreateNewLayer(\"Not\",\"Normal\",100,0,1);"}),
            "line 1: a string of 300 characters is too long: a string may have 259 characters");
  EXPECT_EQ(Stack().GetLayerCount(), layers);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.path().extension() == ".png" ? 1 : 0;
  EXPECT_EQ(files, 1u) << "only copy.png";
  EXPECT_EQ(Run({"SaveImage(\"\");"}), "line 1: command \"SaveImage\" failed: no file name is given");
  std::filesystem::remove_all(folder);
}

TEST_F(DocumentScript, ClipboardCopiesThePixels) {
  ASSERT_EQ(Run({"CopyImage();", "PasteAsNewImage();"}), "");
  ASSERT_NE(site.active, doc);
  doc = site.active;
  EXPECT_EQ(Stack().GetWidth(), 8);
  EXPECT_EQ(Pixel(7, 5), kRedPixel);
  site.clipboard.clear();
  EXPECT_NE(Run({"PasteAsNewImage();"}).find("no bitmap"), std::string::npos);
}

// A run of many statements asks the progress indicator between them: a
// cancel stops it there; what ran stays, each statement its own undo step.
TEST_F(DocumentScript, CancelStopsTheRunBetweenStatementsAndKeepsWhatRan) {
  lumora::testing::RecordingProgress progress;
  progress.cancelAtReport = 1;  // the question before the third statement
  const LineList lines(5, "CreateNewLayer(\"L\",\"Normal\",100,0,1);");
  ScriptStop stop;
  EXPECT_FALSE(RunScript(lines, &stop, &commands));
  EXPECT_EQ(stop.line, 2u);
  EXPECT_NE(stop.reason.find("cancelled"), std::string::npos) << stop.reason;
  EXPECT_EQ(Stack().GetLayerCount(), 3) << "the two statements before the cancel stay";
  ASSERT_GE(progress.reports.size(), 4u);
  EXPECT_EQ(progress.reports.front().first, -1) << "the run opens the indicator";
  EXPECT_EQ(progress.reports[1], (std::pair<int, int>{1, 5}));
  EXPECT_EQ(progress.reports.back().first, -2) << "and closes it, cancelled or not";
  ASSERT_TRUE(doc->UndoRedo(false));
  EXPECT_EQ(Stack().GetLayerCount(), 2) << "one statement undone at a time";
  ASSERT_TRUE(doc->UndoRedo(false));
  EXPECT_EQ(Stack().GetLayerCount(), 1);

  // Without a cancel the run goes through.
  progress.cancelAtReport = -1;
  EXPECT_EQ(Run(lines), "");
  EXPECT_EQ(Stack().GetLayerCount(), 6);
}

// A statement with an indicator of its own (saving a file) closes the run's;
// the run opens its own again before it next asks, so a cancel after such a
// statement still stops the run.
TEST_F(DocumentScript, CancelStillWorksAfterAStatementWithItsOwnIndicator) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lang_cancel");
  const std::string saved = QuoteLangString((folder / "copy.lud").string());
  const LineList lines = {"CreateNewLayer(\"A\",\"Normal\",100,0,1);", "SaveImage(" + saved + ");",
                          "CreateNewLayer(\"B\",\"Normal\",100,0,1);", "CreateNewLayer(\"C\",\"Normal\",100,0,1);"};
  struct CancelAtLine : lumora::testing::RecordingProgress {
    int Callback(int code, int total) override {
      RecordingProgress::Callback(code, total);
      return code == 3 && total == 4 ? 0 : 1;  // the run's question before its fourth line
    }
  } progress;
  ScriptStop stop;
  EXPECT_FALSE(RunScript(lines, &stop, &commands));
  EXPECT_EQ(stop.line, 3u) << stop.reason;
  EXPECT_TRUE(std::filesystem::exists(folder / "copy.lud"));
  EXPECT_EQ(Stack().GetLayerCount(), 3);
  // Every question of the run is asked with the run's indicator open.
  int open = 0;  // -1 seen last, 0 none or ended
  bool saverOpened = false;
  for (const auto& [code, total] : progress.reports) {
    if (code == -1) open = 1;
    if (code == -2) open = 0;
    if (code >= 0 && total == 4) EXPECT_EQ(open, 1) << "question " << code << " with no indicator open";
    if (code >= 0 && total != 4) saverOpened = true;
  }
  EXPECT_TRUE(saverOpened) << "the saving reported its own progress";
  EXPECT_EQ(progress.reports.back().first, -2);
  EXPECT_EQ(lumora::GetProgressIndicator(), &progress) << "the run gives the indicator back";
  std::filesystem::remove_all(folder);
}

TEST_F(DocumentScript, RefusedStatementsSayWhyAndChangeNothing) {
  ASSERT_EQ(Run({"CreateNewLayer(\"Masked\",\"Normal\",100,0,1);"}), "");
  ASSERT_EQ(Run({"CreateNewLayer(\"Locked\",\"Normal\",100,0,1);"}), "");
  Stack().GetLayer(2)->SetTransparencyLock(1);
  doc->SetModifiedFlag(false);
  const int steps = doc->History().UndoCount();
  const struct {
    LineList lines;
    const char* why;  // what the reason names
  } cases[] = {{{"SetActiveLayer(0);", "Edges(143,0);"}, "no mask"},
               {{"SetActiveLayer(2);", "Edges(143,0);"}, "transparency is locked"},
               {{"SetActiveLayer(1);", "Edges(144,0);"}, "no edge template 144"},
               {{"SetActiveLayer(1);", "Edges(-1,0);"}, "no edge template -1"},
               {{"SetActiveLayer(1);", "Edges(143,5);"}, "lighting 5"},
               {{"SetActiveLayer(7);", "Edges(143,0);"}, "no layer 7"}};
  for (const auto& c : cases) {
    const std::string why = Run(c.lines);
    EXPECT_NE(why.find(c.why), std::string::npos) << c.lines.back() << ": " << why;
    EXPECT_FALSE(doc->IsModified()) << c.lines.back() << ": a refused statement changes nothing";
    EXPECT_EQ(doc->History().UndoCount(), steps) << c.lines.back();
  }
  EXPECT_NE(Run({"SetLayerOpacity(\"half\");"}).find("wrong kind"), std::string::npos);
  EXPECT_NE(Run({"Resize(4,3);"}).find("missing"), std::string::npos);
  EXPECT_EQ(Stack().GetWidth(), 8) << "nothing done on a refused statement";
  site.active = nullptr;
  EXPECT_NE(Run({"DeleteLayer();"}).find("no active image"), std::string::npos);
  EXPECT_EQ(Run({"Undo();"}), "") << "nothing to undo goes on";
}

// ---- The statements run the document's own operations ----

// What a statement and its operation must leave alike: every layer with its
// pixels, the active layer, the size, and the history's names.
struct DocumentState {
  std::vector<std::string> layers;
  std::vector<std::vector<std::uint8_t>> pixels;
  int active = -1, width = 0, height = 0;
  std::vector<std::string> history;
  bool operator==(const DocumentState&) const = default;
};

std::vector<std::uint8_t> BytesOf(const VrWA2000::WA* buffer) {
  std::vector<std::uint8_t> bytes;
  if (buffer == nullptr) return bytes;
  const int rowBytes = buffer->GetW() * (buffer->GetType() == kWAType24 ? 3 : 1);
  for (int y = 0; y < buffer->GetH(); ++y) bytes.insert(bytes.end(), buffer->Row(y), buffer->Row(y) + rowBytes);
  return bytes;
}

DocumentState StateOf(ImageDocument& doc) {
  DocumentState state;
  const CLayersManager& stack = *doc.GetLayers();
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer& l = *stack.GetLayer(i);
    const RECT r = l.GetRect();
    state.layers.push_back(l.GetName() + "|" + l.GetLinkText() + "|" + std::to_string(r.left) + "," +
                           std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom) +
                           "|m" + std::to_string(l.HasMask()) + "/" + std::to_string(l.GetMaskFlags()) + "|f" +
                           std::to_string(l.GetFlags()) + "|o" + std::to_string(l.GetOpacity()) + "|b" +
                           std::to_string(l.GetMergeMode()) + "|l" + std::to_string(l.GetLinkId() != 0) + "|g" +
                           std::to_string(l.GetGrouped()) + "|p" + std::to_string(l.GetPositionLocked()) + "|e" +
                           std::to_string(l.GetEditMask()));
    state.pixels.push_back(BytesOf(l.PeekImage()));
    state.pixels.push_back(BytesOf(l.PeekMask()));
  }
  state.active = stack.GetLayerIndex(stack.GetActiveLayer());
  state.width = stack.GetWidth();
  state.height = stack.GetHeight();
  for (int i = 0; i < doc.History().UndoCount(); ++i) state.history.push_back(doc.History().UndoItem(i)->GetName());
  state.history.push_back(doc.HistoryState().name);
  return state;
}

// A red 8 x 6 image with a green layer (2, 1, 6, 5) and a blue one (0, 0,
// 4, 3) on top, both masked, the blue one active.
void Prepare(ImageDocument& doc) {
  CLayersManager& stack = *doc.GetLayers();
  const auto add = [&](const RECT& r, int red, int green, int blue, const char* name) {
    WAPtr image = WAPtr::Adopt(NewWA(kWAType24, r.right - r.left, r.bottom - r.top, nullptr));
    FillWA(image.get(), red, green, blue);
    CLayer* layer = new CLayer(image.get(), POINT{r.left, r.top}, 0, nullptr, 0);
    layer->CreateMask(1);
    layer->SetName(name);
    stack.AddLayer(layer);
    layer->Release();
  };
  stack.GetLayer(0)->SetName("Background");
  add(RECT{2, 1, 6, 5}, 0, 255, 0, "Green");
  add(RECT{0, 0, 4, 3}, 0, 0, 255, "Blue");
  // A white column, so that mirrors show.
  FillLayerRect(stack.GetLayer(2), RECT{0, 0, 1, 3}, 255);
  doc.SetActiveLayerByIndex(2, true, false);
}

Fragment* RectFragment(const RECT& r) {
  LURECT lu;
  RectToLURect(&lu, &r);
  return CreateRectFrg(&lu, 0);
}

TEST_F(DocumentScript, EachStatementLeavesWhatItsOperationLeaves) {
  struct Case {
    LineList lines;
    std::function<bool(ImageDocument&)> operation;
  };
  static const std::uint8_t kRanges[8][4] = {{1, 2, 3, 4}, {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255},
                                             {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}};
  const auto withRect = [](const RECT& r, std::function<bool(ImageDocument&, Fragment*)> op) {
    return [r, op](ImageDocument& d) {
      Fragment* f = RectFragment(r);
      const bool done = op(d, f);
      DeleteFragment(f);
      return done;
    };
  };
  const std::vector<Case> cases = {
      {{"Resize(16,12,150,150);"}, [](ImageDocument& d) { return d.ResizeImage(16, 12, 150, 150); }},
      {{"CanvasSize({-1,0,9,7});"}, [](ImageDocument& d) { return d.ResizeCanvas(RECT{-1, 0, 9, 7}); }},
      {{"Rotate(9000);"}, [](ImageDocument& d) { return d.RotateImage(-90.0, 0); }},
      {{"FlipImage(1,1);"}, [](ImageDocument& d) { return d.FlipImage(true, true); }},
      {{"CreateNewLayer(\"N\",\"Screen\",50,1,1);"},
       [](ImageDocument& d) { return d.NewLayer("N", "Screen", 50, true, true); }},
      {{"SetLayerOptions(\"T\",\"Multiply\",40,0x04030201,0xff000000,0xff000000,0xff000000,0xff000000,"
        "0xff000000,0xff000000,0xff000000);"},
       [](ImageDocument& d) { return d.TuneLayer("T", "Multiply", 40, kRanges); }},
      {{"DeleteLayer();"}, [](ImageDocument& d) { return d.DeleteActiveLayer(); }},
      {{"AddRect(1,0,3,2,14);", "CopyToNewLayer(1);"},
       withRect(RECT{1, 0, 3, 2}, [](ImageDocument& d, Fragment* f) { return d.NewLayerViaCopy(f, true); })},
      {{"AddRect(1,0,3,2,14);", "ClearSelection(0,0);"},
       withRect(RECT{1, 0, 3, 2}, [](ImageDocument& d, Fragment* f) { return d.ClearSelection(f); })},
      {{"AddRect(1,0,3,2,14);", "AddLayerMaskWithSelection(0);"},
       withRect(RECT{1, 0, 3, 2}, [](ImageDocument& d, Fragment* f) { return d.NewMaskFromSelection(f, false); })},
      {{"Flip(1,0);"}, [](ImageDocument& d) { return d.DoFlipLayer(nullptr, true, false); }},
      {{"AddRect(0,0,2,2,14);", "Flip(1,0);"},
       withRect(RECT{0, 0, 2, 2}, [](ImageDocument& d, Fragment* f) { return d.DoFlipLayer(f, true, false); })},
      {{"RotateLayer(9000);"}, [](ImageDocument& d) { return d.DoRotateLayer(nullptr, -90.0); }},
      {{"AddRect(0,0,4,2,14);", "RotateLayer(-18000);"},
       withRect(RECT{0, 0, 4, 2}, [](ImageDocument& d, Fragment* f) { return d.DoRotateLayer(f, 180.0); })},
      {{"TransformLayer(2,1,0,0,{1,1},{2,-3},{0,0},{0,0},{0,0},{0,0},0);"},
       [](ImageDocument& d) {
         lumora::LayerTransformPlan plan;
         plan.moveMode = 2;
         plan.move = POINT{1, 1};
         plan.scale = true;
         plan.width = 2;
         plan.height = -3;
         return d.NumericLayerTransform(nullptr, plan);
       }},
      {{"SetActiveLayer(0);", "AddLayerMask(0);"},
       [](ImageDocument& d) { return d.SetActiveLayerByIndex(0, false, false), d.AddLayerMask(false); }},
      {{"EnableLayerMask(0);"}, [](ImageDocument& d) { return d.EnableLayerMask(false); }},
      {{"SetActiveLayer(1);", "Edges(143,0);"},
       [](ImageDocument& d) { return d.SetActiveLayerByIndex(1, false, false), d.ApplyEdge(ClearLeftColumn, 0, "Shadow"); }},
      {{"Edges(143,3);"}, [](ImageDocument& d) { return d.ApplyEdge(ClearLeftColumn, 3, "Shadow"); }},
      {{"RemoveLayerMask(1);"}, [](ImageDocument& d) { return d.RemoveLayerMask(true); }},
      {{"EditLayerMask(1);"}, [](ImageDocument& d) { return d.EditLayerMask(true); }},
      {{"GroupLayer();", "UngroupLayer();"},
       [](ImageDocument& d) { return d.GroupWithPrevious() && d.Ungroup(); }},
      {{"SetActiveLayer(0);", "BringLayerToFront();", "SendLayerBackward();"},
       [](ImageDocument& d) {
         // The run's active layer is applied again before each statement.
         d.SetActiveLayerByIndex(0, false, false);
         const bool front = d.BringToFront();
         d.SetActiveLayerByIndex(0, false, false);
         return front && d.SendBackward();
       }},
      {{"SendLayerToBack();", "BringLayerForward();"},
       [](ImageDocument& d) { return d.SendToBack() && d.BringForward(); }},
      {{"AddLayerLink(1);", "AlignLayer(3);", "DistributeLayer(4);", "DeleteLayerLink(1);"},
       [](ImageDocument& d) {
         return d.AddLayerLink(1) && d.AlignLinkedLayers(3) && d.DistributeLinkedLayers(4) && d.DeleteLayerLink(1);
       }},
      {{"AddLayerLink(1);", "MergeLayer();"}, [](ImageDocument& d) { return d.AddLayerLink(1) && d.MergeLinked(); }},
      {{"MergeLayer();"}, [](ImageDocument& d) { return d.MergeLinked(); }},
      {{"MergeVisibleLayers();"}, [](ImageDocument& d) { return d.MergeVisible(); }},
      {{"FlattenImage();"}, [](ImageDocument& d) { return d.FlattenImage(); }},
      {{"LayerWEB(\"http://example.org/\");", "HideLayer();", "ShowLayer();"},
       [](ImageDocument& d) { return d.SetLayerWebLink("http://example.org/") && d.ShowLayer(false) && d.ShowLayer(true); }},
      {{"ChangeLayerMergeMode(\"Difference\");", "LockLayerPixels(1);", "LockLayerPosition(1);", "SetLayerOpacity(30);"},
       [](ImageDocument& d) {
         return d.SetLayerMergeMode("Difference") && d.LockLayerPixels(true, true) && d.LockLayerPosition(true, true) &&
                d.SetLayerOpacity(30, true);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.back());
    ImageDocument* scripted = site.MakeBlank(8, 6, kRed, "S");
    Prepare(*scripted);
    ASSERT_EQ(Run(c.lines), "");
    lumora::testing::NullDocumentHost host;
    ImageDocument direct(&host);
    lumora::CreationRecord record{2, 8, 6, 0x00480048u, kRed};
    ASSERT_EQ(direct.NewImage(record), 1);
    Prepare(direct);
    ASSERT_TRUE(c.operation(direct));
    EXPECT_EQ(StateOf(*scripted), StateOf(direct));
    // Enabling a mask is no step: neither has one to undo then.
    EXPECT_EQ(scripted->UndoRedo(false), direct.UndoRedo(false));
    EXPECT_EQ(StateOf(*scripted), StateOf(direct)) << "and undo takes back the same step";
    direct.Queue().StopThread();
    site.CloseDocument(*scripted);
  }
}

// The copy goes above the target's active layer, centred on its content,
// in one "Insert layer" step of the target; the target is found by title.
TEST_F(DocumentScript, DuplicateLayerInsertsAboveTheTargetsActiveLayerCentred) {
  ImageDocument* target = site.MakeBlank(20, 10, 0xFFFFFFu, "Target");
  ASSERT_EQ(target->GetLayers()->AddLayerFromImage(
                WAPtr::Adopt(NewWA(kWAType24, 4, 4, nullptr)).get(), POINT{0, 0}, 0),
            0);
  target->SetActiveLayerByIndex(0, true, false);
  site.active = doc;
  Prepare(*doc);
  ASSERT_EQ(Run({"DuplicateLayer(\"Target\",\"Copied\",0);"}), "");
  const CLayersManager& stack = *target->GetLayers();
  ASSERT_EQ(stack.GetLayerCount(), 3);
  EXPECT_EQ(stack.GetLayer(1)->GetName(), "Copied") << "above the active bottom layer, not on top";
  EXPECT_EQ(stack.GetActiveLayer(), stack.GetLayer(1));
  POINT centre{};
  stack.GetLayer(1)->GetContentCenter(&centre);
  EXPECT_EQ(centre.x, 10);
  EXPECT_EQ(centre.y, 5);
  EXPECT_EQ(target->HistoryState().name, "Insert layer");
  EXPECT_EQ(target->History().UndoCount(), 1);
  EXPECT_NE(Run({"DuplicateLayer(\"Nowhere\",\"Lost\",0);"}).find("no open image"), std::string::npos);
}

TEST(MacroLanguage, StartUpInstallsEveryTableTheRecorderAndTheMacroFolder) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lang_startup");
  std::filesystem::copy_file(ShippedLangIni(), folder / "LANG.ini");
  TestSite site;
  ImageDocument* doc = site.MakeBlank(4, 4, kRed, "A");
  MacroLineBuffer sink;
  InstallMacroLanguage({(folder / "Lumo40.exe").string(), &site, nullptr, &sink, nullptr});

  ScriptStop stop;
  EXPECT_TRUE(RunScript({"AddRect(0,0,2,2,14);", "CreateNewLayer(\"L\",\"Normal\",100,0,1);", "DeleteLayer();"},
                        &stop))
      << stop.reason;
  EXPECT_EQ(doc->GetLayers()->GetLayerCount(), 1);

  // A registered-tool statement runs on the active document's layer as the
  // tool itself does on a copy.
  WAPtr before = doc->GetActiveImage();
  for (int y = 0; y < before->GetH(); ++y)
    for (int i = 0; i < before->GetBPLine(); ++i) before->Row(y)[i] = static_cast<std::uint8_t>((y * 37 + i * 11) % 251);
  WAPtr expected = WAPtr::Adopt(new VrWA2000::WA(*before, false));
  LUTool* tool = LUCreateTool(nullptr, "maximum_effect");
  ASSERT_NE(tool, nullptr);
  LUSetParameter(tool, kLUSlotSource, 0, expected.get());
  ASSERT_EQ(LUToolExecute(tool, 0, 0, 0, 0), 0);
  LUDeleteTool(tool);
  doc->SetModifiedFlag(false);
  EXPECT_TRUE(RunScript({"Maximum(3,3,0,0);"}, &stop)) << stop.reason;
  WAPtr after = doc->GetActiveImage();
  for (int y = 0; y < after->GetH(); ++y)
    ASSERT_EQ(0, std::memcmp(after->Row(y), expected->Row(y), static_cast<std::size_t>(after->GetW()) * 3)) << y;
  EXPECT_TRUE(doc->IsModified());

  RecordDeleteLayer();
  EXPECT_TRUE(sink.Lines().empty()) << "the buffer records only while switched on";
  sink.SetRecording(true);
  RecordDeleteLayer();
  EXPECT_EQ(sink.Lines(), (LineList{"SetActiveLayer(0);", "DeleteLayer();"}));
  EXPECT_EQ(GetMacroTempFolder().parent_path().parent_path(), folder);

  site.active = nullptr;
  RecordDeleteLayer();
  EXPECT_EQ(sink.Lines().size(), 2u) << "nothing recorded without an active image";

  RemoveMacroLanguage();
  EXPECT_EQ(GetLangCommands(), nullptr);
  std::filesystem::remove_all(folder);
}

// Fills every byte of the image with a pattern of its own.
void Scribble(VrWA2000::WA* image, int seed) {
  for (int y = 0; y < image->GetH(); ++y)
    for (int i = 0; i < image->GetBPLine(); ++i)
      image->Row(y)[i] = static_cast<std::uint8_t>((y * 37 + i * 11 + seed * 53) % 251);
}

bool SamePixels(const VrWA2000::WA* a, const VrWA2000::WA* b) {
  for (int y = 0; y < a->GetH(); ++y)
    if (std::memcmp(a->Row(y), b->Row(y), static_cast<std::size_t>(a->GetW()) * 3) != 0) return false;
  return true;
}

// A recorded tool statement follows "SetActiveLayer(n);": the tool works on
// layer n whichever layer the document has active at replay.
TEST(MacroLanguage, ToolStatementsRunOnTheLayerTheScriptSets) {
  const std::filesystem::path folder = lumora::testing::MakeUniqueTempFolder("lang_tool_layer");
  std::filesystem::copy_file(ShippedLangIni(), folder / "LANG.ini");
  TestSite site;
  ImageDocument* doc = site.MakeBlank(7, 5, kRed, "A");
  InstallMacroLanguage({(folder / "Lumo40.exe").string(), &site, nullptr, nullptr, nullptr});
  ScriptStop stop;
  ASSERT_TRUE(RunScript({"CreateNewLayer(\"L\",\"Normal\",100,0,1);"}, &stop)) << stop.reason;
  CLayersManager& stack = *doc->GetLayers();
  ASSERT_EQ(stack.GetLayerCount(), 2);

  for (const int target : {0, 1}) {
    SCOPED_TRACE(target);
    const int other = 1 - target;
    std::vector<WAPtr> before;
    for (int i = 0; i < 2; ++i) {
      Scribble(stack.GetLayer(i)->GetImage().get(), i);
      before.push_back(WAPtr::Adopt(new VrWA2000::WA(*stack.GetLayer(i)->GetImage().get(), false)));
    }
    WAPtr expected = WAPtr::Adopt(new VrWA2000::WA(*before[target], false));
    LUTool* tool = LUCreateTool(nullptr, "maximum_effect");
    ASSERT_NE(tool, nullptr);
    LUSetParameter(tool, kLUSlotSource, 0, expected.get());
    ASSERT_EQ(LUToolExecute(tool, 0, 0, 0, 0), 0);
    LUDeleteTool(tool);
    ASSERT_FALSE(SamePixels(expected.get(), before[target].get())) << "the pattern shows the tool's work";

    doc->SetActiveLayerByIndex(other, false, false);
    ASSERT_TRUE(RunScript({"SetActiveLayer(" + std::to_string(target) + ");", "Maximum(3,3,0,0);"}, &stop))
        << stop.reason;
    EXPECT_TRUE(SamePixels(stack.GetLayer(target)->GetImage().get(), expected.get())) << "the script's layer filtered";
    EXPECT_TRUE(SamePixels(stack.GetLayer(other)->GetImage().get(), before[other].get())) << "the other layer untouched";
    EXPECT_EQ(stack.GetLayerIndex(doc->GetActiveLayer()), target);
  }
  // A layer the image does not have stops the run and changes nothing.
  EXPECT_FALSE(RunScript({"SetActiveLayer(2);", "Maximum(3,3,0,0);"}, &stop));
  EXPECT_NE(stop.reason.find("no layer 2"), std::string::npos) << stop.reason;

  // An edge degree past the widest soft edge (250 pixels) works as the widest.
  std::vector<WAPtr> edged;
  for (const char* degree : {"250", "2147483647"}) {
    Scribble(stack.GetLayer(0)->GetImage().get(), 5);
    ASSERT_TRUE(RunScript({"SetActiveLayer(0);", "AddRect(2,1,5,4,14);", "SetEdgeType(2);",
                           std::string("SetEdgeDegree(") + degree + ");", "Maximum(3,3,0,0);"},
                          &stop))
        << degree << ": " << stop.reason;
    edged.push_back(WAPtr::Adopt(new VrWA2000::WA(*stack.GetLayer(0)->GetImage().get(), false)));
  }
  EXPECT_TRUE(SamePixels(edged[0].get(), edged[1].get()));
  RemoveMacroLanguage();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lang
