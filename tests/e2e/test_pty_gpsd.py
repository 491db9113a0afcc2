"""Zelvan replays a real log to a virtual serial port while gpsd reads the
port's link as it would read a receiver: gpsd's fixes carry the log's RMC
times of day, latitudes and longitudes.

Zelvan is started on a temporary home whose Zelvan.ini selects COM3 and sets
[Devices] COM3=pty; --load starts the replay, which makes <home>/ttyZelvan3."""
import os
import shutil
import sys

import zvpeers

LOG = "gpsd_foretrex-201.log"


def main():
    zvpeers.require_tool("gpsd")
    zelvan = zvpeers.program("zelvan")
    home, log = zvpeers.home_with_log("zv-pty-gpsd-", "replay", LOG)
    expected = zvpeers.rmc_fixes(log)
    if not expected:
        sys.exit("FAIL: the log holds no valid RMC fix")
    with open(os.path.join(home, "Zelvan.ini"), "w", newline="") as ini:
        ini.write("[Port]\r\nCOM= 2\r\n[Devices]\r\nCOM3=pty\r\n")
    link = os.path.join(home, "ttyZelvan3")

    try:
        proc = zvpeers.start([zelvan, "--home", home, "--load", log], stdout=open(os.devnull, "w"),
                             stderr=open(os.path.join(home, "zelvan.err"), "w"))
        if not zvpeers.wait_for(lambda: os.path.islink(link), timeout=20):
            sys.exit(f"FAIL: Zelvan made no link {link}")
        target = os.readlink(link)
        if not target.startswith("/dev/pts/"):
            sys.exit(f"FAIL: {link} points to {target}, not a pseudo-terminal")
        gpsd_port = zvpeers.start_gpsd(link)
        seen = zvpeers.gpsd_fixes(gpsd_port, expected)
        failures, matched = zvpeers.compare_fixes(expected, seen)
        # The replay ends after the log's last record; the link goes with it.
        if proc.poll() is None and not zvpeers.wait_for(lambda: not os.path.islink(link), timeout=30):
            failures.append(f"{link} is still there after the replay ended")
    finally:
        zvpeers.stop_all()
        shutil.rmtree(home, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    print(f"ok: {matched} of {len(expected)} fixes through gpsd on {target}")


if __name__ == "__main__":
    main()
