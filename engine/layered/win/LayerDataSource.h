// The data of a layer dragged from the layer palette: rendered on request
// as a layer reference stream in the application's layer format. The OLE
// data-source object that offers it calls OnRenderData.
#pragma once

#include <objidl.h>

#include "engine/layers/Layer.h"

class CLayerDataSource {
 public:
  CLayerDataSource() = default;
  CLayerDataSource(const CLayerDataSource&) = delete;
  CLayerDataSource& operator=(const CLayerDataSource&) = delete;
  // Lets go of the held layer.
  ~CLayerDataSource();

  // Holds `layer` (null: none) with a reference of its own and offers it
  // to layer reference streams; the layer held before is let go. Returns
  // the layer.
  CLayer* SetLayer(CLayer* layer);
  CLayer* GetLayer() const { return layer_; }

  // Writes the held layer's reference into the medium's stream, or into a
  // new stream on global memory when the medium is empty, and leaves the
  // stream at its end. FALSE, with the medium as it came, for another
  // format, no layer, a medium that is neither empty nor a stream, or a
  // fault of the stream. Never throws; the preview is on again afterwards.
  BOOL OnRenderData(const FORMATETC* format, STGMEDIUM* medium);

 private:
  bool WriteReference(IStream* stream);

  CLayer* layer_ = nullptr;
};
