// The layer stack: construction, the layer list and the active layer,
// lookups, unique names, adding, inserting and removing layers, and the
// copy for undo snapshots.
#include "engine/layers/LayerMng.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "engine/pixels/AppValues.h"
#include "engine/pixels/Fillwa.h"
#include "engine/pixels/ImageLimits.h"
#include "hostapi/toolhost.h"
#include "platform/rect.h"

using lumora::DocumentLockScope;
using lumora::IsLayerType;

// ---- Construction ----

void CLayersManager::Init(int type) {
  document_ = nullptr;
  memoryLocked_ = 0;
  width_ = height_ = 0;
  resolution_ = 0x00600060u;
  active_.Reset();
  compositeImage_.Reset();
  compositeCoverage_.Reset();
  imageType_ = type;
  compositeType_ = type;
  notLayerable_ = IsLayerType(type) ? 0 : 1;
  channelCount_ = type == kWAType24 ? 3 : 1;
  patternDib_.clear();
  background_ = 0xFFFFFFu;
}

CLayersManager::CLayersManager(int type, lumora::DocumentLock* document, int width, int height,
                               std::uint32_t resolution, COLORREF colour, int stayEmpty) {
  Init(type);
  document_ = document;
  if (!lumora::IsImageSize(width, height)) throw layer_err_params();
  width_ = width;
  height_ = height;
  resolution_ = resolution;
  if (stayEmpty != 0) return;
  VrWA2000::WA* made = nullptr;
  const int code =
      NewFilledWA(&made, width, height, GetRValue(colour), GetGValue(colour), GetBValue(colour));
  if (code != 0) {
    LUSetErrorCode(lumora::GetToolHostSite(), code, "LayerMng", 182, 0);
    throw layer_error();
  }
  const WAPtr image = WAPtr::Adopt(made);
  SetPackedResolution(image.get(), resolution);
  if (AddLayerFromImage(image.get(), POINT{0, 0}, 1) != lumora::kLayerOk) {
    ReleaseAllLayers();
    throw layer_err_params();
  }
}

CLayersManager::CLayersManager(lumora::DocumentLock* document, VrWA2000::WA* image) {
  if (image == nullptr) throw layer_err_params();
  Init(image->GetType());
  document_ = document;
  width_ = image->GetW();
  height_ = image->GetH();
  resolution_ = PackedResolution(*image);
  if (AddLayerFromImage(image, POINT{0, 0}, 1) != lumora::kLayerOk) {
    ReleaseAllLayers();
    throw layer_err_params();
  }
  CLayer* layer = layers_.back();
  layer->SetName(MakeUniqueLayerName(layer->GetName(), 0, layer));
}

CLayersManager::CLayersManager(const CLayersManager* source) {
  if (source == nullptr) throw layer_error();
  Init(kWAType24);
  if (CopyFrom(source) != lumora::kLayerOk) throw layer_err_nomemory();
}

CLayersManager::CLayersManager(const CLayersManager& source)
    : CLayersManager(source, lumora::LayerBuffers::kClone) {}

CLayersManager::CLayersManager(const CLayersManager& source, lumora::LayerBuffers buffers)
    : refCount() {
  Init(kWAType24);
  if (CopyLayersFrom(&source, buffers) != lumora::kLayerOk) throw layer_err_nomemory();
}

CLayersManager::CLayersManager(lumora::DocumentLock* document, CLayer* layer) {
  if (layer == nullptr || layer->PeekImage() == nullptr) throw layer_bad_layer();
  const VrWA2000::WA& image = *layer->PeekImage();
  Init(image.GetType());
  document_ = document;
  resolution_ = PackedResolution(image);
  fileLayerCount_ = 1;
  if (layer->HasMask() != 0) ++channelCount_;
  width_ = lumora::RectWidth(layer->GetRect());
  height_ = lumora::RectHeight(layer->GetRect());
  layer->Offset(POINT{-layer->GetRect().left, -layer->GetRect().top});
  // The stack's reference is one of its own; the caller keeps theirs.
  layer->AddRef();
  if (!InsertLayer(nullptr, layer)) {
    layer->Release();
    throw layer_bad_layer();
  }
  SetActiveLayer(layer);
}

CLayersManager::~CLayersManager() { ReleaseAllLayers(); }

// ---- The list ----

int CLayersManager::IndexOf(const CLayer* layer) const {
  if (layer == nullptr) return -1;
  const auto it = std::find(layers_.begin(), layers_.end(), layer);
  return it == layers_.end() ? -1 : static_cast<int>(it - layers_.begin());
}

