// The five xyz snapshot files of the cluster at 0, 60, 90, 120 and 180 degrees.
#pragma once

#include <array>

#include "run/cood.hpp"
#include "run/records.hpp"

namespace packscan {

// Count record (3 x NATOM), comment record and the reference molecule, in each file.
void write_snapshot_headers(const Cood& cood, int natom, std::array<RecordOutput, 5>& files);

// The file of a marked angle, or -1 for any other angle.
int snapshot_index(float angle);

// Appends both neighbours as they stand, when `angle` is one of the marked angles.
void write_snapshot_frame(float angle, const Cood& cood, int natom, std::array<RecordOutput, 5>& files);

}  // namespace packscan
