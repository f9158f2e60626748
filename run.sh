#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
#   ./run.sh                 against a local stand-in for the Vexmora web service, started on a
#                            free loopback port and stopped again when the window closes
#   ./run.sh --service real  against the real service (www.vexmora.com); starts no stand-in
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'
}

service=local
while (($#)); do
  case $1 in
  --service)
    [[ $# -ge 2 ]] || { usage >&2; exit 2; }
    service=$2
    shift 2
    ;;
  --service=*)
    service=${1#*=}
    shift
    ;;
  -h | --help)
    usage
    exit 0
    ;;
  *)
    echo "run.sh: unknown argument $1" >&2
    usage >&2
    exit 2
    ;;
  esac
done
[[ $service == local || $service == real ]] ||
  { echo "run.sh: --service is local or real, not $service" >&2; exit 2; }

bash scripts/ensure-packages.sh

not_built_yet() {
  echo "The libraries are built; the Vexmora window itself is not built yet, so there is nothing to start."
}

if [[ $service == real ]]; then
  cmake --preset run-real
  cmake --build --preset run-real
  [[ -x build/run-real/app/vexmora ]] || { not_built_yet; exit 0; }
  exec build/run-real/app/vexmora
fi

state_dir=${XDG_STATE_HOME:-$HOME/.local/state}/vexmora-service-sim
[[ $state_dir == /* ]] || state_dir=$HOME/.local/state/vexmora-service-sim
mkdir -p "$state_dir"
chmod 700 "$state_dir"
state=$state_dir/state.json
log=$state_dir/service-sim.log
port_file=$state_dir/run-port   # the port of the last run: the client is built against it
sim=build/run/tools/service-sim/vexmora-service-sim

cmake --preset run >/dev/null
cmake --build --preset run --target vexmora-service-sim

sim_pid=
stop_sim() {
  if [[ -n $sim_pid ]] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  sim_pid=
}
trap stop_sim EXIT
trap 'stop_sim; exit 130' INT
trap 'stop_sim; exit 143' TERM

# Starts the stand-in on port $1 (0: any free one) and sets $port once it listens; fails when
# it ends first or does not answer within 10 s.
start_sim() {
  local out=$state_dir/run-port.out
  rm -f "$out"
  "$sim" --port "$1" --state "$state" >"$out" 2>>"$log" &
  sim_pid=$!
  for _ in $(seq 100); do
    if [[ -s $out ]]; then
      port=$(head -n 1 "$out")
      rm -f "$out"
      return 0
    fi
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  stop_sim
  return 1
}

last_port=$(cat "$port_file" 2>/dev/null || true)
port=
if [[ $last_port =~ ^[1-9][0-9]*$ ]] && start_sim "$last_port"; then
  :
elif ! start_sim 0; then
  echo "run.sh: the service stand-in did not start; its log $log ends with:" >&2
  tail -n 3 "$log" >&2
  exit 1
fi
echo "$port" >"$port_file"

cmake --preset run -DVEXMORA_SERVICE_HOST="127.0.0.1:$port" >/dev/null
cmake --build --preset run
if [[ ! -x build/run/app/vexmora ]]; then
  not_built_yet
  exit 0
fi

echo "Started the Vexmora service stand-in on http://127.0.0.1:$port/ (PID $sim_pid) and the Vexmora window built against it."
echo "The stand-in keeps its accounts and addresses in $state and logs each request to $log."
# The stand-in is on loopback: no proxy stands between the client and it.
export no_proxy="127.0.0.1,localhost${no_proxy:+,$no_proxy}"
export NO_PROXY="$no_proxy"
status=0
build/run/app/vexmora || status=$?
stop_sim
exit "$status"
