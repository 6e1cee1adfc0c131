#!/usr/bin/env python3
"""The parts of a release that tools/package.sh writes with a program:

  release.py zip FOLDER OUT EPOCH          a portable zip of FOLDER under "Tamsel/"
  release.py size FOLDER                   the folder's size in KiB, from the bytes
  release.py nsh WIN32 WIN64 OUT           the installer's file lists (NSIS macros)
  release.py manifests VERSION SETUP URL DIST
                                           the winget manifest set and the
                                           Chocolatey install script
  release.py sums DIST FILE...             DIST/SHA256SUMS over the given files

Everything written here depends only on the files' bytes and names and on
EPOCH (the commit's time): no clock, no file system order, no owner.
"""
import hashlib
import os
import sys
import time
import zipfile

PACKAGE_ID = "Quorv.Tamsel"
PUBLISHER = "Quorv Software"
COPYRIGHT = "Copyright (C) Quorv Software. All rights reserved."
# The uninstall entry's key name: what winget matches an installed copy by.
PRODUCT_CODE = "Tamsel"

# Installed by hand in package/Tamsel.nsi: the scan settings (replaced only
# while the user has not changed them) and the disabled start-up records
# (never replaced, kept by the uninstaller while they hold a record).
HANDLED_BY_SCRIPT = {"scanSetting.xml", "startupManage.xml"}


def files_of(folder):
    """Every file below folder as a "/"-separated relative path, sorted."""
    found = []
    for top, _, names in os.walk(folder):
        for n in names:
            found.append(os.path.relpath(os.path.join(top, n), folder).replace(os.sep, "/"))
    return sorted(found)


