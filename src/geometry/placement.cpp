#include "geometry/placement.hpp"

namespace packscan {

void place_rotated(const Coords& mol, int natom, float C2, float S2, float RY, float RZ,
                   float xshift, bool variant1, Coords& target) {
  // The factors come from the half-angle values exactly as written, not from a cosine and sine
  // of Theta: at 180 degrees C2 is a tiny negative number and SC is not exactly zero.
  const float CS = (C2 * C2) - (S2 * S2);
  const float SC = (S2 + S2) * C2;
  const float SG = ((SGN + SGN) * S2) * C2;
  for (int j = 0; j < natom; ++j) {
    const float x = mol.X[j], y = mol.Y[j], z = mol.Z[j];
    if (variant1) {
      target.Z[j] = RZ + ((CS * z) + (y * SG));
      target.Y[j] = RY + ((SC * z) + (y * CS));
    } else {
      target.Z[j] = RZ + ((CS * z) - (y * SG));
      target.Y[j] = RY + ((z * SC) - (CS * y));
    }
    target.X[j] = xshift - x;
  }
}

void place_translated(const Coords& mol, int natom, float tx, float ty, float tz, Coords& target) {
  for (int j = 0; j < natom; ++j) {
    target.Z[j] = tz + mol.Z[j];
    target.Y[j] = ty + mol.Y[j];
    target.X[j] = tx + mol.X[j];
  }
}

}  // namespace packscan
