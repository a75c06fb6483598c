// Clump, sieve and eliminate against an independent labelling (a flood fill)
// and hand-worked examples, on real GeoTIFFs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>

#include "postclass/clump.h"
#include "test_support.h"
#include "postclass/regions.h"
#include "ztclass/postclass.h"
#include "ztclass/postclass_map.h"
#include "ztclass/result_codes.h"
#include "ztclass/tiles.h"
#include "ztservices/raster.h"
#include "ztservices/workers.h"

using namespace zttest;

namespace {

using Grid = std::vector<std::vector<long>>;

struct Labelling {
  Grid labels;
  std::vector<long> value{0}, row{0}, column{0}, count{0};  // per label, index 0 unused
  long zeros = 0;
};

// Flood-fill labelling, one region at a time from each unlabelled pixel in
// scan order (class 0 included, but left unnumbered): components of equal
// non-zero value, numbered in scan order of their first pixel.
Labelling Label(const Grid& g, bool eight) {
  const long rows = long(g.size()), cols = long(g[0].size());
  Labelling out;
  out.labels.assign(rows, std::vector<long>(cols, 0));
  std::vector<char> done(rows * cols, 0);
  std::vector<std::pair<long, long>> stack;
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < cols; ++c) {
      if (done[r * cols + c]) continue;
      const long v = g[r][c];
      const long number = v ? long(out.value.size()) : 0;
      long count = 0;
      stack.assign(1, {r, c});
      done[r * cols + c] = 1;
      while (!stack.empty()) {
        auto [pr, pc] = stack.back();
        stack.pop_back();
        ++count;
        out.labels[pr][pc] = number;
        for (long dr = -1; dr <= 1; ++dr)
          for (long dc = -1; dc <= 1; ++dc) {
            const long r2 = pr + dr, c2 = pc + dc;
            if ((!dr && !dc) || (!eight && dr && dc) || r2 < 0 || r2 >= rows || c2 < 0 || c2 >= cols) continue;
            if (done[r2 * cols + c2] || g[r2][c2] != v) continue;
            done[r2 * cols + c2] = 1;
            stack.push_back({r2, c2});
          }
      }
      if (!v) {
        out.zeros += count;
        continue;
      }
      out.value.push_back(v);
      out.row.push_back(r);
      out.column.push_back(c);
      out.count.push_back(count);
    }
  return out;
}

std::string ClumpText(const char* title, long classes, int neighbours, long zeros, const Labelling& l) {
  std::ostringstream s;
  s << title << "\n\n分类数:" << classes << "\n邻域数:" << neighbours << "\n\n块号\t原始值\t列值\t行值\t直方图\n0\t0\t0\t0\t"
    << zeros << "\n";
  for (size_t k = 1; k < l.value.size(); ++k)
    s << k << "\t" << l.value[k] << "\t" << l.column[k] << "\t" << l.row[k] << "\t" << l.count[k] << "\n";
  return s.str();
}

// Replaces field `field` (from 0) of line `line` (from 1) of a statistics text;
// field 0 of a line without tabs is the whole line.
std::string WithField(std::string text, size_t line, size_t field, const std::string& value) {
  size_t start = 0;
  for (size_t l = 1; l < line; ++l) start = text.find('\n', start) + 1;
  for (size_t f = 0; f < field; ++f) start = text.find('\t', start) + 1;
  const size_t end = text.find_first_of("\t\n", start);
  return text.replace(start, end - start, value);
}

struct PostClassFixture : ::testing::Test {
  TempDir dir;
  std::string File(const std::string& name) const { return dir.File(name); }
  std::string Text(const std::string& name) const { return ReadText(File(name)); }
  void Write(const std::string& name, const std::string& text) const { WriteText(File(name), text); }
  Handle Open(const std::string& name, int update = 0) const { return Handle(ztRSOpen(File(name).c_str(), update)); }

  // Writes a class image (Byte, in 16 x 16 blocks) from a grid.
  void WriteClasses(const std::string& name, const Grid& g) {
    WriteGeoTiff(File(name), {.columns = int(g[0].size()), .rows = int(g.size()), .blockColumns = 16, .blockRows = 16},
                 [&](int, int c, int r) { return double(g[r][c]); });
  }
  Handle Create(const std::string& name, long columns, long rows, ZTRSDataType type = ZTRS_UInt32) {
    return Handle(ztRSCreate(ztRSGetDriverByName("GTiff"), File(name).c_str(), columns, rows, 1, type, nullptr));
  }
  Grid ReadGrid(const std::string& name, long columns) {
    std::vector<double> v = ReadBand(File(name));
    Grid g(v.size() / columns, std::vector<long>(columns));
    for (size_t i = 0; i < v.size(); ++i) g[i / columns][i % columns] = long(v[i]);
    return g;
  }
  // Clump of a window of source into out.tif and out.txt; with a limit, by the
  // inner call that takes the in-memory limit as given.
  long ClumpInto(void* source, const std::string& out, long rows, long cols, long r0, long c0, int neighbours,
                 long limit = 0) {
    Handle result = Create(out + ".tif", cols, rows);
    const std::string statistics = File(out + ".txt");
    return limit ? zt::ClumpClasses(source, 1, result.get(), 1, statistics.c_str(), zt::Window{rows, cols, r0, c0},
                                    neighbours, limit)
                 : ztClassClump(source, 1, result.get(), 1, statistics.c_str(), rows, cols, r0, c0, neighbours);
  }
  // Clump of a whole grid into clumps.tif and clumps.txt; returns the result code.
  long Clump(const Grid& g, int neighbours) {
    WriteClasses("clumps_classes.tif", g);
    return ClumpInto(Open("clumps_classes.tif").get(), "clumps", long(g.size()), long(g[0].size()), 0, 0, neighbours);
  }
  // Sieve (UInt32) or eliminate (Byte) of a window of the clump image with
  // the statistics file in, into out.tif and out.txt.
  long Sieve(const std::string& clumps, const std::string& in, const std::string& out, long rows, long cols, long r0,
             long c0, long threshold, bool eliminate = false) {
    Handle source = Open(clumps);
    Handle result = Create(out + ".tif", cols, rows, eliminate ? ZTRS_Byte : ZTRS_UInt32);
    return (eliminate ? ztClassEliminate : ztClassSieve)(source.get(), 1, File(in).c_str(), result.get(), 1,
                                                         File(out + ".txt").c_str(), rows, cols, r0, c0, threshold);
  }
  long Eliminate(const std::string& in, const std::string& out, long rows, long cols, long threshold) {
    return Sieve("clumps.tif", in, out, rows, cols, 0, 0, threshold, true);
  }
  // The same in one step from the class map source; no statistics when bare.
  long FromMap(void* source, const std::string& out, long rows, long cols, long r0, long c0, int neighbours,
               long threshold, bool eliminate = false, bool bare = false) {
    Handle result = Create(out + ".tif", cols, rows, eliminate ? ZTRS_Byte : ZTRS_UInt32);
    const auto call = eliminate ? ztClassEliminateMap : ztClassSieveMap;
    return call(source, 1, result.get(), 1, bare ? nullptr : File(out + ".txt").c_str(), rows, cols, r0, c0, neighbours,
                threshold);
  }
};

