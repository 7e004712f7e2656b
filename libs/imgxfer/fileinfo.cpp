// File information: the reader runs until the image's header facts are
// known and stops before any pixel is decoded.
#include "libs/imgxfer/fileinfo.h"

#include <vector>

#include "libs/imgxfer/codec.h"
#include "libs/imgxfer/read_file.h"

namespace lumora::imgxfer {

namespace {

// Collects the header facts and refuses the image at its last one, so the
// reader stops there.
class HeaderAdapter : public CAbstractReadWA {
 public:
  explicit HeaderAdapter(FileFacts& facts) : facts_(facts) {}
  int SetImageCount(int) override { return 0; }
  int SetSubImageCount(int, int) override { return 0; }
  int SetSize(int, int, int width, int height) override {
    facts_.width = width;
    facts_.height = height;
    return 0;
  }
  int SetType(int, int, int type) override {
    facts_.type = type;
    return 0;
  }
  int SetPalette(int, int, const PALETTEENTRY*, int count) override {
    facts_.colours = count;
    return 0;
  }
  int SetResolution(int, int, int x, int y) override {
    facts_.xDpi = x;
    facts_.yDpi = y;
    complete = true;
    return 1;
  }
  int PutRow(int, int, int, const std::uint8_t*) override { return 1; }
  bool complete = false;

 private:
  FileFacts& facts_;
};

std::string ColourText(const FileFacts& f) {
  switch (f.type) {
    case kType1: return "2 colours (1 bit)";
    case kType4Bit: return "16 colours (4 bit)";
    case kType8Palette: return "256 colours (8 bit)";
    case kType8Grey: return "256 greys (8 bit)";
    default: return "true colour (24 bit)";
  }
}

}  // namespace

bool ReadFileFacts(const std::string& path, FileFacts* facts, std::string* error) {
  std::vector<std::uint8_t> bytes;
  if (!LoadWholeFile(path, &bytes, error)) return false;
  const Codec* codec = CodecForContent(bytes.data(), bytes.size(), path);
  if (codec == nullptr) {
    *error = "The file \"" + path + "\" is in a format this program does not read.";
    return false;
  }
  *facts = FileFacts{};
  facts->format = codec->description;
  facts->fileSize = bytes.size();
  HeaderAdapter adapter(*facts);
  std::string message;
  ReadFromMemory(bytes.data(), bytes.size(), path, adapter, nullptr, &message);
  if (!adapter.complete) {
    *error = "The file \"" + path + "\" could not be read. " + message;
    return false;
  }
  if (facts->type == kType8Grey || facts->type == kType24) facts->colours = 0;
  return true;
}

std::string DescribeFileFacts(const FileFacts& f) {
  std::string text;
  text += "Format:\t" + f.format + "\r\n";
  text += "Size:\t" + std::to_string(f.width) + " x " + std::to_string(f.height) + " pixels\r\n";
  text += "Colours:\t" + ColourText(f) + "\r\n";
  text += "Resolution:\t" + std::to_string(f.xDpi) + " x " + std::to_string(f.yDpi) + " dpi\r\n";
  text += "File size:\t" + std::to_string(f.fileSize) + " bytes\r\n";
  return text;
}

}  // namespace lumora::imgxfer
