// The force-field type table: parameters from the first atom of a type carrying one
// of the six symbols, THK, NHIGH and NATM3, the records R-COUNTS, R-TYPE and R-P, types no
// atom carries (zeros) and a carried type without a known symbol (refused).
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/type_table.hpp"
#include "run/failure.hpp"

using namespace packscan;

namespace {

struct Molecule {
  std::unique_ptr<Cood> cood = std::make_unique<Cood>();
  MoleculeInfo mol;
};

// Atoms given as (type, element symbol) in atom order.
Molecule molecule(const std::vector<std::pair<int, const char*>>& atoms, float MARGT = 0.5f) {
  Molecule m;
  m.mol.NATOM = static_cast<int>(atoms.size());
  m.mol.MARGT = MARGT;
  for (std::size_t j = 0; j < atoms.size(); ++j) {
    m.cood->ITYPE[j] = atoms[j].first;
    m.cood->ELEM[j] = Name4::from(atoms[j].second);
    m.cood->ANAME[j] = Name4::from("A" + std::to_string(j + 1));
  }
  return m;
}

struct Built {
  TypeTable t;
  std::string report;
  std::string failure;
};

Built build(const Molecule& m) {
  std::ostringstream os;
  RecordOutput report(os, "qtVORNEL.dat");
  Built b;
  try {
    build_type_table(*m.cood, m.mol, report, "atp.dat", b.t);
  } catch (const Failure& f) {
    b.failure = f.what();
  }
  b.report = os.str();
  return b;
}

// ---------------------------------------------------------------------------------------------

// A type takes its parameters from its first atom, in atom order, whose symbol matches one of
// the six rows on all four characters; later atoms of the type change nothing.
TEST(TypeTable, ParametersFromTheFirstMatchingAtom) {
  struct ParamRow {
    std::vector<const char*> symbols;  // the atoms of type 1, in order
    float EPS, RV;
  };
  const std::vector<ParamRow> rows = {
      {{"S"}, 0.8452f, 2.15f},
      {{"C"}, 0.2343f, 1.96f},
      {{"H"}, 0.0837f, 1.62f},
      {{"N"}, 0.1797f, 1.93f},
      {{"O"}, 0.2466f, 1.82f},
      {{"F", "F", "F"}, 0.3136f, 1.71f},
      {{"CL  ", "C   "}, 0.2343f, 1.96f},  // CL is no row; the carbon after it is
      {{"C", "N"}, 0.2343f, 1.96f},
      {{"N", "C"}, 0.1797f, 1.93f},
      {{"H", "S", "C"}, 0.0837f, 1.62f},
      {{" C  ", "O"}, 0.2466f, 1.82f},    // a symbol starting in the second column matches no row
      {{"c   ", "Cl  ", "S   "}, 0.8452f, 2.15f},  // letter case counts
      {{"Na  ", "NA  ", "N   "}, 0.1797f, 1.93f},
      {{"F   ", "C   "}, 0.3136f, 1.71f},  // the last row of the table is tested like the others
  };
  for (const ParamRow& row : rows) {
    std::vector<std::pair<int, const char*>> atoms;
    for (const char* s : row.symbols) atoms.push_back({1, s});
    const Built b = build(molecule(atoms));
    ASSERT_EQ(b.failure, "") << row.symbols[0];
    EXPECT_EQ(b.t.EPS[0], row.EPS) << row.symbols[0];
    EXPECT_EQ(b.t.RV[0], row.RV) << row.symbols[0];
  }
}

// Types 1 carbon, 2 oxygen, 3 hydrogen; twelve atoms, four of them
// of the highest type.  Every R-TYPE row shows NTYPE, not its own type number.
TEST(TypeTable, RecordsShowNtypeOnEveryRow) {
  const Molecule m = molecule({{1, "C"}, {1, "C"}, {2, "O"}, {3, "H"}, {1, "C"}, {3, "H"},
                               {2, "O"}, {1, "C"}, {3, "H"}, {1, "C"}, {3, "H"}, {1, "C"}});
  const Built b = build(m);
  ASSERT_EQ(b.failure, "");
  EXPECT_EQ(b.report,
            "  12   4\n"
            "   8\n"
            "   3    0.23430   1.96000\n"
            "   3    0.24660   1.82000\n"
            "   3    0.08370   1.62000\n"
            "\n"
            "p\n");
  EXPECT_EQ(b.t.NTYPE, 3);
  EXPECT_EQ(b.t.NHIGH, 4);
  EXPECT_EQ(b.t.NATM3, 8);
}

// NTYPE is the largest type number, at least 1; NHIGH counts the atoms of type NTYPE,
// wherever they stand; NATM3 = NATOM - NHIGH.
TEST(TypeTable, Counts) {
  struct CountRow {
    std::vector<int> types;
    int NTYPE, NHIGH, NATM3;
  };
  const std::vector<CountRow> rows = {
      {{}, 1, 0, 0},
      {{1, 1, 1}, 1, 3, 0},
      {{2, 2}, 2, 2, 0},
      {{1, 2, 1, 2}, 2, 2, 2},
      {{3, 1, 1, 1}, 3, 1, 3},
      {{1, 7, 2, 7, 7}, 7, 3, 2},
  };
  for (const CountRow& row : rows) {
    std::vector<std::pair<int, const char*>> atoms;
    for (int t : row.types) atoms.push_back({t, "C"});
    const Built b = build(molecule(atoms));
    ASSERT_EQ(b.failure, "");
    EXPECT_EQ(b.t.NTYPE, row.NTYPE);
    EXPECT_EQ(b.t.NHIGH, row.NHIGH);
    EXPECT_EQ(b.t.NATM3, row.NATM3);
    EXPECT_EQ(std::count(b.report.begin(), b.report.end(), '\n'), 2 + row.NTYPE + 2);
  }
}

// A type number that no atom carries gets EPS = RV = 0, shown in its R-TYPE row.
TEST(TypeTable, TypeNoAtomCarriesGetsZeros) {
  const Built b = build(molecule({{1, "C"}, {4, "N"}, {1, "H"}, {4, "S"}}));
  ASSERT_EQ(b.failure, "");
  EXPECT_EQ(b.report,
            "   4   2\n"
            "   2\n"
            "   4    0.23430   1.96000\n"
            "   4    0.00000   0.00000\n"
            "   4    0.00000   0.00000\n"
            "   4    0.17970   1.93000\n"
            "\n"
            "p\n");
  EXPECT_EQ(b.t.EPS[1], 0.0f);
  EXPECT_EQ(b.t.RV[2], 0.0f);
}

// A type that atoms carry, none of them with a known symbol, is refused before R-COUNTS;
// the message names the type, its first atom (by its record in the first block) and its symbol.
TEST(TypeTable, CarriedTypeWithoutKnownSymbolIsRefused) {
  struct RefuseRow {
    std::vector<std::pair<int, const char*>> atoms;
    std::string failure;
  };
  const std::string tail =
      "); each type takes its parameters from its first atom with one of the symbols S, C, H, N, O, F, so "
      "give such atoms the type number of a known element";
  const std::vector<RefuseRow> rows = {
      {{{1, "C"}, {2, "CL  "}, {2, "Cl"}},
       "atp.dat: record 3, columns 45-48: no atom of type 2 carries a known element symbol (atom 2 carries \"CL  \"" +
           tail},
      {{{1, "Br"}}, "atp.dat: record 2, columns 45-48: no atom of type 1 carries a known element symbol (atom 1 "
                    "carries \"Br  \"" + tail},
      {{{2, "C"}, {1, "    "}, {3, "H"}},
       "atp.dat: record 3, columns 45-48: no atom of type 1 carries a known element symbol (atom 2 carries \"    \"" +
           tail},
  };
  for (const RefuseRow& row : rows) {
    const Built b = build(molecule(row.atoms));
    EXPECT_EQ(b.failure, row.failure);
    EXPECT_EQ(b.report, "") << "refused before R-COUNTS";
  }
}

// THK = (MARGT + MARGT) + 3.45 in single precision, in that grouping.
TEST(TypeTable, Thickness) {
  EXPECT_EQ(build(molecule({{1, "C"}}, 0.5f)).t.THK, 4.45f);
  for (float MARGT : {0.0f, 0.1f, 0.3f, 0.35f, 1.7f, -0.2f})
    EXPECT_EQ(build(molecule({{1, "C"}}, MARGT)).t.THK, (MARGT + MARGT) + 3.45f) << MARGT;
  // The grouping matters for some margins: 0.1 + (0.1 + 3.45) is one float away.
  const float m = 0.1f;
  EXPECT_NE((m + m) + 3.45f, m + (m + 3.45f));
}

}  // namespace
