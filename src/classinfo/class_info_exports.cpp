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

// The class-information file beside the image's file; none for an image
// without a file (one held in memory), whose records would otherwise go to a
// file "cls" in whatever folder the caller happens to run in.
std::string FileOf(void* image) {
  const char* description = ztRSGetDescription(image);
  return description && *description ? ClassInfoPath(description) : std::string();
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
    if (note) return ReadNoteCount(image, count);
    const std::string file = FileOf(image);
    return file.empty() ? RC_CLS_FILE_MISSING : ReadClassInfoFileCount(file, count);
  });
}

long ztRSReadClassInfo(void* image, long count, CLASSATTINFO* records) {
  return Guarded([&] {
    if (!image) return RC_NULL_ARGUMENT;
    PyramidLayer layer(image);
    bool note;
    if (long rc = UsesBandNote(image, note)) return rc;
    if (note) return ReadNoteRecords(image, count, records);
    const std::string file = FileOf(image);
    return file.empty() ? RC_CLS_FILE_MISSING : ReadClassInfoFileRecords(file, count, records);
  });
}

long ztRSWriteClassInfo(void* image, long count, CLASSATTINFO* records) {
  return Guarded([&] {
    if (!image) return RC_NULL_ARGUMENT;
    bool note;
    if (long rc = UsesBandNote(image, note)) return rc;
    if (note) return WriteNoteRecords(image, count, records);
    const std::string file = FileOf(image);
    return file.empty() ? RC_OK : WriteClassInfoFile(file, count, records);
  });
}
