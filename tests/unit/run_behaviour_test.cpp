// The program as a chemist runs it: the same input gives the same files wherever it runs; a
// run that fails leaves on disk every record it wrote; an output that cannot be written is a
// failure with status 1, never a report cut short in silence; and a molecule whose charges do
// not sum to zero ends at the trial bound of the pattern search instead of running for hours.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support.hpp"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const fs::path kNaphthalene = fs::path(PACKSCAN_GOLDEN_DIR) / "real_naphthalene" / "atp.dat";

std::string naphthalene() { return read_file(kNaphthalene); }

// `from` replaced by `to` in the one record that holds it.
std::string edited(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos)
    throw std::runtime_error("fixture: \"" + from + "\" is not in the input exactly once");
  return text.replace(at, from.size(), to);
}

// Naphthalene with the charge of H1 raised by 0.8 e: the molecule's charges sum to +0.8 e.
std::string naphthalene_ion() {
  return edited(naphthalene(), "   2    3.37494   1.24001   0.00000   0.08797",
                "   2    3.37494   1.24001   0.00000   0.88797");
}

std::vector<std::string> records_of(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

struct DiskRun {
  int status = 0;
  std::string message;
  std::vector<std::string> files;  // the six outputs, in the order of kOutputFiles
};

DiskRun run_on_disk(const fs::path& dir) {
  DiskRun r;
  r.status = run_packscan(dir);
  r.message = read_file(dir / ".stderr");
  for (const char* f : kOutputFiles) r.files.push_back(read_file(dir / f));
  return r;
}

DiskRun run_in_dir(const std::string& input) {
  TempDir dir;
  write_file(dir.path() / "atp.dat", input);
  return run_on_disk(dir.path());
}

TEST(RunBehaviour, SameInputSameFilesInAnyDirectory) {
  TempDir a, b;
  write_file(a.path() / "atp.dat", naphthalene());
  write_file(b.path() / "atp.dat", naphthalene());
  const DiskRun first = run_on_disk(a.path());
  const DiskRun again = run_on_disk(a.path());  // over the first run's outputs
  const DiskRun elsewhere = run_on_disk(b.path());
  ASSERT_EQ(first.status, 0) << first.message;
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(elsewhere.status, 0);
  for (std::size_t i = 0; i < kOutputFiles.size(); ++i) {
    SCOPED_TRACE(kOutputFiles[i]);
    EXPECT_FALSE(first.files[i].empty());
    EXPECT_TRUE(first.files[i] == again.files[i]) << first_difference(first.files[i], again.files[i]);
    EXPECT_TRUE(first.files[i] == elsewhere.files[i]) << first_difference(first.files[i], elsewhere.files[i]);
  }
}

// A failure in each phase: what reaches the disk is every record the run wrote (the same
// run in memory keeps them all), the report ends with a whole record, and the message says
// which phase stopped.
TEST(RunBehaviour, FailureInEachPhaseLeavesEveryRecordWritten) {
  struct Case {
    const char* phase;
    std::function<std::string()> input;
    std::string words;
    int records;         // report records on disk
    bool snapshot_heads; // the snapshot headers and the reference molecule were written
  };
  const std::vector<Case> cases = {
      {"molecule reader",
       [] {
         return edited(naphthalene(), "   1   -1.22503  -1.39358   0.00000  -0.07280",
                       "   1   -1.22503  -1.39358   0.00000  -0.0728O");
       },
       "atp.dat: record 42, columns 36-45: cannot read \"-0.0728O\" as a number", 1 + 4, false},
      {"neighbour search",
       [] { return edited(naphthalene(), "    51.90000   5.26967\n   4  UNIT q", "    51.90000   5.2696?\n   4  UNIT q"); },
       "atp.dat: record 33, columns 81-90: cannot read \"5.2696?\" as a number", 1 + 18 + 1, true},
      {"type table",  // deuterium written as D: a symbol without parameters
       [] {
         std::string s = naphthalene();
         for (std::size_t at; (at = s.find("   H   \n")) != std::string::npos;) s.replace(at, 8, "   D   \n");
         return s;
       },
       "atp.dat: record 12, columns 45-48: no atom of type 2 carries a known element symbol (atom 11 carries \"D   \")",
       1 + 18 + 1 + 1, true},
      {"search bound", naphthalene_ion,
       "the pattern search at Theta = 0.0000 did not settle within 100000 trials; the charges of the molecule "
       "sum to 0.8000 e",
       -1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase);
    const std::string input = c.input();
    const DiskRun disk = run_in_dir(input);
    const MemoryRun mem = run_in_memory(input);
    EXPECT_EQ(disk.status, 1);
    EXPECT_EQ(disk.message, "packscan: " + mem.failure + "\n");
    EXPECT_NE(disk.message.find(c.words), std::string::npos) << disk.message;
    EXPECT_TRUE(disk.files[0] == mem.report) << first_difference(mem.report, disk.files[0]);
    ASSERT_FALSE(disk.files[0].empty());
    EXPECT_EQ(disk.files[0].back(), '\n');
    if (c.records >= 0) {
      EXPECT_EQ(records_of(disk.files[0]).size(), static_cast<std::size_t>(c.records));
    }
    for (std::size_t i = 0; i < mem.snapshots.size(); ++i) {
      SCOPED_TRACE(kOutputFiles[i + 1]);
      EXPECT_TRUE(disk.files[i + 1] == mem.snapshots[i]);
      EXPECT_EQ(disk.files[i + 1].empty(), !c.snapshot_heads);
    }
  }
}

// Net charge +0.8 e: the first search (Theta = 0) drifts without end and is stopped at the
// bound, after its R-START line and exactly 100000 R-TRIAL lines.
TEST(RunBehaviour, ChargedMoleculeStopsAtTheTrialBound) {
  TempDir dir;
  write_file(dir.path() / "atp.dat", naphthalene_ion());
  const auto t0 = std::chrono::steady_clock::now();
  const DiskRun r = run_on_disk(dir.path());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  RecordProperty("seconds", std::to_string(seconds));

  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.message,
            "packscan: atp.dat: the pattern search at Theta = 0.0000 did not settle within 100000 trials; "
            "the charges of the molecule sum to 0.8000 e: a molecule that is not neutral drives its "
            "neighbours apart without end\n");

  const std::vector<std::string> recs = records_of(r.files[0]);
  // R-START: the angle in columns 1-10 and fifteen more fields, 132 columns.  R-TRIAL: ten
  // blank columns, six reals and three flags, 85 columns.
  auto is_start = [](const std::string& l) { return l.size() == 132 && l.substr(0, 10) == "    0.0000"; };
  auto is_trial = [](const std::string& l) { return l.size() == 85 && l.substr(0, 10) == std::string(10, ' '); };
  std::size_t last_start = recs.size();
  for (std::size_t i = 0; i < recs.size(); ++i)
    if (recs[i].size() == 132) last_start = i;
  ASSERT_LT(last_start, recs.size()) << "no R-START record";
  EXPECT_TRUE(is_start(recs[last_start])) << recs[last_start];
  std::size_t trials = 0;
  for (std::size_t i = last_start + 1; i < recs.size(); ++i) {
    if (!is_trial(recs[i])) {
      ADD_FAILURE() << "record " << i + 1 << " is no R-TRIAL: " << recs[i];
      break;
    }
    ++trials;
  }
  EXPECT_EQ(trials, 100000u);
  // The first trial is +a from the start point, the flags all 0; the last is still moving.
  EXPECT_EQ(recs[last_start + 1].substr(70), "    0    0    0");
  // No snapshot frame: the one for Theta = 0 would follow the search.
  const MemoryRun mem = run_in_memory(naphthalene_ion());
  for (std::size_t i = 0; i < mem.snapshots.size(); ++i) EXPECT_TRUE(r.files[i + 1] == mem.snapshots[i]);
}