def make_zip(folder, out, epoch):
    # DOS times have no time zone and start in 1980.
    stamp = max(time.gmtime(int(epoch))[:6], (1980, 1, 1, 0, 0, 0))
    with zipfile.ZipFile(out + ".tmp", "w") as z:
        for rel in files_of(folder):
            info = zipfile.ZipInfo("Tamsel/" + rel, stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            with open(os.path.join(folder, rel), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(out + ".tmp", out)


def size_kib(folder):
    total = sum(os.path.getsize(os.path.join(folder, rel)) for rel in files_of(folder))
    return (total + 1023) // 1024


def nsis_name(rel):
    if any(c in rel for c in '"$`\n'):
        raise SystemExit(f"release.py: {rel!r} cannot be named in the installer script")
    return rel.replace("/", "\\")


def install_macro(name, folder):
    lines = [f"!macro {name}"]
    current = None
    for rel in sorted(files_of(folder), key=lambda r: (os.path.dirname(r), r)):
        if rel in HANDLED_BY_SCRIPT:
            continue
        sub = os.path.dirname(rel)
        if sub != current:
            target = "$INSTDIR\\" + nsis_name(sub) if sub else "$INSTDIR"
            lines.append(f'    SetOutPath "{target}"')
            current = sub
        lines.append(f'    File "{folder}/{rel}"')
    if current:
        lines.append('    SetOutPath "$INSTDIR"')
    lines.append("!macroend")
    return lines


def make_nsh(win32, win64, out):
    shipped = (set(files_of(win32)) | set(files_of(win64))) - HANDLED_BY_SCRIPT
    folders = {os.path.dirname(rel) for rel in shipped} - {""}
    for f in list(folders):
        while "/" in f:
            f = os.path.dirname(f)
            folders.add(f)
    lines = ["; Written by tools/package.sh (package/release.py): the files each build",
             "; installs, and what the uninstaller may remove by name.", ""]
    lines += install_macro("InstallShippedWin32", win32) + [""]
    lines += install_macro("InstallShippedWin64", win64) + [""]
    lines += ["!macro RemoveShippedFiles"]
    lines += [f'    Delete "$INSTDIR\\{nsis_name(rel)}"' for rel in sorted(shipped)]
    lines += ["!macroend", "", "; Deepest first; a folder that still holds anything stays.",
              "!macro RemoveShippedFolders"]
    lines += [f'    RMDir "$INSTDIR\\{nsis_name(f)}"'
              for f in sorted(folders, key=lambda f: (-f.count("/"), f))]
    lines += ["!macroend", ""]
    with open(out, "w", newline="\n") as f:
        f.write("\n".join(lines))


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.file_digest(f, "sha256").hexdigest()


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as f:
        f.write(text)


def make_manifests(version, setup, url, dist):
    digest = sha256(setup).upper()
    name = os.path.basename(setup)
    installer_url = url.rstrip("/") + "/" + name
    head = (f"PackageIdentifier: {PACKAGE_ID}\n"
            f"PackageVersion: {version}\n")
    tail = "ManifestVersion: 1.6.0\n"
    schema = "# yaml-language-server: $schema=https://aka.ms/winget-manifest.{}.1.6.0.schema.json\n"
    winget = os.path.join(dist, "winget")
    write(os.path.join(winget, f"{PACKAGE_ID}.yaml"),
          schema.format("version") + head + "DefaultLocale: en-US\nManifestType: version\n" + tail)
    # One installer for both kinds of Windows: it installs the build that fits.
    installers = "".join(f"- Architecture: {arch}\n"
                         f"  InstallerUrl: {installer_url}\n"
                         f"  InstallerSha256: {digest}\n" for arch in ("x64", "x86"))
    write(os.path.join(winget, f"{PACKAGE_ID}.installer.yaml"),
          schema.format("installer") + head +
          "InstallerType: nullsoft\n"
          "Scope: machine\n"
          "InstallModes:\n- interactive\n- silent\n- silentWithProgress\n"
          "InstallerSwitches:\n"
          "  Silent: /S\n"
          "  SilentWithProgress: /S\n"
          "  InstallLocation: /D=<INSTALLPATH>\n"
          "UpgradeBehavior: install\n"
          "ElevationRequirement: elevatesSelf\n"
          f"ProductCode: {PRODUCT_CODE}\n"
          "Installers:\n" + installers +
          "ManifestType: installer\n" + tail)
    write(os.path.join(winget, f"{PACKAGE_ID}.locale.en-US.yaml"),
          schema.format("defaultLocale") + head +
          "PackageLocale: en-US\n"
          f"Publisher: {PUBLISHER}\n"
          "PackageName: Tamsel\n"
          "License: Proprietary\n"
          f"Copyright: {COPYRIGHT}\n"
          "ShortDescription: Registry cleaning and maintenance for Windows, with backups of every change.\n"
          "Moniker: tamsel\n"
          "ManifestType: defaultLocale\n" + tail)
    write(os.path.join(dist, "chocolatey", "tools", "chocolateyInstall.ps1"),
          "$ErrorActionPreference = 'Stop'\r\n"
          "$packageArgs = @{\r\n"
          "  packageName    = 'tamsel'\r\n"
          "  fileType       = 'exe'\r\n"
          f"  url            = '{installer_url}'\r\n"
          f"  checksum       = '{digest}'\r\n"
          "  checksumType   = 'sha256'\r\n"
          "  silentArgs     = '/S'\r\n"
          "  validExitCodes = @(0)\r\n"
          "}\r\n"
          "Install-ChocolateyPackage @packageArgs\r\n")


def make_sums(dist, files):
    lines = [f"{sha256(os.path.join(dist, rel))}  {rel}\n" for rel in sorted(files)]
    write(os.path.join(dist, "SHA256SUMS"), "".join(lines))


def main(argv):
    commands = {
        "zip": (3, lambda a: make_zip(*a)),
        "size": (1, lambda a: print(size_kib(a[0]))),
        "nsh": (3, lambda a: make_nsh(*a)),
        "manifests": (4, lambda a: make_manifests(*a)),
    }
    if len(argv) >= 3 and argv[1] == "sums":
        make_sums(argv[2], argv[3:])
        return 0
    if len(argv) < 2 or argv[1] not in commands or len(argv) - 2 != commands[argv[1]][0]:
        print(__doc__, file=sys.stderr)
        return 2
    commands[argv[1]][1](argv[2:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
