#!/usr/bin/env bash
# Sets up a fresh machine, builds the worker and its tests with the given preset (default: dev) and runs
# every test. Usage: scripts/test.sh [dev|asan]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-dev}

scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
