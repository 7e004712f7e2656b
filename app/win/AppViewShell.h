// The application's side of the views: texts in ruler units, the prompt
// stack, the status zoom, the navigator, help and the picking service; the
// view settings kept in the settings file; the preferences command.
#pragma once

#include "app/Settings.h"

namespace lumora {

class CLumo40App;

// Installs the application's ViewShell (until RemoveAppViewShell).
void InstallAppViewShell(CLumo40App& app);
void RemoveAppViewShell();
// Colour management was set up again: the monitor's and the target's
// problems are said again.
void ResetColorManagementNotices();

// The [Rulers], [Guides] and [Grid] settings into the views' current
// values, and back.
void PushViewSettings(const AppSettings& settings);
void PullViewSettings(AppSettings& settings);

// Options/Preferences: the sheet on a slot (1 Guides and Grid).
void RunPreferences(CLumo40App& app, int firstSlot);

}  // namespace lumora
