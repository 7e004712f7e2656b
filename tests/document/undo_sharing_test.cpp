// Undo snapshots that share the live layers' pixel buffers: which buffers a
// step shares and which it clones, and seeded random walks (pixel and mask
// edits of the active and other layers, layer add, delete and move, whole
// stack reloads, selection steps, failed steps, undo, redo, jumps, limits)
// with every state's pixels compared with a history of deep copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "document/ImageDocument.h"
#include "document/UndoManager.h"
#include "engine/layers/LayerText.h"
#include "platform/rect.h"
#include "tests/document/null_host.h"
#include "tests/document/undo_support.h"

namespace lumora {
namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 16;

// Counts the bytes of the buffers the history clones; can refuse them.
class CloneCounter : public SnapshotCopier {
 public:
  VrWA2000::WA* CloneBuffer(const VrWA2000::WA& buffer) override {
    if (refuse) return nullptr;
    bytes += static_cast<std::uint64_t>(buffer.GetBPLine()) * buffer.GetH();
    return SnapshotCopier::CloneBuffer(buffer);
  }
  std::uint64_t bytes = 0;
  bool refuse = false;
};

std::uint64_t BufferBytes(const VrWA2000::WA* buffer) {
  return buffer == nullptr ? 0
                           : static_cast<std::uint64_t>(buffer->GetBPLine()) * buffer->GetH();
}

// The first difference between two buffers' pixels, or empty.
std::string BufferDifference(const VrWA2000::WA* a, const VrWA2000::WA* b) {
  if ((a == nullptr) != (b == nullptr)) return "one buffer is missing";
  if (a == nullptr) return {};
  if (a->GetType() != b->GetType() || a->GetW() != b->GetW() || a->GetH() != b->GetH()) {
    return "shapes differ";
  }
  const std::size_t rowBytes = (static_cast<std::size_t>(a->GetW()) * a->GetBPP() + 7) / 8;
  for (int y = 0; y < a->GetH(); ++y) {
    if (!std::equal(a->Row(y), a->Row(y) + rowBytes, b->Row(y))) {
      return "row " + std::to_string(y) + " differs";
    }
  }
  return {};
}

// The first difference between two stacks (layers, order, attributes,
// every pixel of image and mask, and with `active` the active layer), or
// empty. The document's active layer is no part of a step.
std::string StackDifference(const CLayersManager& a, const CLayersManager& b,
                            bool active = true) {
  if (a.GetLayerCount() != b.GetLayerCount()) return "layer counts differ";
  if (active && a.GetLayerIndex(a.GetActiveLayer()) != b.GetLayerIndex(b.GetActiveLayer())) {
    return "active layers differ";
  }
  for (int i = 0; i < a.GetLayerCount(); ++i) {
    const CLayer& p = *a.GetLayer(i);
    const CLayer& q = *b.GetLayer(i);
    const std::string where = "layer " + std::to_string(i) + ": ";
    if (p.GetUniqueId() != q.GetUniqueId()) return where + "other layer";
    if (!RectsEqual(p.GetRect(), q.GetRect()) || p.GetOpacity() != q.GetOpacity() ||
        p.HasMask() != q.HasMask()) {
      return where + "attributes differ";
    }
    std::string diff = BufferDifference(p.PeekImage(), q.PeekImage());
    if (!diff.empty()) return where + "image " + diff;
    diff = BufferDifference(p.PeekMask(), q.PeekMask());
    if (!diff.empty()) return where + "mask " + diff;
  }
  return {};
}

CLayersManagerPtr DeepCopy(const CLayersManager& stack) {
  return CLayersManagerPtr::Adopt(new CLayersManager(stack, LayerBuffers::kClone));
}

// Random values over a random part of the buffer, written row by row as
// the painting tools write.
void Scribble(VrWA2000::WA* buffer, std::mt19937& rng) {
  const int bytesPerPixel = buffer->GetBPP() / 8;
  const int x0 = static_cast<int>(rng() % buffer->GetW());
  const int y0 = static_cast<int>(rng() % buffer->GetH());
  const int x1 = x0 + 1 + static_cast<int>(rng() % (buffer->GetW() - x0));
  const int y1 = y0 + 1 + static_cast<int>(rng() % (buffer->GetH() - y0));
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* row = buffer->Row(y);
    for (int x = x0 * bytesPerPixel; x < x1 * bytesPerPixel; ++x) {
      row[x] = static_cast<std::uint8_t>(rng());
    }
  }
}

