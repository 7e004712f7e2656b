// A PostScript printer of the test's Wine prefix whose port is a file:
// Wine's PostScript driver with a small PPD, made the default printer for
// the test's life, then removed and the former default put back. Every
// job's PostScript goes to `output` (a Windows path), which Ghostscript
// reads from the Unix side.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "tests/support/win/host_command.h"

namespace lumora::testing {

class TestPrinter {
 public:
  static constexpr const char* kName = "Lumora Test PostScript";

  TestPrinter(const std::string& folder, const std::string& output) : output_(output) {
    char former[256] = {};
    GetProfileStringA("windows", "device", "", former, sizeof former);
    former_ = former;
    const std::string ppd = folder + "\\lumora-test.ppd";
    if (std::FILE* file = std::fopen(ppd.c_str(), "wb")) {
      std::fputs(kPpd, file);
      std::fclose(file);
    }
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<char*>(kName);
    driver.pEnvironment = const_cast<char*>("Windows x64");
    driver.pDriverPath = const_cast<char*>("wineps.drv");
    driver.pDataFile = const_cast<char*>(ppd.c_str());
    driver.pConfigFile = const_cast<char*>("wineps.drv");
    driver.pDefaultDataType = const_cast<char*>("RAW");
    driverAdded_ = AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                                       APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
    const std::string port = UnixPath(output_);
    PRINTER_INFO_2A info{};
    info.pPrinterName = const_cast<char*>(kName);
    info.pPortName = const_cast<char*>(port.c_str());
    info.pDriverName = const_cast<char*>(kName);
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    info.pDatatype = const_cast<char*>("RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    printer_ = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer_ == nullptr && GetLastError() == ERROR_PRINTER_ALREADY_EXISTS) {
      PRINTER_DEFAULTSA access{nullptr, nullptr, PRINTER_ALL_ACCESS};
      if (OpenPrinterA(const_cast<char*>(kName), &printer_, &access)) SetPrinterA(printer_, 2, reinterpret_cast<BYTE*>(&info), 0);
    }
    device_ = std::string(kName) + ",winspool," + port;
    WriteProfileStringA("windows", "device", device_.c_str());
  }
  ~TestPrinter() {
    if (printer_ != nullptr) {
      DeletePrinter(printer_);
      ClosePrinter(printer_);
    }
    WriteProfileStringA("windows", "device", former_.empty() ? nullptr : former_.c_str());
  }
  TestPrinter(const TestPrinter&) = delete;
  TestPrinter& operator=(const TestPrinter&) = delete;

  bool Ready() const { return printer_ != nullptr; }
  const std::string& Device() const { return device_; }

 private:
  // A4 only, the standard fonts, no options.
  static constexpr const char* kPpd =
      "*PPD-Adobe: \"4.3\"\n"
      "*FormatVersion: \"4.3\"\n"
      "*FileVersion: \"1.0\"\n"
      "*LanguageVersion: English\n"
      "*LanguageEncoding: ISOLatin1\n"
      "*PCFileName: \"LUMORA.PPD\"\n"
      "*Manufacturer: \"Lumora\"\n"
      "*Product: \"(Lumora Test)\"\n"
      "*ModelName: \"Lumora Test PostScript\"\n"
      "*ShortNickName: \"Lumora Test PostScript\"\n"
      "*NickName: \"Lumora Test PostScript\"\n"
      "*PSVersion: \"(3010.000) 0\"\n"
      "*LanguageLevel: \"3\"\n"
      "*ColorDevice: True\n"
      "*DefaultColorSpace: RGB\n"
      "*FileSystem: False\n"
      "*Throughput: \"1\"\n"
      "*TTRasterizer: Type42\n"
      "*DefaultResolution: 300dpi\n"
      "*OpenUI *PageSize/Page Size: PickOne\n"
      "*OrderDependency: 10 AnySetup *PageSize\n"
      "*DefaultPageSize: A4\n"
      "*PageSize A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
      "*CloseUI: *PageSize\n"
      "*OpenUI *PageRegion: PickOne\n"
      "*OrderDependency: 10 AnySetup *PageRegion\n"
      "*DefaultPageRegion: A4\n"
      "*PageRegion A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
      "*CloseUI: *PageRegion\n"
      "*DefaultImageableArea: A4\n"
      "*ImageableArea A4/A4: \"18 36 577 806\"\n"
      "*DefaultPaperDimension: A4\n"
      "*PaperDimension A4/A4: \"595 842\"\n"
      "*DefaultFont: Courier\n"
      "*Font Courier: Standard \"(002.004S)\" Standard ROM\n"
      "*Font Courier-Bold: Standard \"(002.004S)\" Standard ROM\n"
      "*Font Helvetica: Standard \"(001.006S)\" Standard ROM\n"
      "*Font Helvetica-Bold: Standard \"(001.007S)\" Standard ROM\n"
      "*Font Times-Roman: Standard \"(001.007S)\" Standard ROM\n";

  std::string output_;
  std::string former_;
  std::string device_;
  bool driverAdded_ = false;
  HANDLE printer_ = nullptr;
};

}  // namespace lumora::testing
