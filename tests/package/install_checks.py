"""The installer and uninstaller under Wine, in a fresh prefix per build:
what they install, what a second install keeps, and that uninstalling
removes only what Tamsel put there."""
import json
import os
import re
import shutil
import subprocess
import time

from common import (BUILD, ROOT, SETUP_NAME, VERSION, WINE_RUN, check, pe_machine, read, reg_values, tree, wine,
                    write)

UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tamsel"
RUN_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
TASK = "Registry Task"
# One disabled start-up program, as the startup manager records it.
STARTUP_RECORD = (b'<?xml version="1.0" encoding="UTF-8"?>\r\n<startupManage><node fileNameDescType="Helper" '
                  b'fileLocation="C:\\Tools\\helper.exe /tray" filePath="C:\\Tools\\helper.exe" '
                  b'RegHkey="HKEY_CURRENT_USER" RegSubkeyPath="Software\\Microsoft\\Windows\\CurrentVersion\\Run" '
                  b'RegSubkeyName="Helper" RegValueType="REG_SZ"/></startupManage>\r\n')


class Prefix:
    """A fresh Wine prefix in which one build is installed and removed."""

    def __init__(self, name, preset, machine, program_files, view):
        self.path = os.path.join(BUILD, name)
        self.preset, self.machine, self.view = preset, machine, view
        self.drive = os.path.join(self.path, "drive_c")
        self.program_files = program_files

    def __enter__(self):
        wine(self.path, "--stop", check_rc=False)
        shutil.rmtree(self.path, ignore_errors=True)
        shutil.rmtree(self.path + "-data", ignore_errors=True)
        wine(self.path, "--start")
        return self

    def __exit__(self, *_):
        wine(self.path, "--stop", check_rc=False)

    def run(self, *args, **kw):
        return wine(self.path, *args, **kw)

    def unix(self, windows_path):
        check(windows_path[:3].upper() == "C:\\", windows_path)
        return os.path.join(self.drive, *windows_path[3:].split("\\"))

    def default_folder(self):
        return "C:\\" + self.program_files + "\\Tamsel"

    def uninstall_entry(self):
        return reg_values(self.path, UNINSTALL_KEY, self.view)

    def task_file(self):
        tasks = os.path.join(self.drive, "windows", "tasks")  # Wine spells it so; Windows in any case
        return os.path.join(tasks if os.path.isdir(tasks) else os.path.join(self.drive, "windows", "Tasks"),
                            TASK + ".job")

    def uninstall(self, folder):
        self.run(os.path.join(self.unix(folder), "Uninstall.exe"), "/S")
        # The uninstaller goes on from a copy of itself; its own file goes last.
        deadline = time.time() + 60
        while time.time() < deadline and os.path.exists(os.path.join(self.unix(folder), "Uninstall.exe")):
            time.sleep(0.5)
        time.sleep(2)
        check(self.uninstall_entry()[0] != 0, "the uninstall entry is still there")


def setup_path(dist):
    return os.path.join(dist, SETUP_NAME)


