// The fast pair kernel against the plain per-pair loops, bit for bit: sums, counts and the
// floating-point flags, over random geometries with coincident atoms, contacts at exactly
// 3.8, atoms above NATM3, NATM3 = 0 and non-finite coordinates; the window where the
// exponential is skipped, over every float in it; the configuration energy with its reuse of
// the second neighbour; and whole runs of the golden inputs under both kernels.
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <xmmintrin.h>

#include "model/pair_energy.hpp"
#include "model/pair_kernel.hpp"
#include "model/type_table.hpp"
#include "run/files.hpp"
#include "run/fp_note.hpp"
#include "run/run.hpp"
#include "search/configuration.hpp"
#include "support.hpp"

namespace {

using namespace packscan;

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

constexpr float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A molecule and a copy drawn at random.  `scale` spreads the atoms, so that p runs through
// the exponential's windows and beyond; special pairs are then planted on purpose.
struct Geometry {
  Cood cood;
  TypeTable types;
  Coords copy;
  int natom = 0;
};

Geometry random_geometry(std::mt19937& rng, int trial) {
  Geometry g;
  std::uniform_int_distribution<int> atoms(0, kMaxAtoms);
  g.natom = trial % 7 == 0 ? 1 + trial % 5 : atoms(rng);
  const int ntype = std::uniform_int_distribution<int>(1, kMaxTypes)(rng);
  for (int t = 0; t < ntype; ++t) {
    const auto& el = kElementTable[static_cast<std::size_t>(t) % kElementTable.size()];
    g.types.EPS[t] = el.EPS;
    g.types.RV[t] = el.RV;
  }
  g.types.NTYPE = ntype;
  // NATM3 from 0 (nothing counted) to beyond NATOM.
  g.types.NATM3 = trial % 5 == 0 ? 0 : std::uniform_int_distribution<int>(0, g.natom + 2)(rng);

  const float scales[] = {3.0f, 8.0f, 30.0f, 200.0f, 1.0e6f};
  const float scale = scales[trial % 5];
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::uniform_int_distribution<int> type(1, ntype);
  std::uniform_real_distribution<float> charge(-0.6f, 0.6f);
  const float shift[3] = {scale * u(rng), scale * u(rng), scale * u(rng)};
  for (int i = 0; i < g.natom; ++i) {
    g.cood.ITYPE[i] = type(rng);
    g.cood.Q[i] = i % 9 == 4 ? 0.0f : charge(rng);
    g.cood.mol.X[i] = scale * u(rng);
    g.cood.mol.Y[i] = scale * u(rng);
    g.cood.mol.Z[i] = 0.3f * scale * u(rng);
    // Mostly a displaced copy of the molecule, now and then an atom anywhere.
    const bool anywhere = u(rng) > 0.8f;
    g.copy.X[i] = anywhere ? scale * u(rng) : g.cood.mol.X[i] + shift[0];
    g.copy.Y[i] = anywhere ? scale * u(rng) : g.cood.mol.Y[i] + shift[1];
    g.copy.Z[i] = anywhere ? scale * u(rng) : g.cood.mol.Z[i] + shift[2];
  }
  if (g.natom == 0) return g;

  std::uniform_int_distribution<int> atom(0, g.natom - 1);
  const int plants = std::uniform_int_distribution<int>(0, 4)(rng);
  for (int k = 0; k < plants; ++k) {
    const int i = atom(rng), j = atom(rng);
    switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
      case 0:  // coincident with a reference atom
        g.copy.X[j] = g.cood.mol.X[i];
        g.copy.Y[j] = g.cood.mol.Y[i];
        g.copy.Z[j] = g.cood.mol.Z[i];
        break;
      case 1:  // exactly 3.8 away, or one float either side
      case 2: {
        const float d[3] = {std::nextafter(RCONT, 0.0f), RCONT, std::nextafter(RCONT, 10.0f)};
        g.cood.mol.X[i] = 0.0f;
        g.cood.mol.Y[i] = 1.5f;
        g.cood.mol.Z[i] = -0.25f;
        g.copy.X[j] = -d[std::uniform_int_distribution<int>(0, 2)(rng)];
        g.copy.Y[j] = 1.5f;
        g.copy.Z[j] = -0.25f;
        break;
      }
      case 3: {  // a non-finite copy coordinate
        const float bad[] = {kInf, -kInf, kNaN, -kNaN};
        float* c[3] = {&g.copy.X[j], &g.copy.Y[j], &g.copy.Z[j]};
        *c[std::uniform_int_distribution<int>(0, 2)(rng)] = bad[std::uniform_int_distribution<int>(0, 3)(rng)];
        break;
      }
      case 4: {  // a non-finite reference coordinate
        const float bad[] = {kInf, -kInf, kNaN};
        g.cood.mol.Y[i] = bad[std::uniform_int_distribution<int>(0, 2)(rng)];
        break;
      }
      default:  // a charge of zero on an atom that may also sit on another
        g.cood.Q[i] = 0.0f;
        break;
    }
  }
  return g;
}

