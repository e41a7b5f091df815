// packscan: reads "atp.dat" in the working directory and writes the report "qtVORNEL.dat" and
// five xyz snapshot files beside it.  Arguments are ignored.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "run/failure.hpp"
#include "run/files.hpp"
#include "run/fp_note.hpp"
#include "run/run.hpp"

namespace {

std::unique_ptr<std::ofstream> open_output(const char* name) {
  auto f = std::make_unique<std::ofstream>(name, std::ios::binary | std::ios::trunc);
  if (!*f) throw packscan::Failure(name, 0, std::string("cannot open the file for writing: ") + std::strerror(errno));
  return f;
}

}  // namespace

int main() {
  using namespace packscan;
  try {
    // The input is opened first: when it is missing, no earlier output is truncated.
    std::error_code ec;
    if (std::filesystem::is_directory(kInputName, ec))
      throw Failure(kInputName, 0, "is a folder, not the input file");
    std::ifstream input(kInputName, std::ios::binary);
    if (!input)
      throw Failure(kInputName, 0, std::string("cannot open the input file: ") + std::strerror(errno));

    auto report = open_output(kReportName);
    std::array<std::unique_ptr<std::ofstream>, 5> snaps;
    std::array<std::ostream*, 5> snap_ptrs{};
    for (std::size_t i = 0; i < snaps.size(); ++i) {
      snaps[i] = open_output(kSnapshotNames[i]);
      snap_ptrs[i] = snaps[i].get();
    }

    clear_fp_flags();
    run(input, *report, snap_ptrs);
    const std::string note = fp_note(raised_fp_flags());
    if (!note.empty()) std::cerr << "packscan: " << note << '\n';
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "packscan: " << e.what() << '\n';
    return 1;
  }
}
