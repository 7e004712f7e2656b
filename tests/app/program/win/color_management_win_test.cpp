// File/Color Management in the running program: ImageMagick's PNG, JPEG,
// TIFF and PSD files carrying sRGB and a wide-gamut profile (made with
// LittleCMS) show in the view as LittleCMS transforms their pixels to the
// monitor profile set in the dialog; proofing goes through the target;
// off shows the file's pixels; a damaged profile shows as sRGB with a word
// on the status bar; a saved PSD keeps the profile.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <lcms2.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "framework/Profile.h"
#include "hostapi/comdlg.h"
#include "hostapi/controls.h"
#include "hostapi/toolhost.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/cm_profiles.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/window_pixels.h"
#include "ui/win/NavigatorWnd.h"
#include "view/win/Lumo40View.h"

namespace lumora {
namespace {

using lumora::testing::ActiveImageView;
using lumora::testing::Capture;
using lumora::testing::CaptureClient;
using lumora::testing::CompositePixel;
using lumora::testing::DialogScript;
using lumora::testing::EndProgramIfRunning;
using lumora::testing::Press;
using lumora::testing::RunHostShell;
using lumora::testing::Settle;
using lumora::testing::UnixPath;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  std::uint8_t chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

struct Shown {
  Capture shot;
  RECT image{};  // where the image is in the capture
};

// How the view shows its image, and where (the image fits at 1:1).
Shown ShowView(CLumo40App& app, CLumo40Doc* doc) {
  Settle(app, doc);
  CLumo40View* view = ActiveImageView(app);
  Shown s;
  if (view == nullptr) return s;
  s.shot = CaptureClient(view->Handle());
  s.image = view->Mapping().ImageWindowRect();
  return s;
}

// The largest channel difference, over the image, between the view and
// LittleCMS's 8-bit transform (`transform` null: none) of the document's
// pixels; -1 when the view does not show the whole image at 1:1.
int WorstAgainst(const Shown& s, CLumo40Doc* doc, cmsHTRANSFORM transform) {
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  const int w = composite->GetW(), h = composite->GetH();
  if (s.image.right - s.image.left != w || s.image.bottom - s.image.top != h || s.image.left < 0 || s.image.top < 0 ||
      s.image.right > s.shot.width || s.image.bottom > s.shot.height) {
    return -1;
  }
  int worst = 0;
  for (int row = 0; row < h; ++row) {
    std::vector<std::uint32_t> file(static_cast<std::size_t>(w)), expected(file.size());
    for (int x = 0; x < w; ++x) {
      file[static_cast<std::size_t>(x)] = composite->GetType() == kWAType8Grey
                                              ? composite->Row(row)[x] * 0x010101u
                                              : CompositePixel(*composite, x, row);
    }
    if (transform != nullptr) {
      cmsDoTransform(transform, file.data(), expected.data(), static_cast<cmsUInt32Number>(w));
    } else {
      expected = file;
    }
    const int v = s.image.top + (h - 1 - row);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t got = s.shot.At(s.image.left + x, v), want = expected[static_cast<std::size_t>(x)];
      for (int sh = 0; sh < 24; sh += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((got >> sh) & 255) - static_cast<int>((want >> sh) & 255)));
      }
    }
  }
  return worst;
}

