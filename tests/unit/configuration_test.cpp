// The configuration energy of the three-molecule cluster, through evaluate_configuration
// alone: how its parts combine, what the x shift may change, and that nothing of one
// evaluation leaks into the next.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "geometry/angle_model.hpp"
#include "search/configuration.hpp"

namespace {

using packscan::Cluster;
using packscan::Coords;
using packscan::Cood;
using packscan::Evaluation;
using packscan::MoleculeInfo;
using packscan::TypeTable;

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Four atoms off the planes of the frame, two counted types and one high type, so that every
// part of the energy and both placement variants are exercised.  One cluster serves all the
// evaluations of a fixture, as one serves a whole run.
struct Fixture {
  Cood cood;
  MoleculeInfo mol;
  TypeTable types;
  Cluster cluster{cood, mol, types};

  explicit Fixture(bool variant1 = true) {
    cood.CELL = variant1 ? std::array<float, 6>{8.2f, 6.0f, 8.6f, 90.0f, 122.9f, 90.0f}
                         : std::array<float, 6>{6.0f, 6.0f, 8.6f, 90.0f, 90.0f, 90.0f};
    const float xyzq[4][4] = {{1.2f, 0.7f, 0.1f, -0.12f},
                              {-1.2f, 0.7f, -0.2f, -0.08f},
                              {0.3f, -1.1f, 0.0f, 0.15f},
                              {-0.4f, -0.9f, 0.3f, 0.05f}};
    const int itype[4] = {1, 1, 2, 2};
    for (int j = 0; j < 4; ++j) {
      cood.mol.X[j] = xyzq[j][0];
      cood.mol.Y[j] = xyzq[j][1];
      cood.mol.Z[j] = xyzq[j][2];
      cood.Q[j] = xyzq[j][3];
      cood.ITYPE[j] = itype[j];
    }
    mol.NATOM = 4;
    mol.WID = 4.3f;
    types.NTYPE = 2;
    types.EPS[0] = 0.2343f;  // C
    types.RV[0] = 1.96f;
    types.EPS[1] = 0.0837f;  // H
    types.RV[1] = 1.62f;
    types.NHIGH = 2;
    types.NATM3 = 2;
    types.THK = 3.65f;
  }

