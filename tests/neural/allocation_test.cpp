// Every allocation of a network's set-up failing in turn: the operation
// reports RC_OUT_OF_MEMORY, the network can be released and built again, and
// nothing leaks (the sanitizer build checks); Release gives every block back
// at once, not when the network goes.
#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "neural/art_network.h"
#include "neural/bp_network.h"
#include "neural/fuzzy_art_network.h"
#include "neural/high_order_network.h"
#include "neural/kohonen_network.h"
#include "neural/lvq2_network.h"
#include "neural/rbf_network.h"
#include "ztclass/result_codes.h"

namespace {
// Allocations left before one fails; negative: none fails.
long allocationsLeft = -1;
// Blocks allocated and not yet freed.
long liveBlocks = 0;
}  // namespace

// Every C++ allocation of this program goes through malloc and free, so
// that the sanitizer sees one allocator whatever library allocates.
void* operator new(size_t size) {
  if (allocationsLeft == 0) {
    allocationsLeft = -1;
    throw std::bad_alloc();
  }
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* p = std::malloc(size ? size : 1)) {
    ++liveBlocks;
    return p;
  }
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept {
  if (p) --liveBlocks;
  std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { operator delete(p); }

namespace {

// Runs build with the n-th allocation failing, n = 0, 1, ..., until it
// succeeds; every failure must be RC_OUT_OF_MEMORY. Returns the number of
// failures seen.
template <typename Build>
int FailEachAllocation(Build&& build) {
  for (int n = 0; n < 1000; ++n) {
    allocationsLeft = n;
    const long rc = build();
    const bool failed = allocationsLeft == -1 && rc != RC_OK;
    allocationsLeft = -1;
    if (!failed) {
      EXPECT_EQ(rc, RC_OK);
      return n;
    }
    EXPECT_EQ(rc, RC_OUT_OF_MEMORY) << n;
  }
  ADD_FAILURE() << "never succeeded";
  return 0;
}

TEST(NetworkAllocation, EveryNetworkFailsCleanlyAtEveryAllocation) {
  long hidden[] = {3, 2}, oneHidden[] = {2};
  zt::CBPNN bp;
  zt::CHighRankNN highOrder;
  zt::CRBFNN rbf;
  rbf.SetSizes(3, 4);
  zt::CLVQ2NN lvq;
  zt::CKohonenNN kohonen;
  zt::CART art(3, 4);
  zt::CFuzzyART fuzzy(3, 4);
  double a[] = {0, 0}, b[] = {1, 1}, c[] = {0.5, 0};
  double* patterns[] = {a, b, c};
  const long before = liveBlocks;
  // In order: a build may need the one before it.
  const struct {
    const char* name;
    int allocations;  // at least
    std::function<long()> build;
  } builds[] = {
      {"bp", 4, [&] { bp.Release(); return bp.Create(4, 3, 2, hidden); }},
      {"high order", 4, [&] { highOrder.Release(); return highOrder.Create(3, 2, false, 1, oneHidden); }},
      {"rbf hidden", 2, [&] { rbf.Release(); return rbf.CreateHidden(); }},
      {"rbf output", 2, [&] { return rbf.InitOutput(zt::ProcessRandom()); }},
      {"lvq2", 2, [&] { lvq.Release(); return lvq.Create(3, 4); }},
      {"kohonen", 3, [&] { kohonen.Release(); return kohonen.Create(2, 3); }},
      {"kohonen centres", 1, [&] { return kohonen.InitCenters(patterns, 3); }},
      {"art", 2, [&] { art.Release(); return art.Create(); }},
      {"fuzzy art", 2, [&] { fuzzy.Release(); return fuzzy.Create(); }},
  };
  for (const auto& build : builds) EXPECT_GE(FailEachAllocation(build.build), build.allocations) << build.name;
  bp.InitWeights(zt::ProcessRandom());
  const double x[] = {0.1, 0.2, 0.3, 0.4};
  long classNo = -1;
  bp.Classify(x, &classNo);
  EXPECT_GE(classNo, 0);
  EXPECT_EQ(kohonen.Weights(2)[0], 0.5);
  EXPECT_GT(liveBlocks, before);
  auto releaseAll = [](auto&... networks) { (networks.Release(), ...); };
  releaseAll(bp, highOrder, rbf, lvq, kohonen, art, fuzzy);
  EXPECT_EQ(liveBlocks, before);
}

// Allocations that run() makes.
template <typename Run>
long AllocationsOf(Run&& run) {
  allocationsLeft = 1000000000;
  run();
  const long made = 1000000000 - allocationsLeft;
  allocationsLeft = -1;
  return made;
}

TEST(NetworkAllocation, ResonanceNetworksFailCleanlyAndTrainWithoutAllocatingPerPattern) {
  zt::CART art(3, 4);
  zt::CFuzzyART fuzzy(3, 4);
  ASSERT_EQ(art.Create(), RC_OK);
  ASSERT_EQ(fuzzy.Create(), RC_OK);

  std::vector<double> values(3 * 400);
  for (size_t i = 0; i < values.size(); ++i) values[i] = double((i * 37) % 101) / 100.0;
  std::vector<double*> patterns;
  for (size_t p = 0; p < 400; ++p) patterns.push_back(&values[3 * p]);
  zt::CodedPatterns coded;
  EXPECT_GT(FailEachAllocation([&] { return fuzzy.ComplementCode(patterns.data(), 400, coded); }), 0);
  // The same allocations for 40 patterns as for 400, and none in the pass.
  std::vector<double> copy = values;
  auto artTrain = [&](long n) {
    values = copy;
    return AllocationsOf([&] { art.Train(patterns.data(), n, 3, 0.0, 0.95, 0.5); });
  };
  EXPECT_EQ(artTrain(40), artTrain(400));
  auto fuzzyTrain = [&](long n) {
    return AllocationsOf([&] { fuzzy.Train(patterns.data(), n, 3, 0.001, 0.9, 0.5); });
  };
  EXPECT_EQ(fuzzyTrain(40), fuzzyTrain(400));
  double x[] = {0.2, 0.5, 0.9, 0.8, 0.5, 0.1};
  long classNo = 0;
  EXPECT_EQ(AllocationsOf([&] {
              art.Classify(x, 0.1, &classNo);
              fuzzy.Classify(x, 0.001, &classNo);
            }),
            0);
}

}  // namespace
