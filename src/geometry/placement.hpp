// Placing the neighbour copies of the molecule in its own frame.
#pragma once

#include "run/cood.hpp"

namespace packscan {

// The first neighbour: the molecule turned by Theta about x (through C2, S2, the cosine and
// sine of Theta/2), mirrored about x = xshift/2 and moved by (RY, RZ).  CELL(1) > CELL(2)
// selects the first variant, anything else the second.
void place_rotated(const Coords& mol, int natom, float C2, float S2, float RY, float RZ,
                   float xshift, bool variant1, Coords& target);

// The molecule moved by (tx, ty, tz).
void place_translated(const Coords& mol, int natom, float tx, float ty, float tz, Coords& target);

inline bool rotated_variant1(const Cood& cood) { return cood.CELL[0] > cood.CELL[1]; }

}  // namespace packscan
