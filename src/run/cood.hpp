// The run's state: the block `cood` with the molecule and its two neighbour copies, and the
// scalars of each subsystem.  Every table has its fixed size from the start; nothing is
// allocated during a run.  Indices are 0-based here; the report counts atoms, types and
// records from 1.
#pragma once

#include <array>

#include "run/records.hpp"

namespace packscan {

inline constexpr int kMaxAtoms = 100;
inline constexpr int kMaxTypes = 7;
inline constexpr int kMaxScanRecords = 200;
inline constexpr int kMaxSlides = 60;

inline constexpr float DEG = 0.017453292f;  // degrees to radians
inline constexpr float RCONT = 3.8f;        // contact distance, Angstrom
inline constexpr float SGN = -1.0f;
inline constexpr float STEPAB = 0.02f;  // pattern-search step of A and B
inline constexpr float STEPX = 0.04f;   // pattern-search step of XOFF

using AtomReals = std::array<float, kMaxAtoms>;

// One placed set of coordinates: the molecule itself or one of its copies.
struct Coords {
  AtomReals X{}, Y{}, Z{};
};

struct Cood {
  std::array<float, 6> CELL{};
  std::array<int, kMaxAtoms> ITYPE{};
  Coords mol;  // X, Y, Z: the reference molecule
  std::array<Name4, kMaxAtoms> ANAME{};
  std::array<Name4, kMaxAtoms> ELEM{};
  AtomReals Q{};
  Coords nb1;  // X2, Y2, Z2: the first neighbour, or a translated copy
  Coords nb2;  // X3, Y3, Z3: the second neighbour
};

// Molecule scalars, set by the molecule reader.
struct MoleculeInfo {
  float MARGT = 0.0f;  // thickness margin
  float MARGW = 0.0f;  // width margin
  int NATOM = 0;
  int ISWAP = 0;
  float VV = 0.0f;   // y extent, origin included, before any exchange
  float VL = 0.0f;   // x extent, origin included, before any exchange
  float WID = 0.0f;  // stack width of the angle model
  float DTH = 5.0f;  // coarse angle step, degrees
};

// The neighbour record that the scan of the input accepted.
struct NeighbourRecord {
  Name8 NAME8 = Name8::blank();
  float RX = 0.0f, RY = 0.0f, RZ = 0.0f, Theta = 0.0f;
};

struct TypeTable {
  int NTYPE = 1;
  int NHIGH = 0;
  int NATM3 = 0;       // atoms 1..NATM3 are counted by the contact counts
  float THK = 0.0f;    // stack thickness
  std::array<float, kMaxTypes> EPS{};  // well depth per type (type T at index T-1)
  std::array<float, kMaxTypes> RV{};   // radius per type
};

// The latest evaluation of the cluster and the search variables around it.  Report lines,
// stored records, snapshots and the slide scan read these as the last evaluation left them.
struct Evaluation {
  float C2 = 0.0f, S2 = 0.0f;  // cosine and sine of half the angle
  float A = 0.0f, B = 0.0f, XOFF = 0.0f;
  float RY = 0.0f, RZ = 0.0f;  // first neighbour's position
  float Fx = 0.0f, Fy = 0.0f, Fz = 0.0f;  // second neighbour's translation
  float E1VDW = 0.0f, E1COUL = 0.0f, E1 = 0.0f;
  int N1 = 0, N2 = 0;
  float E2VDW = 0.0f, E2COUL = 0.0f, E2 = 0.0f;
  int N3 = 0;
  float ETOT = 0.0f;
  float EMIN = 0.0f;
};

// The stored outcome of one angle.
struct ScanRecord {
  float RTH = 0.0f, RA = 0.0f, RB = 0.0f, RXO = 0.0f, RRY = 0.0f, RRZ = 0.0f;
  float RE1 = 0.0f, RE1V = 0.0f, RE1C = 0.0f;
  int RN12 = 0;
  float RFX = 0.0f, RFY = 0.0f, RFZ = 0.0f;
  float RE2 = 0.0f, RE2V = 0.0f, RE2C = 0.0f;
  int RN3 = 0;
  float RETOT = 0.0f;
};

struct ScanState {
  float Theta = 0.0f;
  float DTH = 5.0f;
  float THMAX = 180.0f;
  float THBEST = 0.0f;
  float EBEST = 0.0f;
  int KBEST = 1;  // 1-based record index
  int KREC = 1;
  int NSTEP = 0;
  std::array<ScanRecord, kMaxScanRecords> records{};  // record K at index K-1
};

struct SlideTables {
  std::array<float, kMaxSlides> SLIDES{};
  std::array<float, kMaxSlides> ESLIDE{};
  int count = 0;
  float SLIDEB = 0.0f;
  float ESLIDEB = 0.0f;
};

}  // namespace packscan
