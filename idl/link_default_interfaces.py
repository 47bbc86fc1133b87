#!/usr/bin/env python3
"""Gives the coclasses of a type library their default interfaces from an imported library.

    link_default_interfaces.py <classes.tlb> <interfaces.tlb> <import name> <output.tlb>
                               <Class>=<Interface> [...]

widl writes a coclass's interfaces into the coclass's own library, whereas the component's
library must only refer to the interfaces, which the environment's library ("qvmodcat.tlb")
declares.  So the component's classes are compiled without interfaces, and this step adds to
each coclass one implemented interface, [default], that refers to the interface of that name in
the imported library (by its IID, through an import entry that names the library by its LIBID,
version and file name, the way "importlib" references are stored).  Everything else of the
classes' library is kept as widl wrote it.
"""
import struct
import sys

HEADER = struct.Struct("<21i")
SEGMENT = struct.Struct("<4i")
TYPEINFO_SIZE = 100
GUID_ENTRY = 24
SEGMENTS = ("typeinfo", "impinfo", "impfiles", "references", "guidhash", "guid", "namehash",
            "name", "string", "typedesc", "arraydesc", "custdata", "cdguids", "res0e", "res0f")
# The order in which widl lays the segments out after the segment directory.
FILE_ORDER = ("typeinfo", "guidhash", "guid", "references", "impinfo", "impfiles", "namehash",
              "name", "string", "typedesc", "arraydesc", "custdata", "cdguids")
H_POSGUID, H_VARFLAGS, H_VERSION, H_COUNT, H_DISPATCHPOS, H_NIMPINFOS = 2, 5, 6, 8, 19, 20
H_LCID2 = 4
T_TYPEKIND, T_MEMOFFSET, T_POSGUID, T_NAME, T_IMPLTYPES, T_DATATYPE1 = 0, 1, 11, 13, 19, 21
TKIND_COCLASS = 5
IMPINFO_OFFSET_IS_GUID = 0x10000
IMPINFO_SIZE = 12
IMPLTYPEFLAG_FDEFAULT = 1


class TypeLibrary:
    def __init__(self, path):
        with open(path, "rb") as stream:
            self.data = stream.read()
        self.header = list(HEADER.unpack_from(self.data, 0))
        if self.header[0] != 0x5446534D:
            raise SystemExit("%s: not a type library" % path)
        position = HEADER.size + (4 if self.header[H_VARFLAGS] & 0x100 else 0)
        self.extra = self.data[HEADER.size:position]  # the help string library, if any
        count = self.header[H_COUNT]
        self.offsets = list(struct.unpack_from("<%di" % count, self.data, position))
        position += 4 * count
        self.directory = {}
        self.segments = {}
        for name in SEGMENTS:
            offset, length, res08, res0c = SEGMENT.unpack_from(self.data, position)
            position += SEGMENT.size
            self.directory[name] = [res08, res0c]
            self.segments[name] = bytearray(self.data[offset:offset + length] if offset >= 0
                                            else b"")

    def end_of_segments(self):
        end = HEADER.size + len(self.extra) + 4 * len(self.offsets) + SEGMENT.size * 15
        return end + sum(len(self.segments[name]) for name in FILE_ORDER)

    def typeinfo(self, index):
        return list(struct.unpack_from("<25i", self.segments["typeinfo"],
                                       self.offsets[index]))

    def set_typeinfo(self, index, fields):
        struct.pack_into("<25i", self.segments["typeinfo"], self.offsets[index], *fields)

    def name(self, offset):
        length = struct.unpack_from("<i", self.segments["name"], offset + 8)[0] & 0xFF
        return self.segments["name"][offset + 12:offset + 12 + length].decode("latin-1")

    def guid(self, offset):
        return bytes(self.segments["guid"][offset:offset + 16])

    def add_guid(self, guid, hreftype):
        """The GUID's entry, added at the head of its hash chain unless it is there already."""
        table = self.segments["guid"]
        for offset in range(0, len(table), GUID_ENTRY):
            if table[offset:offset + 16] == guid:
                return offset
        key = 0
        for (half,) in struct.iter_unpack("<H", guid):
            key ^= half
        key &= 0x1F
        chain = self.segments["guidhash"]
        offset = len(table)
        table += guid + struct.pack("<ii", hreftype, struct.unpack_from("<i", chain, 4 * key)[0])
        struct.pack_into("<i", chain, 4 * key, offset)
        return offset

    def write(self, path):
        # Types without members point their member records at the end of the file.
        file_end = self.end_of_segments()
        for index in range(len(self.offsets)):
            fields = self.typeinfo(index)
            fields[T_MEMOFFSET] = file_end
            self.set_typeinfo(index, fields)
        position = file_end - sum(len(self.segments[name]) for name in FILE_ORDER)
        placed = {}
        for name in FILE_ORDER:
            placed[name] = position if self.segments[name] else -1
            position += len(self.segments[name])
        out = bytearray(HEADER.pack(*self.header)) + self.extra
        out += struct.pack("<%di" % len(self.offsets), *self.offsets)
        for name in SEGMENTS:
            out += SEGMENT.pack(placed.get(name, -1), len(self.segments[name]),
                                *self.directory[name])
        for name in FILE_ORDER:
            out += self.segments[name]
        with open(path, "wb") as stream:
            stream.write(out)


