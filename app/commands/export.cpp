// ztclass area and ztclass legend: the class-area report and the legend in a
// geodatabase. The library asks its questions through the interaction
// service; the answers here come from the options.
#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "class_records.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "number_options.h"
#include "output_files.h"
#include "report_files.h"
#include "ztclass/class_export.h"
#include "ztclass/reports.h"
#include "ztclass/result_codes.h"
#include "ztservices/language.h"
#include "ztservices/interaction.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct Message {
  std::string text;
  int icon;
};

// Installs a sink for one command and removes it on scope exit.
class Answers {
 public:
  explicit Answers(const ZTInteractionSink& sink) { ztSetInteractionSink(&sink); }
  ~Answers() { ztSetInteractionSink(nullptr); }
  Answers(const Answers&) = delete;
  Answers& operator=(const Answers&) = delete;
};

// The number of class records of the image, refused when there is none.
size_t RequireClassRecords(void* image, const std::string& path) {
  std::string storage;
  const size_t count = ReadClassRecords(image, storage).size();
  if (count == 0)
    throw CommandError("'" + path + "' has no class records (" + storage +
                       "): they name its classes; give them with 'ztclass classes write'");
  return count;
}

// --- area ---------------------------------------------------------------

struct AreaOptions {
  std::string image, output, json, unit = "m2";
  bool overwrite = false;
};

int AreaUnit(const std::string& unit) {
  if (unit == "m2") return ZT_AREA_M2;
  if (unit == "ha") return ZT_AREA_HA;
  if (unit == "km2") return ZT_AREA_KM2;
  throw UsageError("--unit takes m2, ha or km2, got '" + unit + "'");
}

// The texts of the report's outcome are the library's own (its string
// table's, as its interactive export shows them), in the language in force.
bool Chinese() { return std::string(ztGetLanguage()) == "zh"; }

void RunArea(const AreaOptions& o) {
  const int unit = AreaUnit(o.unit);
  OutputFiles outputs(o.overwrite);
  outputs.AddInput(o.image, true);
  const std::string report = outputs.AddOutput(o.output, "-o", false);
  const std::string json = o.json.empty() ? "" : outputs.AddOutput(o.json, "--json", false);
  // Statistics are computed from the pixels, never taken (perhaps stale)
  // from a side-car file, and none is written beside the input.
  CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
  Dataset image = Dataset::Open(o.image, false);
  RequireClassRecords(image.get(), o.image);
  std::vector<ZTClassArea> areas(256);
  long count = 0;
  int geodesic = 0;
  // The class file beside the image, as the library names it: the image
  // itself holds no class records unless it is a zti image.
  const char* description = ztRSGetDescription(image.get());
  const std::string classInfoFile = ClassFilePath(description ? description : "");
  const long rc = ztMeasureClassAreas(image.get(), unit, classInfoFile.c_str(), report.c_str(), areas.data(),
                                      static_cast<long>(areas.size()), &count, &geodesic);
  if (rc != RC_OK) {
    std::string why = Chinese() ? "统计地类面积失败！" : "Class area statistics failed!";
    const std::string reason = WriteFailureReason();
    double transform[6];
    if (!reason.empty())
      why += " (" + o.output + ": " + reason + ")";
    else if (GDALGetGeoTransform(static_cast<GDALDatasetH>(ztRSGetGDALDataset(image.get())), transform) != CE_None)
      why += " (the image has no georeferencing, so its cells have no size to measure areas by)";
    else if (rc == RC_RASTER_IO_FAILED && *ztRSLastIOError())
      why += " (" + DescribeResultCode(rc) + "; " + ztRSLastIOError() + ")";
    else
      why += " (" + DescribeResultCode(rc) + ")";
    throw CommandError(why);
  }
  areas.resize(count);
  if (!json.empty()) WriteAreaJson(json, areas, o.unit, geodesic != 0);
  outputs.Commit();
  if (Quiet()) return;
  std::cout << (Chinese() ? "成功导出报告到文件\n" + o.output + "！" : "Report exported to the file\n" + o.output + "!")
            << "\n";
  if (!json.empty()) std::cout << "Wrote " << o.json << "\n";
}

// --- legend -------------------------------------------------------------

