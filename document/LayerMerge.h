// Which merge the Layer menu's merge item offers, and the merges the
// document's steps run: each core holds the document lock from the merge
// until the merged layers are gone, and returns 0 when it merged, 1 when
// there was nothing to merge and 16 when the merge or the insertion failed
// (the stack unchanged).
#pragma once

#include "engine/layers/LayerMng.h"

namespace lumora {

enum MergeKind : int {
  kMergeNone = 0,
  kMergeLinked = 1,  // the layers linked with the active one
  kMergeDown = 2,    // the active layer into the one below
  kMergeGroup = 3,   // the clipping group whose base is active
};

// What the active layer may be merged with. Linked layers merge only when
// no clipping group is split between the link set and the other layers.
int ClassifyMerge(const CLayersManager& stack);

int MergeLinkedCore(CLayersManager& stack);
int MergeDownCore(CLayersManager& stack);
int MergeGroupCore(CLayersManager& stack);
// The visible layers into one above the active layer; hidden layers stay.
int MergeVisibleCore(CLayersManager& stack);
// The core of the kind ClassifyMerge gives (1 for none).
int MergeByKind(CLayersManager& stack);
// One layer of the visible layers merged on white; 1, untouched, for an
// image whose type holds no layers or a stack that is flat already. With
// `compositeCurrent` (every piece of the composite rendered) the merged
// image is taken from the composite instead of a render pass of its own.
int FlattenCore(CLayersManager& stack, bool compositeCurrent = false);

}  // namespace lumora
