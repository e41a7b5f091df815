// The configuration energy of the three-molecule cluster for the current angle (C2, S2),
// spacings (A, B) and an x shift: ETOT = E2 + 2 E1.  It leaves everything it computed in the
// latest evaluation, where the report, the stored records, the snapshots and the slide scan
// read it.
#pragma once

#include <cstdint>

#include "model/pair_kernel.hpp"
#include "run/cood.hpp"

namespace packscan {

// What the fast kernel keeps from one evaluation to the next within a run.
struct KernelState {
  PairTables tables;
  // The second neighbour is the molecule (which the tables hold) moved by (Fx, Fy, Fz), and
  // that translation comes from B, C2 and S2 alone: while it keeps its bits, as after a trial
  // that moved only A or XOFF, the copy's coordinates and therefore its sums and count are
  // the same as last time.
  bool second_known = false;
  std::array<std::uint32_t, 3> second_key{};
  PairSums second;
};

// The molecule and its interaction model, fixed for the whole search, and the kernel the
// run's pair loops use.
struct Cluster {
  Cood& cood;
  const MoleculeInfo& mol;
  const TypeTable& types;
  Kernel kernel = Kernel::fast;
  KernelState state{};
};

float evaluate_configuration(float xshift, Cluster& cluster, Evaluation& ev);

// pair_energy with counting of the reference molecule with `copy`, through the cluster's
// kernel.
PairSums pair_energy(Cluster& cluster, const Coords& copy);

}  // namespace packscan
