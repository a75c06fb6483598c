#include "frame/captions.h"

#include "frame/string_table.h"
#include "ztservices/progress.h"

namespace zt {

namespace {

constexpr size_t kCaptionBuffer = 128;

template <typename Show>
long ShowById(int id, Show show) {
  char buffer[kCaptionBuffer];
  if (!LoadString(id, buffer, sizeof buffer)) return 0;
  return show(buffer);
}

}  // namespace

long SetMainProgressNameById(int id) { return ShowById(id, SetMainProgressName); }
long SetSubProgressNameById(int id) { return ShowById(id, SetSubProgressName); }

}  // namespace zt
