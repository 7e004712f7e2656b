// The Image menu, Edit/History..., the view's right-button layer menu and
// the crop tool in the program's own start-up: commands chosen from the
// menus after their popups opened (so the update rules ran), dialogs
// answered by the dialog script, the results compared in the program, and
// the files saved after each command listed for check_image_files.py,
// which reads them with ag-psd and ImageMagick.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ErrorBox.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/ImageSizeForm.h"
#include "dialogs/ApplyImage.h"
#include "dialogs/Mixing.h"
#include "dialogs/PicFactory.h"
#include "dialogs/win/EdgeDlg.h"
#include "dialogs/win/HelpSupport.h"
#include "dialogs/win/ImageDialogs.h"
#include "document/ImageCommands.h"
#include "document/win/Lumo40Doc.h"
#include "engine/blend/MergeModes.h"
#include "engine/layers/LayerMng.h"
#include "engine/layers/LayerText.h"
#include "hostapi/fragment.h"
#include "framework/CommandIds.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "hostapi/toolhost.h"
#include "libs/toolhost/CropTool.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"
#include "ui/LayerMaskSelection.h"
#include "res/toolhost_ids.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/menu_items.h"
#include "tests/support/win/user_input.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using testing::DialogScript;
using testing::HelpWatchingApp;
using testing::ItemText;
using testing::MessageBoxOf;
using testing::PickByText;
using testing::Press;
using testing::SendMouse;
using testing::SettingsFileOfThisProgram;

std::string Made(const std::string& name) { return std::string(LUMORA_MADE_FILES) + "/" + name; }

// One line for the checker that reads the saved files afterwards.
void AddCheck(const std::string& line) {
  std::ofstream(Made("checks.txt"), std::ios::app) << line << "\n";
}

// The layer's pixel at (x, y) counted from the top of its rect, as RGBA:
// colour from the image, alpha from the mask (255 without), as the layered
// file carries it.
void AppendLayerRGBA(const CLayer& layer, std::string* out) {
  const VrWA2000::WA* image = layer.PeekImage();
  const VrWA2000::WA* mask = layer.HasMask() ? layer.PeekMask() : nullptr;
  for (int y = image->GetH() - 1; y >= 0; --y) {
    for (int x = 0; x < image->GetW(); ++x) {
      const std::uint8_t* p = image->Row(y) + 3 * x;
      out->push_back(static_cast<char>(p[2]));
      out->push_back(static_cast<char>(p[1]));
      out->push_back(static_cast<char>(p[0]));
      out->push_back(static_cast<char>(mask != nullptr ? mask->Row(y)[x] : 255));
    }
  }
}

// What ag-psd should read: the size and each layer's rect (rows from the
// top) and pixels.
void WriteExpectation(const CLayersManager& stack, const std::string& prefix) {
  std::ofstream text(Made(prefix + ".txt"));
  text << "size " << stack.GetWidth() << " " << stack.GetHeight() << "\n";
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const RECT& r = stack.GetLayer(i)->GetRect();
    text << "layer " << i << " " << r.left << " " << stack.GetHeight() - r.bottom << " " << r.right << " "
         << stack.GetHeight() - r.top << "\n";
    std::string pixels;
    AppendLayerRGBA(*stack.GetLayer(i), &pixels);
    std::ofstream(Made(prefix + "." + std::to_string(i) + ".rgba"), std::ios::binary) << pixels;
  }
}

// Every layer's rect, image and mask equal (the names and order too).
void ExpectSameLayers(const CLayersManager& a, const CLayersManager& b, const char* what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(a.GetWidth(), b.GetWidth());
  ASSERT_EQ(a.GetHeight(), b.GetHeight());
  ASSERT_EQ(a.GetLayerCount(), b.GetLayerCount());
  for (int i = 0; i < a.GetLayerCount(); ++i) {
    const CLayer& x = *a.GetLayer(i);
    const CLayer& y = *b.GetLayer(i);
    EXPECT_EQ(x.GetName(), y.GetName());
    EXPECT_TRUE(RectsEqual(x.GetRect(), y.GetRect())) << i;
    std::string px, py;
    AppendLayerRGBA(x, &px);
    AppendLayerRGBA(y, &py);
    EXPECT_TRUE(px == py) << "layer " << i << " pixels";
  }
}

CLayersManagerPtr DeepCopy(const CLayersManager& stack) {
  return CLayersManagerPtr::Adopt(new CLayersManager(stack));
}

class ImageCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = std::make_unique<HelpWatchingApp>();
    ASSERT_TRUE(testing::StartProgram(*app_).started);
  }
  void TearDown() override {
    DialogScript::Stop();
    testing::DiscardChanges(*app_);
    testing::CloseProgram(*app_);
    app_.reset();
  }

  CLumo40Doc* Open(const std::string& name) {
    auto* doc = dynamic_cast<CLumo40Doc*>(app_->OpenDocumentFile(Made(name)));
    SettleInFourRounds();
    return doc;
  }
  CLayersManager& Stack(CLumo40Doc* doc) { return *doc->Image().GetLayers(); }
  HWND View(CLumo40Doc* doc) { return doc->Views().front()->Handle(); }

  // Messages and idle work, four rounds with a short pause after each
  // (the rig's Settle(app) runs three without pauses).
  void SettleInFourRounds() {
    for (int round = 0; round < 4; ++round) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!app_->PreTranslateMessage(&msg)) {
          TranslateMessage(&msg);
          DispatchMessageA(&msg);
        }
      }
      for (int count = 0; app_->OnIdle(count) && count < 20; ++count) {
      }
      Sleep(5);
    }
  }

  // Chooses a command as the user does: its popup opens (the update rules
  // run) and the item is clicked when it is enabled. False when no menu
  // holds it or it is greyed.
  bool Choose(UINT id) {
    if (!testing::ChooseFromMenus(app_->MainFrame()->Handle(), id)) return false;
    SettleInFourRounds();
    return true;
  }

  bool Save(CLumo40Doc* doc, const std::string& name) { return doc->OnSaveDocument(Made(name)); }

  testing::FreshSettings settings_;
  std::unique_ptr<CLumo40App> app_;
};

// ---- Image Size

