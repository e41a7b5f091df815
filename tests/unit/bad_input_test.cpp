// Inputs a chemist might hand packscan by mistake, and what each must lead to: the exit status,
// the words of the one-line message (file, record, columns, what was expected) and how many
// report records survive.  Most rows are a small change to one clean three-atom input, so a
// row shows exactly which record is wrong; the real program runs the rows where the file
// system matters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support.hpp"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

// Record numbers of the clean input, as a chemist counts lines in an editor.
enum Rec {
  kCell = 1,
  kAtom1 = 2,
  kAtom2 = 3,
  kAtom3 = 4,
  kTerminator = 5,
  kFlag = 6,
  kNeighbour = 8,        // "UNIT p  ", RZ = 3.35: accepted at once
  kSecondCandidate = 13, // five records later, examined only when the first is rejected
  kMarker = 14,
  kCoord1 = 16,
  kCoord2 = 17,
  kCoord3 = 18,
  kRecords = 19,
};

Lines clean_lines() {
  return {
      "    8.2350    6.0030    8.6580   90.0000  122.9200   90.0000    0.1500    0.1000",
      "   1    1.20000   0.70000   0.00000    C1   C   ",
      "   2   -1.20000  -0.70000   0.00000    C2   C   ",
      "   3    2.20000   1.30000   0.00000    H1   H   ",
      "   0    0.00000   0.00000   0.00000",
      " ISWAP (non-zero: exchange x and y)       0",
      " a three-atom test molecule",
      "   3  UNIT p  -x+1/2, y+1/2, -z          0.38000   4.05000   3.35000    51.90000   5.26967",
      "   4  UNIT q  -x+1/2, y-1/2, -z          0.38000  -4.05000   3.35000    51.90000   5.26967",
      "   5  UNIT a  x+1, y, z                  1.64815   4.53242   6.67502     0.00000   8.23499",
      "   6  UNIT b  x, y+1, z                  0.30030   5.88588  -1.14114     0.00000   6.00300",
      "   7  UNIT c  x, y, z+1                  8.40078  -1.03927   1.81873     0.00000   8.65800",
      "   8  UNIT p  -x+1/2, y+1/2, -z          0.38000   4.05000  -4.05000    51.90000   5.26967",
      " Molecular Coord",
      "  TY          X         Y         Z    CHARGE",
      "   1    1.20000   0.70000   0.00000  -0.10000",
      "   1   -1.20000  -0.70000   0.00000  -0.10000",
      "   2    2.20000   1.30000   0.00000   0.20000",
      " End of input",
  };
}

std::string join(const Lines& v) {
  std::string s;
  for (const auto& l : v) s += l + "\n";
  return s;
}

// Overwrites the columns from `col` (1-based) of record `rec` with `text`, padding a short
// record with blanks.
Lines set(Lines v, int rec, int col, const std::string& text) {
  std::string& l = v.at(static_cast<std::size_t>(rec - 1));
  const std::size_t from = static_cast<std::size_t>(col - 1);
  if (l.size() < from + text.size()) l.resize(from + text.size(), ' ');
  l.replace(from, text.size(), text);
  return v;
}

Lines first(Lines v, int n) {
  v.resize(static_cast<std::size_t>(n));
  return v;
}

Lines append(Lines v, const Lines& more) {
  v.insert(v.end(), more.begin(), more.end());
  return v;
}

std::string clean() { return join(clean_lines()); }

// The clean input with no record named "UNIT p  ", so a neighbour record can be appended at
// the end of the file, where the search meets the end of the file.
Lines without_neighbour() {
  return set(set(clean_lines(), kNeighbour, 7, "UNIT r  "), kSecondCandidate, 7, "UNIT r  ");
}

const std::string kRejected =  // RZ = 7.2 lies outside both windows
    "   9  UNIT p  -x+1/2, y+1/2, -z          0.38000   4.05000   7.20000    51.90000   5.26967";

// A cell field holding `text` (columns 1-10).
std::string cell_field(const std::string& text) {
  std::string f = std::string(10 - std::min<std::size_t>(10, text.size()), ' ') + text;
  return join(set(clean_lines(), kCell, 1, f));
}

