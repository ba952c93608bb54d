#!/usr/bin/python3
"""Independent judge of an edited installer: reads the original and the edited file with pefile,
wrestool and objdump (none of which share code with our engine) and checks that the edit changed
exactly what it was asked to and kept everything else.

judge.py ORIGINAL EDITED [--set TYPE NAME LANGUAGE DATAFILE]... [--string ID TEXT]...
         [--placement inplace|grow|append] [--objdump OBJDUMP]

TYPE and NAME are integers or names; a changed or added resource is named with --set, a string
table entry with --string (its block must otherwise be unchanged). Exit status 0 when every check
holds; the failures are printed otherwise.
"""
import argparse
import subprocess
import sys

import pefile

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def ident(entry):
    return str(entry.name) if entry.name is not None else entry.id


def resources(pe):
    found = []
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name_entry in type_entry.directory.entries:
            for language_entry in name_entry.directory.entries:
                data = language_entry.data.struct
                found.append(((ident(type_entry), ident(name_entry), language_entry.id),
                              pe.get_data(data.OffsetToData, data.Size), data.CodePage))
    return found


def key_of(text):
    return int(text) if text.isdigit() else text.upper()


def decode_block(data):
    entries, at = [], 0
    for _ in range(16):
        count = int.from_bytes(data[at:at + 2], "little")
        entries.append(data[at + 2:at + 2 + 2 * count].decode("utf-16-le"))
        at += 2 + 2 * count
    check(at == len(data), "string block has %d bytes, entries take %d" % (len(data), at))
    return entries


def overlay_without_certificate(pe, raw):
    start = pe.get_overlay_data_start_offset() or len(raw)
    security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[4]
    end = security.VirtualAddress if security.VirtualAddress >= start and security.Size else len(raw)
    return raw[start:end]


