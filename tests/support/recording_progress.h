// A progress indicator for tests: records every report and can answer
// "cancel" at a chosen position report. Installs itself for its lifetime.
#pragma once

#include <utility>
#include <vector>

#include "engine/pixels/Progress.h"

namespace lumora::testing {

class RecordingProgress : public ProgressIndicator {
 public:
  RecordingProgress() : previous_(GetProgressIndicator()) { SetProgressIndicator(this); }
  ~RecordingProgress() override { SetProgressIndicator(previous_); }

  void SetCaptionId(int stringId) override { captions.push_back(stringId); }
  int Callback(int code, int total) override {
    reports.emplace_back(code, total);
    if (code >= 0 && cancelAtReport >= 0 && positionReports() == cancelAtReport + 1) return 0;
    return 1;
  }

  bool SetCancelable(bool cancelable) override {
    cancelables.push_back(cancelable);
    return true;
  }

  int positionReports() const {
    int n = 0;
    for (const auto& r : reports) n += r.first >= 0 ? 1 : 0;
    return n;
  }

  std::vector<int> captions;
  std::vector<std::pair<int, int>> reports;  // (code, total)
  std::vector<bool> cancelables;             // each SetCancelable, in order
  int cancelAtReport = -1;  // answer 0 to the position report with this index (0-based)

 private:
  ProgressIndicator* previous_;
};

}  // namespace lumora::testing