std::string blank_records(int n) { return std::string(static_cast<std::size_t>(n), '\n'); }

// A molecule of n atoms in one row, with a marker and n coordinate records, but no neighbour
// record: the run stops in the neighbour search, after the molecule has been read.
std::string atoms_in_a_row(int n) {
  Lines v{"    8.2350    6.0030    8.6580   90.0000  122.9200   90.0000    0.1500    0.1000"};
  char buf[96];
  for (int j = 1; j <= n; ++j) {
    std::snprintf(buf, sizeof buf, "%4d %10.5f%10.5f%10.5f    C%-3d C   ", j, 1.5 * j, 0.0, 0.0, j % 1000);
    v.emplace_back(buf);
  }
  v.emplace_back("   0    0.00000   0.00000   0.00000");
  v.emplace_back(" ISWAP (non-zero: exchange x and y)       0");
  v.emplace_back(" Molecular Coord");
  v.emplace_back("  TY          X         Y         Z    CHARGE");
  for (int j = 1; j <= n; ++j) {
    std::snprintf(buf, sizeof buf, "%4d %10.5f%10.5f%10.5f%10.5f", 1, 1.5 * j, 0.0, 0.0, 0.0);
    v.emplace_back(buf);
  }
  return join(v);
}

int count_records(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

// What the report must hold after the run.
enum class Report {
  Prefix,     // exactly `records` complete records, the opening records of the clean run
  Count,      // exactly `records` complete records (the input changed an echoed record)
  LikeClean,  // a normal end with the clean run's report, atom 1's name shown as `name1`
  Contains,   // a normal end; the report contains every one of `words`
};

enum class Where { Memory, Disk };

// kEndless: atp.dat is a link to /dev/zero, a file with no line feed and no end.
enum Input { kAbsent, kFolder, kText, kEndless };

struct Case {
  const char* what;
  std::function<std::string()> input;
  int status;
  std::vector<std::string> words;  // in the message (status 1) or in the report (Contains)
  Report report;
  int records = 0;
  std::string name1 = "C1  ";
  Where where = Where::Memory;
  Input kind = kText;
};

std::string in_memory_clean_report() {
  static const std::string r = run_in_memory(clean()).report;
  return r;
}

// R-CAND of a blank record: blank name, zeros in the columns they were read from.
const std::string kBlankCandidate =
    std::string(38, ' ') + "   0.00000   0.00000   0.00000" + "  " + "   0.00000\n";

const std::string kEarlierReport = "an earlier run's report\n";

std::vector<Case> catalogue() {
  const std::string eof_neighbour_scan =
      "where a neighbour record named \"UNIT p  \" in columns 7-14 was expected";
  std::vector<Case> c = {
      // The input file as a whole.
      {"missing atp.dat: nothing is opened, nothing created, an earlier report kept",
       nullptr, 1, {"packscan: atp.dat: cannot open the input file: No such file or directory"},
       Report::Count, 1, "", Where::Disk, kAbsent},
      {"atp.dat is a folder", nullptr, 1, {"packscan: atp.dat: is a folder, not the input file"},
       Report::Count, 1, "", Where::Disk, kFolder},
      {"atp.dat is a link to /dev/zero: a first record without end", nullptr, 1,
       {"packscan: atp.dat: record 1, more than 16777216 characters without a line end"}, Report::Prefix, 0, "",
       Where::Disk, kEndless},
      {"empty file on disk: the outputs are opened, the report stays empty", [] { return std::string(); }, 1,
       {"packscan: atp.dat: ends at record 1, where the cell record was expected"}, Report::Prefix, 0, "",
       Where::Disk},
      {"ten blank records: no atoms, then no marker", [] { return blank_records(10); }, 1,
       {"atp.dat: ends at record 11, where the marker record \" Molecular Coord\" was expected"},
       Report::Count, 1},
      {"400 blank records: no atoms, three blank candidates, a normal end", [] { return blank_records(400); }, 0,
       {kBlankCandidate + kBlankCandidate + kBlankCandidate},
       Report::Contains},

      // The molecule reader: the end of the file.
      {"ends inside the first atom block", [] { return join(first(clean_lines(), kAtom2)); }, 1,
       {"atp.dat: ends at record 4, where the atom record of atom 3 or the terminator record was expected"},
       Report::Prefix, 1},
      {"ends right after the terminator record", [] { return join(first(clean_lines(), kTerminator)); }, 1,
       {"atp.dat: ends at record 6, where the flag record (ISWAP in columns 39-43) was expected"},
       Report::Prefix, 1},
      {"no marker record before the end of the file", [] { return join(first(clean_lines(), kMarker - 1)); }, 1,
       {"atp.dat: ends at record 14, where the marker record \" Molecular Coord\" was expected"},
       Report::Prefix, 1},
      // The skip passes the marker and one record more: 3 + 5 + 7 other records = 15.
      {"ends with the marker record", [] { return join(first(clean_lines(), kMarker)); }, 1,
       {"atp.dat: ends at record 15, where the record that follows the marker record \" Molecular Coord\" "
        "was expected"},
       Report::Prefix, 1},
      {"fewer coordinate records than atoms", [] { return join(first(clean_lines(), kCoord2)); }, 1,
       {"atp.dat: ends at record 18, where the coordinate record of atom 3 was expected"}, Report::Prefix, 3},

      // The molecule reader: fields that cannot be converted.
      {"letter in a cell value", [] { return join(set(clean_lines(), kCell, 11, "    6.0o30")); }, 1,
       {"atp.dat: record 1, columns 11-20: cannot read \"6.0o30\" as a number"}, Report::Prefix, 0},
      {"letter in an atom record's x", [] { return join(set(clean_lines(), kAtom2, 6, "  -1.2000x")); }, 1,
       {"atp.dat: record 3, columns 6-15: cannot read \"-1.2000x\" as a number"}, Report::Prefix, 1},
      {"letter in the terminator record's z", [] { return join(set(clean_lines(), kTerminator, 26, "      zero")); },
       1, {"atp.dat: record 5, columns 26-35: cannot read \"zero\" as a number"}, Report::Prefix, 1},
      {"letters in the flag field", [] { return join(set(clean_lines(), kFlag, 39, "  yes")); }, 1,
       {"atp.dat: record 6, columns 39-43: cannot read \"yes\" as a number"}, Report::Prefix, 1},
      {"letter in a charge", [] { return join(set(clean_lines(), kCoord2, 36, "  -0.1OOOO")); }, 1,
       {"atp.dat: record 17, columns 36-45: cannot read \"-0.1OOOO\" as a number"}, Report::Prefix, 2},

      // Refused spellings of a number, each in the first cell value (columns 1-10).
      {"tab inside a number", [] { return cell_field("8.2\t350"); }, 1,
       {"atp.dat: record 1, columns 1-10: cannot read \"8.2\\t350\" as a number"}, Report::Prefix, 0},
      {"lone plus sign", [] { return cell_field("+"); }, 1,
       {"atp.dat: record 1, columns 1-10: cannot read \"+\" as a number"}, Report::Prefix, 0},
      {"lone point", [] { return cell_field("."); }, 1,
       {"atp.dat: record 1, columns 1-10: cannot read \".\" as a number"}, Report::Prefix, 0},
      {"two minus signs", [] { return cell_field("--1"); }, 1,
       {"atp.dat: record 1, columns 1-10: cannot read \"--1\" as a number"}, Report::Prefix, 0},
      {"decimal comma", [] { return cell_field("8,2350"); }, 1,
       {"atp.dat: record 1, columns 1-10: cannot read \"8,2350\" as a number"}, Report::Prefix, 0},
      {"beyond the float range", [] { return cell_field("1E99"); }, 1,
       {"atp.dat: record 1, columns 1-10: cannot read \"1E99\" as a number"}, Report::Prefix, 0},
      {"carriage return inside a field", [] { return cell_field("8.2\r350"); }, 1,
       {"atp.dat: record 1, columns 1-10: cannot read \"8.2\\r350\" as a number"}, Report::Prefix, 0},
      {"NUL byte inside a number", [] { return join(set(clean_lines(), kAtom1, 6, std::string("   1.2\0""000", 10))); },
       1, {"atp.dat: record 2, columns 6-15: cannot read \"1.2\\x00000\" as a number"}, Report::Prefix, 1},

      // Text fields are taken as they are.
      {"NUL byte in an atom name", [] { return join(set(clean_lines(), kAtom1, 40, std::string("C\0""1 ", 4))); }, 0,
       {}, Report::LikeClean, 0, std::string("C\0""1 ", 4)},
      {"invalid UTF-8 in an atom name", [] { return join(set(clean_lines(), kAtom1, 40, "\xC3(\xFF\xFE")); }, 0, {},
       Report::LikeClean, 0, "\xC3(\xFF\xFE"},
      {"a comment record of 4 MB", [] { return join(set(clean_lines(), 7, 1, std::string(4 << 20, 'x'))); }, 0, {},
       Report::LikeClean},
      {"4 MB of text after an atom record's last field",
       [] { return join(set(clean_lines(), kAtom1, 49, std::string(4 << 20, '7'))); }, 0, {}, Report::LikeClean},

      // 100 atoms are read with the terminator after them; a 101st is refused.
      {"100 atoms: the terminator closes the block", [] { return atoms_in_a_row(100); }, 1,
       {"atp.dat: ends at record 206, " + eof_neighbour_scan}, Report::Count, 102},
      {"101 atoms", [] { return atoms_in_a_row(101); }, 1,
       {"atp.dat: record 102, columns 1-4: the first atom block holds more than 100 atoms (serial 101 where "
        "the terminator record with serial 0 was expected)"},
       Report::Count, 1},

      // Type numbers outside 1..7 are refused before the atom's R-ATOM.
      {"type number 0", [] { return join(set(clean_lines(), kCoord2, 1, "   0")); }, 1,
       {"atp.dat: record 17, columns 1-4: type number 0 of atom 2 is outside 1..7"}, Report::Prefix, 2},
      {"type number 8", [] { return join(set(clean_lines(), kCoord2, 1, "   8")); }, 1,
       {"atp.dat: record 17, columns 1-4: type number 8 of atom 2 is outside 1..7"}, Report::Prefix, 2},

      // A type must have an atom with a known element symbol; a type no atom carries is zero.
      {"a type whose only atom is chlorine", [] { return join(set(clean_lines(), kAtom3, 45, "CL  ")); }, 1,
       {"atp.dat: record 4, columns 45-48: no atom of type 2 carries a known element symbol (atom 3 carries "
        "\"CL  \")",
        "first atom with one of the symbols S, C, H, N, O, F"},
       Report::Count, 6},
      {"a type number that no atom carries", [] { return join(set(clean_lines(), kCoord3, 1, "   3")); }, 0,
       {"   3    0.23430   1.96000\n   3    0.00000   0.00000\n   3    0.08370   1.62000\n"}, Report::Contains},

      // The neighbour search.
      {"letters in the sixth field of the accepted candidate",
       [] { return join(set(clean_lines(), kNeighbour, 81, "   5.2x967")); }, 1,
       {"atp.dat: record 8, columns 81-90: cannot read \"5.2x967\" as a number"}, Report::Prefix, 5},
      {"letters in the second candidate's RZ, after the first was echoed",
       [] {
         return join(set(set(clean_lines(), kNeighbour, 59, "   7.20000"), kSecondCandidate, 59, "  -4.05OOO"));
       },
       1, {"atp.dat: record 13, columns 59-68: cannot read \"-4.05OOO\" as a number"}, Report::Count, 6},
      {"no neighbour record before the end of the file", [] { return join(without_neighbour()); }, 1,
       {"atp.dat: ends at record 20, " + eof_neighbour_scan}, Report::Prefix, 5},
      {"rejected candidate with only two records after it",
       [] { return join(append(without_neighbour(), {kRejected, "", ""})); }, 1,
       {"atp.dat: ends at record 23, where ", "record 3 of the four that follow the rejected neighbour candidate 1 was expected"},
       Report::Count, 6},
      {"rejected candidate, four records, then the end instead of candidate 2",
       [] { return join(append(without_neighbour(), {kRejected, "", "", "", ""})); }, 1,
       {"atp.dat: ends at record 25, where neighbour candidate 2 was expected"}, Report::Count, 6},
  };
  return c;
}

struct Outcome {
  int status = 0;
  std::string message;
  std::string report;
  bool report_exists = true;
  std::vector<std::string> created;  // output files that exist after the run
  bool input_exists = true;
};

Outcome run_case(const Case& k) {
  Outcome o;
  if (k.where == Where::Memory) {
    const MemoryRun r = run_in_memory(k.input());
    o.status = r.failure.empty() ? 0 : 1;
    o.message = r.failure;
    o.report = r.report;
    return o;
  }
  TempDir dir;
  if (k.kind == kText) write_file(dir.path() / "atp.dat", k.input());
  if (k.kind == kFolder) fs::create_directory(dir.path() / "atp.dat");
  if (k.kind == kEndless) fs::create_symlink("/dev/zero", dir.path() / "atp.dat");
  write_file(dir.path() / "qtVORNEL.dat", kEarlierReport);
  o.status = run_packscan(dir.path());
  o.message = read_file(dir.path() / ".stderr");
  o.report = read_file(dir.path() / "qtVORNEL.dat");
  for (const char* f : kOutputFiles)
    if (fs::exists(dir.path() / f)) o.created.emplace_back(f);
  o.input_exists = fs::exists(dir.path() / "atp.dat");
  return o;
}

TEST(BadInput, Catalogue) {
  const std::string clean_report = in_memory_clean_report();
  ASSERT_FALSE(clean_report.empty());
  ASSERT_EQ(clean_report.find("C1   C   \n"), clean_report.find("C1  "));  // atom 1's name, once

  for (const Case& k : catalogue()) {
    SCOPED_TRACE(k.what);
    const Outcome o = run_case(k);
    EXPECT_EQ(o.status, k.status) << o.message;
    if (k.status != 0) {
      for (const auto& w : k.words) EXPECT_NE(o.message.find(w), std::string::npos) << "message: " << o.message;
      // One line: main prints the message and a line feed, nothing else.
      const auto nl = o.message.find('\n');
      if (k.where == Where::Disk) {
        EXPECT_EQ(nl, o.message.size() - 1) << o.message;
      } else {
        EXPECT_EQ(nl, std::string::npos) << o.message;
      }
    }
    if (!o.report.empty()) {
      EXPECT_EQ(o.report.back(), '\n') << "the report ends inside a record";
    }

    switch (k.report) {
      case Report::Prefix:
        EXPECT_EQ(count_records(o.report), k.records);
        EXPECT_TRUE(clean_report.starts_with(o.report)) << first_difference(clean_report, o.report);
        break;
      case Report::Count:
        EXPECT_EQ(count_records(o.report), k.records) << o.report.substr(0, 2000);
        break;
      case Report::LikeClean: {
        std::string want = clean_report;
        want.replace(want.find("C1  "), 4, k.name1);
        EXPECT_TRUE(o.report == want) << first_difference(want, o.report);
        break;
      }
      case Report::Contains:
        for (const auto& w : k.words) EXPECT_NE(o.report.find(w), std::string::npos) << w;
        break;
    }

    if (k.kind == kAbsent || k.kind == kFolder) {
      // Refused before any output file is opened: the earlier report is intact, no snapshot
      // file appears, and the input is not created.
      EXPECT_EQ(o.report, kEarlierReport);
      EXPECT_EQ(o.created, std::vector<std::string>{"qtVORNEL.dat"});
      EXPECT_EQ(o.input_exists, k.kind == kFolder);
    } else if (k.where == Where::Disk) {
      EXPECT_EQ(o.created.size(), kOutputFiles.size());
    }
  }
}

}  // namespace
