// The image browser's thumbnail database and thumbnails.
#include "files/ThumbnailDb.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/safe_write.h"

namespace lumora {

namespace {

constexpr char kClassName[] = "CPaletteItem";
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kSchema = 1;
// The archive numbers what it meets from 1: the item class is the first.
constexpr std::uint16_t kItemClassIndex = 1;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Reads little-endian fields; any read past the end fails from then on.
class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  bool Get16(std::uint32_t* v) { return Get(2, v); }
  bool Get32(std::uint32_t* v) { return Get(4, v); }
  bool Get8(std::uint32_t* v) { return Get(1, v); }
  bool Bytes(std::size_t n, std::vector<std::uint8_t>* out) {
    if (bytes_.size() - at_ < n) return false;
    out->assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
    at_ += n;
    return true;
  }
  std::size_t Left() const { return bytes_.size() - at_; }

 private:
  bool Get(int n, std::uint32_t* v) {
    if (bytes_.size() - at_ < static_cast<std::size_t>(n)) return false;
    *v = 0;
    for (int i = 0; i < n; ++i) *v |= static_cast<std::uint32_t>(bytes_[at_ + static_cast<std::size_t>(i)]) << (8 * i);
    at_ += static_cast<std::size_t>(n);
    return true;
  }
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
  const std::size_t n = s.size();
  if (n < 0xFF) {
    out.push_back(static_cast<std::uint8_t>(n));
  } else if (n < 0xFFFE) {
    out.push_back(0xFF);
    Put16(out, static_cast<std::uint32_t>(n));
  } else {
    out.push_back(0xFF);
    Put16(out, 0xFFFF);
    Put32(out, static_cast<std::uint32_t>(n));
  }
  out.insert(out.end(), s.begin(), s.end());
}

bool GetString(Reader& in, std::string* s) {
  std::uint32_t n = 0;
  if (!in.Get8(&n)) return false;
  if (n == 0xFF) {
    if (!in.Get16(&n)) return false;
    if (n == 0xFFFF && !in.Get32(&n)) return false;
  }
  std::vector<std::uint8_t> chars;
  if (!in.Bytes(n, &chars)) return false;
  s->assign(chars.begin(), chars.end());
  return true;
}

void PutHeader(std::vector<std::uint8_t>& dib, std::uint32_t w, std::uint32_t h) {
  Put32(dib, 40);
  Put32(dib, w);
  Put32(dib, h);
  Put16(dib, 1);
  Put16(dib, 24);
  Put32(dib, 0);
  Put32(dib, ThumbnailStride(w) * h);
  Put32(dib, 2835);
  Put32(dib, 2835);
  Put32(dib, 0);
  Put32(dib, 0);
}

std::uint32_t HeaderField(const std::vector<std::uint8_t>& dib, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(dib[at + static_cast<std::size_t>(i)]) << (8 * i);
  return v;
}

// The header says what the record holds: a 40-byte header of the record's
// width and height, bottom-up, one plane of 24-bit rows, uncompressed and
// without a colour table.
bool HeaderFitsRecord(const ThumbnailItem& item) {
  const std::vector<std::uint8_t>& d = item.dib;
  return d.size() >= 40 && HeaderField(d, 0, 4) == 40 && HeaderField(d, 4, 4) == item.width &&
         HeaderField(d, 8, 4) == item.height && HeaderField(d, 12, 2) == 1 && HeaderField(d, 14, 2) == 24 &&
         HeaderField(d, 16, 4) == 0 && HeaderField(d, 32, 4) == 0;
}

}  // namespace

void ThumbnailSize(int w, int h, int* width, int* height) {
  if (w <= 0 || h <= 0) {
    *width = *height = 0;
    return;
  }
  const std::int64_t W = w, H = h;
  if (kThumbHeight * W <= kThumbWidth * H) {
    *height = kThumbHeight;
    *width = static_cast<int>(kThumbHeight * W / H);
  } else {
    *width = kThumbWidth;
    *height = static_cast<int>(kThumbWidth * H / W);
  }
  // A very narrow or very flat picture keeps one pixel, not none.
  *width = std::max(*width, 1);
  *height = std::max(*height, 1);
}

