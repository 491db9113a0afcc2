#!/usr/bin/env python3
"""Soak run: Zelvan replays a real log at "x 8" in a loop to its TCP server
while clients come and go (and one connects and never reads); Vur is fed at
full speed through a pseudo-terminal. Every SOAK_INTERVAL seconds the resident
memory (VmRSS) and open descriptors of both programs are sampled. After a
warm-up of SOAK_WARMUP seconds, memory must grow by less than 1 MiB and the
descriptors must not grow (Zelvan closes one when it drops the client that
never reads, once its backlog passes the server's limit).

  SOAK_SECONDS   length of the run (default 1800)
  SOAK_WARMUP    seconds before the samples count (default 120)
  SOAK_INTERVAL  seconds between samples (default 10)
  ZV_BIN_DIR     where zelvan and vur are (default build/bin)

Only the processes started here are ended, each by its own PID."""
import os
import random
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import zvpeers  # noqa: E402  the peers the end-to-end tests start and end

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
DATA = os.path.join(ROOT, "tests", "data")
ZELVAN_LOG = os.path.join(DATA, "replay", "gpsd_neo-m8n.log")
VUR_LOGS = [os.path.join(DATA, "vur", n) for n in ("gpsd_GPSmap-76S.log", "gpsd_garmin-geko201.log",
                                                   "gpsd_mtk-3301.log")]

SECONDS = int(os.environ.get("SOAK_SECONDS", "1800"))
WARMUP = int(os.environ.get("SOAK_WARMUP", "120"))
INTERVAL = int(os.environ.get("SOAK_INTERVAL", "10"))
RSS_LIMIT_KB = 1024

stop = threading.Event()
quiet = threading.Event()      # set: churn clients hold still so a sample sees a settled state
counters = {"connects": 0, "bytes": 0, "errors": 0, "fed": 0}
lock = threading.Lock()


