// Insert marks and the dragged-button block.
#include "ui/ToolbarDrag.h"

#include <algorithm>

namespace lumora {
namespace {

void OffsetTo(RECT& r, LONG dx, LONG dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
}

// A 6-pixel band centred on an edge, kept inside the client area.
RECT MarkAcross(bool vertical, LONG edge, LONG from, LONG to, const RECT& client) {
  RECT r = vertical ? RECT{from, edge - 3, to, edge + 3} : RECT{edge - 3, from, edge + 3, to};
  if (vertical) {
    if (r.top < client.top) OffsetTo(r, 0, client.top - r.top);
    if (r.bottom > client.bottom) OffsetTo(r, 0, client.bottom - r.bottom);
  } else {
    if (r.left < client.left) OffsetTo(r, client.left - r.left, 0);
    if (r.right > client.right) OffsetTo(r, client.right - r.right, 0);
  }
  return r;
}

}  // namespace

InsertMark ComputeInsertMark(const std::vector<RECT>& buttons, bool vertical, POINT p, const RECT& client,
                             int rowGap) {
  InsertMark out;
  if (buttons.empty()) {
    out.index = 0;
    out.mark = client;
    return out;
  }
  const int n = static_cast<int>(buttons.size());
  if (vertical) {
    for (int i = 0; i < n; ++i) {
      const RECT& b = buttons[static_cast<std::size_t>(i)];
      if (b.top > p.y) {
        out.index = i;
        out.mark = MarkAcross(true, b.top, b.left, b.right, client);
        return out;
      }
      if (p.y >= b.top && p.y < b.bottom) {
        const bool before = p.y - b.top < b.bottom - p.y;
        out.index = before ? i : i + 1;
        out.mark = MarkAcross(true, before ? b.top : b.bottom, b.left, b.right, client);
        return out;
      }
    }
    const RECT& last = buttons.back();
    out.index = n;
    out.mark = MarkAcross(true, last.bottom, last.left, last.right, client);
    return out;
  }
  // Rows by the buttons' tops.
  std::vector<LONG> tops;
  for (const RECT& b : buttons) {
    if (std::find(tops.begin(), tops.end(), b.top) == tops.end()) tops.push_back(b.top);
  }
  std::sort(tops.begin(), tops.end());
  const LONG rowHeight = std::max<LONG>(1, buttons.front().bottom - buttons.front().top);
  const LONG y = std::max<LONG>(0, p.y - tops.front());
  const std::size_t row = std::min<std::size_t>(tops.size() - 1, static_cast<std::size_t>(y / (rowHeight + rowGap)));
  int lastInRow = -1;
  for (int i = 0; i < n; ++i) {
    const RECT& b = buttons[static_cast<std::size_t>(i)];
    if (b.top != tops[row]) continue;
    lastInRow = i;
    if (b.left > p.x) {
      out.index = i;
      out.mark = MarkAcross(false, b.left, b.top, b.bottom, client);
      return out;
    }
    if (p.x >= b.left && p.x < b.right) {
      const bool before = p.x - b.left < b.right - p.x;
      out.index = before ? i : i + 1;
      out.mark = MarkAcross(false, before ? b.left : b.right, b.top, b.bottom, client);
      return out;
    }
  }
  const RECT& last = buttons[static_cast<std::size_t>(lastInRow)];
  out.index = lastInRow + 1;
  out.mark = MarkAcross(false, last.right, last.top, last.bottom, client);
  return out;
}

std::array<std::uint8_t, 24> EncodeDraggedButton(const DraggedButton& b) {
  std::array<std::uint8_t, 24> out{};
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, static_cast<std::uint32_t>(b.bitmap));
  put(4, static_cast<std::uint32_t>(b.command));
  out[8] = b.state;
  out[9] = b.style;
  put(12, b.data);
  put(16, static_cast<std::uint32_t>(b.string));
  put(20, b.control);
  return out;
}

std::optional<DraggedButton> DecodeDraggedButton(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 24) return std::nullopt;
  auto get = [&](std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
           (static_cast<std::uint32_t>(data[at + 2]) << 16) | (static_cast<std::uint32_t>(data[at + 3]) << 24);
  };
  DraggedButton b;
  b.bitmap = static_cast<std::int32_t>(get(0));
  b.command = static_cast<std::int32_t>(get(4));
  b.state = data[8];
  b.style = data[9];
  b.data = get(12);
  b.string = static_cast<std::int32_t>(get(16));
  b.control = get(20);
  return b;
}

DropKind ClassifyDrop(const DraggedButton& button, bool controlIsLive, bool hasBitmap) {
  if (button.control != 0 && controlIsLive) return DropKind::kControl;
  return hasBitmap ? DropKind::kPlainButton : DropKind::kRefused;
}

int DragCursorId(DragFeedback feedback, bool overBar, bool control) {
  if (!overBar || feedback == DragFeedback::kNone) return control ? 148 : 133;
  if (feedback == DragFeedback::kCopy) return control ? 147 : 4;
  return control ? 149 : 146;
}

bool OnControlResizeEdge(int x, int controlRight) { return x <= controlRight && controlRight - x <= 4; }

std::optional<int> ResizedControlWidth(int x, int left, int right) {
  const int width = x - left;
  if (width < 5) return std::nullopt;
  if (x - right <= 4 && right - x <= 4) return std::nullopt;
  return width;
}

int ButtonIndexFromPoint(const std::vector<RECT>& buttons, int first, int count, POINT point) {
  const int n = static_cast<int>(buttons.size());
  if (n == 0) return -1;
  const int from = std::clamp(first, 0, n - 1);
  const int to = from + std::clamp(count, 0, n);
  for (int i = from; i < std::min(to, n); ++i) {
    const RECT& r = buttons[static_cast<std::size_t>(i)];
    if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) return i;
  }
  return -1;
}

}  // namespace lumora
