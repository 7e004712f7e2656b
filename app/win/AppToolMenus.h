// The registered-tool menus in the running program: built into the image
// menu from the tool host's registry, chosen through the main frame, their
// prompts, and F1 on any highlighted menu entry.
#pragma once

#include <windows.h>

#include <string>

#include "app/ToolMenus.h"

namespace lumora {

// Builds the tables into the document menu's Tools popup (5), the first and
// third sub-popups of Image (3) and the second sub-popup of Options (7).
bool BuildAppToolMenus(ToolMenus& menus, HMENU documentMenu, const void* site);

// Options/Default Area Type of `mainMenu` (the menu of no image) becomes a
// copy of the document menu's, built from the registry: same items, same
// command ids.
void CopyDefaultAreaTypes(HMENU documentMenu, HMENU mainMenu);

// Greys the placeholders of empty tool menus wherever `menu` holds them
// (the resource gives them as plain items).
void GreyToolPlaceholders(HMENU menu);

// A tool command opens the tool's pane; an area type becomes the default
// one. False when the id is no tool's or the tool could not be made (the
// tool host's error shown).
bool CreateToolInstanceByCommand(const ToolMenus& menus, const void* site, std::uint32_t id);

// The tool's prompt (its string base + 3), empty when it has none; false for
// an unknown tool or one whose library cannot be locked.
bool LoadRegToolString(const void* site, int tool, std::string* text, int offset = 3);

// The tool's own help for a tool command; recent files and the window list
// have a line of their own. `notATool` is set for any other id. 0 when
// answered, else a tool-host error code.
int ShowRegToolHelp(const ToolMenus& menus, const void* site, std::uint32_t id, bool* notATool);

// WM_MENUSELECT of the main frame: what is highlighted, for F1.
void TrackMenuSelection(MenuHelpState& state, HMENU menu, WPARAM wParam, LPARAM lParam);

// Help on what `state` says is highlighted; false when the class
// library's own F1 should answer.
bool ShowMenuHelp(const ToolMenus& menus, const void* site, const MenuHelpState& state, HMENU mainMenu);

// The thread's WH_MSGFILTER hook that answers F1 inside menus.
HHOOK InstallMenuHelpHook(const ToolMenus* menus, const void* site, MenuHelpState* state);

// A message text of the string table with its "%s" filled in.
std::string FillMessage(std::uint32_t id, const std::string& argument);

// Depth-first position of `target` among the popups of `root` (top-level
// popups first at 0), -1 when it is not there.
int PopupPosition(HMENU root, HMENU target);

}  // namespace lumora
