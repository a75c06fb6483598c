// A tile summary arrives from another process: one that does not add up must
// be refused before the join trusts its counts and labels.
#include <gtest/gtest.h>

#include <functional>

#include "tiles/tile_summary.h"
#include "ztclass/tiles.h"

namespace {

// The 2 x 3 tile  5 5 0 / 0 7 7  in four-neighbour regions, worked by hand.
zt::TileSummary HandWorked() {
  zt::TileSummary s;
  s.window = {2, 3, 0, 0};
  s.zeros = 2;
  s.value = {0, 5, 7};
  s.count = {0, 2, 2};
  s.first = {0, 0, 4};
  s.top = {1, 1, 0};
  s.bottom = {0, 2, 2};
  s.left = {1, 0};
  s.right = {0, 2};
  return s;
}

bool RoundTrip(const zt::TileSummary& s, zt::TileSummary& back) {
  void* buffer = nullptr;
  size_t size = 0;
  zt::EncodeSummary(s, &buffer, &size);
  const bool ok = zt::DecodeSummary(buffer, size, back);
  ztTileFreeBuffer(buffer);
  return ok;
}

TEST(TileSummary, OneThatDoesNotAddUpIsRefused) {
  zt::TileSummary back;
  ASSERT_TRUE(RoundTrip(HandWorked(), back));
  EXPECT_EQ(back.value, HandWorked().value);
  EXPECT_EQ(back.bottom, HandWorked().bottom);
  const std::pair<const char*, std::function<void(zt::TileSummary&)>> damages[] = {
      {"a pixel too many", [](zt::TileSummary& s) { s.count[1] = 3; }},
      {"a label past the regions in the bottom row", [](zt::TileSummary& s) { s.bottom[0] = 3; }},
      {"a label past the regions in the right column", [](zt::TileSummary& s) { s.right[1] = 3; }},
      {"regions out of scan order", [](zt::TileSummary& s) { s.first = {0, 4, 0}; }},
      // More pixels than a 32-bit label can number, yet all of them zeros, so
      // the counts themselves add up.
      {"a tile of 70000 x 70000", [](zt::TileSummary& s) {
         s = zt::TileSummary{};
         s.window = {70000, 70000, 0, 0};
         s.zeros = 70000L * 70000L;
         s.value = {0};
         s.count = s.first = {0};
         s.top.assign(70000, 0);
         s.bottom = s.left = s.right = s.top;
       }},
  };
  for (const auto& [what, damage] : damages) {
    zt::TileSummary s = HandWorked();
    damage(s);
    EXPECT_FALSE(RoundTrip(s, back)) << what;
  }
}

}  // namespace
