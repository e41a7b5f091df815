// Packing geometry: the neighbour placements, the angle model and the reference geometry.
// Expected values are computed here with the program's float operations written out in their
// grouping, unless a comment says otherwise.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/angle_model.hpp"
#include "geometry/placement.hpp"
#include "geometry/reference_geometry.hpp"
#include "model/pair_energy.hpp"

using namespace packscan;

namespace {

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// Five atoms off every axis, so that each term of each formula matters.
Coords molecule() {
  Coords m;
  const float x[] = {1.25f, -2.5f, 0.375f, 3.1f, -0.7f};
  const float y[] = {0.5f, 1.75f, -2.2f, -0.3f, 2.9f};
  const float z[] = {-0.25f, 0.6f, 1.1f, -1.4f, 0.05f};
  for (std::size_t j = 0; j < 5; ++j) {
    m.X[j] = x[j];
    m.Y[j] = y[j];
    m.Z[j] = z[j];
  }
  return m;
}
constexpr int kNatom = 5;

struct Half {
  float C2, S2;
};
Half half(float Theta) { return {std::cos((0.5f * Theta) * DEG), std::sin((0.5f * Theta) * DEG)}; }

// The rotated copy written out.
Coords rotated_written_out(const Coords& m, float C2, float S2, float RY, float RZ, float xshift, bool variant1,
                           bool factors_from_theta = false, float Theta = 0.0f) {
  float CS = (C2 * C2) - (S2 * S2);
  float SC = (S2 + S2) * C2;
  float SG = ((SGN + SGN) * S2) * C2;
  if (factors_from_theta) {  // the tempting slip: cosine and sine of Theta itself
    CS = std::cos(Theta * DEG);
    SC = std::sin(Theta * DEG);
    SG = -SC;
  }
  Coords t;
  for (std::size_t j = 0; j < kNatom; ++j) {
    if (variant1) {
      t.Z[j] = RZ + ((CS * m.Z[j]) + (m.Y[j] * SG));
      t.Y[j] = RY + ((SC * m.Z[j]) + (m.Y[j] * CS));
    } else {
      t.Z[j] = RZ + ((CS * m.Z[j]) - (m.Y[j] * SG));
      t.Y[j] = RY + ((m.Z[j] * SC) - (CS * m.Y[j]));
    }
    t.X[j] = xshift - m.X[j];
  }
  return t;
}

void expect_same_bits(const Coords& got, const Coords& want, int n, const std::string& what) {
  for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
    EXPECT_EQ(bits(got.X[j]), bits(want.X[j])) << what << " X" << j + 1;
    EXPECT_EQ(bits(got.Y[j]), bits(want.Y[j])) << what << " Y" << j + 1;
    EXPECT_EQ(bits(got.Z[j]), bits(want.Z[j])) << what << " Z" << j + 1;
  }
}

bool any_difference(const Coords& a, const Coords& b, int n) {
  for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j)
    if (bits(a.X[j]) != bits(b.X[j]) || bits(a.Y[j]) != bits(b.Y[j]) || bits(a.Z[j]) != bits(b.Z[j])) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Placement

// CELL(1) > CELL(2) strictly selects variant 1; equality selects variant 2.
TEST(Placement, VariantSelection) {
  struct CellRow {
    float a, b;
    bool variant1;
  };
  const std::vector<CellRow> rows = {{10.0f, 6.0f, true}, {6.0f, 10.0f, false}, {8.0f, 8.0f, false},
                                     {std::nextafter(8.0f, 9.0f), 8.0f, true}, {0.0f, -0.0f, false}};
  for (const CellRow& r : rows) {
    Cood c;
    c.CELL = {r.a, r.b, 5.0f, 90.0f, 90.0f, 90.0f};
    EXPECT_EQ(rotated_variant1(c), r.variant1) << r.a << " " << r.b;
  }
}

