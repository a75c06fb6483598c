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
    RasterSpec spec;
    spec.columns = 50;
    spec.rows = 40;
    spec.bands = 4;
    spec.georeferenced = true;
    WriteGeoTiff(dir.File("src.tif"), spec, [](int, int, int) { return 1; });
    ds = ztRSOpen(dir.File("src.tif").c_str(), 0);
  }
  ~Source() { ztRSClose(ds); }
};

TEST(HostOptions, WindowDefaultsToTheWholeImageAndMustFit) {
  Source source;
  Window whole = ParseWindow("", source.ds);
  EXPECT_EQ(whole.rows, 40);
  EXPECT_EQ(whole.columns, 50);
  EXPECT_EQ(whole.firstRow, 0);
  Window w = ParseWindow("10,20,30,5", source.ds);
  EXPECT_EQ(w.rows, 10);
  EXPECT_EQ(w.columns, 20);
  EXPECT_EQ(w.firstRow, 30);
  EXPECT_EQ(w.firstColumn, 5);
  EXPECT_THROW(ParseWindow("11,20,30,5", source.ds), CommandError);
  EXPECT_THROW(ParseWindow("10,20,30", source.ds), CommandError);
  EXPECT_THROW(ParseWindow("10,20,30,5,1", source.ds), CommandError);
  EXPECT_THROW(ParseWindow("0,20,0,0", source.ds), CommandError);
  EXPECT_THROW(ParseWindow("a,b,c,d", source.ds), CommandError);
}

TEST(HostOptions, ResultsTakeTheWindowsSizeAndGeoreferencing) {
  Source source;
  MethodOptions options;
  options.output = source.dir.File("out.tif");
  options.type = "UInt16";
  {
    OutputFiles outputs(false);
    ResultImage result(options, outputs);
    result.Create(source.ds, Window{10, 20, 30, 5});
    EXPECT_EQ(ztRSGetRasterXSize(result.get()), 20);
    EXPECT_EQ(ztRSGetRasterYSize(result.get()), 10);
    EXPECT_EQ(ztRSGetDatasetType(result.get()), ZTRS_UInt16);
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

}  // namespace

namespace {

TEST(HostFailures, ResultCodesBecomeMessagesAndExitStatuses) {
  EXPECT_NO_THROW(Check(RC_OK, "x"));
  try {
    Check(RC_CANCELLED, "classification");
    FAIL() << "no exception";
  } catch (const CommandError& error) {
    EXPECT_EQ(error.status, 130);
    EXPECT_STREQ(error.what(), "classification failed: RC_CANCELLED (4000001): the user stopped the operation");
  }
  try {
    Check(12345, "x");
    FAIL() << "no exception";
  } catch (const CommandError& error) {
    EXPECT_EQ(error.status, 1);
    EXPECT_STREQ(error.what(), "x failed: result code 12345 (not a code of ztclass or its services)");
  }
}

}  // namespace
