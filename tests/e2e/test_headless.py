"""zelvan --headless as users run it unattended: no display, the replay's
sentences on standard output, on a TCP server read by a socket client on
127.0.0.1, the exit status for each kind of failure, and an orderly end on
SIGTERM and SIGINT that leaves nothing behind."""
import math
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import time

import zvpeers

GOLDEN_LOG = "gpsd_magellan-ec10.log"  # its golden file was written through the window's replay


def env_without_display():
    env = dict(os.environ)
    for key in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(key, None)
    return env


def headless(args, **kwargs):
    return [zvpeers.program("zelvan"), "--headless"] + args


def run(args, timeout=120):
    return subprocess.run(headless(args), env=env_without_display(), capture_output=True, timeout=timeout)


def project_version():
    root = os.path.join(os.path.dirname(__file__), "..", "..")
    with open(os.path.join(root, "CMakeLists.txt")) as f:
        return re.search(r"project\([^)]*VERSION\s+([0-9.]+)", f.read()).group(1)


def check(failures, condition, text):
    if not condition:
        failures.append(text)


def test_stdout_matches_the_window(failures, home):
    log = os.path.join(zvpeers.TEST_DATA, "replay", GOLDEN_LOG)
    with open(os.path.join(zvpeers.TEST_DATA, "replay", "golden", GOLDEN_LOG + ".out"), "rb") as f:
        golden = f.read()
    started = time.monotonic()
    r = run(["--home", home, "--pace", "cont", "--output", "-", "--quiet", log])
    took = time.monotonic() - started
    check(failures, r.returncode == 0, f"cont replay exited {r.returncode}: {r.stderr!r}")
    check(failures, r.stdout == golden,
          f"stdout differs from the window's replay: {len(r.stdout)} bytes, golden {len(golden)}")
    check(failures, r.stderr == b"", f"--quiet still wrote {r.stderr!r}")
    epochs = golden.count(b"RMC,")
    print(f"cont: {epochs} epochs in {took:.2f} s ({epochs / took:.1f} epochs/s, with start-up)")
    # Without --quiet: progress lines on standard error, nothing else on stdout.
    r = run(["--home", home, "--pace", "cont", log])
    check(failures, r.stdout == golden, "progress reached standard output")
    check(failures, re.search(rb"record \d+ of \d+", r.stderr), f"no progress on stderr: {r.stderr!r}")
    # A name that is not UTF-8 (old disks, archives) is taken as the system gives it.
    odd = os.path.join(os.fsencode(home), b"bad\xffname.log")
    shutil.copy(log, odd)
    r = run(["--home", home, "--pace", "cont", "--output", "-", "--quiet", odd])
    check(failures, r.returncode == 0 and r.stdout == golden,
          f"a file name that is not UTF-8: exit {r.returncode}, {len(r.stdout)} bytes, {r.stderr!r}")


def test_exit_codes(failures, home):
    log = os.path.join(zvpeers.TEST_DATA, "replay", GOLDEN_LOG)
    r = run(["--home", home, os.path.join(home, "missing.log")])
    check(failures, r.returncode == 1 and b"no such file" in r.stderr, f"missing file: {r.returncode} {r.stderr!r}")
    notlog = os.path.join(home, "notes.log")
    with open(notlog, "w") as f:
        f.write("shopping list\n")
    r = run(["--home", home, notlog])
    check(failures, r.returncode == 1 and b"No Log-File" in r.stderr, f"not a log: {r.returncode} {r.stderr!r}")
    for bad in (["--pace", "3s", log], ["--fast", log], [], ["--output", "serial", log]):
        r = run(["--home", home] + bad)
        check(failures, r.returncode == 2 and r.stderr.startswith(b"zelvan: "), f"{bad}: {r.returncode} {r.stderr!r}")
    # Outputs that cannot be opened: nothing is replayed.
    with open(os.path.join(home, "Zelvan.ini"), "w", newline="") as ini:
        ini.write(f"[Devices]\r\nLPT1={home}/no-printer\r\nCOM2={home}/no-tty\r\n")
    with socket.socket() as taken:
        taken.bind(("127.0.0.1", 0))
        taken.listen()
        port = taken.getsockname()[1]
        for target in (f"tcp:{port}", "LPT1", "COM2", f"{home}/no-tty"):
            r = run(["--home", home, "--output", "-", "--output", target, log])
            check(failures, r.returncode == 3 and b"cannot be opened" in r.stderr and r.stdout == b"",
                  f"output {target}: {r.returncode} {r.stderr!r} {len(r.stdout)} bytes out")
    check(failures, not os.path.exists(os.path.join(home, "no-printer")), "a missing printer became a file")
    r = run(["--help"])
    check(failures, r.returncode == 0 and b"--pace" in r.stdout, "--help")
    r = run(["--version"])
    check(failures, r.returncode == 0 and r.stdout.strip() == f"zelvan {project_version()}".encode(),
          f"--version said {r.stdout!r}")


