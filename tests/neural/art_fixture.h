#pragma once
// What the two adaptive-resonance tests share: a small scene of patches of
// different colour directions, the sample grid walked by hand, and the
// argument, sampling and stop checks that both exports must pass alike.
#include <functional>
#include <vector>

#include "../statistical/classifier_fixture.h"
#include "frame/window.h"

namespace zttest {

constexpr int kArtColumns = 24, kArtRows = 20, kArtBands = 3;

// Six patches (8 x 10 pixels) of different band ratios, with texture.
double Patches(int band, int column, int row);

// Band values / 255 of pixel (column, row) in band order.
std::vector<double> ScaledPixel(const Scene& scene, int column, int row);

// Every interval-th pixel of every interval-th row of the window, scaled.
std::vector<std::vector<double>> SampleGrid(const Scene& scene, const zt::Window& w, long interval);

// An export with everything but the network's own parameters bound.
using ClusterExport = std::function<long(void* source, long* bands, long bandCount, unsigned long clusterCount,
                                         long interval, long maxIterations, void* result, long rows,
                                         long columns, long firstRow, long firstColumn)>;

// The argument checks in their order, 254 clusters accepted and 255 refused,
// the interval's bounds, and no sampled pattern at all.
void ExpectClusterArgumentChecks(const ClusterExport& call);

// A stop while sampling, while training and during the pass.
void ExpectStopsInEveryPhase(const ClusterExport& call);

}  // namespace zttest
