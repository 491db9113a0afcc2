"""The rig read by gpsd. --time now: a log recorded years ago, replayed to a
pseudo-terminal, reaches gpsd as if it were received now: every fix gpsd
reports carries a time within 1 s of the wall clock at which it arrives, so a
time-aware consumer (chrony, a logger that checks its clock) accepts it, and
--verbose names the offset. --faults checksum in the same run: of the
sentences gpsd read, it drops exactly those the report on standard error
names, and every checksum gpsd complains of is one the report gave as right."""
import collections
import datetime
import os
import re
import subprocess
import sys

import zvpeers

LOG = "gpsd_bu353-glonass.log"  # recorded in 2014, one epoch a second
FIRST_EPOCH = "2014-05-26T08:14:11Z"  # its first RMC
WANTED_FIXES = 6
FAULTS = ["--faults", "checksum=0.15", "--seed", "6"]
REPORTED = re.compile(r"^zelvan: fault epoch \d+ \+[0-9.]+ s: checksum \*[0-9A-F]{2} for \*([0-9A-F]{2}): (.*)$")
LIVE_TIME = re.compile(r"^zelvan: live time: file (\S+) is sent as (\S+) \(offset \+(\d+) days (\d\d):(\d\d):(\d\d)\)$")
COMPLAINT = re.compile(r"bad checksum in NMEA packet; expected ([0-9A-F]{2})")


def utc_seconds(text):
    """An ISO 8601 UTC time ("2026-12-08T09:00:00.250Z") as seconds since 1970."""
    stamp = datetime.datetime.strptime(text[:19], "%Y-%m-%dT%H:%M:%S").replace(tzinfo=datetime.timezone.utc)
    fraction = float("0" + text[19:].rstrip("Z")) if text[19:20] == "." else 0.0
    return stamp.timestamp() + fraction


def watch(gpsd_port, wanted, timeout):
    """gpsd's 2D/3D fixes as (arrival, fix time) in UTC seconds, and the
    sentences it passed on, until wanted fixes came."""
    client = zvpeers.gpsd_watch(gpsd_port, raw=True)
    fixes, passed = [], []
    for arrival, line in zvpeers.gpsd_lines(client, timeout):
        if len(fixes) >= wanted:
            break
        if not line:
            continue
        if line.startswith(b"$"):
            passed.append(line.decode("latin-1"))
            continue
        obj = zvpeers.json_report(line)
        if obj and obj.get("class") == "TPV" and obj.get("mode", 0) >= 2 and "time" in obj:
            fixes.append((arrival, utc_seconds(obj["time"])))
    client.close()
    return fixes, passed


def dropped_by_gpsd(sent, passed):
    """(first, end, dropped): the span of sent that gpsd read, from the first
    sentence it passed on to the last, and the indices in sent of the ones it
    dropped there. gpsd opened the terminal while the replay ran, so the span
    starts at the first passed sentence that was sent only once."""
    k = next((k for k, line in enumerate(passed) if sent.count(line) == 1), None)
    if k is None:
        return None
    first = i = sent.index(passed[k])
    dropped = []
    while k < len(passed) and i < len(sent):
        if sent[i] == passed[k]:
            k += 1
        else:
            dropped.append(i)
        i += 1
    return (first, i, dropped) if k == len(passed) else None


def reported_indices(sent, reported):
    """Where in sent each reported sentence stands (the report is in order)."""
    out, i = [], 0
    for sentence in reported:
        while i < len(sent) and sent[i] != sentence:
            i += 1
        out.append(i)
        i += 1
    return out


def check_live_time(err, started, failures):
    lines = [m for m in map(LIVE_TIME.match, err.splitlines()) if m]
    if len(lines) != 1:
        failures.append(f"--verbose named the live time offset {len(lines)} times: {err!r}")
        return
    m = lines[0]
    file_time, sent_time = utc_seconds(m.group(1)), utc_seconds(m.group(2))
    offset = int(m.group(3)) * 86400 + int(m.group(4)) * 3600 + int(m.group(5)) * 60 + int(m.group(6))
    if m.group(1) != FIRST_EPOCH:
        failures.append(f"the offset was fixed at {m.group(1)}, not at the log's first epoch {FIRST_EPOCH}")
    if abs(sent_time - file_time - offset) > 1e-3:
        failures.append(f"{m.group(0)}: the offset is not the distance between the two times")
    if not started - 1 <= sent_time <= started + 5:
        failures.append(f"{m.group(0)}: the first epoch went out as another time than now")


