// The angle scan: a coarse pass over 0..180 degrees in steps of 5, the slide scan, a fine pass
// in steps of 1 around the best coarse angle, and the two final tables of 45 rows.
#pragma once

#include <array>

#include "run/records.hpp"
#include "search/configuration.hpp"

namespace packscan {

struct ScanOutputs {
  RecordOutput& report;
  std::array<RecordOutput, 5>& snapshots;
  const char* input_name;  // named by the message of a search that does not settle
};

void angle_scan(Cluster& cluster, float RX, Evaluation& ev, ScanState& scan, SlideTables& slides,
                ScanOutputs out);

// Before the fine pass: records NSTEP down to KBEST move up by 8 (1-based record numbers),
// making room for the nine fine angles that start at KBEST.
void shift_records(std::array<ScanRecord, kMaxScanRecords>& records, int NSTEP, int KBEST);

// The start of the first search: XOFF starts from RX, unless RX is 10 or more.
inline float initial_xoff(float RX) { return RX < 10.0f ? RX : 0.0f; }

}  // namespace packscan
