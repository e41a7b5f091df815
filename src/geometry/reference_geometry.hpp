// The reference geometry: the accepted neighbour record turned into the reference spacings,
// the second-neighbour vector and two reference energies, written as the block that stands
// between the type table and the scan.
#pragma once

#include "run/cood.hpp"
#include "run/records.hpp"

namespace packscan {

void reference_geometry(const NeighbourRecord& nb, Cood& cood, const MoleculeInfo& mol,
                        const TypeTable& types, RecordOutput& report, Evaluation& ev);

// abs() as the reference geometry takes it: a negative zero is not below zero and stays -0.0.
inline float keep_sign_abs(float v) { return v < 0.0f ? -v : v; }

}  // namespace packscan