struct Outcome {
  PairSums sums;
  int reference_contacts = 0;
  FpFlags flags;
};

std::string describe(const Outcome& o) {
  std::ostringstream s;
  s << std::hex << "vdw " << bits(o.sums.vdw) << " coul " << bits(o.sums.coul) << std::dec << " N "
    << o.sums.contacts << " Nref " << o.reference_contacts << " flags [" << fp_note(o.flags) << "]";
  return s.str();
}

// Bit for bit, except that any NaN equals any NaN: which of two NaN operands an addition
// returns (and so the sign and payload of a NaN sum) is up to the compiled operand order, and
// no output tells NaNs apart: the report prints every NaN as "NaN" and every comparison with
// one is false.
bool same_value(float a, float b) { return (std::isnan(a) && std::isnan(b)) || bits(a) == bits(b); }

bool same(const Outcome& a, const Outcome& b) {
  return same_value(a.sums.vdw, b.sums.vdw) && same_value(a.sums.coul, b.sums.coul) &&
         a.sums.contacts == b.sums.contacts && a.reference_contacts == b.reference_contacts &&
         fp_note(a.flags) == fp_note(b.flags);
}

TEST(KernelProperty, FastPassesEqualThePlainLoopsBitForBitOnRandomGeometries) {
  std::mt19937 rng(20261211);
  int nonfinite = 0, contacts_at_limit = 0, skipped = 0, full_exp = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const Geometry g = random_geometry(rng, trial);
    PairTables t;
    build_pair_tables(g.cood, g.types, g.natom, t);
    SCOPED_TRACE("trial " + std::to_string(trial) + ", " + std::to_string(g.natom) + " atoms, NATM3 " +
                 std::to_string(g.types.NATM3));

    for (const bool counting : {false, true}) {
      Outcome ref, fast;
      clear_fp_flags();
      ref.sums = pair_energy(g.cood, g.copy, g.types, g.natom, counting);
      ref.flags = raised_fp_flags();
      clear_fp_flags();
      fast.sums = pair_energy(t, g.copy, counting);
      fast.flags = raised_fp_flags();
      ASSERT_TRUE(same(ref, fast)) << (counting ? "counting" : "not counting") << "\n  plain " << describe(ref)
                                   << "\n  fast  " << describe(fast);
    }
    Outcome ref, fast;
    clear_fp_flags();
    ref.sums = pair_energy(g.cood, g.copy, g.types, g.natom, true);
    ref.reference_contacts = count_reference_contacts(g.cood, g.copy, g.types, g.natom);
    ref.flags = raised_fp_flags();
    clear_fp_flags();
    const FirstNeighbourSums f = pair_energy_both_counts(t, g.copy);
    fast.sums = f.sums;
    fast.reference_contacts = f.reference_contacts;
    fast.flags = raised_fp_flags();
    ASSERT_TRUE(same(ref, fast)) << "both counts\n  plain " << describe(ref) << "\n  fast  " << describe(fast);

    // What the trials went through, so that a generator that drifted away from the hard
    // cases fails here rather than passing quietly.
    if (!std::isfinite(ref.sums.vdw) || !std::isfinite(ref.sums.coul)) ++nonfinite;
    for (int j = 0; j < g.natom; ++j)
      for (int i = 0; i < g.natom; ++i) {
        const float dx = g.cood.mol.X[i] - g.copy.X[j], dy = g.cood.mol.Y[i] - g.copy.Y[j],
                    dz = g.cood.mol.Z[i] - g.copy.Z[j];
        const float r = std::sqrt((dx * dx + dy * dy) + dz * dz);
        const float p = r / t.RS[static_cast<std::size_t>(g.cood.ITYPE[j] - 1)][static_cast<std::size_t>(i)];
        if (r == RCONT) ++contacts_at_limit;
        if (p >= kExpNegligibleFrom && p < kExpSkippedBelow) ++skipped;
        else ++full_exp;
      }
  }
  EXPECT_GT(nonfinite, 100);
  EXPECT_GT(contacts_at_limit, 100);
  EXPECT_GT(skipped, 100000);
  EXPECT_GT(full_exp, 100000);
}