def read_tcp(port, seconds):
    client = socket.create_connection(("127.0.0.1", port), timeout=5)
    client.settimeout(0.5)
    data, arrivals = b"", []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            chunk = client.recv(65536)
        except socket.timeout:
            continue
        if not chunk:
            break
        now = time.monotonic()
        arrivals += [now] * chunk.count(b"RMC,")
        data += chunk
    client.close()
    return data, arrivals


def test_tcp_and_stdout_together(failures, home):
    log = os.path.join(zvpeers.TEST_DATA, "replay", "gpsd_neo-m8n.log")
    port = zvpeers.free_port()
    out_path = os.path.join(home, "stdout.nmea")
    with open(out_path, "wb") as out:
        proc = zvpeers.start(headless(["--home", home, "--quiet", "--pace", "1s", "--output", f"tcp:{port}",
                                       "--output", "-", log]), env=env_without_display(), stdout=out)
        if not zvpeers.wait_for(lambda: zvpeers.listening(port), timeout=15):
            failures.append("the TCP output did not listen")
            return
        data, arrivals = read_tcp(port, 6)
        proc.send_signal(signal.SIGTERM)
        code = proc.wait(timeout=10)
    check(failures, code == 0, f"SIGTERM during a TCP replay: exit {code}")
    lines = [l for l in data.split(b"\r\n") if l]
    check(failures, len(arrivals) >= 4, f"only {len(arrivals)} epochs reached the TCP client in 6 s")
    for line in lines:
        try:
            zvpeers.nmea_parse(line.decode("latin-1"))
        except Exception as e:  # noqa: BLE001 - any parse failure is a finding
            failures.append(f"TCP client got a bad sentence {line!r}: {e}")
    with open(out_path, "rb") as f:
        stdout = f.read()
    # The client joined late: what it got is the tail of what stdout got, sentence for sentence.
    check(failures, data and data in stdout, "the TCP client's sentences differ from standard output's")
    gaps = [b - a for a, b in zip(arrivals, arrivals[1:])]
    if gaps:
        print(f"1s over TCP: {len(gaps)} periods, mean {sum(gaps) / len(gaps):.4f} s, "
              f"min {min(gaps):.4f}, max {max(gaps):.4f}")
    check(failures, not zvpeers.listening(port), "the TCP server still listens after the end")


