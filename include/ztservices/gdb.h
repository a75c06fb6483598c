#pragma once
// Geodatabase client, legend geometry and colour library over OGR.
//
// Two kinds of geodatabase:
// - GeoPackage (the embedded default): the server name is empty and the
//   geodatabase name is the path of a .gpkg file, created when missing;
// - PostGIS: the server name is "host[:port]" (a host that starts with "/"
//   is the directory of a local socket), the geodatabase name the database,
//   with the user and password of the path information (an empty password
//   leaves libpq to take one from PGPASSWORD or the user's pgpass file).
//
// Classes are layers. Feature classes (type code 30, created with type 3) are
// polygon layers, annotation classes (type code 5) point layers. Layers share
// one name space: xcls_IsExist reports any layer of the name whatever the
// code and whatever the case of its ASCII letters (as SQLite and OGR tell
// names apart), as 0 when there is none, else as the class identifier: 2 +
// the number of the geodatabase's layers whose names sort before it (byte
// order), valid while no layer is added or removed. Names are layer names
// as given (never laundered, always quoted by OGR), so any text is a name
// and none is executed.
//
// Each created class also gets a QGIS style in the geodatabase's
// "layer_styles" table (the table QGIS reads for GeoPackage and PostGIS
// layers): polygons filled with the colour of their red, green and blue
// fields, annotation texts drawn as labels at their height in map units.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ztservices/export.h"

#pragma pack(push, 1)
// A growable list of class identifiers; release it with
// ztGDBFreeClassIdList (which leaves it empty and reusable). Packed like the
// record that holds it at an offset of 300, so that it may be reached there
// without alignment.
struct ZTGDBClassIdList {
  long* ids;
  long count;
  long capacity;
};

struct tagGDBPathInfo {
  char serverName[33];   // at most 32 bytes of text
  char gdbName[65];      // at most 64
  char reserved[98];
  int32_t kind;          // copied from the chooser's record: 0 GeoPackage, 1 PostGIS
  char reserved2[4];
  char user[30];         // at most 30 bytes; not zero-terminated when full
  char password[66];     // at most 64
  ZTGDBClassIdList classIds;
};
#pragma pack(pop)
static_assert(offsetof(tagGDBPathInfo, serverName) == 0);
static_assert(offsetof(tagGDBPathInfo, gdbName) == 33);
static_assert(offsetof(tagGDBPathInfo, kind) == 196);
static_assert(offsetof(tagGDBPathInfo, user) == 204);
static_assert(offsetof(tagGDBPathInfo, password) == 234);
static_assert(offsetof(tagGDBPathInfo, classIds) == 300);

// Appends an identifier; 0 or 2000001 when memory runs out.
ZTSERVICES_API long ztGDBAppendClassId(ZTGDBClassIdList* list, long id);
ZTSERVICES_API void ztGDBFreeClassIdList(ZTGDBClassIdList* list);

// The longest class name in bytes that a PostGIS geodatabase takes.
// PostgreSQL cuts names at 63 bytes, also the name OGR gives a table's
// spatial index (the table's name and a suffix): a longer table name would
// meet another table's, or its own index's, once cut.
constexpr size_t ZT_GDB_POSTGIS_NAME_MAX = 62;

constexpr int ZT_GDB_FEATURE_CLASS = 30;
constexpr int ZT_GDB_ANNOTATION_CLASS = 5;
constexpr int ZT_GDB_POLYGON_TYPE = 3;

// Fill of a polygon: a colour number of the colour library, then attributes
// kept as given (pattern height and pattern style in the legend's use).
struct ZTRegionInfo {
  int32_t colorNo;
  float patternHeight;
  int32_t patternStyle;
  int32_t reserved[4];
};

// Text of an annotation.
struct ZTTextInfo {
  float height;
  float width;
  float spacing;
  float angle;
  float slant;
  short font;
  int32_t direction;
  float lineSpacing;
  int32_t color;  // -1: the colour of the layer's style
  float offsetX;
  float offsetY;
  int32_t reserved[4];
};

