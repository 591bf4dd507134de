#!/usr/bin/env python3
"""Runs the launcher under Wine the way a user would, and records what it did:
the message boxes (exact bytes, through Wine's relay log), the exit code, the
files on the desktop and the command lines our stand-in cmdkey and mstsc
received.

LAUNCHER_EXE may be the 64-bit build or the shipped 32-bit one. The prefix is
a 64-bit one either way: Wine's WoW64 mode hands a 32-bit exe to the 32-bit
loader of wine32, which runs under qemu-i386 here. A 32-bit program finds the
system's programs in syswow64, so the stand-ins go there as well as into
system32.

Every sandbox has its own HOME and WINEPREFIX. A prefix is not booted per
sandbox: one booted template is copied, its large program files hard-linked
(Wine never writes to those) and everything else copied.

Command line:
  harness.py make-template DIR     boot a template prefix into DIR
  harness.py demo TICKET           run a copy named TICKET and tell what happened

Settings come from the environment (CTest passes them): LAUNCHER_EXE,
STANDIN_DIR, E2E_WORK_DIR, E2E_PREFIX_TEMPLATE, FIXTURE_DIR, LAUNCHER_HOST_A..E.
"""

import argparse
import atexit
import os
import re
import shutil
import struct
import subprocess
import tempfile
import threading
import time

WINE = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"  # Debian's wine32: i386, runs under qemu-i386 here
WINESERVER = "/usr/lib/wine/wineserver64"
WINE_FONTS = "/usr/share/wine/fonts"  # Debian's fonts-wine
LOCALE = "ru_RU.UTF-8"
CODE_PAGE = "cp1251"
INFO_CAPTION = "Удаленное подключение"
RUN_TIMEOUT = 60
# Files of these kinds are hard-linked from the template; Wine only reads them.
SHARED_SUFFIXES = (".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".tlb", ".nls",
                   ".ttf", ".fon", ".ds", ".mui", ".com", ".tsp", ".vxd", ".dll16", ".exe16", ".drv16",
                   ".mod16", ".msstyles")


class HarnessError(Exception):
    pass


def setting(name, default=None):
    value = os.environ.get(name, default)
    if value is None:
        raise HarnessError(f"{name} is not set (CTest passes it; see tests/e2e/CMakeLists.txt)")
    return value


def standin_path(name):
    """Our built stand-in program name.exe (cmdkey, mstsc, holder)."""
    return os.path.join(setting("STANDIN_DIR"), name + ".exe")


def host(letter):
    return setting("LAUNCHER_HOST_" + letter)


def fixture(name, **hosts):
    """A fixture file's bytes with @HOST_X@ replaced by the given host names."""
    with open(os.path.join(setting("FIXTURE_DIR"), name), "rb") as f:
        data = f.read()
    for letter, value in hosts.items():
        data = data.replace(f"@HOST_{letter}@".encode(), value.encode())
    return data


def windows_text(text):
    """The launcher's 8-bit form of a text."""
    return text.encode(CODE_PAGE)


def wine_command(program):
    """How to start a Windows program: with the Wine loader of its own
    bitness. (wine64 would hand a 32-bit exe to a start.exe of its own, which
    starts it as a second process: the process we start must be the program.)
    A name that is no Unix file (e.g. "cmd") is one of Wine's own programs."""
    if not os.path.isfile(program):
        return [WINE, program]
    with open(program, "rb") as f:
        header = f.read(4096)
    offset = struct.unpack_from("<I", header, 0x3C)[0]
    if header[:2] != b"MZ" or header[offset:offset + 4] != b"PE\0\0":
        raise HarnessError(f"not a Windows program: {program}")
    machine = struct.unpack_from("<H", header, offset + 4)[0]
    return [WINE32 if machine == 0x14C else WINE, program]


# --- Wine's relay log ------------------------------------------------------

