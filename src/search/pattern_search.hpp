// The local pattern search at one angle: A, B and XOFF take turns in the cycle a -> b -> x,
// each moved by a fixed step; a step that lowers the energy stands, one that does not is
// taken back at once by the opposite step (never by restoring a saved value).
#pragma once

#include <array>

#include "run/cood.hpp"

namespace packscan {

// The searched variables and the lowest energy seen, as the search leaves them.
struct SearchPoint {
  float A = 0.0f;
  float B = 0.0f;
  float XOFF = 0.0f;
  float EMIN = 0.0f;
};

// Flags of a, b and x: 0 untried, 1 improving upward, -1 improving downward, 2 finished.
using SearchFlags = std::array<int, 3>;

// Neutral molecules settle within a few hundred trials; a molecule whose charges do not sum to
// zero drives its neighbours apart without end, so a search stops after this many.
inline constexpr long kMaxTrials = 100000;

struct SearchOutcome {
  long trials = 0;
  bool settled = true;  // false: the search called for a trial beyond the limit
};

namespace search_detail {

// The variable that the dispatch after `moved` hands the turn to, and its direction; -1 when
// both other variables are finished.
inline int dispatch_after(int moved, const SearchFlags& fl, int& dir) {
  for (int k = 1; k <= 2; ++k) {
    const int o = (moved + k) % 3;
    if (fl[o] == 0 || fl[o] == 1) {
      dir = 1;
      return o;
    }
    if (fl[o] == -1) {
      dir = -1;
      return o;
    }
  }
  return -1;
}

}  // namespace search_detail

// `trial(point, flags)` evaluates the configuration at point.A, point.B, point.XOFF, reports
// the trial with the flags as they stand before its outcome, and returns its energy.
template <class Trial>
SearchOutcome pattern_search(SearchPoint& p, Trial&& trial, long max_trials = kMaxTrials) {
  SearchFlags fl{0, 0, 0};
  float* const var[3] = {&p.A, &p.B, &p.XOFF};
  const float step[3] = {STEPAB, STEPAB, STEPX};
  SearchOutcome out;
  int k = 0;    // the variable to move
  int dir = 1;  // +1 up, -1 down
  for (;;) {
    if (out.trials == max_trials) {
      out.settled = false;
      return out;
    }
    float& v = *var[k];
    v = dir > 0 ? v + step[k] : v - step[k];
    const float etot = trial(static_cast<const SearchPoint&>(p), static_cast<const SearchFlags&>(fl));
    ++out.trials;
    // A NaN energy is no improvement; neither is an equal one.
    if (etot < p.EMIN) {
      p.EMIN = etot;
      fl[k] = dir;
    } else if (dir > 0 && fl[k] == 0) {
      v = v - step[k];  // take back, then try downward at once
      dir = -1;
      continue;
    } else if (dir > 0) {
      v = v - step[k];
      fl[k] = 2;
    } else {
      v = v + step[k];
      fl[k] = 2;
    }
    k = search_detail::dispatch_after(k, fl, dir);
    if (k < 0) return out;
  }
}

}  // namespace packscan
