// Tool instances: the parameter slots the host and its callers exchange,
// and running a tool on its source within its limiting fragment. Every
// buffer and fragment a slot holds carries one reference of the instance,
// dropped when the slot changes and when the instance is deleted.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "hostapi/fragment.h"
#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "libs/toolhost/ParamStore.h"
#include "libs/toolhost/ParamValue.h"
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/SiteCalls.h"

using lumora::toolhost::ConstImageView;
using lumora::toolhost::ImageView;
using lumora::toolhost::ToolDescriptor;
using VrWA2000::WA;

struct LUTool {
  const void* site = nullptr;  // the site it was made for (null: the program's)
  const ToolDescriptor* descriptor = nullptr;
  int number = 0;
  // What the tool runs with: the integer and colour parameters (0 for the
  // others, which only `values` holds).
  std::int32_t params[lumora::toolhost::kMaxToolParams] = {};
  lumora::toolhost::ParamValue values[lumora::toolhost::kMaxToolParams];
  WA* source = nullptr;
  WA* output = nullptr;
  Fragment* limit = nullptr;
  Fragment* resultMask = nullptr;
  std::int32_t zeros[2] = {};
  std::int32_t runKind = 1;
  std::int32_t zero9 = 0;
  std::int32_t edgeDegree = 0;
  std::int32_t edgeType = 0;
  std::int32_t insertValue = 0;
  std::int32_t layerFlags = 0;
  void* imageObject = nullptr;
  void* fragmentHandle = nullptr;
  RECT outRect = {};
  bool ran = false;
};

namespace {

int Fail(int code, int line) { return LUErrorCode(nullptr, code, "ToolHost", line, 0); }

void HoldBuffer(WA*& slot, WA* buffer) {
  if (buffer != nullptr) buffer->AddRef();
  if (slot != nullptr) slot->Release();
  slot = buffer;
}

void HoldFragment(Fragment*& slot, Fragment* fragment) {
  Fragment* shared = fragment != nullptr ? ShareFragment(fragment) : nullptr;
  if (slot != nullptr) DeleteFragment(slot);
  slot = shared;
}

std::int32_t* IntSlot(LUTool* t, int slot) {
  switch (slot) {
    case kLUSlotRunKind: return &t->runKind;
    case kLUSlotZero9: return &t->zero9;
    case kLUSlotEdgeDegree: return &t->edgeDegree;
    case kLUSlotEdgeType: return &t->edgeType;
    case kLUSlotInsertValue: return &t->insertValue;
    case kLUSlotLayerFlags: return &t->layerFlags;
    default: return nullptr;
  }
}

bool IsOwnSlot(const LUTool* t, int slot) { return slot >= 0 && slot < t->descriptor->paramCount; }

bool IsScalarParam(const lumora::toolhost::ToolParam& p) { return p.format == 'd' || p.format == 'c'; }

int SetOwnParameter(LUTool* t, int slot, const void* value) {
  const lumora::toolhost::ToolParam& p = t->descriptor->params[slot];
  if (!lumora::toolhost::StoreParamValue(p, value, t->values[slot])) return Fail(kLUErrBadValue, __LINE__);
  if (IsScalarParam(p)) t->params[slot] = t->values[slot].scalar;
  return 0;
}

int ChannelsOf(int type) { return type == 8 ? 1 : (type == 16 ? 3 : 0); }

ConstImageView ViewOf(const WA* wa) {
  return {wa->Bits(), wa->GetW(), wa->GetH(), wa->GetBPLine(), ChannelsOf(wa->GetType())};
}
ImageView ViewOf(WA* wa) { return {wa->Bits(), wa->GetW(), wa->GetH(), wa->GetBPLine(), ChannelsOf(wa->GetType())}; }

// round(x / 255) for 0 <= x <= 255 * 255.
inline int Div255(int x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

// The limit's coverage of the image (255 inside), its inversion applied;
// null when the limit covers nothing of it.
WA* CoverageOf(const Fragment* limit, int width, int height) {
  const LURECT whole{0, 0, width, height};
  Fragment* mask = CreateEmptyMask(&whole);
  if (mask == nullptr) return nullptr;
  PutFragmentToMask(mask, limit, kFrgAdd);
  WA* coverage = GetMaskWA(mask);
  DeleteFragment(mask);
  if (coverage != nullptr && IsFrgInverted(limit)) {
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = coverage->Row(y);
      for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(255 - row[x]);
    }
  }
  return coverage;
}

// Mixes result into dst (which holds the original) by coverage; returns the
// bounds of the covered pixels (empty when none).
RECT MixByCoverage(const ConstImageView& result, const ImageView& dst, const WA* coverage) {
  RECT bounds{result.width, result.height, 0, 0};
  const int ch = result.channels;
  for (int y = 0; y < result.height; ++y) {
    const std::uint8_t* m = coverage->Row(y);
    const std::uint8_t* r = result.Row(y);
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < result.width; ++x) {
      const int cover = m[x];
      if (cover == 0) continue;
      bounds.left = std::min<LONG>(bounds.left, x);
      bounds.right = std::max<LONG>(bounds.right, x + 1);
      bounds.top = std::min<LONG>(bounds.top, y);
      bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
      for (int c = 0; c < ch; ++c) {
        const int diff = r[x * ch + c] - d[x * ch + c];
        const int moved = diff >= 0 ? Div255(diff * cover) : -Div255(-diff * cover);
        d[x * ch + c] = static_cast<std::uint8_t>(d[x * ch + c] + moved);
      }
    }
  }
  if (bounds.right == 0) bounds = RECT{0, 0, 0, 0};
  return bounds;
}

