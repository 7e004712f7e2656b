// The private messages of the image view and its frame.
#pragma once

#include <cstdint>

namespace lumora {

constexpr std::uint32_t kMsgLayerNotice = 1243;     // mask-edit mode and active layer, to every view
constexpr std::uint32_t kMsgViewActivation = 1244;  // view to its frame: 1 activated, 0 deactivated
constexpr std::uint32_t kMsgDocumentNotice = 1245;  // document and view notices, for the tools
constexpr std::uint32_t kMsgSelectionEdges = 1258;  // re-smooth the selection's edges
constexpr std::uint32_t kMsgEmptyRegion = 1264;     // wParam: a region to empty
constexpr std::uint32_t kMsgRedrawReady = 1307;     // the redraw notifier collected damage
constexpr std::uint32_t kMsgCellDone = 2999;        // a composited piece, packed
// The render queue ran dry (posted by the document from the worker; the
// view runs the document's work on the user-interface thread).
constexpr std::uint32_t kMsgQueueEmptyPosted = 3001;

// Codes of 1245 a view sends itself.
enum : int {
  kNoticeActiveImage = 0,
  kNoticeFloatingImage = 1,
  kNoticeNoActiveImage = 2,
  kNoticeNoFloatingImage = 3,
};

}  // namespace lumora
