#include "output_files.h"

#include <cpl_string.h>
#include <gdal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "cli_support.h"
#include "interrupt.h"
#include "qgis_style.h"

namespace ztcli {

namespace fs = std::filesystem;

namespace {

std::string RandomToken() {
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::string token;
  for (int i = 0; i < 8; ++i) token += kLetters[random() % (sizeof kLetters - 1)];
  return token;
}

// The same file however spelled: the same device and inode when it exists,
// the same canonical path otherwise.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ea, eb;
  const fs::path ca = fs::weakly_canonical(fs::absolute(a), ea);
  const fs::path cb = fs::weakly_canonical(fs::absolute(b), eb);
  return !ea && !eb && ca == cb;
}

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ClassFilePath(const std::string& image) {
  const size_t dot = image.rfind('.');
  return dot == std::string::npos ? "cls" : image.substr(0, dot + 1) + "cls";
}

OutputFiles::OutputFiles(bool overwrite) : overwrite_(overwrite), token_(".ztclass-" + RandomToken()) {}

OutputFiles::~OutputFiles() { RemoveTemporaryFiles(token_); }

std::string OutputFiles::Directory(const std::string& path) const {
  const std::string parent = fs::path(path).parent_path().string();
  return parent.empty() ? "." : parent;
}

void OutputFiles::AddInput(const std::string& path, bool image) {
  for (const Entry& out : outputs_)
    if (SameFile(out.path, path)) throw UsageError(out.option + ": '" + out.path + "' is an input of the command");
  inputs_.push_back({path, "", image});
}

std::string OutputFiles::AddOutput(const std::string& path, const std::string& option, bool image) {
  const std::string name = FileName(path);
  if (name.empty() || name == "." || name == "..")
    throw UsageError(option + ": '" + path + "' is not a file name");
  const std::string directory = Directory(path);
  std::error_code error;
  if (!fs::is_directory(directory, error))
    throw UsageError(option + ": the directory '" + directory + "' does not exist");
  if (image && name.find('.', 1) == std::string::npos)
    throw UsageError(option + ": give '" + path +
                     "' an extension such as .tif: its class records go to the file of the same name "
                     "ending in .cls");
  for (const Entry& in : inputs_) {
    if (SameFile(in.path, path))
      throw UsageError(option + ": '" + path + "' is an input of the command (the same file as '" + in.path +
                       "'); write the result to another file");
    if (image && in.image && SameFile(ClassFilePath(in.path), ClassFilePath(path)))
      throw UsageError(option + ": '" + path + "' would replace " + ClassFilePath(in.path) +
                       ", the class file of the input '" + in.path + "'");
  }
  for (const Entry& out : outputs_)
    if (SameFile(out.path, path)) throw UsageError(option + " and " + out.option + " name the same file");
  if (Exists(path)) {
    if (fs::is_directory(path, error)) throw UsageError(option + ": '" + path + "' is a directory");
    if (!overwrite_) throw UsageError(option + ": '" + path + "' exists; give --overwrite to replace it");
  }
  // Images of one name and different extensions share their class file.
  if (image && !overwrite_ && Exists(ClassFilePath(path)))
    throw UsageError(option + ": writing '" + path + "' would replace the class file " + ClassFilePath(path) +
                     "; give --overwrite to replace it");
  outputs_.push_back({path, option, image});
  if (std::find(directories_.begin(), directories_.end(), directory) == directories_.end()) {
    RegisterTemporaryFiles(directory, token_);
    directories_.push_back(directory);
  }
  return directory + "/" + token_ + "-" + name;
}

std::string OutputFiles::Stage(const std::string& image, const std::string& option) {
  const bool keep = overwrite_;
  overwrite_ = true;
  const std::string staged = AddOutput(image, option, true);
  overwrite_ = keep;
  const std::string directory = Directory(image);
  std::vector<std::string> files;
  EnsureGdal();
  if (GDALDatasetH gdal = GDALOpen(image.c_str(), GA_ReadOnly)) {
    char** list = GDALGetFileList(gdal);
    for (int i = 0; list && list[i]; ++i) files.push_back(list[i]);
    CSLDestroy(list);
    GDALClose(gdal);
  } else {
    throw CommandError("cannot open raster '" + image + "'");
  }
  files.push_back(ClassFilePath(image));
  files.push_back(QgisStylePath(image));
  for (const std::string& file : files) {
    if (!Exists(file) || !SameFile(Directory(file), directory)) continue;
    std::error_code error;
    fs::copy_file(file, directory + "/" + token_ + "-" + FileName(file), fs::copy_options::overwrite_existing, error);
    if (error) throw CommandError("cannot copy '" + file + "' to change it safely: " + error.message());
  }
  return staged;
}

std::string OutputFiles::ScratchPath(const std::string& output, const std::string& suffix) const {
  return Directory(output) + "/" + token_ + "~" + FileName(output) + suffix;
}

void OutputFiles::RemoveTemporaryFiles(const std::string& prefix) const {
  for (const std::string& directory : directories_) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
      if (entry.path().filename().string().rfind(prefix, 0) != 0) continue;
      std::error_code ignored;
      fs::remove_all(entry.path(), ignored);
    }
  }
}

void OutputFiles::Commit() {
  if (StopRequested()) throw Stopped();
  InterruptBlock block;
  const std::string prefix = token_ + "-";
  std::vector<std::string> moved;
  for (const std::string& directory : directories_) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    // The results themselves last: what comes with them is in place first.
    std::stable_partition(names.begin(), names.end(), [&](const std::string& name) {
      return std::none_of(outputs_.begin(), outputs_.end(), [&](const Entry& out) {
        return Directory(out.path) == directory && FileName(out.path) == name.substr(prefix.size());
      });
    });
    for (const std::string& name : names) {
      const std::string target = directory + "/" + name.substr(prefix.size());
      if (std::rename((directory + "/" + name).c_str(), target.c_str()) != 0)
        throw CommandError("cannot move the result into place as '" + target + "': " + std::strerror(errno));
      moved.push_back(target);
    }
  }
  // A replaced image keeps nothing of the old one: no class file, no side-car.
  for (const Entry& out : outputs_) {
    if (!out.image) continue;
    const std::string path = Directory(out.path) + "/" + FileName(out.path);
    for (const std::string& old :
         {ClassFilePath(path), QgisStylePath(path), path + ".aux.xml", path + ".ovr", path + ".msk"}) {
      if (std::find(moved.begin(), moved.end(), old) != moved.end()) continue;
      std::error_code ignored;
      fs::remove(old, ignored);
    }
  }
}

}  // namespace ztcli