TEST_F(ImageCommands, ImageSizeAtHalfAndDoubleEqualsTheEnginesResample) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  const std::string memory = MemoryText(60, 40, 60, 40, ImageMemoryEstimate(*original));
  for (const int width : {30, 120}) {
    SCOPED_TRACE(width);
    std::string shownMemory, shownHeight;
    DialogScript::Run({{"Image Size", [&](HWND d) {
                          shownMemory = ItemText(d, IDC_ISZ_MEMORY);
                          SetDlgItemTextA(d, IDC_ISZ_WIDTH, std::to_string(width).c_str());
                          shownHeight = ItemText(d, IDC_ISZ_HEIGHT);
                          Press(d, IDOK);
                        }}});
    const int steps = doc->Image().History().UndoCount();
    ASSERT_TRUE(Choose(ID_IMAGE_SIZE));
    EXPECT_EQ(DialogScript::done, 1);
    EXPECT_EQ(shownMemory, memory);
    EXPECT_EQ(shownHeight, std::to_string(width * 2 / 3));
    // The engine's own resample of the opened image, made apart.
    CLayersManagerPtr expected = DeepCopy(*original);
    ASSERT_EQ(expected->ResizeImage(SIZE{width, width * 2 / 3}), 1);
    ExpectSameLayers(Stack(doc), *expected, "resized");
    EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
    EXPECT_EQ(doc->Image().HistoryState().name, "Resize image");
    const std::string name = "size" + std::to_string(width);
    ASSERT_TRUE(Save(doc, name + ".psd"));
    WriteExpectation(*expected, name + ".expect");
    AddCheck("resampled " + name + ".psd " + name + ".expect");
    ASSERT_TRUE(Choose(ID_EDIT_UNDO));
    ExpectSameLayers(Stack(doc), *original, "undone");
  }
}

TEST_F(ImageCommands, ImageSizeMemoryCannotHoldFailsWithAMessageAndChangesNothing) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  const int steps = doc->Image().History().UndoCount();
  static std::string message;
  message.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowA(kErrorBoxClass, nullptr);
    if (box == nullptr || !IsWindowVisible(box)) return;
    KillTimer(nullptr, id);
    message = ItemText(box, IDC_ERRORDLG_MESSAGE);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  DialogScript::Run({{"Image Size", [](HWND d) {
                        SetDlgItemTextA(d, IDC_ISZ_WIDTH, "6000");
                        // The buffers the change needs cannot be had.
                        VrWA2000::ReadWA::MM_SetMemoryLimits(VrWA2000::ReadWA::MM_BytesInUse() + (1 << 20));
                        Press(d, IDOK);
                      }}});
  const bool chosen = Choose(ID_IMAGE_SIZE);
  VrWA2000::ReadWA::MM_SetMemoryLimits(0);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(message, "Not enough memory to build, convert or install the image.");
  ExpectSameLayers(Stack(doc), *original, "after the failure");
  EXPECT_EQ(doc->Image().History().UndoCount(), steps);
}

// ---- Frames

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of("\\/"));
}

