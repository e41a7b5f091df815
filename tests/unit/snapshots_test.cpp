// The five xyz snapshot files: their headers and reference molecule, the frames appended at
// the marked angles, and their shape after whole runs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "output/snapshots.hpp"
#include "run/files.hpp"
#include "support.hpp"

namespace {

using packscan::Cood;
using packscan::Name4;
using packscan::RecordOutput;

struct Files {
  std::array<std::ostringstream, 5> os;
  std::array<RecordOutput, 5> out{RecordOutput(os[0], "0"), RecordOutput(os[1], "1"),
                                  RecordOutput(os[2], "2"), RecordOutput(os[3], "3"),
                                  RecordOutput(os[4], "4")};
  std::string text(int f) {
    out[f].flush();
    return os[f].str();
  }
};

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

// Three atoms whose largest type number (3) is not the last one's.
Cood three_atoms() {
  Cood c;
  const char* elem[3] = {"C", "S", "H"};
  const int itype[3] = {1, 3, 2};
  const float xyz[3][3] = {{1.5f, -0.25f, 0.0f}, {-12.125f, 3.0f, 0.5f}, {0.03125f, 99.5f, -7.0f}};
  for (int j = 0; j < 3; ++j) {
    c.ELEM[j] = Name4::from(elem[j]);
    c.ITYPE[j] = itype[j];
    c.mol.X[j] = xyz[j][0];
    c.mol.Y[j] = xyz[j][1];
    c.mol.Z[j] = xyz[j][2];
  }
  return c;
}

const char* const kReferenceAtoms =
    "C      1.50000  -0.25000   0.00000\n"
    "S    -12.12500   3.00000   0.50000\n"
    "H      0.03125  99.50000  -7.00000\n";

TEST(Snapshots, HeadersCountCommentAndReferenceMolecule) {
  const Cood c = three_atoms();
  Files f;
  packscan::write_snapshot_headers(c, 3, f.out);
  // The type maximum starts at 1 and is only raised while the first file's atoms are written.
  const char* comment[5] = {"   1\n", "   3\n", "   3\n", "   3\n", "   3\n"};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(packscan::kSnapshotNames[i]);
    EXPECT_EQ(f.text(i), std::string("   9\n") + comment[i] + kReferenceAtoms);
  }
}

TEST(Snapshots, HeadersWithoutAtoms) {
  const Cood c = three_atoms();
  Files f;
  packscan::write_snapshot_headers(c, 0, f.out);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f.text(i), "   0\n   1\n") << packscan::kSnapshotNames[i];
}

// A frame is both neighbours, first then second, with no count or comment record; a second
// call for the same angle appends a second block.
TEST(Snapshots, FramesGoOnlyToTheFileOfAMarkedAngle) {
  Cood c = three_atoms();
  for (int j = 0; j < 3; ++j) {
    c.nb1.X[j] = 10.0f + static_cast<float>(j);
    c.nb1.Y[j] = 0.5f;
    c.nb1.Z[j] = -1.0f;
    c.nb2.X[j] = 20.0f + static_cast<float>(j);
    c.nb2.Y[j] = -0.5f;
    c.nb2.Z[j] = 2.0f;
  }
  const std::string block =
      "C     10.00000   0.50000  -1.00000\n"
      "S     11.00000   0.50000  -1.00000\n"
      "H     12.00000   0.50000  -1.00000\n"
      "C     20.00000  -0.50000   2.00000\n"
      "S     21.00000  -0.50000   2.00000\n"
      "H     22.00000  -0.50000   2.00000\n";

  struct Case {
    float angle;
    int file;  // -1: no file receives the frame
  };
  const Case cases[] = {
      {0.0f, 0},     {-0.0f, 0},   {60.0f, 1},   {90.0f, 2},  {120.0f, 3},
      {180.0f, 4},   {5.0f, -1},   {-4.0f, -1},  {59.0f, -1}, {std::nextafter(60.0f, 61.0f), -1},
      {179.0f, -1},  {185.0f, -1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("angle " + std::to_string(k.angle));
    Files f;
    packscan::write_snapshot_frame(k.angle, c, 3, f.out);
    packscan::write_snapshot_frame(k.angle, c, 3, f.out);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f.text(i), i == k.file ? block + block : "") << "file " << i;
  }
}

// Whole runs: every file holds one complete frame of 3 x NATOM atoms; the file of the best
// coarse angle, visited again by the fine pass, holds a second block of 2 x NATOM atom records.
struct RunCase {
  const char* golden;
  int natom;
  int twice;  // file of the best coarse angle, or -1 when it is not a marked one
};

TEST(Snapshots, WholeRunsFramesAndSecondBlock) {
  const RunCase cases[] = {
      {"real_naphthalene", 18, 1},  // best coarse angle 60
      {"real_bithiophene", 16, 0},  // best 0: the fine pass's fifth angle is 0
      {"real_pentacene", 36, -1},   // best 55: 60 lies 5 degrees away
  };
  namespace fs = std::filesystem;
  for (const RunCase& rc : cases) {
    SCOPED_TRACE(rc.golden);
    const fs::path dir = fs::path(PACKSCAN_GOLDEN_DIR) / rc.golden;
    const testsupport::MemoryRun r = testsupport::run_in_memory(testsupport::read_file(dir / "atp.dat"));
    ASSERT_EQ(r.failure, "");
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE(packscan::kSnapshotNames[i]);
      const std::vector<std::string> l = lines_of(r.snapshots[i]);
      ASSERT_GE(l.size(), 2u);
      const int count = std::stoi(l[0]);
      ASSERT_EQ(count % 3, 0);
      const int natom = count / 3;
      EXPECT_EQ(natom, rc.natom);
      const std::size_t atoms = l.size() - 2;
      EXPECT_EQ(atoms, static_cast<std::size_t>(i == rc.twice ? 5 * natom : 3 * natom));
      // Every record after the header is an atom record: symbol and three coordinates.
      for (std::size_t n = 2; n < l.size(); ++n) {
        ASSERT_EQ(l[n].size(), 34u) << "record " << n + 1 << ": " << l[n];
        EXPECT_NE(l[n][0], ' ') << "record " << n + 1;
      }
    }
  }
}

}  // namespace
