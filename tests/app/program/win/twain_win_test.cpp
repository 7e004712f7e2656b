// Scanning in the program's own start-up, from the tests' TWAIN source
// (sane.ds beside this program, loaded by Wine's source manager): the
// Acquire menu, native and memory transfers in every pixel type the
// session reads, a compressed strip's box, the device list dialog and the
// [TWAIN] keys written at close.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "files/win/TwainSession.h"
#include "framework/Profile.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/app/program/win/twain_source/test_picture.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/menu_items.h"
#include "tests/support/win/window_pixels.h"

namespace lumora {
namespace {

namespace pic = testing::twain_picture;
using testing::BoxWatch;
using testing::DialogScript;
using testing::Press;
using testing::SettingsFileOfThisProgram;

std::uint32_t Invert(std::uint32_t c) { return 0xFFFFFFu - c; }

// Wine's source manager loads its sources from the Windows folder's
// "twain_64" (64-bit) by file name: the tests' source takes the place of
// the prefix's "sane.ds" while this program runs, and the file that was
// there comes back at the end.
class TwainSourceInstall : public ::testing::Environment {
 public:
  void SetUp() override {
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    target_ = std::string(folder) + "\\twain_64\\sane.ds";
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string ours(self);
    ours = ours.substr(0, ours.find_last_of('\\') + 1) + "sane.ds";
    saved_ = target_ + ".lumora-saved";
    CreateDirectoryA((std::string(folder) + "\\twain_64").c_str(), nullptr);
    had_ = MoveFileExA(target_.c_str(), saved_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    ASSERT_TRUE(CopyFileA(ours.c_str(), target_.c_str(), FALSE)) << ours << " -> " << target_;
  }
  void TearDown() override {
    DeleteFileA(target_.c_str());
    if (had_) MoveFileExA(saved_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }

 private:
  std::string target_, saved_;
  bool had_ = false;
};

const ::testing::Environment* const kTwainSource = ::testing::AddGlobalTestEnvironment(new TwainSourceInstall);

// The colour pixel (x, y from the top) must have after a memory transfer.
std::uint32_t Expected(pic::Mode mode, int x, int y) {
  switch (mode) {
    case pic::Mode::kGray8: return pic::Grey(mode, x, y) * 0x010101u;
    case pic::Mode::kGray4: return (pic::Grey(mode, x, y) << 4) * 0x010101u;
    case pic::Mode::kBw: return pic::Grey(mode, x, y) != 0 ? 0xFFFFFFu : 0u;
    case pic::Mode::kPal4Rgb:
    case pic::Mode::kPal8Rgb:
    case pic::Mode::kPal8Ramp: return pic::PaletteEntry(mode, pic::PaletteIndex(mode, x, y));
    case pic::Mode::kPal8Cmy: return Invert(pic::PaletteEntry(mode, pic::PaletteIndex(mode, x, y)));
    case pic::Mode::kYuv: {
      unsigned s0, s1, s2;
      pic::Yuv(x, y, &s0, &s1, &s2);
      const int red = std::min(255, int(s0 + s1));
      const int green = std::max(0, int(s0) - int((521 * s2 + 191 * s1 + 512) >> 10));
      const int blue = std::min(255, int(s0 + s2));
      return std::uint32_t(red) << 16 | std::uint32_t(green) << 8 | std::uint32_t(blue);
    }
    default: return pic::Rgb(x, y);
  }
}

class Twain : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    SetEnvironmentVariableA(pic::kModeVariable, "rgb");
    SetEnvironmentVariableA(pic::kFailVariable, nullptr);
    app_ = std::make_unique<CLumo40App>();
    ASSERT_TRUE(app_->InitInstance());
  }
  void TearDown() override {
    DialogScript::Stop();
    testing::EndProgramIfRunning(*app_);
    app_.reset();
    DeleteFileA(ini_.c_str());
  }

  HWND Frame() { return app_->MainFrame()->Handle(); }

