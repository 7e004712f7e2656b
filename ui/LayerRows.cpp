// Layer palette row geometry, drops, opacity text and placement.
#include "ui/LayerRows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/rect.h"
#include "platform/text.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kTextMarkWidth = 16;
constexpr int kLockMarkWidth = 10;

RECT Centred(int left, int width, int height, int rowHeight) {
  const int top = (rowHeight - height) / 2;
  return RECT{left, top, left + width, top + height};
}

}  // namespace

RowZones ComputeRowZones(const RowShape& s) {
  RowZones z;
  const int h = s.height;
  const int top = (h - kRowCell) / 2;
  const int bottom = (h + kRowCell) / 2;
  z.visibility = RECT{4, top, kRowCell + 4, bottom};
  z.paintTarget = RECT{kRowCell + 8, top, 2 * (kRowCell + 4), bottom};
  z.link = RECT{2 * kRowCell + 12, top, 3 * (kRowCell + 4), bottom};
  const int indent = s.grouped ? kGroupIndent : 0;
  int thumbWidth = 0;
  if (h >= kMinThumbnailRow) {
    thumbWidth = h - 2 * kRowMargin;
    const int left = kRowStrip + kRowMargin + indent;
    z.image = RECT{left, kRowMargin, left + thumbWidth, h - kRowMargin};
    if (s.hasMask) z.mask = RECT{z.image.right + 5, kRowMargin, z.image.right + 5 + thumbWidth, h - kRowMargin};
  }
  int nameLeft = kRowStrip + thumbWidth + 5 + indent;
  if (s.hasMask && thumbWidth > 0) nameLeft += thumbWidth + 5;
  z.name = RECT{nameLeft, 0, std::max(nameLeft, s.width - (s.text ? 32 : 0)), h};
  if (s.text) z.textMark = Centred(s.width - 37, kTextMarkWidth, kTextMarkWidth, h);
  if (s.positionLocked) z.positionLock = Centred(s.width - 20, kLockMarkWidth, kLockMarkWidth, h);
  if (s.transparencyLocked) z.transparencyLock = Centred(s.width - 10, kLockMarkWidth, kLockMarkWidth, h);
  return z;
}

RowZone ZoneAt(const RowZones& z, POINT p, bool current) {
  auto in = [&](const RECT& r) { return RectContainsPoint(r, p.x, p.y); };
  if (in(z.visibility)) return kZoneVisibility;
  if (in(z.link)) return current ? kZoneLinkCurrent : kZoneLinkOther;
  if (in(z.paintTarget)) return kZonePaintTarget;
  if (in(z.image)) return kZoneImage;
  if (in(z.mask)) return kZoneMask;
  if (in(z.transparencyLock)) return kZoneTransparencyLock;
  if (in(z.positionLock)) return kZonePositionLock;
  if (in(z.textMark)) return kZoneTextMark;
  return kZoneNone;
}

std::uint32_t ZoneTipId(RowZone zone) {
  switch (zone) {
    case kZoneVisibility: return IDS_TIP_ROW_VISIBILITY;
    case kZoneLinkOther: return IDS_TIP_ROW_LINKED_SELECTED;
    case kZoneLinkCurrent: return IDS_TIP_ROW_LINKED;
    case kZonePaintTarget: return IDS_TIP_ROW_PAINT_TARGET;
    case kZoneImage: return IDS_TIP_ROW_THUMBNAIL;
    case kZoneMask: return IDS_TIP_ROW_MASK;
    case kZoneTextMark: return IDS_TIP_ROW_TEXT;
    case kZonePositionLock: return IDS_TIP_ROW_POSITION_LOCK;
    case kZoneTransparencyLock: return IDS_TIP_ROW_TRANSPARENCY_LOCK;
    default: return 0;
  }
}

std::string CutTipText(const std::string& text) {
  constexpr std::size_t kLongest = 79;
  std::u16string wide = Utf8ToUtf16(text);
  if (wide.size() <= kLongest) return text;
  wide.resize(kLongest);
  // A pair's first half alone is no character.
  if (wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
  return Utf16ToUtf8(wide);
}

int RowHeightForIndex(int index) {
  static constexpr int kHeights[4] = {24, 44, 64, 84};
  return kHeights[index >= 0 && index < 4 ? index : 1];
}

int IndexForRowHeight(int height) {
  if (height < 25) return 0;
  if (height < 45) return 1;
  if (height < 65) return 2;
  return 3;
}

int RowAtPoint(int y, int scroll, int rowHeight) {
  const int at = y + scroll;
  if (at < 0 || rowHeight <= 0) return -1;
  return at / rowHeight;
}

RECT RowRect(int index, int scroll, int rowHeight, int width) {
  return RECT{0, index * rowHeight - scroll, width, (index + 1) * rowHeight - scroll};
}

int ScrollLimit(int rows, int rowHeight, int clientHeight) { return std::max(0, rows * rowHeight - clientHeight); }

RowDrop DropRow(int target, int current, int rows) {
  RowDrop drop;
  target = std::max(target, 0);
  if (rows <= 0 || current < 0 || current >= rows || target == current) return drop;
  drop.move = true;
  if (target >= rows - 1) {
    drop.referenceRow = -1;
  } else if (current >= target) {
    drop.referenceRow = target;
  } else {
    drop.referenceRow = target + 1;
  }
  drop.newRow = std::min(target, rows - 1);
  return drop;
}

int ReadOpacityText(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, 1, 100));
}

std::string OpacityText(int percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%i%%", percent);
  return text;
}

POINT PalettePlacement(bool saved, POINT savedAt, SIZE window, SIZE screen, int mainClientRight, int topOffset) {
  if (!saved) return POINT{mainClientRight - window.cx - 3, topOffset + 1};
  return POINT{std::clamp<LONG>(savedAt.x, 0, std::max<LONG>(0, screen.cx - window.cx)),
               std::clamp<LONG>(savedAt.y, 0, std::max<LONG>(0, screen.cy - window.cy))};
}

int ExpandedHeight(const RECT& window, int listHeight, int rows, int rowHeight, int bottomLimit, int minimumHeight) {
  int bottom = window.bottom - listHeight + rows * rowHeight + 2;
  bottom = std::min(bottom, bottomLimit);
  return std::max<int>(bottom - window.top, minimumHeight);
}

}  // namespace lumora
