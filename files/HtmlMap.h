// Client-side image maps for pictures exported for the web: the page
// written beside an exported image with one hot area per linked layer, and
// the MAP/AREA text of the Map command for a selection. Coordinates are
// written top-down (row 0 the top of the picture), as browsers read them.
#pragma once

#include <string>
#include <string_view>

#include "hostapi/fragment.h"
#include "platform/win32types.h"

class CLayersManager;

namespace lumora {

// `"`, `&`, `<` and `>` as character references.
std::string HtmlEscape(std::string_view text);

// The page's path: the image path with its extension replaced by "htm"
// (".htm" added when it has none); "<base>-map.htm" when that would be
// the image itself (an image saved as ".htm", in any letter case).
std::string HtmlPagePath(const std::string& imagePath);

// The whole page for the image at `imagePath`: one area per layer with a
// link text, the top layer first.
std::string BuildHTMLMapPage(CLayersManager& stack, const std::string& imagePath);

// The Map command's area for a selection in a width x height image: the
// selection's bounding box, the whole image for no selection or an
// inverted one; top-down, right and bottom exclusive.
RECT MapAreaOfFragment(int width, int height, const Fragment* fragment);

// The Map command's text. Shape 0: the rectangle `area`; shape 1: the
// vertices of the polygon `fragment`, flipped to top-down rows in an image
// of `height`. Never ends in a line end.
std::string BuildMapText(const std::string& mapName, const std::string& reference, int shape, const RECT& area,
                         const Fragment* fragment, int height);

}  // namespace lumora

// Writes the page beside the image file just written; returns 1. Throws
// lumora::FileException when the page cannot be written (an old page
// stays as it was).
int WriteHTMLMapPage(CLayersManager* stack, std::string path);
