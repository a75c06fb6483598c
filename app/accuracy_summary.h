#pragma once
// The overall accuracy and Kappa as an accuracy report gives them.
#include <string>

namespace ztcli {

struct AccuracySummary {
  std::string overall, kappa;  // as printed, with a decimal point
};

// Reads them from the overall table of a report; empty when it lacks one.
AccuracySummary ReadAccuracySummary(const std::string& reportPath);

}  // namespace ztcli
