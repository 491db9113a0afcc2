"""Vur reads real receiver logs from a pseudo-terminal at 4800 baud; after the
last sentence its read-outs match what pynmea2 decodes from the same log. A
log replayed by Zelvan with an injected loss of fix that lasts to its end
leaves Vur showing the loss: the reception-fault sign, "no GPS   no Fix" and
no clock, speed or altitude."""
import datetime
import math
import os
import shutil
import subprocess
import sys
import tempfile
from zoneinfo import ZoneInfo

import pynmea2

import zvpeers

LOGS = ["gpsd_GPSmap-76S.log", "gpsd_mtk-3301.log"]
BAUD_BYTES_PER_S = 480  # 4800 baud, 10 bits a byte
FIX_LOSS = ("gpsd_GPSmap-76S.log", "fixloss=10s+1h")
FIX_LOSS_SHOWN = {"GPSok": "shown", "Uhr": "", "Datum": "", "SPEED": "", "Höhe": ""}
WEEKDAYS = ["MO", "DI", "MI", "DO", "FR", "SA", "SO"]


def sentences(raw):
    """The sentences of a log as the display cuts them: first "$" to two past "*"."""
    for line in raw.replace(b"\r", b"\n").split(b"\n"):
        i = line.find(b"$")
        if i < 0:
            continue
        s = line[i:].decode("latin-1")
        star = s.find("*")
        yield s[: star + 3] if star >= 0 else s[:2]


def plain(x):
    return str(int(x)) if float(x).is_integer() else repr(float(x))


def expected_readouts(raw):
    st = dict(used=0.0, quality="", mode="", in_view=0.0, uhr="", datum="", date_text="", speed="",
              trt="", hoehe="", gpsl="", fix=False, columns=0)
    signal_by_sat = {}
    for s in sentences(raw):
        kind = s[:6]
        if kind not in ("$GPGGA", "$GPGSV", "$GPGSA", "$GPRMC"):
            continue
        msg = pynmea2.parse(s, check=False)
        if kind == "$GPGGA":
            st["used"] = float(msg.num_sats or 0)
            q = msg.data[5]
            st["fix"] = st["used"] > 0 and q != "0"
            st["quality"] = {"0": "no GPS", "1": "GPS ok", "2": "DIFF"}.get(q, st["quality"])
            if st["fix"]:
                st["hoehe"] = str(math.floor(msg.altitude or 0))
            else:
                st["uhr"] = st["datum"] = st["speed"] = st["hoehe"] = ""
        elif kind == "$GPGSV":
            st["in_view"] = float(msg.num_sv_in_view or 0)
            prn = snr = 0
            for k in range(1, 5):
                p = getattr(msg, f"sv_prn_num_{k}", "")
                if p:
                    prn, snr = int(p), float(getattr(msg, f"snr_{k}", "") or 0)
                if 0 <= prn <= 32:
                    signal_by_sat[prn] = snr * 1.5
        elif kind == "$GPGSA":
            st["mode"] = {"1": "no Fix", "2": "2D-NAV", "3": "3D-NAV"}.get(msg.mode_fix_type, st["mode"])
            heard = sum(1 for v in signal_by_sat.values() if v > 0)
            st["columns"] = max(12, heard)
            if st["quality"] == "no GPS":
                st["in_view"] = 0
            st["gpsl"] = f"{st['quality']}   {st['mode']}   {plain(st['used'])}/{plain(st['in_view'])} Sat"
            signal_by_sat = {}
        elif kind == "$GPRMC" and st["fix"] and msg.lat and msg.lon:
            utc = datetime.datetime.combine(msg.datestamp, msg.timestamp.replace(tzinfo=None),
                                            tzinfo=datetime.timezone.utc)
            local = utc.astimezone(ZoneInfo("Europe/Berlin"))
            st["uhr"] = f"{local.hour}:{utc.minute:02d}"
            if utc.hour < 23:
                st["date_text"] = f"{WEEKDAYS[utc.weekday()]} {utc.day:02d}.{utc.month:02d}.{utc.year}"
            st["datum"] = st["date_text"]
            st["speed"] = str(math.floor((msg.spd_over_grnd or 0) * 1.852 + 0.5))
            course = math.floor(msg.true_course or 0)
            st["trt"] = (" " if course >= 0 else "") + str(course) + " °"
    return {
        "Uhr": st["uhr"], "Datum": st["datum"], "SPEED": st["speed"], "TRT": st["trt"], "Höhe": st["hoehe"],
        "GPSL": st["gpsl"], "GPSok": "hidden" if st["fix"] else "shown", "GPSS": str(st["columns"]),
    }



def replayed_with_faults(log_name, faults):
    """What zelvan --headless sends for a log of tests/data/replay with --faults."""
    home = tempfile.mkdtemp(prefix="vur-e2e-zelvan-")
    try:
        r = subprocess.run([zvpeers.program("zelvan"), "--headless", "--home", home, "--quiet", "--pace", "cont",
                            "--faults", faults, "--seed", "1", "--output", "-",
                            os.path.join(zvpeers.TEST_DATA, "replay", log_name)], capture_output=True, timeout=60)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    if r.returncode != 0 or not r.stdout:
        sys.exit(f"FAIL: zelvan --faults {faults}: exit {r.returncode} {r.stderr!r}")
    return r.stdout


def run_one(log_name, faults=None):
    if faults:
        raw = replayed_with_faults(log_name, faults)
        # Zelvan's own pace is not the point here: the bytes arrive as fast as Vur takes them.
        got, home = zvpeers.feed_vur(raw, 10 * BAUD_BYTES_PER_S, "vur-e2e-")
    else:
        raw = open(os.path.join(zvpeers.TEST_DATA, "vur", log_name), "rb").read()
        got, home = zvpeers.feed_vur(raw, BAUD_BYTES_PER_S, "vur-e2e-")
    want = expected_readouts(raw)
    failures = [f"{k}: vur {got.get(k)!r}, pynmea2 {v!r}" for k, v in want.items() if got.get(k) != v]
    if faults:
        # Said plainly, not only as the model has it.
        failures += [f"{k} during the loss of fix: {got.get(k)!r}, not {v!r}"
                     for k, v in FIX_LOSS_SHOWN.items() if got.get(k) != v]
        if not got.get("GPSL", "").startswith("no GPS   no Fix"):
            failures.append(f"GPSL during the loss of fix: {got.get('GPSL')!r}")
    if os.path.exists(os.path.join(home, "Vur.log")):
        failures.append("Vur.log written although no log box was checked")
    zvpeers.stop_all()
    shutil.rmtree(home, ignore_errors=True)
    return failures


def main():
    failures = []
    try:
        for name in LOGS:
            failures += [f"{name}: {f}" for f in run_one(name)]
        failures += [f"{FIX_LOSS[0]} --faults {FIX_LOSS[1]}: {f}" for f in run_one(*FIX_LOSS)]
    finally:
        zvpeers.stop_all()
    if failures:
        print("\n".join(failures))
        sys.exit("FAIL")
    print("ok")


if __name__ == "__main__":
    main()
