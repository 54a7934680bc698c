"""A throwaway world for running the uninstaller for real.

Everything the program may touch lies below one folder: a private home with its
XDG folders, the product's install folder, a copy of the program folder with an
AppConfig.xml, the registry entry in the INI store, the shortcuts in the eight
places the uninstaller cleans, and unrelated files beside each of them that must
survive.  stage() writes the world and a manifest (stage.json) describing it;
inspect() compares the disk with the manifest afterwards.
"""

import hashlib
import json
import os
import shutil
import stat
import subprocess
import sys

MARKER = '.appinstaller-sandbox'
MANIFEST = 'stage.json'

DEFAULT_GUID = '{A1B2C3D4-0000-4000-8000-0123456789AB}'
OTHER_GUID = '{F0E1D2C3-1111-4111-9111-FEDCBA987654}'
DEFAULT_PROGRAM = 'Orvessa.exe'
# Differs from the fixed shortcut name "Orvessa.lnk", so all eight places are distinct.
DEFAULT_NAME_EN = 'Orvessa Studio'
DEFAULT_NAME_CH = '奥维萨'
FIXED_SHORTCUTS = ('Orvessa.lnk', 'Mendaro.lnk')
UNINSTALL_KEY = ('HKEY_CURRENT_USER', 'SOFTWARE', 'Microsoft', 'Windows',
                 'CurrentVersion', 'Uninstall')
REGISTRY_MODES = ('present', 'missing', 'empty', 'no-guid')


class SandboxError(Exception):
    pass


# --- paths -------------------------------------------------------------------

def _forbidden_roots():
    """Places a sandbox must never be, nor contain."""
    roots = {'/', '/bin', '/boot', '/dev', '/etc', '/home', '/lib', '/lib64',
             '/media', '/mnt', '/opt', '/proc', '/root', '/run', '/sbin',
             '/srv', '/sys', '/tmp', '/usr', '/var', '/work'}
    home = os.environ.get('HOME')
    if home:
        roots.add(os.path.realpath(home))
    return roots


def check_sandbox_root(root):
    """Refuse a root that is relative, a system folder, or an ancestor of one."""
    if not os.path.isabs(root):
        raise SandboxError('sandbox path must be absolute: %r' % root)
    real = os.path.realpath(root)
    for bad in _forbidden_roots():
        if real == bad or bad.startswith(real.rstrip('/') + '/'):
            raise SandboxError('refusing to use %s as a sandbox' % real)
    if real.count('/') < 3:
        raise SandboxError('sandbox path too shallow: %s' % real)
    return real


def is_inside(path, root):
    """True when path (not resolving its last component) lies inside root."""
    parent = os.path.realpath(os.path.dirname(os.path.abspath(path)))
    full = os.path.join(parent, os.path.basename(path))
    root = os.path.realpath(root)
    return full == root or full.startswith(root.rstrip('/') + '/')


def registry_file(config_home, key_names):
    """INI file of a registry key: one folder per name, the last one the file."""
    def encode(name):
        if name == '':
            return '%'
        out = name.replace('%', '%25').replace('/', '%2F')
        if set(out) == {'.'}:
            out = out.replace('.', '%2E')
        return out
    parts = [encode(n) for n in key_names]
    return os.path.join(config_home, 'appinstaller', 'registry', *parts[:-1],
                        parts[-1] + '.ini')


def ini_values(path):
    """Key/value pairs of an INI file (all groups), {} when absent or empty."""
    values = {}
    try:
        with open(path, encoding='utf-8') as f:
            group = 'General'
            for line in f:
                line = line.strip()
                if not line or line.startswith(';'):
                    continue
                if line.startswith('[') and line.endswith(']'):
                    group = line[1:-1]
                    continue
                if '=' in line:
                    key, value = line.split('=', 1)
                    values[group + '/' + key.strip()] = value.strip()
    except FileNotFoundError:
        pass
    return values