class MessageBox:
    def __init__(self, function, text, caption, style):
        self.function = function
        self.text = text
        self.caption = caption
        self.style = style

    def __repr__(self):
        return (f"MessageBox({self.function}, caption={self.caption.decode(CODE_PAGE, 'replace')!r}, "
                f"text={self.text.decode(CODE_PAGE, 'replace')!r}, style={self.style:#x})")


_CALL = re.compile(rb"Call user32\.(MessageBoxExA|MessageBoxA)\((.*)\) ret=[0-9a-fA-F]+\s*$")
_ESCAPES = {ord("n"): b"\n", ord("r"): b"\r", ord("t"): b"\t", ord('"'): b'"', ord("\\"): b"\\"}


def _relay_arguments(text):
    """Splits a relay argument list into (number, bytes or None) pairs.
    Wine prints a string argument as its address, a space and the string in
    quotes with \\n \\r \\t \\" \\\\ and \\xNN escapes; a cut string is followed
    by "..."."""
    arguments = []
    i = 0
    while i < len(text):
        match = re.compile(rb"[0-9a-fA-F]+").match(text, i)
        if not match:
            raise HarnessError(f"unexpected relay arguments: {text!r}")
        number = int(match.group(), 16)
        i = match.end()
        string = None
        if text[i:i + 2] == b' "':
            i += 2
            out = bytearray()
            while text[i:i + 1] != b'"':
                if i >= len(text):
                    raise HarnessError(f"unterminated string in relay arguments: {text!r}")
                if text[i] == ord("\\"):
                    if text[i + 1] == ord("x"):
                        out.append(int(text[i + 2:i + 4], 16))
                        i += 4
                    else:
                        out += _ESCAPES[text[i + 1]]
                        i += 2
                else:
                    out.append(text[i])
                    i += 1
            i += 1
            if text[i:i + 3] == b"...":
                raise HarnessError("Wine cut a message box string in its relay log; shorten the text")
            string = bytes(out)
        arguments.append((number, string))
        if text[i:i + 1] == b",":
            i += 1
        elif i < len(text):
            raise HarnessError(f"unexpected relay arguments: {text!r}")
    return arguments


def parse_message_boxes(log):
    """The MessageBoxExA/MessageBoxA calls in a relay log, in call order."""
    boxes = []
    for line in log.splitlines():
        match = _CALL.search(line)
        if not match:
            continue
        arguments = _relay_arguments(match.group(2))
        # (owner, text, caption, style[, language])
        boxes.append(MessageBox(match.group(1).decode(), arguments[1][1], arguments[2][1], arguments[3][0]))
    return boxes


# --- the stand-ins' records -------------------------------------------------

class Record:
    """One start of a stand-in: its name, the Windows path of the file that
    ran (image), its raw command line and argv (all bytes but the name)."""

    def __init__(self, program, image, command_line, argv):
        self.program = program
        self.image = image
        self.command_line = command_line
        self.argv = argv

    @property
    def arguments(self):
        return self.argv[1:]

    @property
    def parameters(self):
        """The command line after the program and the one space the shell puts
        after it: the parameter string exactly as the launcher passed it."""
        line = self.command_line
        if line.startswith(b'"'):
            end = line.index(b'"', 1) + 1
        else:
            end = len(line.split(b" ", 1)[0])
        return line[end + 1:]

    def __repr__(self):
        return f"Record({self.program}, {self.image!r}, {self.command_line!r})"


def _unescape(field):
    return re.sub(rb"\\(\\|x[0-9A-F]{2})",
                  lambda m: b"\\" if m.group(1) == b"\\" else bytes([int(m.group(1)[1:], 16)]), field)


def parse_records(data):
    records = []
    for line in data.split(b"\n"):
        if not line:
            continue
        fields = [_unescape(f) for f in line.split(b"\t")]
        records.append(Record(fields[0].decode(), fields[1], fields[2], fields[3:]))
    return records


# --- X display ----------------------------------------------------------------

