# Sourced, from the source root, by the scripts that build and run the system
# (scripts/bench, bench/store.sh, bench/station.sh).

# Where the benchmarks and the programs they run are built, optimised.
bench_dir=build-bench

# bench_build TARGET...: the set-up, then the targets built for measuring in $bench_dir.
bench_build() {
  scripts/setup
  cmake -S . -B "$bench_dir" -DCMAKE_BUILD_TYPE=Release -DRAVNA_BUILD_BENCH=ON -DRAVNA_BUILD_TESTS=OFF >/dev/null
  cmake --build "$bench_dir" -j"$(nproc)" --target "$@" >/dev/null
}

# The programs started, in order, as NAME=PID.
system_programs=()

# system_start BUILD CONF STORE LOGDIR [OUTDIR]: smemory on the store, then, once the
# store is up, every program built in BUILD: kolvar, mendra, piltov, zarsen. With
# OUTDIR, a program's own output goes to OUTDIR/NAME.out rather than to ours.
system_start() {
  local build=$1 conf=$2 store=$3 logs=$4 out=${5:-}
  local common=(--confile "$conf" --store-name "$store" --logdir "$logs")
  mkdir -p "$logs"
  system_run "$build" "$out" tools/smemory "${common[@]}"
  # The programs wait for the store themselves; smctl tells when it is up.
  for _ in $(seq 1 100); do
    "$build/tools/smctl" "${common[@]:0:4}" get SM_Test_S >/dev/null 2>&1 && break
    sleep 0.1
  done
  system_run "$build" "$out" control/kolvar "${common[@]}"
  system_run "$build" "$out" simulator/mendra "${common[@]}" --imitator-confile config/mendra.src.xml
  system_run "$build" "$out" monitors/piltov "${common[@]}"
  system_run "$build" "$out" monitors/zarsen "${common[@]}"
}

system_run() {
  local build=$1 out=$2 path=$3
  shift 3
  [[ -x $build/$path ]] || return 0
  local name=${path##*/}
  echo "starting $name $*"
  if [[ -n $out ]]; then
    "$build/$path" "$@" >"$out/$name.out" 2>&1 &
  else
    "$build/$path" "$@" &
  fi
  system_programs+=("$name=$!")
}

# Stops the programs, the last started first, and waits for them.
system_stop() {
  local i
  for ((i = ${#system_programs[@]} - 1; i >= 0; i--)); do
    kill -TERM "${system_programs[i]#*=}" 2>/dev/null || true
  done
  for p in "${system_programs[@]}"; do
    wait "${p#*=}" 2>/dev/null || true
  done
  system_programs=()
}
