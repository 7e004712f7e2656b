// The system and built-in tool executors over the portable document: each
// reads its arguments, finds the active document (and applies the run's
// active layer where it works on a layer), opens its named undo step,
// changes the layer stack and refreshes; a failed change takes its step
// back. A failure says why in the run state.
#include "lang/doc/DocumentCommands.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "document/DocumentServices.h"
#include "engine/blend/MergeModes.h"
#include "engine/layers/LayerGeometry.h"
#include "engine/pixels/Dib.h"
#include "engine/pixels/ImageLimits.h"
#include "hostapi/fragment.h"
#include "lang/LangCommand.h"
#include "lang/Lexer.h"
#include "lang/Script.h"
#include "platform/text.h"

namespace lang {

namespace {

using lumora::ImageDocument;

// One statement's reach: the site, its arguments and the run.
struct Call {
  ScriptDocumentSite& site;
  LangLexer& args;
  ScriptRunState& state;

  int Fail(std::string why) {
    state.failure = std::move(why);
    return 0;
  }
};

using Executor = int (*)(Call&);

LangExecutor Bind(ScriptDocumentSite& site, Executor executor) {
  return [&site, executor](const char* arguments, ScriptRunState& state) {
    Lex::StringIStream in(arguments);
    LangLexer lexer(in);
    Call call{site, lexer, state};
    try {
      return executor(call);
    } catch (const LexExcept&) {
      return call.Fail("an argument is missing or of the wrong kind");
    }
  };
}

ImageDocument* ActiveImage(Call& c) {
  ImageDocument* doc = c.site.ActiveDocument();
  if (doc == nullptr || !doc->HasImage()) {
    c.Fail("no active image");
    return nullptr;
  }
  return doc;
}

// The active image with the run's active layer made the document's.
ImageDocument* LayerImage(Call& c) {
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return nullptr;
  const std::int32_t index = c.state.activeLayer;
  if (index >= 0) {
    // A layer that is not there must not let the statement act on another.
    if (index >= doc->GetLayers()->GetLayerCount()) {
      c.Fail("the image has no layer " + std::to_string(index));
      return nullptr;
    }
    doc->SetActiveLayerByIndex(index, false, false);
  }
  if (doc->GetActiveLayer() == nullptr) {
    c.Fail("the image has no active layer");
    return nullptr;
  }
  return doc;
}

ImageDocument* FindByTitle(ScriptDocumentSite& site, const std::string& title) {
  for (const ScriptDocumentSite::OpenDocument& open : site.OpenDocuments())
    if (open.title == title) return open.document;
  return nullptr;
}

enum class Refresh { kImage, kResized };

// Opens the named step, makes the change (an empty answer is success, else
// why it failed) and refreshes; a failure takes the step back.
template <class Change>
int Step(Call& c, ImageDocument& doc, const char* stepName, Change change, Refresh refresh = Refresh::kImage) {
  const bool opened = doc.BackupImageByName(stepName);
  CLayersManager& stack = *doc.GetLayers();
  if (refresh == Refresh::kResized) doc.Queue().StopThread();
  const std::string why = change(stack);
  if (refresh == Refresh::kResized) {
    doc.Queue().SetImageSize(stack.GetWidth(), stack.GetHeight());
    doc.Queue().StartThread();
  }
  if (!why.empty()) {
    if (opened) doc.RevertLastBackup();
    return c.Fail(why);
  }
  if (refresh == Refresh::kResized) {
    doc.ResetDrawContextInAllViews();
    doc.NotifyImageResizedInAllViews();
  }
  doc.InvalidateImageRect(nullptr, false, true);
  doc.SetModifiedFlag(true);
  return 1;
}

std::string Unless(bool done, const char* why) { return done ? std::string() : std::string(why); }

// The name itself while no layer carries it, else a free one made from it.
std::string FreeLayerName(const CLayersManager& stack, const std::string& name) {
  return !name.empty() && !stack.IsLayerNameUsed(name, nullptr) ? name : stack.MakeUniqueLayerName(name, 0, nullptr);
}

// The angle of a statement (hundredths of a degree) as the document turns.
double DocumentAngle(std::int32_t hundredths) { return -static_cast<double>(hundredths) * 0.01; }

// ---- Whole image ----

int Resize(Call& c) {
  std::int32_t v[4];
  for (auto& x : v) x = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Step(
      c, *doc, "Resize image",
      [&](CLayersManager& stack) {
        if (v[2] > 0 && v[3] > 0)
          stack.SetResolution((static_cast<std::uint32_t>(v[2]) & 0xFFFFu) |
                              ((static_cast<std::uint32_t>(v[3]) & 0xFFFFu) << 16));
        return Unless(stack.ResizeImage(SIZE{v[0], v[1]}) == 1, "the image cannot take that size");
      },
      Refresh::kResized);
}

int CanvasSize(Call& c) {
  std::int32_t r[4];
  ReadRectArg(c.args, r);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  const RECT canvas{r[0], r[1], r[2], r[3]};
  return Step(
      c, *doc, "Canvas size",
      [&](CLayersManager& stack) { return Unless(stack.ResizeCanvas(canvas) == 0, "the canvas cannot take that rectangle"); },
      Refresh::kResized);
}

int Crop(Call& c) {
  std::int32_t v[5];
  for (auto& x : v) x = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  const std::int64_t right = static_cast<std::int64_t>(v[0]) + v[2];
  const std::int64_t bottom = static_cast<std::int64_t>(v[1]) + v[3];
  if (v[2] <= 0 || v[3] <= 0 || right > std::numeric_limits<std::int32_t>::max() ||
      bottom > std::numeric_limits<std::int32_t>::max())
    return c.Fail("the crop rectangle is empty or too large");
  const RECT crop{v[0], v[1], static_cast<LONG>(right), static_cast<LONG>(bottom)};
  return Step(
      c, *doc, "Crop",
      [&](CLayersManager& stack) { return Unless(stack.CropImage(crop, 255, 255, 255) == 1, "the image cannot be cropped so"); },
      Refresh::kResized);
}

int Rotate(Call& c) {
  const std::int32_t angle = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Step(
      c, *doc, "Rotate image",
      [&](CLayersManager& stack) { return Unless(stack.RotateImage(DocumentAngle(angle), 0) == 1, "the image cannot be rotated"); },
      Refresh::kResized);
}

int FlipImage(Call& c) {
  const std::int32_t horizontal = ReadIntArg(c.args);
  const std::int32_t vertical = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Step(c, *doc, "Rotate image", [&](CLayersManager& stack) {
    return Unless(stack.FlipImage(horizontal, vertical) == 1, "the image cannot be flipped");
  });
}

int MergeVisibleLayers(Call& c) {
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  doc->LeaveMaskEditMode(true);
  return Step(c, *doc, "Merge layers", [](CLayersManager& stack) {
    const int code = stack.MergeAll(0);
    return Unless(code == 0 || code == 1, "the visible layers cannot be merged");
  });
}

int FlattenImage(Call& c) {
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  if (doc->GetLayers()->IsFlat()) return 1;
  doc->LeaveMaskEditMode(true);
  return Step(c, *doc, "Flatten image", [](CLayersManager& stack) {
    const int code = stack.Flatten(255, 255, 255);
    return Unless(code == 0 || code == 1, "the image cannot be flattened");
  });
}

// ---- Layers ----

// A layer name of a statement: scripts are 8-bit text, layer names UTF-8.
std::string LayerNameArg(Call& c) { return lumora::AnsiToUtf8(ReadStringArg(c.args)); }

int CreateNewLayer(Call& c) {
  const std::string name = LayerNameArg(c);
  const std::string mode = ReadStringArg(c.args);
  const std::int32_t opacity = ReadIntArg(c.args);
  const std::int32_t grouped = ReadIntArg(c.args);
  const std::int32_t filled = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Step(c, *doc, "New layer", [&](CLayersManager& stack) {
    LAYER_INFO info;
    info.name = name;
    InitLayerInfo(info);
    info.name = FreeLayerName(stack, name);
    info.mergeMode = GetMergeModeByName(mode);
    info.opacity = std::clamp(opacity, 0, 100);
    info.grouped = grouped != 0;
    // A filled layer is opaque white; otherwise it starts transparent.
    CLayerPtr layer = CLayerPtr::Adopt(stack.CreateFilledLayer(info, 0xFFFFFFu, 0));
    if (!layer) return std::string("the layer cannot be made");
    if (layer->CreateMask(filled != 0 ? 1 : 0) != 0) return std::string("the layer's mask cannot be made");
    CLayer* below = stack.GetActiveLayer();
    if (!stack.InsertLayer(below, layer.get())) return std::string("the image refuses the layer");
    CLayer* inserted = layer.Detach();  // the stack holds it now
    stack.SetActiveLayer(inserted);
    return std::string();
  });
}

int SetLayerOptions(Call& c) {
  const std::string name = LayerNameArg(c);
  const std::string mode = ReadStringArg(c.args);
  const std::int32_t opacity = ReadIntArg(c.args);
  std::uint32_t ranges[8];
  for (auto& r : ranges) r = static_cast<std::uint32_t>(ReadIntArg(c.args));
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Step(c, *doc, "Layer tunning", [&](CLayersManager& stack) {
    CLayer* layer = stack.GetActiveLayer();
    LAYER_INFO info = layer->GetLayerInfo();
    info.name = name;
    info.mergeMode = GetMergeModeByName(mode);
    info.opacity = std::clamp(opacity, 0, 100);
    // Each word holds one row of four bytes, the first in the low byte.
    for (int i = 0; i < 8; ++i)
      for (int b = 0; b < 4; ++b) info.blendIf[i][b] = static_cast<std::uint8_t>(ranges[i] >> (8 * b));
    layer->SetLayerInfo(info);
    return std::string();
  });
}

int DeleteLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Step(c, *doc, "Delete layer", [](CLayersManager& stack) {
    return Unless(stack.DeleteLayer(stack.GetActiveLayer()) == 0, "the layer cannot be deleted (the only one)");
  });
}

// A mask fragment over the image of the run's selection (its inversion
// kept); null when there is none.
Fragment* SelectionMask(const Fragment* selection, const CLayersManager& stack) {
  const LURECT whole{0, 0, stack.GetWidth(), stack.GetHeight()};
  Fragment* mask = CreateEmptyMask(&whole);
  if (mask == nullptr) return nullptr;
  PutFragmentToMask(mask, selection, kFrgAdd);
  SetFrgInversion(mask, IsFrgInverted(selection));
  return mask;
}

// The selected area of the active layer as a new layer (cut: taken out of
// the layer); the caller's reference, null when nothing is selected there.
CLayer* LiftSelection(const Fragment* selection, CLayersManager& stack, int cut) {
  Fragment* mask = SelectionMask(selection, stack);
  if (mask == nullptr) return nullptr;
  CLayer* lifted = stack.GetActiveLayer()->CreateLayerFromSelection(mask, cut);
  DeleteFragment(mask);
  return lifted;
}

int CopyToNewLayer(Call& c) {
  const std::int32_t cut = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (c.state.selection == nullptr) return c.Fail("no selection");
  return Step(c, *doc, "New layer", [&](CLayersManager& stack) {
    CLayerPtr layer = CLayerPtr::Adopt(LiftSelection(c.state.selection, stack, cut != 0));
    if (!layer) return std::string("nothing of the layer is selected");
    layer->SetName(stack.MakeUniqueLayerName(stack.GetActiveLayer()->GetName(), 1, nullptr));
    if (!stack.InsertLayer(stack.GetActiveLayer(), layer.get())) return std::string("the image refuses the layer");
    stack.SetActiveLayer(layer.Detach());
    return std::string();
  });
}

int ClearSelection(Call& c) {
  const std::int32_t degree = ReadIntArg(c.args);
  const std::int32_t type = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (c.state.selection == nullptr) return c.Fail("no selection");
  // The edge goes on a copy: the run's own selection keeps its edge.
  Fragment* edged = CreateFragmentIndirect(c.state.selection);
  if (edged == nullptr) return c.Fail("no memory for the selection");
  SetSmoothEdge(edged, degree, type, nullptr);
  const int result = Step(c, *doc, "Clear", [&](CLayersManager& stack) {
    InitAccessToSmoothedEdge(edged);
    // Cutting the area out of the layer clears it; the lifted copy goes.
    CLayerPtr lifted = CLayerPtr::Adopt(LiftSelection(edged, stack, 1));
    FreeAccessToSmoothedEdge(edged);
    return Unless(static_cast<bool>(lifted), "nothing of the layer is selected");
  });
  DeleteFragment(edged);
  return result;
}

constexpr char kNoSelectedTransform[] =
    "turning or mirroring a selected area needs the transform frames, which are not built yet";

// Builds the active layer's new geometry and swaps it in under the lock.
template <class Build>
std::string ChangeLayerGeometry(ImageDocument& doc, CLayersManager& stack, Build build) {
  lumora::LayerChange change;
  if (!build(*stack.GetActiveLayer(), change)) return "the layer cannot be changed so";
  lumora::DocumentLockScope lock(&doc);
  lumora::SwapIn(stack.GetActiveLayer(), &change);
  return std::string();
}

int FlipLayer(Call& c) {
  const std::int32_t horizontal = ReadIntArg(c.args);
  const std::int32_t vertical = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (c.state.selection != nullptr) return c.Fail(kNoSelectedTransform);
  return Step(c, *doc, "Flip layer", [&](CLayersManager& stack) {
    return ChangeLayerGeometry(*doc, stack, [&](const CLayer& layer, lumora::LayerChange& change) {
      return lumora::BuildFlip(layer, horizontal != 0, vertical != 0, lumora::LayerProgress{}, &change);
    });
  });
}

int RotateLayer(Call& c) {
  const std::int32_t angle = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (c.state.selection != nullptr) return c.Fail(kNoSelectedTransform);
  return Step(c, *doc, "Rotate layer", [&](CLayersManager& stack) {
    return ChangeLayerGeometry(*doc, stack, [&](const CLayer& layer, lumora::LayerChange& change) {
      POINT centre{};
      layer.GetContentCenter(&centre);
      return lumora::BuildRotate(layer, DocumentAngle(angle), 0, centre, true, lumora::LayerProgress{}, &change);
    });
  });
}

// The active layer's mask made from the run's selection: the selected area
// shown (reveal) or hidden, the rest the other way; the selection's soft
// edge carries over.
int AddLayerMaskWithSelection(Call& c) {
  const std::int32_t reveal = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (c.state.selection == nullptr) return c.Fail("no selection");
  return Step(c, *doc, "New mask", [&](CLayersManager& stack) {
    CLayer* layer = stack.GetActiveLayer();
    Fragment* fragment = SelectionMask(c.state.selection, stack);
    if (fragment == nullptr) return std::string("no memory for the selection");
    const bool inverted = IsFrgInverted(fragment) != 0;
    WAPtr coverage = WAPtr::Adopt(GetMaskWA(fragment));
    DeleteFragment(fragment);
    if (!coverage) return std::string("no memory for the selection");
    if (layer->CreateMask(1) != 0) return std::string("the layer's mask cannot be made");
    POINT origin{};
    WAPtr mask = layer->GetMask(&origin);
    lumora::DocumentLockScope lock(doc);
    for (LONG y = 0; y < mask->GetH(); ++y) {
      std::uint8_t* row = mask->Row(y);
      const LONG imageY = origin.y + y;
      const bool rowInside = imageY >= 0 && imageY < coverage->GetH();
      for (LONG x = 0; x < mask->GetW(); ++x) {
        const LONG imageX = origin.x + x;
        int selected = rowInside && imageX >= 0 && imageX < coverage->GetW() ? coverage->Row(imageY)[imageX] : 0;
        if (inverted) selected = 255 - selected;
        row[x] = static_cast<std::uint8_t>(reveal != 0 ? selected : 255 - selected);
      }
    }
    return std::string();
  });
}

template <unsigned (CLayersManager::*Arrange)(CLayer*)>
int ArrangeLayer(Call& c, const char* stepName) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Step(c, *doc, stepName, [](CLayersManager& stack) {
    return Unless((stack.*Arrange)(stack.GetActiveLayer()) <= 1, "the layer cannot be moved");
  });
}

