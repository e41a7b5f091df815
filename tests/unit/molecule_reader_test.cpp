// The molecule reader: the skip count over the marker search, the atom blocks, the extents,
// the exchange of x and y, 100 atoms, type numbers outside 1..7, and each
// way the reading fails, with the report holding exactly the records written before it.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "input/molecule_reader.hpp"
#include "run/failure.hpp"

using namespace packscan;

namespace {

// Records built with printf, independently of the writer under test.
std::string fmt(const char* f, auto... v) {
  char buf[256];
  std::snprintf(buf, sizeof buf, f, v...);
  return buf;
}

struct Atom {
  const char* name;
  const char* elem;
  int type;
  float x, y, z, q;
};

// An atom record of the first block: serial, a dummy x, y, z (replaced by the second block),
// the name in columns 40-43 and the symbol in columns 45-48.
std::string atom_record(int serial, const Atom& a) {
  return fmt("%4d %10.5f%10.5f%10.5f    %-4s %-4s", serial, 9.0, 9.0, 9.0, a.name, a.elem);
}
std::string coordinate_record(int type, float x, float y, float z, float q) {
  return fmt("%4d %10.5f%10.5f%10.5f%10.5f", type, x, y, z, q);
}
std::string coordinate_record(const Atom& a) { return coordinate_record(a.type, a.x, a.y, a.z, a.q); }
// R-ATOM as the report must show it: "(I4,X,4F10.5,4X,A4,X,A4)".
std::string r_atom(const Atom& a) {
  return fmt("%4d %10.5f%10.5f%10.5f%10.5f    %-4s %-4s\n", a.type, a.x, a.y, a.z, a.q, a.name, a.elem);
}
std::string flag_record(const char* cols_39_43) { return std::string(38, ' ') + cols_39_43; }

const std::string kCell =
    "   10.0000    6.0000    8.0000   90.0000   95.5000   90.0000    0.5000    1.2500";
const std::string kRCell = "   10.0000    6.0000    8.0000   90.0000   95.5000   90.0000\n";
const char* kMarker = " Molecular Coord";
constexpr float kMARGW = 1.25f;

// A record that would read as a valid coordinate record but must never be read as one: if
// the skip count is off by one, an atom takes these values and R-ATOM shows it.
const std::string kDecoy = coordinate_record(6, 77.0f, 77.0f, 77.0f, 0.77f);

const std::vector<Atom> kThree = {
    {"C1", "C", 1, 1.0f, 2.0f, 0.0f, -0.1f},
    {"H1", "H", 2, -1.5f, 0.5f, 0.25f, 0.1f},
    {"O1", "O", 3, 0.0f, -2.0f, 0.0f, -0.2f},
};

std::string join(const std::vector<std::string>& recs) {
  std::string s;
  for (const auto& r : recs) s += r + "\n";
  return s;
}

// The cell record, the first block with its terminator, the flag record, then `middle` (the
// records from the one after the flag record up to the one before the coordinate records),
// the coordinate records and `after`.
std::vector<std::string> molecule_file(const std::vector<Atom>& atoms, const std::vector<std::string>& middle,
                                       const std::vector<std::string>& after = {kDecoy},
                                       const char* iswap = "    0") {
  std::vector<std::string> r{kCell};
  for (std::size_t j = 0; j < atoms.size(); ++j) r.push_back(atom_record(static_cast<int>(j) + 1, atoms[j]));
  r.push_back(atom_record(0, {"", "", 0, 0, 0, 0, 0}));
  r.push_back(flag_record(iswap));
  r.insert(r.end(), middle.begin(), middle.end());
  for (const Atom& a : atoms) r.push_back(coordinate_record(a));
  r.insert(r.end(), after.begin(), after.end());
  return r;
}

struct ReadResult {
  std::string report;
  std::string failure;  // Failure::what(), empty when the read succeeded
  std::unique_ptr<Cood> cood = std::make_unique<Cood>();
  MoleculeInfo mol;
  int record = 0;  // the input's record number on return
};

ReadResult read(const std::string& text) {
  std::istringstream is(text);
  std::ostringstream os;
  RecordInput in(is, "atp.dat");
  RecordOutput report(os, "qtVORNEL.dat");
  ReadResult r;
  try {
    read_molecule(in, report, *r.cood, r.mol);
  } catch (const Failure& f) {
    r.failure = f.what();
  }
  r.report = os.str();
  r.record = in.record();
  return r;
}

std::string r_atoms(const std::vector<Atom>& atoms, std::size_t n) {
  std::string s;
  for (std::size_t j = 0; j < n; ++j) s += r_atom(atoms[j]);
  return s;
}

// ---------------------------------------------------------------------------------------------

TEST(MoleculeReader, WorkedExampleReport) {
  // Records 7 and 8 other, 9 the marker, 10 skipped, 11-13 the coordinate records.
  const ReadResult r = read(join(molecule_file(kThree, {"other 1", "other 2", kMarker, kDecoy})));
  ASSERT_EQ(r.failure, "");
  EXPECT_EQ(r.report, kRCell +
                          "   1    1.00000   2.00000   0.00000  -0.10000    C1   C   \n"
                          "   2   -1.50000   0.50000   0.25000   0.10000    H1   H   \n"
                          "   3    0.00000  -2.00000   0.00000  -0.20000    O1   O   \n"
                          " VV =    4.00000  VL =    2.50000\n");
  EXPECT_EQ(r.mol.NATOM, 3);
  EXPECT_EQ(r.record, 13);
  EXPECT_EQ(r.mol.DTH, 5.0f);
  EXPECT_EQ(r.mol.MARGT, 0.5f);
  EXPECT_EQ(r.mol.MARGW, 1.25f);
  const std::array<float, 6> cell{10.0f, 6.0f, 8.0f, 90.0f, 95.5f, 90.0f};
  EXPECT_EQ(r.cood->CELL, cell);
  for (int j = 0; j < 3; ++j) {
    const auto k = static_cast<std::size_t>(j);
    EXPECT_EQ(r.cood->ITYPE[k], kThree[k].type);
    EXPECT_EQ(r.cood->mol.X[k], kThree[k].x);
    EXPECT_EQ(r.cood->mol.Y[k], kThree[k].y);
    EXPECT_EQ(r.cood->mol.Z[k], kThree[k].z);
    EXPECT_EQ(r.cood->Q[k], kThree[k].q);
    EXPECT_EQ(r.cood->ANAME[k], Name4::from(kThree[k].name));
    EXPECT_EQ(r.cood->ELEM[k], Name4::from(kThree[k].elem));
  }
}

// The second block begins with the second record after the first marker record, however many
// other records stand before it; only columns 1-16 are compared, letter case and blanks count.
TEST(MoleculeReader, SkipCountOverTheMarkerSearch) {
  struct SkipRow {
    const char* what;
    std::vector<std::string> middle;
    int first_coordinate;  // record number of coordinate record 1
  };
  const std::string coordinates_a = coordinate_record(1, 5.0f, 5.0f, 5.0f, 0.5f);
  const std::vector<SkipRow> rows = {
      {"worked example", {"other 1", "other 2", kMarker, kDecoy}, 11},
      {"marker right after the flag record", {kMarker, kDecoy}, 9},
      {"blank records before the marker", {"", "   ", kMarker, kDecoy}, 11},
      {"extra text after column 16 matches", {" Molecular Coordinates (Angstrom)", kDecoy}, 9},
      {"marker starting in column 1: no match",
       {"Molecular Coordinates", kDecoy, kDecoy, kDecoy, kDecoy, kMarker, kDecoy}, 14},
      {"other letter case: no match", {" molecular coord", " MOLECULAR COORD", kMarker, kDecoy}, 11},
      {"marker cut short: no match", {" Molecular Coor", kMarker, kDecoy}, 10},
      {"the record after the marker may be a marker", {kMarker, kMarker}, 9},
  };
  for (const SkipRow& row : rows) {
    const ReadResult r = read(join(molecule_file(kThree, row.middle, {kMarker, kDecoy, kDecoy})));
    ASSERT_EQ(r.failure, "") << row.what;
    EXPECT_EQ(r.report, kRCell + r_atoms(kThree, 3) + " VV =    4.00000  VL =    2.50000\n") << row.what;
    EXPECT_EQ(r.record, row.first_coordinate + 2) << row.what;
  }
}

// No marker among the 300 records after the flag record: NSKIP = NATOM + 305, so the second
// block begins with the third record after the last scanned one.
TEST(MoleculeReader, NoMarkerWithin300Records) {
  std::vector<std::string> middle;
  for (int n = 1; n <= 300; ++n) middle.push_back(fmt("scanned %d", n));
  middle.push_back(kDecoy);  // 301st after the flag record: not scanned, skipped
  middle.push_back(kDecoy);  // 302nd: skipped
  const ReadResult r = read(join(molecule_file(kThree, middle, {kDecoy, kDecoy})));
  ASSERT_EQ(r.failure, "");
  EXPECT_EQ(r.report, kRCell + r_atoms(kThree, 3) + " VV =    4.00000  VL =    2.50000\n");
  EXPECT_EQ(r.record, 6 + 302 + 3);

  // A marker as the 301st record is beyond the search: the skip is the same as without one.
  middle[300] = kMarker;
  EXPECT_EQ(read(join(molecule_file(kThree, middle))).report, r.report);
  // A marker as the 300th is still found: the block starts with the second record after it.
  middle[299] = kMarker;
  middle[300] = kDecoy;
  const ReadResult m = read(join(molecule_file(kThree, std::vector<std::string>(middle.begin(), middle.begin() + 301))));
  EXPECT_EQ(m.failure, "");
  EXPECT_EQ(m.record, 6 + 301 + 3);
}

TEST(MoleculeReader, NoAtoms) {
  // The first atom record reads 0: NSKIP = 5 plus one per non-marker record.
  const std::vector<std::string> file = {kCell, "   0", flag_record("    1"), "other", kMarker, "last"};
  const ReadResult r = read(join(file));
  ASSERT_EQ(r.failure, "");
  EXPECT_EQ(r.report, kRCell + " VV =    0.00000  VL =    0.00000\n");
  EXPECT_EQ(r.mol.NATOM, 0);
  EXPECT_EQ(r.record, 6);
  EXPECT_EQ(r.mol.VV, 0.0f);
  EXPECT_EQ(r.mol.VL, 0.0f);
  // ISWAP non-zero: WID = (MARGW + MARGW) + (VL + 2.0), here the same as without exchange.
  EXPECT_EQ(r.mol.WID, (kMARGW + kMARGW) + 2.0f);
}

// A record whose columns 1-4 read 0 closes the first block, a blank or empty one included.
TEST(MoleculeReader, TerminatorRecord) {
  const std::vector<const char*> terminators = {"", "    ", "   0", "0   ", "  -0",
                                                "   0    1.00000   2.00000   3.00000    name elem"};
  for (const char* t : terminators) {
    std::vector<std::string> file = {kCell, atom_record(1, kThree[0]), atom_record(2, kThree[1]), t,
                                     flag_record("     "), kMarker, kDecoy,
                                     coordinate_record(kThree[0]), coordinate_record(kThree[1])};
    const ReadResult r = read(join(file));
    ASSERT_EQ(r.failure, "") << '"' << t << '"';
    EXPECT_EQ(r.mol.NATOM, 2) << '"' << t << '"';
    EXPECT_EQ(r.report, kRCell + r_atoms(kThree, 2) + " VV =    2.00000  VL =    2.50000\n") << '"' << t << '"';
  }
}

// Any non-zero ISWAP, negative included, exchanges x and y after R-ATOM and R-EXTENT; a blank
// field reads 0.  The serial of a first-block atom record may be any non-zero integer.
TEST(MoleculeReader, Iswap) {
  struct SwapRow {
    const char* cols_39_43;
    bool swapped;
  };
  const std::vector<SwapRow> rows = {{"     ", false}, {"    0", false}, {"   -0", false},
                                     {"    1", true},  {"   -1", true},  {"  -12", true},
                                     {"1    ", true},  {"    0 any text after column 43", false}};
  const std::string plain_report = kRCell + r_atoms(kThree, 3) + " VV =    4.00000  VL =    2.50000\n";
  for (const SwapRow& row : rows) {
    const ReadResult r = read(join(molecule_file(kThree, {kMarker, kDecoy}, {}, row.cols_39_43)));
    ASSERT_EQ(r.failure, "") << row.cols_39_43;
    EXPECT_EQ(r.report, plain_report) << "R-ATOM and R-EXTENT show the coordinates as read";
    EXPECT_EQ(r.mol.ISWAP != 0, row.swapped) << row.cols_39_43;
    EXPECT_EQ(r.mol.VV, 4.0f);
    EXPECT_EQ(r.mol.VL, 2.5f);
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(r.cood->mol.X[k], row.swapped ? kThree[k].y : kThree[k].x) << row.cols_39_43;
      EXPECT_EQ(r.cood->mol.Y[k], row.swapped ? kThree[k].x : kThree[k].y) << row.cols_39_43;
      EXPECT_EQ(r.cood->mol.Z[k], kThree[k].z);
    }
    // WID is twice the margin plus 2.0 plus the y extent of the coordinates used later, each
    // sum in the reader's grouping, before and after an exchange.
    const float VV = 4.0f, VL = 2.5f;
    EXPECT_EQ(r.mol.WID, row.swapped ? (kMARGW + kMARGW) + (VL + 2.0f) : (kMARGW + kMARGW) + (2.0f + VV))
        << row.cols_39_43;
  }
}

