#include "geometry/angle_model.hpp"

#include <cmath>

#include "run/cood.hpp"

namespace packscan {

Spacings angle_spacings(float Theta, float WID, float THK) {
  Spacings s;
  s.C2 = std::cos((0.5f * Theta) * DEG);
  s.S2 = std::sin((0.5f * Theta) * DEG);
  if (WID < 8.0f) {
    s.A = 0.5f * (((WID + WID) + (THK + THK)) - (std::cos(Theta * DEG) * ((WID + WID) - (THK + THK))));
    s.B = 0.5f * ((std::cos(Theta * DEG) * (WID - THK)) + (WID + THK));
  } else if (Theta > 90.0f) {
    s.A = s.S2 * (WID + WID);
    s.B = THK / s.S2;
  } else {
    // 1.4142 is the decimal constant, not a square root computed here.
    s.A = (WID * 1.4142f) - (((WID * 1.4142f) - (THK + THK)) * std::cos(Theta * DEG));
    s.B = 0.5f * ((std::cos((Theta + Theta) * DEG) * (WID - (THK * 1.4142f))) + ((1.4142f * THK) + WID));
  }
  return s;
}

NeighbourVectors neighbour_vectors(float A, float B, float C2, float S2) {
  NeighbourVectors v;
  v.RY = (S2 * (A * 0.5f)) - (C2 * (B * 0.5f));
  v.RZ = (C2 * (A * 0.5f)) + ((B * 0.5f) * S2);
  v.Fx = 0.0f;
  v.Fy = -(C2 * B);
  v.Fz = S2 * B;
  return v;
}

}  // namespace packscan