std::string Totals(long classes, int neighbours, long zeros, const std::vector<long>& totals) {
  std::ostringstream s;
  s << "去除分析统计信息:\n\n分类数:" << classes << "\n邻域数:" << neighbours << "\n\n分类号\t直方图\n0\t" << zeros << "\n";
  for (size_t c = 1; c <= totals.size(); ++c) s << c << "\t" << totals[c - 1] << "\n";
  return s.str();
}

Grid RandomClasses(long rows, long cols, unsigned seed) {
  Grid g(rows, std::vector<long>(cols));
  unsigned x = seed;
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < cols; ++c) {
      x = x * 1103515245u + 12345u;
      // Mostly copy a neighbour, so that clumps of many sizes form.
      const unsigned pick = (x >> 16) % 10;
      g[r][c] = pick < 4 && c > 0 ? g[r][c - 1] : pick < 7 && r > 0 ? g[r - 1][c] : long((x >> 20) % 4);
    }
  return g;
}

Grid Window(const Grid& g, long rows, long cols, long r0, long c0) {
  Grid w;
  for (long r = r0; r < r0 + rows; ++r) w.emplace_back(g[r].begin() + c0, g[r].begin() + c0 + cols);
  return w;
}

using ClumpTest = PostClassFixture;

TEST_F(ClumpTest, AnyNeighbourCountButEightMeansFour) {
  ASSERT_EQ(Clump(Grid{{2, 0}, {0, 2}}, 5), RC_OK);
  EXPECT_EQ(ReadGrid("clumps.tif", 2), (Grid{{1, 0}, {0, 2}}));
}

TEST_F(ClumpTest, TheFilePathAgreesInAWindowAndLeavesNoTemporaryFiles) {
  // Class 0 inside the window, a window that cuts clumps, both labellings.
  const Grid g = RandomClasses(33, 41, 9);
  WriteClasses("classes.tif", g);
  setenv("ZTCLASS_WORKDIR", dir.path().c_str(), 1);
  for (int neighbours : {4, 8}) {
    const Labelling expected = Label(Window(g, 25, 30, 5, 7), neighbours == 8);
    for (long limit : {zt::kMaxInMemoryClassGrid, 749L, 10L}) {
      SCOPED_TRACE(testing::Message() << neighbours << " neighbours, limit " << limit);
      ASSERT_EQ(ClumpInto(Open("classes.tif").get(), "c", 25, 30, 5, 7, neighbours, limit), RC_OK);
      EXPECT_EQ(ReadGrid("c.tif", 30), expected.labels);
      EXPECT_EQ(Text("c.txt"), ClumpText("聚类分析块统计信息:", 3, neighbours, expected.zeros, expected));
    }
  }
  unsetenv("ZTCLASS_WORKDIR");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().rfind("ztclass-", 0), std::string::npos) << entry.path();
  // Whatever the machine, windows up to the floor stay in memory, and the
  // clump numbers of memory windows stay within 32 bits.
  EXPECT_GE(zt::InMemoryClassGridLimit(), zt::kMaxInMemoryClassGrid);
  EXPECT_LE(zt::InMemoryClassGridLimit(), long(UINT32_MAX));
}

TEST_F(ClumpTest, FailuresWriteNothing) {
  WriteClasses("classes.tif", RandomClasses(10, 10, 1));
  Handle source = Open("classes.tif");
  Handle result = Create("out.tif", 10, 10);
  EXPECT_EQ(ztClassClump(nullptr, 1, result.get(), 1, File("a.txt").c_str(), 10, 10, 0, 0, 8), RC_NULL_ARGUMENT);
  EXPECT_EQ(ztClassClump(source.get(), 2, result.get(), 1, File("a.txt").c_str(), 10, 10, 0, 0, 8), RC_BAD_WINDOW);
  EXPECT_EQ(ztClassClump(source.get(), 1, result.get(), 1, File("a.txt").c_str(), 10, 11, 0, 0, 8), RC_BAD_WINDOW);
  EXPECT_EQ(ztClassClump(source.get(), 1, result.get(), 1, File("no/such/dir/a.txt").c_str(), 10, 10, 0, 0, 8),
            RC_REPORT_OPEN_FAILED);
  result.reset();
  for (double v : ReadBand(File("out.tif"))) ASSERT_EQ(v, 0);
  EXPECT_FALSE(std::filesystem::exists(File("a.txt")));
}

// Sieve ------------------------------------------------------------------

using SieveTest = PostClassFixture;

// Clumps the grid, then replaces the class values in the clump statistics by
// value * 10 + 1, to show that sieve takes them from the file.
Labelling PrepareSieve(PostClassFixture& f, const Grid& g) {
  EXPECT_EQ(f.Clump(g, 8), RC_OK);
  Labelling l = Label(g, true);
  for (size_t k = 1; k < l.value.size(); ++k) l.value[k] = l.value[k] * 10 + 1;
  f.Write("clumps.txt", ClumpText("聚类分析块统计信息:", 3, 8, l.zeros, l));
  return l;
}

// Sieve by the rule: clumps of fewer than threshold pixels join block 0, the
// others are renumbered in scan order.
Labelling Sieved(const Labelling& l, long threshold) {
  Labelling kept;
  kept.zeros = l.zeros;
  std::vector<long> renumber(l.value.size(), 0);
  for (size_t k = 1; k < l.value.size(); ++k) {
    if (l.count[k] < threshold) {
      kept.zeros += l.count[k];
      continue;
    }
    renumber[k] = long(kept.value.size());
    kept.value.push_back(l.value[k]);
    kept.row.push_back(l.row[k]);
    kept.column.push_back(l.column[k]);
    kept.count.push_back(l.count[k]);
  }
  kept.labels = l.labels;
  for (auto& row : kept.labels)
    for (long& v : row) v = renumber[v];
  return kept;
}

TEST_F(SieveTest, SmallClumpsGoAndTheRestAreRenumberedWithTheirFileClassValues) {
  const Grid g = RandomClasses(25, 30, 11);
  const Labelling l = PrepareSieve(*this, g);
  for (long threshold : {1L, 3L, 6L}) {
    SCOPED_TRACE(threshold);
    ASSERT_EQ(Sieve("clumps.tif", "clumps.txt", "sieve", 25, 30, 0, 0, threshold), RC_OK);
    const Labelling kept = Sieved(l, threshold);
    EXPECT_EQ(ReadGrid("sieve.tif", 30), kept.labels);
    EXPECT_EQ(Text("sieve.txt"), ClumpText("过滤分析块统计信息:", 3, 8, kept.zeros, kept));
  }
}

TEST_F(SieveTest, AWindowAcrossBlockRowsKeepsItsClumpsInScanOrder) {
  // Clumps in rows 5..39 and columns 3..16 only, so that the window of just
  // those rows and columns holds every clump whole; its rows start and end
  // inside the clump image's 16-row blocks.
  Grid g = RandomClasses(45, 20, 17);
  for (long r = 0; r < 45; ++r)
    for (long c = 0; c < 20; ++c)
      if (r < 5 || r >= 40 || c < 3 || c >= 17) g[r][c] = 0;
  const Labelling l = PrepareSieve(*this, g);
  const Labelling w = Label(Window(l.labels, 35, 14, 5, 3), true);
  ASSERT_EQ(Sieve("clumps.tif", "clumps.txt", "sieve", 35, 14, 5, 3, 1), RC_OK);
  EXPECT_EQ(ReadGrid("sieve.tif", 14), w.labels);
  Labelling kept = w;
  for (size_t m = 1; m < kept.value.size(); ++m) kept.value[m] = l.value[w.value[m]];
  EXPECT_EQ(Text("sieve.txt"), ClumpText("过滤分析块统计信息:", 3, 8, l.zeros, kept));
}

