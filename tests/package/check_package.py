#!/usr/bin/env python3
"""Checks the release packages that tools/package.sh made in dist/:

  zip.*      each portable zip holds exactly the runnable folder: the
             programs, the engine, the runtime DLLs they import, the data
             files, the skin the program loads by name and the help; nothing
             from the tests, nothing the program writes at run time
  help.*     every local link and image of the help resolves, nothing needs
             a network or a script, every main menu entry has a section
  install.*  under Wine, in a fresh prefix: silent install, the files,
             shortcuts and uninstall entry, the installed program's window
             and console tool, an install over it that keeps the user's
             files, and a silent uninstall that leaves only the backups

Writes JUnit XML to build/package/results/package.xml and exits non-zero on
any failure.
"""
import html.parser
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import xml.sax.saxutils
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build", "package")
WINE_RUN = os.path.join(ROOT, "tools", "wine-run.sh")
VERSION = open(os.path.join(ROOT, "build", "x86_64", "bin-version.txt")).read().strip()
DIST = os.path.join(ROOT, "dist")
SETUP = os.path.join(DIST, f"Tamsel-{VERSION}-setup.exe")

# The eleven entries of the main menu, as the program shows them.
MENU_ENTRIES = [
    "Scan & Clean Windows Registry", "Restore Windows Registry", "Registry Ignored List",
    "Defrag Your Registry", "Monitor System Resource", "Manage Startup Items",
    "Restore Windows System", "View System Information", "Modify Program Settings",
    "Set Registry Scan Area", "Set up Scan Schedules",
]
RUNTIME_WRITTEN = {"LastScan.ini", "LastScan.json", "IgnoreList.dat", "Registry.ini", "regback"}

results = []


def case(name):
    def wrap(fn):
        def run(*args):
            started = time.time()
            try:
                fn(*args)
                results.append((name, time.time() - started, None))
                print(f"[ OK ] {name}")
            except Exception:
                results.append((name, time.time() - started, traceback.format_exc()))
                print(f"[FAIL] {name}\n{traceback.format_exc()}")
        return run
    return wrap


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def pe_machine(data):
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    check(data[offset:offset + 4] == b"PE\0\0", "not a PE file")
    return struct.unpack_from("<H", data, offset + 4)[0]


def imported_dlls(objdump, path):
    out = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    return {m.group(1) for m in re.finditer(r"DLL Name: (\S+)", out)}


def data_files():
    files = set()
    for folder, _, names in os.walk(os.path.join(ROOT, "data")):
        for n in names:
            rel = os.path.relpath(os.path.join(folder, n), os.path.join(ROOT, "data")).replace(os.sep, "/")
            if rel != "CMakeLists.txt":
                files.add(rel)
    return files


def check_zip(kind, preset, objdump, machine):
    path = os.path.join(DIST, f"Tamsel-{VERSION}-{kind}-portable.zip")
    with zipfile.ZipFile(path) as z:
        names = {n[len("Tamsel/"):] for n in z.namelist() if not n.endswith("/")}
        check(all(n.startswith("Tamsel/") for n in z.namelist()), "everything is under Tamsel/")
        extract = os.path.join(BUILD, "unzipped", kind)
        shutil.rmtree(extract, ignore_errors=True)
        z.extractall(extract)
    folder = os.path.join(extract, "Tamsel")
    bin_dir = os.path.join(ROOT, "build", preset, "bin")
    shots = {f"Help/shots/{s}.png" for s in ("main-menu", "scan-page", "select-page", "clean-page")}
    expected = {"Tamsel.exe", "TamselCli.exe", "Corvex.dll"} | data_files() | shots
    # The runtime DLLs: whatever the three binaries import from the build folder.
    for binary in ("Tamsel.exe", "TamselCli.exe", "Corvex.dll"):
        data = open(os.path.join(folder, binary), "rb").read()
        check(pe_machine(data) == machine, f"{binary} is built for machine {pe_machine(data):#x}")
    pending = ["Tamsel.exe", "TamselCli.exe", "Corvex.dll"]
    while pending:
        binary = pending.pop()
        for dll in imported_dlls(objdump, os.path.join(bin_dir, binary)):
            if os.path.exists(os.path.join(bin_dir, dll)) and dll not in expected:
                expected.add(dll)
                pending.append(dll)
    check(names == expected, f"missing {sorted(expected - names)}, extra {sorted(names - expected)}")
    for n in names:
        check(n.split("/")[0] not in RUNTIME_WRITTEN, f"{n} is written at run time")
        check("test" not in n.lower(), f"{n} looks like a test file")
    # Every skin picture the program names ("./images/x.png", UTF-16) is there.
    exe = open(os.path.join(folder, "Tamsel.exe"), "rb").read()
    pictures = {m.group(0).decode("utf-16-le")[2:]
                for m in re.finditer(rb"\.\0/\0i\0m\0a\0g\0e\0s\0/\0(?:[^\0]\0)+?\.\0p\0n\0g\0", exe)}
    check(len(pictures) > 20, f"only {len(pictures)} picture names found in Tamsel.exe")
    missing = sorted(p for p in pictures if p not in names)
    check(not missing, f"pictures the program loads but the zip lacks: {missing}")


