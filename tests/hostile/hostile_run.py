#!/usr/bin/env python3
"""Hostile input through the real uninstaller, under a private Xvfb.

Each case stages a sandbox (scripts/e2e/sandbox.py), spoils one input (the
AppConfig.xml beside the program, the registry entry's installpath, or the
install tree), runs bin/Uninstall from its sandbox copy and answers it as a
user would. It checks that the program did not crash, that it touched
nothing but the product, and that its outcome is clear: the usual warning,
or the completion page, which lists what was left behind.

The program always runs in a private mount namespace in which only the
sandbox is writable (hostile_confine.py), so even a broken safety rule cannot
remove anything outside it.

    hostile_run.py CASE --build BUILD_DIR [--work DIR] [--shots DIR]

Exit status: 0 passed, 1 failed, 77 skipped.
"""

import argparse
import os
import random
import resource
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'scripts', 'e2e'))
import sandbox  # noqa: E402
import xsession as xs  # noqa: E402
from harness import SKIP, BaseContext, Failure, Skip, check, run_case  # noqa: E402,F401

SKIP = 77
# The deep trees below are walked by the sandbox's recursive snapshot.
sys.setrecursionlimit(20000)

MAIN_SIZE = (744, 504)
WARNING_SIZE = (400, 200)
CONFIRM_SIZE = (480, 240)
COMPLETED_BTN = (12 + 720 - 36 - 44, 12 + 480 - 24 - 16)
COMPLETED_PROBE = (COMPLETED_BTN[0] - 30, COMPLETED_BTN[1] - 8, 60, 16)
# The message row of the completion page: a green mark and text when all is
# gone, orange-red text and a list below it when something stayed.
OUTCOME_PROBE = (12 + 36, 12 + 340, 720 - 72, 50)

# Limits for a bounded parse of AppConfig.xml (CPU time, not wall time, so a
# busy machine does not matter; an unbounded expansion needs minutes and GBs).
BOMB_CPU_S = 2.0
BOMB_RSS_MB = 200


def usual_limits():
    # The open-file limit most sessions get; a generous one on a test machine
    # would hide a removal that keeps a descriptor per folder level.
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    limit = 1024 if hard == resource.RLIM_INFINITY else min(1024, hard)
    resource.setrlimit(resource.RLIMIT_NOFILE, (limit, hard))


def rel(m, path):
    return os.path.relpath(path, m['root'])


