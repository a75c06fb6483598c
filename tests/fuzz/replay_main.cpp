// Without libFuzzer: feeds each file named on the command line, and each file
// of each folder named there, to the fuzz target once, so that the corpus and
// the crash inputs replay under any compiler and sanitizer.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_support.h"

namespace {

void Replay(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.eof() && in.fail()) ztfuzz::Broken("cannot read an input");
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  long replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::exists(argv[i])) ztfuzz::Broken("no such input");
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') files.push_back(entry.path());
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(argv[i]);
    }
    for (const auto& file : files) {
      Replay(file);
      ++replayed;
    }
  }
  std::printf("%ld inputs replayed\n", replayed);
  return 0;
}
