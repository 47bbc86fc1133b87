#!/usr/bin/env python3
"""Compares what module records read from packages (the JSON of dump_module_records) with what
msitools reads from the same packages, applying the record's reading rules independently:

  identity from the first ModuleSignature row, key "<id>:<language>"; summary properties 4, 6,
  9, 3 taken only when stored as text; display name = subject, else the package path (no
  module name table in the test); dialogs and custom actions in row order; dependencies
  without the module itself, exclusions all, the last row winning for a key; files with the
  text after the first '|' as long name and their component's directory; maps ordered by
  UTF-16 code unit.

usage: compare_with_msiinfo.py <dump.json> <package folder>...
"""
import json
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import msitools  # noqa: E402

VT_I2, VT_I4, VT_LPSTR, VT_FILETIME = 2, 3, 30, 64
PID_CODEPAGE = 1
MSI_NULL_INTEGER = -0x80000000


def export(package, table):
    """Rows of a table as lists of texts (None for a null cell), in msitools' order."""
    if table not in msitools.tables(package):
        return None
    return [[cell or None for cell in row] for row in msitools.Table(package, table).rows]


def integer(cell):
    return MSI_NULL_INTEGER if cell is None else int(cell)


def summary(package):
    """Summary properties as {pid: (type, value)} read from the raw property set stream."""
    data = msitools.msiinfo("extract", package, "\x05SummaryInformation").stdout
    (section_offset,) = struct.unpack_from("<I", data, 28 + 16)
    _, count = struct.unpack_from("<II", data, section_offset)
    entries = [struct.unpack_from("<II", data, section_offset + 8 + 8 * i) for i in range(count)]
    raw = {}
    for pid, offset in entries:
        (vtype,) = struct.unpack_from("<I", data, section_offset + offset)
        raw[pid] = (vtype, section_offset + offset + 4)
    codepage = 1252
    if PID_CODEPAGE in raw and raw[PID_CODEPAGE][0] == VT_I2:
        codepage = struct.unpack_from("<h", data, raw[PID_CODEPAGE][1])[0] & 0xFFFF
    if codepage == 0:  # the system's ANSI code page, 1252 in the test prefix
        codepage = 1252
    values = {}
    for pid, (vtype, at) in raw.items():
        if vtype == VT_LPSTR:
            (length,) = struct.unpack_from("<I", data, at)
            values[pid] = (vtype, data[at + 4:at + 4 + length].split(b"\0")[0].decode("cp%d" % codepage))
        elif vtype == VT_I4:
            values[pid] = (vtype, struct.unpack_from("<i", data, at)[0])
        else:
            values[pid] = (vtype, None)
    return values


def code_units(text):
    return text.encode("utf-16-be")


def expected_record(package, path):
    rec = {}
    signature = export(package, "ModuleSignature") or []
    first = signature[0] if signature else None
    rec["id"] = (first[0] or "") if first else ""
    rec["language"] = integer(first[1]) if first else 0
    rec["version"] = (first[2] or "") if first else ""
    rec["key"] = "%s:%d" % (rec["id"], rec["language"])

    props = summary(package)
    for field, pid in (("author", 4), ("comments", 6), ("name", 9), ("subject", 3)):
        vtype, value = props.get(pid, (0, None))
        rec[field] = value if vtype == VT_LPSTR else ""
    rec["descriptor_name"] = rec["name"]
    rec["display_name"] = rec["subject"] if rec["subject"] else path

    rec["dialogs"] = [row[0] for row in export(package, "Dialog") or []]
    rec["custom_actions"] = [row[0] for row in export(package, "CustomAction") or []]

    dependencies = {}
    for row in export(package, "ModuleDependency") or []:
        dep = {"id": row[2] or "", "language": integer(row[3]), "version": row[4] or ""}
        dep["key"] = "%s:%d" % (dep["id"], dep["language"])
        if (dep["id"], dep["language"], dep["version"]) == (rec["id"], rec["language"], rec["version"]):
            continue
        dependencies[dep["key"]] = dep
    rec["dependencies"] = [dependencies[k] for k in sorted(dependencies, key=code_units)]

    exclusions = {}
    for row in export(package, "ModuleExclusion") or []:
        exc = {"id": row[2] or "", "language": integer(row[3]),
               "min_version": row[4] or "", "max_version": row[5] or ""}
        exc["key"] = "%s:%d" % (exc["id"], exc["language"])
        exclusions[exc["key"]] = exc
    rec["exclusions"] = [exclusions[k] for k in sorted(exclusions, key=code_units)]

    directories = {}
    for row in sorted(export(package, "Component") or [], key=lambda r: code_units(r[0])):
        directories[row[0]] = row[2] or ""
    files = {}
    for row in sorted(export(package, "File") or [], key=lambda r: integer(r[7])):
        name = row[2] or ""
        files[row[0]] = {
            "key": row[0], "file_name": name, "long_name": name.split("|", 1)[-1],
            "size": integer(row[3]) & 0xFFFFFFFF, "version": row[4] or "", "language": row[5] or "",
            "sequence": integer(row[7]) & 0xFFFFFFFF, "directory": directories.get(row[1], "")}
    rec["files"] = [files[k] for k in sorted(files, key=code_units)]
    return rec


def main():
    dump_path, folders = sys.argv[1], sys.argv[2:]
    with open(dump_path, encoding="utf-8") as f:
        dumped = {entry["file"]: entry for entry in json.load(f)}
    located = {name: os.path.join(folder, name) for folder in folders
               for name in os.listdir(folder) if name.endswith(".msm")}

    problems, compared = [], 0
    for name in sorted(located):
        if name not in dumped:
            problems.append("%s: not in the dump" % name)
            continue
        entry = dumped[name]
        package = located[name]
        if msitools.msiinfo("tables", package, check=False).returncode != 0:
            if "error" not in entry or not entry.get("installer_error"):
                problems.append("%s: msitools cannot read it, the record did: %r" % (name, entry))
            compared += 1
            continue
        if "error" in entry:
            problems.append("%s: the record failed: %s" % (name, entry["error"]))
            continue
        expected = expected_record(package, entry["path"])
        for field, value in expected.items():
            if entry.get(field) != value:
                problems.append("%s: %s\n  record:  %r\n  msiinfo: %r" % (name, field, entry.get(field), value))
        compared += 1

    return msitools.report(problems, "%d packages compared, %d differences"
                           % (compared, len(problems)), compared)


if __name__ == "__main__":
    sys.exit(main())
