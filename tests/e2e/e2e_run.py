#!/usr/bin/env python3
"""End-to-end cases: the built uninstaller, for real, under a private Xvfb.

Each case stages a sandbox (scripts/e2e/sandbox.py), starts bin/Uninstall from
its copy in the sandbox with HOME and the XDG folders pointing into it, drives
the dialogs and the window with xdotool, and checks the exit code and the disk.
Screenshots of every dialog and page reached go to the screenshots folder.

    e2e_run.py CASE --build BUILD_DIR [--work DIR] [--shots DIR]

Exit status: 0 passed, 1 failed, 77 skipped.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'scripts', 'e2e'))
import sandbox  # noqa: E402
import xsession as xs  # noqa: E402
from harness import SKIP, BaseContext, Failure, Skip, check, run_case  # noqa: E402,F401

# Window geometry, from the forms: the frameless main window and the two kinds
# of library dialog (a warning is small, the confirmation large).
MAIN_SIZE = (744, 504)
WARNING_SIZE = (400, 200)
CONFIRM_SIZE = (480, 240)
# The title bar's close button (24 x 24, right margin 16, centred below the top
# margin of 16 in the 60 px bar; the card sits at 12,12) and the completion
# page's button in the card's lower right.
TITLE_CLOSE = (12 + 720 - 16 - 12, 12 + 16 + (60 - 16 - 24) // 2 + 12)
COMPLETED_BTN = (12 + 720 - 36 - 44, 12 + 480 - 24 - 16)
COMPLETED_PROBE = (COMPLETED_BTN[0] - 30, COMPLETED_BTN[1] - 8, 60, 16)
# The progress bar's track: 648 x 16 below the two 24 px labels.
BAR_PROBE = (12 + 36 + 3, 12 + 320 + 26 + 24 + 6 + 3, 642, 10)


START = time.monotonic()


def note(text):
    print('[%6.2f] %s' % (time.monotonic() - START, text), flush=True)


class Case:
    """One staged sandbox and one run of the program in it."""

    count = 0

    def __init__(self, ctx, name, flat=False, **stage_args):
        self.ctx = ctx
        self.name = name
        self.root = os.path.join(ctx.work, name)
        # A case with one sandbox keeps its screenshots directly in its folder.
        self.shots = ctx.shots if flat else os.path.join(ctx.shots, name)
        # The process list is the machine's: a product name of its own keeps this
        # case from seeing the stand-in "running product" of a case beside it.
        Case.count += 1
        stage_args.setdefault('program', 'Orvessa-e2e%d-%d.exe' % (os.getpid(), Case.count))
        self.manifest = sandbox.stage(self.root, ctx.bin_dir, **stage_args)
        self.proc = None
        self.log = None
        self.watcher = None
        self.shot_count = 0

    # --- safety ---------------------------------------------------------------

    def assert_confined(self, env):
        check(sandbox.is_inside(self.manifest['root'], self.ctx.work),
              'sandbox %s is not inside the work folder' % self.manifest['root'])
        problems = sandbox.confinement_problems(self.manifest, env)
        check(not problems, 'not confined: ' + '; '.join(problems))

    # --- running --------------------------------------------------------------

    def start(self, lang=None):
        env = dict(self.manifest['env'])
        if lang:
            env['LANG'] = lang
        env['DISPLAY'] = self.ctx.x.display
        env['PATH'] = '/usr/bin:/bin'
        env['QT_QPA_PLATFORM'] = 'xcb'
        self.assert_confined(env)
        os.makedirs(self.shots, exist_ok=True)
        self.log = open(self.root + '.log', 'wb')
        self.watcher = xs.MapWatcher(self.ctx.x).__enter__()
        self.ctx.children.append(self.watcher.proc)
        self.proc = subprocess.Popen([self.manifest['program']], cwd=self.root, env=env,
                                     stdin=subprocess.DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT)
        self.ctx.children.append(self.proc)
        note('%s: started %s' % (self.name, os.path.relpath(self.manifest['program'], self.root)))
        return self

    def wait_exit(self, timeout=xs.WAIT):
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure('%s: the program did not end within %.0f s' % (self.name, timeout))
        self.watcher.stop()
        self.log.close()
        note('%s: exit code %d' % (self.name, self.proc.returncode))
        return self.proc.returncode

    def program_log(self):
        try:
            with open(self.root + '.log', encoding='utf-8',
                      errors='replace') as f:
                return f.read()[-2000:]
        except OSError:
            return ''

    def mapped_sizes(self):
        return [(w, h) for _, w, h in self.watcher.mapped() if w > 1 and h > 1]

    # --- looking --------------------------------------------------------------

    def wait_window(self, size, what):
        return self.ctx.x.wait_window(self.proc.pid, what, accept=lambda w: w.size == size,
                                      proc=self.proc)

    def wait_dialog(self, what):
        """The first dialog (any window that is not the main window)."""
        return self.ctx.x.wait_window(self.proc.pid, what,
                                      accept=lambda w: w.size != MAIN_SIZE, proc=self.proc)

    def park_pointer(self):
        self.ctx.x.move(0, 0)

    def screenshot(self, label, window):
        """Save the window once its picture has settled; return its pixels.

        The pointer is parked first, so no button shows its hover look, and two
        equal looks in a row tell that painting is done (a busy machine may be
        slow to draw a window just mapped).
        """
        self.park_pointer()
        grab = lambda: self.ctx.x.pixels(window, 0, 0, window.width, window.height)
        last = [grab()]

        def settled():
            time.sleep(0.15)
            now = grab()
            same = now == last[0]
            last[0] = now
            return same
        xs.wait_for(settled, 'the picture of %s to settle' % label)
        self.shot_count += 1
        path = os.path.join(self.shots, '%02d-%s.png' % (self.shot_count, label))
        self.ctx.x.screenshot(path, window)
        note('%s: screenshot %s' % (self.name, os.path.basename(path)))
        return last[0]

    def probe(self, window, rect):
        return xs.classify(self.ctx.x.pixels(window, *rect))

    # --- dialog buttons -----------------------------------------------------

    def confirm_button(self, dialog):
        boxes = xs.find_buttons(self.ctx.x, dialog, dialog.height // 2)
        check(boxes, '%s: no filled (confirm) button found in the dialog' % self.name)
        return max(boxes, key=lambda b: b[0])

    def click_box(self, window, box):
        x, y, w, h = box
        self.ctx.x.click(window, x + w // 2, y + h // 2)

    def click_cancel(self, dialog):
        ok = self.confirm_button(dialog)
        cancel = xs.outlined_left_of(self.ctx.x, dialog, ok)
        check(cancel, '%s: no cancel button left of the confirm button' % self.name)
        self.click_box(dialog, cancel)

    def click_dialog_close(self, dialog):
        # The dialog's title row: 44 px high, close button 24 x 24 at 12 px from the right.
        self.ctx.x.click(dialog, dialog.width - 1 - 12 - 12, 1 + 22)

    # --- pages ----------------------------------------------------------------

    def is_completion_page(self, window):
        return self.probe(window, COMPLETED_PROBE)['red'] > 0.5 * COMPLETED_PROBE[2] * COMPLETED_PROBE[3]

    def wait_completion_page(self, window):
        def probe():
            if self.proc.poll() is not None:
                raise Failure('%s: program ended (exit %d) before the completion page'
                              % (self.name, self.proc.returncode))
            return self.is_completion_page(window)
        xs.wait_for(probe, 'the completion page')

    # --- disk -----------------------------------------------------------------

    def state(self):
        return sandbox.inspect(self.manifest)

    def expect_untouched(self):
        s = self.state()
        check(not s['removed'], '%s: removed although refused: %s' % (self.name, s['removed'][:10]))
        check(not s['changed'], '%s: changed although refused: %s' % (self.name, s['changed'][:10]))
        check(not s['added'], '%s: wrote files although refused: %s' % (self.name, s['added'][:10]))

    def expect_uninstalled(self, leftovers=()):
        """Everything of the product gone but the given paths; the rest untouched."""
        m = self.manifest
        s = self.state()
        root = m['root']
        leftovers = set(os.path.relpath(p, root) for p in leftovers)
        keep_dirs = set()
        for rel in leftovers:
            parent = os.path.dirname(rel)
            while parent and parent != os.path.relpath(os.path.dirname(m['install_dir']), root):
                keep_dirs.add(parent)
                parent = os.path.dirname(parent)
        install_rel = os.path.relpath(m['install_dir'], root)
        product = [install_rel] + [os.path.relpath(p, root) for p in m['shortcuts']]
        entry_rel = os.path.relpath(m['registry_entry'], root)

        def of_product(rel):
            return any(rel == p or rel.startswith(p + '/') for p in product)
        expected_removed = sorted(r for r in m['snapshot']
                                  if of_product(r) and r not in leftovers and r not in keep_dirs)
        check(not s['shortcuts_left'], '%s: shortcuts left: %s' % (self.name, s['shortcuts_left']))
        check(not s['entry_values'], '%s: registry entry still holds %s'
              % (self.name, s['entry_values']))
        check(not s['kept_missing'], '%s: unrelated files removed: %s'
              % (self.name, s['kept_missing']))
        missing = sorted(set(expected_removed) - set(s['removed']))
        check(not missing, '%s: not removed: %s' % (self.name, missing[:10]))
        extra = sorted(set(s['removed']) - set(expected_removed) - {entry_rel})
        check(not extra, '%s: removed what is not the product\'s: %s' % (self.name, extra[:10]))
        check(set(s['changed']) <= {entry_rel}, '%s: changed: %s' % (self.name, s['changed'][:10]))
        check(not s['added'], '%s: new files: %s' % (self.name, s['added'][:10]))
        for rel in leftovers:
            check(os.path.lexists(os.path.join(root, rel)),
                  '%s: the undeletable %s is gone' % (self.name, rel))
        inside = any(of_product(rel) and rel.startswith(install_rel + '/') for rel in leftovers)
        check(os.path.exists(m['install_dir']) == inside,
              '%s: install folder present: %s' % (self.name, os.path.exists(m['install_dir'])))


class Context(BaseContext):
    def __init__(self, args):
        build = os.path.abspath(args.build)
        super().__init__(args, os.path.join(build, 'e2e', args.case),
                         os.path.join(build, 'screenshots', 'e2e', args.case))
        self.lockhold = os.path.join(self.build, 'tests', 'e2e_lockhold')


# --- the flows -----------------------------------------------------------------

def refused(case, label, key='Return'):
    """A run that shows exactly one warning, dismissed with key (or a click on
    its button when key is None); returns the warning's pixels."""
    case.start()
    dialog = case.wait_dialog('the warning')
    check(dialog.size == WARNING_SIZE, '%s: expected a warning (%dx%d), got %r'
          % (case.name, WARNING_SIZE[0], WARNING_SIZE[1], dialog))
    pixels = case.screenshot(label, dialog)
    if key:
        case.ctx.x.press(dialog, key)
    else:
        case.click_box(dialog, case.confirm_button(dialog))
    rc = case.wait_exit()
    check(rc == 255, '%s: exit code %d, expected -1 (255)\n%s' % (case.name, rc, case.program_log()))
    sizes = case.mapped_sizes()
    check(sizes == [WARNING_SIZE], '%s: windows shown: %s (only the warning expected)'
          % (case.name, sizes))
    case.expect_untouched()
    return pixels


