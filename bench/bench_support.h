#pragma once
#include <string>

namespace ztbench {

// A file of the benchmarks' scratch folder (made when missing).
std::string Path(const std::string& name);

// A synthetic scene, written once and reused: columns x rows, `bands` Byte
// bands, tiled 256 x 256, with smooth texture.
std::string Scene(int columns, int rows, int bands);

// A side x side class map: band 1 of the 6-band synthetic scene cut into 8
// equal ranges of value, classes 1 to 8, all present (the class count of a
// clump file comes from the lowest and highest class); with oneRegion, the
// left half in class 1 but for a single class-2 pixel every 97 x 89 (a sea
// or a forest).
std::string ClassImage(int side, bool oneRegion = false);

// Adds `count` square class AOIs of side `side` pixels spread over the scene.
void AddClassAois(void* dataset, int count, int side);

}  // namespace ztbench
