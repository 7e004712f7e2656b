// The history's side of shared pixel buffers: giving the snapshots clones
// of the live buffers a step is about to write.
#include <algorithm>
#include <set>
#include <utility>

#include "document/UndoManager.h"

void CUndoManager::ShareOutside(CLayersManager* snapshot) { outside_ = CLayersManagerPtr::Share(snapshot); }

std::vector<CLayersManager*> CUndoManager::HeldSnapshots(const CLayersManager* live) const {
  std::vector<CLayersManager*> snapshots;
  // The outside snapshot counts while another holder keeps it; held by
  // this history alone, nobody can see its pixels any more.
  if (outside_ && outside_->GetRefCount() <= 1) outside_ = nullptr;
  if (outside_ && outside_.get() != live) snapshots.push_back(outside_.get());
  for (const ItemStack* stack : {&undo_, &redo_}) {
    for (const ItemPtr& item : *stack) {
      CLayersManager* snapshot = item->GetSnapshot();
      if (snapshot == nullptr || snapshot == live) continue;
      if (std::find(snapshots.begin(), snapshots.end(), snapshot) == snapshots.end()) {
        snapshots.push_back(snapshot);
      }
    }
  }
  return snapshots;
}

namespace {

// The buffers of the listed layers that belong to `live`, each once.
std::vector<VrWA2000::WA*> BuffersOf(const CUndoManager::LayerList* changing,
                                     const CLayersManager& live) {
  std::vector<const CLayer*> layers;
  for (int i = 0; i < live.GetLayerCount(); ++i) {
    const CLayer* layer = live.GetLayer(i);
    if (changing == nullptr ||
        std::find(changing->begin(), changing->end(), layer) != changing->end()) {
      layers.push_back(layer);
    }
  }
  std::vector<VrWA2000::WA*> buffers;
  for (const CLayer* layer : layers) {
    for (VrWA2000::WA* buffer : layer->GetBuffers()) {
      if (std::find(buffers.begin(), buffers.end(), buffer) == buffers.end()) {
        buffers.push_back(buffer);
      }
    }
  }
  return buffers;
}

}  // namespace

bool CUndoManager::DetachLayers(const LayerList* changing, const CLayersManager* live,
                                CLayersManager* fresh) {
  if (live == nullptr) return false;
  std::vector<CLayersManager*> snapshots = HeldSnapshots(live);
  if (fresh != nullptr && fresh != live &&
      std::find(snapshots.begin(), snapshots.end(), fresh) == snapshots.end()) {
    snapshots.push_back(fresh);
  }
  std::set<const VrWA2000::WA*> held;
  for (const CLayersManager* snapshot : snapshots) {
    for (int i = 0; i < snapshot->GetLayerCount(); ++i) {
      for (const VrWA2000::WA* buffer : snapshot->GetLayer(i)->GetBuffers()) held.insert(buffer);
    }
  }
  // Every clone is made before any snapshot changes, so a failure leaves
  // them all as they were.
  std::vector<std::pair<VrWA2000::WA*, WAPtr>> clones;
  for (VrWA2000::WA* buffer : BuffersOf(changing, *live)) {
    if (held.count(buffer) == 0) continue;
    WAPtr clone = WAPtr::Adopt(copier_->CloneBuffer(*buffer));
    if (!clone) return false;
    clones.emplace_back(buffer, std::move(clone));
  }
  for (CLayersManager* snapshot : snapshots) {
    for (const auto& [buffer, clone] : clones) snapshot->ReplaceBuffer(buffer, clone.get());
  }
  return true;
}
