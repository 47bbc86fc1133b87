#!/usr/bin/env python3
"""Checks the packages msmbuild made against their descriptions with msitools, a reader that
shares no code with msi.dll or with the builder.

    check_packages.py <descriptions folder> <packages folder>

Every <name>.msm.txt of the descriptions folder is read here with a reader of the description
format of its own, and <name>.msm is compared with it: the list of tables (missing tables
missing), column types and keys, every row (nulls as empty fields) and the names of the streams.
What the component's own tests notice is left to them: the summary information, raw-text files
(the component must refuse them), the bytes of a stream (the module test unpacks its cabinet),
the _Validation rows (the module rules test and the real modules' rules).
"""

import glob
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import msitools  # noqa: E402

# The standard column definitions of the tables a merge module reader looks at, written down
# independently of the builder: (name, type in export notation, key).
STANDARD_TABLES = {
    "ModuleSignature": [("ModuleID", "s72", True), ("Language", "i2", True), ("Version", "s32", False)],
    "ModuleDependency": [("ModuleID", "s72", True), ("ModuleLanguage", "i2", True),
                         ("RequiredID", "s72", True), ("RequiredLanguage", "i2", True),
                         ("RequiredVersion", "S32", False)],
    "ModuleExclusion": [("ModuleID", "s72", True), ("ModuleLanguage", "i2", True),
                        ("ExcludedID", "s72", True), ("ExcludedLanguage", "i2", True),
                        ("ExcludedMinVersion", "S32", False), ("ExcludedMaxVersion", "S32", False)],
    "Dialog": [("Dialog", "s72", True), ("HCentering", "i2", False), ("VCentering", "i2", False),
               ("Width", "i2", False), ("Height", "i2", False), ("Attributes", "I4", False),
               ("Title", "L128", False), ("Control_First", "s50", False),
               ("Control_Default", "S50", False), ("Control_Cancel", "S50", False)],
    "CustomAction": [("Action", "s72", True), ("Type", "i2", False), ("Source", "S72", False),
                     ("Target", "S255", False)],
    "File": [("File", "s72", True), ("Component_", "s72", False), ("FileName", "l255", False),
             ("FileSize", "i4", False), ("Version", "S72", False), ("Language", "S20", False),
             ("Attributes", "I2", False), ("Sequence", "i4", False)],
    "Component": [("Component", "s72", True), ("ComponentId", "S38", False),
                  ("Directory_", "s72", False), ("Attributes", "i2", False),
                  ("Condition", "S255", False), ("KeyPath", "S72", False)],
    "Directory": [("Directory", "s72", True), ("Directory_Parent", "S72", False),
                  ("DefaultDir", "l255", False)],
    "Property": [("Property", "s72", True), ("Value", "l0", False)],
    # The tables of a module that registers COM classes as data.
    "ModuleComponents": [("Component", "s72", True), ("ModuleID", "s72", True), ("Language", "i2", True)],
    "FeatureComponents": [("Feature_", "s38", True), ("Component_", "s72", True)],
    "Registry": [("Registry", "s72", True), ("Root", "i2", False), ("Key", "l255", False),
                 ("Name", "L255", False), ("Value", "L0", False), ("Component_", "s72", False)],
}
# The module's sequence tables, and the empty product tables a module carries for their schema.
for _kind in ("InstallExecuteSequence", "InstallUISequence"):
    STANDARD_TABLES["Module" + _kind] = [("Action", "s64", True), ("Sequence", "I2", False),
                                         ("BaseAction", "S64", False), ("After", "I2", False),
                                         ("Condition", "S255", False)]
    STANDARD_TABLES[_kind] = [("Action", "s72", True), ("Condition", "S255", False),
                              ("Sequence", "I2", False)]


# ---- descriptions ------------------------------------------------------------------------

# A separator is a bar with a blank before and a blank or the end of the line after it; a cell
# starting with "<text " runs to a '>' followed by a separator or the end of the line.
CELL = re.compile(r"[ \t]*(<text .*?>|.*?)[ \t]*(?:((?<=[ \t])\|(?=[ \t]|$))|$)")


def split_cells(line):
    """Cells of a table line, blanks around them left out."""
    cells, pos = [], 0
    while True:
        match = CELL.match(line, pos)
        cells.append(match.group(1))
        if match.group(2) is None:
            return cells
        pos = match.end()


def cell_value(cell):
    """None for a null cell, otherwise the text with <repeat N X> and <text X> expanded."""
    if cell in ("", "<null>"):
        return None
    if cell.startswith("<text ") and cell.endswith(">"):
        text = cell[6:-1]
    elif cell.startswith("<repeat ") and cell.endswith(">"):
        count, piece = cell[8:-1].split(" ", 1)
        text = piece * int(count)
    else:
        text = cell
    return text or None