def check_install(p, dist):
    folder = p.unix(p.default_folder())
    win_folder = p.default_folder()
    setup = setup_path(dist)
    p.run(setup, "/S")
    for n in ("Tamsel.exe", "TamselCli.exe", "Corvex.dll", "Uninstall.exe", "scanSetting.xml",
              "startupManage.xml", "images/bg_main.png", "Help/index.html"):
        check(os.path.isfile(os.path.join(folder, n)), f"{n} is not installed in {folder}")
    check(pe_machine(read(os.path.join(folder, "Tamsel.exe"))) == p.machine, "wrong build installed")
    for n in ("scanSetting.xml", "startupManage.xml"):
        check(read(os.path.join(folder, n)) == read(os.path.join(ROOT, "data", n)), f"{n} differs from data/")
    menu = os.path.join(p.drive, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Tamsel")
    for lnk in ("Tamsel.lnk", "Uninstall.lnk"):
        check(os.path.isfile(os.path.join(menu, lnk)), f"no Start menu shortcut {lnk}")
    rc, v = p.uninstall_entry()
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
    waiter = os.path.join(ROOT, "build", p.preset, "testbin", "wait_window.exe")
    if os.environ.get("DISPLAY"):
        r = p.run(waiter, os.path.join(folder, "Tamsel.exe"), "TamselMainWindow", "60")
        m = re.search(rb"window (\d+)x(\d+)", r.stdout)
        check(m and int(m.group(1)) > 600 and int(m.group(2)) > 400, r.stdout)
    r = p.run(os.path.join(folder, "TamselCli.exe"), "scan", "--json", "--quiet", "--category", "Help Files",
              check_rc=False)
    check(r.returncode in (0, 1), f"scan exited {r.returncode}: {r.stderr!r}")
    check(b'"build": "%s"' % (b"x64" if p.machine == 0x8664 else b"x86") in r.stdout, r.stdout[:400])

    # The user's files survive an install over the old one: what the program
    # wrote, and files of the user's own beside it.
    written = {"regback/20260101000000-p.regbak": b"backup", "IgnoreList.dat": b"",
               "Registry.ini": b"[Settings]\r\nAskClickXButton=0\r\n", "startupManage.xml": STARTUP_RECORD}
    own = {"My notes.txt": b"mine", "images/mine.png": b"mine too"}
    for n, data in {**written, **own}.items():
        write(os.path.join(folder, n), data)
    shipped = read(os.path.join(ROOT, "data", "scanSetting.xml"))
    chosen = shipped.replace(b'flag="true"', b'flag="false"', 1)
    check(chosen != shipped, "no flag to change in the settings")
    write(os.path.join(folder, "scanSetting.xml"), chosen)
    p.run(setup, "/S")
    for n, data in {**written, **own}.items():
        check(read(os.path.join(folder, n)) == data, f"{n} changed by the second install")
    check(read(os.path.join(folder, "scanSetting.xml")) == chosen, "the user's categories are lost")

    # The uninstaller also takes the scan task and the start-up value; it
    # keeps the backups, the disabled start-up program's record and the
    # user's own files.
    p.run(os.path.join(folder, "TamselCli.exe"), "schedule", "add", "--weekly", "Mon", "--at", "03:00")
    check(os.path.isfile(p.task_file()), "no scan task to remove")
    p.run("reg", "add", RUN_KEY, "/v", "Registry_quorv", "/d", win_folder + "\\Tamsel.exe -scan", "/f")
    p.uninstall(win_folder)
    kept = {n: d for n, d in {**written, **own}.items() if n.startswith("regback/") or n in own}
    kept["startupManage.xml"] = STARTUP_RECORD
    check(tree(folder) == sorted(kept), f"left behind: {tree(folder)}, expected {sorted(kept)}")
    for n, data in kept.items():
        check(read(os.path.join(folder, n)) == data, f"{n} changed by the uninstaller")
    check(not os.path.exists(menu), "the Start menu folder is still there")
    check("Registry_quorv" not in reg_values(p.path, RUN_KEY, p.view)[1], "the Run value is still there")
    check(not os.path.exists(p.task_file()), "the scan task is still there")
    shutil.rmtree(folder)


def check_folders(p, dist):
    """Installing into a folder that holds other files, upgrading with the
    same /D=, and uninstalling: the other files survive exactly."""
    cases = [  # name, what the folder holds first, where Tamsel goes (None: refused)
        ("Shared", {"keep.txt": b"mine", "Other/x.txt": b"mine too"}, "Shared\\Tamsel"),
        ("Empty", {}, "Empty"),
        ("Leftover", {"regback/20250101000000-f.regbak": b"old backup"}, "Leftover"),
        ("Crowded", {"a.txt": b"mine", "Tamsel/b.txt": b"mine too"}, None),
    ]
    for name, files, target in cases:
        root = p.unix("C:\\" + name)
        shutil.rmtree(root, ignore_errors=True)
        os.makedirs(root)
        for rel, data in files.items():
            write(os.path.join(root, rel), data)
        before = tree(root)
        r = p.run(setup_path(dist), "/S", "/D=C:\\" + name, check_rc=False)
        if target is None:
            check(r.returncode == 2, f"{name}: the installer exited {r.returncode}, not 2")
            check(tree(root) == before, f"{name}: the folder changed: {tree(root)}")
            check(p.uninstall_entry()[0] != 0, f"{name}: an uninstall entry was written")
            continue
        check(r.returncode == 0, f"{name}: the installer exited {r.returncode}")
        win_target = "C:\\" + target
        check(os.path.isfile(os.path.join(p.unix(win_target), "Tamsel.exe")), f"{name}: not installed in {target}")
        check(p.uninstall_entry()[1].get("InstallLocation") == win_target, f"{name}: {p.uninstall_entry()}")
        # An upgrade named the same way goes to the same place.
        p.run(setup_path(dist), "/S", "/D=C:\\" + name)
        check(p.uninstall_entry()[1].get("InstallLocation") == win_target, f"{name}: upgraded elsewhere")
        p.uninstall(win_target)
        left = tree(root)
        check(left == before, f"{name}: {left} after uninstalling, {before} before")
        for rel, data in files.items():
            check(read(os.path.join(root, rel)) == data, f"{name}: {rel} changed")
        shutil.rmtree(root, ignore_errors=True)


def check_foreign_task(p, dist):
    """A "Registry Task" of another program is not Tamsel's to delete."""
    folder = p.default_folder()
    p.run(setup_path(dist), "/S")
    maker = os.path.join(ROOT, "build", p.preset, "testbin", "make_task.exe")
    p.run(maker, TASK, "C:\\windows\\notepad.exe", "/other")
    check(os.path.isfile(p.task_file()), "the other program's task was not made")
    made = read(p.task_file())
    p.uninstall(folder)
    check(os.path.isfile(p.task_file()), "the uninstaller deleted another program's \"Registry Task\"")
    check(read(p.task_file()) == made, "the uninstaller changed another program's \"Registry Task\"")
    os.remove(p.task_file())


def check_signed_install(p, dist, verify):
    """The signed installer installs a signed uninstaller."""
    folder = p.default_folder()
    p.run(setup_path(dist), "/S")
    for n in ("Uninstall.exe", "Tamsel.exe", "TamselCli.exe", "Corvex.dll"):
        verify(os.path.join(p.unix(folder), n), "the installed " + n)
    p.uninstall(folder)


def check_interactive_uninstall(p, dist):
    """Answered as a user would: yes to deleting the backups (only the ones
    Tamsel made go), yes to starting the disabled programs again first."""
    folder = p.unix(p.default_folder())
    cli = os.path.join(folder, "TamselCli.exe")
    p.run(setup_path(dist), "/S")
    # A start-up program disabled by the console tool: its record is the
    # only copy of its command.
    name, command = "TamselCheckHelper", "C:\\windows\\notepad.exe /check"
    p.run("reg", "add", RUN_KEY, "/v", name, "/d", command, "/f")
    items = json.loads(p.run(cli, "startup", "--json").stdout)["startupItems"]
    item = [i["item"] for i in items if i["valueName"] == name]
    check(len(item) == 1, f"{name} is not listed once: {items}")
    p.run(cli, "startup", "disable", item[0])
    check(name not in reg_values(p.path, RUN_KEY, p.view)[1], "the Run value was not disabled")
    check(name.encode() in read(os.path.join(folder, "startupManage.xml")), "no record of the disabled program")
    tamsels = ["20260101000000-p.regbak", "20260101000000-p-d/HKEY_CURRENT_USER/0.hiv", "20260102000000-f.regbak.tmp"]
    users = ["my notes.txt", "older/copy.regbak"]
    for rel in tamsels + users:
        write(os.path.join(folder, "regback", rel), b"x")

    answers = os.path.join(p.path, "answers.txt")
    with open(os.path.join(p.path, "uninstall.log"), "wb") as log:
        uninstaller = subprocess.Popen([WINE_RUN, p.path, os.path.join(folder, "Uninstall.exe")], stdout=log,
                                       stderr=log)
        r = p.run(os.path.join(ROOT, "build", p.preset, "testbin", "answer_dialogs.exe"), "120",
                  "will be uninstalled from=>Uninstall", "registry backups=>Yes",
                  "Start them with Windows again=>Yes", "could not be enabled again=>OK",
                  "Uninstallation Complete=>Close!", check_rc=False)
        uninstaller.wait(timeout=60)
    write(answers, r.stdout)
    said = r.stdout.decode("utf-8", "replace")
    check(r.returncode == 0, f"the uninstaller's dialogs went otherwise: {said} {r.stderr!r}")
    check("registry backups=>Yes" in said and "Start them with Windows again=>Yes" in said, said)
    backups = tree(os.path.join(folder, "regback"))
    check(backups == sorted(users), f"regback holds {backups}")
    check(reg_values(p.path, RUN_KEY, p.view)[1].get(name) == command, "the disabled program was not enabled again")
    check("could not be enabled again" not in said, said)
    check(tree(folder) == ["regback/" + u for u in sorted(users)], f"left behind: {tree(folder)}")
    p.run("reg", "delete", RUN_KEY, "/v", name, "/f", check_rc=False)
    shutil.rmtree(folder)


def check_interactive_folder(p, dist):
    """The directory page: a folder of other files gets "\\Tamsel" appended,
    and the user is told before anything is installed."""
    root = p.unix("C:\\Shared")
    shutil.rmtree(root, ignore_errors=True)
    write(os.path.join(root, "keep.txt"), b"mine")
    with open(os.path.join(p.path, "setup.log"), "wb") as log:
        installer = subprocess.Popen([WINE_RUN, p.path, setup_path(dist), "/D=C:\\Shared"], stdout=log, stderr=log)
        r = p.run(os.path.join(ROOT, "build", p.preset, "testbin", "answer_dialogs.exe"), "120",
                  "Choose Install Location=>Install",
                  "already holds other files, so Tamsel will be installed in its own folder=>OK",
                  "Installation Complete=>Close!", check_rc=False)
        installer.wait(timeout=60)
    said = r.stdout.decode("utf-8", "replace")
    check(r.returncode == 0, f"the installer's dialogs went otherwise: {said} {r.stderr!r}")
    check("its own folder=>OK" in said, f"the user was not told: {said}")
    check(p.uninstall_entry()[1].get("InstallLocation") == "C:\\Shared\\Tamsel", p.uninstall_entry())
    p.uninstall("C:\\Shared\\Tamsel")
    check(tree(root) == ["keep.txt"], f"C:\\Shared holds {tree(root)}")
    shutil.rmtree(root)
