#!/usr/bin/env bash
# Runs the test suite of a sanitizer build. AddressSanitizer and LeakSanitizer reports go to files,
# so one made by a program a test starts (whose output nobody reads) fails the run as surely as one
# that fails its test. UndefinedBehaviorSanitizer (GCC's runtime always writes to the error output)
# stops the program at its first report, which fails the test or the started program's exit code.
set -uo pipefail
build=${1:?build folder}
jobs=${2:-2}
reports="$(cd "$build" && pwd)/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}:log_path=$reports/asan"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
status=$?
if compgen -G "$reports/*" > /dev/null; then
    for report in "$reports"/*; do
        echo "== $report"
        head -n 80 "$report"
    done
    echo "Sanitizer reports above"
    exit 1
fi
exit $status
