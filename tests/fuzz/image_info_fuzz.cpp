// Fuzz target of what the open dialog's "&Info" reads of a layered file:
// the header, the colour table's length and the resources. A file either
// gives nothing or a kind the dialog names, a size within 31 bits and
// resolutions it can write out.
#include <cstdint>
#include <sstream>
#include <string>

#include "dialogs/ImageInfoForm.h"
#include "fuzz/fuzz_target.h"

LUMORA_FUZZ_TARGET(image_info)(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
  const std::optional<lumora::LayeredHeaderInfo> info = lumora::ReadLayeredHeaderInfo(in);
  if (!info) return 0;
  if ((info->kind != 1 && info->kind != 4 && info->kind != 8 && info->kind != 16) || info->width < 0 ||
      info->height < 0) {
    __builtin_trap();
  }
  if (info->hasResolution) {
    const std::string text = lumora::DescribeResolution(*info);
    const bool inches = text.ends_with(" dot/inch");
    if ((!inches && !text.ends_with(" dot/cm")) || inches != (info->xUnit == 1) || text.size() > 64 ||
        text.find(" X ") == std::string::npos) {
      __builtin_trap();
    }
  }
  return 0;
}
