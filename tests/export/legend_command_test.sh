#!/usr/bin/env bash
# ztclass legend end to end into a real PostGIS database (a server that this
# script starts), read back with ogrinfo and psql; and what a failed export
# leaves, and says it leaves, in PostGIS and in a GeoPackage.
# Usage: legend_command_test.sh ZTCLASS
set -u
ZTCLASS="$1"
here="$(dirname "$0")"
. "$here/../app/harness.sh"
. "$here/postgis_server.sh"
start_postgis legends || exit 1
PG="PG:dbname=legends host=$PG_SOCKET port=$PG_PORT user=$PG_USER"
GDB="pg:$PG_SOCKET:$PG_PORT/legends"

landuse_maps 4

legend() { "$ZTCLASS" legend "$WORK/landuse.tif" --user "$PG_USER" "$@"; }
styles() { pg_sql legends "COPY (SELECT f_table_name FROM layer_styles WHERE useasdefault ORDER BY ogc_fid) TO STDOUT" | paste -sd ' '; }
# saved COMMAND...: runs it and keeps its output in $WORK/last.out as well.
saved() { "$@" >"$WORK/last.out" 2>&1; local rc=$?; cat "$WORK/last.out"; return "$rc"; }

# The options reach the export: box 1 from (X + 0.2 S, Y) to (X + 2 S, Y + S);
# the layout itself and hostile names are the export tests' (PostGIS too).
check "legend into PostGIS" 0 "^Wrote legend 'plain' to $GDB: plain_R \(boxes\) and plain_P \(texts\)$" -- \
  saved legend --gdb "$GDB" --name plain --x 0 --y 0 --size 10
check "no class identifiers unless asked" 1 "" -- grep identifiers "$WORK/last.out"
check "class 1 at the corner" 0 "POLYGON \(\(2 0,20 0,20 10,2 10,2 0\)\)" -- ogrinfo -q "$PG" plain_R -where "class_no = 1"
check "three boxes" 0 "Feature Count: 3" -- ogrinfo -so "$PG" plain_R
check "styles of both layers" 0 "^plain_R plain_P$" -- styles

check "default name, unclassified, identifiers" 0 "identifiers for the map view: [0-9]+ and [0-9]+" -- \
  legend --gdb "$GDB" --x 100 --y 0 --size 2 --unclassified --add-to-map
check "default name" 0 "landuse_图例_R" -- ogrinfo -q "$PG"
check "unclassified box on top" 0 "POLYGON \(\(100.4 9(\.0)?,104 9,104 11,100.4 11(\.0)?,100.4 9(\.0)?\)\)" -- \
  ogrinfo -q "$PG" "landuse_图例_R" -where "class_no = 0"

check "same name again" 1 "RC_LEGEND_CLASS_EXISTS \(10400111\)" -- saved legend --gdb "$GDB" --name plain --x 5 --y 5
check "nothing said to be left by it" 1 "" -- grep -E "Left in|No class" "$WORK/last.out"
check "the first legend unchanged" 0 "POLYGON \(\(2 30,20 30,20 40,2 40,2 30\)\)" -- \
  ogrinfo -q "$PG" plain_R -where "class_no = 3"
check "unknown user" 1 "RC_GDB_OPEN_FAILED \(10400002\)" -- \
  "$ZTCLASS" legend "$WORK/landuse.tif" --gdb "$GDB" --user nosuchuser --name other

# The database refuses the text layer (as an administrator's trigger might):
# the box layer, created just before, stays and the message names it.
pg_sql legends "CREATE FUNCTION refuse_texts() RETURNS event_trigger LANGUAGE plpgsql AS \$\$
DECLARE r record;
BEGIN
  FOR r IN SELECT objid FROM pg_event_trigger_ddl_commands() WHERE object_type = 'table' LOOP
    IF (SELECT relname FROM pg_class WHERE oid = r.objid) = 'refused_P' THEN RAISE EXCEPTION 'no refused_P here'; END IF;
  END LOOP;
