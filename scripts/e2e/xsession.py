"""A private X server (Xvfb) and the means to look at and drive a program on it.

Windows are found by the process id Qt records on them (_NET_WM_PID) and driven
with xdotool through the XTEST extension, as a person at the keyboard would.
Screenshots come from ImageMagick's import; pixel probes read them back as raw
RGB through convert.
"""

import os
import select
import shutil
import subprocess
import time

WAIT = 30.0          # generous ceiling for every wait; normal waits end far sooner
POLL = 0.05


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
             '%dx%dx24' % (self.width, self.height), '-nolisten', 'tcp', '-noreset'],
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
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
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

    def press(self, window, key):
        """Give the window the keyboard and press a key (Return, Escape...)."""
        self.xdotool('mousemove', '--sync', str(window.x + window.width // 2),
                     str(window.y + 2))
        self.xdotool('windowfocus', '--sync', window.wid, check=False)
        self.xdotool('key', '--clearmodifiers', key)

    def click(self, window, x, y):
        """Click at window coordinates."""
        self.xdotool('mousemove', '--sync', str(window.x + x), str(window.y + y))
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
