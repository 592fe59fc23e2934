#!/usr/bin/env bash
# Builds the application and writes the Debian package into build/; checks it
# with lintian when that is installed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target quirefold
cd "$root/build"
# The package's folders take their modes from the umask (CMake creates them
# with mkdir and never changes their mode).
umask 022
cpack -G DEB
deb="$(ls -t quirefold_*.deb | head -n 1)"
if command -v lintian >/dev/null; then
  lintian "$deb"
fi
echo "Install with: apt install $root/build/$deb"