END \$\$;
CREATE EVENT TRIGGER refuse_texts ON ddl_command_end WHEN TAG IN ('CREATE TABLE') EXECUTE FUNCTION refuse_texts()"
check "refused text layer" 1 "RC_LEGEND_ANNOTATION_CLASS_FAILED \(10400116\)" -- \
  saved legend --gdb "$GDB" --name refused --x 0 --y 0
check "names the layer left behind" 0 "^Left in the geodatabase, created before the failure: refused_R$" -- \
  cat "$WORK/last.out"
check "box layer left, empty" 0 "Feature Count: 0" -- ogrinfo -so "$PG" refused_R
check "no text layer" 1 "" -- ogrinfo -so "$PG" refused_P
check "style of the box layer only" 0 "refused_R$" -- styles

# The database refuses a row of the box layer (as a check of its own might):
# the export skips that entry, and the command fails and says what is left.
pg_sql legends "CREATE FUNCTION refuse_forest() RETURNS trigger LANGUAGE plpgsql AS \$\$
BEGIN
  IF NEW.name = 'forest' THEN RAISE EXCEPTION 'no forest here'; END IF;
  RETURN NEW;
END \$\$;
CREATE FUNCTION guard_lossy() RETURNS event_trigger LANGUAGE plpgsql AS \$\$
BEGIN
  IF EXISTS (SELECT FROM pg_event_trigger_ddl_commands() c JOIN pg_class k ON k.oid = c.objid
             WHERE c.object_type = 'table' AND k.relname = 'lossy_R') THEN
    CREATE TRIGGER refuse_forest BEFORE INSERT ON \"lossy_R\" FOR EACH ROW EXECUTE FUNCTION refuse_forest();
  END IF;
END \$\$;
CREATE EVENT TRIGGER guard_lossy ON ddl_command_end WHEN TAG IN ('CREATE TABLE') EXECUTE FUNCTION guard_lossy()"
check "a refused box" 1 "lost entries: lossy_R holds [0-2] of its 3 boxes" -- \
  saved legend --gdb "$GDB" --name lossy --x 0 --y 0
check "names what is left" 0 "^Left in the geodatabase: lossy_R, lossy_P$" -- cat "$WORK/last.out"

# PostgreSQL cuts names at 63 bytes: a legend name of more than 60 bytes is
# refused before anything is made. 20 characters of 3 bytes are the most.
long="$(printf '图%.0s' $(seq 20))"
check "a name of 60 bytes" 0 "^Wrote legend '$long'" -- legend --gdb "$GDB" --name "$long" --x 0 --y 0
check "a name of 61 bytes" 2 \
  "^ztclass: --name: '${long}x' is too long for PostGIS: .* names of 63 bytes, and PostGIS takes at most 62; give a name of at most 60 bytes$" -- \
  legend --gdb "$GDB" --name "${long}x" --x 0 --y 0
check "no table made for it" 0 "^2$" -- \
  pg_sql legends "COPY (SELECT count(*) FROM pg_class WHERE relkind = 'r' AND relname LIKE '$long%') TO STDOUT"

# In a GeoPackage that existed before, the gpkg_ prefix is reserved: the box
# layer itself is refused.
check "GeoPackage legend" 0 "^Wrote legend" -- legend --gdb "$WORK/l.gpkg" --name first
check "GeoPackage: nothing left" 1 "^No class of the legend was left in the geodatabase$" -- \
  legend --gdb "$WORK/l.gpkg" --name gpkg_legend
check "new GeoPackage not kept" 1 "^'$WORK/new.gpkg' was not created$" -- legend --gdb "$WORK/new.gpkg" --name gpkg_legend
check "no new GeoPackage" 1 "" -- test -e "$WORK/new.gpkg"

finish "legend into PostGIS"
