#!/usr/bin/python3
"""Judges an installer that the program generated against the installer it was made from, with an
independent PE reader (pefile) and, for a 64-bit installer, by running it under wine64: the edited
preference is in KXECONFIG, string 300 holds the switch the configuration asks for (in the language
the block already had), QTPREF and the payload are untouched, and the installer itself prints the
new configuration."""

import argparse
import configparser
import struct
import subprocess
import sys

import pefile

RT_STRING = 6
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def resource_languages(pe, type_key, name_key):
    """(language id, bytes) of every language of one resource, in directory order."""
    found = []
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for type_entry in root.entries if root is not None else []:
        type_name = str(type_entry.name) if type_entry.name is not None else type_entry.id
        if str(type_name).upper() != str(type_key).upper():
            continue
        for name_entry in type_entry.directory.entries:
            name = str(name_entry.name) if name_entry.name is not None else name_entry.id
            if str(name).upper() != str(name_key).upper():
                continue
            for lang in name_entry.directory.entries:
                rva, size = lang.data.struct.OffsetToData, lang.data.struct.Size
                found.append((lang.id, pe.get_data(rva, size)))
    return found


def string_entry(block, index):
    at = 0
    for i in range(16):
        (length,) = struct.unpack_from("<H", block, at)
        at += 2
        if i == index:
            return block[at:at + 2 * length].decode("utf-16-le")
        at += 2 * length
    return None


def string_300(pe):
    return [(lang, string_entry(data, 300 % 16)) for lang, data in resource_languages(pe, RT_STRING, 300 // 16 + 1)]


def parse_ini(data):
    parser = configparser.ConfigParser(strict=False, interpolation=None)
    parser.read_string(data.decode("latin-1"))
    return parser


def counted_record(ini, key):
    """Value and lock of a preference in the counted records of kx_preferences."""
    section = ini["kx_preferences"]
    count = int(section.get("prefscount", "0"))
    for i in range(1, count + 1):
        if section.get("key%d" % i, "").lower() == key.lower():
            return section.get("value%d" % i), section.get("locked%d" % i)
    return None, None


def changed_lines(before, after):
    """The lines of each text that the other lacks, by position; None when the line counts differ."""
    old = before.split(b"\n")
    new = after.split(b"\n")
    if len(old) != len(new):
        return None
    return [(a, b) for a, b in zip(old, new) if a != b]


def record_number(ini, key):
    section = ini["kx_preferences"]
    for i in range(1, int(section.get("prefscount", "0")) + 1):
        if section.get("key%d" % i, "").lower() == key.lower():
            return i
    return None


def main():
    args = argparse.ArgumentParser()
    args.add_argument("--original", required=True)
    args.add_argument("--generated", required=True)
    args.add_argument("--key", required=True)
    args.add_argument("--value", required=True)
    args.add_argument("--lock", required=True)
    args.add_argument("--qtpref", help="the QuickTime preferences file the administrator confirmed")
    args.add_argument("--wine-run", help="runs the generated installer (64-bit ones only)")
    opts = args.parse_args()

    original = pefile.PE(opts.original)
    generated = pefile.PE(opts.generated)

    configs = resource_languages(generated, "BINARY", "KXECONFIG") or []
    if not check(len(configs) == 1, "generated installer has %d KXECONFIG resources" % len(configs)):
        return
    config = configs[0][1]
    check(configs[0][0] == resource_languages(original, "BINARY", "KXECONFIG")[0][0],
          "KXECONFIG changed its language")
    ini = parse_ini(config)
    value, lock = counted_record(ini, opts.key)
    check(value == opts.value, "%s: value %r, expected %r" % (opts.key, value, opts.value))
    check(lock == opts.lock, "%s: lock %r, expected %r" % (opts.key, lock, opts.lock))

    # Only the edited record's value and lock lines differ; every other byte is the original's.
    original_config = resource_languages(original, "BINARY", "KXECONFIG")[0][1]
    n = record_number(parse_ini(original_config), opts.key)
    changes = changed_lines(original_config, config)
    expected_changes = []
    if n is not None:
        for name, old, new in (("Value", counted_record(parse_ini(original_config), opts.key)[0], opts.value),
                               ("Locked", counted_record(parse_ini(original_config), opts.key)[1], opts.lock)):
            if old != new:
                expected_changes.append((("%s%d=%s\r" % (name, n, old)).encode(),
                                         ("%s%d=%s\r" % (name, n, new)).encode()))
    if opts.qtpref:
        for line in original_config.split(b"\n"):
            if line.lower().startswith(b"quicktimelocation="):
                new = b"QuickTimeLocation=" + opts.qtpref.encode() + b"\r"
                if line != new:
                    expected_changes.append((line, new))
                break
    check(changes is not None and sorted(changes) == sorted(expected_changes),
          "KXECONFIG lines changed: %r, expected only %r" % (changes, expected_changes))

    before = string_300(original)
    after = string_300(generated)
    mode = ini.get("setup", "installmode", fallback="1").strip()
    expected = {"1": " /p", "2": " /s"}.get(mode)
    check([lang for lang, _ in after] == [lang for lang, _ in before],
          "string block 19 languages %r, were %r" % (after, before))
    if expected is not None:
        check(all(text == expected for _, text in after), "string 300 is %r, expected %r" % (after, expected))
    else:
        check(after == before, "string 300 changed for installmode %r" % mode)

    apply_qt = ini.get("qt_preferences", "applyqtprefs", fallback="0").strip()
    if apply_qt in ("", "0"):
        check(resource_languages(generated, "BINARY", "QTPREF") == resource_languages(original, "BINARY", "QTPREF"),
              "QTPREF changed although the configuration does not ask for QuickTime preferences")
    elif opts.qtpref:
        wanted = open(opts.qtpref, "rb").read()
        qt = resource_languages(generated, "BINARY", "QTPREF") or []
        check([lang for lang, _ in qt] == [lang for lang, _ in resource_languages(original, "BINARY", "QTPREF")]
              and all(data == wanted for _, data in qt), "QTPREF does not hold the confirmed file")
    check(generated.get_overlay() == original.get_overlay() and original.get_overlay(),
          "the payload (overlay) differs from the original's")
    if original.OPTIONAL_HEADER.CheckSum != 0:
        check(generated.verify_checksum(), "PE checksum is wrong")

    if opts.wine_run and generated.FILE_HEADER.Machine == 0x8664:
        run = subprocess.run([opts.wine_run, opts.generated], capture_output=True, timeout=300)
        out = run.stdout.replace(b"\r\n", b"\n")
        check(run.returncode == 0, "the generated installer exited with %d" % run.returncode)
        check(config.replace(b"\r\n", b"\n") in out, "the installer did not print its new configuration")
        if expected is not None:
            check(('string 300: "%s"' % expected).encode() in out, "the installer printed another string 300")
        check(b"payload ok" in out, "the installer found its payload damaged")


if __name__ == "__main__":
    main()
    for failure in failures:
        print("FAIL: " + failure)
    print("generated installer: %s" % ("FAILED" if failures else "ok"))
    sys.exit(1 if failures else 0)
