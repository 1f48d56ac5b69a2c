#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one over a copy of its committed seed corpus.
#
#   bash tools/fuzz.sh                   every target for 15 seconds
#   bash tools/fuzz.sh TARGET... -- ARGS  only those targets, with libFuzzer's ARGS
#                                         (e.g. -- -runs=10000000 -max_total_time=900)
#
# A target that finds a fault stops the script with a failure; the input that caused it is left
# in build-fuzz/findings/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=()
while (($#)) && [[ $1 != -- ]]; do
  targets+=("$1")
  shift
done
(($#)) && shift
args=("$@")
((${#args[@]})) || args=(-max_total_time=15)
((${#targets[@]})) || targets=(base64_fuzzer pem_fuzzer certificate_markup_fuzzer
                               command_url_fuzzer res_scheme_fuzzer profiles_ini_fuzzer
                               password_line_fuzzer)

bash tools/build.sh build-fuzz -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCORVANE_FUZZ=ON -DCORVANE_BUILD_GUI=OFF -DCORVANE_BUILD_BENCH=OFF

for target in "${targets[@]}"; do
  seeds="fuzz/corpus/${target%_fuzzer}"
  work="build-fuzz/corpus/$target"
  findings="build-fuzz/findings/$target"
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  echo "== $target"
  # New inputs go to the working copy; the committed seeds stay as they are.
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build-fuzz/fuzz/$target" -artifact_prefix="$findings/" -print_final_stats=1 \
    "${args[@]}" "$work" "$seeds"
done
