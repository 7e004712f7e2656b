// File/Print and File/Print/Marks in the running program on a PostScript
// printer whose port is a file: Ghostscript renders the page and the image
// is found where the page's scale puts it; the marks lie where the printing
// library draws them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

// ---- Printing through the machine's spooler

// What a shell command of the machine Wine runs on prints, whatever its
// status (compare says how alike two images are either way).
std::string HostOutput(const std::filesystem::path& folder, const std::string& command) {
  const std::string out = (folder / "host-output.txt").string();
  RunHostShell(folder.string(), command + " >'" + UnixPath(out) + "' 2>&1");
  std::ifstream in(out);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Chooses the printer in the print dialog as the user does: its entry in
// the dialog's printer list. False when no list holds it.
bool ChoosePrinter(HWND dialog, const std::string& name) {
  struct Search {
    const std::string& name;
    bool chosen;
  } search{name, false};
  EnumChildWindows(
      dialog,
      [](HWND control, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char cls[32] = {};
        GetClassNameA(control, cls, sizeof cls);
        if (std::string(cls) != "ComboBox") return TRUE;
        const LRESULT at = SendMessageA(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(s->name.c_str()));
        if (at == CB_ERR) return TRUE;
        SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control));
        s->chosen = true;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.chosen;
}

// The PDF that cups-pdf writes for the job in `folder` (a Windows path),
// once its size has held for a second; empty when none comes in time.
std::string WaitForPdf(const std::filesystem::path& folder) {
  std::uintmax_t last = 0;
  int steady = 0;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 120000; Sleep(250)) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (entry.path().extension() != ".pdf") continue;
      const std::uintmax_t size = entry.file_size(error);
      steady = size > 0 && size == last ? steady + 1 : 0;
      last = size;
      if (steady >= 4) return entry.path().string();
    }
  }
  return {};
}

class PrintingThroughCups : public Printing {};

// The test's queue of the spooler (a cups-pdf printer whose files go to a
// folder of the test; made before this program started, so that Wine lists
// it) is chosen in the print dialog, and Page Setup asks for the image at
// its own resolution, then fitted within other margins. pdftoppm renders
// cups-pdf's PDF; ImageMagick finds the image on the page where the
// margins and the scale put it (within 1 mm) and like the image
// (normalised cross-correlation of at least 0.95).
TEST_F(PrintingThroughCups, TheImageLandsWhereAndAsLargeAsThePageSetupSays) {
  const char* queue = std::getenv("LUMORA_CUPS_QUEUE");
  const char* spool = std::getenv("LUMORA_CUPS_FOLDER");
  ASSERT_TRUE(queue != nullptr && spool != nullptr) << "run by ctest, after the win.cups_queue fixture";
  std::string pdfFolder = std::string("Z:") + spool;
  std::replace(pdfFolder.begin(), pdfFolder.end(), '/', '\\');
  // 300 x 200 at 150 dots per inch: 2 x 1.33 inches at its actual size.
  constexpr int kWidth = 300, kHeight = 200, kDpi = 150;
  const std::string png = (folder_ / "print.png").string();
  ASSERT_EQ(RunHostShell(folder_.string(), "convert -size 300x200 gradient:'#d02020'-'#2030d0' -fill '#20a040' "
                                           "-draw 'circle 150,100 150,40' -fill black -draw 'rectangle 20,20 60,60' "
                                           "-units PixelsPerInch -density 150 PNG24:'" + UnixPath(png) + "'"),
            0);
  CLumo40App app;
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.OpenDocumentFile(png), nullptr);
  auto* doc = dynamic_cast<CLumo40Doc*>(app.Docs().AllDocuments().front());
  Settle(app, doc);
  HWND frame = app.MainFrame()->Handle();

  struct Case {
    bool fit;
    int left, top, right, bottom;  // margins in millimetres
  } cases[] = {{false, 10, 10, 10, 10}, {true, 30, 20, 10, 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fit ? "fit to the page" : "actual size");
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(pdfFolder, ignored)) std::filesystem::remove(entry, ignored);
    bool chosen = false;
    DialogScript::Run({{"Print",
                        [&](HWND dialog) {
                          chosen = ChoosePrinter(dialog, queue);
                          Press(dialog, chosen ? IDOK : IDCANCEL);
                        }},
                       {"Page Setup", [c](HWND dialog) {
                          CheckRadioButton(dialog, 301, 302, c.fit ? 302 : 301);
                          SetDlgItemInt(dialog, 303, static_cast<UINT>(c.left), FALSE);
                          SetDlgItemInt(dialog, 304, static_cast<UINT>(c.top), FALSE);
                          SetDlgItemInt(dialog, 305, static_cast<UINT>(c.right), FALSE);
                          SetDlgItemInt(dialog, 306, static_cast<UINT>(c.bottom), FALSE);
                          Press(dialog, IDOK);
                        }}});
    SendMessageA(frame, WM_COMMAND, ID_FILE_PRINT, 0);
    DialogScript::Stop();
    ASSERT_TRUE(chosen) << "the print dialog lists " << queue;
    ASSERT_EQ(DialogScript::done, 2);
    const std::string pdf = WaitForPdf(pdfFolder);
    ASSERT_FALSE(pdf.empty()) << "cups-pdf wrote no PDF to " << spool;

    // The page at 150 dots per inch, and the box of what is not white on it.
    const std::string page = UnixPath((folder_ / "page").string());
    ASSERT_EQ(RunHostShell(folder_.string(), "pdftoppm -r 150 -singlefile -png '" + UnixPath(pdf) + "' '" + page + "'"), 0);
    const std::string found = HostOutput(folder_, "convert '" + page + ".png' -fuzz 6% -format '%w %h %@' info:");
    int pageWidth = 0, pageHeight = 0, w = 0, h = 0, x = 0, y = 0;
    ASSERT_EQ(std::sscanf(found.c_str(), "%d %d %dx%d+%d+%d", &pageWidth, &pageHeight, &w, &h, &x, &y), 6) << found;

    // Where the page set-up puts it: centred between the margins, at 150
    // dots per inch of the image or as large as the room allows.
    const double perMm = 150.0 / 25.4;
    const double roomLeft = c.left * perMm, roomTop = c.top * perMm;
    const double roomWidth = pageWidth - (c.left + c.right) * perMm;
    const double roomHeight = pageHeight - (c.top + c.bottom) * perMm;
    const double scale = c.fit ? std::min(roomWidth / kWidth, roomHeight / kHeight) : 150.0 / kDpi;
    const double wantWidth = kWidth * scale, wantHeight = kHeight * scale;
    const double wantX = roomLeft + (roomWidth - wantWidth) / 2, wantY = roomTop + (roomHeight - wantHeight) / 2;
    EXPECT_NEAR(x, wantX, perMm) << found;
    EXPECT_NEAR(y, wantY, perMm) << found;
    EXPECT_NEAR(x + w, wantX + wantWidth, perMm) << found;
    EXPECT_NEAR(y + h, wantY + wantHeight, perMm) << found;

    // Like the image: the found box against the image brought to its size.
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const std::string said = HostOutput(
        folder_, "convert '" + page + ".png' -crop " + size + "+" + std::to_string(x) + "+" + std::to_string(y) +
                     " +repage '" + page + "-crop.png' && convert '" + UnixPath(png) + "' -resize " + size +
                     "! '" + page + "-image.png' && compare -metric NCC '" + page + "-crop.png' '" + page +
                     "-image.png' null:");
    EXPECT_GE(std::atof(said.c_str()), 0.95) << said;
  }
  EndProgramIfRunning(app);
}

}  // namespace
}  // namespace lumora
