// The slide scan between the two passes: the stacked copy of the molecule, moved by the
// second-neighbour translation of the last evaluation at 180 degrees, is slid along x from 0
// to 5 Angstrom in steps of 0.2.  26 R-SLIDE records, then the slide tables.
#pragma once

#include "run/records.hpp"
#include "search/configuration.hpp"

namespace packscan {

void slide_scan(Cluster& cluster, Evaluation& ev, SlideTables& slides, RecordOutput& report);

}  // namespace packscan
