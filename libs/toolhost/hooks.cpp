// Message hooks: records installed by the program and its tools, offered
// every message of the passes they asked for, newest first. Runs on the
// user-interface thread only; procedures may install, remove and dispatch
// again from inside a dispatch.
#include <algorithm>
#include <vector>

#include "hostapi/toolhost.h"

namespace {

struct HookEntry {
  std::uint32_t id;
  LU_HOOK record;
  bool ready;    // 1224 delivered: the hook now sees messages
  bool removed;  // never called again; erased once no dispatch runs
};

struct HookRegistry {
  std::vector<HookEntry> hooks;  // installation order
  std::uint32_t lastId = 0;
  int dispatchDepth = 0;

  HookEntry* Find(std::uint32_t id) {
    for (HookEntry& h : hooks) {
      if (h.id == id && !h.removed) return &h;
    }
    return nullptr;
  }

  // Entries marked removed stay while a dispatch walks the list by index.
  void EraseRemoved() {
    if (dispatchDepth != 0) return;
    std::erase_if(hooks, [](const HookEntry& h) { return h.removed; });
  }
};

HookRegistry& Registry() {
  static HookRegistry registry;
  return registry;
}

void Notify(const LU_HOOK& record, std::uint32_t message, std::uint32_t id) {
  const LU_MSG msg{nullptr, message, 0, static_cast<std::intptr_t>(id)};
  std::intptr_t word = kLUPassQueue;
  record.procedure(nullptr, &msg, record.context, &word);
}

}  // namespace

std::uint32_t LUSetLUHook(const void*, const LU_HOOK* hook) {
  if (hook == nullptr || hook->procedure == nullptr) return 0;
  HookRegistry& r = Registry();
  if (++r.lastId == 0) ++r.lastId;
  const std::uint32_t id = r.lastId;
  const LU_HOOK record = *hook;
  r.hooks.push_back(HookEntry{id, record, false, false});
  Notify(record, kLUMsgHookInstalled, id);
  if (HookEntry* entry = r.Find(id)) entry->ready = true;
  return id;
}

int LURemoveLUHook(const void*, std::uint32_t id) {
  HookRegistry& r = Registry();
  HookEntry* entry = r.Find(id);
  if (entry == nullptr) return 0;
  const LU_HOOK record = entry->record;
  entry->removed = true;
  r.EraseRemoved();
  Notify(record, kLUMsgHookRemoved, id);
  return 1;
}

int LUIsSomethingInterest(const void*, const LU_MSG* msg, int mode, std::intptr_t* result) {
  if (msg == nullptr) return 0;
  HookRegistry& r = Registry();
  // Hooks installed from here on wait for the next message: their ids are
  // above this bound.
  const std::uint32_t newestId = r.lastId;
  ++r.dispatchDepth;
  int consumed = 0;
  for (std::size_t i = r.hooks.size(); i-- > 0;) {
    // Re-read by index: a procedure may have grown the list.
    const HookEntry& entry = r.hooks[i];
    if (entry.removed || !entry.ready || entry.id > newestId) continue;
    if ((entry.record.flags & mode) == 0) continue;
    const LU_HOOK record = entry.record;
    std::intptr_t word = mode;
    if (record.procedure(nullptr, msg, record.context, &word) == kLUHookHandled) {
      if (result != nullptr) *result = word;
      consumed = 1;
      break;
    }
  }
  --r.dispatchDepth;
  r.EraseRemoved();
  return consumed;
}
