// The acceptance test: the packscan program, run on each golden input in a fresh directory,
// writes every expected file byte for byte, writes no file that is not expected, and ends
// with the expected status (zero or non-zero).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support.hpp"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> golden_cases() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(PACKSCAN_GOLDEN_DIR))
    if (e.is_directory() && fs::exists(e.path() / "expected")) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, EveryFileByteForByteAndStatus) {
  const fs::path dir = fs::path(PACKSCAN_GOLDEN_DIR) / GetParam();
  const fs::path expected = dir / "expected";
  testsupport::TempDir work;
  if (fs::exists(dir / "atp.dat")) fs::copy_file(dir / "atp.dat", work.path() / "atp.dat");
  const int status = testsupport::run_packscan(work.path());

  const std::string want_status = testsupport::read_file(expected / "status");
  EXPECT_EQ(status == 0, std::stoi(want_status) == 0) << "exit status " << status;
  for (const char* f : testsupport::kOutputFiles) {
    const bool want = fs::exists(expected / f);
    const bool got = fs::exists(work.path() / f);
    ASSERT_EQ(want, got) << f << (want ? " was not written" : " was written but is not expected");
    if (want) {
      const std::string a = testsupport::read_file(expected / f);
      const std::string b = testsupport::read_file(work.path() / f);
      EXPECT_EQ(testsupport::first_difference(a, b), "") << f;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(golden_cases()),
                         [](const auto& info) { return info.param; });

}  // namespace
