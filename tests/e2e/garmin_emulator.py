#!/usr/bin/python3
"""A Garmin receiver on a serial line, written from Garmin's published serial
protocol (link protocol L000/L001, A010 device commands, A300/A301 track log
transfer, D300/D301/D302 points, D310 headers).

It runs on one end of a pseudo-terminal pair at 9600 baud. It checks every
frame the host sends (framing, size, checksum) and NAKs bad ones, answers the
product request, sends each packet and waits for the host's ACK, sending it
again after a NAK or a timeout, and can script faults. At the end it writes a
JSON report of what it saw, and the lines the host should have written.

Used as a module, `expected_lines(...)` gives those lines computed from the
points with Python's own calendar and exact fractions.
"""
import argparse
import json
import math
import os
import random
import select
import struct
import sys
import termios
import time
import tty
from datetime import datetime, timedelta
from fractions import Fraction

DLE, ETX = 0x10, 0x03
PID_ACK, PID_NAK = 6, 21
PID_COMMAND, PID_XFER_CMPLT, PID_RECORDS = 10, 12, 27
PID_TRK_DATA, PID_TRK_HDR = 34, 99
PID_PROTOCOL_ARRAY, PID_PRODUCT_RQST, PID_PRODUCT_DATA = 253, 254, 255
CMND_ABORT, CMND_TRANSFER_TRK = 0, 6
INVALID_POS = 0x7FFFFFFF
NO_ALTITUDE = 1.0e25

PRODUCT_ID = 0x0130          # more than one byte: the whole 16-bit id matters
PRODUCT_STRINGS = [b"eTrex Legend Software Version 3.70", b"VERBMAP Americas Highway 1.00"]


# ---------------------------------------------------------------- framing
def checksum(pid, data):
    return (-(pid + len(data) + sum(data))) & 0xFF


def stuff(values):
    out = bytearray()
    for b in values:
        out.append(b)
        if b == DLE:
            out.append(DLE)
    return out


def frame(pid, data=b""):
    data = bytes(data)
    return bytes([DLE, pid]) + stuff([len(data)] + list(data) + [checksum(pid, data)]) + bytes([DLE, ETX])


class Deframer:
    """Cuts the host's byte stream into (pid, data, ok) frames."""

    def __init__(self):
        self.state, self.body = "hunt", bytearray()

    def feed(self, chunk):
        frames = []
        for b in chunk:
            if self.state == "hunt":
                if b == DLE:
                    self.state = "start"
            elif self.state == "start":
                if b not in (DLE, ETX):
                    self.body, self.state = bytearray([b]), "in"
                elif b == ETX:
                    self.state = "hunt"
            elif self.state == "in":
                if b == DLE:
                    self.state = "dle"
                else:
                    self.body.append(b)
            else:  # "dle"
                if b == DLE:
                    self.body.append(b)
                    self.state = "in"
                elif b == ETX:
                    frames.append(self._finish())
                    self.state = "hunt"
                else:
                    frames.append((self.body[0], b"", False))
                    self.body, self.state = bytearray([b]), "in"
        return frames

    def _finish(self):
        body = bytes(self.body)
        if len(body) < 3:
            return (body[0] if body else 0, b"", False)
        pid, size = body[0], body[1]
        ok = size == len(body) - 3 and sum(body) & 0xFF == 0
        return (pid, body[2:2 + size] if ok else b"", ok)


# ---------------------------------------------------------------- the track log
def d300(lat, lon, t, new_trk):
    return struct.pack("<iiIB", lat, lon, t, 1 if new_trk else 0)


def d301(lat, lon, t, alt, new_trk, depth=NO_ALTITUDE):
    return struct.pack("<iiIffB", lat, lon, t, alt, depth, 1 if new_trk else 0)


def d302(lat, lon, t, alt, new_trk, depth=NO_ALTITUDE, temp=NO_ALTITUDE):
    return struct.pack("<iiIfffB", lat, lon, t, alt, depth, temp, 1 if new_trk else 0)


def semicircles(deg):
    v = round(deg * 2 ** 31 / 180)
    return max(-2 ** 31, min(2 ** 31 - 1, v))