struct LegendOptions {
  std::string image, gdb, user;
  std::optional<std::string> name;
  std::optional<double> x, y, size;
  bool unclassified = false, addToMap = false;
};

// --gdb: a GeoPackage path, or pg:HOST[:PORT]/DATABASE (HOST may be the
// directory of a local socket).
struct Target {
  bool postgis = false;
  std::string server, database;
};

Target ParseTarget(const std::string& text) {
  Target t;
  if (text.rfind("pg:", 0) == 0) {
    const std::string rest = text.substr(3);
    const size_t slash = rest.rfind('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == rest.size())
      throw UsageError("--gdb pg:HOST[:PORT]/DATABASE, got '" + text + "'");
    t.postgis = true;
    t.server = rest.substr(0, slash);
    t.database = rest.substr(slash + 1);
  } else {
    t.database = text;
  }
  if (t.server.size() > 32) throw UsageError("--gdb: the server takes at most 32 bytes");
  if (t.postgis && t.database.size() > 64) throw UsageError("--gdb: the database name takes at most 64 bytes");
  return t;
}

// A GeoPackage path as the geodatabase name, which holds at most 64 bytes:
// the path as given, or relative to the working directory when shorter.
std::string ShortPath(const std::string& path) {
  std::error_code error;
  const std::string relative = std::filesystem::relative(path, error).string();
  return !error && !relative.empty() && relative.size() < path.size() ? relative : path;
}

// The geodatabase name of the GeoPackage given as given, written at path. A
// new one is made under its temporary name, whose extra bytes come off what
// the given path may have.
std::string GeoPackageName(const std::string& path, const std::string& given) {
  const std::string name = ShortPath(path);
  if (name.size() <= 64) return name;
  const size_t shown = ShortPath(given).size();
  if (shown >= name.size())
    throw UsageError("--gdb: '" + given + "' is longer than the 64 bytes a geodatabase name holds; give a shorter path");
  const size_t extra = name.size() - shown;
  throw UsageError("--gdb: '" + given + "' is longer than the " + std::to_string(64 - std::min<size_t>(extra, 64)) +
                   " bytes a new GeoPackage's path may have: its geodatabase name, at most 64 bytes, is the "
                   "temporary name it is made under, " + std::to_string(extra) + " bytes longer; give a shorter path");
}

struct LegendSession {
  const LegendOptions* options = nullptr;
  Target target;
  std::string user;
  int dialogs = 0;
  std::string name;  // as the export goes ahead with
  std::vector<Message> messages;

  static LegendSession& Of(void* user) { return *static_cast<LegendSession*>(user); }

  static void Show(void* user, const char* text, const char*, int icon) { Of(user).messages.push_back({text, icon}); }

  // The options are the user's one answer: the dialog shown again after a
  // failed check is cancelled.
  static int Dialog(void* user, ZTLegendDialogFields* f) {
    LegendSession& s = Of(user);
    if (s.dialogs++ > 0) return 0;
    const LegendOptions& o = *s.options;
    // Cut to the field, a name would be another, perhaps ending in half a
    // character.
    if (o.name && o.name->size() >= sizeof f->name) {
      s.messages.push_back({"--name: '" + *o.name + "' is " + std::to_string(o.name->size()) +
                                " bytes, more than the " + std::to_string(sizeof f->name - 1) +
                                " a legend name holds; give a shorter name",
                            0});
      return 0;
    }
    if (o.name) std::snprintf(f->name, sizeof f->name, "%s", o.name->c_str());
    if (o.x) f->x = *o.x;
    if (o.y) f->y = *o.y;
    if (o.size) f->size = *o.size;
    f->exportUnclassified = o.unclassified;
    f->addToMap = o.addToMap;
    s.name = f->name;
    const size_t longest = s.name.size() + 2;
    if (s.target.postgis && longest > ZT_GDB_POSTGIS_NAME_MAX) {
      s.messages.push_back({"--name: '" + s.name + "' is too long for PostGIS: its tables " + s.name + "_R and " +
                                s.name + "_P would have names of " + std::to_string(longest) +
                                " bytes, and PostGIS takes at most " + std::to_string(ZT_GDB_POSTGIS_NAME_MAX) +
                                "; give a name of at most " + std::to_string(ZT_GDB_POSTGIS_NAME_MAX - 2) + " bytes",
                            0});
      return 0;
    }
    return 1;
  }

  static long Choose(void* user, const char*, tagGDBPathInfo* info) {
    LegendSession& s = Of(user);
    std::snprintf(info->serverName, sizeof info->serverName, "%s", s.target.server.c_str());
    std::snprintf(info->gdbName, sizeof info->gdbName, "%s", s.target.database.c_str());
    std::memset(info->user, 0, sizeof info->user);
    std::memcpy(info->user, s.user.data(), std::min(s.user.size(), sizeof info->user));
    std::memset(info->password, 0, sizeof info->password);
    info->kind = s.target.postgis ? 1 : 0;
    return 1;
  }
};

// The geodatabase of the export, opened anew to see what the export left.
bool OpenAgain(const Target& target, const std::string& gdbName, const std::string& user, CGDBServer& server,
               CGDataBase& gdb) {
  return server.Connect(target.server.c_str(), user.c_str(), "") >= 1 && gdb.Open(&server, gdbName.c_str()) >= 1;
}

// The legend's classes that exist in the geodatabase now. The export checks
// that neither exists before it creates them, so after a failure in their
// creation these are the ones that this export left behind.
std::vector<std::string> LegendClasses(const Target& target, const std::string& gdbName, const std::string& user,
                                       const std::string& name) {
  std::vector<std::string> found;
  CGDBServer server;
  CGDataBase gdb;
  if (!OpenAgain(target, gdbName, user, server, gdb)) return found;
  for (const std::string& cls : {name + "_R", name + "_P"})
    if (gdb.xcls_IsExist(0, cls.c_str()) > 1) found.push_back(cls);
  return found;
}

// What is missing of a legend of entries boxes and texts, read back from the
// geodatabase: the export skips an entry it cannot append, and the database
// may refuse rows only when the classes are closed. Empty when all is there.
std::string MissingEntries(const Target& target, const std::string& gdbName, const std::string& user,
                           const std::string& name, long entries) {
  CGDBServer server;
  CGDataBase gdb;
  if (!OpenAgain(target, gdbName, user, server, gdb)) return "the geodatabase cannot be opened to read the legend back";
  std::string missing;
  for (const auto& [cls, what] : {std::pair{name + "_R", "boxes"}, std::pair{name + "_P", "texts"}}) {
    const long count = gdb.xcls_FeatureCount(cls.c_str());
    if (count == entries) continue;
    missing += (missing.empty() ? "" : "; ") + cls + " holds " +
               (count < 0 ? std::string("no readable features") : std::to_string(count)) + " of its " +
               std::to_string(entries) + " " + what;
  }
  return missing;
}

void RunLegend(const LegendOptions& o) {
  Target target = ParseTarget(o.gdb);
  std::string user = o.user;
  if (user.size() > 30) throw UsageError("--user takes at most 30 bytes");
  OutputFiles outputs(false);
  outputs.AddInput(o.image, true);
  const bool newFile = !target.postgis && !std::filesystem::exists(target.database);
  const std::string finalName = target.database;
  if (newFile) target.database = outputs.AddOutput(finalName, "--gdb", false);
  if (!target.postgis) target.database = GeoPackageName(target.database, finalName);
  Dataset image = Dataset::Open(o.image, false);
  const long entries = static_cast<long>(RequireClassRecords(image.get(), o.image)) + (o.unclassified ? 1 : 0);

  LegendSession session;
  session.options = &o;
  session.target = target;
  session.user = user;
  tagGDBPathInfo info{};
  int addToMap = 0;
  long rc;
  {
    Answers answers({&session, nullptr, LegendSession::Show, LegendSession::Dialog, LegendSession::Choose});
    rc = ztExportClsLegend(image.get(), addToMap, &info);
  }
  std::unique_ptr<ZTGDBClassIdList, void (*)(ZTGDBClassIdList*)> ids(&info.classIds, ztGDBFreeClassIdList);
  if (!session.messages.empty()) throw UsageError(session.messages.back().text);
  if (rc != RC_OK) {
    // Classes created before a failure stay in a geodatabase that existed;
    // a GeoPackage made for this export is not kept at all.
    std::string note;
    const bool creating = rc == RC_LEGEND_POLYGON_CLASS_FAILED || rc == RC_LEGEND_ANNOTATION_CLASS_FAILED;
    if (creating && newFile) {
      note = "\n'" + finalName + "' was not created";
    } else if (creating) {
      std::string left;
      for (const std::string& cls : LegendClasses(target, target.database, user, session.name))
        left += (left.empty() ? "" : ", ") + cls;
      note = left.empty() ? "\nNo class of the legend was left in the geodatabase"
                          : "\nLeft in the geodatabase, created before the failure: " + left;
    }
    try {
      Check(rc, "legend export to '" + o.gdb + "'");
    } catch (const CommandError& error) {
      throw CommandError(error.what() + note, error.status);
    }
  }
  const std::string missing = MissingEntries(target, target.database, user, session.name, entries);
  if (!missing.empty()) {
    std::string message = "legend export to '" + o.gdb + "' lost entries: " + missing;
    message += newFile ? "\n'" + finalName + "' was not created"
                       : "\nLeft in the geodatabase: " + session.name + "_R, " + session.name + "_P";
    throw CommandError(message);
  }
  outputs.Commit();
  if (!Quiet()) {
    std::cout << "Wrote legend '" << session.name << "' to " << (target.postgis ? o.gdb : finalName) << ": "
              << session.name << "_R (boxes) and " << session.name << "_P (texts)\n";
    if (addToMap && info.classIds.count == 2)
      std::cout << "Class identifiers for the map view: " << info.classIds.ids[0] << " and " << info.classIds.ids[1]
                << "\n";
  }
}

}  // namespace