def confirmation(case, lang=None):
    case.start(lang)
    dialog = case.wait_dialog('the confirmation')
    check(dialog.size == CONFIRM_SIZE, '%s: expected the confirmation (%dx%d), got %r'
          % (case.name, CONFIRM_SIZE[0], CONFIRM_SIZE[1], dialog))
    pixels = case.screenshot('confirmation', dialog)
    return dialog, pixels


def declined(case, answer, lang=None):
    dialog, pixels = confirmation(case, lang)
    answer(dialog)
    rc = case.wait_exit()
    check(rc == 255, '%s: exit code %d, expected -1 (255)\n%s' % (case.name, rc, case.program_log()))
    sizes = case.mapped_sizes()
    check(sizes == [CONFIRM_SIZE], '%s: windows shown: %s (only the confirmation expected)'
          % (case.name, sizes))
    case.expect_untouched()
    return pixels


def hold_entry(case):
    """Hold the registry entry's settings lock: the run's last step (clearing the
    entry) waits for it, so the progress page can be looked at while it runs."""
    ctx = case.ctx
    if not os.path.exists(ctx.lockhold):
        raise Failure('helper %s not built' % ctx.lockhold)
    holder = subprocess.Popen([ctx.lockhold, case.manifest['registry_entry'] + '.lock'],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    ctx.children.append(holder)
    check(holder.stdout.readline().strip() == b'locked', 'could not hold the entry\'s lock')
    return holder


def wait_held(case, window, stuck=()):
    """Wait until the run has done its first two steps and waits on the entry.

    The shortcuts go after the install folder, so once they are gone (but the
    undeletable ones in stuck) the run has reached its last step.
    """
    m = case.manifest
    try:
        xs.wait_for(lambda: (bool(stuck) or not os.path.lexists(m['install_dir']))
                    and [p for p in m['shortcuts'] if os.path.lexists(p)] == list(stuck),
                    'the first two steps')
    except xs.XError:
        s = case.state()
        left = [r for r in m['snapshot'] if r not in s['removed']
                and r.startswith(os.path.relpath(m['install_dir'], m['root']) + '/')]
        raise Failure('%s: the run did not get past its first two steps; still there: %s%s'
                      % (case.name, left[:8], s['shortcuts_left']))
    pixels = case.screenshot('progress', window)
    check(case.probe(window, BAR_PROBE)['red'] > 0, 'no red fill in the progress bar at 60%')
    check(not case.is_completion_page(window), 'the completion page shows before the end')
    check(case.state()['entry_values'], 'the entry was cleared although its lock is held; '
          'the run could not be held')
    return pixels


def release(holder):
    holder.stdin.close()
    holder.wait(xs.WAIT)
    note('released the entry')


def confirmed(case, lang=None, leftovers=(), finish='button', hold=False):
    """Confirm, watch the run to the completion page, finish it; returns page pixels."""
    holder = hold_entry(case) if hold else None
    dialog, confirm_pixels = confirmation(case, lang)
    case.ctx.x.press(dialog, 'Return')
    window = case.wait_window(MAIN_SIZE, 'the main window')
    if holder:
        wait_held(case, window)
        release(holder)
    case.wait_completion_page(window)
    page = case.screenshot('completed', window)
    if finish == 'button':
        case.ctx.x.click(window, *COMPLETED_BTN)
    else:
        case.ctx.x.click(window, *TITLE_CLOSE)
    rc = case.wait_exit()
    check(rc == 0, '%s: exit code %d after finishing, expected 0\n%s'
          % (case.name, rc, case.program_log()))
    sizes = case.mapped_sizes()
    check(sizes == [CONFIRM_SIZE, MAIN_SIZE], '%s: windows shown: %s' % (case.name, sizes))
    case.expect_uninstalled(leftovers)
    return confirm_pixels, page


# --- the cases -----------------------------------------------------------------

def case_running(ctx):
    """The product running: only the running warning, -1, nothing removed."""
    base = Case(ctx, 'not-running-not-installed', registry='missing')
    not_installed = refused(base, 'not-installed-warning')
    stand_in = None
    results = []
    for name, registry, key in (('running-installed', 'present', 'Return'),
                                ('running-not-installed', 'missing', None)):
        case = Case(ctx, name, registry=registry)
        exe = sandbox.make_running_stand_in(case.manifest)
        stand_in = subprocess.Popen([exe, '600'], stdin=subprocess.DEVNULL)
        ctx.children.append(stand_in)
        try:
            results.append(refused(case, 'running-warning', key))
        finally:
            stand_in.kill()
            stand_in.wait()
    check(results[0] == results[1], 'the warning differs between installed and not installed '
          'while the product runs: the running check is not the only one made')
    check(results[0] != not_installed, 'the running warning looks like the not-installed one')


def case_not_installed(ctx):
    """No entry, an empty entry, an empty GUID: the not-installed warning, -1."""
    reference = Case(ctx, 'running-reference', registry='present')
    stand_in = subprocess.Popen([sandbox.make_running_stand_in(reference.manifest), '600'],
                                stdin=subprocess.DEVNULL)
    ctx.children.append(stand_in)
    try:
        running = refused(reference, 'running-warning')
    finally:
        stand_in.kill()
        stand_in.wait()
    seen = []
    for registry in ('missing', 'empty', 'no-guid'):
        case = Case(ctx, registry, registry=registry)
        seen.append(refused(case, 'not-installed-warning', key='Escape'))
    check(seen[0] == seen[1] == seen[2], 'the three not-installed runs show different warnings')
    check(seen[0] != running, 'the not-installed warning looks like the running one')


def case_declined(ctx):
    """Escape, the cancel button and the dialog's close button all decline."""
    declined(Case(ctx, 'escape'), lambda d: ctx.x.press(d, 'Escape'))
    case = Case(ctx, 'cancel-button')
    declined(case, case.click_cancel)
    case = Case(ctx, 'close-button')
    declined(case, case.click_dialog_close)


def case_confirmed(ctx):
    """Confirm, run to "Uninstalled", click Completed: exit 0, the product gone."""
    confirmed(Case(ctx, 'sandbox', flat=True), hold=True)


def case_leftover(ctx):
    """An undeletable file stays and is reported; everything else is removed."""
    reference = Case(ctx, 'clean')
    # Not held, so one full run goes by at its own pace.
    _, clean_page = confirmed(reference)
    case = Case(ctx, 'undeletable')
    m = case.manifest
    frozen = [os.path.join(m['install_dir'], 'data', 'part1', 'inner', 'file03.dat'),
              os.path.join(m['shortcuts'][0])]
    if not all(sandbox.freeze(p) for p in frozen):
        raise Skip('chattr +i is not supported here')
    try:
        _, page = confirmed_with_leftovers(case, frozen)
    finally:
        for p in frozen:
            subprocess.run(['chattr', '-i', p], stderr=subprocess.DEVNULL)
    check(page != clean_page, 'the completion page with leftovers looks like the clean one')


def confirmed_with_leftovers(case, frozen):
    install_file, shortcut = frozen
    holder = hold_entry(case)
    dialog, confirm_pixels = confirmation(case)
    case.ctx.x.press(dialog, 'Return')
    window = case.wait_window(MAIN_SIZE, 'the main window')
    wait_held(case, window, stuck=[shortcut])
    release(holder)
    case.wait_completion_page(window)
    page = case.screenshot('completed-with-leftovers', window)
    case.ctx.x.click(window, *COMPLETED_BTN)
    rc = case.wait_exit()
    check(rc == 0, '%s: exit code %d, expected 0\n%s' % (case.name, rc, case.program_log()))
    # The frozen shortcut is one of the eight: it stays, the others go.
    m = case.manifest
    s = case.state()
    check(s['shortcuts_left'] == [shortcut], '%s: shortcuts left: %s'
          % (case.name, s['shortcuts_left']))
    m['shortcuts'] = [p for p in m['shortcuts'] if p != shortcut]
    case.expect_uninstalled(leftovers=[install_file, shortcut])
    return confirm_pixels, page


def case_close_during_run(ctx):
    """The title bar's close button is refused while the run goes on."""
    case = Case(ctx, 'sandbox', flat=True)
    # The run is held at its last step, so it is certainly still going when we click.
    holder = hold_entry(case)
    dialog, _ = confirmation(case)
    ctx.x.press(dialog, 'Return')
    window = case.wait_window(MAIN_SIZE, 'the main window')
    progress = wait_held(case, window)
    ctx.x.click(window, *TITLE_CLOSE)
    # Give the click time to be handled, then make sure it was refused.
    time.sleep(1.5)
    check(case.proc.poll() is None, 'the program ended on close during the run (exit %s)'
          % case.proc.returncode)
    check([w for w in ctx.x.windows(case.proc.pid) if w.size == MAIN_SIZE],
          'the window closed during the run')
    check(case.state()['entry_values'], 'the run ended while it was held')
    after = case.screenshot('progress-after-close-click', window)
    check(after == progress, 'the progress page changed on the refused close')
    release(holder)
    case.wait_completion_page(window)
    case.screenshot('completed', window)
    ctx.x.click(window, *TITLE_CLOSE)
    rc = case.wait_exit()
    check(rc == 0, 'exit code %d after closing the completed window, expected 0\n%s'
          % (rc, case.program_log()))
    check(case.mapped_sizes() == [CONFIRM_SIZE, MAIN_SIZE], 'windows shown: %s'
          % case.mapped_sizes())
    case.expect_uninstalled()


def case_inside(ctx):
    """The uninstaller inside the install folder removes it, itself included."""
    case = Case(ctx, 'sandbox', flat=True, inside=True)
    check(case.manifest['program'].startswith(case.manifest['install_dir'] + '/'),
          'the program is not inside the install folder')
    confirmed(case, hold=True)
    check(not os.path.lexists(case.manifest['program_dir']), 'the program folder remains')


def case_chinese(ctx):
    """LANG=zh_CN.UTF-8 picks the Chinese texts; the run works."""
    english = declined(Case(ctx, 'english-reference'), lambda d: ctx.x.press(d, 'Escape'))
    case = Case(ctx, 'chinese', lang='zh_CN.UTF-8')
    confirm, _ = confirmed(case, lang='zh_CN.UTF-8', hold=True)
    check(confirm != english, 'the confirmation in zh_CN looks like the English one')


def case_no_translations(ctx):
    """Without a translations folder the keys show and the run still works."""
    english = declined(Case(ctx, 'english-reference'), lambda d: ctx.x.press(d, 'Escape'))
    case = Case(ctx, 'keys', translations=False)
    check(not os.path.exists(os.path.join(case.manifest['program_dir'], 'translations')),
          'the translations folder was copied')
    confirm, _ = confirmed(case, hold=True)
    check(confirm != english, 'without translations the confirmation looks translated')


CASES = {
    'running': case_running,
    'not_installed': case_not_installed,
    'declined': case_declined,
    'confirmed': case_confirmed,
    'leftover': case_leftover,
    'close_during_run': case_close_during_run,
    'inside': case_inside,
    'chinese': case_chinese,
    'no_translations': case_no_translations,
}


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('case', choices=sorted(CASES))
    ap.add_argument('--build', required=True)
    ap.add_argument('--work')
    ap.add_argument('--shots')
    args = ap.parse_args()
    ctx = Context(args)

    missing = xs.missing_tools() + ([] if shutil.which('xev') else ['xev'])
    if missing:
        print('e2e: missing tools: %s' % ', '.join(missing))
        return 1 if os.environ.get('CI') else SKIP
    if not os.path.isfile(os.path.join(ctx.bin_dir, 'Uninstall')):
        print('e2e: %s/Uninstall is not built' % ctx.bin_dir)
        return 1

    sandbox.check_sandbox_root(ctx.work)
    if os.path.isdir(ctx.shots):
        shutil.rmtree(ctx.shots)
    os.makedirs(ctx.work, exist_ok=True)
    rc = run_case('e2e', args.case, ctx, CASES[args.case],
                  on_failure=lambda: print('screenshots: %s' % ctx.shots))
    if rc != 0:
        return rc
    print('e2e %s: passed; screenshots in %s' % (args.case, ctx.shots))
    return 0


if __name__ == '__main__':
    sys.exit(main())
