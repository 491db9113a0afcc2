"""Zelvan replays a real log to its TCP server while gpsd reads it as a client:
gpsd's fixes carry the log's RMC times of day, latitudes and longitudes.

Zelvan is started on a temporary home whose Zelvan.ini selects the "TCP"
entry and a free [TCP] Port; --load starts the replay."""
import os
import shutil
import socket
import sys

import zvpeers

LOG = "gpsd_foretrex-201.log"


def main():
    zvpeers.require_tool("gpsd")
    zelvan = zvpeers.program("zelvan")
    home, log = zvpeers.home_with_log("zv-gpsd-", "channels", LOG)
    expected = zvpeers.rmc_fixes(log)
    if not expected:
        sys.exit("FAIL: the log holds no valid RMC fix")

    port = zvpeers.free_port()
    with open(os.path.join(home, "Zelvan.ini"), "w", newline="") as ini:
        ini.write(f"[Port]\r\nCOM= 23\r\n[TCP]\r\nPort={port}\r\n")

    try:
        zvpeers.start([zelvan, "--home", home, "--load", log], stdout=open(os.devnull, "w"),
                      stderr=open(os.path.join(home, "zelvan.err"), "w"))
        if not zvpeers.wait_for(lambda: zvpeers.listening(port), timeout=20):
            sys.exit("FAIL: Zelvan's TCP server did not listen")
        gpsd_port = zvpeers.start_gpsd(f"tcp://127.0.0.1:{port}")
        seen = zvpeers.gpsd_fixes(gpsd_port, expected)
        # gpsd sees the replay from its connection on: at least the last fixes.
        failures, matched = zvpeers.compare_fixes(expected, seen)
    finally:
        zvpeers.stop_all()
        shutil.rmtree(home, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    print(f"ok: {matched} of {len(expected)} fixes through gpsd")


if __name__ == "__main__":
    main()