CLayer* NewMaskedLayer(std::mt19937& rng) {
  const RECT rect{static_cast<LONG>(rng() % 4), static_cast<LONG>(rng() % 4), kWidth, kHeight};
  LAYER_INFO info;
  info.name = "Layer";
  InitLayerInfo(info);
  CLayer* layer = new CLayer(&rect, info, kWAType24, 1);
  Scribble(layer->PeekImage(), rng);
  Scribble(layer->PeekMask(), rng);
  return layer;
}

// A live stack of `layers` masked layers beside its history, driven as the
// document drives them, and a history of deep copies of every state.
class SharingRig {
 public:
  SharingRig(int layers, unsigned seed, int limit = 0)
      : rng(seed),
        live(CLayersManagerPtr::Adopt(
            new CLayersManager(kWAType24, &lock, kWidth, kHeight, 0x00600060u, 0x102030u, 0))),
        history(50, &copier) {
    Scribble(live->GetLayer(0)->PeekImage(), rng);
    live->GetLayer(0)->CreateMask(1);
    for (int i = 1; i < layers; ++i) AddLayer();
    if (limit > 0) Trim(limit);
    states.push_back(DeepCopy(*live));
  }
  ~SharingRig() { history.Clear(); }

  // The step's push, naming the layers it writes (null: every layer).
  bool Push(bool pixel, const CUndoManager::LayerList* changing) {
    std::uint8_t owns = fields.currentOwns ? 1 : 0;
    if (!history.Push(fields.name, &owns, pixel, false, nullptr, live.get(), changing)) {
      return false;
    }
    fields.name = "Step " + std::to_string(++serial_);
    fields.previousOwns = owns != 0;
    fields.currentOwns = pixel;
    return true;
  }
  // After the step's change: the model gets the new state.
  void Record() {
    states.resize(current + 1);
    states.push_back(DeepCopy(*live));
    ++current;
    TrimModel();
  }

  CLayer* Active() const { return live->GetActiveLayer(); }
  CLayer* RandomLayer() { return live->GetLayer(Pick(live->GetLayerCount())); }
  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

  void AddLayer() {
    CLayer* layer = NewMaskedLayer(rng);
    live->AddLayer(layer);
    live->SetActiveLayer(layer);
    layer->Release();
  }

  // A pixel step writing the listed layers' images or masks.
  void PaintStep(const std::vector<CLayer*>& layers, bool masks) {
    const CUndoManager::LayerList changing(layers.begin(), layers.end());
    ASSERT_TRUE(Push(true, &changing));
    for (CLayer* layer : layers) Scribble(masks ? layer->PeekMask() : layer->PeekImage(), rng);
    Record();
  }

  bool Undo() { return Move(false); }
  bool Redo() { return Move(true); }

  // The history dialog's jump: a snapshot of the current state (sharing
  // the live buffers), then the move.
  bool Jump(int index) {
    CLayersManagerPtr snapshot =
        CLayersManagerPtr::Adopt(new CLayersManager(*live, LayerBuffers::kShare));
    Fragment* chosen = nullptr;
    CUndoManager::HistoryFields copy = fields;
    if (!history.GoTo(index, &copy, &chosen, nullptr, live.get(), snapshot.get())) return false;
    fields = copy;
    current = index;
    TrimModel();
    return true;
  }

  // A pixel step of the active layer that fails after writing: reverted.
  void FailedStep() {
    if (limit_ > 0 && current == limit_) {
      states.erase(states.begin());
      --current;
    }
    const CUndoManager::LayerList changing{Active()};
    ASSERT_TRUE(Push(true, &changing));
    Scribble(Active()->PeekImage(), rng);
    Fragment* restored = nullptr;
    CUndoManager::HistoryFields copy = fields;
    bool refresh = false;
    ASSERT_TRUE(history.RevertTop(&copy, &restored, live.get(), &refresh));
    fields = copy;
    states.resize(current + 1);
  }

