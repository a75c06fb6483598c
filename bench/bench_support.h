#pragma once
#include <string>

namespace ztbench {

// A synthetic scene, written once and reused: columns x rows, `bands` Byte
// bands, tiled 256 x 256, with smooth texture.
std::string Scene(int columns, int rows, int bands);

// Adds `count` square class AOIs of side `side` pixels spread over the scene.
void AddClassAois(void* dataset, int count, int side);

}  // namespace ztbench
