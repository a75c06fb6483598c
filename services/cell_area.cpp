#include <geodesic.h>
#include <ogr_spatialref.h>

#include <cmath>

#include "dataset.h"
#include "ztservices/raster.h"
#include "ztservices/cellarea.h"

namespace {

const OGRSpatialReference* GeographicReference(void* dataset) {
  const ztsvc::RSDataset* d = ztsvc::AsDataset(dataset);
  if (!d || !d->gdal) return nullptr;
  const OGRSpatialReference* srs = d->gdal->GetSpatialRef();
  return srs && srs->IsGeographic() ? srs : nullptr;
}

// Whether the geotransform's x runs along latitude: a coordinate system
// whose first data axis is a north or south axis.
bool XIsLatitude(const OGRSpatialReference& srs) {
  const std::vector<int>& mapping = srs.GetDataAxisToSRSAxisMapping();
  if (mapping.empty()) return false;
  OGRAxisOrientation orientation = OAO_Other;
  srs.GetAxis(nullptr, std::abs(mapping[0]) - 1, &orientation);
  return orientation == OAO_North || orientation == OAO_South;
}

}  // namespace

int ztRSIsGeographic(void* dataset) { return GeographicReference(dataset) ? 1 : 0; }

double ztRSGetLinearUnitMetres(void* dataset) {
  const ztsvc::RSDataset* d = ztsvc::AsDataset(dataset);
  const OGRSpatialReference* srs = d && d->gdal ? d->gdal->GetSpatialRef() : nullptr;
  if (!srs || srs->IsGeographic()) return 1.0;
  const double metres = srs->GetLinearUnits();
  return std::isfinite(metres) && metres > 0 ? metres : 1.0;
}

int ztRSIsNorthUp(void* dataset) {
  const ztsvc::RSDataset* d = ztsvc::AsDataset(dataset);
  double transform[6];
  if (!d || !d->gdal || d->gdal->GetGeoTransform(transform) != CE_None) return 0;
  return transform[2] == 0 && transform[4] == 0 ? 1 : 0;
}

long ztRSGetGeodesicCellArea(void* dataset, long row, long column, double* area) {
  const OGRSpatialReference* srs = GeographicReference(dataset);
  double transform[6];
  if (!srs || !area || ztsvc::AsDataset(dataset)->gdal->GetGeoTransform(transform) != CE_None) return ZTRS_ERR_IO;
  const double inverseFlattening = srs->GetInvFlattening();
  geod_geodesic geodesic;
  geod_init(&geodesic, srs->GetSemiMajor(), inverseFlattening > 0 ? 1.0 / inverseFlattening : 0.0);
  const double toDegrees = srs->GetAngularUnits() * 180.0 / M_PI;
  const bool swapped = XIsLatitude(*srs);
  const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  double latitudes[4], longitudes[4];
  for (int i = 0; i < 4; ++i) {
    const double c = column + corners[i][0], r = row + corners[i][1];
    const double x = (transform[0] + c * transform[1] + r * transform[2]) * toDegrees;
    const double y = (transform[3] + c * transform[4] + r * transform[5]) * toDegrees;
    latitudes[i] = swapped ? x : y;
    longitudes[i] = swapped ? y : x;
  }
  double signedArea = 0;
  geod_polygonarea(&geodesic, latitudes, longitudes, 4, &signedArea, nullptr);
  *area = std::fabs(signedArea);
  return 0;
}
