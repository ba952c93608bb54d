"""Independent judge of one rewrite of a real PE file: reads the file before and after with pefile
(which shares no code with the engine) and lists every way in which the rewrite damaged it.

judge(before, after, expected, payload) -> (placement seen, [failures])
  expected: {(type, name, language): bytes} with types and names as ints or upper-case strings;
  payload: None, "zip" or "nsis": what the overlay holds and may have had adjusted.
"""
import struct
import zlib

import pefile

SECURITY, RESOURCE = 4, 2
DISCARDABLE = 0x02000000


def ident(entry):
    return str(entry.name).upper() if entry.name is not None else entry.id


def resources(pe):
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if not hasattr(type_entry, "directory"):
            continue
        for name_entry in type_entry.directory.entries:
            if not hasattr(name_entry, "directory"):
                continue
            for language_entry in name_entry.directory.entries:
                data = language_entry.data.struct
                key = (ident(type_entry), ident(name_entry), language_entry.id)
                found[key] = pe.get_data(data.OffsetToData, data.Size)
    return found


def overlay(pe, raw):
    """The bytes after the last section, without a certificate table that ends the file."""
    start = pe.get_overlay_data_start_offset()
    if start is None:
        start = len(raw)
    security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY]
    end = len(raw)
    if security.Size and security.VirtualAddress >= start and security.VirtualAddress + security.Size == len(raw):
        end = security.VirtualAddress
    return start, raw[start:end]


def resource_section(pe):
    rva = pe.OPTIONAL_HEADER.DATA_DIRECTORY[RESOURCE].VirtualAddress
    if not rva:
        return None
    for section in pe.sections:
        if section.VirtualAddress <= rva < section.VirtualAddress + max(section.Misc_VirtualSize, section.SizeOfRawData):
            return section
    return None


def nsis_crc_holds(raw):
    """An NSIS installer's own check: CRC-32 of the bytes from 512 to the stored CRC."""
    for at in range(512, len(raw) - 28, 512):
        flags, signature = struct.unpack_from("<II", raw, at)
        if signature == 0xDEADBEEF and raw[at + 8:at + 20] == b"NullsoftInst":
            length = struct.unpack_from("<I", raw, at + 24)[0]
            if flags & 4 and not flags & 8:
                return True, "no CRC"
            end = at + length - 4
            if end + 4 > len(raw):
                return False, "data cut short"
            stored = struct.unpack_from("<I", raw, end)[0]
            return zlib.crc32(raw[512:end]) == stored, "CRC"
    return False, "no NSIS header"


def zip_entries_at_their_offsets(raw):
    """Reads the central directory with its offsets taken as file offsets ("zip -A")."""
    eocd = raw.rfind(b"PK\x05\x06")
    if eocd < 0:
        return None
    count, size, directory = struct.unpack_from("<HII", raw, eocd + 10)
    names = []
    for _ in range(count):
        if raw[directory:directory + 4] != b"PK\x01\x02":
            return None
        name_length, extra_length, comment_length = struct.unpack_from("<HHH", raw, directory + 28)
        local = struct.unpack_from("<I", raw, directory + 42)[0]
        name = raw[directory + 46:directory + 46 + name_length]
        if raw[local:local + 4] != b"PK\x03\x04" or raw[local + 30:local + 30 + name_length] != name:
            return None
        names.append(name.decode())
        directory += 46 + name_length + extra_length + comment_length
    return names