def make_points(count, seed=7):
    """A two-segment log across all four quadrants with the awkward values a
    real log can hold: coordinates holding 0x10 bytes, ±180°, times of all
    ones and 0x7FFFFFFF, altitudes missing, NaN, negative and at .5."""
    rnd = random.Random(seed)
    quadrants = [(1, 1), (1, -1), (-1, -1), (-1, 1)]
    base = 473472000  # 2005-01-01 00:00:00 in device seconds
    points = []
    for i in range(count):
        qa, qo = quadrants[i % 4]
        lat = semicircles(qa * rnd.uniform(0.001, 89.9))
        lon = semicircles(qo * rnd.uniform(0.001, 179.9))
        t = base + 37 * i
        alt = round(rnd.uniform(-400, 8800), 2)
        points.append({"lat": lat, "lon": lon, "time": t, "alt": alt, "new": i in (0, count // 2)})
    if count >= 12:
        points[1].update(lat=0x10101010, lon=-0x10101010)           # DLE bytes inside the payload
        points[2].update(lon=-2 ** 31, time=0xFFFFFFFF)             # exactly 180° west, no time
        points[3].update(lon=2 ** 31 - 1, lat=-2 ** 31 // 2)        # rounds up to 180°, 90° south
        points[4].update(time=0xFFFFFFFF, alt=NO_ALTITUDE)
        points[5].update(time=0x7FFFFFFF, alt=float("nan"))
        points[6].update(alt=-0.5)
        points[7].update(alt=12.5)
        points[8].update(lat=INVALID_POS, lon=INVALID_POS)          # no fix: skipped
        points[9].update(lat=semicircles(-33.5), lon=semicircles(-12.25))
        points[10].update(alt=float("inf"))
        # a minute value just below 60 that rounds up into the next degree
        points[11].update(lat=semicircles(47.999999999), lon=semicircles(-8.99999999))
    return points


def encode_point(p, point_type):
    if point_type == 300:
        return d300(p["lat"], p["lon"], p["time"], p["new"])
    if point_type == 301:
        return d301(p["lat"], p["lon"], p["time"], p["alt"], p["new"])
    return d302(p["lat"], p["lon"], p["time"], p["alt"], p["new"])


def with_checksum_dle(pid, payload, point_type):
    """Changes the depth field (which the host does not use) until the
    frame's checksum is 0x10, so the checksum itself is sent stuffed."""
    if point_type == 300:
        return payload
    for low in range(256):
        trial = bytearray(payload)
        trial[16] = low
        if checksum(pid, trial) == DLE:
            return bytes(trial)
    return payload


# ---------------------------------------------------------------- expected file lines
WEEKDAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


def coord_text(semi, pos, neg, width):
    value = Fraction(semi * 180, 2 ** 31)
    a = abs(value)
    d = math.floor(a)
    t = math.floor((a - d) * 600000 + Fraction(1, 2))
    if t >= 600000:
        d, t = d + 1, t - 600000
    return f"{pos if value >= 0 else neg}{d:0{width}d} {t // 10000:02d}.{t % 10000:04d}"


def time_text(t):
    if t >= 0x7FFFFFFF:
        t = 0
    when = datetime(1989, 12, 31) + timedelta(seconds=t)
    return f"{WEEKDAYS[when.weekday()]} {MONTHS[when.month - 1]} {when.day:02d} {when:%H:%M:%S} {when.year:04d}"


def altitude_text(alt):
    value = struct.unpack("<f", struct.pack("<f", alt))[0]
    if math.isnan(value) or math.isinf(value) or abs(value) >= 1e24:
        return ";1E+25;"
    rounded = math.floor(abs(value) + 0.5)
    return f";{-rounded if value < 0 and rounded else rounded};"


def expected_lines(points, point_type, header_name):
    lines = [PRODUCT_STRINGS[0].decode("latin-1"), "L  New Header: " + header_name]
    for p in points:
        if p["lat"] == INVALID_POS and p["lon"] == INVALID_POS:
            continue
        if p["new"]:
            lines.append("N  New Track Segment")
        line = "T  " + coord_text(p["lat"], "N", "S", 2) + " " + coord_text(p["lon"], "E", "W", 3) + " " + time_text(p["time"])
        if point_type != 300:
            line += " " + altitude_text(p["alt"])
        lines.append(line)
    return lines


# ---------------------------------------------------------------- the device
class Device:
    def __init__(self, fd, args):
        self.fd, self.args = fd, args
        self.deframer = Deframer()
        self.inbox = []
        self.report = {"host_frames": [], "host_bad_frames": 0, "naks_sent": 0, "naks_received": 0,
                       "retransmits": 0, "abort_received": False, "acks_ignored": 0, "completed": False,
                       "track_commands": 0}
        self.sent_points = 0

    # -- i/o
    def write(self, data):
        chunk = self.args.chunk or len(data)
        for i in range(0, len(data), chunk):
            os.write(self.fd, data[i:i + chunk])
            if self.args.chunk and self.args.chunk_delay_ms:
                time.sleep(self.args.chunk_delay_ms / 1000)

    def poll(self, timeout):
        """Reads host frames for up to timeout seconds; returns the first good one."""
        deadline = time.monotonic() + timeout
        while True:
            if self.inbox:
                return self.inbox.pop(0)
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.fd], [], [], left)
            if not ready:
                continue
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:
                return None
            for pid, data, ok in self.deframer.feed(chunk):
                self.report["host_frames"].append([pid, data.hex(), ok])
                if not ok:
                    self.report["host_bad_frames"] += 1
                    self.report["naks_sent"] += 1
                    os.write(self.fd, frame(PID_NAK, bytes([pid, 0])))
                    continue
                if pid == PID_COMMAND and data[:1] == bytes([CMND_ABORT]):
                    self.report["abort_received"] = True
                self.inbox.append((pid, data))

    def ack(self, pid):
        os.write(self.fd, frame(PID_ACK, bytes([pid, 0])))

    def send_reliably(self, pid, payload, corrupt=False, lose_ack=False):
        """Sends one packet and waits for the host's ACK (stop-and-wait)."""
        good = frame(pid, payload)
        deferred = []  # other packets that arrive meanwhile are handled afterwards
        try:
            return self._send_reliably(pid, good, corrupt, lose_ack, deferred)
        finally:
            self.inbox[:0] = deferred

    def _send_reliably(self, pid, good, corrupt, lose_ack, deferred):
        for attempt in range(5):
            data = bytearray(good)
            if corrupt and attempt == 0:
                data[len(data) // 2] ^= 0x5A  # damaged on the line
                if data[len(data) // 2] in (DLE, ETX):
                    data[len(data) // 2] ^= 0x01
            if attempt:
                self.report["retransmits"] += 1
            self.write(bytes(data))
            deadline = time.monotonic() + self.args.ack_timeout
            while True:
                got = self.poll(max(0.0, deadline - time.monotonic()))
                if got is None:
                    break  # timeout: send again
                rpid, rdata = got
                if self.report["abort_received"]:
                    return False
                if rpid == PID_ACK and rdata[:1] == bytes([pid]):
                    if lose_ack and attempt == 0:
                        self.report["acks_ignored"] += 1
                        continue  # as if it never arrived
                    return True
                if rpid == PID_NAK and rdata[:1] in (bytes([pid]), b""):
                    self.report["naks_received"] += 1
                    break
                if rpid not in (PID_ACK, PID_NAK):
                    deferred.append((rpid, rdata))
        return False

    # -- the dialogue
    def run(self):
        args = self.args
        if args.nmea:
            return self.talk_nmea()
        # Wait for the product request; anything else valid is acknowledged.
        while True:
            got = self.poll(args.linger + 10)
            if got is None:
                return
            pid, data = got
            if pid == PID_PRODUCT_RQST:
                break
            if pid not in (PID_ACK, PID_NAK):
                self.ack(pid)
        self.ack(PID_PRODUCT_RQST)
        product = struct.pack("<Hh", PRODUCT_ID, 370) + b"".join(s + b"\0" for s in PRODUCT_STRINGS)
        if not self.send_reliably(PID_PRODUCT_DATA, product):
            return
        # Protocol capability: link L001, commands A010, track log A301 with D310 and D30x.
        caps = [("P", 0), ("L", 1), ("A", 10), ("T", 1), ("A", 301), ("D", 310), ("D", args.point_type)]
        if not self.send_reliably(PID_PROTOCOL_ARRAY, b"".join(tag.encode() + struct.pack("<H", n) for tag, n in caps)):
            return
        while True:
            got = self.poll(10)
            if got is None:
                return
            pid, data = got
            if pid == PID_COMMAND:
                if data[:1] == bytes([CMND_TRANSFER_TRK]):
                    self.report["track_commands"] += 1
                    if self.report["track_commands"] <= args.lose_command:
                        continue  # lost on the line: the host must send it again
                    if self.report["track_commands"] <= args.lose_command + args.nak_command:
                        os.write(self.fd, frame(PID_NAK, bytes([PID_COMMAND, 0])))
                        continue
                    self.ack(PID_COMMAND)
                    break
                self.ack(PID_COMMAND)
            elif pid not in (PID_ACK, PID_NAK):
                self.ack(pid)
        points = make_points(args.points, args.seed)
        if not self.send_reliably(PID_RECORDS, struct.pack("<H", len(points) + 1)):
            return
        header = struct.pack("<BB", 1, 255) + args.header.encode("latin-1") + b"\0"
        if not self.send_reliably(PID_TRK_HDR, header):
            return
        for i, p in enumerate(points):
            if args.silence_after is not None and i == args.silence_after:
                self.report["silent_from_point"] = i
                self.poll(args.linger)
                return
            payload = encode_point(p, args.point_type)
            if i == args.dle_checksum_point:
                payload = with_checksum_dle(PID_TRK_DATA, payload, args.point_type)
            if not self.send_reliably(PID_TRK_DATA, payload, corrupt=(i == args.corrupt_point),
                                      lose_ack=(i == args.lose_ack_point)):
                return
            self.sent_points += 1
        if not self.send_reliably(PID_XFER_CMPLT, struct.pack("<H", CMND_TRANSFER_TRK)):
            return
        self.report["completed"] = True
        if args.garbage_after:
            # A chatty device after the transfer: noise with DLEs and a whole frame.
            self.write(bytes([DLE, 0x41, 0x42, DLE, DLE, 0x00, 0x7E]) + frame(PID_TRK_DATA, payload) + b"$GPRMC,garbage\r\n")
        self.poll(args.linger)

    def talk_nmea(self):
        deadline = time.monotonic() + self.args.linger
        while time.monotonic() < deadline:
            self.write(b"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n")
            self.poll(0.2)


def open_line(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    attrs = termios.tcgetattr(fd)
    attrs[4] = attrs[5] = termios.B9600
    termios.tcsetattr(fd, termios.TCSANOW, attrs)
    return fd


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", required=True)
    ap.add_argument("--report", required=True)
    ap.add_argument("--expected", help="write the lines the host must write here")
    ap.add_argument("--points", type=int, default=20)
    ap.add_argument("--point-type", type=int, choices=(300, 301, 302), default=301)
    ap.add_argument("--header", default="ACTIVE LOG")
    ap.add_argument("--seed", type=int, default=7)
    ap.add_argument("--ack-timeout", type=float, default=1.0)
    ap.add_argument("--linger", type=float, default=1.0, help="seconds to listen after the end or in silence")
    ap.add_argument("--chunk", type=int, default=0, help="write frames in pieces of this many bytes")
    ap.add_argument("--chunk-delay-ms", type=int, default=0)
    ap.add_argument("--dle-checksum-point", type=int, default=-1)
    ap.add_argument("--corrupt-point", type=int, default=-1)
    ap.add_argument("--lose-ack-point", type=int, default=-1)
    ap.add_argument("--lose-command", type=int, default=0, help="ignore the first n track-log commands")
    ap.add_argument("--nak-command", type=int, default=0, help="then NAK the next n track-log commands")
    ap.add_argument("--silence-after", type=int)
    ap.add_argument("--nmea", action="store_true")
    ap.add_argument("--garbage-after", action="store_true")
    args = ap.parse_args(argv)

    if args.expected:
        lines = expected_lines(make_points(args.points, args.seed), args.point_type, args.header)
        with open(args.expected, "w", encoding="latin-1", newline="") as f:
            f.write("".join(line + "\r\n" for line in lines))
    fd = open_line(args.port)
    device = Device(fd, args)
    try:
        device.run()
    finally:
        device.report["points_sent"] = device.sent_points
        with open(args.report + ".tmp", "w") as f:
            json.dump(device.report, f)
        os.replace(args.report + ".tmp", args.report)
        os.close(fd)


if __name__ == "__main__":
    sys.exit(main())
