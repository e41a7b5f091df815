#include "model/type_table.hpp"

#include <string>

#include "run/failure.hpp"

namespace packscan {

TypeTable make_type_table(const Cood& cood, const MoleculeInfo& mol, const char* input_name) {
  TypeTable t;
  const int natom = mol.NATOM;
  t.NTYPE = 1;
  for (int j = 0; j < natom; ++j)
    if (cood.ITYPE[j] > t.NTYPE) t.NTYPE = cood.ITYPE[j];

  for (int type = 1; type <= t.NTYPE; ++type) {
    int first_atom = 0;  // first atom of this type, 1-based; 0 while none was met
    bool found = false;
    for (int j = 0; j < natom && !found; ++j) {
      if (cood.ITYPE[j] != type) continue;
      if (first_atom == 0) first_atom = j + 1;
      for (const ElementParameters& e : kElementTable) {
        if (cood.ELEM[j] == e.symbol) {
          t.EPS[type - 1] = e.EPS;
          t.RV[type - 1] = e.RV;
          found = true;
          break;
        }
      }
    }
    // A type that no atom carries keeps zeros; it enters no pair term.
    if (!found && first_atom != 0) {
      const Name4& sym = cood.ELEM[first_atom - 1];
      throw Failure::at_columns(
          input_name, first_atom + 1, 45, 48,
          "no atom of type " + std::to_string(type) + " carries a known element symbol (atom " +
              std::to_string(first_atom) + " carries " + quote_text(sym.view()) +
              "); each type takes its parameters from its first atom with one of the symbols S, C, "
              "H, N, O, F, so give such atoms the type number of a known element");
    }
  }
  t.THK = (mol.MARGT + mol.MARGT) + 3.45f;
  t.NHIGH = 0;
  for (int j = 0; j < natom; ++j)
    if (cood.ITYPE[j] == t.NTYPE) ++t.NHIGH;
  t.NATM3 = natom - t.NHIGH;
  return t;
}

void write_type_table(RecordOutput& report, const TypeTable& t, int natom) {
  write_record(report, "(2I4)", natom, t.NHIGH, t.NATM3);
  // Every row shows NTYPE, not its own type number: the rows are told apart by their order.
  for (int type = 1; type <= t.NTYPE; ++type)
    write_record(report, "(I4,X,4F10.5,4X,A4,X,A4)", t.NTYPE, t.EPS[type - 1],
                 t.RV[type - 1]);
  write_record(report, "(/,'p')");
}

void build_type_table(const Cood& cood, const MoleculeInfo& mol, RecordOutput& report,
                      const char* input_name, TypeTable& types) {
  types = make_type_table(cood, mol, input_name);
  write_type_table(report, types, mol.NATOM);
}

}  // namespace packscan
