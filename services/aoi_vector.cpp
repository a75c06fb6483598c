// AOIs from any OGR vector source, grouped into class AOIs by a class field.
#include <cpl_vsi.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

#include "aoi_source.h"
#include "dataset.h"
#include "ztservices/raster.h"
#include "ztservices/vector_path.h"

namespace ztsvc {

namespace {

constexpr const char* kClassFieldCandidates[] = {"class", "classname", "name", "label"};

// Colours for AOIs whose file gives none: distinct and easy to tell apart.
constexpr unsigned char kPalette[][3] = {
    {31, 119, 180}, {44, 160, 44},   {214, 39, 40},   {255, 127, 14}, {148, 103, 189},
    {140, 86, 75},  {227, 119, 194}, {127, 127, 127}, {188, 189, 34}, {23, 190, 207},
    {0, 0, 128},    {128, 128, 0},
};

thread_local std::string last_failure;

long Refuse(long code, const std::string& reason) {
  last_failure = reason;
  return code;
}

std::string SrsName(const OGRSpatialReference& srs) {
  std::string name = std::string("'") + (srs.GetName() ? srs.GetName() : "unnamed") + "'";
  const char* authority = srs.GetAuthorityName(nullptr);
  const char* code = srs.GetAuthorityCode(nullptr);
  if (authority && code) name += std::string(" (") + authority + ":" + code + ")";
  return name;
}

// GDAL gives every GeoJSON layer WGS 84, named in the file or not; only a
// "crs" member (looked for in the file's first megabyte, where writers put
// it) says that the coordinates are more than numbers.
bool DeclaresSrs(GDALDataset& source, const std::string& path, const OGRSpatialReference* srs) {
  if (!srs) return false;
  if (!EQUAL(source.GetDriver()->GetDescription(), "GeoJSON")) return true;
  VSILFILE* file = VSIFOpenL(path.c_str(), "rb");
  if (!file) return true;
  std::string head(1 << 20, '\0');
  head.resize(VSIFReadL(head.data(), 1, head.size(), file));
  VSIFCloseL(file);
  return head.find("\"crs\"") != std::string::npos;
}

// A GeoPackage layer without a coordinate system still names one: GDAL
// gives it the placeholders the format keeps for that (srs_id 0 and -1),
// which belong to no authority.
const OGRSpatialReference* RealSrs(const OGRSpatialReference* srs) {
  if (!srs || srs->GetAuthorityName(nullptr) || !srs->GetName()) return srs;
  const char* name = srs->GetName();
  return EQUAL(name, "Undefined geographic SRS") || EQUAL(name, "Undefined Cartesian SRS") ? nullptr : srs;
}

// A shapefile holds its attributes in the .dbf beside it. One whose .dbf
// gives no field was cut short or damaged, and one without a .dbf was
// copied without it: either way its polygons would each become a class of
// their own. Gives why, or nothing.
std::string AttributesLost(GDALDataset& source, const std::string& path, OGRFeatureDefn* defn) {
  if (!EQUAL(source.GetDriver()->GetDescription(), "ESRI Shapefile") || defn->GetFieldCount() > 0) return {};
  for (const char* extension : {"dbf", "DBF"}) {
    const std::string dbf = CPLResetExtension(path.c_str(), extension);
    VSIStatBufL stat;
    if (VSIStatL(dbf.c_str(), &stat) == 0)
      return "its attribute table '" + dbf + "' cannot be read (cut short or damaged)";
  }
  return "its attribute table '" + std::string(CPLResetExtension(path.c_str(), "dbf")) + "' is missing";
}

// The layer the polygons are read from: the one named by a "|layername="
// suffix of the path, as QGIS and GDAL's tools write it, else the source's
// only layer of geometries. Of several, none is taken silently: training on
// the wrong one gives a map that looks right. Sets why when there is none.
OGRLayer* ChooseLayer(GDALDataset& source, const std::string& layerName, std::string& why) {
  if (!layerName.empty()) {
    if (OGRLayer* layer = source.GetLayerByName(layerName.c_str())) return layer;
    why = "it has no layer '" + layerName + "'";
  }
  std::vector<OGRLayer*> candidates;
  for (OGRLayer* layer : source.GetLayers())
    if (layer->GetGeomType() != wkbNone) candidates.push_back(layer);
  if (candidates.empty())
    for (OGRLayer* layer : source.GetLayers()) candidates.push_back(layer);
  if (layerName.empty() && candidates.size() == 1) return candidates.front();
  std::string names;
  for (OGRLayer* layer : candidates) names += (names.empty() ? "'" : ", '") + std::string(layer->GetName()) + "'";
  if (layerName.empty())
    why = "it holds " + std::to_string(candidates.size()) + " layers (" + names +
          "): name the one to read as PATH|layername=NAME";
  else
    why += " (its layers: " + (names.empty() ? std::string("none") : names) + ")";
  return nullptr;
}

struct DatasetCloser {
  void operator()(GDALDataset* ds) const { GDALClose(GDALDataset::ToHandle(ds)); }
};

int FindField(OGRFeatureDefn* defn, const char* name) {
  return name && *name ? defn->GetFieldIndex(name) : -1;
}

// Maps coordinates of the vector file into the image's pixel/line space, as
// GDAL has it: the integer point (c, r) is the top-left corner of pixel (c, r).
class PixelMapper {
 public:
  // pixels: the coordinates are pixel/line positions already.
  PixelMapper(GDALDataset* image, const OGRSpatialReference* vectorSrs, bool pixels) {
    if (pixels) return;
    geo_ = image->GetGeoTransform(gt_) == CE_None && GDALInvGeoTransform(gt_, inv_);
    const OGRSpatialReference* imageSrs = image->GetSpatialRef();
    if (geo_ && imageSrs && vectorSrs && !imageSrs->IsSame(vectorSrs)) {
      OGRSpatialReference from(*vectorSrs), to(*imageSrs);
      from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      transform_.reset(OGRCreateCoordinateTransformation(&from, &to));
      failed_ = !transform_;
    }
  }

