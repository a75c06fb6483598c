#pragma once
// Plays the user for the export's dialogs: answers queued in advance, and a
// record of every dialog and message shown.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ztservices/interaction.h"

namespace zttest {

class InteractionRecorder {
 public:
  InteractionRecorder();
  ~InteractionRecorder();

  // Save dialog: the path to give, or "" to cancel.
  std::string savePath;
  // Legend dialog answers, one per showing; an empty queue cancels. Each
  // edits the fields it is shown.
  std::deque<std::function<void(ZTLegendDialogFields&)>> legendAnswers;
  // Chooser answers, one per showing; an empty queue cancels.
  std::deque<std::function<void(tagGDBPathInfo&)>> chooserAnswers;

  std::vector<std::string> messages;  // "caption|text|icon"
  std::vector<ZTLegendDialogFields> legendShown;
  std::vector<std::string> chooserTitles;
};

}  // namespace zttest
