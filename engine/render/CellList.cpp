// The render queue's piece list: merge rule, cell buckets with block
// indexes, taking pieces and priority order.
#include "engine/render/CellList.h"

#include <algorithm>
#include <array>

#include "platform/rect.h"

namespace lumora {

namespace {

constexpr int kChunkNodes = 256;
// A bucket this full gets a block index; below it a plain scan is cheaper.
constexpr std::size_t kBlockIndexFrom = 24;
constexpr int kBlockShift = 4;  // 16-pixel blocks, 16 x 16 of them per cell
constexpr int kBlocksPerSide = CellGrid::kCellSize >> kBlockShift;

bool Contains(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
         inner.bottom <= outer.bottom;
}

bool Overlaps(const RECT& a, const RECT& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) &&
         std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// Closed rectangles meet: they overlap, touch along an edge or at a corner.
bool Touches(const RECT& a, const RECT& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

bool SharesWholeEdge(const RECT& a, const RECT& b) {
  const bool stacked =
      a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top);
  const bool beside =
      a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left);
  return stacked || beside;
}

int BlockOf(std::int64_t offset) {
  return static_cast<int>(std::clamp<std::int64_t>(offset >> kBlockShift, 0, kBlocksPerSide - 1));
}

}  // namespace

struct CellList::Node {
  MapRectCell cell;
  std::int64_t key = 0;  // orders the node among the pieces of its cell
  Node* prev = nullptr;
  Node* next = nullptr;
  int group = -1;          // priority group; -1 while pending
  std::uint32_t slot = 0;  // position in its bucket
  std::uint32_t mark = 0;  // visit mark of a block search
};

// Each block lists the pieces that touch it, with their rectangles at hand
// so that a search reads the nodes of touching pieces only.
struct CellList::BlockIndex {
  struct Entry {
    RECT rect;
    Node* node;
  };
  std::array<std::vector<Entry>, kBlocksPerSide * kBlocksPerSide> blocks;
};

CellList::CellList() = default;
CellList::~CellList() = default;

void CellList::SetGeometry(int columns) {
  // Existing block indexes were built with the old geometry; rebuild them so
  // that every node is found where the new geometry looks for it.
  columns_ = std::max(columns, 0);
  for (Bucket& bucket : buckets_) {
    if (!bucket.blocks) continue;
    bucket.blocks = std::make_unique<BlockIndex>();
    for (Node* node : bucket.nodes) IndexInBlocks(node, bucket.blocks.get());
  }
}

CellList::Node* CellList::NewNode(const MapRectCell& piece) {
  if (free_ == nullptr) {
    chunks_.push_back(std::make_unique<Node[]>(kChunkNodes));
    Node* chunk = chunks_.back().get();
    for (int i = 0; i < kChunkNodes; ++i) {
      chunk[i].next = free_;
      free_ = &chunk[i];
    }
  }
  Node* node = free_;
  free_ = node->next;
  *node = Node{};
  node->cell = piece;
  return node;
}

void CellList::FreeNode(Node* node) {
  node->next = free_;
  free_ = node;
}

CellList::Bucket& CellList::BucketFor(int index) {
  if (static_cast<std::size_t>(index) >= buckets_.size()) buckets_.resize(index + 1);
  return buckets_[index];
}

void CellList::LinkAfter(Node* node, Node* after) {
  node->prev = after;
  node->next = after != nullptr ? after->next : head_;
  if (node->next != nullptr) {
    node->next->prev = node;
  } else {
    tail_ = node;
  }
  if (after != nullptr) {
    after->next = node;
  } else {
    head_ = node;
  }
  ++size_;
}

