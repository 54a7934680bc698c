"""A private X server (Xvfb) and the means to look at and drive a program on it.

Windows are found by the process id Qt records on them (_NET_WM_PID) and driven
with xdotool through the XTEST extension, as a person at the keyboard would.
Screenshots come from ImageMagick's import; pixel probes read them back as raw
RGB through convert.
"""

import os
import re
import select
import shutil
import subprocess
import tempfile
import time

WAIT = 30.0          # generous ceiling for every wait; normal waits end far sooner
POLL = 0.05



def terminate(proc):
    """Asks a process to end, and kills it when it has not within 10 s."""
    proc.terminate()
    try:
        proc.wait(10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()

class XError(Exception):
    pass


def missing_tools():
    need = ('Xvfb', 'xdotool', 'import', 'convert')
    return [t for t in need if not shutil.which(t)]


def wait_for(predicate, what, timeout=WAIT, interval=POLL):
    """Poll predicate until it returns a true value, which is returned."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise XError('timed out after %.0f s waiting for %s' % (timeout, what))
        time.sleep(interval)


class Window:
    def __init__(self, wid, x, y, width, height):
        self.wid, self.x, self.y, self.width, self.height = wid, x, y, width, height

    @property
    def size(self):
        return (self.width, self.height)

    def __repr__(self):
        return 'Window(%s, %dx%d+%d+%d)' % (self.wid, self.width, self.height, self.x, self.y)


class XServer:
    def __init__(self, width=1280, height=800, log_path=None):
        self.width, self.height = width, height
        self.log_path = log_path
        self.proc = None
        self.display = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        r, w = os.pipe()
        log = open(self.log_path, 'wb') if self.log_path else subprocess.DEVNULL
        # -displayfd lets the server pick a free display, so tests can run side by side.
        self.proc = subprocess.Popen(
            ['Xvfb', '-displayfd', str(w), '-screen', '0',
             '%dx%dx24' % (self.width, self.height), '-dpi', '96',
             '-nolisten', 'tcp', '-noreset'],
            pass_fds=(w,), stdout=log, stderr=log, stdin=subprocess.DEVNULL)
        os.close(w)
        data = b''
        end = time.monotonic() + WAIT
        while not data.endswith(b'\n'):
            left = end - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                os.close(r)
                self.stop()
                raise XError('Xvfb did not start')
            ready, _, _ = select.select([r], [], [], left)
            if ready:
                chunk = os.read(r, 64)
                if not chunk:
                    break
                data += chunk
        os.close(r)
        self.display = ':' + data.decode().strip()
        return self

    def stop(self):
        if self.proc and self.proc.poll() is None:
            terminate(self.proc)
        self.proc = None

    # --- tools ---------------------------------------------------------------

    def env(self):
        return {'DISPLAY': self.display, 'PATH': os.environ.get('PATH', '/usr/bin:/bin')}

    def run(self, *args, check=True):
        r = subprocess.run(list(args), env=self.env(), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=WAIT)
        if check and r.returncode != 0:
            raise XError('%s failed (%d): %s' % (' '.join(args), r.returncode,
                                                 r.stderr.decode(errors='replace').strip()))
        return r

    def xdotool(self, *args, check=True):
        return self.run('xdotool', *args, check=check).stdout.decode().strip()

    # --- windows -------------------------------------------------------------

    def geometry(self, wid):
        out = self.xdotool('getwindowgeometry', '--shell', wid, check=False)
        values = dict(line.split('=', 1) for line in out.splitlines() if '=' in line)
        try:
            return Window(wid, int(values['X']), int(values['Y']),
                          int(values['WIDTH']), int(values['HEIGHT']))
        except (KeyError, ValueError):
            return None

    def windows(self, pid):
        """The mapped top-level windows of a process."""
        r = self.run('xdotool', 'search', '--onlyvisible', '--pid', str(pid), check=False)
        found = []
        for wid in r.stdout.decode().split():
            g = self.geometry(wid)
            if g and g.width > 1 and g.height > 1:
                found.append(g)
        return found

    def wait_window(self, pid, what, accept=lambda w: True, proc=None, timeout=WAIT):
        """Wait for a mapped window of pid that accept() approves."""
        def probe():
            if proc is not None and proc.poll() is not None:
                raise XError('program ended (exit %d) while waiting for %s'
                             % (proc.returncode, what))
            for w in self.windows(pid):
                if accept(w):
                    return w
            return None
        return wait_for(probe, what, timeout)

    # --- input ---------------------------------------------------------------

    def pointer(self):
        out = self.xdotool('getmouselocation', '--shell')
        values = dict(line.split('=', 1) for line in out.splitlines() if '=' in line)
        return int(values['X']), int(values['Y'])

    def move(self, x, y):
        """Move the pointer to screen coordinates and wait until it is there."""
        # xdotool's --sync waits for a motion, so it would hang on a move to where
        # the pointer already is.
        if self.pointer() != (x, y):
            self.xdotool('mousemove', '--sync', str(x), str(y))

    def press(self, window, key):
        """Give the window the keyboard and press a key (Return, Escape...)."""
        self.move(window.x + window.width // 2, window.y + 2)
        self.xdotool('windowfocus', '--sync', window.wid, check=False)
        self.xdotool('key', '--clearmodifiers', key)

    def click(self, window, x, y):
        """Click at window coordinates."""
        self.move(window.x + x, window.y + y)
        time.sleep(0.1)   # let the widget see the pointer enter before the press
        self.xdotool('click', '1')

    # --- pictures ------------------------------------------------------------

    def screenshot(self, path, window=None):
        """Save the screen (or one window's rectangle of it) as PNG."""
        os.makedirs(os.path.dirname(path), exist_ok=True)
        args = ['import', '-display', self.display, '-window', 'root']
        if window is not None:
            args += ['-crop', '%dx%d+%d+%d' % (window.width, window.height, window.x, window.y),
                     '+repage']
        self.run(*(args + [path]))
        return path

    def pixels(self, window, x, y, w, h):
        """RGB triples of a rectangle in window coordinates, row by row."""
        r = self.run('import', '-display', self.display, '-window', 'root',
                     '-crop', '%dx%d+%d+%d' % (w, h, window.x + x, window.y + y),
                     '+repage', '-depth', '8', 'rgb:-')
        data = r.stdout
        return [tuple(data[i:i + 3]) for i in range(0, len(data) - 2, 3)]


def classify(pixels):
    """Counts of roughly white, red, green and dark pixels in a probe."""
    counts = {'white': 0, 'red': 0, 'green': 0, 'dark': 0, 'other': 0}
    for r, g, b in pixels:
        if r > 235 and g > 235 and b > 235:
            counts['white'] += 1
        elif r > 170 and g < 110 and b < 110:
            counts['red'] += 1
        elif g > 120 and g > r + 40 and g > b + 20:
            counts['green'] += 1
        elif r < 90 and g < 90 and b < 90:
            counts['dark'] += 1
        else:
            counts['other'] += 1
    return counts


class MapWatcher:
    """Records every top-level window mapped on the server, however briefly.

    xev reports the root window's substructure events; a window's size at the
    moment it is mapped comes from its last CreateNotify/ConfigureNotify.
    Polling for windows would miss one that is shown and hidden between two
    looks; this does not.
    """

    def __init__(self, server):
        self.server = server
        self.proc = None
        self.output = b''

    def __enter__(self):
        # A file, not a pipe: xev must never block on its output.
        self.file = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(['xev', '-root', '-event', 'substructure'],
                                     env=self.server.env(), stdout=self.file,
                                     stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        # xev says nothing until an event arrives; give it time to select its input.
        time.sleep(0.5)
        if self.proc.poll() is not None:
            raise XError('xev did not start')
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if self.proc is None:
            return self.output
        time.sleep(0.3)   # let the last events reach xev
        terminate(self.proc)
        self.proc = None
        self.file.seek(0)
        self.output = self.file.read()
        self.file.close()
        return self.output

    def mapped(self):
        """(window id, width, height) for each MapNotify seen, in order."""
        sizes = {}
        result = []
        text = self.output.decode(errors='replace')
        for block in text.split('\n\n'):
            block = ' '.join(block.split())
            m = re.search(r'(CreateNotify|ConfigureNotify) event.*? window (0x[0-9a-f]+), '
                          r'\(-?\d+,-?\d+\), width (\d+), height (\d+)', block)
            if m:
                sizes[m.group(2)] = (int(m.group(3)), int(m.group(4)))
                continue
            m = re.search(r'MapNotify event.*? event 0x[0-9a-f]+, window (0x[0-9a-f]+)', block)
            if m:
                w, h = sizes.get(m.group(1), (0, 0))
                result.append((m.group(1), w, h))
        return result


def find_buttons(server, window, y_from):
    """Rectangles (x, y, w, h) of the filled red command buttons below y_from."""
    w, h = window.width, window.height - y_from
    px = server.pixels(window, 0, y_from, w, h)
    red = [[False] * w for _ in range(h)]
    for i, (r, g, b) in enumerate(px):
        red[i // w][i % w] = r > 170 and g < 110 and b < 110
    seen = set()
    boxes = []
    for y in range(h):
        for x in range(w):
            if red[y][x] and (x, y) not in seen:
                stack = [(x, y)]
                seen.add((x, y))
                x0 = x1 = x
                y0 = y1 = y
                count = 0
                while stack:
                    cx, cy = stack.pop()
                    count += 1
                    x0, x1, y0, y1 = min(x0, cx), max(x1, cx), min(y0, cy), max(y1, cy)
                    for nx, ny in ((cx + 1, cy), (cx - 1, cy), (cx, cy + 1), (cx, cy - 1)):
                        if 0 <= nx < w and 0 <= ny < h and red[ny][nx] and (nx, ny) not in seen:
                            seen.add((nx, ny))
                            stack.append((nx, ny))
                if x1 - x0 >= 40 and y1 - y0 >= 20 and count > 0.6 * (x1 - x0) * (y1 - y0):
                    boxes.append((x0, y0 + y_from, x1 - x0 + 1, y1 - y0 + 1))
    return boxes


def outlined_left_of(server, window, box, gap_max=40):
    """The outlined (white) button left of a filled one: (x, y, w, h) or None.

    Follows the row just inside the filled button's top edge leftwards: past
    the white gap, the neighbour's top border is a run of darker pixels.
    """
    x, y, w, h = box
    row_y = y + h // 2
    px = server.pixels(window, 0, row_y, x, 1)
    def edge(p):
        return sum(p) < 3 * 235
    col = x - 1
    while col >= 0 and not edge(px[col]) and x - col <= gap_max:
        col -= 1
    if col < 0 or x - col > gap_max:
        return None
    right = col
    # The left border is the farthest edge pixel before a long white run.
    left = right
    white_run = 0
    col = right - 1
    while col >= 0 and white_run < 60:
        if edge(px[col]):
            left = col
            white_run = 0
        else:
            white_run += 1
        col -= 1
    return (left, y, right - left + 1, h)
