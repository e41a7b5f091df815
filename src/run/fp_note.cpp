#include "run/fp_note.hpp"

#include <cfenv>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#define PACKSCAN_HAVE_MXCSR 1
#endif

namespace packscan {

namespace {
#ifdef PACKSCAN_HAVE_MXCSR
constexpr unsigned kDenormalFlag = 0x0002;  // MXCSR DE: an operand was subnormal
#endif
}  // namespace

void clear_fp_flags() {
  std::feclearexcept(FE_ALL_EXCEPT);
#ifdef PACKSCAN_HAVE_MXCSR
  _mm_setcsr(_mm_getcsr() & ~kDenormalFlag);
#endif
}

FpFlags raised_fp_flags() {
  FpFlags f;
  f.invalid = std::fetestexcept(FE_INVALID) != 0;
  f.divide_by_zero = std::fetestexcept(FE_DIVBYZERO) != 0;
  f.overflow = std::fetestexcept(FE_OVERFLOW) != 0;
  f.underflow = std::fetestexcept(FE_UNDERFLOW) != 0;
#ifdef PACKSCAN_HAVE_MXCSR
  f.denormal = (_mm_getcsr() & kDenormalFlag) != 0;
#endif
  return f;
}

std::string fp_note(const FpFlags& f) {
  std::string names;
  auto add = [&](bool on, const char* name) {
    if (!on) return;
    if (!names.empty()) names += ", ";
    names += name;
  };
  add(f.invalid, "invalid operation");
  add(f.denormal, "denormal operand");
  add(f.divide_by_zero, "division by zero");
  add(f.overflow, "overflow");
  add(f.underflow, "underflow");
  if (names.empty()) return {};
  return "note: floating-point flags raised during the run: " + names;
}

}  // namespace packscan