void CopyRows(const ConstImageView& from, const ImageView& to) {
  const std::size_t bytes = static_cast<std::size_t>(from.width) * from.channels;
  for (int y = 0; y < from.height; ++y) std::memcpy(to.Row(y), from.Row(y), bytes);
}

// The menu name as the user reads it: without its '&' marks.
std::string PlainMenuName(const ToolDescriptor& d) {
  std::string name;
  for (const char* c = d.menuName; *c != 0; ++c) {
    if (*c != '&') name += *c;
  }
  return name;
}

// The site's progress indicator for one run; without the site's entries it
// shows nothing and is never cancelled.
class RunProgress {
 public:
  RunProgress(const void* site, const std::string& caption) {
    const auto begin = reinterpret_cast<Begin>(LUSiteEntryOf(site, kSiteMisc, 0, &descriptor_));
    step_ = reinterpret_cast<StepFn>(LUSiteEntryOf(site, kSiteMisc, 1, nullptr));
    end_ = reinterpret_cast<End>(LUSiteEntryOf(site, kSiteMisc, 2, nullptr));
    if (begin != nullptr && step_ != nullptr && end_ != nullptr) token_ = begin(descriptor_, caption.c_str());
  }
  ~RunProgress() {
    if (token_ != 0) end_(descriptor_, token_);
  }
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  // True when the user cancelled.
  bool Step(int position, int total) { return token_ != 0 && step_(descriptor_, token_, position, total) != 0; }

 private:
  using Begin = std::intptr_t (*)(const LU_SITE_TABLE*, const char*);
  using StepFn = BOOL (*)(const LU_SITE_TABLE*, std::intptr_t, std::uint32_t, std::uint32_t);
  using End = int (*)(const LU_SITE_TABLE*, std::intptr_t);
  const LU_SITE_TABLE* descriptor_ = nullptr;
  StepFn step_ = nullptr;
  End end_ = nullptr;
  std::intptr_t token_ = 0;
};

// Opens the undo step of a run in the active image window's document; the
// document keeps the image as it is now. A run on a buffer the window does
// not show (a preview, a copy) changes nothing there to undo.
int OpenUndoStep(const void* site, const std::string& name, const WA* target) {
  using namespace lumora::toolhost;
  void* doc = DocOfWindow(site, ActiveImageWindow(site));
  if (doc == nullptr || DocImageOfKind(site, doc, 0) != target) return 0;
  return AddUndoStep(site, doc, name.c_str());
}

// Steps of a run's progress: the filter's rows take the first kComputeSteps,
// writing the result the rest.
constexpr int kRunSteps = 100;
constexpr int kComputeSteps = 90;

