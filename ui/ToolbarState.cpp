// Toolbar state files and image strips, field by field.
#include "ui/ToolbarState.h"

#include <cstring>

namespace lumora {
namespace {

constexpr std::uint16_t kNone16 = 65535;
// Marks the stamp after the button records.
constexpr char kStampTag[4] = {'S', 'T', 'M', 'P'};

[[noreturn]] void Damaged(const char* why) { ThrowInvalidFile(why); }

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

}  // namespace

void WriteControlRecord(fw::Archive& ar, const ControlRecord& c) {
  ar.WriteString(c.tag);
  if (c.tag == kTagCombo) {
    const ComboRecord& r = c.combo;
    ar << r.style << r.exStyle << r.id << r.width << r.height;
    ar << static_cast<std::uint16_t>(r.hasItems ? r.items.size() : kNone16);
    if (r.hasItems) {
      for (const std::string& item : r.items) ar.WriteString(item);
    }
    ar << r.selection << r.horizontalExtent << r.droppedWidth << r.fieldHeight;
  } else if (c.tag == kTagModeCombo || c.tag == kTagColour) {
    ar << c.width << c.height << c.id;
  }
}

const char* ToolbarStateFault(const ToolbarStateRecord& s) {
  if (s.buttons.empty()) return nullptr;
  if (s.buttons.size() > kMaxToolbarButtons) return "holds more buttons than a bar can have";
  auto side = [](int v) { return v >= 1 && v <= kMaxButtonSide; };
  if (!side(s.buttonWidth) || !side(s.buttonHeight) || !side(s.imageWidth) || !side(s.imageHeight)) {
    return "gives a button or image size no bar can have";
  }
  if (s.imageWidth > s.buttonWidth || s.imageHeight > s.buttonHeight) return "gives images larger than their buttons";
  for (const ToolbarButtonRecord& b : s.buttons) {
    if (!b.isControl) continue;
    const ControlRecord& c = b.control;
    if (c.tag == kTagModeCombo || c.tag == kTagColour) {
      if (c.width < kMinControlWidth || c.width > kMaxControlSide || c.height < 1 || c.height > kMaxControlSide) {
        return "gives a control a size no bar can have";
      }
    } else if (c.tag == kTagCombo) {
      const ComboRecord& r = c.combo;
      if (r.width < kMinControlWidth || r.width > kMaxControlSide || r.height < 1 || r.height > kMaxControlSide ||
          r.droppedWidth > kMaxControlSide || r.fieldHeight > kMaxControlSide ||
          r.horizontalExtent > kMaxControlSide * 16u) {
        return "gives a control a size no bar can have";
      }
      if (r.items.size() > kMaxComboItems) return "gives a list more items than a bar's list can have";
      if (r.selection != kNone16 && r.selection >= r.items.size()) return "selects an item its list does not hold";
    }
  }
  return nullptr;
}

void WriteToolbarState(fw::Archive& ar, const ToolbarStateRecord& s) {
  ar.WriteString(s.caption);
  ar << static_cast<std::uint32_t>(s.buttons.size());
  ar << s.buttonWidth << s.buttonHeight << s.imageWidth << s.imageHeight;
  for (const ToolbarButtonRecord& b : s.buttons) {
    ar << b.command << static_cast<std::uint8_t>(b.isControl ? 1 : 0);
    if (b.isControl) {
      WriteControlRecord(ar, b.control);
    } else {
      ar << b.style << b.image;
      ar.WriteString(b.text);
    }
  }
  if (s.stamp != 0) {
    ar.Write(kStampTag, sizeof kStampTag);
    ar << s.stamp;
  }
}

ControlRecord ReadControlRecord(fw::Archive& ar) {
  ControlRecord c;
  c.tag = ar.ReadString();
  if (c.tag == kTagCombo) {
    ComboRecord& r = c.combo;
    ar >> r.style >> r.exStyle >> r.id >> r.width >> r.height;
    std::uint16_t count = 0;
    ar >> count;
    r.hasItems = count != kNone16;
    if (r.hasItems) {
      // Each item takes at least its length byte.
      if (count > ar.BytesLeft()) Damaged("more combo items than the file holds");
      if (count > kMaxComboItems) Damaged("more combo items than a bar's list can have");
      for (std::uint16_t i = 0; i < count; ++i) r.items.push_back(ar.ReadString());
    }
    ar >> r.selection >> r.horizontalExtent >> r.droppedWidth >> r.fieldHeight;
  } else if (c.tag == kTagModeCombo || c.tag == kTagColour) {
    ar >> c.width >> c.height >> c.id;
  } else if (c.tag != kTagUnknown && c.tag != kTagEdit) {
    Damaged("an unknown control tag");
  }
  return c;
}

ToolbarStateRecord ReadToolbarState(fw::Archive& ar) {
  ToolbarStateRecord s;
  s.caption = ar.ReadString();
  std::uint32_t count = 0;
  ar >> count;
  ar >> s.buttonWidth >> s.buttonHeight >> s.imageWidth >> s.imageHeight;
  // A record is at least its command, its flag, a style, an image and an
  // empty text: 9 bytes; a control's at least 6.
  if (count > ar.BytesLeft() / 6) Damaged("more buttons than the file holds");
  if (count > kMaxToolbarButtons) Damaged("more buttons than a bar can have");
  for (std::uint32_t i = 0; i < count; ++i) {
    ToolbarButtonRecord b;
    std::uint8_t flag = 0;
    ar >> b.command >> flag;
    if (flag > 1) Damaged("a button that is neither plain nor a control");
    b.isControl = flag == 1;
    if (b.isControl) {
      b.control = ReadControlRecord(ar);
    } else {
      ar >> b.style >> b.image;
      b.text = ar.ReadString();
    }
    s.buttons.push_back(std::move(b));
  }
  // After the records only the stamp of the update that wrote the file.
  if (ar.BytesLeft() != 0) {
    char tag[sizeof kStampTag] = {};
    if (ar.BytesLeft() != sizeof kStampTag + 4) Damaged("bytes after the buttons");
    ar.Read(tag, sizeof tag);
    if (std::memcmp(tag, kStampTag, sizeof tag) != 0) Damaged("bytes after the buttons");
    ar >> s.stamp;
  }
  if (const char* fault = ToolbarStateFault(s)) Damaged(fault);
  return s;
}

bool ParseToolbarState(const std::uint8_t* data, std::size_t size, ToolbarStateRecord& out) {
  if (size > 0xFFFFFFFFu) return false;
  try {
    fw::MemFile memory;
    memory.Attach(const_cast<std::uint8_t*>(data), static_cast<std::uint32_t>(size));
    fw::Archive ar(memory, fw::Archive::load);
    out = ReadToolbarState(ar);
    return true;
  } catch (const FileException&) {
    return false;
  }
}

bool ImagesFitStrip(const ToolbarStateRecord& state, int imageCount) {
  for (const ToolbarButtonRecord& b : state.buttons) {
    if (b.isControl || (b.style & kButtonStyleSeparator) || b.image == kNone16) continue;
    if (b.image >= imageCount) return false;
  }
  return true;
}

void MapButtonColours(ImageStrip& strip, const ButtonColours& from, const ButtonColours& to) {
  for (std::uint32_t& p : strip.pixels) {
    for (std::size_t i = 0; i < from.size(); ++i) {
      if ((p & 0xFFFFFF) == from[i]) {
        p = to[i];
        break;
      }
    }
  }
}

std::vector<std::uint8_t> EncodeStripBitmap(const ImageStrip& strip, std::uint32_t stamp) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(strip.width) * 3 + 3) & ~3u;
  const std::uint32_t bits = stride * static_cast<std::uint32_t>(strip.height);
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 14 + 40 + bits);
  Put32(out, stamp);  // the two reserved words, which readers pass over
  Put32(out, 14 + 40);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(strip.width));
  Put32(out, static_cast<std::uint32_t>(strip.height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, bits);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = strip.height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < strip.width; ++x) {
      const std::uint32_t p = strip.At(x, y);
      out.push_back(static_cast<std::uint8_t>(p));
      out.push_back(static_cast<std::uint8_t>(p >> 8));
      out.push_back(static_cast<std::uint8_t>(p >> 16));
    }
    out.resize(start + stride, 0);
  }
  return out;
}

