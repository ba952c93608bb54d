#!/usr/bin/python3
"""Checks the demo installers from outside: an independent PE reader (pefile) must find the
configuration, the QuickTime preferences, string 300 in a German block and the payload as the
overlay; the 64-bit twin run under wine64 must print its configuration, its switch and "payload ok",
and a copy with one payload byte changed must say "payload damaged"."""

import argparse
import os
import shutil
import struct
import subprocess
import sys

import pefile

PAYLOAD_SIZE = 300007
PAYLOAD_SEED = 0x4B585031
GERMAN = 0x0407
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def expected_overlay():
    state = PAYLOAD_SEED
    payload = bytearray(PAYLOAD_SIZE)
    for i in range(PAYLOAD_SIZE):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        payload[i] = state >> 24
    checksum = 2166136261
    for byte in payload:
        checksum = ((checksum ^ byte) * 16777619) & 0xFFFFFFFF
    return bytes(payload) + b"KXPAYLD1" + struct.pack("<II", PAYLOAD_SIZE, checksum)


def entries(directory):
    return directory.entries if directory is not None and hasattr(directory, "entries") else []


def find(directory, key):
    for entry in entries(directory):
        name = str(entry.name) if entry.name is not None else entry.id
        if name == key:
            return entry
    return None


def languages(pe, type_key, name_key):
    type_entry = find(pe.DIRECTORY_ENTRY_RESOURCE, type_key)
    name_entry = find(getattr(type_entry, "directory", None), name_key)
    return [(lang.id, lang.data) for lang in entries(getattr(name_entry, "directory", None))]


def data_of(pe, resource):
    return pe.get_data(resource.struct.OffsetToData, resource.struct.Size)


def string_block(raw):
    texts, at = [], 0
    for _ in range(16):
        (length,) = struct.unpack_from("<H", raw, at)
        texts.append(raw[at + 2:at + 2 + 2 * length].decode("utf-16-le"))
        at += 2 + 2 * length
    return texts


def check_image(path, machine, config, qtpref, overlay):
    name = os.path.basename(path)
    pe = pefile.PE(path)
    check(pe.FILE_HEADER.Machine == machine, f"{name}: machine {pe.FILE_HEADER.Machine:#x}")
    for key, content in (("KXECONFIG", config), ("QTPREF", qtpref)):
        found = languages(pe, "BINARY", key)
        if check(len(found) == 1, f"{name}: {key} has {len(found)} languages"):
            check(data_of(pe, found[0][1]) == content, f"{name}: {key} differs from its source")
    block = languages(pe, pefile.RESOURCE_TYPE["RT_STRING"], 300 // 16 + 1)
    if check([lang for lang, _ in block] == [GERMAN], f"{name}: string block 19 languages {block}"):
        texts = string_block(data_of(pe, block[0][1]))
        check(texts[300 % 16] == " /p", f"{name}: string 300 is {texts[300 % 16]!r}")
    check(pe.get_overlay() == overlay, f"{name}: overlay is not the payload")


def run(wine_run, exe):
    return subprocess.run([wine_run, exe], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=600)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--scratch", required=True)
    parser.add_argument("installers", nargs=2)
    args = parser.parse_args()

    with open(os.path.join(args.source, "kxenterprise.ini"), "rb") as f:
        config = f.read()
    with open(os.path.join(args.source, "quicktime.qtp"), "rb") as f:
        qtpref = f.read()
    overlay = expected_overlay()
    shipped, twin = args.installers

    check_image(shipped, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], config, qtpref, overlay)
    check_image(twin, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], config, qtpref, overlay)

    result = run(args.wine_run, twin)
    expected = config + b'string 300: " /p"\nQTPREF: %d bytes\npayload ok\n' % len(qtpref)
    check(result.returncode == 0, f"twin exited with {result.returncode}")
    check(result.stdout == expected, f"twin printed {result.stdout[-200:]!r}")

    os.makedirs(args.scratch, exist_ok=True)
    damaged = os.path.join(args.scratch, "damaged-setup-x64.exe")
    shutil.copyfile(twin, damaged)
    with open(damaged, "r+b") as f:
        f.seek(-(len(overlay) // 2), os.SEEK_END)
        byte = f.read(1)
        f.seek(-1, os.SEEK_CUR)
        f.write(bytes([byte[0] ^ 0x01]))
    result = run(args.wine_run, damaged)
    check(result.stdout.endswith(b"payload damaged\n"), f"damaged copy printed {result.stdout[-40:]!r}")
    check(result.returncode == 1, f"damaged copy exited with {result.returncode}")

    for failure in failures:
        print("FAIL:", failure)
    print("demo installers checked:", "failed" if failures else "ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