def layout_problems(pe, raw):
    problems = set()
    oh = pe.OPTIONAL_HEADER
    if pe.FILE_HEADER.NumberOfSections != len(pe.sections):
        problems.add("section count disagrees with the table")
    previous_end = 0
    for section in sorted(pe.sections, key=lambda s: s.VirtualAddress):
        name = section.Name.rstrip(b"\0").decode(errors="replace")
        if section.VirtualAddress < previous_end:
            problems.add("section %s overlaps the one before" % name)
        if section.VirtualAddress % oh.SectionAlignment:
            problems.add("section %s not aligned" % name)
        previous_end = max(previous_end, section.VirtualAddress + max(section.Misc_VirtualSize, section.SizeOfRawData))
        if section.SizeOfRawData and section.PointerToRawData + section.SizeOfRawData > len(raw):
            problems.add("section %s runs past the file" % name)
    aligned_end = -(-previous_end // oh.SectionAlignment) * oh.SectionAlignment
    if oh.SizeOfImage != aligned_end:
        problems.add("SizeOfImage does not end at the last section")
    spans = sorted((s.PointerToRawData, s.PointerToRawData + s.SizeOfRawData) for s in pe.sections if s.SizeOfRawData)
    if any(end > start for (_, end), (start, _) in zip(spans, spans[1:])):
        problems.add("raw data of two sections overlap")
    return problems


def judge(before_path, after_path, expected, payload=None):
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)

    raw_before = open(before_path, "rb").read()
    raw_after = open(after_path, "rb").read()
    before = pefile.PE(data=raw_before)
    try:
        after = pefile.PE(data=raw_after)
    except pefile.PEFormatError as error:
        return "unreadable", ["pefile cannot read the result: %s" % error]

    # Headers consistent with the sections: no problem that the file did not have before.
    oh, fh = after.OPTIONAL_HEADER, after.FILE_HEADER
    for problem in sorted(layout_problems(after, raw_after) - layout_problems(before, raw_before)):
        check(False, problem)
    if before.OPTIONAL_HEADER.CheckSum:
        check(after.verify_checksum(), "checksum wrong")
    rsrc = resource_section(after)
    directory = oh.DATA_DIRECTORY[RESOURCE]
    check(rsrc is not None, "resource directory outside every section")
    if rsrc is not None:
        check(directory.VirtualAddress + directory.Size <= rsrc.VirtualAddress + max(rsrc.Misc_VirtualSize, rsrc.SizeOfRawData),
              "resource directory runs past its section")
    live_rsrc = [s for s in after.sections if s.Name.rstrip(b"\0") == b".rsrc"]
    check(len(live_rsrc) <= 1 or (rsrc is not None and rsrc.Name.rstrip(b"\0") == b".rsrc"),
          "the live resource section is not the one named .rsrc")
    new_warnings = set(after.get_warnings()) - set(before.get_warnings())
    for warning in new_warnings:
        check(False, "pefile: " + warning)

    # Header fields that no edit may touch.
    for field in ("Machine", "TimeDateStamp", "Characteristics", "SizeOfOptionalHeader", "PointerToSymbolTable",
                  "NumberOfSymbols"):
        if field == "PointerToSymbolTable" and getattr(before.FILE_HEADER, field):
            continue  # moves with the bytes after a grown section
        check(getattr(after.FILE_HEADER, field) == getattr(before.FILE_HEADER, field), "FILE_HEADER.%s changed" % field)
    for field in ("Magic", "AddressOfEntryPoint", "ImageBase", "SectionAlignment", "FileAlignment", "Subsystem",
                  "DllCharacteristics", "SizeOfHeaders", "MajorSubsystemVersion", "SizeOfStackReserve", "SizeOfCode",
                  "BaseOfCode"):
        if hasattr(before.OPTIONAL_HEADER, field):
            check(getattr(oh, field) == getattr(before.OPTIONAL_HEADER, field), "OPTIONAL_HEADER.%s changed" % field)

    # Resources: the new ones hold what was written, every other one is kept.
    old, new = resources(before), resources(after)
    for key, data in expected.items():
        check(new.get(key) == data, "resource %s does not hold the new data" % (key,))
    for key, data in old.items():
        if key not in expected:
            check(new.get(key) == data, "resource %s lost or changed" % (key,))
    for key in new:
        check(key in old or key in expected, "unexpected resource %s" % (key,))

    # Everything outside the resource section keeps its bytes, wherever it moved.
    old_rsrc = resource_section(before)
    after_by_name = {}
    for section in after.sections:
        after_by_name.setdefault(section.Name, []).append(section)
    for section in before.sections:
        if old_rsrc is not None and section.VirtualAddress == old_rsrc.VirtualAddress:
            continue
        candidates = after_by_name.get(section.Name, [])
        moved = [s for s in candidates if s.get_data() == section.get_data() and s.Characteristics == section.Characteristics]
        check(moved, "section %r lost or changed" % section.Name)
        for s in moved[:1]:
            if s.VirtualAddress != section.VirtualAddress:
                check(section.Characteristics & DISCARDABLE, "loaded section %r moved" % section.Name)

    # Data directories other than those the rewrite owns point where they did.
    for index, (old_dir, new_dir) in enumerate(zip(before.OPTIONAL_HEADER.DATA_DIRECTORY, oh.DATA_DIRECTORY)):
        if index not in (RESOURCE, SECURITY, 5, 6):
            check((old_dir.VirtualAddress, old_dir.Size) == (new_dir.VirtualAddress, new_dir.Size),
                  "data directory %d changed" % index)
    check(oh.DATA_DIRECTORY[SECURITY].Size == 0 or raw_after == raw_before, "certificate table still referenced")

    # The overlay: byte for byte, except what a known payload had to have adjusted.
    start_before, overlay_before = overlay(before, raw_before)
    start_after, overlay_after = overlay(after, raw_after)
    check(len(overlay_after) == len(overlay_before), "overlay changed size")
    check((start_after - start_before) % oh.FileAlignment == 0, "overlay moved by a part of FileAlignment")
    if payload is None:
        check(overlay_after == overlay_before, "overlay changed")
    else:
        differing = [i for i, (a, b) in enumerate(zip(overlay_before, overlay_after)) if a != b]
        if payload == "nsis":
            holds, what = nsis_crc_holds(raw_after)
            check(holds, "NSIS integrity check fails (%s)" % what)
            check(len(differing) <= 4, "NSIS data changed beyond its CRC")
        elif payload == "zip":
            names = zip_entries_at_their_offsets(raw_after)
            check(names is not None and names == zip_entries_at_their_offsets(raw_before),
                  "ZIP offsets do not point at the entries")
            eocd = overlay_after.rfind(b"PK\x05\x06")
            directory_start = overlay_after.find(b"PK\x01\x02")
            check(all(directory_start <= i < eocd + 22 for i in differing), "ZIP entries changed beyond their offsets")

    # Placement, as seen from the section table.
    if raw_after == raw_before:
        seen = "unchanged"
    elif len(after.sections) == len(before.sections) + 1:
        seen = "appended"
    elif old_rsrc is not None and rsrc is not None and rsrc.SizeOfRawData == old_rsrc.SizeOfRawData \
            and rsrc.PointerToRawData == old_rsrc.PointerToRawData and len(raw_after) == len(raw_before) - (
                len(raw_before) - start_before - len(overlay_before)):
        seen = "in place"
    else:
        seen = "grown"
    return seen, failures