// Theta = 0 (C2 = 1, S2 = 0 exactly): variant 1 is (xs - x, RY + y, RZ + z), variant 2 is
// (xs - x, RY - y, RZ + z), exactly.
TEST(Placement, ThetaZeroBothVariants) {
  const Coords m = molecule();
  const Half h = half(0.0f);
  ASSERT_EQ(h.C2, 1.0f);
  ASSERT_EQ(h.S2, 0.0f);
  const float RY = -3.5f, RZ = 4.25f, xs = 1.5f;
  for (bool v1 : {true, false}) {
    Coords t;
    place_rotated(m, kNatom, h.C2, h.S2, RY, RZ, xs, v1, t);
    for (std::size_t j = 0; j < kNatom; ++j) {
      EXPECT_EQ(t.X[j], xs - m.X[j]);
      EXPECT_EQ(t.Y[j], v1 ? RY + m.Y[j] : RY - m.Y[j]) << "variant " << (v1 ? 1 : 2);
      EXPECT_EQ(t.Z[j], RZ + m.Z[j]) << "variant " << (v1 ? 1 : 2);
    }
  }
}

// Theta = 180: the computed C2 is a tiny negative number, so SC and SG are not exactly zero;
// the copy is (xs - x, RY - y, RZ - z) in variant 1 and (xs - x, RY + y, RZ - z) in variant 2
// up to that residue, and exactly what the written-out factors give.
TEST(Placement, ThetaStraightBothVariants) {
  const Coords m = molecule();
  const Half h = half(180.0f);
  EXPECT_LT(h.C2, 0.0f);
  EXPECT_GT(h.C2, -1e-7f);
  EXPECT_NE((h.S2 + h.S2) * h.C2, 0.0f);
  const float RY = 8.5f, RZ = 2.2f, xs = -0.8f;
  for (bool v1 : {true, false}) {
    Coords t;
    place_rotated(m, kNatom, h.C2, h.S2, RY, RZ, xs, v1, t);
    expect_same_bits(t, rotated_written_out(m, h.C2, h.S2, RY, RZ, xs, v1), kNatom, v1 ? "variant 1" : "variant 2");
    for (std::size_t j = 0; j < kNatom; ++j) {
      EXPECT_EQ(t.X[j], xs - m.X[j]);
      EXPECT_NEAR(t.Y[j], v1 ? RY - m.Y[j] : RY + m.Y[j], 1e-5f);
      EXPECT_NEAR(t.Z[j], RZ - m.Z[j], 1e-5f);
    }
  }
}

// Any angle, negative ones included: the factors from C2 and S2 as written, the inner terms
// first and RY, RZ added last.  The data tells the factors from cos and sin of Theta itself.
TEST(Placement, GroupingAtOtherAngles) {
  const Coords m = molecule();
  bool sharp = false;
  for (float Theta : {37.0f, 90.0f, 123.0f, -4.0f, 179.0f}) {
    const Half h = half(Theta);
    for (bool v1 : {true, false}) {
      Coords t;
      place_rotated(m, kNatom, h.C2, h.S2, 1.3f, -4.7f, 0.9f, v1, t);
      expect_same_bits(t, rotated_written_out(m, h.C2, h.S2, 1.3f, -4.7f, 0.9f, v1),
                       kNatom, "Theta " + std::to_string(Theta));
      sharp = sharp || any_difference(t, rotated_written_out(m, h.C2, h.S2, 1.3f, -4.7f, 0.9f, v1, true, Theta), kNatom);
    }
  }
  EXPECT_TRUE(sharp) << "the data does not tell the factors of C2, S2 from those of Theta";
}

