// The run: the phases in their fixed order over state that the run owns.  It works on streams
// that its caller opened, so a test or a fuzzer can run the whole program in memory.
#pragma once

#include <array>
#include <iosfwd>

#include "model/pair_kernel.hpp"
#include "run/cood.hpp"
#include "run/files.hpp"

namespace packscan {

struct RunState {
  Cood cood;
  MoleculeInfo mol;
  NeighbourRecord neighbour;
  TypeTable types;
  Evaluation ev;
  ScanState scan;
  SlideTables slides;
  Kernel kernel = Kernel::fast;  // the pair loops of the whole run
};

// Runs every phase; throws Failure on unreadable input or a failed write.  The records written
// before a failure stay in the streams.
void run(RunFiles& files, RunState& state);

// Convenience for callers that hold plain streams: runs, flushes every output.
void run(std::istream& input, std::ostream& report, const std::array<std::ostream*, 5>& snapshots);

}  // namespace packscan
