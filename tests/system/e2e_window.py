#!/usr/bin/env python3
"""Drives the built program in a real X server the way a person would.

Starts Xvfb on a free display and the program on the xcb platform (or, with
--wine, a Windows build of it through Wine on its windows platform), then
clicks its buttons at their places and types into its fields and file
dialogs with real input events (xdotool). The results are checked from
outside: the window title, the bytes of a saved file, the files a Create
Files run writes, and a screenshot of the window, which is kept.

usage: e2e_window.py [--wine] PROGRAM FORM.ui SCREENSHOT.png
Exits 77 (skipped) only when no X server can be started.
"""

import ctypes
import os
import select
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET
from pathlib import Path

SKIP = 77
STEP_TIMEOUT = 10.0  # seconds for any one thing to happen
POLL = 0.05


class Failure(Exception):
    pass


def die_with_parent():
    # Children get SIGTERM when this script dies, even when it is killed
    # outright (a test time-out), so no X server or window is left behind.
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def wait_for(what, probe, timeout=STEP_TIMEOUT):
    """Polls probe() until it returns something truthy; fails after timeout.

    what describes the awaited state; a callable is asked only on failure,
    so it can tell what was seen instead."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what() if callable(what) else what}")
        time.sleep(POLL)


class Form:
    """Widget places from the form: each widget's rectangle within the window."""

    def __init__(self, path):
        root = ET.parse(path).getroot()
        window = root.find("widget")
        self.window_size = self._rect(window)[2:]
        self.rects = {}
        self._collect(window.find("widget"), 0, 0)  # the central widget sits at the window's origin

    @staticmethod
    def _rect(widget):
        rect = widget.find("property[@name='geometry']/rect")
        if rect is None:
            return (0, 0, 0, 0)
        return tuple(int(rect.find(k).text) for k in ("x", "y", "width", "height"))

    def _collect(self, parent, origin_x, origin_y):
        for child in parent.findall("widget"):
            x, y, w, h = self._rect(child)
            self.rects[child.get("name")] = (origin_x + x, origin_y + y, w, h)
            self._collect(child, origin_x + x, origin_y + y)

    def centre(self, name):
        x, y, w, h = self.rects[name]
        return x + w // 2, y + h // 2


