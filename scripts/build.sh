#!/usr/bin/env bash
# Configures and builds one tree: scripts/build.sh <build-dir> [extra cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
cmake -S "$root" -B "$build_dir" -G Ninja "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