class Case:
    def __init__(self, ctx, name, **stage_args):
        self.ctx = ctx
        self.name = name
        self.root = os.path.join(ctx.work, name)
        self.m = sandbox.stage(self.root, ctx.bin_dir, **stage_args)
        self.proc = None
        self.usage = None
        self.allow_outside_path = False
        self.shot = 0

    # --- the world ------------------------------------------------------------

    def write_config(self, data):
        with open(os.path.join(self.m['program_dir'], 'AppConfig.xml'), 'wb') as f:
            f.write(data)

    def config_xml(self, **values):
        m = self.m
        fields = {'GUID': m['guid'], 'ProgramName': m['program_name'],
                  'SoftwareNameEN': m['name_en'], 'SoftwareNameCH': m['name_ch'],
                  'InstallPath': os.path.dirname(m['install_dir']) + '/'}
        fields.update(values)
        body = ''.join('  <%s>%s</%s>\n' % (k, sandbox._xml_escape(v), k)
                       for k, v in fields.items())
        return ('<?xml version="1.0" encoding="UTF-8"?>\n<AppConfig>\n%s</AppConfig>\n'
                % body).encode('utf-8')

    def write_entry(self, installpath_line):
        """Rewrite the product's registry entry with a raw installpath line."""
        with open(self.m['registry_entry'], 'w', encoding='utf-8', errors='surrogateescape') as f:
            f.write('[General]\n%s\nDisplayName=%s\nDisplayVersion=3.2.1\n'
                    % (installpath_line, self.m['name_en']))

    def resnapshot(self):
        self.m['snapshot'] = sandbox.snapshot(self.m)

    # --- running ----------------------------------------------------------------

    def env(self):
        env = dict(self.m['env'])
        env.update(DISPLAY=self.ctx.x.display, PATH='/usr/bin:/bin', QT_QPA_PLATFORM='xcb')
        check(sandbox.is_inside(self.m['root'], self.ctx.work), 'sandbox outside the work folder')
        problems = sandbox.confinement_problems(self.m, env)
        if self.allow_outside_path:
            # The installpath names a place outside on purpose; the mount
            # namespace below keeps the run from reaching it.
            problems = [p for p in problems if not p.startswith('registry installpath')]
        check(not problems, 'not confined: ' + '; '.join(problems))
        return env

    def start(self):
        env = self.env()
        self.log = open(self.root + '.log', 'wb')
        confine = [shutil.which('unshare'), '--mount', '--propagation', 'private',
                   sys.executable, os.path.join(HERE, 'hostile_confine.py'), self.m['root'], '--']
        self.proc = subprocess.Popen(confine + [self.m['program']], cwd=self.m['root'], env=env,
                                     stdin=subprocess.DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT, preexec_fn=usual_limits)
        self.ctx.children.append(self.proc)

    def wait_exit(self, timeout=xs.WAIT):
        end = time.monotonic() + timeout
        while True:
            pid, status, usage = os.wait4(self.proc.pid, os.WNOHANG)
            if pid == self.proc.pid:
                break
            if time.monotonic() > end:
                raise Failure('%s: the program did not end within %.0f s' % (self.name, timeout))
            time.sleep(0.05)
        self.proc.returncode = os.waitstatus_to_exitcode(status)
        self.usage = usage
        self.log.close()
        rc = self.proc.returncode
        check(rc != 70, '%s: the run could not be confined:\n%s' % (self.name, self.program_log()))
        check(rc >= 0, '%s: the program crashed (signal %d)\n%s' % (self.name, -rc,
                                                                    self.program_log()))
        return rc

    def program_log(self):
        try:
            with open(self.root + '.log', encoding='utf-8', errors='replace') as f:
                return f.read()[-2000:]
        except OSError:
            return ''

    def alive(self):
        return self.proc.poll() is None

    def wait_dialog(self, what):
        try:
            return self.ctx.x.wait_window(self.proc.pid, what, accept=lambda w: w.size != MAIN_SIZE,
                                          proc=self.proc)
        except xs.XError as e:
            raise Failure('%s: %s\n%s' % (self.name, e, self.program_log()))

    def screenshot(self, label, window):
        self.ctx.x.xdotool('mousemove', '--sync', '0', '0')
        time.sleep(0.2)
        self.shot += 1
        path = os.path.join(self.ctx.shots, self.name, '%02d-%s.png' % (self.shot, label))
        self.ctx.x.screenshot(path, window)

    # --- the two flows --------------------------------------------------------

    def expect_warning(self):
        """The usual refusal: one warning, -1, nothing touched."""
        self.start()
        dialog = self.wait_dialog('the warning')
        check(dialog.size == WARNING_SIZE, '%s: expected the warning (%dx%d), got %r'
              % (self.name, WARNING_SIZE[0], WARNING_SIZE[1], dialog))
        self.screenshot('warning', dialog)
        self.ctx.x.press(dialog, 'Return')
        rc = self.wait_exit()
        check(rc == 255, '%s: exit code %d after the warning, expected -1 (255)\n%s'
              % (self.name, rc, self.program_log()))
        s = sandbox.inspect(self.m)
        check(not (s['removed'] or s['changed'] or s['added']),
              '%s: the refused run touched the disk: removed %s changed %s added %s'
              % (self.name, s['removed'][:5], s['changed'][:5], s['added'][:5]))

    def expect_run(self, outcome):
        """Confirm, run to the completion page, check it shows outcome ('clean' or
        'leftover'), finish with its button: exit 0."""
        self.start()
        dialog = self.wait_dialog('the confirmation')
        check(dialog.size == CONFIRM_SIZE, '%s: expected the confirmation, got %r\n%s'
              % (self.name, dialog, self.program_log()))
        self.ctx.x.press(dialog, 'Return')
        x = self.ctx.x
        try:
            window = x.wait_window(self.proc.pid, 'the main window',
                                   accept=lambda w: w.size == MAIN_SIZE, proc=self.proc)
            xs.wait_for(lambda: self.completion_shown(window), 'the completion page', timeout=120)
        except xs.XError as e:
            raise Failure('%s: %s\n%s' % (self.name, e, self.program_log()))
        self.screenshot('completed', window)
        seen = xs.classify(x.pixels(window, *OUTCOME_PROBE))
        shown = 'clean' if seen['green'] > 200 and seen['red'] < 50 else \
            'leftover' if seen['red'] > 200 and seen['green'] < 50 else 'unclear %r' % seen
        check(shown == outcome, '%s: the completion page shows %s, expected %s'
              % (self.name, shown, outcome))
        x.click(window, *COMPLETED_BTN)
        rc = self.wait_exit()
        check(rc == 0, '%s: exit code %d after the run, expected 0\n%s'
              % (self.name, rc, self.program_log()))

    def completion_shown(self, window):
        if not self.alive():
            raise Failure('%s: the program ended (exit %s) before the completion page\n%s'
                          % (self.name, self.proc.poll(), self.program_log()))
        p = xs.classify(self.ctx.x.pixels(window, *COMPLETED_PROBE))
        return p['red'] > 0.5 * COMPLETED_PROBE[2] * COMPLETED_PROBE[3]

    # --- the disk afterwards ----------------------------------------------------

    def expect_disk(self, removed=(), kept=(), may_change=()):
        """removed: paths (or folders) that must be gone and are all that may go,
        besides the registry entry; kept: paths that must still be there."""
        m = self.m
        s = sandbox.inspect(m)
        gone_prefixes = [rel(m, p) for p in removed]
        entry = rel(m, m['registry_entry'])

        def allowed(r):
            return r == entry or any(r == g or r.startswith(g + '/') for g in gone_prefixes)
        extra = [r for r in s['removed'] if not allowed(r)]
        check(not extra, '%s: removed what it must not: %s' % (self.name, extra[:8]))
        check(not s['kept_missing'], '%s: unrelated files gone: %s' % (self.name, s['kept_missing']))
        for p in removed:
            check(not os.path.lexists(p), '%s: not removed: %s' % (self.name, rel(m, p)))
        for p in kept:
            check(os.path.lexists(p), '%s: gone although it must stay: %s' % (self.name, rel(m, p)))
        changes = set(s['changed']) - {entry} - set(rel(m, p) for p in may_change)
        check(not changes, '%s: changed: %s' % (self.name, sorted(changes)[:8]))
        check(not s['added'], '%s: new files: %s' % (self.name, s['added'][:8]))
        check(not s['entry_values'], '%s: the registry entry still holds %s'
              % (self.name, s['entry_values']))

    def uninstalled(self, extra_removed=(), keep_install=False, keep_shortcuts=(), kept=()):
        m = self.m
        shortcuts = [p for p in m['shortcuts'] if p not in keep_shortcuts]
        removed = list(shortcuts) + list(extra_removed)
        keep = list(kept) + list(keep_shortcuts)
        if keep_install:
            keep.append(m['install_dir'])
        else:
            removed.append(m['install_dir'])
        self.expect_disk(removed=removed, kept=keep)


