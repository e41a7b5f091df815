# Benchmarks of the pair kernels, the configuration energy and whole runs (Google Benchmark,
# Debian's libbenchmark-dev):
#   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPACKSCAN_BUILD_BENCH=ON
#   cmake --build build-bench -j2 --target packscan_bench
#   build-bench/packscan_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# Every benchmark runs once with the reference kernel and once with the fast one, so the
# ratio comes from one binary and one run.
option(PACKSCAN_BUILD_BENCH "Build the benchmarks (needs libbenchmark-dev)" OFF)

if(PACKSCAN_BUILD_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(packscan_bench ${PROJECT_SOURCE_DIR}/bench/pair_bench.cpp)
  target_link_libraries(packscan_bench PRIVATE packscan_lib benchmark::benchmark)
  target_compile_options(packscan_bench PRIVATE -Wall -Wextra)
  target_compile_definitions(packscan_bench PRIVATE
    PACKSCAN_GOLDEN_DIR="${PROJECT_SOURCE_DIR}/tests/golden")
endif()
