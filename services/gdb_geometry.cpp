// Legend geometry, the colour library and class identifier lists.
#include <cstdlib>
#include <new>

#include "ztservices/gdb.h"

long ztGDBAppendClassId(ZTGDBClassIdList* list, long id) {
  if (!list) return 2000004;
  if (list->count < 0 || list->count > list->capacity) return 2000004;
  if (list->count == list->capacity) {
    const long capacity = list->capacity < 4 ? 4 : list->capacity * 2;
    void* grown = std::realloc(list->ids, static_cast<size_t>(capacity) * sizeof(long));
    if (!grown) return 2000001;
    list->ids = static_cast<long*>(grown);
    list->capacity = capacity;
  }
  list->ids[list->count++] = id;
  return 0;
}

void ztGDBFreeClassIdList(ZTGDBClassIdList* list) {
  if (!list) return;
  std::free(list->ids);
  *list = ZTGDBClassIdList{};
}

bool CPolygon::Set(const ZTGPoint* points, long count) {
  if (!points || count < 4) return false;
  const ZTGPoint& first = points[0];
  const ZTGPoint& last = points[count - 1];
  if (first.x != last.x || first.y != last.y) return false;
  points_.assign(points, points + count);
  return true;
}

CAnyPolygon& CAnyPolygon::operator=(const CPolygon& ring) {
  ring_ = ring;
  return *this;
}

long CMapColorLib::FindColorNo(unsigned char red, unsigned char green, unsigned char blue) const {
  return (long{red} << 16) | (long{green} << 8) | long{blue};
}

void CMapColorLib::GetRGB(long colorNo, unsigned char& red, unsigned char& green,
                          unsigned char& blue) const {
  red = static_cast<unsigned char>((colorNo >> 16) & 0xFF);
  green = static_cast<unsigned char>((colorNo >> 8) & 0xFF);
  blue = static_cast<unsigned char>(colorNo & 0xFF);
}

CMapColorLib* GetMapColorLib() {
  static CMapColorLib library;
  return &library;
}