  bool Failed() const { return failed_; }

  bool Map(double x, double y, ZTPOINT& out) const {
    if (transform_ && !transform_->Transform(1, &x, &y)) return false;
    if (geo_) {
      const double px = inv_[0] + x * inv_[1] + y * inv_[2];
      const double py = inv_[3] + x * inv_[4] + y * inv_[5];
      x = px;
      y = py;
    }
    // A vertex that is, or maps to, no number has no place in the image.
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    out = MakePoint(x, y);
    return true;
  }

 private:
  double gt_[6]{}, inv_[6]{};
  bool geo_ = false;
  bool failed_ = false;
  std::unique_ptr<OGRCoordinateTransformation> transform_;
};

bool AppendRing(const OGRLinearRing* ring, const PixelMapper& mapper, std::vector<ZTPOINT>& out) {
  int n = ring->getNumPoints();
  for (int i = 0; i < n; ++i) {
    ZTPOINT p;
    if (!mapper.Map(ring->getX(i), ring->getY(i), p)) return false;
    out.push_back(p);
  }
  if (n > 0 && (ring->getX(0) != ring->getX(n - 1) || ring->getY(0) != ring->getY(n - 1)))
    out.push_back(out[out.size() - n]);
  return true;
}

// Outer ring, then each hole followed by the outer ring's first point, so
// that an even-odd test over the whole sequence leaves holes outside.
bool PolygonPoints(const OGRPolygon* polygon, const PixelMapper& mapper,
                   std::vector<ZTPOINT>& out) {
  const OGRLinearRing* outer = polygon->getExteriorRing();
  if (!outer || outer->getNumPoints() == 0) return true;
  if (!AppendRing(outer, mapper, out)) return false;
  ZTPOINT first = out.front();
  for (int h = 0; h < polygon->getNumInteriorRings(); ++h) {
    const OGRLinearRing* hole = polygon->getInteriorRing(h);
    if (hole->getNumPoints() == 0) continue;
    if (!AppendRing(hole, mapper, out)) return false;
    out.push_back(first);
  }
  return true;
}

enum class Placed { kYes, kOutside, kNoSurface };

Placed AddGeometry(const OGRGeometry* geometry, const PixelMapper& mapper, AoiData& aoi) {
  if (!geometry) return Placed::kYes;
  const OGRwkbGeometryType type = wkbFlatten(geometry->getGeometryType());
  switch (type) {
    case wkbPolygon:
    case wkbTriangle: {
      std::vector<ZTPOINT> points;
      if (!PolygonPoints(geometry->toPolygon(), mapper, points)) return Placed::kOutside;
      if (!points.empty()) aoi.polygons.push_back(std::move(points));
      return Placed::kYes;
    }
    case wkbMultiPolygon:
    case wkbGeometryCollection:
      for (const OGRGeometry* part : *geometry->toGeometryCollection())
        if (Placed placed = AddGeometry(part, mapper, aoi); placed != Placed::kYes) return placed;
      return Placed::kYes;
    default:
      break;
  }
  if (geometry->IsEmpty()) return Placed::kYes;
  // Curved polygons, surfaces of many faces and their collections enclose
  // pixels as well: their polygons, with arcs cut into straight segments.
  if (!OGR_GT_IsSurface(type) && !OGR_GT_IsSubClassOf(type, wkbMultiSurface)) return Placed::kNoSurface;
  std::unique_ptr<OGRGeometry> polygons(OGRGeometryFactory::forceToMultiPolygon(geometry->getLinearGeometry()));
  if (!polygons || wkbFlatten(polygons->getGeometryType()) != wkbMultiPolygon) return Placed::kNoSurface;
  return AddGeometry(polygons.get(), mapper, aoi);
}

// Spaces around a class value or name are no part of it: "forest " typed
// for "forest" would train a second class that no legend tells apart.
std::string Trimmed(const char* text) {
  std::string_view view(text);
  const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!view.empty() && space(view.front())) view.remove_prefix(1);
  while (!view.empty() && space(view.back())) view.remove_suffix(1);
  return std::string(view);
}

bool ParseHexColour(const char* text, AoiData& aoi) {
  unsigned r, g, b;
  if (!text || std::strlen(text) != 7 || text[0] != '#' ||
      std::sscanf(text + 1, "%2x%2x%2x", &r, &g, &b) != 3)
    return false;
  aoi.red = static_cast<unsigned char>(r);
  aoi.green = static_cast<unsigned char>(g);
  aoi.blue = static_cast<unsigned char>(b);
  return true;
}

struct FieldIndexes {
  int name, color, red, green, blue, type, remark;