void CLayersManager::InsertAt(int index, CLayer* layer) {
  layers_.insert(layers_.begin() + index, layer);
}

CLayer* CLayersManager::TakeAt(int index) {
  CLayer* layer = layers_[static_cast<std::size_t>(index)];
  layers_.erase(layers_.begin() + index);
  return layer;
}

void CLayersManager::ReleaseAllLayers() {
  active_.Reset();
  while (!layers_.empty()) {
    CLayer* top = layers_.back();
    layers_.pop_back();
    top->Release();
  }
}

CLayer* CLayersManager::GetLayer(int index) const {
  return index >= 0 && index < GetLayerCount() ? layers_[static_cast<std::size_t>(index)] : nullptr;
}

int CLayersManager::GetLayerIndex(const CLayer* layer) const { return IndexOf(layer); }

CLayer* CLayersManager::GetLayerAbove(const CLayer* layer) const {
  const int index = IndexOf(layer);
  return index < 0 ? nullptr : GetLayer(index + 1);
}

CLayer* CLayersManager::GetLayerBelow(const CLayer* layer) const {
  const int index = IndexOf(layer);
  return index <= 0 ? nullptr : GetLayer(index - 1);
}

CLayer* CLayersManager::GetNeighbourLayer(const CLayer* layer) const {
  const int index = IndexOf(layer);
  if (index < 0 || layers_.size() == 1) return active_.get();
  return index > 0 ? GetLayer(index - 1) : GetLayer(1);
}

bool CLayersManager::HasTextLayers() const {
  return std::any_of(layers_.begin(), layers_.end(), [](const CLayer* l) { return l->IsText(); });
}

bool CLayersManager::CanAddLayer(CLayer* layer) const {
  return layer != nullptr && IsCompatibleLayer(layer, imageType_);
}

bool CLayersManager::CanDeleteLayer(const CLayer* layer) const {
  return IndexOf(layer) >= 0 && layers_.size() > 1;
}

CLayer* CLayersManager::FindLayerByName(const char* name) const {
  if (name == nullptr) return nullptr;
  for (CLayer* layer : layers_) {
    if (layer->GetName() == name) return layer;
  }
  return nullptr;
}

CLayer* CLayersManager::FindLayerById(std::uint64_t id) const {
  for (CLayer* layer : layers_) {
    if (layer->GetUniqueId() == id) return layer;
  }
  return nullptr;
}

bool CLayersManager::IsLayerNameUsed(const std::string& name, const CLayer* excluded) const {
  // A walk of its own: the shared cursor may be in use by the caller.
  for (const CLayer* layer : layers_) {
    if (layer != excluded && layer->GetName() == name) return true;
  }
  return false;
}

