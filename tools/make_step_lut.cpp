// Writes the step colour ramp: 392 unused header bytes, a little-endian
// 32-bit colour count, then the colours as red, green, blue bytes. The ramp
// runs through the hues from blue over cyan, green and yellow to red, so
// classes spread over it get distinct colours in a familiar order.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_step_lut OUTPUT\n");
    return 2;
  }
  constexpr int kColours = 256;
  std::vector<unsigned char> bytes(392, 0);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back((kColours >> shift) & 0xFF);
  for (int i = 0; i < kColours; ++i) {
    double hue = 240.0 * (1.0 - double(i) / (kColours - 1));  // degrees
    double sector = hue / 60.0;
    double f = sector - std::floor(sector);
    double r, g, b;
    switch (static_cast<int>(std::floor(sector)) % 6) {
      case 0: r = 1, g = f, b = 0; break;
      case 1: r = 1 - f, g = 1, b = 0; break;
      case 2: r = 0, g = 1, b = f; break;
      case 3: r = 0, g = 1 - f, b = 1; break;
      default: r = f, g = 0, b = 1; break;
    }
    for (double c : {r, g, b}) bytes.push_back(static_cast<unsigned char>(std::lround(c * 255)));
  }
  FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out)) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
