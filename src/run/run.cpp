#include "run/run.hpp"

#include <memory>

#include "geometry/reference_geometry.hpp"
#include "input/molecule_reader.hpp"
#include "input/neighbour_search.hpp"
#include "model/type_table.hpp"
#include "output/snapshots.hpp"
#include "search/angle_scan.hpp"

namespace packscan {

void run(RunFiles& files, RunState& st) {
  read_molecule(files.input, files.report, st.cood, st.mol);
  write_snapshot_headers(st.cood, st.mol.NATOM, files.snapshots);
  find_neighbour_record(files.input, files.report, st.neighbour);
  build_type_table(st.cood, st.mol, files.report, kInputName, st.types);
  reference_geometry(st.neighbour, st.cood, st.mol, st.types, files.report, st.ev);
  Cluster cluster{st.cood, st.mol, st.types, st.kernel};
  angle_scan(cluster, st.neighbour.RX, st.ev, st.scan, st.slides,
             ScanOutputs{files.report, files.snapshots, kInputName});
}

namespace {

void flush_all(RunFiles& files) {
  files.report.flush();
  for (auto& s : files.snapshots) s.flush();
}

}  // namespace

void run(std::istream& input, std::ostream& report, const std::array<std::ostream*, 5>& snapshots) {
  RunFiles files(input, report, snapshots);
  auto state = std::make_unique<RunState>();
  try {
    run(files, *state);
  } catch (...) {
    // What was written before the failure stays: flush it, then report the failure itself,
    // not a failed flush that it may have caused.
    try {
      flush_all(files);
    } catch (...) {
    }
    throw;
  }
  flush_all(files);
}

}  // namespace packscan
