// File/Print and File/Print/Marks in the running program on a PostScript
// printer whose port is a file: Ghostscript renders the page and the image
// is found where the page's scale puts it; the marks lie where the printing
// library draws them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "libs/print/layout.h"
#include "res/resource.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/dialog_script.h"
#include "tests/support/win/host_command.h"
#include "tests/support/win/test_printer.h"

namespace lumora {
namespace {

using lumora::testing::DialogScript;
using lumora::testing::EndProgramIfRunning;
using lumora::testing::Press;
using lumora::testing::RunHostShell;
using lumora::testing::Settle;
using lumora::testing::UnixPath;

// A binary PPM (P6) as Ghostscript writes it.
struct Page {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  const std::uint8_t* At(int x, int y) const { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
};

bool ReadPpm(const std::string& path, Page* page) {
  std::ifstream in(path, std::ios::binary);
  // Header fields, with "#" comment lines between them.
  auto field = [&in]() {
    std::string word;
    while (in >> word && word[0] == '#') std::getline(in, word);
    return word;
  };
  const std::string magic = field();
  page->width = std::atoi(field().c_str());
  page->height = std::atoi(field().c_str());
  const int maxValue = std::atoi(field().c_str());
  in.get();
  if (magic != "P6" || maxValue != 255 || page->width <= 0 || page->height <= 0) return false;
  page->rgb.resize(static_cast<std::size_t>(page->width) * page->height * 3);
  in.read(reinterpret_cast<char*>(page->rgb.data()), static_cast<std::streamsize>(page->rgb.size()));
  return static_cast<std::size_t>(in.gcount()) == page->rgb.size();
}

print::PageGeometry PrinterGeometry() {
  HDC dc = CreateDCA("WINSPOOL", lumora::testing::TestPrinter::kName, nullptr, nullptr);
  print::PageGeometry g;
  if (dc == nullptr) return g;
  g.pageWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
  g.pageHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
  g.offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
  g.offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
  g.printableWidth = GetDeviceCaps(dc, HORZRES);
  g.printableHeight = GetDeviceCaps(dc, VERTRES);
  g.dpiX = GetDeviceCaps(dc, LOGPIXELSX);
  g.dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  DeleteDC(dc);
  return g;
}

class Printing : public ::testing::Test {
 protected:
  void SetUp() override {
    ini_ = lumora::testing::SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    folder_ = lumora::testing::MakeUniqueTempFolder("lumora-printing-");
    // The system's "device" setting holds 80 characters: a short port.
    job_ = "Z:\\tmp\\" + folder_.filename().string() + ".ps";
  }
  void TearDown() override {
    DialogScript::Stop();
    DeleteFileA(ini_.c_str());
    std::error_code ignored;
    std::filesystem::remove(job_, ignored);
    std::filesystem::remove_all(folder_, ignored);
  }

  // Runs `command` with the print dialog and the page set-up answered OK,
  // and renders the job's page at the printer's resolution.
  bool PrintAndRender(HWND frame, UINT command, int dpi, Page* page) {
    std::error_code ignored;
    std::filesystem::remove(job_, ignored);
    DialogScript::Run({{"Print", [](HWND dialog) { Press(dialog, IDOK); }},
                       {"Page Setup", [](HWND dialog) { Press(dialog, IDOK); }}});
    SendMessageA(frame, WM_COMMAND, command, 0);
    DialogScript::Stop();
    if (DialogScript::done != 2 || !std::filesystem::exists(job_)) {
      ADD_FAILURE() << "dialogs answered: " << DialogScript::done << ", job file: " << std::filesystem::exists(job_);
      return false;
    }
    const std::string ppm = (folder_ / "page.ppm").string();
    const int code = RunHostShell(folder_.string(), "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r" +
                                                        std::to_string(dpi) + " -sOutputFile='" + UnixPath(ppm) +
                                                        "' '" + UnixPath(job_) + "'");
    EXPECT_EQ(code, 0) << "Ghostscript";
    return code == 0 && ReadPpm(ppm, page);
  }

