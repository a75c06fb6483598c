// LVQ2: the three update cases and the label assignment worked by hand, and
// the tuning radius (its export is in the networks' table of bp_test.cpp).
#include <gtest/gtest.h>

#include "network_fixture.h"
#include "neural/lvq2_network.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

// Codebook (0,0), (1,0), (0,1), labelled 0, 1, 2, class codebook 0, 1, 2.
void Corners(zt::CLVQ2NN& net) {
  ASSERT_EQ(net.Create(2, 3), RC_OK);
  const double corners[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (long j = 0; j < 3; ++j) {
    net.Vector(j)[0] = corners[j][0];
    net.Vector(j)[1] = corners[j][1];
    net.CodebookLabel()[j] = j;
    net.ClassCodebook()[j] = j;
  }
}

TEST(LVQ2Network, OneStepMovesByTheClassesOfWinnerAndRunnerUp) {
  struct Moved {
    long vector, band;
    double value;
  };
  const struct {
    const char* why;
    long classNo;
    double x;  // the pattern (x, 0)
    std::vector<Moved> after;
  } cases[] = {
      // d = 0.2304 and 0.2704; after the move (0.048, 0) is 0.186624 from x,
      // within 0.12 of the runner-up's 0.2704: the runner-up is pushed away.
      {"winner right, runner-up close", 1, 0.48, {{0, 0, 0.048}, {1, 0, 1.052}, {2, 1, 1.0}}},
      // 0.2025 and 0.3025; the moved winner (0.045, 0) is 0.164025 away,
      // 0.138475 short of the runner-up.
      {"winner right, runner-up far", 1, 0.45, {{0, 0, 0.045}, {1, 0, 1.0}}},
      {"runner-up right", 2, 0.48, {{1, 0, 1 + 0.1 * (0.48 - 1)}, {0, 0, -0.048}}},
      {"neither right: the class codebook vector moves", 3, 0.48,
       {{2, 0, 0.048}, {2, 1, 0.9}, {0, 0, 0.0}, {1, 0, 1.0}}},
  };
  for (const auto& c : cases) {
    zt::CLVQ2NN net;
    Corners(net);
    const double x[] = {c.x, 0.0};
    ASSERT_EQ(net.LVQ2Step(c.classNo, x, 0.1), RC_OK) << c.why;
    for (const Moved& m : c.after) EXPECT_DOUBLE_EQ(net.Vector(m.vector)[m.band], m.value) << c.why;
  }
}

TEST(LVQ2Network, LabelsFromTheMostFrequentPairingEarliestOnTies) {
  zt::CLVQ2NN net;
  Corners(net);
  Samples s;
  for (int i = 0; i < 3; ++i) s.Add(1, {0.9, 0.0});  // nearest (1,0)
  s.Add(1, {0.1, 0.0});                               // nearest (0,0)
  s.Add(2, {0.95, 0.1});
  s.Add(2, {0.8, 0.0});
  s.Add(3, {0.0, 0.05});  // (0,0)
  s.Add(3, {0.0, 0.9});   // (0,1)
  ASSERT_EQ(net.AssignLabels(s.Cells(), s.Count()), RC_OK);
  // Class by codebook: class 1 -> 3 at vector 1; class 2 -> 2 at vector 1;
  // class 3 -> one each at 0 and 2, the earlier wins.
  EXPECT_EQ(net.ClassCodebook(), (std::vector<long>{1, 1, 0}));
  // Codebook by class: vector 0 -> classes 1 and 3 once each; vector 1 ->
  // 3 of class 1, 2 of class 2; vector 2 -> class 3.
  EXPECT_EQ(net.CodebookLabel(), (std::vector<long>{0, 0, 2}));
}

TEST(LVQ2Network, TuningMovesOnlyVectorsWithinTheRadius) {
  zt::CLVQ2NN net;
  Corners(net);
  // sqrt(d / 3) < 0.02 means d < 0.0012.
  const double close[] = {0.0, 0.0346}, far[] = {0.0, 0.0347};
  ASSERT_EQ(net.TuneNearest(2, far, 0.5), RC_OK);
  EXPECT_EQ(net.Vector(0)[1], 0.0);
  ASSERT_EQ(net.TuneNearest(2, close, 0.5), RC_OK);
  EXPECT_DOUBLE_EQ(net.Vector(0)[1], 0.0173);
}

TEST(LVQ2Network, CodebookStartsAtClassMeansAndEpochsAreCounted) {
  Samples s;
  s.Add(1, {0.1, 0.3});
  s.Add(2, {0.9, 0.5});
  s.Add(1, {0.3, 0.1});
  zt::CLVQ2NN net;
  ASSERT_EQ(net.Create(2, 2), RC_OK);
  ASSERT_EQ(net.InitCodebook(s.Cells(), 3), RC_OK);
  EXPECT_DOUBLE_EQ(net.Vector(0)[0], 0.2);
  EXPECT_DOUBLE_EQ(net.Vector(0)[1], 0.2);
  EXPECT_DOUBLE_EQ(net.Vector(1)[0], 0.9);
  ProgressRecorder progress;
  ASSERT_EQ(net.Train(s.Cells(), 3, 3, 0.1, 2, 0.05), RC_OK);
  EXPECT_EQ(progress.steps, 5);
  progress.stopAfterSteps = progress.steps + 4;
  EXPECT_EQ(net.Train(s.Cells(), 3, 3, 0.1, 2, 0.05), RC_CANCELLED);
  net.Release();
  net.Release();
}

}  // namespace