int AlignOrDistribute(Call& c, bool distribute) {
  using Arrange = unsigned (CLayersManager::*)(CLayer*);
  static constexpr Arrange kAlign[6] = {&CLayersManager::AlignLinkedTop,    &CLayersManager::AlignLinkedVCenter,
                                        &CLayersManager::AlignLinkedBottom, &CLayersManager::AlignLinkedLeft,
                                        &CLayersManager::AlignLinkedHCenter, &CLayersManager::AlignLinkedRight};
  static constexpr Arrange kDistribute[6] = {
      &CLayersManager::DistributeLinkedTop,  &CLayersManager::DistributeLinkedVCenter,
      &CLayersManager::DistributeLinkedBottom, &CLayersManager::DistributeLinkedLeft,
      &CLayersManager::DistributeLinkedHCenter, &CLayersManager::DistributeLinkedRight};
  const std::int32_t choice = ReadIntArg(c.args);
  if (choice < 0 || choice > 5) return c.Fail("the choice must be 0 to 5");
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  const Arrange arrange = (distribute ? kDistribute : kAlign)[choice];
  return Step(c, *doc, distribute ? "Distrubute layer" : "Allign layer", [&](CLayersManager& stack) {
    return Unless((stack.*arrange)(stack.GetActiveLayer()) <= 1, "the linked layers cannot be arranged");
  });
}

int MergeLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  doc->LeaveMaskEditMode(true);
  return Step(c, *doc, "Merge layers", [](CLayersManager& stack) {
    CLayer* active = stack.GetActiveLayer();
    std::vector<CLayer*> linked;
    for (int i = 0; i < stack.GetLayerCount(); ++i) {
      CLayer* layer = stack.GetLayer(i);
      if (layer == active || (active->GetLinkId() != 0 && layer->GetLinkId() == active->GetLinkId()))
        linked.push_back(layer);
    }
    if (linked.size() < 2) return std::string("the layer is linked with no other");
    LAYER_INFO info = active->GetLayerInfo();
    InitLayerInfo(info);
    CLayerPtr merged = CLayerPtr::Adopt(stack.MergeLayers(linked, info, 0, RECT{}));
    if (!merged) return std::string("the linked layers cannot be merged");
    if (!stack.InsertLayer(linked.back(), merged.get())) return std::string("the image refuses the merged layer");
    CLayer* kept = merged.Detach();
    for (CLayer* layer : linked) stack.DeleteLayer(layer);
    stack.SetActiveLayer(kept);
    return std::string();
  });
}

// Changes one attribute of the active layer's record.
template <class Edit>
int EditLayerInfo(Call& c, const char* stepName, Edit edit) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Step(c, *doc, stepName, [&](CLayersManager& stack) {
    CLayer* layer = stack.GetActiveLayer();
    LAYER_INFO info = layer->GetLayerInfo();
    edit(info);
    layer->SetLayerInfo(info);
    return std::string();
  });
}

