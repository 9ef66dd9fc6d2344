#!/usr/bin/env bash
# meter-read publishing to a local mosquitto at 1,000 readings a second: readings lost while the
# broker is up, processor time per reading with and without --mqtt, and the logging rate and
# resident memory while the broker is down for 10 s. Prints "name: value" lines.
#   bench/bench_mqtt.sh [BIN_DIR] [SECONDS]     (default build-rel/bin, 10 s a run)
set -euo pipefail
bin=$(cd "${1:-build-rel/bin}" && pwd)
secs=${2:-10}
rate=1000
broker_bin=$(command -v mosquitto || echo /usr/sbin/mosquitto)
[ -x "$broker_bin" ] || { echo "mosquitto is not installed (scripts/deps.sh installs it)" >&2; exit 1; }

tmp=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$tmp"; }
trap cleanup EXIT

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$((20000 + RANDOM % 30000))
while ! port_free "$port"; do port=$((port + 1)); done
{
  echo "listener $port 127.0.0.1"
  echo "allow_anonymous true"
  echo "persistence false"
  [ "$(id -u)" -eq 0 ] && echo "user root"
} >"$tmp/broker.conf"
broker_pid=
start_broker() {
  "$broker_bin" -c "$tmp/broker.conf" >>"$tmp/broker.log" 2>&1 &
  broker_pid=$!
  pids+=("$broker_pid")
  while port_free "$port"; do sleep 0.05; done
}
stop_broker() { kill "$broker_pid"; wait "$broker_pid" 2>/dev/null || true; }

# One run of meter-read --log fed at $rate; its processor time (user + system) in $tmp/cpu.
run_reader() {
  local frames=$1; shift
  "$bin/meter-sim" --stdout --rate "$rate" --count "$frames" |
    ( TIMEFORMAT='%U %S'; time "$bin/meter-read" --log --limit limitless "$@" - >"$tmp/rows" 2>"$tmp/err" ) 2>"$tmp/cpu"
}
cpu_seconds() { awk '{ print $1 + $2 }' "$tmp/cpu"; }

start_broker
frames=$((secs * rate))

run_reader "$frames"
plain=$(cpu_seconds)
rows_plain=$(wc -l <"$tmp/rows")

mosquitto_sub -p "$port" -t 'meter-logger/+/reading' >"$tmp/sub" &
sub_pid=$!
pids+=("$sub_pid")
sleep 0.5
run_reader "$frames" --mqtt "mqtt://127.0.0.1:$port"
mqtt=$(cpu_seconds)
rows=$(wc -l <"$tmp/rows")
sleep 1
kill "$sub_pid"
received=$(wc -l <"$tmp/sub")

echo "mqtt-rows-logged: $rows"
echo "mqtt-readings-received: $received"
echo "mqtt-readings-lost-broker-up: $((rows - received))"
echo "cpu-us-per-reading-plain: $(awk -v c="$plain" -v n="$rows_plain" 'BEGIN { printf "%.1f", c * 1e6 / n }')"
echo "cpu-us-per-reading-mqtt: $(awk -v c="$mqtt" -v n="$rows" 'BEGIN { printf "%.1f", c * 1e6 / n }')"
echo "cpu-ratio-mqtt-to-plain: $(awk -v a="$mqtt" -v b="$plain" 'BEGIN { printf "%.2f", a / b }')"

# The broker away for 10 s in the middle of a run: rows per second and resident memory.
"$bin/meter-sim" --stdout --rate "$rate" --count $((25 * rate)) |
  "$bin/meter-read" --log --limit limitless --mqtt "mqtt://127.0.0.1:$port" - >"$tmp/rows" 2>"$tmp/err" &
reader=$!
pids+=("$reader")
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$reader/status"; }
rows_now() { wc -l <"$tmp/rows"; }
sleep 5
before_rows=$(rows_now)
sleep 5
rate_before=$(( ($(rows_now) - before_rows) / 5 ))
stop_broker
rss_start=$(rss)
down_rows=$(rows_now)
sleep 2
rss_2s=$(rss)
sleep 8
rate_down=$(( ($(rows_now) - down_rows) / 10 ))
rss_end=$(rss)
start_broker
wait "$reader" || true
echo "outage-rows-per-s-before: $rate_before"
echo "outage-rows-per-s-broker-down: $rate_down"
echo "outage-rss-kib-at-stop: $rss_start"
echo "outage-rss-kib-after-2s: $rss_2s"
echo "outage-rss-kib-after-10s: $rss_end"
echo "outage-rows-logged: $(wc -l <"$tmp/rows")"
echo "outage-readings-dropped: $(grep -oE '[0-9]+ readings did not reach' "$tmp/err" | grep -oE '^[0-9]+' || echo 0)"
