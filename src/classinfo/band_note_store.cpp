// Class records in the note of band 1 of a zti image: the records back to
// back, nothing else.
#include <strings.h>

#include "classinfo/class_info_store.h"
#include "ztclass/result_codes.h"
#include "ztservices/bandnote.h"
#include "ztservices/raster.h"

namespace zt {

namespace {
constexpr long kNoteBand = 1;
// A note is at most 2^31 - 1 bytes long.
constexpr long kMaxNoteRecords = 0x7FFFFFFF / static_cast<long>(sizeof(CLASSATTINFO));
}

long ReadNoteCount(void* image, long& count) {
  void* handle = ztRSGetInternalHandle(image, "");
  long length = 0;
  if (!handle || rsGetBansNoteInfoLength(handle, kNoteBand, &length) != 1)
    return RC_CLASS_INFO_IO_FAILED;
  count = length / static_cast<long>(sizeof(CLASSATTINFO));
  return RC_OK;
}

long ReadNoteRecords(void* image, long count, CLASSATTINFO* records) {
  void* handle = ztRSGetInternalHandle(image, "");
  long length = 0;
  if (!handle || rsGetBansNoteInfoLength(handle, kNoteBand, &length) != 1 || length < 1)
    return RC_CLASS_INFO_IO_FAILED;
  char head[4] = {};
  if (rsGetBandsNoteInfo(handle, kNoteBand, head, sizeof head) != 1) return RC_CLASS_INFO_IO_FAILED;
  // Segmentation results keep other data in the note.
  if (strncasecmp(head, ".seg", 4) == 0) return RC_CLASS_INFO_IO_FAILED;
  if (count <= 0) return RC_OK;
  if (!records) return RC_NULL_ARGUMENT;
  // More records than the note holds cannot be read; checked before the
  // byte count is formed, which could otherwise overflow.
  if (count > length / static_cast<long>(sizeof(CLASSATTINFO))) return RC_CLASS_INFO_IO_FAILED;
  if (rsGetBandsNoteInfo(handle, kNoteBand, records, count * static_cast<long>(sizeof(CLASSATTINFO))) != 1)
    return RC_CLASS_INFO_IO_FAILED;
  return RC_OK;
}

long WriteNoteRecords(void* image, long count, const CLASSATTINFO* records) {
  void* handle = ztRSGetInternalHandle(image, "");
  if (!handle || count < 0 || count > kMaxNoteRecords || (count > 0 && !records)) return RC_CLASS_INFO_IO_FAILED;
  if (rsSetBandsNoteInfo(handle, kNoteBand, records, count * static_cast<long>(sizeof(CLASSATTINFO))) != 1)
    return RC_CLASS_INFO_IO_FAILED;
  return RC_OK;
}

}  // namespace zt