class Description:
    def __init__(self, path):
        self.name = os.path.basename(path)[:-len(".txt")]
        self.raw_text = False
        self.tables = {}   # name -> {"header": [...], "rows": [[...]]}
        self.streams = set()
        self.validation = False
        table = None
        with open(path, encoding="utf-8-sig") as f:
            for line in f.read().split("\n"):
                line = line.rstrip("\r")
                if not line.strip() or line.strip().startswith("#"):
                    continue
                if line[0] in " \t":
                    cells = split_cells(line)
                    if table["header"] is None:
                        table["header"] = cells
                    else:
                        table["rows"].append(cells)
                    continue
                keyword, _, rest = line.partition(" ")
                table = None
                if keyword == "raw-text":
                    self.raw_text = True
                elif keyword in ("codepage", "summary"):
                    pass
                elif keyword == "table":
                    table = self.tables[rest.strip()] = {"header": None, "rows": []}
                elif keyword == "stream":
                    self.streams.add(rest.partition("=")[0].strip())
                elif keyword == "validation":
                    self.validation = True
                else:
                    raise ValueError("%s: unexpected line %r" % (path, line))


# ---- msitools ----------------------------------------------------------------------------

class Checker:
    def __init__(self):
        self.failures = []

    def fail(self, package, message):
        self.failures.append("%s: %s" % (package, message))

    def check(self, description, package):
        if description.raw_text:
            return
        tables = msitools.tables(package)
        described = set(description.tables) | ({"_Validation"} if description.validation else set())
        if tables != described:
            self.fail(package, "tables %s, described %s" % (sorted(tables), sorted(described)))
        for name, table in description.tables.items():
            if name in tables:
                self.check_table(package, name, table)
        stored = set(msitools.msiinfo("streams", package).stdout.decode().split()) - {
            "\x05SummaryInformation", "SummaryInformation"}
        if stored != set(description.streams):
            self.fail(package, "streams %s, described %s" % (sorted(stored), sorted(description.streams)))

    def check_table(self, package, name, table):
        exported = msitools.Table(package, name)
        names, types, keys, rows = exported.columns, exported.types, exported.keys, exported.rows

        # Expected columns: the standard ones, each replaced or joined by typed header cells.
        expected = list(STANDARD_TABLES.get(name, []))
        given = []
        for cell in table["header"] or []:
            column, _, notation = cell.partition(":")
            given.append(column)
            if notation:
                definition = (column, notation.rstrip("*"), notation.endswith("*"))
                known = [i for i, c in enumerate(expected) if c[0] == column]
                if known:
                    expected[known[0]] = definition
                else:
                    expected.append(definition)
        if name not in STANDARD_TABLES and not expected:
            return self.fail(package, "%s: unknown table without typed columns" % name)
        if [(c[0], c[1]) for c in expected] != list(zip(names, types)):
            self.fail(package, "%s: columns %s, expected %s"
                      % (name, list(zip(names, types)), [(c[0], c[1]) for c in expected]))
        if [c[0] for c in expected if c[2]] != keys:
            self.fail(package, "%s: keys %s, expected %s" % (name, keys, [c[0] for c in expected if c[2]]))

        is_integer = {c[0]: c[1][0] in "iI" for c in expected}
        wanted = []
        for row in table["rows"]:
            values = dict.fromkeys(names, "")
            for column, cell in zip(given, row):
                value = cell_value(cell)
                if value is not None and is_integer[column]:
                    value = str(int(value))
                values[column] = value or ""
            wanted.append([values[column] for column in names])
        if sorted(rows) != sorted(wanted):
            self.fail(package, "%s: rows\n    %s\n  expected\n    %s" % (name, sorted(rows), sorted(wanted)))


def main():
    descriptions_folder, packages_folder = sys.argv[1:3]
    checker = Checker()
    descriptions = sorted(glob.glob(os.path.join(descriptions_folder, "*.msm.txt")))
    if not descriptions:
        sys.exit("no descriptions in %s" % descriptions_folder)
    for path in descriptions:
        description = Description(path)
        package = os.path.join(packages_folder, description.name)
        if not os.path.isfile(package):
            checker.fail(package, "was not built")
            continue
        try:
            checker.check(description, package)
        except Exception as error:  # a malformed package must not hide the others' results
            checker.fail(package, "%s: %s" % (type(error).__name__, error))

    for failure in checker.failures:
        print("FAIL " + failure)
    print("%d packages checked, %d failures" % (len(descriptions), len(checker.failures)))
    sys.exit(1 if checker.failures else 0)


if __name__ == "__main__":
    main()
