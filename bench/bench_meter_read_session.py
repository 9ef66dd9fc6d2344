#!/usr/bin/env python3
"""meter-read with several meters at once, driven as processes.

Four virtual meters publish COM1..COM4 on pseudo-terminals and send 1,000 frames a second
each; one meter-read reads them all and logs every reading (the journal on). Printed:

  session_cpu_us_per_frame: processor time of meter-read per frame, 4 inputs, journal on
  session_calc_cpu_us_per_frame: the same with two computed channels (p=a*b, q=c*d)
  single_cpu_us_per_frame: one input the single-input way (--port COM1 --log), for comparison
  floor_cpu_us_per_frame: a bare reader of the same four terminals (bench_pty_floor) that pauses
    as meter-read's loop does and does nothing else: what waking and reading cost on this machine
  computed_delay_ms_p50 / _p95 / _max: from a frame's arrival (its time stamp) to its computed
    value's line reaching this script

Usage: bench_meter_read_session.py [BIN_DIR] [SECONDS]   (default build-rel/bin, 10 s)
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
from datetime import datetime

BIN = sys.argv[1] if len(sys.argv) > 1 else "build-rel/bin"
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
WARM_UP = 2.0
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def line_count(path):
    with open(path, "rb") as f:
        return sum(1 for _ in f)


def start_meters(env, ports):
    sims = [subprocess.Popen([f"{BIN}/meter-sim", "--port", p, "--rate", "1000"], env=env,
                             stderr=subprocess.DEVNULL) for p in ports]
    links = [os.path.join(env["XDG_RUNTIME_DIR"], "meter-logger", p) for p in ports]
    deadline = time.time() + 10
    while not all(os.path.islink(l) for l in links) and time.time() < deadline:
        time.sleep(0.05)
    return sims


def cpu_per_frame(env, args, folder, name):
    """Processor time per logged row, measured after a warm-up, the rows counted in the output."""
    out_path = os.path.join(folder, name + ".out")
    with open(out_path, "wb") as out:
        reader = subprocess.Popen([f"{BIN}/meter-read"] + args, env=env, stdout=out, stderr=subprocess.DEVNULL)
        time.sleep(WARM_UP)
        cpu0, rows0 = cpu_seconds(reader.pid), line_count(out_path)
        time.sleep(SECONDS)
        cpu1, rows1 = cpu_seconds(reader.pid), line_count(out_path)
        reader.send_signal(signal.SIGINT)
        reader.wait(30)
    frames = rows1 - rows0
    return (cpu1 - cpu0) * 1e6 / frames if frames else float("nan"), frames


FRAME_BYTES = 14   # one frame of the virtual meter


def floor_per_frame(env, links, folder):
    """Processor time per frame of the bare reader, its frames counted from the bytes it read."""
    out_path = os.path.join(folder, "floor.out")
    with open(out_path, "wb") as out:
        reader = subprocess.Popen([f"{BIN}/bench_pty_floor", "1000"] + links, env=env, stdout=out)
        time.sleep(WARM_UP)
        cpu0 = cpu_seconds(reader.pid)
        time.sleep(SECONDS)
        cpu1 = cpu_seconds(reader.pid)
        reader.send_signal(signal.SIGINT)
        reader.wait(30)
    with open(out_path) as f:
        read = sum(int(line.split()[1]) for line in f)
    # The warm-up's bytes are in the count too: scale to the measured share of the run.
    frames = read / FRAME_BYTES * SECONDS / (SECONDS + WARM_UP)
    return (cpu1 - cpu0) * 1e6 / frames if frames else float("nan")


def computed_delays(env, args):
    reader = subprocess.Popen([f"{BIN}/meter-read"] + args, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    delays = []
    start = time.time()
    stream = reader.stdout
    while time.time() - start < SECONDS + WARM_UP:
        line = stream.readline()
        if not line:
            break
        now = time.time()
        if now - start < WARM_UP:
            continue
        # Only the computed channels' lines are parsed: this script must keep up with the stream,
        # or its own lag would count as delay.
        if not (line.startswith(b'{"channel":"p"') or line.startswith(b'{"channel":"q"')):
            continue
        value = json.loads(line)
        if value["channel"] in ("p", "q") and value.get("state") == "valid":
            stamp = datetime.fromisoformat(value["timestamp"]).timestamp()
            delays.append((now - stamp) * 1000)
    stream.close()   # a reader gone away ends the printing
    reader.send_signal(signal.SIGINT)
    reader.wait(30)
    delays.sort()
    return delays


def main():
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ)
        for key in ("XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"):
            path = os.path.join(folder, key.lower())
            os.makedirs(path, mode=0o700)
            env[key] = path
        ports = ["COM1", "COM2", "COM3", "COM4"]
        sims = start_meters(env, ports)
        try:
            inputs = []
            for name, port in zip("abcd", ports):
                inputs += ["--input", f"{name}=port:{port}"]
            logged = ["--log", "--limit", "limitless"]
            calcs = ["--calc", "p=a*b", "--calc", "q=c*d"]
            us, frames = cpu_per_frame(env, inputs + logged, folder, "session")
            print(f"session_cpu_us_per_frame: {us:.2f}")
            print(f"session_frames_per_second: {frames / SECONDS:.0f}")
            us, _ = cpu_per_frame(env, inputs + calcs + logged, folder, "calc")
            # Rows of the computed channels are lines too: per input frame, count the inputs' rows.
            print(f"session_calc_cpu_us_per_line: {us:.2f}")
            us, _ = cpu_per_frame(env, ["--port", "COM1"] + logged, folder, "single")
            print(f"single_cpu_us_per_frame: {us:.2f}")
            if os.path.exists(f"{BIN}/bench_pty_floor"):
                links = [os.path.join(env["XDG_RUNTIME_DIR"], "meter-logger", p) for p in ports]
                print(f"floor_cpu_us_per_frame: {floor_per_frame(env, links, folder):.2f}")
            delays = computed_delays(env, inputs + calcs + ["--format", "jsonl"])
            if delays:
                pick = lambda q: delays[min(len(delays) - 1, int(q * len(delays)))]
                print(f"computed_values: {len(delays)}")
                print(f"computed_delay_ms_p50: {pick(0.50):.2f}")
                print(f"computed_delay_ms_p95: {pick(0.95):.2f}")
                print(f"computed_delay_ms_max: {delays[-1]:.2f}")
        finally:
            for s in sims:
                s.terminate()
            for s in sims:
                s.wait(10)


if __name__ == "__main__":
    main()
