#!/usr/bin/env bash
# Builds the large test images of the post-classification benchmarks from the
# sample scene (349 x 352 x 6), tiled 20 x 20 times:
#   DIR/scene_49mp.tif      6980 x 7040 x 6 Byte, 256 x 256 tiles
#   DIR/classes_frag.tif    its class map: band 1 cut into 8 ranges of value
#   DIR/classes_region.tif  the same map with one class-1 region of 25 M
#                           pixels (the left 3552 columns), sprinkled with
#                           single class-2 holes that keep it connected
#   DIR/scene_49mp_training.geojson  the sample scene's training polygons
#                           (data/olinda_training.geojson) in the large
#                           scene's pixel coordinates, over its first tile
# Usage: bench/make_large_scene.sh DIR   (files already there are kept)
set -euo pipefail
DIR="${1:?usage: $0 DIR}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
mkdir -p "$DIR"

# The sample scene, found where scripts/setup.sh keeps it.
SCENE="$(bash -c "source <(sed -n '/^sample_scene()/,/^}/p' '$ROOT/scripts/setup.sh'); sample_scene")"

TILES=20
if [ ! -f "$DIR/scene_49mp.tif" ]; then
  read -r W H < <(gdalinfo "$SCENE" | sed -n 's/^Size is \([0-9]*\), \([0-9]*\)/\1 \2/p')
  VRT="$DIR/scene_49mp.vrt"
  {
    echo "<VRTDataset rasterXSize=\"$((W * TILES))\" rasterYSize=\"$((H * TILES))\">"
    for b in 1 2 3 4 5 6; do
      echo "  <VRTRasterBand dataType=\"Byte\" band=\"$b\">"
      for ty in $(seq 0 $((TILES - 1))); do
        for tx in $(seq 0 $((TILES - 1))); do
          echo "    <SimpleSource><SourceFilename relativeToVRT=\"0\">$SCENE</SourceFilename><SourceBand>$b</SourceBand>"
          echo "      <SrcRect xOff=\"0\" yOff=\"0\" xSize=\"$W\" ySize=\"$H\"/><DstRect xOff=\"$((tx * W))\" yOff=\"$((ty * H))\" xSize=\"$W\" ySize=\"$H\"/></SimpleSource>"
        done
      done
      echo "  </VRTRasterBand>"
    done
    echo "</VRTDataset>"
  } > "$VRT"
  gdal_translate -q -of GTiff -co TILED=YES -co BLOCKXSIZE=256 -co BLOCKYSIZE=256 -co COMPRESS=DEFLATE \
    "$VRT" "$DIR/scene_49mp.tif.partial.tif"
  mv "$DIR/scene_49mp.tif.partial.tif" "$DIR/scene_49mp.tif"
  rm -f "$VRT"
fi

if [ ! -f "$DIR/classes_frag.tif" ] || [ ! -f "$DIR/classes_region.tif" ]; then
  /usr/bin/python3 - "$DIR" <<'PY'
import sys
import numpy as np
from osgeo import gdal
d = sys.argv[1]
src = gdal.Open(d + "/scene_49mp.tif")
b = src.GetRasterBand(1).ReadAsArray().astype(np.int32)
lo, hi = int(b.min()), int(b.max())
frag = (1 + (b - lo) * 8 // (hi - lo + 1)).astype(np.uint8)
region = frag.copy()
region[:, :3552] = 1
region[5::97, 7:3540:89] = 2
for name, grid in (("classes_frag", frag), ("classes_region", region)):
    out = gdal.GetDriverByName("GTiff").Create(d + "/" + name + ".partial.tif", grid.shape[1], grid.shape[0], 1,
                                                 gdal.GDT_Byte, ["TILED=YES", "COMPRESS=DEFLATE"])
    out.GetRasterBand(1).WriteArray(grid)
    out = None
    import os
    os.replace(d + "/" + name + ".partial.tif", d + "/" + name + ".tif")
PY
fi
if [ ! -f "$DIR/scene_49mp_training.geojson" ]; then
  # The large scene has no georeferencing: its coordinates are pixels.
  /usr/bin/python3 - "$SCENE" "$ROOT/data/olinda_training.geojson" "$DIR/scene_49mp_training.geojson" <<'PY'
import sys
from osgeo import gdal, ogr, osr
scene, polygons, target = sys.argv[1:]
image = gdal.Open(scene)
x0, dx, _, y0, _, dy = image.GetGeoTransform()
srs = osr.SpatialReference(wkt=image.GetProjection())
srs.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
source = ogr.Open(polygons)
layer = source.GetLayer(0)
layer_srs = layer.GetSpatialRef()
layer_srs.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
to_image = osr.CoordinateTransformation(layer_srs, srs)
out = ogr.GetDriverByName("GeoJSON").CreateDataSource(target + ".partial")
out_layer = out.CreateLayer("training", None, ogr.wkbPolygon)
definition = layer.GetLayerDefn()
for i in range(definition.GetFieldCount()):
    out_layer.CreateField(definition.GetFieldDefn(i))
for feature in layer:
    geometry = feature.GetGeometryRef().Clone()
    geometry.Transform(to_image)
    for r in range(geometry.GetGeometryCount()):
        ring = geometry.GetGeometryRef(r)
        for k in range(ring.GetPointCount()):
            x, y = ring.GetX(k), ring.GetY(k)
            ring.SetPoint_2D(k, (x - x0) / dx, (y - y0) / dy)
    copy = ogr.Feature(out_layer.GetLayerDefn())
    copy.SetFrom(feature)
    copy.SetGeometry(geometry)
    out_layer.CreateFeature(copy)
out = None
PY
  mv "$DIR/scene_49mp_training.geojson.partial" "$DIR/scene_49mp_training.geojson"
fi
ls -l "$DIR"
