#!/bin/sh
# scripts/each-test on a stand-in GoogleTest program (S.Steady passes,
# S.Flaky fails on its first run only, S.Broken always fails, S.Crash ends
# the process under it on its first run): a failure counts unless CI asked
# for second runs; a second run that passes is listed, one that fails
# again fails; a whole run rerun test by test finishes what it left; a
# program that fails outside its tests is not taken for passed.
set -u
# The runs below ask for second runs themselves; CI's own request, and a
# window manager asked for the window tests, stay outside.
unset LUMORA_RERUN_LOG LUMORA_WINDOW_MANAGER
each_test="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # description, condition...
  what="$1"
  shift
  if ! "$@"; then
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}

# The program: its tests are its arguments' filter; each test's runs are
# counted in the folder. FAKE_TESTS names the tests it lists,
# FAKE_EXIT_AFTER an exit status after all tests passed.
cat >"$work/program" <<'PROGRAM'
list="${FAKE_TESTS:-Steady Flaky}"
filter="*"
for a in "$@"; do
  case "$a" in
    --gtest_list_tests) echo "S."; for t in $list; do echo "  $t"; done; exit 0 ;;
    --gtest_filter=*) filter="${a#--gtest_filter=}" ;;
  esac
done
status=0
for t in $list; do
  case "S.$t" in $filter) ;; *) continue ;; esac
  runs=$(($(cat "$FAKE_DIR/$t" 2>/dev/null || echo 0) + 1))
  echo "$runs" >"$FAKE_DIR/$t"
  echo "[ RUN      ] S.$t"
  case "$t" in
    Flaky) [ "$runs" -gt 1 ] || { echo "[  FAILED  ] S.$t (1 ms)"; status=1; continue; } ;;
    Broken) echo "[  FAILED  ] S.$t (1 ms)"; status=1; continue ;;
    Crash) [ "$runs" -gt 1 ] || exit 3 ;;
  esac
  echo "[       OK ] S.$t (1 ms)"
done
[ "$status" -eq 0 ] && echo "[  PASSED  ] tests." && exit "${FAKE_EXIT_AFTER:-0}"
exit "$status"
PROGRAM

run() {  # log ("" for none), each-test arguments...
  log="$1"
  shift
  rm -rf "$work/runs" && mkdir "$work/runs"
  rm -f "$work/reruns"
  if [ -n "$log" ]; then
    FAKE_DIR="$work/runs" LUMORA_RERUN_LOG="$log" sh "$each_test" "$@" sh "$work/program" >"$work/out" 2>&1
  else
    FAKE_DIR="$work/runs" sh "$each_test" "$@" sh "$work/program" >"$work/out" 2>&1
  fi
}
runs_of() { cat "$work/runs/$1" 2>/dev/null || echo 0; }

# Each test alone.
run ""
check "a failure passed without second runs" [ $? -ne 0 ]
check "a test ran twice without second runs" [ "$(runs_of Flaky)" -eq 1 ]
run "$work/reruns"
check "a test that passed on its second run failed the program" [ $? -eq 0 ]
check "the second run is not listed" grep -qx "program S.Flaky: passed" "$work/reruns"
check "the list holds more than the flaky test" [ "$(wc -l <"$work/reruns")" -eq 1 ]
FAKE_TESTS="Steady Broken" run "$work/reruns"
check "a test that failed twice passed" [ $? -ne 0 ]
check "the failure again is not listed" grep -qx "program S.Broken: failed again" "$work/reruns"
check "a failing test ran more than twice" [ "$(runs_of Broken)" -eq 2 ]

# All tests in one process, then what it did not finish alone.
FAKE_TESTS="Steady Flaky" run "" --whole
check "a whole run's failure passed without second runs" [ $? -ne 0 ]
FAKE_TESTS="Steady Crash Later" run "$work/reruns" --whole
check "a whole run ended under a test failed after its second run" [ $? -eq 0 ]
check "the crashed test is not listed" grep -qx "program S.Crash: passed" "$work/reruns"
check "the test the crash kept from running is listed as a second run" [ "$(wc -l <"$work/reruns")" -eq 1 ]
check "the test after the crash did not run once" [ "$(runs_of Later)" -eq 1 ]
check "the passed test ran again" [ "$(runs_of Steady)" -eq 1 ]
FAKE_TESTS="Steady" FAKE_EXIT_AFTER=5 run "$work/reruns" --whole
check "a program failing after its tests passed" [ $? -ne 0 ]
check "the whole program's second run is not listed" grep -qx "program (the whole program): failed again" "$work/reruns"

if [ "$failures" -ne 0 ]; then
  cat "$work/out"
  exit 1
fi
echo "each-test: every case behaves"