class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.ids, self.headings, self.scripts, self._h = [], set(), [], 0, None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.add(a["id"])
        if tag == "script":
            self.scripts += 1
        for attr in ("href", "src"):
            if attr in a:
                self.links.append(a[attr])
        if tag in ("h1", "h2", "h3", "title"):
            self._h = ""

    def handle_data(self, data):
        if self._h is not None:
            self._h += data

    def handle_endtag(self, tag):
        if tag in ("h1", "h2", "h3", "title") and self._h is not None:
            self.headings.append(self._h.strip())
            self._h = None


def check_help(folder):
    pages = {}
    for n in os.listdir(folder):
        if n.endswith(".html"):
            p = Links()
            p.feed(open(os.path.join(folder, n), encoding="utf-8").read())
            pages[n] = p
    check("index.html" in pages, "no index.html")
    css = [n for n in os.listdir(folder) if n.endswith(".css")]
    check(len(css) == 1, f"one style sheet, found {css}")
    for name, p in pages.items():
        check(p.scripts == 0, f"{name} has a script")
        for link in p.links:
            check(not re.match(r"^[a-z]+:", link), f"{name} links out of the help: {link}")
            target, _, anchor = link.partition("#")
            target = target or name
            path = os.path.join(folder, target)
            check(os.path.isfile(path), f"{name}: {link} does not resolve")
            if anchor:
                check(target in pages and anchor in pages[target].ids, f"{name}: no anchor {link}")
    headings = {h for p in pages.values() for h in p.headings}
    for entry in MENU_ENTRIES:
        check(any(entry in h for h in headings), f"no help section for \"{entry}\"")


def wine(prefix, *args, check_rc=True, timeout=300):
    # Output goes to files, not pipes: a process Wine starts on the way (its
    # desktop window) inherits the handles and outlives the program, so a
    # pipe would not end with it.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run([WINE_RUN, prefix, *args], stdout=out, stderr=err, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        r = subprocess.CompletedProcess(args, code, out.read(), err.read())
    if check_rc and r.returncode != 0:
        raise AssertionError(f"{args} exited {r.returncode}: {r.stdout[-2000:]!r} {r.stderr[-2000:]!r}")
    return r


def reg_values(prefix, key, view):
    r = wine(prefix, "reg", "query", key, f"/reg:{view}", check_rc=False)
    values = {}
    for line in r.stdout.decode("utf-8", "replace").splitlines():
        m = re.match(r"\s+(\S+)\s+(REG_\w+)\s+(.*)$", line)
        if m:
            values[m.group(1)] = m.group(3).strip()
    return r.returncode, values


