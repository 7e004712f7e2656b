// Profiles through LittleCMS and the table-driven 8-bit transforms sampled
// from it.
#include "libs/draw/cm_transform.h"

#include <lcms2.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <mutex>
#include <utility>

namespace lumora::draw {

namespace {

// Larger profiles are not taken (an embedded one could ask for any size).
constexpr std::size_t kMaxProfileBytes = 16u << 20;

std::string ContentKey(const void* data, std::size_t size) {
  // FNV-1a over the bytes, with the size: enough to tell profiles apart.
  std::uint64_t h = 1469598103934665603ull;
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
  char text[48];
  std::snprintf(text, sizeof text, "%016llx-%zu", static_cast<unsigned long long>(h), size);
  return text;
}

struct HandleCloser {
  void operator()(void* h) const {
    if (h) cmsCloseProfile(static_cast<cmsHPROFILE>(h));
  }
};

struct TransformCloser {
  void operator()(void* t) const {
    if (t) cmsDeleteTransform(static_cast<cmsHTRANSFORM>(t));
  }
};
using TransformHandle = std::unique_ptr<void, TransformCloser>;

// LittleCMS's own transform on packed 8-bit RGB: the reference every table
// is sampled from and checked against.
TransformHandle ReferenceTransform(const CmProfile& source, const CmProfile& target, int intent,
                                   const CmProfile& proof, int proofIntent) {
  cmsHTRANSFORM t;
  if (proof.Valid()) {
    t = cmsCreateProofingTransform(source.Handle(), TYPE_RGB_8, target.Handle(), TYPE_RGB_8,
                                   proof.Handle(), static_cast<cmsUInt32Number>(intent),
                                   static_cast<cmsUInt32Number>(proofIntent), cmsFLAGS_SOFTPROOFING);
  } else {
    t = cmsCreateTransform(source.Handle(), TYPE_RGB_8, target.Handle(), TYPE_RGB_8,
                           static_cast<cmsUInt32Number>(intent), 0);
  }
  return TransformHandle(t);
}

}  // namespace

CmProfile CmProfile::FromMemory(const void* data, std::size_t size) {
  CmProfile profile;
  if (!data || size == 0 || size > kMaxProfileBytes) return profile;
  cmsHPROFILE h = cmsOpenProfileFromMem(data, static_cast<cmsUInt32Number>(size));
  if (!h) return profile;
  profile.handle_ = std::shared_ptr<void>(h, HandleCloser());
  profile.key_ = ContentKey(data, size);
  return profile;
}

CmProfile CmProfile::FromFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (bytes.size() > kMaxProfileBytes) break;
  }
  std::fclose(f);
  return FromMemory(bytes.data(), bytes.size());
}

CmProfile CmProfile::Srgb() {
  CmProfile profile;
  cmsHPROFILE h = cmsCreate_sRGBProfile();
  if (!h) return profile;
  profile.handle_ = std::shared_ptr<void>(h, HandleCloser());
  profile.key_ = "built-in sRGB";
  return profile;
}

CmProfile CmProfile::DefaultGrey() {
  CmProfile profile;
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  // sRGB's curve: ((x + 0.055) / 1.055)^2.4 above 0.04045, x / 12.92 below.
  const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, params);
  if (!curve) return profile;
  cmsHPROFILE h = cmsCreateGrayProfile(&white, curve);
  cmsFreeToneCurve(curve);
  if (!h) return profile;
  profile.handle_ = std::shared_ptr<void>(h, HandleCloser());
  profile.key_ = "built-in grey";
  return profile;
}

bool CmProfile::IsGrey() const {
  return Valid() && cmsGetColorSpace(static_cast<cmsHPROFILE>(Handle())) == cmsSigGrayData;
}

CmProfile OpenDisplayProfile(const char* path) {
  std::string name(path);
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  if (name == "srgb color space profile.icm") return CmProfile::Srgb();
  return CmProfile::FromFile(path);
}

bool CmProfile::IsRgb() const {
  return Valid() && cmsGetColorSpace(static_cast<cmsHPROFILE>(Handle())) == cmsSigRgbData;
}