// Eliminate ---------------------------------------------------------------

// The class count from the minimum and maximum of every pixel, worked out here.
long BruteForceClassCount(const Grid& g) {
  long low = g[0][0], high = g[0][0];
  for (const auto& row : g)
    for (long v : row) low = std::min(low, v), high = std::max(high, v);
  return low == 0 ? high : high - low + 1;
}

using EliminateTest = PostClassFixture;

// Eliminate step by step as the merging rule states it: for each size from
// threshold - 1 down to 1 a sweep over the whole clump table, each clump of
// that size grown afresh from its first pixel and its target chosen pixel
// by pixel.
struct ReferenceEliminated {
  Grid classes;
  std::vector<long> totals;  // classes 1..the class count or highest class, from index 0
};

ReferenceEliminated ReferenceEliminate(const Grid& g, long threshold, bool eight) {
  const Labelling l = Label(g, eight);
  const long rows = long(g.size()), cols = long(g[0].size()), clumps = long(l.value.size()) - 1;
  std::vector<long> value = l.value, count = l.count;
  ReferenceEliminated out;
  out.classes = g;
  long highest = 0;
  for (const auto& row : g) highest = std::max(highest, *std::max_element(row.begin(), row.end()));
  out.totals.assign(std::max(BruteForceClassCount(g), highest), 0);
  for (long k = 1; k <= clumps; ++k) out.totals[value[k] - 1] += count[k];
  const std::vector<std::pair<long, long>> growth =
      eight ? std::vector<std::pair<long, long>>{{-1, -1}, {-1, 1}, {1, -1}, {1, 1}, {-1, 0}, {0, -1}, {0, 1}, {1, 0}}
            : std::vector<std::pair<long, long>>{{-1, 0}, {0, -1}, {0, 1}, {1, 0}};
  std::vector<std::pair<long, long>> raster = growth;
  std::sort(raster.begin(), raster.end());
  auto inside = [&](long r, long c) { return r >= 0 && r < rows && c >= 0 && c < cols; };
  for (long size = threshold - 1; size >= 1; --size) {
    std::vector<char> visited(rows * cols, 0);
    for (long k = 1; k <= clumps; ++k) {
      if (count[k] != size || visited[l.row[k] * cols + l.column[k]]) continue;
      std::vector<std::pair<long, long>> pixels{{l.row[k], l.column[k]}};
      visited[l.row[k] * cols + l.column[k]] = 1;
      for (size_t head = 0; head < pixels.size(); ++head)
        for (auto [dr, dc] : growth) {
          const long r = pixels[head].first + dr, c = pixels[head].second + dc;
          if (inside(r, c) && !visited[r * cols + c] && l.labels[r][c] == k) {
            visited[r * cols + c] = 1;
            pixels.push_back({r, c});
          }
        }
      long target = 0;
      for (auto [pr, pc] : pixels) {
        long best = 0;
        for (auto [dr, dc] : raster) {
          const long r = pr + dr, c = pc + dc;
          if (!inside(r, c)) continue;
          const long L = l.labels[r][c];
          if (L == 0 || L == k) continue;
          const long d = std::labs(value[L] - value[k]), bestD = best ? std::labs(value[best] - value[k]) : 0;
          if (!best || count[L] > count[best] ||
              (count[L] == count[best] && (d < bestD || (d == bestD && value[L] < value[best]))))
            best = L;
        }
        if (best && (!target || count[best] > count[target])) target = best;
      }
      if (!target) continue;
      const long n = long(pixels.size());
      count[target] += n;
      count[k] = count[target];
      out.totals[value[k] - 1] -= n;
      out.totals[value[target] - 1] += n;
      value[k] = value[target];
      for (auto [r, c] : pixels) out.classes[r][c] = value[target];
    }
  }
  return out;
}

TEST_F(EliminateTest, RandomMapsMatchAStepByStepMerging) {
  for (unsigned seed : {3u, 8u, 21u})
    for (int neighbours : {4, 8})
      for (long threshold : {1L, 2L, 4L, 7L, 40L}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", " << neighbours << " neighbours, threshold "
                                        << threshold);
        // 36 rows: several of the images' 16-row blocks, the last one cut short.
        const Grid g = RandomClasses(36, 41, seed);
        const ReferenceEliminated expected = ReferenceEliminate(g, threshold, neighbours == 8);
        ASSERT_EQ(Clump(g, neighbours), RC_OK);
        ASSERT_EQ(Eliminate("clumps.txt", "classes2", 36, 41, threshold), RC_OK);
        EXPECT_EQ(ReadGrid("classes2.tif", 41), expected.classes);
        EXPECT_EQ(Text("classes2.txt"), Totals(BruteForceClassCount(g), neighbours, Label(g, false).zeros, expected.totals));
      }
}

// The heading's class count is maximum - minimum + 1 when class 0 is absent:
// classes 3 and 5 count 3. The totals run to the highest class, under the
// heading as written.
TEST_F(EliminateTest, ClassValuesAboveTheClassCountAreTotalledUpToTheHighest) {
  const struct {
    const char* name;
    long low, high;
  } cases[] = {{"classes 3 and 5", 3, 5}, {"classes 1 and 3", 1, 3}, {"classes 0 and 2", 0, 2}, {"classes 7 and 8", 7, 8}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Grid g = RandomClasses(12, 15, 5);
    for (auto& row : g)
      for (long& v : row) v = v % 2 ? k.high : k.low;
    const ReferenceEliminated expected = ReferenceEliminate(g, 4, false);
    ASSERT_EQ(expected.totals.size(), size_t(k.high));
    const std::string totals = Totals(BruteForceClassCount(g), 4, Label(g, false).zeros, expected.totals);
    ASSERT_EQ(Clump(g, 4), RC_OK);
    ASSERT_EQ(Eliminate("clumps.txt", "e2", 12, 15, 4), RC_OK);
    EXPECT_EQ(ReadGrid("e2.tif", 15), expected.classes);
    EXPECT_EQ(Text("e2.txt"), totals);
    ASSERT_EQ(FromMap(Open("clumps_classes.tif").get(), "e1", 12, 15, 0, 0, 4, 4, true), RC_OK);
    EXPECT_EQ(ReadGrid("e1.tif", 15), expected.classes);
    EXPECT_EQ(Text("e1.txt"), totals);
  }
}

