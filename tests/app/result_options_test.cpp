// The options every classifying command shares: window, bands, result.
#include <gtest/gtest.h>

#include "output_files.h"
#include "result_image.h"
#include "result_options.h"
#include "ztclass/result_codes.h"
#include "test_support.h"
#include "ztservices/raster.h"

using namespace zttest;
using namespace ztcli;

namespace {

struct Source {
  TempDir dir;
  void* ds;
  Source() {
    WriteGeoTiff(dir.File("src.tif"), RasterSpec{.columns = 50, .rows = 40, .bands = 4, .georeferenced = true},
                 [](int, int, int) { return 1; });
    ds = ztRSOpen(dir.File("src.tif").c_str(), 0);
  }
  ~Source() { ztRSClose(ds); }
};

TEST(HostOptions, WindowDefaultsToTheWholeImageAndMustFit) {
  Source source;
  auto parse = [&](const char* text) {
    const Window w = ParseWindow(text, source.ds);
    return std::vector<long>{w.rows, w.columns, w.firstRow, w.firstColumn};
  };
  EXPECT_EQ(parse(""), (std::vector<long>{40, 50, 0, 0}));
  EXPECT_EQ(parse("10,20,30,5"), (std::vector<long>{10, 20, 30, 5}));
  for (const char* bad : {"11,20,30,5", "10,46,0,5", "10,20,30", "10,20,30,5,1", "0,20,0,0", "a,b,c,d"})
    EXPECT_THROW(ParseWindow(bad, source.ds), CommandError) << bad;
}

TEST(HostOptions, ResultsTakeTheWindowsGeoreferencing) {
  Source source;
  MethodOptions options;
  options.output = source.dir.File("out.tif");
  {
    OutputFiles outputs(false);
    ResultImage result(options, outputs);
    result.Create(source.ds, Window{10, 20, 30, 5});
    // The window's size and --ot are the command line's (cli_test.sh).
    double x = 0, y = 0;
    ASSERT_EQ(ztRSGetCoordinate(result.get(), 1, &x, &y), 0);
    EXPECT_DOUBLE_EQ(x, 500000 + 5 * 30);
    EXPECT_DOUBLE_EQ(y, 4000000 - 30 * 30);
  }
  options.output = source.dir.File("out.zti");
  {
    OutputFiles outputs(false);
    ResultImage zti(options, outputs);
    zti.Create(source.ds, Window{4, 4, 0, 0});
    ZTIMGTYPE type;
    ztRSGetInternalImgType(zti.get(), type);
    EXPECT_EQ(type, ZTIMG_ZTI);
  }
  // Unknown types, VRT, types PNG cannot hold and creation options without
  // a value are refused by the command line (cli_safety_test.sh).
  OutputFiles outputs(false);
  options.type = "Byte";
  options.format = "NoSuchFormat";
  options.output = source.dir.File("x.tif");
  EXPECT_THROW(ResultImage(options, outputs), UsageError);
}

TEST(HostFailures, ResultCodesBecomeMessagesAndExitStatuses) {
  EXPECT_NO_THROW(Check(RC_OK, "x"));
  const struct {
    long code;
    const char* what;
    int status;
    const char* message;
  } cases[] = {{RC_CANCELLED, "classification", 130,
                "classification failed: RC_CANCELLED (4000001): the user stopped the operation"},
               {12345, "x", 1, "x failed: result code 12345 (not a code of ztclass or its services)"}};
  for (const auto& c : cases) {
    try {
      Check(c.code, c.what);
      ADD_FAILURE() << "no exception for " << c.code;
    } catch (const CommandError& error) {
      EXPECT_EQ(error.status, c.status);
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

}  // namespace
