#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds everything with warnings as errors
# and runs every test; then builds the core and its tests under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them again. Between the two, it builds the Debian
# package from the ci build and checks it (scripts/check-package.sh). Last, it builds the
# libFuzzer harnesses and runs each for 15 seconds (OTDR_FUZZ_SECONDS; CI gives them 120),
# as many at once as there are cores.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== Formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

echo "== Build and test (ci preset)"
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j "$(nproc)"

echo "== Debian package (ci build)"
rm -rf build/package
cpack --preset ci
scripts/check-package.sh

echo "== Build and test under sanitizers (asan-ubsan preset)"
cmake --preset asan-ubsan
cmake --build --preset asan-ubsan -j "$(nproc)"
ctest --preset asan-ubsan -j "$(nproc)"

echo "== Fuzzing (fuzz preset)"
scripts/fuzz.sh "${OTDR_FUZZ_SECONDS:-15}"

echo "== All tests passed"