# --- AppConfig.xml -------------------------------------------------------------

def case_config_bomb(ctx):
    """Nested entities that expand to gigabytes: a bounded parse, the warning."""
    c = Case(ctx, 'config_bomb')
    ents = ['<!ENTITY a0 "%s">' % ('x' * 64)]
    for i in range(1, 12):
        ents.append('<!ENTITY a%d "%s">' % (i, ('&a%d;' % (i - 1)) * 10))
    doc = ('<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE AppConfig [\n%s\n]>\n'
           '<AppConfig>\n  <GUID>&a11;</GUID>\n  <ProgramName>&a11;</ProgramName>\n'
           '  <SoftwareNameEN>&a11;</SoftwareNameEN>\n</AppConfig>\n' % '\n'.join(ents))
    c.write_config(doc.encode())
    c.resnapshot()
    c.expect_warning()
    cpu = c.usage.ru_utime + c.usage.ru_stime
    rss_mb = c.usage.ru_maxrss / 1024.0
    print('config_bomb: cpu %.2f s, peak RSS %.0f MB' % (cpu, rss_mb))
    check(cpu < BOMB_CPU_S, 'the entity bomb took %.1f s of CPU (limit %.0f s)' % (cpu, BOMB_CPU_S))
    check(rss_mb < BOMB_RSS_MB, 'the entity bomb took %.0f MB (limit %d MB)' % (rss_mb, BOMB_RSS_MB))