  void Trim(int limit) {
    history.TrimToLimit(limit, 1);
    limit_ = limit;
    TrimModel();
  }

  void Check(const std::string& where) const {
    SCOPED_TRACE(where);
    ASSERT_EQ(history.UndoCount(), current);
    ASSERT_EQ(history.RedoCount(), static_cast<int>(states.size()) - 1 - current);
    EXPECT_EQ(StackDifference(*live, *states[current]), "") << "live stack";
    for (int i = 0; i < history.UndoCount(); ++i) {
      EXPECT_EQ(StackDifference(*history.UndoItem(i)->GetSnapshot(), *states[i]), "")
          << "undo item " << i;
    }
    const int redoCount = history.RedoCount();
    for (int i = 0; i < redoCount; ++i) {
      EXPECT_EQ(StackDifference(*history.RedoItem(i)->GetSnapshot(),
                                *states[current + redoCount - i]),
                "")
          << "redo item " << i;
    }
  }

  std::mt19937 rng;
  ReentrantDocumentLock lock;
  CloneCounter copier;
  CLayersManagerPtr live;
  CUndoManager history;
  CUndoManager::HistoryFields fields;
  std::vector<CLayersManagerPtr> states;
  int current = 0;

 private:
  bool Move(bool redo) {
    Fragment* chosen = nullptr;
    CUndoManager::HistoryFields copy = fields;
    bool refresh = false;
    const bool done = redo ? history.Redo(&copy, &chosen, live.get(), &refresh)
                           : history.Undo(&copy, &chosen, live.get(), &refresh);
    if (done) {
      fields = copy;
      current += redo ? 1 : -1;
      TrimModel();
    }
    return done;
  }

  void TrimModel() { undo_testing::TrimModelStates(states, current, limit_); }

  int limit_ = 0;
  int serial_ = 0;
};

// ---- Shared copies ----

TEST(SharedLayerCopy, HoldsTheSourceBuffersAndKeepsItsKind) {
  std::mt19937 rng(1);
  CLayerPtr layer = CLayerPtr::Adopt(NewMaskedLayer(rng));
  ASSERT_EQ(layer->CreateAuxBuffer(1), 0);
  CLayerPtr shared = CLayerPtr::Adopt(layer->CreateSharedCopy());
  CLayerPtr cloned = CLayerPtr::Adopt(layer->CreateCopy());
  ASSERT_EQ(layer->GetBuffers().size(), 3u);
  EXPECT_EQ(shared->GetBuffers(), layer->GetBuffers());
  EXPECT_EQ(shared->GetUniqueId(), layer->GetUniqueId());
  for (VrWA2000::WA* buffer : cloned->GetBuffers()) {
    const auto own = layer->GetBuffers();
    EXPECT_EQ(std::find(own.begin(), own.end(), buffer), own.end());
  }
  // Every kind copies as its kind.
  CLayerPaint paint(*layer, LayerBuffers::kClone);
  paint.SetReplace(1);
  CLayerPtr paintCopy = CLayerPtr::Adopt(paint.CreateSharedCopy());
  EXPECT_EQ(paintCopy->IsPaint(), 1);
  EXPECT_EQ(paintCopy->GetReplace(), 1u);
  CLayerMask maskWork(*layer, LayerBuffers::kClone);
  EXPECT_EQ(CLayerPtr::Adopt(maskWork.CreateSharedCopy())->IsMask(), 1);
  CLayerText text(kWAType24);
  CLayerPtr textCopy = CLayerPtr::Adopt(text.CreateSharedCopy());
  EXPECT_EQ(textCopy->IsText(), 1);
  EXPECT_EQ(textCopy->PeekImage(), text.PeekImage());
  // A replaced buffer leaves every place that held it.
  WAPtr replacement = WAPtr::Adopt(CloneWA(layer->PeekMask()));
  shared->SetMemoryLock(1);
  EXPECT_EQ(shared->ReplaceBuffer(layer->PeekMask(), replacement.get()), 1);
  EXPECT_EQ(shared->PeekMask(), replacement.get());
  EXPECT_EQ(shared->PeekImage(), layer->PeekImage());
  EXPECT_EQ(shared->ReplaceBuffer(nullptr, replacement.get()), 0);
}

