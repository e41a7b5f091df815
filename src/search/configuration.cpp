#include "search/configuration.hpp"

#include "geometry/angle_model.hpp"
#include "geometry/placement.hpp"
#include "model/pair_energy.hpp"

namespace packscan {

float evaluate_configuration(float xshift, Cluster& cluster, Evaluation& ev) {
  Cood& cood = cluster.cood;
  const int natom = cluster.mol.NATOM;
  const NeighbourVectors v = neighbour_vectors(ev.A, ev.B, ev.C2, ev.S2);
  ev.RY = v.RY;
  ev.RZ = v.RZ;
  ev.Fx = v.Fx;
  ev.Fy = v.Fy;
  ev.Fz = v.Fz;

  place_rotated(cood.mol, natom, ev.C2, ev.S2, ev.RY, ev.RZ, xshift, rotated_variant1(cood), cood.nb1);
  const PairSums first = pair_energy(cood, cood.nb1, cluster.types, natom, true);
  ev.E1VDW = first.vdw;
  ev.E1COUL = first.coul;
  ev.N1 = first.contacts;
  ev.E1 = ev.E1COUL + ev.E1VDW;
  ev.N2 = count_reference_contacts(cood, cood.nb1, cluster.types, natom);

  place_translated(cood.mol, natom, ev.Fx, ev.Fy, ev.Fz, cood.nb2);
  const PairSums second = pair_energy(cood, cood.nb2, cluster.types, natom, true);
  ev.E2VDW = second.vdw;
  ev.E2COUL = second.coul;
  ev.N3 = second.contacts;
  ev.E2 = ev.E2VDW + ev.E2COUL;

  ev.ETOT = ev.E2 + (ev.E1 + ev.E1);
  return ev.ETOT;
}

}  // namespace packscan
