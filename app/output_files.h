#pragma once
// The results of one command. Each is written under a temporary name in its
// own directory and moved into place, with the files that come with it (its
// class file, GDAL's side-car files), only when the command has succeeded;
// otherwise everything written is removed and existing files stay as they
// were. No result may take the place of an input, of an input's class file,
// style or GDAL side-car, of a file of a vector input (a shapefile's .dbf),
// or of another result of the same command or the files that come with it.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli_support.h"
#include "run_claim.h"

namespace ztcli {

// A result that would replace an existing file without --overwrite; the
// Python package raises it as FileExistsError as well as ValueError.
struct ExistingFile : UsageError {
  using UsageError::UsageError;
};

// The class file of an image as the library names it: the path up to its
// last dot, then "cls".
std::string ClassFilePath(const std::string& image);

// Whether a path ends with an extension, in any case.
bool EndsWithNoCase(const std::string& text, const std::string& end);

// The user's paths of the results this thread is writing, quoted, for a
// message about a write that failed without saying which file it was
// writing.
std::string ResultsBeingWritten();

class OutputFiles {
 public:
  explicit OutputFiles(bool overwrite);
  ~OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // An input of the command: no result may be the same file, however the
  // path is spelled, nor one of the files that come with it (a shapefile's
  // .dbf, a GeoPackage's journals, an image's class file or side-cars).
  void AddInput(const std::string& path, bool image);
  // Declares a result given by option; returns the path to write it to.
  // An image result's class file and side-car files go with it; an older
  // result's are removed when it is replaced. Dead runs' temporary files are
  // swept from its directory.
  std::string AddOutput(const std::string& path, const std::string& option, bool image);
  // An existing image that the command changes in place: its files (with
  // its side-car and class files) are copied under temporary names, and the
  // copy, returned, is what the command changes and what is moved into place.
  std::string Stage(const std::string& image, const std::string& option);
  // The files the format of the image result at temporary (as AddOutput
  // gave it) writes beside it, an ENVI header say: refused where one is
  // another result, or replaces an existing file without --overwrite.
  void CheckWrittenBeside(const std::string& temporary, const std::vector<std::string>& files) const;
  // A scratch path beside a result, never moved into place.
  std::string ScratchPath(const std::string& output, const std::string& suffix) const;

  // Moves every result into place. Stops instead when a stop signal came.
  // Without --overwrite, a file that appeared at a result's path while the
  // command ran is left alone and the command fails.
  void Commit();

 private:
  friend std::string ResultsBeingWritten();
  struct Entry {
    std::string path, option;
    bool image;
    bool replace;  // may replace an existing file
  };
  std::string Add(const Entry& output);
  std::string Directory(const std::string& path) const;
  // Refuses an output that would write over other (role: "input", or which
  // result) or any file that comes with it.
  void CheckCollision(const Entry& output, const Entry& other, const std::string& role) const;
  // Refuses writing, for output, the file written where it is an input or
  // one of an input's files, whatever --overwrite says.
  void CheckNotAnInputFile(const Entry& output, const std::string& written) const;
  void RemoveTemporaryFiles() const;
  // The result files, and those that come with them, that Commit must not
  // let replace a file that appeared meanwhile.
  bool Declared(const std::string& path) const;
  // Whether Commit may replace an existing file at path.
  bool MayReplace(const std::string& path) const;
  void MoveIntoPlace(const std::string& from, const std::string& to, bool exclusive) const;

  bool overwrite_;
  std::string token_;
  std::vector<Entry> inputs_, outputs_;
  std::vector<std::pair<std::string, std::string>> inputFiles_;  // a file of an input, and the input
  std::vector<std::string> directories_, staged_;
  std::vector<std::unique_ptr<DirectoryClaim>> claims_;
};

}  // namespace ztcli