TEST_F(EliminateTest, SieveFilesAndGbkClumpFilesAreRead) {
  ASSERT_EQ(Clump(Grid{{2, 2, 1, 0}, {2, 2, 0, 1}}, 4), RC_OK);
  const std::string text = Text("clumps.txt"), body = text.substr(text.find('\n'));
  const struct {
    const char* why;
    std::string text;
    long zeros;
  } cases[] = {
      {"a clump file as older versions wrote it, in GBK",
       "\xBE\xDB\xC0\xE0\xB7\xD6\xCE\xF6\xBF\xE9\xCD\xB3\xBC\xC6\xD0\xC5\xCF\xA2:" + body, 2},
      {"a sieve file, whose block 0 counts as 0", "过滤分析块统计信息:" + body, 0},
      {"a clump file behind a byte order mark", "\xEF\xBB\xBF" + text, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Write("in.txt", c.text);
    ASSERT_EQ(Eliminate("in.txt", "e", 2, 4, 1), RC_OK);
    EXPECT_EQ(Text("e.txt"), Totals(2, 4, c.zeros, {2, 4}));
  }
}

TEST_F(EliminateTest, BadInputWritesNothing) {
  const Grid g = {{1, 1, 2}, {1, 3, 3}};
  ASSERT_EQ(Clump(g, 4), RC_OK);
  auto eliminate = [&](const std::string& in, long threshold) { return Eliminate(in, "e", 2, 3, threshold); };
  EXPECT_EQ(eliminate("clumps.txt", 7), RC_NULL_ARGUMENT) << "threshold above the window's pixel count";
  EXPECT_EQ(eliminate("missing.txt", 2), RC_INPUT_FILE_FAILED);
  std::string text = Text("clumps.txt");
  Write("high.txt", WithField(text, 9, 1, "65537"));
  EXPECT_EQ(eliminate("high.txt", 2), RC_BAD_WINDOW) << "a class value above the limit of the totals";
  Write("cut.txt", text.substr(0, text.rfind("3\t")));
  EXPECT_EQ(eliminate("cut.txt", 2), RC_INPUT_FILE_FAILED);
  Handle clumps = Open("clumps.tif"), result = Create("full.tif", 3, 2, ZTRS_Byte);
  EXPECT_EQ(ztClassEliminate(clumps.get(), 1, File("clumps.txt").c_str(), result.get(), 1, "/dev/full", 2, 3, 0, 0, 2),
            RC_REPORT_OPEN_FAILED) << "a statistics file the disk cannot hold";
  EXPECT_FALSE(std::filesystem::exists(File("e.txt")));
  for (double v : ReadBand(File("e.tif"))) ASSERT_EQ(v, 0);
}

// Stop requests -------------------------------------------------------------

// Whichever look at the stop request answers yes, the call ends with
// RC_CANCELLED and ends the progress bar, in every phase of every command.
using StopTest = PostClassFixture;

TEST_F(StopTest, AStopSeenAtAnyLookEndsTheCall) {
  ASSERT_EQ(Clump(RandomClasses(12, 15, 4), 8), RC_OK);
  setenv("ZTCLASS_WORKDIR", dir.path().c_str(), 1);
  auto clump = [this](long limit) {
    return [this, limit] { return ClumpInto(Open("clumps_classes.tif").get(), "c", 12, 15, 0, 0, 8, limit); };
  };
  auto fromMap = [this](const char* out, long threshold, bool eliminate) {
    return [=, this] { return FromMap(Open("clumps_classes.tif").get(), out, 12, 15, 0, 0, 8, threshold, eliminate); };
  };
  const std::pair<const char*, std::function<long()>> calls[] = {
      {"clump in memory", clump(zt::kMaxInMemoryClassGrid)},
      {"clump in files", clump(10)},
      {"sieve", [this] { return Sieve("clumps.tif", "clumps.txt", "s", 12, 15, 0, 0, 3); }},
      {"eliminate", [this] { return Sieve("clumps.tif", "clumps.txt", "e", 12, 15, 0, 0, 5, true); }},
      {"sieve from the class map", fromMap("s", 3, false)},
      {"eliminate from the class map", fromMap("e", 5, true)},
  };
  for (const auto& [name, call] : calls) {
    SCOPED_TRACE(name);
    long looks = 0;
    {
      ProgressRecorder progress;
      ASSERT_EQ(call(), RC_OK);
      looks = progress.steps;
    }
    EXPECT_GE(looks, 2 * 12) << "at least one look per row read and per row written";
    for (long k = 0; k < looks; ++k) {
      ProgressRecorder progress;
      progress.stopAfterSteps = k;
      EXPECT_EQ(call(), RC_CANCELLED) << "stop at look " << k + 1;
      EXPECT_EQ(progress.Count("end"), 1);
    }
  }
  unsetenv("ZTCLASS_WORKDIR");
}

// Hostile statistics files and class images ------------------------------

struct HostileStatistics : PostClassFixture {
  // Eliminate or sieve of clumps.tif with the given statistics text into
  // e.txt or s.txt, removed first: no output may be left behind on failure.
  long Eliminate(const std::string& text, long rows, long cols, long threshold, bool eliminate = true) {
    Write("in.txt", text);
    std::filesystem::remove(File(eliminate ? "e.txt" : "s.txt"));
    return PostClassFixture::Sieve("clumps.tif", "in.txt", eliminate ? "e" : "s", rows, cols, 0, 0, threshold,
                                   eliminate);
  }
  long Sieve(const std::string& text, long rows, long cols, long threshold) {
    return Eliminate(text, rows, cols, threshold, false);
  }
};

TEST_F(HostileStatistics, AClassValueOutOfRangeIsRefusedEvenForAClumpTheWindowMeetsUnderAnotherNumber) {
  // Clumps in scan order: 1 (class 1, 7 px), 2 (5), 3 (7), 4 (5), 5 (class 6,
  // 13 px, first pixel outside the 3-column window), 6 (class 3, 1 px). In
  // the window clump 6 is met second and merges into clump 5.
  const Grid g = {{1, 1, 1, 5, 7, 5}, {1, 1, 1, 6, 6, 6}, {1, 3, 6, 6, 6, 6}, {6, 6, 6, 6, 6, 6}};
  ASSERT_EQ(Clump(g, 4), RC_OK);
  const std::string text = Text("clumps.txt");
  ASSERT_EQ(Label(g, false).value[5], 6);
  ASSERT_EQ(Eliminate(text, 4, 3, 2), RC_OK);
  for (const char* value : {"65537", "-9223372036854775808", "-1"}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(Eliminate(WithField(text, 7 + 5, 1, value), 4, 3, 2), RC_BAD_WINDOW);
    EXPECT_FALSE(std::filesystem::exists(File("e.txt")));
  }
}

TEST_F(HostileStatistics, CountsBeyondTheImageAreRefusedBeforeAnyArithmetic) {
  const Grid g = {{1, 1, 2, 2, 2}, {1, 3, 2, 2, 0}};
  ASSERT_EQ(Clump(g, 4), RC_OK);
  const std::string text = Text("clumps.txt");
  ASSERT_EQ(Eliminate(text, 2, 5, 2), RC_OK);
  ASSERT_EQ(Sieve(text, 2, 5, 2), RC_OK);
  ASSERT_EQ(ReadGrid("e.tif", 5), (Grid{{1, 1, 2, 2, 2}, {1, 2, 2, 2, 0}}));
  // In a window of part of the band, a first pixel outside the window is no
  // pixel of it: the small clump is never reached, and stays. Over the whole
  // band it is no first pixel of the clump.
  for (const char* row : {"-1", "2", "-9223372036854775808"}) {
    SCOPED_TRACE(row);
    ASSERT_EQ(Eliminate(WithField(text, 10, 3, row), 2, 4, 2), RC_OK);
    EXPECT_EQ(ReadGrid("e.tif", 4), (Grid{{1, 1, 2, 2}, {1, 3, 2, 2}}));
    EXPECT_EQ(Eliminate(WithField(text, 10, 3, row), 2, 5, 2), RC_INPUT_FILE_FAILED);
  }
  const std::string huge = "9223372036854775807";
  // The clump of class 2 (line 9) takes the small one of class 3.
  EXPECT_EQ(Eliminate(WithField(text, 9, 4, huge), 2, 5, 2), RC_INPUT_FILE_FAILED) << "pixel count";
  EXPECT_EQ(Eliminate(WithField(text, 9, 4, "-5"), 2, 5, 2), RC_INPUT_FILE_FAILED);
  EXPECT_EQ(Eliminate(WithField(text, 9, 4, "11"), 2, 5, 2), RC_INPUT_FILE_FAILED) << "more than the band's 10";
  EXPECT_EQ(Eliminate(WithField(text, 7, 4, huge), 2, 5, 2), RC_INPUT_FILE_FAILED) << "block-0 count";
  EXPECT_EQ(Sieve(WithField(text, 7, 4, huge), 2, 5, 2), RC_INPUT_FILE_FAILED) << "block-0 count";
  EXPECT_EQ(Sieve(WithField(text, 7, 4, "-1"), 2, 5, 2), RC_INPUT_FILE_FAILED);
  for (const std::string& count : {huge, std::string("100000000"), std::string("-3")}) {
    SCOPED_TRACE(count);
    EXPECT_EQ(Eliminate(WithField(text, 3, 0, "分类数:" + count), 2, 5, 2), RC_INPUT_FILE_FAILED);
    EXPECT_FALSE(std::filesystem::exists(File("e.txt")));
  }
  EXPECT_EQ(Eliminate(WithField(text, 3, 0, "分类数:65536"), 2, 5, 2), RC_OK) << "the documented limit";
  EXPECT_EQ(Sieve(WithField(text, 3, 0, "分类数:100000000"), 2, 5, 2), RC_OK) << "sieve only passes it on";
  EXPECT_EQ(Sieve(WithField(text, 3, 0, "分类数:" + huge), 2, 5, 2), RC_INPUT_FILE_FAILED);
  EXPECT_FALSE(std::filesystem::exists(File("s.txt")));
}

TEST_F(HostileStatistics, ANeighbourCountOtherThanFourOrEightOrALineLongerThanAFewKiBIsRefusedUnheld) {
  const Grid g = {{1, 1, 2, 2, 2}, {1, 3, 2, 2, 0}};
  ASSERT_EQ(Clump(g, 8), RC_OK);
  const std::string text = Text("clumps.txt"), blanks(5000, ' ');
  ASSERT_EQ(WithField(text, 4, 0, "邻域数:8"), text);
  ASSERT_EQ(Eliminate(WithField(text, 4, 0, "邻域数:4"), 2, 5, 2), RC_OK);
  // Blanks before a count are read past, however many.
  ASSERT_EQ(Eliminate(WithField(text, 9, 4, " 5"), 2, 5, 2), RC_OK);
  std::vector<std::string> refused = {WithField(text, 2, 0, blanks), WithField(text, 9, 4, blanks + "5")};
  for (const char* line : {"邻域数:9x", "邻域数:9", "邻域数:6", "邻域数:88", "邻域数: 8", "邻域数:", "邻域数"})
    refused.push_back(WithField(text, 4, 0, line));
  for (size_t i = 0; i < refused.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Eliminate(refused[i], 2, 5, 2), RC_INPUT_FILE_FAILED);
    EXPECT_EQ(Sieve(refused[i], 2, 5, 2), RC_INPUT_FILE_FAILED);
    EXPECT_FALSE(std::filesystem::exists(File("e.txt")));
    EXPECT_FALSE(std::filesystem::exists(File("s.txt")));
  }
}

