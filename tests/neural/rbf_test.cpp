// The RBF network's phases on a tiny data set worked out here, and LVQ2's
// update cases, label assignment and tuning radius worked by hand (their
// exports are in the networks' table of bp_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <tuple>

#include "network_fixture.h"
#include "neural/lvq2_network.h"
#include "neural/rbf_network.h"
#include "ztclass/neural.h"
#include "ztclass/result_codes.h"

using namespace zttest;

namespace {

// Six samples around (0.1, 0.2), six around (0.8, 0.7), six of class 3 (five close).
Samples Tiny() {
  Samples s;
  for (int i = 0; i < 6; ++i) s.Add(1, {0.1 + 0.01 * i, 0.2 - 0.005 * i});
  for (int i = 0; i < 6; ++i) s.Add(2, {0.8 - 0.01 * i, 0.7 + 0.02 * (i % 2)});
  for (int i = 0; i < 5; ++i) s.Add(3, {0.45, 0.5 + 0.01 * i});
  s.Add(3, {0.82, 0.72});
  return s;
}

TEST(RBFNetwork, CentresMoveSpreadAndPrune) {
  Samples s = Tiny();
  zt::CRBFNN net;
  net.SetSizes(2, 3);
  ASSERT_EQ(net.CreateHidden(), RC_OK);
  ASSERT_EQ(net.InitCentres(s.Cells(), s.Count()), RC_OK);
  // The centres start at the class means (RBFNetwork.SpreadZeroAnswersOneAtTheCentreOnly
  // holds them); the competitive step moves the nearest centre whatever the class.
  const std::vector<double> before = net.Hidden()[1].centre;
  const double x[] = {0.9, 0.9};
  net.MoveNearestCentre(x, 0.25);
  for (int i = 0; i < 2; ++i) EXPECT_DOUBLE_EQ(net.Hidden()[1].centre[i], before[i] + 0.25 * (0.9 - before[i])) << i;
  double change = -1;
  net.CentreChange(&change);
  EXPECT_NEAR(change, std::pow(0.25 * (0.9 - before[0]), 2) + std::pow(0.25 * (0.9 - before[1]), 2), 1e-15);
  net.CentreChange(&change);
  EXPECT_EQ(change, 0.0);
  // Spreads: mean squared distance of the samples nearest to each unit;
  // 5 members or fewer mark the unit.
  ASSERT_EQ(net.ComputeSpreads(s.Cells(), s.Count()), RC_OK);
  std::vector<double> sum(3, 0);
  std::vector<int> count(3, 0);
  for (const auto& v : s.values) {
    std::vector<Vec> centres;
    for (const auto& unit : net.Hidden()) centres.push_back(unit.centre);
    const size_t best = Nearest(centres, v);
    sum[best] += Distance2(centres[best], v);
    ++count[best];
  }
  for (int u = 0; u < 3; ++u) EXPECT_NEAR(net.Hidden()[u].spread, count[u] > 5 ? sum[u] / count[u] : -1.0, 1e-15);
  ASSERT_EQ(net.Hidden()[2].spread, -1.0);
  const std::vector<double> kept0 = net.Hidden()[0].centre, kept1 = net.Hidden()[1].centre;
  ASSERT_EQ(net.PruneHidden(), RC_OK);
  ASSERT_EQ(net.HiddenCount(), 2);
  EXPECT_EQ(net.Hidden()[0].centre, kept0);
  EXPECT_EQ(net.Hidden()[1].centre, kept1);
  // Output weights from rand() (the delta rule that trains them is the
  // command line's to catch).
  std::srand(5);
  ASSERT_EQ(net.InitOutput(zt::ProcessRandom()), RC_OK);
  std::srand(5);
  for (auto& out : net.Outputs())
    for (double w : out.weights) EXPECT_EQ(w, (std::rand() % 100) / 100.0);
}

// The phases share one epoch counter: one centre epoch and the largest
// output count run on until the stop, never wrapping round to no epoch.
TEST(RBFNetwork, LargestEpochCountRunsUntilStopped) {
  Samples s = Tiny();
  zt::CRBFNN net;
  net.SetSizes(2, 3);
  ProgressRecorder progress;
  progress.stopAfterSteps = 5;
  EXPECT_EQ(net.Train(s.Cells(), s.Count(), 1, 0.1, -1.0, std::numeric_limits<long>::max(), 0.01, -1.0,
                      zt::ProcessRandom()),
            RC_CANCELLED);
}

TEST(RBFNetwork, SpreadZeroAnswersOneAtTheCentreOnly) {
  Samples s;
  for (int i = 0; i < 6; ++i) s.Add(1, {0.25, 0.25});
  for (int i = 0; i < 6; ++i) s.Add(2, {0.625, 0.625});
  zt::CRBFNN net;
  net.SetSizes(2, 2);
  ASSERT_EQ(net.CreateHidden(), RC_OK);
  ASSERT_EQ(net.InitCentres(s.Cells(), 12), RC_OK);
  ASSERT_EQ(net.ComputeSpreads(s.Cells(), 12), RC_OK);
  EXPECT_EQ(net.Hidden()[0].spread, 0.0);
  ASSERT_EQ(net.InitOutput(zt::ProcessRandom()), RC_OK);
  net.Outputs()[0].weights = {1.0, 0.0};
  net.Outputs()[1].weights = {0.0, 1.0};
  long c = 0;
  const double atSecond[] = {0.625, 0.625}, between[] = {0.4, 0.4};
  ASSERT_EQ(net.Classify(atSecond, &c), RC_OK);
  EXPECT_EQ(std::tuple(c, net.Outputs()[0].output, net.Outputs()[1].output), std::tuple(2L, 0.0, 1.0));
  ASSERT_EQ(net.Classify(between, &c), RC_OK);
  EXPECT_EQ(std::pair(c, net.Outputs()[1].output), std::pair(1L, 0.0));  // both outputs 0: the first wins
}

// Three samples per class: each unit has 3 members and is removed; a
// network without units would give every pixel class 1.
TEST(RBFNetwork, EveryUnitPrunedIsRefused) {
  Samples s;
  for (int i = 0; i < 3; ++i) s.Add(1, {0.1 * i, 0.1});
  for (int i = 0; i < 3; ++i) s.Add(2, {0.9, 0.1 * i});
  zt::CRBFNN net;
  net.SetSizes(2, 2);
  EXPECT_EQ(net.Train(s.Cells(), 6, 2, 0.1, -1.0, 2, 0.1, -1.0, zt::ProcessRandom()), RC_TOO_FEW_SAMPLES);
}

// LVQ2 ---------------------------------------------------------------------

// Codebook (0,0), (1,0), (0,1), labelled 0, 1, 2, class codebook 0, 1, 2.
void Corners(zt::CLVQ2NN& net) {
  ASSERT_EQ(net.Create(2, 3), RC_OK);
  const double corners[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (long j = 0; j < 3; ++j) {
    net.Vector(j)[0] = corners[j][0];
    net.Vector(j)[1] = corners[j][1];
    net.CodebookLabel()[j] = net.ClassCodebook()[j] = j;
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
  // One tuning epoch and the largest LVQ2 count run on until the stop.
  progress.stopAfterSteps = progress.steps + 5;
  EXPECT_EQ(net.Train(s.Cells(), 3, 1, 0.1, std::numeric_limits<long>::max(), 0.05), RC_CANCELLED);
}

}  // namespace
