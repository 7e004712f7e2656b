// The library's calls: argument checks, handle counting, and the shapes'
// operations behind them. No exception leaves a call: running out of memory
// gives null or 0.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "hostapi/fragment.h"
#include "libs/fragment/combine.h"
#include "libs/fragment/complex_fragment.h"
#include "libs/fragment/fragment_object.h"
#include "libs/fragment/mask_fragment.h"
#include "libs/fragment/shape_fragments.h"
#include "libs/fragment/smooth.h"
#include "libs/fragment/text_fragment.h"

using lumora::frg::Box;
using lumora::frg::ComplexFrg;
using lumora::frg::FitsInt32;
using lumora::frg::LineFrg;
using lumora::frg::MaskFrg;
using lumora::frg::PolygonFrg;
using lumora::frg::TextFrg;
using lumora::frg::Window;

namespace {

// Runs `body`, turning a failed allocation into `fallback`.
template <class T, class F>
T Guarded(T fallback, F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return fallback;
  }
}

const PolygonFrg* AsPolygon(const Fragment* f) {
  return f != nullptr && f->Type() == kFrgPolygon ? static_cast<const PolygonFrg*>(f) : nullptr;
}
const TextFrg* AsText(const Fragment* f) {
  return f != nullptr && f->Type() == kFrgText ? static_cast<const TextFrg*>(f) : nullptr;
}
const LineFrg* AsLine(const Fragment* f) {
  return f != nullptr && f->Type() == kFrgLine ? static_cast<const LineFrg*>(f) : nullptr;
}
const MaskFrg* AsMask(const Fragment* f) {
  return f != nullptr && f->Type() == kFrgMask ? static_cast<const MaskFrg*>(f) : nullptr;
}
const ComplexFrg* AsComplex(const Fragment* f) {
  return f != nullptr && f->Type() == kFrgComplex ? static_cast<const ComplexFrg*>(f) : nullptr;
}

// Holds a new fragment's reference until it is handed out.
class Holder {
 public:
  explicit Holder(Fragment* f) : f_(f) {}
  ~Holder() {
    if (f_ != nullptr) f_->Release();
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  Fragment* operator->() const { return f_; }
  Fragment* get() const { return f_; }
  Fragment* Release() { return std::exchange(f_, nullptr); }

 private:
  Fragment* f_;
};

Fragment* Inverted(Fragment* f, int inverted) {
  f->SetInverted(inverted != 0);
  return f;
}

// A mask fragment holding f's selection: the shape (smoothed on request)
// over its bounds, grown by the soft edge. A shape that selects everything
// far away is stored complemented, as an inverted mask. An empty shape gives
// null, or with `emptyGivesMask` a 1 x 1 mask of its far value.
Fragment* MakeMask(const Fragment& f, bool smooth, bool emptyGivesMask) {
  const int r = smooth ? lumora::frg::SmoothRadius(f.SmoothDegree()) : 0;
  const Box bounds = f.ShapeBounds();
  const bool farSelected = f.ShapeOutside() != 0;
  Box area = bounds.Empty() ? Box{} : bounds.Grown(r, r);
  if (area.Empty()) {
    if (!farSelected && !emptyGivesMask) return nullptr;
    area = Box{bounds.x0, bounds.y0, bounds.x0 + 1, bounds.y0 + 1};
  }
  if (!FitsInt32(area.x0) || !FitsInt32(area.y0) || !FitsInt32(area.x1) || !FitsInt32(area.y1)) {
    return nullptr;
  }
  const lumora::RefPtr<VrWA2000::WA> buffer = lumora::RefPtr<VrWA2000::WA>::Adopt(new VrWA2000::WA(
      kWAType8Grey, static_cast<int>(area.x1 - area.x0), static_cast<int>(area.y1 - area.y0),
      static_cast<const PALETTEENTRY*>(nullptr), true));
  auto* maskFrg = new MaskFrg(buffer.get(), static_cast<std::int32_t>(area.x0),
                              static_cast<std::int32_t>(area.y0));
  Holder mask(maskFrg);
  const Window w = maskFrg->AsWindow();
  const bool drawn = smooth ? lumora::frg::RenderSmoothedShape(f, w) : f.RenderShape(w);
  if (!drawn) return nullptr;
  if (farSelected) {
    for (int j = 0; j < w.rect.height; ++j) {
      std::uint8_t* row = w.Row(j);
      for (int i = 0; i < w.rect.width; ++i) row[i] = static_cast<std::uint8_t>(255 - row[i]);
    }
  }
  mask->SetInverted(f.Inverted() != farSelected);
  return mask.Release();
}

}  // namespace