std::string StatusText(CLumo40App& app) {
  char text[512] = {};
  SendMessageA(app.MainFrameWnd()->StatusBarCtrl().Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  return text;
}

class ColorManagement : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = lumora::testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    folder_ = lumora::testing::MakeUniqueTempFolder("lumora-cm-");
    wide_ = lumora::testing::WideGamutProfileBytes();
    monitor_ = lumora::testing::WideGamutProfileBytes(1.8);
    srgb_ = lumora::testing::SrgbProfileBytes();
    WriteAll(File("wide.icc"), wide_);
    WriteAll(File("monitor.icc"), monitor_);
    WriteAll(File("srgb.icc"), srgb_);
    // A picture with saturated and dark colours, as ImageMagick writes it
    // with each profile attached (not converted).
    ASSERT_EQ(RunHostShell(folder_.string(),
                           "cd '" + UnixPath(folder_.string()) +
                               "' && convert -size 90x60 gradient:'#f01808'-'#08c0f8' -fill '#10f020' "
                               "-draw 'rectangle 10,10 30,50' -fill '#040810' -draw 'rectangle 50,5 80,25' "
                               "-type TrueColor src.png && "
                               "convert src.png -profile wide.icc PNG24:wide.png && "
                               "convert src.png -profile srgb.icc PNG24:srgb.png && "
                               "convert src.png -quality 95 -profile wide.icc wide.jpg && "
                               "convert src.png -compress None -profile wide.icc wide.tif && "
                               "convert src.png -depth 8 -compress RLE -profile wide.icc wide.psd"),
              0);
  }
  void TearDown() override {
    DialogScript::Stop();
    DeleteFileA(ini_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string File(const char* name) const { return (folder_ / name).string(); }

  // File/Color Management...: on (or off), the monitor profile, proofing
  // through `target` when given, both intents by their combo index.
  void RunDialog(HWND frame, bool on, const std::string& monitor, const std::string& target, int intent,
                 int proofIntent) {
    DialogScript::Run({{"Color Management", [&](HWND dialog) {
                          CheckDlgButton(dialog, IDC_CM_ENABLE, on ? BST_CHECKED : BST_UNCHECKED);
                          SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CM_ENABLE, BN_CLICKED),
                                       reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CM_ENABLE)));
                          SetDlgItemTextA(dialog, IDC_CM_MONITOR, monitor.c_str());
                          SendDlgItemMessageA(dialog, IDC_CM_INTENT, CB_SETCURSEL, static_cast<WPARAM>(intent), 0);
                          CheckDlgButton(dialog, IDC_CM_PROOFING, target.empty() ? BST_UNCHECKED : BST_CHECKED);
                          SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CM_PROOFING, BN_CLICKED),
                                       reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_CM_PROOFING)));
                          enabledTarget_ = IsWindowEnabled(GetDlgItem(dialog, IDC_CM_TARGET)) != FALSE;
                          if (!target.empty()) SetDlgItemTextA(dialog, IDC_CM_TARGET, target.c_str());
                          SendDlgItemMessageA(dialog, IDC_CM_PROOF_INTENT, CB_SETCURSEL,
                                              static_cast<WPARAM>(proofIntent), 0);
                          Press(dialog, IDOK);
                        }}});
    SendMessageA(frame, WM_COMMAND, ID_FILE_COLOR_MANAGEMENT, 0);
    DialogScript::Stop();
    ASSERT_EQ(DialogScript::done, 1);
  }

  std::string ini_;
  std::filesystem::path folder_;
  std::vector<std::uint8_t> wide_, monitor_, srgb_;
  bool enabledTarget_ = false;
};

