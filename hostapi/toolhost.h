// The tool-host library: error state (this slice). Errors are recorded with
// the code, the reporting unit's name and a line, for later display.
#pragma once

#include <string>

// Records an error for the site and returns a non-zero result (the code, or
// 1 when the code is 0). While reporting is frozen nothing is recorded.
int LUErrorCode(const void* site, int code, const char* source, int line, int reserved);
// Records an error for a context (site, view or document); same rules.
int LUSetErrorCode(const void* context, int code, const char* source, int line, int reserved);
// Sets the text shown with the recorded error (a path, a name).
void LUSetErrorStringExt(const char* text);
// Freezing nests: errors are recorded again after as many unfreezes.
void LUFreezeError();
void LUUnfreezeError();
// Forgets the recorded error.
void LUResetError();

// What was recorded last.
struct LUErrorState {
  int code = 0;
  std::string source;
  int line = 0;
  std::string text;
};
LUErrorState LUGetErrorState();

// The tool host's live preview: switched off around work that must not be
// interrupted by a preview refresh. Nests: on again after as many enables
// as disables. Enabled at start.
void LUPreview_Enable(int enable);
bool LUPreview_IsEnabled();