void CellList::Unlink(Node* node) {
  if (node == pending_) pending_ = node->next;
  if (prioritized_ && node->group >= 0 && lastOfGroup_[node->group] == node) {
    const bool prevSameGroup = node->prev != nullptr && node->prev->group == node->group;
    lastOfGroup_[node->group] = prevSameGroup ? node->prev : nullptr;
  }
  if (node->prev != nullptr) {
    node->prev->next = node->next;
  } else {
    head_ = node->next;
  }
  if (node->next != nullptr) {
    node->next->prev = node->prev;
  } else {
    tail_ = node->prev;
  }
  --size_;
}

void CellList::AddToBucket(Node* node) {
  Bucket& bucket = BucketFor(node->cell.index);
  node->slot = static_cast<std::uint32_t>(bucket.nodes.size());
  bucket.nodes.push_back(node);
  if (bucket.blocks) {
    IndexInBlocks(node, bucket.blocks.get());
  } else if (bucket.nodes.size() >= kBlockIndexFrom) {
    bucket.blocks = std::make_unique<BlockIndex>();
    for (Node* each : bucket.nodes) IndexInBlocks(each, bucket.blocks.get());
  }
}

void CellList::RemoveFromBucket(Node* node) {
  Bucket& bucket = buckets_[node->cell.index];
  if (bucket.blocks) DropFromBlocks(node, bucket.blocks.get());
  Node* last = bucket.nodes.back();
  bucket.nodes[node->slot] = last;
  last->slot = node->slot;
  bucket.nodes.pop_back();
  if (bucket.nodes.empty()) bucket.blocks.reset();
}

void CellList::Remove(Node* node) {
  Unlink(node);
  RemoveFromBucket(node);
  FreeNode(node);
}

CellList::Node* CellList::AppendNode(const MapRectCell& piece) {
  Node* node = NewNode(piece);
  node->key = ++tailKey_;
  LinkAfter(node, tail_);
  if (prioritized_ && pending_ == nullptr) pending_ = node;
  AddToBucket(node);
  return node;
}

// The blocks that the closed rectangle touches, relative to the node's cell.
// Clamping keeps the mapping monotonic, so two closed rectangles that meet
// always share a block, whatever the geometry.
void CellList::BlockRange(int index, const RECT& rect, int* x0, int* x1, int* y0, int* y1) const {
  std::int64_t cellLeft = 0;
  std::int64_t cellTop = 0;  // the cell's smallest y
  if (columns_ > 0) {
    cellLeft = std::int64_t{index % columns_} * CellGrid::kCellSize;
    cellTop = std::int64_t{index / columns_} * CellGrid::kCellSize;
  }
  *x0 = BlockOf(rect.left - cellLeft);
  *x1 = BlockOf(rect.right - cellLeft);
  *y0 = BlockOf(rect.top - cellTop);
  *y1 = BlockOf(rect.bottom - cellTop);
}

void CellList::IndexInBlocks(Node* node, BlockIndex* index) {
  int x0, x1, y0, y1;
  BlockRange(node->cell.index, node->cell.rect, &x0, &x1, &y0, &y1);
  for (int by = y0; by <= y1; ++by) {
    for (int bx = x0; bx <= x1; ++bx) {
      index->blocks[by * kBlocksPerSide + bx].push_back(BlockIndex::Entry{node->cell.rect, node});
    }
  }
}

void CellList::DropFromBlocks(Node* node, BlockIndex* index) {
  int x0, x1, y0, y1;
  BlockRange(node->cell.index, node->cell.rect, &x0, &x1, &y0, &y1);
  for (int by = y0; by <= y1; ++by) {
    for (int bx = x0; bx <= x1; ++bx) {
      std::vector<BlockIndex::Entry>& block = index->blocks[by * kBlocksPerSide + bx];
      auto found = std::find_if(block.begin(), block.end(),
                                [node](const BlockIndex::Entry& e) { return e.node == node; });
      *found = block.back();
      block.pop_back();
    }
  }
}

