#include "document/DocumentServices.h"

#include <atomic>
#include <new>

namespace lumora {

namespace {

std::atomic<bool> trackerRunning{false};
std::atomic<bool> cropToolAvailable{false};

struct IdRange {
  std::uint32_t first;
  std::uint32_t last;
};

// Commands that only change what is shown, or close and help, never the
// image a tracking tool is working on.
constexpr IdRange kAllowedWhileTracking[] = {
    {32925, 32929}, {32933, 32934}, {32977, 32977}, {33093, 33097},
    {33123, 33123}, {57602, 57602}, {57670, 57670}, {59393, 59393},
};

}  // namespace

void SetTrackerRunning(bool running) { trackerRunning.store(running); }

namespace {
int (*transformQuery)() = nullptr;
}  // namespace

void SetTransformQuery(int (*query)()) { transformQuery = query; }
int QueryRunningTransform() { return transformQuery != nullptr ? transformQuery() : 1; }
bool IsTrackerRunning() { return trackerRunning.load(); }
void SetCropToolAvailable(bool available) { cropToolAvailable.store(available); }
bool IsCropToolAvailable() { return cropToolAvailable.load(); }

bool IsCommandAllowedWhileTracking(std::uint32_t id, bool tracking) {
  if (!tracking) return true;
  for (const IdRange& range : kAllowedWhileTracking) {
    if (id >= range.first && id <= range.last) return true;
  }
  return false;
}

bool FilterCommandEnable(std::uint32_t id, bool enable, bool tracking) {
  return enable && (!tracking || IsCommandAllowedWhileTracking(id, true));
}

CreationRecord LayerCreationRecord(CLayer* layer) {
  CreationRecord record;
  record.kind = 4;
  record.a = reinterpret_cast<std::uintptr_t>(layer);
  return record;
}

CreationRecord StackCreationRecord(CLayersManager* stack) {
  CreationRecord record;
  record.kind = 3;
  record.b = reinterpret_cast<std::uintptr_t>(stack);
  return record;
}

CreationRecord ImageCreationRecord(VrWA2000::WA* image, const char* title) {
  CreationRecord record;
  record.kind = 0;
  record.a = reinterpret_cast<std::uintptr_t>(image);
  record.b = reinterpret_cast<std::uintptr_t>(title);
  return record;
}

DocumentCopy CopyDocumentStack(const ImageDocument& source, bool merge) {
  DocumentCopy copy;
  if (!source.HasImage() || source.GetLayers() == nullptr) return copy;
  try {
    copy.stack = CLayersManagerPtr::Adopt(new CLayersManager(*source.GetLayers()));
  } catch (const std::exception&) {
    return copy;
  }
  // A stack of one layer has nothing to merge (1); anything else failed.
  if (merge) {
    try {
      const int merged = copy.stack->MergeAll(1);
      copy.mergeFailed = merged != 0 && merged != 1;
    } catch (const std::exception&) {
      copy.mergeFailed = true;
    }
  }
  return copy;
}

}  // namespace lumora
