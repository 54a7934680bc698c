"""What the end-to-end and the hostile-input runners share: their failure
types, the CTest skip code, and the run of one case on a private X server."""

import os
import traceback

import sandbox
import xsession as xs

# CTest's SKIP_RETURN_CODE for these tests.
SKIP = 77


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class BaseContext:
    """The build folder, the case's work folder, the X server and the
    processes a case starts (stopped whatever the outcome)."""

    def __init__(self, args, work, shots):
        self.build = os.path.abspath(args.build)
        self.bin_dir = os.path.join(self.build, 'bin')
        self.work = os.path.abspath(args.work or work)
        self.shots = os.path.abspath(args.shots or shots)
        self.x = None
        self.children = []

    def stop_children(self):
        for p in self.children:
            if p.poll() is None:
                p.kill()
                p.wait()


def run_case(label, name, ctx, case, on_failure=None):
    """Runs case(ctx) on its own Xvfb; returns the exit code for CTest."""
    try:
        with xs.XServer(log_path=os.path.join(ctx.work, 'xvfb.log')) as x:
            ctx.x = x
            case(ctx)
    except Skip as e:
        print('%s %s: skipped: %s' % (label, name, e))
        return SKIP
    except (Failure, xs.XError, sandbox.SandboxError) as e:
        print('%s %s: FAILED: %s' % (label, name, e))
        if on_failure:
            on_failure()
        return 1
    except Exception:
        traceback.print_exc()
        return 1
    finally:
        ctx.stop_children()
    return 0
