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
#include "res/StringTable.h"
#include "res/resource.h"

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

// The document operation's answer as the statement's: done, or why not.
int Done(Call& c, bool done, std::string why) { return done ? 1 : c.Fail(std::move(why)); }

// The angle of a statement (hundredths of a degree) as the document turns.
// Divided, not multiplied by 0.01, so that 230 gives exactly the 2.3 the
// user typed when it was recorded.
double DocumentAngle(std::int32_t hundredths) { return -static_cast<double>(hundredths) / 100.0; }

// ---- Whole image ----

int Resize(Call& c) {
  std::int32_t v[4];
  for (auto& x : v) x = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->ResizeImage(v[0], v[1], v[2], v[3]), "the image cannot take that size");
}

int CanvasSize(Call& c) {
  std::int32_t r[4];
  ReadRectArg(c.args, r);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->ResizeCanvas(RECT{r[0], r[1], r[2], r[3]}), "the canvas cannot take that rectangle");
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
  return Done(c, doc->RotateImage(DocumentAngle(angle), 0), "the image cannot be rotated");
}

int FlipImage(Call& c) {
  const std::int32_t horizontal = ReadIntArg(c.args);
  const std::int32_t vertical = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->FlipImage(horizontal != 0, vertical != 0), "the image cannot be flipped");
}

int MergeVisibleLayers(Call& c) {
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->MergeVisible(), "the visible layers cannot be merged");
}

int FlattenImage(Call& c) {
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->FlattenImage(), "the image cannot be flattened");
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
  return Done(c, doc->NewLayer(name, mode, opacity, filled != 0, grouped != 0), "the layer cannot be made");
}

int SetLayerOptions(Call& c) {
  const std::string name = LayerNameArg(c);
  const std::string mode = ReadStringArg(c.args);
  const std::int32_t opacity = ReadIntArg(c.args);
  std::uint32_t ranges[8];
  for (auto& r : ranges) r = static_cast<std::uint32_t>(ReadIntArg(c.args));
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  // Each word holds one row of four bytes, the first in the low byte.
  std::uint8_t blendIf[8][4];
  for (int i = 0; i < 8; ++i)
    for (int b = 0; b < 4; ++b) blendIf[i][b] = static_cast<std::uint8_t>(ranges[i] >> (8 * b));
  return Done(c, doc->TuneLayer(name, mode, opacity, blendIf), "the layer's options cannot be set");
}

int DeleteLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->DeleteActiveLayer(), "the layer cannot be deleted (the only one)");
}

Fragment* NeedSelection(Call& c) {
  if (c.state.selection == nullptr) c.Fail("no selection");
  return c.state.selection;
}

int CopyToNewLayer(Call& c) {
  const std::int32_t cut = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  Fragment* selection = NeedSelection(c);
  if (selection == nullptr) return 0;
  return Done(c, doc->NewLayerViaCopy(selection, cut != 0), "nothing of the layer is selected");
}

int ClearSelection(Call& c) {
  const std::int32_t degree = ReadIntArg(c.args);
  const std::int32_t type = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (NeedSelection(c) == nullptr) return 0;
  // The edge goes on a copy: the run's own selection keeps its edge.
  Fragment* edged = CreateFragmentIndirect(c.state.selection);
  if (edged == nullptr) return c.Fail("no memory for the selection");
  SetSmoothEdge(edged, degree, type, nullptr);
  const bool done = doc->ClearSelection(edged);
  DeleteFragment(edged);
  return Done(c, done, "the selected area cannot be cleared");
}

