// The tool host's own texts until the program's string table carries them:
// ids match res/toolhost_ids.h.
#pragma once

#include "res/toolhost_ids.h"

// The text of a string id of the tool host; "" for an unknown id.
const char* ToolHostText(int id);
// Our text for an error code, or null when the code has none.
const char* ToolHostErrorText(int code);