TEST_F(ColorManagement, FilesShowThroughTheirProfilesInTheMonitorsColours) {
  cmsHPROFILE wideH = cmsOpenProfileFromMem(wide_.data(), static_cast<cmsUInt32Number>(wide_.size()));
  cmsHPROFILE monitorH = cmsOpenProfileFromMem(monitor_.data(), static_cast<cmsUInt32Number>(monitor_.size()));
  cmsHPROFILE srgbH = cmsCreate_sRGBProfile();
  auto transform = [&](cmsHPROFILE from, int intent) {
    return cmsCreateTransform(from, TYPE_BGRA_8, monitorH, TYPE_BGRA_8, static_cast<cmsUInt32Number>(intent), 0);
  };
  cmsHTRANSFORM wideToMonitor = transform(wideH, INTENT_PERCEPTUAL);
  cmsHTRANSFORM srgbToMonitor = transform(srgbH, INTENT_PERCEPTUAL);
  cmsHTRANSFORM srgbToMonitorRelative = transform(srgbH, INTENT_RELATIVE_COLORIMETRIC);
  cmsHTRANSFORM wideProofed = cmsCreateProofingTransform(wideH, TYPE_BGRA_8, monitorH, TYPE_BGRA_8, srgbH,
                                                         INTENT_PERCEPTUAL, INTENT_ABSOLUTE_COLORIMETRIC,
                                                         cmsFLAGS_SOFTPROOFING);

  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  EXPECT_EQ(app.colorManagement.icmOff, 1) << "off by default";

  // Off: every file shows its own pixels.
  auto* doc = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("wide.png")));
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Image().GetLayers()->IccProfile(), wide_);
  EXPECT_EQ(WorstAgainst(ShowView(app, doc), doc, nullptr), 0);

  // On with the monitor fixture: each format's pixels through its profile.
  RunDialog(frame, true, File("monitor.icc"), "", 0, 0);
  EXPECT_FALSE(enabledTarget_) << "the target waits for proofing";
  EXPECT_EQ(app.settings.cmEnable, 0);
  EXPECT_LE(WorstAgainst(ShowView(app, doc), doc, wideToMonitor), 1);
  EXPECT_GT(WorstAgainst(ShowView(app, doc), doc, nullptr), 8) << "the profiles change the picture";
  for (const char* name : {"wide.jpg", "wide.tif", "wide.psd"}) {
    SCOPED_TRACE(name);
    auto* d = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File(name)));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Image().GetLayers()->IccProfile(), wide_);
    EXPECT_LE(WorstAgainst(ShowView(app, d), d, wideToMonitor), 1);
  }
  auto* srgbDoc = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("srgb.png")));
  ASSERT_NE(srgbDoc, nullptr);
  EXPECT_LE(WorstAgainst(ShowView(app, srgbDoc), srgbDoc, srgbToMonitor), 1);
  auto* plainDoc = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("src.png")));  // no profile: sRGB
  ASSERT_NE(plainDoc, nullptr);
  EXPECT_LE(WorstAgainst(ShowView(app, plainDoc), plainDoc, srgbToMonitor), 1);
  RunDialog(frame, true, File("monitor.icc"), "", 1, 0);
  EXPECT_LE(WorstAgainst(ShowView(app, plainDoc), plainDoc, srgbToMonitorRelative), 1);

  // Proofing through the sRGB name (the built-in sRGB) at the absolute
  // intent, on the wide file.
  RunDialog(frame, true, File("monitor.icc"), kSrgbProfileName, 0, 3);
  EXPECT_TRUE(enabledTarget_);
  // (wide.png is open already: it comes to the front)
  ASSERT_EQ(dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("wide.png"))), doc);
  EXPECT_LE(WorstAgainst(ShowView(app, doc), doc, wideProofed), 1);

  // A damaged embedded profile (its tag count made absurd): sRGB, said on
  // the status bar.
  RunDialog(frame, true, File("monitor.icc"), "", 0, 0);
  std::vector<std::uint8_t> tif = ReadAll(File("wide.tif"));
  const auto at = std::search(tif.begin(), tif.end(), wide_.begin(), wide_.begin() + 64);
  ASSERT_NE(at, tif.end());
  at[128] = 0x7F;  // tag count, big-endian
  WriteAll(File("damaged.tif"), tif);
  auto* damaged = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("damaged.tif")));
  ASSERT_NE(damaged, nullptr);
  EXPECT_LE(WorstAgainst(ShowView(app, damaged), damaged, srgbToMonitor), 1);
  EXPECT_EQ(StatusText(app), "The image's color profile cannot be used: the image is shown as sRGB.");

  // An unreadable monitor profile: sRGB, so an sRGB file shows unchanged.
  RunDialog(frame, true, File("missing.icc"), "", 0, 0);
  ASSERT_EQ(dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("src.png"))), plainDoc);
  EXPECT_EQ(WorstAgainst(ShowView(app, plainDoc), plainDoc, nullptr), 0);

  // Off again: the file's pixels; the settings file keeps the choice.
  RunDialog(frame, false, File("monitor.icc"), "", 0, 0);
  ASSERT_EQ(dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("wide.png"))), doc);
  EXPECT_EQ(WorstAgainst(ShowView(app, doc), doc, nullptr), 0);

  // A PNG's profile saved into a PSD: ImageMagick extracts the same bytes.
  const std::string saved = File("saved.psd");
  ASSERT_TRUE(doc->DoSave(saved, true));
  ASSERT_EQ(RunHostShell(folder_.string(), "convert '" + UnixPath(saved) + "[0]' '" + UnixPath(File("back.icc")) + "'"),
            0);
  EXPECT_EQ(ReadAll(File("back.icc")), wide_);

  EndProgramIfRunning(app);
  fw::IniFile ini(ini_);
  EXPECT_EQ(ini.GetInt("ColorManagement", "enable", -1), 1);
  EXPECT_EQ(ini.GetString("ColorManagement", "monitor"), File("monitor.icc"));

  for (cmsHTRANSFORM t : {wideToMonitor, srgbToMonitor, srgbToMonitorRelative, wideProofed}) cmsDeleteTransform(t);
  for (cmsHPROFILE h : {wideH, monitorH, srgbH}) cmsCloseProfile(h);
}