// ---- What a step copies ----

TEST(SharedSnapshots, APixelStepClonesOnlyTheLayerItWrites) {
  SharingRig rig(4, 2);
  CLayer* active = rig.Active();
  rig.PaintStep({active}, false);
  const CLayersManager* snapshot = rig.history.UndoItem(0)->GetSnapshot();
  EXPECT_EQ(rig.copier.bytes, BufferBytes(active->PeekImage()) + BufferBytes(active->PeekMask()));
  for (int i = 0; i < 4; ++i) {
    const CLayer* mine = rig.live->GetLayer(i);
    const CLayer* saved = snapshot->GetLayer(i);
    if (mine == active) {
      EXPECT_NE(saved->PeekImage(), mine->PeekImage());
      EXPECT_NE(saved->PeekMask(), mine->PeekMask());
    } else {
      EXPECT_EQ(saved->PeekImage(), mine->PeekImage()) << "layer " << i << " is shared";
    }
  }
  // A second step on the same layer clones it once more, nothing else.
  rig.copier.bytes = 0;
  rig.PaintStep({active}, true);
  EXPECT_EQ(rig.copier.bytes, BufferBytes(active->PeekImage()) + BufferBytes(active->PeekMask()));
  // Moves between states copy no pixels.
  rig.copier.bytes = 0;
  ASSERT_TRUE(rig.Undo());
  ASSERT_TRUE(rig.Undo());
  ASSERT_TRUE(rig.Redo());
  EXPECT_EQ(rig.copier.bytes, 0u);
  rig.Check("after the moves");
  // A step naming no layer clones every layer a snapshot holds.
  ASSERT_TRUE(rig.Push(true, nullptr));
  std::uint64_t all = 0;
  for (int i = 0; i < 4; ++i) {
    all += BufferBytes(rig.live->GetLayer(i)->PeekImage()) +
           BufferBytes(rig.live->GetLayer(i)->PeekMask());
  }
  EXPECT_EQ(rig.copier.bytes, all);
}

TEST(SharedSnapshots, AClonesThatCannotBeMadeRefusesTheStep) {
  SharingRig rig(3, 3);
  rig.PaintStep({rig.Active()}, false);
  rig.copier.refuse = true;
  const CUndoManager::LayerList changing{rig.Active()};
  EXPECT_FALSE(rig.Push(true, &changing));
  EXPECT_FALSE(rig.history.DetachLayers(nullptr, rig.live.get()));
  rig.copier.refuse = false;
  rig.Check("after the refused step");
  // An undo after a refused step shows the saved state exactly.
  ASSERT_TRUE(rig.Undo());
  rig.Check("after the undo");
}

// ---- Random walks against deep copies ----

struct Walk {
  unsigned seed;
  int limit;  // 0 unlimited
};

void PrintTo(const Walk& w, std::ostream* os) { *os << "seed " << w.seed << ", limit " << w.limit; }

class SharedSnapshotWalk : public ::testing::TestWithParam<Walk> {};

