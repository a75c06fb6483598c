// Band notes, kept base64-encoded in a metadata domain of the band so that
// GeoTIFF (and so zti) files carry them inside the file.
#include <cpl_string.h>

#include <climits>
#include <cstring>
#include <string>

#include "dataset.h"
#include "ztservices/bandnote.h"

using namespace ztsvc;

namespace {

constexpr const char* kDomain = "ZTCLASS_BAND_NOTE";
constexpr const char* kItem = "NOTE";

RSBand* NoteBand(void* handle, long band) {
  RSDataset* ds = AsDataset(handle);
  if (!ds || band < 1 || band > static_cast<long>(ds->bands.size())) return nullptr;
  return &ds->bands[band - 1];
}

bool ReadNote(void* handle, long band, std::string& note) {
  RSBand* b = NoteBand(handle, band);
  if (!b) return false;
  const char* text = b->gdal->GetMetadataItem(kItem, kDomain);
  note.clear();
  if (!text) return true;
  std::string decoded(text);
  int length = CPLBase64DecodeInPlace(reinterpret_cast<GByte*>(decoded.data()));
  note.assign(decoded.data(), length);
  return true;
}

}  // namespace

long rsGetBansNoteInfoLength(void* handle, long band, long* length) {
  std::string note;
  if (!length || !ReadNote(handle, band, note)) return 0;
  *length = static_cast<long>(note.size());
  return 1;
}

long rsGetBandsNoteInfo(void* handle, long band, void* buffer, long bytes) {
  std::string note;
  if (!buffer || bytes < 0 || !ReadNote(handle, band, note)) return 0;
  if (static_cast<size_t>(bytes) > note.size()) return 0;
  std::memcpy(buffer, note.data(), bytes);
  return 1;
}

long rsSetBandsNoteInfo(void* handle, long band, const void* buffer, long bytes) {
  RSBand* b = NoteBand(handle, band);
  // GDAL's base64 encoder takes an int length.
  if (!b || bytes < 0 || bytes > INT_MAX || (bytes > 0 && !buffer)) return 0;
  char* encoded = CPLBase64Encode(static_cast<int>(bytes), static_cast<const GByte*>(buffer));
  CPLErr err = b->gdal->SetMetadataItem(kItem, encoded, kDomain);
  CPLFree(encoded);
  return err == CE_None ? 1 : 0;
}
