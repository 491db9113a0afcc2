"""Zelvan replays a real log to its TCP server and Vur reads it as a client
through a [Devices] value tcp:127.0.0.1:PORT. Zelvan is then stopped and
started again on another log: Vur reconnects by itself and ends up showing a
position of the second log, as python3-nmea2 reads it."""
import os
import shutil
import socket
import sys
import time

import pynmea2

import zvpeers

FIRST_LOG = "gpsd_neo-m8n.log"       # $GN talkers
SECOND_LOG = "gpsd_foretrex-201.log"  # $GP talkers, another place


def rmc_positions(path):
    positions = []
    with open(path, "rb") as f:
        for raw in f:
            line = raw.decode("latin-1").strip()
            if line[3:6] != "RMC" or not line.startswith("$"):
                continue
            try:
                msg = pynmea2.parse(line, check=True)
            except pynmea2.ParseError:
                continue
            if msg.status == "A":
                positions.append((msg.latitude, msg.longitude))
    return positions


def start_zelvan(home, log, port):
    tracks = os.path.join(home, "Tracks")
    os.makedirs(tracks, exist_ok=True)
    path = os.path.join(tracks, log)
    shutil.copy(os.path.join(zvpeers.TEST_DATA, "replay", log), path)
    with open(os.path.join(home, "Zelvan.ini"), "w", newline="") as ini:
        ini.write(f"[Port]\r\nCOM= 23\r\n[TCP]\r\nPort={port}\r\n")
    proc = zvpeers.start([zvpeers.program("zelvan"), "--home", home, "--load", path],
                         stdout=open(os.devnull, "w"), stderr=open(os.path.join(home, "zelvan.err"), "w"))
    if not zvpeers.wait_for(lambda: zvpeers.listening(port), timeout=20):
        sys.exit("FAIL: Zelvan's TCP server did not listen")
    return proc


def near(position, positions):
    # Vur shows minutes to three decimals: 1/60000 of a degree.
    return any(abs(position[0] - la) < 2e-5 and abs(position[1] - lo) < 2e-5 for la, lo in positions)


def main():
    port = zvpeers.free_port()
    first = rmc_positions(os.path.join(zvpeers.TEST_DATA, "replay", FIRST_LOG))
    second = rmc_positions(os.path.join(zvpeers.TEST_DATA, "replay", SECOND_LOG))
    if not first or not second or any(near(p, first) for p in second):
        sys.exit("FAIL: the two logs must hold distinct valid fixes")

    vur_home = zvpeers.temp_home("vur-zelvan-")
    with open(os.path.join(vur_home, "Vur.ini"), "w", newline="") as ini:
        ini.write(f"[Devices]\r\nCOM1=tcp:127.0.0.1:{port}\r\n")
    dump = os.path.join(vur_home, "readouts.txt")
    failures = []
    try:
        zelvan = start_zelvan(zvpeers.temp_home("zv-tcp-a-"), FIRST_LOG, port)
        vur = zvpeers.start([zvpeers.program("vur"), "--home", vur_home, "--dump-readouts", dump])
        time.sleep(6)  # Vur connects and shows a few epochs
        zelvan.terminate()
        zelvan.wait(timeout=10)
        time.sleep(2)  # the peer is gone for a while
        start_zelvan(zvpeers.temp_home("zv-tcp-b-"), SECOND_LOG, port)
        time.sleep(8)  # reconnection within a few seconds, then epochs of the second log
        vur.terminate()
        vur.wait(timeout=10)
        got = {}
        with open(dump, encoding="utf-8") as f:
            for line in f:
                name, _, value = line.rstrip("\n").partition("=")
                got[name] = value
        try:
            lat, lon = (float(v) for v in got.get("Position", "").split())
        except ValueError:
            lat = lon = None
        if lat is None:
            failures.append(f"Vur shows no position: {got.get('Position')!r}")
        elif not near((lat, lon), second):
            where = "the first log's" if near((lat, lon), first) else "no replayed"
            failures.append(f"Vur shows {lat} {lon}: {where} position, not one of the second log")
    finally:
        zvpeers.stop_all()
    if failures:
        print("\n".join(failures))
        sys.exit("FAIL")
    print("ok")


if __name__ == "__main__":
    main()