def confinement_problems(manifest, env):
    """Reasons why running the program with env could reach outside the sandbox."""
    root = manifest['root']
    problems = []
    try:
        check_sandbox_root(root)
    except SandboxError as e:
        problems.append(str(e))
    for key in ('HOME', 'XDG_CONFIG_HOME', 'XDG_DATA_HOME', 'XDG_CACHE_HOME',
                'XDG_RUNTIME_DIR'):
        if not env.get(key) or not is_inside(env[key], root):
            problems.append('%s=%s lies outside the sandbox' % (key, env.get(key)))
    for path in [manifest['program'], manifest['install_dir'],
                 manifest['registry_entry']] + manifest['shortcuts']:
        if not is_inside(path, root):
            problems.append('%s lies outside the sandbox' % path)
    installpath = ini_values(manifest['registry_entry']).get('General/installpath')
    if installpath and not is_inside(installpath, root):
        problems.append('registry installpath %s lies outside the sandbox' % installpath)
    return problems


# --- writing -----------------------------------------------------------------

def _write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w', encoding='utf-8') as f:
        f.write(text)


def _xml_escape(text):
    return (text.replace('&', '&amp;').replace('<', '&lt;')
            .replace('>', '&gt;'))


def app_config_xml(guid, program, name_en, name_ch, install_parent):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<AppConfig>\n'
            '  <GUID>%s</GUID>\n'
            '  <ProgramName>%s</ProgramName>\n'
            '  <SoftwareNameEN>%s</SoftwareNameEN>\n'
            '  <SoftwareNameCH>%s</SoftwareNameCH>\n'
            '  <InstallPath>%s</InstallPath>\n'
            '  <Version>3.2.1</Version>\n'
            '  <CompanyName>Orvessa Labs</CompanyName>\n'
            '  <Translator>1</Translator>\n'
            '  <VersionType>0</VersionType>\n'
            '</AppConfig>\n') % tuple(_xml_escape(v) for v in
                                      (guid, program, name_en, name_ch,
                                       install_parent))