def test_a_failing_output_is_dropped(failures, home):
    log = os.path.join(zvpeers.TEST_DATA, "replay", GOLDEN_LOG)
    port = zvpeers.free_port()
    errors = os.path.join(home, "stderr.txt")
    with open(errors, "wb") as err:
        proc = zvpeers.start(headless(["--home", home, "--quiet", "--pace", "cont", "--output", "-",
                                       "--output", f"tcp:{port}", log]), env=env_without_display(),
                             stdout=subprocess.PIPE, stderr=err)
        proc.stdout.read(200)
        proc.stdout.close()  # the reader of standard output goes away
        if not zvpeers.wait_for(lambda: zvpeers.listening(port), timeout=15):
            failures.append("the TCP output did not listen")
            return
        data, arrivals = read_tcp(port, 2)
        check(failures, len(arrivals) >= 3, f"the TCP output stopped with standard output: {len(arrivals)} epochs")
        proc.send_signal(signal.SIGTERM)
        code = proc.wait(timeout=10)
    with open(errors, "rb") as f:
        text = f.read()
    check(failures, code == 0, f"exit {code} after one of two outputs failed")
    check(failures, b"standard output failed and is dropped" in text, f"no report of the dropped output: {text!r}")
    # With no output left the run ends, and says so.
    proc = zvpeers.start(headless(["--home", home, "--quiet", "--pace", "cont", log]), env=env_without_display(),
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    proc.stdout.read(100)
    proc.stdout.close()
    try:
        code = proc.wait(timeout=20)
    except subprocess.TimeoutExpired:
        failures.append("the run went on with no output left")
        return
    check(failures, code == 1 and b"no output is left" in proc.stderr.read(), f"no output left: exit {code}")


def test_a_stalled_reader_blocks_nothing(failures, home):
    """Standard output and standard error into a pipe nobody reads (a stopped
    pager): the TCP output goes on, and SIGTERM still ends the run at once."""
    import fcntl
    log = os.path.join(zvpeers.TEST_DATA, "replay", GOLDEN_LOG)
    port = zvpeers.free_port()
    stalled, pipe_in = os.pipe()
    fcntl.fcntl(pipe_in, 1031, 4096)  # F_SETPIPE_SZ: full after a few epochs
    proc = zvpeers.start(headless(["--home", home, "--pace", "file:100", "--loop", "--output", "-",
                                   "--output", f"tcp:{port}", log]),
                         env=env_without_display(), stdout=pipe_in, stderr=pipe_in)
    os.close(pipe_in)
    try:
        if not zvpeers.wait_for(lambda: zvpeers.listening(port), timeout=15):
            failures.append("the TCP output did not listen")
            return
        data, arrivals = read_tcp(port, 6)
        late = [t for t in arrivals if t > arrivals[0] + 4] if arrivals else []
        check(failures, len(late) >= 3,
              f"the TCP output stopped behind the stalled pipe: {len(arrivals)} epochs, {len(late)} after 4 s")
        asked = time.monotonic()
        proc.send_signal(signal.SIGTERM)
        try:
            code = proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            failures.append("SIGTERM did not end a run whose standard output nobody reads")
            return
        took = time.monotonic() - asked
        print(f"stalled pipe: {len(arrivals)} epochs over TCP in 6 s, SIGTERM ended the run in {took:.2f} s")
        check(failures, code == 0, f"exit {code} after SIGTERM")
        check(failures, took < 1.5, f"SIGTERM took {took:.2f} s")
    finally:
        os.close(stalled)


def test_pty_and_udp(failures, home):
    """A pseudo-terminal reached through a link (the default one in the program
    folder) and UDP datagrams to 127.0.0.1: both carry the replay at once."""
    import select
    import tty
    log = os.path.join(zvpeers.TEST_DATA, "replay", GOLDEN_LOG)
    with open(os.path.join(zvpeers.TEST_DATA, "replay", "golden", GOLDEN_LOG + ".out"), "rb") as f:
        golden = f.read()
    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.bind(("127.0.0.1", 0))
    receiver.setblocking(False)
    udp_port = receiver.getsockname()[1]
    link = os.path.join(home, "ttyZelvan")
    proc = zvpeers.start(headless(["--home", home, "--quiet", "--pace", "cont", "--output", "pty",
                                   "--output", f"udp:127.0.0.1:{udp_port}", log]),
                         env=env_without_display(), stderr=subprocess.PIPE)
    if not zvpeers.wait_for(lambda: os.path.islink(link), timeout=15):
        failures.append("the pty output made no link in the program folder")
        return
    fd = os.open(link, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    tty.setraw(fd)
    from_pty, datagrams = b"", []
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and proc.poll() is None:
        ready, _, _ = select.select([fd, receiver], [], [], 0.2)
        if fd in ready:
            try:
                from_pty += os.read(fd, 65536)
            except OSError:
                pass
        if receiver in ready:
            while True:
                try:
                    datagrams.append(receiver.recv(2048))
                except BlockingIOError:
                    break
    os.close(fd)
    receiver.close()
    code = proc.wait(timeout=10)
    check(failures, code == 0, f"pty+udp run exited {code}: {proc.stderr.read()!r}")
    check(failures, not os.path.lexists(link), "the pty link is left behind after the end")
    # The terminal was opened after the start, and the channel throws away what a
    # busy reader leaves unread: what it got are the replay's sentences, in order.
    wanted = golden.split(b"\r\n")
    got = [l for l in from_pty.split(b"\r\n")[1:-1] if l]
    at = 0
    for line in got:
        while at < len(wanted) and wanted[at] != line:
            at += 1
        if at == len(wanted):
            failures.append(f"the pty carried {line!r}, not in the replay's order")
            break
        at += 1
    check(failures, len(got) >= 10, f"only {len(got)} sentences came through the pty")
    check(failures, b"".join(datagrams) == golden, f"UDP: {len(datagrams)} datagrams differ from the replay")
    check(failures, all(d.endswith(b"\r\n") and d.count(b"\r\n") == 1 for d in datagrams),
          "a datagram holds other than one sentence")


def test_signals_end_cleanly(failures, home):
    # A log without RMC is replayed through a companion file the program writes
    # next to it; an orderly end removes it and leaves the user's file alone.
    folder = os.path.join(home, "tracks")
    os.mkdir(folder)
    log = os.path.join(folder, "hemi.log")
    shutil.copy(os.path.join(zvpeers.TEST_DATA, "tracks", "gpsd_hemi.log"), log)
    with open(log, "rb") as f:
        original = f.read()
    for sig in (signal.SIGTERM, signal.SIGINT):
        port = zvpeers.free_port()
        link = os.path.join(home, f"gps-{sig.name}")
        proc = zvpeers.start(headless(["--home", home, "--pace", "1s", "--output", f"tcp:{port}",
                                       "--output", f"pty:{link}", log]),
                             env=env_without_display(), stderr=subprocess.PIPE)
        companion = zvpeers.wait_for(lambda: [n for n in os.listdir(folder) if n != "hemi.log"], timeout=15)
        check(failures, companion, "no companion file was written for a log without RMC")
        check(failures, zvpeers.wait_for(lambda: zvpeers.listening(port), timeout=15), "TCP output not listening")
        time.sleep(1.5)
        proc.send_signal(sig)
        try:
            code = proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            failures.append(f"{sig.name} did not end the replay")
            continue
        err = proc.stderr.read()
        check(failures, code == 0, f"{sig.name}: exit {code}, {err!r}")
        check(failures, os.listdir(folder) == ["hemi.log"], f"{sig.name} left {os.listdir(folder)}")
        check(failures, not zvpeers.listening(port), f"{sig.name}: the TCP server still listens")
        check(failures, not os.path.lexists(link), f"{sig.name}: the pty link is left behind")
    with open(log, "rb") as f:
        check(failures, f.read() == original, "the user's log was changed")


def test_a_log_cut_short_while_replayed(failures, home):
    # Epochs with a long comment each: the replay has read only a few when the
    # file is cut at epoch 20 of 40. It must say so and not end with 0.
    log = os.path.join(home, "cut.log")
    cut = 0
    with open(log, "wb") as f:
        for i in range(40):
            if i == 20:
                cut = f.tell()
            body = f"GPRMC,{100000 + i},A,4807.000,N,01131.000,E,5.0,090.0,230394,,"
            checksum = 0
            for c in body.encode():
                checksum ^= c
            f.write(f"${body}*{checksum:02X}\r\n".encode() + b"#" + b"x" * 60000 + b"\r\n")
    proc = zvpeers.start(headless(["--home", home, "--pace", "x8", "--select", "RMC", "--quiet", log]),
                         env=env_without_display(), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    first = proc.stdout.readline()
    check(failures, first.startswith(b"$GPRMC,100000"), f"first sentence {first!r}")
    os.truncate(log, cut)
    try:
        code = proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        failures.append("the replay of a cut log did not end")
        return
    out, err = proc.stdout.read(), proc.stderr.read()
    check(failures, code == 1, f"a log cut short ended with {code}")
    check(failures, b"ended early" in err, f"nothing said about the early end: {err!r}")
    check(failures, (first + out).count(b"RMC,") < 40, "more records than the cut log holds")


def nmea_degrees(value, hemisphere):
    degrees = float(value[:-7]) + float(value[-7:]) / 60
    return -degrees if hemisphere in "SW" else degrees


def metres_between(a, b):
    lat1, lon1, lat2, lon2 = map(math.radians, (*a, *b))
    h = math.sin((lat2 - lat1) / 2) ** 2 + math.cos(lat1) * math.cos(lat2) * math.sin((lon2 - lon1) / 2) ** 2
    return 2 * 6371008.8 * math.asin(math.sqrt(h))


def test_a_route_at_a_set_speed(failures, home):
    import pynmea2
    route = os.path.join(zvpeers.TEST_DATA, "route", "track_route.gpx")
    started = time.monotonic()
    r = run(["--home", home, "--route", route, "--speed", "180kmh", "--pace", "cont", "--time",
             "2024-05-01T12:00:00Z", "--output", "-", "--quiet"])
    took = time.monotonic() - started
    check(failures, r.returncode == 0 and r.stderr == b"", f"route: exit {r.returncode}, {r.stderr!r}")
    lines = [line.decode("latin-1") for line in r.stdout.split(b"\r\n") if line]
    for line in lines:
        try:
            pynmea2.parse(line, check=True)
        except pynmea2.ParseError as e:
            failures.append(f"pynmea2 cannot read {line!r}: {e}")
    rmcs = [line.split(",") for line in lines if line.startswith("$GPRMC")]
    fixes = [(nmea_degrees(f[3], f[4]), nmea_degrees(f[5], f[6])) for f in rmcs]
    # The route runs straight from 0.003 N 0.003 W to 0.00251 S 0.00251 E: 866 m, 50 m an epoch.
    length = metres_between((0.003, -0.003), (-0.00251, 0.00251))
    check(failures, len(fixes) == math.ceil(length / 50) + 1, f"{len(fixes)} epochs over {length:.0f} m")
    check(failures, all(abs(lat + lon) < 4e-6 for lat, lon in fixes), f"off the route: {fixes}")
    steps = [metres_between(a, b) for a, b in zip(fixes, fixes[1:])]
    check(failures, all(abs(d - 50) < 0.5 for d in steps[:-1]) and 0 < steps[-1] <= 50.5, f"steps {steps}")
    check(failures, fixes and abs(fixes[-1][0] + 0.00251) < 2e-6, f"the run ended at {fixes[-1:]}, not the last point")
    check(failures, all(f[7] == "097.2" and f[8] == "135.0" for f in rmcs), f"speed or course: {rmcs[:2]}")
    check(failures, [f[1] for f in rmcs[:3]] == ["120000", "120001", "120002"], f"clock {[f[1] for f in rmcs[:3]]}")
    for kind in ("GGA", "VTG", "GSA", "GSV"):
        check(failures, sum(line.startswith("$GP" + kind) for line in lines) >= len(rmcs), f"too few {kind}")
    print(f"route: {len(rmcs)} epochs in {took:.2f} s")
    # What is no route or no speed.
    listed = os.path.join(home, "harbour.txt")
    with open(listed, "w") as f:
        f.write("# harbour\n54.1,10.9\n54.2,10.95\n54.3 10.99\n")
    r = run(["--home", home, "--route", listed, "--speed", "5kn"])
    check(failures, r.returncode == 1 and b"harbour.txt, line 4" in r.stderr, f"bad line: {r.returncode} {r.stderr!r}")
    for bad in (["--speed", "20mph"], ["--speed", "-3kn"], ["--speed", "0"], [], ["--pace", "file"]):
        r = run(["--home", home, "--route", route] + bad)
        check(failures, r.returncode == 2 and r.stderr.startswith(b"zelvan: "), f"{bad}: {r.returncode} {r.stderr!r}")


def main():
    failures = []
    home = zvpeers.temp_home("zv-headless-")
    try:
        for test in (test_stdout_matches_the_window, test_exit_codes, test_tcp_and_stdout_together,
                     test_a_failing_output_is_dropped, test_a_stalled_reader_blocks_nothing, test_pty_and_udp,
                     test_signals_end_cleanly, test_a_log_cut_short_while_replayed, test_a_route_at_a_set_speed):
            sub = os.path.join(home, test.__name__)
            os.mkdir(sub)
            before = len(failures)
            test(failures, sub)
            print(f"{test.__name__}: {'ok' if len(failures) == before else 'FAILED'}")
    finally:
        zvpeers.stop_all()
        shutil.rmtree(home, ignore_errors=True)
    if failures:
        print("\n".join(failures))
        sys.exit(1)


if __name__ == "__main__":
    main()
