// The local pattern search driven by illustrative energies of the step counts i, j and k by
// which A, B and XOFF stand away from their entry values: every trial's point and flags, the
// end point, EMIN, and the bound on the number of trials.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "search/pattern_search.hpp"

namespace {

using packscan::pattern_search;
using packscan::SearchFlags;
using packscan::SearchOutcome;
using packscan::SearchPoint;
using packscan::STEPAB;
using packscan::STEPX;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Entry values; XOFF = 1.0 is the value whose take-back does not return to itself.
constexpr float kA0 = 3.5f;
constexpr float kB0 = 7.25f;
constexpr float kX0 = 1.0f;

struct Steps {
  int i, j, k;
  bool operator==(const Steps&) const = default;
};

struct Trial {
  SearchPoint at;
  Steps steps;
  SearchFlags flags;
  float etot;
};

using Energy = std::function<float(Steps)>;

Steps steps_of(const SearchPoint& p) {
  return {static_cast<int>(std::lround((p.A - kA0) / STEPAB)),
          static_cast<int>(std::lround((p.B - kB0) / STEPAB)),
          static_cast<int>(std::lround((p.XOFF - kX0) / STEPX))};
}

struct Recorded {
  SearchPoint end;
  SearchOutcome outcome;
  std::vector<Trial> trials;
};

Recorded run(float emin, const Energy& energy, long max_trials = packscan::kMaxTrials) {
  Recorded r;
  r.end = SearchPoint{kA0, kB0, kX0, emin};
  r.outcome = pattern_search(
      r.end,
      [&](const SearchPoint& at, const SearchFlags& fl) {
        const Steps s = steps_of(at);
        const float e = energy(s);
        r.trials.push_back({at, s, fl, e});
        return e;
      },
      max_trials);
  return r;
}

float sq(int n) { return static_cast<float>(n * n); }

struct Row {
  Steps steps;
  SearchFlags flags;  // as shown on the trial's line, before its outcome
};

struct Case {
  std::string name;
  float emin;
  Energy energy;
  std::vector<Row> rows;
  Steps end;
  float end_emin;
};

void expect_same_energy(float want, float got) {
  if (std::isnan(want))
    EXPECT_TRUE(std::isnan(got)) << got;
  else
    EXPECT_EQ(want, got);
}

TEST(PatternSearch, TrialSequencesEndPointsAndEmin) {
  const std::vector<Case> cases = {
      {"worked example 1",
       5.0f,
       [](Steps s) { return sq(s.i - 2) + sq(s.j + 1) + sq(s.k); },
       {{{1, 0, 0}, {0, 0, 0}},
        {{1, 1, 0}, {1, 0, 0}},
        {{1, -1, 0}, {1, 0, 0}},
        {{1, -1, 1}, {1, -1, 0}},
        {{1, -1, -1}, {1, -1, 0}},
        {{2, -1, 0}, {1, -1, 2}},
        {{2, -2, 0}, {1, -1, 2}},
        {{3, -1, 0}, {1, 2, 2}}},
       {2, -1, 0},
       0.0f},
      // Ends right after an improving +a: the dispatch after a looks only at b and x.
      {"worked example 2",
       25.0f,
       [](Steps s) { return sq(s.i - 5) + sq(s.j) + sq(s.k); },
       {{{1, 0, 0}, {0, 0, 0}},
        {{1, 1, 0}, {1, 0, 0}},
        {{1, -1, 0}, {1, 0, 0}},
        {{1, 0, 1}, {1, 2, 0}},
        {{1, 0, -1}, {1, 2, 0}},
        {{2, 0, 0}, {1, 2, 2}}},
       {2, 0, 0},
       9.0f},
      {"shortest search: a and b fail both ways, +x improves",
       1.0f,
       [](Steps s) { return sq(s.i) + sq(s.j) + sq(s.k - 1); },
       {{{1, 0, 0}, {0, 0, 0}},
        {{-1, 0, 0}, {0, 0, 0}},
        {{0, 1, 0}, {2, 0, 0}},
        {{0, -1, 0}, {2, 0, 0}},
        {{0, 0, 1}, {2, 2, 0}}},
       {0, 0, 1},
       0.0f},
      // Minus infinity improves once; nothing is below it afterwards, so every variable is
      // finished in turn, a (flag 1) without a downward try.
      {"minus infinity becomes EMIN",
       2.5f,
       [](Steps) { return -kInf; },
       {{{1, 0, 0}, {0, 0, 0}},
        {{1, 1, 0}, {1, 0, 0}},
        {{1, -1, 0}, {1, 0, 0}},
        {{1, 0, 1}, {1, 2, 0}},
        {{1, 0, -1}, {1, 2, 0}},
        {{2, 0, 0}, {1, 2, 2}}},
       {1, 0, 0},
       -kInf},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Recorded r = run(c.emin, c.energy);
    ASSERT_EQ(r.trials.size(), c.rows.size());
    for (std::size_t t = 0; t < c.rows.size(); ++t) {
      SCOPED_TRACE("trial " + std::to_string(t + 1));
      EXPECT_EQ(r.trials[t].steps, c.rows[t].steps);
      EXPECT_EQ(r.trials[t].flags, c.rows[t].flags);
    }
    EXPECT_EQ(steps_of(r.end), c.end);
    expect_same_energy(c.end_emin, r.end.EMIN);
    EXPECT_TRUE(r.outcome.settled);
    EXPECT_EQ(r.outcome.trials, static_cast<long>(c.rows.size()));
  }
}

// Six trials, none improving: +a, -a, +b, -b, +x, -x.  Every value is restored by the opposite
// step, never from a saved copy, so XOFF = 1.0 goes 1.04 -> just below 1.0 -> 0.96.. -> just
// below 1.0, and its downward try is (1.04 - 0.04) - 0.04 rounded step by step.
TEST(PatternSearch, NoImprovementTakesEveryVariableBackByArithmetic) {
  struct NoGain {
    const char* name;
    float emin;
    float trial_energy;
  };
  const NoGain cases[] = {
      {"equal energy", 2.5f, 2.5f},
      {"NaN energy", 2.5f, kNaN},
      {"higher energy", 2.5f, 7.0f},
      {"infinite energy", 2.5f, kInf},
      {"NaN start energy", kNaN, -1.0e30f},
  };
  volatile float a = kA0, b = kB0, x = kX0, sab = STEPAB, sx = STEPX;
  const float x_up = x + sx;
  const float x_down_try = (x_up - sx) - sx;
  const float x_end = x_down_try + sx;
  ASSERT_EQ(x_end, std::nextafter(1.0f, 0.0f));
  ASSERT_NE(x_down_try, 1.0f - 0.04f);  // what restoring a saved 1.0 would try instead
  const float a_end = (((a + sab) - sab) - sab) + sab;
  const float b_end = (((b + sab) - sab) - sab) + sab;
  const SearchFlags shown[6] = {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 2, 0}, {2, 2, 0}};
  const Steps moved[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

  for (const NoGain& c : cases) {
    SCOPED_TRACE(c.name);
    const Recorded r = run(c.emin, [&](Steps) { return c.trial_energy; });
    ASSERT_EQ(r.trials.size(), 6u);
    for (int t = 0; t < 6; ++t) {
      EXPECT_EQ(r.trials[t].flags, shown[t]) << "trial " << t + 1;
      EXPECT_EQ(r.trials[t].steps, moved[t]) << "trial " << t + 1;
    }
    EXPECT_EQ(r.trials[4].at.XOFF, x_up);
    EXPECT_EQ(r.trials[5].at.XOFF, x_down_try);
    EXPECT_EQ(r.end.XOFF, x_end);
    EXPECT_EQ(r.end.A, a_end);
    EXPECT_EQ(r.end.B, b_end);
    expect_same_energy(c.emin, r.end.EMIN);
  }
}

TEST(PatternSearch, TrialLimit) {
  // Worked example 1 needs eight trials.
  const Energy example1 = [](Steps s) { return sq(s.i - 2) + sq(s.j + 1) + sq(s.k); };
  struct Limit {
    long max_trials;
    long trials;
    bool settled;
  };
  const Limit limits[] = {{7, 7, false}, {8, 8, true}, {9, 8, true}, {1, 1, false}};
  for (const Limit& l : limits) {
    SCOPED_TRACE("limit " + std::to_string(l.max_trials));
    const Recorded r = run(5.0f, example1, l.max_trials);
    EXPECT_EQ(r.outcome.settled, l.settled);
    EXPECT_EQ(r.outcome.trials, l.trials);
    EXPECT_EQ(static_cast<long>(r.trials.size()), l.trials);
  }

  // An energy that falls without end: a keeps improving upward, b and x never finish.
  int calls = 0;
  const Recorded endless = run(0.0f, [&](Steps) { return -static_cast<float>(++calls); }, 500);
  EXPECT_FALSE(endless.outcome.settled);
  EXPECT_EQ(endless.outcome.trials, 500);
  EXPECT_EQ(calls, 500);
}

}  // namespace