TEST_F(ImageCommands, FramesSmallWithASmallMatAroundA640By480Image) {
  CLumo40Doc* doc = Open("frame640.png");
  ASSERT_NE(doc, nullptr);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  bool noneGreysStyle = false, noMatGreysMatStyle = false, previewDrawn = false;
  std::uintptr_t helpTopic = 0;
  DialogScript::Run({{"Frame", [&](HWND d) {
                        // The button itself, clicked: it exists and reaches the help.
                        SendMessageA(GetDlgItem(d, ID_HELP), BM_CLICK, 0, 0);
                        helpTopic = static_cast<HelpWatchingApp*>(app_.get())->lastTopic;
                        PickByText(d, IDC_FRAME_TYPE, "none");
                        noneGreysStyle = !IsWindowEnabled(GetDlgItem(d, IDC_FRAME_STYLE)) &&
                                         !IsWindowEnabled(GetDlgItem(d, IDC_FRAME_SIZE));
                        PickByText(d, IDC_FRAME_MAT_SIZE, "None");
                        noMatGreysMatStyle = !IsWindowEnabled(GetDlgItem(d, IDC_FRAME_MAT_STYLE));
                        PickByText(d, IDC_FRAME_TYPE, "Metal");
                        PickByText(d, IDC_FRAME_STYLE, "Gold");
                        PickByText(d, IDC_FRAME_SIZE, "Small");
                        PickByText(d, IDC_FRAME_SHAPE, "Round");
                        PickByText(d, IDC_FRAME_MAT_SIZE, "Small");
                        PickByText(d, IDC_FRAME_MAT_STYLE, "Linen");
                        PickByText(d, IDC_FRAME_LIGHT, "Top right");
                        // The preview shows something other than the face colour.
                        HWND preview = GetDlgItem(d, IDC_FRAME_PREVIEW);
                        UpdateWindow(preview);
                        HDC dc = GetDC(preview);
                        RECT r{};
                        GetClientRect(preview, &r);
                        previewDrawn = GetPixel(dc, r.right / 2, r.bottom / 2) != GetSysColor(COLOR_BTNFACE);
                        ReleaseDC(preview, dc);
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_IMAGE_FRAMES));
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_TRUE(noneGreysStyle);
  EXPECT_TRUE(noMatGreysMatStyle);
  EXPECT_TRUE(previewDrawn);
  EXPECT_EQ(helpTopic, DialogHelpTopic(IDD_FRAME)) << "Help opens the dialog's topic";
  CLayersManager& stack = Stack(doc);
  ASSERT_EQ(stack.GetWidth(), 720);
  ASSERT_EQ(stack.GetHeight(), 560);
  EXPECT_EQ(stack.GetResolution(), original->GetResolution());
  ASSERT_EQ(stack.GetLayerCount(), original->GetLayerCount() + 1);
  for (int i = 0; i < original->GetLayerCount(); ++i) {
    EXPECT_EQ(stack.GetLayer(i)->GetRect().left, original->GetLayer(i)->GetRect().left + 40);
    EXPECT_EQ(stack.GetLayer(i)->GetRect().top, original->GetLayer(i)->GetRect().top + 40);
  }
  const CLayer& frame = *stack.GetLayer(stack.GetLayerCount() - 1);
  EXPECT_EQ(frame.GetName(), "Frame");
  EXPECT_EQ(stack.GetActiveLayer(), &frame);
  EXPECT_EQ(doc->Image().HistoryState().name, "Frame");
  // The layer holds the factory's picture for the same choices, row by row.
  CPicFactory factory(ProgramFolder());
  const FramePicture expected =
      DrawFramePicture(factory, FrameChoice{0, 1, 1, 2, "Gold", "Linen", static_cast<DocumentHost*>(doc)->FillColour()}, 640, 480, false, 30000);
  ASSERT_FALSE(expected.dib.empty());
  const VrWA2000::WA* image = frame.PeekImage();
  const VrWA2000::WA* mask = frame.PeekMask();
  ASSERT_NE(mask, nullptr);
  ASSERT_EQ(image->GetW(), 720);
  int differentRows = 0, drawn = 0;
  for (int y = 0; y < 560; ++y) {
    differentRows += std::memcmp(image->Row(y), &expected.dib[40 + static_cast<std::size_t>(y) * 2160], 2160) != 0;
    differentRows += std::memcmp(mask->Row(y), &expected.maskDib[40 + 1024 + static_cast<std::size_t>(y) * 720], 720) != 0;
    for (int x = 0; x < 720; ++x) drawn += mask->Row(y)[x] == 255;
  }
  EXPECT_EQ(differentRows, 0);
  EXPECT_EQ(drawn, 720 * 560 - 640 * 480);  // the ring around the image, nothing inside
  // The choices are kept by name for the next time.
  fw::Profile& settings = app_->Settings();
  EXPECT_EQ(settings.GetString("Frame", "FrTypeStr", ""), "Metal");
  EXPECT_EQ(settings.GetString("Frame", "FrStyleStr", ""), "Gold");
  EXPECT_EQ(settings.GetString("Frame", "MtNameStr", ""), "Linen");
  EXPECT_EQ(settings.GetInt("Frame", "Shadow", -1), 1);
  ASSERT_TRUE(Choose(ID_EDIT_UNDO));
  ExpectSameLayers(stack, *original, "undone");
}

// ---- Edges

TEST_F(ImageCommands, EdgesRefuseALayerWithoutMaskThenShapeTheMaskForEachLighting) {
  CLumo40Doc* doc = Open("frame640.png");
  ASSERT_NE(doc, nullptr);
  const std::string caption(res::String(IDS_APP_CAPTION));
  std::string said;
  // Without a mask the transparency is locked too: "no mask" comes first.
  ASSERT_EQ(Stack(doc).GetActiveLayer()->HasMask(), 0);
  DialogScript::Run({{caption, [&](HWND box) {
                        said = ItemText(box, 0xFFFF);
                        Press(box, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_LAYER_EDGES));
  EXPECT_EQ(said, "Layer has no mask. Add mask to perform this action!");
  ASSERT_TRUE(Choose(ID_LAYER_MASK_REVEAL_ALL));
  ASSERT_NE(Stack(doc).GetActiveLayer()->HasMask(), 0);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  const EdgeTemplate charcoal = LoadEdgeTemplate(143);
  ASSERT_EQ(charcoal.width, 96);
  for (int lighting = 0; lighting < 5; ++lighting) {
    SCOPED_TRACE(lighting);
    bool okOffOutside = false, okBackInside = false;
    DialogScript::Run({{"Edge style", [&](HWND d) {
                          // A click beside every cell leaves nothing to apply.
                          SendMessageA(d, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
                          okOffOutside = !IsWindowEnabled(GetDlgItem(d, IDOK));
                          RECT area{};
                          GetWindowRect(GetDlgItem(d, IDC_EDGE_AREA), &area);
                          MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&area), 2);
                          SendMessageA(d, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.left + 20, area.top + 33 + 20));
                          okBackInside = IsWindowEnabled(GetDlgItem(d, IDOK)) != FALSE;
                          SendDlgItemMessageA(d, IDC_EDGE_LIGHTING, CB_SETCURSEL, static_cast<WPARAM>(lighting), 0);
                          SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_EDGE_LIGHTING, CBN_SELCHANGE),
                                       reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_EDGE_LIGHTING)));
                          Press(d, IDOK);
                        }}});
    ASSERT_TRUE(Choose(ID_LAYER_EDGES));
    EXPECT_EQ(DialogScript::done, 1);
    EXPECT_TRUE(okOffOutside);
    EXPECT_TRUE(okBackInside);
    CLayersManager& stack = Stack(doc);
    const int count = original->GetLayerCount() + (lighting != 0 ? 1 : 0);
    ASSERT_EQ(stack.GetLayerCount(), count);
    const CLayer& layer = *stack.GetActiveLayer();
    // The mask is the opened one through the first template of the first page.
    const VrWA2000::WA* before = original->GetActiveLayer()->PeekMask();
    const int w = before->GetW(), h = before->GetH();
    std::vector<std::uint8_t> expected(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) std::memcpy(&expected[static_cast<std::size_t>(y) * w], before->Row(y), w);
    ASSERT_TRUE(ApplyResourceMask(expected.data(), w, h, w, charcoal));
    int different = 0;
    for (int y = 0; y < h; ++y)
      different += std::memcmp(layer.PeekMask()->Row(y), &expected[static_cast<std::size_t>(y) * w], w) != 0;
    EXPECT_EQ(different, 0);
    EXPECT_EQ(doc->Image().HistoryState().name, lighting != 0 ? "Shadow" : "Edge");
    if (lighting != 0) {
      const CLayer& shadow = *stack.GetLayer(count - 2);
      EXPECT_EQ(shadow.GetName(), "Shadow");
      const int d = 640 * 3 / 100;
      EXPECT_EQ(shadow.GetRect().left, lighting == 1 || lighting == 3 ? d : -d);
      EXPECT_EQ(shadow.GetRect().top, lighting == 1 || lighting == 2 ? -d : d);
    }
    ASSERT_TRUE(Choose(ID_EDIT_UNDO));
    ExpectSameLayers(stack, *original, "undone");
  }
}

// ---- Canvas

