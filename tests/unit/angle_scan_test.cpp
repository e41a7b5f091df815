// The angle scan's bookkeeping: the record shift before the fine pass, the start value of
// XOFF, and the shape of the scan section of whole reports (start lines of both passes, the
// slide scan, the two final tables of 45 rows).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "search/angle_scan.hpp"
#include "support.hpp"

namespace {

namespace fs = std::filesystem;
using packscan::ScanRecord;

// ---------------------------------------------------------------------------------------------
// Record shift

auto fields(const ScanRecord& r) {
  return std::tie(r.RTH, r.RA, r.RB, r.RXO, r.RRY, r.RRZ, r.RE1, r.RE1V, r.RE1C, r.RN12, r.RFX,
                  r.RFY, r.RFZ, r.RE2, r.RE2V, r.RE2C, r.RN3, r.RETOT);
}

// Coarse record K (1-based) of angle 5 (K - 1), every field distinct.
ScanRecord coarse(int K) {
  const float k = static_cast<float>(K);
  ScanRecord r;
  r.RTH = 5.0f * (k - 1.0f);
  r.RA = k + 0.01f;
  r.RB = k + 0.02f;
  r.RXO = k + 0.03f;
  r.RRY = k + 0.04f;
  r.RRZ = k + 0.05f;
  r.RE1 = -k - 0.06f;
  r.RE1V = -k - 0.07f;
  r.RE1C = -k - 0.08f;
  r.RN12 = K;
  r.RFX = k + 0.09f;
  r.RFY = k + 0.10f;
  r.RFZ = k + 0.11f;
  r.RE2 = -k - 0.12f;
  r.RE2V = -k - 0.13f;
  r.RE2C = -k - 0.14f;
  r.RN3 = 2 * K;
  r.RETOT = -k - 0.15f;
  return r;
}

TEST(AngleScan, ShiftRecordsMakesRoomForTheFinePass) {
  struct Case {
    float THBEST;
    int KBEST;
  };
  const Case cases[] = {{60.0f, 13}, {0.0f, 1}, {180.0f, 37}};
  const int NSTEP = 37;
  for (const Case& c : cases) {
    SCOPED_TRACE("THBEST " + std::to_string(c.THBEST));
    ASSERT_EQ(coarse(c.KBEST).RTH, c.THBEST);
    std::array<ScanRecord, packscan::kMaxScanRecords> records{};
    for (int K = 1; K <= NSTEP; ++K) records[K - 1] = coarse(K);
    packscan::shift_records(records, NSTEP, c.KBEST);
    for (int K = 1; K <= packscan::kMaxScanRecords; ++K) {
      SCOPED_TRACE("record " + std::to_string(K));
      // Below KBEST untouched; KBEST..KBEST+7 keep their old contents (the fine pass writes
      // them); from KBEST+8 on the coarse records KBEST..NSTEP; nothing beyond NSTEP+8.
      ScanRecord want{};
      if (K < c.KBEST + 8) {
        if (K <= NSTEP) want = coarse(K);
      } else if (K <= NSTEP + 8) {
        want = coarse(K - 8);
      }
      EXPECT_TRUE(fields(records[K - 1]) == fields(want)) << "holds RTH " << records[K - 1].RTH;
    }
  }
}

TEST(AngleScan, XoffStartsFromRxBelowTen) {
  struct Case {
    float RX, XOFF;
  };
  const float below_ten = std::nextafter(10.0f, 0.0f);
  const Case cases[] = {{12.5f, 0.0f},      {10.0f, 0.0f}, {below_ten, below_ten}, {9.9f, 9.9f},
                        {0.38f, 0.38f},     {0.0f, 0.0f},  {-2.75f, -2.75f},      {-12.5f, -12.5f},
                        {1000.0f, 0.0f}};
  for (const Case& c : cases) EXPECT_EQ(packscan::initial_xoff(c.RX), c.XOFF) << "RX " << c.RX;
}

// ---------------------------------------------------------------------------------------------
// Whole reports

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> v;
  std::size_t b = 0;
  while (b < s.size()) {
    const std::size_t e = s.find('\n', b);
    v.push_back(s.substr(b, e - b));
    if (e == std::string::npos) break;
    b = e + 1;
  }
  return v;
}

