#!/usr/bin/env bash
# Quick start on a fresh Debian machine: installs what the build needs, builds
# the library and the converter, prints the XER document of the bundled
# sample certificate and checks that it re-encodes to the same DER.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
for pkg in cmake ninja-build g++ libexpat1-dev libgtest-dev libgmock-dev; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y "${need[@]}"
fi

cmake --preset default >/dev/null
cmake --build --preset default --target qvasn1_cli >/dev/null
build/default/tools/qvasn1 decode Certificate examples/sample-cert.pem
build/default/tools/qvasn1 roundtrip Certificate examples/sample-cert.pem