// Curves - matrix - curves as LittleCMS's own 8-bit matrix-shaper path
// lays them out: input curves to 1.14 fixed point, the joined matrix in 1.14,
// output curves sampled at 16385 points of the clipped 1.14 result.
// The matrix is folded into the input curves: column[c][v] holds the
// matrix's column c times curve c at v, so a pixel is three table rows
// added; the sums are the same integers LittleCMS forms.
struct CmTransform::MatrixShaper {
  std::int32_t in[3][256];
  std::int32_t m[3][3];
  alignas(16) std::int32_t column[3][256][4];  // rows 0..2, the rounding half in column 0
  std::uint8_t out[3][16385];
};

// A grey source: LittleCMS's own result for each of the 256 grey levels,
// as 0x00RRGGBB.
struct CmTransform::GreyTable {
  std::uint32_t rgb[256];
};

// LittleCMS's 8-bit path over a joined table, copied so that its results
// come out: per-channel curves to 16.16 node positions (the pipeline's grey
// response, or none), then a 33-node table of 16-bit values read by
// tetrahedral interpolation.
struct CmTransform::Table3D {
  static constexpr int kNodes = 33;
  std::uint32_t index[3][256];  // node per input value
  std::int32_t frac[3][256];    // position past it, 0..65535
  std::vector<std::uint16_t> rgb;  // (r, g, b, 0) per node, b fastest
};

