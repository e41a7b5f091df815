// The whole program on arbitrary bytes as "atp.dat", in memory.  A run may end normally or
// with the program's Failure; anything else (another exception, a crash, an out-of-bounds
// access caught by the sanitizers) is a fault.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "run/failure.hpp"
#include "run/run.hpp"

namespace {

// main prints a failure as one line: a message that breaks the line or carries raw control
// bytes from the input would garble it.
bool printable_line(const std::string& m) {
  for (unsigned char c : m)
    if (c < 0x20 || c == 0x7f) return false;
  return !m.empty();
}

[[noreturn]] void fault(const char* what, const std::string& detail) {
  std::fprintf(stderr, "packscan fuzz: %s: %s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream report;
  std::array<std::ostringstream, 5> snaps;
  const std::array<std::ostream*, 5> ptrs{&snaps[0], &snaps[1], &snaps[2], &snaps[3], &snaps[4]};
  try {
    packscan::run(input, report, ptrs);
  } catch (const packscan::Failure& f) {
    if (!printable_line(f.what())) fault("failure message is not one printable line", f.what());
    if (f.file() != "atp.dat") fault("a run in memory failed on an output file", f.what());
    return 0;
  } catch (const std::exception& e) {
    fault("unexpected exception", e.what());
  }
  // A run that ends normally has written the cell echo at least.
  if (report.str().empty()) fault("normal end with an empty report", "");
  return 0;
}
