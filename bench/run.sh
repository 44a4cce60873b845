#!/usr/bin/env bash
# Compares quillmoor-cli with curl against one local vsftpd on 127.0.0.1 in
# active and in passive mode (curl's own default: EPSV, then PASV) and over
# TLS (a second vsftpd that requires it; curl with --ssl-reqd),
# interleaving the two clients round by round, and prints the ratios of the
# medians; then the listing of a big directory by LIST (vsftpd) and by MLSD
# (pyftpdlib, which offers MLST) beside curl and lftp; the upload's time and
# CPU beside curl and lftp, the listing parser alone, the cost of small send
# blocks, the CLI's peak memory, and the transfer queue's parallel downloads
# (one connection against three, from a server that paces each connection); with a desktop build, the list fill and
# bench/startup.sh (start-up with large catalogues, folders into the site tree)
# and the window's responsiveness while the server stalls.
#
# Which way the ratios read:
#   comparison table ("ratio")   curl's median / quillmoor's median: above 1,
#                                quillmoor is faster
#   upload table ("x curl" ...)  quillmoor's median / the peer's median, for
#                                wall time and for CPU (user + system): below 1,
#                                quillmoor is faster or cheaper (targets: time
#                                <= 1.1, CPU <= 1.5 against curl)
#   start-up, list fill          seconds beside their targets: lower is better
#   stalls                       milliseconds (timer lateness, Cancel to end):
#                                lower is better; "yes" for the menu is right
#   parallel downloads ("ratio") one connection's time / three connections':
#                                target at least 1.5
#   listings table ("x")         the peer's median / quillmoor's median:
#                                above 1, quillmoor is faster
# lftp is compared when installed (apt-get install lftp); otherwise a note says
# it was left out. The MLSD listing needs python3 with pyftpdlib; without it a
# note says it was left out.
#
#   BUILD_DIR           build directory (default build-bench, Release, made if missing)
#   BENCH_SIZE_MB       size of the transferred file (default 1024)
#   BENCH_ROUNDS        rounds per comparison (default 5)
#   BENCH_LIST_ENTRIES  entries of the listed directory (default 100000)
#   BENCH_LIST_FOLDERS  folders of the directory the list view opens (default 10000)
#   GUI_BUILD_DIR       desktop build for the list view figures (default build)
#   BENCH_PARSER_LINES  lines for the parser alone (default 1000000)
#   BENCH_WORK_DIR      where the server's files and the downloads go (default /dev/shm)
#   BENCH_STALL_SECONDS how long the scripted server stalls each request (default 20)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build-bench}
size_mb=${BENCH_SIZE_MB:-1024}
rounds=${BENCH_ROUNDS:-5}
list_entries=${BENCH_LIST_ENTRIES:-100000}
parser_lines=${BENCH_PARSER_LINES:-1000000}

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUILLMOOR_BUILD_GUI=OFF -DQUILLMOOR_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build_dir" --target quillmoor-cli bench_listing_parser bench_send_blocks bench_parallel -j2 >/dev/null
cli=$build_dir/src/cli/quillmoor-cli