  // The frame's menu as it opens: the device items filled in.
  std::vector<testing::MenuItem> AcquireItems() {
    HMENU menu = GetMenu(Frame());
    SendMessageA(Frame(), WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    std::function<HMENU(HMENU)> find = [&](HMENU m) -> HMENU {
      for (int i = 0; i < GetMenuItemCount(m); ++i) {
        if (HMENU sub = GetSubMenu(m, i)) {
          SendMessageA(Frame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
          if (HMENU found = find(sub)) return found;
        } else if (GetMenuItemID(m, i) == ID_TWAIN_NATIVE) {
          return m;
        }
      }
      return nullptr;
    };
    return testing::PopupItems(find(menu));
  }

  bool Choose(UINT id) {
    for (const testing::MenuItem& item : AcquireItems()) {
      if (item.id != id) continue;
      if ((item.state & (MFS_GRAYED | MFS_DISABLED)) != 0) return false;
      SendMessageA(Frame(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
      testing::Settle(*app_);
      return true;
    }
    return false;
  }

  // Acquires from the first device with the protocol command given; the
  // new document, or null.
  CLumo40Doc* Acquire(UINT protocol) {
    const std::size_t before = app_->Docs().AllDocuments().size();
    if (!Choose(protocol) || !Choose(ID_TWAIN_DEVICE_FIRST)) return nullptr;
    testing::RunUntil(*app_, [&] { return !TwainSourceOpen(); }, 20000);
    testing::Settle(*app_);
    if (app_->Docs().AllDocuments().size() == before) return nullptr;
    return dynamic_cast<CLumo40Doc*>(app_->Docs().AllDocuments().back());
  }

  void ExpectPicture(CLumo40Doc* doc, pic::Mode mode) {
    CLayersManager* stack = doc->Image().GetLayers();
    ASSERT_EQ(stack->GetWidth(), pic::kWidth);
    ASSERT_EQ(stack->GetHeight(), pic::kHeight);
    EXPECT_EQ(stack->GetResolution(), std::uint32_t(pic::kXResolution) | std::uint32_t(pic::kYResolution) << 16);
    WAPtr composite = stack->GetCompositeImage();
    ASSERT_TRUE(composite);
    int wrong = 0;
    for (int y = 0; y < pic::kHeight; ++y)
      for (int x = 0; x < pic::kWidth; ++x) {
        const std::uint32_t got = testing::CompositePixel(*composite, x, pic::kHeight - 1 - y);
        if (got != Expected(mode, x, y) && ++wrong < 4) {
          ADD_FAILURE() << x << "," << y << ": " << std::hex << got << " for " << Expected(mode, x, y);
        }
      }
    EXPECT_EQ(wrong, 0);
  }

  std::unique_ptr<CLumo40App> app_;
  std::string ini_;
};

TEST_F(Twain, AcquireMenuListsTheSourceAndNativeIsTheDefault) {
  const auto items = AcquireItems();
  ASSERT_GE(items.size(), 4u);
  EXPECT_EQ(items[0].text, std::string(pic::kProductName) + "...");
  EXPECT_EQ(items[0].id, UINT(ID_TWAIN_DEVICE_FIRST));
  EXPECT_EQ(items[0].state & MFS_GRAYED, 0u);
  for (const auto& item : items) {
    if (item.id == ID_TWAIN_NATIVE) EXPECT_NE(item.state & MFS_CHECKED, 0u);
    if (item.id == ID_TWAIN_MEMORY) EXPECT_EQ(item.state & MFS_CHECKED, 0u);
  }
}

TEST_F(Twain, NativeTransferGivesTheTrueColourPictureAtTheSourcesResolution) {
  CLumo40Doc* doc = Acquire(ID_TWAIN_NATIVE);
  ASSERT_NE(doc, nullptr);
  ExpectPicture(doc, pic::Mode::kRgb);
}

TEST_F(Twain, MemoryTransferInEveryPixelTypeGivesThePicture) {
  const char* modes[] = {"rgb", "rgbplanar", "gray8", "gray4", "bw", "pal4rgb", "pal8rgb", "pal8ramp", "pal8cmy", "yuv"};
  for (const char* name : modes) {
    SCOPED_TRACE(name);
    SetEnvironmentVariableA(pic::kModeVariable, name);
    CLumo40Doc* doc = Acquire(ID_TWAIN_MEMORY);
    ASSERT_NE(doc, nullptr);
    ExpectPicture(doc, pic::ModeOf(name));
  }
}

TEST_F(Twain, CompressedStripShowsItsBoxAndOpensNothing) {
  SetEnvironmentVariableA(pic::kModeVariable, "compressed");
  BoxWatch watch;
  EXPECT_EQ(Acquire(ID_TWAIN_MEMORY), nullptr);
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].caption, "TWAIN Error");
  EXPECT_TRUE(watch.Saw({"Can't read compressed data."}));
}

// A source that fails says why in the TWAIN error box, wherever it fails:
// no document comes, the session closes (the device item is enabled again)
// and the next acquisition works.
TEST_F(Twain, AFailingSourceSaysWhyOpensNothingAndTheSessionCloses) {
  const std::string name = pic::kProductName;
  struct Case {
    const char* failure;
    UINT protocol;
    std::string text;
  } cases[] = {
      {"open", ID_TWAIN_NATIVE,
       "Sorry, the TWAIN Source " + name + " reported an error without a reason.  Check that its device is connected "
       "and switched on."},
      {"enable", ID_TWAIN_MEMORY, "Error Enabling DS.  "},
      {"strip", ID_TWAIN_MEMORY, "Bummer, there is a TWAIN error!"},
      {"native", ID_TWAIN_NATIVE, "Sorry, there is not enough memory to Acquire."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    SetEnvironmentVariableA(pic::kFailVariable, c.failure);
    {
      BoxWatch watch;
      EXPECT_EQ(Acquire(c.protocol), nullptr);
      ASSERT_EQ(watch.boxes.size(), 1u);
      EXPECT_EQ(watch.boxes[0].caption, "TWAIN Error");
      EXPECT_EQ(watch.boxes[0].text, c.text + "\n");
    }
    EXPECT_TRUE(app_->Docs().AllDocuments().empty());
    EXPECT_FALSE(TwainSourceOpen());
    bool enabled = false;
    for (const testing::MenuItem& item : AcquireItems())
      if (item.id == ID_TWAIN_DEVICE_FIRST) enabled = (item.state & (MFS_GRAYED | MFS_DISABLED)) == 0;
    EXPECT_TRUE(enabled) << "the device item works again";
  }
  SetEnvironmentVariableA(pic::kFailVariable, nullptr);
  CLumo40Doc* doc = Acquire(ID_TWAIN_NATIVE);
  ASSERT_NE(doc, nullptr);
  ExpectPicture(doc, pic::Mode::kRgb);
}

TEST_F(Twain, DeviceDialogRemovesAndAddsAndTheKeysAreWrittenAtClose) {
  auto run = [&](int list, int button) {
    DialogScript::Run({{"Add/remove TWAIN device", [=](HWND d) {
                          SendDlgItemMessageA(d, list, LB_SETCURSEL, 0, 0);
                          Press(d, button);
                          Press(d, IDOK);
                        }}});
    EXPECT_TRUE(Choose(ID_TWAIN_ADD_REMOVE));
    DialogScript::Stop();
    EXPECT_EQ(DialogScript::done, 1);
  };
  run(IDC_TWAIN_SELECTED, IDC_TWAIN_REMOVE);
  auto items = AcquireItems();
  EXPECT_EQ(items[0].text, "No TWAIN devices");
  EXPECT_NE(items[0].state & MFS_GRAYED, 0u);
  run(IDC_TWAIN_AVAILABLE, IDC_TWAIN_ADD);
  items = AcquireItems();
  EXPECT_EQ(items[0].text, std::string(pic::kProductName) + "...");
  EXPECT_TRUE(Choose(ID_TWAIN_MEMORY));
  testing::CloseProgram(*app_);
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetString("TWAIN", "DEVICE0", "<none>"), pic::kProductName);
  EXPECT_EQ(ini.GetString("TWAIN", "DEVICE1", "<none>"), "");
  EXPECT_EQ(ini.GetInt("TWAIN", "PROTOCOL", -1), 0);
}

}  // namespace
}  // namespace lumora