namespace {

using MatrixShaper = CmTransform::MatrixShaper;
using GreyTable = CmTransform::GreyTable;
using Table3D = CmTransform::Table3D;

std::int32_t ToFixed14(double x) { return static_cast<std::int32_t>(std::floor(x * 16384.0 + 0.5)); }

bool Invert3(const double a[3][3], double r[3][3]) {
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  if (std::fabs(det) < 1e-12) return false;
  r[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) / det;
  r[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det;
  r[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det;
  r[1][0] = (a[1][2] * a[2][0] - a[1][0] * a[2][2]) / det;
  r[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det;
  r[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det;
  r[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) / det;
  r[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det;
  r[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det;
  return true;
}

// The RGB -> XYZ (D50) colorant matrix and the three curves of an RGB
// matrix-shaper profile.
bool ReadMatrixShaper(const CmProfile& profile, double m[3][3], const cmsToneCurve* curves[3]) {
  auto h = static_cast<cmsHPROFILE>(profile.Handle());
  if (!profile.IsRgb() || !cmsIsMatrixShaper(h)) return false;
  const cmsTagSignature colorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                        cmsSigBlueColorantTag};
  const cmsTagSignature trcs[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
  for (int c = 0; c < 3; ++c) {
    auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(h, colorants[c]));
    curves[c] = static_cast<const cmsToneCurve*>(cmsReadTag(h, trcs[c]));
    if (!xyz || !curves[c]) return false;
    m[0][c] = xyz->X;
    m[1][c] = xyz->Y;
    m[2][c] = xyz->Z;
  }
  return true;
}

std::uint8_t Word8(float value) {
  // LittleCMS's saturate-to-16-bits, then its 16 -> 8 rounding.
  double d = std::clamp(static_cast<double>(value), 0.0, 1.0) * 65535.0 + 0.5;
  const auto w = static_cast<std::uint32_t>(std::floor(std::min(d, 65535.0)));
  return static_cast<std::uint8_t>(((w * 65281u + 8388608u) >> 24) & 0xFF);
}

// The media white as LittleCMS takes it for the absolute intent: the tag,
// D50 without one or for a version 2 display profile.
cmsCIEXYZ MediaWhite(const CmProfile& profile) {
  auto h = static_cast<cmsHPROFILE>(profile.Handle());
  auto* tag = static_cast<const cmsCIEXYZ*>(cmsReadTag(h, cmsSigMediaWhitePointTag));
  if (!tag || (cmsGetEncodedICCversion(h) < 0x4000000 && cmsGetDeviceClass(h) == cmsSigDisplayClass)) {
    return *cmsD50_XYZ();
  }
  return *tag;
}

std::unique_ptr<MatrixShaper> BuildMatrixShaper(const CmProfile& source, const CmProfile& target, int intent) {
  double s[3][3], d[3][3], dInv[3][3];
  const cmsToneCurve* inCurves[3];
  const cmsToneCurve* outCurves[3];
  if (!ReadMatrixShaper(source, s, inCurves) || !ReadMatrixShaper(target, d, outCurves) ||
      !Invert3(d, dInv)) {
    return nullptr;
  }
  if (intent == kIntentAbsolute) {
    // A fully adapted observer: the PCS scaled by white in / white out.
    const cmsCIEXYZ wi = MediaWhite(source), wo = MediaWhite(target);
    const double scale[3] = {wi.X / wo.X, wi.Y / wo.Y, wi.Z / wo.Z};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) s[r][c] *= scale[r];
  }
  auto ms = std::make_unique<MatrixShaper>();
  for (int r = 0; r < 3; ++r) {
    double rowSum = 0;
    for (int c = 0; c < 3; ++c) {
      double v = 0;
      for (int k = 0; k < 3; ++k) v += dInv[r][k] * s[k][c];
      ms->m[r][c] = ToFixed14(v);
      rowSum += std::fabs(v);
    }
    // The 1.14 products of a row must fit in 32 bits.
    if (rowSum >= 7.9) return nullptr;
  }
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 256; ++i) {
      const float y = cmsEvalToneCurveFloat(inCurves[c], static_cast<cmsFloat32Number>(i / 255.0));
      ms->in[c][i] = y < 131072.0f ? ToFixed14(y) : 0x7fffffff;
      ms->in[c][i] = std::clamp(ms->in[c][i], 0, 16384);
    }
    cmsToneCurve* reversed = cmsReverseToneCurve(outCurves[c]);
    if (!reversed) return nullptr;
    for (int i = 0; i <= 16384; ++i) {
      ms->out[c][i] = Word8(cmsEvalToneCurveFloat(reversed, static_cast<cmsFloat32Number>(i / 16384.0)));
    }
    cmsFreeToneCurve(reversed);
  }
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      for (int r = 0; r < 3; ++r) ms->column[c][v][r] = ms->m[r][c] * ms->in[c][v] + (c == 0 ? 0x2000 : 0);
      ms->column[c][v][3] = 0;
    }
  }
  return ms;
}

#if defined(__SSE2__)
// Three table rows added, >> 14, saturated to 16 bits and clipped to
// 0..16384 (the same result as the scalar clip: sums beyond 16 bits are
// beyond 16384 too), then the output curves.
inline std::uint32_t MatrixPixelSse2(const MatrixShaper& t, std::uint32_t p) {
  const __m128i r = _mm_load_si128(reinterpret_cast<const __m128i*>(t.column[0][(p >> 16) & 0xFF]));
  const __m128i g = _mm_load_si128(reinterpret_cast<const __m128i*>(t.column[1][(p >> 8) & 0xFF]));
  const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(t.column[2][p & 0xFF]));
  __m128i l = _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(r, g), b), 14);
  l = _mm_packs_epi32(l, l);
  l = _mm_min_epi16(_mm_max_epi16(l, _mm_setzero_si128()), _mm_set1_epi16(16384));
  // The three 16-bit results in one move.
  const auto q = static_cast<std::uint64_t>(_mm_cvtsi128_si64(l));
  return (p & 0xFF000000u) | (std::uint32_t{t.out[0][q & 0xFFFF]} << 16) |
         (std::uint32_t{t.out[1][(q >> 16) & 0xFFFF]} << 8) | t.out[2][(q >> 32) & 0xFFFF];
}
#endif

inline std::uint32_t MatrixPixel(const MatrixShaper& t, std::uint32_t p) {
  const std::int32_t r = t.in[0][(p >> 16) & 0xFF];
  const std::int32_t g = t.in[1][(p >> 8) & 0xFF];
  const std::int32_t b = t.in[2][p & 0xFF];
  // (row . rgb + 1/2) in 1.14, clipped to 0..1 before the output curves.
  std::int32_t l1 = (t.m[0][0] * r + t.m[0][1] * g + t.m[0][2] * b + 0x2000) >> 14;
  std::int32_t l2 = (t.m[1][0] * r + t.m[1][1] * g + t.m[1][2] * b + 0x2000) >> 14;
  std::int32_t l3 = (t.m[2][0] * r + t.m[2][1] * g + t.m[2][2] * b + 0x2000) >> 14;
  l1 = std::clamp(l1, 0, 16384);
  l2 = std::clamp(l2, 0, 16384);
  l3 = std::clamp(l3, 0, 16384);
  return (p & 0xFF000000u) | (std::uint32_t{t.out[0][l1]} << 16) | (std::uint32_t{t.out[1][l2]} << 8) |
         t.out[2][l3];
}

