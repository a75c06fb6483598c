// ztclass classes show|write IMAGE
#include <fstream>
#include <iostream>
#include <memory>

#include "class_list.h"
#include "class_records.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "output_files.h"
#include "qgis_style.h"
#include "ztclass/classinfo.h"

namespace ztcli {

namespace {

void Show(const std::string& image) {
  Dataset dataset = Dataset::Open(image, false);
  std::string storage;
  std::vector<CLASSATTINFO> records = ReadClassRecords(dataset.get(), storage);
  if (records.empty()) {
    std::cout << "No class records (" << storage << ")\n";
    return;
  }
  PrintClassRecords(std::cout, records);
}

void Write(const std::string& image, const std::string& from) {
  RequireReadable(from, "--from");
  std::ifstream in(from, std::ios::binary);
  if (!in) throw CommandError("--from: cannot read '" + from + "'");
  const bool json = from.size() >= 5 && from.compare(from.size() - 5, 5, ".json") == 0;
  std::vector<CLASSATTINFO> records = ReadClassList(in, from, json);
  OutputFiles outputs(true);
  outputs.AddInput(from, false);
  const std::string staged = outputs.Stage(image, "IMAGE");
  Dataset dataset = Dataset::Open(staged, true);
  Check(ztRSWriteClassInfo(dataset.get(), static_cast<long>(records.size()), records.data()),
        "writing the class records");
  // Class files are written without reporting failure; read back to know.
  if (ReadWrittenClassRecords(dataset.get(), image).size() != records.size())
    throw CommandError("the class records could not be written to " + ClassFilePath(image));
  PublishLegend(dataset.get(), records);
  unsigned char unclassified[3];
  UnclassifiedColour(dataset.get(), unclassified);
  WriteQgisStyle(QgisStylePath(staged), records, unclassified, image);
  dataset.Close(image);
  outputs.Commit();
  if (!Quiet()) std::cout << "Wrote " << records.size() << " class record(s) to " << image << "\n";
}

}  // namespace

void AddClassesCommand(CLI::App& app) {
  auto* command = app.add_subcommand("classes", "Show or write the class records of a class image");
  command->require_subcommand(1);
  auto image = std::make_shared<std::string>();
  auto from = std::make_shared<std::string>();

  auto* show = command->add_subcommand("show", "List the class records");
  show->add_option("IMAGE", *image, "Class image")->required();
  show->callback([image] { Show(*image); });

  auto* write = command->add_subcommand(
      "write", "Replace the class records from a text file (NUMBER<TAB>NAME<TAB>#RRGGBB[<TAB>REMARK] "
               "a line) or a JSON array of {number, name, color, remark}");
  write->add_option("IMAGE", *image, "Class image")->required();
  write->add_option("--from", *from, "Class list (.txt or .json)")->required();
  write->callback([image, from] { Write(*image, *from); });
}

}  // namespace ztcli