// Fills touching_ with the pieces of the bucket whose closed rectangles meet
// `rect`, in list order. Pieces that do not meet it pass by in every step of
// the merge, so leaving them out changes nothing.
void CellList::FindTouching(const Bucket& bucket, int index, const RECT& rect) {
  touching_.clear();
  if (!bucket.blocks) {
    for (Node* node : bucket.nodes) {
      if (Touches(node->cell.rect, rect)) touching_.push_back(node);
    }
  } else {
    NextVisitMark();
    int x0, x1, y0, y1;
    BlockRange(index, rect, &x0, &x1, &y0, &y1);
    for (int by = y0; by <= y1; ++by) {
      for (int bx = x0; bx <= x1; ++bx) {
        for (const BlockIndex::Entry& entry : bucket.blocks->blocks[by * kBlocksPerSide + bx]) {
          if (!Touches(entry.rect, rect) || entry.node->mark == visitMark_) continue;
          entry.node->mark = visitMark_;
          touching_.push_back(entry.node);
        }
      }
    }
  }
  std::sort(touching_.begin(), touching_.end(),
            [](const Node* a, const Node* b) { return a->key < b->key; });
}

void CellList::NextVisitMark() {
  if (++visitMark_ != 0) return;
  // Wrapped: no node may keep a mark that looks current.
  for (const auto& chunk : chunks_) {
    for (int i = 0; i < kChunkNodes; ++i) chunk[i].mark = 0;
  }
  visitMark_ = 1;
}

void CellList::AddMerged(const MapRectCell& piece) {
  if (RectIsEmpty(piece.rect) || piece.index < 0) return;
  BucketFor(piece.index);  // sized once, so bucket references stay valid
  // The bands of a cut piece are merged depth first, top band first: a
  // stack of pending rectangles does what recursion would, without its
  // depth.
  work_.clear();
  work_.push_back(piece.rect);
  while (!work_.empty()) {
    const RECT rect = work_.back();
    work_.pop_back();
    MergeOne(piece.index, rect);
  }
}

void CellList::MergeOne(int index, RECT rect) {
  const Bucket& bucket = buckets_[index];
  bool restart = true;
  while (restart) {
    restart = false;
    FindTouching(bucket, index, rect);
    for (Node* entry : touching_) {
      const RECT held = entry->cell.rect;
      if (Contains(held, rect)) {
        rect = held;
        Remove(entry);
        break;
      }
      if (Contains(rect, held)) {
        // Entries passed so far still pass: the piece is unchanged.
        Remove(entry);
        continue;
      }
      if (Overlaps(held, rect)) {
        RECT bands[4];
        GetBorderRects(rect, held, &bands[0], &bands[1], &bands[2], &bands[3]);
        for (int i = 3; i >= 0; --i) {
          if (!RectIsEmpty(bands[i])) work_.push_back(bands[i]);
        }
        return;
      }
      if (SharesWholeEdge(held, rect)) {
        RectUnion(&rect, held, rect);
        Remove(entry);
        restart = true;
        break;
      }
    }
  }
  AppendNode(MapRectCell{index, rect});
}

void CellList::Append(const MapRectCell& piece) {
  if (piece.index < 0) return;
  AppendNode(piece);
}

void CellList::PushFront(const MapRectCell& piece) {
  if (piece.index < 0) return;
  Node* node = NewNode(piece);
  node->key = --headKey_;
  LinkAfter(node, nullptr);
  AddToBucket(node);
  if (!prioritized_) return;
  // Still in priority order when no earlier group holds a piece.
  const int group = priority_.GroupOf(piece.index);
  if (LastBeforeGroup(group) != nullptr) {
    prioritized_ = false;
    pending_ = nullptr;
    return;
  }
  node->group = group;
  if (lastOfGroup_[group] == nullptr) lastOfGroup_[group] = node;
}

bool CellList::TakeHead(MapRectCell* out) {
  if (head_ == nullptr) return false;
  *out = head_->cell;
  Remove(head_);
  return true;
}