void AddExportCommands(CLI::App& app) {
  auto area = std::make_shared<AreaOptions>();
  auto* a = app.add_subcommand("area", "Class-area report: pixel count and area of every class of a class image");
  a->add_option("CLASS_IMAGE", area->image, "Class image with class records")->required();
  a->add_option("-o,--output", area->output, "Report to write (UTF-8 text)")->required();
  a->add_option("--unit", area->unit,
                 "Unit of the areas: m2, ha or km2 (an image in a geographic coordinate system is measured on the "
                 "ellipsoid)")
      ->capture_default_str();
  a->add_option("--json", area->json, "Also write the areas as JSON: per class value, name, count, area, share");
  a->add_flag("--overwrite", area->overwrite, "Replace results that exist already");
  a->callback([area] { RunArea(*area); });

  auto legend = std::make_shared<LegendOptions>();
  auto* l = app.add_subcommand("legend", "Legend of a class image into a geodatabase: a coloured box and the name of "
                                         "every class (layers NAME_R and NAME_P)");
  l->add_option("CLASS_IMAGE", legend->image, "Class image with class records")->required();
  l->add_option("--gdb", legend->gdb,
                "Target: a GeoPackage file (created when missing), or pg:HOST[:PORT]/DATABASE for PostGIS (HOST may "
                "be a socket directory; the password comes from PGPASSWORD or ~/.pgpass)")
      ->required();
  l->add_option("--name", legend->name, "Legend name (default: the image's file name less its last four characters, as "
                "map.tif gives map, + \"_图例\", or \"_legend\" outside a Chinese locale); at most 60 bytes on PostGIS")
      // An empty name meets the legend export's own notice.
      ->check(EmptyAllowed());
  auto* x = l->add_option("--x", legend->x,
                          "X of the legend's lower-left corner in map units (default: the image's lower-right corner)");
  auto* y = l->add_option("--y", legend->y, "Y of the legend's lower-left corner in map units");
  x->needs(y);
  y->needs(x);
  l->add_option("--size", legend->size, "Size factor: box height in map units (default 10)");
  l->add_flag("--unclassified", legend->unclassified, "Add an entry for unclassified pixels on top");
  l->add_flag("--add-to-map", legend->addToMap,
              "Print the identifiers of the two legend layers, for adding them to a map view");
  l->add_option("--user", legend->user, "PostGIS user (default: libpq's, the login name)");
  l->callback([legend] { RunLegend(*legend); });
}

}  // namespace ztcli