def case_config_huge(ctx):
    """A 50 MB AppConfig.xml: no crash; the oversized file is not trusted."""
    c = Case(ctx, 'config_huge')
    head = c.config_xml()
    pad = b'  <Pad>' + b'p' * 80 + b'</Pad>\n'
    body = head.replace(b'</AppConfig>\n', b'')
    count = (50 * 1024 * 1024 - len(body)) // len(pad) + 1
    with open(os.path.join(c.m['program_dir'], 'AppConfig.xml'), 'wb') as f:
        f.write(body)
        for _ in range(count // 1000 + 1):
            f.write(pad * 1000)
        f.write(b'</AppConfig>\n')
    check(os.path.getsize(os.path.join(c.m['program_dir'], 'AppConfig.xml')) >= 50 * 1024 * 1024,
          'the file is not 50 MB')
    c.resnapshot()
    c.expect_warning()
    print('config_huge: cpu %.2f s, peak RSS %.0f MB'
          % (c.usage.ru_utime + c.usage.ru_stime, c.usage.ru_maxrss / 1024.0))


def case_config_binary(ctx):
    """Random bytes in place of the XML: the not-installed warning."""
    c = Case(ctx, 'config_binary')
    rnd = random.Random(5)
    c.write_config(bytes(rnd.randrange(256) for _ in range(64 * 1024)))
    c.resnapshot()
    c.expect_warning()


def case_config_bad_utf8(ctx):
    """Invalid UTF-8 in a document that declares UTF-8: no crash, the warning."""
    c = Case(ctx, 'config_bad_utf8')
    doc = c.config_xml().replace(c.m['guid'].encode(), c.m['guid'].encode() + b'\xff\xfe\xc3(')
    c.write_config(doc.replace(b'<SoftwareNameEN>', b'<SoftwareNameEN>\xed\xa0\x80\xc0\xaf'))
    c.resnapshot()
    c.expect_warning()


def case_config_guid_dots(ctx):
    """GUID "..\\..\\x" stays one name below the Uninstall key: the entries it
    would climb to are never read or cleared."""
    guid = '..\\..\\x'
    c = Case(ctx, 'config_guid_dots')
    m = c.m
    config_home = m['env']['XDG_CONFIG_HOME']
    key = sandbox.UNINSTALL_KEY
    # Where a program resolving the dots would look: two keys up, and the
    # Uninstall key itself.
    baits = [sandbox.registry_file(config_home, key[:-2] + ('x',)),
             sandbox.registry_file(config_home, key[:-1] + ('x',)),
             sandbox.registry_file(config_home, key)]
    for p in baits:
        sandbox._write(p, '[General]\ninstallpath=%s\nDisplayName=bait\n' % m['install_dir'])
    c.write_config(c.config_xml(GUID=guid))
    c.resnapshot()
    c.expect_warning()

    # Now with an entry under the name the key path really has: the run
    # removes the product and clears that entry only.
    c2 = Case(ctx, 'config_guid_dots_entry')
    m2 = c2.m
    config_home = m2['env']['XDG_CONFIG_HOME']
    baits = [sandbox.registry_file(config_home, key[:-2] + ('x',)),
             sandbox.registry_file(config_home, key[:-1] + ('x',)),
             sandbox.registry_file(config_home, key)]
    for p in baits:
        sandbox._write(p, '[General]\ninstallpath=%s\nDisplayName=bait\n' % m2['install_dir'])
    os.unlink(m2['registry_entry'])
    m2['registry_entry'] = sandbox.registry_file(config_home, key + ('..', '..', 'x'))
    sandbox._write(m2['registry_entry'], '[General]\ninstallpath=%s\nDisplayName=%s\n'
                   % (m2['install_dir'], m2['name_en']))
    check(rel(m2, m2['registry_entry']).count('%2E%2E') == 2, 'unexpected registry file name')
    c2.write_config(c2.config_xml(GUID=guid))
    c2.resnapshot()
    c2.expect_run('clean')
    c2.uninstalled(kept=baits)
    for p in baits:
        check(sandbox.ini_values(p), 'config_guid_dots: the bait entry %s was cleared' % rel(m2, p))


def names_case(ctx, name, hostile):
    """A product name that is no plain file name: the shortcut steps that use it
    are skipped (and reported), nothing it would reach is removed."""
    c = Case(ctx, name)
    m = c.m
    home = m['env']['HOME']
    data = m['env']['XDG_DATA_HOME']
    desktop = os.path.join(home, 'Desktop')
    public = os.path.join(data, 'appinstaller', 'PublicDesktop')
    start = os.path.join(data, 'applications')
    baits = [folder + '/' + hostile + '.lnk' for folder in (desktop, public)]
    baits.append(start + '/' + hostile + '/bait.desktop')
    for p in baits:
        sandbox._write(p, 'what a naive path join would reach\n')
    c.write_config(c.config_xml(SoftwareNameEN=hostile, SoftwareNameCH=hostile))
    c.resnapshot()
    c.expect_run('leftover')
    # The fixed shortcuts go; those named after the staged (now unnamed) product stay.
    fixed = m['shortcuts'][6:]
    c.expect_disk(removed=[m['install_dir']] + fixed, kept=baits + m['shortcuts'][:6])


def case_name_dotdot(ctx):
    names_case(ctx, 'name_dotdot', '..')


def case_name_slash(ctx):
    names_case(ctx, 'name_slash', 'a/b')


def case_name_unc(ctx):
    names_case(ctx, 'name_unc', '\\\\server\\share')


# --- registry installpath --------------------------------------------------------

def path_refused(ctx, name, line, setup=None, outside=False):
    """An installpath that must not be removed: the install folder stays and is
    reported; the shortcuts and the entry go as usual."""
    c = Case(ctx, name)
    c.allow_outside_path = outside
    extra_kept = setup(c) if setup else []
    c.write_entry(line if isinstance(line, str) else line(c))
    c.resnapshot()
    c.expect_run('leftover')
    c.uninstalled(keep_install=True, kept=extra_kept)
    return c


def case_path_empty(ctx):
    path_refused(ctx, 'path_empty', 'installpath=')


def case_path_invalid(ctx):
    path_refused(ctx, 'path_invalid', 'installpath=@Invalid()', outside=True)


def case_path_variant(ctx):
    # A serialized QString whose length field claims nearly 4 GB.
    path_refused(ctx, 'path_variant',
                 'installpath="@Variant(\\0\\0\\0\\n\\0\\xff\\xff\\xff\\xf0\\0/\\0t)"',
                 outside=True)


def case_path_root(ctx):
    path_refused(ctx, 'path_root', 'installpath=/', outside=True)
    check(os.path.isdir('/usr/bin'), 'the file system root lost /usr/bin')


def case_path_home(ctx):
    path_refused(ctx, 'path_home', lambda c: 'installpath=' + c.m['env']['HOME'])


def case_path_home_parent(ctx):
    path_refused(ctx, 'path_home_parent',
                 lambda c: 'installpath=' + os.path.dirname(c.m['env']['HOME']))


def case_path_relative(ctx):
    # Relative to the program's working folder, the sandbox root, it would name the install folder.
    path_refused(ctx, 'path_relative',
                 lambda c: 'installpath=' + os.path.relpath(c.m['install_dir'], c.m['root']),
                 outside=True)


def case_path_other_parent(ctx):
    """A path into another product's folder and up to its parent: the folder
    holding both products, which must not be removed."""
    def setup(c):
        return [os.path.join(os.path.dirname(c.m['install_dir']), 'OtherProduct', 'other.exe')]
    path_refused(ctx, 'path_other_parent',
                 lambda c: 'installpath=' + os.path.join(os.path.dirname(c.m['install_dir']),
                                                         'OtherProduct', '..'),
                 setup=setup)


def case_path_products_parent(ctx):
    """The folder that holds this product's and another registered product's
    folders: refused, since the other product would go with it."""
    def setup(c):
        return [os.path.join(os.path.dirname(c.m['install_dir']), 'OtherProduct', 'other.exe')]
    path_refused(ctx, 'path_products_parent',
                 lambda c: 'installpath=' + os.path.dirname(c.m['install_dir']), setup=setup)


def case_path_symlink_out(ctx):
    """installpath is a link to a folder outside the product: the link goes,
    what it points to stays."""
    c = Case(ctx, 'path_symlink_out')
    m = c.m
    target = os.path.join(m['root'], 'Elsewhere', 'SharedData')
    link = os.path.join(os.path.dirname(m['install_dir']), 'Linked')
    os.symlink(target, link)
    c.write_entry('installpath=' + link)
    c.resnapshot()
    c.expect_run('clean')
    c.uninstalled(extra_removed=[link], keep_install=True,
                  kept=[os.path.join(target, 'keep.dat'), target])


# --- install trees -----------------------------------------------------------------

def tree_case(ctx, name, build, snapshot_after=True):
    c = Case(ctx, name)
    kept = build(c.m) or []
    if snapshot_after:
        c.resnapshot()
    c.expect_run('clean')
    c.uninstalled(kept=kept)


def case_tree_link_loop(ctx):
    def build(m):
        loop = os.path.join(m['install_dir'], 'loop')
        os.makedirs(loop)
        os.symlink('b', os.path.join(loop, 'a'))
        os.symlink('a', os.path.join(loop, 'b'))
        os.symlink('.', os.path.join(loop, 'self'))
        os.symlink('..', os.path.join(loop, 'parent'))
        # Up and out of the install folder: following it would reach the neighbours.
        os.symlink('../../..', os.path.join(loop, 'out'))
        os.symlink(m['root'], os.path.join(loop, 'sandbox-root'))
        os.makedirs(os.path.join(loop, 'sub'))
        os.symlink(loop, os.path.join(loop, 'sub', 'back'))
        return [os.path.join(os.path.dirname(m['install_dir']), 'Neighbour.txt')]
    tree_case(ctx, 'tree_link_loop', build)


def case_tree_deep(ctx):
    def build(m):
        fd = os.open(m['install_dir'], os.O_RDONLY | os.O_DIRECTORY)
        try:
            for level in range(1000):
                os.mkdir('d', dir_fd=fd)
                nfd = os.open('d', os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
                if level % 100 == 0:
                    with open(os.open('f', os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=nfd), 'w') as f:
                        f.write('level %d\n' % level)
                os.close(fd)
                fd = nfd
        finally:
            os.close(fd)
    tree_case(ctx, 'tree_deep', build)


def case_tree_bad_names(ctx):
    def build(m):
        base = os.fsencode(m['install_dir'])
        folder = os.path.join(base, b'dir-\xff\xfe')
        os.makedirs(folder)
        for n in (b'bad\xff.txt', b'\xc3\x28', b'\xed\xa0\x80', b'\xc0\xaf', b'\x80\x81\x82'):
            for d in (base, folder):
                with open(os.path.join(d, n), 'wb') as f:
                    f.write(b'x')
        os.symlink(b'\xff-target', os.path.join(folder, b'link-\xfe'))
    tree_case(ctx, 'tree_bad_names', build)


def case_tree_long_path(ctx):
    """A chain of folders whose full path is longer than PATH_MAX (4096)."""
    state = {}

    def build(m):
        fd = os.open(m['install_dir'], os.O_RDONLY | os.O_DIRECTORY)
        length = len(m['install_dir'])
        try:
            while length <= 4096 + 600:
                name = 'n' * 200
                os.mkdir(name, dir_fd=fd)
                nfd = os.open(name, os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
                with open(os.open('file.dat', os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=nfd), 'w') as f:
                    f.write('deep\n')
                os.close(fd)
                fd = nfd
                length += 201
        finally:
            os.close(fd)
        state['length'] = length
    c = Case(ctx, 'tree_long_path')
    # The snapshot is taken before the chain exists: it cannot walk such paths.
    build(c.m)
    check(state['length'] > 4096, 'the chain is not longer than PATH_MAX')
    c.expect_run('clean')
    check(not os.path.lexists(c.m['install_dir']), 'tree_long_path: the install folder remains')
    c.uninstalled()


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith('case_')}


class Context(BaseContext):
    def __init__(self, args):
        build = os.path.abspath(args.build)
        super().__init__(args, os.path.join(build, 'hostile', args.case),
                         os.path.join(build, 'screenshots', 'hostile'))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('case', choices=sorted(CASES))
    ap.add_argument('--build', required=True)
    ap.add_argument('--work')
    ap.add_argument('--shots')
    args = ap.parse_args()
    ctx = Context(args)

    missing = xs.missing_tools() + [t for t in ('unshare', 'mount') if not shutil.which(t)]
    if missing:
        print('hostile: missing tools: %s' % ', '.join(missing))
        return 1 if os.environ.get('CI') else SKIP
    if os.geteuid() != 0:
        print('hostile: needs root for its private mount namespace')
        return 1 if os.environ.get('CI') else SKIP
    if not os.path.isfile(os.path.join(ctx.bin_dir, 'Uninstall')):
        print('hostile: %s/Uninstall is not built' % ctx.bin_dir)
        return 1

    sandbox.check_sandbox_root(ctx.work)
    os.makedirs(ctx.work, exist_ok=True)
    rc = run_case('hostile', args.case, ctx, CASES[args.case])
    if rc != 0:
        return rc
    # Passed: the sandboxes are of no further use (deep trees are large).
    for name in os.listdir(ctx.work):
        path = os.path.join(ctx.work, name)
        if os.path.isfile(os.path.join(path, sandbox.MARKER)):
            try:
                sandbox.clean(path)
            except (OSError, RecursionError):
                pass
    print('hostile %s: passed' % args.case)
    return 0


if __name__ == '__main__':
    sys.exit(main())
