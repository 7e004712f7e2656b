// The document's layer operations against the real engine and history: each
// is one named step that undo takes back byte for byte and redo brings
// again; refusals leave stack and history alone.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "document/ImageDocument.h"
#include "document/LayerMerge.h"
#include "document/LayerSelection.h"
#include "document/null_host.h"
#include "engine/layers/LayerText.h"
#include "engine/pixels/Fillwa.h"
#include "engine/pixels/WAccess.h"
#include "platform/rect.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {
namespace {

// A host that keeps the texts shown and the layers handed out for new
// documents.
class MessageHost : public testing::NullDocumentHost {
 public:
  void ShowMessageText(const std::string& text, int caption) override {
    messages.push_back(text);
    captions.push_back(caption);
  }
  bool NewDocumentFromLayer(CLayer* layer, const std::string&) override {
    if (refuseNewDocument) return false;
    newDocumentLayers.push_back(layer->GetName());
    return true;
  }
  std::string Title() override { return title; }
  void ActivateFrames() override { ++activations; }
  void DisablePreview() override { ++previewOff; }
  void RestorePreview() override { ++previewOn; }
  COLORREF FillColour() override { return 0x00FF00u; }

  std::vector<std::string> messages;
  std::vector<int> captions;
  std::vector<std::string> newDocumentLayers;
  std::string title = "Doc";
  bool refuseNewDocument = false;
  int activations = 0;
  int previewOff = 0;
  int previewOn = 0;
};

using Box = std::array<long, 4>;
Box BoxOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Everything undo must bring back of a layer, its pixels included.
struct LayerState {
  std::string name, linkText;
  Box rect{}, maskRect{};
  int hasMask = 0, maskFlags = 0, flags = 0, opacity = 0, mode = 0, linkId = 0, grouped = 0, positionLocked = 0,
      editMask = 0;
  std::vector<std::uint8_t> image, mask;
  int text = 0;
  bool operator==(const LayerState&) const = default;
};

struct StackState {
  int width = 0, height = 0, active = -1;
  std::uint32_t resolution = 0;
  std::vector<LayerState> layers;
  bool operator==(const StackState&) const = default;
};

std::vector<std::uint8_t> Bytes(const VrWA2000::WA* buffer) {
  std::vector<std::uint8_t> bytes;
  if (buffer == nullptr) return bytes;
  const int rowBytes = buffer->GetW() * (buffer->GetType() == kWAType24 ? 3 : 1);
  for (int y = 0; y < buffer->GetH(); ++y) bytes.insert(bytes.end(), buffer->Row(y), buffer->Row(y) + rowBytes);
  return bytes;
}

StackState Capture(const CLayersManager& stack) {
  StackState state{stack.GetWidth(), stack.GetHeight(), stack.GetLayerIndex(stack.GetActiveLayer()),
                   stack.GetResolution(), {}};
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const CLayer& l = *stack.GetLayer(i);
    state.layers.push_back({l.GetName(), l.GetLinkText(), BoxOf(l.GetRect()), BoxOf(l.GetMaskRect()), l.HasMask(),
                            l.GetMaskFlags(), static_cast<int>(l.GetFlags()), l.GetOpacity(), l.GetMergeMode(),
                            l.GetLinkId(), l.GetGrouped(), l.GetPositionLocked(), l.GetEditMask(),
                            Bytes(l.PeekImage()), Bytes(l.PeekMask()), l.IsText()});
  }
  return state;
}

std::string Text(std::uint32_t id) { return std::string(res::String(id)); }

// A layer of one colour (blue, green, red) over the rect, with an opaque
// mask when asked.
CLayer* ColourLayer(const RECT& rect, COLORREF rgb, bool masked, const char* name) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, RectWidth(rect), RectHeight(rect), nullptr));
  FillWA(image.get(), GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
  CLayer* layer = new CLayer(image.get(), POINT{rect.left, rect.top}, 0, nullptr, 0);
  if (masked) layer->CreateMask(1);
  layer->SetName(name);
  return layer;
}

// Red background 8 x 6, a green layer over (2, 1, 6, 5) and a blue one over
// (0, 0, 4, 3), both masked; the blue one active.
struct Rig {
  Rig() {
    CreationRecord record{2, 8, 6, 0x00480048u, 0x0000FFu};
    EXPECT_EQ(doc.NewImage(record), 1);
    stack().GetLayer(0)->SetName("Background");
    Add(ColourLayer(RECT{2, 1, 6, 5}, 0x00FF00u, true, "Green"));
    Add(ColourLayer(RECT{0, 0, 4, 3}, 0xFF0000u, true, "Blue"));
    doc.SetActiveLayerByIndex(2, true, false);
  }
  ~Rig() { doc.Queue().StopThread(); }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  void Add(CLayer* layer) {
    EXPECT_EQ(stack().AddLayer(layer), 0);
    layer->Release();
  }
  CLayersManager& stack() { return *doc.GetLayers(); }
  CLayer* Layer(int i) { return stack().GetLayer(i); }
  void Activate(int i) { doc.SetActiveLayerByIndex(i, false, false); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < stack().GetLayerCount(); ++i) names.push_back(Layer(i)->GetName());
    return names;
  }
  // Blue, green, red of the image merged over black at x, y (row space).
  std::array<int, 3> Pixel(int x, int y) {
    WAPtr merged = stack().CreateMergedImage(1, 0, 0, 0);
    const std::uint8_t* p = merged->Row(y) + x * 3;
    return {p[0], p[1], p[2]};
  }
  void Link(int a, int b, std::uint16_t id = 7) {
    Layer(a)->SetLinkId(id);
    Layer(b)->SetLinkId(id);
  }
  static Fragment* Rect(const RECT& r, bool inverted = false) {
    LURECT lu;
    RectToLURect(&lu, &r);
    return CreateRectFrg(&lu, inverted ? 1 : 0);
  }
  // Runs an operation with a selection fragment it does not keep.
  template <class Op>
  bool WithSelection(const RECT& r, bool inverted, Op op) {
    Fragment* f = Rect(r, inverted);
    const bool done = op(f);
    DeleteFragment(f);
    return done;
  }

  MessageHost host;
  ImageDocument doc{&host};
};

struct LayerOps : ::testing::Test, Rig {};

const std::array<int, 3> kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kBlack{0, 0, 0};