constexpr int kPrelinPoints = 4096;

std::uint16_t SaturateWord(double d) {
  d += 0.5;
  if (d <= 0) return 0;
  if (d >= 65535.0) return 0xffff;
  return static_cast<std::uint16_t>(std::floor(d));
}

// LittleCMS's cut of the first and last 2 % of a linearisation curve to
// straight lines.
void SlopeLimit(std::vector<std::uint16_t>& t, bool descending) {
  const int n = static_cast<int>(t.size());
  const int atBegin = static_cast<int>(std::floor(n * 0.02 + 0.5));
  const int atEnd = n - atBegin - 1;
  const double beginVal = descending ? 0xffff : 0, endVal = descending ? 0 : 0xffff;
  double val = t[atBegin];
  double slope = (val - beginVal) / atBegin;
  double beta = val - slope * atBegin;
  for (int i = 0; i < atBegin; ++i) t[i] = SaturateWord(i * slope + beta);
  val = t[atEnd];
  slope = (endVal - val) / atBegin;
  beta = val - slope * atEnd;
  for (int i = atEnd; i < n; ++i) t[i] = SaturateWord(i * slope + beta);
}

bool Degenerated(const std::vector<std::uint16_t>& t) {
  const std::size_t zeros = static_cast<std::size_t>(std::count(t.begin(), t.end(), 0));
  const std::size_t poles = static_cast<std::size_t>(std::count(t.begin(), t.end(), 0xffff));
  if (zeros == 1 && poles == 1) return false;
  return zeros > t.size() / 20 || poles > t.size() / 20;
}

struct CurveCloser {
  void operator()(cmsToneCurve* c) const {
    if (c) cmsFreeToneCurve(c);
  }
};
using Curve = std::unique_ptr<cmsToneCurve, CurveCloser>;

