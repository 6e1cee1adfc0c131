#!/usr/bin/env python3
"""Checks the release that tools/package.sh made in dist/:

  zip.*        each portable zip holds exactly the runnable folder: the
               programs, the engine, the runtime DLLs they import, the data
               files, the skin the program loads by name and the help; nothing
               from the tests, nothing the program writes at run time; one
               time, fixed permissions and name order in its entries
  help.*       every local link and image of the help resolves, nothing needs
               a network or a script, every main menu entry has a section
  release.*    SHA256SUMS lists every file and matches; the winget manifests
               (and the Chocolatey script) name the installer's version,
               hash, switches and architectures and parse as YAML
  sign.*       a release signed with a certificate made here: every signed
               file verifies against it and no other; a signing setup that is
               incomplete or wrong makes no release; the unsigned one carries
               no signature
  install.*    under Wine, in a fresh prefix per build: silent install, the
               files, shortcuts and uninstall entry, the installed program's
               window and console tool, an install over it that keeps the
               user's files, a silent uninstall that removes only what Tamsel
               put there; folders that hold other files; another program's
               "Registry Task"; the signed installer's uninstaller
  reproduce    the shipped targets of both builds, built again without the
               compiler cache from a copy of the sources in another folder,
               give the same bytes

Writes JUnit XML to build/package/results/package.xml and exits non-zero on
any failure. Options: --with-i686 (also install the 32-bit build in a pure
32-bit prefix), --cases REGEX (run only the matching cases).
"""
import os
import sys
import xml.sax.saxutils

import common
import install_checks
import release_checks
import sign_checks
import zip_checks
from common import BUILD, DIST, case, results


def install_cases(kind, prefix_name, preset, machine, view, signed):
    with install_checks.Prefix(prefix_name, preset, machine, "Program Files", view) as p:
        case(f"install.{kind}")(install_checks.check_install)(p, DIST)
        case(f"install.{kind}.folders")(install_checks.check_folders)(p, DIST)
        case(f"install.{kind}.foreign_task")(install_checks.check_foreign_task)(p, DIST)
        if os.environ.get("DISPLAY"):  # the uninstaller's own windows
            case(f"install.{kind}.interactive_folder")(install_checks.check_interactive_folder)(p, DIST)
            case(f"install.{kind}.interactive_uninstall")(install_checks.check_interactive_uninstall)(p, DIST)
        if signed:
            case(f"install.{kind}.signed")(install_checks.check_signed_install)(
                p, sign_checks.SIGNED_DIST, sign_checks.check_verified)


def main(argv):
    os.makedirs(os.path.join(BUILD, "results"), exist_ok=True)
    with32 = "--with-i686" in argv
    if "--cases" in argv:
        common.selected = argv[argv.index("--cases") + 1]
    case("zip.win64")(zip_checks.check_zip)("win64", "x86_64", "x86_64-w64-mingw32-objdump", 0x8664)
    case("zip.win32")(zip_checks.check_zip)("win32", "i686", "i686-w64-mingw32-objdump", 0x14C)
    case("help.links_and_sections")(zip_checks.check_help)(
        os.path.join(BUILD, "unzipped", "win64", "Tamsel", "Help"))
    case("release.sums")(release_checks.check_sums)(DIST)
    case("release.manifests")(release_checks.check_manifests)(DIST)

    signed = []
    case("sign.release")(lambda: (sign_checks.make_signed_release(), signed.append(True)))()
    if signed:
        case("sign.verify")(sign_checks.check_signed_release)()
        case("sign.sums_and_manifests")(lambda: (release_checks.check_sums(sign_checks.SIGNED_DIST),
                                                 release_checks.check_manifests(sign_checks.SIGNED_DIST)))()
        case("sign.unsigned_has_none")(sign_checks.check_unsigned_release)(DIST)
        case("sign.bad_setups")(sign_checks.check_bad_setups)()

    install_cases("win64", "wineprefix64", "x86_64", 0x8664, 64, bool(signed))
    if with32:
        install_cases("win32", "wineprefix32", "i686", 0x14C, 32, False)
    case("reproduce")(release_checks.check_reproducible)()

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
    sys.exit(main(sys.argv))