namespace {

std::string Numbered(const std::string& base, long long n) {
  char number[24];
  std::snprintf(number, sizeof number, " %lld", n);
  return base + number;
}

// A trailing number: the digits after the last blank (none: 0); false when
// there is no blank, the tail is not all digits or the number is too big.
bool TrailingNumber(const std::string& name, std::string* base, long long* number) {
  const std::size_t blank = name.rfind(' ');
  if (blank == std::string::npos) return false;
  const std::string tail = name.substr(blank + 1);
  if (!std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  if (tail.size() > 10) return false;
  *number = tail.empty() ? 0 : std::stoll(tail);
  if (*number >= INT_MAX) return false;
  *base = name.substr(0, blank);
  return true;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string CLayersManager::MakeUniqueLayerName(const std::string& name, int isCopy,
                                                const CLayer* excluded) const {
  if (name.empty()) {
    for (long long n = GetLayerCount(); n < INT_MAX; ++n) {
      std::string candidate = Numbered("Layer", n);
      if (!IsLayerNameUsed(candidate, excluded)) return candidate;
    }
    return std::string();
  }
  std::string base;
  long long number = 0;
  const bool numbered = TrailingNumber(name, &base, &number);
  if (isCopy != 0) {
    const bool copyAlready = EndsWith(name, " copy") || (numbered && EndsWith(base, " copy"));
    if (!copyAlready && !IsLayerNameUsed(name + " copy", excluded)) return name + " copy";
  }
  if (!numbered) {
    base = name;
    number = 1;
  }
  for (long long n = number; n < INT_MAX; ++n) {
    std::string candidate = Numbered(base, n);
    if (!IsLayerNameUsed(candidate, excluded)) return candidate;
  }
  return name;
}

// ---- The active layer ----

int CLayersManager::SetActiveLayer(CLayer* layer) {
  if (layer == active_.get()) return lumora::kLayerOk;
  if (layer == nullptr) {
    active_.Reset();
    return lumora::kLayerOk;
  }
  const int index = IndexOf(layer);
  if (index < 0) return lumora::kLayerNoImage;
  return SetActiveNode(index);
}

int CLayersManager::SetActiveLayerByIndex(int index) {
  if (GetLayer(index) == nullptr) return lumora::kLayerBadIndex;
  return SetActiveNode(index);
}

int CLayersManager::SetActiveNode(int position) {
  CLayer* layer = GetLayer(position);
  if (layer == nullptr) return lumora::kLayerBadIndex;
  active_ = CLayerPtr::Share(layer);
  return lumora::kLayerOk;
}

int CLayersManager::GetActiveLayerImageSize(int mask, SIZE* size) const {
  if (!active_) return lumora::kLayerNoActive;
  const VrWA2000::WA* buffer = mask != 0 ? active_->PeekMask() : active_->PeekImage();
  if (buffer == nullptr) return lumora::kLayerNoImage;
  size->cx = buffer->GetW();
  size->cy = buffer->GetH();
  return lumora::kLayerOk;
}

WAPtr CLayersManager::GetActiveLayerImage(POINT* origin) const {
  return active_ ? active_->GetImage(origin) : nullptr;
}

WAPtr CLayersManager::GetActiveLayerMask(POINT* origin) const {
  return active_ ? active_->GetMask(origin) : nullptr;
}

int CLayersManager::SetLayerMask(CLayer* layer, VrWA2000::WA* mask) {
  if (IndexOf(layer) < 0) return lumora::kLayerNullBuffer;
  if (notLayerable_ != 0) return lumora::kLayerNotLayerable;
  DocumentLockScope lock(document_);
  return layer->SetMask(mask);
}

int CLayersManager::SetLayerImage(VrWA2000::WA* image, CLayer* layer) {
  if (image == nullptr || IndexOf(layer) < 0) return lumora::kLayerNullBuffer;
  DocumentLockScope lock(document_);
  const RECT& rect = layer->GetRect();
  if (image->GetW() == lumora::RectWidth(rect) && image->GetH() == lumora::RectHeight(rect)) {
    const int result = layer->SetImage(image);
    if (result != lumora::kLayerOk) return result;
  } else {
    // The rect always follows the image: a rect larger than its buffer
    // would make the compositors read past it.
    if (IsFlat()) return lumora::kLayerNullBuffer;
    const RECT fitted{rect.left, rect.top, rect.left + image->GetW(), rect.top + image->GetH()};
    if (!layer->ResizeCanvas(fitted, image)) return lumora::kLayerNullBuffer;
  }
  const int type = image->GetType();
  if (IsLayerType(type)) layer->SetImageType(type);
  notLayerable_ = IsLayerType(type) ? 0 : 1;
  UpdateComposite(type);
  return lumora::kLayerOk;
}

// ---- Iteration ----

void CLayersManager::StartIteration() { cursor_ = layers_.empty() ? -1 : 0; }

int CLayersManager::StartIterationAt(const CLayer* layer) {
  cursor_ = IndexOf(layer);
  return cursor_;
}

CLayer* CLayersManager::GetNextLayer() {
  CLayer* layer = GetLayer(cursor_);
  cursor_ = layer != nullptr && cursor_ + 1 < GetLayerCount() ? cursor_ + 1 : -1;
  return layer;
}

CLayer* CLayersManager::GetNextLinkedLayer(std::uint16_t linkId) {
  while (CLayer* layer = GetNextLayer()) {
    if (layer->GetLinkId() == linkId) return layer;
  }
  return nullptr;
}

CLayer* CLayersManager::GetNextVisibleLayer() {
  while (CLayer* layer = GetNextLayer()) {
    if (layer->IsVisible() != 0) return layer;
  }
  return nullptr;
}

// ---- Type, size, resolution, memory ----

int CLayersManager::SetImageType(int type) {
  DocumentLockScope lock(document_);
  if (type == imageType_) return lumora::kLayerOk;
  imageType_ = type;
  notLayerable_ = IsLayerType(type) ? 0 : 1;
  return UpdateComposite(type);
}

int CLayersManager::SetImageSize(int width, int height, int changeType, int type) {
  DocumentLockScope lock(document_);
  width_ = width;
  height_ = height;
  if (changeType != 0) {
    imageType_ = type;
    notLayerable_ = IsLayerType(type) ? 0 : 1;
  }
  return UpdateComposite(imageType_);
}

void CLayersManager::SetResolution(std::uint32_t packed) {
  DocumentLockScope lock(document_);
  resolution_ = packed;
  SetPackedResolution(compositeImage_.get(), packed);
  SetPackedResolution(compositeCoverage_.get(), packed);
  for (CLayer* layer : layers_) layer->SetResolution(packed);
}

void CLayersManager::SetMemoryLock(int locked) {
  if ((locked != 0) == (memoryLocked_ != 0)) return;
  memoryLocked_ = locked != 0;
  for (VrWA2000::WA* buffer : {compositeImage_.get(), compositeCoverage_.get()}) {
    if (buffer == nullptr) continue;
    locked != 0 ? buffer->MM_LockEnable() : buffer->MM_UnlockEnable();
  }
  for (CLayer* layer : layers_) layer->SetMemoryLock(locked);
}

// ---- Adding, inserting, removing ----

bool CLayersManager::IsCompatibleLayer(CLayer* layer, int type) const {
  if (layer == nullptr) return false;
  if (layers_.empty()) return type == imageType_;
  if (!IsLayerType(type) || layer->PeekImage() == nullptr) return false;
  const int own = layer->PeekImage()->GetType();
  return own == kWAType1Bit || own == kWAType4Bit || own == kWAType8Palette || IsLayerType(own);
}

int CLayersManager::ConvertForInsert(CLayer* layer, int type) {
  if (layer->IsMask() != 0) return lumora::kLayerOk;
  DocumentLockScope lock(document_);
  return ConvertLayerType(layer, type, 1) ? lumora::kLayerOk : lumora::kLayerCannotConvert;
}

int CLayersManager::AddLayer(CLayer* layer) {
  if (layer == nullptr) return lumora::kLayerNoImage;
  // A layer that cannot take the stack's type is not added, and says so.
  if (!IsCompatibleLayer(layer, imageType_)) return lumora::kLayerCannotConvert;
  if (ConvertForInsert(layer, imageType_) != lumora::kLayerOk) return lumora::kLayerCannotConvert;
  layer->AddRef();
  DocumentLockScope lock(document_);
  layers_.push_back(layer);
  layer->SetResolution(resolution_);
  return lumora::kLayerOk;
}

int CLayersManager::AddLayerFromImage(VrWA2000::WA* image, POINT origin, int activate) {
  if (image == nullptr) return lumora::kLayerNullBuffer;
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(image, origin, 0, nullptr, 0));
  } catch (const std::exception&) {
    return lumora::kLayerCannotMake;
  }
  const int result = AddLayer(layer.get());
  if (result == lumora::kLayerOk && activate != 0) SetActiveLayer(layer.get());
  return result;
}

bool CLayersManager::InsertLayer(CLayer* below, CLayer* layer) {
  if (layer == nullptr) return false;
  DocumentLockScope lock(document_);
  const int index = below != nullptr ? IndexOf(below) : -1;
  if (below != nullptr && index < 0) return false;
  if (!IsCompatibleLayer(layer, imageType_)) return false;
  if (ConvertForInsert(layer, imageType_) != lumora::kLayerOk) return false;
  if (below != nullptr) {
    layer->SetGrouped(GetGroupBase(below) == below ? 1 : below->GetGrouped());
  }
  InsertAt(index + 1, layer);
  layer->SetResolution(resolution_);
  return true;
}

bool CLayersManager::InsertLayerBelow(CLayer* above, CLayer* layer) {
  if (layer == nullptr) return false;
  DocumentLockScope lock(document_);
  const int index = above != nullptr ? IndexOf(above) : GetLayerCount();
  if (above != nullptr && index < 0) return false;
  if (!IsCompatibleLayer(layer, imageType_)) return false;
  if (ConvertForInsert(layer, imageType_) != lumora::kLayerOk) return false;
  if (above != nullptr) layer->SetGrouped(above->GetGrouped());
  InsertAt(index, layer);
  layer->SetResolution(resolution_);
  return true;
}

int CLayersManager::DeleteLayer(CLayer* layer) {
  if (layer == nullptr) return lumora::kLayerNoImage;
  DocumentLockScope lock(document_);
  if (IndexOf(layer) < 0) return lumora::kLayerNotInList;
  if (layers_.size() == 1) return lumora::kLayerLastLayer;
  const std::vector<CLayer*> bases = GroupBases();
  if (layer != active_.get()) {
    TakeAt(IndexOf(layer));
  } else {
    UngroupLayer(layer);
    const int index = IndexOf(layer);
    TakeAt(index);
    SetActiveNode(index > 0 ? index - 1 : 0);
  }
  DropCopiesOfLostBases(bases);
  layer->Release();
  return lumora::kLayerOk;
}

bool CLayersManager::RemoveLayer(CLayer* layer) {
  DocumentLockScope lock(document_);
  if (IndexOf(layer) < 0) return false;
  const std::vector<CLayer*> bases = GroupBases();
  UngroupLayer(layer);
  TakeAt(IndexOf(layer));
  DropCopiesOfLostBases(bases);
  return true;
}

CLayer* CLayersManager::DuplicateLayer(CLayer* layer) {
  DocumentLockScope lock(document_);
  if (IndexOf(layer) < 0) return nullptr;
  CLayer* copy = nullptr;
  try {
    copy = layer->CreateCopy();
  } catch (const std::exception&) {
    return nullptr;
  }
  if (!copy->IsWholeCopyOf(*layer)) {
    copy->Release();
    return nullptr;
  }
  copy->SetName(MakeUniqueLayerName(copy->GetName(), 1, nullptr));
  return copy;
}

CLayer* CLayersManager::CreateFilledLayer(const LAYER_INFO& info, COLORREF colour, int withMask) {
  if (notLayerable_ != 0) return nullptr;
  const RECT rect{0, 0, width_, height_};
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(&rect, info, imageType_, 0));
  } catch (const std::exception&) {
    return nullptr;
  }
  if (withMask != 0 && layer->CreateMask(1) != lumora::kLayerOk) return nullptr;
  if (imageType_ == kWAType24) {
    FillColor24(layer->PeekImage(), colour, nullptr);
  } else {
    FillWA(layer->PeekImage(), static_cast<int>(colour & 0xFFu), 0, 0);
  }
  return layer.Detach();
}