def check_checksums(sent, passed, err, gpsd_log, failures):
    faults = [m for m in map(REPORTED.match, err.splitlines()) if m]
    span = dropped_by_gpsd(sent, passed)
    if span is None:
        failures.append(f"gpsd passed on sentences that were never sent, or in another order: {passed[:5]}")
        return 0
    first, end, dropped = span
    wanted = [i for i in reported_indices(sent, [m.group(2) for m in faults]) if first <= i < end]
    if dropped != wanted:
        failures.append(f"gpsd dropped {[sent[i] for i in dropped]} but the report names {[sent[i] for i in wanted]}")
    if len(wanted) < 2:
        failures.append(f"only {len(wanted)} checksum faults in the {end - first} sentences gpsd read")
    # gpsd names the checksum it expected: each must be one the report gave as right.
    complaints = collections.Counter(COMPLAINT.findall(gpsd_log))
    rights = collections.Counter(m.group(1) for m in faults)
    if complaints - rights or sum(complaints.values()) < len(dropped):
        failures.append(f"gpsd complained of checksums {dict(complaints)}; the report gave {dict(rights)} as right")
    return len(dropped)


def main():
    zvpeers.require_tool("gpsd")
    zelvan = zvpeers.program("zelvan")
    home, log = zvpeers.home_with_log("zv-rig-gpsd-", "replay", LOG)
    link = os.path.join(home, "ttyRig")
    out_path, err_path, gpsd_path = (os.path.join(home, n) for n in ("zelvan.out", "zelvan.err", "gpsd.err"))
    failures = []
    try:
        started = datetime.datetime.now(datetime.timezone.utc).timestamp()
        # The same sentences go to standard output, so what was sent is known.
        with open(out_path, "wb") as out, open(err_path, "w") as err:
            zvpeers.start([zelvan, "--headless", "--home", home, "--quiet", "--verbose", "--time", "now"] + FAULTS
                          + ["--output", f"pty:{link}", "--output", "-", log], stdout=out, stderr=err)
        if not zvpeers.wait_for(lambda: os.path.islink(link), timeout=10):
            sys.exit(f"FAIL: zelvan made no link {link}")
        with open(gpsd_path, "w") as gpsd_log:
            gpsd_port = zvpeers.start_gpsd(link, log=gpsd_log)
        fixes, passed = watch(gpsd_port, WANTED_FIXES, timeout=14)
        zvpeers.stop_all()
        if len(fixes) < WANTED_FIXES:
            failures.append(f"only {len(fixes)} fixes came from gpsd")
        for arrival, fix in fixes:
            if abs(arrival - fix) > 1.0:
                failures.append(f"a fix of {datetime.datetime.utcfromtimestamp(fix)} arrived at "
                                f"{datetime.datetime.utcfromtimestamp(arrival)} ({arrival - fix:+.2f} s)")
        with open(out_path, "rb") as f:
            sent = [line.decode("latin-1") for line in f.read().split(b"\r\n") if line]
        with open(err_path, encoding="latin-1") as f:
            err = f.read()
        with open(gpsd_path, encoding="latin-1") as f:
            gpsd_log = f.read()
        check_live_time(err, started, failures)
        dropped = check_checksums(sent, passed, err, gpsd_log, failures)
    finally:
        zvpeers.end_run(home)
    zvpeers.exit_on(failures)
    worst = max(abs(a - f) for a, f in fixes)
    print(f"ok: {len(fixes)} fixes of a 2014 log reached gpsd with the wall clock's time (worst {worst:.2f} s); "
          f"gpsd dropped exactly the {dropped} reported checksum faults of the {len(passed) + dropped} sentences it read")


if __name__ == "__main__":
    main()
