"""What every package check shares: the release's names, the case runner,
running Windows programs of a prefix, and small file helpers."""
import hashlib
import os
import re
import struct
import subprocess
import tempfile
import time
import traceback

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build", "package")
WINE_RUN = os.path.join(ROOT, "tools", "wine-run.sh")
VERSION = open(os.path.join(ROOT, "build", "x86_64", "bin-version.txt")).read().strip()
DIST = os.path.join(ROOT, os.environ.get("TAMSEL_DIST", "dist"))
SETUP_NAME = f"Tamsel-{VERSION}-setup.exe"
SETUP = os.path.join(DIST, SETUP_NAME)
ZIP_NAMES = [f"Tamsel-{VERSION}-{kind}-portable.zip" for kind in ("win32", "win64")]

results = []
selected = None  # a regular expression over case names, or None for all


def case(name):
    def wrap(fn):
        def run(*args):
            if selected and not re.search(selected, name):
                return
            started = time.time()
            try:
                fn(*args)
                results.append((name, time.time() - started, None))
                print(f"[ OK ] {name}", flush=True)
            except Exception:
                results.append((name, time.time() - started, traceback.format_exc()))
                print(f"[FAIL] {name}\n{traceback.format_exc()}", flush=True)
        return run
    return wrap


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def pe_machine(data):
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    check(data[offset:offset + 4] == b"PE\0\0", "not a PE file")
    return struct.unpack_from("<H", data, offset + 4)[0]


def pe_time_stamp(data):
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<I", data, offset + 8)[0]


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.file_digest(f, "sha256").hexdigest()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def tree(folder):
    """Every file below folder as "/"-separated relative paths, sorted."""
    if not os.path.isdir(folder):
        return []
    return sorted(os.path.relpath(os.path.join(d, f), folder).replace(os.sep, "/")
                  for d, _, fs in os.walk(folder) for f in fs)


def source_epoch():
    """The time tools/package.sh stores in the release."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    out = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"], capture_output=True, text=True, check=True)
    return int(out.stdout.strip())


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
