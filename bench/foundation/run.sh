#!/usr/bin/env bash
# Runs the foundation benchmarks against a build (default: the repository's build/), under a
# private virtual display when there is none. Builds nothing.
#   bench/foundation/run.sh [BUILD_DIR] [--only roundtrip,events,startup]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# Debian's python3 carries the websocket client.
cmd=(/usr/bin/python3 -B "$here/run.py" "$@")
if [ -z "${DISPLAY:-}" ]; then
  exec "$here/../../tools/with-display.sh" "${cmd[@]}"
fi
exec "${cmd[@]}"
