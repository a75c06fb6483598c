#pragma once
// The ground area of an image's cells.
#include "ztservices/export.h"

// Whether the image's coordinate system is geographic (longitude and
// latitude): its cells are then measured on the ellipsoid, not by the
// extent's units. 0 otherwise or without one.
ZTSERVICES_API int ztRSIsGeographic(void* dataset);

// Metres in the linear unit of the image's projected (or local) coordinate
// system: 0.3048006096012192 for US survey feet. 1 for a geographic system
// or without one.
ZTSERVICES_API double ztRSGetLinearUnitMetres(void* dataset);

// Whether the geotransform has no rotation terms: the cells of a row then
// all have the same ground area.
ZTSERVICES_API int ztRSIsNorthUp(void* dataset);

// The area in square metres, on the ellipsoid of the image's geographic
// coordinate system, of the cell at (row, column): the geodesic area of the
// quadrilateral of its four corners as the geotransform places them.
// Returns 0, or a raster-service error when the image is not geographic or
// has no geotransform.
ZTSERVICES_API long ztRSGetGeodesicCellArea(void* dataset, long row, long column, double* area);