bool DecodeStripBitmap(const std::uint8_t* data, std::size_t size, ImageStrip& out) {
  if (size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return false;
  const std::uint32_t offset = Le32(data + 10);
  const std::uint8_t* info = data + 14;
  const std::uint32_t infoSize = Le32(info);
  if (infoSize < 40 || 14 + static_cast<std::uint64_t>(infoSize) > size) return false;
  const auto width = static_cast<std::int32_t>(Le32(info + 4));
  const auto rawHeight = static_cast<std::int32_t>(Le32(info + 8));
  const std::uint16_t depth = Le16(info + 14);
  const std::uint32_t compression = Le32(info + 16);
  std::uint32_t colours = Le32(info + 32);
  // A bar whose buttons show no image saves a strip of width 0.
  if (width < 0 || width > 65535 || rawHeight == 0 || rawHeight < -65535 || rawHeight > 65535 || compression != 0)
    return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return false;
  const bool bottomUp = rawHeight > 0;
  const int height = bottomUp ? rawHeight : -rawHeight;
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxStripPixels) return false;
  if (depth <= 8 && colours == 0) colours = 1u << depth;
  if (depth <= 8 && colours > (1u << depth)) return false;
  const std::uint64_t tableEnd = 14 + static_cast<std::uint64_t>(infoSize) + (depth <= 8 ? 4ull * colours : 0);
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * depth + 31) / 32) * 4;
  if (tableEnd > size || offset < tableEnd || offset + stride * height > size) return false;
  const std::uint8_t* table = data + 14 + infoSize;
  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = data + offset + stride * static_cast<std::uint64_t>(bottomUp ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      std::uint32_t bgr = 0;
      if (depth == 24) {
        bgr = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
      } else {
        const int bit = x * depth;
        const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        if (index >= colours) return false;
        const std::uint8_t* c = table + 4 * index;
        bgr = c[0] | (c[1] << 8) | (c[2] << 16);
      }
      // Stored blue, green, red: read little-endian, that is 0xRRGGBB.
      out.pixels[static_cast<std::size_t>(y) * width + x] = bgr;
    }
  }
  return true;
}

std::uint32_t StripBitmapStamp(const std::uint8_t* data, std::size_t size) { return size >= 10 ? Le32(data + 6) : 0; }

int StripImageCount(const ImageStrip& strip, int imageWidth, int imageHeight) {
  if (imageWidth <= 0 || imageHeight <= 0 || strip.height != imageHeight || strip.width % imageWidth != 0) return -1;
  return strip.width / imageWidth;
}

std::string ImageFileOf(const std::string& stateFile) {
  const std::size_t slash = stateFile.find_last_of("\\/");
  const std::size_t dot = stateFile.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return stateFile + ".tbi";
  return stateFile.substr(0, dot) + ".tbi";
}

}  // namespace lumora