int LayerWEB(Call& c) {
  const std::string link = ReadStringArg(c.args);
  return EditLayerInfo(c, "Layer WEB link", [&](LAYER_INFO& info) { info.linkText = link; });
}

int ShowLayer(Call& c, int show) {
  return EditLayerInfo(c, "Show/hide layer", [&](LAYER_INFO& info) { info.visible = show; });
}

int ChangeLayerMergeMode(Call& c) {
  const std::string mode = ReadStringArg(c.args);
  return EditLayerInfo(c, "Change layer merge mode",
                       [&](LAYER_INFO& info) { info.mergeMode = GetMergeModeByName(mode); });
}

// A lock flag of the active layer's record from the statement's integer.
template <std::int32_t LAYER_INFO::*Field>
int LockLayerField(Call& c, const char* stepName) {
  const std::int32_t locked = ReadIntArg(c.args) != 0;
  return EditLayerInfo(c, stepName, [&](LAYER_INFO& info) { info.*Field = locked; });
}

int SetLayerOpacity(Call& c) {
  const std::int32_t opacity = ReadIntArg(c.args);
  if (opacity < 0 || opacity > 100) return c.Fail("the opacity must be 0 to 100");
  return EditLayerInfo(c, "Set layer opacity", [&](LAYER_INFO& info) { info.opacity = opacity; });
}

int GroupLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (!doc->GetLayers()->CanGroupWithPrevious()) return c.Fail("the layer cannot be grouped with the one below");
  return Step(c, *doc, "Group layers", [](CLayersManager& stack) {
    stack.GroupWithPrevious();
    return std::string();
  });
}

int UngroupLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (!doc->GetLayers()->CanUngroup()) return c.Fail("the layer is in no group");
  return Step(c, *doc, "Ungroup layers", [](CLayersManager& stack) {
    stack.UngroupActive();
    return std::string();
  });
}

int AddLayerMask(Call& c) {
  const std::int32_t reveal = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (doc->GetActiveLayer()->HasMask()) return 1;
  return Step(c, *doc, reveal != 0 ? "Reveale all" : "Hide all", [&](CLayersManager& stack) {
    return Unless(stack.GetActiveLayer()->CreateMask(reveal != 0 ? 1 : 0) == 0, "the layer's mask cannot be made");
  });
}

int EnableLayerMask(Call& c) {
  const std::int32_t enable = ReadIntArg(c.args) != 0;
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  CLayer* layer = doc->GetActiveLayer();
  if (!layer->HasMask()) return c.Fail("the layer has no mask");
  if (layer->IsMaskEnabled() == enable) return 1;
  layer->EnableMask(enable);
  doc->InvalidateImageRect(nullptr, false, true);
  doc->SetModifiedFlag(true);
  return 1;
}