// The filter's rows as the run's progress; true when the user cancelled.
bool AskRunProgress(void* context, int done, int total) {
  const int step = total > 0 ? static_cast<int>(std::int64_t{done} * kComputeSteps / total) : 0;
  return static_cast<RunProgress*>(context)->Step(std::min(step, kComputeSteps), kRunSteps);
}

}  // namespace

LUTool* LUCreateTool(const void* site, const char* idName) {
  const int number = LUGetRegToolIDNumber(nullptr, idName, 0);
  if (number == 0) {
    Fail(kLUErrNoTool, __LINE__);
    return nullptr;
  }
  // An area type is a default for new selections, not a tool to run.
  if (lumora::toolhost::IsAreaType(*lumora::toolhost::FindTool(number))) {
    Fail(kLUErrNoTool, __LINE__);
    return nullptr;
  }
  auto* tool = new LUTool;
  tool->site = site;
  tool->descriptor = lumora::toolhost::FindTool(number);
  tool->number = number;
  for (int i = 0; i < tool->descriptor->paramCount; ++i) {
    const lumora::toolhost::ToolParam& p = tool->descriptor->params[i];
    lumora::toolhost::SetParamDefault(p, tool->values[i]);
    if (IsScalarParam(p)) tool->params[i] = p.defaultValue;
  }
  return tool;
}

void LUDeleteTool(LUTool* tool) {
  if (tool == nullptr) return;
  HoldBuffer(tool->source, nullptr);
  HoldBuffer(tool->output, nullptr);
  HoldFragment(tool->limit, nullptr);
  HoldFragment(tool->resultMask, nullptr);
  delete tool;
}

int LUSetParameter(LUTool* tool, int slot, int, const void* value) {
  if (tool == nullptr) return Fail(kLUErrNoTool, __LINE__);
  if (IsOwnSlot(tool, slot)) return value != nullptr ? SetOwnParameter(tool, slot, value) : Fail(kLUErrBadValue, __LINE__);
  switch (slot) {
    case kLUSlotSource:
    case kLUSlotOutput: {
      WA* buffer = static_cast<WA*>(const_cast<void*>(value));
      if (buffer != nullptr && ChannelsOf(buffer->GetType()) == 0 && slot == kLUSlotOutput) return Fail(kLUErrBadValue, __LINE__);
      HoldBuffer(slot == kLUSlotSource ? tool->source : tool->output, buffer);
      return 0;
    }
    case kLUSlotLimit:
    case kLUSlotResultMask:
      HoldFragment(slot == kLUSlotLimit ? tool->limit : tool->resultMask,
                   static_cast<Fragment*>(const_cast<void*>(value)));
      return 0;
    case kLUSlotImageObject: tool->imageObject = const_cast<void*>(value); return 0;
    case kLUSlotFragmentHandle: tool->fragmentHandle = const_cast<void*>(value); return 0;
    case kLUSlotZeros:
      if (value == nullptr) return Fail(kLUErrBadValue, __LINE__);
      std::memcpy(tool->zeros, value, sizeof tool->zeros);
      return 0;
    default: break;
  }
  std::int32_t* target = IntSlot(tool, slot);
  if (target == nullptr) return Fail(kLUErrBadSlot, __LINE__);
  if (value == nullptr) return Fail(kLUErrBadValue, __LINE__);
  std::int32_t v;
  std::memcpy(&v, value, sizeof v);
  if ((slot == kLUSlotRunKind && (v < 1 || v > 2)) || (slot == kLUSlotEdgeDegree && v < 0)) return Fail(kLUErrBadValue, __LINE__);
  // The edge degree counts whole pixels (its users multiply by 10): the
  // widest soft edge is the most it keeps.
  if (slot == kLUSlotEdgeDegree) v = std::min(v, kFrgMaxSmoothPixels);
  *target = v;
  return 0;
}