// The extremes start at 0.0, so both extents include the origin.
TEST(MoleculeReader, ExtentsIncludeTheOrigin) {
  struct ExtentRow {
    std::vector<float> x, y;
    const char* r_extent;
  };
  const std::vector<ExtentRow> rows = {
      {{-2.0f, -1.0f, -0.5f}, {1.0f, 2.5f, 3.0f}, " VV =    3.00000  VL =    2.00000\n"},
      {{1.0f, 2.0f, 4.0f}, {-1.0f, -3.0f, -2.0f}, " VV =    3.00000  VL =    4.00000\n"},
      {{-1.0f, 1.5f, 0.0f}, {-1.25f, 0.0f, 2.0f}, " VV =    3.25000  VL =    2.50000\n"},
  };
  for (const ExtentRow& row : rows) {
    std::vector<Atom> atoms = kThree;
    for (std::size_t k = 0; k < 3; ++k) {
      atoms[k].x = row.x[k];
      atoms[k].y = row.y[k];
    }
    const ReadResult r = read(join(molecule_file(atoms, {kMarker, kDecoy})));
    ASSERT_EQ(r.failure, "");
    EXPECT_EQ(r.report, kRCell + r_atoms(atoms, 3) + row.r_extent);
  }
}

// 100 atom records followed by the terminator are read like any other molecule (the skip
// stays NATOM + 5); a non-zero serial in the 101st record is refused.
TEST(MoleculeReader, HundredAtoms) {
  std::vector<Atom> atoms;
  for (int j = 1; j <= 100; ++j)
    atoms.push_back({"C", "C", 1 + j % 7, 0.25f * static_cast<float>(j), -0.125f * static_cast<float>(j), 0.0f, 0.0f});
  const ReadResult r = read(join(molecule_file(atoms, {kMarker, kDecoy})));
  ASSERT_EQ(r.failure, "");
  EXPECT_EQ(r.mol.NATOM, 100);
  EXPECT_EQ(r.record, 205);  // cell, 100 atoms, terminator, flag, marker, 1 skipped, 100 coordinates
  EXPECT_EQ(r.report, kRCell + r_atoms(atoms, 100) + " VV =   12.50000  VL =   25.00000\n");
  EXPECT_EQ(r.cood->mol.X[99], 25.0f);

  std::vector<std::string> file = molecule_file(atoms, {kMarker, kDecoy});
  file.insert(file.begin() + 101, atom_record(101, atoms[0]));  // a 101st atom record
  const ReadResult bad = read(join(file));
  EXPECT_EQ(bad.failure,
            "atp.dat: record 102, columns 1-4: the first atom block holds more than 100 atoms (serial 101 "
            "where the terminator record with serial 0 was expected); packscan takes molecules of at most "
            "100 atoms");
  EXPECT_EQ(bad.report, kRCell);
}

