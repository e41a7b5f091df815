// The seven files of a run, as streams that the caller opened: "atp.dat" (rewound by the
// readers), the report "qtVORNEL.dat" and the five snapshot files.
#pragma once

#include <array>
#include <iosfwd>

#include "run/records.hpp"

namespace packscan {

inline constexpr const char* kInputName = "atp.dat";
inline constexpr const char* kReportName = "qtVORNEL.dat";
inline constexpr std::array<const char*, 5> kSnapshotNames{
    "coordN00.xyz", "coordN60.xyz", "coordN90.xyz", "coordN120.xyz", "coordN180.xyz"};

struct RunFiles {
  RecordInput input;
  RecordOutput report;
  std::array<RecordOutput, 5> snapshots;

  RunFiles(std::istream& in, std::ostream& rep, const std::array<std::ostream*, 5>& snaps)
      : input(in, kInputName),
        report(rep, kReportName),
        snapshots{RecordOutput(*snaps[0], kSnapshotNames[0]), RecordOutput(*snaps[1], kSnapshotNames[1]),
                  RecordOutput(*snaps[2], kSnapshotNames[2]), RecordOutput(*snaps[3], kSnapshotNames[3]),
                  RecordOutput(*snaps[4], kSnapshotNames[4])} {}
};

}  // namespace packscan
