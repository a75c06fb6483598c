#include "output_files.h"

#include <cpl_string.h>
#include <fcntl.h>
#include <gdal.h>
#include <stdio.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "cli_support.h"
#include "interrupt.h"
#include "qgis_style.h"
#include "ztservices/vector_path.h"

namespace ztcli {

namespace fs = std::filesystem;

namespace {

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

// What stands at path when it is no regular file, empty otherwise. A move
// into place would put a plain file where a device, a pipe or a link was
// (the system's /dev/null, for one), and cannot replace a directory.
std::string NotAFile(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return "";
  if (S_ISDIR(st.st_mode)) return "a directory";
  if (S_ISLNK(st.st_mode)) return "a symbolic link";
  if (S_ISFIFO(st.st_mode)) return "a named pipe";
  if (S_ISSOCK(st.st_mode)) return "a socket";
  return "a device";
}

// A link is refused rather than followed: what it points to may lie
// anywhere, and the result could not be moved there in one step.
std::string OnlyFiles(const std::string& kind) {
  return "; a result replaces only regular files" +
         std::string(kind == "a symbolic link" ? ": name the file it links to" : "");
}

std::string ReservedMeaning(const std::string& extension) {
  if (extension == ".cls") return "class file";
  if (extension == ".qml") return "QGIS style";
  return "GDAL side-car file";
}

// A file and, for an image, the files that come with it.
struct Companion {
  std::string path;
  const char* what;  // empty: the file itself
};

std::vector<Companion> FilesOf(const std::string& path, bool image) {
  std::vector<Companion> files{{path, ""}};
  if (image) {
    files.push_back({ClassFilePath(path), "class file"});
    files.push_back({QgisStylePath(path), "QGIS style"});
    files.push_back({path + ".aux.xml", "GDAL side-car file"});
  }
  return files;
}

// "'x.tif'", "the input 'x.tif'", "the class file 'x.cls' of the input 'x.tif'".
std::string Describe(const Companion& file, const std::string& owner, const std::string& role) {
  const std::string whose = (role.empty() ? "" : "the " + role + " ") + "'" + owner + "'";
  if (!*file.what) return whose;
  return std::string("the ") + file.what + " '" + file.path + "' of " + whose;
}

// The results of the commands at work, for messages about failed writes,
// with the thread that declared them: calls from the Python package run on
// several threads at once, each its own results.
struct Live {
  std::thread::id thread;
  const OutputFiles* outputs;
};
std::mutex g_liveMutex;
std::vector<Live> g_live;

CommandError Appeared(const std::string& path) {
  return CommandError("'" + path + "' appeared while the command ran and is left as it is; give --overwrite to "
                      "replace it");
}

// Keeps the file at path as kept too, a second link where the file system
// allows it, so that path is never missing meanwhile.
void KeepAside(const std::string& path, const std::string& kept) {
  if (link(path.c_str(), kept.c_str()) == 0 || rename(path.c_str(), kept.c_str()) == 0) return;
  throw CommandError("cannot keep '" + path + "' to put it back should the results fail to move into place: " +
                     ErrnoReason(errno));
}

void Restore(const std::string& kept, const std::string& path) {
  // Where kept and path are links of one file still, the rename does nothing.
  if (rename(kept.c_str(), path.c_str()) == 0) unlink(kept.c_str());
}

}  // namespace

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && strcasecmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

std::string ClassFilePath(const std::string& image) {
  const size_t dot = image.rfind('.');
  return dot == std::string::npos ? "cls" : image.substr(0, dot + 1) + "cls";
}

OutputFiles::OutputFiles(bool overwrite) : overwrite_(overwrite), token_(NewRunToken()) {
  std::lock_guard lock(g_liveMutex);
  g_live.push_back(Live{std::this_thread::get_id(), this});
}

OutputFiles::~OutputFiles() {
  RemoveTemporaryFiles();
  std::lock_guard lock(g_liveMutex);
  std::erase_if(g_live, [this](const Live& live) { return live.outputs == this; });
}

std::string ResultsBeingWritten() {
  std::string names;
  std::lock_guard lock(g_liveMutex);
  for (const Live& live : g_live)
    if (live.thread == std::this_thread::get_id())
      for (const OutputFiles::Entry& out : live.outputs->outputs_)
        names += (names.empty() ? "'" : ", '") + out.path + "'";
  return names;
}

std::string OutputFiles::Directory(const std::string& path) const {
  const std::string parent = fs::path(path).parent_path().string();
  return parent.empty() ? "." : parent;
}

void OutputFiles::AddInput(const std::string& path, bool image) {
  inputs_.push_back({path, "", image, false});
  for (const Companion& file : FilesOf(path, image)) inputFiles_.push_back({file.path, path});
  // Training polygons may name their layer after the file.
  const std::string file = image ? path : ztsvc::SplitVectorPath(path).file;
  if (file != path) inputFiles_.push_back({file, path});
  // Training polygons beside an image are read with it when none are named.
  if (const std::string beside = image ? ztsvc::ImageAoiFile(path) : ""; !beside.empty())
    inputFiles_.push_back({beside, path});
  // SQLite keeps what is not yet in a GeoPackage in its journals.
  if (!image)
    for (const char* journal : {"-wal", "-shm", "-journal"}) inputFiles_.push_back({file + journal, path});
  // Formats keep a dataset in several files: an ENVI header, a world file,
  // a shapefile's .dbf and .shx. Of vector sources only files are opened:
  // a connection string would reach out to a database.
  if (image || Exists(file)) {
    EnsureGdal();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    const unsigned kind = image ? GDAL_OF_RASTER : GDAL_OF_VECTOR;
    if (GDALDatasetH gdal = GDALOpenEx(file.c_str(), kind | GDAL_OF_READONLY, nullptr, nullptr, nullptr)) {
      char** list = GDALGetFileList(gdal);
      for (int i = 0; list && list[i]; ++i) inputFiles_.push_back({list[i], path});
      CSLDestroy(list);
      GDALClose(gdal);
    }
    CPLPopErrorHandler();
    CPLErrorReset();
  }
  for (const Entry& out : outputs_) {
    CheckCollision(out, inputs_.back(), "input");
    for (const Companion& file : FilesOf(out.path, out.image)) CheckNotAnInputFile(out, file.path);
  }
}

void OutputFiles::CheckNotAnInputFile(const Entry& out, const std::string& written) const {
  for (const auto& [file, input] : inputFiles_)
    if (SameFile(written, file))
      throw UsageError(out.option + ": " +
                       (written == out.path ? "'" + written + "' is"
                                            : "writing '" + out.path + "' would replace '" + written + "',") +
                       " a file of the input '" + input + "'; write the result to another file");
}

void OutputFiles::CheckCollision(const Entry& out, const Entry& other, const std::string& role) const {
  const std::string& option = out.option;
  if (role == "input") {
    if (SameFile(other.path, out.path))
      throw UsageError(option + ": '" + out.path + "' is an input of the command (the same file as '" +
                       other.path + "'); write the result to another file");
    if (out.image && other.image && SameFile(ClassFilePath(other.path), ClassFilePath(out.path)))
      throw UsageError(option + ": '" + out.path + "' would replace " + ClassFilePath(other.path) +
                       ", the class file of the input '" + other.path + "'");
  } else if (SameFile(other.path, out.path)) {
    throw UsageError(option + " and " + other.option + " name the same file");
  }
  for (const Companion& mine : FilesOf(out.path, out.image))
    for (const Companion& theirs : FilesOf(other.path, other.image))
      if (SameFile(mine.path, theirs.path))
        throw UsageError(option + ": " + Describe(mine, out.path, "") + " would replace " +
                         Describe(theirs, other.path, role));
}

std::string OutputFiles::AddOutput(const std::string& path, const std::string& option, bool image) {
  return Add({path, option, image, overwrite_});
}

std::string OutputFiles::Add(const Entry& out) {
  const std::string& path = out.path;
  const std::string& option = out.option;
  const std::string name = FileName(path);
  if (name.empty() || name == "." || name == "..")
    throw UsageError(option + ": '" + path + "' is not a file name");
  const std::string directory = Directory(path);
  std::error_code error;
  if (!fs::is_directory(directory, error))
    throw UsageError(option + ": the directory '" + directory + "' does not exist");
  if (out.image && name.find('.', 1) == std::string::npos)
    throw UsageError(option + ": give '" + path +
                     "' an extension such as .tif: its class records go to the file of the same name "
                     "ending in .cls");
  for (const Entry& in : inputs_) CheckCollision(out, in, "input");
  for (const Entry& other : outputs_) CheckCollision(out, other, other.option + " result");
  // A class file or a style holds what describes an image, never a result.
  for (const char* reserved : {".cls", ".qml", ".aux.xml"})
    if (EndsWithNoCase(name, reserved) && (out.image || std::strcmp(reserved, ".aux.xml") != 0))
      throw UsageError(option + ": '" + path + "' is named as the " + ReservedMeaning(reserved) +
                       " of an image; give the result its own extension");
  const std::vector<Companion> files = FilesOf(path, out.image);
  for (const Companion& file : files) {
    CheckNotAnInputFile(out, file.path);
    const std::string kind = NotAFile(file.path);
    if (kind.empty()) continue;
    if (!*file.what) throw UsageError(option + ": '" + path + "' is " + kind + OnlyFiles(kind));
    throw UsageError(option + ": writing '" + path + "' would replace the " + file.what + " '" + file.path +
                     "', which is " + kind + OnlyFiles(kind));
  }
  // What --overwrite would allow, once nothing else stands in the way.
  // Images of one name and different extensions share their class file and
  // style; GDAL's side-car of an image that is not there is a leftover.
  for (const Companion& file : files) {
    if (out.replace || file.path == path + ".aux.xml" || !Exists(file.path)) continue;
    if (!*file.what) throw ExistingFile(option + ": '" + path + "' exists; give --overwrite to replace it");
    throw ExistingFile(option + ": writing '" + path + "' would replace the " + file.what + " " + file.path +
                       "; give --overwrite to replace it");
  }
  outputs_.push_back(out);
  // One claim a directory, however its results spell it (maps/ and ./maps).
  if (std::none_of(directories_.begin(), directories_.end(),
                   [&](const std::string& claimed) { return SameFile(claimed, directory); })) {
    SweepDeadRuns(directory);
    claims_.push_back(std::make_unique<DirectoryClaim>(directory, token_, option + " '" + path + "'"));
    RegisterTemporaryFiles(directory, token_);
    directories_.push_back(directory);
  }
  return directory + "/" + token_ + "-" + name;
}

std::string OutputFiles::Stage(const std::string& image, const std::string& option) {
  const std::string staged = Add({image, option, true, true});
  const std::string directory = Directory(image);
  std::vector<std::string> files;
  EnsureGdal();
  CPLErrorReset();
  if (GDALDatasetH gdal = GDALOpen(image.c_str(), GA_ReadOnly)) {
    char** list = GDALGetFileList(gdal);
    for (int i = 0; list && list[i]; ++i) files.push_back(list[i]);
    CSLDestroy(list);
    GDALClose(gdal);
  } else {
    throw CommandError("cannot open raster '" + image + "': " + OpenFailureReason(image));
  }
  files.push_back(ClassFilePath(image));
  files.push_back(QgisStylePath(image));
  for (const std::string& file : files) {
    if (!Exists(file) || !SameFile(Directory(file), directory)) continue;
    std::error_code error;
    fs::copy_file(file, directory + "/" + token_ + "-" + FileName(file), fs::copy_options::overwrite_existing, error);
    if (error) throw CommandError("cannot copy '" + file + "' to change it safely: " + error.message());
    staged_.push_back(directory + "/" + FileName(file));
  }
  return staged;
}

void OutputFiles::CheckWrittenBeside(const std::string& temporary, const std::vector<std::string>& files) const {
  const std::string prefix = token_ + "-";
  const auto result = std::find_if(outputs_.begin(), outputs_.end(), [&](const Entry& out) {
    return Directory(out.path) + "/" + prefix + FileName(out.path) == temporary;
  });
  if (result == outputs_.end()) return;
  for (const std::string& file : files) {
    const std::string name = FileName(file);
    if (file == temporary || name.rfind(prefix, 0) != 0) continue;
    const std::string target = Directory(result->path) + "/" + name.substr(prefix.size());
    for (const Entry& other : outputs_)
      if (&other != &*result && SameFile(Directory(other.path), Directory(result->path)) &&
          FileName(other.path) == name.substr(prefix.size()))
        throw UsageError(other.option + ": '" + other.path + "' is a file that the result '" + result->path +
                         "' has beside it in its format; give it another name");
    const std::string shown = (fs::path(result->path).parent_path() / name.substr(prefix.size())).string();
    CheckNotAnInputFile(*result, shown);
    if (const std::string kind = NotAFile(target); !kind.empty())
      throw UsageError(result->option + ": writing '" + result->path + "' would replace '" + shown +
                       "', which its format writes beside it and which is " + kind + OnlyFiles(kind));
    if (Exists(target) && !MayReplace(target))
      throw ExistingFile(result->option + ": writing '" + result->path + "' would replace '" + shown +
                         "', which its format writes beside it; give --overwrite to replace it");
  }
}

std::string OutputFiles::ScratchPath(const std::string& output, const std::string& suffix) const {
  return Directory(output) + "/" + token_ + "~" + FileName(output) + suffix;
}

void OutputFiles::RemoveTemporaryFiles() const {
  const std::string lock = DirectoryClaim::LockName(token_);
  for (const std::string& directory : directories_) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(token_, 0) != 0 || name == lock) continue;
      std::error_code ignored;
      fs::remove_all(entry.path(), ignored);
    }
  }
  // A directory that cannot be read still lets the names it knows go.
  for (const Entry& out : outputs_)
    for (const Companion& file : FilesOf(Directory(out.path) + "/" + token_ + "-" + FileName(out.path), out.image)) {
      std::error_code ignored;
      fs::remove(file.path, ignored);
    }
}