TEST_F(HostileStatistics, AClumpNumberAboveThePixelCountIsNoClumpImage) {
  const RasterSpec spec{.columns = 4, .rows = 3, .type = GDT_UInt32};
  WriteGeoTiff(File("clumps.tif"), spec, [](int, int c, int r) { return r == 2 && c == 3 ? 3000000 : 1; });
  const std::string text =
      "聚类分析块统计信息:\n\n分类数:1\n邻域数:4\n\n块号\t原始值\t列值\t行值\t直方图\n0\t0\t0\t0\t0\n1\t1\t0\t0\t11\n";
  EXPECT_EQ(Eliminate(text, 3, 4, 2), RC_BAD_WINDOW);
  EXPECT_EQ(Sieve(text, 3, 4, 1), RC_BAD_WINDOW);
  WriteGeoTiff(File("clumps.tif"), spec, [](int, int c, int r) { return r == 2 && c == 3 ? 5 : 1; });
  EXPECT_EQ(Sieve(text, 3, 4, 1), RC_INPUT_FILE_FAILED) << "more clumps than clump lines";
}

TEST_F(ClumpTest, NoDataPixelsCountForTheClassCountAndTheChainWorks) {
  const Grid g = {{0, 3, 3, 4}, {5, 5, 0, 4}, {5, 3, 3, 0}};
  ASSERT_EQ(BruteForceClassCount(g), 5);
  const RasterSpec spec{.columns = 4, .rows = 3, .hasNoData = true, .noData = 0};
  WriteGeoTiff(File("classes.tif"), spec, [&](int, int c, int r) { return double(g[r][c]); });
  {
    Handle source = Open("classes.tif");
    // The window holds neither 0 nor 5: the count comes from the whole band.
    ASSERT_EQ(ClumpInto(source.get(), "window", 1, 2, 0, 1, 4), RC_OK);
    EXPECT_EQ(Text("window.txt").substr(0, Text("window.txt").find("邻域数")),
              "聚类分析块统计信息:\n\n分类数:5\n");
    ASSERT_EQ(ClumpInto(source.get(), "clumps", 3, 4, 0, 0, 4), RC_OK);
  }
  const Labelling l = Label(g, false);
  EXPECT_EQ(Text("clumps.txt"), ClumpText("聚类分析块统计信息:", 5, 4, l.zeros, l));
  // The clump image carries no-data 0 too; eliminate counts its clumps over
  // every pixel and gives the classes back.
  ztRSSetRasterNoDataValue(ztRSGetRasterBand(Open("clumps.tif", 1).get(), 1), 0);
  ASSERT_EQ(Eliminate("clumps.txt", "classes2", 3, 4, 1), RC_OK);
  EXPECT_EQ(ReadGrid("classes2.tif", 4), g);
  // A band of no-data pixels only is a class image of class 0 alone.
  WriteGeoTiff(File("empty.tif"), spec, [](int, int, int) { return 0.0; });
  ASSERT_EQ(ClumpInto(Open("empty.tif").get(), "empty_clumps", 3, 4, 0, 0, 4), RC_OK);
  EXPECT_EQ(Text("empty_clumps.txt"), ClumpText("聚类分析块统计信息:", 0, 4, 12, Labelling{}));
}

TEST_F(ClumpTest, FloatClassImagesWithValuesNoClassCanHoldAreRefused) {
  const RasterSpec spec{.columns = 3, .rows = 2, .type = GDT_Float32};
  for (double bad : {1e30, -1e30, std::nan(""), HUGE_VAL, 2147483648.0}) {
    SCOPED_TRACE(bad);
    WriteGeoTiff(File("f.tif"), spec, [&](int, int c, int r) { return r == 1 && c == 2 ? bad : 1.0; });
    // The bad pixel lies outside the window, but it is the band's.
    EXPECT_EQ(ClumpInto(Open("f.tif").get(), "fc", 1, 2, 0, 0, 4), RC_BAD_WINDOW);
    EXPECT_FALSE(std::filesystem::exists(File("fc.txt")));
  }
  WriteGeoTiff(File("f.tif"), spec, [](int, int c, int) { return c == 2 ? -2147483648.0 : 2.5; });
  ASSERT_EQ(ClumpInto(Open("f.tif").get(), "fc", 2, 3, 0, 0, 4), RC_OK);
  // Truncated: classes 2 and -2147483648, count 2 - (-2147483648) + 1.
  EXPECT_NE(Text("fc.txt").find("分类数:2147483651\n"), std::string::npos);
  EXPECT_NE(Text("fc.txt").find("\n2\t-2147483648\t2\t0\t2\n"), std::string::npos);
}

