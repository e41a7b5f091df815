#include "output/snapshots.hpp"

namespace packscan {

namespace {

void write_atoms(RecordOutput& out, const Cood& cood, const Coords& c, int natom) {
  for (int j = 0; j < natom; ++j) write_record(out, "(A4,5F10.5)", cood.ELEM[j], c.X[j], c.Y[j], c.Z[j]);
}

}  // namespace

void write_snapshot_headers(const Cood& cood, int natom, std::array<RecordOutput, 5>& files) {
  // The comment record shows the largest type number seen so far, and the maximum is only
  // taken while the first file's atoms are written: that file's comment always reads 1.
  int type_max = 1;
  for (std::size_t f = 0; f < files.size(); ++f) {
    write_record(files[f], "(I4,X,3F10.5,4X,A4,X,A4)", (natom + natom) + natom);
    write_record(files[f], "(I4,X,3F10.5,4X,A4,X,A4)", type_max);
    write_atoms(files[f], cood, cood.mol, natom);
    if (f == 0)
      for (int j = 0; j < natom; ++j)
        if (cood.ITYPE[j] > type_max) type_max = cood.ITYPE[j];
  }
}

int snapshot_index(float angle) {
  if (angle == 0.0f) return 0;
  if (angle == 60.0f) return 1;
  if (angle == 90.0f) return 2;
  if (angle == 120.0f) return 3;
  if (angle == 180.0f) return 4;
  return -1;
}

void write_snapshot_frame(float angle, const Cood& cood, int natom, std::array<RecordOutput, 5>& files) {
  const int f = snapshot_index(angle);
  if (f < 0) return;
  write_atoms(files[f], cood, cood.nb1, natom);
  write_atoms(files[f], cood, cood.nb2, natom);
}

}  // namespace packscan
