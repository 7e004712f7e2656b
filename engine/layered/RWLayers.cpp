// Reading a whole layered file into a stack, saving a stack safely, the
// stack's file constructors, IsLayeredFile and the layer reference stream.
#include "engine/layered/RWLayers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "engine/layered/BigEndian.h"
#include "engine/layered/BuffersAhead.h"
#include "engine/layered/ChannelData.h"
#include "engine/layered/LayerRecord.h"
#include "engine/pixels/ImageLimits.h"
#include "engine/layers/LayerText.h"
#include "engine/layered/LayeredIO.h"
#include "engine/pixels/Progress.h"
#include "platform/file_replace.h"
#include "platform/rect.h"
#include "platform/stream_file.h"

using lumora::LayeredReader;
using lumora::LayeredWriter;

namespace {

// Closes the progress indicator however the operation ends.
struct ProgressScope {
  ProgressScope() { ProgressBeginDefault(); }
  ~ProgressScope() { ProgressEnd(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
};

void RemoveAllLayers(CLayersManager& stack) {
  stack.SetActiveLayer(nullptr);
  while (CLayer* layer = stack.GetBottomLayer()) {
    stack.RemoveLayer(layer);
    layer->Release();
  }
}

// The global layer mask record: at most its 14 bytes of whatever the file
// states, fields it does not reach keep their values.
void ReadGlobalLayerMask(LayeredReader& in, CLayersManager& stack) {
  if (in.Remaining() < 4) return;
  const std::uint32_t length = in.U32();
  if (length > in.Remaining()) return;
  std::uint8_t bytes[14];
  lumora::GlobalLayerMaskInfo info = stack.GetGlobalLayerMask();
  const std::uint32_t take = std::min<std::uint32_t>(length, sizeof bytes);
  in.Read(bytes, take);
  in.Skip(length - take);
  const auto u16 = [&](int at, std::uint16_t keep) {
    return at + 2 <= static_cast<int>(take) ? lumora::LoadBE16(bytes + at) : keep;
  };
  info.color.space = u16(0, info.color.space);
  for (int i = 0; i < 4; ++i) info.color.components[i] = u16(2 + 2 * i, info.color.components[i]);
  info.opacity = u16(10, info.opacity);
  if (take > 12) info.kind = bytes[12];
  if (take > 13) info.filler = bytes[13];
  stack.SetGlobalLayerMask(info);
}

// The buffers a layer's channel data will need, as ReadChannelData makes
// them (0 x 0 for a layer that makes none).
lumora::BuffersAhead::Shape ShapeOf(const CLayer& layer, std::uint32_t imageType) {
  lumora::BuffersAhead::Shape shape;
  const int type = static_cast<int>(imageType);
  if (type != kWAType8Grey && type != kWAType24) return shape;
  const int colours = type == kWAType24 ? 3 : 1;
  const std::vector<std::int16_t>& ids = layer.GetChannelIds();
  const bool pixels = std::any_of(ids.begin(), ids.end(), [&](std::int16_t id) { return id == -1 || (id >= 0 && id < colours); });
  const RECT rect = layer.GetRect();
  if (!pixels || lumora::RectIsEmpty(rect)) return shape;
  shape.type = type;
  shape.width = lumora::RectWidth(rect);
  shape.height = lumora::RectHeight(rect);
  shape.alpha = std::any_of(ids.begin(), ids.end(), [](std::int16_t id) { return id == -1 || id == -2; });
  return shape;
}

// Hands a read the buffers helpers make ahead for its layers, for as long
// as the channel data are read.
class AheadScope {
 public:
  AheadScope(LayeredReader& in, const std::vector<CLayerPtr>& layers, std::uint32_t imageType) : in_(in) {
    const int helpers = lumora::GetLayeredReadHelpers();
    if (helpers <= 0 || layers.size() < 2) return;
    std::vector<lumora::BuffersAhead::Shape> shapes;
    for (const CLayerPtr& layer : layers) shapes.push_back(ShapeOf(*layer, imageType));
    ahead_ = std::make_unique<lumora::BuffersAhead>(std::move(shapes), helpers);
    in_.ahead = ahead_.get();
  }
  ~AheadScope() { in_.ahead = nullptr; }
  AheadScope(const AheadScope&) = delete;
  AheadScope& operator=(const AheadScope&) = delete;

 private:
  LayeredReader& in_;
  std::unique_ptr<lumora::BuffersAhead> ahead_;
};

std::uint32_t PackedResolutionOf(const CLayer& layer) {
  const VrWA2000::WA* image = layer.PeekImage();
  return image != nullptr ? PackedResolution(*image) : 0x00600060u;
}

// The layers offered to layer reference streams, each holding a reference.
std::mutex gOfferedMutex;
std::vector<CLayer*>& Offered() {
  static std::vector<CLayer*> offered;
  return offered;
}

void StoreLE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void StoreLE64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint64_t LoadLE(const std::uint8_t* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// Nothing is written of a document whose file could not be read back.
void CheckFitsFile(const CLayersManager& stack) {
  const auto fits = [](int side) { return side >= 1 && side <= lumora::kMaxImageSide; };
  if (!fits(stack.GetWidth()) || !fits(stack.GetHeight())) {
    throw layer_err_fwrite("The file was not saved: the image's width or height is outside 1 to 30000 pixels.");
  }
  if (stack.GetImageType() != kWAType24 && stack.GetImageType() != kWAType8Grey) return;
  for (int i = 0; i < stack.GetLayerCount(); ++i) lumora::CheckLayerFitsFile(*stack.GetLayer(i), stack.GetHeight());
}

void ReadStack(CLayersManager& stack, lumora::StreamFile* file) {
  try {
    CRWLayers reader(&stack, file);
    reader.Read();
  } catch (...) {
    RemoveAllLayers(stack);
    stack.Guides().clear();
    throw;
  }
  if (stack.GetActiveLayer() == nullptr &&
      (stack.GetBottomLayer() == nullptr || stack.SetActiveLayer(stack.GetBottomLayer()) != 0)) {
    stack.Guides().clear();
    throw layer_noactive_layer();
  }
}

}  // namespace

namespace lumora {

void OfferLayerForReference(CLayer* layer) {
  if (layer == nullptr) return;
  std::lock_guard<std::mutex> lock(gOfferedMutex);
  layer->AddRef();
  Offered().push_back(layer);
}

void WithdrawLayerReference(CLayer* layer) {
  std::lock_guard<std::mutex> lock(gOfferedMutex);
  auto& offered = Offered();
  const auto it = std::find(offered.begin(), offered.end(), layer);
  if (it == offered.end()) return;
  offered.erase(it);
  layer->Release();
}

}  // namespace lumora

// ---- The stack's file constructors ----

CLayersManager::CLayersManager(lumora::DocumentLock* document, const std::string& path) {
  Init(kWAType24);
  document_ = document;
  lumora::DiskFile file(path, lumora::DiskFile::kRead);
  ReadStack(*this, &file);
}

CLayersManager::CLayersManager(lumora::DocumentLock* document, lumora::StreamFile* file) {
  Init(kWAType24);
  document_ = document;
  if (file == nullptr) throw lumora::FileException(lumora::FileException::invalidFile);
  ReadStack(*this, file);
}

// ---- CRWLayers ----

CRWLayers::CRWLayers(CLayersManager* stack, lumora::StreamFile* file) : file_(file), stack_(stack) {
  if (stack == nullptr || file == nullptr) throw layer_err_iofile();
}

CRWLayers::CRWLayers(CLayersManager* stack) : stack_(stack) {
  if (stack == nullptr) throw layer_err_iofile();
}

CRWLayers::CRWLayers(lumora::StreamFile* file) : file_(file) {
  if (file == nullptr) throw lumora::FileException(lumora::FileException::invalidFile);
}

void CRWLayers::Read() {
  if (stack_ == nullptr || file_ == nullptr) throw layer_err_iofile();
  if (stack_->GetLayerCount() != 0) throw layer_err_iofile("a document can only be read into an empty stack");
  LayeredReader in(*file_);
  if (in.Remaining() == 0) throw layer_err_fread("the file is empty");
  ProgressScope progress;
  try {
    ReadDocument(in);
  } catch (const layer_err_fread&) {
    RemoveAllLayers(*stack_);
    throw;
  } catch (const std::bad_alloc&) {
    RemoveAllLayers(*stack_);
    throw layer_err_fread("there is not enough memory to read the file");
  } catch (const std::exception& e) {
    RemoveAllLayers(*stack_);
    throw layer_err_fread(e.what());
  }
}

void CRWLayers::ReadDocument(LayeredReader& in) {
  lumora::LayeredFileHeader& header = stack_->FileHeader();
  header.startPosition = in.Position();
  header.progress = 1;
  const int count = stack_->ReadFileHeader(in);
  header.channelRows = header.channelRowTotal = 0;
  if (stack_->GetFlatFile() != 0) {
    ReadFlat(in);
  } else {
    ReadLayers(in, count);
  }
}

void CRWLayers::ReadFlat(LayeredReader& in) {
  lumora::LayeredFileHeader& header = stack_->FileHeader();
  const CLayerPtr layer = CLayerPtr::Adopt(new CLayer());
  const RECT rect = lumora::MakeRect(0, 0, static_cast<LONG>(header.width), static_cast<LONG>(header.height));
  layer->SetRect(rect);
  layer->SetMaskRect(rect);
  // One id per channel the file has: the colour planes and any extra ones.
  std::vector<std::int16_t> ids(stack_->GetChannelCount());
  for (std::size_t c = 0; c < ids.size(); ++c) ids[c] = static_cast<std::int16_t>(c);
  layer->SetChannels(std::move(ids), {});
  header.channelRowTotal = static_cast<std::uint32_t>(stack_->GetChannelCount()) * header.height;
  in.Seek(header.sectionEnd);
  if (layer->ReadImageData(in, header) == 0) return;
  if (stack_->AddLayer(layer.get()) != 0) throw layer_err_fread("the image cannot be made a layer");
  stack_->SetActiveLayer(layer.get());
}

void CRWLayers::ReadLayers(LayeredReader& in, int count) {
  lumora::LayeredFileHeader& header = stack_->FileHeader();
  std::vector<CLayerPtr> layers;
  {
    lumora::SectionLimit limit(in, header.layerInfoEnd);
    const std::vector<std::uint8_t>& links = stack_->LayerGroupBlock();
    for (int i = 0; i < count; ++i) {
      const bool text = stack_->ProbeTextLayer(in) != 0;
      CLayerPtr layer = CLayerPtr::Adopt(text ? new CLayerText() : new CLayer());
      layer->ReadPSDRecord(in, header);
      const std::size_t at = 2 * static_cast<std::size_t>(i);
      if (at + 1 < links.size()) layer->SetLinkId(static_cast<std::uint16_t>(links[at] | links[at + 1] << 8));
      layers.push_back(layer);
    }
  }
  stack_->LayerGroupBlock().clear();
  header.channelRowTotal += static_cast<std::uint32_t>(stack_->GetChannelCount()) * header.height;
  // The file's active layer, by its place among the records.
  const std::int32_t target = stack_->GetTargetLayerIndex();
  CLayer* active = target >= 0 && target < count ? layers[static_cast<std::size_t>(target)].get() : nullptr;
  {
    lumora::SectionLimit limit(in, header.sectionEnd);
    {
      const AheadScope ahead(in, layers, header.imageType);
      for (std::size_t i = 0; i < layers.size(); ++i) {
        in.aheadLayer = i;
        if (layers[i]->ReadChannelData(in, header) == 0) return;  // cancelled: nothing is kept
      }
    }
    ReadTail(in);
  }
  for (const CLayerPtr& layer : layers) {
    if (layer->PeekImage() == nullptr) continue;
    if (stack_->AddLayer(layer.get()) != 0) throw layer_err_fread("a layer of the file cannot be added");
  }
  stack_->SetResolution(stack_->GetResolution());
  if (active != nullptr && stack_->GetLayerIndex(active) >= 0) stack_->SetActiveLayer(active);
}

void CRWLayers::ReadTail(LayeredReader& in) {
  lumora::LayeredFileHeader& header = stack_->FileHeader();
  if (in.Position() <= header.layerInfoEnd) {
    in.Seek(header.layerInfoEnd);
  } else if ((in.Position() - header.startPosition) % 2 != 0 && in.Remaining() > 0) {
    in.Skip(1);
  }
  ReadGlobalLayerMask(in, *stack_);
  // The merged image is not needed: its rows are only counted.
  lumora::ReportRowsHandled(header, static_cast<std::uint64_t>(stack_->GetChannelCount()) * header.height);
}

int CRWLayers::Write(int writeMerged) {
  if (stack_ == nullptr || file_ == nullptr) throw layer_err_iofile();
  CLayersManager& stack = *stack_;
  CheckFitsFile(stack);
  LayeredWriter out(*file_);
  lumora::LayeredFileHeader& header = stack.FileHeader();
  header.startPosition = out.Position();
  header.progress = 1;
  std::vector<std::uint8_t>& links = stack.LayerGroupBlock();
  links.clear();
  for (int i = 0; i < stack.GetLayerCount(); ++i) {
    const std::uint16_t id = stack.GetLayer(i)->GetLinkId();
    links.push_back(static_cast<std::uint8_t>(id));
    links.push_back(static_cast<std::uint8_t>(id >> 8));
  }
  ProgressScope progress;
  header.channelRows = header.channelRowTotal = 0;
  try {
    stack.WriteFileHeader(out, static_cast<int>(stack.GetNativeFormat()));
  } catch (...) {
    links.clear();
    throw;
  }
  links.clear();
  if (stack.GetImageType() == kWAType24 || stack.GetImageType() == kWAType8Grey) {
    for (int i = 0; i < stack.GetLayerCount(); ++i) stack.GetLayer(i)->WritePSDRecord(out, header);
    for (int i = 0; i < stack.GetLayerCount(); ++i) stack.GetLayer(i)->WriteChannelData(out, header);
  }
  stack.FinishLayerSection(out, writeMerged);
  return 1;
}

void CRWLayers::Save(const std::string& path, int writeMerged) {
  if (path.empty()) throw lumora::FileException(lumora::FileException::badPath);
  if (stack_ == nullptr) throw layer_err_iofile();
  std::string error;
  const std::string temp = lumora::CreateTempFileBeside(path, &error);
  if (temp.empty()) throw layer_err_fwrite(("The file was not saved: " + error).c_str());
  try {
    lumora::DiskFile file(temp, lumora::DiskFile::kCreateWrite);
    file_ = &file;
    Write(writeMerged);
    file.Close();
    file_ = nullptr;
  } catch (...) {
    file_ = nullptr;
    lumora::RemoveFile(temp);
    throw;
  }
  if (!lumora::FlushFileToDisk(temp, &error) || !lumora::ReplaceFileAtomically(temp, path, &error)) {
    lumora::RemoveFile(temp);
    throw layer_err_fwrite(("The file was not saved and the old one is unchanged: " + error).c_str());
  }
}

CLayer* CRWLayers::ReadLayerRef(CLayer** out) {
  *out = nullptr;
  std::uint8_t bytes[lumora::kLayerRefBytes];
  if (file_ == nullptr || file_->Read(bytes, sizeof bytes) != sizeof bytes) return nullptr;
  if (LoadLE(bytes + 4, 4) != lumora::CurrentProcessId()) return nullptr;
  const std::uint64_t address = LoadLE(bytes + 8, 8);
  const std::uint64_t uniqueId = LoadLE(bytes + 16, 8);
  std::lock_guard<std::mutex> lock(gOfferedMutex);
  for (CLayer* layer : Offered()) {
    if (reinterpret_cast<std::uintptr_t>(layer) != address || layer->GetUniqueId() != uniqueId) continue;
    CLayer* copy = layer->CreateCopy();
    if (!copy->IsWholeCopyOf(*layer)) {
      copy->Release();
      return nullptr;
    }
    *out = copy;
    return copy;
  }
  return nullptr;
}

void CRWLayers::WriteLayerRef(CLayer* layer) {
  if (layer == nullptr) throw layer_bad_layer();
  if (file_ == nullptr) throw layer_err_iofile();
  std::uint8_t bytes[lumora::kLayerRefBytes];
  StoreLE32(bytes, PackedResolutionOf(*layer));
  StoreLE32(bytes + 4, lumora::CurrentProcessId());
  StoreLE64(bytes + 8, reinterpret_cast<std::uintptr_t>(layer));
  StoreLE64(bytes + 16, layer->GetUniqueId());
  file_->Write(bytes, sizeof bytes);
}

int IsLayeredFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return 0;
  char head[4] = {};
  const std::size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return got == 4 && (std::memcmp(head, "8BPS", 4) == 0 || std::memcmp(head, "LU40", 4) == 0) ? 1 : 0;
}
