// Pair energy and contact counts, through the public functions only: the exp-6 and
// Coulomb terms with their grouping, the J-outer I-inner summation order, the contact rule
// r <= 3.8 with the NATM3 limit on the counted side, and non-finite sums from coincident atoms.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/pair_energy.hpp"

using namespace packscan;

namespace {

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// A distance no pair term survives: its square overflows, r is infinite and both terms are
// exactly zero.  Atoms placed this far from everything else isolate the pairs under test.
constexpr float kFar = 1e30f;

struct System {
  std::unique_ptr<Cood> cood = std::make_unique<Cood>();
  Coords copy{};
  TypeTable types;
  int natom = 0;

  System() {
    // Types 1 C, 2 H, 3 O, 4 S, 5 a type with EPS = 0 but a radius.
    types.EPS = {0.2343f, 0.0837f, 0.2466f, 0.8452f, 0.0f, 0.0f, 0.0f};
    types.RV = {1.96f, 1.62f, 1.82f, 2.15f, 1.96f, 0.0f, 0.0f};
  }
  // Reference atom J (1-based) and, separately, the position of copy atom J.
  void ref(int j, int type, float x, float y, float z, float q) {
    const auto k = static_cast<std::size_t>(j - 1);
    cood->ITYPE[k] = type;
    cood->mol.X[k] = x;
    cood->mol.Y[k] = y;
    cood->mol.Z[k] = z;
    cood->Q[k] = q;
    if (j > natom) natom = j;
  }
  void cop(int j, float x, float y, float z) {
    const auto k = static_cast<std::size_t>(j - 1);
    copy.X[k] = x;
    copy.Y[k] = y;
    copy.Z[k] = z;
  }
  PairSums energy(bool counting) const { return pair_energy(*cood, copy, types, natom, counting); }
  int reference_contacts() const { return count_reference_contacts(*cood, copy, types, natom); }
};

// The expectation, with the pair energy's float operations written out: J outer, I inner, each
// term grouped as the table of pair quantities gives it.
struct Sums {
  float vdw = 0.0f, coul = 0.0f;
};
Sums written_out(const System& s, bool j_outer = true) {
  Sums sum;
  const Cood& c = *s.cood;
  for (int outer = 0; outer < s.natom; ++outer) {
    for (int inner = 0; inner < s.natom; ++inner) {
      const auto j = static_cast<std::size_t>(j_outer ? outer : inner);  // copy atom
      const auto i = static_cast<std::size_t>(j_outer ? inner : outer);  // reference atom
      const auto ti = static_cast<std::size_t>(c.ITYPE[i] - 1), tj = static_cast<std::size_t>(c.ITYPE[j] - 1);
      const float dx = c.mol.X[i] - s.copy.X[j];
      const float dy = c.mol.Y[i] - s.copy.Y[j];
      const float dz = c.mol.Z[i] - s.copy.Z[j];
      const float r = std::sqrt((dx * dx + dy * dy) + dz * dz);
      const float e = std::sqrt(s.types.EPS[ti] * s.types.EPS[tj]);
      const float rs = s.types.RV[ti] + s.types.RV[tj];
      const float p = r / rs;
      const float p2 = p * p;
      const float p6 = p2 * (p2 * p2);
      sum.vdw += e * ((std::exp(-(12.0f * p)) * 184000.0f) - (2.25f / p6));
      sum.coul += (c.Q[j] * (c.Q[i] * 1380.0f)) / r;
    }
  }
  return sum;
}

// A molecule of twelve atoms of four types with contacts at several distances.
System twelve_atoms() {
  System s;
  const float q[] = {-0.12f, 0.31f, 0.07f, -0.25f, 0.18f, -0.05f, 0.11f, -0.33f, 0.2f, 0.04f, -0.16f, 0.0f};
  for (int j = 1; j <= 12; ++j) {
    const float t = static_cast<float>(j);
    s.ref(j, 1 + j % 4, 1.37f * t - 8.1f, 0.71f * static_cast<float>(j % 5) - 1.3f, 0.13f * t, q[j - 1]);
    s.cop(j, 7.9f - 1.21f * t, 3.2f + 0.43f * static_cast<float>(j % 3), 3.55f - 0.09f * t);
  }
  return s;
}

// ---------------------------------------------------------------------------------------------

// Two carbons 3.92 apart: rs = 3.92 and p = 1 exactly.  The other two atoms stand kFar away,
// so the sums are exactly the one pair's terms.
TEST(PairEnergy, TwoCarbonsAtPEqualOne) {
  System s;
  s.ref(1, 1, 0.0f, 0.0f, 0.0f, 0.1f);   // the reference carbon
  s.ref(2, 1, 0.0f, kFar, 0.0f, -0.1f);  // its copy is the carbon 3.92 away
  s.cop(1, 0.0f, 0.0f, kFar);
  s.cop(2, 3.92f, 0.0f, 0.0f);
  s.types.NATM3 = 2;
  const PairSums got = s.energy(true);

  volatile float twelve = 12.0f;  // keeps expf out of constant folding: the run-time expf is tested
  const float evdw = 0.2343f * ((std::exp(-twelve) * 184000.0f) - 2.25f);
  const float ecoul = (-0.1f * (0.1f * 1380.0f)) / 3.92f;
  EXPECT_EQ(bits(got.vdw), bits(evdw)) << got.vdw;
  EXPECT_EQ(bits(got.coul), bits(ecoul)) << got.coul;
  EXPECT_NEAR(got.vdw, -0.26f, 0.005f);
  EXPECT_NEAR(got.coul, -3.52f, 0.005f);
  EXPECT_EQ(got.contacts, 0);  // 3.92 > 3.8
  // The same numbers from the written-out formulas, e = sqrt(EPS*EPS) included.
  EXPECT_EQ(bits(written_out(s).vdw), bits(evdw));
}

// No cut-off: a pair 30 apart still adds its Coulomb term.
TEST(PairEnergy, DistantPairContributes) {
  System s;
  s.ref(1, 1, 0.0f, 0.0f, 0.0f, 0.1f);
  s.ref(2, 1, kFar, 0.0f, 0.0f, -0.1f);
  s.cop(1, 0.0f, 0.0f, -kFar);
  s.cop(2, 0.0f, 30.0f, 0.0f);
  const PairSums got = s.energy(false);
  EXPECT_EQ(bits(got.coul), bits((-0.1f * (0.1f * 1380.0f)) / 30.0f));
  EXPECT_NEAR(got.coul, -0.46f, 1e-6f);
  EXPECT_LT(got.vdw, 0.0f);
}

// The sums in the order J outer, I inner, each term in the program's grouping.
TEST(PairEnergy, SumOrderAndGrouping) {
  const System s = twelve_atoms();
  const Sums want = written_out(s);
  const PairSums got = s.energy(false);
  EXPECT_EQ(bits(got.vdw), bits(want.vdw)) << got.vdw << " vs " << want.vdw;
  EXPECT_EQ(bits(got.coul), bits(want.coul)) << got.coul << " vs " << want.coul;
  // The data is sharp: summing I outer gives other bits, so an order change fails above.
  const Sums swapped = written_out(s, false);
  EXPECT_TRUE(bits(swapped.vdw) != bits(want.vdw) || bits(swapped.coul) != bits(want.coul));
}

// The two forms give the same sums to the bit, whatever NATM3.
TEST(PairEnergy, CountingAndNonCountingSumsAreBitIdentical) {
  System s = twelve_atoms();
  const PairSums plain = s.energy(false);
  for (int natm3 : {0, 1, 5, 12}) {
    s.types.NATM3 = natm3;
    const PairSums counted = s.energy(true);
    EXPECT_EQ(bits(counted.vdw), bits(plain.vdw)) << natm3;
    EXPECT_EQ(bits(counted.coul), bits(plain.coul)) << natm3;
  }
  EXPECT_EQ(plain.contacts, 0) << "no count without counting";
}

// A contact is r <= 3.8 (the float 3.8); a pair at exactly that distance is one.
TEST(PairEnergy, ContactAtExactly3Point8) {
  const float above = std::nextafter(3.8f, 4.0f), below = std::nextafter(3.8f, 0.0f);
  struct ContactRow {
    float x, y, z;
    int contacts;
  };
  const std::vector<ContactRow> rows = {
      {3.8f, 0.0f, 0.0f, 1},  {0.0f, -3.8f, 0.0f, 1}, {0.0f, 0.0f, 3.8f, 1}, {below, 0.0f, 0.0f, 1},
      {above, 0.0f, 0.0f, 0}, {0.0f, 0.0f, -above, 0}, {3.0f, 2.0f, 0.0f, 1}, {3.0f, 2.4f, 0.0f, 0},
  };
  for (const ContactRow& row : rows) {
    System s;
    s.ref(1, 1, 0.0f, 0.0f, 0.0f, 0.1f);
    s.cop(1, row.x, row.y, row.z);
    s.types.NATM3 = 1;
    EXPECT_EQ(s.energy(true).contacts, row.contacts) << row.x << " " << row.y << " " << row.z;
    EXPECT_EQ(s.reference_contacts(), row.contacts) << row.x << " " << row.y << " " << row.z;
  }
}

// NATM3 limits only the counted side; the partner may be any atom, and energies count in full.
TEST(PairEnergy, AtomsAboveNatm3) {
  System s;
  s.ref(1, 1, 0.0f, 0.0f, 0.0f, 0.1f);
  s.ref(2, 2, 0.0f, 20.0f, 0.0f, -0.1f);
  s.cop(1, 0.0f, 21.0f, 0.0f);  // copy atom 1 touches reference atom 2
  s.cop(2, 1.0f, 0.0f, 0.0f);   // copy atom 2 touches reference atom 1
  struct LimitRow {
    int natm3, copy_side, reference_side;
  };
  const std::vector<LimitRow> rows = {{2, 2, 2}, {1, 1, 1}, {0, 0, 0}};
  const PairSums full = s.energy(false);
  for (const LimitRow& row : rows) {
    s.types.NATM3 = row.natm3;
    const PairSums got = s.energy(true);
    // With NATM3 = 1: copy atom 2 is in contact but above NATM3, so only copy atom 1 counts;
    // reference atom 1 counts through copy atom 2, whose index is above NATM3.
    EXPECT_EQ(got.contacts, row.copy_side) << row.natm3;
    EXPECT_EQ(s.reference_contacts(), row.reference_side) << row.natm3;
    EXPECT_EQ(bits(got.vdw), bits(full.vdw));
    EXPECT_EQ(bits(got.coul), bits(full.coul));
  }
  // One-sided: only copy atom 2 in contact (with reference atom 1), NATM3 = 1.
  s.cop(1, 0.0f, 50.0f, 0.0f);
  s.types.NATM3 = 1;
  EXPECT_EQ(s.energy(true).contacts, 0);
  EXPECT_EQ(s.reference_contacts(), 1);
}

// An atom within 3.8 of three atoms of the other molecule counts once.
TEST(PairEnergy, ThreePartnersCountOnce) {
  System s;
  s.ref(1, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  s.ref(2, 1, 1.0f, 0.0f, 0.0f, 0.0f);
  s.ref(3, 1, 2.0f, 0.0f, 0.0f, 0.0f);
  s.types.NATM3 = 3;
  // Copy atom 1 touches all three reference atoms; copy atoms 2 and 3 touch nothing.
  s.cop(1, 1.0f, 1.0f, 0.0f);
  s.cop(2, 100.0f, 0.0f, 0.0f);
  s.cop(3, 0.0f, 100.0f, 0.0f);
  EXPECT_EQ(s.energy(true).contacts, 1);
  EXPECT_EQ(s.reference_contacts(), 3);
  // And the other way round: reference atom 1 touches all three copy atoms.
  s.ref(2, 1, 50.0f, 0.0f, 0.0f, 0.0f);
  s.ref(3, 1, 0.0f, 50.0f, 0.0f, 0.0f);
  s.cop(1, 0.0f, 0.0f, 1.0f);
  s.cop(2, 1.0f, 0.0f, 1.0f);
  s.cop(3, 2.0f, 0.0f, 1.0f);
  EXPECT_EQ(s.energy(true).contacts, 3);
  EXPECT_EQ(s.reference_contacts(), 1);
}

TEST(PairEnergy, Natm3ZeroCountsNothing) {
  System s = twelve_atoms();
  s.types.NATM3 = 12;
  const PairSums all = s.energy(true);
  ASSERT_GT(all.contacts, 0);
  ASSERT_GT(s.reference_contacts(), 0);
  s.types.NATM3 = 0;
  const PairSums none = s.energy(true);
  EXPECT_EQ(none.contacts, 0);
  EXPECT_EQ(s.reference_contacts(), 0);
  EXPECT_EQ(bits(none.vdw), bits(all.vdw));
  EXPECT_EQ(bits(none.coul), bits(all.coul));
}

TEST(PairEnergy, NoAtoms) {
  System s;
  const PairSums got = s.energy(true);
  EXPECT_EQ(bits(got.vdw), bits(0.0f));
  EXPECT_EQ(bits(got.coul), bits(0.0f));
  EXPECT_EQ(got.contacts, 0);
  EXPECT_EQ(s.reference_contacts(), 0);
}

// A copy atom on a reference atom: r = 0 and p = 0, evdw = -Inf (NaN when the well depth is
// zero), ecoul = +-Inf by the charges' sign (NaN for a zero charge); no trap, and a contact.
TEST(PairEnergy, CoincidentAtomsGiveNonFiniteSums) {
  enum Kind { NegInf, PosInf, NaN };
  auto kind_of = [](float v) { return std::isnan(v) ? NaN : v > 0 ? PosInf : NegInf; };
  struct CoincidentRow {
    const char* what;
    int type;
    float q_ref, q_copy;
    Kind vdw, coul;
  };
  const std::vector<CoincidentRow> rows = {
      {"like charges", 1, 0.1f, 0.1f, NegInf, PosInf},
      {"opposite charges", 1, 0.1f, -0.1f, NegInf, NegInf},
      {"zero charge", 2, 0.0f, 0.3f, NegInf, NaN},
      {"zero well depth", 5, 0.2f, 0.2f, NaN, PosInf},
  };
  for (const CoincidentRow& row : rows) {
    System s;
    // Reference atom 1 and copy atom 2 coincide; the other two atoms stand far off, and a
    // finite pair (reference 3, copy 3) comes after the coincident one in the sum.
    s.ref(1, row.type, 0.5f, 0.25f, -1.0f, row.q_ref);
    s.ref(2, row.type, kFar, 0.0f, 0.0f, row.q_copy);
    s.ref(3, 1, 3.0f, 3.0f, 3.0f, 0.1f);
    s.cop(1, 0.0f, 0.0f, kFar);
    s.cop(2, 0.5f, 0.25f, -1.0f);
    s.cop(3, 3.0f, 3.0f, 8.0f);
    s.types.NATM3 = 3;
    const PairSums got = s.energy(true);
    EXPECT_EQ(kind_of(got.vdw), row.vdw) << row.what << ": " << got.vdw;
    EXPECT_EQ(kind_of(got.coul), row.coul) << row.what << ": " << got.coul;
    EXPECT_GE(got.contacts, 1) << row.what;
    EXPECT_GE(s.reference_contacts(), 1) << row.what;
    const PairSums plain = s.energy(false);
    EXPECT_EQ(bits(plain.vdw), bits(got.vdw)) << row.what;
    EXPECT_EQ(bits(plain.coul), bits(got.coul)) << row.what;
  }
}

}  // namespace
