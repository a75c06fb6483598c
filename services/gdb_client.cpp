// The geodatabase client over OGR: GeoPackage files and PostGIS databases.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "layer_style.h"
#include "ztservices/gdb.h"

struct ZTGDBHandle {
  GDALDatasetUniquePtr dataset;
  std::string catalog, schema;
};

struct ZTGDBLayer {
  OGRLayer* layer = nullptr;
};

namespace {

// GDAL reports through the caller's error handler otherwise; a failed open
// or create is a result code here, not a message.
class QuietErrors {
 public:
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() { CPLPopErrorHandler(); }
};

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool EqualAnyAsciiCase(const char* a, const char* b) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  for (; *a && *b; ++a, ++b)
    if (lower(static_cast<unsigned char>(*a)) != lower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// A libpq connection value in single quotes.
std::string Quoted(const std::string& value) {
  std::string quoted = "'";
  for (char c : value) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

GDALDataset* OpenGeoPackage(const std::string& path) {
  const char* const drivers[] = {"GPKG", nullptr};
  std::error_code error;
  if (std::filesystem::exists(path, error))
    return GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers, nullptr, nullptr);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  return driver ? driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr) : nullptr;
}

GDALDataset* OpenPostGIS(const std::string& host, const std::string& port, const std::string& user,
                         const std::string& password, const std::string& database) {
  std::string connection = "PG:dbname=" + Quoted(database) + " host=" + Quoted(host);
  if (!port.empty()) connection += " port=" + Quoted(port);
  if (!user.empty()) connection += " user=" + Quoted(user);
  if (!password.empty()) connection += " password=" + Quoted(password);
  const char* const drivers[] = {"PostgreSQL", nullptr};
  return GDALDataset::Open(connection.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers, nullptr, nullptr);
}

OGRLayer* CreateLayer(ZTGDBHandle& gdb, const char* name, OGRwkbGeometryType type) {
  if (!name || !*name) return nullptr;
  if (!gdb.catalog.empty() && std::strlen(name) > ZT_GDB_POSTGIS_NAME_MAX) return nullptr;
  // Names are kept as given: PostGIS would otherwise lower-case them,
  // replace what it considers unusual characters and take the text before a
  // dot for a schema.
  const char* const postgis[] = {"LAUNDER=NO", "EXTRACT_SCHEMA_FROM_LAYER_NAME=NO", nullptr};
  char** options = gdb.catalog.empty() ? nullptr : const_cast<char**>(postgis);
  return gdb.dataset->CreateLayer(name, nullptr, type, options);
}

bool AddFields(OGRLayer& layer, std::initializer_list<std::pair<const char*, OGRFieldType>> fields) {
  for (const auto& [name, type] : fields) {
    OGRFieldDefn field(name, type);
    if (layer.CreateField(&field) != OGRERR_NONE) return false;
  }
  return true;
}

// PostGIS issues CREATE TABLE only when a new layer is first used; a refused
// table must fail the class's creation here, not lose its features later
// without a word. The flush reports only through the error state.
bool Materialize(GDALDataset& gdb) {
  CPLErrorReset();
  gdb.FlushCache();
  return CPLGetLastErrorType() != CE_Failure;
}

}  // namespace

long CGDBServer::Connect(const char* server, const char* user, const char* password) {
  Disconnect();
  std::string name = server ? server : "";
  std::string port;
  const size_t colon = name.rfind(':');
  if (colon != std::string::npos) {
    port = name.substr(colon + 1);
    name.erase(colon);
    if (!AllDigits(port) || name.empty()) return 0;
  }
  host_ = name;
  port_ = port;
  user_ = user ? user : "";
  password_ = password ? password : "";
  connected_ = true;
  return 1;
}

void CGDBServer::Disconnect() {
  connected_ = false;
  host_.clear();
  port_.clear();
  user_.clear();
  password_.clear();
}

CGDataBase::CGDataBase() = default;
CGDataBase::~CGDataBase() = default;

long CGDataBase::Open(CGDBServer* server, const char* gdbName) {
  Close();
  if (!server || !server->connected_ || !gdbName || !*gdbName) return 0;
  QuietErrors quiet;
  auto handle = std::make_unique<ZTGDBHandle>();
  if (server->host_.empty()) {
    handle->dataset.reset(OpenGeoPackage(gdbName));
  } else {
    handle->dataset.reset(OpenPostGIS(server->host_, server->port_, server->user_, server->password_, gdbName));
    handle->catalog = gdbName;
    handle->schema = "public";
  }
  if (!handle->dataset) return 0;
  handle_ = std::move(handle);
  return 1;
}

void CGDataBase::Close() { handle_.reset(); }

bool CGDataBase::IsOpen() const { return handle_ != nullptr; }

long CGDataBase::xcls_IsExist(int /*typeCode*/, const char* name) {
  if (!handle_ || !name) return 0;
  GDALDataset& gdb = *handle_->dataset;
  // SQLite tells table names apart regardless of ASCII case, and OGR will not
  // create a layer so named beside another in either kind of geodatabase.
  const char* found = nullptr;
  for (int i = 0; i < gdb.GetLayerCount() && !found; ++i)
    if (EqualAnyAsciiCase(gdb.GetLayer(i)->GetName(), name)) found = gdb.GetLayer(i)->GetName();
  if (!found) return 0;
  long before = 0;
  for (int i = 0; i < gdb.GetLayerCount(); ++i) before += std::strcmp(gdb.GetLayer(i)->GetName(), found) < 0;
  return 2 + before;
}

