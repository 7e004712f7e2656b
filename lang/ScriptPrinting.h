// What printing a script decides apart from the printer: which printer the
// system's "device" setting names, and where pages break.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lang {

struct PrinterDevice {
  std::string name;
  std::string driver;
  std::string port;
};

// "name,driver,port" with blanks around each part dropped; the port keeps
// any further commas. False when a part is missing or empty.
bool ParsePrinterDevice(std::string_view device, PrinterDevice* out);

// The lines that open each page when `lineCount` lines of `lineHeight`
// are printed from the top of pages `pageHeight` high: a line goes on a
// new page when it would pass the page's foot, but a page never stays
// empty (a line taller than the page gets a page of its own). The first
// entry is 0 when there are lines; empty for none or a height of 0.
std::vector<std::size_t> PageStarts(std::size_t lineCount, int lineHeight, int pageHeight);

}  // namespace lang
