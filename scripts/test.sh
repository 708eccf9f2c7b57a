#!/usr/bin/env bash
# Builds both editions and runs every test: once plainly, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the threading tests under
# ThreadSanitizer, and the file readers under libFuzzer; and the 64-bit Windows
# libraries, cross-built with MinGW-w64, with their tests under Wine (when Wine
# is installed). Out of tree (build/), safe to run twice.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh test

jobs=${EMBERLINE_JOBS:-2}
# The tests keep their settings store away from the user's own.
export XDG_CONFIG_HOME
XDG_CONFIG_HOME=$(mktemp -d /tmp/emberline-ci-XXXXXX)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$XDG_CONFIG_HOME"
}
trap cleanup EXIT

# The editor tests (label gui) run on a virtual X server of their own, on the
# first free display number.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$XDG_CONFIG_HOME/xvfb.log" 2>&1 &
      xvfb_pid=$!
      for _ in $(seq 50); do
        if [ -e "/tmp/.X11-unix/X$n" ]; then
          export DISPLAY=":$n"
          echo "== X server for the editor tests on :$n"
          return 0
        fi
        sleep 0.1
      done
      kill "$xvfb_pid" 2>/dev/null || true
      xvfb_pid=""
    fi
  done
  echo "test.sh: could not start Xvfb" >&2
  return 1
}
start_xvfb

run_suite() {
  local name=$1; shift
  local dir=build/$name
  echo "== $name: configure and build"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  if [ -n "${BUILD_TARGETS:-}" ]; then
    # shellcheck disable=SC2086
    cmake --build "$dir" -j "$jobs" --target $BUILD_TARGETS
  else
    cmake --build "$dir" -j "$jobs"
  fi
  echo "== $name: test"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" ${CTEST_ARGS:-})
}

run_suite release -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/test-windows.sh build/windows build/release
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  EMBERLINE_HOSTILE_SECONDS=30 run_suite sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEMBERLINE_SANITIZE=ON -DEMBERLINE_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 CTEST_ARGS="-L threads" \
  BUILD_TARGETS="emberline_thread_tests emberline_editor_thread_tests" \
  run_suite tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEMBERLINE_TSAN=ON -DEMBERLINE_BENCH=OFF
# The readers of presets, banks and settings under libFuzzer (clang), from the
# checked-in seeds, EMBERLINE_FUZZ_SECONDS each (longer by hand: see tests/fuzz).
CTEST_ARGS="-L fuzz" BUILD_TARGETS="fuzz_preset fuzz_bank fuzz_settings" \
  run_suite fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DEMBERLINE_FUZZ=ON -DEMBERLINE_TESTS=OFF -DEMBERLINE_TOOLS=OFF -DEMBERLINE_BENCH=OFF \
  -DEMBERLINE_FUZZ_SECONDS="${EMBERLINE_FUZZ_SECONDS:-30}"
echo "== all suites passed"
