#pragma once
// The legend-export dialog: its defaults, the checks of "导出…" and the
// geodatabase chooser, over the host's interaction service.
#include "ztservices/gdb.h"
#include "ztservices/interaction.h"

namespace zt {

class CDlgExptLeg {
 public:
  // Fields take the defaults for image; the geodatabase choice starts from
  // start (its identifier list is not taken).
  CDlgExptLeg(void* image, const tagGDBPathInfo& start);

  // True when accepted: the checks passed and the chooser made a choice.
  bool DoModal();

  ZTLegendDialogFields fields{};
  tagGDBPathInfo gdb{};
};

}  // namespace zt