// Columns from..to, counted from 1.
std::string col(const std::string& l, std::size_t from, std::size_t to) {
  return l.size() < to ? std::string() : l.substr(from - 1, to - from + 1);
}

std::string f10(float v, int decimals) {
  char b[32];
  std::snprintf(b, sizeof b, "%10.*f", decimals, static_cast<double>(v));
  return b;
}

bool is_best(const std::string& l) {
  return l.size() == 120 && l.find_first_not_of(' ') >= 100;
}

// The scan section of a report, cut at its four R-BEST records.
struct Scan {
  std::vector<std::string> coarse, slide, fine, rows, norm;
  std::vector<float> best_theta;
  std::string natm3;
};

Scan cut(const std::string& report) {
  const std::vector<std::string> l = lines_of(report);
  Scan s;
  std::size_t i = 0;
  while (i < l.size() && l[i].rfind("   Theta      a         b", 0) != 0) ++i;
  EXPECT_LT(i, l.size()) << "no scan header";
  EXPECT_TRUE(i > 0 && l[i - 1].empty()) << "the scan header follows an empty record";
  std::vector<std::string>* part[] = {&s.coarse, &s.slide, &s.fine, &s.rows, &s.norm};
  int p = 0;
  for (++i; i < l.size(); ++i) {
    if (is_best(l[i])) {
      EXPECT_TRUE(part[p]->size() > 0 && part[p]->back().empty()) << "R-BEST follows an empty record";
      if (!part[p]->empty()) part[p]->pop_back();
      s.best_theta.push_back(std::stof(col(l[i], 101, 110)));
      if (++p == 5) break;
      continue;
    }
    part[p]->push_back(l[i]);
  }
  if (!s.norm.empty()) {
    EXPECT_EQ(s.norm.front(), "");
    s.norm.erase(s.norm.begin());
    if (!s.norm.empty()) {
      s.natm3 = s.norm.front();
      s.norm.erase(s.norm.begin());
    }
  }
  if (s.rows.size() >= 2) {
    EXPECT_EQ(s.rows[0], "") << "R-GAP is two empty records";
    EXPECT_EQ(s.rows[1], "");
    s.rows.erase(s.rows.begin(), s.rows.begin() + 2);
  }
  return s;
}

std::vector<std::string> of_width(const std::vector<std::string>& v, std::size_t w) {
  std::vector<std::string> out;
  for (const auto& l : v)
    if (l.size() == w) out.push_back(l);
  return out;
}

// The angle that row K (1-based) of the final tables holds after the fine pass around the
// coarse best THBEST; NaN for a row that no record fills (zero-filled).
float row_angle(int K, float THBEST) {
  const int KBEST = static_cast<int>(THBEST / 5.0f) + 1;
  if (K < KBEST) return 5.0f * static_cast<float>(K - 1);
  const float fine = THBEST - 4.0f + static_cast<float>(K - KBEST);
  if (K <= KBEST + 8 && fine <= 180.0f) return fine;
  // Row KBEST + 8 keeps the shifted copy of the coarse best when the fine pass stops at 180.
  if (K >= KBEST + 8) return 5.0f * static_cast<float>(K - 9);
  return std::nanf("");
}

const std::string kZeroRow = [] {
  std::string r;
  for (int n = 0; n < 9; ++n) r += "    0.0000";
  r += "   0";
  for (int n = 0; n < 6; ++n) r += "    0.0000";
  r += "   0";
  for (int n = 0; n < 3; ++n) r += "    0.0000";
  return r;
}();
const std::string kZeroNorm = [] {
  std::string r;
  for (int n = 0; n < 10; ++n) r += "    0.0000";
  return r;
}();

