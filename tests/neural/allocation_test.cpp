// Every allocation of a network's set-up failing in turn: the operation
// reports RC_OUT_OF_MEMORY, the network can be released and built again, and
// nothing leaks (the sanitizer build checks).
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "neural/bp_network.h"
#include "neural/high_order_network.h"
#include "neural/kohonen_network.h"
#include "neural/lvq2_network.h"
#include "neural/rbf_network.h"
#include "ztclass/result_codes.h"

namespace {
// Allocations left before one fails; negative: none fails.
long allocationsLeft = -1;
}  // namespace

// Every C++ allocation of this program goes through malloc and free, so
// that the sanitizer sees one allocator whatever library allocates.
void* operator new(size_t size) {
  if (allocationsLeft == 0) {
    allocationsLeft = -1;
    throw std::bad_alloc();
  }
  if (allocationsLeft > 0) --allocationsLeft;
  if (void* p = std::malloc(size ? size : 1)) return p;
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
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

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

TEST(NetworkAllocation, BPCreateFailsCleanlyAtEveryAllocation) {
  long hidden[] = {3, 2};
  zt::CBPNN net;
  EXPECT_GT(FailEachAllocation([&] {
              net.Release();
              return net.Create(4, 3, 2, hidden);
            }),
            3);
  net.InitWeights();
  const double x[] = {0.1, 0.2, 0.3, 0.4};
  long c = -1;
  net.Classify(x, &c);
  EXPECT_GE(c, 0);
}

TEST(NetworkAllocation, HighOrderCreateFailsCleanlyAtEveryAllocation) {
  long hidden[] = {2};
  zt::CHighRankNN net;
  EXPECT_GT(FailEachAllocation([&] {
              net.Release();
              return net.Create(3, 2, false, 1, hidden);
            }),
            3);
}

TEST(NetworkAllocation, RBFAndLVQ2FailCleanlyAtEveryAllocation) {
  zt::CRBFNN rbf;
  rbf.SetSizes(3, 4);
  EXPECT_GT(FailEachAllocation([&] {
              rbf.Release();
              return rbf.CreateHidden();
            }),
            1);
  EXPECT_GT(FailEachAllocation([&] { return rbf.InitOutput(); }), 1);
  zt::CLVQ2NN lvq;
  EXPECT_GT(FailEachAllocation([&] {
              lvq.Release();
              return lvq.Create(3, 4);
            }),
            1);
}

TEST(NetworkAllocation, KohonenFailsCleanlyAtEveryAllocation) {
  zt::CKohonenNN net;
  EXPECT_GT(FailEachAllocation([&] {
              net.Release();
              return net.Create(2, 3);
            }),
            2);
  double a[] = {0, 0}, b[] = {1, 1}, c[] = {0.5, 0};
  double* patterns[] = {a, b, c};
  EXPECT_GT(FailEachAllocation([&] { return net.InitCenters(patterns, 3); }), 0);
  EXPECT_EQ(net.Weights(2)[0], 0.5);
}

}  // namespace