// ---- The copy for undo snapshots ----

int CLayersManager::CopyFrom(const CLayersManager* source) {
  return CopyLayersFrom(source, lumora::LayerBuffers::kClone);
}

int CLayersManager::ShareFrom(const CLayersManager* source) {
  return CopyLayersFrom(source, lumora::LayerBuffers::kShare);
}

int CLayersManager::ReplaceBuffer(const VrWA2000::WA* old, VrWA2000::WA* replacement) {
  DocumentLockScope lock(document_);
  int replaced = 0;
  for (CLayer* layer : layers_) replaced += layer->ReplaceBuffer(old, replacement);
  // A composite taken from a layer (a flat image's, a one-layer copy's)
  // goes with it.
  if (compositeImage_.get() == old) {
    compositeImage_ = WAPtr::Share(replacement);
    ++replaced;
  }
  if (compositeCoverage_.get() == old) {
    compositeCoverage_ = WAPtr::Share(replacement);
    ++replaced;
  }
  return replaced;
}

int CLayersManager::CopyLayersFrom(const CLayersManager* source, lumora::LayerBuffers buffers) {
  if (source == nullptr || source == this) return lumora::kLayerOk;
  DocumentLockScope sourceLock(source->document_);
  DocumentLockScope ownLock(document_ != source->document_ ? document_ : nullptr);
  // Every layer is copied before anything changes: a snapshot missing a
  // layer would silently lose it on undo.
  std::vector<CLayer*> copies;
  copies.reserve(source->layers_.size());
  auto dropCopies = [&copies] {
    for (CLayer* copy : copies) copy->Release();
  };
  for (const CLayer* layer : source->layers_) {
    CLayer* copy = nullptr;
    try {
      copy = buffers == lumora::LayerBuffers::kShare ? layer->CreateSharedCopy()
                                                     : layer->CreateCopy();
    } catch (const std::exception&) {
    }
    if (copy != nullptr && !copy->IsWholeCopyOf(*layer)) {
      copy->Release();
      copy = nullptr;
    }
    if (copy == nullptr) {
      dropCopies();
      return lumora::kLayerCannotMake;
    }
    copies.push_back(copy);
  }
  memoryLocked_ = 0;
  document_ = source->document_;
  width_ = source->width_;
  height_ = source->height_;
  resolution_ = source->resolution_;
  flatFile_ = source->flatFile_;
  channelCount_ = source->channelCount_;
  imageType_ = source->imageType_;
  compositeType_ = source->compositeType_;
  notLayerable_ = source->notLayerable_;
  compositeImage_.Reset();
  compositeCoverage_.Reset();
  background_ = source->background_;
  patternDib_ = source->patternDib_;
  ReleaseAllLayers();
  layers_ = std::move(copies);
  fileLayerCount_ = source->fileLayerCount_;
  const int activeIndex = source->IndexOf(source->active_.get());
  if (!layers_.empty()) SetActiveNode(activeIndex >= 0 ? activeIndex : 0);
  if (notLayerable_ != 0 && active_) compositeImage_ = active_->GetImage();
  return lumora::kLayerOk;
}
