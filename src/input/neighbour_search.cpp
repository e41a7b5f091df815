#include "input/neighbour_search.hpp"

#include <string>

namespace packscan {

namespace {

constexpr Name8 kNeighbourName = Name8::from("UNIT p  ");
constexpr int kScanWindow = 300;
constexpr int kCandidates = 3;

// One layout serves the scan, the skip, the candidates and the echo, so a candidate is echoed
// in the columns it was read from.
constexpr char kLayout[] = "(6X,A8,24X,3F10.5,2X,2F10.5)";

}  // namespace

bool accept_candidate(const Name8& name, float rz) {
  return name == kNeighbourName && ((rz > 3.0f && rz < 6.0f) || (rz > -6.0f && rz < -3.0f));
}

void find_neighbour_record(RecordInput& input, RecordOutput& report, NeighbourRecord& nb) {
  const char* sought = "a neighbour record named \"UNIT p  \" in columns 7-14";
  int nskip = 0;
  input.rewind();
  for (int n = 0; n < kScanWindow; ++n) {
    read_record(input, kLayout, sought, nb.NAME8);
    if (nb.NAME8 == kNeighbourName) break;
    ++nskip;
  }

  input.rewind();
  for (int n = 0; n < nskip; ++n) read_record(input, kLayout, sought, nb.NAME8);

  for (int c = 1; c <= kCandidates; ++c) {
    float sixth = 0.0f;  // read and converted, then discarded
    read_record(input, kLayout, "neighbour candidate " + std::to_string(c), nb.NAME8,
                nb.RX, nb.RY, nb.RZ, nb.Theta, sixth);
    write_record(report, kLayout, nb.NAME8, nb.RX, nb.RY, nb.RZ, nb.Theta);
    if (accept_candidate(nb.NAME8, nb.RZ)) return;
    // Four records stand between two candidates, after the third one too.
    for (int n = 0; n < 4; ++n) {
      Name8 skipped;
      read_record(input, kLayout,
                  "record " + std::to_string(n + 1) + " of the four that follow the rejected neighbour candidate " +
                      std::to_string(c),
                  skipped);
    }
  }
}

}  // namespace packscan
