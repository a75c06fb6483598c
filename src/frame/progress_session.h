#pragma once
#include "frame/captions.h"
#include "ztservices/progress.h"

namespace zt {

// Ends the progress bar on every path out of an implementation, also when
// it was never started (argument errors).
class ProgressSession {
 public:
  ProgressSession() = default;
  ~ProgressSession() { EndProgress(); }
  ProgressSession(const ProgressSession&) = delete;
  ProgressSession& operator=(const ProgressSession&) = delete;

  void Start(int mainCaptionId) {
    StartProgress();
    SetMainProgressNameById(mainCaptionId);
  }
};

// One phase of work: caption, range 0..count, position 0, step 1.
inline void BeginPhase(int captionId, long count) {
  SetSubProgressNameById(captionId);
  SetRange(0, count);
  SetPos(0);
  SetStep(1);
}

// One unit of work done; true when the user asked to stop.
inline bool StepAndCheckStop() {
  StepIt();
  return IsStopProgress() != 0;
}

}  // namespace zt
