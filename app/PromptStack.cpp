// The prompt-text stack's entries, priorities and deferred texts.
#include "app/PromptStack.h"

namespace lumora {

CPromptStack::CPromptStack() : entries_(kGrowth) {}

int CPromptStack::Add(int channel, int priority, bool deferred) {
  if (channel < 0 || channel >= kChannels) return 0;
  int index = -1;
  for (int i = Capacity() - 1; i >= 0; --i) {
    if (!entries_[i].used) {
      index = i;
      break;
    }
  }
  if (index < 0) {
    index = Capacity();
    entries_.resize(entries_.size() + kGrowth);
  }
  entries_[index] = Entry{true, channel, priority, deferred, std::nullopt};
  return index + 1;
}

CPromptStack::Entry* CPromptStack::Find(int handle) {
  if (handle < 1 || handle > Capacity()) return nullptr;
  Entry* e = &entries_[handle - 1];
  return e->used ? e : nullptr;
}

void CPromptStack::Display(int channel, const std::string& text, bool deferred) {
  if (deferred) {
    saved_[channel + 1] = text;
  } else {
    Show(channel, text);
    saved_[channel + 1].reset();
  }
}

void CPromptStack::SetText(int handle, const char* text) {
  Entry* e = Find(handle);
  if (e == nullptr) return;
  if (text == nullptr) {
    e->text.reset();
    return;
  }
  e->text = text;
  for (const Entry& other : entries_) {
    if (&other != e && other.used && other.channel == e->channel && other.priority > e->priority && other.text) {
      return;  // waits in its entry
    }
  }
  Display(e->channel, *e->text, e->deferred);
}

void CPromptStack::ClearText(int handle, bool keep) {
  Entry* e = Find(handle);
  if (e == nullptr || !e->text) return;
  e->text.reset();
  // From the last entry down; only a strictly greater priority replaces the
  // best, so among equals the highest index wins.
  const Entry* best = nullptr;
  for (int i = Capacity() - 1; i >= 0; --i) {
    const Entry& other = entries_[i];
    if (&other == e || !other.used || other.channel != e->channel || !other.text) continue;
    if (best == nullptr || other.priority > best->priority) best = &other;
  }
  if ((best != nullptr && best->priority > e->priority) || keep) return;
  if (best != nullptr) {
    Display(e->channel, *best->text, best->deferred);
  } else {
    Display(e->channel, std::string(), e->deferred);
  }
}

void CPromptStack::Remove(int handle) {
  Entry* e = Find(handle);
  if (e == nullptr) return;
  if (e->text) ClearText(handle, false);
  e->used = false;
  RestoreSaved();
}

void CPromptStack::RestoreSaved() {
  for (int channel = 0; channel < kChannels; ++channel) {
    std::optional<std::string>& slot = saved_[channel + 1];
    if (slot) {
      std::string text = std::move(*slot);
      slot.reset();
      Show(channel, text);
    }
  }
  saved_[0].reset();
}

bool CPromptStack::HasSaved() const {
  for (const auto& slot : saved_) {
    if (slot) return true;
  }
  return false;
}

void CPromptStack::Show(int channel, const std::string& text) {
  if (channel < 0 || channel >= kChannels) return;
  current_[channel] = text;
  if (channel == 0 && showOnMessageBar) showOnMessageBar(text);
}

}  // namespace lumora
