#!/usr/bin/env python3
"""Measures how lathwell-cli treats its files and its stop signals, in a temporary folder.

    bench/run_safety.py [--build DIR] [--trials N]

  --build DIR  build folder holding lathwell-cli; build/
  --trials N   double-signal trials; 50

Reports:
  - how often each file is opened (strace -e openat) by a pad run, a CSV run and a gzip run;
  - how long a first Ctrl-C takes to end a run blocked on a plain FIFO and on a gzip FIFO,
    with its exit status and whether an output is left;
  - how long a /dev/full failure takes while a gzip FIFO input is held open and silent;
  - N trials of SIGINT followed 0-20 ms later by TERM, HUP or INT during a gzip run: how many
    leave an output behind (none should).
"""
import argparse
import gzip
import os
import random
import shutil
import signal
import subprocess
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def opens_per_file(cli, folder):
    runs = {
        "pad": [cli, "pad", "flat.txt", "pad.txd", "-l", "20", "-q"],
        "csv": [cli, "csv", "deaths.csv", "csv.txd", "--dd", "deaths.dd", "--map", "Deaths=Deaths (Cases)", "-q"],
        "gzip": [cli, "pad", "flat.txt.gz", "gzip.txd.gz", "-l", "20", "-q"],
    }
    for name, command in runs.items():
        trace = os.path.join(folder, name + ".trace")
        subprocess.run(["strace", "-f", "-e", "trace=openat", "-o", trace] + command, cwd=folder, check=True)
        counts = {}
        with open(trace) as lines:
            for line in lines:
                if '"' not in line:
                    continue
                path = line.split('"')[1]
                if path.startswith(("/lib", "/usr", "/etc", "/proc", "/sys", "/dev")):
                    continue
                counts[os.path.basename(path)] = counts.get(os.path.basename(path), 0) + 1
        print(f"  {name:5} opens: " + ", ".join(f"{path} {count}" for path, count in sorted(counts.items())))


def stop_latency(cli, folder, fifo, payload, output):
    target = os.path.join(folder, output)
    process = subprocess.Popen([cli, "pad", fifo, output, "-l", "5", "-q"], cwd=folder)
    writer = os.open(os.path.join(folder, fifo), os.O_WRONLY)
    os.write(writer, payload)
    time.sleep(0.5)
    start = time.monotonic()
    process.send_signal(signal.SIGINT)
    status = process.wait()
    elapsed = time.monotonic() - start
    os.close(writer)
    left = os.path.exists(target)
    print(f"  Ctrl-C on {fifo} -> {output}: exit {status}, {elapsed:.3f} s, output left: {left}")


def full_disk_with_silent_input(cli, folder):
    data = gzip.compress(b"".join(b"line %d\n" % i for i in range(2000000)))
    process = subprocess.Popen([cli, "pad", "in.fifo.gz", "/dev/full", "-l", "5", "-q"], cwd=folder,
                               stderr=subprocess.DEVNULL)
    writer = os.open(os.path.join(folder, "in.fifo.gz"), os.O_WRONLY)
    os.write(writer, data[: len(data) // 2])
    start = time.monotonic()
    status = process.wait()
    elapsed = time.monotonic() - start
    os.close(writer)
    print(f"  /dev/full with a silent gzip FIFO held open: exit {status}, {elapsed:.3f} s after the last byte")


def double_signals(cli, folder, trials):
    left = 0
    for trial in range(trials):
        output = os.path.join(folder, "double.txd.gz")
        process = subprocess.Popen([cli, "pad", "big.txt", output, "-l", "80", "--threads", "1", "-q"], cwd=folder)
        while not os.path.exists(output):
            time.sleep(0.001)
        time.sleep(0.2)
        process.send_signal(signal.SIGINT)
        time.sleep(random.uniform(0, 0.02))
        try:
            process.send_signal(random.choice([signal.SIGTERM, signal.SIGHUP, signal.SIGINT]))
        except ProcessLookupError:
            pass
        process.wait()
        if os.path.exists(output):
            left += 1
            os.remove(output)
    print(f"  {trials} double-signal trials: output left behind in {left}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--trials", type=int, default=50)
    arguments = parser.parse_args()
    cli = os.path.abspath(os.path.join(arguments.build, "lathwell-cli"))
    folder = tempfile.mkdtemp(prefix="lathwell-safety-")
    try:
        for name in ("flat.txt", "deaths.csv", "deaths.dd"):
            shutil.copy(os.path.join(SOURCE, "examples", name), folder)
        with open(os.path.join(folder, "flat.txt"), "rb") as flat, gzip.open(os.path.join(folder, "flat.txt.gz"), "wb") as packed:
            packed.write(flat.read())
        with open(os.path.join(folder, "big.txt"), "wb") as big:
            big.write(b"".join(b"record %d of a large input to stop midway\n" % i for i in range(4000000)))
        for fifo in ("in.fifo.txt", "in.fifo.gz"):
            os.mkfifo(os.path.join(folder, fifo))
        print("Files opened per run:")
        opens_per_file(cli, folder)
        print("Stops and failures while the input is silent:")
        stop_latency(cli, folder, "in.fifo.txt", b"abc\nde", "plain.txd")
        stop_latency(cli, folder, "in.fifo.gz", gzip.compress(b"abc\n" * 100000)[:5000], "packed.txd.gz")
        full_disk_with_silent_input(cli, folder)
        print("Second signals:")
        double_signals(cli, folder, arguments.trials)
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