int RemoveLayerMask(Call& c) {
  const std::int32_t apply = ReadIntArg(c.args) != 0;
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (!doc->GetActiveLayer()->HasMask()) return c.Fail("the layer has no mask");
  return Step(c, *doc, "Remove mask", [&](CLayersManager& stack) {
    return Unless(stack.GetActiveLayer()->RemoveMask(apply, 0, 0xFFFFFFu, 0) == 0, "the mask cannot be removed");
  });
}

int EditLayerMask(Call& c) {
  const std::int32_t edit = ReadIntArg(c.args) != 0;
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (!doc->GetActiveLayer()->HasMask()) return c.Fail("the layer has no mask");
  doc->GetActiveLayer()->SetEditMask(edit);
  if (edit)
    doc->EnterMaskEditMode(true);
  else
    doc->LeaveMaskEditMode(true);
  doc->SetModifiedFlag(true);
  return 1;
}

int AddLayerLink(Call& c) {
  const std::int32_t index = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  CLayer* layer = doc->GetLayers()->GetLayer(index);
  if (layer == nullptr) return c.Fail("the image has no layer " + std::to_string(index));
  if (layer == doc->GetActiveLayer()) return c.Fail("a layer is not linked with itself");
  return Step(c, *doc, "Add layer link", [&](CLayersManager& stack) {
    stack.LinkWithActive(layer);
    return std::string();
  });
}

int DeleteLayerLink(Call& c) {
  const std::int32_t index = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  CLayer* layer = doc->GetLayers()->GetLayer(index);
  if (layer == nullptr) return c.Fail("the image has no layer " + std::to_string(index));
  if (layer->GetLinkId() == 0) return c.Fail("the layer is not linked");
  return Step(c, *doc, "Delete layer link", [&](CLayersManager& stack) {
    stack.UnlinkLayer(layer);
    return std::string();
  });
}

// ---- Documents ----

int DuplicateImage(Call& c) {
  const std::string title = ReadStringArg(c.args);
  const std::int32_t merged = ReadIntArg(c.args);
  if (FindByTitle(c.site, title) != nullptr) return c.Fail("an open image is titled \"" + title + "\"");
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  const bool merge = merged != 0 && doc->GetLayers()->GetLayerCount() > 1;
  const lumora::DocumentCopy copy = lumora::CopyDocumentStack(*doc, merge);
  if (!copy.stack) return c.Fail("the image cannot be copied");
  return c.site.NewDocument(lumora::StackCreationRecord(copy.stack.get()), title) != nullptr
             ? 1
             : c.Fail("the copy cannot be opened");
}

int DuplicateLayer(Call& c) {
  const std::string target = ReadStringArg(c.args);
  const std::string name = LayerNameArg(c);
  ReadIntArg(c.args);  // kept for the recorded statement; the copy takes no option
  ImageDocument* to = FindByTitle(c.site, target);
  if (to == nullptr || !to->HasImage()) return c.Fail("no open image is titled \"" + target + "\"");
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  CLayerPtr copy = CLayerPtr::Adopt(doc->GetActiveLayer()->CreateCopy());
  return Step(c, *to, "Duplicate layer", [&](CLayersManager& stack) {
    copy->SetName(FreeLayerName(stack, name));
    if (stack.AddLayer(copy.get()) != 0) return std::string("the image refuses the layer");
    stack.SetActiveLayer(copy.get());
    return std::string();
  });
}