def interfaces_by_name(library):
    """{name: (IID bytes, type kind)} of the imported library's types."""
    found = {}
    for index in range(len(library.offsets)):
        fields = library.typeinfo(index)
        if fields[T_POSGUID] >= 0:
            found[library.name(fields[T_NAME])] = (library.guid(fields[T_POSGUID]),
                                                   fields[T_TYPEKIND] & 0xF)
    return found


def main(arguments):
    if len(arguments) < 5:
        raise SystemExit(__doc__)
    classes_path, interfaces_path, import_name, output_path = arguments[:4]
    wanted = dict(pair.split("=", 1) for pair in arguments[4:])
    classes = TypeLibrary(classes_path)
    if len(classes.data) != classes.end_of_segments():
        raise SystemExit("%s: a library of classes alone is expected" % classes_path)
    interfaces = TypeLibrary(interfaces_path)
    exported = interfaces_by_name(interfaces)

    # The import file entry: the library's LIBID, locale and version, and its file name.
    library_guid = classes.add_guid(interfaces.guid(interfaces.header[H_POSGUID]), 2)
    encoded = import_name.encode("latin-1")
    record = struct.pack("<iiiH", library_guid, classes.header[H_LCID2],
                         interfaces.header[H_VERSION], len(encoded) << 2 | 1) + encoded
    record += b"\x57" * (-len(record) % 4)
    import_file = len(classes.segments["impfiles"])
    classes.segments["impfiles"] += record

    imports = {}
    for index in range(len(classes.offsets)):
        fields = classes.typeinfo(index)
        if fields[T_TYPEKIND] & 0xF != TKIND_COCLASS:
            continue
        coclass = classes.name(fields[T_NAME])
        if coclass not in wanted:
            raise SystemExit("no interface given for the class %s" % coclass)
        interface = wanted.pop(coclass)
        if interface not in exported:
            raise SystemExit("%s declares no interface %s" % (interfaces_path, interface))
        if fields[T_IMPLTYPES] & 0xFFFF:
            raise SystemExit("the class %s already implements interfaces" % coclass)
        if interface not in imports:
            iid, kind = exported[interface]
            entry = len(classes.segments["impinfo"])
            guid = classes.add_guid(iid, entry + 1)
            # As widl writes it: the type kind, the GUID flag, the entry's ordinal.
            ordinal = entry // IMPINFO_SIZE
            classes.segments["impinfo"] += struct.pack(
                "<iii", kind << 24 | IMPINFO_OFFSET_IS_GUID | ordinal, import_file, guid)
            imports[interface] = entry
        reference = len(classes.segments["references"])
        # An imported type is referred to by its import entry's offset with the low bit set.
        classes.segments["references"] += struct.pack(
            "<iiii", imports[interface] | 1, IMPLTYPEFLAG_FDEFAULT, -1, -1)
        fields[T_IMPLTYPES] = (fields[T_IMPLTYPES] & ~0xFFFF) | 1
        fields[T_DATATYPE1] = reference
        classes.set_typeinfo(index, fields)
    if wanted:
        raise SystemExit("no such classes: %s" % ", ".join(sorted(wanted)))
    classes.header[H_NIMPINFOS] = len(classes.segments["impinfo"]) // IMPINFO_SIZE
    classes.write(output_path)


if __name__ == "__main__":
    main(sys.argv[1:])
