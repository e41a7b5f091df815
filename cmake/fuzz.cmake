# Fuzzing the whole program with libFuzzer, on one core:
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DPACKSCAN_FUZZ=ON -DPACKSCAN_BUILD_TESTS=OFF
#   cmake --build build-fuzz --target packscan_fuzz
#   mkdir -p fuzz-corpus && cp tests/fuzz/corpus/* tests/golden/real_naphthalene/atp.dat fuzz-corpus/
#   build-fuzz/packscan_fuzz -fork=1 -ignore_timeouts=1 -timeout=5 -max_total_time=1800 fuzz-corpus
# A valid 100-atom molecule takes about 1.5 s under the sanitizers, so 5 s leaves room.  A
# molecule whose charges do not sum to zero runs a search to the 100000-trial bound, which
# takes seconds to minutes there; fork mode counts such a run as a timeout and goes on.  Replay
# the timeout-* files with the ordinary packscan to see them end at the bound.
#
# The library is instrumented with AddressSanitizer and UndefinedBehaviorSanitizer.  A float
# division by zero is part of the arithmetic (its infinities flow into the report), so that
# check stays off.
option(PACKSCAN_FUZZ "Build the libFuzzer harness (needs clang++)" OFF)

if(PACKSCAN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "PACKSCAN_FUZZ needs clang++ (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  set(PACKSCAN_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize=float-divide-by-zero
                               -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g)
  target_compile_options(packscan_lib PUBLIC ${PACKSCAN_FUZZ_SANITIZERS} -fsanitize=fuzzer-no-link)
  target_link_options(packscan_lib PUBLIC -fsanitize=address,undefined)

  add_executable(packscan_fuzz tests/fuzz/fuzz_run.cpp)
  target_link_libraries(packscan_fuzz PRIVATE packscan_lib)
  target_compile_options(packscan_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(packscan_fuzz PRIVATE -fsanitize=fuzzer)
endif()
