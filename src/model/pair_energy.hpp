// The interaction of the reference molecule with one placed copy: an exp-6 and a Coulomb sum
// over all NATOM x NATOM atom pairs (no cut-off), and the contact counts within RCONT.
#pragma once

#include "run/cood.hpp"

namespace packscan {

struct PairSums {
  float vdw = 0.0f;   // dispersion-repulsion sum
  float coul = 0.0f;  // electrostatic sum
  int contacts = 0;   // copy-side contact count, when counting
};

// Copy atom J has the type and charge of reference atom J.  The sums run J outer, I inner,
// one pair at a time; that order fixes the last bits of the single-precision sums.  When
// counting, a copy atom J <= NATM3 counts once if any reference atom lies within RCONT.
PairSums pair_energy(const Cood& cood, const Coords& copy, const TypeTable& types, int natom,
                     bool counting);

// The reference-side count: reference atoms I <= NATM3 with any copy atom within RCONT.
int count_reference_contacts(const Cood& cood, const Coords& copy, const TypeTable& types,
                             int natom);

}  // namespace packscan
