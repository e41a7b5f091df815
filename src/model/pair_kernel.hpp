// The fast pair kernel: the same pair energy and contact counts as pair_energy and
// count_reference_contacts, bit for bit (sums, counts and the floating-point flags a pass
// raises), from tables prepared once per molecule and four reference atoms at a time.
#pragma once

#include <array>

#include "model/pair_energy.hpp"
#include "run/cood.hpp"

namespace packscan {

// Which pair loops a run uses.  The reference kernel is the plain per-pair loop of
// pair_energy; it stays so that tests and benchmarks can hold the fast one against it.
enum class Kernel { reference, fast };

// Beyond this p = r / rs the exponential term 184000 exp(-12 p) lies below a quarter ulp of
// 2.25 / p^6, so e ((exp(-12 p) 184000) - 2.25 / p^6) == e (0 - 2.25 / p^6) bit for bit.
// The ratio of the two terms is 81778 p^6 exp(-12 p), falling for p > 0.5; at p = 3.125 it
// is 3.9e-9, while a quarter ulp is at least 2^-26 = 1.49e-8 of the value: a factor 3.8 to
// spare against the few ulps of rounding in expf, the products and the division.  (0 - v
// rather than -v: when 2.25 / p^6 is +0 the difference is +0, not -0.)
inline constexpr float kExpNegligibleFrom = 3.125f;
// Where expf(-(12 p)) turns subnormal (it raises underflow, and its product with 184000
// denormal operand) and where it becomes 0 (underflow alone).  The exponential is skipped for
// p from kExpNegligibleFrom up to kExpSkippedBelow; a pass that skipped pairs in one of these
// two windows raises that window's flags once, so the run's flags stay those of the
// reference loop.  Below kExpSkippedBelow, 2.25 / p^6 is still a normal number.
inline constexpr float kExpSubnormalFrom = 7.27804565f;  // 0x40e8e5c0
inline constexpr float kExpZeroFrom = 8.66434097f;       // 0x410aa124
inline constexpr float kExpSkippedBelow = 64.0f;

// The molecule as the pair loops see it, prepared once: per reference atom its charge times
// 1380.0, and for every copy-atom type the well depth and radius sum against each reference
// atom.  Arrays are padded to a multiple of four with the values of atom 1, so a padded lane
// repeats a real pair (and its flags) and never adds to a sum.
struct PairTables {
  int natom = -1;  // -1: not built
  int NATM3 = 0;
  int lanes = 0;  // natom rounded up to a multiple of 4
  alignas(16) AtomReals X{}, Y{}, Z{};
  alignas(16) AtomReals QC{};                       // Q(I) * 1380.0
  alignas(16) std::array<AtomReals, kMaxTypes> E{};   // [type of J - 1][I]
  alignas(16) std::array<AtomReals, kMaxTypes> RS{};  // [type of J - 1][I]
  // What the tables were built from, to tell whether they still hold.
  AtomReals Q{};
  std::array<int, kMaxAtoms> ITYPE{};
  std::array<float, kMaxTypes> EPS{}, RV{};
};

void build_pair_tables(const Cood& cood, const TypeTable& types, int natom, PairTables& t);

// True when the tables were built from exactly these molecule coordinates, charges, types
// and type parameters (compared bit for bit).
bool pair_tables_hold(const PairTables& t, const Cood& cood, const TypeTable& types, int natom);

struct FirstNeighbourSums {
  PairSums sums;               // as pair_energy with counting
  int reference_contacts = 0;  // as count_reference_contacts
};

// One pass for a copy that needs both counts (the first neighbour).
FirstNeighbourSums pair_energy_both_counts(const PairTables& t, const Coords& copy);

// pair_energy of the molecule the tables hold with `copy`.
PairSums pair_energy(const PairTables& t, const Coords& copy, bool counting);

}  // namespace packscan