// A type number outside 1..7 is refused when its coordinate record is read, before its
// R-ATOM is written.
TEST(MoleculeReader, TypeNumberOutsideOneToSeven) {
  struct TypeRow {
    int type;
    bool ok;
  };
  const std::vector<TypeRow> rows = {{1, true}, {7, true}, {0, false}, {8, false}, {9, false}, {-1, false}};
  for (const TypeRow& row : rows) {
    std::vector<Atom> atoms = kThree;
    atoms[1].type = row.type;
    const ReadResult r = read(join(molecule_file(atoms, {kMarker, kDecoy})));  // atom 2: record 10
    if (row.ok) {
      EXPECT_EQ(r.failure, "") << row.type;
      continue;
    }
    EXPECT_EQ(r.failure, "atp.dat: record 10, columns 1-4: type number " + std::to_string(row.type) +
                             " of atom 2 is outside 1..7");
    EXPECT_EQ(r.report, kRCell + r_atom(atoms[0])) << row.type;
  }
}

// Every conversion failure and every end of file ends the read,
// and the report keeps exactly what was written before.
TEST(MoleculeReader, Failures) {
  // The good file: 1 cell, 2-4 atoms, 5 terminator, 6 flag, 7 marker, 8 skipped, 9-11 coordinates.
  const std::vector<std::string> good = molecule_file(kThree, {kMarker, kDecoy});
  auto with = [&](std::size_t record, const std::string& text) {
    std::vector<std::string> f = good;
    f[record - 1] = text;
    return join(f);
  };
  auto first = [&](std::size_t n) { return join(std::vector<std::string>(good.begin(), good.begin() + static_cast<long>(n))); };
  std::vector<std::string> no_marker(good.begin(), good.begin() + 6);
  for (int n = 0; n < 5; ++n) no_marker.push_back("other");
  std::vector<std::string> short_block(good.begin(), good.begin() + 6);
  short_block.insert(short_block.end(), {"other", kMarker, kDecoy, coordinate_record(kThree[0]), coordinate_record(kThree[1])});

  struct FailRow {
    const char* what;
    std::string file;
    std::string failure;
    std::string report;
  };
  const std::vector<FailRow> rows = {
      {"empty file", "", "atp.dat: ends at record 1, where the cell record was expected", ""},
      {"letters in the cell record", with(1, "   10.0000   12.3a"),
       "atp.dat: record 1, columns 11-20: cannot read \"12.3a\" as a number", ""},
      {"a lone sign in the cell record", with(1, "   10.0000    6.0000         -"),
       "atp.dat: record 1, columns 21-30: cannot read \"-\" as a number", ""},
      {"ends inside the first block", first(3),
       "atp.dat: ends at record 4, where the atom record of atom 3 or the terminator record was expected", kRCell},
      {"letters in an atom record's y", with(3, "   2    1.0000    1.0O00    1.0000    H1   H"),
       "atp.dat: record 3, columns 16-25: cannot read \"1.0O00\" as a number", kRCell},
      {"letters in an atom record's serial", with(2, "  C1"),
       "atp.dat: record 2, columns 1-4: cannot read \"C1\" as a number", kRCell},
      {"the terminator's fields must convert", with(5, "   0   garbage"),
       "atp.dat: record 5, columns 6-15: cannot read \"garbage\" as a number", kRCell},
      {"ends right after the terminator", first(5),
       "atp.dat: ends at record 6, where the flag record (ISWAP in columns 39-43) was expected", kRCell},
      {"letters in columns 39-43 of the flag record", with(6, flag_record("  1x")),
       "atp.dat: record 6, columns 39-43: cannot read \"1x\" as a number", kRCell},
      {"no marker, the file ends before 300 records", join(no_marker),
       "atp.dat: ends at record 12, where the marker record \" Molecular Coord\" was expected", kRCell},
      {"the file ends with the marker record", first(7),
       "atp.dat: ends at record 8, where the record that follows the marker record \" Molecular Coord\" was "
       "expected",
       kRCell},
      {"fewer coordinate records than atoms", join(short_block),
       "atp.dat: ends at record 12, where the coordinate record of atom 3 was expected",
       kRCell + r_atoms(kThree, 2)},
      {"letters in coordinate record 2", with(10, coordinate_record(kThree[1]).substr(0, 35) + "    0.1q"),
       "atp.dat: record 10, columns 36-45: cannot read \"0.1q\" as a number", kRCell + r_atoms(kThree, 1)},
      {"a lone sign in coordinate record 3", with(11, "   3         -"),
       "atp.dat: record 11, columns 6-15: cannot read \"-\" as a number", kRCell + r_atoms(kThree, 2)},
      {"letters in coordinate record 1's type", with(9, "  1a"),
       "atp.dat: record 9, columns 1-4: cannot read \"1a\" as a number", kRCell},
  };
  for (const FailRow& row : rows) {
    const ReadResult r = read(row.file);
    EXPECT_EQ(r.failure, row.failure) << row.what;
    EXPECT_EQ(r.report, row.report) << row.what;
  }
  ASSERT_EQ(read(join(good)).failure, "");
}

// Without a marker the end-of-file message says why the coordinate records were not found.
TEST(MoleculeReader, NoMarkerThenEndOfFile) {
  std::vector<std::string> middle;
  for (int n = 1; n <= 302; ++n) middle.push_back(fmt("scanned %d", n));
  std::vector<std::string> file = molecule_file(kThree, middle, {});
  file.resize(file.size() - 1);  // coordinate record 3 is missing
  const ReadResult r = read(join(file));
  EXPECT_EQ(r.failure,
            "atp.dat: ends at record 311, where the coordinate record of atom 3 (no marker record \" Molecular "
            "Coord\" within 300 records after the flag record) was expected");
  EXPECT_EQ(r.report, kRCell + r_atoms(kThree, 2));
}

}  // namespace