// Every operation: done, named by its step, one more history entry; undo
// brings the stack back exactly, redo brings the change again.
TEST(LayerOperations, EachIsOneNamedStepThatUndoAndRedoReplay) {
  struct Case {
    const char* what;
    std::uint32_t step;
    std::function<void(Rig&)> prepare;
    std::function<bool(Rig&)> run;
  };
  static const std::uint8_t kRanges[8][4] = {{0, 0, 200, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255},
                                             {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}};
  const auto none = [](Rig&) {};
  const auto bottom = [](Rig& t) { t.Activate(0); };
  const auto white = [] { return CLayerPtr::Adopt(ColourLayer(RECT{1, 1, 3, 3}, 0xFFFFFFu, true, "White")); };
  const std::vector<Case> cases = {
      {"tune", IDS_STEP_LAYER_TUNING, none, [](Rig& t) { return t.doc.TuneLayer("Tuned", "Screen", 40, kRanges); }},
      {"flatten", IDS_STEP_FLATTEN, none, [](Rig& t) { return t.doc.FlattenImage(); }},
      {"merge visible", IDS_STEP_MERGE_LAYERS, none, [](Rig& t) { return t.doc.MergeVisible(); }},
      {"merge down", IDS_STEP_MERGE_LAYERS, none, [](Rig& t) { return t.doc.MergeLinked(); }},
      {"group", IDS_STEP_GROUP_LAYERS, none, [](Rig& t) { return t.doc.GroupWithPrevious(); }},
      {"ungroup", IDS_STEP_UNGROUP_LAYERS, [](Rig& t) { t.doc.GroupWithPrevious(); },
       [](Rig& t) { return t.doc.Ungroup(); }},
      {"canvas", IDS_STEP_CANVAS_SIZE, none, [](Rig& t) { return t.doc.ResizeCanvas(RECT{-2, -1, 9, 6}); }},
      {"resize", IDS_STEP_RESIZE_IMAGE, none, [](Rig& t) { return t.doc.ResizeImage(16, 12, 150, 300); }},
      {"rotate", IDS_STEP_ROTATE_IMAGE, none, [](Rig& t) { return t.doc.RotateImage(-90.0, 0); }},
      {"flip", IDS_STEP_ROTATE_IMAGE, none, [](Rig& t) { return t.doc.FlipImage(true, true); }},
      {"remove mask", IDS_STEP_REMOVE_MASK, none, [](Rig& t) { return t.doc.RemoveLayerMask(true); }},
      {"hide all", IDS_STEP_HIDE_ALL, bottom, [](Rig& t) { return t.doc.AddLayerMask(false); }},
      {"reveal all", IDS_STEP_REVEAL_ALL, bottom, [](Rig& t) { return t.doc.AddLayerMask(true); }},
      {"new layer", IDS_STEP_NEW_LAYER, none,
       [](Rig& t) { return t.doc.NewLayer("Fresh", "Multiply", 50, true, false); }},
      {"bring forward", IDS_STEP_BRING_FORWARD, bottom, [](Rig& t) { return t.doc.BringForward(); }},
      {"bring to front", IDS_STEP_BRING_TO_FRONT, bottom, [](Rig& t) { return t.doc.BringToFront(); }},
      {"send backward", IDS_STEP_SEND_BACKWARD, none, [](Rig& t) { return t.doc.SendBackward(); }},
      {"send to back", IDS_STEP_SEND_TO_BACK, none, [](Rig& t) { return t.doc.SendToBack(); }},
      {"align", IDS_STEP_ALIGN, [](Rig& t) { t.Link(1, 2); }, [](Rig& t) { return t.doc.AlignLinkedLayers(3); }},
      {"distribute", IDS_STEP_DISTRIBUTE, [](Rig& t) { t.Link(1, 2), t.Link(0, 2); },
       [](Rig& t) { return t.doc.DistributeLinkedLayers(4); }},
      {"web link", IDS_STEP_WEB_LINK, none, [](Rig& t) { return t.doc.SetLayerWebLink("http://example.org/"); }},
      {"show", IDS_STEP_SHOW_LAYER, none, [](Rig& t) { return t.doc.ShowLayer(false); }},
      {"edit mask", IDS_STEP_EDIT_MASK, none, [](Rig& t) { return t.doc.EditLayerMask(true); }},
      {"add link", IDS_STEP_ADD_LINK, none, [](Rig& t) { return t.doc.AddLayerLink(0); }},
      {"delete link", IDS_STEP_DELETE_LINK, [](Rig& t) { t.Link(1, 2); },
       [](Rig& t) { return t.doc.DeleteLayerLink(1); }},
      {"merge mode", IDS_STEP_MERGE_MODE, none, [](Rig& t) { return t.doc.SetLayerMergeMode("Difference"); }},
      {"lock pixels", IDS_STEP_LOCK_PIXELS, none, [](Rig& t) { return t.doc.LockLayerPixels(true, true); }},
      {"lock position", IDS_STEP_LOCK_POSITION, none, [](Rig& t) { return t.doc.LockLayerPosition(true, true); }},
      {"opacity", IDS_STEP_SET_OPACITY, none, [](Rig& t) { return t.doc.SetLayerOpacity(30); }},
      {"opacity series", IDS_STEP_OPACITY_CHANGE, none,
       [](Rig& t) { return t.doc.ChangeOpacity() && t.doc.SetLayerOpacity(10, false); }},
      {"delete", IDS_STEP_DELETE_LAYER, none, [](Rig& t) { return t.doc.DeleteActiveLayer(); }},
      {"copy", IDS_STEP_COPY_LAYER, none, [](Rig& t) { return t.doc.CopyLayer(t.Layer(1)) != nullptr; }},
      {"duplicate here", IDS_STEP_INSERT_LAYER, none,
       [](Rig& t) { return t.doc.DuplicateLayer("Blue 2", &t.doc, false); }},
      {"add", IDS_STEP_ADD_LAYER, none, [&](Rig& t) { return t.doc.AddLayer(white().get(), true); }},
      {"insert below", IDS_STEP_INSERT_LAYER, none,
       [&](Rig& t) { return t.doc.InsertLayerBelow(t.Layer(1), white().get(), true, true, true); }},
      {"via cut", IDS_STEP_NEW_LAYER, none,
       [](Rig& t) {
         return t.WithSelection(RECT{1, 0, 3, 2}, false, [&](Fragment* f) { return t.doc.NewLayerViaCopy(f, true); });
       }},
      {"mask from selection", IDS_STEP_NEW_MASK, none,
       [](Rig& t) {
         return t.WithSelection(RECT{1, 0, 3, 2}, false,
                                [&](Fragment* f) { return t.doc.NewMaskFromSelection(f, false); });
       }},
      {"flip layer", IDS_STEP_LAYER_TRANSFORM, [](Rig& t) { FillLayerRect(t.Layer(2), RECT{0, 0, 1, 3}, 255); },
       [](Rig& t) { return t.doc.DoFlipLayer(nullptr, true, false); }},
      {"rotate layer", IDS_STEP_LAYER_TRANSFORM, none, [](Rig& t) { return t.doc.DoRotateLayer(nullptr, 90.0); }},
      {"flip selected pixels", IDS_STEP_LAYER_TRANSFORM, none,
       [](Rig& t) {
         return t.WithSelection(RECT{0, 0, 2, 3}, false, [&](Fragment* f) { return t.doc.DoFlipLayer(f, false, true); });
       }},
      {"render text", IDS_STEP_RENDER_TEXT,
       [](Rig& t) {
         CLayerText* text = new CLayerText(kWAType24);
         text->SetName("Words");
         t.Add(text);
         t.Activate(3);
       },
       [](Rig& t) { return t.doc.RenderTextLayer(); }},
      {"show a layer not active", IDS_STEP_SHOW_LAYER, none, [](Rig& t) { return t.doc.ShowLayerAt(0, false); }},
      {"move a row down", IDS_STEP_SEND_BACKWARD, none,
       [](Rig& t) { return t.doc.MoveLayerAbove(t.Layer(2), nullptr); }},
      {"move a row up", IDS_STEP_BRING_FORWARD, none,
       [](Rig& t) { return t.doc.MoveLayerAbove(t.Layer(0), t.Layer(1)); }},
      {"clear", IDS_STEP_CLEAR, none,
       [](Rig& t) {
         return t.WithSelection(RECT{1, 0, 3, 2}, true, [&](Fragment* f) { return t.doc.ClearSelection(f); });
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig t;
    c.prepare(t);
    const StackState before = Capture(t.stack());
    const int undoCount = t.doc.History().UndoCount();
    const std::string name = t.doc.HistoryState().name;
    ASSERT_TRUE(c.run(t));
    EXPECT_EQ(t.doc.HistoryState().name, Text(c.step));
    EXPECT_EQ(t.doc.History().UndoCount(), undoCount + 1);
    EXPECT_TRUE(t.doc.IsModified());
    const StackState after = Capture(t.stack());
    EXPECT_NE(after, before) << "the operation changed something";
    ASSERT_TRUE(t.doc.UndoRedo(false));
    EXPECT_EQ(Capture(t.stack()), before) << "undo restores every layer exactly";
    EXPECT_EQ(t.doc.HistoryState().name, name);
    ASSERT_TRUE(t.doc.UndoRedo(true));
    EXPECT_EQ(Capture(t.stack()), after) << "redo brings the change again";
  }
}

// A packed DIB of w x h: 24 bits of one colour, or 8 bits with the grey
// palette where `grey` gives each pixel's value.
std::vector<std::uint8_t> TestDib(int w, int h, int bits, const std::function<int(int, int)>& value) {
  const int stride = (w * bits / 8 + 3) & ~3;
  const int palette = bits == 8 ? 1024 : 0;
  std::vector<std::uint8_t> dib(40 + palette + stride * h, 0);
  auto put32 = [&](int at, int v) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(0, 40), put32(4, w), put32(8, h), dib[12] = 1, dib[14] = static_cast<std::uint8_t>(bits);
  put32(24, 300), put32(28, 300);
  for (int i = 0; bits == 8 && i < 256; ++i) dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = static_cast<std::uint8_t>(i);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < bits / 8; ++c) dib[40 + palette + y * stride + x * bits / 8 + c] = static_cast<std::uint8_t>(value(x, y) >> (8 * c));
  return dib;
}

// The frame command's layer: canvas grown by the border, old layers moved,
// the picture on top under its mask, one step that Undo takes back whole.
TEST(LayerOperations, FrameLayerGrowsTheCanvasInOneStep) {
  Rig t;
  const std::uint32_t resolution = t.stack().GetResolution();
  const int b = 2, w = 8 + 2 * b, h = 6 + 2 * b;
  auto border = [&](int x, int y) { return x < b || y < b || x >= w - b || y >= h - b; };
  const auto picture = TestDib(w, h, 24, [&](int x, int y) { return border(x, y) ? 0x123456 : 0; });
  const auto mask = TestDib(w, h, 8, [&](int x, int y) { return border(x, y) ? 255 : 0; });
  const std::array<int, 3> inside = t.Pixel(3, 2);
  // "Frame" is taken: the new layer gets the next free name.
  t.Layer(0)->SetName("Frame");
  // Wrong sizes are refused before anything changes.
  EXPECT_FALSE(t.doc.AddFrameLayer(b + 1, picture, mask, "Frame"));
  EXPECT_FALSE(t.doc.AddFrameLayer(b, picture, TestDib(w, h - 1, 8, [](int, int) { return 0; }), "Frame"));
  EXPECT_EQ(t.doc.History().UndoCount(), 0);
  ASSERT_TRUE(t.doc.AddFrameLayer(b, picture, mask, "Frame"));
  EXPECT_EQ(t.doc.HistoryState().name, Text(IDS_STEP_FRAME));
  EXPECT_EQ(t.stack().GetWidth(), w);
  EXPECT_EQ(t.stack().GetHeight(), h);
  EXPECT_EQ(t.stack().GetResolution(), resolution);
  ASSERT_EQ(t.stack().GetLayerCount(), 4);
  EXPECT_EQ(t.Layer(3)->GetName(), "Frame 1");
  EXPECT_EQ(t.stack().GetActiveLayer(), t.Layer(3));
  EXPECT_EQ(t.Layer(1)->GetRect().left, 2 + b);
  EXPECT_EQ(t.Pixel(0, 0), (std::array<int, 3>{0x56, 0x34, 0x12}));
  EXPECT_EQ(t.Pixel(w - 1, h - 1), (std::array<int, 3>{0x56, 0x34, 0x12}));
  EXPECT_EQ(t.Pixel(3 + b, 2 + b), inside);  // the image shows through the mask
  ASSERT_TRUE(t.doc.UndoRedo(false));
  EXPECT_EQ(t.stack().GetWidth(), 8);
  EXPECT_EQ(t.stack().GetLayerCount(), 3);
  EXPECT_EQ(t.Pixel(3, 2), inside);
}

// Layer/Edges: the mask goes through the shaping function in one step;
// with a light a black "Shadow" layer under the active one holds the same
// mask moved away from the light. Undo takes it all back.
TEST(LayerOperations, EdgeShapesTheMaskAndCastsAShadow) {
  auto clearLeftColumn = [](std::uint8_t* p, int w, int h, std::ptrdiff_t stride) {
    for (int y = 0; y < h; ++y) p[y * stride] = 0;
    return true;
  };
  Rig t;  // the active "Blue" layer has a mask over (0, 0)-(4, 3)
  ASSERT_NE(t.Layer(2)->HasMask(), 0);
  const StackState before = Capture(t.stack());
  EXPECT_FALSE(t.doc.ApplyEdge([](std::uint8_t*, int, int, std::ptrdiff_t) { return false; }, 0, "Shadow"));
  EXPECT_EQ(Capture(t.stack()), before);
  ASSERT_TRUE(t.doc.ApplyEdge(clearLeftColumn, 0, "Shadow"));
  EXPECT_EQ(t.doc.HistoryState().name, Text(IDS_STEP_EDGE));
  EXPECT_EQ(t.Layer(2)->PeekMask()->Row(1)[0], 0);
  EXPECT_EQ(t.Layer(2)->PeekMask()->Row(1)[1], 255);
  ASSERT_TRUE(t.doc.UndoRedo(false));
  EXPECT_EQ(Capture(t.stack()), before);
  // A 100-pixel mask moves the shadow by 3: top left light, right and down.
  Rig big;
  big.Layer(2)->SetMaskAt(WAPtr::Adopt(NewWA(8, 100, 3, nullptr)).get(), RECT{0, 0, 100, 3});
  ASSERT_TRUE(big.doc.ApplyEdge(clearLeftColumn, 1, "Shadow"));
  EXPECT_EQ(big.doc.HistoryState().name, Text(IDS_SHADOW));
  ASSERT_EQ(big.stack().GetLayerCount(), 4);
  const CLayer& shadow = *big.Layer(2);
  EXPECT_EQ(shadow.GetName(), "Shadow");
  EXPECT_EQ(shadow.GetRect().left, 3);
  EXPECT_EQ(shadow.GetRect().top, -3);
  EXPECT_EQ(big.Layer(3)->GetName(), "Blue");
  EXPECT_EQ(shadow.PeekImage()->Row(0)[0], 0);  // black
  ASSERT_TRUE(big.doc.UndoRedo(false));
  EXPECT_EQ(big.stack().GetLayerCount(), 3);
}

// What an operation refuses changes nothing: no step, the stack as it was.
TEST(LayerOperations, RefusalsLeaveStackAndHistoryAlone) {
  struct Case {
    const char* what;
    std::function<void(Rig&)> prepare;
    std::function<bool(Rig&)> run;
  };
  const auto none = [](Rig&) {};
  const auto bottom = [](Rig& t) { t.Activate(0); };
  const std::vector<Case> cases = {
      {"mask twice", none, [](Rig& t) { return t.doc.AddLayerMask(true); }},
      {"link with itself", none, [](Rig& t) { return t.doc.AddLayerLink(2); }},
      {"unlink unlinked", none, [](Rig& t) { return t.doc.DeleteLayerLink(0); }},
      {"link beyond", none, [](Rig& t) { return t.doc.AddLayerLink(9); }},
      {"canvas of 0", none, [](Rig& t) { return t.doc.ResizeCanvas(RECT{0, 0, 0, 6}); }},
      {"canvas over 30000", none, [](Rig& t) { return t.doc.ResizeCanvas(RECT{0, 0, 30001, 6}); }},
      {"resize to 0", none, [](Rig& t) { return t.doc.ResizeImage(0, 6, 72, 72); }},
      {"rotate by no number", none, [](Rig& t) { return t.doc.RotateImage(std::nan(""), 0); }},
      {"align unlinked", none, [](Rig& t) { return t.doc.AlignLinkedLayers(0); }},
      {"align choice 6", [](Rig& t) { t.Link(1, 2); }, [](Rig& t) { return t.doc.AlignLinkedLayers(6); }},
      {"ungroup ungrouped", none, [](Rig& t) { return t.doc.Ungroup(); }},
      {"group the bottom", bottom, [](Rig& t) { return t.doc.GroupWithPrevious(); }},
      {"enable without mask", bottom, [](Rig& t) { return t.doc.EnableLayerMask(true); }},
      {"edit without mask", bottom, [](Rig& t) { return t.doc.EditLayerMask(true); }},
      {"remove missing mask", bottom, [](Rig& t) { return t.doc.RemoveLayerMask(false); }},
      {"copy unlisted", none,
       [](Rig& t) {
         CLayerPtr stray = CLayerPtr::Adopt(ColourLayer(RECT{0, 0, 1, 1}, 0, false, "Stray"));
         return t.doc.CopyLayer(stray.get()) != nullptr;
       }},
      {"delete unlisted", none,
       [](Rig& t) {
         CLayerPtr stray = CLayerPtr::Adopt(ColourLayer(RECT{0, 0, 1, 1}, 0, false, "Stray"));
         return t.doc.DeleteLayer(stray.get(), true, false);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig t;
    c.prepare(t);
    const StackState before = Capture(t.stack());
    const std::string name = t.doc.HistoryState().name;
    EXPECT_FALSE(c.run(t));
    EXPECT_EQ(t.doc.History().UndoCount(), 0);
    EXPECT_EQ(t.doc.HistoryState().name, name);
    EXPECT_EQ(Capture(t.stack()), before);
  }
}

// The palette's drops: the layer lands directly above the reference (at
// the bottom without one) and stays active; a drop where it is already is
// no step.
TEST_F(LayerOps, MovedLayersLandAboveTheReference) {
  doc.SetActiveLayerByIndex(2, false, false);
  ASSERT_TRUE(doc.MoveLayerAbove(Layer(2), nullptr));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Blue", "Background", "Green"}));
  EXPECT_EQ(stack().GetActiveLayer()->GetName(), "Blue");
  ASSERT_TRUE(doc.MoveLayerAbove(Layer(0), Layer(2)));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Background", "Green", "Blue"}));
  const int steps = doc.History().UndoCount();
  EXPECT_TRUE(doc.MoveLayerAbove(Layer(2), Layer(1))) << "there already";
  EXPECT_EQ(doc.History().UndoCount(), steps);
  EXPECT_FALSE(doc.MoveLayerAbove(Layer(1), Layer(1)));
  // Showing a layer that is not active leaves the active one alone.
  ASSERT_TRUE(doc.ShowLayerAt(0, false));
  EXPECT_FALSE(Layer(0)->IsVisible());
  EXPECT_EQ(stack().GetActiveLayer()->GetName(), "Blue");
  EXPECT_FALSE(doc.ShowLayerAt(7, true)) << "no such layer";
}

TEST_F(LayerOps, DeletingTheOnlyLayerIsRefused) {
  ASSERT_TRUE(doc.DeleteActiveLayer());
  ASSERT_TRUE(doc.DeleteActiveLayer());
  EXPECT_EQ(stack().GetLayerCount(), 1);
  const int steps = doc.History().UndoCount();
  EXPECT_FALSE(doc.DeleteActiveLayer());
  EXPECT_EQ(doc.History().UndoCount(), steps);
}

// Nothing to do counts as done and leaves no step.
TEST_F(LayerOps, NothingToDoLeavesNoStep) {
  const int steps = doc.History().UndoCount();
  EXPECT_TRUE(doc.BringForward()) << "the top layer";
  EXPECT_TRUE(doc.BringToFront());
  doc.SetActiveLayerByIndex(0, false, false);
  EXPECT_TRUE(doc.SendBackward()) << "the bottom layer";
  EXPECT_FALSE(doc.EnableLayerMask(true)) << "the background has no mask";
  doc.SetActiveLayerByIndex(2, false, false);
  EXPECT_TRUE(doc.EnableLayerMask(true)) << "already enabled";
  EXPECT_EQ(doc.History().UndoCount(), steps);
  ASSERT_TRUE(doc.FlattenImage());
  const int flattened = doc.History().UndoCount();
  EXPECT_TRUE(doc.FlattenImage()) << "flat already";
  EXPECT_EQ(doc.History().UndoCount(), flattened);
}

TEST_F(LayerOps, EnableLayerMaskTogglesWithoutAStep) {
  const int steps = doc.History().UndoCount();
  ASSERT_TRUE(doc.EnableLayerMask(false));
  EXPECT_FALSE(Layer(2)->IsMaskEnabled());
  ASSERT_TRUE(doc.EnableLayerMask(true));
  EXPECT_TRUE(Layer(2)->IsMaskEnabled());
  EXPECT_EQ(doc.History().UndoCount(), steps);
  EXPECT_TRUE(doc.IsModified());
}

// A series of opacity changes is one step; once undone with redo waiting,
// the next change opens a step of its own instead of landing in none.
TEST_F(LayerOps, OpacitySeriesJoinOnlyTheNewestStep) {
  ASSERT_TRUE(doc.ChangeOpacity());
  ASSERT_TRUE(doc.SetLayerOpacity(60, false));
  EXPECT_FALSE(doc.ChangeOpacity()) << "joins";
  ASSERT_TRUE(doc.SetLayerOpacity(20, false));
  EXPECT_EQ(doc.History().UndoCount(), 1);

  ASSERT_FALSE(doc.ChangeOpacity());
  ASSERT_TRUE(doc.ShowLayer(false));
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(doc.HistoryState().name, Text(IDS_STEP_OPACITY_CHANGE));
  ASSERT_EQ(doc.History().RedoCount(), 1);
  EXPECT_TRUE(doc.ChangeOpacity()) << "redo items wait: a new step";
  ASSERT_TRUE(doc.SetLayerOpacity(90, false));
  EXPECT_EQ(doc.History().UndoCount(), 2);
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(Layer(2)->GetLayerInfo().opacity, 20) << "the change landed in its own step";
}

TEST_F(LayerOps, DeletingTheActiveLayerActivatesItsNeighbour) {
  doc.SetActiveLayerByIndex(1, false, false);
  ASSERT_TRUE(doc.DeleteActiveLayer());
  EXPECT_EQ(Names(), (std::vector<std::string>{"Background", "Blue"}));
  EXPECT_EQ(stack().GetActiveLayer()->GetName(), "Background");
  doc.SetActiveLayerByIndex(0, false, false);
  ASSERT_TRUE(doc.DeleteActiveLayer());
  EXPECT_EQ(stack().GetActiveLayer()->GetName(), "Blue") << "the bottom one hands over upwards";
}

TEST_F(LayerOps, DeletingAGroupMemberKeepsTheMembersAbove) {
  CLayerPtr top = CLayerPtr::Adopt(ColourLayer(RECT{0, 0, 8, 6}, 0xFFFFFFu, true, "Top"));
  Add(top.Detach());
  Layer(2)->SetGrouped(1);
  Layer(3)->SetGrouped(1);
  doc.SetActiveLayerByIndex(2, true, false);
  ASSERT_TRUE(doc.DeleteActiveLayer());
  EXPECT_TRUE(Layer(2)->GetGrouped()) << "Top stays clipped to Green";
  doc.SetActiveLayerByIndex(1, true, false);
  ASSERT_TRUE(doc.DeleteActiveLayer());
  EXPECT_FALSE(Layer(1)->GetGrouped()) << "a deleted base frees its members";
}

// ---- Merging ----

struct MergeCase {
  const char* what;
  std::vector<int> grouped;   // per layer 0..3
  std::vector<int> links;     // per layer
  std::vector<int> hidden;
  int active;
  int kind;
};

TEST(ClassifyMerge, KindsFollowLinksGroupsAndVisibility) {
  const std::vector<MergeCase> cases = {
      {"two plain layers", {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 3, kMergeDown},
      {"hidden active", {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}, 3, kMergeNone},
      {"hidden below", {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, 3, kMergeNone},
      {"bottom layer", {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, kMergeNone},
      {"group base", {0, 0, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 1, kMergeGroup},
      {"clipped active", {0, 0, 1, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 3, kMergeDown},
      {"only below clipped", {0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 2, kMergeNone},
      {"linked", {0, 0, 0, 0}, {0, 5, 0, 5}, {0, 0, 0, 0}, 3, kMergeLinked},
      {"whole group linked", {0, 0, 1, 0}, {0, 5, 5, 0}, {0, 0, 0, 0}, 1, kMergeLinked},
      {"member linked without base", {0, 0, 1, 0}, {0, 0, 5, 5}, {0, 0, 0, 0}, 3, kMergeNone},
      {"base linked without member", {0, 0, 1, 0}, {0, 5, 0, 5}, {0, 0, 0, 0}, 3, kMergeNone},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(c.what);
    ReentrantDocumentLock lock;
    CLayersManager stack(kWAType24, &lock, 8, 6, 0x00480048u, 0xFFFFFFu, 0);
    for (int i = 1; i < 4; ++i) {
      CLayer* layer = ColourLayer(RECT{0, 0, 4, 4}, 0x808080u, true, "L");
      stack.AddLayer(layer);
      layer->Release();
    }
    for (int i = 0; i < 4; ++i) {
      stack.GetLayer(i)->SetGrouped(c.grouped[i]);
      stack.GetLayer(i)->SetLinkId(static_cast<std::uint16_t>(c.links[i]));
      stack.GetLayer(i)->SetVisible(c.hidden[i] == 0);
    }
    stack.SetActiveLayerByIndex(c.active);
    EXPECT_EQ(ClassifyMerge(stack), c.kind);
  }
}

TEST_F(LayerOps, MergeDownReplacesBothLayersWithTheirComposite) {
  const auto blue = Pixel(1, 1), both = Pixel(3, 2), green = Pixel(5, 4);
  ASSERT_EQ(ClassifyMerge(stack()), kMergeDown);
  ASSERT_TRUE(doc.MergeLinked());
  EXPECT_EQ(Names(), (std::vector<std::string>{"Background", "Blue"}));
  EXPECT_EQ(stack().GetActiveLayer(), Layer(1));
  EXPECT_EQ(Pixel(1, 1), blue);
  EXPECT_EQ(Pixel(3, 2), both);
  EXPECT_EQ(Pixel(5, 4), green);
}

TEST_F(LayerOps, MergeLinkedPutsTheResultAboveTheActiveLayer) {
  CLayerPtr top = CLayerPtr::Adopt(ColourLayer(RECT{6, 4, 8, 6}, 0xFFFFFFu, true, "Top"));
  Add(top.Detach());
  Link(1, 3);
  doc.SetActiveLayerByIndex(1, true, false);
  const auto white = Pixel(7, 5), green = Pixel(5, 4);
  ASSERT_EQ(ClassifyMerge(stack()), kMergeLinked);
  ASSERT_TRUE(doc.MergeLinked());
  EXPECT_EQ(Names(), (std::vector<std::string>{"Background", "Green", "Blue"}))
      << "in the active layer's place, below the unlinked Blue";
  EXPECT_EQ(Pixel(7, 5), white);
  EXPECT_EQ(Pixel(5, 4), green);
}

TEST_F(LayerOps, MergeGroupAndMergeVisibleKeepHiddenLayers) {
  Layer(2)->SetGrouped(1);
  doc.SetActiveLayerByIndex(1, true, false);
  const auto clipped = Pixel(3, 2);
  ASSERT_EQ(ClassifyMerge(stack()), kMergeGroup);
  ASSERT_TRUE(doc.MergeLinked());
  EXPECT_EQ(stack().GetLayerCount(), 2);
  EXPECT_EQ(Pixel(3, 2), clipped);
  EXPECT_EQ(Pixel(1, 1), kRed) << "the blue outside its base stayed clipped away";

  CLayerPtr hidden = CLayerPtr::Adopt(ColourLayer(RECT{0, 0, 8, 6}, 0xFFFFFFu, true, "Hidden"));
  hidden->SetVisible(0);
  Add(hidden.Detach());
  ASSERT_TRUE(doc.MergeVisible());
  EXPECT_EQ(Names().size(), 2u);
  EXPECT_EQ(Names().back(), "Hidden") << "a hidden layer stays";
  EXPECT_EQ(Pixel(3, 2), clipped);
}

// ---- Selections, masks and new layers ----

TEST_F(LayerOps, SelectionToMaskBakesInversionAndClipsToTheRect) {
  Fragment* f = Rect(RECT{2, 1, 5, 4}, true);
  Fragment* mask = SelectionToMask(f, RECT{0, 0, 8, 6});
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(IsFrgInverted(mask), 0);
  WAPtr coverage = WAPtr::Adopt(GetMaskWA(mask));
  EXPECT_EQ(coverage->Row(2)[3], 0) << "inside the inverted rect";
  EXPECT_EQ(coverage->Row(0)[0], 255);
  EXPECT_EQ(coverage->Row(5)[7], 255);
  DeleteFragment(mask);
  DeleteFragment(f);
  EXPECT_EQ(SelectionToMask(nullptr, RECT{0, 0, 8, 6}), nullptr);
}

TEST_F(LayerOps, MasksFromTheSelectionRevealOrHideIt) {
  Fragment* left = Rect(RECT{0, 0, 2, 3});
  ASSERT_TRUE(doc.NewMaskFromSelection(left, true));
  EXPECT_EQ(Pixel(1, 1), kBlue);
  EXPECT_EQ(Pixel(3, 0), kRed) << "outside the revealed area";
  ASSERT_TRUE(doc.NewMaskFromSelection(left, false));
  EXPECT_EQ(Pixel(1, 1), kRed);
  EXPECT_EQ(Pixel(3, 0), kBlue);
  DeleteFragment(left);

  Fragment* none = CreateEmptyFrg(0);
  const int steps = doc.History().UndoCount();
  const StackState before = Capture(stack());
  ASSERT_TRUE(doc.NewMaskFromSelection(none, false));
  EXPECT_EQ(Capture(stack()), before) << "hiding nothing changes nothing";
  EXPECT_EQ(doc.History().UndoCount(), steps);
  ASSERT_TRUE(doc.NewMaskFromSelection(none, true));
  EXPECT_EQ(Pixel(1, 1), kRed) << "revealing nothing hides the whole layer";
  DeleteFragment(none);
}

TEST_F(LayerOps, LayerViaCopyAndCut) {
  Fragment* f = Rect(RECT{1, 0, 3, 2});
  ASSERT_TRUE(doc.NewLayerViaCopy(f, false));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Background", "Green", "Blue", "Blue copy"}));
  EXPECT_EQ(BoxOf(stack().GetActiveLayer()->GetRect()), (Box{1, 0, 3, 2}));
  ASSERT_TRUE(doc.NewLayerViaCopy(f, true));
  ASSERT_EQ(stack().GetLayerCount(), 5);
  DeleteFragment(f);
  // With Blue and the cut-out layer hidden, what was cut from "Blue copy"
  // shows the red below.
  Layer(2)->SetVisible(0);
  Layer(4)->SetVisible(0);
  EXPECT_EQ(Pixel(1, 1), kRed);
  Layer(4)->SetVisible(1);
  EXPECT_EQ(Pixel(1, 1), kBlue);
}

TEST_F(LayerOps, LayerViaCopyOutsideTheLayerSaysSoAndMakesNothing) {
  Fragment* f = Rect(RECT{6, 4, 8, 6});
  const int steps = doc.History().UndoCount();
  EXPECT_FALSE(doc.NewLayerViaCopy(f, false));
  DeleteFragment(f);
  EXPECT_EQ(stack().GetLayerCount(), 3);
  EXPECT_EQ(doc.History().UndoCount(), steps);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("visible pixels of the layer 'Blue'"), std::string::npos) << host.messages[0];
  EXPECT_EQ(host.captions[0], IDS_ERROR_CAPTION);

  Layer(2)->GetMask()->Row(0)[0] = 0;
  Fragment* transparent = Rect(RECT{0, 0, 1, 1});
  EXPECT_FALSE(doc.NewLayerViaCopy(transparent, false)) << "a transparent pixel is no visible pixel";
  DeleteFragment(transparent);
  EXPECT_EQ(host.messages.size(), 2u);
}

TEST_F(LayerOps, ClearMakesTheSelectedAreaTransparent) {
  Fragment* f = Rect(RECT{0, 0, 2, 3});
  ASSERT_TRUE(doc.ClearSelection(f));
  DeleteFragment(f);
  EXPECT_EQ(Pixel(1, 1), kRed);
  EXPECT_EQ(Pixel(3, 1), kBlue);
}

// ---- Copies into documents ----

TEST_F(LayerOps, DuplicateIntoAnotherDocumentCentresTheContentInOneStepThere) {
  MessageHost otherHost;
  otherHost.title = "Other";
  ImageDocument other(&otherHost);
  CreationRecord record{2, 20, 10, 0x00480048u, 0xFFFFFFu};
  ASSERT_EQ(other.NewImage(record), 1);
  const int sourceSteps = doc.History().UndoCount();
  ASSERT_TRUE(doc.DuplicateLayer("Copied", &other, true));
  CLayer* copy = other.GetActiveLayer();
  ASSERT_EQ(copy->GetName(), "Copied");
  EXPECT_EQ(other.GetLayers()->GetLayerCount(), 2);
  POINT centre{};
  copy->GetContentCenter(&centre);
  EXPECT_EQ(centre.x, 10);
  EXPECT_EQ(centre.y, 5);
  EXPECT_EQ(other.HistoryState().name, Text(IDS_STEP_INSERT_LAYER));
  EXPECT_EQ(other.History().UndoCount(), 1);
  EXPECT_EQ(doc.History().UndoCount(), sourceSteps) << "the source keeps its history";
  EXPECT_EQ(otherHost.activations, 1);
  other.Queue().StopThread();
}

TEST_F(LayerOps, DuplicateIntoANewDocumentOrNowhereSaysSo) {
  ASSERT_TRUE(doc.DuplicateLayer("Alone", nullptr, false));
  EXPECT_EQ(host.newDocumentLayers, (std::vector<std::string>{"Alone"}));
  host.refuseNewDocument = true;
  EXPECT_FALSE(doc.DuplicateLayer("Alone", nullptr, false));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Can't create new document from the layer 'Blue'.");

  MessageHost emptyHost;
  emptyHost.title = "Empty";
  ImageDocument empty(&emptyHost);
  EXPECT_FALSE(doc.DuplicateLayer("Lost", &empty, false));
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1], "Can't insert copy of the layer 'Blue' into the document 'Empty'.");
}

TEST_F(LayerOps, ResizeLayerBeyondTheLimitsSaysWhichLayer) {
  EXPECT_FALSE(doc.ResizeLayer(Layer(1), RECT{0, 0, 1 << 25, 4}));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Unable to resize layer 'Green'. Not enough memory available !");
  EXPECT_TRUE(doc.ResizeLayer(Layer(1), RECT{0, 0, 8, 6}));
  EXPECT_EQ(BoxOf(Layer(1)->GetRect()), (Box{0, 0, 8, 6}));
  EXPECT_EQ(doc.History().UndoCount(), 0) << "no step";
}

TEST_F(LayerOps, TheToolHostsNewLayerIsTransparentAboveTheActiveOne) {
  doc.SetActiveLayerByIndex(1, true, false);
  const int index = doc.InsertNewLayer(RECT{1, 1, 5, 4}, true, true);
  ASSERT_EQ(index, 2);
  CLayer* fresh = Layer(2);
  EXPECT_EQ(stack().GetActiveLayer(), fresh);
  EXPECT_EQ(BoxOf(fresh->GetRect()), (Box{1, 1, 5, 4}));
  EXPECT_EQ(Pixel(4, 3), kGreen) << "transparent over the green";
  EXPECT_EQ(doc.HistoryState().name, Text(IDS_STEP_INSERT_LAYER));
  EXPECT_EQ(doc.InsertNewLayer(RECT{0, 0, 0, 0}, false, false), -1) << "an empty rect makes no layer";
  EXPECT_EQ(doc.History().UndoCount(), 1);
}

TEST_F(LayerOps, AlignWithoutOpaquePixelsIsRefused) {
  Link(1, 2);
  VrWA2000::WA* mask = Layer(2)->PeekMask();
  for (int y = 0; y < mask->GetH(); ++y)
    for (int x = 0; x < mask->GetW(); ++x) mask->Row(y)[x] = 127;
  EXPECT_FALSE(doc.AlignLinkedLayers(0));
  EXPECT_EQ(doc.History().UndoCount(), 0);
  mask->Row(0)[0] = 128;
  EXPECT_TRUE(doc.AlignLinkedLayers(0));
}

TEST_F(LayerOps, LongOperationsSwitchThePreviewOffAndOnAgain) {
  ASSERT_TRUE(doc.FlattenImage());
  ASSERT_TRUE(doc.ResizeImage(4, 3, 0, 0));
  EXPECT_GE(host.previewOff, 2);
  EXPECT_EQ(host.previewOff, host.previewOn);
}

TEST_F(LayerOps, NewLayersTakeTheBackgroundColourOrStayTransparent) {
  ASSERT_TRUE(doc.NewLayer("", "Normal", 100, true, false));
  EXPECT_EQ(stack().GetActiveLayer()->GetName().rfind("Layer ", 0), 0u) << "a free numbered name";
  EXPECT_EQ(Pixel(7, 5), kGreen) << "filled with the host's background colour";
  ASSERT_TRUE(doc.NewLayer("Blue", "Normal", 100, false, true));
  EXPECT_NE(stack().GetActiveLayer()->GetName(), "Blue") << "a used name is made free";
  EXPECT_TRUE(stack().GetActiveLayer()->GetGrouped());
  EXPECT_EQ(Pixel(7, 5), kGreen) << "a transparent layer";
}

// Flattening from a current composite gives what a render pass of its own
// gives; a layer showing a mask view makes the render pass run.
TEST(FlattenCore, FromTheCurrentCompositeAsFromARenderPass) {
  for (const bool highlight : {false, true}) {
    SCOPED_TRACE(highlight);
    Rig a, b;
    a.Layer(1)->SetMaskHighlight(highlight ? 1 : 0);
    b.Layer(1)->SetMaskHighlight(highlight ? 1 : 0);
    a.stack().Render(RECT{0, 0, 8, 6});
    ASSERT_EQ(FlattenCore(a.stack(), true), 0);
    ASSERT_EQ(FlattenCore(b.stack(), false), 0);
    const WAPtr fromComposite = a.Layer(0)->GetImage(), rendered = b.Layer(0)->GetImage();
    EXPECT_EQ(Bytes(fromComposite.get()), Bytes(rendered.get()));
    EXPECT_EQ(a.stack().GetLayerCount(), 1);
  }
}

// A stack put into a document keeps its layers' names; only names that two
// layers carry (or none) are made free.
TEST(LayerNames, InstallingAStackKeepsItsNamesAndFreesOnlyDuplicates) {
  ReentrantDocumentLock lock;
  CLayersManagerPtr stack = CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, &lock, 8, 6, 0x00480048u, 0, 0));
  stack->GetLayer(0)->SetName("Ground");
  for (const char* name : {"Mid", "Mid", ""}) {
    CLayer* layer = ColourLayer(RECT{0, 0, 2, 2}, 0, true, name);
    stack->AddLayer(layer);
    layer->Release();
  }
  testing::NullDocumentHost host;
  ImageDocument doc(&host);
  ASSERT_EQ(doc.InstallLayerStack(stack.get()), 1);
  EXPECT_EQ(stack->GetLayer(0)->GetName(), "Ground");
  EXPECT_NE(stack->GetLayer(1)->GetName(), stack->GetLayer(2)->GetName());
  EXPECT_TRUE(stack->GetLayer(1)->GetName() == "Mid" || stack->GetLayer(2)->GetName() == "Mid");
  EXPECT_FALSE(stack->GetLayer(3)->GetName().empty());
  doc.Queue().StopThread();
}

// ---- Transforms ----

TEST_F(LayerOps, FlippingTheWholeLayerKeepsItsPlaceInTheStack) {
  doc.SetActiveLayerByIndex(1, true, false);
  Layer(1)->SetLinkId(9);
  // Green's left column made white, so the mirror shows.
  FillLayerRect(Layer(1), RECT{2, 1, 3, 5}, 255);
  ASSERT_TRUE(doc.DoFlipLayer(nullptr, true, false));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Background", "Green", "Blue"}));
  EXPECT_EQ(Layer(1)->GetLinkId(), 9);
  EXPECT_EQ(BoxOf(Layer(1)->GetRect()), (Box{2, 1, 6, 5}));
  EXPECT_EQ(Pixel(5, 4), (std::array<int, 3>{255, 255, 255})) << "the white column went right";
  EXPECT_EQ(Pixel(4, 4), kGreen);
}

TEST_F(LayerOps, FlippingSelectedPixelsMakesALayerAboveAndMovesTheSelection) {
  doc.SetActiveLayerByIndex(1, true, false);
  FillLayerRect(Layer(1), RECT{2, 1, 3, 2}, 255);  // one white pixel at (2, 1)
  const StackState green = Capture(stack());
  Fragment* f = Rect(RECT{2, 1, 4, 3});
  doc.SetSelection(f, false);
  ASSERT_TRUE(doc.DoFlipLayer(f, true, true));
  DeleteFragment(f);
  ASSERT_EQ(stack().GetLayerCount(), 4);
  EXPECT_EQ(Capture(stack()).layers[1], green.layers[1]) << "the source layer stays";
  CLayer* lifted = Layer(2);
  EXPECT_EQ(stack().GetActiveLayer(), lifted);
  EXPECT_EQ(BoxOf(lifted->GetRect()), (Box{2, 1, 4, 3}));
  EXPECT_EQ(lifted->GetImage()->Row(1)[3], 255) << "the white pixel now at the far corner";
  EXPECT_EQ(lifted->GetImage()->Row(0)[0], 0);
  ASSERT_NE(doc.GetSelection(), nullptr);
  LURECT bounds{};
  GetFragmentBoundRect(doc.GetSelection(), &bounds);
  EXPECT_EQ(bounds.x, 2);
  EXPECT_EQ(bounds.width, 2);
}

TEST_F(LayerOps, TurningSelectedPixelsTurnsThemAboutTheSelection) {
  Fragment* f = Rect(RECT{0, 0, 4, 2});
  ASSERT_TRUE(doc.DoRotateLayer(f, -90.0));
  DeleteFragment(f);
  // A 4 x 2 area about (2, 1) stands 2 x 4 at (1, -1).
  EXPECT_EQ(BoxOf(stack().GetActiveLayer()->GetRect()), (Box{1, -1, 3, 3}));
  EXPECT_EQ(doc.HistoryState().name, Text(IDS_STEP_LAYER_TRANSFORM));
  EXPECT_EQ(doc.History().UndoCount(), 1);
}

TEST_F(LayerOps, AnEmptySelectionCannotBeTransformed) {
  Fragment* f = Rect(RECT{6, 4, 8, 6});
  EXPECT_FALSE(doc.DoRotateLayer(f, 90.0));
  DeleteFragment(f);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Could not transform the selected pixels because the selected area is empty.");
  EXPECT_EQ(doc.History().UndoCount(), 0);
  EXPECT_EQ(stack().GetLayerCount(), 3);
}

TEST_F(LayerOps, NumericTransformScalesAboutTheCentreAndMoves) {
  LayerTransformPlan nothing;
  EXPECT_TRUE(doc.NumericLayerTransform(nullptr, nothing));
  EXPECT_EQ(doc.History().UndoCount(), 0) << "no stage asked: no step";

  LayerTransformPlan plan;
  plan.scale = true;
  plan.width = 2;
  plan.height = -7;
  ASSERT_TRUE(doc.NumericLayerTransform(nullptr, plan));
  // Blue (0, 0, 4, 3) to 2 x 7 about its centre: left 0 + (4 - 2) / 2, top 0 + (3 - 7) / 2.
  EXPECT_EQ(BoxOf(Layer(2)->GetRect()), (Box{1, -2, 3, 5}));

  Fragment* none = CreateEmptyFrg(0);
  LayerTransformPlan move;
  move.moveMode = 2;
  move.move = POINT{3, 1};
  ASSERT_TRUE(doc.NumericLayerTransform(none, move)) << "an empty selection means the whole layer";
  DeleteFragment(none);
  EXPECT_EQ(BoxOf(Layer(2)->GetRect()), (Box{4, -1, 6, 6}));
  move.moveMode = 1;
  move.move = POINT{0, 0};
  ASSERT_TRUE(doc.NumericLayerTransform(nullptr, move));
  EXPECT_EQ(BoxOf(Layer(2)->GetRect()), (Box{0, 0, 2, 7}));
  EXPECT_EQ(stack().GetLayerCount(), 3);
  EXPECT_EQ(doc.History().UndoCount(), 3);
}

TEST_F(LayerOps, SkewingTakesTheCornersFromTheRectsTopLeft) {
  LayerTransformPlan plan;
  plan.skew = true;
  plan.corners[0] = POINT{0, 0};
  plan.corners[1] = POINT{4, 0};
  plan.corners[2] = POINT{6, 3};
  plan.corners[3] = POINT{2, 3};
  ASSERT_TRUE(doc.NumericLayerTransform(nullptr, plan));
  const RECT r = Layer(2)->GetRect();
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_GE(r.right, 6);
}

// A host that lays text out by counting.
class TextHost : public MessageHost {
 public:
  int LayoutTextLayer(CLayerText&) override { return ++layouts, answer; }
  int layouts = 0;
  int answer = 0;
};

TEST(TextLayers, OrientationIsLaidOutAgainAndRenderingMakesAPlainLayer) {
  TextHost host;
  ImageDocument doc(&host);
  CreationRecord record{2, 8, 6, 0x00480048u, 0xFFFFFFu};
  ASSERT_EQ(doc.NewImage(record), 1);
  CLayerText* text = new CLayerText(kWAType24);
  text->SetName("Words");
  ASSERT_EQ(doc.GetLayers()->AddLayer(text), 0);
  text->Release();
  doc.SetActiveLayerByIndex(1, true, false);
  ASSERT_TRUE(doc.SetTextOrientation(true));
  EXPECT_EQ(text->Attributes().vertical, 1);
  EXPECT_EQ(host.layouts, 1);
  EXPECT_TRUE(doc.SetTextOrientation(true)) << "vertical already";
  EXPECT_EQ(host.layouts, 1);
  host.answer = 16;
  EXPECT_FALSE(doc.SetTextOrientation(false));
  EXPECT_EQ(text->Attributes().vertical, 1) << "a failed layout keeps the text as it was";

  ASSERT_TRUE(doc.RenderTextLayer());
  EXPECT_EQ(doc.GetActiveLayer()->IsText(), 0);
  EXPECT_EQ(doc.GetActiveLayer()->GetName(), "Words");
  EXPECT_EQ(doc.GetLayers()->GetLayerCount(), 2);
  EXPECT_FALSE(doc.RenderTextLayer()) << "no text layer any more";
  ASSERT_TRUE(doc.UndoRedo(false));
  EXPECT_EQ(doc.GetActiveLayer()->IsText(), 1);
  doc.Queue().StopThread();
}

}  // namespace
}  // namespace lumora
