#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with its built-in simulated meter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh --target multimeter
exec build/src/multimeter --demo "$@"