bool CellList::TakePreferred(int atIndex, POINT at, MapRectCell* out) {
  if (head_ == nullptr) return false;
  Node* best = nullptr;
  if (atIndex >= 0 && static_cast<std::size_t>(atIndex) < buckets_.size()) {
    const Bucket& bucket = buckets_[atIndex];
    const RECT pixel{at.x, at.y, at.x + 1, at.y + 1};
    auto consider = [&](Node* node) {
      if (node == head_ || !Contains(node->cell.rect, pixel)) return;
      if (best == nullptr || node->key < best->key) best = node;
    };
    if (bucket.blocks) {
      int x0, x1, y0, y1;
      BlockRange(atIndex, RECT{at.x, at.y, at.x, at.y}, &x0, &x1, &y0, &y1);
      for (const BlockIndex::Entry& entry : bucket.blocks->blocks[y0 * kBlocksPerSide + x0]) {
        consider(entry.node);
      }
    } else {
      for (Node* node : bucket.nodes) consider(node);
    }
  }
  Node* taken = best != nullptr ? best : head_;
  *out = taken->cell;
  Remove(taken);
  return true;
}

CellList::Node* CellList::LastBeforeGroup(int group) const {
  for (int g = group - 1; g >= 0; --g) {
    if (lastOfGroup_[g] != nullptr) return lastOfGroup_[g];
  }
  return nullptr;
}

void CellList::Prioritize(const CellPriority& priority) {
  if (prioritized_ && priority == priority_) {
    PlacePending();
  } else {
    ReorderAll(priority);
  }
}

// Appending at the tail and then reordering puts each appended piece last
// in its group: done here directly, one piece at a time.
void CellList::PlacePending() {
  for (Node* node = pending_; node != nullptr;) {
    Node* next = node->next;
    const int group = priority_.GroupOf(node->cell.index);
    Node* after = lastOfGroup_[group] != nullptr ? lastOfGroup_[group] : LastBeforeGroup(group);
    if (after != node->prev) {
      pending_ = nullptr;  // plain relinking: no bookkeeping while moving
      Unlink(node);
      LinkAfter(node, after);
    }
    node->group = group;
    lastOfGroup_[group] = node;
    node = next;
  }
  pending_ = nullptr;
}

void CellList::ReorderAll(const CellPriority& priority) {
  const int groups = priority.RowGroups() + 1;
  std::vector<std::vector<Node*>> byGroup(groups);
  for (Node* node = head_; node != nullptr; node = node->next) {
    node->group = priority.GroupOf(node->cell.index);
    byGroup[node->group].push_back(node);
  }
  head_ = tail_ = nullptr;
  size_ = 0;
  lastOfGroup_.assign(groups, nullptr);
  for (int g = 0; g < groups; ++g) {
    for (Node* node : byGroup[g]) LinkAfter(node, tail_);
    if (!byGroup[g].empty()) lastOfGroup_[g] = byGroup[g].back();
  }
  priority_ = priority;
  prioritized_ = true;
  pending_ = nullptr;
}

void CellList::TakeAll(std::vector<MapRectCell>* out) {
  for (Node* node = head_; node != nullptr;) {
    Node* next = node->next;
    if (out != nullptr) out->push_back(node->cell);
    Bucket& bucket = buckets_[node->cell.index];
    bucket.nodes.clear();
    bucket.blocks.reset();
    FreeNode(node);
    node = next;
  }
  head_ = tail_ = nullptr;
  size_ = 0;
  // An empty list is in any priority order.
  prioritized_ = true;
  lastOfGroup_.assign(priority_.RowGroups() + 1, nullptr);
  pending_ = nullptr;
}

std::vector<MapRectCell> CellList::Snapshot() const {
  std::vector<MapRectCell> cells;
  cells.reserve(size_);
  for (const Node* node = head_; node != nullptr; node = node->next) cells.push_back(node->cell);
  return cells;
}

void CellList::Clear() { TakeAll(nullptr); }

}  // namespace lumora