// ---- handles ----

Fragment* ShareFragment(Fragment* f) {
  if (f != nullptr) f->AddRef();
  return f;
}

void DeleteFragment(Fragment* f) {
  if (f != nullptr) f->Release();
}

Fragment* CreateFragmentIndirect(const Fragment* f) {
  if (f == nullptr) return nullptr;
  return Guarded<Fragment*>(nullptr, [&] { return f->Clone(); });
}

// ---- rectangles ----

void RectToLURect(LURECT* out, const RECT* in) {
  if (out == nullptr || in == nullptr) return;
  *out = LURECT{in->left, in->top, static_cast<std::int32_t>(std::int64_t{in->right} - in->left),
                static_cast<std::int32_t>(std::int64_t{in->bottom} - in->top)};
}

void LURectToRect(RECT* out, const LURECT* in) {
  if (out == nullptr || in == nullptr) return;
  *out = RECT{in->x, in->y, static_cast<LONG>(std::int64_t{in->x} + in->width),
              static_cast<LONG>(std::int64_t{in->y} + in->height)};
}

// ---- type and inversion ----

int GetFragmentType(const Fragment* f) { return f != nullptr ? f->Type() : -1; }

int IsFrgInverted(const Fragment* f) { return f != nullptr && f->Inverted() ? 1 : 0; }

void SetFrgInversion(Fragment* f, int inverted) {
  if (f != nullptr) f->SetInverted(inverted != 0);
}

// ---- shapes ----

Fragment* CreateRectFrg(const LURECT* rect, int inverted) {
  if (rect == nullptr) return nullptr;
  return Guarded<Fragment*>(nullptr,
                            [&] { return Inverted(new lumora::frg::RectFrg(*rect), inverted); });
}

Fragment* CreateEllipticFrg(const LURECT* bounds, int inverted) {
  if (bounds == nullptr) return nullptr;
  return Guarded<Fragment*>(
      nullptr, [&] { return Inverted(new lumora::frg::EllipseFrg(*bounds), inverted); });
}

Fragment* CreatePolygonFrg(const POINT* points, int count, int fillMode, int inverted) {
  if (count < 0 || (count > 0 && points == nullptr)) return nullptr;
  return Guarded<Fragment*>(
      nullptr, [&] { return Inverted(new PolygonFrg(points, count, fillMode), inverted); });
}

int AddPointToPolygonFrg(Fragment* f, std::int32_t x, std::int32_t y) {
  if (AsPolygon(f) == nullptr) return 0;
  return Guarded(0, [&] {
    static_cast<PolygonFrg*>(f)->AddPoint(x, y);
    f->Changed();
    return 1;
  });
}

Fragment* CreateTextFrg(std::int32_t x, std::int32_t y, const LOGFONTA* font, const char* text,
                        int inverted) {
  if (font == nullptr) return nullptr;
  return Guarded<Fragment*>(nullptr, [&] {
    return Inverted(new TextFrg(x, y, *font, text != nullptr ? std::string(text) : std::string()),
                    inverted);
  });
}

Fragment* CreateLineFrg(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                        int width, int style, int inverted) {
  return Guarded<Fragment*>(nullptr, [&] {
    return Inverted(new LineFrg(POINT{x1, y1}, POINT{x2, y2}, width, style), inverted);
  });
}

Fragment* CreateEmptyFrg(int inverted) {
  return Guarded<Fragment*>(nullptr,
                            [&] { return Inverted(new lumora::frg::EmptyFrg(), inverted); });
}

// ---- queries ----

int GetFragmentBoundRect(const Fragment* f, LURECT* out) {
  if (f == nullptr || out == nullptr) return 0;
  return Guarded(0, [&] {
    *out = f->ShapeBounds().ToLURect();
    return 1;
  });
}

int GetPolygonFrgSize(const Fragment* f) {
  const PolygonFrg* p = AsPolygon(f);
  return p != nullptr ? p->Count() : 0;
}

