// The neighbour record search: the scan of the first 300 records, the candidates m,
// m + 5 and m + 10, the strict acceptance window, the R-CAND echo, and a candidate that cannot
// be converted (a failure naming its record and columns, not a quiet end).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "input/neighbour_search.hpp"
#include "run/failure.hpp"
#include "support.hpp"

using namespace packscan;

namespace {

std::string f10(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%10.5f", static_cast<double>(v));
  return buf;
}

// A candidate in the layout "(6X,A8,24X,3F10.5,2X,2F10.5)", built with printf.  `sixth` is the
// text of columns 81-90.
std::string candidate(const char* name8, float rx, float ry, float rz, float theta,
                      const std::string& sixth = "   1.00000") {
  return std::string(6, ' ') + name8 + std::string(24, ' ') + f10(rx) + f10(ry) + f10(rz) + "  " +
         f10(theta) + sixth;
}
// R-CAND: the same record cut after column 80 (no item for the sixth field).
std::string echo(const char* name8, float rx, float ry, float rz, float theta) {
  return candidate(name8, rx, ry, rz, theta).substr(0, 80) + "\n";
}

// `n` records, none named "UNIT p  " in columns 7-14; some come close.
std::vector<std::string> filler(int n) {
  std::vector<std::string> r;
  for (int k = 1; k <= n; ++k) {
    switch (k % 4) {
      case 0: r.push_back("      UNIT P  near miss " + std::to_string(k)); break;
      case 1: r.push_back(" UNIT p  shifted " + std::to_string(k)); break;
      case 2: r.push_back("      UNITp   " + std::to_string(k)); break;
      default: r.push_back("filler record " + std::to_string(k)); break;
    }
  }
  return r;
}

struct SearchResult {
  std::string report;
  std::string failure;
  NeighbourRecord nb;
  int record = 0;  // the input's record number on return
};

SearchResult search(const std::vector<std::string>& records) {
  std::string text;
  for (const auto& r : records) text += r + "\n";
  std::istringstream is(text);
  std::ostringstream os;
  RecordInput in(is, "atp.dat");
  RecordOutput report(os, "qtVORNEL.dat");
  SearchResult s;
  try {
    find_neighbour_record(in, report, s.nb);
  } catch (const Failure& f) {
    s.failure = f.what();
  }
  s.report = os.str();
  s.record = in.record();
  return s;
}

int count_lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

// ---------------------------------------------------------------------------------------------

TEST(NeighbourSearch, WorkedExample) {
  std::vector<std::string> f = filler(50);
  f[39] = candidate("UNIT p  ", 1.0f, 2.0f, 7.2f, 30.0f);   // record 40: RZ outside the window
  f[44] = candidate("UNIT p  ", 0.5f, -1.5f, -4.1f, 60.0f); // record 45: accepted
  const SearchResult s = search(f);
  ASSERT_EQ(s.failure, "");
  EXPECT_EQ(s.report, echo("UNIT p  ", 1.0f, 2.0f, 7.2f, 30.0f) + echo("UNIT p  ", 0.5f, -1.5f, -4.1f, 60.0f));
  EXPECT_EQ(s.nb.RX, 0.5f);
  EXPECT_EQ(s.nb.RY, -1.5f);
  EXPECT_EQ(s.nb.RZ, -4.1f);
  EXPECT_EQ(s.nb.Theta, 60.0f);
  EXPECT_EQ(s.record, 45);
}

// RZ strictly inside (3, 6) or (-6, -3); the bounds and zero are outside.
TEST(NeighbourSearch, AcceptanceWindowIsStrict) {
  struct WindowRow {
    const char* rz;  // columns 59-68
    bool accepted;
  };
  const std::vector<WindowRow> rows = {
      {"   3.00000", false}, {"   6.00000", false}, {"  -3.00000", false}, {"  -6.00000", false},
      {"   0.00000", false}, {"  -0.00000", false}, {"          ", false}, {"   7.20000", false},
      {"  -7.20000", false}, {"   3.00001", true},  {"   5.99999", true},  {"  -3.00001", true},
      {"  -5.99999", true},  {"   4.50000", true},  {"  -4.50000", true},  {"    45.E-1", true},
      {"    450000", true},  {"     45E-1", false},  // implied decimals: 45E-1 in F10.5 is 0.000045
  };
  for (const WindowRow& row : rows) {
    std::vector<std::string> f = filler(20);
    std::string first = candidate("UNIT p  ", 1.0f, 2.0f, 0.0f, 10.0f);
    first.replace(58, 10, row.rz);
    f[9] = first;                                               // record 10
    f[14] = candidate("UNIT p  ", 9.0f, 9.0f, 4.0f, 20.0f);     // record 15, always acceptable
    const SearchResult s = search(f);
    ASSERT_EQ(s.failure, "") << row.rz;
    EXPECT_EQ(count_lines(s.report), row.accepted ? 1 : 2) << row.rz;
    EXPECT_EQ(s.nb.RX, row.accepted ? 1.0f : 9.0f) << row.rz;
    EXPECT_EQ(s.record, row.accepted ? 10 : 15) << row.rz;
  }

  // The rule itself, one float away from each bound.
  const Name8 p = Name8::from("UNIT p  ");
  struct RuleRow {
    float rz;
    bool accepted;
  };
  const std::vector<RuleRow> rule = {
      {3.0f, false}, {std::nextafter(3.0f, 4.0f), true}, {6.0f, false}, {std::nextafter(6.0f, 0.0f), true},
      {-3.0f, false}, {std::nextafter(-3.0f, -4.0f), true}, {-6.0f, false}, {std::nextafter(-6.0f, 0.0f), true},
      {0.0f, false}, {-0.0f, false}, {std::nanf(""), false}, {INFINITY, false},
  };
  for (const RuleRow& r : rule) EXPECT_EQ(accept_candidate(p, r.rz), r.accepted) << r.rz;
  EXPECT_FALSE(accept_candidate(Name8::from("UNIT P  "), 4.5f));
}

// The second and third candidates must carry the name too, compared on all 8 characters.
TEST(NeighbourSearch, RenamedSecondCandidate) {
  struct NameRow {
    const char* name8;
    bool accepted;
  };
  const std::vector<NameRow> rows = {{"UNIT p  ", true},  {"UNIT P  ", false}, {" UNIT p ", false},
                                     {"UNIT p 1", false}, {"unit p  ", false}, {"UNIT q  ", false},
                                     {"UNITp   ", false}};
  for (const NameRow& row : rows) {
    std::vector<std::string> f = filler(40);
    f[9] = candidate("UNIT p  ", 1.0f, 1.0f, 7.0f, 0.0f);   // record 10, rejected by RZ
    f[14] = candidate(row.name8, 2.0f, 2.0f, 4.5f, 0.0f);   // record 15
    f[19] = candidate("UNIT p  ", 3.0f, 3.0f, 5.0f, 0.0f);  // record 20
    const SearchResult s = search(f);
    ASSERT_EQ(s.failure, "") << row.name8;
    EXPECT_EQ(count_lines(s.report), row.accepted ? 2 : 3) << row.name8;
    EXPECT_EQ(s.nb.RX, row.accepted ? 2.0f : 3.0f) << row.name8;
  }
}

// A record ending right after the p of the name (column 12) matches: the missing columns read
// as blanks, and so do the missing numeric fields.
TEST(NeighbourSearch, ShortRecordMatchesTheName) {
  std::vector<std::string> f = filler(20);
  f[4] = "      UNIT p";                                     // record 5: RZ reads 0, rejected
  f[9] = candidate("UNIT p  ", 1.0f, 2.0f, 3.5f, 40.0f);     // record 10
  const SearchResult s = search(f);
  ASSERT_EQ(s.failure, "");
  EXPECT_EQ(s.report, echo("UNIT p  ", 0.0f, 0.0f, 0.0f, 0.0f) + echo("UNIT p  ", 1.0f, 2.0f, 3.5f, 40.0f));
}

// A candidate ending after column 68 has Theta = 0 (and a blank sixth field).
TEST(NeighbourSearch, ShortCandidateGivesThetaZero) {
  std::vector<std::string> f = filler(10);
  f[2] = candidate("UNIT p  ", 1.0f, 2.0f, 4.5f, 99.0f).substr(0, 68);
  const SearchResult s = search(f);
  ASSERT_EQ(s.failure, "");
  EXPECT_EQ(s.nb.Theta, 0.0f);
  EXPECT_EQ(s.report, echo("UNIT p  ", 1.0f, 2.0f, 4.5f, 0.0f));
}

// None accepted: three R-CAND records, the third candidate's values, and four more records
// must follow the third candidate.
TEST(NeighbourSearch, NoCandidateAccepted) {
  std::vector<std::string> f = filler(34);
  f[19] = candidate("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f);   // record 20
  f[24] = candidate("UNIT p  ", 2.0f, 2.0f, -7.0f, 20.0f);  // record 25
  f[29] = candidate("UNIT P  ", 3.0f, 3.0f, 4.5f, 30.0f);   // record 30: wrong name
  const std::string three = echo("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f) + echo("UNIT p  ", 2.0f, 2.0f, -7.0f, 20.0f) +
                            echo("UNIT P  ", 3.0f, 3.0f, 4.5f, 30.0f);
  const SearchResult s = search(f);
  ASSERT_EQ(s.failure, "");
  EXPECT_EQ(s.report, three);
  EXPECT_EQ(s.nb.RX, 3.0f);
  EXPECT_EQ(s.nb.RZ, 4.5f);
  EXPECT_EQ(s.nb.Theta, 30.0f);
  EXPECT_EQ(s.record, 34);

  f.pop_back();  // only three records after the third candidate
  const SearchResult short_file = search(f);
  EXPECT_EQ(short_file.failure,
            "atp.dat: ends at record 34, where record 4 of the four that follow the rejected neighbour "
            "candidate 3 was expected");
  EXPECT_EQ(short_file.report, three);
}

// The scan covers records 1-300; with no match the candidates are 301, 306 and 311, whatever
// their names.
TEST(NeighbourSearch, ScanWindowOf300Records) {
  struct ScanRow {
    int match;  // the first record named "UNIT p  ", 0 for none within the file's first 300
    std::vector<int> candidates;
  };
  const std::vector<ScanRow> rows = {
      {1, {1, 6, 11}}, {300, {300, 305, 310}}, {0, {301, 306, 311}}};
  for (const ScanRow& row : rows) {
    std::vector<std::string> f = filler(320);
    if (row.match != 0) f[static_cast<std::size_t>(row.match - 1)] = candidate("UNIT p  ", 0.0f, 0.0f, 9.0f, 0.0f);
    // Every record that can be a candidate is one, with RX telling which record it is; only
    // the third is acceptable, and only by its name and RZ.
    std::string want;
    for (std::size_t c = 0; c < 3; ++c) {
      const int rec = row.candidates[c];
      const char* name = c == 0 && row.match == 0 ? "OTHER   " : "UNIT p  ";
      const float rz = c == 2 ? 4.5f : -7.5f;
      f[static_cast<std::size_t>(rec - 1)] = candidate(name, static_cast<float>(rec), 0.0f, rz, 0.0f);
      want += echo(name, static_cast<float>(rec), 0.0f, rz, 0.0f);
    }
    const SearchResult s = search(f);
    ASSERT_EQ(s.failure, "") << row.match;
    EXPECT_EQ(s.report, want) << row.match;
    EXPECT_EQ(s.nb.RX, static_cast<float>(row.candidates[2])) << row.match;
  }
}

// A candidate field that cannot be converted, the discarded sixth one included, is a
// failure naming the record and the columns; the failing candidate is not echoed.  Columns
// outside the five fields are not read.
TEST(NeighbourSearch, CandidateThatCannotBeConverted) {
  struct BadRow {
    int candidate;      // 1 or 2
    std::size_t first;  // first column of the spoilt text
    const char* text;
    const char* failure;  // nullptr: no failure
  };
  const std::vector<BadRow> rows = {
      {1, 39, "     1.2x4", "columns 39-48: cannot read \"1.2x4\""},
      {1, 49, "    abcdef", "columns 49-58: cannot read \"abcdef\""},
      {1, 59, "         -", "columns 59-68: cannot read \"-\""},
      {1, 71, "       Inf", "columns 71-80: cannot read \"Inf\""},
      {1, 81, "     1.2x4", "columns 81-90: cannot read \"1.2x4\""},
      {2, 81, "       NaN", "columns 81-90: cannot read \"NaN\""},
      {1, 15, "xxxxxxxxxxxxxxxxxxxxxxxx", nullptr},
      {1, 69, "zz", nullptr},
      {1, 91, "beyond column 90", nullptr},
  };
  for (const BadRow& row : rows) {
    std::vector<std::string> f = filler(50);
    f[39] = candidate("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f);  // record 40: rejected by RZ
    f[44] = candidate("UNIT p  ", 2.0f, 2.0f, 4.0f, 20.0f);  // record 45: accepted
    const std::size_t rec = row.candidate == 1 ? 40 : 45;
    std::string& r = f[rec - 1];
    if (r.size() < row.first - 1 + std::strlen(row.text)) r.resize(row.first - 1 + std::strlen(row.text), ' ');
    r.replace(row.first - 1, std::strlen(row.text), row.text);
    const SearchResult s = search(f);
    if (!row.failure) {
      EXPECT_EQ(s.failure, "") << row.first;
      EXPECT_EQ(count_lines(s.report), 2) << row.first;
      continue;
    }
    EXPECT_EQ(s.failure, "atp.dat: record " + std::to_string(rec) + ", " + row.failure + " as a number");
    EXPECT_EQ(s.report, row.candidate == 1 ? "" : echo("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f)) << row.failure;
  }
}

// The end of the file is a failure at every read of the search.
TEST(NeighbourSearch, EndOfFile) {
  const SearchResult scan = search(filler(20));
  EXPECT_EQ(scan.failure,
            "atp.dat: ends at record 21, where a neighbour record named \"UNIT p  \" in columns 7-14 was expected");
  EXPECT_EQ(scan.report, "");

  std::vector<std::string> f = filler(44);
  f[39] = candidate("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f);  // record 40, rejected; 41-44 follow
  const SearchResult second = search(f);
  EXPECT_EQ(second.failure, "atp.dat: ends at record 45, where neighbour candidate 2 was expected");
  EXPECT_EQ(second.report, echo("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f));
}

// In the whole run a candidate with letters in columns 81-90 ends it with a failure (status 1
// in main) after R-CAND of the earlier candidates: no type table follows.
TEST(NeighbourSearch, UnconvertibleCandidateStopsTheRun) {
  const std::string cell = "   10.0000    6.0000    8.0000   90.0000   90.0000   90.0000    0.5000    1.0000\n";
  const std::string input = cell +
                            "   1    0.00000   0.00000   0.00000    C1   C   \n"
                            "   0\n"
                            "\n"
                            " Molecular Coord\n"
                            "skipped\n"
                            "   1    0.00000   0.00000   0.00000   0.00000\n" +
                            candidate("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f) + "\n" +
                            "a\nb\nc\nd\n" + candidate("UNIT p  ", 2.0f, 2.0f, 4.0f, 20.0f, "    4.5.6") + "\n";
  const testsupport::MemoryRun r = testsupport::run_in_memory(input);
  EXPECT_EQ(r.failure, "atp.dat: record 13, columns 81-90: cannot read \"4.5.6\" as a number");
  const std::string head = "   10.0000    6.0000    8.0000   90.0000   90.0000   90.0000\n"
                           "   1    0.00000   0.00000   0.00000   0.00000    C1   C   \n"
                           " VV =    0.00000  VL =    0.00000\n";
  EXPECT_EQ(r.report, head + echo("UNIT p  ", 1.0f, 1.0f, 7.0f, 10.0f));
}

}  // namespace