  // The angle as the scan sets it up, and values that no evaluation may touch.
  Evaluation at_angle(float Theta) const {
    const packscan::Spacings sp = packscan::angle_spacings(Theta, mol.WID, types.THK);
    Evaluation ev;
    ev.C2 = sp.C2;
    ev.S2 = sp.S2;
    ev.A = sp.A;
    ev.B = sp.B;
    ev.XOFF = 7.75f;
    ev.EMIN = -123.5f;
    return ev;
  }
};

// Everything an evaluation leaves: the scalars and both neighbours, bit for bit.
struct Snapshot {
  Evaluation ev;
  Coords nb1, nb2;
};

Snapshot evaluate(Fixture& f, Evaluation ev, float xshift) {
  const float etot = packscan::evaluate_configuration(xshift, f.cluster, ev);
  EXPECT_EQ(bits(etot), bits(ev.ETOT)) << "the result is the ETOT it leaves";
  return {ev, f.cood.nb1, f.cood.nb2};
}

void expect_same_atoms(const Coords& a, const Coords& b, int natom, bool with_x, const char* what) {
  for (int j = 0; j < natom; ++j) {
    if (with_x) {
      EXPECT_EQ(bits(a.X[j]), bits(b.X[j])) << what << " X of atom " << j + 1;
    }
    EXPECT_EQ(bits(a.Y[j]), bits(b.Y[j])) << what << " Y of atom " << j + 1;
    EXPECT_EQ(bits(a.Z[j]), bits(b.Z[j])) << what << " Z of atom " << j + 1;
  }
}

// The outputs that depend on A, B and the angle alone.
void expect_same_second_side(const Snapshot& a, const Snapshot& b, int natom) {
  EXPECT_EQ(bits(a.ev.RY), bits(b.ev.RY));
  EXPECT_EQ(bits(a.ev.RZ), bits(b.ev.RZ));
  EXPECT_EQ(bits(a.ev.Fx), bits(b.ev.Fx));
  EXPECT_EQ(bits(a.ev.Fy), bits(b.ev.Fy));
  EXPECT_EQ(bits(a.ev.Fz), bits(b.ev.Fz));
  EXPECT_EQ(bits(a.ev.E2VDW), bits(b.ev.E2VDW));
  EXPECT_EQ(bits(a.ev.E2COUL), bits(b.ev.E2COUL));
  EXPECT_EQ(bits(a.ev.E2), bits(b.ev.E2));
  EXPECT_EQ(a.ev.N3, b.ev.N3);
  expect_same_atoms(a.nb2, b.nb2, natom, true, "second neighbour");
}

void expect_identical(const Snapshot& a, const Snapshot& b, int natom) {
  expect_same_second_side(a, b, natom);
  EXPECT_EQ(bits(a.ev.E1VDW), bits(b.ev.E1VDW));
  EXPECT_EQ(bits(a.ev.E1COUL), bits(b.ev.E1COUL));
  EXPECT_EQ(bits(a.ev.E1), bits(b.ev.E1));
  EXPECT_EQ(a.ev.N1, b.ev.N1);
  EXPECT_EQ(a.ev.N2, b.ev.N2);
  EXPECT_EQ(bits(a.ev.ETOT), bits(b.ev.ETOT));
  expect_same_atoms(a.nb1, b.nb1, natom, true, "first neighbour");
}

const float kAngles[] = {0.0f, 35.0f, 90.0f, 135.0f, 180.0f, -4.0f};

TEST(Configuration, TotalCountsTheFirstNeighbourTwiceAndLeavesTheSearchStateAlone) {
  for (const bool variant1 : {true, false}) {
    Fixture f(variant1);
    for (const float Theta : kAngles) {
      SCOPED_TRACE("Theta " + std::to_string(Theta) + (variant1 ? " variant 1" : " variant 2"));
      const Evaluation before = f.at_angle(Theta);
      const Snapshot s = evaluate(f, before, 0.38f);
      const Evaluation& ev = s.ev;
      ASSERT_NE(ev.E1, 0.0f);
      ASSERT_NE(ev.E2, 0.0f);
      ASSERT_TRUE(std::isfinite(ev.ETOT));
      EXPECT_EQ(bits(ev.E1), bits(ev.E1COUL + ev.E1VDW));
      EXPECT_EQ(bits(ev.E2), bits(ev.E2VDW + ev.E2COUL));
      EXPECT_EQ(bits(ev.ETOT), bits(ev.E2 + (ev.E1 + ev.E1)));
      // The second neighbour is translated in y and z only.
      EXPECT_EQ(bits(ev.Fx), bits(0.0f));
      for (int j = 0; j < f.mol.NATOM; ++j) EXPECT_EQ(bits(s.nb2.X[j]), bits(f.cood.mol.X[j]));
      EXPECT_EQ(bits(ev.A), bits(before.A));
      EXPECT_EQ(bits(ev.B), bits(before.B));
      EXPECT_EQ(bits(ev.XOFF), bits(before.XOFF));
      EXPECT_EQ(bits(ev.C2), bits(before.C2));
      EXPECT_EQ(bits(ev.S2), bits(before.S2));
      EXPECT_EQ(bits(ev.EMIN), bits(before.EMIN));
    }
  }
}

// A start evaluation (x shift RX) and a trial evaluation (x shift XOFF) are the same
// computation: with equal shifts they agree bit for bit, whatever was evaluated before them
// (here other angles, and the other shift at the same A and B); with different shifts only
// the first neighbour's side moves.
TEST(Configuration, XShiftMovesOnlyTheFirstNeighbourSide) {
  const float RX = 0.38f;
  for (const bool variant1 : {true, false}) {
    Fixture f(variant1);
    for (const float Theta : kAngles) {
      SCOPED_TRACE("Theta " + std::to_string(Theta) + (variant1 ? " variant 1" : " variant 2"));
      const Evaluation ev = f.at_angle(Theta);
      const Snapshot start = evaluate(f, ev, RX);
      const Snapshot shifted = evaluate(f, ev, RX + 1.5f);
      const Snapshot again = evaluate(f, ev, RX);
      Fixture fresh(variant1);
      const Snapshot first_ever = evaluate(fresh, ev, RX);
      expect_identical(start, again, f.mol.NATOM);
      expect_identical(first_ever, start, f.mol.NATOM);
      // Back at the shift of the other evaluation: also the same as its first time.
      expect_identical(shifted, evaluate(f, ev, RX + 1.5f), f.mol.NATOM);

      expect_same_second_side(start, shifted, f.mol.NATOM);
      expect_same_atoms(start.nb1, shifted.nb1, f.mol.NATOM, false, "first neighbour");
      for (int j = 0; j < f.mol.NATOM; ++j) {
        EXPECT_EQ(bits(start.nb1.X[j]), bits(RX - f.cood.mol.X[j]));
        EXPECT_EQ(bits(shifted.nb1.X[j]), bits((RX + 1.5f) - f.cood.mol.X[j]));
      }
      EXPECT_NE(start.ev.E1VDW, shifted.ev.E1VDW);
      EXPECT_NE(start.ev.E1COUL, shifted.ev.E1COUL);
      EXPECT_NE(start.ev.E1, shifted.ev.E1);
      EXPECT_NE(start.ev.ETOT, shifted.ev.ETOT);
    }
  }
}

// At 0 degrees the half-angle cosine is 1 and the sine 0: the first neighbour is the molecule
// mirrored in x and moved by (xshift, -B/2, A/2), the second moved by (0, -B, 0).  Three atoms
// on the x axis, the third of the high type (NATM3 = 2):
//   first neighbour at y -3, z 1:  copy atoms 1 and 2 each lie within 3.8 of both counted
//   reference atoms, copy atom 3 within 3.8 of all three but is not counted.
TEST(Configuration, ContactCountsOfBothNeighbours) {
  Fixture f;
  const float x[3] = {-1.0f, 1.0f, 0.0f};
  for (int j = 0; j < 3; ++j) {
    f.cood.mol.X[j] = x[j];
    f.cood.mol.Y[j] = 0.0f;
    f.cood.mol.Z[j] = 0.0f;
    f.cood.ITYPE[j] = j < 2 ? 1 : 2;
  }
  f.mol.NATOM = 3;
  f.types.NHIGH = 1;
  f.types.NATM3 = 2;

  struct Case {
    float A, B;
    int N1, N2, N3;
  };
  const Case cases[] = {
      // Second neighbour 6 away in y: no contact.  Counting pairs would give N1 = 6.
      {2.0f, 6.0f, 2, 2, 0},
      // Second neighbour 3 away in y: each copy atom faces its own reference atom; the third
      // is not counted.
      {2.0f, 3.0f, 2, 2, 2},
      // First neighbour 5.5 up in z: out of reach; second neighbour as above.
      {11.0f, 3.0f, 0, 0, 2},
      // Everything out of reach.
      {11.0f, 9.0f, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("A " + std::to_string(c.A) + " B " + std::to_string(c.B));
    Evaluation ev = f.at_angle(0.0f);
    ASSERT_EQ(ev.C2, 1.0f);
    ASSERT_EQ(ev.S2, 0.0f);
    ev.A = c.A;
    ev.B = c.B;
    const Snapshot s = evaluate(f, ev, 0.0f);
    EXPECT_EQ(s.ev.N1, c.N1);
    EXPECT_EQ(s.ev.N2, c.N2);
    EXPECT_EQ(s.ev.N3, c.N3);
  }
}

}  // namespace