// Everything the scan section must show for a run whose best coarse angle is THBEST.
void check_scan(const Scan& s, float THBEST) {
  ASSERT_EQ(s.best_theta.size(), 4u) << "four R-BEST records";
  EXPECT_EQ(s.best_theta[0], THBEST);
  EXPECT_EQ(s.best_theta[1], THBEST) << "the slide scan changes no best angle";
  // The fine pass may find a better angle of its own; the tables change none.
  EXPECT_LE(std::fabs(s.best_theta[2] - THBEST), 4.0f);
  EXPECT_EQ(s.best_theta[3], s.best_theta[2]);

  // Coarse pass: one start line per angle 0..180, each followed by at least five trials.
  const auto coarse_starts = of_width(s.coarse, 132);
  ASSERT_EQ(coarse_starts.size(), 37u);
  for (int k = 0; k < 37; ++k)
    EXPECT_EQ(col(coarse_starts[k], 1, 10), f10(5.0f * static_cast<float>(k), 4)) << "coarse " << k;
  EXPECT_EQ(of_width(s.coarse, 85).size() + 37, s.coarse.size()) << "only start and trial lines";
  EXPECT_GE(of_width(s.coarse, 85).size(), 37u * 5u);
  const std::string rx = col(coarse_starts[0], 31, 40);

  // Slide scan: 26 points at 0.0 .. 5.0, then the slide tables in five records.
  ASSERT_EQ(s.slide.size(), 31u);
  for (int m = 0; m < 26; ++m) {
    const std::string& l = s.slide[m];
    ASSERT_EQ(l.size(), 132u) << "slide " << m;
    const std::string slide = f10(0.2f * static_cast<float>(m), 4);
    EXPECT_EQ(col(l, 1, 10), slide);
    EXPECT_EQ(col(l, 79, 88), slide);
    EXPECT_EQ(col(l, 71, 74), "   0");
    // A, B, XOFF, RY, RZ, E1, N2, Fy and Fz are those the coarse pass left.
    EXPECT_EQ(col(l, 11, 78), col(s.slide[0], 11, 78));
    EXPECT_EQ(col(l, 89, 108), col(s.slide[0], 89, 108));
  }
  const std::size_t sltab[5] = {150, 110, 150, 110, 20};
  for (int r = 0; r < 5; ++r) EXPECT_EQ(s.slide[26 + r].size(), sltab[r]) << "R-SLTAB " << r + 1;

  // Fine pass: THBEST - 4 .. THBEST + 4, cut at 180.
  const auto fine_starts = of_width(s.fine, 132);
  const std::size_t nfine = THBEST == 180.0f ? 5 : 9;
  ASSERT_EQ(fine_starts.size(), nfine);
  for (std::size_t k = 0; k < nfine; ++k)
    EXPECT_EQ(col(fine_starts[k], 1, 10), f10(THBEST - 4.0f + static_cast<float>(k), 4)) << "fine " << k;
  for (const auto& l : fine_starts) EXPECT_EQ(col(l, 31, 40), rx) << "every start line shows RX";
  for (const auto& l : coarse_starts) EXPECT_EQ(col(l, 31, 40), rx) << "every start line shows RX";

  // Final tables: 45 rows each, in the order the shift and the fine pass leave.
  ASSERT_EQ(s.rows.size(), 45u);
  ASSERT_EQ(s.norm.size(), 45u);
  EXPECT_EQ(s.natm3.rfind("NATM3 = ", 0), 0u) << s.natm3;
  for (int K = 1; K <= 45; ++K) {
    SCOPED_TRACE("row " + std::to_string(K));
    const std::string& row = s.rows[K - 1];
    const std::string& norm = s.norm[K - 1];
    ASSERT_EQ(row.size(), 188u);
    ASSERT_EQ(norm.size(), 100u);
    const float angle = row_angle(K, THBEST);
    if (std::isnan(angle)) {
      EXPECT_EQ(row, kZeroRow);
      EXPECT_EQ(norm, kZeroNorm);
      continue;
    }
    EXPECT_EQ(col(row, 1, 10), f10(angle, 4));
    EXPECT_EQ(col(norm, 1, 10), f10(angle, 4));
    EXPECT_EQ(col(row, 95, 104), "    0.0000") << "RFX";
    EXPECT_EQ(std::stoi(col(row, 155, 158)) % 2, 0) << "RN3";
  }
}

