#!/usr/bin/env bash
# Runs a program inside a D-Bus session of its own, with a GNOME keyring
# (a Secret Service) unlocked in a temporary home: the user's own session bus
# and keyring are never touched. The keyring's password only unlocks this
# throw-away keyring; an empty one would make the daemon ask on a screen.
set -euo pipefail
for program in dbus-run-session gnome-keyring-daemon; do
  if ! command -v "$program" >/dev/null; then
    echo "with_keyring.sh: $program is not installed (scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
done
root=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-keyring.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -m 700 "$root/run"
mkdir "$root/home"
export HOME="$root/home" XDG_RUNTIME_DIR="$root/run" XDG_DATA_HOME="$root/home/.local/share" \
  XDG_CONFIG_HOME="$root/home/.config" XDG_CACHE_HOME="$root/home/.cache"
unset DBUS_SESSION_BUS_ADDRESS
# The daemon ends with the session bus, which ends with the program.
dbus-run-session -- bash -c \
  'printf quillmoor-test-keyring | gnome-keyring-daemon --unlock --components=secrets >/dev/null && exec "$@"' \
  with_keyring "$@"
