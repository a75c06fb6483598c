#include "cli_support.h"

#include <cpl_error.h>
#include <cpl_vsi.h>
#include <fcntl.h>
#include <gdal.h>

#include <string.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <cstring>
#include <regex>
#include <sstream>

#include "output_files.h"
#include "written_files.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

long ParseInteger(const std::string& text, const std::string& what) {
  long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty())
    throw UsageError("invalid " + what + ": '" + text + "'");
  return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// Codes of the raster service that the library passes on unchanged (its
// I/O code is the library's RC_RASTER_IO_FAILED).
constexpr ZTResultCodeInfo kServiceCodes[] = {
    {ZTRS_ERR_AOI_FILE, "ZTRS_ERR_AOI_FILE", "the AOI vector file cannot be read"},
    {ZTRS_ERR_AOI_CRS, "ZTRS_ERR_AOI_CRS", "the AOIs have a coordinate system and the image none"},
    {ZTRS_ERR_AOI_FIELD, "ZTRS_ERR_AOI_FIELD", "the AOI vector file has no such class field"},
};

}  // namespace

namespace {
bool g_quiet = false;
bool g_verbose = false;
}  // namespace

void EnsureGdal() {
  static const bool registered = [] {
    GDALAllRegister();
    return true;
  }();
  (void)registered;
}

void SetQuiet(bool quiet) { g_quiet = quiet; }
bool Quiet() { return g_quiet; }

void SetVerbose(bool verbose) { g_verbose = verbose; }
bool Verbose() { return g_verbose; }

void ReportBandScaling(void* result) {
  if (!g_verbose || !result) return;
  const char* scaling = GDALGetMetadataItem(ztRSGetGDALDataset(result), "ZTCLASS_BAND_SCALING", nullptr);
  if (scaling) std::cout << "Band scaling: " << scaling << "\n";
}

std::string ErrnoReason(int error) {
  std::string reason = std::strerror(error);
  if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  return reason;
}

void RequireReadable(const std::string& path, const std::string& option) {
  errno = 0;
  if (std::ifstream(path, std::ios::binary)) return;
  throw CommandError(option + ": cannot read '" + path + "'" + (errno ? ": " + ErrnoReason(errno) : ""));
}

CommandError CannotWrite(const std::string& what, const std::string& reason) {
  return CommandError("cannot write " + what + (reason.empty() ? "" : ": " + reason));
}

CommandError CannotCreate(const std::string& path) {
  const std::string reason = GdalFailureReason();
  return CommandError("cannot create '" + path + "'" + (reason.empty() ? "" : ": " + reason));
}

void WriteWholeFile(const std::string& path, const std::string& text, const std::string& what) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw CannotWrite(what, ErrnoReason(errno));
  for (size_t at = 0; at < text.size();) {
    const ssize_t written = write(fd, text.data() + at, text.size() - at);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : ENOSPC;
      close(fd);
      throw CannotWrite(what, ErrnoReason(error));
    }
    at += static_cast<size_t>(written);
  }
  if (close(fd) != 0) throw CannotWrite(what, ErrnoReason(errno));
}

std::string WriteFailureReason() {
  struct Known {
    const char* words;
    int error;
  };
  // GDAL passes the system's words on, or says them its own way.
  static constexpr Known kKnown[] = {
      {"no space left", ENOSPC},       {"disk is full", ENOSPC},         {"free disk space", ENOSPC},
      {"file too large", EFBIG},       {"disk quota", EDQUOT},           {"permission denied", EACCES},
      {"read-only file system", EROFS}, {"input/output error", EIO},   {"file name too long", ENAMETOOLONG},
  };
  const int saved = errno;
  if (CPLGetLastErrorType() >= CE_Failure)
    for (const Known& known : kKnown)
      if (strcasestr(CPLGetLastErrorMsg(), known.words)) return ErrnoReason(known.error);
  for (int error : {ENOSPC, EFBIG, EDQUOT, EIO, EROFS, ENAMETOOLONG})
    if (saved == error) return ErrnoReason(error);
  return "";
}

std::string GdalFailureReason() {
  const std::string reason = WriteFailureReason();
  if (!reason.empty() || CPLGetLastErrorType() < CE_Failure) return reason;
  return CPLGetLastErrorMsg();
}

std::string UserPaths(std::string message) {
  // kTemporaryPrefix, then the run's token, then '-' before a result's name
  // or '~' before a scratch file's.
  static const std::regex kTemporary(R"(\.ztclass-[a-z0-9]{8}[-~])");
  return std::regex_replace(message, kTemporary, "");
}

std::string DescribeResultCode(long resultCode) {
  const ZTResultCodeInfo* info = ztFindResultCode(resultCode);
  for (const ZTResultCodeInfo& service : kServiceCodes)
    if (!info && service.value == resultCode) info = &service;
  if (!info) return "result code " + std::to_string(resultCode) + " (not a code of ztclass or its services)";
  return std::string(info->name) + " (" + std::to_string(resultCode) + "): " + info->meaning;
}

