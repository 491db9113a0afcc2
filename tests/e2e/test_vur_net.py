"""Vur reads network sources named in Vur.ini: a TCP server on 127.0.0.1 that
is stopped and started again (Vur reconnects by itself and shows the new
position), and UDP datagrams on a free port."""
import os
import signal
import socket
import sys
import time

import zvpeers

EPOCH_1 = (b"$GNGGA,113000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n"
           b"$GPGSV,1,1,08,05,1,1,40,02,1,1,20,,,,,,,,*00\r\n"
           b"$GLGSV,1,1,02,70,1,1,40*00\r\n"
           b"$GNGSA,A,3,05,02,70*00\r\n"
           b"$GNRMC,113000,A,4807.038,N,01131.000,E,10.0,084.4,061226,003.1,W*00\r\n")
EPOCH_2 = (b"$GNGGA,113005,4808.000,N,01132.000,E,1,09,0.9,600.0,M,46.9,M,,*00\r\n"
           b"$GNRMC,113005,A,4808.000,N,01132.000,E,20.0,184.4,061226,003.1,W*00\r\n")


def read_dump(path):
    got = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            name, _, value = line.rstrip("\n").partition("=")
            got[name] = value
    return got


def start_vur(device_value):
    home = zvpeers.temp_home("vur-net-")
    with open(os.path.join(home, "Vur.ini"), "w", newline="") as ini:
        ini.write(f"[Devices]\r\nCOM1={device_value}\r\n")
    dump = os.path.join(home, "readouts.txt")
    proc = zvpeers.start([zvpeers.program("vur"), "--home", home, "--dump-readouts", dump])
    return proc, dump


def stop_vur(proc, dump):
    proc.send_signal(signal.SIGTERM)
    proc.wait(timeout=10)
    return read_dump(dump)


def listen(port):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(1)
    server.settimeout(15)
    return server


def tcp_case():
    failures = []
    port = zvpeers.free_port()
    server = listen(port)
    proc, dump = start_vur(f"tcp:127.0.0.1:{port}")
    try:
        peer, _ = server.accept()
    except socket.timeout:
        return ["tcp: vur did not connect"]
    peer.sendall(EPOCH_1)
    time.sleep(1.0)
    # The server goes away; Vur waits and tries again every few seconds.
    peer.close()
    server.close()
    time.sleep(1.0)
    server = listen(port)
    started = time.monotonic()
    try:
        peer, _ = server.accept()
    except socket.timeout:
        stop_vur(proc, dump)
        return ["tcp: vur did not reconnect within 15 s"]
    waited = time.monotonic() - started
    peer.sendall(EPOCH_2)
    time.sleep(1.0)
    got = stop_vur(proc, dump)
    peer.close()
    server.close()
    want = {"SPEED": "37", "Höhe": "600", "TRT": " 184 °", "Position": "48.133333 11.533333", "GPSok": "hidden"}
    failures += [f"tcp: {k}: vur {got.get(k)!r}, want {v!r}" for k, v in want.items() if got.get(k) != v]
    # No GSA since the reconnection: the status line still names the source.
    if got.get("GPSL") != f"tcp 127.0.0.1:{port}":
        failures.append(f"tcp: GPSL {got.get('GPSL')!r}")
    if waited > 6:
        failures.append(f"tcp: reconnected only after {waited:.1f} s")
    return failures


def udp_case():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    proc, dump = start_vur(f"udp:{port}")
    time.sleep(2.0)  # started and bound
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        for line in EPOCH_1.splitlines():
            sender.sendto(line, ("127.0.0.1", port))  # one sentence a datagram, no line end
        time.sleep(0.3)
        sender.sendto(EPOCH_2, ("127.0.0.1", port))  # two sentences in one datagram
    time.sleep(1.0)
    got = stop_vur(proc, dump)
    want = {"SPEED": "37", "Höhe": "600", "GPSL": "GPS ok   3D-NAV   8/10 Sat", "Position": "48.133333 11.533333"}
    return [f"udp: {k}: vur {got.get(k)!r}, want {v!r}" for k, v in want.items() if got.get(k) != v]


def main():
    failures = []
    try:
        failures += tcp_case()
        zvpeers.stop_all()
        failures += udp_case()
    finally:
        zvpeers.stop_all()
    if failures:
        print("\n".join(failures))
        sys.exit("FAIL")
    print("ok")


if __name__ == "__main__":
    main()