int LUGetParameter(LUTool* tool, int slot, int, void* out) {
  if (tool == nullptr) return Fail(kLUErrNoTool, __LINE__);
  if (out == nullptr) return Fail(kLUErrBadValue, __LINE__);
  if (IsOwnSlot(tool, slot)) {
    lumora::toolhost::LoadParamValue(tool->descriptor->params[slot], tool->values[slot], out);
    return 0;
  }
  if (slot == kLUSlotSource || slot == kLUSlotOutput) {
    WA* buffer = slot == kLUSlotSource ? tool->source : tool->output;
    if (buffer != nullptr) buffer->AddRef();
    *static_cast<WA**>(out) = buffer;
    return 0;
  }
  if (slot == kLUSlotResultRect) {
    if (!tool->ran) return Fail(kLUErrBadSlot, __LINE__);
    *static_cast<RECT*>(out) = tool->outRect;
    return 0;
  }
  if (slot == kLUSlotZeros) {
    std::memcpy(out, tool->zeros, sizeof tool->zeros);
    return 0;
  }
  const std::int32_t* source = IntSlot(tool, slot);
  if (source == nullptr) return Fail(kLUErrBadSlot, __LINE__);
  std::memcpy(out, source, sizeof(std::int32_t));
  return 0;
}

int LUGetParameterByRef(LUTool* tool, int slot, int reserved, void** out) {
  if (tool == nullptr || out == nullptr) return Fail(kLUErrBadValue, __LINE__);
  if (slot == kLUSlotLimit || slot == kLUSlotResultMask) {
    Fragment* f = slot == kLUSlotLimit ? tool->limit : tool->resultMask;
    *out = f != nullptr ? ShareFragment(f) : nullptr;
    return 0;
  }
  if (slot == kLUSlotSource || slot == kLUSlotOutput) return LUGetParameter(tool, slot, reserved, out);
  return Fail(kLUErrBadSlot, __LINE__);
}

int LUGetParamDimension(LUTool* tool, int slot) {
  if (tool == nullptr) return 0;
  if (IsOwnSlot(tool, slot)) return lumora::toolhost::ParamDimension(tool->descriptor->params[slot]);
  switch (slot) {
    case kLUSlotOutput: case kLUSlotSource: case kLUSlotLimit: case kLUSlotResultMask:
    case kLUSlotImageObject: case kLUSlotFragmentHandle:
      return 1;
    case kLUSlotZeros: return 2;
    case kLUSlotResultRect: return 4;
    default: return IntSlot(tool, slot) != nullptr ? 1 : 0;
  }
}

char LUGetParamFormat(LUTool* tool, int slot) {
  return tool != nullptr && IsOwnSlot(tool, slot) ? tool->descriptor->params[slot].format : '\0';
}

int LUImageKindOfType(int type) {
  switch (type) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    case 8: return 3;
    default: return 4;
  }
}

std::uint32_t LUGetCapsFlags(LUTool* tool, int kind) {
  if (tool == nullptr || kind < 0 || kind >= lumora::toolhost::kImageKinds) return 0;
  return tool->descriptor->caps[kind];
}

int LUToolExecute(LUTool* tool, int backup, int, int, int) { return LURunTool(tool, backup, backup); }

int lumora::toolhost::RunDocumentTool(const void* site, const ToolDescriptor& tool) {
  void* doc = DocOfWindow(site, ActiveImageWindow(site));
  if (doc == nullptr) return Fail(kLUErrNoImageWindow, __LINE__);
  if (const int refused = tool.document->refuse(site, doc); refused != 0) return Fail(refused, __LINE__);
  if (BackupAllowed(site)) AddUndoStep(site, doc, PlainMenuName(tool).c_str());
  if (!tool.document->run(site, doc)) return Fail(kLUErrNoMemory, __LINE__);
  SetDocModified(site, doc);
  return 0;
}