// The navigator's thumbnail as the navigator paints it (its red outline
// around the whole image left out) against the document's own thumbnail
// `plain` through `transform` (null: none): the largest channel difference.
int NavigatorWorst(CNavigatorWnd& nav, const Capture& plain, cmsHTRANSFORM transform) {
  const RECT thumb = nav.ThumbnailRect();
  const Capture shot = lumora::testing::CaptureDc(thumb.right + 4, thumb.bottom + 4, [&](HDC dc) {
    SendMessageA(nav.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  });
  std::vector<std::uint32_t> expected = plain.pixels;
  if (transform != nullptr) {
    cmsDoTransform(transform, plain.pixels.data(), expected.data(), static_cast<cmsUInt32Number>(expected.size()));
  }
  int worst = 0;
  for (int y = 3; y < plain.height - 3; ++y) {
    for (int x = 3; x < plain.width - 3; ++x) {
      const std::uint32_t got = shot.At(thumb.left + x, thumb.top + y);
      const std::uint32_t want = expected[static_cast<std::size_t>(y) * plain.width + x];
      for (int sh = 0; sh < 24; sh += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((got >> sh) & 255) - static_cast<int>((want >> sh) & 255)));
      }
    }
  }
  return worst;
}

// The document's thumbnail without colour management, at the navigator's size.
Capture PlainThumbnail(CNavigatorWnd& nav, CLumo40Doc* doc) {
  const RECT thumb = nav.ThumbnailRect();
  HDC screen = GetDC(nullptr);
  HBITMAP own = CreateCompatibleBitmap(screen, thumb.right - thumb.left, thumb.bottom - thumb.top);
  ReleaseDC(nullptr, screen);
  doc->RenderThumbnail(own);
  Capture c = lumora::testing::CaptureDc(thumb.right - thumb.left, thumb.bottom - thumb.top, [&](HDC dc) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, own);
    BitBlt(dc, 0, 0, thumb.right - thumb.left, thumb.bottom - thumb.top, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  });
  DeleteObject(own);
  return c;
}