TEST_F(ImageCommands, CanvasGrowsByAHundredInEachAnchor) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  ASSERT_TRUE(Save(doc, "canvas-orig.psd"));
  const int anchors[9] = {IDC_CANVAS_ANCHOR0, IDC_CANVAS_ANCHOR1, IDC_CANVAS_ANCHOR2, IDC_CANVAS_ANCHOR3, IDC_CANVAS_ANCHOR4,
                          IDC_CANVAS_ANCHOR5, IDC_CANVAS_ANCHOR6, IDC_CANVAS_ANCHOR7, IDC_CANVAS_ANCHOR8};
  for (int anchor = 0; anchor < 9; ++anchor) {
    SCOPED_TRACE(anchor);
    bool anchorShows = false;
    DialogScript::Run({{"Canvas size", [&](HWND d) {
                          SetDlgItemTextA(d, IDC_CANVAS_WIDTH, "160");
                          SetDlgItemTextA(d, IDC_CANVAS_HEIGHT, "140");
                          SendMessageA(d, WM_COMMAND, MAKEWPARAM(anchors[anchor], BN_CLICKED),
                                       reinterpret_cast<LPARAM>(GetDlgItem(d, anchors[anchor])));
                          anchorShows = SendDlgItemMessageA(d, anchors[anchor], BM_GETIMAGE, IMAGE_ICON, 0) != 0;
                          Press(d, IDOK);
                        }}});
    ASSERT_TRUE(Choose(ID_IMAGE_CANVAS));
    EXPECT_TRUE(anchorShows);
    ASSERT_EQ(Stack(doc).GetWidth(), 160);
    ASSERT_EQ(Stack(doc).GetHeight(), 140);
    // Rows count up from the bottom: the top row of anchors keeps the old
    // image's top, 100 rows above the new bottom.
    const int dx = anchor % 3 * 50, dyUp = (2 - anchor / 3) * 50;
    for (int i = 0; i < original->GetLayerCount(); ++i) {
      const RECT& was = original->GetLayer(i)->GetRect();
      const RECT& now = Stack(doc).GetLayer(i)->GetRect();
      EXPECT_EQ(now.left, was.left + dx) << i;
      EXPECT_EQ(now.top, was.top + dyUp) << i;
    }
    EXPECT_EQ(doc->Image().HistoryState().name, "Canvas size");
    const std::string name = "canvas" + std::to_string(anchor) + ".psd";
    ASSERT_TRUE(Save(doc, name));
    AddCheck("moved " + name + " canvas-orig.psd 160 140 " + std::to_string(dx) + " " + std::to_string(anchor / 3 * 50));
    ASSERT_TRUE(Choose(ID_EDIT_UNDO));
    ExpectSameLayers(Stack(doc), *original, "undone");
  }
}

TEST_F(ImageCommands, CanvasBelowOnePixelIsRefusedInTheDialog) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  const int steps = doc->Image().History().UndoCount();
  std::string said;
  DialogScript::Run({{"Canvas size", [](HWND d) {
                        SetDlgItemTextA(d, IDC_CANVAS_WIDTH, "0");
                        Press(d, IDOK);
                      }},
                     {"Canvas size", [&](HWND w) {
                        HWND box = MessageBoxOf(w);
                        if (box == nullptr) return;
                        said = ItemText(box, 0xFFFF);
                        Press(box, IDOK);
                      }},
                     {"Canvas size", [](HWND d) { Press(d, IDCANCEL); }}});
  ASSERT_TRUE(Choose(ID_IMAGE_CANVAS));
  EXPECT_EQ(DialogScript::done, 3);
  EXPECT_EQ(said, "Please enter an integer between 1 and 30000.");
  EXPECT_EQ(Stack(doc).GetWidth(), 60);
  EXPECT_EQ(doc->Image().History().UndoCount(), steps);
}

// ---- Rotations and flips

TEST_F(ImageCommands, RotationsAndFlipsAgreeWithImageMagick) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  ASSERT_TRUE(Save(doc, "turn-orig.psd"));
  struct Turn {
    UINT id;
    const char* name;
    const char* magick;
    bool swaps;
  } turns[] = {{ID_IMAGE_ROTATE_90CW, "cw", "-rotate 90", true},   {ID_IMAGE_ROTATE_90CCW, "ccw", "-rotate -90", true},
               {ID_IMAGE_ROTATE_180, "180", "-rotate 180", false}, {ID_IMAGE_FLIP_HORIZONTAL, "flop", "-flop", false},
               {ID_IMAGE_FLIP_VERTICAL, "flip", "-flip", false}};
  for (const Turn& turn : turns) {
    SCOPED_TRACE(turn.name);
    const int steps = doc->Image().History().UndoCount();
    ASSERT_TRUE(Choose(turn.id));
    EXPECT_EQ(Stack(doc).GetWidth(), turn.swaps ? 40 : 60);
    EXPECT_EQ(Stack(doc).GetHeight(), turn.swaps ? 60 : 40);
    EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
    EXPECT_EQ(doc->Image().HistoryState().name, "Rotate image");
    const std::string name = std::string("turn-") + turn.name + ".psd";
    ASSERT_TRUE(Save(doc, name));
    AddCheck("turned " + name + " turn-orig.psd " + turn.magick);
    ASSERT_TRUE(Choose(ID_EDIT_UNDO));
    ExpectSameLayers(Stack(doc), *original, "undone");
  }
}

// ---- Crop Selection, and what a text layer turns off

TEST_F(ImageCommands, CropSelectionCropsToTheSelectionAndTextLayersTurnTheGeometryOff) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  EXPECT_FALSE(Choose(ID_IMAGE_CROP_SELECTION)) << "greyed without a selection";
  const LURECT area{8, 4, 24, 18};
  Fragment* rect = CreateRectFrg(&area, 0);
  doc->Image().SetSelection(rect, true);
  DeleteFragment(rect);
  const int steps = doc->Image().History().UndoCount();
  ASSERT_TRUE(Choose(ID_IMAGE_CROP_SELECTION));
  EXPECT_EQ(Stack(doc).GetWidth(), 24);
  EXPECT_EQ(Stack(doc).GetHeight(), 18);
  EXPECT_EQ(doc->Image().GetSelection(), nullptr);
  EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(doc->Image().HistoryState().name, "Crop image");

  CLayerText* text = new CLayerText(kWAType24);
  text->SetName("Words");
  ASSERT_EQ(Stack(doc).AddLayer(text), 0);
  text->Release();
  for (const UINT id : {ID_IMAGE_ROTATE_90CW, ID_IMAGE_ROTATE_90CCW, ID_IMAGE_ROTATE_180, ID_IMAGE_FLIP_HORIZONTAL,
                        ID_IMAGE_FLIP_VERTICAL}) {
    EXPECT_FALSE(Choose(id)) << id;
  }
  EXPECT_TRUE(Choose(ID_EDIT_UNDO));  // the image commands around them stay
  EXPECT_EQ(Stack(doc).GetWidth(), 60);
}

