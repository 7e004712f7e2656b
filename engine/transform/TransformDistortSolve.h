// The inverse of the four-point mapping at one destination position, shared
// by the fast and the reference distort kernels so that both evaluate the
// same double expressions in the same order.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/transform/TransformKernels.h"

struct DistortSample {
  int iu, fu, iv, fv;  // source column and row, and their sixteenths
};

// Solves x = Ax u + Cx v + Ex u v, y = Ay u + Cy v + Ey u v for the source
// position (u, v) of destination position (x, y), both relative to point 0.
// `rowB` is D + y Ex and `rowC` is y Cx (constant along a row). False when the
// position has no source inside the W x H source.
//
// When K = 0 the top and bottom sides are parallel and u solves the linear
// equation b u + c = 0; positions are kept in sixteenths (U = 16 u truncated)
// and U >> 4 must lie in 0 .. W - 1, which holds exactly when
// -1 < 16 u < 16 W (likewise V). Otherwise u solves K u^2 + b u + c = 0; the
// root (sqrt q - b) / 2K is tried first, then (-b - sqrt q) / 2K, and a root
// is taken when u truncates into 0 .. W - 1 and 0 <= v < H. The range tests
// come before every conversion to an integer, so no conversion overflows.
inline bool SolveDistort(const DistortCoefficients& k, double rowB, double rowC, double x, double y,
                         int width, int height, DistortSample* out) {
  const double b = rowB - x * k.ey;
  const double c = rowC - x * k.cy;
  if (k.k == 0.0) {
    if (b == 0.0) return false;
    const double u = -c / b;
    const double su = 16.0 * u;
    if (!(su > -1.0 && su < 16.0 * width)) return false;
    const double d = k.cy + u * k.ey;
    if (d == 0.0) return false;
    const double sv = 16.0 * (y - u * k.ay) / d;
    if (!(sv > -1.0 && sv < 16.0 * height)) return false;
    const auto U = static_cast<std::int32_t>(su);
    const auto V = static_cast<std::int32_t>(sv);
    *out = DistortSample{U >> 4, U & 15, V >> 4, V & 15};
    return true;
  }
  const double q = b * b - 4.0 * k.k * c;
  if (q < 0.0) return false;
  const double root = std::sqrt(q);
  for (int candidate = 0; candidate < 2; ++candidate) {
    const double u = (candidate == 0 ? root - b : -b - root) / (2.0 * k.k);
    if (!(u > -1.0 && u < width)) continue;
    const double d = u * k.ey + k.cy;
    if (d == 0.0) continue;
    const double v = (y - u * k.ay) / d;
    if (!(v >= 0.0 && v < height)) continue;
    *out = DistortSample{static_cast<std::int32_t>(u), static_cast<std::int32_t>(16.0 * u) & 15,
                         static_cast<std::int32_t>(v), static_cast<std::int32_t>(16.0 * v) & 15};
    return true;
  }
  return false;
}