std::unique_ptr<Table3D> BuildTable(const CmProfile& source, const CmProfile& target, int intent,
                                    const CmProfile& proof, int proofIntent) {
  constexpr int n = Table3D::kNodes;
  // The pipeline itself, unoptimised, in floating point.
  const cmsUInt32Number flags = cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE | (proof.Valid() ? cmsFLAGS_SOFTPROOFING : 0);
  TransformHandle pipeline(proof.Valid()
      ? cmsCreateProofingTransform(source.Handle(), TYPE_RGB_FLT, target.Handle(), TYPE_RGB_FLT, proof.Handle(),
                                   static_cast<cmsUInt32Number>(intent),
                                   static_cast<cmsUInt32Number>(proofIntent), flags)
      : cmsCreateTransform(source.Handle(), TYPE_RGB_FLT, target.Handle(), TYPE_RGB_FLT,
                           static_cast<cmsUInt32Number>(intent), flags));
  if (!pipeline) return nullptr;

  // Linearisation curves from the grey response, when they are usable
  // (monotonic, not mostly 0 or 65535); otherwise the table alone.
  std::vector<float> ramp(kPrelinPoints * 3), response(kPrelinPoints * 3);
  for (int i = 0; i < kPrelinPoints; ++i) {
    const auto v = static_cast<float>(static_cast<double>(i) / (kPrelinPoints - 1));
    ramp[i * 3] = ramp[i * 3 + 1] = ramp[i * 3 + 2] = v;
  }
  cmsDoTransform(pipeline.get(), ramp.data(), response.data(), kPrelinPoints);
  Curve forward[3], reverse[3];
  bool usable = true;
  for (int c = 0; c < 3 && usable; ++c) {
    std::vector<std::uint16_t> t(kPrelinPoints);
    for (int i = 0; i < kPrelinPoints; ++i) t[i] = SaturateWord(response[i * 3 + c] * 65535.0);
    Curve probe(cmsBuildTabulatedToneCurve16(nullptr, kPrelinPoints, t.data()));
    SlopeLimit(t, probe && cmsIsToneCurveDescending(probe.get()));
    forward[c].reset(cmsBuildTabulatedToneCurve16(nullptr, kPrelinPoints, t.data()));
    usable = forward[c] && cmsIsToneCurveMonotonic(forward[c].get()) && !Degenerated(t);
    if (usable) reverse[c].reset(cmsReverseToneCurveEx(kPrelinPoints, forward[c].get()));
    usable = usable && reverse[c];
  }

  auto t = std::make_unique<Table3D>();
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 256; ++v) {
      const auto word = static_cast<std::uint16_t>(v * 257);
      const int input = usable ? cmsEvalToneCurve16(forward[c].get(), word) : word;
      // LittleCMS's fixed domain: a + (a + 0x7fff) / 0xffff, in 16.16.
      const int a = input * (n - 1);
      const int fixed = a + (a + 0x7fff) / 0xffff;
      t->index[c][v] = static_cast<std::uint32_t>(fixed >> 16);
      t->frac[c][v] = fixed & 0xffff;
    }
  }

  const std::size_t count = static_cast<std::size_t>(n) * n * n;
  std::vector<float> in(count * 3), out(count * 3);
  std::size_t i = 0;
  for (int r = 0; r < n; ++r) {
    for (int g = 0; g < n; ++g) {
      for (int b = 0; b < n; ++b, i += 3) {
        const int node[3] = {r, g, b};
        for (int c = 0; c < 3; ++c) {
          // floor(k * 65535 / 32 + 1/2), the node's input, through the
          // reversed curve (16-bit evaluation) into the pipeline.
          auto w = static_cast<std::uint16_t>(std::floor(node[c] * 65535.0 / (n - 1) + 0.5));
          if (usable) w = cmsEvalToneCurve16(reverse[c].get(), w);
          in[i + c] = static_cast<float>(w / 65535.0);
        }
      }
    }
  }
  cmsDoTransform(pipeline.get(), in.data(), out.data(), static_cast<cmsUInt32Number>(count));
  t->rgb.resize(count * 4);
  for (std::size_t k = 0; k < count; ++k) {
    for (int c = 0; c < 3; ++c) t->rgb[k * 4 + c] = SaturateWord(out[k * 3 + c] * 65535.0);
  }
  // White on white, except at the absolute intent (unless far off).
  if (intent != kIntentAbsolute) {
    std::uint16_t* white = &t->rgb[(count - 1) * 4];
    bool far = false;
    for (int c = 0; c < 3; ++c) far = far || 0xffff - white[c] > 0xf000;
    const bool onNode = t->frac[0][255] == 0 && t->frac[1][255] == 0 && t->frac[2][255] == 0 &&
                        t->index[0][255] == n - 1 && t->index[1][255] == n - 1 && t->index[2][255] == n - 1;
    if (!far && onNode) white[0] = white[1] = white[2] = 0xffff;
  }
  return t;
}

inline std::uint32_t TablePixel(const Table3D& t, std::uint32_t p) {
  const unsigned rv = (p >> 16) & 0xFF, gv = (p >> 8) & 0xFF, bv = p & 0xFF;
  constexpr std::size_t n = Table3D::kNodes;
  const std::int32_t rx = t.frac[0][rv], ry = t.frac[1][gv], rz = t.frac[2][bv];
  const std::size_t x0 = t.index[0][rv] * n * n * 4, y0 = t.index[1][gv] * n * 4, z0 = t.index[2][bv] * 4;
  // A zero fraction stays on its node (no neighbour read past the end).
  const std::size_t x1 = x0 + (rx ? n * n * 4 : 0), y1 = y0 + (ry ? n * 4 : 0), z1 = z0 + (rz ? 4 : 0);
  const std::uint16_t* lut = t.rgb.data();
  std::uint32_t result = p & 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    auto dens = [&](std::size_t x, std::size_t y, std::size_t z) -> std::int32_t { return lut[x + y + z + c]; };
    const std::int32_t c0 = dens(x0, y0, z0);
    std::int32_t c1, c2, c3;
    // The six tetrahedra, in LittleCMS's order.
    if (rx >= ry && ry >= rz) {
      c1 = dens(x1, y0, z0) - c0; c2 = dens(x1, y1, z0) - dens(x1, y0, z0); c3 = dens(x1, y1, z1) - dens(x1, y1, z0);
    } else if (rx >= rz && rz >= ry) {
      c1 = dens(x1, y0, z0) - c0; c2 = dens(x1, y1, z1) - dens(x1, y0, z1); c3 = dens(x1, y0, z1) - dens(x1, y0, z0);
    } else if (rz >= rx && rx >= ry) {
      c1 = dens(x1, y0, z1) - dens(x0, y0, z1); c2 = dens(x1, y1, z1) - dens(x1, y0, z1); c3 = dens(x0, y0, z1) - c0;
    } else if (ry >= rx && rx >= rz) {
      c1 = dens(x1, y1, z0) - dens(x0, y1, z0); c2 = dens(x0, y1, z0) - c0; c3 = dens(x1, y1, z1) - dens(x1, y1, z0);
    } else if (ry >= rz && rz >= rx) {
      c1 = dens(x1, y1, z1) - dens(x0, y1, z1); c2 = dens(x0, y1, z0) - c0; c3 = dens(x0, y1, z1) - dens(x0, y1, z0);
    } else {
      c1 = dens(x1, y1, z1) - dens(x0, y1, z1); c2 = dens(x0, y1, z1) - dens(x0, y0, z1); c3 = dens(x0, y0, z1) - c0;
    }
    // c0 + rest / 65536 with LittleCMS's rounding.
    const std::int32_t rest = c1 * rx + c2 * ry + c3 * rz + 0x8001;
    const auto w = static_cast<std::uint32_t>(static_cast<std::uint16_t>(c0 + ((rest + (rest >> 16)) >> 16)));
    // 16 -> 8 bits: (w * 65281 + 2^23) >> 24.
    result |= ((w * 65281u + 8388608u) >> 24) << (16 - 8 * c);
  }
  return result;
}

