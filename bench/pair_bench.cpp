// Benchmarks on three golden molecules of 18, 36 and 100 atoms: the pair loops alone, one
// configuration evaluation, and a whole run in memory, each with the reference and the fast
// kernel.  "pairs/s" counts the atom pairs the reference loops would visit, so the two
// kernels' rates compare the same work.
#include <benchmark/benchmark.h>

#include <array>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "model/pair_energy.hpp"
#include "model/pair_kernel.hpp"
#include "run/files.hpp"
#include "run/run.hpp"
#include "search/configuration.hpp"

namespace {

using namespace packscan;

const char* const kCases[] = {"real_naphthalene", "real_pentacene", "real_btbt_c12_oc13_100atoms"};

std::string read_input(const std::string& name) {
  std::ifstream f(std::string(PACKSCAN_GOLDEN_DIR) + "/" + name + "/atp.dat", std::ios::binary);
  if (!f) throw std::runtime_error("cannot read the golden input of " + name);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

struct Outputs {
  std::ostringstream report;
  std::array<std::ostringstream, 5> snaps;
  std::array<std::ostream*, 5> ptrs{&snaps[0], &snaps[1], &snaps[2], &snaps[3], &snaps[4]};
};

void run_once(const std::string& input, Kernel kernel, RunState& state, Outputs& out) {
  std::istringstream in(input);
  RunFiles files(in, out.report, out.ptrs);
  state.kernel = kernel;
  run(files, state);
}

// A molecule after a whole run: both neighbours placed as the last evaluation left them.
struct Case {
  std::string input;
  std::unique_ptr<RunState> state = std::make_unique<RunState>();
  long evaluations = 0;  // start and trial evaluations of one run
  int natom = 0;
};

Case& get_case(int index) {
  static std::array<std::unique_ptr<Case>, 3> cases;
  auto& c = cases[static_cast<std::size_t>(index)];
  if (!c) {
    c = std::make_unique<Case>();
    c->input = read_input(kCases[index]);
    Outputs out;
    run_once(c->input, Kernel::fast, *c->state, out);
    c->natom = c->state->mol.NATOM;
    // R-START and R-SLIDE lines are 132 columns, R-TRIAL lines 85 with ten leading blanks.
    std::istringstream rep(out.report.str());
    std::string line;
    long wide = 0, trials = 0;
    while (std::getline(rep, line)) {
      if (line.size() == 132) ++wide;
      if (line.size() == 85 && line.compare(0, 10, std::string(10, ' ')) == 0) ++trials;
    }
    c->evaluations = wide - c->state->slides.count + trials;
  }
  return *c;
}

void label(benchmark::State& st, const Case& c, Kernel kernel, double pairs_per_iteration) {
  st.SetLabel(std::string(kernel == Kernel::fast ? "fast " : "reference ") + std::to_string(c.natom) +
              " atoms");
  st.counters["pairs/s"] = benchmark::Counter(pairs_per_iteration, benchmark::Counter::kIsIterationInvariantRate);
}

// args: case, kernel (0 reference, 1 fast), counting (0, 1)
void BM_PairEnergy(benchmark::State& st) {
  Case& c = get_case(static_cast<int>(st.range(0)));
  const Kernel kernel = st.range(1) ? Kernel::fast : Kernel::reference;
  const bool counting = st.range(2) != 0;
  RunState& s = *c.state;
  PairTables tables;
  build_pair_tables(s.cood, s.types, c.natom, tables);
  for (auto _ : st) {
    PairSums r = kernel == Kernel::fast ? pair_energy(tables, s.cood.nb2, counting)
                                        : pair_energy(s.cood, s.cood.nb2, s.types, c.natom, counting);
    benchmark::DoNotOptimize(r);
  }
  label(st, c, kernel, double(c.natom) * c.natom);
}

// The first neighbour's pass with both counts (the reference runs its count pass too).
void BM_FirstNeighbour(benchmark::State& st) {
  Case& c = get_case(static_cast<int>(st.range(0)));
  const Kernel kernel = st.range(1) ? Kernel::fast : Kernel::reference;
  RunState& s = *c.state;
  PairTables tables;
  build_pair_tables(s.cood, s.types, c.natom, tables);
  for (auto _ : st) {
    if (kernel == Kernel::fast) {
      FirstNeighbourSums r = pair_energy_both_counts(tables, s.cood.nb1);
      benchmark::DoNotOptimize(r);
    } else {
      PairSums r = pair_energy(s.cood, s.cood.nb1, s.types, c.natom, true);
      int n2 = count_reference_contacts(s.cood, s.cood.nb1, s.types, c.natom);
      benchmark::DoNotOptimize(r);
      benchmark::DoNotOptimize(n2);
    }
  }
  label(st, c, kernel, double(c.natom) * c.natom);
}

// args: case, kernel, the variable each trial moves (0: A, 1: B, 2: XOFF).  Only a move of B
// changes the second neighbour, so only then does the fast kernel run both passes.
void BM_Evaluate(benchmark::State& st) {
  Case& c = get_case(static_cast<int>(st.range(0)));
  const Kernel kernel = st.range(1) ? Kernel::fast : Kernel::reference;
  RunState& s = *c.state;
  Cluster cluster{s.cood, s.mol, s.types, kernel};
  Evaluation ev = s.ev;
  float* const moved[3] = {&ev.A, &ev.B, &ev.XOFF};
  float* const var = moved[st.range(2)];
  const float step = st.range(2) == 2 ? STEPX : STEPAB;
  float sign = 1.0f;
  for (auto _ : st) {
    *var = *var + sign * step;
    sign = -sign;
    benchmark::DoNotOptimize(evaluate_configuration(ev.XOFF, cluster, ev));
  }
  label(st, c, kernel, 3.0 * c.natom * c.natom);
}

void BM_WholeRun(benchmark::State& st) {
  Case& c = get_case(static_cast<int>(st.range(0)));
  const Kernel kernel = st.range(1) ? Kernel::fast : Kernel::reference;
  for (auto _ : st) {
    auto state = std::make_unique<RunState>();
    Outputs out;
    run_once(c.input, kernel, *state, out);
    benchmark::DoNotOptimize(out.report);
  }
  // Three passes per evaluation, one per slide, two for the reference geometry.
  const double n2 = double(c.natom) * c.natom;
  label(st, c, kernel, (3.0 * c.evaluations + c.state->slides.count + 2.0) * n2);
  st.counters["evaluations"] = double(c.evaluations);
}

// The floor the sums impose: the two sums of a pass alone, one addition per pair term into
// each, each waiting on the one before, over the same number of terms as one pass.
void BM_SumFloor(benchmark::State& st) {
  const Case& c = get_case(static_cast<int>(st.range(0)));
  const int n = c.natom;
  std::array<float, kMaxAtoms> vdw_terms{}, coul_terms{};
  for (int i = 0; i < n; ++i) {
    vdw_terms[static_cast<std::size_t>(i)] = 1.0e-3f * static_cast<float>(i);
    coul_terms[static_cast<std::size_t>(i)] = -2.0e-3f * static_cast<float>(i);
  }
  for (auto _ : st) {
    float vdw = 0.0f, coul = 0.0f;
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        float a = vdw_terms[static_cast<std::size_t>(i)], b = coul_terms[static_cast<std::size_t>(i)];
        __asm__("addss %1, %0" : "+x"(a) : "x"(vdw));
        __asm__("addss %1, %0" : "+x"(b) : "x"(coul));
        vdw = a;
        coul = b;
      }
    benchmark::DoNotOptimize(vdw);
    benchmark::DoNotOptimize(coul);
  }
  st.SetLabel(std::to_string(n) + " atoms");
  st.counters["pairs/s"] = benchmark::Counter(double(n) * n, benchmark::Counter::kIsIterationInvariantRate);
}

void cases_kernels(benchmark::internal::Benchmark* b, std::initializer_list<long> third) {
  for (long k = 0; k < 3; ++k)
    for (long kernel : {0L, 1L})
      if (third.size() == 0) b->Args({k, kernel});
      else
        for (long t : third) b->Args({k, kernel, t});
}

BENCHMARK(BM_PairEnergy)->Apply([](auto* b) { cases_kernels(b, {0, 1}); });
BENCHMARK(BM_FirstNeighbour)->Apply([](auto* b) { cases_kernels(b, {}); });
BENCHMARK(BM_Evaluate)->Apply([](auto* b) { cases_kernels(b, {0, 1, 2}); });
BENCHMARK(BM_WholeRun)->Apply([](auto* b) { cases_kernels(b, {}); })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SumFloor)->DenseRange(0, 2);

}  // namespace

// `packscan_bench --run-once CASE reference|fast` runs one whole run of a golden input and
// nothing else, for instruction counts under valgrind --tool=callgrind.
int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--run-once") {
    const Kernel kernel = std::string(argv[3]) == "reference" ? Kernel::reference : Kernel::fast;
    auto state = std::make_unique<RunState>();
    Outputs out;
    run_once(read_input(argv[2]), kernel, *state, out);
    return out.report.str().empty() ? 1 : 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
