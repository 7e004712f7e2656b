// What the in-process program tests share beside the program driver: the
// view's pixels against the document's composite and its layers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/Profile.h"
#include "framework/win/DocView.h"
#include "libs/draw/render.h"
#include "tests/support/win/program_driver.h"
#include "tests/support/win/window_pixels.h"
#include "view/win/Lumo40View.h"

namespace lumora::testing {

inline std::vector<std::uint32_t> CompositePixels(CLumo40Doc* doc) {
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  std::vector<std::uint32_t> pixels;
  for (int row = 0; row < composite->GetH(); ++row) {
    for (int x = 0; x < composite->GetW(); ++x) pixels.push_back(CompositePixel(*composite, x, row));
  }
  return pixels;
}

// Where a view's pixels are read: as the view draws them (PrintWindow) or
// as the screen shows them (for a window nothing covers).
enum class ViewPixels { kDrawn, kShown };

// Every image pixel the view's window shows equals `image` (bottom-up rows
// of the document's size); with `wholeImage` the window must show all of
// them. Reduced views are compared at the pixels they show.
inline void ExpectViewShows(CLumo40View* view, const VrWA2000::WA& image, ViewPixels source, bool wholeImage) {
  const Capture shot = source == ViewPixels::kDrawn ? CaptureClient(view->Handle()) : CaptureShownClient(view->Handle());
  const VRXFORM map = view->Mapping();
  const double perPixel = view->ImageUnitsPerPixel();
  int compared = 0, mismatches = 0;
  for (int row = 0; row < image.GetH(); ++row) {
    for (int x = 0; x < image.GetW(); ++x) {
      POINT p{x, row};
      map.RevXForm(&p, kXFPixels);
      if (p.x < 0 || p.y < 0 || p.x >= shot.width || p.y >= shot.height) continue;
      if (perPixel > 1.0) {
        POINT back = p;
        map.XForm(&back, kXFPixels);
        if (back.x != x || back.y != row) continue;
      }
      ++compared;
      if (shot.At(p.x, p.y) != CompositePixel(image, x, row) && ++mismatches < 5) {
        ADD_FAILURE() << "image pixel " << x << "," << row << " at window " << p.x << "," << p.y << ": " << std::hex
                      << shot.At(p.x, p.y) << " for " << CompositePixel(image, x, row);
      }
    }
  }
  if (wholeImage && perPixel <= 1.0) {
    EXPECT_EQ(compared, image.GetW() * image.GetH());
  }
  EXPECT_GT(compared, 0);
  EXPECT_EQ(mismatches, 0) << "of " << compared;
}

// The view shows the document's composite.
inline void ExpectViewShowsComposite(CLumo40View* view, CLumo40Doc* doc, bool wholeImage = true) {
  WAPtr composite = doc->Image().GetLayers()->GetCompositeImage();
  ExpectViewShows(view, *composite, ViewPixels::kDrawn, wholeImage);
}

// Where the view's window shows the image, from what the window itself
// says: the view's zoom, and the scroll position of its scroll bars, or,
// along an axis without a bar, the image centred in the client area.
inline VRXFORM ShownMapping(CLumo40View* view, int width, int height) {
  const ViewZoomFactors& zoom = view->Zoom();
  const RECT total = VRXFORM(width, height, zoom.x, zoom.y).ImageWindowRect();
  RECT client{};
  GetClientRect(view->Handle(), &client);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(view->Handle(), GWL_STYLE));
  auto position = [&](int bar, bool shown, LONG extent, LONG available) -> LONG {
    if (!shown) return extent < available ? (extent - available) / 2 : 0;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    GetScrollInfo(view->Handle(), bar, &info);
    return info.nPos;
  };
  XFFACT x = zoom.x, y = zoom.y;
  x.shift(-position(SB_HORZ, (style & WS_HSCROLL) != 0, total.right - total.left, client.right));
  y.shift(-position(SB_VERT, (style & WS_VSCROLL) != 0, total.bottom - total.top, client.bottom));
  return VRXFORM(width, height, x, y);
}

// What the margin around an image smaller than the window shows at a
// window pixel: a black frame one pixel outside the image, a white one
// further out, the button face elsewhere.
inline std::uint32_t MarginPixel(const RECT& image, LONG u, LONG v) {
  auto onFrame = [&](LONG d) {
    const RECT f{image.left - d, image.top - d, image.right - 1 + d, image.bottom - 1 + d};
    const bool onX = (u == f.left || u == f.right) && v >= f.top && v <= f.bottom;
    const bool onY = (v == f.top || v == f.bottom) && u >= f.left && u <= f.right;
    return onX || onY;
  };
  if (onFrame(1)) return 0x000000;
  if (onFrame(2)) return 0xFFFFFF;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  return (static_cast<std::uint32_t>(GetRValue(face)) << 16) | (GetGValue(face) << 8) | GetBValue(face);
}

// The view's window shows the document's layers, composited afresh, where
// its zoom and scroll bars say (for documents whose layers cover the whole
// image): every window pixel of the image as the drawing library computes
// it at that place, and the margin around it as the view paints it.
inline void ExpectViewShowsLayers(CLumo40View* view, CLumo40Doc* doc, ViewPixels source) {
  CLayersManager* stack = doc->Image().GetLayers();
  const WAPtr merged = stack->CreateMergedImage(1, 255, 255, 255);
  ASSERT_TRUE(merged);
  draw::RenderSettings settings;
  settings.image = merged.get();
  settings.map = ShownMapping(view, merged->GetW(), merged->GetH());
  const Capture shot = source == ViewPixels::kDrawn ? CaptureClient(view->Handle()) : CaptureShownClient(view->Handle());
  const RECT image = settings.map.ImageWindowRect();
  RECT shown{};
  const RECT client{0, 0, shot.width, shot.height};
  ASSERT_TRUE(IntersectRect(&shown, &image, &client)) << "the image lies outside the window";
  int compared = 0, mismatches = 0;
  for (LONG v = 0; v < shot.height; ++v) {
    for (LONG u = 0; u < shot.width; ++u) {
      const POINT p{u, v};
      const bool inImage = PtInRect(&shown, p) != 0;
      const std::uint32_t want = inImage ? draw::ReferencePixel(settings, u, v) & 0xFFFFFF : MarginPixel(image, u, v);
      ++compared;
      if (shot.At(u, v) != want && ++mismatches < 5) {
        ADD_FAILURE() << (inImage ? "image" : "margin") << " at window pixel " << u << "," << v << ": " << std::hex
                      << shot.At(u, v) << " for " << want;
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << compared;
}

}  // namespace lumora::testing