// The best coarse angle, from the golden case's own expected report.
float golden_best(const fs::path& dir) {
  const std::vector<std::string> l =
      lines_of(testsupport::read_file(dir / "expected" / "qtVORNEL.dat"));
  for (const auto& line : l)
    if (is_best(line)) return std::stof(col(line, 101, 110));
  ADD_FAILURE() << "no R-BEST in " << dir;
  return 0.0f;
}

std::vector<std::string> finishing_cases() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(PACKSCAN_GOLDEN_DIR))
    if (fs::exists(e.path() / "expected" / "status") &&
        std::stoi(testsupport::read_file(e.path() / "expected" / "status")) == 0)
      names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class ScanReport : public ::testing::TestWithParam<std::string> {};

TEST_P(ScanReport, StartLinesSlidesAndFinalTables) {
  const fs::path dir = fs::path(PACKSCAN_GOLDEN_DIR) / GetParam();
  const testsupport::MemoryRun r = testsupport::run_in_memory(testsupport::read_file(dir / "atp.dat"));
  ASSERT_EQ(r.failure, "");
  check_scan(cut(r.report), golden_best(dir));
}

INSTANTIATE_TEST_SUITE_P(Golden, ScanReport, ::testing::ValuesIn(finishing_cases()),
                         [](const auto& info) { return info.param; });

// A rod of two opposite unit charges along z: head-to-tail stacking along z, which only 180
// degrees gives the second neighbour, makes 180 the best coarse angle.  No golden case has it.
const char* const kRodAtp =
    "    7.3550    9.3700    6.7030   90.0000   90.0000   90.0000    0.1000    0.2000\n"
    "   1    0.00000   0.00000   1.00000    C1   C   \n"
    "   2    0.00000   0.00000  -1.00000    O2   O   \n"
    "   0    0.00000   0.00000   0.00000\n"
    " ISWAP (non-zero: exchange x and y)       0\n"
    " charged rod along z\n"
    " Neighbour molecules of the reference molecule (molecular frame; Angstrom, degrees)\n"
    "  No. NAME    SYMMETRY OPERATOR               RX        RY        RZ       THETA      DIST\n"
    "   3  UNIT p  -x+1/2, y+1/2, z           0.35000   4.10000   3.95000    88.60000   5.70395\n"
    " Molecular Coord\n"
    "  TY          X         Y         Z    CHARGE\n"
    "   1    0.00000   0.00000   1.00000   1.00000\n"
    "   2    0.00000   0.00000  -1.00000  -1.00000\n"
    " End of input\n";

TEST(AngleScan, BestAt180LeavesRows42To44ZeroFilled) {
  const testsupport::MemoryRun r = testsupport::run_in_memory(kRodAtp);
  ASSERT_EQ(r.failure, "");
  const Scan s = cut(r.report);
  ASSERT_FALSE(s.best_theta.empty());
  ASSERT_EQ(s.best_theta[0], 180.0f) << "the fixture no longer has its best coarse angle at 180";
  check_scan(s, 180.0f);
  EXPECT_EQ(s.natm3, "NATM3 =    1");
  // 180 is in the table twice: row 41 from the fine pass, row 45 the shifted coarse record.
  ASSERT_EQ(s.rows.size(), 45u);
  EXPECT_EQ(col(s.rows[40], 1, 10), "  180.0000");
  EXPECT_EQ(col(s.rows[44], 1, 10), "  180.0000");
  // The fine pass ends at 180 itself and adds a second block to its snapshot file.
  const std::vector<std::string> snap = lines_of(r.snapshots[4]);
  EXPECT_EQ(snap.size(), 2u + 5u * 2u);
}

