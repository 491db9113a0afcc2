"""Vur reads real receiver logs from a pseudo-terminal at 4800 baud; after the
last sentence its read-outs match what pynmea2 decodes from the same log."""
import datetime
import math
import os
import sys
from zoneinfo import ZoneInfo

import pynmea2

import zvpeers

LOGS = ["gpsd_GPSmap-76S.log", "gpsd_mtk-3301.log"]
BAUD_BYTES_PER_S = 480  # 4800 baud, 10 bits a byte
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
              trt="", hoehe="", gpsl="", fault=True, columns=0)
    signal_by_sat = {}
    for s in sentences(raw):
        kind = s[:6]
        if kind not in ("$GPGGA", "$GPGSV", "$GPGSA", "$GPRMC"):
            continue
        msg = pynmea2.parse(s, check=False)
        if kind == "$GPGGA":
            st["used"] = float(msg.num_sats or 0)
            st["fault"] = st["used"] == 0
            q = msg.data[5]
            st["quality"] = {"0": "no GPS", "1": "GPS ok", "2": "DIFF"}.get(q, st["quality"])
            if st["used"] > 0:
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
        elif kind == "$GPRMC" and st["used"] > 0:
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
        "GPSL": st["gpsl"], "GPSok": "shown" if st["fault"] else "hidden", "GPSS": str(st["columns"]),
    }



def run_one(log_name):
    raw = open(os.path.join(zvpeers.TEST_DATA, "vur", log_name), "rb").read()
    got, home = zvpeers.feed_vur(raw, BAUD_BYTES_PER_S, "vur-e2e-")
    want = expected_readouts(raw)
    failures = [f"{k}: vur {got.get(k)!r}, pynmea2 {v!r}" for k, v in want.items() if got.get(k) != v]
    if os.path.exists(os.path.join(home, "Vur.log")):
        failures.append("Vur.log written although no log box was checked")
    return failures


def main():
    failures = []
    try:
        for name in LOGS:
            failures += [f"{name}: {f}" for f in run_one(name)]
            zvpeers.stop_all()
    finally:
        zvpeers.stop_all()
    if failures:
        print("\n".join(failures))
        sys.exit("FAIL")
    print("ok")


if __name__ == "__main__":
    main()
