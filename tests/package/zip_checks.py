"""The portable zips and the help they carry."""
import html.parser
import os
import re
import shutil
import subprocess
import time
import zipfile

from common import BUILD, DIST, ROOT, VERSION, check, pe_machine, pe_time_stamp, read, source_epoch

# The eleven entries of the main menu, as the program shows them.
MENU_ENTRIES = [
    "Scan & Clean Windows Registry", "Restore Windows Registry", "Registry Ignored List",
    "Defrag Your Registry", "Monitor System Resource", "Manage Startup Items",
    "Restore Windows System", "View System Information", "Modify Program Settings",
    "Set Registry Scan Area", "Set up Scan Schedules",
]
RUNTIME_WRITTEN = {"LastScan.ini", "LastScan.json", "IgnoreList.dat", "Registry.ini", "regback"}
SHOTS = ("main-menu", "main-menu-144", "scan-page", "select-page", "clean-page")


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


def check_entries(z):
    """What a rebuild must give again: one time (the commit's), fixed
    permissions, entries in name order."""
    stamp = max(time.gmtime(source_epoch())[:6], (1980, 1, 1, 0, 0, 0))
    stamp = stamp[:5] + (stamp[5] // 2 * 2,)  # DOS times count seconds in twos
    infos = z.infolist()
    check([i.filename for i in infos] == sorted(i.filename for i in infos), "entries are not in name order")
    for i in infos:
        check(i.date_time == stamp, f"{i.filename} has time {i.date_time}, not {stamp}")
        check(i.external_attr >> 16 == 0o100644, f"{i.filename} has mode {i.external_attr >> 16:o}")


def check_zip(kind, preset, objdump, machine):
    path = os.path.join(DIST, f"Tamsel-{VERSION}-{kind}-portable.zip")
    with zipfile.ZipFile(path) as z:
        names = {n[len("Tamsel/"):] for n in z.namelist() if not n.endswith("/")}
        check(all(n.startswith("Tamsel/") for n in z.namelist()), "everything is under Tamsel/")
        check_entries(z)
        extract = os.path.join(BUILD, "unzipped", kind)
        shutil.rmtree(extract, ignore_errors=True)
        z.extractall(extract)
    folder = os.path.join(extract, "Tamsel")
    bin_dir = os.path.join(ROOT, "build", preset, "bin")
    shots = {f"Help/shots/{s}.png" for s in SHOTS}
    expected = {"Tamsel.exe", "TamselCli.exe", "Corvex.dll"} | data_files() | shots
    # The runtime DLLs: whatever the three binaries import from the build folder.
    for binary in ("Tamsel.exe", "TamselCli.exe", "Corvex.dll"):
        data = read(os.path.join(folder, binary))
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
    # The help shows the screenshots kept with the sources, not a test run's.
    for s in SHOTS:
        shipped = read(os.path.join(folder, "Help", "shots", s + ".png"))
        check(shipped == read(os.path.join(ROOT, "docs", "screenshots", s + ".png")),
              f"Help/shots/{s}.png is not docs/screenshots/{s}.png")
    # No link time and no folder of the machine that built it (the build
    # folder is inside the sources).
    for binary in ("Tamsel.exe", "TamselCli.exe", "Corvex.dll"):
        data = read(os.path.join(folder, binary))
        check(pe_time_stamp(data) == 0, f"{binary} has the link time {pe_time_stamp(data)}")
        for encoded in (ROOT.encode(), ROOT.encode("utf-16-le")):
            check(encoded not in data, f"{binary} holds the build path {ROOT}")
    # Every skin picture the program names ("./images/x.png", UTF-16) is there.
    exe = read(os.path.join(folder, "Tamsel.exe"))
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


