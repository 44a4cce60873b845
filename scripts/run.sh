#!/usr/bin/env bash
# Installs what Quillmoor needs, builds it and starts it. It also starts the
# local demo FTP server (127.0.0.1:2121, anonymous, sample files) behind the
# "Local demo" site, and stops that server again when Quillmoor ends.
#   QUILLMOOR_DEMO_SERVER=0   do not start the demo server
#   QUILLMOOR_DEMO_PORT=N     serve the demo on another port
# Another program on the demo port is told from the demo server by its greeting.
#   QUILLMOOR_BUILD_DIR=DIR   build somewhere other than ./build
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

build_dir=${QUILLMOOR_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" --target quillmoor -j "$(nproc)"
program="$build_dir/src/app/quillmoor"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Quillmoor is built ($program), but there is no display to show it on." >&2
  echo "Start it inside a virtual display instead:  xvfb-run -a ./scripts/run.sh" >&2
  exit 2
fi

# Qt, like the XDG rules, ignores a relative XDG_CONFIG_HOME.
config_home=${XDG_CONFIG_HOME:-}
[[ $config_home == /* ]] || config_home="$HOME/.config"
config_dir="$config_home/Corvane"
catalogue="$config_dir/Wexal.INI"
demo_port=${QUILLMOOR_DEMO_PORT:-2121}

port_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# The first line a server on the port sends, empty when it sends none in time.
greeting_on() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1" && IFS= read -r -t 3 line <&3 && printf '%s' "${line%$'\r'}") 2>/dev/null || true
}
demo_greeting="220 Quillmoor demo FTP server ready."
free_port() { /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

demo_pid=""
stop_demo_server() {
  if [ -n "$demo_pid" ]; then
    kill -TERM "$demo_pid" 2>/dev/null || true
    wait "$demo_pid" 2>/dev/null || true
  fi
}
trap stop_demo_server EXIT

# A demo port held by another program would have "Local demo" talk to that
# program. Another run's demo server is used as it is; for a stranger, a first
# start (no catalogue yet) moves the demo to a free port, a later one stops.
demo_running=0
if [ "${QUILLMOOR_DEMO_SERVER:-1}" != 0 ] && port_answers "$demo_port"; then
  greeting=$(greeting_on "$demo_port")
  if [ "$greeting" = "$demo_greeting" ]; then
    echo "run.sh: the demo server already runs on 127.0.0.1:$demo_port; using it." >&2
    demo_running=1
  elif [ ! -e "$catalogue" ] && [ -z "${QUILLMOOR_DEMO_PORT:-}" ]; then
    taken=$demo_port
    demo_port=$(free_port)
    echo "run.sh: another program holds 127.0.0.1:$taken (it greets with \"${greeting:-nothing}\");" \
         "the demo server uses port $demo_port instead." >&2
  else
    echo "run.sh: another program holds 127.0.0.1:$demo_port (it greets with \"${greeting:-nothing}\")," \
         "not the demo server, and the site \"Local demo\" would talk to it." >&2
    echo "Stop that program, or start with QUILLMOOR_DEMO_PORT=N (and give \"Local demo\" that port" \
         "in its Properties) or QUILLMOOR_DEMO_SERVER=0." >&2
    exit 1
  fi
fi

if [ "${QUILLMOOR_DEMO_SERVER:-1}" != 0 ] && [ "$demo_running" = 0 ]; then
  if port_answers "$demo_port"; then
    echo "run.sh: 127.0.0.1:$demo_port was taken just now; Quillmoor starts without the demo server." >&2
  else
    /usr/bin/python3 scripts/demo-server --port "$demo_port" &
    demo_pid=$!
    for _ in $(seq 50); do port_answers "$demo_port" && break; sleep 0.1; done
    port_answers "$demo_port" || echo "run.sh: the demo server did not come up; Quillmoor starts without it." >&2
  fi
fi

# CATALOGUE STEP: on a fresh machine there is no catalogue yet; a new one gets
# the "Local demo" site for the demo server. An existing catalogue is left alone.
if [ ! -e "$catalogue" ]; then
  ./scripts/write-demo-catalogue "$catalogue" "$demo_port"
fi

# The program runs as a child that this script waits for, so that SIGTERM or
# Ctrl+C sent to the script end Quillmoor the orderly way (it saves its
# settings and catalogue) before the demo server is stopped.
"$program" "$@" &
program_pid=$!
trap 'kill -TERM "$program_pid" 2>/dev/null || true' TERM INT HUP
status=0
while :; do
  wait "$program_pid" && status=0 || status=$?
  kill -0 "$program_pid" 2>/dev/null || break
done
exit "$status"