// Strips on several threads; sieve and eliminate in one step -------------

// A class-1 spiral on class 2: both regions wind across every row of the
// map, and so across every strip and block border.
Grid Spiral(long rows, long cols) {
  Grid g(rows, std::vector<long>(cols, 2));
  for (long top = 0, left = 0, bottom = rows - 1, right = cols - 1; top <= bottom && left <= right;
       top += 2, left += 2, bottom -= 2, right -= 2) {
    for (long c = left; c <= right; ++c) g[top][c] = 1;
    for (long r = top; r <= bottom; ++r) g[r][right] = 1;
    for (long c = left; c <= right; ++c) g[bottom][c] = 1;
    for (long r = top + 2; r <= bottom; ++r) g[r][left] = 1;
    if (top + 2 <= bottom && left + 1 <= right) g[top + 2][left + 1] = 1;
  }
  return g;
}

// A comb of class 1 (its back down column 0, a tooth every 7 rows) over a
// random map of classes 0, 2, 3: one region met first at (0, 0) that
// reaches into every strip, among many small ones.
Grid Comb(long rows, long cols, unsigned seed) {
  Grid g = RandomClasses(rows, cols, seed);
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < cols; ++c)
      if (c == 0 || (r % 7 == 0 && c < cols - 3))
        g[r][c] = 1;
      else if (g[r][c] == 1)
        g[r][c] = 3;
  return g;
}

struct Threads {
  explicit Threads(long count) { ztSetWorkerThreads(count); }
  ~Threads() { ztSetWorkerThreads(1); }
};

const std::vector<std::pair<std::string, Grid>>& BorderMaps() {
  static const std::vector<std::pair<std::string, Grid>> maps = {
      {"spiral", Spiral(70, 53)}, {"comb", Comb(83, 41, 6)}, {"random", RandomClasses(97, 31, 2)}};
  return maps;
}

TEST(RegionsTest, StripsAndBatchesOnAnyThreadCountGiveTheIndependentLabelling) {
  for (const auto& [name, g] : BorderMaps())
    for (bool eight : {false, true})
      for (long threads : {1L, 2L, 3L})
        for (long batchRows : {5L, 40L, 1000L}) {
          SCOPED_TRACE(name + (eight ? " 8" : " 4") + " threads " + std::to_string(threads) + " batch " +
                       std::to_string(batchRows));
          Threads pool(threads);
          const long rows = long(g.size()), cols = long(g[0].size());
          zt::Regions<std::uint32_t, std::int32_t> regions(rows, cols, eight, batchRows * cols);
          ASSERT_EQ(regions.LabelRows([&](long r, std::int32_t* to) {
            std::copy(g[r].begin(), g[r].end(), to);
            return RC_OK;
          }),
                    RC_OK);
          std::uint32_t count = 0;
          ASSERT_TRUE(regions.Resolve(count));
          const Labelling expected = Label(g, eight);
          ASSERT_EQ(long(count) + 1, long(expected.value.size()));
          Grid labels(rows, std::vector<long>(cols));
          for (long r = 0; r < rows; ++r) std::copy(regions.Row(r), regions.Row(r) + cols, labels[r].begin());
          EXPECT_EQ(labels, expected.labels);
          EXPECT_EQ(regions.Zeros(), expected.zeros);
          for (std::uint32_t m = 1; m <= count; ++m) {
            EXPECT_EQ(long(regions.Count(m)), expected.count[m]);
            EXPECT_EQ(long(regions.RegionValue(m)), expected.value[m]);
            EXPECT_EQ(long(regions.First(m)), expected.row[m] * cols + expected.column[m]);
          }
        }
}

// Blocks of 2 x 2 in a checkerboard: with four neighbours, every block is a
// region, numbered by a formula. The window is large enough that the label
// tables outgrow the heap and give back the memory past the regions.
TEST(RegionsTest, ALargeWindowKeepsEveryRegionsTablesAfterTheLabelsAreResolved) {
  constexpr long rows = 3000, cols = 3000, blocksAcross = cols / 2;
  auto block = [](long r, long c) { return (r / 2) * blocksAcross + c / 2; };
  Threads pool(2);
  zt::Regions<std::uint32_t, std::int32_t> regions(rows, cols, false);
  ASSERT_EQ(regions.LabelRows([&](long r, std::int32_t* to) {
    for (long c = 0; c < cols; ++c) to[c] = 1 + (r / 2 + c / 2) % 2;
    return RC_OK;
  }),
            RC_OK);
  std::uint32_t count = 0;
  ASSERT_TRUE(regions.Resolve(count));
  ASSERT_EQ(long(count), rows * cols / 4);
  long wrong = 0;
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < cols; ++c) wrong += long(regions.Row(r)[c]) != block(r, c) + 1;
  EXPECT_EQ(wrong, 0);
  for (std::uint32_t m = 1; m <= count; ++m) {
    const long r = (m - 1) / blocksAcross * 2, c = (m - 1) % blocksAcross * 2;
    wrong += regions.Count(m) != 4 || long(regions.RegionValue(m)) != 1 + (r / 2 + c / 2) % 2 ||
             long(regions.First(m)) != r * cols + c;
  }
  EXPECT_EQ(wrong, 0);
}

using PostClassMapTest = PostClassFixture;

TEST_F(PostClassMapTest, AMapEliminateCannotTakeIsRefusedAsTheTwoStepsRefuseIt) {
  // Classes 65537 and 65538: a class count of 2, class values above the limit.
  WriteGeoTiff(File("clumps_classes.tif"), {.columns = 3, .rows = 2, .type = GDT_UInt32},
               [](int, int c, int) { return c == 1 ? 65537.0 : 65538.0; });
  ASSERT_EQ(ClumpInto(Open("clumps_classes.tif").get(), "clumps", 2, 3, 0, 0, 8), RC_OK);
  EXPECT_EQ(Eliminate("clumps.txt", "e2", 2, 3, 2), RC_BAD_WINDOW);
  Handle source = Open("clumps_classes.tif");
  EXPECT_EQ(FromMap(source.get(), "e1", 2, 3, 0, 0, 8, 2, true), RC_BAD_WINDOW);
  EXPECT_EQ(FromMap(source.get(), "e1", 2, 3, 0, 0, 8, 7, true, true), RC_NULL_ARGUMENT)
      << "a threshold above the window's pixels";
  EXPECT_FALSE(std::filesystem::exists(File("e1.txt")));
}