// ---- Edit/History...

TEST_F(ImageCommands, HistoryPreviewsCancelRestoresOkJumps) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  std::vector<CLayersManagerPtr> states{DeepCopy(Stack(doc))};
  for (const UINT id : {ID_IMAGE_FLIP_HORIZONTAL, ID_IMAGE_ROTATE_90CW, ID_IMAGE_FLIP_VERTICAL}) {
    ASSERT_TRUE(Choose(id));
    states.push_back(DeepCopy(Stack(doc)));
  }
  auto Pick = [](HWND d, int index) {
    HWND list = GetDlgItem(d, IDC_HISTORY_LIST);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_HISTORY_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  };
  std::vector<std::string> entries;
  int selected = -1;
  DialogScript::Run({{"Image history", [&](HWND d) {
                        HWND list = GetDlgItem(d, IDC_HISTORY_LIST);
                        for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
                          char text[64] = {};
                          SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                          entries.push_back(text);
                        }
                        selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
                        for (int i : {0, 1, 2}) {
                          Pick(d, i);
                          ExpectSameLayers(Stack(doc), *states[static_cast<std::size_t>(i)], "preview");
                        }
                        Press(d, IDCANCEL);
                      }}});
  ASSERT_TRUE(Choose(ID_EDIT_HISTORY));
  EXPECT_EQ(entries, (std::vector<std::string>{"Initial image", "Rotate image", "Rotate image", "Rotate image"}));
  EXPECT_EQ(selected, 3);
  ExpectSameLayers(Stack(doc), *states[3], "cancelled");
  EXPECT_EQ(doc->Image().History().UndoCount(), 3);

  DialogScript::Run({{"Image history", [&](HWND d) {
                        Pick(d, 1);
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_EDIT_HISTORY));
  ExpectSameLayers(Stack(doc), *states[1], "jumped");
  EXPECT_EQ(doc->Image().History().UndoCount(), 1);
  EXPECT_EQ(doc->Image().History().RedoCount(), 2);
  ASSERT_TRUE(Choose(ID_EDIT_REDO));
  ExpectSameLayers(Stack(doc), *states[2], "redone");
}

// ---- The right-button layer menu

struct MenuPick {
  std::vector<testing::MenuItem> items;
  int downs = 0;  // how many items down the pick goes; -1 cancels
};
MenuPick* pick = nullptr;

void CALLBACK PickFromMenu(HWND, UINT, UINT_PTR id, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (menu == nullptr || !IsWindowVisible(menu)) return;
  KillTimer(nullptr, id);
  pick->items = testing::PopupItems(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)));
  if (pick->downs < 0) {
    EndMenu();
    return;
  }
  for (int i = 0; i <= pick->downs; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}

// The view's client point that shows an image pixel (rows from the bottom).
POINT ClientPointOf(CLumo40View* view, int x, int y) {
  RECT client{};
  GetClientRect(view->Handle(), &client);
  for (int v = 0; v < client.bottom; ++v) {
    for (int u = 0; u < client.right; ++u) {
      const POINT p = view->WindowPointToImagePixel(POINT{u, v});
      if (p.x == x && p.y == y) return POINT{u, v};
    }
  }
  return POINT{-1, -1};
}

TEST_F(ImageCommands, RightButtonListsTheLayersUnderThePointAndPicksOne) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  auto* view = dynamic_cast<CLumo40View*>(doc->Views().front());
  // A name of 31 characters shows as its first 27 and "...".
  Stack(doc).GetLayer(2)->SetName("Top layer with a long long name");
  // Image (36, 14) from the bottom: all three layers, Middle opaque there.
  const POINT at = ClientPointOf(view, 36, 14);
  ASSERT_GE(at.x, 0);
  MenuPick choice{{}, 1};
  pick = &choice;
  SetTimer(nullptr, 0, 30, PickFromMenu);
  SendMessageA(view->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
  SettleInFourRounds();
  ASSERT_EQ(choice.items.size(), 3u);
  EXPECT_EQ(choice.items[0].text, "Top layer with a long long ...");
  EXPECT_EQ(choice.items[0].id, 3u);
  EXPECT_EQ(choice.items[1].text, Stack(doc).GetLayer(1)->GetName());
  EXPECT_EQ(choice.items[1].id, 2u);
  EXPECT_EQ(choice.items[2].text, Stack(doc).GetLayer(0)->GetName());
  EXPECT_EQ(Stack(doc).GetLayerIndex(doc->Image().GetActiveLayer()), 1);
  // Where Middle is transparent only the others are listed; a cancelled
  // menu changes nothing.
  const POINT hole = ClientPointOf(view, 14, 40 - 1 - 6);  // Middle's (4, 0): a hole
  ASSERT_GE(hole.x, 0);
  MenuPick cancel{{}, -1};
  pick = &cancel;
  SetTimer(nullptr, 0, 30, PickFromMenu);
  SendMessageA(view->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(hole.x, hole.y));
  SettleInFourRounds();
  ASSERT_EQ(cancel.items.size(), 1u);
  EXPECT_EQ(cancel.items[0].id, 1u);
  EXPECT_EQ(Stack(doc).GetLayerIndex(doc->Image().GetActiveLayer()), 1);
}

// ---- Image/Duplicate...

