#include "terminal_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <streambuf>
#include <string>
#include <vector>

#include "cli_support.h"

namespace ztcli {

namespace {

class Converter {
 public:
  Converter(const std::string& codeset, const std::vector<std::string>& userBytes)
      : iconv_(iconv_open(codeset.c_str(), "UTF-8")) {
    // Only the bytes beyond ASCII need care, and a name built from one the
    // user gave ("map.tif" -> "map.cls") keeps them.
    const auto high = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    for (const std::string& given : userBytes)
      for (size_t at = 0; at < given.size();) {
        const auto begin = std::find_if(given.begin() + at, given.end(), high);
        const auto end = std::find_if_not(begin, given.end(), high);
        if (begin != end) runs_.emplace_back(begin, end);
        at = end - given.begin();
      }
    std::sort(runs_.begin(), runs_.end(), [](const std::string& a, const std::string& b) {
      return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    runs_.erase(std::unique(runs_.begin(), runs_.end()), runs_.end());
  }
  ~Converter() {
    if (valid()) iconv_close(iconv_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return iconv_ != reinterpret_cast<iconv_t>(-1); }

  std::string Convert(const std::string& text) {
    if (!valid()) return text;
    std::string out;
    size_t run = 0;  // where the text not yet converted begins
    for (size_t at = 0; at < text.size();) {
      if (static_cast<unsigned char>(text[at]) < 0x80) {
        ++at;
        continue;
      }
      const size_t start = at;
      const size_t given = UserBytesAt(text, at);
      if (!given && NextCharacter(text, at) >= 0) continue;
      ConvertRun(text, run, start, out);
      at = start + (given ? given : 1);
      out.append(text, start, at - start);
      run = at;
    }
    ConvertRun(text, run, text.size(), out);
    return out;
  }

 private:
  // Converts text[begin, end), UTF-8 throughout, with '?' for a character
  // the set lacks, and leaves the set in its initial shift state for the
  // bytes copied as they are after it.
  void ConvertRun(const std::string& text, size_t begin, size_t end, std::string& out) {
    for (size_t at = begin; at < end;) {
      char* in = const_cast<char*>(text.data() + at);
      size_t inLeft = end - at;
      if (Put(&in, &inLeft, out)) break;
      Put(nullptr, nullptr, out);
      out += '?';
      at = static_cast<size_t>(in - text.data());
      NextCharacter(text, at);
    }
    Put(nullptr, nullptr, out);
  }

  // iconv's output onto out (for no input, the return to the initial shift
  // state); false where it stopped before a character the set lacks.
  bool Put(char** in, size_t* inLeft, std::string& out) {
    char buffer[256];
    for (;;) {
      char* next = buffer;
      size_t room = sizeof buffer;
      const size_t done = iconv(iconv_, in, inLeft, &next, &room);
      const int error = errno;
      out.append(buffer, next);
      if (done != static_cast<size_t>(-1)) return true;
      if (error != E2BIG) return false;
    }
  }

  // The length of the user's bytes that begin at at; 0 where none do, or
  // where they would end inside a UTF-8 character of the text: the same
  // bytes are then part of the system's own text.
  size_t UserBytesAt(const std::string& text, size_t at) const {
    for (const std::string& run : runs_) {
      if (text.compare(at, run.size(), run) != 0) continue;
      size_t end = at;
      while (end < at + run.size()) NextCharacter(text, end);
      if (end == at + run.size()) return run.size();
    }
    return 0;
  }

  iconv_t iconv_;
  std::vector<std::string> runs_;
};

// Collects a line (or what a flush asks for) and writes it converted to
// the stdio stream, which the unconverted output shares and so keeps its
// order with.
class ConvertingBuffer : public std::streambuf {
 public:
  ConvertingBuffer(FILE* file, const std::string& codeset, const std::vector<std::string>& userBytes)
      : file_(file), converter_(codeset, userBytes) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char text = traits_type::to_char_type(c);
    xsputn(&text, 1);
    return c;
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_.append(text, static_cast<size_t>(count));
    if (std::memchr(text, '\n', static_cast<size_t>(count))) Emit();
    return count;
  }

  int sync() override {
    const std::lock_guard<std::mutex> lock(mutex_);
    Emit();
    return std::fflush(file_) == 0 ? 0 : -1;
  }

 private:
  void Emit() {
    const std::string converted = converter_.Convert(pending_);
    pending_.clear();
    std::fwrite(converted.data(), 1, converted.size(), file_);
  }

  FILE* file_;
  Converter converter_;
  std::mutex mutex_;
  std::string pending_;
};

std::streambuf* g_dataOut = nullptr;

}  // namespace

void ShowInLocaleCharset(int argc, char** argv) {
  const locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return;
  const std::string codeset = nl_langinfo_l(CODESET, user);
  freelocale(user);
  if (codeset == "UTF-8" || codeset == "ANSI_X3.4-1968") return;
  std::vector<std::string> given(argv + 1, argv + argc);
  for (const char* variable : {"ZTCLASS_WORKDIR", "ZTCLASS_HOME", "TMPDIR"})
    if (const char* value = std::getenv(variable)) given.emplace_back(value);
  // Made once and kept: the standard streams are flushed at exit, after
  // every other object of the program is gone.
  auto* out = new ConvertingBuffer(stdout, codeset, given);
  auto* err = new ConvertingBuffer(stderr, codeset, given);
  g_dataOut = std::cout.rdbuf();
  std::cout.rdbuf(out);
  std::cerr.rdbuf(err);
}

std::ostream& DataOut() {
  if (!g_dataOut) return std::cout;
  static std::ostream out(g_dataOut);
  return out;
}

}  // namespace ztcli
