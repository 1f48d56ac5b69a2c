#!/usr/bin/env bash
# Configures and builds one build tree. Usage: tools/build.sh BUILD_DIR [extra cmake options]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$1
shift
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir"
