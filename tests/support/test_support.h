#pragma once
// Helpers for tests: temporary folders, real GeoTIFFs written with GDAL
// directly, and a progress sink that records what the library does.
#include <gdal_priv.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ztservices/progress.h"
#include "ztservices/raster.h"

namespace zttest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The process's locale, for the object's life, one that writes a comma
// before the decimals (German, made with localedef in a folder of its own),
// as a host sets it (Python's locale.setlocale, QGIS). Active() is false
// where the system cannot make one.
class CommaLocale {
 public:
  CommaLocale();
  ~CommaLocale();
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  bool Active() const { return active_; }

 private:
  TempDir dir_;
  bool active_ = false;
};

struct RasterSpec {
  int columns = 10;
  int rows = 10;
  int bands = 1;
  GDALDataType type = GDT_Byte;
  int blockColumns = 0;  // 0: GDAL's default (strips)
  int blockRows = 0;
  bool hasNoData = false;
  double noData = 0.0;
  bool georeferenced = false;
};

// Writes a GeoTIFF whose pixel (band b from 1, column c, row r) holds
// value(b, c, r).
void WriteGeoTiff(const std::string& path, const RasterSpec& spec,
                  const std::function<double(int, int, int)>& value);

// One band of a stack: its type, and value(b, c, r) of its pixels.
struct StackBand {
  GDALDataType type;
  std::function<double(int, int, int)> value;
};

// Writes a VRT of columns x rows whose band i holds bands[i] in its own
// type (band 1 of a GeoTIFF beside it, PATH.i.tif): a stack of bands of
// different types.
void WriteBandStack(const std::string& path, int columns, int rows, const std::vector<StackBand>& bands);

// Reads band 1 of a raster as doubles, row-major.
std::vector<double> ReadBand(const std::string& path, int band = 1);

std::vector<unsigned char> ReadFileBytes(const std::string& path);
inline std::string ReadText(const std::string& path) {
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
inline void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// A raster of the raster service, closed when it goes.
struct Closer {
  void operator()(void* ds) const { ztRSClose(ds); }
};
using Handle = std::unique_ptr<void, Closer>;

// Adds a class AOI (type 3) of polygons, each a ring of x, y pairs in the
// image's pixel coordinates.
void AddAoi(void* ds, const std::vector<std::vector<double>>& rings, const char* name = "class");

// Records the progress protocol; can ask for a stop after a number of steps.
class ProgressRecorder {
 public:
  ProgressRecorder();
  ~ProgressRecorder();

  std::vector<std::string> events;  // "start", "end", "main:...", "sub:...", "range:lo,hi"
  long steps = 0;
  long stopAfterSteps = -1;  // -1: never
  int Count(const std::string& event) const;
  std::string LastCaption() const;  // the last sub caption's text, "" for none

 private:
  static ZTProgressSink Sink(ProgressRecorder* self);
};

}  // namespace zttest