int ActivateImage(Call& c) {
  const std::string title = ReadStringArg(c.args);
  ImageDocument* doc = FindByTitle(c.site, title);
  if (doc == nullptr) return c.Fail("no open image is titled \"" + title + "\"");
  c.site.ActivateDocument(*doc);
  return 1;
}

int CreateNewImage(Call& c) {
  const std::string title = ReadStringArg(c.args);
  std::int32_t v[4];
  for (auto& x : v) x = ReadIntArg(c.args);
  const std::uint32_t colour = ReadColorArg(c.args);
  for (const std::int32_t x : v)
    if (x <= 0) return c.Fail("width, height and resolutions must be above 0");
  if (!lumora::IsImageSize(v[0], v[1])) return c.Fail("width and height must be 1 to 30000 pixels");
  if (FindByTitle(c.site, title) != nullptr) return c.Fail("an open image is titled \"" + title + "\"");
  lumora::CreationRecord record;
  record.kind = 2;
  record.a = static_cast<std::uint32_t>(v[0]);
  record.b = static_cast<std::uint32_t>(v[1]);
  record.c = ((static_cast<std::uint32_t>(v[3]) & 0xFFFFu) << 16) | (static_cast<std::uint32_t>(v[2]) & 0xFFFFu);
  record.d = colour;
  return c.site.NewDocument(record, title) != nullptr ? 1 : c.Fail("the image cannot be made");
}

// ---- System ----

int OpenImage(Call& c) {
  const std::string path = ReadStringArg(c.args);
  if (c.site.OpenDocumentFile(path) == nullptr) return c.Fail("\"" + path + "\" cannot be opened");
  c.state.FreeSelection();
  return 1;
}

int SaveImage(Call& c) {
  const std::string path = ReadStringArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  // A copy: the document keeps its own name and path; the saving shows its
  // own messages, and a save that wrote nothing stops the run.
  if (lumora::SaveToFile(*doc, path, false, c.site.FileHost(*doc)) == 0) {
    return c.Fail("\"" + path + "\" cannot be written");
  }
  return 1;
}

int BeginSequence(Call& c) {
  std::string path = ReadStringArg(c.args);
  if (path.size() > 259) path.resize(259);
  // Frame names fit eight characters: five of the name and three digits.
  const std::size_t cut = path.find_last_of("\\/");
  const std::size_t name = cut == std::string::npos ? 0 : cut + 1;
  if (path.size() - name > 5) path.resize(name + 5);
  c.state.sequenceBasePath = path;
  c.state.sequenceCounter = 0;
  return 1;
}

int EndSequence(Call& c) {
  c.state.sequenceBasePath.clear();
  c.state.sequenceCounter = 0;
  return 1;
}

template <int Kind>
int AddToSequence(Call& c) {
  static constexpr const char* kExtensions[] = {".DIB", ".TGA", ".JPG"};
  ++c.state.sequenceCounter;
  char number[16];
  std::snprintf(number, sizeof number, "%03d", static_cast<int>(c.state.sequenceCounter));
  const std::string path = c.state.sequenceBasePath + number + kExtensions[Kind];
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return lumora::SaveToFile(*doc, path, false, c.site.FileHost(*doc)) != 0 ? 1
                                                                        : c.Fail("frame \"" + path + "\" cannot be written");
}

int Undo(Call& c) {
  if (ImageDocument* doc = c.site.ActiveDocument()) doc->UndoRedo(false);
  return 1;
}

int CloseImage(Call& c) {
  if (ImageDocument* doc = c.site.ActiveDocument()) {
    doc->SetModifiedFlag(false);
    c.site.CloseDocument(*doc);
  }
  return 1;
}

int PasteAsNewImage(Call& c) {
  const std::vector<std::uint8_t> dib = c.site.GetDibFromClipboard();
  if (dib.empty()) return c.Fail("the clipboard holds no bitmap");
  WAPtr image = WAPtr::Adopt(DIBToImage(dib.data(), dib.size(), 0));
  if (!image) return c.Fail("the clipboard's bitmap cannot be read");
  return c.site.NewDocument(lumora::ImageCreationRecord(image.get(), ""), "") != nullptr
             ? 1
             : c.Fail("the clipboard's bitmap cannot be opened");
}

