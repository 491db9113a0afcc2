"""Real peers for end-to-end tests: pseudo-terminal pairs, free TCP ports,
the built programs started on a temporary home folder, an independent NMEA
parser. Every process a test starts is recorded and ended by exactly its PID."""
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
