#pragma once
// Records exchanged between the library and its host. Their byte layouts are
// fixed: CLASSATTINFO is stored as is in class-information files and band
// notes; AOI keeps the host's field order and packing, with 64-bit pointers.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

struct CLASSATTINFO {
  unsigned char classNo;
  char name[128];
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  char remark[128];
};

struct AOI {
  unsigned char reserved[4];
  uint32_t polygonCount;
  char name[128];
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  void* polygons;  // array of ZTPOLYGON, owned by the AOI editor
  int32_t aoiType;  // 3 marks a class AOI
  char remark[512];
};

#pragma pack(pop)

// One training pixel. values holds one double per band of the band list.
struct AOICELL {
  long classNo;
  long row;
  long column;
  double* values;
};

// red, green, blue and a fourth component (always 0 here).
struct ZTRSColorEntry {
  short c1;
  short c2;
  short c3;
  short c4;
};

constexpr long ZT_CLASS_AOI_TYPE = 3;

static_assert(sizeof(CLASSATTINFO) == 260);
static_assert(offsetof(CLASSATTINFO, name) == 1);
static_assert(offsetof(CLASSATTINFO, red) == 129);
static_assert(offsetof(CLASSATTINFO, remark) == 132);

static_assert(sizeof(void*) == 8, "records are laid out for 64-bit pointers");
static_assert(offsetof(AOI, polygonCount) == 4);
static_assert(offsetof(AOI, name) == 8);
static_assert(offsetof(AOI, red) == 136);
static_assert(offsetof(AOI, blue) == 138);
static_assert(offsetof(AOI, polygons) == 139);
static_assert(offsetof(AOI, aoiType) == 147);
static_assert(offsetof(AOI, remark) == 151);
static_assert(sizeof(AOI) == 663);

static_assert(sizeof(AOICELL) == 4 * 8);
static_assert(sizeof(ZTRSColorEntry) == 8);
