// The floating-point note at the end of a run: which IEEE exception flags the run raised.
// Divisions by zero and invalid operations are part of the arithmetic (coincident atoms,
// NATM3 = 0); the note tells the chemist that such values reached the report.
#pragma once

#include <string>

namespace packscan {

struct FpFlags {
  bool invalid = false;
  bool denormal = false;
  bool divide_by_zero = false;
  bool overflow = false;
  bool underflow = false;
};

void clear_fp_flags();
FpFlags raised_fp_flags();
// Empty when no flag was raised.
std::string fp_note(const FpFlags& f);

}  // namespace packscan