int CopyImage(Call& c) {
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  const WAPtr image = doc->GetActiveImage();
  if (!image) return c.Fail("the image has no active layer");
  const std::vector<std::uint8_t> dib =
      ImageToDIBBytes(image.get(), RECT{0, 0, image->GetW(), image->GetH()});
  if (dib.empty()) return c.Fail("the image has no bitmap form");
  return c.site.PutDibOnClipboard(dib) ? 1 : c.Fail("the clipboard cannot be opened");
}

// What exists only with a subsystem still to come.
template <const char* What>
int Missing(Call& c) {
  return c.Fail(What);
}

// Each names the command the statement replays, so the user knows what is missing.
constexpr char kNoEdges[] =
    "Edges replays the command Layer/Edges..., which is not built yet: nothing was changed";
constexpr char kNoTransform[] =
    "TransformLayer replays the command Layer/Transform/Numeric Transform... (and the transform frames), "
    "which is not built yet: nothing was changed";

}  // namespace

void InstallDocumentExecutors(LangCommandSet& commands, ScriptDocumentSite& site) {
  struct Entry {
    int n;
    Executor executor;
  };
  static constexpr Entry kSystem[] = {
      {0, OpenImage},       {1, SaveImage},        {2, BeginSequence}, {3, AddToSequence<0>}, {4, EndSequence},
      {5, BeginSequence},   {6, AddToSequence<1>}, {7, EndSequence},   {8, BeginSequence},    {9, AddToSequence<2>},
      {10, EndSequence},    {11, Undo},            {12, CloseImage},   {13, PasteAsNewImage}, {14, CopyImage}};
  static constexpr Entry kBuiltin[] = {
      {0, Resize},
      {1, CanvasSize},
      {2, Crop},
      {3, Crop},
      {4, Rotate},
      {5, Rotate},
      {6, FlipImage},
      {7, Missing<kNoEdges>},
      {8, CreateNewLayer},
      {9, SetLayerOptions},
      {10, DeleteLayer},
      {11, CopyToNewLayer},
      {19, Missing<kNoTransform>},
      {20, FlipLayer},
      {21, RotateLayer},
      {27, AddLayerMask},
      {28, AddLayerMaskWithSelection},
      {29, EnableLayerMask},
      {30, RemoveLayerMask},
      {31, GroupLayer},
      {32, UngroupLayer},
      {33, [](Call& c) { return ArrangeLayer<&CLayersManager::BringToFront>(c, "Bring layer to front"); }},
      {34, [](Call& c) { return ArrangeLayer<&CLayersManager::BringForward>(c, "Bring layer forward"); }},
      {35, [](Call& c) { return ArrangeLayer<&CLayersManager::SendToBack>(c, "Send layer to back"); }},
      {36, [](Call& c) { return ArrangeLayer<&CLayersManager::SendBackward>(c, "Send layer backward"); }},
      {37, [](Call& c) { return AlignOrDistribute(c, false); }},
      {38, [](Call& c) { return AlignOrDistribute(c, true); }},
      {99, MergeLayer},
      {100, MergeVisibleLayers},
      {101, FlattenImage},
      {102, LayerWEB},
      {200, [](Call& c) { return ShowLayer(c, 1); }},
      {201, [](Call& c) { return ShowLayer(c, 0); }},
      {202, EditLayerMask},
      {203, AddLayerLink},
      {204, DeleteLayerLink},
      {205, ChangeLayerMergeMode},
      {206, [](Call& c) { return LockLayerField<&LAYER_INFO::lockTransparency>(c, "Lock/unlock layer pixels"); }},
      {207, [](Call& c) { return LockLayerField<&LAYER_INFO::lockPosition>(c, "Lock/unlock layer position"); }},
      {208, SetLayerOpacity},
      {209, ClearSelection},
      {210, DuplicateImage},
      {211, DuplicateLayer},
      {212, ActivateImage},
      {213, CreateNewImage}};
  for (const Entry& e : kSystem) commands.System(e.n).SetExecutor(Bind(site, e.executor));
  for (const Entry& e : kBuiltin)
    if (ToolBICommand* command = commands.BuiltinTool(e.n)) command->SetExecutor(Bind(site, e.executor));
}

}  // namespace lang
