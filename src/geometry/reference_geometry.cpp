#include "geometry/reference_geometry.hpp"

#include <cmath>

#include "geometry/placement.hpp"
#include "model/pair_energy.hpp"

namespace packscan {

void reference_geometry(const NeighbourRecord& nb, Cood& cood, const MoleculeInfo& mol,
                        const TypeTable& types, RecordOutput& report, Evaluation& ev) {
  const float RX = nb.RX, RY = nb.RY, RZ = nb.RZ, Theta = nb.Theta;
  write_record(report, "(' RX = ',F10.5,' RY = ',F10.5,' RZ = ',F10.5,               ' Theta = ',F10.5)",
               RX, RY, RZ, Theta);
  const float C2 = std::cos((0.5f * Theta) * DEG);
  const float S2 = std::sin((0.5f * Theta) * DEG);
  float RY0 = (S2 * keep_sign_abs(RZ)) + (C2 * keep_sign_abs(RY));
  float RZ0 = (C2 * keep_sign_abs(RZ)) - (S2 * keep_sign_abs(RY));
  // Delta takes the sign of RZ0 before its absolute value is taken.
  const float Delta = std::atan(keep_sign_abs(RX) / RZ0) / DEG;
  RY0 = keep_sign_abs(RY0);
  RZ0 = keep_sign_abs(RZ0);
  float BB0 = RY0 + RY0;
  float A = (RZ0 + RZ0) / std::cos(Delta * DEG);
  if (cood.CELL[0] < cood.CELL[1]) {
    BB0 = A;
    A = RY0 + RY0;
    write_record(report, "(' a < b ',F5.1)", SGN);
  } else {
    write_record(report, "(' a > b ',F5.1)", SGN);
  }
  const float Fx = 0.0f;
  float Fy = C2 * (SGN * BB0);
  float Fz = S2 * BB0;
  if (RZ < 0.0f) {
    Fy = -Fy;
    Fz = -Fz;
  }
  float BMIN = cood.CELL[1];
  if (BMIN > cood.CELL[2]) BMIN = cood.CELL[2];

  write_record(report, "(' cos th/2 = ',F10.5,' sin th/2 = ',F10.5)", C2, S2);
  write_record(report, "(' RY0      = ',F10.5,' RZ0      = ',F10.5,                  ' Delta = ',F10.5)",
               RY0, RZ0, Delta);
  // After an exchange these labels no longer describe their values; the records say so as
  // they always have.
  write_record(report, "(' a =',F10.5,' 2RZ0/cos Delta = ',F10.5)", cood.CELL[0], A);
  write_record(report, "(' b =',F10.5,' 2RY0           = ',F10.5)", BMIN, BB0);

  // The first reference neighbour's variant follows CELL(1) > CELL(2), whatever the exchange.
  place_rotated(cood.mol, mol.NATOM, C2, S2, RY, RZ, RX, rotated_variant1(cood), cood.nb1);
  PairSums e = pair_energy(cood, cood.nb1, types, mol.NATOM, false);
  write_record(report, "(5F10.5)", e.vdw, e.coul, e.coul + e.vdw);

  write_record(report, "(/,'b')");
  write_record(report, "(' RX = ',F10.5,' RY = ',F10.5,' RZ = ',F10.5)", Fx, Fy, Fz);
  place_translated(cood.mol, mol.NATOM, Fx, Fy, Fz, cood.nb1);
  e = pair_energy(cood, cood.nb1, types, mol.NATOM, false);
  write_record(report, "(5F10.5)", e.vdw, e.coul, e.coul + e.vdw);

  // What the scan replaces at its first angle.
  ev.C2 = C2;
  ev.S2 = S2;
  ev.A = A;
  ev.Fx = Fx;
  ev.Fy = Fy;
  ev.Fz = Fz;
  ev.E1VDW = e.vdw;
  ev.E1COUL = e.coul;
}

}  // namespace packscan