ThumbnailItem MakeThumbnail(const VrWA2000::WA& image) {
  ThumbnailItem item;
  int w = 0, h = 0;
  ThumbnailSize(image.GetW(), image.GetH(), &w, &h);
  const int type = image.GetType();
  if (w == 0 || (type != kWAType24 && type != kWAType8Grey && type != kWAType8Palette && type != kWAType4Bit &&
                 type != kWAType1Bit)) {
    return item;
  }
  item.width = static_cast<std::uint32_t>(w);
  item.height = static_cast<std::uint32_t>(h);
  PutHeader(item.dib, item.width, item.height);
  const std::uint32_t stride = ThumbnailStride(item.width);
  item.dib.resize(40 + static_cast<std::size_t>(stride) * item.height, 0);
  const PALETTEENTRY* palette = image.Palette();
  for (int j = 0; j < h; ++j) {
    const std::uint8_t* src = image.Row(static_cast<int>(static_cast<std::int64_t>(j) * image.GetH() / h));
    std::uint8_t* dst = item.dib.data() + 40 + static_cast<std::size_t>(j) * stride;
    for (int i = 0; i < w; ++i) {
      const int x = static_cast<int>(static_cast<std::int64_t>(i) * image.GetW() / w);
      std::uint8_t* out = dst + 3 * i;
      int index = 0;
      switch (type) {
        case kWAType24:
          std::copy(src + 3 * x, src + 3 * x + 3, out);
          continue;
        case kWAType8Grey:
          out[0] = out[1] = out[2] = src[x];
          continue;
        case kWAType8Palette: index = src[x]; break;
        case kWAType4Bit: index = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4); break;
        default: index = (src[x >> 3] >> (7 - (x & 7))) & 1; break;
      }
      out[0] = palette[index].peBlue;
      out[1] = palette[index].peGreen;
      out[2] = palette[index].peRed;
    }
  }
  return item;
}

std::vector<std::uint8_t> ThumbnailDb::Serialize() const {
  std::vector<std::uint8_t> out;
  const std::size_t count = items.size();
  if (count < 0xFFFF) {
    Put16(out, static_cast<std::uint32_t>(count));
  } else {
    Put16(out, 0xFFFF);
    Put32(out, static_cast<std::uint32_t>(count));
  }
  bool classWritten = false;
  for (const auto& [path, item] : items) {
    PutString(out, path);
    if (!classWritten) {
      Put16(out, kNewClassTag);
      Put16(out, kSchema);
      Put16(out, sizeof kClassName - 1);
      out.insert(out.end(), kClassName, kClassName + sizeof kClassName - 1);
      classWritten = true;
    } else {
      Put16(out, kClassTag | kItemClassIndex);
    }
    const bool has = item.width != 0 && item.height != 0 && !item.dib.empty();
    Put32(out, item.timeLow);
    Put32(out, item.timeHigh);
    Put32(out, has ? item.width : 0);
    Put32(out, has ? item.height : 0);
    if (has) out.insert(out.end(), item.dib.begin(), item.dib.end());
  }
  return out;
}

bool ThumbnailDb::Parse(const std::vector<std::uint8_t>& bytes) {
  Reader in(bytes);
  std::uint32_t count = 0;
  if (!in.Get16(&count)) return false;
  if (count == 0xFFFF && !in.Get32(&count)) return false;
  bool classSeen = false;
  for (std::uint32_t n = 0; n < count; ++n) {
    std::string path;
    std::uint32_t tag = 0;
    if (!GetString(in, &path) || !in.Get16(&tag)) return false;
    if (tag == kNewClassTag) {
      std::uint32_t schema = 0, length = 0;
      std::vector<std::uint8_t> name;
      if (classSeen || !in.Get16(&schema) || !in.Get16(&length) || !in.Bytes(length, &name)) return false;
      if (schema != kSchema || std::string(name.begin(), name.end()) != kClassName) return false;
      classSeen = true;
    } else if (!classSeen || tag != (kClassTag | kItemClassIndex)) {
      return false;
    }
    ThumbnailItem item;
    if (!in.Get32(&item.timeLow) || !in.Get32(&item.timeHigh) || !in.Get32(&item.width) || !in.Get32(&item.height)) {
      return false;
    }
    // What the file claims is checked before anything is allocated: a
    // thumbnail is at most 120 x 90 and lies inside the file.
    if (item.width > kThumbWidth || item.height > kThumbHeight) return false;
    if (item.width != 0 && item.height != 0) {
      const std::size_t size = 40 + static_cast<std::size_t>(ThumbnailStride(item.width)) * item.height;
      if (in.Left() < size || !in.Bytes(size, &item.dib)) return false;
      // The stored header is handed to the system as it stands: one that
      // does not describe this record is dropped, and the thumbnail made
      // again from its file.
      if (!HeaderFitsRecord(item)) continue;
    } else {
      item.width = item.height = 0;
    }
    items[path] = std::move(item);
  }
  return true;
}

bool ThumbnailDb::Load(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return Parse(bytes);
}

bool ThumbnailDb::Save(const std::string& path, std::string* error) const {
  const std::vector<std::uint8_t> bytes = Serialize();
  return WriteBytesSafely(path, bytes.data(), bytes.size(), error);
}

bool IsReadableImagePath(const std::string& path, const std::string& formats) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  std::string list = "Lumora 4.0 Document (*.LUD)|*.LUD|PhotoShop Document (*.PSD)|*.PSD|" + formats;
  std::replace(list.begin(), list.end(), '\0', '|');
  list = lower(list);
  const std::string extension = lower(path.substr(dot));
  // The extension as a whole pattern entry: "*.ext" ended by ";" or "|".
  for (std::size_t at = list.find("*" + extension); at != std::string::npos;
       at = list.find("*" + extension, at + 1)) {
    const std::size_t end = at + 1 + extension.size();
    if (end == list.size() || list[end] == ';' || list[end] == '|') return true;
  }
  return false;
}

}  // namespace lumora