// Only elements 1..NATOM of the target change; NATOM = 0 writes nothing.
TEST(Placement, OnlyTheAtomsOfTheMoleculeChange) {
  const Coords m = molecule();
  const Half h = half(60.0f);
  for (int natom : {0, 3, kNatom}) {
    Coords rot, tr;
    for (Coords* c : {&rot, &tr}) {
      c->X.fill(777.0f);
      c->Y.fill(-777.0f);
      c->Z.fill(555.0f);
    }
    place_rotated(m, natom, h.C2, h.S2, 1.0f, 2.0f, 3.0f, true, rot);
    place_translated(m, natom, 0.5f, -0.25f, 4.0f, tr);
    for (std::size_t j = 0; j < static_cast<std::size_t>(kMaxAtoms); ++j) {
      const bool placed = j < static_cast<std::size_t>(natom);
      EXPECT_EQ(rot.X[j] == 777.0f, !placed) << natom << " " << j;
      EXPECT_EQ(rot.Y[j] == -777.0f, !placed) << natom << " " << j;
      EXPECT_EQ(rot.Z[j] == 555.0f, !placed) << natom << " " << j;
      EXPECT_EQ(tr.X[j] == 777.0f, !placed) << natom << " " << j;
      EXPECT_EQ(tr.Y[j] == -777.0f, !placed) << natom << " " << j;
      EXPECT_EQ(tr.Z[j] == 555.0f, !placed) << natom << " " << j;
      if (placed) {
        EXPECT_EQ(tr.X[j], 0.5f + m.X[j]);
        EXPECT_EQ(tr.Y[j], -0.25f + m.Y[j]);
        EXPECT_EQ(tr.Z[j], 4.0f + m.Z[j]);
      }
    }
  }
  Coords same;
  place_translated(m, kNatom, 0.0f, 0.0f, 0.0f, same);
  expect_same_bits(same, m, kNatom, "zero translation");
}

// ---------------------------------------------------------------------------------------------
// Angle model

enum Regime { R1 = 1, R2 = 2, R3 = 3 };

// The angle model's three formula sets written out.
Spacings spacings_written_out(Regime g, float Theta, float WID, float THK) {
  Spacings s;
  s.C2 = std::cos((0.5f * Theta) * DEG);
  s.S2 = std::sin((0.5f * Theta) * DEG);
  switch (g) {
    case R1:
      s.A = 0.5f * (((WID + WID) + (THK + THK)) - (std::cos(Theta * DEG) * ((WID + WID) - (THK + THK))));
      s.B = 0.5f * ((std::cos(Theta * DEG) * (WID - THK)) + (WID + THK));
      break;
    case R2:
      s.A = s.S2 * (WID + WID);
      s.B = THK / s.S2;
      break;
    case R3:
      s.A = (WID * 1.4142f) - (((WID * 1.4142f) - (THK + THK)) * std::cos(Theta * DEG));
      s.B = 0.5f * ((std::cos((Theta + Theta) * DEG) * (WID - (THK * 1.4142f))) + ((1.4142f * THK) + WID));
      break;
  }
  return s;
}

// Regime 1 when WID < 8 (strictly); else regime 2 when Theta > 90 (strictly); else regime 3.
TEST(AngleModel, RegimeBoundaries) {
  const float THK = 4.45f;
  struct RegimeRow {
    float Theta, WID;
    Regime regime;
  };
  const std::vector<RegimeRow> rows = {
      {45.0f, std::nextafter(8.0f, 0.0f), R1}, {45.0f, 8.0f, R3}, {90.0f, 8.0f, R3},
      {std::nextafter(90.0f, 91.0f), 8.0f, R2}, {91.0f, 8.0f, R2}, {180.0f, 8.0f, R2},
      {90.0f, 7.5f, R1}, {135.0f, 7.5f, R1}, {180.0f, 7.0f, R1}, {0.0f, 7.0f, R1},
      {0.0f, 12.0f, R3}, {-4.0f, 7.0f, R1}, {-4.0f, 12.0f, R3}, {135.0f, 12.0f, R2},
  };
  for (const RegimeRow& r : rows) {
    const Spacings got = angle_spacings(r.Theta, r.WID, THK);
    const Spacings want = spacings_written_out(r.regime, r.Theta, r.WID, THK);
    const std::string what = "Theta " + std::to_string(r.Theta) + " WID " + std::to_string(r.WID);
    EXPECT_EQ(bits(got.C2), bits(want.C2)) << what;
    EXPECT_EQ(bits(got.S2), bits(want.S2)) << what;
    EXPECT_EQ(bits(got.A), bits(want.A)) << what << ": A " << got.A << " vs " << want.A;
    EXPECT_EQ(bits(got.B), bits(want.B)) << what << ": B " << got.B << " vs " << want.B;
  }
  // The boundary rows are sharp: the neighbouring regime gives another A there.
  EXPECT_NE(bits(spacings_written_out(R1, 45.0f, 8.0f, THK).A), bits(spacings_written_out(R3, 45.0f, 8.0f, THK).A));
  EXPECT_NE(bits(spacings_written_out(R2, 90.0f, 8.0f, THK).A), bits(spacings_written_out(R3, 90.0f, 8.0f, THK).A));
}