// The navigator's thumbnail follows colour management as the views do; a
// grey image shows through its grey profile, or as the same greys in sRGB
// without one; an RGB profile on a grey file is not taken.
TEST_F(ColorManagement, NavigatorAndGreyImagesFollowTheMonitorProfile) {
  const std::vector<std::uint8_t> grey = lumora::testing::GreyProfileBytes();
  WriteAll(File("grey.icc"), grey);
  ASSERT_EQ(RunHostShell(folder_.string(), "cd '" + UnixPath(folder_.string()) +
                                               "' && convert src.png -colorspace Gray -type Grayscale gray.png && "
                                               "convert gray.png -profile grey.icc graytagged.png"),
            0);
  cmsHPROFILE wideH = cmsOpenProfileFromMem(wide_.data(), static_cast<cmsUInt32Number>(wide_.size()));
  cmsHPROFILE monitorH = cmsOpenProfileFromMem(monitor_.data(), static_cast<cmsUInt32Number>(monitor_.size()));
  cmsHPROFILE greyH = cmsOpenProfileFromMem(grey.data(), static_cast<cmsUInt32Number>(grey.size()));
  cmsHPROFILE srgbH = cmsCreate_sRGBProfile();
  cmsHTRANSFORM wideToMonitor =
      cmsCreateTransform(wideH, TYPE_BGRA_8, monitorH, TYPE_BGRA_8, INTENT_PERCEPTUAL, 0);
  // (LittleCMS's full-precision pipeline: its optimised 8-bit RGB path is off
  // by a few levels in the deepest shadows.)
  cmsHTRANSFORM srgbToMonitor =
      cmsCreateTransform(srgbH, TYPE_BGRA_8, monitorH, TYPE_BGRA_8, INTENT_PERCEPTUAL, cmsFLAGS_NOOPTIMIZE);
  // Grey levels read from the first byte of each 32-bit pixel.
  cmsHTRANSFORM greyToMonitor = cmsCreateTransform(
      greyH, COLORSPACE_SH(PT_GRAY) | EXTRA_SH(3) | CHANNELS_SH(1) | BYTES_SH(1), monitorH, TYPE_BGRA_8,
      INTENT_PERCEPTUAL, 0);
  ASSERT_NE(greyToMonitor, nullptr);

  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  CNavigatorWnd& nav = app.MainFrameWnd()->Navigator();
  auto* doc = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("wide.png")));
  ASSERT_NE(doc, nullptr);
  Settle(app, doc);
  if (!nav.Exists() || !IsWindowVisible(nav.Handle())) app.MainFrameWnd()->ShowNavigator(true);
  ASSERT_TRUE(lumora::testing::RunUntil(app, [&] { return nav.View() == ActiveImageView(app); }));
  Settle(app);
  const RECT thumb = nav.ThumbnailRect();
  ASSERT_FALSE(IsRectEmpty(&thumb));
  const Capture plain = PlainThumbnail(nav, doc);
  EXPECT_EQ(NavigatorWorst(nav, plain, nullptr), 0) << "off: the document's own thumbnail";

  RunDialog(frame, true, File("monitor.icc"), "", 0, 0);
  Settle(app);
  EXPECT_LE(NavigatorWorst(nav, plain, wideToMonitor), 1);
  EXPECT_GT(NavigatorWorst(nav, plain, nullptr), 8) << "the thumbnail changed with the views";

  // Grey files: the grey image (no profile) and the tagged one.
  auto* gray = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("gray.png")));
  ASSERT_NE(gray, nullptr);
  ASSERT_EQ(gray->Image().GetLayers()->GetCompositeImage()->GetType(), kWAType8Grey);
  EXPECT_LE(WorstAgainst(ShowView(app, gray), gray, srgbToMonitor), 1);
  EXPECT_GT(WorstAgainst(ShowView(app, gray), gray, nullptr), 8) << "grey images are converted too";
  auto* tagged = dynamic_cast<CLumo40Doc*>(app.OpenDocumentFile(File("graytagged.png")));
  ASSERT_NE(tagged, nullptr);
  EXPECT_EQ(tagged->Image().GetLayers()->IccProfile(), grey);
  EXPECT_LE(WorstAgainst(ShowView(app, tagged), tagged, greyToMonitor), 1);
  // The navigator follows the active grey image.
  ASSERT_TRUE(lumora::testing::RunUntil(app, [&] { return nav.View() == ActiveImageView(app); }));
  Settle(app);
  const Capture plainGrey = PlainThumbnail(nav, tagged);
  EXPECT_LE(NavigatorWorst(nav, plainGrey, greyToMonitor), 1);

  // Off: the grey file's own pixels.
  RunDialog(frame, false, File("monitor.icc"), "", 0, 0);
  EXPECT_EQ(WorstAgainst(ShowView(app, tagged), tagged, nullptr), 0);
  Settle(app);
  EXPECT_EQ(NavigatorWorst(nav, plainGrey, nullptr), 0);

  EndProgramIfRunning(app);
  for (cmsHTRANSFORM t : {wideToMonitor, srgbToMonitor, greyToMonitor}) cmsDeleteTransform(t);
  for (cmsHPROFILE h : {wideH, monitorH, greyH, srgbH}) cmsCloseProfile(h);
}

