#include "classinfo/class_records.h"

#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"

namespace zt {

long ReadClassRecords(void* image, std::vector<CLASSATTINFO>& records) {
  long n = 0;
  if (long rc = ztRSReadClsNum(image, n)) return rc;
  if (n < 0) return RC_CLS_FILE_BAD_HEADER;
  records.assign(n, CLASSATTINFO{});
  if (n > 0)
    if (long rc = ztRSReadClassInfo(image, n, records.data())) return rc;
  return RC_OK;
}

}  // namespace zt
