#!/usr/bin/env bash
# Builds and runs bench/store, with a Redis server of its own for the comparison of
# the cross-process latency. The last line sums it up:
#   store p50_us=X p99_us=Y redis p50_us=Z ratio=Z/X
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/system.sh

bench_build bench_store
if ! command -v redis-server >/dev/null; then
  echo "installing redis-server for the comparison"
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  { $sudo apt-get update -qq && $sudo apt-get install -y -qq redis-server; } >/dev/null 2>&1 || true
fi

build=$bench_dir

work=$(mktemp -d)
redis_pid=""
cleanup() {
  [[ -n "$redis_pid" ]] && kill "$redis_pid" 2>/dev/null && wait "$redis_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

socket="$work/redis.sock"
if command -v redis-server >/dev/null; then
  redis-server --port 0 --unixsocket "$socket" --unixsocketperm 700 --save "" --appendonly no \
               --dir "$work" --logfile "$work/redis.log" &
  redis_pid=$!
  for _ in $(seq 100); do
    [[ -S "$socket" ]] && break
    sleep 0.05
  done
fi
if [[ -S "$socket" ]]; then
  export REDIS_SOCKET="$socket"
else
  echo "redis: skipped: redis-server could not be installed or started"
  unset REDIS_SOCKET
fi

echo "cores: $(nproc)"
"$build/bench/store" > "$work/out.txt"
grep -v '^store p50_us=' "$work/out.txt"
summary=$(grep '^store p50_us=' "$work/out.txt" | tail -1)
cleanup
redis_pid=""
trap - EXIT
echo "$summary"
