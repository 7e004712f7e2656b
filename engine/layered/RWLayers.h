// The layered file as a whole: CRWLayers reads a document into an empty
// stack and saves a stack (through a temporary file that then replaces the
// target), IsLayeredFile tells a layered file by its first bytes, and the
// layer reference stream carries a dragged layer between windows of the
// running program.
#pragma once

#include <cstdint>
#include <string>

#include "engine/layered/LayerFileErrors.h"
#include "engine/layers/LayerMng.h"
#include "engine/pixels/WAccess.h"

namespace lumora {

class StreamFile;

// Layers a layer reference stream may name: the data source of a drag
// offers its layer for as long as it holds it (holding a reference of its
// own), and a stream naming anything else is refused.
void OfferLayerForReference(CLayer* layer);
void WithdrawLayerReference(CLayer* layer);

// Bytes of a layer reference stream: resolution (x dots per inch low, y
// high), process id, the layer's address and its unique id, each
// little-endian.
inline constexpr std::uint32_t kLayerRefBytes = 24;

}  // namespace lumora

class CRWLayers {
 public:
  // For reading the document at the file's position into the stack;
  // layer_err_iofile for a null stack or file.
  CRWLayers(CLayersManager* stack, lumora::StreamFile* file);
  // For saving the stack (Save opens the file); layer_err_iofile for null.
  explicit CRWLayers(CLayersManager* stack);
  // For a layer reference stream; a null file is an invalid file.
  explicit CRWLayers(lumora::StreamFile* file);
  CRWLayers(const CRWLayers&) = delete;
  CRWLayers& operator=(const CRWLayers&) = delete;

  // Reads the document; the stack must be empty. It ends complete (layers,
  // guides, resolution, global layer mask, the file's active layer) or,
  // after a cancel, without layers; every failure empties it and throws
  // layer_err_fread.
  void Read();
  // Writes the stack to the path through a temporary file beside it that
  // then replaces the target in one step. A failure leaves the target as it
  // was and no temporary file: the file's exception while writing,
  // layer_err_fwrite otherwise.
  void Save(const std::string& path, int writeMerged);
  // Writes the document at the file's position; 1.
  int Write(int writeMerged);

  // A copy (one reference, the caller's) of the layer the stream names,
  // also stored in *out; null when the stream names no layer offered in
  // this process.
  CLayer* ReadLayerRef(CLayer** out);
  // Writes the stream for a layer (layer_bad_layer for null).
  void WriteLayerRef(CLayer* layer);

 private:
  void ReadDocument(lumora::LayeredReader& in);
  void ReadFlat(lumora::LayeredReader& in);
  void ReadLayers(lumora::LayeredReader& in, int count);
  void ReadTail(lumora::LayeredReader& in);

  lumora::StreamFile* file_ = nullptr;
  CLayersManager* stack_ = nullptr;
};

// 1 when the file begins with "8BPS" or "LU40", else 0 (also for a file
// that cannot be opened or is shorter than four bytes).
int IsLayeredFile(const std::string& path);

// The merged image of a layered file (for previews), or null when the file
// is not one this program reads. A file that cannot be opened throws the
// file's exception.
WAPtr ReadLayeredFileComposite(const std::string& path);
WAPtr ReadLayeredFileComposite(lumora::StreamFile& file);

// Reads a u32 length and skips that many bytes; returns the length + 4.
std::uint64_t SkipPSDBlock(lumora::LayeredReader& in);
