// The angle model: for an angle Theta, the start spacings A and B from the stack width WID and
// thickness THK; and from A and B the neighbour vectors (RY, RZ) and (Fx, Fy, Fz).
#pragma once

namespace packscan {

struct Spacings {
  float C2, S2;  // cosine and sine of Theta/2
  float A, B;
};

Spacings angle_spacings(float Theta, float WID, float THK);

struct NeighbourVectors {
  float RY, RZ;      // first neighbour's position in y and z
  float Fx, Fy, Fz;  // second neighbour's translation; Fx is always 0
};

NeighbourVectors neighbour_vectors(float A, float B, float C2, float S2);

}  // namespace packscan
