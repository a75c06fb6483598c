#pragma once
// How many cores a command uses (the library's worker threads for the
// per-pixel decisions, GDAL's threads that compress the result), and GDAL's
// block cache.
#include <CLI/CLI.hpp>
#include <string>

namespace ztcli {

// Every core, until a command's --threads says otherwise.
void UseEveryCore();

// The threads on which GDAL compresses a GeoTIFF result (its NUM_THREADS
// creation option): those that classify, or "" for one thread or when the
// user chose GDAL_NUM_THREADS, which GDAL then follows.
std::string CompressionThreads();

// Why count (as the user gave it) is no thread count to run on, or "":
// at least 1, at most a few per core.
std::string ThreadCountProblem(long count, const std::string& given);

// --threads N of a classifying command.
void AddThreadsOption(CLI::App& command);

// GDAL's block cache, bounded so that a classification's memory stays small
// whatever the image size (a GDAL_CACHEMAX of the user's own wins).
void BoundGdalCache();

// A cache of a few blocks, for the commands that read each block of their
// input once, a block row at a time, and write each block of their result
// once and whole (clump, sieve, eliminate): no block they have passed is
// wanted again.
void BoundGdalCacheForOnePass();

}  // namespace ztcli