TEST_P(SharedSnapshotWalk, EveryStateKeepsItsPixels) {
  const Walk walk = GetParam();
  SharingRig rig(3, walk.seed, walk.limit);
  for (int op = 0; op < 250; ++op) {
    const int kind = rig.Pick(24);
    std::string what;
    if (kind < 5) {
      what = "paint the active layer";
      rig.PaintStep({rig.Active()}, false);
    } else if (kind < 7) {
      what = "paint the active mask";
      rig.PaintStep({rig.Active()}, true);
    } else if (kind < 9) {
      what = "paint two layers";
      rig.PaintStep({rig.RandomLayer(), rig.RandomLayer()}, rig.Pick(2) == 0);
    } else if (kind < 10) {
      what = "add a layer";
      const CUndoManager::LayerList none;
      ASSERT_TRUE(rig.Push(true, &none));
      rig.AddLayer();
      rig.Record();
    } else if (kind < 11) {
      what = "delete a layer";
      const CUndoManager::LayerList none;
      ASSERT_TRUE(rig.Push(true, &none));
      if (rig.live->GetLayerCount() > 1) rig.live->DeleteLayer(rig.RandomLayer());
      rig.Record();
    } else if (kind < 12) {
      what = "move a layer";
      const CUndoManager::LayerList none;
      ASSERT_TRUE(rig.Push(true, &none));
      rig.Pick(2) == 0 ? rig.live->SendToBack(rig.RandomLayer())
                       : rig.live->BringForward(rig.RandomLayer());
      rig.live->SetActiveLayer(rig.RandomLayer());
      rig.Record();
    } else if (kind < 13) {
      what = "reload the stack";
      ASSERT_TRUE(rig.Push(true, nullptr));
      SharingRig other(1 + rig.Pick(3), rig.rng());
      ASSERT_EQ(rig.live->CopyFrom(other.live.get()), kLayerOk);
      rig.live->SetDocument(&rig.lock);
      rig.Record();
    } else if (kind < 14) {
      what = "a filter over every layer";
      ASSERT_TRUE(rig.Push(true, nullptr));
      for (int i = 0; i < rig.live->GetLayerCount(); ++i) {
        Scribble(rig.live->GetLayer(i)->PeekImage(), rig.rng);
      }
      rig.Record();
    } else if (kind < 16) {
      what = "selection step";
      ASSERT_TRUE(rig.Push(false, nullptr));
      rig.Record();
    } else if (kind < 19) {
      what = "undo";
      EXPECT_EQ(rig.Undo(), rig.current > 0);
    } else if (kind < 21) {
      what = "redo";
      EXPECT_EQ(rig.Redo(), rig.current + 1 < static_cast<int>(rig.states.size()));
    } else if (kind < 22) {
      const int target = rig.Pick(static_cast<int>(rig.states.size()));
      what = "jump to " + std::to_string(target);
      EXPECT_EQ(rig.Jump(target), target != rig.current);
    } else if (kind < 23) {
      what = "failed step";
      rig.FailedStep();
    } else if (walk.limit > 0) {
      what = "limit change";
      rig.Trim(1 + rig.Pick(walk.limit + 2));
    } else {
      what = "paint the active layer";
      rig.PaintStep({rig.Active()}, false);
    }
    rig.Check("op " + std::to_string(op) + ": " + what);
    if (::testing::Test::HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, SharedSnapshotWalk,
                         ::testing::Values(Walk{11, 0}, Walk{12, 0}, Walk{13, 0}, Walk{14, 2},
                                           Walk{15, 3}, Walk{16, 5}, Walk{17, 0}, Walk{18, 1}));

// ---- The document ----

// A document of three masked layers, the top one active, with a history
// of deep copies of its states.
class SharingDocument : public ::testing::Test {
 protected:
  SharingDocument() : doc(&host, &copier) {
    doc.NewImage(CreationRecord{2, kWidth, kHeight, 0x00480048u, 0xFFFFFFu});
    CLayersManager* stack = doc.GetLayers();
    stack->GetLayer(0)->CreateMask(1);
    for (int i = 0; i < 2; ++i) {
      CLayer* layer = NewMaskedLayer(rng);
      stack->AddLayer(layer);
      layer->Release();
    }
    doc.SetActiveLayerByIndex(2, true, true);
    doc.Queue().StopThread();
  }

  // A brush step as the tool host opens it: the step, then rows written
  // into what GetActiveImage gives (the mask in mask-edit mode).
  void BrushStep() {
    ASSERT_TRUE(doc.BackupImageByName("Brush"));
    Scribble(doc.GetActiveImage().get(), rng);
    const RECT all{0, 0, kWidth, kHeight};
    doc.InvalidateImageRect(&all, false, false);
    doc.Queue().StopThread();
  }

  std::mt19937 rng{5};
  testing::NullDocumentHost host;
  CloneCounter copier;
  ImageDocument doc;
};

TEST_F(SharingDocument, UndoAndRedoRestoreEveryPixelOfEveryStep) {
  std::vector<CLayersManagerPtr> states{DeepCopy(*doc.GetLayers())};
  BrushStep();
  states.push_back(DeepCopy(*doc.GetLayers()));
  doc.EnterMaskEditMode(false);
  BrushStep();
  states.push_back(DeepCopy(*doc.GetLayers()));
  doc.LeaveMaskEditMode(false);
  doc.SetActiveLayerByIndex(0, true, true);
  BrushStep();
  // The step also writes layer 1, which it did not name: detached first.
  CLayer* other = doc.GetLayers()->GetLayer(1);
  ASSERT_TRUE(doc.DetachLayerForWriting(other));
  Scribble(other->PeekImage(), rng);
  states.push_back(DeepCopy(*doc.GetLayers()));
  for (int i = 3; i > 0; --i) {
    ASSERT_TRUE(doc.UndoRedo(false));
    doc.Queue().StopThread();
    EXPECT_EQ(StackDifference(*doc.GetLayers(), *states[i - 1], false), "") << "undo to " << i - 1;
  }
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(doc.UndoRedo(true));
    doc.Queue().StopThread();
    EXPECT_EQ(StackDifference(*doc.GetLayers(), *states[i], false), "") << "redo to " << i;
  }
  // Painting after an undo writes buffers the redo states shared: they
  // were cleared by the step, the saved states stay whole.
  ASSERT_TRUE(doc.UndoRedo(false));
  doc.Queue().StopThread();
  BrushStep();
  ASSERT_TRUE(doc.UndoRedo(false));
  doc.Queue().StopThread();
  EXPECT_EQ(StackDifference(*doc.GetLayers(), *states[2], false), "");
}

TEST_F(SharingDocument, AStepCopiesTheActiveLayerAndSharesTheRest) {
  BrushStep();
  const CLayer* active = doc.GetActiveLayer();
  copier.bytes = 0;
  BrushStep();
  EXPECT_EQ(copier.bytes, BufferBytes(active->PeekImage()) + BufferBytes(active->PeekMask()));
  const CLayersManager* snapshot =
      doc.History().UndoItem(doc.History().UndoCount() - 1)->GetSnapshot();
  EXPECT_EQ(snapshot->GetLayer(0)->PeekImage(), doc.GetLayers()->GetLayer(0)->PeekImage());
  EXPECT_NE(snapshot->GetLayer(2)->PeekImage(), active->PeekImage());
  // The copy the erase brush restores from is the state before the step.
  const CLayersManager* source = doc.History().FindRestoreSource(
      doc.HistoryState().name, doc.HistoryState().currentOwns);
  EXPECT_EQ(source, snapshot);
}

TEST_F(SharingDocument, AStepNamingOtherLayersClonesThem) {
  BrushStep();
  const CLayersManagerPtr before = DeepCopy(*doc.GetLayers());
  CLayer* below = doc.GetLayers()->GetLayer(1);
  const CUndoManager::LayerList changing{below};
  copier.bytes = 0;
  ASSERT_TRUE(doc.BackupImageFor("Merge Down", true, &changing));
  EXPECT_EQ(copier.bytes, BufferBytes(below->PeekImage()) + BufferBytes(below->PeekMask()));
  Scribble(below->PeekImage(), rng);
  ASSERT_TRUE(doc.UndoRedo(false));
  doc.Queue().StopThread();
  EXPECT_EQ(StackDifference(*doc.GetLayers(), *before, false), "");
}

TEST_F(SharingDocument, AReloadedStackStartsAHistoryOfItsOwn) {
  BrushStep();
  CLayersManagerPtr read = DeepCopy(*doc.GetLayers());
  read->SetDocument(nullptr);
  Scribble(read->GetLayer(1)->PeekImage(), rng);
  const CLayersManagerPtr expected = DeepCopy(*read);
  ASSERT_EQ(doc.ReplaceLayerStack(read.get()), 1);
  doc.Queue().StopThread();
  doc.SetActiveLayerByIndex(1, true, true);
  doc.Queue().StopThread();
  BrushStep();
  BrushStep();
  ASSERT_TRUE(doc.UndoRedo(false));
  ASSERT_TRUE(doc.UndoRedo(false));
  doc.Queue().StopThread();
  EXPECT_EQ(StackDifference(*doc.GetLayers(), *expected, false), "");
}

}  // namespace
}  // namespace lumora
