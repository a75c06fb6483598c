#pragma once
// What the host's commands share: datasets, failures, parsing of lists.
#include <stdexcept>
#include <string>
#include <vector>

namespace ztcli {

// Ends a command with a message on stderr and the given exit status.
struct CommandError : std::runtime_error {
  CommandError(const std::string& message, int status = 1)
      : std::runtime_error(message), status(status) {}
  int status;
};

// Exit statuses: a failure 1 (CommandError's default), a usage error 2, a
// stop by a signal 128 + its number (StoppedStatus(): 130 for Ctrl-C, 143
// for SIGTERM, 129 for SIGHUP).
constexpr int kUsageStatus = 2;
int StoppedStatus();

// An option or argument that cannot work, found before any work is done.
struct UsageError : CommandError {
  explicit UsageError(const std::string& message) : CommandError(message, kUsageStatus) {}
};

// Ends a command that the user stopped.
struct Stopped : CommandError {
  Stopped() : CommandError("stopped by the user", StoppedStatus()) {}
};

// -q/--quiet: no progress and no report of what was written; errors still
// go to stderr.
void SetQuiet(bool quiet);
bool Quiet();

// -v/--verbose: also what a command derived from the data, on stdout.
void SetVerbose(bool verbose);
bool Verbose();

// Under --verbose, the band scaling a network recorded in its result
// (Byte images keep value / 255 and record none).
void ReportBandScaling(void* result);

// GDAL's drivers, registered once. GDAL's error handler stays the host
// process's to choose.
void EnsureGdal();

// errno's reason as a message continues it: "permission denied", "no space
// left on device".
std::string ErrnoReason(int error);
// Why a raster at path could not be opened, just after the attempt: no
// such file, an empty or unreadable one, GDAL's words, or else no format
// recognising it.
std::string OpenFailureReason(const std::string& path);

// Why a write failed, in those words ("no space left on device", "file too
// large", "permission denied", "read-only file system", "file name too
// long", ...), from GDAL's last error or errno; empty when neither says one
// of them.
std::string WriteFailureReason();
// Why GDAL could not create or write a file, just after the failure: the
// words WriteFailureReason() gives, else GDAL's own message; empty when
// GDAL said nothing.
std::string GdalFailureReason();
// "cannot write WHAT: REASON", or without the reason when it is empty.
CommandError CannotWrite(const std::string& what, const std::string& reason);
// "cannot create 'PATH': REASON" for a raster that GDAL, its errors reset
// before, has just failed to create.
CommandError CannotCreate(const std::string& path);
// Writes text as the file at path, created or truncated; a failure is
// CannotWrite(what, the system's reason).
void WriteWholeFile(const std::string& path, const std::string& text, const std::string& what);
// Refuses a file the command must read and cannot open, naming option and
// the reason, before the library is given it.
void RequireReadable(const std::string& path, const std::string& option);

// A message about files as the user knows them: the temporary names that
// results are written under are given as the results' own.
std::string UserPaths(std::string message);

// "NAME (value): meaning" of a library or service result code.
std::string DescribeResultCode(long resultCode);

// Turns a library result code into an exit: nothing for success, a
// CommandError naming the code otherwise, with the reason when a write
// failed (the stop status for a stop).
void Check(long resultCode, const std::string& what);

// An open dataset of the raster dataset service, closed on scope exit.
class Dataset {
 public:
  static Dataset Open(const std::string& path, bool update);
  explicit Dataset(void* handle) : handle_(handle) {}
  Dataset(Dataset&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  Dataset& operator=(Dataset&& other) noexcept;
  ~Dataset();

  void* get() const { return handle_; }
  // Closes now; a failure to write the file is reported under name, the
  // path the user gave.
  void Close(const std::string& name);

 private:
  void* handle_;
};

// "1,2,3" -> {1, 2, 3}; every entry a positive integer.
std::vector<long> ParseBandList(const std::string& text);
// Every band of a dataset: 1..count.
std::vector<long> AllBands(void* dataset);
// "old=new,old=new" with values 0..255.
void ParseValueMap(const std::string& text, std::vector<unsigned char>& from,
                   std::vector<unsigned char>& to);

// The character of UTF-8 text at byte at, which moves past it; -1 (at moved
// one byte on) where the bytes there are not UTF-8: a stray or missing
// continuation byte, an overlong form, a surrogate, beyond U+10FFFF.
long NextCharacter(const std::string& text, size_t& at);

// Whether c is a control character (C0, DEL or C1): what a tab-separated
// listing or a terminal takes as structure, never as text.
bool IsControlCharacter(long c);

// text with its control characters written as \xNN, so that a name read
// from a file can neither forge a row of a listing nor drive a terminal.
std::string Printable(const std::string& text);

// "#RRGGBB" -> components; false when malformed.
bool ParseColour(const std::string& text, unsigned char rgb[3]);
std::string FormatColour(unsigned char red, unsigned char green, unsigned char blue);
// The shortest text that reads back as the same double, whatever the locale.
std::string FormatNumber(double value);
// "1 class", "2 classes".
std::string ClassesText(size_t count);

}  // namespace ztcli
