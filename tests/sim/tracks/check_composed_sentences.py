"""Checks composed sentences with an independent parser (pynmea2).

Input lines: sentence, then optionally the expected latitude and longitude in
signed decimal degrees, tab-separated. Every sentence must parse with a valid
checksum; RMC and GGA positions must lie within 0.001 minute of the expected
point. Prints the first failures and exits non-zero on any."""
import sys

import pynmea2

TOLERANCE_DEG = 0.001 / 60 + 1e-9


def main(path):
    failures = []
    counts = {}
    with open(path, encoding="ascii") as f:
        for number, raw in enumerate(f, 1):
            parts = raw.rstrip("\r\n").split("\t")
            sentence = parts[0]
            try:
                msg = pynmea2.parse(sentence, check=True)
            except Exception as e:  # noqa: BLE001 - any parser complaint is a failure
                failures.append(f"line {number}: {sentence!r}: {e}")
                continue
            kind = type(msg).__name__
            counts[kind] = counts.get(kind, 0) + 1
            if len(parts) >= 3 and kind in ("RMC", "GGA"):
                lat, lon = float(parts[1]), float(parts[2])
                if abs(msg.latitude - lat) > TOLERANCE_DEG or abs(msg.longitude - lon) > TOLERANCE_DEG:
                    failures.append(f"line {number}: {sentence!r}: position {msg.latitude},{msg.longitude}"
                                    f" is not {lat},{lon}")
            if kind == "RMC" and msg.status != "A":
                failures.append(f"line {number}: {sentence!r}: status {msg.status}")
    for failure in failures[:20]:
        print(failure)
    print("parsed:", ", ".join(f"{k} {v}" for k, v in sorted(counts.items())))
    return 1 if failures or not counts else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
