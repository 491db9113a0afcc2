"""Zelvan replays a real log to its TCP server while gpsd reads it as a client:
gpsd's fixes carry the log's RMC times of day, latitudes and longitudes.

Zelvan is started on a temporary home whose Zelvan.ini selects the "TCP"
entry and a free [TCP] Port; --load starts the replay."""
import json
import os
import shutil
import socket
import sys
import time

import pynmea2

import zvpeers

LOG = "gpsd_foretrex-201.log"


def rmc_fixes(path):
    """(hh:mm:ss, lat, lon) of the valid RMC sentences, via pynmea2."""
    fixes = []
    with open(path, "rb") as f:
        for raw in f:
            line = raw.decode("latin-1").strip()
            if not line.startswith("$GPRMC"):
                continue
            msg = pynmea2.parse(line, check=True)
            if msg.status != "A":
                continue
            fixes.append((msg.timestamp.strftime("%H:%M:%S"), msg.latitude, msg.longitude))
    return fixes


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.5):
            return True
    except OSError:
        return False


def main():
    gpsd = zvpeers.require_tool("gpsd")
    zelvan = zvpeers.program("zelvan")
    home = zvpeers.temp_home("zv-gpsd-")
    tracks = os.path.join(home, "Tracks")
    os.mkdir(tracks)
    log = os.path.join(tracks, LOG)
    shutil.copy(os.path.join(zvpeers.TEST_DATA, "channels", LOG), log)
    expected = rmc_fixes(log)
    if not expected:
        sys.exit("FAIL: the log holds no valid RMC fix")

    port = zvpeers.free_port()
    with open(os.path.join(home, "Zelvan.ini"), "w", newline="") as ini:
        ini.write(f"[Port]\r\nCOM= 23\r\n[TCP]\r\nPort={port}\r\n")

    failures = []
    try:
        zvpeers.start([zelvan, "--home", home, "--load", log], stdout=open(os.devnull, "w"),
                      stderr=open(os.path.join(home, "zelvan.err"), "w"))
        if not zvpeers.wait_for(lambda: listening(port), timeout=20):
            sys.exit("FAIL: Zelvan's TCP server did not listen")
        gpsd_port = zvpeers.free_port()
        zvpeers.start([gpsd, "-N", "-n", "-b", "-S", str(gpsd_port), f"tcp://127.0.0.1:{port}"],
                      stdout=open(os.devnull, "w"), stderr=open(os.devnull, "w"))
        client = None
        deadline = time.monotonic() + 10
        while client is None and time.monotonic() < deadline:
            try:
                client = socket.create_connection(("127.0.0.1", gpsd_port), timeout=1)
            except OSError:
                time.sleep(0.1)
        if client is None:
            sys.exit("FAIL: gpsd did not accept a client")
        client.sendall(b'?WATCH={"enable":true,"json":true};\n')
        client.settimeout(1)
        seen = {}
        buf = b""
        deadline = time.monotonic() + 60
        wanted = {t for t, _, _ in expected}
        # gpsd reports an epoch when the next one begins, so the log's last fix
        # may never show: stop once the fixes have ended for a few seconds.
        last = expected[-1][0]
        last_new = time.monotonic()
        while time.monotonic() < deadline and last not in seen:
            if seen and time.monotonic() - last_new > 5:
                break
            try:
                chunk = client.recv(65536)
            except socket.timeout:
                continue
            if not chunk:
                break
            buf += chunk
            *lines, buf = buf.split(b"\n")
            for line in lines:
                try:
                    obj = json.loads(line)
                except ValueError:
                    continue
                if obj.get("class") == "TPV" and "time" in obj and "lat" in obj and obj.get("mode", 0) >= 2:
                    if obj["time"][11:19] not in seen:
                        last_new = time.monotonic()
                    seen[obj["time"][11:19]] = (obj["lat"], obj["lon"])
        client.close()

        # gpsd sees the replay from its connection on: at least the last fixes.
        matched = 0
        for t, lat, lon in expected:
            if t not in seen:
                continue
            matched += 1
            glat, glon = seen[t]
            if abs(glat - lat) > 1e-6 or abs(glon - lon) > 1e-6:
                failures.append(f"{t}: gpsd {glat},{glon} log {lat},{lon}")
        for t in seen:
            if t not in wanted:
                failures.append(f"gpsd reported a fix at {t} that the log does not hold")
        if matched < min(3, len(expected)):
            failures.append(f"only {matched} of {len(expected)} fixes reached gpsd: {sorted(seen)}")
    finally:
        zvpeers.stop_all()
        shutil.rmtree(home, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    print(f"ok: {matched} of {len(expected)} fixes through gpsd")


if __name__ == "__main__":
    main()
