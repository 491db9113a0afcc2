#!/usr/bin/env python3
"""Pacing accuracy at "1 s": Zelvan's headless replay of a GPX track to a
pseudo-terminal and to a TCP client at once, and beside it, in the same run,
GPSBabel's `-o nmea,pause=1` into a pipe (the reference users compare with).

Each reader stamps the arrival of every RMC with a monotonic clock. Printed
per source: periods measured, mean period error (drift), worst single
period, and the ratio of GPSBabel's figures to Zelvan's.
Target: mean error below 0.01 % and every period within 2 ms of 1 s.

usage: pacing_bench.py ZELVAN [PERIODS]   (PERIODS default 300; env PACING_PERIODS)
"""
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

WARMUP = 3  # first arrivals left out: start-up, first connection


def write_gpx(path, points):
    with open(path, "w") as f:
        f.write('<?xml version="1.0"?>\n<gpx version="1.1" creator="pacing bench"><trk><name>bench</name><trkseg>\n')
        for i in range(points):
            f.write(f'<trkpt lat="{48.1 + i * 0.00002:.7f}" lon="{11.5 + i * 0.00003:.7f}"><ele>500</ele>'
                    f'<time>2026-12-07T{10 + i // 3600:02d}:{i // 60 % 60:02d}:{i % 60:02d}Z</time></trkpt>\n')
        f.write("</trkseg></trk></gpx>\n")


def rmc_arrivals(read, wanted, stamps):
    """Calls read() for chunks of bytes until it gives none, stamping each RMC line."""
    buf = b""
    while len(stamps) < wanted:
        try:
            chunk = read()
        except OSError:
            return
        if not chunk:
            return
        now = time.monotonic()
        buf += chunk
        while b"\n" in buf:
            line, buf = buf.split(b"\n", 1)
            if line.lstrip(b"\r")[3:6] == b"RMC":
                stamps.append(now)


def figures(stamps):
    periods = [b - a for a, b in zip(stamps[WARMUP:], stamps[WARMUP + 1:])]
    if not periods:
        return None
    mean = statistics.fmean(periods)
    errors = sorted(abs(p - 1.0) for p in periods)
    return {
        "periods": len(periods),
        "p99_ms": errors[min(len(errors) - 1, int(len(errors) * 0.99))] * 1000,
        "over_2ms": sum(1 for e in errors if e > 0.002),
        "mean_error_pct": abs(mean - 1.0) * 100,
        "worst_ms": max(abs(p - 1.0) for p in periods) * 1000,
        "drift_ms": ((stamps[-1] - stamps[WARMUP]) - len(periods)) * 1000,
    }


def wait_for(predicate, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    zelvan = sys.argv[1]
    periods = int(sys.argv[2] if len(sys.argv) > 2 else os.environ.get("PACING_PERIODS", "300"))
    wanted = periods + WARMUP + 1
    home = tempfile.mkdtemp(prefix="zv-pacing-")
    gpx = os.path.join(home, "bench.gpx")
    write_gpx(gpx, wanted + 10)
    link = os.path.join(home, "ttyBench")
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]

    results = {}
    procs = []
    try:
        zv = subprocess.Popen([zelvan, "--headless", gpx, "--home", home, "--pace", "1s", "--quiet",
                               "--output", f"pty:{link}", "--output", f"tcp:{port}"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        procs.append(zv)
        if not wait_for(lambda: os.path.exists(link), 20):
            sys.exit("FAIL: Zelvan's pseudo-terminal did not appear: " + zv.stderr.read1(4096).decode(errors="replace"))
        pty_fd = os.open(link, os.O_RDONLY | os.O_NOCTTY)
        tcp = None
        deadline = time.monotonic() + 20
        while tcp is None and time.monotonic() < deadline:
            try:
                tcp = socket.create_connection(("127.0.0.1", port), timeout=5)
            except OSError:
                time.sleep(0.05)
        if tcp is None:
            sys.exit("FAIL: Zelvan's TCP server did not accept a client")
        tcp.settimeout(None)
        babel_exe = shutil.which("gpsbabel")
        stamps = {"Zelvan pty": [], "Zelvan TCP": [], "GPSBabel pipe": []}
        readers = [threading.Thread(target=rmc_arrivals,
                                    args=(lambda: os.read(pty_fd, 4096), wanted, stamps["Zelvan pty"])),
                   threading.Thread(target=rmc_arrivals,
                                    args=(lambda: tcp.recv(4096), wanted, stamps["Zelvan TCP"]))]
        if babel_exe:
            babel = subprocess.Popen([babel_exe, "-i", "gpx", "-f", gpx, "-o", "nmea,pause=1", "-F", "/dev/stdout"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            procs.append(babel)
            readers.append(threading.Thread(target=rmc_arrivals,
                                            args=(lambda: babel.stdout.read1(4096), wanted, stamps["GPSBabel pipe"])))
        for r in readers:
            r.daemon = True
            r.start()
        print(f"measuring {periods} periods at 1 s (about {wanted} s)...", flush=True)
        for r in readers:
            r.join(timeout=wanted + 60)
        for name, s in stamps.items():
            results[name] = figures(s)
    finally:
        for p in procs:
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(home, ignore_errors=True)

    print(f"{'source':<16}{'periods':>8}{'mean error %':>14}{'worst ms':>10}{'p99 ms':>8}{'> 2 ms':>8}{'drift ms':>10}")
    for name, r in results.items():
        if r is None:
            print(f"{name:<16}{'no data':>8}")
            continue
        print(f"{name:<16}{r['periods']:>8}{r['mean_error_pct']:>14.5f}{r['worst_ms']:>10.2f}{r['p99_ms']:>8.2f}"
              f"{r['over_2ms']:>8}{r['drift_ms']:>10.1f}")
    babel = results.get("GPSBabel pipe")
    ok = True
    for name in ("Zelvan pty", "Zelvan TCP"):
        r = results.get(name)
        if r is None or r["periods"] < periods:
            ok = False
            continue
        meets = r["mean_error_pct"] < 0.01 and r["worst_ms"] <= 2.0
        ok = ok and meets
        line = f"{name}: {'meets' if meets else 'misses'} the target (mean < 0.01 %, every period within 2 ms)"
        if babel:
            line += (f"; GPSBabel's mean error is {babel['mean_error_pct'] / max(r['mean_error_pct'], 1e-9):.0f}x,"
                     f" its worst period {babel['worst_ms'] / max(r['worst_ms'], 1e-9):.1f}x Zelvan's")
        print(line)
    print("verdict:", "PASS" if ok else "FAIL")


if __name__ == "__main__":
    main()
