// The progress indicator as the engine reaches it. Long operations report
// through ProgressCallback: code -1 opens the indicator, -2 closes it, any
// other code is a position out of `total`; a result of 0 means the user
// cancelled. The program installs the real indicator at start-up; without
// one every report answers "go on".
#pragma once

namespace lumora {

class ProgressIndicator {
 public:
  virtual ~ProgressIndicator() = default;
  // Closes any open indicator and remembers the caption (a string id) for
  // the next Begin.
  virtual void SetCaptionId(int stringId) = 0;
  // -1 begin, -2 end, else position out of total; 1 go on, 0 cancel.
  virtual int Callback(int code, int total) = 0;
};

// Installs the indicator every report goes to (null: none). Not owned.
void SetProgressIndicator(ProgressIndicator* indicator);
ProgressIndicator* GetProgressIndicator();

}  // namespace lumora

// The kernels' form of a progress callback.
using PROGRESSPROC = int (*)(int code, int total);

void ProgressSetCaptionId(int stringId);
// Opens the indicator with the remembered caption.
void ProgressBeginDefault();
// Closes the current indicator, if any.
void ProgressEnd();
int ProgressCallback(int code, int total);
