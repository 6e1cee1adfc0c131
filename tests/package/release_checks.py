"""What lets a user check a release: SHA256SUMS, the package manager
entries, and that a second build from the same sources gives the same bytes."""
import os
import re
import shutil
import subprocess
import zipfile

import yaml

from common import (BUILD, DIST, ROOT, SETUP_NAME, VERSION, ZIP_NAMES, check, pe_machine, read, sha256,
                    source_epoch, tree)

WINGET = {  # file: (ManifestType, the fields schema 1.6 requires of it)
    "Quorv.Tamsel.yaml": ("version", ["PackageIdentifier", "PackageVersion", "DefaultLocale"]),
    "Quorv.Tamsel.installer.yaml": ("installer", ["PackageIdentifier", "PackageVersion", "Installers"]),
    "Quorv.Tamsel.locale.en-US.yaml": ("defaultLocale", ["PackageIdentifier", "PackageVersion", "PackageLocale",
                                                         "Publisher", "PackageName", "License", "ShortDescription"]),
}
CHOCOLATEY = "chocolatey/tools/chocolateyInstall.ps1"


def release_files(dist):
    return [f for f in tree(dist) if f != "SHA256SUMS"]


def check_sums(dist):
    lines = read(os.path.join(dist, "SHA256SUMS")).decode().splitlines()
    listed = {}
    for line in lines:
        m = re.fullmatch(r"([0-9a-f]{64})  (\S+)", line)
        check(m, f"not a sha256sum line: {line!r}")
        listed[m.group(2)] = m.group(1)
    files = release_files(dist)
    check(sorted(listed) == files, f"SHA256SUMS lists {sorted(listed)}, the release has {files}")
    for name in ZIP_NAMES + [SETUP_NAME]:
        check(name in listed, f"{name} is not listed")
    for name, digest in listed.items():
        check(sha256(os.path.join(dist, name)) == digest, f"{name} does not match its sum")
    # The README's check on Linux.
    r = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=dist, capture_output=True, text=True)
    check(r.returncode == 0, r.stdout + r.stderr)


def version_string(data, key):
    """The value of key in the version resource of a PE file's bytes."""
    at = data.find((key + "\0").encode("utf-16-le"))
    check(at >= 0, f"no {key} in the version resource")
    i = at + 2 * (len(key) + 1)
    while data[i:i + 2] == b"\0\0":  # padding to 32 bits
        i += 2
    end = i
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[i:end].decode("utf-16-le")


def check_manifests(dist):
    folder = os.path.join(dist, "winget")
    check(sorted(os.listdir(folder)) == sorted(WINGET), f"winget/ holds {sorted(os.listdir(folder))}")
    setup = read(os.path.join(dist, SETUP_NAME))
    digest = sha256(os.path.join(dist, SETUP_NAME))
    # The installer is a 32-bit program that installs the build fitting the Windows.
    check(pe_machine(setup) == 0x14C, "the installer is not a 32-bit program")
    check(version_string(setup, "ProductVersion") == VERSION, "the installer's version is not the release's")
    docs = {}
    for name, (kind, required) in WINGET.items():
        doc = yaml.safe_load(read(os.path.join(folder, name)))
        for field in required + ["ManifestType", "ManifestVersion"]:
            check(doc.get(field), f"{name} lacks {field}")
        check(doc["ManifestType"] == kind, f"{name} is a {doc['ManifestType']} manifest")
        check(doc["ManifestVersion"] == "1.6.0", f"{name}: ManifestVersion {doc['ManifestVersion']}")
        check(doc["PackageVersion"] == VERSION, f"{name}: PackageVersion {doc['PackageVersion']}")
        docs[kind] = doc
    check(len({d["PackageIdentifier"] for d in docs.values()}) == 1, "the three files name different packages")
    check(docs["version"]["DefaultLocale"] == docs["defaultLocale"]["PackageLocale"], "the default locale differs")
    installer = docs["installer"]
    check(installer["InstallerType"] == "nullsoft", installer)
    check(installer["InstallerSwitches"]["Silent"] == "/S", installer)
    check(installer["InstallerSwitches"]["SilentWithProgress"] == "/S", installer)
    check(sorted(i["Architecture"] for i in installer["Installers"]) == ["x64", "x86"], installer["Installers"])
    for i in installer["Installers"]:
        check(i["InstallerSha256"].lower() == digest, f"{i['Architecture']}: the hash is not the installer's")
        check(i["InstallerUrl"].startswith("https://") and i["InstallerUrl"].endswith("/" + SETUP_NAME),
              f"{i['Architecture']}: {i['InstallerUrl']}")
    script = read(os.path.join(dist, CHOCOLATEY)).decode()
    check(f"checksum       = '{digest.upper()}'" in script, "the Chocolatey script has another checksum")
    check("silentArgs     = '/S'" in script, "the Chocolatey script is not silent")
    check(installer["Installers"][0]["InstallerUrl"] in script, "the Chocolatey script downloads another file")


def copy_sources(target):
    """The files of the working tree git knows or would add: what a clean
    clone of the same state holds."""
    listed = subprocess.run(["git", "-C", ROOT, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                            capture_output=True, check=True).stdout.decode().split("\0")
    for rel in filter(None, listed):
        src = os.path.join(ROOT, rel)
        if os.path.isfile(src):
            os.makedirs(os.path.dirname(os.path.join(target, rel)), exist_ok=True)
            shutil.copy2(src, os.path.join(target, rel))


def zip_difference(a, b):
    with zipfile.ZipFile(a) as za, zipfile.ZipFile(b) as zb:
        ia = {i.filename: (i.date_time, i.external_attr, i.CRC) for i in za.infolist()}
        ib = {i.filename: (i.date_time, i.external_attr, i.CRC) for i in zb.infolist()}
    return sorted(n for n in set(ia) | set(ib) if ia.get(n) != ib.get(n)) or "same entries, other bytes"


def check_reproducible():
    # Another folder with another name, so any build path that leaks shows.
    work = os.path.join(BUILD, "reproduce")
    shutil.rmtree(work, ignore_errors=True)
    copy = os.path.join(work, "second-checkout")
    copy_sources(copy)
    env = dict(os.environ)
    for name in ("CMAKE_C_COMPILER_LAUNCHER", "CMAKE_CXX_COMPILER_LAUNCHER", "TAMSEL_SIGN_PFX",
                 "TAMSEL_SIGN_PASSWORD_FILE", "TAMSEL_DIST"):
        env.pop(name, None)
    env.update(CCACHE_DISABLE="1", SOURCE_DATE_EPOCH=str(source_epoch()),
               CMAKE_BUILD_PARALLEL_LEVEL=os.environ.get("TAMSEL_JOBS", "2"))
    with open(os.path.join(work, "package.log"), "w") as log:
        r = subprocess.run([os.path.join(copy, "tools", "package.sh")], cwd=copy, env=env, stdout=log,
                           stderr=subprocess.STDOUT)
    check(r.returncode == 0, f"the second build failed: see {work}/package.log")
    second = os.path.join(copy, "dist")
    check(release_files(second) == release_files(DIST),
          f"the releases hold {release_files(DIST)} and {release_files(second)}")
    differ = []
    for name in release_files(DIST) + ["SHA256SUMS"]:
        if read(os.path.join(DIST, name)) != read(os.path.join(second, name)):
            differ.append((name, zip_difference(os.path.join(DIST, name), os.path.join(second, name))
                           if name.endswith(".zip") else None))
    check(not differ, f"not the same bytes: {differ}")
    shutil.rmtree(work, ignore_errors=True)
