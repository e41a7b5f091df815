// Reads the molecule from the input: the cell record, the first atom block (names and element
// symbols), the flag record, and after the marker record the second atom block (type numbers,
// coordinates, charges).  Writes R-CELL, one R-ATOM per atom and R-EXTENT.
#pragma once

#include "run/cood.hpp"
#include "run/records.hpp"

namespace packscan {

void read_molecule(RecordInput& input, RecordOutput& report, Cood& cood, MoleculeInfo& mol);

}  // namespace packscan
