#include "files/HtmlMap.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/layers/LayerMng.h"
#include "platform/safe_write.h"

namespace lumora {

namespace {

constexpr const char* kLineEnd = "\r\n";

struct PathParts {
  std::string folder;  // with its trailing separator
  std::string base;    // no folder, no extension
  std::string extension;  // with its dot, or empty
};

PathParts SplitPath(const std::string& path) {
  PathParts parts;
  const std::size_t slash = path.find_last_of("/\\:");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  parts.folder = path.substr(0, nameStart);
  const std::string name = path.substr(nameStart);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) {
    parts.base = name;
  } else {
    parts.base = name.substr(0, dot);
    parts.extension = name.substr(dot);
  }
  return parts;
}

std::string Quoted(const std::string& text) { return "\"" + HtmlEscape(text) + "\""; }

std::string Numbers(std::initializer_list<long> values) {
  std::string text;
  for (long v : values) text += (text.empty() ? "" : ",") + std::to_string(v);
  return text;
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '"': out += "&quot;"; break;
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string HtmlPagePath(const std::string& imagePath) {
  const PathParts parts = SplitPath(imagePath);
  const std::string page = parts.folder + parts.base + ".htm";
  // File names do not tell letter case apart on Windows: an image saved as
  // ".htm" keeps its name and the page takes another.
  const bool sameFile = std::equal(page.begin(), page.end(), imagePath.begin(), imagePath.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  return sameFile ? parts.folder + parts.base + "-map.htm" : page;
}

std::string BuildHTMLMapPage(CLayersManager& stack, const std::string& imagePath) {
  const PathParts parts = SplitPath(imagePath);
  const long width = stack.GetWidth(), height = stack.GetHeight();
  std::string areas;
  stack.StartIteration();
  while (CLayer* layer = stack.GetNextLayer()) {
    const std::string& link = layer->GetLinkText();
    if (link.empty()) continue;
    // Layer rects count rows from the bottom; the page counts from the top.
    const RECT& r = layer->GetRect();
    const long left = std::clamp<long>(r.left, 0, width), right = std::clamp<long>(r.right, 0, width);
    const long top = std::clamp<long>(height - r.bottom, 0, height);
    const long bottom = std::clamp<long>(height - r.top, 0, height);
    if (left >= right || top >= bottom) continue;  // wholly outside the picture
    areas.insert(0, "<area shape=\"rect\" coords=\"" + Numbers({left, top, right, bottom}) + "\" href=" +
                        Quoted(link) + ">" + kLineEnd);
  }
  std::string page;
  page += std::string("<html>") + kLineEnd;
  page += std::string("<body>") + kLineEnd;
  page += "<map name=" + Quoted(parts.base) + ">" + kLineEnd;
  page += areas;
  page += std::string("</map>") + kLineEnd;
  page += "<img src=" + Quoted(parts.base + parts.extension) + " usemap=" + Quoted("#" + parts.base) + ">" + kLineEnd;
  page += std::string("</body>") + kLineEnd;
  page += std::string("</html>") + kLineEnd;
  return page;
}

RECT MapAreaOfFragment(int width, int height, const Fragment* fragment) {
  RECT area{0, 0, width, height};
  if (fragment == nullptr || IsFrgInverted(fragment)) return area;
  LURECT bounds{};
  if (!GetFragmentBoundRect(fragment, &bounds)) return area;
  // The bounds count rows from the bottom: rows y .. y + h - 1.
  area.left = bounds.x;
  area.top = height - bounds.y - bounds.height;
  area.right = bounds.x + bounds.width;
  area.bottom = area.top + bounds.height;
  return area;
}

std::string BuildMapText(const std::string& mapName, const std::string& reference, int shape, const RECT& area,
                         const Fragment* fragment, int height) {
  std::string text = "<MAP NAME=" + Quoted(mapName) + ">" + kLineEnd;
  std::string coords;
  if (shape == 1 && fragment != nullptr && GetFragmentType(fragment) == 3) {
    const POINT* points = GetPolygonFrgArray(fragment);
    const int count = GetPolygonFrgSize(fragment);
    for (int i = 0; i < count && points != nullptr; ++i) {
      coords += (coords.empty() ? "" : ",") + Numbers({points[i].x, height - points[i].y});
    }
    text += "<AREA SHAPE=\"POLY\" COORDS=\"" + coords;
  } else {
    text += "<AREA SHAPE=\"RECT\" COORDS=\"" + Numbers({area.left, area.top, area.right, area.bottom});
  }
  text += "\" HREF=" + Quoted(reference) + ">" + kLineEnd + "</MAP>";
  return text;
}

}  // namespace lumora

int WriteHTMLMapPage(CLayersManager* stack, std::string path) {
  if (stack == nullptr) throw lumora::FileException(lumora::FileException::genericException, -1, path);
  const std::string page = lumora::BuildHTMLMapPage(*stack, path);
  const std::string pagePath = lumora::HtmlPagePath(path);
  std::string error;
  const bool ok = lumora::WriteFileSafely(
      pagePath,
      [&](lumora::StreamFile& file, std::string*) {
        file.Write(page.data(), static_cast<std::uint32_t>(page.size()));
        return true;
      },
      &error);
  if (!ok) throw lumora::FileException(lumora::FileException::hardIO, -1, pagePath, error);
  return 1;
}
