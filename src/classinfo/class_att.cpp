// The end-of-classification routine: colour table and class records of a
// class result.
#include <cstdio>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frame/entry.h"
#include "services/text.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"
#include "ztservices/sysroot.h"

using namespace zt;

namespace {

constexpr long kTableEntries = 256;
constexpr long kMaxClasses = 255;
constexpr long kStepCountOffset = 392;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

long SetEntry(void* table, long index, int red, int green, int blue) {
  const ZTRSColorEntry entry{static_cast<short>(red), static_cast<short>(green),
                             static_cast<short>(blue), 0};
  return ztRSSetColorEntry(table, index, &entry);
}

long SetAOIColors(void* table, long n, const AOI* aois) {
  SetEntry(table, 0, 0, 0, 0);
  for (long k = 1; k <= n; ++k) SetEntry(table, k, aois[k - 1].red, aois[k - 1].green, aois[k - 1].blue);
  return RC_OK;
}

std::string StepFilePath() {
  ZTSYSROOT root;
  if (ztGetSystemRoot(&root) != 0) return {};
  return std::string(root.systemDir) + "/lut/step.lut";
}

// Spreads the n classes evenly over the step colour ramp. A ramp that cannot
// be read, holds no colour or is shorter than its count claims leaves the
// table as it is.
long SetLutColors(void* table, long n) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(StepFilePath().c_str(), "rb"));
  if (!file) return RC_OK;
  unsigned char countBytes[4];
  if (std::fseek(file.get(), kStepCountOffset, SEEK_SET) != 0 ||
      std::fread(countBytes, 1, 4, file.get()) != 4)
    return RC_OK;
  const int32_t count = static_cast<int32_t>(uint32_t(countBytes[0]) | uint32_t(countBytes[1]) << 8 |
                                             uint32_t(countBytes[2]) << 16 | uint32_t(countBytes[3]) << 24);
  if (count <= 0) return RC_OK;
  // Check the file holds what it claims before allocating for it.
  const long colourStart = std::ftell(file.get());
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return RC_OK;
  if ((std::ftell(file.get()) - colourStart) / 3 < count) return RC_OK;
  std::fseek(file.get(), colourStart, SEEK_SET);

  std::vector<unsigned char> colours(static_cast<size_t>(count) * 3);
  if (std::fread(colours.data(), 1, colours.size(), file.get()) != colours.size()) return RC_OK;
  const float step = static_cast<float>(static_cast<double>(count) / (n + 1));
  SetEntry(table, 0, 0, 0, 0);
  for (long k = 1; k <= n; ++k) {
    const long index = static_cast<long>(k * step);
    SetEntry(table, k, colours[index * 3], colours[index * 3 + 1], colours[index * 3 + 2]);
  }
  return RC_OK;
}

long BuildClassAttInfo(void* dataset, void* table, long n, const AOI* aois) {
  std::vector<CLASSATTINFO> records(n, CLASSATTINFO{});
  for (long k = 1; k <= n; ++k) {
    CLASSATTINFO& record = records[k - 1];
    record.classNo = static_cast<unsigned char>(k);
    ZTRSColorEntry entry{};
    ztRSGetColorEntryAsRGB(table, k, &entry);
    record.red = static_cast<unsigned char>(entry.c1);
    record.green = static_cast<unsigned char>(entry.c2);
    record.blue = static_cast<unsigned char>(entry.c3);
    if (aois) {
      CopyText(FieldText(aois[k - 1].name, sizeof aois[k - 1].name), record.name, sizeof record.name);
      CopyText(FieldText(aois[k - 1].remark, sizeof aois[k - 1].remark), record.remark,
               sizeof record.remark);
    } else {
      std::snprintf(record.name, sizeof record.name, "Class_%ld", k);
    }
  }
  return ztRSWriteClassInfo(dataset, n, records.data());
}

}  // namespace

long ztRSWriteClassAtt(void* dataset, void* band, long n, AOI* classAois) {
  return Guarded([&]() -> long {
    if (!dataset || !band) return RC_NULL_ARGUMENT;
    if (n < 0 || n > kMaxClasses) return RC_BAD_WINDOW;
    void* table = ztRSGetDatasetColorTable(dataset);
    if (!table) {
      table = ztRSCreateColorTable(1);
      if (!table) return RC_COLOR_TABLE_FAILED;
      for (long k = 0; k < kTableEntries; ++k) SetEntry(table, k, k, k, k);
    }
    long rc = classAois ? SetAOIColors(table, n, classAois) : SetLutColors(table, n);
    if (rc) return rc;
    if ((rc = BuildClassAttInfo(dataset, table, n, classAois))) return rc;
    // Many formats keep colour tables only for 8- and 16-bit unsigned bands.
    // A result of another type still takes its classes; it just has no
    // colours to show, so a refusal here is no failure.
    ztRSSetRasterColorTable(band, table);
    return RC_OK;
  });
}
