// Reading the controls of an extended dialog template.
#include "dialogs/DialogTemplate.h"

namespace lumora {
namespace {

class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Word(std::uint16_t* out) {
    if (pos_ + 2 > size_) return false;
    *out = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return true;
  }
  bool Dword(std::uint32_t* out) {
    std::uint16_t lo = 0, hi = 0;
    if (!Word(&lo) || !Word(&hi)) return false;
    *out = lo | static_cast<std::uint32_t>(hi) << 16;
    return true;
  }
  bool Skip(std::size_t n) {
    if (pos_ + n > size_) return false;
    pos_ += n;
    return true;
  }
  // A zero-terminated UTF-16 string.
  bool SkipString() {
    std::uint16_t c = 0;
    do {
      if (!Word(&c)) return false;
    } while (c != 0);
    return true;
  }
  // A name or an ordinal: 0 (none), 0xFFFF and a number, or a string.
  bool SkipNameOrOrdinal() {
    if (pos_ + 2 > size_) return false;
    const std::uint16_t first = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    if (first == 0) return Skip(2);
    if (first == 0xFFFF) return Skip(4);
    return SkipString();
  }
  bool AlignDword() { return Skip((4 - pos_ % 4) % 4); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

constexpr std::uint32_t kSetFont = 0x40;  // DS_SETFONT (DS_SHELLFONT includes it)

}  // namespace

std::vector<TemplateHelpId> ReadTemplateHelpIds(const std::uint8_t* data, std::size_t size) {
  std::vector<TemplateHelpId> ids;
  TemplateReader r(data, size);
  std::uint16_t version = 0, signature = 0, count = 0;
  std::uint32_t helpId = 0, exStyle = 0, style = 0;
  if (!r.Word(&version) || !r.Word(&signature) || version != 1 || signature != 0xFFFF) return ids;
  if (!r.Dword(&helpId) || !r.Dword(&exStyle) || !r.Dword(&style) || !r.Word(&count) || !r.Skip(8)) return ids;
  if (!r.SkipNameOrOrdinal() || !r.SkipNameOrOrdinal() || !r.SkipString()) return ids;
  if ((style & kSetFont) != 0 && (!r.Skip(6) || !r.SkipString())) return ids;
  std::vector<TemplateHelpId> found;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint32_t itemHelp = 0, itemExStyle = 0, itemStyle = 0, id = 0;
    std::uint16_t extra = 0;
    if (!r.AlignDword() || !r.Dword(&itemHelp) || !r.Dword(&itemExStyle) || !r.Dword(&itemStyle) || !r.Skip(8) ||
        !r.Dword(&id) || !r.SkipNameOrOrdinal() || !r.SkipNameOrOrdinal() || !r.Word(&extra) || !r.Skip(extra)) {
      return ids;  // a damaged template gives nothing
    }
    if (itemHelp != 0) found.push_back({id, itemHelp});
  }
  return found;
}

}  // namespace lumora
