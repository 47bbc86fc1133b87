"""Reads a compiled type library (MSFT format) the way the system's loader does, without Wine,
and finds what a loader stricter than Wine's would refuse or misread.

    type_library_reader.py <component.tlb> <imported library folder> <Class>=<Interface> [...]

prints one finding a line and exits 1 when there are any.  A finding is one of:
  - a segment of the directory that lies outside the file or overlaps another;
  - an import entry whose flags do not hold its ordinal (its position among the import
    entries) in the low word, whose GUID or import file cannot be read, whose file names a
    library other than the one found in the folder (LIBID, version), or whose type is not in
    that library with that kind;
  - a class whose first implemented interface is not flagged [default], or does not resolve to
    the interface of the given name in the imported library.
The pairs name each class's default interface; every class of the library must be named.
"""
import os
import struct
import sys
import uuid

HEADER = struct.Struct("<21i")
SEGMENT = struct.Struct("<4i")
SEGMENT_NAMES = ("typeinfo", "impinfo", "impfiles", "references", "guidhash", "guid", "namehash",
                 "name", "string", "typedesc", "arraydesc", "custdata", "cdguids", "res0e", "res0f")
MAGIC = 0x5446534D
IMPORT_GUID_FLAG = 0x10000
IMPLTYPE_DEFAULT = 1
TYPE_KINDS = ("enum", "record", "module", "interface", "dispatch", "coclass", "alias", "union")


class TypeLibrary:
    """The parts of one MSFT type library the checks need, each read from its segment."""

    def __init__(self, data, name):
        self.name, self.data = name, data
        header = HEADER.unpack_from(data, 0)
        if header[0] != MAGIC:
            raise ValueError("%s: not an MSFT type library" % name)
        self.guid_offset, self.version, self.import_count = header[2], header[6], header[20]
        position = HEADER.size + (4 if header[5] & 0x100 else 0)
        self.typeinfo_offsets = struct.unpack_from("<%di" % header[8], data, position)
        position += 4 * header[8]
        self.segments = {}
        for index, segment in enumerate(SEGMENT_NAMES):
            offset, length, _, _ = SEGMENT.unpack_from(data, position + SEGMENT.size * index)
            self.segments[segment] = (offset, length)
        self.directory_end = position + SEGMENT.size * len(SEGMENT_NAMES)

    def segment(self, name):
        offset, length = self.segments[name]
        return self.data[offset:offset + length] if offset >= 0 else b""

    def guid(self, offset):
        table = self.segment("guid")
        if offset < 0 or offset % 24 or offset + 24 > len(table):
            return None
        return uuid.UUID(bytes_le=bytes(table[offset:offset + 16]))

    def type_name(self, offset):
        table = self.segment("name")
        length = struct.unpack_from("<i", table, offset + 8)[0] & 0xFF
        return table[offset + 12:offset + 12 + length].decode("latin-1")

    def types(self):
        """[(name, kind, GUID, fields)] in typeinfo order."""
        found = []
        for offset in self.typeinfo_offsets:
            fields = struct.unpack_from("<25i", self.segment("typeinfo"), offset)
            found.append((self.type_name(fields[13]), fields[0] & 0xF, self.guid(fields[11]), fields))
        return found

    def imports(self):
        """[(flags, import file offset, GUID offset)] of the import entries."""
        table = self.segment("impinfo")
        return [struct.unpack_from("<3i", table, at) for at in range(0, len(table), 12)]

    def import_file(self, offset):
        """(LIBID, version, file name) of an import file record, or None."""
        table = self.segment("impfiles")
        if offset < 0 or offset + 14 > len(table):
            return None
        guid, _, version, length = struct.unpack_from("<iiiH", table, offset)
        name = table[offset + 14:offset + 14 + (length >> 2)].decode("latin-1")
        return self.guid(guid), version, name


def segment_findings(library):
    placed = sorted((offset, offset + length, name) for name, (offset, length)
                    in library.segments.items() if offset >= 0 and length > 0)
    findings = ["segment %s lies outside the file" % name for start, end, name in placed
                if start < library.directory_end or end > len(library.data)]
    findings += ["segments %s and %s overlap" % (first[2], second[2])
                 for first, second in zip(placed, placed[1:]) if second[0] < first[1]]
    if library.import_count != len(library.imports()):
        findings.append("the header counts %d import entries, the segment holds %d"
                        % (library.import_count, len(library.imports())))
    return findings


def import_findings(library, folder):
    findings, loaded = [], {}
    for ordinal, (flags, file_offset, guid_offset) in enumerate(library.imports()):
        entry = "import entry %d" % ordinal
        if flags & 0xFFFF != ordinal:
            findings.append("%s: ordinal %d in its flags" % (entry, flags & 0xFFFF))
        imported = library.import_file(file_offset)
        if imported is None or not flags & IMPORT_GUID_FLAG or library.guid(guid_offset) is None:
            findings.append("%s: its file or GUID cannot be read" % entry)
            continue
        libid, version, file_name = imported
        if file_name not in loaded:
            loaded[file_name] = read_library(os.path.join(folder, file_name))
        target = loaded[file_name]
        if (target.guid(target.guid_offset), target.version) != (libid, version):
            findings.append("%s: %s is not the library the import file names" % (entry, file_name))
        kinds = {guid: kind for _, kind, guid, _ in target.types()}
        kind = flags >> 24 & 0xFF
        if kinds.get(library.guid(guid_offset)) != kind:
            findings.append("%s: %s declares no %s %s" % (entry, file_name, TYPE_KINDS[kind & 7],
                                                          library.guid(guid_offset)))
    return findings, loaded


def class_findings(library, loaded, defaults):
    findings = []
    interfaces = {name: guid for target in loaded.values() for name, _, guid, _ in target.types()}
    imports = library.imports()
    references = library.segment("references")
    for name, kind, _, fields in library.types():
        if TYPE_KINDS[kind] != "coclass":
            continue
        expected = defaults.get(name)
        if expected is None:
            findings.append("class %s: no default interface is expected for it" % name)
            continue
        if fields[19] & 0xFFFF == 0:
            findings.append("class %s implements no interface" % name)
            continue
        reftype, flags = struct.unpack_from("<2i", references, fields[21])
        if not flags & IMPLTYPE_DEFAULT:
            findings.append("class %s: its first interface is not [default]" % name)
        resolved = None
        if reftype & 3 and (reftype & ~3) // 12 < len(imports):
            resolved = library.guid(imports[(reftype & ~3) // 12][2])
        if resolved != interfaces.get(expected):
            findings.append("class %s: its first interface is %s, not %s %s"
                            % (name, resolved, expected, interfaces.get(expected)))
    return findings


def read_library(path):
    with open(path, "rb") as stream:
        return TypeLibrary(stream.read(), os.path.basename(path))


def findings(library, folder, defaults):
    """Every finding of the library (TypeLibrary) whose imports are files of folder."""
    found = segment_findings(library)
    imported, loaded = import_findings(library, folder)
    return found + imported + class_findings(library, loaded, defaults)


def main(arguments):
    if len(arguments) < 3:
        raise SystemExit(__doc__)
    defaults = dict(pair.split("=", 1) for pair in arguments[2:])
    found = findings(read_library(arguments[0]), arguments[1], defaults)
    for finding in found:
        print("%s: %s" % (arguments[0], finding))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
