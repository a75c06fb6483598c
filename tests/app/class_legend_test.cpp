// The legend a class image is given: exactly its classes.
#include <gdal.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "class_records.h"

using namespace ztcli;

namespace {

CLASSATTINFO Record(int number, const char* name, unsigned char red, unsigned char green, unsigned char blue) {
  CLASSATTINFO record{};
  record.classNo = static_cast<unsigned char>(number);
  std::strncpy(record.name, name, sizeof record.name - 1);
  record.red = red;
  record.green = green;
  record.blue = blue;
  return record;
}

// A Byte image as the library leaves it: a 256-entry grey table.
GDALDatasetH ClassImage(GDALDataType type) {
  GDALAllRegister();
  GDALDatasetH dataset = GDALCreate(GDALGetDriverByName("MEM"), "", 4, 4, 1, type, nullptr);
  GDALColorTableH grey = GDALCreateColorTable(GPI_RGB);
  for (int i = 0; i < 256; ++i) {
    const GDALColorEntry entry{static_cast<short>(i), static_cast<short>(i), static_cast<short>(i), 255};
    GDALSetColorEntry(grey, i, &entry);
  }
  GDALSetRasterColorTable(GDALGetRasterBand(dataset, 1), grey);
  GDALDestroyColorTable(grey);
  return dataset;
}

std::vector<std::string> CategoryNames(GDALDatasetH dataset) {
  std::vector<std::string> names;
  char** list = GDALGetRasterCategoryNames(GDALGetRasterBand(dataset, 1));
  for (int i = 0; list && list[i]; ++i) names.push_back(list[i]);
  return names;
}

const std::vector<CLASSATTINFO> kRecords = {Record(1, "Water", 0, 0, 255), Record(3, "Forest", 0, 160, 0)};

TEST(ClassLegend, HoldsExactlyTheClasses) {
  GDALDatasetH dataset = ClassImage(GDT_Byte);
  PublishGdalLegend(dataset, kRecords);
  GDALColorTableH table = GDALGetRasterColorTable(GDALGetRasterBand(dataset, 1));
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(GDALGetColorEntryCount(table), 4);
  EXPECT_EQ(GDALGetColorEntry(table, 0)->c1, 0);     // the library's entry 0 stays
  EXPECT_EQ(GDALGetColorEntry(table, 1)->c3, 255);   // Water
  EXPECT_EQ(GDALGetColorEntry(table, 2)->c4, 0);     // no class 2: transparent
  EXPECT_EQ(GDALGetColorEntry(table, 3)->c2, 160);   // Forest
  EXPECT_EQ(CategoryNames(dataset), (std::vector<std::string>{"Unclassified", "Water", "", "Forest"}));
  GDALRasterAttributeTableH rat = GDALGetDefaultRAT(GDALGetRasterBand(dataset, 1));
  ASSERT_NE(rat, nullptr);
  EXPECT_EQ(GDALRATGetRowCount(rat), 2);
  EXPECT_STREQ(GDALRATGetValueAsString(rat, 1, 1), "Forest");
  GDALClose(dataset);
}

TEST(ClassLegend, KeepsEntry255WhenItIsTheNoDataValue) {
  GDALDatasetH dataset = ClassImage(GDT_Byte);
  GDALSetRasterNoDataValue(GDALGetRasterBand(dataset, 1), 255);
  PublishGdalLegend(dataset, kRecords);
  GDALColorTableH table = GDALGetRasterColorTable(GDALGetRasterBand(dataset, 1));
  ASSERT_EQ(GDALGetColorEntryCount(table), 256);
  EXPECT_EQ(GDALGetColorEntry(table, 255)->c1, 255);  // the library's no-data colour
  EXPECT_EQ(GDALGetColorEntry(table, 100)->c4, 0);
  const std::vector<std::string> names = CategoryNames(dataset);
  ASSERT_EQ(names.size(), 256u);
  EXPECT_EQ(names[3], "Forest");
  EXPECT_EQ(names[255], "No data");
  GDALClose(dataset);
}

}  // namespace