int LURunTool(LUTool* tool, int backup, int notify) {
  if (tool == nullptr) return Fail(kLUErrNoTool, __LINE__);
  // A document tool changes documents, not a run's image.
  if (IsDocumentTool(*tool->descriptor)) return Fail(kLUErrNotFromScript, __LINE__);
  WA* source = tool->source;
  if (source == nullptr) return Fail(kLUErrNoSource, __LINE__);
  const int kind = LUImageKindOfType(source->GetType());
  if ((tool->descriptor->caps[kind] & 7) != 0 || ChannelsOf(source->GetType()) == 0) {
    return Fail(kLUErrNotFromScript, __LINE__);
  }
  WA* dst = tool->output != nullptr ? tool->output : source;
  if (dst->GetType() != source->GetType() || dst->GetW() != source->GetW() || dst->GetH() != source->GetH()) {
    return Fail(kLUErrBadValue, __LINE__);
  }
  const std::string name = PlainMenuName(*tool->descriptor);
  RunProgress progress(tool->site, name);
  if (progress.Step(0, kRunSteps)) return Fail(kLUErrCancelled, __LINE__);
  WA* result = nullptr;
  try {
    result = new WA(source->GetType(), source->GetW(), source->GetH(), source->Palette(), false);
  } catch (const std::exception&) {
    return Fail(kLUErrNoMemory, __LINE__);
  }
  lumora::toolhost::RowPoll poll(AskRunProgress, &progress);
  const ToolDescriptor& d = *tool->descriptor;
  const int code = d.executeValues != nullptr
                       ? d.executeValues(ViewOf(static_cast<const WA*>(source)), ViewOf(result), tool->values, poll)
                       : d.execute(ViewOf(static_cast<const WA*>(source)), ViewOf(result), tool->params, poll);
  // Nothing is written before this point, so a cancel leaves every image as it was.
  const int failure = code != 0 ? code : (progress.Step(kComputeSteps, kRunSteps) ? kLUErrCancelled : 0);
  if (failure != 0) {
    result->Release();
    return Fail(failure, __LINE__);
  }
  WA* coverage = tool->limit != nullptr ? CoverageOf(tool->limit, source->GetW(), source->GetH()) : nullptr;
  if (tool->limit != nullptr && coverage == nullptr) {
    result->Release();
    return Fail(kLUErrNoMemory, __LINE__);
  }
  if (backup != 0) OpenUndoStep(tool->site, name, dst);
  if (dst != source) CopyRows(ViewOf(static_cast<const WA*>(source)), ViewOf(dst));
  if (coverage == nullptr) {
    CopyRows(ViewOf(static_cast<const WA*>(result)), ViewOf(dst));
    tool->outRect = RECT{0, 0, source->GetW(), source->GetH()};
  } else {
    tool->outRect = MixByCoverage(ViewOf(static_cast<const WA*>(result)), ViewOf(dst), coverage);
    coverage->Release();
  }
  result->Release();
  tool->ran = true;
  progress.Step(kRunSteps, kRunSteps);
  if (notify != 0) LUSendToWindow(LUGetMainWnd(tool->site), kLUMsgToolExecuted, reinterpret_cast<std::uintptr_t>(tool), 0);
  return 0;
}

int LUGetOutRectE(LUTool* tool, RECT* out) {
  if (tool == nullptr || out == nullptr || !tool->ran) return 0;
  *out = tool->outRect;
  return 1;
}

Fragment* LUGetOutFrg(LUTool* tool) {
  if (tool == nullptr || !tool->ran) return nullptr;
  LURECT r;
  RectToLURect(&r, &tool->outRect);
  return CreateRectFrg(&r, 0);
}

int LUGetToolID(LUTool* tool) { return tool != nullptr ? tool->number : 0; }

int LUStoreToolParameters(const void* site, LUTool* tool) {
  const auto* s = static_cast<const LU_SITE*>(site);
  if (s == nullptr || tool == nullptr) return 0;
  lumora::toolhost::StoredParams record{tool->descriptor->idName,
                                        {tool->params, tool->params + tool->descriptor->paramCount}};
  return lumora::toolhost::WriteToolParams(s->dataPath, record, nullptr) ? 1 : 0;
}

int LURecallToolParameters(const void* site, LUTool* tool) {
  const auto* s = static_cast<const LU_SITE*>(site);
  if (s == nullptr || tool == nullptr) return 0;
  for (const lumora::toolhost::StoredParams& r : lumora::toolhost::ReadParamStore(s->dataPath)) {
    if (r.idName != tool->descriptor->idName || static_cast<int>(r.params.size()) != tool->descriptor->paramCount) {
      continue;
    }
    // Values out of range (an older table, a damaged file) keep the current
    // ones, and are no error of the caller's.
    LUFreezeError();
    // The file keeps one 32-bit value per parameter: points, rectangles and
    // texts keep their current values.
    for (int i = 0; i < tool->descriptor->paramCount; ++i)
      if (IsScalarParam(tool->descriptor->params[i])) LUSetParameter(tool, i, 0, &r.params[i]);
    LUUnfreezeError();
    return 1;
  }
  return 0;
}
