// Command enabling: an update handler fills a small record for one menu
// item, toolbar button or status pane; the Win32 adapters apply only what
// changed since the last pass.
#pragma once

#include <cstdint>
#include <string>

namespace fw {

class CmdTarget;

// What an update handler decides for one item. `checked`: 0 off, 1 on,
// 2 indeterminate (menus show 2 as a radio mark).
struct CmdUIState {
  bool enabled = true;
  std::uint8_t checked = 0;
  bool radio = false;
  bool hasText = false;
  std::string text;

  bool operator==(const CmdUIState&) const = default;
};

// Which parts of a record differ from what an item shows now.
struct CmdUIChanges {
  bool enabled = false;
  bool checked = false;
  bool text = false;
  bool Any() const { return enabled || checked || text; }
};

CmdUIChanges DiffCmdUI(const CmdUIState& shown, const CmdUIState& wanted);

class CmdUI {
 public:
  CmdUI(std::uint32_t id, std::uint32_t index, const CmdUIState& current) : id_(id), index_(index), state_(current) {}

  std::uint32_t Id() const { return id_; }
  // Position of the item in its menu, toolbar or status bar.
  std::uint32_t Index() const { return index_; }

  void Enable(bool on = true) { state_.enabled = on; }
  void SetCheck(int check = 1) { state_.checked = static_cast<std::uint8_t>(check < 0 ? 0 : check > 2 ? 2 : check); }
  void SetRadio(bool on = true) {
    state_.checked = on ? 1 : 0;
    state_.radio = true;
  }
  void SetText(const std::string& text) {
    state_.text = text;
    state_.hasText = true;
  }
  // Lets the route go on to later targets after this handler.
  void ContinueRouting() { continueRouting_ = true; }

  const CmdUIState& State() const { return state_; }
  bool Handled() const { return handled_ && !continueRouting_; }
  void MarkHandled() {
    handled_ = true;
    continueRouting_ = false;
  }

 private:
  std::uint32_t id_;
  std::uint32_t index_;
  CmdUIState state_;
  bool handled_ = false;
  bool continueRouting_ = false;
};

// Whether a menu item that no update handler answers is greyed for want of
// a command handler: only below the window system's range. Items from
// 0xF000 up (system commands, the tool host's sections of the Window menu,
// which it carries out itself) keep the state they were given.
constexpr bool MenuGreysWithoutHandler(std::uint32_t id) { return id < 0xF000; }

// Asks `route` for the item's state. With no update handler the item is
// enabled exactly when some target handles the command, if
// `disableIfNoHandler`; otherwise it keeps `current`.
CmdUIState QueryCommandState(CmdTarget& route, std::uint32_t id, std::uint32_t index, const CmdUIState& current,
                             bool disableIfNoHandler);

}  // namespace fw