class Session:
    def __init__(self, program, form, work, wine):
        self.program = program
        self.wine = wine
        self.form = form
        self.work = work
        self.processes = []
        self.env = None
        self.window = None
        self.log = work / "program.log"

    # -- the X server and the program --------------------------------------

    def start_x(self):
        """Starts Xvfb on the first free display; False where none can run."""
        read_end, write_end = os.pipe()
        try:
            xvfb = subprocess.Popen(
                # -noreset: the server would otherwise reset when its last
                # client leaves, and the readiness probe below is one.
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x700x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                preexec_fn=die_with_parent)
        except OSError as error:
            print(f"SKIP: Xvfb cannot be started: {error}")
            return False
        finally:
            os.close(write_end)
        self.processes.append(xvfb)
        number = b""
        deadline = time.monotonic() + STEP_TIMEOUT
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([pipe], [], [], 0.2)
                if ready:
                    chunk = os.read(pipe.fileno(), 16)
                    if not chunk:
                        break
                    number += chunk
        if not number.strip().isdigit():
            print(f"SKIP: Xvfb did not start (exit code {xvfb.poll()})")
            return False
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "XAUTHORITY")}
        runtime = self.work / "runtime"
        runtime.mkdir(mode=0o700)
        self.env.update(DISPLAY=":" + number.decode().strip(), QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=str(runtime),
                        # Qt's own file dialog, whose name field takes a typed path.
                        QT_QPA_PLATFORMTHEME="generic")
        # The number can arrive before the server takes connections on a busy
        # machine; a program started then fails to connect at all.
        deadline = time.monotonic() + STEP_TIMEOUT
        while subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            if time.monotonic() > deadline:
                raise Failure(f"Xvfb on {self.env['DISPLAY']} takes no connections")
            time.sleep(POLL)
        return True

    def start_program(self):
        command = [self.program]
        if self.wine:
            # Wine hands no QT_ variable on to the program; Qt's own dialogs,
            # as on Linux, take the platform's option instead.
            command = ["wine", self.program, "-platform", "windows:dialogs=none"]
        with open(self.log, "wb") as log:
            self.processes.append(subprocess.Popen(
                command, cwd=self.work, env=self.env, stdout=log, stderr=subprocess.STDOUT,
                preexec_fn=die_with_parent))
        # Wine may first have to start its own services for the program.
        self.window = self.find_window(r"Quillmark \[0\]", timeout=6 * STEP_TIMEOUT if self.wine else STEP_TIMEOUT)
        x, y, w, h = self.geometry(self.window)
        if (w, h) != self.form.window_size:
            raise Failure(f"the window is {w}x{h}, the form says {self.form.window_size}")

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    def program_alive(self):
        if self.processes[-1].poll() is not None:
            raise Failure(f"the program exited with code {self.processes[-1].returncode}")

    # -- what a person does and sees ---------------------------------------

    def x(self, *args):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                                timeout=STEP_TIMEOUT)
        if result.returncode != 0 and args[0] != "search":  # search exits 1 when nothing matches yet
            raise Failure(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout.strip()

    def find_window(self, title_regex, timeout=STEP_TIMEOUT):
        def probe():
            self.program_alive()
            found = self.x("search", "--onlyvisible", "--name", f"^{title_regex}$").split()
            return found[0] if found else None
        return wait_for(f"a window titled {title_regex!r}", probe, timeout)

    def window_exists(self, window):
        return self.x("search", "--onlyvisible", "--name", ".").split().count(window) > 0

    def geometry(self, window):
        fields = dict(line.split("=", 1) for line in self.x("getwindowgeometry", "--shell", window).splitlines())
        return tuple(int(fields[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def title(self):
        return self.x("getwindowname", self.window)

    def expect_title(self, expected, after):
        wait_for(lambda: f"the title {expected!r} after {after} (it reads {self.title()!r})",
                 lambda: self.title() == expected)

    def click(self, widget):
        wx, wy, _, _ = self.geometry(self.window)
        cx, cy = self.form.centre(widget)
        self.x("mousemove", "--sync", str(wx + cx), str(wy + cy))
        self.x("click", "1")

    def type_into(self, widget, text):
        self.click(widget)
        self.x("key", "--clearmodifiers", "ctrl+a")
        self.x("type", "--delay", "10", text)

    def answer_file_dialog(self, title, path):
        """Types a full path into the file dialog's name field and presses Enter."""
        dialog = self.find_window(title)
        self.x("windowfocus", "--sync", dialog)
        if self.wine:
            path = subprocess.run(["winepath", "--windows", str(path)], env=self.env, capture_output=True,
                                  text=True, check=True, timeout=STEP_TIMEOUT).stdout.strip()
        self.x("type", "--delay", "10", str(path))
        # The first Enter may only close the name field's completion list.
        for _ in range(3):
            self.x("key", "Return")
            try:
                wait_for(f"the dialog {title!r} to close", lambda: not self.window_exists(dialog), timeout=2)
                return
            except Failure:
                self.program_alive()
        raise Failure(f"the dialog {title!r} did not take the path {path}")

    def screen_bytes(self):
        x, y, w, h = self.geometry(self.window)
        return subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "rgb:-"],
                              env=self.env, capture_output=True, check=True, timeout=STEP_TIMEOUT).stdout

    def screenshot(self, out):
        # Repaints follow the work they show; wait until two looks agree.
        previous = [None]

        def settled():
            now = self.screen_bytes()
            same = now == previous[0]
            previous[0] = now
            return same
        wait_for("the window to stop repainting", settled)
        x, y, w, h = self.geometry(self.window)
        out.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", str(out)],
                       env=self.env, check=True, timeout=STEP_TIMEOUT)
        described = subprocess.run(["identify", "-format", "%w %h %k", str(out)], capture_output=True,
                                   text=True, check=True, timeout=STEP_TIMEOUT).stdout.split()
        if [int(v) for v in described[:2]] != [w, h]:
            raise Failure(f"the screenshot is {described[0]}x{described[1]}, the window {w}x{h}")
        if int(described[2]) < 16:
            raise Failure(f"the screenshot has only {described[2]} colours: the window drew nothing")


def file_bytes(path):
    try:
        return path.read_bytes()
    except OSError:
        return None


def run(session, screenshot_out):
    work = session.work
    source = work / "three.txt"
    source.write_bytes(b"pear\r\napple\r\npear\r\n")
    saved = work / "saved.txt"
    folder = work / "parts"
    folder.mkdir()

    session.start_program()

    session.click("btnLoad")
    session.answer_file_dialog(r"Import List\.\.\.", source)
    session.expect_title("Quillmark [3]", "Load")

    session.click("btnSort")
    session.click("btnPrune")
    session.expect_title("Quillmark [2]", "Sort and Prune")

    session.click("btnSave")
    session.answer_file_dialog(r"Export List\.\.\.", saved)
    expected = b"apple\r\npear\r\n"
    wait_for(lambda: f"{saved} to hold {expected!r} (it holds {file_bytes(saved)!r})",
             lambda: file_bytes(saved) == expected)

    session.type_into("txtEntryCount", "1")
    session.type_into("txtFileText", "part")
    session.click("btnCreateFiles")
    session.answer_file_dialog("Select Folder", folder)
    parts = {"part_0.txt": b"apple\r\n", "part_1.txt": b"pear\r\n"}

    def written():
        return {p.name: p.read_bytes() for p in folder.iterdir()}
    wait_for(lambda: f"{folder} to hold {parts} (it holds {written()})", lambda: written() == parts)
    session.expect_title("Quillmark [2]", "Create Files")
    session.screenshot(screenshot_out)

    session.click("btnClear")
    session.expect_title("Quillmark [0]", "Clear")


def main(argv):
    wine = argv[1:2] == ["--wine"]
    if wine:
        argv = argv[:1] + argv[2:]
    if len(argv) != 4:
        print(__doc__)
        return 2
    program, form_path, screenshot_out = Path(argv[1]), Path(argv[2]), Path(argv[3])
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="quillmark-e2e-") as temp:
        session = Session(program.resolve(), Form(form_path), Path(temp), wine)
        try:
            if not session.start_x():
                return SKIP
            run(session, screenshot_out.resolve())
        except (Failure, subprocess.SubprocessError) as error:
            print(f"FAIL: {error}")
            if session.log.exists():
                print("program output:\n" + session.log.read_text(errors="replace"))
            return 1
        finally:
            session.stop()
    print(f"passed in {time.monotonic() - started:.1f} s; screenshot {screenshot_out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