// The statistics file of a count above the limit is a damaged input; a map is a window eliminate cannot take.
TEST_F(PostClassMapTest, AtTheClassCountLimitBothStepsTakeTheMapAndOneAboveBothRefuse) {
  const RasterSpec spec{.columns = 3, .rows = 1, .type = GDT_UInt32};
  for (long high : {ZT_MAX_ELIMINATE_CLASSES, ZT_MAX_ELIMINATE_CLASSES + 1}) {
    SCOPED_TRACE(high);
    // Classes 0, 1 and high: a class count of high.
    WriteGeoTiff(File("wide.tif"), spec, [&](int, int c, int) { return c == 2 ? double(high) : c; });
    Handle source = Open("wide.tif");
    const bool above = high > ZT_MAX_ELIMINATE_CLASSES;
    ASSERT_EQ(ClumpInto(source.get(), "clumps", 1, 3, 0, 0, 8), RC_OK);
    EXPECT_EQ(Eliminate("clumps.txt", "e2", 1, 3, 1), above ? RC_INPUT_FILE_FAILED : RC_OK);
    EXPECT_EQ(FromMap(source.get(), "e1", 1, 3, 0, 0, 8, 1, true), above ? RC_BAD_WINDOW : RC_OK);
    if (!above) {
      EXPECT_EQ(Text("e1.txt"), Text("e2.txt"));
    }
  }
}

// Clump and sieves of a window in tiles, joined ---------------------------

// The window (rows, cols, r0, c0) of source in tiles of tile pixels, taken
// in reverse order, with the rest of the band as rows of range-only parts;
// its pixels (row-major) and its statistics at statistics.
long InTiles(void* source, long rows, long cols, long r0, long c0, long tile, int neighbours, int mode,
             long threshold, const char* statisticsIn, const char* statistics, std::vector<double>& pixels) {
  ZTTileJoin* made = nullptr;
  if (long rc = ztTileJoinCreate(source, 1, rows, cols, r0, c0, tile, &neighbours, mode, threshold, statisticsIn, &made))
    return rc;
  std::unique_ptr<ZTTileJoin, void (*)(ZTTileJoin*)> join(made, ztTileJoinFree);
  void* buffer = nullptr;  // each summary or tile's numbers in turn
  size_t size = 0;
  // call(&buffer, &size) makes a summary, which the join takes.
  auto add = [&](auto&& call) {
    long rc = call(&buffer, &size);
    if (!rc) rc = ztTileJoinAdd(join.get(), buffer, size);
    ztTileFreeBuffer(buffer);
    return rc;
  };
  std::vector<std::array<long, 4>> tiles;  // rows, columns, first row, first column
  for (long r = 0; r < rows; r += tile)
    for (long c = 0; c < cols; c += tile) tiles.push_back({std::min(tile, rows - r), std::min(tile, cols - c), r0 + r, c0 + c});
  std::reverse(tiles.begin(), tiles.end());
  for (const auto& t : tiles)
    if (long rc = add([&](void** b, size_t* n) {
          return ztTileLabel(source, 1, t[0], t[1], t[2], t[3], neighbours, mode, b, n);
        }))
      return rc;
  const long bandRows = ztRSGetRasterYSize(source), bandCols = ztRSGetRasterXSize(source);
  for (long r = 0; mode != ZT_TILES_SIEVE && r < bandRows; ++r) {
    const bool beside = r >= r0 && r < r0 + rows;
    for (const auto& [first, count] : beside ? std::vector<std::pair<long, long>>{{0, c0}, {c0 + cols, bandCols - c0 - cols}}
                                             : std::vector<std::pair<long, long>>{{0, bandCols}}) {
      if (count == 0) continue;
      if (long rc = add([&](void** b, size_t* n) { return ztTileClassRange(source, 1, 1, count, r, first, b, n); }))
        return rc;
    }
  }
  long regions = 0;
  if (long rc = ztTileJoinResolve(join.get(), statistics, &regions)) return rc;
  // A tile one past the window's last row or column is none of its tiles.
  const long down = (rows + tile - 1) / tile * tile, across = (cols + tile - 1) / tile * tile;
  for (const auto& [r, c] : {std::pair{r0 + down, c0}, std::pair{r0, c0 + across}})
    EXPECT_EQ(ztTileJoinNumbers(join.get(), r, c, &buffer, &size), RC_BAD_WINDOW) << r << ", " << c;
  pixels.assign(rows * cols, 0);
  for (const auto& t : tiles) {
    if (long rc = ztTileJoinNumbers(join.get(), t[2], t[3], &buffer, &size)) return rc;
    std::vector<std::uint32_t> tilePixels(t[0] * t[1]);
    const long rc = ztTileNumber(source, 1, t[0], t[1], t[2], t[3], neighbours, mode, buffer, size, tilePixels.data());
    ztTileFreeBuffer(buffer);
    if (rc) return rc;
    for (long i = 0; i < t[0]; ++i)
      for (long j = 0; j < t[1]; ++j) pixels[(t[2] - r0 + i) * cols + t[3] - c0 + j] = tilePixels[i * t[1] + j];
  }
  return RC_OK;
}

// Clump, then sieve or eliminate, each on its own, are what the one-step calls
// on any thread count and (on one thread) the window's tiles joined must give.
TEST_F(PostClassMapTest, OneStepAndTilesJoinedGiveClumpThenSieveOrEliminateByteForByte) {
  for (const auto& [name, g] : BorderMaps()) {
    WriteClasses(name + ".tif", g);
    const long rows = long(g.size()) - 3, cols = long(g[0].size()) - 2;  // a window off the block grid
    for (int neighbours : {4, 8})
      for (long threads : {1L, 3L})
        for (long threshold : {1L, 4L, 30L}) {
          SCOPED_TRACE(name + " " + std::to_string(neighbours) + " threads " + std::to_string(threads) +
                       " threshold " + std::to_string(threshold));
          Threads pool(threads);
          Handle source = Open(name + ".tif");
          ASSERT_EQ(ClumpInto(source.get(), "clumps", rows, cols, 2, 1, neighbours), RC_OK);
          ASSERT_EQ(Sieve("clumps.tif", "clumps.txt", "sieve2", rows, cols, 0, 0, threshold), RC_OK);
          ASSERT_EQ(Sieve("clumps.tif", "clumps.txt", "elim2", rows, cols, 0, 0, threshold, true), RC_OK);
          ASSERT_EQ(FromMap(source.get(), "sieve1", rows, cols, 2, 1, neighbours, threshold), RC_OK);
          ASSERT_EQ(FromMap(source.get(), "sieve0", rows, cols, 2, 1, neighbours, threshold, false, true), RC_OK);
          ASSERT_EQ(FromMap(source.get(), "elim1", rows, cols, 2, 1, neighbours, threshold, true), RC_OK);
          EXPECT_EQ(ReadBand(File("sieve1.tif")), ReadBand(File("sieve2.tif")));
          EXPECT_EQ(ReadBand(File("sieve0.tif")), ReadBand(File("sieve2.tif")));
          EXPECT_EQ(Text("sieve1.txt"), Text("sieve2.txt"));
          EXPECT_EQ(ReadBand(File("elim1.tif")), ReadBand(File("elim2.tif")));
          EXPECT_EQ(Text("elim1.txt"), Text("elim2.txt"));
          if (threads != 1 || threshold != 4) continue;
          Handle clumps = Open("clumps.tif");
          for (long tile : {1L, 4L, 7L, 16L}) {
            SCOPED_TRACE("tile " + std::to_string(tile));
            std::vector<double> pixels;
            auto inTiles = [&](void* from, long r0, long c0, int n, int mode, long below, const char* in) {
              return InTiles(from, rows, cols, r0, c0, tile, n, mode, below, in, File("t.txt").c_str(), pixels);
            };
            ASSERT_EQ(inTiles(source.get(), 2, 1, neighbours, ZT_TILES_CLUMP, 0, nullptr), RC_OK);
            EXPECT_EQ(pixels, ReadBand(File("clumps.tif")));
            EXPECT_EQ(Text("t.txt"), Text("clumps.txt"));
            ASSERT_EQ(inTiles(source.get(), 2, 1, neighbours, ZT_TILES_SIEVE_MAP, 4, nullptr), RC_OK);
            EXPECT_EQ(pixels, ReadBand(File("sieve1.tif")));
            EXPECT_EQ(Text("t.txt"), Text("sieve1.txt"));
            ASSERT_EQ(inTiles(clumps.get(), 0, 0, 0, ZT_TILES_SIEVE, 4, File("clumps.txt").c_str()), RC_OK);
            EXPECT_EQ(pixels, ReadBand(File("sieve2.tif")));
            EXPECT_EQ(Text("t.txt"), Text("sieve2.txt"));
          }
        }
  }
}