def symbol_count(objdump, path):
    listing = subprocess.run([objdump, "-t", path], capture_output=True, text=True)
    return listing.returncode, sum(1 for line in listing.stdout.splitlines() if line.startswith("["))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("original")
    parser.add_argument("edited")
    parser.add_argument("--set", nargs=4, action="append", default=[])
    parser.add_argument("--string", nargs=2, action="append", default=[])
    parser.add_argument("--placement")
    parser.add_argument("--objdump", default="objdump")
    args = parser.parse_args()

    raw_before = open(args.original, "rb").read()
    raw_after = open(args.edited, "rb").read()
    before = pefile.PE(data=raw_before)
    after = pefile.PE(data=raw_after)

    # Resources: every one kept byte for byte and in order, except the ones asked for.
    expected = {}
    for type_text, name_text, language, path in args.set:
        expected[(key_of(type_text), key_of(name_text), int(language))] = open(path, "rb").read()
    may_change = set(expected)
    for id_text, _ in args.string:
        may_change.update(k for k, _, _ in resources(after) if k[0] == 6 and k[1] == int(id_text) // 16 + 1)
    old = resources(before)
    new = resources(after)
    new_map = {key: (data, code_page) for key, data, code_page in new}
    old_keys = [key for key, _, _ in old]
    check([k for k, _, _ in new if k in old_keys] == old_keys, "resource order changed")
    for key, data, code_page in old:
        check(key in new_map, "resource %s lost" % (key,))
        if key in new_map and key not in may_change:
            check(new_map[key][0] == data, "resource %s changed" % (key,))
        if key in new_map:
            check(new_map[key][1] == code_page, "code page of %s changed" % (key,))
    for key, data in expected.items():
        check(key in new_map and new_map[key][0] == data, "resource %s does not hold the new data" % (key,))
    for key in new_map:
        check(key in old_keys or key in may_change, "unexpected resource %s" % (key,))

    # String table entries, decoded here from the raw block.
    for id_text, text in args.string:
        string_id = int(id_text)
        block = string_id // 16 + 1
        old_block = [d for k, d, _ in old if k[0] == 6 and k[1] == block]
        new_block = [(k, d) for k, d, _ in new if k[0] == 6 and k[1] == block]
        check(len(new_block) >= 1, "string block %d missing" % block)
        if new_block:
            entries = decode_block(new_block[0][1])
            check(entries[string_id % 16] == text, "string %d is %r" % (string_id, entries[string_id % 16]))
            if old_block:
                previous = decode_block(old_block[0])
                for index in range(16):
                    if index != string_id % 16:
                        check(entries[index] == previous[index], "string %d changed" % ((block - 1) * 16 + index))

    # Sections other than the resource section keep their bytes; only discardable ones may move.
    resource_rva = after.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress
    old_resource_rva = before.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress
    new_sections = {s.Name: s for s in after.sections}
    for section in before.sections:
        if section.contains_rva(old_resource_rva) and old_resource_rva:
            continue
        moved = new_sections.get(section.Name)
        check(moved is not None, "section %r lost" % section.Name)
        if moved is None:
            continue
        check(moved.get_data() == section.get_data(), "section %r changed" % section.Name)
        if moved.VirtualAddress != section.VirtualAddress:
            check(section.Characteristics & 0x02000000, "loaded section %r moved" % section.Name)

    # One live resource section by name, and the initialised-data total follows the raw sizes.
    check([s.Name.rstrip(b"\0") for s in after.sections].count(b".rsrc") <= 1, "two sections named .rsrc")
    def initialized(pe):
        return sum(s.SizeOfRawData for s in pe.sections if s.Characteristics & 0x40)
    check(after.OPTIONAL_HEADER.SizeOfInitializedData - before.OPTIONAL_HEADER.SizeOfInitializedData
          == initialized(after) - initialized(before), "SizeOfInitializedData does not follow the sections")

    # Every base relocation still patches the same bytes of the same section.
    def relocated(pe):
        sites = []
        for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []):
            for entry in block.entries:
                if entry.type == 0:
                    continue
                section = pe.get_section_by_rva(entry.rva)
                name = section.Name if section else None
                sites.append((name, entry.rva - section.VirtualAddress if section else entry.rva, entry.type))
        return sites
    check(relocated(after) == relocated(before), "base relocations patch other bytes")

    # The overlay (an installer's payload) survives; a certificate table does not.
    check(overlay_without_certificate(after, raw_after) == overlay_without_certificate(before, raw_before),
          "overlay changed")
    security = after.OPTIONAL_HEADER.DATA_DIRECTORY[4]
    check(security.VirtualAddress == 0 and security.Size == 0, "certificate table still referenced")
    if before.OPTIONAL_HEADER.CheckSum:
        check(after.verify_checksum(), "checksum wrong")

    # Header fields that no edit may touch.
    for field in ("Machine", "TimeDateStamp", "Characteristics", "SizeOfOptionalHeader"):
        check(getattr(after.FILE_HEADER, field) == getattr(before.FILE_HEADER, field), "FILE_HEADER.%s changed" % field)
    for field in ("AddressOfEntryPoint", "ImageBase", "SectionAlignment", "FileAlignment", "Subsystem",
                  "DllCharacteristics", "SizeOfHeaders", "MajorSubsystemVersion", "SizeOfStackReserve"):
        check(getattr(after.OPTIONAL_HEADER, field) == getattr(before.OPTIONAL_HEADER, field),
              "OPTIONAL_HEADER.%s changed" % field)
    for index, (old_dir, new_dir) in enumerate(zip(before.OPTIONAL_HEADER.DATA_DIRECTORY, after.OPTIONAL_HEADER.DATA_DIRECTORY)):
        if index not in (2, 4, 5, 6):
            check((old_dir.VirtualAddress, old_dir.Size) == (new_dir.VirtualAddress, new_dir.Size),
                  "data directory %d changed" % index)
    last = max(after.sections, key=lambda s: s.VirtualAddress)
    aligned_end = -(-(last.VirtualAddress + max(last.Misc_VirtualSize, 1)) // after.OPTIONAL_HEADER.SectionAlignment)
    check(after.OPTIONAL_HEADER.SizeOfImage == aligned_end * after.OPTIONAL_HEADER.SectionAlignment,
          "SizeOfImage does not end at the last section")
    for warning in after.get_warnings():
        check("resource" not in warning.lower(), "pefile: " + warning)

    # Placement, as seen from the section table.
    if args.placement:
        count_before, count_after = len(before.sections), len(after.sections)
        old_section = [s for s in before.sections if old_resource_rva and s.contains_rva(old_resource_rva)]
        new_section = [s for s in after.sections if s.contains_rva(resource_rva)]
        if count_after == count_before + 1:
            seen = "append"
        elif old_section and new_section and new_section[0].SizeOfRawData == old_section[0].SizeOfRawData:
            seen = "inplace"
        else:
            seen = "grow"
        check(seen == args.placement, "placement %s, expected %s" % (seen, args.placement))

    # wrestool extracts the new data the same way.
    for (type_key, name_key, language), data in expected.items():
        selector = lambda key: ("+" + key) if isinstance(key, str) else str(key)
        got = subprocess.run(["wrestool", "-x", "--raw", "-t", selector(type_key), "-n", selector(name_key),
                              "-L", str(language), args.edited], capture_output=True).stdout
        check(got == data, "wrestool reads other data for %s" % ((type_key, name_key, language),))

    # objdump reads the section table and the same symbols.
    listing = subprocess.run([args.objdump, "-h", args.edited], capture_output=True, text=True)
    check(listing.returncode == 0, "objdump -h failed: " + listing.stderr)
    if before.FILE_HEADER.PointerToSymbolTable:
        check(symbol_count(args.objdump, args.edited) == symbol_count(args.objdump, args.original),
              "objdump sees other symbols")

    for failure in failures:
        print("judge:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
