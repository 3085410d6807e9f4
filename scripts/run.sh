#!/usr/bin/env bash
# The main job: builds the installer and runs it in out/, where it leaves the scenario's
# three documents and three compiled files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build libfltk1.3-dev libcli11-dev nlohmann-json3-dev \
  pkg-config
cmake --preset release >/dev/null
cmake --build --preset release
mkdir -p out
cp build/release/app/genova_torino_ic514 out/
(cd out && ./genova_torino_ic514)
echo "Files in out/:"
ls -l out
