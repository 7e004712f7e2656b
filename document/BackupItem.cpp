// Saved states of the undo history and the default snapshot copier.
#include "document/BackupItem.h"

#include <exception>

namespace lumora {

CLayersManager* SnapshotCopier::Copy(const CLayersManager& stack) {
  CLayersManager* copy = nullptr;
  try {
    copy = new CLayersManager(stack, LayerBuffers::kShare);
  } catch (const std::exception&) {
    return nullptr;
  }
  copy->SetMemoryLock(1);
  return copy;
}

bool SnapshotCopier::Restore(CLayersManager* live, const CLayersManager& snapshot) {
  return live != nullptr && live->ShareFrom(&snapshot) == kLayerOk;
}

VrWA2000::WA* SnapshotCopier::CloneBuffer(const VrWA2000::WA& buffer) { return CloneWA(&buffer); }

SnapshotCopier& DefaultSnapshotCopier() {
  static SnapshotCopier copier;
  return copier;
}

}  // namespace lumora

std::unique_ptr<CBackupItem> CBackupItem::Make(const std::string& name, bool copySelection,
                                               Fragment* selection) {
  std::unique_ptr<CBackupItem> item(new CBackupItem());
  item->name_ = name;
  item->fragmentCopied_ = copySelection;
  if (!copySelection) {
    item->selection_ = ShareFragment(selection);
  } else if (selection != nullptr) {
    // A copy keeps the state's selection when the document later changes
    // its fragment in place.
    item->selection_ = CreateFragmentIndirect(selection);
    if (item->selection_ == nullptr) return nullptr;
    EnableSwappingFrg(selection, 1);
  }
  return item;
}

CBackupItem::~CBackupItem() { DeleteFragment(selection_); }
