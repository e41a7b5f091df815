// Helpers shared by the tests: temporary directories, whole-file reads, running the packscan
// program, and running the library in memory.
#pragma once

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "run/run.hpp"

namespace testsupport {

inline constexpr std::array<const char*, 6> kOutputFiles{
    "qtVORNEL.dat", "coordN00.xyz", "coordN60.xyz", "coordN90.xyz", "coordN120.xyz", "coordN180.xyz"};

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "packscan-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string read_file(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void write_file(const std::filesystem::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary);
  f << text;
}

// Runs the packscan program in `dir`; its standard error goes to dir/.stderr.  Returns the
// exit status.
inline int run_packscan(const std::filesystem::path& dir) {
  const std::string cmd = "cd '" + dir.string() + "' && '" PACKSCAN_BINARY "' >/dev/null 2>.stderr </dev/null";
  const int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : 128;
}

// Empty when equal; otherwise the first differing line of each, numbered from 1.
inline std::string first_difference(const std::string& want, const std::string& got) {
  if (want == got) return "";
  std::istringstream a(want), b(got);
  std::string la, lb;
  for (int n = 1;; ++n) {
    const bool ha = static_cast<bool>(std::getline(a, la));
    const bool hb = static_cast<bool>(std::getline(b, lb));
    if (!ha && !hb) return "files differ in their line ends";
    if (!ha || !hb || la != lb)
      return "line " + std::to_string(n) + "\n  expected: " + (ha ? la : "<end of file>") +
             "\n  got:      " + (hb ? lb : "<end of file>");
  }
}

// The whole program in memory: the report and the five snapshot files as strings.
struct MemoryRun {
  std::string report;
  std::array<std::string, 5> snapshots;
  std::string failure;  // the Failure's message, empty after a normal end
};

inline MemoryRun run_in_memory(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream rep;
  std::array<std::ostringstream, 5> snaps;
  std::array<std::ostream*, 5> ptrs{&snaps[0], &snaps[1], &snaps[2], &snaps[3], &snaps[4]};
  MemoryRun r;
  try {
    packscan::run(in, rep, ptrs);
  } catch (const std::exception& e) {
    r.failure = e.what();
  }
  r.report = rep.str();
  for (std::size_t i = 0; i < 5; ++i) r.snapshots[i] = snaps[i].str();
  return r;
}

}  // namespace testsupport
