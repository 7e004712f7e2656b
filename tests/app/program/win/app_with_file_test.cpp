// The program's own start-up in this process with a layered file on the
// command line (ag-psd's two-layer file): the image status, the view's
// pixels against the composite, an undoable layer change with Undo and Redo
// from the menu, Save As to ".PSD" through the save dialog, Close, Open of
// the saved file through the open dialog, and exit writing every setting.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/CommandIds.h"
#include "framework/Profile.h"
#include "framework/win/CommandLineWin32.h"
#include "framework/win/DocView.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/window_pixels.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using lumora::testing::CaptureClient;
using lumora::testing::CompositePixel;
using lumora::testing::DialogScript;
using lumora::testing::NameBox;
using lumora::testing::Press;

constexpr std::uint32_t kEditUndo = 57643;
constexpr std::uint32_t kEditRedo = 57644;

// Messages, idle passes and the render worker until `done` holds.
bool RunUntil(CLumo40App& app, const std::function<bool()>& done, DWORD timeoutMs = 60000) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!app.PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    for (int count = 0; app.OnIdle(count) && count < 20; ++count) {
    }
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

CLumo40View* ActiveImageView(CLumo40App& app) {
  fw::FrameWnd* child = app.MainFrameWnd()->GetActiveFrame();
  return child != nullptr ? dynamic_cast<CLumo40View*>(child->GetActiveView()) : nullptr;
}

// Every piece of the document composited and painted, nothing left to handle.
void Settle(CLumo40App& app, CLumo40Doc* doc) {
  ASSERT_TRUE(RunUntil(app, [&] {
    CMapRect& q = doc->Image().Queue();
    MSG msg;
    return q.IsIdle() && q.RenderList().empty() && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  }));
}

std::vector<std::uint32_t> CompositePixels(CLumo40Doc* doc) {
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  std::vector<std::uint32_t> pixels;
  for (int row = 0; row < composite->GetH(); ++row) {
    for (int x = 0; x < composite->GetW(); ++x) pixels.push_back(CompositePixel(*composite, x, row));
  }
  return pixels;
}

// The view at 1:1 shows the composite: every image pixel in the window
// equals the composite's.
void ExpectViewShowsComposite(CLumo40View* view, CLumo40Doc* doc) {
  const lumora::testing::Capture shot = CaptureClient(view->Handle());
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  const VRXFORM map = view->Mapping();
  int compared = 0, mismatches = 0;
  for (int row = 0; row < composite->GetH(); ++row) {
    for (int x = 0; x < composite->GetW(); ++x) {
      POINT p{x, row};
      map.RevXForm(&p, kXFPixels);
      if (p.x < 0 || p.y < 0 || p.x >= shot.width || p.y >= shot.height) continue;
      ++compared;
      if (shot.At(p.x, p.y) != CompositePixel(*composite, x, row) && ++mismatches < 5) {
        ADD_FAILURE() << "image pixel " << x << "," << row << ": " << std::hex << shot.At(p.x, p.y) << " for "
                      << CompositePixel(*composite, x, row);
      }
    }
  }
  EXPECT_EQ(compared, composite->GetW() * composite->GetH());
  EXPECT_EQ(mismatches, 0);
}

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

std::string SettingsFileOfThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fw::ProfilePathForProgram(path);
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

  SendMessageA(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frame));
  RunUntil(app, [] { return true; });
  app.ExitInstance();
  fw::IniFile written(ini);
  int count = 0;
  const SettingKey* keys = SettingKeys(&count);
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(written.GetString(keys[i].section, keys[i].key, "<missing>"), "<missing>")
        << keys[i].section << "/" << keys[i].key;
  }
  DeleteFileA(ini.c_str());
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
}  // namespace lumora
