// An ordered list of damaged pieces with the render queue's merge rule,
// indexed by cell so that merging, taking the piece under the pointer and
// re-prioritising cost little however long the list grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win32types.h"
#include "engine/render/CellGrid.h"

namespace lumora {

// Not thread-safe: the render queue guards each list with its queue lock.
//
// The order is one doubly linked list. Beside it, every cell index has a
// bucket of its pieces, and a bucket that grows large gets a 16 x 16 block
// index, so a merge only looks at the pieces of its own cell near the new
// one. Merge results depend on the list order among the pieces of one cell;
// each node carries a key that orders it against the other pieces of its
// cell.
class CellList {
 public:
  CellList();
  ~CellList();
  CellList(const CellList&) = delete;
  CellList& operator=(const CellList&) = delete;

  // Where the cells lie, for the block index inside a cell. Any value keeps
  // the results right; the right one keeps them fast.
  void SetGeometry(int columns);

  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  // Merges a piece into the list. Pieces of one cell are compared from the
  // head of the list:
  //  1. an entry containing the piece (edges included) is unlinked and its
  //     rectangle appended at the tail in place of the piece;
  //  2. an entry inside the piece is removed and the walk goes on;
  //  3. an entry overlapping the piece cuts it into the bands of
  //     GetBorderRects (top, left, right, bottom), each merged in turn, and
  //     the piece itself is dropped;
  //  4. an entry sharing a whole edge with the piece is removed, the piece
  //     grows to their union and the walk starts again;
  //  5. any other entry is passed by.
  // What is left of the piece is appended at the tail.
  void AddMerged(const MapRectCell& piece);
  // Appends without merging.
  void Append(const MapRectCell& piece);
  // Puts a piece at the head without merging.
  void PushFront(const MapRectCell& piece);

  // Takes the head piece off the list.
  bool TakeHead(MapRectCell* out);
  // Takes the first piece other than the head that contains pixel `at`
  // (whose cell index is `atIndex`, -1 for none), or the head when there is
  // no such piece.
  bool TakePreferred(int atIndex, POINT at, MapRectCell* out);

  // Reorders the list so that the pieces of the visible cells come first,
  // row by row from the lowest visible row up, each row's pieces in their
  // existing order, all other pieces behind them in their existing order.
  // Costs only the pieces appended since the last call when the visible
  // cells are the same.
  void Prioritize(const CellPriority& priority);

  // Moves every piece out, in list order; the list becomes empty.
  void TakeAll(std::vector<MapRectCell>* out);
  std::vector<MapRectCell> Snapshot() const;
  void Clear();

 private:
  struct Node;
  struct BlockIndex;
  struct Bucket {
    std::vector<Node*> nodes;
    std::unique_ptr<BlockIndex> blocks;
  };

  Node* NewNode(const MapRectCell& piece);
  void FreeNode(Node* node);
  Bucket& BucketFor(int index);

  void LinkAfter(Node* node, Node* after);  // after == nullptr: at the head
  void Unlink(Node* node);
  void AddToBucket(Node* node);
  void RemoveFromBucket(Node* node);
  void Remove(Node* node);  // from the list and its bucket, then freed
  Node* AppendNode(const MapRectCell& piece);

  void BlockRange(int index, const RECT& rect, int* x0, int* x1, int* y0, int* y1) const;
  void IndexInBlocks(Node* node, BlockIndex* blocks);
  void DropFromBlocks(Node* node, BlockIndex* blocks);
  void NextVisitMark();
  void FindTouching(const Bucket& bucket, int index, const RECT& rect);
  void MergeOne(int index, RECT rect);

  void ReorderAll(const CellPriority& priority);
  void PlacePending();
  Node* LastBeforeGroup(int group) const;

  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  std::size_t size_ = 0;
  std::int64_t headKey_ = 0;
  std::int64_t tailKey_ = 0;
  std::vector<Bucket> buckets_;
  int columns_ = 0;

  // Node storage: chunks that never move, and a free list.
  std::vector<std::unique_ptr<Node[]>> chunks_;
  Node* free_ = nullptr;

  // Scratch of a merge.
  std::vector<Node*> touching_;
  std::vector<RECT> work_;
  std::uint32_t visitMark_ = 0;

  // Priority order: while `prioritized_` holds, the list is the pieces
  // ordered by `priority_` (each node's group, lastOfGroup_ the last node of
  // each group) followed by the pieces appended since (from pending_).
  bool prioritized_ = true;
  CellPriority priority_;
  std::vector<Node*> lastOfGroup_{nullptr};
  Node* pending_ = nullptr;
};

}  // namespace lumora
