# Fuzzing the whole program with libFuzzer:
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DPACKSCAN_FUZZ=ON
#   cmake --build build-fuzz --target packscan_fuzz
#   build-fuzz/packscan_fuzz -jobs=1 -workers=1 -timeout=10 tests/fuzz/corpus tests/golden/*/atp.dat
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
