"""Signing: tools/package.sh signs with a certificate made here for the
test, every signed file verifies against it (and only it), and a signing
setup that is incomplete or wrong fails instead of shipping unsigned."""
import os
import shutil
import struct
import subprocess
import tempfile
import zipfile

from common import BUILD, ROOT, SETUP_NAME, ZIP_NAMES, check, read, write

SIGNING = os.path.join(BUILD, "signing")
SIGNED_DIST = os.path.join(SIGNING, "dist")
SIGNED_BINARIES = ("Tamsel.exe", "TamselCli.exe", "Corvex.dll")


def make_certificate(name):
    """A self-signed code-signing certificate: NAME.pem, NAME.pfx and the
    pfx's password in NAME.password."""
    base = os.path.join(SIGNING, name)
    write(base + ".password", b"throw-away " + name.encode())
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-sha256", "-days", "2", "-nodes",
                    "-subj", f"/CN=Tamsel {name} signer", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", base + ".key", "-out", base + ".pem"], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", base + ".key", "-in", base + ".pem",
                    "-out", base + ".pfx", "-passout", "file:" + base + ".password"], check=True, capture_output=True)
    return base


def package(dist, **sign_env):
    env = {k: v for k, v in os.environ.items() if not k.startswith("TAMSEL_SIGN_")}
    env.update(sign_env, TAMSEL_DIST=dist)
    return subprocess.run([os.path.join(ROOT, "tools", "package.sh")], cwd=ROOT, env=env, capture_output=True,
                          text=True)


def make_signed_release():
    shutil.rmtree(SIGNING, ignore_errors=True)
    os.makedirs(SIGNING)
    ours = make_certificate("test")
    make_certificate("other")
    r = package(SIGNED_DIST, TAMSEL_SIGN_PFX=ours + ".pfx", TAMSEL_SIGN_PASSWORD_FILE=ours + ".password")
    check(r.returncode == 0, r.stdout + r.stderr)
    check("signing with" in r.stdout, r.stdout)


def has_signature(data):
    """Whether a PE file has a certificate table (the security directory)."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    _, size = struct.unpack_from("<II", data, directories + 4 * 8)
    return size > 0


def verifies(path, certificate):
    r = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(SIGNING, certificate + ".pem"),
                        "-in", path], capture_output=True, text=True)
    return r.returncode == 0, r.stdout + r.stderr


def check_verified(path, label):
    ok, out = verifies(path, "test")
    check(ok, f"{label} does not verify against the signing certificate: {out[-1500:]}")
    ok, out = verifies(path, "other")
    check(not ok, f"{label} also verifies against another certificate")


def signed_files(dist, into):
    """The files of a release that carry a signature: the installer and the
    three binaries of each zip (unpacked into `into`)."""
    files = {SETUP_NAME: os.path.join(dist, SETUP_NAME)}
    for name in ZIP_NAMES:
        with zipfile.ZipFile(os.path.join(dist, name)) as z:
            for binary in SIGNED_BINARIES:
                target = os.path.join(into, name, binary)
                write(target, z.read("Tamsel/" + binary))
                files[f"{name}:{binary}"] = target
    return files


def check_signed_release():
    with tempfile.TemporaryDirectory(dir=SIGNING) as unpacked:
        for label, path in signed_files(SIGNED_DIST, unpacked).items():
            check_verified(path, label)
        # Changing one byte of the signed installer breaks its signature.
        tampered = os.path.join(unpacked, "tampered.exe")
        data = bytearray(read(os.path.join(SIGNED_DIST, SETUP_NAME)))
        data[len(data) // 2] ^= 0xFF
        write(tampered, bytes(data))
        check(not verifies(tampered, "test")[0], "a changed installer still verifies")


def check_unsigned_release(dist):
    with tempfile.TemporaryDirectory(dir=SIGNING) as unpacked:
        for label, path in signed_files(dist, unpacked).items():
            check(not has_signature(read(path)), f"{label} of the unsigned release has a signature")


def check_bad_setups():
    base = os.path.join(SIGNING, "test")
    write(os.path.join(SIGNING, "wrong.password"), b"not the password")
    cases = [  # what is set, and which files
        ("only the certificate", {"TAMSEL_SIGN_PFX": base + ".pfx"}),
        ("only the password", {"TAMSEL_SIGN_PASSWORD_FILE": base + ".password"}),
        ("no certificate file", {"TAMSEL_SIGN_PFX": base + ".missing.pfx",
                                 "TAMSEL_SIGN_PASSWORD_FILE": base + ".password"}),
        ("a wrong password", {"TAMSEL_SIGN_PFX": base + ".pfx",
                              "TAMSEL_SIGN_PASSWORD_FILE": os.path.join(SIGNING, "wrong.password")}),
    ]
    for label, env in cases:
        dist = os.path.join(SIGNING, "bad-dist")
        shutil.rmtree(dist, ignore_errors=True)
        r = package(dist, **env)
        check(r.returncode != 0, f"{label}: package.sh succeeded: {r.stdout[-500:]}")
        check(not os.path.exists(os.path.join(dist, SETUP_NAME)), f"{label}: an installer was made")
        check("unsigned" not in r.stdout, f"{label}: package.sh went on unsigned")
