"""Zelvan's window under a real window manager (openbox on Xvfb): on a
1366x768 screen, and on 2732x1536 at 200 % scaling, the window with its frame
stays on the screen in every mode (a replay of a file with a 94-character
name, manual mode, Garmin download mode) and keeps its size when the mode
changes. Geometry comes from the X server, not from Qt. With ZV_SHOT_DIR set
each mode is also saved there as a PNG picture of the screen."""
import os
import shutil
import struct
import subprocess
import tempfile
import sys
import time

import zvpeers

LONG_NAME = "Sunday_morning_ride_around_the_lake_with_the_whole_family_and_two_dogs_from_Starnberg_2026.log"
# Focus steps from the first control (Data(0)) in the window's tab order.
TABS_TO_MANUAL = 14
TABS_TO_GARMIN = 19


class Display:
    def __init__(self, width, height):
        self.size = (width, height)
        xvfb = zvpeers.require_tool("Xvfb")
        read_end, write_end = os.pipe()
        proc = zvpeers.start([xvfb, "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
                              "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            proc.kill()
            sys.exit("FAIL: Xvfb did not start")
        self.name = ":" + number
        log = tempfile.TemporaryFile(mode="w+")
        wm = zvpeers.start([zvpeers.require_tool("openbox")], env=self.env(), stdout=subprocess.DEVNULL,
                           stderr=log)
        # openbox owns the screen once it has set its supporting-window property.
        # A loaded machine (every client's keymap is compiled afresh) has taken
        # over 15 s for that; an openbox that ended says why at once.
        owned = lambda: wm.poll() is not None or "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
        if not zvpeers.wait_for(owned, 60) or wm.poll() is not None:
            log.seek(0)
            sys.exit(f"FAIL: openbox did not start (exit status {wm.poll()}): {log.read().strip()}")

    def env(self, **extra):
        env = {"DISPLAY": self.name, "QT_QPA_PLATFORM": "xcb"}
        env.update(extra)
        return env

    def x(self, tool, *args):
        path = zvpeers.require_tool(tool)
        out = subprocess.run([path, *args], env=dict(os.environ, **self.env()), capture_output=True, text=True)
        return out.stdout

    def zelvan_window(self):
        ids = self.x("xdotool", "search", "--onlyvisible", "--name", "^Zelvan [0-9]").split()
        return ids[0] if ids else None

    def frame(self, wid):
        """(x, y, width, height) of the window with its frame, as the X server has it."""
        info = self.x("xwininfo", "-id", wid)
        field = lambda key: int(info.split(key + ":")[1].split()[0])
        x, y, w, h = (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                      field("Height"))
        extents = self.x("xprop", "-id", wid, "_NET_FRAME_EXTENTS")
        left, right, top, bottom = [int(v) for v in extents.split("=")[1].split(",")] if "=" in extents else [0] * 4
        return x - left, y - top, w + left + right, h + top + bottom

    def keys(self, wid, *keys, repeat=1):
        self.x("xdotool", "key", "--window", wid, "--repeat", str(repeat), "--delay", "30", *keys)
        time.sleep(0.8)

    def window_pixels(self, wid):
        """The client window's pixels (xwd's ZPixmap, 32 bits) with their width and height."""
        raw = subprocess.run([zvpeers.require_tool("xwd"), "-id", wid, "-silent"], env=dict(os.environ, **self.env()),
                             capture_output=True).stdout
        header = struct.unpack(">25I", raw[:100])
        header_size, width, height, bytes_per_line, ncolors = header[0], header[4], header[5], header[12], header[19]
        start = header_size + ncolors * 12
        return raw[start:start + bytes_per_line * height], width, height, bytes_per_line

    def shot(self, label):
        folder = os.environ.get("ZV_SHOT_DIR")
        if not folder:
            return
        os.makedirs(folder, exist_ok=True)
        target = os.path.join(folder, f"zelvan-{self.size[0]}x{self.size[1]}-{label}.png")
        env = dict(os.environ, **self.env())
        xwd = subprocess.run([zvpeers.require_tool("xwd"), "-root", "-silent"], env=env, capture_output=True).stdout
        pnm = subprocess.run([zvpeers.require_tool("xwdtopnm")], input=xwd, capture_output=True).stdout
        with open(target, "wb") as f:
            f.write(subprocess.run([zvpeers.require_tool("pnmtopng")], input=pnm, capture_output=True).stdout)
        print("screenshot", target)


def lower_right_differs(a, b):
    """Whether the lower right quarter of two pictures of the window differs in
    more than a tenth of its pixels (the file panel against the manual group)."""
    (pa, w, h, bpl), (pb, w2, h2, _) = a, b
    if (w, h) != (w2, h2):
        return True
    changed = total = 0
    for y in range(h // 2, h, 2):
        row = y * bpl
        for x in range(w * 3 // 5, w, 2):
            total += 1
            changed += pa[row + 4 * x:row + 4 * x + 4] != pb[row + 4 * x:row + 4 * x + 4]
    return changed * 10 > total


def check_modes(display, home, failures, scale_env):
    width, height = display.size

    def fits(label, frame):
        x, y, w, h = frame
        print(f"{width}x{height} {label}: frame {w}x{h} at {x},{y}")
        if x < 0 or y < 0 or x + w > width or y + h > height:
            failures.append(f"{width}x{height} {label}: frame {w}x{h} at {x},{y} leaves the screen")

    def launch(*args):
        proc = zvpeers.start([zvpeers.program("zelvan"), "--home", home, *args], env=display.env(**scale_env),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wid = zvpeers.wait_for(display.zelvan_window, 60)
        if not wid:
            sys.exit("FAIL: Zelvan's window did not appear")
        time.sleep(2)  # the window manager places it, Qt lays it out
        display.x("xdotool", "windowactivate", "--sync", wid)
        return proc, wid

    def end(proc):
        proc.terminate()
        proc.wait(timeout=10)

    # Replay of a file with a long name: FileL shows it, the window keeps its width.
    proc, wid = launch("--load", os.path.join(home, "Tracks", LONG_NAME))
    time.sleep(2)
    fits("replay", display.frame(wid))
    display.shot("replay")
    end(proc)

    # Idle, then manual mode (Manu ticked from the keyboard).
    proc, wid = launch()
    idle = display.frame(wid)
    fits("idle", idle)
    display.shot("idle")
    before = display.window_pixels(wid)
    display.keys(wid, "Tab", repeat=TABS_TO_MANUAL)
    display.keys(wid, "space")
    if not lower_right_differs(before, display.window_pixels(wid)):
        failures.append(f"{width}x{height}: manual mode did not show its controls")
    manual = display.frame(wid)
    fits("manual", manual)
    display.shot("manual")
    if manual[2:] != idle[2:]:
        failures.append(f"{width}x{height}: ticking Manual resized the window from {idle[2:]} to {manual[2:]}")
    end(proc)

    # Garmin download mode: DownloadC, then Yes to its question.
    proc, wid = launch()
    display.keys(wid, "Tab", repeat=TABS_TO_GARMIN)
    display.keys(wid, "space")
    question = zvpeers.wait_for(lambda: display.x("xdotool", "search", "--onlyvisible", "--name", "Tracklog-Download")
                                .split(), 30)
    if not question:
        failures.append(f"{width}x{height}: the Garmin button asked nothing")
    else:
        display.keys(question[0], "y")
    download = display.frame(wid)
    fits("download", download)
    display.shot("download")
    if download[2:] != idle[2:]:
        failures.append(f"{width}x{height}: download mode resized the window from {idle[2:]} to {download[2:]}")
    end(proc)


def main():
    home = zvpeers.temp_home("zv-fit-")
    tracks = os.path.join(home, "Tracks")
    os.mkdir(tracks)
    shutil.copy(os.path.join(zvpeers.TEST_DATA, "real", "nmea", "gpsbabel_nmea+ms.txt"), os.path.join(tracks, LONG_NAME))
    failures = []
    try:
        check_modes(Display(1366, 768), home, failures, {})
        # 200 %: the same logical screen, every pixel doubled.
        check_modes(Display(2732, 1536), home, failures, {"QT_SCALE_FACTOR": "2"})
    finally:
        zvpeers.stop_all()
        shutil.rmtree(home, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    if failures:
        sys.exit(1)


if __name__ == "__main__":
    main()