int GetPolygonFrgFillMode(const Fragment* f) {
  const PolygonFrg* p = AsPolygon(f);
  return p != nullptr ? p->FillMode() : 0;
}

const POINT* GetPolygonFrgArray(const Fragment* f) {
  const PolygonFrg* p = AsPolygon(f);
  return p != nullptr ? p->Points() : nullptr;
}

int GetTextFrgFont(const Fragment* f, LOGFONTA* out) {
  const TextFrg* t = AsText(f);
  if (t == nullptr || out == nullptr) return 0;
  *out = t->Font();
  return 1;
}

int GetTextFrgTextLength(const Fragment* f) {
  const TextFrg* t = AsText(f);
  return t != nullptr ? static_cast<int>(t->Text().size()) : 0;
}

int GetTextFrgText(const Fragment* f, char* buffer, int size) {
  const TextFrg* t = AsText(f);
  if (t == nullptr || buffer == nullptr || size <= 0) return 0;
  const std::size_t n = std::min(t->Text().size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, t->Text().data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

int GetLineBeginPoint(const Fragment* f, POINT* out) {
  const LineFrg* l = AsLine(f);
  if (l == nullptr || out == nullptr) return 0;
  *out = l->Begin();
  return 1;
}

int GetLineEndPoint(const Fragment* f, POINT* out) {
  const LineFrg* l = AsLine(f);
  if (l == nullptr || out == nullptr) return 0;
  *out = l->End();
  return 1;
}

int GetLineWidth(const Fragment* f) {
  const LineFrg* l = AsLine(f);
  return l != nullptr ? l->Width() : 0;
}

int GetLineStyle(const Fragment* f) {
  const LineFrg* l = AsLine(f);
  return l != nullptr ? l->Style() : 0;
}

int PointInFragment(const Fragment* f, const POINT* point) {
  if (f == nullptr || point == nullptr) return 0;
  return Guarded(0, [&] { return f->SelectionContains(point->x, point->y) ? 1 : 0; });
}

int SetFragmentOriginPoint(Fragment* f, const POINT* point) {
  if (f == nullptr || point == nullptr) return 0;
  return Guarded(0, [&] {
    const Box b = f->ShapeBounds();
    if (!f->Offset(point->x - b.x0, point->y - b.y0)) return 0;
    f->Changed();
    return 1;
  });
}

// ---- complex fragments ----

Fragment* CreateComplexFrg(int count, const FRGITEM* items) {
  if (count < 0 || (count > 0 && items == nullptr)) return nullptr;
  return Guarded<Fragment*>(nullptr, [&]() -> Fragment* {
    Holder c(new ComplexFrg());
    for (int i = 0; i < count; ++i) {
      if (AddToComplexFrg(c.get(), items[i].fragment, items[i].mode) == 0) return nullptr;
    }
    return c.Release();
  });
}

int AddToComplexFrg(Fragment* c, const Fragment* f, int code) {
  if (AsComplex(c) == nullptr || f == nullptr || !lumora::frg::IsCombineCode(code)) return 0;
  if (f->Depth() + 1 > kFrgMaxComplexDepth) return 0;
  return Guarded(0, [&] {
    static_cast<ComplexFrg*>(c)->Add(f->Clone(), code);
    return 1;
  });
}

int GetComplexFrgItemNum(const Fragment* c) {
  const ComplexFrg* complex = AsComplex(c);
  return complex != nullptr ? complex->Count() : 0;
}

int GetComplexFrgItem(const Fragment* c, int index, FRGITEM* item) {
  const ComplexFrg* complex = AsComplex(c);
  if (complex == nullptr || item == nullptr || index < 0 || index >= complex->Count()) return 0;
  return Guarded(0, [&] {
    const ComplexFrg::Item& it = complex->At(index);
    item->fragment = it.fragment->Clone();
    item->mode = it.code;
    return 1;
  });
}

Fragment* GetComplexFrgMask(const Fragment* c) {
  if (AsComplex(c) == nullptr) return nullptr;
  return Guarded<Fragment*>(nullptr, [&] { return MakeMask(*c, false, true); });
}

// ---- masks ----

Fragment* CreateMaskUsingWA(VrWA2000::WA* buffer, std::int32_t x, std::int32_t y) {
  if (buffer == nullptr || buffer->GetType() != kWAType8Grey) return nullptr;
  if (!FitsInt32(std::int64_t{x} + buffer->GetW()) ||
      !FitsInt32(std::int64_t{y} + buffer->GetH())) {
    return nullptr;
  }
  return Guarded<Fragment*>(nullptr, [&] { return new MaskFrg(buffer, x, y); });
}

Fragment* CreateEmptyMask(const LURECT* rect) {
  if (rect == nullptr || rect->width <= 0 || rect->height <= 0) return nullptr;
  if (!FitsInt32(std::int64_t{rect->x} + rect->width) ||
      !FitsInt32(std::int64_t{rect->y} + rect->height)) {
    return nullptr;
  }
  return Guarded<Fragment*>(nullptr, [&]() -> Fragment* {
    const lumora::RefPtr<VrWA2000::WA> buffer = lumora::RefPtr<VrWA2000::WA>::Adopt(
        new VrWA2000::WA(kWAType8Grey, rect->width, rect->height,
                         static_cast<const PALETTEENTRY*>(nullptr), true));
    return new MaskFrg(buffer.get(), rect->x, rect->y);
  });
}

int PutFragmentToMask(Fragment* mask, const Fragment* f, int code) {
  const MaskFrg* m = AsMask(mask);
  if (m == nullptr || f == nullptr || !lumora::frg::IsCombineCode(code)) return 0;
  return Guarded(0, [&] {
    const Window target = m->AsWindow();
    // The shape writes every pixel of its window.
    const std::unique_ptr<std::uint8_t[]> shape = std::make_unique_for_overwrite<std::uint8_t[]>(
        static_cast<std::size_t>(target.rect.width) * target.rect.height);
    const Window drawn{target.rect, shape.get(), target.rect.width};
    const bool ok = f->SmoothAccessDepth() > 0 ? lumora::frg::RenderSmoothedShape(*f, drawn)
                                               : f->RenderShape(drawn);
    if (!ok) return 0;
    const std::uint8_t* table = lumora::frg::CombineTable(code);
    for (int j = 0; j < target.rect.height; ++j) {
      lumora::frg::CombineRow(target.Row(j), drawn.Row(j), target.rect.width, table);
    }
    mask->Changed();
    return 1;
  });
}

VrWA2000::WA* GetMaskWA(const Fragment* mask) {
  const MaskFrg* m = AsMask(mask);
  if (m == nullptr) return nullptr;
  m->Buffer()->AddRef();
  return m->Buffer();
}

int GetMaskRect(const Fragment* mask, LURECT* out) {
  const MaskFrg* m = AsMask(mask);
  if (m == nullptr || out == nullptr) return 0;
  *out = m->Rect();
  return 1;
}

int FragmentWhollySelects(const Fragment* f, const LURECT* rect) {
  if (f == nullptr || rect == nullptr || f->Type() != kFrgRect || f->Inverted()) return 0;
  if (lumora::frg::SmoothRadius(f->SmoothDegree()) != 0) return 0;
  const Box want = Box::Of(*rect);
  const Box shape = f->ShapeBounds();
  return !want.Empty() && shape.x0 <= want.x0 && shape.y0 <= want.y0 && want.x1 <= shape.x1 && want.y1 <= shape.y1 ? 1 : 0;
}

// ---- smoothed edges ----

int SetSmoothEdge(Fragment* f, int degree, int type, void* window) {
  if (f == nullptr) return 0;
  f->SetSmoothEdge(degree, type, window);
  return 1;
}

Fragment* GetSmoothMask(const Fragment* f) {
  if (f == nullptr) return nullptr;
  return Guarded<Fragment*>(nullptr, [&]() -> Fragment* {
    if (Fragment* cached = f->CachedSmoothMask()) return cached;
    Fragment* mask = MakeMask(*f, true, false);
    f->KeepSmoothMask(mask);
    return mask;
  });
}

void TerminateEdgeSmoothing(Fragment* f) {
  if (f != nullptr) f->TerminateSmoothing();
}

void EnableSwappingFrg(Fragment* f, int enable) {
  if (f != nullptr) f->EnableSwapping(enable != 0);
}

int InitAccessToSmoothedEdge(Fragment* f) {
  if (f == nullptr) return 0;
  f->BeginSmoothAccess();
  return 1;
}

void FreeAccessToSmoothedEdge(Fragment* f) {
  if (f != nullptr) f->EndSmoothAccess();
}
