// Finds the neighbour record "UNIT p  " among the first 300 records of the input and examines
// it and the records 5 and 10 after it as candidates; one R-CAND record per candidate.
#pragma once

#include "run/cood.hpp"
#include "run/records.hpp"

namespace packscan {

void find_neighbour_record(RecordInput& input, RecordOutput& report, NeighbourRecord& nb);

// The acceptance rule of a candidate: the right name and RZ strictly inside (3, 6) or (-6, -3).
bool accept_candidate(const Name8& name, float rz);

}  // namespace packscan
