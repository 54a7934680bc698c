#!/usr/bin/env python3
"""Runs a command that may delete what it is told to, unable to reach outside one folder.

    unshare --mount --propagation private hostile_confine.py SANDBOX -- COMMAND [ARGS...]

Inside the private mount namespace that unshare made, SANDBOX is bound onto
itself and every other mount is made read-only, so a removal that escapes
the sandbox fails with EROFS instead of deleting anything. Before the command
runs, the confinement is proven: a file can be written in the sandbox and not
beside it, nor in the other writable places of the machine. Exit 70 when the
confinement cannot be set up; otherwise the command replaces this process.
"""

import errno
import os
import subprocess
import sys

UNCONFINED = 70


def mount_points():
    points = []
    with open('/proc/self/mountinfo') as f:
        for line in f:
            field = line.split()[4]
            points.append(field.encode().decode('unicode_escape'))
    return points


def writable(folder):
    probe = os.path.join(folder, '.hostile-confine-probe-%d' % os.getpid())
    try:
        fd = os.open(probe, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    except OSError as e:
        if e.errno in (errno.EROFS, errno.EACCES, errno.EPERM, errno.ENOENT):
            return False
        raise
    os.close(fd)
    os.unlink(probe)
    return True


def fail(message):
    print('hostile_confine: %s' % message, file=sys.stderr)
    sys.exit(UNCONFINED)


def main():
    if len(sys.argv) < 4 or sys.argv[2] != '--':
        fail('usage: hostile_confine.py SANDBOX -- COMMAND [ARGS...]')
    sandbox = os.path.realpath(sys.argv[1])
    command = sys.argv[3:]
    if not os.path.isdir(sandbox) or sandbox.count('/') < 3:
        fail('not a sandbox folder: %s' % sandbox)
    # The parent is the caller of unshare, still in the machine's namespace.
    if os.readlink('/proc/self/ns/mnt') == os.readlink('/proc/%d/ns/mnt' % os.getppid()):
        fail('not in a private mount namespace (run under unshare --mount)')

    def mount(*args):
        return subprocess.run(['mount'] + list(args), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    if not mount('--bind', sandbox, sandbox):
        fail('cannot bind %s' % sandbox)
    # Shortest first, so a mount is made read-only before those stacked on it.
    for point in sorted(set(mount_points()), key=len):
        if point == sandbox:
            continue
        mount('-o', 'remount,bind,ro', point)

    if not writable(sandbox):
        fail('the sandbox is not writable')
    outside = [os.path.dirname(sandbox), '/', '/tmp', '/var/tmp', '/dev/shm', '/run', '/dev']
    for folder in outside:
        if os.path.isdir(folder) and writable(folder):
            fail('%s is still writable' % folder)
    for point in mount_points():
        if point != sandbox and os.path.isdir(point) and not point.startswith(('/proc', '/sys')) \
                and writable(point):
            fail('%s is still writable' % point)
    os.execvp(command[0], command)


if __name__ == '__main__':
    main()