def fail(text):
    print("FAIL: " + text, flush=True)
    sys.exit(1)


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def fds(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def headless_supported(zelvan):
    with open(zelvan, "rb") as f:
        return b"--headless" in f.read()


def start_zelvan(home, port):
    zelvan = zvpeers.program("zelvan")
    tracks = os.path.join(home, "Tracks")
    os.makedirs(tracks, exist_ok=True)
    log = os.path.join(tracks, "soak.log")
    if headless_supported(zelvan):
        shutil.copy(ZELVAN_LOG, log)
        args = [zelvan, "--home", home, "--headless", log, "--pace", "x8", "--loop", "--output", f"tcp:{port}"]
        mode = "headless, x8, loop"
    else:
        # The window keeps neither pace nor loop in Zelvan.ini: it replays at
        # its start-up pace, one record a second, so the log is repeated to
        # last the whole run.
        with open(ZELVAN_LOG, "rb") as f:
            once = f.read()
        rmcs = max(1, once.count(b"RMC,"))
        with open(log, "wb") as f:
            f.write(once * (SECONDS // rmcs + 10))
        with open(os.path.join(home, "Zelvan.ini"), "w", newline="") as ini:
            ini.write(f"[Port]\r\nCOM= 23\r\n[TCP]\r\nPort={port}\r\n")
        args = [zelvan, "--home", home, "--load", log]
        mode = "window offscreen, start-up pace (x1), log repeated"
    proc = zvpeers.start(args, stdout=subprocess.DEVNULL, stderr=open(os.path.join(home, "zelvan.err"), "w"))
    if not zvpeers.wait_for(lambda: zvpeers.listening(port), 30):
        fail("Zelvan's TCP server did not listen")
    return proc, mode


def start_vur(home):
    zvpeers.require_tool("socat")
    vur_end, feed_end = os.path.join(home, "vur-pty"), os.path.join(home, "feed-pty")
    zvpeers.start(["socat", f"pty,raw,echo=0,link={vur_end}", f"pty,raw,echo=0,link={feed_end}"],
          stderr=subprocess.DEVNULL)
    if not zvpeers.wait_for(lambda: os.path.exists(vur_end) and os.path.exists(feed_end), 10):
        fail("socat did not create the pseudo-terminals")
    with open(os.path.join(home, "Vur.ini"), "w", newline="") as ini:
        ini.write(f"[Devices]\r\nCOM1={vur_end}\r\n")
    proc = zvpeers.start([zvpeers.program("vur"), "--home", home], stdout=subprocess.DEVNULL,
                 stderr=open(os.path.join(home, "vur.err"), "w"))
    if not zvpeers.wait_for(lambda: zvpeers.device_open_by(proc.pid, vur_end), 30):
        fail("Vur did not open its port")
    return proc, feed_end


def feeder(feed_end):
    data = b"".join(open(p, "rb").read() for p in VUR_LOGS)
    fd = os.open(feed_end, os.O_WRONLY | os.O_NOCTTY)
    try:
        while not stop.is_set():
            os.write(fd, data)  # blocks while Vur's side is full: as fast as Vur reads
            with lock:
                counters["fed"] += len(data)
    except OSError:
        with lock:
            counters["errors"] += 1
    finally:
        os.close(fd)


def churn_client(port, seed):
    rng = random.Random(seed)
    while not stop.is_set():
        if quiet.is_set():
            time.sleep(0.05)
            continue
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
                with lock:
                    counters["connects"] += 1
                s.settimeout(0.5)
                until = time.monotonic() + rng.uniform(0.05, 2.0)
                while time.monotonic() < until and not quiet.is_set() and not stop.is_set():
                    try:
                        chunk = s.recv(65536)
                    except socket.timeout:
                        continue
                    if not chunk:
                        break
                    with lock:
                        counters["bytes"] += len(chunk)
        except OSError:
            with lock:
                counters["errors"] += 1
            time.sleep(0.2)


def main():
    home = tempfile.mkdtemp(prefix="zv-soak-")
    port = zvpeers.free_port()
    print(f"soak: {SECONDS}s, warm-up {WARMUP}s, sample every {INTERVAL}s, home {home}", flush=True)
    zelvan, mode = start_zelvan(home, port)
    vur, feed_end = start_vur(home)
    print(f"zelvan pid {zelvan.pid} ({mode}), tcp port {port}; vur pid {vur.pid}", flush=True)

    silent = socket.create_connection(("127.0.0.1", port))  # connects, never reads
    silent.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    threads = [threading.Thread(target=feeder, args=(feed_end,), daemon=True)]
    threads += [threading.Thread(target=churn_client, args=(port, i), daemon=True) for i in range(3)]
    for t in threads:
        t.start()

    samples = []
    print(f"{'t/s':>6} {'zelvan RSS kB':>14} {'fds':>4} {'vur RSS kB':>11} {'fds':>4} "
          f"{'connects':>9} {'tcp bytes':>11} {'fed bytes':>11}", flush=True)
    begin = time.monotonic()
    try:
        while True:
            elapsed = time.monotonic() - begin
            if elapsed >= SECONDS:
                break
            time.sleep(min(INTERVAL, SECONDS - elapsed))
            for proc, name in ((zelvan, "zelvan"), (vur, "vur")):
                if proc.poll() is not None:
                    fail(f"{name} ended with status {proc.returncode} after {time.monotonic() - begin:.0f}s")
            # Clients hold still for a moment, so a sample sees no connection half made or half gone.
            quiet.set()
            time.sleep(1.0)
            t = time.monotonic() - begin
            row = (t, rss_kb(zelvan.pid), fds(zelvan.pid), rss_kb(vur.pid), fds(vur.pid))
            quiet.clear()
            samples.append(row)
            with lock:
                c = dict(counters)
            print(f"{row[0]:6.0f} {row[1]:14d} {row[2]:4d} {row[3]:11d} {row[4]:4d} "
                  f"{c['connects']:9d} {c['bytes']:11d} {c['fed']:11d}", flush=True)
    finally:
        stop.set()
        silent.close()
        zvpeers.stop_all()

    counted = [s for s in samples if s[0] >= WARMUP]
    if len(counted) < 2:
        fail("run too short for a verdict (SOAK_SECONDS must exceed SOAK_WARMUP by two intervals)")
    verdict = True
    for name, rss_i, fd_i in (("zelvan", 1, 2), ("vur", 3, 4)):
        growth = counted[-1][rss_i] - counted[0][rss_i]
        fd_values = sorted({s[fd_i] for s in counted})
        rss_ok = growth < RSS_LIMIT_KB
        # A leak only ever adds descriptors. Zelvan may close one once: the
        # client that never reads is dropped when its backlog passes the
        # server's limit.
        fd_ok = max(fd_values) <= counted[0][fd_i] and counted[0][fd_i] - min(fd_values) <= (1 if name == "zelvan" else 0)
        verdict &= rss_ok and fd_ok
        print(f"{name}: RSS {counted[0][rss_i]} -> {counted[-1][rss_i]} kB after warm-up "
              f"(growth {growth} kB, limit {RSS_LIMIT_KB}) {'ok' if rss_ok else 'LEAK?'}; "
              f"fds {fd_values} {'ok' if fd_ok else 'GREW OR CHANGED'}")
    if counters["bytes"] == 0:
        verdict = False
        print("zelvan: no TCP client received anything")
    print("VERDICT: " + ("PASS" if verdict else "FAIL"), flush=True)
    shutil.rmtree(home, ignore_errors=True)
    return 0 if verdict else 1


if __name__ == "__main__":
    sys.exit(main())