# The files live in memory (tmpfs) by default, so that disk write-back, which
# neither client controls, does not decide the rounds.
work_parent=${BENCH_WORK_DIR:-/dev/shm}
[ -d "$work_parent" ] && [ -w "$work_parent" ] || work_parent=/tmp
work=$(mktemp -d "$work_parent/quillmoor-bench.XXXXXX")
server_pid=""
py_pid=""
tls_pid=""
cleanup() {
  for pid in $server_pid $py_pid $tls_pid; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# --- one vsftpd on a free loopback port; anonymous, "upload" writable ---
root=$work/root
mkdir -p "$root/upload" "$work/empty"
chmod 755 "$work" "$root"
chmod 777 "$root/upload"
chown ftp:ftp "$root/upload" 2>/dev/null || true
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port=$(free_port)
# Passive data ports: 200 from a random start in the unassigned upper range,
# so that two runs side by side rarely meet.
pasv_low=$((30000 + RANDOM % 20000))
cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
local_enable=NO
no_anon_password=YES
anon_root=$root
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_world_readable_only=NO
anon_umask=022
port_enable=YES
connect_from_port_20=NO
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port=$pasv_low
pasv_max_port=$((pasv_low + 199))
seccomp_sandbox=NO
secure_chroot_dir=$work/empty
ftp_username=ftp
nopriv_user=ftp
xferlog_enable=NO
dirmessage_enable=NO
CONF
# Waits up to five seconds for a server to take connections on 127.0.0.1:$1.
wait_for_port() {
  for _ in $(seq 50); do
    if python3 -c "import socket,sys; socket.create_connection(('127.0.0.1',$1),1)" 2>/dev/null; then break; fi
    sleep 0.1
  done
}
/usr/sbin/vsftpd "$work/vsftpd.conf" 2>"$work/vsftpd.err" &
server_pid=$!
wait_for_port "$port"

url=ftp://127.0.0.1:$port
qm=("$cli" --active --mode I --email bench@example.com --timeout 120 "127.0.0.1:$port")
qm_passive=("$cli" --passive --mode I --email bench@example.com --timeout 120 "127.0.0.1:$port")
curl_active=(curl -sS --fail -P 127.0.0.1)
curl_passive=(curl -sS --fail)

# --- test data ---
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$root/upload/big.bin"
ln "$root/upload/big.bin" "$work/source.bin"
python3 - "$root/upload/many" "$list_entries" <<'PY'
import os, sys
path, count = sys.argv[1], int(sys.argv[2])
os.makedirs(path)
for i in range(count):
    open(os.path.join(path, "entry-%06d.dat" % i), "w").close()
PY

# Seconds taken by a command (its output discarded); fails the run if it fails.
elapsed() {
  local start end
  start=$(date +%s.%N)
  if ! "$@" >/dev/null 2>"$work/last.err"; then
    echo "failed: $*" >&2
    cat "$work/last.err" >&2
    exit 1
  fi
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs both clients each round, alternating which goes first; sets qm_med and curl_med.
compare() {
  local -n qm_run=$1 curl_run=$2
  local qm_times=() curl_times=()
  # Dirty pages left by the test data or the last comparison would be written
  # back during the first rounds and slow whichever client runs then.
  sync
  for round in $(seq "$rounds"); do
    if [ $((round % 2)) -eq 1 ]; then
      qm_times+=("$(elapsed "${qm_run[@]}")"); curl_times+=("$(elapsed "${curl_run[@]}")")
    else
      curl_times+=("$(elapsed "${curl_run[@]}")"); qm_times+=("$(elapsed "${qm_run[@]}")")
    fi
  done
  qm_med=$(median "${qm_times[@]}")
  curl_med=$(median "${curl_times[@]}")
  printf '%s rounds (s): quillmoor %s | curl %s\n' "$3" "$(printf '%.3f ' "${qm_times[@]}")" \
    "$(printf '%.3f ' "${curl_times[@]}")" >> "$work/rounds.txt"
}

rate() { echo "$size_mb / $1" | bc -l; }
rows=()
# A row of the table: label, quillmoor's and curl's median seconds, and
# whether to show throughput (MiB/s) or seconds.
add_row() {
  local ratio
  ratio=$(echo "$4 / $3" | bc -l)
  if [ "$2" = throughput ]; then
    rows+=("$(printf '%-34s %9.1f MiB/s %9.1f MiB/s %8.2f' "$1" "$(rate "$3")" "$(rate "$4")" "$ratio")")
  else
    rows+=("$(printf '%-34s %11.3f s %11.3f s %8.2f' "$1" "$3" "$4" "$ratio")")
  fi
}
must() { "$@" || { echo "check failed: $*" >&2; exit 1; }; }

qm_cmd=("${qm[@]}" "cd upload" "get big.bin $work/qm.bin")
curl_cmd=("${curl_active[@]}" -o "$work/curl.bin" "$url/upload/big.bin")
compare qm_cmd curl_cmd get
must cmp -s "$work/qm.bin" "$work/source.bin"
add_row "download ${size_mb} MiB (get)" throughput "$qm_med" "$curl_med"
rm -f "$work/qm.bin" "$work/curl.bin"

# A download and an upload of the test file by both clients, each checked
# byte for byte: the rows' label, the names of quillmoor's and curl's command
# arrays, and the server's URL for curl.
download_and_upload() {
  local -n qm_base=$2 curl_base=$3
  qm_cmd=("${qm_base[@]}" "cd upload" "get big.bin $work/qm.bin")
  curl_cmd=("${curl_base[@]}" -o "$work/curl.bin" "$4/upload/big.bin")
  compare qm_cmd curl_cmd "$1 get"
  must cmp -s "$work/qm.bin" "$work/source.bin"
  must cmp -s "$work/curl.bin" "$work/source.bin"
  add_row "$1 download ${size_mb} MiB (get)" throughput "$qm_med" "$curl_med"
  rm -f "$work/qm.bin" "$work/curl.bin"

  qm_cmd=("${qm_base[@]}" "cd upload" "put $work/source.bin up-qm.bin")
  curl_cmd=("${curl_base[@]}" -T "$work/source.bin" "$4/upload/up-curl.bin")
  compare qm_cmd curl_cmd "$1 put"
  must cmp -s "$root/upload/up-qm.bin" "$work/source.bin"
  must cmp -s "$root/upload/up-curl.bin" "$work/source.bin"
  add_row "$1 upload ${size_mb} MiB (put)" throughput "$qm_med" "$curl_med"
  rm -f "$root/upload/up-qm.bin" "$root/upload/up-curl.bin"
}
download_and_upload passive qm_passive curl_passive "$url"

# --- FTP over TLS: a second vsftpd on the same files that requires TLS for
# the log-in and the data (require_ssl_reuse, as by default), its certificate
# made here and trusted by both clients as their only authority ---
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$work/tls.key" -out "$work/tls.crt" 2>/dev/null
tls_port=$(free_port)
tls_pasv_low=$((pasv_low + 200))
sed -e "s/^listen_port=.*/listen_port=$tls_port/" -e "s/^pasv_min_port=.*/pasv_min_port=$tls_pasv_low/" \
  -e "s/^pasv_max_port=.*/pasv_max_port=$((tls_pasv_low + 199))/" "$work/vsftpd.conf" > "$work/vsftpd-tls.conf"
cat >> "$work/vsftpd-tls.conf" <<CONF
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
require_ssl_reuse=YES
ssl_ciphers=HIGH
rsa_cert_file=$work/tls.crt
rsa_private_key_file=$work/tls.key
CONF
/usr/sbin/vsftpd "$work/vsftpd-tls.conf" 2>"$work/vsftpd-tls.err" &
tls_pid=$!
wait_for_port "$tls_port"
qm_tls=("$cli" --passive --tls explicit --ca-file "$work/tls.crt" --mode I --email bench@example.com --timeout 120
  "127.0.0.1:$tls_port")
curl_tls=(curl -sS --fail --ssl-reqd --cacert "$work/tls.crt")
tls_url=ftp://127.0.0.1:$tls_port
download_and_upload TLS qm_tls curl_tls "$tls_url"

# --- uploads: wall time and CPU of each client, the clients taking turns ---
# Wall and CPU seconds (user + system) of a command, as "WALL CPU".
timed() {
  local start end
  start=$(date +%s.%N)
  if ! /usr/bin/time -f '%U %S' -o "$work/cpu.txt" "$@" >/dev/null 2>"$work/last.err"; then
    echo "failed: $*" >&2
    cat "$work/last.err" >&2
    exit 1
  fi
  end=$(date +%s.%N)
  echo "$(echo "$end - $start" | bc -l) $(awk 'END { print $1 + $2 }' "$work/cpu.txt")"
}
upload_clients=(quillmoor curl)
if command -v lftp >/dev/null; then
  upload_clients+=(lftp)
else
  upload_note="lftp not installed (apt-get install lftp): left out of the upload comparison"
fi
upload_command() {
  case $1 in
    quillmoor) echo "${qm[*]@Q} 'cd upload' 'put $work/source.bin up-$1.bin'" ;;
    curl) echo "${curl_active[*]@Q} -T '$work/source.bin' '$url/upload/up-$1.bin'" ;;
    lftp) echo "lftp -c 'set ftp:passive-mode off; set net:max-retries 1; open $url; put -O upload $work/source.bin -o up-$1.bin'" ;;
  esac
}
declare -A up_wall up_cpu
sync
for round in $(seq "$rounds"); do
  count=${#upload_clients[@]}
  for i in $(seq 0 $((count - 1))); do
    client=${upload_clients[$(((i + round) % count))]}
    measured=$(timed bash -c "$(upload_command "$client")")
    read -r wall cpu <<<"$measured"
    up_wall[$client]+="$wall "
    up_cpu[$client]+="$cpu "
    must cmp -s "$root/upload/up-$client.bin" "$work/source.bin"
    rm -f "$root/upload/up-$client.bin"
  done
done
upload_rows=()
# shellcheck disable=SC2086
{
  qm_wall=$(median ${up_wall[quillmoor]}); qm_cpu=$(median ${up_cpu[quillmoor]})
  for client in "${upload_clients[@]}"; do
    wall=$(median ${up_wall[$client]}); cpu=$(median ${up_cpu[$client]})
    upload_rows+=("$(printf '%-10s %9.3f s %9.3f s %9.2f %9.2f   rounds: %s' "$client" "$wall" "$cpu" \
      "$(echo "$qm_wall / $wall" | bc -l)" "$(echo "$qm_cpu / $cpu" | bc -l)" \
      "$(printf '%.3f ' ${up_wall[$client]})")")
  done
}
add_row "upload ${size_mb} MiB (put)" throughput "$qm_wall" "$(median ${up_wall[curl]})"

qm_cmd=("${qm[@]}" "cd upload/many" "ls")
curl_cmd=("${curl_active[@]}" "$url/upload/many/")
compare qm_cmd curl_cmd ls
must test "$("${qm_cmd[@]}" 2>/dev/null | wc -l)" -eq "$list_entries"
add_row "listing ${list_entries} entries (ls)" seconds "$qm_med" "$curl_med"

# --- the big directory listed in passive mode: LIST on vsftpd, MLSD on pyftpdlib ---
# Median seconds of a command over the rounds (lftp, beside the compared pair).
median_run() {
  local times=()
  for _ in $(seq "$rounds"); do times+=("$(elapsed "$@")"); done
  median "${times[@]}"
}
listing_rows=()
# A row: label, quillmoor's median, then "client median" pairs.
add_listing_row() {
  local label=$1 qm_seconds=$2 row
  shift 2
  row=$(printf '%-32s quillmoor %7.3f s' "$label" "$qm_seconds")
  while [ $# -gt 0 ]; do
    row+=$(printf ' | %s %7.3f s (x %.2f)' "$1" "$2" "$(echo "$2 / $qm_seconds" | bc -l)")
    shift 2
  done
  listing_rows+=("$row")
}
lftp_list() { lftp -c "set net:max-retries 1; set ftp:passive-mode on; open $1; cls -1 $2"; }

qm_cmd=("${qm_passive[@]}" "cd upload/many" "ls")
curl_cmd=("${curl_passive[@]}" "$url/upload/many/")
compare qm_cmd curl_cmd "passive ls (LIST, vsftpd)"
must test "$("${qm_cmd[@]}" 2>/dev/null | wc -l)" -eq "$list_entries"
peers=(curl "$curl_med")
if command -v lftp >/dev/null; then
  must test "$(lftp_list "$url" /upload/many/ | wc -l)" -eq "$list_entries"
  peers+=(lftp "$(median_run lftp_list "$url" /upload/many/)")
fi
add_listing_row "LIST (vsftpd), passive" "$qm_med" "${peers[@]}"

py_port=$(free_port)
if /usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null; then
  /usr/bin/python3 - "$root" "$py_port" >"$work/pyftpdlib.log" 2>&1 <<'PY' &
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.WARNING)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1])
FTPHandler.authorizer = authorizer
FTPServer(("127.0.0.1", int(sys.argv[2])), FTPHandler).serve_forever()
PY
  py_pid=$!
  for _ in $(seq 50); do
    if python3 -c "import socket,sys; socket.create_connection(('127.0.0.1',$py_port),1)" 2>/dev/null; then break; fi
    sleep 0.1
  done
  py_url=ftp://127.0.0.1:$py_port
  qm_cmd=("$cli" --passive --email bench@example.com --timeout 120 "127.0.0.1:$py_port" "cd upload/many" "ls")
  curl_cmd=("${curl_passive[@]}" "$py_url/upload/many/")
  must test "$("${qm_cmd[@]}" 2>/dev/null | wc -l)" -eq "$list_entries"
  "${qm_cmd[@]}" 2>&1 >/dev/null | grep -q 'MLSD' || listing_note="quillmoor did not list by MLSD on pyftpdlib"
  compare qm_cmd curl_cmd "passive ls (MLSD, pyftpdlib; curl by LIST)"
  peers=(curl-LIST "$curl_med")
  if command -v lftp >/dev/null; then
    must test "$(lftp_list "$py_url" /upload/many/ | wc -l)" -eq "$list_entries"
    peers+=(lftp-MLSD "$(median_run lftp_list "$py_url" /upload/many/)")
  fi
  add_listing_row "MLSD (pyftpdlib), passive" "$qm_med" "${peers[@]}"
  kill "$py_pid" 2>/dev/null || true
  wait "$py_pid" 2>/dev/null || true
  py_pid=""
