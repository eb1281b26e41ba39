#!/usr/bin/env bash
# Sets up the machine, builds the driver and runs it from the application directory. Without
# a display it starts a virtual X server, writes a screenshot of the window and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target vesk
app="$PWD/build/app"
cd "$app"
if [ -n "${DISPLAY:-}" ]; then
  exec ./vesk "$@"
fi

shot="$app/screenshot.png"
cat > /tmp/vesk-run.sh <<INNER
#!/usr/bin/env bash
cd "$app"
./vesk "\$@" &
pid=\$!
for _ in \$(seq 1 100); do
  xdotool search --sync --onlyvisible --pid \$pid --name "Brimlock Driver" >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 3
import -window root "$shot" && echo "screenshot of the window: $shot"
echo "the driver runs on \$DISPLAY (pid \$pid); stop it with Ctrl+C"
wait \$pid
INNER
exec bash "$root/tools/with-display.sh" bash /tmp/vesk-run.sh "$@"