class Display:
    """A private Xvfb server for the message boxes."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    self.process.kill()
                    raise HarnessError("Xvfb did not start")
                number += chunk
        self.name = ":" + number.decode().strip()

    def visible_windows(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                               env=dict(os.environ, DISPLAY=self.name),
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return found.stdout.split()

    def window_title(self, window):
        found = subprocess.run(["xdotool", "getwindowname", window], env=dict(os.environ, DISPLAY=self.name),
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return found.stdout.decode("utf-8", "replace").strip()

    def capture(self, window, path):
        """Saves the window's picture (its own pixels, frame included) as PNG."""
        subprocess.run(["import", "-window", window, "png:" + path], env=dict(os.environ, DISPLAY=self.name),
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=True)

    def press_return(self, window):
        subprocess.run(["xdotool", "key", "--window", window, "Return"], env=dict(os.environ, DISPLAY=self.name),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        self.process.terminate()
        self.process.wait()


class BoxCloser(threading.Thread):
    """Presses Return on every window that shows up, as a user closing each
    box would, so that no run waits for a person. on_window(display, window,
    title), when given, sees each new window first."""

    def __init__(self, display, on_window=None):
        super().__init__(daemon=True)
        self.display = display
        self.on_window = on_window
        self.titles = []
        self.error = None
        self.stopping = threading.Event()

    def run(self):
        seen = set()
        while not self.stopping.wait(0.2):
            for window in self.display.visible_windows():
                if window not in seen:
                    seen.add(window)
                    title = self.display.window_title(window)
                    self.titles.append(title)
                    if self.on_window and not self.error:
                        try:
                            self.on_window(self.display, window, title)
                        except Exception as error:  # raised again by Sandbox.run
                            self.error = error
                self.display.press_return(window)

    def stop(self):
        self.stopping.set()
        self.join()


# --- prefixes -------------------------------------------------------------------

def wine_environment(home, prefix, display=None):
    env = {key: value for key, value in os.environ.items()
           if not key.startswith(("LC_", "WINE", "DISPLAY", "STANDIN", "MSTSC_", "CMDKEY_"))}
    env.update(HOME=home, WINEPREFIX=prefix, LANG=LOCALE, LC_ALL=LOCALE, WINEDEBUG="-all",
               # No downloads or install dialogs for .NET and HTML engines.
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if display:
        env["DISPLAY"] = display
    return env


def reg_string(text):
    """A value or key name as Wine's registry files write it."""
    out = []
    for c in text:
        if c in '\\"':
            out.append("\\" + c)
        elif " " <= c <= "~":
            out.append(c)
        else:
            out.append("\\x%04x" % ord(c))
    return "".join(out)


def append_registry(prefix, key, values):
    """Adds values under a key of the current user (Wine not running)."""
    lines = [f"\n[{reg_string(key)}] {int(time.time())}\n"]
    lines += [f'"{reg_string(name)}"="{reg_string(value)}"\n' for name, value in values.items()]
    with open(os.path.join(prefix, "user.reg"), "a", encoding="ascii") as f:
        f.writelines(lines)


def install_wine_fonts(prefix):
    """Wine's own fonts (Tahoma for the boxes, Marlett for the caption
    buttons) where Windows programs find them: this Wine's boot leaves the
    prefix's font folder empty, and the boxes then fall back to other fonts."""
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    if os.path.isdir(WINE_FONTS):
        for name in os.listdir(WINE_FONTS):
            if not os.path.exists(os.path.join(fonts, name)):
                shutil.copyfile(os.path.join(WINE_FONTS, name), os.path.join(fonts, name))


def make_template(directory):
    """Boots a prefix with the relay settings for message boxes."""
    directory = os.path.abspath(directory)
    os.makedirs(directory, exist_ok=True)
    home = os.path.join(directory, "home")
    prefix = os.path.join(directory, "prefix")
    os.makedirs(home, exist_ok=True)
    env = wine_environment(home, prefix)
    subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=300, check=True)
    # The registry is on disk only once the server has ended.
    subprocess.run([WINESERVER, "-w"], env=env, timeout=120, check=True)
    append_registry(prefix, r"Software\Wine\Debug",
                    {"RelayInclude": "user32.MessageBoxExA;user32.MessageBoxA"})
    # Xvfb has no window manager; Wine's managed windows wait seconds for one
    # each time a box closes.
    append_registry(prefix, r"Software\Wine\X11 Driver", {"Managed": "N"})
    install_wine_fonts(prefix)
    with open(os.path.join(directory, "ready"), "w") as f:
        f.write(home)


def _copy_prefix(source, target):
    os.makedirs(target)
    for folder, subfolders, files in os.walk(source):
        destination = os.path.join(target, os.path.relpath(folder, source))
        for name in subfolders + files:
            path = os.path.join(folder, name)
            copy = os.path.join(destination, name)
            if os.path.islink(path):
                os.symlink(os.readlink(path), copy)
            elif os.path.isdir(path):
                os.mkdir(copy)
                shutil.copystat(path, copy)
            elif name.lower().endswith(SHARED_SUFFIXES):
                os.link(path, copy)
            else:
                shutil.copy2(path, copy)
        subfolders[:] = [name for name in subfolders if not os.path.islink(os.path.join(folder, name))]


class Template:
    """A booted prefix to copy from: the one CTest prepared, or our own."""

    _own = None

    @classmethod
    def get(cls):
        directory = os.environ.get("E2E_PREFIX_TEMPLATE")
        if directory and os.path.exists(os.path.join(directory, "ready")):
            return cls(directory)
        if cls._own is None:
            directory = tempfile.mkdtemp(prefix="e2e-template-", dir=work_root())
            atexit.register(shutil.rmtree, directory, True)
            make_template(directory)
            cls._own = cls(directory)
        return cls._own

    def __init__(self, directory):
        self.prefix = os.path.join(directory, "prefix")
        with open(os.path.join(directory, "ready")) as f:
            self.home = f.read()


def work_root():
    # Under the build folder by default: chattr needs a real file system.
    root = os.environ.get("E2E_WORK_DIR") or tempfile.gettempdir()
    os.makedirs(root, exist_ok=True)
    return root


_display = None


def shared_display():
    global _display
    if _display is None:
        _display = Display()
        atexit.register(_display.close)
    return _display


class RunResult:
    def __init__(self, exit_code, boxes, desktop, records, window_titles, while_running):
        self.exit_code = exit_code
        self.boxes = boxes
        self.desktop = desktop
        self.records = records
        self.window_titles = window_titles
        self.while_running = while_running

    def records_of(self, program):
        return [record for record in self.records if record.program == program]


class Sandbox:
    """One test's own HOME and WINEPREFIX with the stand-ins installed."""

    def __init__(self, standins=("cmdkey", "mstsc")):
        template = Template.get()
        self.root = tempfile.mkdtemp(prefix="e2e-", dir=work_root())
        self.home = os.path.join(self.root, "home")
        self.prefix = os.path.join(self.root, "prefix")
        self.log = os.path.join(self.root, "standins.log")
        self.relay_log = os.path.join(self.root, "relay.log")
        self._immutable = []
        self._holders = []
        self.launcher_pid = None
        try:
            self._populate(template, standins)
        except BaseException:
            self.close()
            raise

    def _populate(self, template, standins):
        shutil.copytree(template.home, self.home, symlinks=True)
        _copy_prefix(template.prefix, self.prefix)
        # The user's folders (Desktop among them) lead to this sandbox's HOME.
        users = os.path.join(self.prefix, "drive_c", "users")
        for folder, subfolders, files in os.walk(users):
            for name in subfolders + files:
                path = os.path.join(folder, name)
                if os.path.islink(path) and os.readlink(path).startswith(template.home):
                    target = self.home + os.readlink(path)[len(template.home):]
                    os.unlink(path)
                    os.symlink(target, path)
        self.desktop_windows = self._registry_desktop()
        self.desktop = self.unix_path(self.desktop_windows)
        for name in standins:
            self.install_program(name)

    # Paths ---------------------------------------------------------------

    def _registry_desktop(self):
        with open(os.path.join(self.prefix, "user.reg"), encoding="ascii") as f:
            text = f.read()
        section = text.split("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]", 1)[1]
        match = re.search(r'^"Desktop"="(.*)"$', section, re.M)
        return match.group(1).replace("\\\\", "\\")

    def unix_path(self, windows_path):
        """Where a C: path of this prefix lives on the Unix side."""
        drive, rest = windows_path.split(":", 1)
        if drive.lower() != "c":
            raise HarnessError(f"only C: paths are mapped: {windows_path}")
        return os.path.join(self.prefix, "drive_c", *[part for part in rest.split("\\") if part])

    @staticmethod
    def windows_path(unix_path):
        """A Unix path as Windows programs under Wine reach it (drive Z:)."""
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    # Setup -----------------------------------------------------------------

    def install_program(self, name):
        """Our stand-in for a system program, where 64-bit programs (system32)
        and 32-bit ones (syswow64) find it."""
        for folder in ("system32", "syswow64"):
            directory = os.path.join(self.prefix, "drive_c", "windows", folder)
            if os.path.isdir(directory):
                self.plant(directory, name + ".exe", source=standin_path(name))

    def plant(self, folder, name, source=None, data=b""):
        """Puts a file named name into folder (a Unix path: e.g. the copy's own
        folder, os.path.dirname(copy), or a working folder for run(cwd=...)),
        creating the folder. It is a copy of source when given, else holds
        data. Returns its path."""
        os.makedirs(folder, exist_ok=True)
        target = os.path.join(folder, name)
        # Never write through a link into the template.
        if os.path.lexists(target):
            os.unlink(target)
        if source is None:
            with open(target, "wb") as f:
                f.write(data)
        else:
            shutil.copyfile(source, target)
        return target

    def set_windows_version(self, version):
        """Wine's name of a Windows version, e.g. "winxp64" (major version 5)."""
        append_registry(self.prefix, r"Software\Wine", {"Version": version})

    def set_desktop(self, windows_path):
        """Moves the user's desktop to another C: folder, created here. Any
        Unicode path works (e.g. C:\\users\\Әлия\\Desktop, outside code page
        1251): the registry file holds it escaped."""
        for key in ("Shell Folders", "User Shell Folders"):
            append_registry(self.prefix, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\" + key,
                            {"Desktop": windows_path})
        self.desktop_windows = windows_path
        self.desktop = self.unix_path(windows_path)
        os.makedirs(self.desktop, exist_ok=True)

    def place_launcher(self, file_name, folder="apps"):
        """A copy of the launcher named file_name in a folder of the sandbox.
        The name may hold any Unicode (e.g. a fullwidth quote ＂): Windows
        programs see the folder's UTF-8 names as those characters."""
        directory = os.path.join(self.root, folder)
        os.makedirs(directory, exist_ok=True)
        path = os.path.join(directory, file_name)
        shutil.copyfile(setting("LAUNCHER_EXE"), path)
        return path

    def put_on_desktop(self, name, data=b""):
        path = os.path.join(self.desktop, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def make_immutable(self, path):
        subprocess.run(["chattr", "+i", path], check=True)
        self._immutable.append(path)

    def hold_open(self, path, timeout=RUN_TIMEOUT):
        """Starts our holder program on a file: it keeps the file open without
        sharing until release_holders()."""
        ready = os.path.join(self.root, f"holder-{len(self._holders)}.ready")
        release = os.path.join(self.root, f"holder-{len(self._holders)}.release")
        process = subprocess.Popen(
            [*wine_command(standin_path("holder")), self.windows_path(path),
             self.windows_path(ready), self.windows_path(release), str(timeout)],
            env=wine_environment(self.home, self.prefix, shared_display().name),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._holders.append((process, release))
        deadline = time.monotonic() + timeout
        while not os.path.exists(ready):
            if process.poll() is not None or time.monotonic() > deadline:
                raise HarnessError(f"the holder could not open {path}")
            time.sleep(0.05)

    def release_holders(self):
        for process, release in self._holders:
            open(release, "w").close()
            process.wait(timeout=RUN_TIMEOUT)
        self._holders = []

    def unix_file(self, windows_path):
        """The Unix path of the file a Windows path leads to in this prefix,
        as Wine resolves it (short 8.3 forms too), or None when no file is
        there. windows_path: a str, or bytes in the ANSI code page as a
        stand-in recorded them (say, the path mstsc received; quotes around
        it are dropped). Tells whether the client finds a file; compare the
        result with os.path.samefile (it leads through dosdevices)."""
        if isinstance(windows_path, bytes):
            windows_path = windows_path.decode(CODE_PAGE)
        done = self.run_program("winepath", ["-u", windows_path.strip('"')])
        path = done.stdout.decode("utf-8", "surrogateescape").rstrip("\n")
        return path if done.returncode == 0 and os.path.isfile(path) else None

    def client_parameter(self, display_name):
        """What mstsc must receive: the quoted full path of the desktop file
        (for a desktop path in code page 1251; otherwise see unix_file)."""
        return windows_text(f'"{self.desktop_windows}\\{display_name}.rdp"')

    # Running ---------------------------------------------------------------

    def desktop_files(self):
        """Name -> bytes of every file on the desktop (Wine's own dot-folders
        in HOME are folders, so they do not count)."""
        files = {}
        if os.path.isdir(self.desktop):
            for name in os.listdir(self.desktop):
                path = os.path.join(self.desktop, name)
                if os.path.isfile(path):
                    with open(path, "rb") as f:
                        files[name] = f.read()
        return files

    def records(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, "rb") as f:
            return parse_records(f.read())

    def clear_run_traces(self):
        """An empty desktop and stand-in log, so the next run in this sandbox
        shows only what it did itself."""
        for name in self.desktop_files():
            os.unlink(os.path.join(self.desktop, name))
        if os.path.exists(self.log):
            os.unlink(self.log)

    def run_program(self, program, arguments, timeout=RUN_TIMEOUT):
        """Runs another Windows program (a console one: its output is
        captured) in this sandbox's prefix, without the stand-ins' settings."""
        env = wine_environment(self.home, self.prefix, shared_display().name)
        return subprocess.run([*wine_command(program), *arguments], env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=timeout)

    def run(self, launcher, while_client_runs=None, timeout=RUN_TIMEOUT, on_box=None, cwd=None):
        """Runs the launcher copy and returns what happened. With
        while_client_runs, the stand-in client waits until that function has
        looked at the sandbox; its return value lands in while_running.
        Meanwhile launcher_pid is the Unix process that runs the copy.
        on_box(display, window, title) sees every box before it is closed.
        cwd: the working folder the copy starts in (a Unix path; Wine makes it
        the Windows current folder), by default the copy's own folder."""
        display = shared_display()
        env = wine_environment(self.home, self.prefix, display.name)
        env.update(WINEDEBUG="+relay", STANDIN_LOG=self.windows_path(self.log))
        release = os.path.join(self.root, "client.release")
        if while_client_runs:
            env.update(MSTSC_RELEASE=self.windows_path(release), STANDIN_TIMEOUT=str(timeout))
        closer = BoxCloser(display, on_box)
        closer.start()
        observed = None
        try:
            with open(self.relay_log, "wb") as relay:
                process = subprocess.Popen(wine_command(launcher), env=env, stdout=subprocess.DEVNULL, stderr=relay,
                                           cwd=cwd or os.path.dirname(launcher))
                # The loader of its bitness runs the program in this very process.
                self.launcher_pid = process.pid
                deadline = time.monotonic() + timeout
                if while_client_runs:
                    while not any(r.program == "mstsc" for r in self.records()):
                        if process.poll() is not None:
                            raise HarnessError("the launcher ended without starting the client")
                        if time.monotonic() > deadline:
                            raise HarnessError("the client was not started in time")
                        time.sleep(0.05)
                    try:
                        observed = while_client_runs(self, process.poll() is None)
                    finally:
                        open(release, "w").close()
                try:
                    exit_code = process.wait(timeout=max(1, deadline - time.monotonic()))
                except subprocess.TimeoutExpired:
                    self.kill_wine()
                    process.wait()
                    raise HarnessError(f"the launcher did not end within {timeout} s")
        finally:
            self.launcher_pid = None
            closer.stop()
        if closer.error:
            raise closer.error
        with open(self.relay_log, "rb") as f:
            boxes = parse_message_boxes(f.read())
        return RunResult(exit_code, boxes, self.desktop_files(), self.records(), closer.titles, observed)

    def wineserver_pid(self):
        """The Unix process of this prefix's Wine server, None when none runs."""
        wanted = b"WINEPREFIX=" + self.prefix.encode() + b"\0"
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    program = f.read().split(b"\0")[0]
                with open(f"/proc/{pid}/environ", "rb") as f:
                    environment = f.read()
            except OSError:
                continue
            if program == WINESERVER.encode() and wanted in environment:
                return int(pid)
        return None

    def kill_wine(self):
        env = wine_environment(self.home, self.prefix)
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=env, stderr=subprocess.DEVNULL, timeout=60)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        for process, release in self._holders:
            open(release, "w").close()
            process.kill()
        self.kill_wine()
        for path in self._immutable:
            subprocess.run(["chattr", "-i", path])
        shutil.rmtree(self.root, ignore_errors=True)


# --- command line ---------------------------------------------------------------

def _show(data):
    return data.decode(CODE_PAGE, "replace")


def demo(ticket):
    with Sandbox() as sandbox:
        launcher = sandbox.place_launcher(ticket)
        print(f"Running a copy of the launcher named {ticket} under Wine, with stand-in")
        print("cmdkey and mstsc programs that record how they were called.")
        print(f"The user's desktop folder is {sandbox.desktop_windows}.")
        result = sandbox.run(launcher)
        print()
        for box in result.boxes:
            print(f"It showed the message box \"{_show(box.caption)}\" (style {box.style:#x}):")
            for line in re.split(r"\r\n|\n\r|\n", _show(box.text)):
                print("    " + line)
        if not result.boxes:
            print("It showed no message box.")
        for record in result.records:
            print(f"It started {record.program} with the command line: {_show(record.command_line)}")
            print(f"    which the program split into: {[_show(a) for a in record.arguments]}")
        if not result.records:
            print("It started no program.")
        for name, data in sorted(result.desktop.items()):
            lines = data.split(b"\r\n")
            ending = "each ending in CR LF" if lines[-1] == b"" else "the last one without CR LF"
            print(f"It wrote {sandbox.desktop_windows}\\{name}: {len(data)} bytes, "
                  f"{len(lines) - (lines[-1] == b'')} lines {ending}:")
            for line in lines[:-1] if lines[-1] == b"" else lines:
                print("    " + _show(line))
        if not result.desktop:
            print("It wrote nothing to the desktop.")
        print(f"It ended with exit code {result.exit_code}.")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    template = commands.add_parser("make-template", help="boot a template prefix")
    template.add_argument("directory")
    run = commands.add_parser("demo", help="run a copy of the launcher named with a ticket")
    run.add_argument("ticket")
    arguments = parser.parse_args()
    if arguments.command == "make-template":
        shutil.rmtree(arguments.directory, ignore_errors=True)
        make_template(arguments.directory)
    else:
        demo(arguments.ticket)


if __name__ == "__main__":
    main()