else
  listing_note="python3 with pyftpdlib not installed: the MLSD listing was left out"
fi

# --- peak memory of the CLI: the full file against a 1 MiB one ---
head -c $((1024 * 1024)) /dev/urandom > "$root/upload/small.bin"
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
mem_big=$(peak_kb "${qm[@]}" "cd upload" "get big.bin $work/mem.bin")
mem_small=$(peak_kb "${qm[@]}" "cd upload" "get small.bin $work/mem-small.bin")

parser=$("$build_dir/bench/bench_listing_parser" "$parser_lines" "$work/parser.txt")
blocks=$("$build_dir/bench/bench_send_blocks" 256)
# 200 files of 64 KiB, each data connection paced to 2 MiB/s by the bench's own pyftpdlib.
if /usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null; then
  parallel=$("$build_dir/bench/bench_parallel" 200 64 2048) || parallel+=$'\n'"  (below the target, or a download failed)"
else
  parallel="python3 with pyftpdlib not installed: the parallel downloads were left out"
fi

printf '\n%-34s %12s %12s %8s\n' "comparison (medians of $rounds)" "quillmoor" "curl" "ratio"
printf '%s\n' "${rows[@]}"
echo
printf '%s\n' "listing ${list_entries} entries (medians of $rounds; x: the client's time / quillmoor's, above 1 quillmoor wins)"
printf '%s\n' "${listing_rows[@]}"
[ -z "${listing_note:-}" ] || echo "note: $listing_note"
echo
cat "$work/rounds.txt"
echo
echo "listing parser alone: $parser"
echo "send blocks over loopback (MB/s): $(echo "$blocks" | tr '\n' ' ')"
echo
printf '%-10s %11s %11s %9s %9s   (medians of %s; ratios quillmoor / client, below 1 quillmoor wins)\n' \
  "upload ${size_mb} MiB" wall CPU "wall x" "CPU x" "$rounds"
