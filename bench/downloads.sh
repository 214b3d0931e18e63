#!/usr/bin/env bash
# Times both download methods against curl and aria2c over loopback, with nginx serving
# the same files to all of them, and reports the program's added memory and the
# event-loop latency while six downloads run; then kills a download part-way and checks
# that the next run resumes it into the same bytes. Not part of the test command.
#   bash bench/downloads.sh [SIZE_MIB_OF_THE_BIG_FILE]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --bench
bash scripts/build.sh >/dev/null

big_mib=${1:-1024}
part_mib=$((big_mib / 4))
work=$(mktemp -d /tmp/quenlit-bench.XXXXXX)
port=$((20000 + RANDOM % 20000))
cleanup() {
  [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/logs" "$work/out"
head -c "${big_mib}M" /dev/urandom >"$work/www/big.dat"
for i in 1 2 3 4 5 6; do
  head -c "${part_mib}M" /dev/urandom >"$work/www/part$i.dat"
  head -c "${big_mib}M" /dev/zero >"$work/www/huge$i.dat"
done
head -c 64M /dev/urandom >"$work/www/resume.dat"
# nginx's workers drop to an unprivileged user: they must be able to read the files.
chmod -R a+rX "$work"
cat >"$work/nginx.conf" <<CONF
worker_processes 2;
daemon on;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  types { application/octet-stream dat; }
  client_body_temp_path $work/logs;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
    # Slow enough to be interrupted part-way; logged to see the resumed request's 206.
    location /slow/ { alias $work/www/; limit_rate 16m; access_log $work/logs/slow.log; }
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf"
base="http://127.0.0.1:$port"

seconds() { # runs the command, prints its wall time in seconds
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}
fresh() { rm -rf "$work/out" && mkdir -p "$work/out"; }
ours() { # method threads urls... : prints the program's report line
  fresh
  QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
    ./build/bench/bench_downloads "$1" "$2" "$work/out" "${@:3}"
}
field() { sed -n "s/.*\"$1\": *\([0-9.]*\).*/\1/p" <<<"$2"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

fresh
curl_s=$(seconds curl -fsS -o "$work/out/big.dat" "$base/big.dat")
[ "$(stat -c %s "$work/out/big.dat")" -eq $((big_mib * 1048576)) ] || { echo "curl did not fetch the file" >&2; exit 1; }
m1=$(ours 1 1 "$base/big.dat")
fresh
aria_s=$(seconds aria2c -q -j6 -x1 --allow-overwrite=true -d "$work/out" "$base"/part{1,2,3,4,5,6}.dat)
m2=$(ours 2 6 "$base"/part{1,2,3,4,5,6}.dat)
load=$(ours 2 6 "$base"/huge{1,2,3,4,5,6}.dat)

for report in "$m1" "$m2" "$load"; do
  case "$report" in *'"finished": 0'*|'') echo "a run of the program failed: $report" >&2; exit 1 ;; esac
done
m1_s=$(field seconds "$m1")
m2_s=$(field seconds "$m2")
echo "method 1, one ${big_mib} MiB file: ${m1_s} s, curl ${curl_s} s, ratio $(ratio "$m1_s" "$curl_s") (target <= 1.10)"
echo "method 2, six ${part_mib} MiB files: ${m2_s} s, aria2c ${aria_s} s, ratio $(ratio "$m2_s" "$aria_s") (target <= 1.10)"
echo "six ${big_mib} MiB downloads: memory added $(field addedMiB "$load") MiB (target < 50), event-loop p99 $(field p99LatencyMs "$load") ms (target < 30)"

# Resume: method 1 is killed part-way, as a crash would end it; method 2 takes the same row
# up again and must ask for the rest (a 206) and finish with the original bytes.
fresh
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
  ./build/bench/bench_downloads 1 1 "$work/out" "$base/slow/resume.dat" >/dev/null 2>&1 &
victim=$!
kept=0
for _ in $(seq 300); do
  kept=$(stat -c %s "$work/out/file4.dat.part" 2>/dev/null || echo 0)
  [ "$kept" -gt $((8 << 20)) ] && break
  sleep 0.1
done
kill -KILL "$victim" 2>/dev/null || true
wait "$victim" 2>/dev/null || true
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
  ./build/bench/bench_downloads 2 1 "$work/out" "$base/slow/resume.dat" >/dev/null
cmp "$work/www/resume.dat" "$work/out/file4.dat" || { echo "the resumed file differs" >&2; exit 1; }
grep -q '" 206 ' "$work/logs/slow.log" || { echo "the second run did not resume" >&2; exit 1; }
echo "resume: killed after ${kept} of $((64 << 20)) bytes, resumed with a 206, identical (cmp)"