def _fill_install_tree(install_dir, bulk, program):
    """A few hundred files in nested folders, some awkward names, a read-only folder."""
    files = []
    for top in ('bin', 'lib', 'data', 'plugins'):
        for sub in range(4):
            folder = os.path.join(install_dir, top, 'part%d' % sub, 'inner')
            for i in range(12):
                p = os.path.join(folder if i % 2 else os.path.dirname(folder),
                                 'file%02d.dat' % i)
                _write(p, '%s %d %d\n' % (top, sub, i) * (i + 1))
                files.append(p)
    for name in ('read me.txt', 'Ünïcødé-名字.txt', '.hidden', 'x' * 120 + '.log'):
        p = os.path.join(install_dir, 'docs', name)
        _write(p, name + '\n')
        files.append(p)
    _write(os.path.join(install_dir, program), 'stand-in for the product\n')
    files.append(os.path.join(install_dir, program))
    for i in range(bulk):
        p = os.path.join(install_dir, 'bulk', 'b%03d' % (i // 500), 'f%05d' % i)
        if i % 500 == 0:
            os.makedirs(os.path.dirname(p), exist_ok=True)
        open(p, 'w').close()
    readonly = os.path.join(install_dir, 'ReadOnly')
    for i in range(6):
        p = os.path.join(readonly, 'locked%d.cfg' % i)
        _write(p, 'read only %d\n' % i)
        os.chmod(p, 0o444)
        files.append(p)
    os.chmod(readonly, 0o555)
    return files


def _copy_program(bin_dir, dest, translations):
    if not os.path.isfile(os.path.join(bin_dir, 'Uninstall')):
        raise SandboxError('no built program in %s (bin/Uninstall missing)' % bin_dir)
    os.makedirs(dest, exist_ok=True)
    for entry in sorted(os.listdir(bin_dir)):
        src = os.path.join(bin_dir, entry)
        if entry == 'AppConfig.xml':
            continue
        if entry == 'translations' and not translations:
            continue
        if entry in ('Uninstall', 'rcc', 'translations') or entry.endswith('.so') \
                or '.so.' in entry:
            if os.path.isdir(src):
                shutil.copytree(src, os.path.join(dest, entry), symlinks=False)
            else:
                shutil.copy2(src, os.path.join(dest, entry))


def stage(root, bin_dir, *, inside=False, registry='present', translations=True,
          bulk=0, guid=DEFAULT_GUID, program=DEFAULT_PROGRAM,
          name_en=DEFAULT_NAME_EN, name_ch=DEFAULT_NAME_CH, lang='C.UTF-8'):
    """Build a fresh sandbox at root and return its manifest (also in stage.json)."""
    if registry not in REGISTRY_MODES:
        raise SandboxError('unknown registry mode %r' % registry)
    root = check_sandbox_root(root)
    clean(root)
    os.makedirs(root)
    _write(os.path.join(root, MARKER), 'throwaway uninstaller sandbox\n')

    home = os.path.join(root, 'home')
    config_home = os.path.join(home, '.config')
    data_home = os.path.join(home, '.local', 'share')
    cache_home = os.path.join(home, '.cache')
    runtime = os.path.join(root, 'runtime')
    for d in (config_home, data_home, cache_home, runtime):
        os.makedirs(d, exist_ok=True)
    os.chmod(runtime, 0o700)

    programs = os.path.join(root, 'Programs')
    install_parent = programs + '/'
    install_dir = programs + '/' + name_en
    desktop = os.path.join(home, 'Desktop')
    public_desktop = os.path.join(data_home, 'appinstaller', 'PublicDesktop')
    start_menu = os.path.join(data_home, 'applications')

    # The install folder and what lies around it.
    _fill_install_tree(install_dir, bulk, program)
    elsewhere = os.path.join(root, 'Elsewhere')
    _write(os.path.join(elsewhere, 'SharedData', 'keep.dat'), 'linked from the install folder\n')
    _write(os.path.join(elsewhere, 'linked-file.txt'), 'linked from the install folder\n')
    os.symlink(os.path.join(elsewhere, 'SharedData'), os.path.join(install_dir, 'shared-data'))
    os.symlink(os.path.join(elsewhere, 'linked-file.txt'), os.path.join(install_dir, 'docs', 'link.txt'))
    kept = [
        os.path.join(elsewhere, 'SharedData', 'keep.dat'),
        os.path.join(elsewhere, 'linked-file.txt'),
        os.path.join(programs, 'Neighbour.txt'),
        os.path.join(programs, name_en + ' Data', 'settings.ini'),
        os.path.join(programs, 'OtherProduct', 'other.exe'),
    ]
    for p in kept[2:]:
        _write(p, 'unrelated, must survive\n')

    # The program folder: inside the install folder (the usual layout) or apart.
    program_dir = os.path.join(install_dir, 'Uninstall') if inside \
        else os.path.join(root, 'tools', 'Uninstaller')
    _copy_program(bin_dir, program_dir, translations)
    _write(os.path.join(program_dir, 'AppConfig.xml'),
           app_config_xml('' if registry == 'no-guid' else guid, program,
                          name_en, name_ch, install_parent))

    # Registry entries.
    entry = registry_file(config_home, UNINSTALL_KEY + (guid,))
    entry_text = '[General]\ninstallpath=%s\nDisplayName=%s\nDisplayVersion=3.2.1\n' % (
        install_dir, name_en)
    if registry == 'present':
        _write(entry, entry_text)
    elif registry == 'empty':
        _write(entry, '')
    elif registry == 'no-guid':
        # Values a program mistaking the empty name for the parent key would find.
        _write(registry_file(config_home, UNINSTALL_KEY), entry_text)
        _write(registry_file(config_home, UNINSTALL_KEY + ('',)), entry_text)
        kept += [registry_file(config_home, UNINSTALL_KEY),
                 registry_file(config_home, UNINSTALL_KEY + ('',))]
    other_entry = registry_file(config_home, UNINSTALL_KEY + (OTHER_GUID,))
    _write(other_entry, '[General]\ninstallpath=%s\nDisplayName=OtherProduct\n'
           % os.path.join(programs, 'OtherProduct'))
    run_key = registry_file(config_home, UNINSTALL_KEY[:-1] + ('Run',))
    _write(run_key, '[General]\nOrvessa=%s\n' % os.path.join(install_dir, program))
    kept += [other_entry, run_key]

    # The eight shortcut places.
    shortcuts = [
        os.path.join(desktop, name_en + '.lnk'),
        os.path.join(desktop, name_ch + '.lnk'),
        os.path.join(public_desktop, name_en + '.lnk'),
        os.path.join(public_desktop, name_ch + '.lnk'),
        os.path.join(start_menu, name_en),
        os.path.join(start_menu, name_ch),
        os.path.join(desktop, FIXED_SHORTCUTS[0]),
        os.path.join(desktop, FIXED_SHORTCUTS[1]),
    ]
    if len(set(shortcuts)) != len(shortcuts):
        raise SandboxError('product names make two shortcut places coincide')
    for p in shortcuts[:4] + shortcuts[6:]:
        _write(p, '[InternetShortcut]\nURL=file://%s\n' % os.path.join(install_dir, program))
    for folder in shortcuts[4:6]:
        _write(os.path.join(folder, name_en + '.desktop'),
               '[Desktop Entry]\nName=%s\nExec=%s\n' % (name_en, program))
        _write(os.path.join(folder, 'Uninstall.lnk'), 'uninstall\n')
        _write(os.path.join(folder, 'Help', 'manual.lnk'), 'manual\n')

    # Unrelated neighbours of the shortcuts.
    neighbours = [
        os.path.join(desktop, 'Other.lnk'),
        os.path.join(desktop, 'notes.txt'),
        os.path.join(desktop, name_en + '.lnk.bak'),
        os.path.join(desktop, name_en, 'project.txt'),
        os.path.join(public_desktop, 'Other.lnk'),
        os.path.join(start_menu, 'OtherApp', 'other.desktop'),
        os.path.join(start_menu, 'other.desktop'),
        os.path.join(start_menu, name_en + '.desktop'),
    ]
    for p in neighbours:
        _write(p, 'unrelated, must survive\n')
    kept += neighbours

    manifest = {
        'root': root,
        'inside': inside,
        'registry_mode': registry,
        'translations': translations,
        'guid': '' if registry == 'no-guid' else guid,
        'program_name': program,
        'name_en': name_en,
        'name_ch': name_ch,
        'program': os.path.join(program_dir, 'Uninstall'),
        'program_dir': program_dir,
        'install_dir': install_dir,
        'registry_entry': entry,
        'shortcuts': shortcuts,
        'kept': kept,
        'running_stand_in': os.path.join(root, 'bin', program),
        'env': {
            'HOME': home,
            'XDG_CONFIG_HOME': config_home,
            'XDG_DATA_HOME': data_home,
            'XDG_CACHE_HOME': cache_home,
            'XDG_RUNTIME_DIR': runtime,
            'LANG': lang,
        },
    }
    manifest['snapshot'] = snapshot(manifest)
    with open(os.path.join(root, MANIFEST), 'w', encoding='utf-8') as f:
        json.dump(manifest, f, indent=1, ensure_ascii=False)
    with open(os.path.join(root, 'env.sh'), 'w', encoding='utf-8') as f:
        for k, v in manifest['env'].items():
            f.write("export %s='%s'\n" % (k, v.replace("'", "'\\''")))
    return manifest


def load(root):
    with open(os.path.join(root, MANIFEST), encoding='utf-8') as f:
        return json.load(f)


def make_running_stand_in(manifest):
    """A copy of /bin/sleep named like the product's program, for the running check."""
    dest = manifest['running_stand_in']
    os.makedirs(os.path.dirname(dest), exist_ok=True)
    shutil.copy2(shutil.which('sleep') or '/bin/sleep', dest)
    return dest


def freeze(path):
    """Make a file undeletable (chattr +i). False where the filesystem refuses."""
    if not shutil.which('chattr'):
        return False
    r = subprocess.run(['chattr', '+i', path], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    return r.returncode == 0


# --- reading back ------------------------------------------------------------

def snapshot(manifest):
    """Every path below the sandbox's staged parts with a digest of its content.

    The program folder and the runtime folder are left out: the former is the
    program itself (removed with the install folder when inside it), the latter
    belongs to the X/Qt session.
    """
    root = manifest['root']
    skip = {os.path.join(root, 'runtime'), os.path.join(root, 'home', '.cache'),
            manifest['program_dir'], os.path.join(root, 'bin')}
    result = {}
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames[:] = sorted(d for d in dirnames if os.path.join(dirpath, d) not in skip)
        for name in dirnames + sorted(filenames):
            p = os.path.join(dirpath, name)
            rel = os.path.relpath(p, root)
            if rel in (MANIFEST, MARKER, 'env.sh'):
                continue
            try:
                st = os.lstat(p)
                if stat.S_ISLNK(st.st_mode):
                    result[rel] = 'link:' + os.readlink(p)
                elif stat.S_ISDIR(st.st_mode):
                    result[rel] = 'dir'
                else:
                    with open(p, 'rb') as f:
                        result[rel] = hashlib.sha1(f.read()).hexdigest()
            except FileNotFoundError:
                pass   # removed while we looked: the program is still at work
    return result


def _exists(path):
    return os.path.lexists(path)


def inspect(manifest):
    """Compare the disk with the manifest.

    Returns a dict: 'install_dir' (True when it still exists), 'shortcuts_left'
    (the places of the eight that still exist), 'entry_values' (values still in
    the product's registry entry), 'kept_missing' (unrelated files that are
    gone), 'removed' and 'added' (relative paths against the staged snapshot),
    'changed' (files whose content differs).
    """
    before = manifest['snapshot']
    after = snapshot(manifest)
    return {
        'install_dir': _exists(manifest['install_dir']),
        'shortcuts_left': [p for p in manifest['shortcuts'] if _exists(p)],
        'entry_values': ini_values(manifest['registry_entry']),
        'kept_missing': [p for p in manifest['kept'] if not _exists(p)],
        'removed': sorted(set(before) - set(after)),
        'added': sorted(set(after) - set(before)),
        'changed': sorted(k for k in set(before) & set(after) if before[k] != after[k]),
    }


# --- cleaning ----------------------------------------------------------------

def clean(root):
    """Remove a sandbox made by stage(); refuse any other folder."""
    root = check_sandbox_root(root)
    if not os.path.lexists(root):
        return
    if not os.path.isfile(os.path.join(root, MARKER)):
        if os.path.isdir(root) and not os.listdir(root):
            os.rmdir(root)
            return
        raise SandboxError('%s exists and is not a sandbox; not removing it' % root)
    if shutil.which('chattr'):
        # Undo chattr +i left by a failure test; -R does not follow links.
        subprocess.run(['chattr', '-R', '-i', root], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def writable(func, path, _exc):
        os.chmod(os.path.dirname(path), 0o755)
        if os.path.isdir(path) and not os.path.islink(path):
            os.chmod(path, 0o755)
        func(path)
    shutil.rmtree(root, onerror=writable)


def main(argv=None):
    import argparse
    ap = argparse.ArgumentParser(
        description='Stage a throwaway sandbox with an installed product for the uninstaller.')
    ap.add_argument('root', help='sandbox folder (created; an old sandbox there is replaced)')
    ap.add_argument('--bin', help='the build\'s bin folder to copy the program from')
    ap.add_argument('--inside', action='store_true',
                    help='put the program folder inside the install folder')
    ap.add_argument('--registry', choices=REGISTRY_MODES, default='present')
    ap.add_argument('--no-translations', action='store_true')
    ap.add_argument('--bulk', type=int, default=0, help='extra empty files in the install folder')
    ap.add_argument('--lang', default='C.UTF-8')
    ap.add_argument('--clean', action='store_true', help='remove the sandbox and stop')
    args = ap.parse_args(argv)
    try:
        if args.clean:
            clean(os.path.abspath(args.root))
            return 0
        if not args.bin:
            ap.error('--bin is required')
        m = stage(os.path.abspath(args.root), os.path.abspath(args.bin),
                  inside=args.inside, registry=args.registry,
                  translations=not args.no_translations, bulk=args.bulk, lang=args.lang)
    except SandboxError as e:
        print('stage-sandbox: %s' % e, file=sys.stderr)
        return 2
    print('staged %s' % m['root'])
    print('  program:      %s' % m['program'])
    print('  install dir:  %s (%d entries staged in all)' % (m['install_dir'], len(m['snapshot'])))
    print('  registry:     %s (%s)' % (m['registry_entry'], m['registry_mode']))
    print('  environment:  source %s' % os.path.join(m['root'], 'env.sh'))
    return 0
