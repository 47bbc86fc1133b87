#!/usr/bin/env python3
"""Checks the module folders that the component resolved (dump_module_folders' lines) against
an independent walk of the same packages' Directory, Property, Component and File tables,
exported with msitools' msiinfo.

    check_module_folders.py <dump.tsv> <package folder> [<package folder>...]

Every package of every folder must be in the dump; for each file and each Directory key the
dump's answer (resolved with a folder, unresolved, or an installer error) must be the one the
walk below gives.  Exit status 0 when all agree, 1 otherwise.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import msitools  # noqa: E402

SYSTEM_FOLDERS = {name.upper() for name in (
    "AdminToolsFolder", "AppDataFolder", "CommonAppDataFolder", "CommonFilesFolder",
    "DesktopFolder", "FavoritesFolder", "FontsFolder", "LocalAppDataFolder",
    "MyPicturesFolder", "PersonalFolder", "ProgramFilesFolder", "ProgramMenuFolder",
    "SendToFolder", "StartMenuFolder", "StartupFolder", "System16Folder", "SystemFolder",
    "TempFolder", "TemplateFolder", "WindowsFolder", "WindowsVolume")}

FIELD_ROOM = 259          # characters a field read can take (260 with the terminator)
PROPERTY_NAME_ROOM = 213  # characters of a property name that fit the property query
MODULE_ID_LENGTH = 36     # characters of a module suffix after the last dot


class RefusedQuery(Exception):
    """The installer refuses a query whose quoted key holds an apostrophe."""


def ansi_length(text):
    return len(text.encode("cp1252", errors="replace"))


def export_table(package, table):
    """Rows of an exported table as dicts of column name to text (null fields are empty)."""
    exported = msitools.Table(package, table)
    return [{column: cell.replace("\x10", "\t").replace("\x11", "\r").replace("\x19", "\n")
             for column, cell in zip(exported.columns, row)} for row in exported.rows]


class Package:
    def __init__(self, path):
        tables = msitools.tables(path)

        def rows(table):
            return export_table(path, table) if table in tables else []
        self.directories = {row["Directory"]: row for row in rows("Directory")}
        self.properties = ({row["Property"]: row["Value"] for row in rows("Property")}
                           if "Property" in tables else None)  # None: no Property table
        components = {row["Component"]: row["Directory_"] for row in rows("Component")}
        self.file_directories = {row["File"]: components.get(row["Component_"], "")
                                 for row in rows("File")}

    # -- the rules -------------------------------------------------------------------------

    def is_system_folder(self, key):
        if "'" in key:
            raise RefusedQuery(key)
        row = self.directories.get(key)
        if row is None or ansi_length(row["Directory_Parent"]) > FIELD_ROOM:
            return False
        return key.upper() in SYSTEM_FOLDERS

    def property_value(self, name):
        if self.properties is None or ansi_length(name) > PROPERTY_NAME_ROOM:
            return None
        if "'" in name:
            raise RefusedQuery(name)
        value = self.properties.get(name)
        if value is None or ansi_length(value) > FIELD_ROOM:
            return None
        return value

    @staticmethod
    def without_module_suffix(key):
        dot = key.rfind(".")
        if dot >= 0 and len(key) - dot - 1 == MODULE_ID_LENGTH:
            return key[:dot]
        return key

    @staticmethod
    def target_long_name(default_dir):
        target = default_dir.split(":", 1)[0]
        return target.split("|", 1)[1] if "|" in target else target

    def walk(self, key):
        """('resolved', path), ('unresolved', None) or ('error', None) for a key."""
        try:
            return self._walk(key)
        except RefusedQuery:
            return ("error", None)

    def _walk(self, key):
        if not key:
            return ("unresolved", None)
        path = ""
        seen = set()
        current = key
        last = False  # a source root named by a property ends the walk at the next name
        while True:
            row = self.directories.get(current) if current else None
            if row is None or current in seen:
                return ("unresolved", None)  # no row, a root without source, or a cycle
            if (ansi_length(row["DefaultDir"]) > FIELD_ROOM
                    or ansi_length(row["Directory"]) > FIELD_ROOM):
                return ("unresolved", None)
            seen.add(current)
            level = self.without_module_suffix(row["Directory"])
            if self.is_system_folder(level):
                # the bracketed property stands for a folder ending in a separator
                return ("resolved", "[" + level + "]" + path)
            name = self.target_long_name(row["DefaultDir"])
            if name.upper() == "SOURCEDIR":
                value = self.property_value(level)
                if value is None:
                    return ("resolved", path)
                name, last = value, True
            parent = row["Directory_Parent"]
            if ansi_length(parent) > FIELD_ROOM:
                return ("unresolved", None)
            if name.startswith("."):
                if parent.upper() == "TARGETDIR":
                    value = self.property_value(level)
                    return ("resolved", level if value is None else value)
                current = parent
                continue
            path = name + "\\" + path if path else name
            if last:
                return ("resolved", path)
            current = parent


def read_dump(path):
    """{(folder, name): {"error", "files": {key: (directory, answer)}, "dirs", "unreadable"}}"""
    packages, current = {}, None
    with open(path, encoding="utf-8") as dump:
        for line in dump.read().splitlines():
            kind, *fields = line.split("\t")
            if kind == "package":
                current = {"error": fields[2] if len(fields) > 2 else None, "files": {},
                           "dirs": {}, "unreadable": 0}
                packages[(fields[0], fields[1])] = current
            elif kind == "file":
                current["files"][fields[0]] = (fields[1], tuple(fields[2:]))
            elif kind == "dir":
                current["dirs"][fields[0]] = tuple(fields[1:])
            elif kind == "unreadable":
                current["unreadable"] = int(fields[0])
    return packages


def compare(label, expected, answer, problems):
    """expected: (status, folder) of the walk; answer: (status[, folder or text]) dumped."""
    status, folder = expected
    if answer[0] != status:
        problems.append("%s: %s, expected %s %r" % (label, answer, status, folder))
    elif status == "resolved" and answer[1] != folder:
        problems.append("%s: %r, expected %r" % (label, answer[1], folder))
    elif status == "error" and not answer[1].endswith("MsiOpenDatabaseView()"):
        problems.append("%s: error text %r" % (label, answer[1]))


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    dump = read_dump(sys.argv[1])
    problems = []
    counts = {"packages": 0, "files": 0, "directories": 0, "resolved": 0}
    for folder in sys.argv[2:]:
        for name in sorted(n for n in os.listdir(folder) if n.lower().endswith(".msm")):
            entry = dump.get((folder, name))
            if entry is None or entry["error"] is not None:
                problems.append("%s: not read: %s" % (name, entry and entry["error"]))
                continue
            package = Package(os.path.join(folder, name))
            counts["packages"] += 1

            if set(entry["files"]) != set(package.file_directories):
                problems.append("%s: files %s, expected %s" % (
                    name, sorted(entry["files"]), sorted(package.file_directories)))
            for key, directory in sorted(package.file_directories.items()):
                if key not in entry["files"]:
                    continue
                dumped_directory, answer = entry["files"][key]
                if dumped_directory != directory:
                    problems.append("%s file %s: directory %r, expected %r" % (
                        name, key, dumped_directory, directory))
                    continue
                expected = package.walk(directory)
                compare("%s file %s (%s)" % (name, key, directory), expected, answer, problems)
                counts["files"] += 1
                counts["resolved"] += expected[0] == "resolved"

            readable = [k for k in package.directories if ansi_length(k) <= FIELD_ROOM]
            if set(entry["dirs"]) != set(readable):
                problems.append("%s: directory keys %s, expected %s" % (
                    name, sorted(entry["dirs"]), sorted(readable)))
            if entry["unreadable"] != len(package.directories) - len(readable):
                problems.append("%s: %d unreadable keys, expected %d" % (
                    name, entry["unreadable"], len(package.directories) - len(readable)))
            for key in readable:
                if key in entry["dirs"]:
                    compare("%s directory %s" % (name, key), package.walk(key),
                            entry["dirs"][key], problems)
                    counts["directories"] += 1

    return msitools.report(problems, "%(packages)d packages, %(files)d files (%(resolved)d "
                           "resolved), %(directories)d directory keys compared" % counts,
                           counts["packages"])


if __name__ == "__main__":
    sys.exit(main())