std::unique_ptr<GreyTable> BuildGreyTable(const CmProfile& source, const CmProfile& target, int intent,
                                          const CmProfile& proof, int proofIntent) {
  TransformHandle t(proof.Valid()
      ? cmsCreateProofingTransform(source.Handle(), TYPE_GRAY_FLT, target.Handle(), TYPE_RGB_FLT, proof.Handle(),
                                   static_cast<cmsUInt32Number>(intent),
                                   static_cast<cmsUInt32Number>(proofIntent), cmsFLAGS_SOFTPROOFING)
      : cmsCreateTransform(source.Handle(), TYPE_GRAY_FLT, target.Handle(), TYPE_RGB_FLT,
                           static_cast<cmsUInt32Number>(intent), 0));
  if (!t) return nullptr;
  // In floating point: LittleCMS's 8-bit grey path carries the grey's XYZ
  // in 16 bits and loses the deepest shadows (level 1 of sRGB's curve
  // came out 2 where 6 is right).
  float in[256], out[256 * 3];
  for (int v = 0; v < 256; ++v) in[v] = static_cast<float>(v / 255.0);
  cmsDoTransform(t.get(), in, out, 256);
  auto table = std::make_unique<GreyTable>();
  auto level = [](float x) {
    return static_cast<std::uint32_t>(std::floor(std::clamp(static_cast<double>(x), 0.0, 1.0) * 255.0 + 0.5));
  };
  for (int v = 0; v < 256; ++v) {
    table->rgb[v] = level(out[v * 3]) << 16 | level(out[v * 3 + 1]) << 8 | level(out[v * 3 + 2]);
  }
  return table;
}

inline std::uint32_t GreyPixel(const GreyTable& t, std::uint32_t p) {
  const std::uint32_t level = (77 * ((p >> 16) & 0xFF) + 150 * ((p >> 8) & 0xFF) + 29 * (p & 0xFF) + 128) >> 8;
  return (p & 0xFF000000u) | t.rgb[level];
}

// The largest channel difference between `transform` and LittleCMS over
// the grey ramp and a 17-step grid.
int MaxDifference(const CmTransform& transform, void* reference) {
  std::vector<std::uint32_t> pixels;
  for (int v = 0; v < 256; ++v) pixels.push_back(static_cast<std::uint32_t>(v * 0x010101));
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) pixels.push_back(static_cast<std::uint32_t>(r << 16 | g << 8 | b));
  std::vector<std::uint8_t> in(pixels.size() * 3), out(pixels.size() * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    in[i * 3] = static_cast<std::uint8_t>(pixels[i] >> 16);
    in[i * 3 + 1] = static_cast<std::uint8_t>(pixels[i] >> 8);
    in[i * 3 + 2] = static_cast<std::uint8_t>(pixels[i]);
  }
  cmsDoTransform(static_cast<cmsHTRANSFORM>(reference), in.data(), out.data(),
                 static_cast<cmsUInt32Number>(pixels.size()));
  transform.Apply(pixels.data(), pixels.size());
  int worst = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      const int ours = static_cast<int>((pixels[i] >> (16 - 8 * c)) & 0xFF);
      worst = std::max(worst, std::abs(ours - out[i * 3 + c]));
    }
  }
  return worst;
}

}  // namespace