// The MXCSR status flags a computation raised, inexact left out.
unsigned sse_flags_of(float p, std::uint32_t& difference_bits, std::uint32_t& skipped_bits) {
  _mm_setcsr(_mm_getcsr() & ~0x3Fu);
  volatile float pv = p;
  const float q = pv;
  const float p2 = q * q;
  const float v = 2.25f / (p2 * (p2 * p2));
  const float x = std::exp(-(12.0f * q)) * 184000.0f;
  const float d = x - v;
  const unsigned f = _mm_getcsr() & 0x1Eu;
  difference_bits = bits(d);
  skipped_bits = bits(0.0f - v);
  return f;
}

unsigned sse_flags_of(float p) {
  std::uint32_t a, b;
  return sse_flags_of(p, a, b);
}

// For every float p in the window the exponential term vanishes against 2.25 / p^6, and the
// flags it raises are those of the window's first float (none in the first window).
TEST(KernelProperty, SkippedExponentialLeavesEveryDifferenceAndFlagUnchanged) {
  struct Window {
    float from, to;
    const char* flags;  // the note's names for what each p of the window raises
  };
  const Window windows[] = {
      {kExpNegligibleFrom, kExpSubnormalFrom, ""},
      {kExpSubnormalFrom, kExpZeroFrom, "denormal operand, underflow"},
      {kExpZeroFrom, kExpSkippedBelow, "underflow"},
  };
  for (const Window& w : windows) {
    SCOPED_TRACE("window from " + std::to_string(w.from));
    clear_fp_flags();
    volatile float from = w.from;
    volatile float x = std::exp(-(12.0f * from)) * 184000.0f;
    static_cast<void>(x);
    const std::string names = fp_note(raised_fp_flags());
    EXPECT_EQ(names.empty() ? "" : names.substr(names.rfind(": ") + 2), w.flags);

    const unsigned want = sse_flags_of(w.from);
    long checked = 0, wrong_value = 0, wrong_flags = 0;
    std::uint32_t first_wrong = 0;
    for (std::uint32_t b = bits(w.from); b < bits(w.to); ++b) {
      std::uint32_t d, s;
      const unsigned f = sse_flags_of(std::bit_cast<float>(b), d, s);
      if (d != s) ++wrong_value;
      if (f != want) ++wrong_flags;
      if ((d != s || f != want) && first_wrong == 0) first_wrong = b;
      ++checked;
    }
    EXPECT_EQ(wrong_value, 0) << "first at p bits " << std::hex << first_wrong;
    EXPECT_EQ(wrong_flags, 0) << "first at p bits " << std::hex << first_wrong;
    EXPECT_GT(checked, 1000000);
  }
  clear_fp_flags();
}

// Evaluation fields and both neighbours, bit for bit (any NaN equal to any NaN).
void expect_same_evaluation(const Evaluation& a, const Evaluation& b, const Cood& ca, const Cood& cb, int natom) {
  const float fa[] = {a.RY, a.RZ, a.Fx, a.Fy, a.Fz, a.E1VDW, a.E1COUL, a.E1, a.E2VDW, a.E2COUL, a.E2, a.ETOT};
  const float fb[] = {b.RY, b.RZ, b.Fx, b.Fy, b.Fz, b.E1VDW, b.E1COUL, b.E1, b.E2VDW, b.E2COUL, b.E2, b.ETOT};
  for (std::size_t k = 0; k < std::size(fa); ++k) EXPECT_TRUE(same_value(fa[k], fb[k])) << "field " << k;
  EXPECT_EQ(a.N1, b.N1);
  EXPECT_EQ(a.N2, b.N2);
  EXPECT_EQ(a.N3, b.N3);
  for (const auto member : {&Coords::X, &Coords::Y, &Coords::Z})
    for (int j = 0; j < natom; ++j) {
      EXPECT_TRUE(same_value((ca.nb1.*member)[j], (cb.nb1.*member)[j])) << "first neighbour atom " << j + 1;
      EXPECT_TRUE(same_value((ca.nb2.*member)[j], (cb.nb2.*member)[j])) << "second neighbour atom " << j + 1;
    }
}

