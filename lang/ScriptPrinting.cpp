// The printer named by the system's setting, and the pages of a script.
#include "lang/ScriptPrinting.h"

namespace lang {

namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

bool ParsePrinterDevice(std::string_view device, PrinterDevice* out) {
  const std::size_t first = device.find(',');
  if (first == std::string_view::npos) return false;
  const std::size_t second = device.find(',', first + 1);
  if (second == std::string_view::npos) return false;
  PrinterDevice parsed{std::string(Trimmed(device.substr(0, first))),
                       std::string(Trimmed(device.substr(first + 1, second - first - 1))),
                       std::string(Trimmed(device.substr(second + 1)))};
  if (parsed.name.empty() || parsed.driver.empty() || parsed.port.empty()) return false;
  *out = std::move(parsed);
  return true;
}

std::vector<std::size_t> PageStarts(std::size_t lineCount, int lineHeight, int pageHeight) {
  std::vector<std::size_t> starts;
  if (lineCount == 0 || lineHeight <= 0 || pageHeight <= 0) return starts;
  starts.push_back(0);
  long long y = 0;
  for (std::size_t i = 0; i < lineCount; ++i) {
    if (y != 0 && y + lineHeight > pageHeight) {
      starts.push_back(i);
      y = 0;
    }
    y += lineHeight;
  }
  return starts;
}

}  // namespace lang
