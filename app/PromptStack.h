// Which status text each of three channels shows: parties hold entries with
// a channel and a priority, and a channel shows the text of its
// highest-priority entry that has one. Deferred texts wait for the next
// idle pass. Channel 0 is the main frame's message bar; the status-bar
// panes read channels 1 and 2.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

class CPromptStack {
 public:
  static constexpr int kChannels = 3;
  static constexpr int kGrowth = 16;

  CPromptStack();

  // A handle (entry index + 1), 0 for a channel outside 0..2.
  int Add(int channel, int priority, bool deferred);
  // Null drops the entry's text and leaves the display as it is.
  void SetText(int handle, const char* text);
  // keep: the channel goes on showing what it shows.
  void ClearText(int handle, bool keep);
  void Remove(int handle);
  // Shows the saved texts of channels 0, 1, 2 (called at every idle pass).
  void RestoreSaved();
  void Show(int channel, const std::string& text);
  // A text for no channel: dropped at the next RestoreSaved.
  void SaveForNoChannel(const std::string& text) { saved_[0] = text; }

  const std::string& Current(int channel) const { return current_[channel]; }
  int Capacity() const { return static_cast<int>(entries_.size()); }
  bool HasSaved() const;

  // Channel 0's text goes to the message bar too.
  std::function<void(const std::string&)> showOnMessageBar;

 private:
  struct Entry {
    bool used = false;
    int channel = 0;
    int priority = 0;
    bool deferred = false;
    std::optional<std::string> text;
  };
  Entry* Find(int handle);
  void Display(int channel, const std::string& text, bool deferred);

  std::array<std::string, kChannels> current_;
  std::vector<Entry> entries_;
  // Slot 0: no channel; slots 1..3: channels 0..2.
  std::array<std::optional<std::string>, kChannels + 1> saved_;
};

}  // namespace lumora
