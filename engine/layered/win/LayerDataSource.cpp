// Rendering a dragged layer's reference stream.
#include "engine/layered/win/LayerDataSource.h"

#include "engine/layered/RWLayers.h"
#include "engine/pixels/AppValues.h"
#include "hostapi/toolhost.h"
#include "platform/win/ole_stream_file.h"

namespace {

// The stream file reserves this much ahead and grows by as much.
constexpr std::uint32_t kStreamStep = 1048576;

// The preview is off while the stream is written and on again on every
// way out.
class PreviewPause {
 public:
  PreviewPause() { LUPreview_Enable(0); }
  ~PreviewPause() { LUPreview_Enable(1); }
  PreviewPause(const PreviewPause&) = delete;
  PreviewPause& operator=(const PreviewPause&) = delete;
};

}  // namespace

CLayerDataSource::~CLayerDataSource() { SetLayer(nullptr); }

CLayer* CLayerDataSource::SetLayer(CLayer* layer) {
  if (layer == layer_) return layer;
  if (layer != nullptr) {
    layer->AddRef();
    lumora::OfferLayerForReference(layer);
  }
  if (layer_ != nullptr) {
    lumora::WithdrawLayerReference(layer_);
    layer_->Release();
  }
  layer_ = layer;
  return layer;
}

bool CLayerDataSource::WriteReference(IStream* stream) {
  PreviewPause pause;
  try {
    CMyOleStreamFile file(stream, kStreamStep, kStreamStep);
    CRWLayers(&file).WriteLayerRef(layer_);
    file.Flush();
    return true;
  } catch (...) {
    // Any fault of the stream or the layer is this rendering's failure;
    // nothing may reach OLE.
    return false;
  }
}

BOOL CLayerDataSource::OnRenderData(const FORMATETC* format, STGMEDIUM* medium) {
  const unsigned layerFormat = lumora::GetLayerClipboardFormat();
  if (format == nullptr || medium == nullptr || layerFormat == 0 || format->cfFormat != layerFormat) return FALSE;
  if (layer_ == nullptr) return FALSE;
  if (medium->tymed == TYMED_ISTREAM) return medium->pstm != nullptr && WriteReference(medium->pstm) ? TRUE : FALSE;
  if (medium->tymed != TYMED_NULL) return FALSE;
  // The stream frees its memory when the receiver releases it.
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) || stream == nullptr) return FALSE;
  if (!WriteReference(stream)) {
    stream->Release();
    return FALSE;
  }
  medium->tymed = TYMED_ISTREAM;
  medium->pstm = stream;
  medium->pUnkForRelease = nullptr;
  return TRUE;
}
