// The progress indicator as the engine reaches it. Long operations report
// through ProgressCallback: code -1 opens the indicator, -2 closes it, any
// other code is a position out of `total`; a result of 0 means the user
// cancelled. The program installs the real indicator at start-up; without
// one every report answers "go on".
#pragma once

#include "hostapi/imageio.h"

namespace lumora {

class ProgressIndicator {
 public:
  virtual ~ProgressIndicator() = default;
  // Closes any open indicator and remembers the caption (a string id) for
  // the next Begin.
  virtual void SetCaptionId(int stringId) = 0;
  // -1 begin, -2 end, else position out of total; 1 go on, 0 cancel.
  virtual int Callback(int code, int total) = 0;
  // Whether an indicator is open now (a step with none open never cancels).
  // Work that outlasts the operations it runs, each of which may open and
  // end an indicator of its own, asks before it steps; an indicator that
  // cannot tell says yes.
  virtual bool IsOpen() const { return true; }
  // Whether Escape may cancel the open indicator; returns the previous
  // setting. An indicator without a cancel answers as if it allowed one.
  virtual bool SetCancelable(bool) { return true; }
};

// Installs the indicator every report goes to (null: none). Not owned.
void SetProgressIndicator(ProgressIndicator* indicator);
// The installed indicator, null on a thread whose progress is silenced.
ProgressIndicator* GetProgressIndicator();

// While it lives, the calling thread reports no progress (a thread working
// ahead in the background has no indicator to move).
class ProgressSilence {
 public:
  ProgressSilence();
  ~ProgressSilence();
  ProgressSilence(const ProgressSilence&) = delete;
  ProgressSilence& operator=(const ProgressSilence&) = delete;

 private:
  bool wasSilenced_;
};

}  // namespace lumora


void ProgressSetCaptionId(int stringId);
// Opens the indicator with the remembered caption.
void ProgressBeginDefault();
// Closes the current indicator, if any.
void ProgressEnd();
int ProgressCallback(int code, int total);
// Work that cannot stop halfway switches cancelling off on the open
// indicator; returns the previous setting.
bool ProgressSetCancelable(bool cancelable);
