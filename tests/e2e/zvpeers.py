"""Real peers for end-to-end tests: pseudo-terminal pairs, free TCP ports,
the built programs started on a temporary home folder, an independent NMEA
parser. Every process a test starts is recorded and ended by exactly its PID."""
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

BIN_DIR = os.environ.get("ZV_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
TEST_DATA = os.environ.get("ZV_TEST_DATA", os.path.join(os.path.dirname(__file__), "..", "data"))

_started = []


def require_tool(name):
    """A test that needs a missing tool fails; it never skips silently."""
    path = shutil.which(name)
    if not path:
        sys.exit(f"FAIL: required tool '{name}' is not installed")
    return path


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    """Whether a TCP server accepts connections on 127.0.0.1:port."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.5):
            return True
    except OSError:
        return False


def start(args, **kwargs):
    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    env.update(kwargs.pop("env", {}))
    proc = subprocess.Popen(args, env=env, **kwargs)
    _started.append(proc)
    return proc


def stop_all():
    for proc in reversed(_started):
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
    _started.clear()


def end_run(home):
    """Ends every process the test started and removes its home folder."""
    stop_all()
    shutil.rmtree(home, ignore_errors=True)


def exit_on(failures):
    """Prints the failures and ends the test with status 1 when there are any."""
    if failures:
        print("\n".join(failures))
        sys.exit(1)


def pty_pair(folder, a="ptyA", b="ptyB", timeout=5.0):
    """Two linked pseudo-terminals from socat; returns their link paths."""
    require_tool("socat")
    left, right = os.path.join(folder, a), os.path.join(folder, b)
    start(["socat", "-d", "-d", f"pty,raw,echo=0,link={left}", f"pty,raw,echo=0,link={right}"],
          stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(left) and os.path.exists(right):
            return left, right
        time.sleep(0.05)
    raise RuntimeError("socat did not create the pseudo-terminals")


def temp_home(prefix="zv-e2e-"):
    return tempfile.mkdtemp(prefix=prefix)


def home_with_log(prefix, folder, name):
    """A fresh home whose Tracks folder holds a copy of tests/data/<folder>/<name>;
    returns the home and the copy's path."""
    home = temp_home(prefix)
    tracks = os.path.join(home, "Tracks")
    os.mkdir(tracks)
    log = os.path.join(tracks, name)
    shutil.copy(os.path.join(TEST_DATA, folder, name), log)
    return home, log


def program(name):
    path = os.path.join(BIN_DIR, name)
    if not os.access(path, os.X_OK):
        sys.exit(f"FAIL: {path} is not built")
    return path


def nmea_parse(line):
    """Parses a sentence with python3-nmea2 and checks its checksum; raises on failure."""
    import pynmea2
    return pynmea2.parse(line, check=True)


def wait_for(predicate, timeout=10.0, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def device_open_by(pid, path):
    """Whether process pid holds the device at path open."""
    target = os.path.realpath(path)
    try:
        for fd in os.listdir(f"/proc/{pid}/fd"):
            if os.path.realpath(f"/proc/{pid}/fd/{fd}") == target:
                return True
    except OSError:
        pass
    return False


def feed_vur(raw, bytes_per_s, prefix="vur-e2e-"):
    """Runs build/bin/vur on a fresh home with COM1 on a pseudo-terminal, writes raw
    into the other end at the given pace, ends Vur and returns its read-outs
    (the --dump-readouts lines) as a dict, with the home folder it used."""
    home = temp_home(prefix)
    vur_end, feed_end = pty_pair(home, "vur-pty", "feed-pty")
    with open(os.path.join(home, "Vur.ini"), "w", newline="") as ini:
        ini.write(f"[Devices]\r\nCOM1={vur_end}\r\n")
    dump = os.path.join(home, "readouts.txt")
    proc = start([program("vur"), "--home", home, "--dump-readouts", dump])
    if not wait_for(lambda: device_open_by(proc.pid, vur_end), timeout=15):
        sys.exit(f"FAIL: vur did not open {vur_end}")
    fd = os.open(feed_end, os.O_WRONLY | os.O_NOCTTY)
    chunk = max(1, bytes_per_s // 10)
    begin = time.monotonic()
    for i in range(0, len(raw), chunk):
        os.write(fd, raw[i:i + chunk])
        # Keep the baud pace against the clock, not by adding sleeps up.
        delay = begin + (i + chunk) / bytes_per_s - time.monotonic()
        if delay > 0:
            time.sleep(delay)
    time.sleep(1.0)
    proc.send_signal(signal.SIGTERM)
    proc.wait(timeout=10)
    os.close(fd)
    got = {}
    with open(dump, encoding="utf-8") as f:
        for line in f:
            name, _, value = line.rstrip("\n").partition("=")
            got[name] = value
    return got, home


def rmc_fixes(path):
    """(hh:mm:ss, lat, lon) of a log's valid RMC sentences, read with pynmea2."""
    import pynmea2
    fixes = []
    with open(path, "rb") as f:
        for raw in f:
            line = raw.decode("latin-1").strip()
            if not line.startswith("$GPRMC"):
                continue
            msg = pynmea2.parse(line, check=True)
            if msg.status != "A":
                continue
            fixes.append((msg.timestamp.strftime("%H:%M:%S"), msg.latitude, msg.longitude))
    return fixes


def start_gpsd(source, log=None):
    """gpsd in the foreground on a free port, reading source (a device path or
    tcp://host:port) at once and writing nothing into it; returns the port.
    With log (an open file) its warnings go there, such as each sentence it
    drops for a bad checksum."""
    gpsd = require_tool("gpsd")
    port = free_port()
    start([gpsd, "-N", "-n", "-b", "-S", str(port)] + (["-D", "1"] if log else []) + [source],
          stdout=subprocess.DEVNULL, stderr=log or subprocess.DEVNULL)
    return port


def gpsd_watch(gpsd_port, raw=False):
    """A client watching gpsd's JSON reports, with raw also every sentence gpsd
    accepted, as it came. Fails the test when gpsd takes no client."""
    client = None
    deadline = time.monotonic() + 10
    while client is None and time.monotonic() < deadline:
        try:
            client = socket.create_connection(("127.0.0.1", gpsd_port), timeout=1)
        except OSError:
            time.sleep(0.1)
    if client is None:
        sys.exit("FAIL: gpsd did not accept a client")
    client.sendall(b'?WATCH={"enable":true,"json":true%s};\n' % (b',"raw":1' if raw else b""))
    client.settimeout(0.5)
    return client


def gpsd_lines(client, timeout):
    """(wall-clock arrival, line) of what a gpsd client receives, for timeout
    seconds or until gpsd closes; (arrival, None) after half a second without
    any, so that a caller may stop on a condition of its own."""
    buf = b""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            chunk = client.recv(65536)
        except socket.timeout:
            yield time.time(), None
            continue
        if not chunk:
            return
        arrival = time.time()
        buf += chunk
        *lines, buf = buf.split(b"\n")
        for line in lines:
            yield arrival, line.rstrip(b"\r")


def json_report(line):
    """A JSON report of gpsd as a dict; None for anything else (a raw sentence)."""
    try:
        obj = json.loads(line)
    except ValueError:
        return None
    return obj if isinstance(obj, dict) else None


def gpsd_fixes(gpsd_port, expected, timeout=60.0, quiet=5.0):
    """Watches gpsd's JSON and returns {hh:mm:ss: (lat, lon)} of its 2D/3D fixes.
    Stops at the last expected time of day or when no new fix came for quiet
    seconds (gpsd reports an epoch when the next begins, so the log's last fix
    may never show). Fails the test when gpsd takes no client."""
    client = gpsd_watch(gpsd_port)
    seen = {}
    last = expected[-1][0]
    last_new = time.monotonic()
    for _, line in gpsd_lines(client, timeout):
        if last in seen or (seen and time.monotonic() - last_new > quiet):
            break
        obj = json_report(line) if line else None
        if obj and obj.get("class") == "TPV" and "time" in obj and "lat" in obj and obj.get("mode", 0) >= 2:
            if obj["time"][11:19] not in seen:
                last_new = time.monotonic()
            seen[obj["time"][11:19]] = (obj["lat"], obj["lon"])
    client.close()
    return seen


def compare_fixes(expected, seen, at_least=3):
    """Failure texts: a fix gpsd reported that the log does not hold, a position
    that differs, or fewer than at_least of the log's fixes. Returns (failures, matched)."""
    failures = []
    wanted = {t for t, _, _ in expected}
    matched = 0
    for t, lat, lon in expected:
        if t not in seen:
            continue
        matched += 1
        glat, glon = seen[t]
        if abs(glat - lat) > 1e-6 or abs(glon - lon) > 1e-6:
            failures.append(f"{t}: gpsd {glat},{glon} log {lat},{lon}")
    for t in seen:
        if t not in wanted:
            failures.append(f"gpsd reported a fix at {t} that the log does not hold")
    if matched < min(at_least, len(expected)):
        failures.append(f"only {matched} of {len(expected)} fixes reached gpsd: {sorted(seen)}")
    return failures, matched