// The model's values at 0, 90 and 180 degrees, up to rounding.
TEST(AngleModel, ValuesAtZeroNinetyAndStraight) {
  const float THK = 4.45f;
  for (float WID : {6.5f, 11.0f}) {  // regimes 1 and 3 at 0
    const Spacings s = angle_spacings(0.0f, WID, THK);
    EXPECT_NEAR(s.A, 2.0f * THK, 1e-5f) << WID;
    EXPECT_NEAR(s.B, WID, 1e-5f) << WID;
    const NeighbourVectors v = neighbour_vectors(s.A, s.B, s.C2, s.S2);
    EXPECT_NEAR(v.RY, -WID / 2.0f, 1e-5f);
    EXPECT_NEAR(v.RZ, THK, 1e-5f);
    EXPECT_EQ(v.Fy, -s.B);  // C2 = 1 exactly
    EXPECT_EQ(v.Fz, 0.0f);
  }
  for (float WID : {6.5f, 11.0f}) {  // regimes 1 and 2 at 180
    const Spacings s = angle_spacings(180.0f, WID, THK);
    EXPECT_NEAR(s.A, 2.0f * WID, 1e-5f) << WID;
    EXPECT_NEAR(s.B, THK, 1e-5f) << WID;
    EXPECT_LT(s.C2, 0.0f);
    const NeighbourVectors v = neighbour_vectors(s.A, s.B, s.C2, s.S2);
    EXPECT_GT(v.Fy, 0.0f) << "a tiny positive number";
    EXPECT_LT(v.Fy, 1e-6f);
    EXPECT_NEAR(v.RY, WID, 1e-5f);
    EXPECT_NEAR(v.RZ, THK / 2.0f, 1e-5f);
  }
  {  // regime 3 at 90: up to the residue of the computed cosine of 90 degrees
    const Spacings s = angle_spacings(90.0f, 11.0f, THK);
    EXPECT_NEAR(s.A, 11.0f * 1.4142f, 1e-5f);
    EXPECT_NEAR(s.B, 1.4142f * THK, 1e-5f);
  }
  {  // regime 1 at 90
    const Spacings s = angle_spacings(90.0f, 6.5f, THK);
    EXPECT_NEAR(s.A, 6.5f + THK, 1e-5f);
    EXPECT_NEAR(s.B, (6.5f + THK) / 2.0f, 1e-5f);
  }
  for (float Theta : {95.0f, 120.0f, 150.0f, 180.0f}) {  // regime 2: Fz = THK at every angle
    const Spacings s = angle_spacings(Theta, 11.0f, THK);
    EXPECT_NEAR(neighbour_vectors(s.A, s.B, s.C2, s.S2).Fz, THK, 1e-5f) << Theta;
  }
}

