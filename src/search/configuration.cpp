#include "search/configuration.hpp"

#include <bit>

#include "geometry/angle_model.hpp"
#include "geometry/placement.hpp"
#include "model/pair_energy.hpp"

namespace packscan {

namespace {

// The fast kernel's tables, rebuilt whenever the molecule or its types differ from what they
// were built from (once per run in the program).
PairTables& current_tables(Cluster& cluster) {
  KernelState& s = cluster.state;
  if (!pair_tables_hold(s.tables, cluster.cood, cluster.types, cluster.mol.NATOM)) {
    build_pair_tables(cluster.cood, cluster.types, cluster.mol.NATOM, s.tables);
    s.second_known = false;
  }
  return s.tables;
}

}  // namespace

float evaluate_configuration(float xshift, Cluster& cluster, Evaluation& ev) {
  Cood& cood = cluster.cood;
  const int natom = cluster.mol.NATOM;
  const PairTables* fast = cluster.kernel == Kernel::fast ? &current_tables(cluster) : nullptr;
  const NeighbourVectors v = neighbour_vectors(ev.A, ev.B, ev.C2, ev.S2);
  ev.RY = v.RY;
  ev.RZ = v.RZ;
  ev.Fx = v.Fx;
  ev.Fy = v.Fy;
  ev.Fz = v.Fz;

  place_rotated(cood.mol, natom, ev.C2, ev.S2, ev.RY, ev.RZ, xshift, rotated_variant1(cood), cood.nb1);
  PairSums first;
  if (fast) {
    const FirstNeighbourSums f = pair_energy_both_counts(*fast, cood.nb1);
    first = f.sums;
    ev.N2 = f.reference_contacts;
  } else {
    first = pair_energy(cood, cood.nb1, cluster.types, natom, true);
    ev.N2 = count_reference_contacts(cood, cood.nb1, cluster.types, natom);
  }
  ev.E1VDW = first.vdw;
  ev.E1COUL = first.coul;
  ev.N1 = first.contacts;
  ev.E1 = ev.E1COUL + ev.E1VDW;

  place_translated(cood.mol, natom, ev.Fx, ev.Fy, ev.Fz, cood.nb2);
  PairSums second;
  if (fast) {
    KernelState& s = cluster.state;
    const std::array<std::uint32_t, 3> key{std::bit_cast<std::uint32_t>(ev.Fx), std::bit_cast<std::uint32_t>(ev.Fy),
                                           std::bit_cast<std::uint32_t>(ev.Fz)};
    if (!s.second_known || s.second_key != key) {
      s.second = pair_energy(*fast, cood.nb2, true);
      s.second_key = key;
      s.second_known = true;
    }
    second = s.second;
  } else {
    second = pair_energy(cood, cood.nb2, cluster.types, natom, true);
  }
  ev.E2VDW = second.vdw;
  ev.E2COUL = second.coul;
  ev.N3 = second.contacts;
  ev.E2 = ev.E2VDW + ev.E2COUL;

  ev.ETOT = ev.E2 + (ev.E1 + ev.E1);
  return ev.ETOT;
}

PairSums pair_energy(Cluster& cluster, const Coords& copy) {
  if (cluster.kernel == Kernel::reference)
    return pair_energy(cluster.cood, copy, cluster.types, cluster.mol.NATOM, true);
  return pair_energy(current_tables(cluster), copy, true);
}

}  // namespace packscan
