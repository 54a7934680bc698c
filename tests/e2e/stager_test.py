#!/usr/bin/env python3
"""The sandbox stager: what it stages, what it refuses, and how it cleans up.

    stager_test.py BUILD_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'scripts', 'e2e'))
import sandbox  # noqa: E402

BUILD = None


class StagerTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix='stager-', dir=os.path.join(BUILD, 'e2e'))
        self.bin = os.path.join(self.work, 'bin')
        os.makedirs(os.path.join(self.bin, 'rcc'))
        os.makedirs(os.path.join(self.bin, 'translations'))
        for rel in ('Uninstall', 'libVarnel.so', 'rcc/guiresource.rcc',
                    'translations/uninstaller_zh.qm', 'AppConfig.xml', 'unrelated.txt'):
            with open(os.path.join(self.bin, rel), 'w') as f:
                f.write(rel)
        self.root = os.path.join(self.work, 'sandbox')

    def tearDown(self):
        sandbox.clean(self.root)
        shutil.rmtree(self.work)

    def test_eight_places_and_neighbours(self):
        m = sandbox.stage(self.root, self.bin)
        self.assertEqual(len(set(m['shortcuts'])), 8)
        for p in m['shortcuts'] + m['kept'] + [m['install_dir'], m['registry_entry']]:
            self.assertTrue(os.path.lexists(p), p)
            self.assertTrue(sandbox.is_inside(p, self.root), p)
        env = m['env']
        self.assertEqual(m['shortcuts'][6], os.path.join(env['HOME'], 'Desktop', 'Orvessa.lnk'))
        self.assertEqual(m['shortcuts'][3], os.path.join(
            env['XDG_DATA_HOME'], 'appinstaller', 'PublicDesktop', m['name_ch'] + '.lnk'))
        self.assertTrue(os.path.isdir(m['shortcuts'][4]))
        self.assertEqual(os.stat(env['XDG_RUNTIME_DIR']).st_mode & 0o777, 0o700)
        self.assertFalse(os.path.exists(os.path.join(env['XDG_CONFIG_HOME'], 'user-dirs.dirs')))
        self.assertEqual(sandbox.confinement_problems(m, env), [])

    def test_install_tree(self):
        m = sandbox.stage(self.root, self.bin)
        files = [r for r in m['snapshot'] if r.startswith('Programs/Orvessa Studio/')
                 and m['snapshot'][r] not in ('dir',) and not m['snapshot'][r].startswith('link:')]
        self.assertGreater(len(files), 200)
        readonly = os.path.join(m['install_dir'], 'ReadOnly')
        self.assertEqual(os.stat(readonly).st_mode & 0o777, 0o555)
        self.assertTrue(os.path.islink(os.path.join(m['install_dir'], 'shared-data')))
        values = sandbox.ini_values(m['registry_entry'])
        self.assertEqual(values['General/installpath'], m['install_dir'])

    def test_program_folder(self):
        m = sandbox.stage(self.root, self.bin, translations=False)
        self.assertEqual(sorted(os.listdir(m['program_dir'])),
                         ['AppConfig.xml', 'Uninstall', 'libVarnel.so', 'rcc'])
        with open(os.path.join(m['program_dir'], 'AppConfig.xml'), encoding='utf-8') as f:
            xml = f.read()
        self.assertIn('<GUID>%s</GUID>' % sandbox.DEFAULT_GUID, xml)
        self.assertIn('<InstallPath>%s/Programs/</InstallPath>' % self.root, xml)
        self.assertIn('<SoftwareNameCH>%s</SoftwareNameCH>' % sandbox.DEFAULT_NAME_CH, xml)
        inside = sandbox.stage(self.root, self.bin, inside=True)
        self.assertTrue(inside['program'].startswith(inside['install_dir'] + '/'))
        self.assertIn('translations', os.listdir(inside['program_dir']))

    def test_registry_modes(self):
        m = sandbox.stage(self.root, self.bin, registry='missing')
        self.assertFalse(os.path.lexists(m['registry_entry']))
        m = sandbox.stage(self.root, self.bin, registry='empty')
        self.assertEqual(os.path.getsize(m['registry_entry']), 0)
        m = sandbox.stage(self.root, self.bin, registry='no-guid')
        with open(os.path.join(m['program_dir'], 'AppConfig.xml'), encoding='utf-8') as f:
            self.assertIn('<GUID></GUID>', f.read())
        # The parent key and the empty name's key hold values that must survive.
        uninstall = os.path.dirname(m['registry_entry'])
        self.assertIn(uninstall + '.ini', m['kept'])
        self.assertIn(os.path.join(uninstall, '%.ini'), m['kept'])

    def test_key_names_are_encoded(self):
        base = '/x'
        f = sandbox.registry_file
        self.assertEqual(f(base, ('A', 'B')), '/x/appinstaller/registry/A/B.ini')
        self.assertEqual(f(base, ('A', '')), '/x/appinstaller/registry/A/%.ini')
        self.assertEqual(f(base, ('..', 'a/b%')), '/x/appinstaller/registry/%2E%2E/a%2Fb%25.ini')
        self.assertEqual(f(base, ('a.b',)), '/x/appinstaller/registry/a.b.ini')

    def test_inspect_sees_changes(self):
        m = sandbox.stage(self.root, self.bin)
        self.assertEqual(sandbox.inspect(m)['removed'], [])
        os.remove(m['shortcuts'][0])
        with open(m['kept'][2], 'a') as f:
            f.write('more')
        with open(os.path.join(self.root, 'home', 'new.txt'), 'w') as f:
            f.write('new')
        s = sandbox.inspect(m)
        self.assertEqual(s['removed'], [os.path.relpath(m['shortcuts'][0], self.root)])
        self.assertEqual(s['changed'], [os.path.relpath(m['kept'][2], self.root)])
        self.assertEqual(s['added'], ['home/new.txt'])
        self.assertEqual(s['shortcuts_left'], m['shortcuts'][1:])

    def test_refuses_unsafe_roots(self):
        for bad in ('/', '/usr', '/tmp', '/work', os.path.expanduser('~'), 'relative/dir',
                    os.path.dirname(os.path.expanduser('~'))):
            with self.assertRaises(sandbox.SandboxError, msg=bad):
                sandbox.check_sandbox_root(bad)
        with self.assertRaises(sandbox.SandboxError):
            sandbox.stage('/usr/local', self.bin)

    def test_clean_removes_only_sandboxes(self):
        foreign = os.path.join(self.work, 'foreign')
        os.makedirs(foreign)
        with open(os.path.join(foreign, 'precious.txt'), 'w') as f:
            f.write('keep')
        with self.assertRaises(sandbox.SandboxError):
            sandbox.clean(foreign)
        with self.assertRaises(sandbox.SandboxError):
            sandbox.stage(foreign, self.bin)
        self.assertTrue(os.path.exists(os.path.join(foreign, 'precious.txt')))

    def test_clean_removes_frozen_and_read_only_parts_not_link_targets(self):
        m = sandbox.stage(self.root, self.bin)
        target = os.path.join(self.root, 'Elsewhere', 'SharedData', 'keep.dat')
        outside = os.path.join(self.work, 'outside.txt')
        with open(outside, 'w') as f:
            f.write('outside')
        os.symlink(outside, os.path.join(m['install_dir'], 'out-link'))
        frozen = os.path.join(m['install_dir'], 'docs', 'read me.txt')
        froze = sandbox.freeze(frozen)
        sandbox.clean(self.root)
        self.assertFalse(os.path.lexists(self.root), 'frozen %s' % froze)
        self.assertFalse(os.path.lexists(target))
        self.assertTrue(os.path.exists(outside))

    def test_command_line(self):
        script = os.path.join(HERE, '..', '..', 'scripts', 'stage-sandbox')
        r = subprocess.run([sys.executable, script, self.root, '--bin', self.bin, '--inside'],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(r.returncode, 0, r.stdout)
        self.assertTrue(sandbox.load(self.root)['inside'])
        r = subprocess.run([sys.executable, script, '/usr', '--bin', self.bin],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(r.returncode, 2)
        r = subprocess.run([sys.executable, script, self.root, '--clean'])
        self.assertEqual(r.returncode, 0)
        self.assertFalse(os.path.exists(self.root))


if __name__ == '__main__':
    BUILD = os.path.abspath(sys.argv.pop(1))
    os.makedirs(os.path.join(BUILD, 'e2e'), exist_ok=True)
    unittest.main()