void Check(long resultCode, const std::string& what) {
  if (resultCode == RC_OK) return;
  std::string reason = resultCode == RC_CANCELLED ? "" : WriteFailureReason();
  if (!reason.empty()) {
    const std::string results = ResultsBeingWritten();
    reason = " (" + reason + (results.empty() ? "" : ", writing " + results) + ")";
  } else if (resultCode == RC_RASTER_IO_FAILED && *ztRSLastIOError()) {
    reason = "; " + std::string(ztRSLastIOError());
  }
  throw CommandError(what + " failed: " + DescribeResultCode(resultCode) + reason,
                     resultCode == RC_CANCELLED ? StoppedStatus() : 1);
}

std::string OpenFailureReason(const std::string& path) {
  VSIStatBufL status;
  if (VSIStatL(path.c_str(), &status) != 0) return ErrnoReason(ENOENT);
  if (VSI_ISREG(status.st_mode) && status.st_size == 0) return "the file is empty";
  // GDAL's own paths (/vsizip/...) are no files of the system.
  errno = 0;
  if (path.rfind("/vsi", 0) != 0 && VSI_ISREG(status.st_mode) && !std::ifstream(path, std::ios::binary) && errno)
    return ErrnoReason(errno);
  if (CPLGetLastErrorType() >= CE_Failure && *CPLGetLastErrorMsg()) return CPLGetLastErrorMsg();
  return "no raster format that GDAL reads recognises it";
}

Dataset Dataset::Open(const std::string& path, bool update) {
  CPLErrorReset();
  void* handle = ztRSOpen(path.c_str(), update ? 1 : 0);
  if (!handle) {
    throw CommandError("cannot open raster '" + path + "'" + (update ? " for update" : "") + ": " +
                       OpenFailureReason(path));
  }
  return Dataset(handle);
}

Dataset& Dataset::operator=(Dataset&& other) noexcept {
  if (this != &other) {
    if (handle_) ztRSClose(handle_);
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

Dataset::~Dataset() {
  if (handle_) ztRSClose(handle_);
}

void Dataset::Close(const std::string& name) {
  void* handle = handle_;
  handle_ = nullptr;
  if (!handle) return;
  CPLErrorReset();
  FirstWriteFailure failure;
  if (ztRSClose(handle) != 0) throw CannotWrite("'" + name + "'", failure.Reason());
}

std::vector<long> ParseBandList(const std::string& text) {
  std::vector<long> bands;
  for (const std::string& part : Split(text, ',')) {
    long band = ParseInteger(part, "--bands band number");
    if (band < 1) throw UsageError("--bands: band numbers start at 1: '" + part + "'");
    bands.push_back(band);
  }
  if (bands.empty()) throw UsageError("--bands: the band list is empty");
  return bands;
}

std::vector<long> AllBands(void* dataset) {
  std::vector<long> bands;
  for (long b = 1; b <= ztRSGetRasterCount(dataset); ++b) bands.push_back(b);
  return bands;
}

void ParseValueMap(const std::string& text, std::vector<unsigned char>& from,
                   std::vector<unsigned char>& to) {
  for (const std::string& pair : Split(text, ',')) {
    size_t eq = pair.find('=');
    if (eq == std::string::npos) throw UsageError("--map expects old=new, got '" + pair + "'");
    long a = ParseInteger(pair.substr(0, eq), "--map class value");
    long b = ParseInteger(pair.substr(eq + 1), "--map class value");
    if (a < 0 || a > 255 || b < 0 || b > 255)
      throw UsageError("--map: class values lie in 0..255: '" + pair + "'");
    for (unsigned char old : from)
      if (old == a) throw UsageError("--map gives old value " + std::to_string(a) + " twice");
    from.push_back(static_cast<unsigned char>(a));
    to.push_back(static_cast<unsigned char>(b));
  }
}

long NextCharacter(const std::string& text, size_t& at) {
  const unsigned char lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xC2 && lead <= 0xDF   ? 1
                   : lead >= 0xE0 && lead <= 0xEF ? 2
                   : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                  : 0;
  if (more == 0 || text.size() - at < static_cast<size_t>(more)) return -1;
  long c = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return -1;
    c = c << 6 | (next & 0x3F);
  }
  static constexpr long kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLeast[more] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return -1;
  at += more;
  return c;
}

bool IsControlCharacter(long c) { return (c >= 0 && c < 0x20) || (c >= 0x7F && c <= 0x9F); }

std::string Printable(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const size_t start = at;
    const long c = NextCharacter(text, at);
    if (!IsControlCharacter(c)) {
      out.append(text, start, at - start);
      continue;
    }
    for (size_t i = start; i < at; ++i) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[i]));
      out += escape;
    }
  }
  return out;
}

bool ParseColour(const std::string& text, unsigned char rgb[3]) {
  if (text.size() != 7 || text[0] != '#') return false;
  for (int i = 0; i < 3; ++i) {
    unsigned value = 0;
    const char* begin = text.data() + 1 + 2 * i;
    auto [ptr, ec] = std::from_chars(begin, begin + 2, value, 16);
    if (ec != std::errc() || ptr != begin + 2) return false;
    rgb[i] = static_cast<unsigned char>(value);
  }
  return true;
}

std::string FormatColour(unsigned char red, unsigned char green, unsigned char blue) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", red, green, blue);
  return text;
}

std::string FormatNumber(double value) {
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

std::string ClassesText(size_t count) { return std::to_string(count) + (count == 1 ? " class" : " classes"); }

}  // namespace ztcli
