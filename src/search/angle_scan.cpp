#include "search/angle_scan.hpp"

#include <string>

#include "geometry/angle_model.hpp"
#include "output/snapshots.hpp"
#include "run/failure.hpp"
#include "search/pattern_search.hpp"
#include "search/slide_scan.hpp"

namespace packscan {

namespace {

constexpr int kMaxAnglesPerPass = 38;

std::string decimal(float v) {
  std::string s;
  format_real(s, v, 48, 4);
  s.erase(0, s.find_first_not_of(' '));
  return s;
}

[[noreturn]] void fail_unsettled(const Cluster& cluster, float Theta, long trials,
                                 const char* input_name) {
  float charge = 0.0f;
  for (int j = 0; j < cluster.mol.NATOM; ++j) charge += cluster.cood.Q[j];
  throw Failure(input_name, 0,
                "the pattern search at Theta = " + decimal(Theta) + " did not settle within " +
                    std::to_string(trials) + " trials; the charges of the molecule sum to " +
                    decimal(charge) +
                    " e: a molecule that is not neutral drives its neighbours apart without end");
}

ScanRecord make_record(float Theta, const Evaluation& ev) {
  ScanRecord r;
  r.RTH = Theta;
  r.RA = ev.A;
  r.RB = ev.B;
  r.RXO = ev.XOFF;
  r.RRY = ev.RY;
  r.RRZ = ev.RZ;
  r.RE1 = ev.E1;
  r.RE1V = ev.E1VDW;
  r.RE1C = ev.E1COUL;
  r.RN12 = ev.N2 + ev.N1;
  r.RFX = ev.Fx;
  r.RFY = ev.Fy;
  r.RFZ = ev.Fz;
  r.RE2 = ev.E2;
  r.RE2V = ev.E2VDW;
  r.RE2C = ev.E2COUL;
  r.RN3 = ev.N3 + ev.N3;
  r.RETOT = ev.EMIN;
  return r;
}

void write_best(RecordOutput& report, const ScanState& scan) {
  write_record(report, "(/,100X,2F10.4)", scan.THBEST, scan.EBEST);
}

// One pass over the angles from scan.Theta in steps of scan.DTH up to scan.THMAX (never past
// 180), filling records from scan.KREC on.  Returns the number of angles visited.
int scan_pass(Cluster& cluster, float RX, Evaluation& ev, ScanState& scan, ScanOutputs out) {
  const MoleculeInfo& mol = cluster.mol;
  int counter = 1;
  while (counter <= kMaxAnglesPerPass) {
    const Spacings sp = angle_spacings(scan.Theta, mol.WID, cluster.types.THK);
    ev.C2 = sp.C2;
    ev.S2 = sp.S2;
    ev.A = sp.A;
    ev.B = sp.B;
    // The start line describes the first neighbour at x shift RX, whatever XOFF is.
    evaluate_configuration(RX, cluster, ev);
    ev.EMIN = ev.ETOT;
    write_record(out.report, "(7F10.4,2I4,4F10.4,I4,F10.4)", scan.Theta, ev.A, ev.B, RX, ev.RY, ev.RZ,
                 ev.E1, ev.N1, ev.N2, ev.Fx, ev.Fy, ev.Fz, ev.E2, ev.N3, ev.ETOT);

    SearchPoint p{ev.A, ev.B, ev.XOFF, ev.EMIN};
    const SearchOutcome o = pattern_search(p, [&](const SearchPoint& at, const SearchFlags& fl) {
      ev.A = at.A;
      ev.B = at.B;
      ev.XOFF = at.XOFF;
      const float etot = evaluate_configuration(ev.XOFF, cluster, ev);
      write_record(out.report, "(10X,6F10.5,3I5)", ev.A, ev.B, ev.XOFF, ev.E1, ev.E2, etot, fl[0],
                   fl[1], fl[2]);
      return etot;
    });
    // The search's end point and best energy; every other evaluation value stays as its last
    // trial left it, which need not be that point.
    ev.A = p.A;
    ev.B = p.B;
    ev.XOFF = p.XOFF;
    ev.EMIN = p.EMIN;
    if (!o.settled) fail_unsettled(cluster, scan.Theta, o.trials, out.input_name);

    if (scan.KREC >= 1 && scan.KREC <= kMaxScanRecords)
      scan.records[scan.KREC - 1] = make_record(scan.Theta, ev);
    write_snapshot_frame(scan.Theta, cluster.cood, mol.NATOM, out.snapshots);
    if (ev.EMIN < scan.EBEST) {
      scan.EBEST = ev.EMIN;
      scan.THBEST = scan.Theta;
      scan.KBEST = scan.KREC;
    }
    scan.Theta = scan.Theta + scan.DTH;
    scan.KREC = scan.KREC + 1;
    if (scan.Theta > 180.0f || scan.Theta > scan.THMAX) break;
    ++counter;
  }
  write_best(out.report, scan);
  return counter;
}

void write_tables(RecordOutput& report, ScanState& scan, int NATM3) {
  const int rows = scan.NSTEP;
  write_record(report, "(/)");
  for (int k = 0; k < rows; ++k) {
    const ScanRecord& r = scan.records[k];
    const float VDWT = r.RE2V + (r.RE1V + r.RE1V);
    const float COULT = r.RE2C + (r.RE1C + r.RE1C);
    write_record(report, "(9F10.4,I4,6F10.4,I4,3F10.4)", r.RTH, r.RA, r.RB, r.RXO, r.RRY, r.RRZ, r.RE1V,
                 r.RE1C, r.RE1, r.RN12, r.RFX, r.RFY, r.RFZ, r.RE2V, r.RE2C, r.RE2, r.RN3, VDWT, COULT,
                 r.RETOT);
  }
  write_best(report, scan);
  write_record(report, "(/,'NATM3 = ',I4)", NATM3);
  // Per counted atom; the totals are formed again from the divided parts.
  const auto n = static_cast<float>(NATM3);
  for (int k = 0; k < rows; ++k) {
    ScanRecord& r = scan.records[k];
    r.RE1V = r.RE1V / n;
    r.RE1C = r.RE1C / n;
    r.RE1 = r.RE1 / n;
    r.RE2V = r.RE2V / n;
    r.RE2C = r.RE2C / n;
    r.RE2 = r.RE2 / n;
    const float VDWT = r.RE2V + (r.RE1V + r.RE1V);
    const float COULT = r.RE2C + (r.RE1C + r.RE1C);
    r.RETOT = r.RETOT / n;
    write_record(report, "(30F10.4)", r.RTH, r.RE1V, r.RE1C, r.RE1, r.RE2V, r.RE2C, r.RE2, VDWT, COULT,
                 r.RETOT);
  }
}

}  // namespace

void shift_records(std::array<ScanRecord, kMaxScanRecords>& records, int NSTEP, int KBEST) {
  for (int kk = NSTEP; kk >= KBEST; --kk) records[kk + 8 - 1] = records[kk - 1];
}

void angle_scan(Cluster& cluster, float RX, Evaluation& ev, ScanState& scan, SlideTables& slides,
                ScanOutputs out) {
  write_record(out.report,
               "(/,3X,'Theta',6X,'a',9X,'b',9X,'Rx',8X,'Ry',8X,'Rz',8X,           'P.E.',4X,'N1  N2    Fx',8X,'Fy',8X,'Fz',8X,'P.E.',4X,            'N1    Total')");
  scan.Theta = 0.0f;
  scan.EBEST = 0.0f;
  scan.THMAX = 180.0f;
  // Without any energy below zero the fine pass runs around 0 degrees into records 1 to 9.
  scan.THBEST = 0.0f;
  scan.KBEST = 1;
  ev.XOFF = initial_xoff(RX);
  scan.KREC = 1;

  scan.DTH = cluster.mol.DTH;
  scan.NSTEP = scan_pass(cluster, RX, ev, scan, out);

  slide_scan(cluster, ev, slides, out.report);
  write_best(out.report, scan);

  scan.DTH = 1.0f;
  scan.Theta = scan.THBEST - 4.0f;
  scan.THMAX = 4.0f + scan.THBEST;
  shift_records(scan.records, scan.NSTEP, scan.KBEST);
  scan.KREC = scan.KBEST;
  scan_pass(cluster, RX, ev, scan, out);

  scan.NSTEP = scan.NSTEP + 8;
  write_tables(out.report, scan, cluster.types.NATM3);
}

}  // namespace packscan
