// Compiled by the test suite, never linked: with no macro it must compile; with one of the
// PACKSCAN_BAD_ macros the layout literal or its items are wrong and the build must stop in
// the layout check.
#include "run/records.hpp"

void write_some(packscan::RecordOutput& out, packscan::RecordInput& in) {
  int n = 1;
  float v = 2.0f;
  packscan::Name4 name = packscan::Name4::from("C");
  packscan::write_record(out, "(I4,X,3F10.5,4X,A4,X,A4)", n, v, v, v, name);
  packscan::read_record(in, "(I4,X,4F10.5)", "a record", n, v);
#ifdef PACKSCAN_BAD_UNCLOSED
  packscan::write_record(out, "(I4,X,F10.5", n, v);
#endif
#ifdef PACKSCAN_BAD_WRONG_KIND
  packscan::write_record(out, "(I4,F10.5)", v, v);
#endif
#ifdef PACKSCAN_BAD_TEXT_WIDTH
  packscan::write_record(out, "(A8)", name);
#endif
#ifdef PACKSCAN_BAD_TOO_MANY_ITEMS
  packscan::read_record(in, "(I4)", "a record", n, n);
#endif
}