TEST_F(ImageCommands, DuplicateOpensTheCopyUnderItsProposedName) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  std::string proposed;
  bool mergeOffered = false;
  DialogScript::Run({{"Duplicate Image", [&](HWND d) {
                        proposed = ItemText(d, IDC_DUPLICATE_NAME);
                        mergeOffered = IsWindowEnabled(GetDlgItem(d, IDC_DUPLICATE_MERGED)) != 0;
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_IMAGE_DUPLICATE));
  EXPECT_EQ(proposed, "three copy");
  EXPECT_TRUE(mergeOffered);
  ASSERT_EQ(app_->Docs().AllDocuments().size(), 2u);
  auto* copy = dynamic_cast<CLumo40Doc*>(app_->Docs().AllDocuments().back());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetTitle(), "three copy");
  ExpectSameLayers(Stack(copy), Stack(doc), "copy");

  // The copy's name is taken now: the next one is numbered, merged.
  DialogScript::Run({{"Duplicate Image", [&](HWND d) {
                        proposed = ItemText(d, IDC_DUPLICATE_NAME);
                        CheckDlgButton(d, IDC_DUPLICATE_MERGED, BST_CHECKED);
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_IMAGE_DUPLICATE));
  EXPECT_EQ(proposed, "three copy 1");
  auto* merged = dynamic_cast<CLumo40Doc*>(app_->Docs().AllDocuments().back());
  EXPECT_EQ(merged->GetTitle(), "three copy 1");
  EXPECT_EQ(Stack(merged).GetLayerCount(), 1);
}

// ---- The crop tool

TEST_F(ImageCommands, CropToolCropsTheDraggedRectangleInOneStep) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  auto* view = dynamic_cast<CLumo40View*>(doc->Views().front());
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  const int steps = doc->Image().History().UndoCount();
  ASSERT_TRUE(Choose(ID_IMAGE_CROP));
  HWND pane = FindWindowA("#32770", "Crop");
  ASSERT_NE(pane, nullptr);
  // The pane opens over the frame's corner: out of the mouse's way.
  SetWindowPos(pane, nullptr, 900, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The drag from image (5, 30) to (44, 11), rows from the bottom, as the
  // mouse does it.
  const POINT from = ClientPointOf(view, 5, 30), to = ClientPointOf(view, 44, 11);
  ASSERT_GE(from.x, 0);
  ASSERT_GE(to.x, 0);
  SetForegroundWindow(app_->MainFrame()->Handle());
  SetFocus(view->Handle());
  SendMouse(view->Handle(), from, 0);
  SettleInFourRounds();
  SendMouse(view->Handle(), from, MOUSEEVENTF_LEFTDOWN);
  SettleInFourRounds();
  SendMouse(view->Handle(), POINT{(from.x + to.x) / 2, (from.y + to.y) / 2}, 0);
  SettleInFourRounds();
  SendMouse(view->Handle(), to, 0);
  SettleInFourRounds();
  SendMouse(view->Handle(), to, MOUSEEVENTF_LEFTUP);
  SettleInFourRounds();
  ASSERT_EQ(Stack(doc).GetWidth(), 60) << "nothing crops before Enter";
  // The dotted frame lies along the rectangle's top edge on screen.
  auto FramePixels = [&] {
    HDC dc = GetDC(view->Handle());
    int dark = 0;
    for (int x = from.x; x <= to.x; ++x) dark += GetPixel(dc, x, from.y) == RGB(0, 0, 0) ? 1 : 0;
    ReleaseDC(view->Handle(), dc);
    return dark;
  };
  EXPECT_GE(FramePixels(), (to.x - from.x) / 3);
  RECT dragged{};
  ASSERT_TRUE(toolhost::CropToolHasRect(&dragged)) << "from " << from.x << "," << from.y;
  PostMessageA(view->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  SettleInFourRounds();
  EXPECT_EQ(Stack(doc).GetWidth(), 40);
  EXPECT_EQ(Stack(doc).GetHeight(), 20);
  EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(doc->Image().HistoryState().name, "Crop image");
  ASSERT_TRUE(Choose(ID_EDIT_UNDO));
  ExpectSameLayers(Stack(doc), *original, "undone");

  // With the pane's check box the cut goes to a new window, merged.
  HWND box = FindWindowExA(pane, nullptr, "Button", "Crop into new window");
  ASSERT_NE(box, nullptr);
  SendMessageA(box, BM_CLICK, 0, 0);
  SendMessageA(view->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  SendMessageA(view->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  SendMessageA(view->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
  // A double click inside crops.
  SendMessageA(view->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(to.x - 2, to.y - 2));
  SendMessageA(view->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(to.x - 2, to.y - 2));
  SendMessageA(view->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(to.x - 2, to.y - 2));
  SettleInFourRounds();
  EXPECT_EQ(Stack(doc).GetWidth(), 60);
  ASSERT_EQ(app_->Docs().AllDocuments().size(), 2u);
  auto* cut = dynamic_cast<CLumo40Doc*>(app_->Docs().AllDocuments().back());
  EXPECT_EQ(Stack(cut).GetWidth(), 40);
  EXPECT_EQ(Stack(cut).GetHeight(), 20);
  SendMessageA(pane, WM_CLOSE, 0, 0);
  SettleInFourRounds();
}

// ---- Selection/Intersection Level...

TEST_F(ImageCommands, LevelRefusesOutOfRangeThenStoresTheLevel) {
  ASSERT_NE(Open("three.psd"), nullptr);
  std::string said;
  DialogScript::Run({{"Level", [](HWND d) {
                        SetDlgItemTextA(d, IDC_LEVEL_VALUE, "150");
                        Press(d, IDOK);
                      }},
                     {"Lumora 4.0", [&](HWND box) {
                        said = ItemText(box, 0xFFFF);
                        Press(box, IDOK);
                      }},
                     {"Level", [](HWND d) {
                        SetDlgItemTextA(d, IDC_LEVEL_VALUE, "70");
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_SELECTION_LEVEL));
  EXPECT_EQ(DialogScript::done, 3);
  EXPECT_EQ(said, "Type a whole number from 0 to 100.");
  EXPECT_EQ(app_->settings.intersectLevel, 70);
}

// ---- The small dialogs other commands open

TEST_F(ImageCommands, ImageInfoAndPrompterShowWhatTheyAreGiven) {
  std::vector<std::string> fields;
  DialogScript::Run({{"Image Info", [&](HWND d) {
                        for (int id : {IDC_INFO_FILE_NAME, IDC_INFO_FORMAT, IDC_INFO_TYPE, IDC_INFO_DIMENSIONS,
                                       IDC_INFO_RESOLUTION})
                          fields.push_back(ItemText(d, id));
                        Press(d, IDOK);
                      }},
                     {"WEB Link", [](HWND d) {
                        SetDlgItemTextA(d, IDC_PROMPTER_TEXT, "https://example.org/");
                        Press(d, IDOK);
                      }}});
  CImageInfo info(app_->MainFrame(), std::string(LUMORA_TEST_DATA) + "/layered/rich.psd");
  EXPECT_EQ(info.DoModal(), IDOK);
  EXPECT_EQ(fields, (std::vector<std::string>{"rich.psd", "Adobe Photoshop Image", "RGB", "40 X 30",
                                              "150 X 72 dot/inch"}));
  CPrompter prompt(IDS_WEB_LINK_PROMPT, app_->MainFrame());
  ASSERT_EQ(prompt.DoModal(), IDOK);
  EXPECT_EQ(prompt.text, "https://example.org/");
}

// ---- Apply Image

void PickEntry(HWND dialog, int id, const char* text) {
  SendDlgItemMessageA(dialog, id, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void Click(HWND dialog, int id) {
  SendDlgItemMessageA(dialog, id, BM_SETCHECK, IsDlgButtonChecked(dialog, id) ? BST_UNCHECKED : BST_CHECKED, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

TEST_F(ImageCommands, ApplyImageMultiplyHalfIsOneStepEqualToTheCompositingCancelLeavesEverything) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  doc->Image().SetActiveLayer(Stack(doc).FindLayerByName("Middle"), true, false);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  const int steps = doc->Image().History().UndoCount();
  // Cancel after a preview: the preview showed a changed layer, then
  // everything is as it was, no step, no settings.
  bool previewChanged = false;
  std::string target;
  DialogScript::Run({{"Apply Image", [&](HWND d) {
                        target = ItemText(d, IDC_AI_TARGET);
                        PickEntry(d, IDC_AI_SOURCE_LAYER, "Top");
                        PickEntry(d, IDC_AI_BLENDING, "Multiply");
                        Click(d, IDC_AI_PREVIEW);
                        previewChanged = !RectsEqual(doc->Image().GetActiveLayer()->GetRect(), RECT{10, 10, 40, 34});
                        Press(d, IDCANCEL);
                      }}});
  ASSERT_TRUE(Choose(ID_IMAGE_APPLY_IMAGE));
  EXPECT_EQ(DialogScript::done, 1);
  EXPECT_EQ(target, "three.psd (Middle, RGB)");
  EXPECT_TRUE(previewChanged);
  EXPECT_EQ(doc->Image().History().UndoCount(), steps);
  ExpectSameLayers(Stack(doc), *original, "cancelled");
  EXPECT_EQ(app_->Settings().GetString("APPLY IMAGE", "MERGE", "none"), "none");

  // OK without preview: one "Apply image" step whose layer is the native
  // compositing of "Top" multiplied at 50 % over "Middle".
  DialogScript::Run({{"Apply Image", [&](HWND d) {
                        PickEntry(d, IDC_AI_SOURCE_LAYER, "Top");
                        PickEntry(d, IDC_AI_BLENDING, "Multiply");
                        SetDlgItemTextA(d, IDC_AI_OPACITY, "50");
                        Press(d, IDOK);
                      }}});
  ASSERT_TRUE(Choose(ID_IMAGE_APPLY_IMAGE));
  EXPECT_EQ(doc->Image().History().UndoCount(), steps + 1);
  EXPECT_EQ(doc->Image().HistoryState().name, "Apply image");
  ApplyImageSource source(original.get(), nullptr);
  CLayer* middle = original->FindLayerByName("Middle");
  const ApplyWork work = MakeApplyWork(*original, middle, false);
  CLayerPtr top = BuildApplySource(source, false, "Top", kChannelRGB, false, work);
  ASSERT_TRUE(top);
  ApplyBlend blend;
  blend.opacity = 50;
  blend.mergeMode = kMergeMultiply;
  CLayerPtr expected = BlendApplyLayer(*original, top.get(), *middle, blend);
  ASSERT_TRUE(expected);
  const CLayer& got = *doc->Image().GetActiveLayer();
  EXPECT_EQ(got.GetName(), "Middle");
  EXPECT_TRUE(RectsEqual(got.GetRect(), expected->GetRect()));
  std::string a, b;
  AppendLayerRGBA(got, &a);
  AppendLayerRGBA(*expected, &b);
  EXPECT_TRUE(a == b);
  EXPECT_EQ(app_->Settings().GetString("APPLY IMAGE", "MERGE", ""), "Multiply");
  EXPECT_EQ(app_->Settings().GetInt("APPLY IMAGE", "OPACITY", 0), 50);
  EXPECT_EQ(app_->Settings().GetString("APPLY IMAGE", "Source_layer", ""), "Top");
  ASSERT_TRUE(Choose(ID_EDIT_UNDO));
  ExpectSameLayers(Stack(doc), *original, "undone");
}

TEST_F(ImageCommands, MixingToANewDocumentAndToTheSelectionLeavesTheTargetsLayers) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  const CLayersManagerPtr original = DeepCopy(Stack(doc));
  const int steps = doc->Image().History().UndoCount();
  doc->Image().SetModifiedFlag(false);
  const auto script = [](int result) {
    return [result](HWND d) {
      PickEntry(d, IDC_MX_BOTTOM_LAYER, "Merged");
      PickEntry(d, IDC_MX_BOTTOM_CHANNEL, "Grey");
      PickEntry(d, IDC_MX_TOP_LAYER, "Top");
      PickEntry(d, IDC_MX_TOP_CHANNEL, "Red");
      PickEntry(d, IDC_MX_BLENDING, "Multiply");
      SendDlgItemMessageA(d, IDC_MX_RESULT, CB_SETCURSEL, static_cast<WPARAM>(result), 0);
      Press(d, IDOK);
    };
  };
  const std::size_t before = app_->Docs().AllDocuments().size();
  DialogScript::Run({{"Mixing", script(0)}});
  ASSERT_TRUE(Choose(ID_IMAGE_MIXING));
  SettleInFourRounds();
  ASSERT_EQ(DialogScript::done, 1);
  const std::vector<fw::Document*> docs = app_->Docs().AllDocuments();
  ASSERT_EQ(docs.size(), before + 1);
  CLumo40Doc* made = nullptr;
  for (fw::Document* d : docs) {
    if (d != doc) made = dynamic_cast<CLumo40Doc*>(d);
  }
  ASSERT_NE(made, nullptr);
  const CLayersManager& mixed = Stack(made);
  ASSERT_EQ(mixed.GetWidth(), 60);
  ASSERT_EQ(mixed.GetHeight(), 40);
  ASSERT_EQ(mixed.GetLayerCount(), 1);
  // The same mixing done here on the image as it was.
  ApplyImageSource source(original.get(), nullptr);
  const ApplyWork work = MakeApplyWork(*original, nullptr, false);
  const RECT whole{0, 0, 60, 40};
  LAYER_INFO info;
  InitLayerInfo(info);
  CLayerPtr result = CLayerPtr::Adopt(new CLayer(&whole, info, kWAType24, 0));
  CLayerPtr bottom = TakeMixingLayer(source, true, "", kChannelGrey, work);
  FillMixingChannel(*result, bottom.get(), kChannelGrey, false);
  CLayerPtr top = CLayerPtr::Adopt(new CLayer(&whole, info, kWAType24, 0));
  CLayerPtr topSource = TakeMixingLayer(source, false, "Top", kChannelRed, work);
  ASSERT_TRUE(topSource);
  FillMixingChannel(*top, topSource.get(), kChannelRed, false);
  ASSERT_TRUE(SetMixingTopMask(*top, topSource.get()));
  ApplyBlend blend;
  blend.mergeMode = kMergeMultiply;
  BlendMixing(*result, *top, blend);
  ASSERT_TRUE(ConvertLayerType(result.get(), kWAType8Grey, 0));
  const VrWA2000::WA* got = mixed.GetLayer(0)->PeekImage();
  ASSERT_EQ(got->GetType(), kWAType8Grey);
  int wrong = 0;
  for (int y = 0; y < 40; ++y) wrong += std::memcmp(got->Row(y), result->PeekImage()->Row(y), 60) != 0;
  EXPECT_EQ(wrong, 0);
  // The target is as it was: layers, active layer, history, mark.
  ExpectSameLayers(Stack(doc), *original, "after new document");
  EXPECT_EQ(doc->Image().History().UndoCount(), steps);
  EXPECT_FALSE(doc->Image().IsModified());
  EXPECT_EQ(app_->Settings().GetString("MIXINGS", "merge", ""), "Multiply");

  // To the selection: the mixed grey becomes the target's selection mask.
  SendMessageA(app_->MainFrameWnd()->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(GetParent(View(doc))), 0);
  SettleInFourRounds();
  DialogScript::Run({{"Mixing", script(1)}});
  ASSERT_TRUE(Choose(ID_IMAGE_MIXING));
  Fragment* selection = doc->Image().GetSelection();
  ASSERT_NE(selection, nullptr);
  EXPECT_EQ(GetFragmentType(selection), kFrgMask);
  WAPtr mask = WAPtr::Adopt(GetMaskWA(selection));
  ASSERT_TRUE(mask);
  wrong = 0;
  for (int y = 0; y < 40; ++y) wrong += std::memcmp(mask->Row(y), result->PeekImage()->Row(y), 60) != 0;
  EXPECT_EQ(wrong, 0);
  ExpectSameLayers(Stack(doc), *original, "after selection");
  EXPECT_EQ(doc->Image().History().UndoCount(), steps);

  // With Selection/Auto Align on, the mixed mask is aligned to the active
  // layer: cut to its rectangle (it has no mask) and cropped.
  ASSERT_TRUE(Choose(ID_SELECTION_AUTO_ALIGN));
  ASSERT_NE(app_->settings.alignSelectionToLayer, 0);
  DialogScript::Run({{"Mixing", script(1)}});
  ASSERT_TRUE(Choose(ID_IMAGE_MIXING));
  ASSERT_TRUE(Choose(ID_SELECTION_AUTO_ALIGN));
  const CLayer* active = doc->Image().GetActiveLayer();
  ASSERT_NE(active, nullptr);
  Fragment* mixedMask = CreateMaskUsingWA(result->PeekImage(), 0, 0);
  Fragment* expected = CopyFragmentArea(active, mixedMask, SelectionLevelOfPercent(app_->settings.intersectLevel));
  DeleteFragment(mixedMask);
  ASSERT_NE(expected, nullptr);
  Fragment* aligned = doc->Image().GetSelection();
  ASSERT_NE(aligned, nullptr);
  LURECT gotRect{}, want{};
  ASSERT_NE(GetFragmentBoundRect(aligned, &gotRect), 0);
  ASSERT_NE(GetFragmentBoundRect(expected, &want), 0);
  EXPECT_EQ((std::vector<int>{gotRect.x, gotRect.y, gotRect.width, gotRect.height}),
            (std::vector<int>{want.x, want.y, want.width, want.height}));
  const RECT layerRect = active->GetRect();
  EXPECT_GE(gotRect.x, layerRect.left);
  EXPECT_GE(gotRect.y, layerRect.top);
  EXPECT_LE(gotRect.x + gotRect.width, layerRect.right);
  EXPECT_LE(gotRect.y + gotRect.height, layerRect.bottom);
  WAPtr gotMask = WAPtr::Adopt(GetMaskWA(aligned));
  WAPtr wantMask = WAPtr::Adopt(GetMaskWA(expected));
  ASSERT_TRUE(gotMask);
  ASSERT_TRUE(wantMask);
  ASSERT_EQ(gotMask->GetW(), wantMask->GetW());
  ASSERT_EQ(gotMask->GetH(), wantMask->GetH());
  wrong = 0;
  for (int y = 0; y < gotMask->GetH(); ++y) {
    wrong += std::memcmp(gotMask->Row(y), wantMask->Row(y), static_cast<std::size_t>(gotMask->GetW())) != 0;
  }
  EXPECT_EQ(wrong, 0);
  DeleteFragment(expected);
}

// ---- Grey and colour through the site

TEST_F(ImageCommands, SiteConvertsEveryLayerToGreyAndBack) {
  CLumo40Doc* doc = Open("three.psd");
  ASSERT_NE(doc, nullptr);
  const LU_SITE_TABLE* descriptor = nullptr;
  using Convert = int (*)(const LU_SITE_TABLE*, void*, std::intptr_t);
  const auto grey = reinterpret_cast<Convert>(LUSiteEntryOf(app_->Site(), kSiteDoc, 16, &descriptor));
  ASSERT_NE(grey, nullptr);
  ASSERT_EQ(grey(descriptor, doc, 0), 1);
  EXPECT_EQ(Stack(doc).GetImageType(), kWAType8Grey);
  for (int i = 0; i < Stack(doc).GetLayerCount(); ++i) EXPECT_EQ(Stack(doc).GetLayer(i)->PeekImage()->GetType(), 8);
  const auto colour = reinterpret_cast<Convert>(LUSiteEntryOf(app_->Site(), kSiteDoc, 15, &descriptor));
  ASSERT_EQ(colour(descriptor, doc, 0), 1);
  EXPECT_EQ(Stack(doc).GetImageType(), kWAType24);
}

}  // namespace
}  // namespace lumora