  explicit FieldIndexes(OGRFeatureDefn* defn)
      : name(FindField(defn, "name")),
        color(FindField(defn, "color")),
        red(FindField(defn, "red")),
        green(FindField(defn, "green")),
        blue(FindField(defn, "blue")),
        type(FindField(defn, "type")),
        remark(FindField(defn, "remark")) {
    if (remark < 0) remark = FindField(defn, "description");
  }
};

// Attributes of a new AOI from the first feature of its group.
void DescribeAoi(OGRFeature& feature, const FieldIndexes& f, const std::string& key,
                 size_t index, AoiData& aoi) {
  // A class of an empty name could not be told apart in a legend.
  const std::string name =
      f.name >= 0 && feature.IsFieldSetAndNotNull(f.name) ? Trimmed(feature.GetFieldAsString(f.name)) : "";
  aoi.name = name.empty() ? key : name;
  bool coloured = f.color >= 0 && ParseHexColour(feature.GetFieldAsString(f.color), aoi);
  if (!coloured && f.red >= 0 && f.green >= 0 && f.blue >= 0) {
    aoi.red = static_cast<unsigned char>(std::clamp(feature.GetFieldAsInteger(f.red), 0, 255));
    aoi.green = static_cast<unsigned char>(std::clamp(feature.GetFieldAsInteger(f.green), 0, 255));
    aoi.blue = static_cast<unsigned char>(std::clamp(feature.GetFieldAsInteger(f.blue), 0, 255));
    coloured = true;
  }
  if (!coloured) {
    const unsigned char* c = kPalette[index % std::size(kPalette)];
    aoi.red = c[0];
    aoi.green = c[1];
    aoi.blue = c[2];
  }
  aoi.aoiType = f.type >= 0 && feature.IsFieldSetAndNotNull(f.type)
                    ? feature.GetFieldAsInteger(f.type)
                    : 3;
  if (f.remark >= 0) aoi.remark = feature.GetFieldAsString(f.remark);
}

}  // namespace