bool OutputFiles::Declared(const std::string& target) const {
  for (const Entry& out : outputs_) {
    if (out.replace) continue;
    const std::string path = Directory(out.path) + "/" + FileName(out.path);
    for (const Companion& file : FilesOf(path, out.image))
      if (file.path == target && file.path != path + ".aux.xml") return true;
  }
  return false;
}

bool OutputFiles::MayReplace(const std::string& target) const {
  if (Declared(target)) return false;
  if (overwrite_ || std::find(staged_.begin(), staged_.end(), target) != staged_.end()) return true;
  // GDAL's side-car of a result that did not exist is a leftover.
  return std::any_of(outputs_.begin(), outputs_.end(), [&](const Entry& out) {
    return out.image && Directory(out.path) + "/" + FileName(out.path) + ".aux.xml" == target;
  });
}

void OutputFiles::MoveIntoPlace(const std::string& from, const std::string& to, bool exclusive) const {
  int error = 0;
  if (!exclusive) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return;
    error = errno;
  } else if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return;
  } else {
    error = errno;
    // File systems that cannot rename without replacing can still link.
    if (error == EINVAL || error == ENOSYS) {
      if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return;
      }
      error = errno;
    }
  }
  if (error == EEXIST) throw Appeared(to);
  throw CommandError("cannot move the result into place as '" + to + "': " + ErrnoReason(error));
}