  std::string ini_;
  std::filesystem::path folder_;
  std::string job_;
};

TEST_F(Printing, PrintPutsTheImageAtThePagesScaleAndMarksAroundIt) {
  lumora::testing::TestPrinter printer(folder_.string(), job_);
  ASSERT_TRUE(printer.Ready()) << GetLastError();
  const print::PageGeometry geometry = PrinterGeometry();
  ASSERT_GT(geometry.dpiX, 0);
  // 2000 x 1500 at 150 dots per inch: larger than the printable width at
  // its resolution on A4, so it is scaled down, never cropped.
  const std::string png = (folder_ / "print.png").string();
  ASSERT_EQ(RunHostShell(folder_.string(), "convert -size 1500x2000 gradient:'#1040c0-#f0e020' -rotate 90 "
                                           "-units PixelsPerInch -density 150 PNG24:'" +
                                               UnixPath(png) + "'"),
            0);
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile(png), nullptr);
  auto* doc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  Settle(app, doc);
  HWND frame = app.MainFrame()->Handle();
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  ASSERT_EQ(composite->GetW(), 2000);
  ASSERT_EQ(composite->GetH(), 1500);

  Page page;
  ASSERT_TRUE(PrintAndRender(frame, ID_FILE_PRINT, geometry.dpiX, &page));
  const print::Box box = print::PlaceImage(geometry, print::PageSetup{}, 2000, 1500, 150, 150);
  ASSERT_FALSE(box.Empty());
  EXPECT_LT(box.Width(), 2000 * geometry.dpiX / 150) << "scaled down";
  const int left = geometry.offsetX + box.left, top = geometry.offsetY + box.top;
  ASSERT_LE(left + box.Width(), page.width);
  ASSERT_LE(top + box.Height(), page.height);
  // Each page pixel inside the place (a pixel's margin left out) against the
  // image pixel it shows.
  double error = 0;
  std::int64_t count = 0;
  for (int y = 2; y < box.Height() - 2; y += 3) {
    for (int x = 2; x < box.Width() - 2; x += 3) {
      const int ix = static_cast<int>(static_cast<std::int64_t>(x) * 2000 / box.Width());
      const int iy = static_cast<int>(static_cast<std::int64_t>(y) * 1500 / box.Height());
      const std::uint8_t* src = composite->Row(1500 - 1 - iy) + ix * 3;  // bottom-up rows, BGR
      const std::uint8_t* p = page.At(left + x, top + y);
      error += std::abs(p[0] - src[2]) + std::abs(p[1] - src[1]) + std::abs(p[2] - src[0]);
      count += 3;
    }
  }
  EXPECT_LE(error / count, 3.0);
  // White just outside the place.
  for (int x = left; x < left + box.Width(); x += 50) {
    EXPECT_GT(page.At(x, top - 4)[0], 240) << x;
    EXPECT_GT(page.At(x, top + box.Height() + 3)[2], 240) << x;
  }
  {
    std::ifstream ps(job_, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(ps)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("print.png"), std::string::npos) << "the title names the job";
  }

  // With marks: the image moves in to leave their room, and the crop and
  // registration marks are dark where the library puts them.
  ASSERT_TRUE(PrintAndRender(frame, ID_FILE_PRINT_MARKS, geometry.dpiX, &page));
  const int reserve = print::MarksReserve(std::max(geometry.dpiX, geometry.dpiY));
  const int caption = MulDiv(10, geometry.dpiY, 72) * 3 / 2 + print::MarkGap(geometry.dpiY);
  const print::Box marked = print::PlaceImage(geometry, print::PageSetup{}, 2000, 1500, 150, 150, reserve, caption);
  const print::Marks marks = print::PlaceMarks(marked, geometry.dpiX, geometry.dpiY);
  auto dark = [&](int x, int y) {
    const std::uint8_t* p = page.At(geometry.offsetX + x, geometry.offsetY + y);
    return p[0] + p[1] + p[2] < 3 * 100;
  };
  for (const print::Line& l : marks.crop) {
    EXPECT_TRUE(dark((l.x0 + l.x1) / 2, (l.y0 + l.y1) / 2)) << l.x0 << "," << l.y0;
  }
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(dark(marks.registrationX[k], marks.registrationY[k])) << k;
  EXPECT_FALSE(dark(marks.registrationX[0] + marks.registrationRadius / 2, marks.registrationY[0] +
                                                                               marks.registrationRadius / 2 + 2));
  // The caption: something dark in the band under the bottom marks.
  int inked = 0;
  for (int y = marks.captionY; y < marks.captionY + MulDiv(10, geometry.dpiY, 72); ++y) {
    for (int x = marks.captionX - 200; x < marks.captionX + 200; ++x) inked += dark(x, y) ? 1 : 0;
  }
  EXPECT_GT(inked, 50);
  EndProgramIfRunning(app);
}

}  // namespace
}  // namespace lumora
