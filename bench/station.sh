#!/usr/bin/env bash
# Builds the system and bench/station, runs smemory, kolvar, mendra, piltov and zarsen
# on the sample configuration under a store of their own, and has bench/station take
# every set under automatic control and time the blackout start, the reserve start
# and the idle system. The last line sums it up:
#   station blackout_s=A reserve_s=B overhead_ms=C idle_cpu_pct=D kolvar_rss_mb=E
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/system.sh

bench_build smemory smctl kolvar mendra piltov zarsen bench_station
build=$bench_dir
conf=config/configure.xml
# Its own store, apart from any other bench running.
store=station-bench-$$-$RANDOM
logs=$build/station-logs
rm -rf "$logs"
mkdir -p "$logs"

cleanup() {
  trap - INT TERM EXIT
  system_stop
  rm -f /dev/shm/ravna.*."$store"
}
trap cleanup INT TERM EXIT

system_start "$build" "$conf" "$store" "$logs" "$logs" >/dev/null
programs=$(IFS=,; echo "${system_programs[*]}")
status=0
"$build/bench/station" --confile "$conf" --store-name "$store" --programs "$programs" "$@" \
  | tee "$logs/station.txt" | grep -v '^station blackout_s=' || status=$?
cleanup
if ((status != 0)); then
  echo "bench/station failed; the programs' logs and output are in $logs" >&2
  exit "$status"
fi
summary=$(grep '^station blackout_s=' "$logs/station.txt" | tail -1)
echo "logs in $logs"
echo "$summary"