int TransformLayer(Call& c) {
  std::int32_t k = ReadIntArg(c.args), scale = ReadIntArg(c.args), skew = ReadIntArg(c.args),
               rotate = ReadIntArg(c.args);
  std::int32_t points[6][2];
  for (auto& p : points) ReadPointArg(c.args, p);
  const std::int32_t angle = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  // The kind says how the result is placed at the first point: 0 where
  // the stages leave it, 1 at it, 2 moved by it.
  lumora::LayerTransformPlan plan;
  plan.moveMode = k >= 0 && k <= 2 ? k : 0;
  plan.move = POINT{points[0][0], points[0][1]};
  plan.scale = scale != 0;
  plan.width = points[1][0];
  plan.height = points[1][1];
  plan.skew = skew != 0;
  for (int i = 0; i < 4; ++i) plan.corners[i] = POINT{points[2 + i][0], points[2 + i][1]};
  plan.rotate = rotate != 0;
  plan.angle = DocumentAngle(angle);
  return Done(c, doc->NumericLayerTransform(c.state.selection, plan), "the layer cannot be transformed so");
}

// The same refusals, in the same order, as Layer/Edges... gives.
int Edges(Call& c) {
  const std::int32_t templateId = ReadIntArg(c.args);
  const std::int32_t lighting = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  const auto* layer = doc->GetActiveLayer();
  if (layer->HasMask() == 0) return c.Fail("the layer has no mask");
  if (layer->IsTransparencyLocked() != 0) return c.Fail("the layer's transparency is locked");
  if (lighting < 0 || lighting > 4) return c.Fail("lighting " + std::to_string(lighting) + " is not 0 to 4");
  const MaskShape shape = templateId > 0 ? c.site.EdgeTemplate(static_cast<std::uint32_t>(templateId)) : MaskShape{};
  if (!shape) return c.Fail("there is no edge template " + std::to_string(templateId));
  return Done(c, doc->ApplyEdge(shape, lighting, std::string(res::String(IDS_SHADOW))), "the edge cannot be applied");
}

int FlipLayer(Call& c) {
  const std::int32_t horizontal = ReadIntArg(c.args);
  const std::int32_t vertical = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->DoFlipLayer(c.state.selection, horizontal != 0, vertical != 0), "the layer cannot be flipped");
}

int RotateLayer(Call& c) {
  const std::int32_t angle = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->DoRotateLayer(c.state.selection, DocumentAngle(angle)), "the layer cannot be turned");
}

int AddLayerMaskWithSelection(Call& c) {
  const std::int32_t reveal = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  Fragment* selection = NeedSelection(c);
  if (selection == nullptr) return 0;
  return Done(c, doc->NewMaskFromSelection(selection, reveal != 0), "the layer's mask cannot be made");
}

template <bool (ImageDocument::*Arrange)()>
int ArrangeLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, (doc->*Arrange)(), "the layer cannot be moved");
}

int AlignOrDistribute(Call& c, bool distribute) {
  const std::int32_t choice = ReadIntArg(c.args);
  if (choice < 0 || choice > 5) return c.Fail("the choice must be 0 to 5");
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  const bool done = distribute ? doc->DistributeLinkedLayers(choice) : doc->AlignLinkedLayers(choice);
  return Done(c, done, "the layer is linked with no other or none of its pixels is more than half opaque");
}

int MergeLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->MergeLinked(), "the layers cannot be merged");
}

int LayerWEB(Call& c) {
  const std::string link = ReadStringArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->SetLayerWebLink(link), "the link cannot be set");
}

int ShowLayer(Call& c, bool show) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->ShowLayer(show), "the layer cannot be shown or hidden");
}

int ChangeLayerMergeMode(Call& c) {
  const std::string mode = ReadStringArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->SetLayerMergeMode(mode), "the merge mode cannot be set");
}

template <bool (ImageDocument::*Lock)(bool, bool)>
int LockLayerField(Call& c) {
  const bool locked = ReadIntArg(c.args) != 0;
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, (doc->*Lock)(locked, true), "the lock cannot be set");
}

int SetLayerOpacity(Call& c) {
  const std::int32_t opacity = ReadIntArg(c.args);
  if (opacity < 0 || opacity > 100) return c.Fail("the opacity must be 0 to 100");
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->SetLayerOpacity(opacity, true), "the opacity cannot be set");
}

int GroupLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->GroupWithPrevious(), "the layer cannot be grouped with the one below");
}

int UngroupLayer(Call& c) {
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->Ungroup(), "the layer is in no group");
}

int AddLayerMask(Call& c) {
  const std::int32_t reveal = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->AddLayerMask(reveal != 0), "the layer has a mask already or none can be made");
}

int EnableLayerMask(Call& c) {
  const bool enable = ReadIntArg(c.args) != 0;
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->EnableLayerMask(enable), "the layer has no mask");
}

int RemoveLayerMask(Call& c) {
  const bool apply = ReadIntArg(c.args) != 0;
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->RemoveLayerMask(apply), "the layer has no mask or it cannot be removed");
}

int EditLayerMask(Call& c) {
  const bool edit = ReadIntArg(c.args) != 0;
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->EditLayerMask(edit), "the layer has no mask");
}

int AddLayerLink(Call& c) {
  const std::int32_t index = ReadIntArg(c.args);
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  if (doc->GetLayers()->GetLayer(index) == nullptr) return c.Fail("the image has no layer " + std::to_string(index));
  return Done(c, doc->AddLayerLink(index), "a layer is not linked with itself");
}

int DeleteLayerLink(Call& c) {
  const std::int32_t index = ReadIntArg(c.args);
  ImageDocument* doc = ActiveImage(c);
  if (doc == nullptr) return 0;
  if (doc->GetLayers()->GetLayer(index) == nullptr) return c.Fail("the image has no layer " + std::to_string(index));
  return Done(c, doc->DeleteLayerLink(index), "the layer is not linked");
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
  const std::int32_t activate = ReadIntArg(c.args);
  ImageDocument* to = FindByTitle(c.site, target);
  if (to == nullptr || !to->HasImage()) return c.Fail("no open image is titled \"" + target + "\"");
  ImageDocument* doc = LayerImage(c);
  if (doc == nullptr) return 0;
  return Done(c, doc->DuplicateLayer(name, to, activate != 0), "the layer cannot be copied into \"" + target + "\"");
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
  if (path.empty()) return c.Fail("no file name is given");
  // A copy: the document keeps its own name and path. The saving shows its
  // own messages; whatever it gave, the run goes on.
  lumora::SaveToFile(*doc, path, false, c.site.FileHost(*doc));
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
      {7, Edges},
      {8, CreateNewLayer},
      {9, SetLayerOptions},
      {10, DeleteLayer},
      {11, CopyToNewLayer},
      {19, TransformLayer},
      {20, FlipLayer},
      {21, RotateLayer},
      {27, AddLayerMask},
      {28, AddLayerMaskWithSelection},
      {29, EnableLayerMask},
      {30, RemoveLayerMask},
      {31, GroupLayer},
      {32, UngroupLayer},
      {33, ArrangeLayer<&ImageDocument::BringToFront>},
      {34, ArrangeLayer<&ImageDocument::BringForward>},
      {35, ArrangeLayer<&ImageDocument::SendToBack>},
      {36, ArrangeLayer<&ImageDocument::SendBackward>},
      {37, [](Call& c) { return AlignOrDistribute(c, false); }},
      {38, [](Call& c) { return AlignOrDistribute(c, true); }},
      {99, MergeLayer},
      {100, MergeVisibleLayers},
      {101, FlattenImage},
      {102, LayerWEB},
      {200, [](Call& c) { return ShowLayer(c, true); }},
      {201, [](Call& c) { return ShowLayer(c, false); }},
      {202, EditLayerMask},
      {203, AddLayerLink},
      {204, DeleteLayerLink},
      {205, ChangeLayerMergeMode},
      {206, LockLayerField<&ImageDocument::LockLayerPixels>},
      {207, LockLayerField<&ImageDocument::LockLayerPosition>},
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