void OutputFiles::Commit() {
  if (StopRequested()) throw Stopped();
  InterruptBlock block;
  const std::string prefix = token_ + "-";
  struct Move {
    std::string from, to;
    bool exclusive;
  };
  std::vector<Move> moves;
  for (const std::string& directory : directories_) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    // A folder that can be written but not read would move nothing.
    if (error)
      throw CommandError("cannot read the directory '" + directory + "' to move the results into place: " +
                         error.message());
    // The results themselves last: what comes with them is in place first.
    std::stable_partition(names.begin(), names.end(), [&](const std::string& name) {
      return std::none_of(outputs_.begin(), outputs_.end(), [&](const Entry& out) {
        return Directory(out.path) == directory && FileName(out.path) == name.substr(prefix.size());
      });
    });
    for (const std::string& name : names) {
      const std::string target = directory + "/" + name.substr(prefix.size());
      moves.push_back({directory + "/" + name, target, !MayReplace(target)});
    }
  }
  // What appeared meanwhile is found before anything moves; a file that
  // appears during the moves themselves is still never replaced.
  for (const Move& move : moves) {
    if (move.exclusive && Exists(move.to)) throw Appeared(move.to);
    if (const std::string kind = NotAFile(move.to); !kind.empty())
      throw CommandError("'" + move.to + "' is " + kind + " and is left as it is" + OnlyFiles(kind));
  }
  // Each file replaced stays, linked under a temporary name, until every
  // result is in place: a move that fails puts back what came before.
  struct Done {
    std::string to, kept;  // kept: empty where nothing was replaced
  };
  std::vector<Done> done;
  try {
    for (const Move& move : moves) {
      std::string kept;
      if (!move.exclusive && Exists(move.to)) {
        kept = Directory(move.to) + "/" + token_ + "+" + FileName(move.to);
        KeepAside(move.to, kept);
      }
      try {
        MoveIntoPlace(move.from, move.to, move.exclusive);
      } catch (const CommandError&) {
        if (!kept.empty()) Restore(kept, move.to);
        throw;
      }
      done.push_back({move.to, kept});
    }
  } catch (const CommandError&) {
    for (auto undo = done.rbegin(); undo != done.rend(); ++undo)
      if (undo->kept.empty())
        unlink(undo->to.c_str());
      else
        Restore(undo->kept, undo->to);
    throw;
  }
  // A replaced image keeps nothing of the old one: no class file, no side-car.
  for (const Entry& out : outputs_) {
    if (!out.image) continue;
    const std::string path = Directory(out.path) + "/" + FileName(out.path);
    for (const std::string& old :
         {ClassFilePath(path), QgisStylePath(path), path + ".aux.xml", path + ".ovr", path + ".msk"}) {
      if (std::any_of(done.begin(), done.end(), [&](const Done& d) { return d.to == old; })) continue;
      std::error_code ignored;
      fs::remove(old, ignored);
    }
  }
}

}  // namespace ztcli