def check_install(preset, prefix_name, machine, program_files, view):
    prefix = os.path.join(BUILD, prefix_name)
    wine(prefix, "--stop", check_rc=False)
    shutil.rmtree(prefix, ignore_errors=True)
    shutil.rmtree(prefix + "-data", ignore_errors=True)
    wine(prefix, "--start")
    try:
        drive = os.path.join(prefix, "drive_c")
        folder = os.path.join(drive, program_files, "Tamsel")
        win_folder = "C:\\" + program_files + "\\Tamsel"
        wine(prefix, SETUP, "/S")
        for n in ("Tamsel.exe", "TamselCli.exe", "Corvex.dll", "Uninstall.exe", "scanSetting.xml",
                  "images/bg_main.png", "Help/index.html"):
            check(os.path.isfile(os.path.join(folder, n)), f"{n} is not installed in {folder}")
        check(pe_machine(open(os.path.join(folder, "Tamsel.exe"), "rb").read()) == machine, "wrong build installed")
        shipped = open(os.path.join(ROOT, "data", "scanSetting.xml"), "rb").read()
        check(open(os.path.join(folder, "scanSetting.xml"), "rb").read() == shipped, "settings file differs")
        menu = os.path.join(drive, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Tamsel")
        for lnk in ("Tamsel.lnk", "Uninstall.lnk"):
            check(os.path.isfile(os.path.join(menu, lnk)), f"no Start menu shortcut {lnk}")
        key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tamsel"
        rc, v = reg_values(prefix, key, view)
        check(rc == 0, "no uninstall entry")
        check(v.get("DisplayName") == "Tamsel", v)
        check(v.get("DisplayVersion") == VERSION, v)
        check(v.get("Publisher") == "Quorv Software", v)
        check(v.get("InstallLocation") == win_folder, v)
        check(v.get("DisplayIcon") == win_folder + "\\Tamsel.exe,0", v)
        check(v.get("UninstallString") == f"\"{win_folder}\\Uninstall.exe\"", v)
        check(v.get("QuietUninstallString") == f"\"{win_folder}\\Uninstall.exe\" /S", v)
        check(int(v.get("EstimatedSize", "0"), 0) > 1000, v)

        # The installed program shows its main window; its console tool scans.
        waiter = os.path.join(ROOT, "build", preset, "testbin", "wait_window.exe")
        if os.environ.get("DISPLAY"):
            r = wine(prefix, waiter, os.path.join(folder, "Tamsel.exe"), "TamselMainWindow", "60")
            m = re.search(rb"window (\d+)x(\d+)", r.stdout)
            check(m and int(m.group(1)) > 600 and int(m.group(2)) > 400, r.stdout)
        r = wine(prefix, os.path.join(folder, "TamselCli.exe"), "scan", "--json", "--quiet",
                 "--category", "Help Files", check_rc=False)
        check(r.returncode in (0, 1), f"scan exited {r.returncode}: {r.stderr!r}")
        check(b'"build": "%s"' % (b"x64" if machine == 0x8664 else b"x86") in r.stdout, r.stdout[:400])

        # The user's files survive an install over the old one.
        os.makedirs(os.path.join(folder, "regback"), exist_ok=True)
        user_files = {"regback/20260101000000-p.regbak": b"backup", "IgnoreList.dat": b"",
                      "Registry.ini": b"[Settings]\r\nAskClickXButton=0\r\n"}
        for n, data in user_files.items():
            open(os.path.join(folder, n), "wb").write(data)
        chosen = shipped.replace(b'flag="true"', b'flag="false"', 1)
        check(chosen != shipped, "no flag to change in the settings")
        open(os.path.join(folder, "scanSetting.xml"), "wb").write(chosen)
        wine(prefix, SETUP, "/S")
        for n, data in user_files.items():
            check(open(os.path.join(folder, n), "rb").read() == data, f"{n} changed by the second install")
        check(open(os.path.join(folder, "scanSetting.xml"), "rb").read() == chosen, "the user's categories are lost")

        # The uninstaller also takes the scan task and the start-up value.
        wine(prefix, os.path.join(folder, "TamselCli.exe"), "schedule", "add", "--weekly", "Mon", "--at", "03:00")
        tasks = os.path.join(drive, "windows", "tasks")  # Wine spells it so; Windows looks it up in any case
        task = os.path.join(tasks if os.path.isdir(tasks) else os.path.join(drive, "windows", "Tasks"),
                            "Registry Task.job")
        check(os.path.isfile(task), "no scan task to remove")
        run_key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
        wine(prefix, "reg", "add", run_key, "/v", "Registry_quorv", "/d", win_folder + "\\Tamsel.exe -scan", "/f")
        wine(prefix, os.path.join(folder, "Uninstall.exe"), "/S")
        deadline = time.time() + 60  # the uninstaller runs on from a copy of itself
        while time.time() < deadline and os.path.exists(os.path.join(folder, "Tamsel.exe")):
            time.sleep(0.5)
        time.sleep(2)
        left = sorted(os.path.relpath(os.path.join(d, f), folder)
                      for d, _, fs in os.walk(folder) for f in fs) if os.path.isdir(folder) else []
        check(left == ["regback/20260101000000-p.regbak"], f"left behind: {left}")
        check(not os.path.exists(menu), "the Start menu folder is still there")
        check(reg_values(prefix, key, view)[0] != 0, "the uninstall entry is still there")
        check("Registry_quorv" not in reg_values(prefix, run_key, view)[1], "the Run value is still there")
        check(not os.path.exists(task), "the scan task is still there")
    finally:
        wine(prefix, "--stop", check_rc=False)


def main():
    os.makedirs(os.path.join(BUILD, "results"), exist_ok=True)
    can32 = "--with-i686" in sys.argv
    case("zip.win64")(check_zip)("win64", "x86_64", "x86_64-w64-mingw32-objdump", 0x8664)
    case("zip.win32")(check_zip)("win32", "i686", "i686-w64-mingw32-objdump", 0x14C)
    case("help.links_and_sections")(check_help)(os.path.join(BUILD, "unzipped", "win64", "Tamsel", "Help"))
    case("install.win64")(check_install)("x86_64", "wineprefix64", 0x8664, "Program Files", 64)
    if can32:
        case("install.win32")(check_install)("i686", "wineprefix32", 0x14C, "Program Files", 32)
    failed = [r for r in results if r[2]]
    with open(os.path.join(BUILD, "results", "package.xml"), "w") as f:
        f.write(f'<?xml version="1.0"?>\n<testsuites tests="{len(results)}" failures="{len(failed)}">\n'
                f'<testsuite name="package" tests="{len(results)}" failures="{len(failed)}">\n')
        for name, seconds, error in results:
            f.write(f'<testcase name="{name}" classname="package" time="{seconds:.1f}">')
            if error:
                f.write(f'<failure message="failed">{xml.sax.saxutils.escape(error)}</failure>')
            f.write("</testcase>\n")
        f.write("</testsuite>\n</testsuites>\n")
    print(f"{len(results) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