// A trial sequence as the pattern search makes it: moves of A, B and XOFF, take-backs, a
// repeated point; then the molecule, a charge and NATM3 change under the same cluster.
TEST(KernelProperty, ConfigurationEnergyMatchesThePlainLoopsThroughReusedSecondNeighbours) {
  // 23 atoms: the last group of four is a partial one.
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  Geometry g;
  g.natom = 23;
  for (int t = 0; t < 3; ++t) {
    g.types.EPS[t] = kElementTable[static_cast<std::size_t>(t)].EPS;
    g.types.RV[t] = kElementTable[static_cast<std::size_t>(t)].RV;
  }
  g.types.NTYPE = 3;
  g.types.NATM3 = 14;
  for (int i = 0; i < g.natom; ++i) {
    g.cood.ITYPE[i] = 1 + i % 3;
    g.cood.Q[i] = 0.3f * u(rng);
    g.cood.mol.X[i] = 4.0f * u(rng);
    g.cood.mol.Y[i] = 2.0f * u(rng);
    g.cood.mol.Z[i] = 0.5f * u(rng);
  }
  g.cood.CELL = {8.2f, 6.0f, 8.6f, 90.0f, 122.9f, 90.0f};
  MoleculeInfo mol;
  mol.NATOM = g.natom;
  Cood ref_cood = g.cood, fast_cood = g.cood;
  TypeTable types = g.types;
  Cluster ref{ref_cood, mol, types, Kernel::reference};
  Cluster fast{fast_cood, mol, types, Kernel::fast};
  Evaluation ev;
  ev.C2 = std::cos(0.5f * 40.0f * DEG);
  ev.S2 = std::sin(0.5f * 40.0f * DEG);
  ev.A = 7.1f;
  ev.B = 4.9f;
  ev.XOFF = 0.5f;
  struct Move {
    float* var;
    float step;
  };
  const Move moves[] = {{&ev.A, STEPAB},   {&ev.A, -STEPAB}, {&ev.XOFF, STEPX}, {&ev.XOFF, -STEPX},
                        {&ev.XOFF, -STEPX}, {&ev.B, STEPAB},  {&ev.XOFF, 0.0f},  {&ev.B, -STEPAB},
                        {&ev.C2, 1.0e-3f},  {&ev.XOFF, STEPX},  {&ev.S2, -1.0e-3f}, {&ev.XOFF, STEPX}};
  for (int round = 0; round < 4; ++round) {
    if (round == 1) {  // the molecule itself moves: the tables and the reuse must notice
      ref_cood.mol.X[3] = fast_cood.mol.X[3] = fast_cood.mol.X[3] + 0.5f;
    } else if (round == 2) {
      ref_cood.Q[0] = fast_cood.Q[0] = -fast_cood.Q[0] + 0.25f;
    } else if (round == 3) {
      types.NATM3 = g.natom / 2;
    }
    for (const Move& m : moves) {
      *m.var = *m.var + m.step;
      SCOPED_TRACE("round " + std::to_string(round) + ", A " + std::to_string(ev.A) + " B " +
                   std::to_string(ev.B) + " XOFF " + std::to_string(ev.XOFF));
      Evaluation a = ev, b = ev;
      evaluate_configuration(ev.XOFF, ref, a);
      evaluate_configuration(ev.XOFF, fast, b);
      expect_same_evaluation(a, b, ref_cood, fast_cood, g.natom);
      const PairSums sa = pair_energy(ref, ref_cood.nb1), sb = pair_energy(fast, fast_cood.nb1);
      EXPECT_TRUE(same_value(sa.vdw, sb.vdw));
      EXPECT_TRUE(same_value(sa.coul, sb.coul));
      EXPECT_EQ(sa.contacts, sb.contacts);
    }
  }
}

// Whole runs of every golden input under both kernels: the same report, snapshots, failure
// and floating-point flags.
TEST(KernelProperty, WholeRunsAreIdenticalUnderBothKernels) {
  int cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PACKSCAN_GOLDEN_DIR)) {
    const auto input = entry.path() / "atp.dat";
    if (!std::filesystem::exists(input)) continue;
    const std::string text = testsupport::read_file(input);
    SCOPED_TRACE(entry.path().filename().string());
    struct Result {
      std::string report, snaps[5], failure, flags;
    } res[2];
    for (const Kernel kernel : {Kernel::reference, Kernel::fast}) {
      Result& r = res[kernel == Kernel::fast];
      std::istringstream in(text);
      std::ostringstream rep, snaps[5];
      std::array<std::ostream*, 5> ptrs{&snaps[0], &snaps[1], &snaps[2], &snaps[3], &snaps[4]};
      RunFiles files(in, rep, ptrs);
      auto state = std::make_unique<RunState>();
      state->kernel = kernel;
      clear_fp_flags();
      try {
        run(files, *state);
      } catch (const std::exception& e) {
        r.failure = e.what();
      }
      r.flags = fp_note(raised_fp_flags());
      r.report = rep.str();
      for (int k = 0; k < 5; ++k) r.snaps[k] = snaps[k].str();
    }
    EXPECT_EQ(testsupport::first_difference(res[0].report, res[1].report), "");
    for (int k = 0; k < 5; ++k) EXPECT_EQ(res[0].snaps[k], res[1].snaps[k]) << kSnapshotNames[k];
    EXPECT_EQ(res[0].failure, res[1].failure);
    EXPECT_EQ(res[0].flags, res[1].flags);
    ++cases;
  }
  EXPECT_GT(cases, 0);
}

}  // namespace