// Output files that cannot be written.  Tests run as root, for whom a read-only directory is
// no obstacle: a file that is a folder cannot be opened by anyone, and /dev/full refuses
// every write.
TEST(RunBehaviour, OutputThatCannotBeWrittenIsAFailure) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> prepare;
    std::string message;
  };
  const std::string no_write = ": cannot write the file (is the disk full or the file read-only?)\n";
  const std::vector<Case> cases = {
      {"report is a link to /dev/full",
       [](const fs::path& d) { fs::create_symlink("/dev/full", d / "qtVORNEL.dat"); },
       "packscan: qtVORNEL.dat" + no_write},
      {"a snapshot file is a link to /dev/full",
       [](const fs::path& d) { fs::create_symlink("/dev/full", d / "coordN90.xyz"); },
       "packscan: coordN90.xyz" + no_write},
      {"report is a folder", [](const fs::path& d) { fs::create_directory(d / "qtVORNEL.dat"); },
       "packscan: qtVORNEL.dat: cannot open the file for writing: Is a directory\n"},
      {"a snapshot file is a folder", [](const fs::path& d) { fs::create_directory(d / "coordN180.xyz"); },
       "packscan: coordN180.xyz: cannot open the file for writing: Is a directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    write_file(dir.path() / "atp.dat", naphthalene());
    c.prepare(dir.path());
    EXPECT_EQ(run_packscan(dir.path()), 1);
    EXPECT_EQ(read_file(dir.path() / ".stderr"), c.message);
  }
}

}  // namespace