long CGDataBase::xcls_FeatureCount(const char* name) {
  if (!handle_ || !name) return -1;
  QuietErrors quiet;
  OGRLayer* layer = handle_->dataset->GetLayerByName(name);
  return layer ? static_cast<long>(layer->GetFeatureCount(TRUE)) : -1;
}

CSFeatureCls::CSFeatureCls() = default;
CSFeatureCls::~CSFeatureCls() = default;

long CSFeatureCls::cls_Create(CGDataBase* gdb, const char* name, int type, int /*flag*/) {
  cls_Close();
  if (!gdb || !gdb->handle_ || type != ZT_GDB_POLYGON_TYPE) return 0;
  QuietErrors quiet;
  OGRLayer* layer = CreateLayer(*gdb->handle_, name, wkbPolygon);
  if (!layer || !AddFields(*layer, {{"class_no", OFTInteger},
                                    {"name", OFTString},
                                    {"color_no", OFTInteger},
                                    {"red", OFTInteger},
                                    {"green", OFTInteger},
                                    {"blue", OFTInteger},
                                    {"pattern_height", OFTReal},
                                    {"pattern_style", OFTInteger}}) ||
      !Materialize(*gdb->handle_->dataset))
    return 0;
  if (!ztgdb::AddLayerStyle(*gdb->handle_->dataset, gdb->handle_->catalog, gdb->handle_->schema, *layer,
                            ztgdb::BoxStyle()))
    return 0;
  layer_ = std::make_unique<ZTGDBLayer>(ZTGDBLayer{layer});
  return 1;
}

long CSFeatureCls::polygon_Append(const CAnyPolygon& polygon, const ZTRegionInfo& fill, long classNo,
                                  const char* className) {
  if (!layer_ || polygon.RingCount() != 1) return 0;
  QuietErrors quiet;
  OGRLinearRing ring;
  for (const ZTGPoint& p : polygon.Ring().Points()) ring.addPoint(p.x, p.y);
  OGRPolygon shape;
  if (shape.addRing(&ring) != OGRERR_NONE) return 0;
  unsigned char red, green, blue;
  GetMapColorLib()->GetRGB(fill.colorNo, red, green, blue);
  OGRFeature feature(layer_->layer->GetLayerDefn());
  feature.SetField("class_no", static_cast<int>(classNo));
  feature.SetField("name", className ? className : "");
  feature.SetField("color_no", fill.colorNo);
  feature.SetField("red", red);
  feature.SetField("green", green);
  feature.SetField("blue", blue);
  feature.SetField("pattern_height", fill.patternHeight);
  feature.SetField("pattern_style", fill.patternStyle);
  feature.SetGeometry(&shape);
  if (layer_->layer->CreateFeature(&feature) != OGRERR_NONE) return 0;
  return feature.GetFID() > 0 ? static_cast<long>(feature.GetFID()) : 1;
}

void CSFeatureCls::cls_Close() {
  if (layer_) layer_->layer->SyncToDisk();
  layer_.reset();
}

CAnnotationCls::CAnnotationCls() = default;
CAnnotationCls::~CAnnotationCls() = default;

long CAnnotationCls::Create(CGDataBase* gdb, const char* name) {
  Close();
  if (!gdb || !gdb->handle_) return 0;
  QuietErrors quiet;
  OGRLayer* layer = CreateLayer(*gdb->handle_, name, wkbPoint);
  if (!layer || !AddFields(*layer, {{"txt", OFTString},
                                    {"height", OFTReal},
                                    {"width", OFTReal},
                                    {"spacing", OFTReal},
                                    {"angle", OFTReal},
                                    {"slant", OFTReal},
                                    {"font", OFTInteger},
                                    {"direction", OFTInteger},
                                    {"line_spacing", OFTReal},
                                    {"color", OFTInteger},
                                    {"offset_x", OFTReal},
                                    {"offset_y", OFTReal}}) ||
      !Materialize(*gdb->handle_->dataset))
    return 0;
  if (!ztgdb::AddLayerStyle(*gdb->handle_->dataset, gdb->handle_->catalog, gdb->handle_->schema, *layer,
                            ztgdb::LabelStyle()))
    return 0;
  layer_ = std::make_unique<ZTGDBLayer>(ZTGDBLayer{layer});
  return 1;
}

long CAnnotationCls::Append(const ZTGPoint& position, const CAnnDat& text) {
  if (!layer_) return 0;
  QuietErrors quiet;
  const ZTTextInfo& info = text.Info();
  OGRFeature feature(layer_->layer->GetLayerDefn());
  feature.SetField("txt", text.Txt().c_str());
  feature.SetField("height", info.height);
  feature.SetField("width", info.width);
  feature.SetField("spacing", info.spacing);
  feature.SetField("angle", info.angle);
  feature.SetField("slant", info.slant);
  feature.SetField("font", info.font);
  feature.SetField("direction", info.direction);
  feature.SetField("line_spacing", info.lineSpacing);
  feature.SetField("color", info.color);
  feature.SetField("offset_x", info.offsetX);
  feature.SetField("offset_y", info.offsetY);
  OGRPoint point(position.x, position.y);
  feature.SetGeometry(&point);
  if (layer_->layer->CreateFeature(&feature) != OGRERR_NONE) return 0;
  return feature.GetFID() > 0 ? static_cast<long>(feature.GetFID()) : 1;
}

void CAnnotationCls::Close() {
  if (layer_) layer_->layer->SyncToDisk();
  layer_.reset();
}
