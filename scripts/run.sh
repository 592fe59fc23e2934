#!/usr/bin/env bash
# Builds and starts Quirefold. Without a display it runs under xvfb-run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting under xvfb-run."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$root/build/quirefold" "$@"
fi
exec "$root/build/quirefold" "$@"