// neighbour_vectors written out; Fx is +0.0; a negative Theta gives a negative S2 and Fz.
TEST(AngleModel, NeighbourVectors) {
  for (float Theta : {0.0f, 35.0f, 90.0f, 145.0f, 180.0f, -4.0f, -1.0f}) {
    const Spacings s = angle_spacings(Theta, 9.3f, 4.45f);
    const float A = s.A + 0.02f, B = s.B - 0.04f;  // as the pattern search may leave them
    const NeighbourVectors v = neighbour_vectors(A, B, s.C2, s.S2);
    EXPECT_EQ(bits(v.RY), bits((s.S2 * (A * 0.5f)) - (s.C2 * (B * 0.5f)))) << Theta;
    EXPECT_EQ(bits(v.RZ), bits((s.C2 * (A * 0.5f)) + ((B * 0.5f) * s.S2))) << Theta;
    EXPECT_EQ(bits(v.Fx), bits(0.0f)) << Theta;
    EXPECT_EQ(bits(v.Fy), bits(-(s.C2 * B))) << Theta;
    EXPECT_EQ(bits(v.Fz), bits(s.S2 * B)) << Theta;
    if (Theta < 0.0f) {
      EXPECT_LT(s.S2, 0.0f);
      EXPECT_LT(v.Fz, 0.0f);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Reference geometry

struct RefRun {
  std::vector<std::string> lines;  // the report records written
  Evaluation ev;
};

struct RefInput {
  float RX, RY, RZ, Theta;
  std::array<float, 3> cell{10.0f, 6.0f, 8.0f};
};

struct RefSetup {
  std::unique_ptr<Cood> cood = std::make_unique<Cood>();
  MoleculeInfo mol;
  TypeTable types;
  RefSetup(const RefInput& in) {
    cood->CELL = {in.cell[0], in.cell[1], in.cell[2], 90.0f, 90.0f, 90.0f};
    const Coords m = molecule();
    cood->mol = m;
    mol.NATOM = kNatom;
    for (std::size_t j = 0; j < kNatom; ++j) {
      cood->ITYPE[j] = j % 2 == 0 ? 1 : 2;
      cood->Q[j] = j % 2 == 0 ? -0.15f : 0.12f;
    }
    types.NTYPE = 2;
    types.EPS = {0.2343f, 0.0837f};
    types.RV = {1.96f, 1.62f};
    types.NATM3 = 3;
  }
};

RefRun reference(const RefInput& in) {
  RefSetup s(in);
  NeighbourRecord nb;
  nb.RX = in.RX;
  nb.RY = in.RY;
  nb.RZ = in.RZ;
  nb.Theta = in.Theta;
  std::ostringstream os;
  RecordOutput report(os, "qtVORNEL.dat");
  RefRun r;
  reference_geometry(nb, *s.cood, s.mol, s.types, report, r.ev);
  std::istringstream lines(os.str());
  for (std::string l; std::getline(lines, l);) r.lines.push_back(l);
  return r;
}

enum Line { REFVEC, ORDER, HALF, FRAME, AREF, BREF, EREF1, EMPTY, B, FVEC, EREF2 };

// The block: ten records, R-B being two (an empty record and "b"), R-FVEC showing Fx = 0.0.
TEST(ReferenceGeometry, BlockLayout) {
  const RefRun r = reference({1.0f, 2.0f, 4.0f, 30.0f});
  ASSERT_EQ(r.lines.size(), 11u);
  EXPECT_EQ(r.lines[REFVEC], " RX =    1.00000 RY =    2.00000 RZ =    4.00000 Theta =   30.00000");
  EXPECT_EQ(r.lines[ORDER], " a > b  -1.0");
  EXPECT_EQ(r.lines[EMPTY], "");
  EXPECT_EQ(r.lines[B], "b");
  EXPECT_EQ(r.lines[FVEC].substr(0, 16), " RX =    0.00000");
  EXPECT_EQ(r.lines[EREF1].size(), 30u);
  EXPECT_EQ(r.lines[EREF2].size(), 30u);
  EXPECT_EQ(bits(r.ev.Fx), bits(0.0f));
}

// The reference geometry's steps written out, for the values the report and the scan take over.
struct Derived {
  float C2, S2, RY0, RZ0, Delta, A, BB0, Fy, Fz;
};
Derived derived_written_out(const RefInput& in) {
  Derived d;
  d.C2 = std::cos((0.5f * in.Theta) * DEG);
  d.S2 = std::sin((0.5f * in.Theta) * DEG);
  auto absv = [](float v) { return v < 0.0f ? -v : v; };
  d.RY0 = (d.S2 * absv(in.RZ)) + (d.C2 * absv(in.RY));
  d.RZ0 = (d.C2 * absv(in.RZ)) - (d.S2 * absv(in.RY));
  d.Delta = std::atan(absv(in.RX) / d.RZ0) / DEG;
  d.RY0 = absv(d.RY0);
  d.RZ0 = absv(d.RZ0);
  d.BB0 = d.RY0 + d.RY0;
  d.A = (d.RZ0 + d.RZ0) / std::cos(d.Delta * DEG);
  if (in.cell[0] < in.cell[1]) {
    d.BB0 = d.A;
    d.A = d.RY0 + d.RY0;
  }
  d.Fy = d.C2 * (SGN * d.BB0);
  d.Fz = d.S2 * d.BB0;
  if (in.RZ < 0.0f) {
    d.Fy = -d.Fy;
    d.Fz = -d.Fz;
  }
  return d;
}

TEST(ReferenceGeometry, DerivedValues) {
  const std::vector<RefInput> rows = {
      {1.0f, 2.0f, 4.0f, 30.0f},           {0.4f, -1.3f, 3.7f, 150.0f}, {-2.1f, 5.5f, -3.2f, 75.0f},
      {0.0f, 1.0f, 4.5f, 0.0f},            {1.2f, 8.0f, 1.0f, 170.0f},  // RZ0 negative before its abs
      {1.0f, 2.0f, 4.0f, 30.0f, {6.0f, 10.0f, 8.0f}},                   // exchange
      {1.0f, 2.0f, 4.0f, 30.0f, {8.0f, 8.0f, 8.0f}},                    // no exchange on equality
  };
  for (const RefInput& in : rows) {
    const RefRun r = reference(in);
    const Derived d = derived_written_out(in);
    const std::string what = "RX " + std::to_string(in.RX) + " Theta " + std::to_string(in.Theta);
    EXPECT_EQ(bits(r.ev.C2), bits(d.C2)) << what;
    EXPECT_EQ(bits(r.ev.S2), bits(d.S2)) << what;
    EXPECT_EQ(bits(r.ev.A), bits(d.A)) << what;
    EXPECT_EQ(bits(r.ev.Fy), bits(d.Fy)) << what;
    EXPECT_EQ(bits(r.ev.Fz), bits(d.Fz)) << what;
    EXPECT_EQ(r.lines[ORDER], in.cell[0] < in.cell[1] ? " a < b  -1.0" : " a > b  -1.0") << what;
  }
  // RZ0 negative before step 5: Delta is printed negative and RZ0 positive.
  const RefRun neg = reference({1.2f, 8.0f, 1.0f, 170.0f});
  const Derived dn = derived_written_out({1.2f, 8.0f, 1.0f, 170.0f});
  EXPECT_LT(dn.Delta, 0.0f);
  EXPECT_GT(dn.RZ0, 0.0f);
  // R-FRAME: RZ0 in columns 35-44, Delta in columns 54-63.
  EXPECT_EQ(neg.lines[FRAME].substr(34, 10).find('-'), std::string::npos) << neg.lines[FRAME];
  EXPECT_NE(neg.lines[FRAME].substr(53, 10).find('-'), std::string::npos) << neg.lines[FRAME];
}

// RZ0 = 0 (Theta = 0, RZ = 0): the quotient is infinite and Delta is +-90 exactly; A is a zero
// whose sign follows the operands (0 / cos(90 DEG), a tiny negative).  RX = 0 as well: NaN.
TEST(ReferenceGeometry, RzZeroGivesDeltaNinety) {
  struct ZeroRow {
    RefInput in;
    const char* frame;
    const char* aref;
  };
  const std::vector<ZeroRow> rows = {
      {{1.5f, 2.0f, 0.0f, 0.0f}, " RY0      =    2.00000 RZ0      =    0.00000 Delta =   90.00000",
       " a =  10.00000 2RZ0/cos Delta =   -0.00000"},
      {{1.5f, 2.0f, -0.0f, 0.0f}, " RY0      =    2.00000 RZ0      =   -0.00000 Delta =  -90.00000",
       " a =  10.00000 2RZ0/cos Delta =    0.00000"},
      {{0.0f, 2.0f, 0.0f, 0.0f}, " RY0      =    2.00000 RZ0      =    0.00000 Delta =        NaN",
       " a =  10.00000 2RZ0/cos Delta =        NaN"},
  };
  for (const ZeroRow& row : rows) {
    const RefRun r = reference(row.in);
    EXPECT_EQ(r.lines[FRAME], row.frame);
    EXPECT_EQ(r.lines[AREF], row.aref);
    // RZ = -0.0 is not below zero: Fy and Fz are not reversed.
    EXPECT_EQ(r.ev.Fy, -4.0f);
    EXPECT_EQ(bits(r.ev.Fz), bits(0.0f));
  }
}

// RZ < 0 reverses Fy and Fz and nothing else of the derived values.
TEST(ReferenceGeometry, NegativeRzReversesTheTranslation) {
  for (float Theta : {0.0f, 30.0f, 120.0f}) {
    const RefRun up = reference({1.0f, 2.0f, 4.0f, Theta});
    const RefRun down = reference({1.0f, 2.0f, -4.0f, Theta});
    for (Line l : {HALF, FRAME, AREF, BREF}) EXPECT_EQ(up.lines[l], down.lines[l]) << Theta;
    EXPECT_EQ(bits(down.ev.Fy), bits(-up.ev.Fy)) << Theta;
    EXPECT_EQ(bits(down.ev.Fz), bits(-up.ev.Fz)) << Theta;
    EXPECT_EQ(bits(down.ev.Fy), bits(derived_written_out({1.0f, 2.0f, -4.0f, Theta}).Fy));
  }
  // Theta = 0: (0, -BB0, 0), or (0, BB0, -0.0) when RZ < 0.
  const RefRun t0 = reference({1.0f, 2.0f, -4.0f, 0.0f});
  EXPECT_EQ(t0.ev.Fy, 4.0f);
  EXPECT_EQ(bits(t0.ev.Fz), bits(-0.0f));
  EXPECT_EQ(t0.lines[FVEC], " RX =    0.00000 RY =    4.00000 RZ =   -0.00000");
}

// abs() keeps -0.0: RX = -0.0 gives Delta = -0.0 while RZ0 is positive.
TEST(ReferenceGeometry, NegativeZeroRx) {
  const RefRun neg = reference({-0.0f, 2.0f, 4.0f, 0.0f});
  const RefRun pos = reference({0.0f, 2.0f, 4.0f, 0.0f});
  EXPECT_EQ(neg.lines[REFVEC], " RX =   -0.00000 RY =    2.00000 RZ =    4.00000 Theta =    0.00000");
  EXPECT_EQ(neg.lines[FRAME], " RY0      =    2.00000 RZ0      =    4.00000 Delta =   -0.00000");
  EXPECT_EQ(pos.lines[FRAME], " RY0      =    2.00000 RZ0      =    4.00000 Delta =    0.00000");
  EXPECT_EQ(bits(keep_sign_abs(-0.0f)), bits(-0.0f));
  EXPECT_EQ(keep_sign_abs(-2.5f), 2.5f);
}

// The exchange (CELL(1) < CELL(2)): R-AREF shows CELL(1) and 2RY0, R-BREF shows BMIN and
// 2RZ0/cos Delta, under the labels they always carry.  BMIN is the smaller of CELL(2), CELL(3).
TEST(ReferenceGeometry, ExchangeAndBmin) {
  const RefInput in{0.0f, 2.0f, 4.0f, 0.0f, {6.0f, 10.0f, 8.0f}};  // RY0 = 2, RZ0 = 4, Delta = 0
  const RefRun r = reference(in);
  EXPECT_EQ(r.lines[ORDER], " a < b  -1.0");
  EXPECT_EQ(r.lines[AREF], " a =   6.00000 2RZ0/cos Delta =    4.00000");
  EXPECT_EQ(r.lines[BREF], " b =   8.00000 2RY0           =    8.00000");
  EXPECT_EQ(r.ev.Fy, -8.0f);  // from the exchanged BB0
  struct BminRow {
    std::array<float, 3> cell;
    const char* bref_start;
  };
  for (const BminRow& row : std::vector<BminRow>{{{10.0f, 6.0f, 8.0f}, " b =   6.00000"},
                                                 {{10.0f, 9.0f, 7.5f}, " b =   7.50000"},
                                                 {{10.0f, 7.0f, 7.0f}, " b =   7.00000"}})
    EXPECT_EQ(reference({0.0f, 2.0f, 4.0f, 0.0f, row.cell}).lines[BREF].substr(0, 14), row.bref_start);
}

// The first reference energy uses the variant that CELL(1) > CELL(2) selects, whatever the
// exchange: CELL(1) = CELL(2) places it with variant 2.  Its expectation comes from
// place_rotated and pair_energy themselves (tested above), the second from place_translated.
TEST(ReferenceGeometry, ReferenceEnergiesAndVariant) {
  const std::vector<std::array<float, 3>> cells = {{10.0f, 6.0f, 8.0f}, {8.0f, 8.0f, 8.0f}, {6.0f, 10.0f, 8.0f}};
  for (const std::array<float, 3>& cell : cells) {
    const RefInput in{0.6f, 2.5f, 3.9f, 40.0f, cell};
    const RefRun r = reference(in);
    RefSetup s(in);
    const Half h = half(in.Theta);
    auto eref = [](const PairSums& e) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%10.5f%10.5f%10.5f", static_cast<double>(e.vdw), static_cast<double>(e.coul),
                    static_cast<double>(e.coul + e.vdw));
      return std::string(buf);
    };
    Coords copy;
    place_rotated(s.cood->mol, kNatom, h.C2, h.S2, in.RY, in.RZ, in.RX, cell[0] > cell[1], copy);
    const PairSums first = pair_energy(*s.cood, copy, s.types, kNatom, false);
    EXPECT_EQ(r.lines[EREF1], eref(first)) << cell[0] << " " << cell[1];
    Coords other;
    place_rotated(s.cood->mol, kNatom, h.C2, h.S2, in.RY, in.RZ, in.RX, !(cell[0] > cell[1]), other);
    EXPECT_NE(eref(pair_energy(*s.cood, other, s.types, kNatom, false)), eref(first)) << "the variants differ";

    const Derived d = derived_written_out(in);
    Coords moved;
    place_translated(s.cood->mol, kNatom, 0.0f, d.Fy, d.Fz, moved);
    const PairSums second = pair_energy(*s.cood, moved, s.types, kNatom, false);
    EXPECT_EQ(r.lines[EREF2], eref(second));
    EXPECT_EQ(bits(r.ev.E1VDW), bits(second.vdw));
    EXPECT_EQ(bits(r.ev.E1COUL), bits(second.coul));
  }
}

}  // namespace
