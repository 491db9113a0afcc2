"""--time now: a log recorded years ago, replayed to a pseudo-terminal, reaches
gpsd as if it were received now. Every fix gpsd reports carries a time within
1 s of the wall clock at which the fix arrives, so a time-aware consumer
(chrony, a logger that checks its clock) accepts it."""
import datetime
import json
import os
import shutil
import socket
import subprocess
import sys
import time

import zvpeers

LOG = "gpsd_bu353-glonass.log"  # recorded in 2014, one epoch a second
WANTED_FIXES = 6


def tpv_fixes(gpsd_port, wanted, timeout):
    """(arrival, fix time) of gpsd's 2D/3D fixes, both as UTC seconds."""
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
    client.settimeout(0.5)
    fixes, buf = [], b""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and len(fixes) < wanted:
        try:
            chunk = client.recv(65536)
        except socket.timeout:
            continue
        if not chunk:
            break
        arrival = time.time()
        buf += chunk
        *lines, buf = buf.split(b"\n")
        for line in lines:
            try:
                obj = json.loads(line)
            except ValueError:
                continue
            if obj.get("class") == "TPV" and obj.get("mode", 0) >= 2 and "time" in obj:
                stamp = datetime.datetime.strptime(obj["time"][:19], "%Y-%m-%dT%H:%M:%S")
                fraction = float("0" + obj["time"][19:].rstrip("Z")) if obj["time"][19:20] == "." else 0.0
                fixes.append((arrival, stamp.replace(tzinfo=datetime.timezone.utc).timestamp() + fraction))
    client.close()
    return fixes


def main():
    zvpeers.require_tool("gpsd")
    zelvan = zvpeers.program("zelvan")
    home, log = zvpeers.home_with_log("zv-rig-time-", "replay", LOG)
    link = os.path.join(home, "ttyRig")
    failures = []
    try:
        zvpeers.start([zelvan, "--headless", "--home", home, "--quiet", "--time", "now",
                       "--output", f"pty:{link}", log],
                      stdout=subprocess.DEVNULL, stderr=open(os.path.join(home, "zelvan.err"), "w"))
        if not zvpeers.wait_for(lambda: os.path.islink(link), timeout=10):
            sys.exit(f"FAIL: zelvan made no link {link}")
        gpsd_port = zvpeers.start_gpsd(link)
        fixes = tpv_fixes(gpsd_port, WANTED_FIXES, timeout=14)
        if len(fixes) < WANTED_FIXES:
            failures.append(f"only {len(fixes)} fixes came from gpsd")
        for arrival, fix in fixes:
            if abs(arrival - fix) > 1.0:
                failures.append(f"a fix of {datetime.datetime.utcfromtimestamp(fix)} arrived at "
                                f"{datetime.datetime.utcfromtimestamp(arrival)} ({arrival - fix:+.2f} s)")
    finally:
        zvpeers.stop_all()
        shutil.rmtree(home, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        sys.exit(1)
    worst = max(abs(a - f) for a, f in fixes)
    print(f"ok: {len(fixes)} fixes of a 2014 log reached gpsd with the wall clock's time (worst {worst:.2f} s)")


if __name__ == "__main__":
    main()
