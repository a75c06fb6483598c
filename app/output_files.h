#pragma once
// The results of one command. Each is written under a temporary name in its
// own directory and moved into place, with the files that come with it (its
// class file, GDAL's side-car files), only when the command has succeeded;
// otherwise everything written is removed and existing files stay as they
// were.
#include <string>
#include <vector>

namespace ztcli {

// The class file of an image as the library names it: the path up to its
// last dot, then "cls".
std::string ClassFilePath(const std::string& image);

class OutputFiles {
 public:
  explicit OutputFiles(bool overwrite);
  ~OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // An input of the command: no result may be the same file, however the
  // path is spelled, nor, for images, write over its class file.
  void AddInput(const std::string& path, bool image);
  // Declares a result given by option; returns the path to write it to.
  // An image result's class file and side-car files go with it; an older
  // result's are removed when it is replaced.
  std::string AddOutput(const std::string& path, const std::string& option, bool image);
  // An existing image that the command changes in place: its files (with
  // its side-car and class files) are copied under temporary names, and the
  // copy, returned, is what the command changes and what is moved into place.
  std::string Stage(const std::string& image, const std::string& option);
  // A scratch path beside a result, never moved into place.
  std::string ScratchPath(const std::string& output, const std::string& suffix) const;

  // Moves every result into place. Stops instead when Ctrl-C was pressed.
  void Commit();

 private:
  struct Entry {
    std::string path, option;
    bool image;
  };
  std::string Directory(const std::string& path) const;
  void RemoveTemporaryFiles(const std::string& prefix) const;

  bool overwrite_;
  std::string token_;
  std::vector<Entry> inputs_, outputs_;
  std::vector<std::string> directories_;
};

}  // namespace ztcli