printf '%s\n' "${upload_rows[@]}"
[ -z "${upload_note:-}" ] || echo "note: $upload_note"
echo "peak memory of quillmoor-cli get: ${mem_big} KiB for ${size_mb} MiB, ${mem_small} KiB for 1 MiB"
echo
echo "$parallel"

# --- the list view (desktop build in GUI_BUILD_DIR, if configured) ---
# A directory of BENCH_LIST_FOLDERS folders opened from a site's list (wall
# and CPU time; target at most 0.3 s of CPU for 10,000), then the big
# directory refreshed ten times with the resident memory after each round
# (flat is right: a refresh keeps nothing of the listing before).
gui_build=${GUI_BUILD_DIR:-build}
list_folders=${BENCH_LIST_FOLDERS:-10000}
if [ -f "$gui_build/build.ninja" ]; then
  cmake --build "$gui_build" --target bench_list_fill bench_ui_stall -j2 >/dev/null
fi
gui_bench=$gui_build/bench/bench_list_fill
if [ -x "$gui_bench" ]; then
  echo
  echo "== list view: $list_folders folders shown; $list_entries entries shown in details mode, ten refreshes"
  QT_QPA_PLATFORM=offscreen "$gui_bench" "$list_entries" "$list_folders"
fi

# --- the window while the server stalls on CWD, LIST, SIZE and the data
# connection: the worst lateness of a 10 ms timer on the user-interface
# thread, whether a menu still opens, and Cancel to the request's end ---
stall_seconds=${BENCH_STALL_SECONDS:-20}
gui_stall=$gui_build/bench/bench_ui_stall
if [ -x "$gui_stall" ]; then
  echo
  # Qt's offscreen notes go to the file; it is shown when a stall could not be measured.
  QT_QPA_PLATFORM=offscreen "$gui_stall" "$stall_seconds" 2>"$work/stall.err" || cat "$work/stall.err"
fi

# --- start-up with large catalogues, and folders into the site tree ---
if [ -f "${GUI_BUILD_DIR:-build}/build.ninja" ]; then
  echo
  bench/startup.sh
fi
