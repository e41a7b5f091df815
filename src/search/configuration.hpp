// The configuration energy of the three-molecule cluster for the current angle (C2, S2),
// spacings (A, B) and an x shift: ETOT = E2 + 2 E1.  It leaves everything it computed in the
// latest evaluation, where the report, the stored records, the snapshots and the slide scan
// read it.
#pragma once

#include "run/cood.hpp"

namespace packscan {

// The molecule and its interaction model, fixed for the whole search.
struct Cluster {
  Cood& cood;
  const MoleculeInfo& mol;
  const TypeTable& types;
};

float evaluate_configuration(float xshift, Cluster& cluster, Evaluation& ev);

}  // namespace packscan
