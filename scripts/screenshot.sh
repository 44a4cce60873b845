#!/usr/bin/env bash
# Takes the README's screenshot: Quillmoor on a virtual X display, connected
# to the local demo server, the list in details mode. Everything runs with a
# scratch home of its own, so the user's settings and catalogue are untouched.
#   scripts/screenshot.sh [OUTPUT.png]     (default docs/quillmoor-main-window.png)
#   QUILLMOOR_BUILD_DIR=DIR                 where Quillmoor is built (default ./build)
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/quillmoor-main-window.png}
build_dir=${QUILLMOOR_BUILD_DIR:-build}
program="$build_dir/src/app/quillmoor"

./scripts/install-deps.sh
if [ ! -x "$program" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build_dir" --target quillmoor -j "$(nproc)"
fi

if [ -z "${QUILLMOOR_SCREENSHOT_DISPLAY:-}" ]; then
  # Runs this script again inside a virtual display of its own.
  exec xvfb-run -a -s "-screen 0 1024x700x24" env QUILLMOOR_SCREENSHOT_DISPLAY=1 "$0" "$@"
fi

scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
mkdir -p "$XDG_CONFIG_HOME/Corvane"

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/bin/python3 scripts/demo-server --port "$port" >"$scratch/demo-server.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
./scripts/write-demo-catalogue "$XDG_CONFIG_HOME/Corvane/Wexal.INI" "$port"

# Details mode, and a window that fills most of the display.
printf '%s\n' "[ProgramOptions]" "Default%20View=1" "e-mail=demo@example.com" \
  "[WndProperties]" "Left=0" "Top=0" "Right=900" "Bottom=600" >"$XDG_CONFIG_HOME/Corvane/Quillmoor.ini"

"$program" >"$scratch/quillmoor.log" 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name '^Quillmoor$' | head -1)
sleep 1

# Open the demo group, then its site: both are the list's first item, and
# Return opens the focused item.
list_x=500 list_y=250
for _ in 1 2; do
  xdotool mousemove --window "$window" "$list_x" "$list_y" click 1
  xdotool key Home Return
  sleep 2
done
xdotool mousemove --window "$window" 600 40
sleep 1
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "screenshot: $output"
