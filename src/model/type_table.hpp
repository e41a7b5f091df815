// Force-field types: each type number takes its well depth EPS and radius RV from the element
// symbol of its first atom that carries one of the six known symbols.  Writes R-COUNTS, one
// R-TYPE per type and R-P.
#pragma once

#include "run/cood.hpp"
#include "run/records.hpp"

namespace packscan {

struct ElementParameters {
  Name4 symbol;
  float EPS;
  float RV;
};

// Tested in this order.
inline constexpr std::array<ElementParameters, 6> kElementTable{{
    {Name4::from("S"), 0.8452f, 2.15f},
    {Name4::from("C"), 0.2343f, 1.96f},
    {Name4::from("H"), 0.0837f, 1.62f},
    {Name4::from("N"), 0.1797f, 1.93f},
    {Name4::from("O"), 0.2466f, 1.82f},
    {Name4::from("F"), 0.3136f, 1.71f},
}};

// Builds the table without writing anything.  A type that atoms carry but none of them with a
// known symbol is refused (the Failure names the first such atom's record in the first block).
TypeTable make_type_table(const Cood& cood, const MoleculeInfo& mol, const char* input_name);

void write_type_table(RecordOutput& report, const TypeTable& types, int natom);

void build_type_table(const Cood& cood, const MoleculeInfo& mol, RecordOutput& report,
                      const char* input_name, TypeTable& types);

}  // namespace packscan