TEST_F(PostClassMapTest, AJoinRefusesTilesThatAreNotItsOwn) {
  ASSERT_EQ(Clump(RandomClasses(20, 30, 4), 8), RC_OK);
  Handle source = Open("clumps_classes.tif");
  int neighbours = 8;
  ZTTileJoin* made = nullptr;
  ASSERT_EQ(ztTileJoinCreate(source.get(), 1, 20, 30, 0, 0, 8, &neighbours, ZT_TILES_CLUMP, 0, nullptr, &made), RC_OK);
  std::unique_ptr<ZTTileJoin, void (*)(ZTTileJoin*)> join(made, ztTileJoinFree);
  void* buffer = nullptr;
  size_t size = 0;
  ASSERT_EQ(ztTileLabel(source.get(), 1, 8, 8, 0, 0, 8, ZT_TILES_CLUMP, &buffer, &size), RC_OK);
  std::vector<unsigned char> tile(static_cast<unsigned char*>(buffer), static_cast<unsigned char*>(buffer) + size);
  ztTileFreeBuffer(buffer);
  // Every cut of the buffer short of its end, and one byte changed in its heading.
  for (size_t cut = 0; cut < tile.size(); cut += 7) EXPECT_EQ(ztTileJoinAdd(join.get(), tile.data(), cut), RC_BAD_WINDOW);
  std::vector<unsigned char> changed = tile;
  changed[8 * 6] ^= 1;  // the tile's first row
  EXPECT_EQ(ztTileJoinAdd(join.get(), changed.data(), changed.size()), RC_BAD_WINDOW);
  // A negative count of zeros that the first region's count makes up for, so
  // that the pixels still add up to the tile's (modulo 2^64). The summary's
  // words: 11 the zeros, 12 the region count n, then n region values of 8
  // bytes and the regions' counts.
  constexpr size_t kZerosAt = 8 * 11, kRegionsAt = 8 * 12;
  int64_t zeros = 0;
  uint64_t regionsInTile = 0;
  uint32_t firstCount = 0;
  std::memcpy(&zeros, tile.data() + kZerosAt, 8);
  std::memcpy(&regionsInTile, tile.data() + kRegionsAt, 8);
  const size_t countAt = kRegionsAt + 8 + 8 * regionsInTile;
  std::memcpy(&firstCount, tile.data() + countAt, 4);
  changed = tile;
  const int64_t minusOne = -1;
  const uint32_t madeUp = firstCount + uint32_t(zeros) + 1;
  std::memcpy(changed.data() + kZerosAt, &minusOne, 8);
  std::memcpy(changed.data() + countAt, &madeUp, 4);
  EXPECT_EQ(ztTileJoinAdd(join.get(), changed.data(), changed.size()), RC_BAD_WINDOW) << "negative zeros";
  long regions = 0;
  EXPECT_EQ(ztTileJoinAdd(join.get(), tile.data(), tile.size()), RC_OK);
  EXPECT_EQ(ztTileJoinAdd(join.get(), tile.data(), tile.size()), RC_BAD_WINDOW) << "twice";
  EXPECT_EQ(ztTileJoinResolve(join.get(), File("t.txt").c_str(), &regions), RC_BAD_WINDOW) << "tiles missing";
  EXPECT_EQ(ztTileLabel(source.get(), 1, 8, 8, 15, 0, 8, ZT_TILES_CLUMP, &buffer, &size), RC_BAD_WINDOW);
  EXPECT_EQ(ztTileLabel(source.get(), 1, 8, 8, 0, 0, 8, 7, &buffer, &size), RC_BAD_WINDOW) << "no such mode";
}

// Clumps 1 (class 1, 3 px), 2 (class 2, 5 px), 3 (class 3, 4 px), 4 (class
// 1, 2 px), on lines 8 to 11. Every clump of the band must be what its line
// says; in a window of part of the band, no clump may hold more pixels than
// its line.
std::string Swapped(const std::string& text, size_t a, size_t b) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::swap(lines[a - 1], lines[b - 1]);
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

TEST_F(HostileStatistics, TheStatisticsOfAnotherClumpImageAreRefused) {
  const Grid g = {{1, 1, 2, 2, 2}, {1, 3, 2, 2, 0}, {3, 3, 3, 1, 1}};
  ASSERT_EQ(Clump(g, 4), RC_OK);
  const std::string text = Text("clumps.txt");
  ASSERT_EQ(Eliminate(text, 3, 5, 2), RC_OK);
  ASSERT_EQ(Sieve(text, 3, 5, 2), RC_OK);
  // Clumps 2 and 3 are left, numbered 1 and 2.
  ASSERT_EQ(Sieve(text, 3, 5, 4), RC_OK);
  std::filesystem::copy_file(File("s.tif"), File("sieved.tif"));
  const struct {
    const char* why;
    std::string text;
    long columns;
  } refused[] = {
      {"a pixel count", WithField(text, 9, 4, "4"), 5},
      {"a first row", WithField(text, 10, 3, "2"), 5},
      {"a first column", WithField(text, 11, 2, "4"), 5},
      {"clump lines in another order", Swapped(text, 8, 9), 5},
      {"a count below the window's pixels of the clump", WithField(text, 8, 4, "2"), 3},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.why);
    EXPECT_EQ(Eliminate(r.text, 3, r.columns, 2), RC_INPUT_FILE_FAILED);
    EXPECT_EQ(Sieve(r.text, 3, r.columns, 2), RC_INPUT_FILE_FAILED);
    EXPECT_FALSE(std::filesystem::exists(File("e.txt")));
    EXPECT_FALSE(std::filesystem::exists(File("s.txt")));
    std::vector<double> pixels;
    Handle clumps = Open("clumps.tif");
    EXPECT_EQ(InTiles(clumps.get(), 3, r.columns, 0, 0, 2, 0, ZT_TILES_SIEVE, 2, File("in.txt").c_str(),
                      File("t.txt").c_str(), pixels),
              RC_INPUT_FILE_FAILED);
  }
  // The sieved image with the statistics of the clump image it came from.
  EXPECT_EQ(PostClassFixture::Sieve("sieved.tif", "clumps.txt", "e", 3, 5, 0, 0, 2, true), RC_INPUT_FILE_FAILED);
  EXPECT_EQ(PostClassFixture::Sieve("sieved.tif", "clumps.txt", "s", 3, 5, 0, 0, 2), RC_INPUT_FILE_FAILED);
}

}  // namespace
