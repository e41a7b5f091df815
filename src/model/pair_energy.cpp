#include "model/pair_energy.hpp"

#include <cmath>

namespace packscan {

PairSums pair_energy(const Cood& cood, const Coords& copy, const TypeTable& types, int natom,
                     bool counting) {
  const Coords& m = cood.mol;
  PairSums s;
  for (int j = 0; j < natom; ++j) {
    const int tj = cood.ITYPE[j] - 1;
    bool contact = false;
    for (int i = 0; i < natom; ++i) {
      const int ti = cood.ITYPE[i] - 1;
      const float dx = m.X[i] - copy.X[j];
      const float dy = m.Y[i] - copy.Y[j];
      const float dz = m.Z[i] - copy.Z[j];
      const float r = std::sqrt((dx * dx + dy * dy) + dz * dz);
      const float e = std::sqrt(types.EPS[ti] * types.EPS[tj]);
      const float rs = types.RV[ti] + types.RV[tj];
      const float p = r / rs;
      const float p2 = p * p;
      const float p6 = p2 * (p2 * p2);
      const float evdw = e * ((std::exp(-(12.0f * p)) * 184000.0f) - (2.25f / p6));
      const float ecoul = (cood.Q[j] * (cood.Q[i] * 1380.0f)) / r;
      s.vdw += evdw;
      s.coul += ecoul;
      if (counting && r <= RCONT && j < types.NATM3) contact = true;
    }
    if (contact) ++s.contacts;
  }
  return s;
}

int count_reference_contacts(const Cood& cood, const Coords& copy, const TypeTable& types,
                             int natom) {
  const Coords& m = cood.mol;
  int count = 0;
  for (int i = 0; i < natom; ++i) {
    bool contact = false;
    for (int j = 0; j < natom; ++j) {
      const float dx = m.X[i] - copy.X[j];
      const float dy = m.Y[i] - copy.Y[j];
      const float dz = m.Z[i] - copy.Z[j];
      const float r = std::sqrt((dx * dx + dy * dy) + dz * dz);
      if (r <= RCONT && i < types.NATM3) contact = true;
    }
    if (contact) ++count;
  }
  return count;
}

}  // namespace packscan
