"""Vur reads real multi-constellation receiver logs ($GN, $GL, $GA, $GB, $BD,
$IN talkers) from a pseudo-terminal; after the last sentence its fix, position,
speed, course and satellite read-outs match what pynmea2 decodes from the log."""
import datetime
import math
import os
import sys
from zoneinfo import ZoneInfo

import pynmea2

import zvpeers

LOGS = [
    "gpsd_neo-m8n.log",             # $GN RMC/GGA, $GPGSV + $GLGSV, two $GNGSA an epoch
    "gpsd_bu353-glonass.log",       # $GNRMC with $GPGGA, GSV every fifth epoch, fix lost at the end
    "gpsd_beidou-bd.log",           # $BDGSV/$BDGSA beside $GPGSV/$GPGSA, overlapping numbers
    "gpsd_quectel-eg25-g-2.log",    # NMEA 4.10 signal fields, proprietary $PQGSV
    "gpsd_skytraq-PX1172RH_DS.log", # JSON lines in the log, second $GPGSV round for another signal
    "gpsd_humminbird-M37.log",      # $IN talker, no satellites sentences
]
BYTES_PER_S = 4800  # ten times a 4800-baud receiver: the pty does not pace
WEEKDAYS = ["MO", "DI", "MI", "DO", "FR", "SA", "SO"]
DECODED = ("GGA", "GSV", "GSA", "RMC")


def sentences(raw):
    """The sentences of a log as the display cuts them: first "$" to two past "*"."""
    for line in raw.replace(b"\r", b"\n").split(b"\n"):
        i = line.find(b"$")
        if i < 0:
            continue
        s = line[i:].decode("latin-1")
        star = s.find("*")
        yield s[: star + 3] if star >= 0 else s[:2]


def talker_and_type(s):
    """("GN", "RMC") for "$GNRMC,..."; makers' own "$P..." sentences have no talker."""
    if len(s) < 6 or not s[1:6].isalpha() or not s[1:6].isupper() or s[1] == "P":
        return None, None
    return s[1:3], s[3:6]


def plain(x):
    return str(int(x)) if float(x).is_integer() else repr(float(x))


def num(text):
    try:
        return float(text)
    except (TypeError, ValueError):
        return 0.0


def expected_readouts(raw):
    st = dict(used=0.0, quality="", mode="", in_view=0.0, uhr="", datum="", date_text="", speed="",
              trt="", hoehe="", gpsl="", fix=False, columns=0, position=None)
    # One round of satellites: every GSV after the last GSA, of every talker.
    signals, in_view, drawn = {}, {}, False
    for s in sentences(raw):
        talker, kind = talker_and_type(s)
        if kind not in DECODED:
            continue
        msg = pynmea2.parse(s, check=False)
        if kind == "GGA":
            st["used"] = num(msg.num_sats)
            st["fix"] = st["used"] > 0 and msg.data[5] != "0"
            st["quality"] = {"0": "no GPS", "1": "GPS ok", "2": "DIFF"}.get(msg.data[5], st["quality"])
            if st["fix"]:
                st["hoehe"] = str(math.floor(msg.altitude or 0))
            else:
                st["uhr"] = st["datum"] = st["speed"] = st["hoehe"] = ""
        elif kind == "GSV":
            if drawn:
                signals, in_view, drawn = {}, {}, False
            fields = len(msg.data)
            signal_id = msg.data[-1] if (fields - 3) % 4 == 1 else "0"
            in_view[(talker, signal_id)] = num(msg.num_sv_in_view)
            per_talker = {}
            for (t, _), n in in_view.items():
                per_talker[t] = max(per_talker.get(t, 0.0), n)
            st["in_view"] = sum(per_talker.values())
            prn = snr = 0
            for k in range(1, 5):
                if 4 * k + 3 > fields:  # a lone last field is the signal, not a satellite
                    break
                p = getattr(msg, f"sv_prn_num_{k}", "")
                if p:
                    prn, snr = int(p), num(getattr(msg, f"snr_{k}", ""))
                limit = 32 if talker == "GP" else 999
                if 0 <= prn <= limit:
                    signals[(talker, prn)] = snr * 1.5
        elif kind == "GSA":
            st["mode"] = {"1": "no Fix", "2": "2D-NAV", "3": "3D-NAV"}.get(msg.mode_fix_type, st["mode"])
            st["columns"] = max(12, sum(1 for v in signals.values() if v > 0))
            if st["quality"] == "no GPS":
                st["in_view"] = 0
            st["gpsl"] = f"{st['quality']}   {st['mode']}   {plain(st['used'])}/{plain(st['in_view'])} Sat"
            drawn = True
        elif kind == "RMC" and st["fix"] and msg.lat and msg.lon:
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
            st["position"] = (msg.latitude, msg.longitude) if msg.lat else None
    want = {
        "Uhr": st["uhr"], "Datum": st["datum"], "SPEED": st["speed"], "TRT": st["trt"], "Höhe": st["hoehe"],
        "GPSL": st["gpsl"], "GPSok": "hidden" if st["fix"] else "shown", "GPSS": str(st["columns"]),
    }
    return want, st["position"]



def run_one(log_name):
    raw = open(os.path.join(zvpeers.TEST_DATA, "vurnet", log_name), "rb").read()
    got, home = zvpeers.feed_vur(raw, BYTES_PER_S, "vur-talkers-")
    want, position = expected_readouts(raw)
    failures = [f"{k}: vur {got.get(k)!r}, pynmea2 {v!r}" for k, v in want.items() if got.get(k) != v]
    shown = got.get("Position", "")
    if position is None:
        if shown:
            failures.append(f"Position: vur {shown!r}, pynmea2 none")
    else:
        try:
            lat, lon = (float(x) for x in shown.split())
        except ValueError:
            lat = lon = float("nan")
        # The display keeps three decimals of the minutes: 0.001' is 1.7e-5 degrees.
        if not (abs(lat - position[0]) < 2e-5 and abs(lon - position[1]) < 2e-5):
            failures.append(f"Position: vur {shown!r}, pynmea2 {position[0]:.7f} {position[1]:.7f}")
    if not any(v for k, v in want.items() if k in ("SPEED", "GPSL", "Höhe")) and position is None:
        failures.append("the log showed nothing: the test would prove nothing")
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
