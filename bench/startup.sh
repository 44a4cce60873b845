#!/usr/bin/env bash
# Start-up of the desktop program with catalogues of 0, 1,000 and 10,000 sites
# in one group and 100,000 sites in 1,000 groups, and the site tree's share of
# showing a listing's folders. Lower is better everywhere; each start-up is
# also given as the time above the empty catalogue, beside its target.
#
#   GUI_BUILD_DIR     desktop build directory (default build; configured if missing)
#   BENCH_STARTS      starts per catalogue, median taken (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${GUI_BUILD_DIR:-build}
starts=${BENCH_STARTS:-5}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build_dir" --target quillmoor bench_startup -j2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "== site tree alone (library; wall and CPU time)"
QT_QPA_PLATFORM=offscreen "$build_dir/bench/bench_startup" 2>/dev/null

# The whole program: from exec until it has shown its window and installed
# its SIGTERM handler (the last step of start-up), then ended with SIGTERM.
# Its CPU time up to that moment is given too: on a busy machine the wall
# time also holds the time other processes had the processor.
echo
echo "== whole program, exec to the end of start-up (median of $starts; lower is better)"
python3 - "$build_dir/src/app/quillmoor" "$work" "$starts" <<'PY'
import os, signal, statistics, subprocess, sys, time

program, work, starts = sys.argv[1], sys.argv[2], int(sys.argv[3])

def catalogue(groups, sites):
    path = os.path.join(work, f"Wexal-{groups}-{sites}.INI")
    with open(path, "w", newline="") as out:
        if sites == 0:
            out.write("[Group Place Holder]\r\nGROUP=Group 0\r\n\r\n")
        for site in range(sites):
            out.write(f"[site {site * 7919 % sites}]\r\nHOST=ftp{site}.example.org\r\nUID=anonymous\r\n"
                      f"GROUP=Group {site % groups}\r\nPROMPT?=FALSE\r\n\r\n")
    return path

def started(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("SigCgt:"):
                    return int(line.split()[1], 16) & (1 << (signal.SIGTERM - 1))
    except FileNotFoundError:
        pass
    return False

def cpu_seconds(pid):
    # utime and stime, fields 14 and 15 of /proc/PID/stat, in clock ticks.
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

def start_once(path):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=os.path.join(work, "config"))
    with open(path, "rb") as source:
        original = source.read()
    begin = time.monotonic()
    child = subprocess.Popen([program, "--catalogue", path], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while not started(child.pid):
        if child.poll() is not None:
            raise SystemExit(f"the program ended during start-up ({child.returncode})")
        time.sleep(0.002)
    elapsed = time.monotonic() - begin
    cpu = cpu_seconds(child.pid)
    child.send_signal(signal.SIGTERM)
    child.wait(timeout=120)
    with open(path, "wb") as source:
        source.write(original)
    return elapsed, cpu

rows = [("empty catalogue", 1, 0), ("1,000 sites in one group", 1, 1000),
        ("10,000 sites in one group", 1, 10000), ("100,000 sites in 1,000 groups", 1000, 100000)]
empty = None
for name, groups, sites in rows:
    path = catalogue(groups, sites)
    runs = [start_once(path) for _ in range(starts)]
    median = statistics.median(wall for wall, _ in runs)
    cpu = statistics.median(cpu for _, cpu in runs)
    empty = (median, cpu) if empty is None else empty
    extra, extra_cpu = median - empty[0], cpu - empty[1]
    verdict = "met" if extra <= 0.5 else "MISSED"
    print(f"{name:<32} {median:7.3f} s wall +{extra:.3f} s over empty (target +0.5 s: {verdict})"
          f"   CPU {cpu:.2f} s, +{extra_cpu:.2f} s")
PY
