#include "input/molecule_reader.hpp"

#include <string>
#include <utility>

#include "run/failure.hpp"

namespace packscan {

namespace {

constexpr Name16 kMarker = Name16::from(" Molecular Coord");
constexpr int kMarkerWindow = 300;

std::string atom_label(int j) { return "atom " + std::to_string(j); }

}  // namespace

void read_molecule(RecordInput& input, RecordOutput& report, Cood& cood, MoleculeInfo& mol) {
  auto& C = cood.CELL;
  read_record(input, "(8F10.4)", "the cell record", C[0], C[1], C[2], C[3], C[4], C[5], mol.MARGT,
              mol.MARGW);
  write_record(report, "(6F10.4)", C[0], C[1], C[2], C[3], C[4], C[5]);
  mol.DTH = 5.0f;

  // First atom block, closed by a record whose serial reads 0 (a blank record does).
  mol.NATOM = 0;
  for (int j = 1;; ++j) {
    int serial = 0;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    Name4 name, elem;
    const std::string expected = j <= kMaxAtoms
                                     ? "the atom record of " + atom_label(j) + " or the terminator record"
                                     : "the terminator record after atom 100";
    read_record(input, "(I4,X,3F10.5,4X,A4,X,A4)", expected, serial, x, y, z, name, elem);
    if (serial == 0) break;
    if (j > kMaxAtoms)
      throw Failure::at_columns(input.name(), input.record(), 1, 4,
                                "the first atom block holds more than 100 atoms (serial " +
                                    std::to_string(serial) +
                                    " where the terminator record with serial 0 was expected); "
                                    "packscan takes molecules of at most 100 atoms");
    const int k = j - 1;
    cood.ITYPE[k] = serial;
    cood.mol.X[k] = x;
    cood.mol.Y[k] = y;
    cood.mol.Z[k] = z;
    cood.ANAME[k] = name;
    cood.ELEM[k] = elem;
    mol.NATOM = j;
  }
  const int natom = mol.NATOM;
  // The skip counts the cell, atom, terminator and flag records, the marker record and the
  // one record after it.
  int nskip = natom + 5;
  read_record(input, "(38X,I5)", "the flag record (ISWAP in columns 39-43)", mol.ISWAP);

  bool marker_found = false;
  for (int n = 0; n < kMarkerWindow; ++n) {
    Name16 text;
    read_record(input, "(A16)", "the marker record \" Molecular Coord\"", text);
    if (text == kMarker) {
      marker_found = true;
      break;
    }
    ++nskip;
  }

  input.rewind();
  for (int n = 0; n < nskip; ++n) {
    Name16 text;
    read_record(input, "(A16)", "the record that follows the marker record \" Molecular Coord\"", text);
  }

  float XMIN = 0.0f, XMAX = 0.0f, YMIN = 0.0f, YMAX = 0.0f;
  const std::string no_marker =
      marker_found ? "" : " (no marker record \" Molecular Coord\" within 300 records after the flag record)";
  for (int j = 1; j <= natom; ++j) {
    const int k = j - 1;
    int& t = cood.ITYPE[k];
    float& x = cood.mol.X[k];
    float& y = cood.mol.Y[k];
    read_record(input, "(I4,X,4F10.5)", "the coordinate record of " + atom_label(j) + no_marker, t, x,
                y, cood.mol.Z[k], cood.Q[k]);
    if (t < 1 || t > kMaxTypes)
      throw Failure::at_columns(input.name(), input.record(), 1, 4,
                                "type number " + std::to_string(t) + " of " + atom_label(j) +
                                    " is outside 1..7");
    write_record(report, "(I4,X,4F10.5,4X,A4,X,A4)", t, x, y, cood.mol.Z[k], cood.Q[k],
                 cood.ANAME[k], cood.ELEM[k]);
    // The extremes start at 0.0, so both extents include the origin.
    if (y < YMIN) YMIN = y;
    if (y > YMAX) YMAX = y;
    if (x < XMIN) XMIN = x;
    if (x > XMAX) XMAX = x;
  }
  mol.VV = YMAX - YMIN;
  mol.VL = XMAX - XMIN;
  mol.WID = (mol.MARGW + mol.MARGW) + (2.0f + mol.VV);
  write_record(report, "(' VV = ',F10.5,'  VL = ',F10.5)", mol.VV, mol.VL);

  if (mol.ISWAP != 0) {
    for (int j = 0; j < natom; ++j) std::swap(cood.mol.X[j], cood.mol.Y[j]);
    // VL is now the extent of the y values that the later phases use.
    mol.WID = (mol.MARGW + mol.MARGW) + (mol.VL + 2.0f);
  }
}

}  // namespace packscan
