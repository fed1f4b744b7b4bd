#!/bin/bash
# Installs what is missing, builds the normal, sanitizer and fuzzing builds and
# runs every test with CTest. Fails when any build or test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh" test

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

configure_build_test() {
    local dir=$1; shift
    cmake -S "$root" -B "$dir" -DTQ17_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

configure_build_test "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo
configure_build_test "$root/build/sanitize" -DCMAKE_BUILD_TYPE=Debug -DTQ17_SANITIZE=ON \
    -DTQ17_BUILD_BENCH=OFF
# The controller thread under the thread sanitizer: the suites that talk to the controller.
tsan="$root/build/tsan"
cmake -S "$root" -B "$tsan" -DTQ17_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTQ17_TSAN=ON \
    -DTQ17_BUILD_BENCH=OFF >/dev/null
cmake --build "$tsan" -j"$jobs"
for suite in link device app controller; do
    ctest --test-dir "$tsan/tests/$suite" --output-on-failure -j"$jobs"
done
# The fuzzer needs clang; only its own target is built there.
fuzz="$root/build/fuzz"
cmake -S "$root" -B "$fuzz" -DCMAKE_BUILD_TYPE=Debug -DTQ17_FUZZ=ON -DTQ17_BUILD_BENCH=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$fuzz" -j"$jobs" --target link_fuzz
ctest --test-dir "$fuzz" --output-on-failure -R link_fuzz
echo "All tests passed."