// How many pixels of `shot` lie within 1 of `colour` (0x00BBGGRR) in
// every channel.
int PixelsNear(const Capture& shot, std::uint32_t colour) {
  const std::uint32_t rgb = (colour & 0xFF) << 16 | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
  int n = 0;
  for (std::uint32_t p : shot.pixels) {
    bool close = true;
    for (int sh = 0; sh < 24; sh += 8) {
      close = close && std::abs(static_cast<int>((p >> sh) & 255) - static_cast<int>((rgb >> sh) & 255)) <= 1;
    }
    n += close;
  }
  return n;
}

// The control library's swatches and the shared colour window paint their
// colours through the monitor profile once colour management is on (the
// set-up hands the library its record and the colour window its profiles),
// and as they are once it is off again.
TEST_F(ColorManagement, SwatchesAndTheColourWindowPaintThroughTheMonitorProfile) {
  cmsHPROFILE monitorH = cmsOpenProfileFromMem(monitor_.data(), static_cast<cmsUInt32Number>(monitor_.size()));
  cmsHPROFILE srgbH = cmsCreate_sRGBProfile();
  cmsHTRANSFORM toMonitor = cmsCreateTransform(srgbH, TYPE_RGB_8, monitorH, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  const std::uint32_t colour = 0x2080F0;  // 0x00BBGGRR
  std::uint8_t in[3] = {0xF0, 0x80, 0x20}, out[3] = {};
  cmsDoTransform(toMonitor, in, out, 1);
  const std::uint32_t managed = out[0] | out[1] << 8 | std::uint32_t{out[2]} << 16;

  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  HWND frame = app.MainFrame()->Handle();
  HWND holder = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 120, 80,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(holder, nullptr);
  HWND swatch = CreateWindowExA(0, kVrCtlSwatchClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 120, 80, holder, nullptr,
                                static_cast<HINSTANCE>(VrCtlModule()), nullptr);
  ASSERT_NE(swatch, nullptr);
  SendMessageA(swatch, kVrCtlSetColour, 0, colour);
  auto swatchShows = [&] {
    Settle(app);
    UpdateWindow(swatch);
    const Capture shot = lumora::testing::CaptureShownClient(swatch);
    const std::uint32_t p = shot.At(60, 40);
    return (p & 0xFF) << 16 | (p & 0xFF00) | ((p >> 16) & 0xFF);  // as 0x00BBGGRR
  };
  EXPECT_EQ(swatchShows(), colour) << "off: the colour as it is";

  RunDialog(frame, true, File("monitor.icc"), "", 0, 0);
  const std::uint32_t shown = swatchShows();
  for (int sh = 0; sh < 24; sh += 8) {
    EXPECT_NEAR(static_cast<int>((shown >> sh) & 255), static_cast<int>((managed >> sh) & 255), 1) << std::hex << shown;
  }
  ASSERT_GT(std::abs(static_cast<int>(managed & 255) - static_cast<int>(colour & 255)), 4) << "the profile matters";

  // The colour window (opened as a colour control opens it) paints its
  // colour through the monitor profile too.
  ASSERT_NE(LUOpenSelColorWindow(app.Site(), frame, frame, colour), 0);
  HWND window = FindWindowA("VR_SELCOLORWND32", nullptr);
  ASSERT_NE(window, nullptr);
  SetWindowPos(window, HWND_TOPMOST, 200, 200, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  Settle(app);
  UpdateWindow(window);
  Capture shot = lumora::testing::CaptureShownClient(window);
  EXPECT_GT(PixelsNear(shot, managed), 1000);
  EXPECT_EQ(PixelsNear(shot, colour), 0);

  // Off again: both as they are.
  RunDialog(frame, false, File("monitor.icc"), "", 0, 0);
  EXPECT_EQ(swatchShows(), colour);
  UpdateWindow(window);
  shot = lumora::testing::CaptureShownClient(window);
  EXPECT_GT(PixelsNear(shot, colour), 1000);
  EXPECT_EQ(PixelsNear(shot, managed), 0);

  LUCloseSelColorWindow(app.Site());
  DestroyWindow(holder);
  EndProgramIfRunning(app);
  cmsDeleteTransform(toMonitor);
  cmsCloseProfile(monitorH);
  cmsCloseProfile(srgbH);
}

}  // namespace
}  // namespace lumora