struct ZTGPoint {
  double x;
  double y;
};

// One closed ring.
class ZTSERVICES_CLASS CPolygon {
 public:
  // points must be closed (the last equal to the first); false otherwise.
  bool Set(const ZTGPoint* points, long count);
  const std::vector<ZTGPoint>& Points() const { return points_; }

 private:
  std::vector<ZTGPoint> points_;
};

// A polygon of one or more rings.
class ZTSERVICES_CLASS CAnyPolygon {
 public:
  CAnyPolygon& operator=(const CPolygon& ring);
  long RingCount() const { return ring_.Points().empty() ? 0 : 1; }
  const CPolygon& Ring() const { return ring_; }

 private:
  CPolygon ring_;
};

class ZTSERVICES_CLASS CAnnDat {
 public:
  void SetInfo(const ZTTextInfo& info) { info_ = info; }
  void SetTxt(const char* text) { text_ = text ? text : ""; }
  const ZTTextInfo& Info() const { return info_; }
  const std::string& Txt() const { return text_; }

 private:
  ZTTextInfo info_{};
  std::string text_;
};

class CGDataBase;

// A connection: for a GeoPackage nothing but a record of the choice.
class ZTSERVICES_CLASS CGDBServer {
 public:
  // 1 when the server name is empty or of the form host[:port], else 0.
  long Connect(const char* server, const char* user, const char* password);
  void Disconnect();
  bool IsConnected() const { return connected_; }

 private:
  friend class CGDataBase;
  bool connected_ = false;
  std::string host_, port_, user_, password_;
};

struct ZTGDBHandle;

class ZTSERVICES_CLASS CGDataBase {
 public:
  CGDataBase();
  ~CGDataBase();
  CGDataBase(const CGDataBase&) = delete;
  CGDataBase& operator=(const CGDataBase&) = delete;

  // 1 when the geodatabase is open, 0 when it cannot be.
  long Open(CGDBServer* server, const char* gdbName);
  void Close();
  bool IsOpen() const;
  long xcls_IsExist(int typeCode, const char* name);
  // The number of features of the class of the name, read from the
  // geodatabase; -1 when there is no such class or it cannot be read.
  long xcls_FeatureCount(const char* name);

 private:
  friend class CSFeatureCls;
  friend class CAnnotationCls;
  std::unique_ptr<ZTGDBHandle> handle_;
};

struct ZTGDBLayer;

// A polygon feature class with the fields class_no, name, color_no, red,
// green, blue.
class ZTSERVICES_CLASS CSFeatureCls {
 public:
  CSFeatureCls();
  ~CSFeatureCls();
  // 1 on success, 0 when the class cannot be created (type other than 3).
  long cls_Create(CGDataBase* gdb, const char* name, int type, int flag);
  // The feature's identifier, or 0 when it cannot be appended.
  long polygon_Append(const CAnyPolygon& polygon, const ZTRegionInfo& fill, long classNo,
                      const char* className);
  void cls_Close();

 private:
  std::unique_ptr<ZTGDBLayer> layer_;
};

// An annotation class: points with the text and the text attributes.
class ZTSERVICES_CLASS CAnnotationCls {
 public:
  CAnnotationCls();
  ~CAnnotationCls();
  long Create(CGDataBase* gdb, const char* name);
  long Append(const ZTGPoint& position, const CAnnDat& text);
  void Close();

 private:
  std::unique_ptr<ZTGDBLayer> layer_;
};

// The colour library: colour number = red * 65536 + green * 256 + blue, so
// number 0 is black.
class ZTSERVICES_CLASS CMapColorLib {
 public:
  long FindColorNo(unsigned char red, unsigned char green, unsigned char blue) const;
  void GetRGB(long colorNo, unsigned char& red, unsigned char& green, unsigned char& blue) const;
};

// The process's colour library (never null here).
ZTSERVICES_API CMapColorLib* GetMapColorLib();