CmTransform::CmTransform() = default;
CmTransform::~CmTransform() = default;

std::shared_ptr<const CmTransform> CmTransform::Build(const CmProfile& source, const CmProfile& target,
                                                      int intent, const CmProfile& proof,
                                                      int proofIntent) {
  if (!(source.IsRgb() || source.IsGrey()) || !target.IsRgb() || (proof.Valid() && !cmsIsIntentSupported(
      static_cast<cmsHPROFILE>(proof.Handle()), static_cast<cmsUInt32Number>(proofIntent), LCMS_USED_AS_PROOF))) {
    return nullptr;
  }
  if (source.IsGrey()) {
    auto transform = std::make_shared<CmTransform>();
    transform->grey_ = BuildGreyTable(source, target, intent, proof, proofIntent);
    if (!transform->grey_) return nullptr;
    return transform;
  }
  TransformHandle reference = ReferenceTransform(source, target, intent, proof, proofIntent);
  if (!reference) return nullptr;
  auto transform = std::make_shared<CmTransform>();
  if (!proof.Valid()) {
    transform->matrix_ = BuildMatrixShaper(source, target, intent);
    // LittleCMS may have joined the pair differently (black-point
    // compensation, an identity): then the table, which copies it, serves.
    if (transform->matrix_ && MaxDifference(*transform, reference.get()) > 1) transform->matrix_.reset();
  }
  if (!transform->matrix_) {
    transform->table_ = BuildTable(source, target, intent, proof, proofIntent);
    if (!transform->table_) return nullptr;
  }
  return transform;
}

void CmTransform::Apply(std::uint32_t* pixels, std::size_t count) const { Apply(pixels, pixels, count); }

void CmTransform::Apply(const std::uint32_t* in, std::uint32_t* out, std::size_t count) const {
  if (grey_) {
    const GreyTable& t = *grey_;
    for (std::size_t i = 0; i < count; ++i) out[i] = GreyPixel(t, in[i]);
  } else if (matrix_) {
    const MatrixShaper& t = *matrix_;
#if defined(__SSE2__)
    std::size_t i = 0;
    for (; i + 2 <= count; i += 2) {
      // Two at a time: independent chains for the loads to overlap.
      const std::uint32_t a = MatrixPixelSse2(t, in[i]);
      const std::uint32_t b = MatrixPixelSse2(t, in[i + 1]);
      out[i] = a;
      out[i + 1] = b;
    }
    for (; i < count; ++i) out[i] = MatrixPixelSse2(t, in[i]);
#else
    for (std::size_t i = 0; i < count; ++i) out[i] = MatrixPixel(t, in[i]);
#endif
  } else {
    const Table3D& t = *table_;
    for (std::size_t i = 0; i < count; ++i) out[i] = TablePixel(t, in[i]);
  }
}

std::shared_ptr<const CmTransform> CachedCmTransform(const CmProfile& source, const CmProfile& target,
                                                     int intent, const CmProfile& proof,
                                                     int proofIntent) {
  static std::mutex lock;
  static std::list<std::pair<std::string, std::shared_ptr<const CmTransform>>> recent;
  constexpr std::size_t kKept = 8;
  const std::string key = source.Key() + "|" + target.Key() + "|" + std::to_string(intent) + "|" +
                          proof.Key() + "|" + std::to_string(proof.Valid() ? proofIntent : -1);
  {
    std::lock_guard<std::mutex> hold(lock);
    for (auto it = recent.begin(); it != recent.end(); ++it) {
      if (it->first == key) {
        recent.splice(recent.begin(), recent, it);
        return recent.front().second;
      }
    }
  }
  auto built = CmTransform::Build(source, target, intent, proof, proofIntent);
  if (!built) return nullptr;
  std::lock_guard<std::mutex> hold(lock);
  recent.emplace_front(key, built);
  if (recent.size() > kKept) recent.pop_back();
  return built;
}

}  // namespace lumora::draw
