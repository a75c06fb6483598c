#include <string>

#include "classinfo/class_info_store.h"
#include "frame/entry.h"
#include "services/pyramid_layer.h"
#include "ztclass/classinfo.h"
#include "ztservices/raster.h"

using namespace zt;

namespace {

// Which storage holds the image's records: true for the band note.
long UsesBandNote(void* image, bool& note) {
  ZTIMGTYPE type;
  if (ztRSGetInternalImgType(image, type) != 0) return RC_CLASS_INFO_IO_FAILED;
  note = type == ZTIMG_ZTI;
  return RC_OK;
}

std::string FileOf(void* image) {
  const char* description = ztRSGetDescription(image);
  return ClassInfoPath(description ? description : "");
}

}  // namespace

long ztWriteClassInfo(const char* path, long count, CLASSATTINFO* records) {
  return Guarded([&] { return path ? WriteClassInfoFile(path, count, records) : RC_OK; });
}

long ztRSReadClsNum(void* image, long& count) {
  return Guarded([&] {
    if (!image) return RC_NULL_ARGUMENT;
    bool note;
    if (long rc = UsesBandNote(image, note)) return rc;
    return note ? ReadNoteCount(image, count) : ReadClassInfoFileCount(FileOf(image), count);
  });
}

long ztRSReadClassInfo(void* image, long count, CLASSATTINFO* records) {
  return Guarded([&] {
    if (!image) return RC_NULL_ARGUMENT;
    PyramidLayer layer(image);
    bool note;
    if (long rc = UsesBandNote(image, note)) return rc;
    return note ? ReadNoteRecords(image, count, records)
                : ReadClassInfoFileRecords(FileOf(image), count, records);
  });
}

long ztRSWriteClassInfo(void* image, long count, CLASSATTINFO* records) {
  return Guarded([&] {
    if (!image) return RC_NULL_ARGUMENT;
    bool note;
    if (long rc = UsesBandNote(image, note)) return rc;
    return note ? WriteNoteRecords(image, count, records)
                : WriteClassInfoFile(FileOf(image), count, records);
  });
}