VectorPath SplitVectorPath(const std::string& path) {
  constexpr std::string_view kSuffix = "|layername=";
  const size_t suffix = path.find(kSuffix);
  if (suffix == std::string::npos) return {path, ""};
  return {path.substr(0, suffix), path.substr(suffix + kSuffix.size())};
}

std::string ImageAoiFile(const std::string& imagePath) {
  for (const char* suffix : {".aoi.gpkg", ".aoi.geojson"}) {
    VSIStatBufL stat;
    if (const std::string candidate = imagePath + suffix; VSIStatL(candidate.c_str(), &stat) == 0) return candidate;
  }
  return "";
}

ZTPOINT MakePoint(double x, double y) {
  ZTPOINT p{};
  p.x = x;
  p.y = y;
  return p;
}

void CopyUtf8(const std::string& text, char* field, size_t size) {
  size_t n = std::min(text.size(), size - 1);
  // Back off continuation bytes (10xxxxxx) so no character is cut in half.
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(field, text.data(), n);
  std::memset(field + n, 0, size - n);
}

long LoadAoiFile(const std::string& path, const std::string& classField, bool pixelCoordinates, GDALDataset* image,
                 std::vector<AoiData>& out) {
  EnsureGdalRegistered();
  last_failure.clear();
  CPLErrorReset();
  const auto [file, layerName] = SplitVectorPath(path);
  std::unique_ptr<GDALDataset, DatasetCloser> source(
      GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!source) {
    // GDAL says nothing of a file that is missing or of no format it knows,
    // unless asked to report every failure to open.
    VSIStatBufL status;
    const char* reason = *CPLGetLastErrorMsg()                  ? CPLGetLastErrorMsg()
                         : VSIStatL(file.c_str(), &status) != 0 ? "no such file or directory"
                                                                : "no vector format that GDAL reads recognises it";
    return Refuse(ZTRS_ERR_AOI_FILE, reason);
  }
  std::string why;
  OGRLayer* layer = ChooseLayer(*source, layerName, why);
  if (!layer) return Refuse(ZTRS_ERR_AOI_FILE, why);
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  if (const std::string lost = AttributesLost(*source, file, defn); !lost.empty())
    return Refuse(ZTRS_ERR_AOI_FILE, lost + ": the polygons' classes are unknown");
  double gt[6];
  const OGRSpatialReference* srs = RealSrs(layer->GetSpatialRef());
  if (!pixelCoordinates && image->GetGeoTransform(gt) != CE_None && DeclaresSrs(*source, file, srs))
    return Refuse(ZTRS_ERR_AOI_CRS, "the polygons are in the coordinate system " + SrsName(*srs) + ", the image '" +
                                        image->GetDescription() +
                                        "' has none (no georeferencing): nothing says where they fall on it");

  int classIndex = -1;
  if (!classField.empty()) {
    classIndex = FindField(defn, classField.c_str());
    if (classIndex < 0) {
      std::string fields;
      for (int i = 0; i < defn->GetFieldCount(); ++i)
        fields += (i ? ", " : "") + std::string(defn->GetFieldDefn(i)->GetNameRef());
      return Refuse(ZTRS_ERR_AOI_FIELD, "no field '" + classField + "' (its fields: " +
                                           (fields.empty() ? "none" : fields) + ")");
    }
  } else {
    for (const char* candidate : kClassFieldCandidates)
      if ((classIndex = FindField(defn, candidate)) >= 0) break;
  }
  bool integerKey = classIndex >= 0 && (defn->GetFieldDefn(classIndex)->GetType() == OFTInteger ||
                                        defn->GetFieldDefn(classIndex)->GetType() == OFTInteger64);

  PixelMapper mapper(image, srs, pixelCoordinates);
  if (mapper.Failed())
    return Refuse(ZTRS_ERR_AOI_FILE, "no transformation from the polygons' coordinate system " + SrsName(*srs) +
                                         " to the image's");
  FieldIndexes fields(defn);

  std::vector<AoiData> aois;
  std::map<std::string, size_t> byKey;
  std::vector<std::pair<long long, size_t>> integerOrder;
  layer->ResetReading();
  long featureNumber = 0;
  for (auto& feature : *layer) {
    ++featureNumber;
    // Grouped under an empty key, unlabelled polygons would train a class
    // of their own that no name tells apart.
    if (classIndex >= 0 && !feature->IsFieldSetAndNotNull(classIndex))
      return Refuse(ZTRS_ERR_AOI_FILE, "feature " + std::to_string(featureNumber) + " has no class: its field '" +
                                           defn->GetFieldDefn(classIndex)->GetNameRef() + "' is null");
    const std::string key = classIndex >= 0 ? Trimmed(feature->GetFieldAsString(classIndex))
                                            : std::to_string(featureNumber);
    if (key.empty())
      return Refuse(ZTRS_ERR_AOI_FILE, "feature " + std::to_string(featureNumber) + " has no class: its field '" +
                                           defn->GetFieldDefn(classIndex)->GetNameRef() + "' is " +
                                           (*feature->GetFieldAsString(classIndex) ? "blank" : "empty"));
    auto [it, inserted] = byKey.try_emplace(key, aois.size());
    if (inserted) {
      aois.emplace_back();
      DescribeAoi(*feature, fields, key, aois.size() - 1, aois.back());
      if (integerKey) integerOrder.emplace_back(feature->GetFieldAsInteger64(classIndex), it->second);
    }
    AoiData& aoi = aois[it->second];
    switch (AddGeometry(feature->GetGeometryRef(), mapper, aoi)) {
      case Placed::kYes:
        break;
      case Placed::kOutside:
        return Refuse(ZTRS_ERR_AOI_FILE, "polygon " + std::to_string(aoi.polygons.size() + 1) + " of class '" +
                                             aoi.name +
                                             "' lies outside the image (its coordinates have no place in it)");
      case Placed::kNoSurface: {
        const std::string kind = OGRGeometryTypeToName(feature->GetGeometryRef()->getGeometryType());
        return Refuse(ZTRS_ERR_AOI_FILE, "feature " + std::to_string(featureNumber) + " of class '" + aoi.name +
                                             "' is a '" + kind + "', not a polygon: it encloses no pixel");
      }
    }
  }
  if (CPLGetLastErrorType() >= CE_Failure)
    return Refuse(ZTRS_ERR_AOI_FILE, std::string("reading it failed: ") + CPLGetLastErrorMsg());
  // Training would stop at such a class without saying which one it is.
  for (const AoiData& aoi : aois)
    if (aoi.aoiType == 3 && aoi.polygons.empty())
      return Refuse(ZTRS_ERR_AOI_FILE, "class '" + aoi.name +
                                           "' has no polygon: the geometries of its features are all empty or missing");

  if (integerKey) {
    std::stable_sort(integerOrder.begin(), integerOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : integerOrder) out.push_back(std::move(aois[entry.second]));
  } else {
    for (auto& aoi : aois) out.push_back(std::move(aoi));
  }
  return 0;
}

void AoiSources::FindSidecar(const std::string& imagePath) { filePath = ImageAoiFile(imagePath); }

long AoiSources::Load(GDALDataset* image, std::vector<AoiData>& out) const {
  if (!filePath.empty())
    if (long rc = LoadAoiFile(filePath, classField, pixelCoordinates, image, out)) return rc;
  out.insert(out.end(), inMemory.begin(), inMemory.end());
  return 0;
}

}  // namespace ztsvc

const char* ztRSLastAOIError() { return ztsvc::last_failure.c_str(); }
