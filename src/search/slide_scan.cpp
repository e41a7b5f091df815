#include "search/slide_scan.hpp"

#include <span>

#include "geometry/placement.hpp"
#include "model/pair_energy.hpp"

namespace packscan {

void slide_scan(Cluster& cluster, Evaluation& ev, SlideTables& t, RecordOutput& report) {
  Cood& cood = cluster.cood;
  const int natom = cluster.mol.NATOM;
  float SLIDE = 0.0f;
  t.ESLIDEB = 0.0f;
  t.SLIDEB = 0.0f;
  t.count = 0;
  for (int m = 0; m < kMaxSlides; ++m) {
    ev.N1 = 0;  // the first neighbour is not evaluated here; E1 stays as the coarse pass left it
    place_translated(cood.mol, natom, SLIDE, ev.Fy, ev.Fz, cood.nb1);
    const PairSums s = pair_energy(cluster, cood.nb1);
    ev.E2VDW = s.vdw;
    ev.E2COUL = s.coul;
    ev.N3 = s.contacts;
    ev.E2 = ev.E2VDW + ev.E2COUL;
    ev.ETOT = ev.E2 + (ev.E1 + ev.E1);
    ev.EMIN = ev.ETOT;
    t.ESLIDE[m] = ev.ETOT;
    t.SLIDES[m] = SLIDE;
    t.count = m + 1;
    write_record(report, "(7F10.4,2I4,4F10.4,I4,F10.4)", SLIDE, ev.A, ev.B, ev.XOFF, ev.RY, ev.RZ,
                 ev.E1, ev.N1, ev.N2, SLIDE, ev.Fy, ev.Fz, ev.E2, ev.N3, ev.ETOT);
    // Written as "not >=" so that a NaN total replaces the best, as the slide table always has.
    if (!(ev.ETOT >= t.ESLIDEB)) {
      t.ESLIDEB = ev.ETOT;
      t.SLIDEB = SLIDE;
    }
    // Repeated addition: the 26th slide is just below 5.0, the next just below 5.2.
    SLIDE = 0.2f + SLIDE;
    if (SLIDE > 5.0f) break;
  }
  const auto n = static_cast<std::size_t>(t.count);
  write_reals(report, "(15F10.4)", std::span<const float>(t.SLIDES.data(), n));
  write_reals(report, "(15F10.4)", std::span<const float>(t.ESLIDE.data(), n));
  write_record(report, "(15F10.4)", t.SLIDEB, t.ESLIDEB);
}

}  // namespace packscan