// The RX of the accepted neighbour record (columns 39-48) decides where the first search
// starts, while every start line shows RX itself.
TEST(AngleScan, FirstSearchStartsFromTheXoffOfRx) {
  const fs::path dir = fs::path(PACKSCAN_GOLDEN_DIR) / "real_naphthalene";
  const std::string atp = testsupport::read_file(dir / "atp.dat");
  const std::size_t unit_p = atp.find("  UNIT p  ");
  ASSERT_NE(unit_p, std::string::npos);
  const std::size_t rx_at = atp.rfind('\n', unit_p) + 1 + 38;
  ASSERT_EQ(atp.substr(rx_at, 10), "   0.38000");

  struct Case {
    float RX, XOFF;
  };
  const Case cases[] = {{12.5f, 0.0f}, {10.0f, 0.0f}, {9.9f, 9.9f}, {-2.0f, -2.0f}, {0.38f, 0.38f}};
  for (const Case& c : cases) {
    SCOPED_TRACE("RX " + std::to_string(c.RX));
    std::string input = atp;
    input.replace(rx_at, 10, f10(c.RX, 5));
    const testsupport::MemoryRun r = testsupport::run_in_memory(input);
    ASSERT_EQ(r.failure, "");
    const Scan s = cut(r.report);
    ASSERT_GE(s.coarse.size(), 2u);
    ASSERT_EQ(s.coarse[0].size(), 132u);
    ASSERT_EQ(s.coarse[1].size(), 85u);
    EXPECT_EQ(col(s.coarse[0], 31, 40), f10(c.RX, 4));
    EXPECT_EQ(col(s.coarse[1], 31, 40), f10(c.XOFF, 5)) << "XOFF of the first trial";
    for (const auto& l : of_width(s.coarse, 132)) EXPECT_EQ(col(l, 31, 40), f10(c.RX, 4));
    for (const auto& l : of_width(s.fine, 132)) EXPECT_EQ(col(l, 31, 40), f10(c.RX, 4));
  }
}

// XOFF is not reset between angles: the first trial of each coarse angle starts from the XOFF
// that the previous angle's search left, stored in that angle's record.
TEST(AngleScan, XoffCarriesOverFromAngleToAngle) {
  const fs::path dir = fs::path(PACKSCAN_GOLDEN_DIR) / "real_naphthalene";
  const testsupport::MemoryRun r = testsupport::run_in_memory(testsupport::read_file(dir / "atp.dat"));
  ASSERT_EQ(r.failure, "");
  const Scan s = cut(r.report);
  ASSERT_EQ(s.rows.size(), 45u);
  const float THBEST = s.best_theta.at(0);
  // The first trial line after each coarse start line.
  std::vector<float> first_xoff;
  for (std::size_t i = 0; i + 1 < s.coarse.size(); ++i)
    if (s.coarse[i].size() == 132) first_xoff.push_back(std::stof(col(s.coarse[i + 1], 31, 40)));
  ASSERT_EQ(first_xoff.size(), 37u);
  int compared = 0, moved = 0;
  for (int K = 1; K <= 45; ++K) {
    const float angle = row_angle(K, THBEST);
    // A coarse row whose next coarse angle is also in the table as a coarse row.
    if (std::isnan(angle) || std::fmod(angle, 5.0f) != 0.0f || std::fabs(angle - THBEST) <= 4.0f ||
        angle == 180.0f)
      continue;
    const int k = static_cast<int>(angle / 5.0f);
    const float rxo = std::stof(col(s.rows[K - 1], 31, 40));
    EXPECT_NEAR(first_xoff[k + 1], rxo, 6e-5f) << "after angle " << angle;
    if (std::fabs(rxo - 0.38f) > 1e-3f) ++moved;
    ++compared;
  }
  EXPECT_GE(compared, 30);
  EXPECT_GT(moved, 0) << "the case should move XOFF away from its start somewhere";
}

}  // namespace
