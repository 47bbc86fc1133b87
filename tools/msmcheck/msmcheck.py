#!/usr/bin/env python3
"""msmcheck: the merge-module validation that tables alone decide, read with msitools.

    msmcheck.py <module.msm>...

prints one finding a line ("<package>: <rule>: <what>") and exits 1 when there are any.
README.md lists the rules, what each checks and where the documented rule is uncertain.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "support"))

import msitools  # noqa: E402
from msm_categories import CATEGORY_CHECKS, STANDARD_FOLDERS, base_name  # noqa: E402

REQUIRED_TABLES = ("Component", "Directory", "FeatureComponents", "File", "ModuleSignature",
                   "ModuleComponents")
MODULE_SEQUENCES = ("ModuleInstallExecuteSequence", "ModuleInstallUISequence",
                    "ModuleAdminExecuteSequence", "ModuleAdminUISequence",
                    "ModuleAdvtExecuteSequence", "ModuleAdvtUISequence")
# Tables whose own keys are not modularized: the module's description of itself, the
# validation data, the product-level tables and the standard actions of the sequences.
UNMODULARIZED = {"ModuleSignature", "ModuleComponents", "ModuleDependency", "ModuleExclusion",
                 "ModuleIgnoreTable", "ModuleConfiguration", "ModuleSubstitution", "_Validation",
                 "Property", "Feature", "FeatureComponents"} | set(MODULE_SEQUENCES)
SIXTY_FOUR_BIT_FOLDERS = {"ProgramFiles64Folder", "CommonFiles64Folder", "System64Folder"}
THIRTY_TWO_BIT_FOLDERS = {"ProgramFilesFolder", "CommonFilesFolder", "SystemFolder"}
COMPONENT_64BIT, COMPONENT_PERMANENT = 256, 16
CUSTOM_ACTION_SET_DIRECTORY = 51
# The feature a module row names: the merge puts the product's feature in its place.
MODULE_FEATURE = "{00000000-0000-0000-0000-000000000000}"
# The advertising tables, each naming its component in Component_.
ADVERTISING = ("Class", "TypeLib", "Extension", "PublishComponent")


class Module:
    """The tables (msitools.Table) and summary properties of one package."""

    def __init__(self, tables, summary):
        self.tables, self.summary = tables, summary
        validation = self.tables.get("_Validation")
        self.validation = {}
        for row in validation.rows if validation else []:
            self.validation[(row[0], row[1])] = dict(zip(validation.columns, row))
        signature = self.tables.get("ModuleSignature")
        self.module_id = signature.rows[0][0] if signature and signature.rows else ""
        self.suffix = "." + self.module_id.rsplit(".", 1)[-1] if "." in self.module_id else None

    @classmethod
    def read(cls, path):
        """The package as msitools exports it; summary names as msiinfo suminfo prints them."""
        text = msitools.msiinfo("suminfo", path).stdout.decode("utf-8", "replace")
        summary = dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)
        return cls(msitools.read_tables(path), summary)

    def rows(self, table):
        found = self.tables.get(table)
        return [dict(zip(found.columns, row)) for row in found.rows] if found else []

    def custom_actions(self):
        return {row["Action"]: row for row in self.rows("CustomAction")}


def validation_findings(module):
    """ICE03 and ICE06: every row against the module's own _Validation."""
    found = []
    for name, table in module.tables.items():
        keys = set()
        for column in table.columns:
            # Whether _Validation must describe itself is not documented; real modules differ.
            if (name, column) not in module.validation and name != "_Validation":
                found.append("ICE06: %s.%s has no _Validation row" % (name, column))
        if name == "_Validation":
            continue  # the validation data itself: older modules' sets predate newer categories
        for row in table.rows:
            key = tuple(value for column, value in zip(table.columns, row) if column in table.keys)
            if key in keys:
                found.append("ICE03: %s: duplicate key %s" % (name, "/".join(key)))
            keys.add(key)
            for column, kind, value in zip(table.columns, table.types, row):
                rule = module.validation.get((name, column))
                if rule:
                    problem = cell_problem(module, kind, rule, value)
                    if problem:
                        found.append("ICE03: %s.%s %r (%s): %s" % (name, column, value,
                                                                  "/".join(key), problem))
    return found


def cell_problem(module, kind, rule, value):
    """What is wrong with one cell, or None."""
    if value == "":
        return "null in a column that does not allow it" if rule["Nullable"] == "N" else None
    if value == MODULE_FEATURE and rule["KeyTable"] == "Feature":
        return None
    size = int(kind[1:] or 0)
    if kind[0] in "iI":
        if not re.fullmatch(r"-?\d+", value):
            return "not an integer"
        number = int(value)
        if rule["MinValue"] and number < int(rule["MinValue"]):
            return "below %s" % rule["MinValue"]
        if rule["MaxValue"] and number > int(rule["MaxValue"]):
            return "above %s" % rule["MaxValue"]
    elif size and len(value) > size and kind[0] in "sSlL":
        return "longer than %d characters" % size
    if rule["Set"] and value not in rule["Set"].split(";"):
        return "not one of %s" % rule["Set"]
    category = rule["Category"]
    category_ok = CATEGORY_CHECKS.get(category, lambda v: True)(value)
    if rule["KeyTable"]:
        problem = foreign_key_problem(module, rule, value)
        # A column that holds either a key or a value of its category (File.Version: a
        # companion file's key or a version) is right when the value fits the category.
        if problem and not (category not in ("Identifier", "") and category_ok):
            return problem
    return None if category_ok else "not a valid %s" % category


def foreign_key_problem(module, rule, value):
    tables = [t for t in rule["KeyTable"].split(";") if t in module.tables]
    if not tables:
        return None  # the table is the product's: not checkable in the module
    position = int(rule["KeyColumn"] or 1) - 1
    for table in tables:
        if any(row[position] == value for row in module.tables[table].rows):
            return None
    return "no such key in %s" % rule["KeyTable"]


def signature_findings(module):
    """The module's identity (ICEM: signature, component languages, required tables)."""
    found = ["ICEM: required table %s is missing" % t for t in REQUIRED_TABLES
             if t not in module.tables]
    signatures = module.rows("ModuleSignature")
    if len(signatures) != 1:
        return found + ["ICEM: ModuleSignature has %d rows, not 1" % len(signatures)]
    signature = signatures[0]
    if not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_.]*\.[0-9A-F]{8}(_[0-9A-F]{4}){3}_[0-9A-F]{12}",
                        signature["ModuleID"]):
        found.append("ICEM: ModuleID %s is not <name>.<GUID with underscores>" % signature["ModuleID"])
    template = module.summary.get("Template", "")
    if template.split(";")[-1] != signature["Language"]:
        found.append("ICEM: Template %r names another language than the signature's %s"
                     % (template, signature["Language"]))
    listed = set()
    for row in module.rows("ModuleComponents"):
        listed.add(row["Component"])
        if (row["ModuleID"], row["Language"]) != (signature["ModuleID"], signature["Language"]):
            found.append("ICEM: ModuleComponents row %s names module %s language %s"
                         % (row["Component"], row["ModuleID"], row["Language"]))
    for component in module.rows("Component"):
        if component["Component"] not in listed:
            found.append("ICEM: component %s is not in ModuleComponents" % component["Component"])
    return found


def modularization_findings(module):
    """Every key the module owns ends in the module's GUID, TARGETDIR and standard actions
    aside, so that merging never collides with the product's rows."""
    if not module.suffix:
        return []
    found = []
    for name, table in module.tables.items():
        if name in UNMODULARIZED:
            continue
        for column in table.keys:
            rule = module.validation.get((name, column), {})
            if rule.get("Category") != "Identifier" or rule.get("KeyTable"):
                continue
            for value in table.column(column):
                if not value.endswith(module.suffix) and not (name == "Directory"
                                                               and value == "TARGETDIR"):
                    found.append("ICEM: %s key %s is not modularized (%s)" % (name, value, module.suffix))
    return found


def directory_findings(module):
    """ICEM09: predefined folders only through modularized aliases, each set by a type 51
    action of its own name before CostFinalize; ICE09, ICE80."""
    found = []
    directories = {row["Directory"]: row for row in module.rows("Directory")}
    for key in directories:
        if key in STANDARD_FOLDERS:
            found.append("ICEM09: Directory row %s is a predefined folder, not an alias" % key)
    actions = module.custom_actions()
    for name, action in actions.items():
        if int(action["Type"]) & 0x3F != CUSTOM_ACTION_SET_DIRECTORY:
            continue
        folder = base_name(action["Source"])
        if action["Source"] in directories and folder in STANDARD_FOLDERS:
            if name != action["Source"] or action["Target"] != "[%s]" % folder:
                found.append("ICEM09: type 51 action %s must be named like %s and set it to [%s]"
                             % (name, action["Source"], folder))
            if name not in [row["Action"] for row in module.rows("ModuleInstallExecuteSequence")]:
                found.append("ICEM09: type 51 action %s is not in ModuleInstallExecuteSequence" % name)
    platform = module.summary.get("Template", "").split(";")[0]
    for component in module.rows("Component"):
        folder = root_folder(directories, component["Directory_"])
        attributes = int(component["Attributes"])
        if component["Directory_"] in STANDARD_FOLDERS:
            found.append("ICEM09: component %s installs into %s directly"
                         % (component["Component"], component["Directory_"]))
        if folder in ("SystemFolder", "System64Folder") and not attributes & COMPONENT_PERMANENT:
            found.append("ICE09: component %s installs into %s and is not permanent"
                         % (component["Component"], folder))
        is_64 = bool(attributes & COMPONENT_64BIT)
        if is_64 and platform not in ("x64", "Arm64", "Intel64"):
            found.append("ICE80: 64-bit component %s in a %s module" % (component["Component"], platform))
        if (folder in SIXTY_FOUR_BIT_FOLDERS and not is_64) or (folder in THIRTY_TWO_BIT_FOLDERS and is_64):
            found.append("ICE80: component %s (%s-bit) installs under %s"
                         % (component["Component"], "64" if is_64 else "32", folder))
    return found


def root_folder(directories, key, depth=0):
    """The predefined folder a directory lies under (its alias's base name), or None."""
    if key in STANDARD_FOLDERS or base_name(key) in STANDARD_FOLDERS:
        return base_name(key)
    row = directories.get(key)
    if not row or not row["Directory_Parent"] or row["Directory_Parent"] == key or depth > 64:
        return None
    return root_folder(directories, row["Directory_Parent"], depth + 1)


def sequence_findings(module):
    """ICEM03, ICEM12 and the empty product sequence table each module sequence needs."""
    found = []
    actions = module.custom_actions()
    dialogs = {row["Dialog"] for row in module.rows("Dialog")}
    for table in MODULE_SEQUENCES:
        if table not in module.tables:
            continue
        product_table = table[len("Module"):]
        if product_table not in module.tables or module.tables[product_table].rows:
            found.append("ICEM: %s needs an empty %s table" % (table, product_table))
        rows = {row["Action"]: row for row in module.rows(table)}
        for name, row in rows.items():
            custom = name in actions or name in dialogs
            if custom and (row["Sequence"] or not row["BaseAction"] or row["After"] == ""):
                found.append("ICEM12: %s: custom action %s needs BaseAction and After, no Sequence"
                             % (table, name))
            if not custom and (not row["Sequence"] or row["BaseAction"] or row["After"]):
                found.append("ICEM12: %s: standard action %s needs a Sequence only" % (table, name))
            if not anchored(rows, name):
                found.append("ICEM03: %s: action %s is orphaned (no base action chain ends in a "
                             "sequenced action)" % (table, name))
            if name in actions and actions[name]["Type"] and \
                    int(actions[name]["Type"]) & 0x3F == CUSTOM_ACTION_SET_DIRECTORY and \
                    not before(rows, name, "CostFinalize"):
                found.append("ICE12: %s: type 51 action %s does not come before CostFinalize"
                             % (table, name))
    return found


def anchored(rows, name):
    seen = set()
    while name in rows and name not in seen:
        seen.add(name)
        if rows[name]["Sequence"]:
            return True
        name = rows[name]["BaseAction"]
    return False


# The suggested places of the standard actions a module's directory actions are placed by.
SUGGESTED = {"CostInitialize": 800, "FileCost": 900, "CostFinalize": 1000}


def position(rows, name, depth=1):
    """Where an action lands: its sequence, or just before or after its base action's."""
    row = rows.get(name)
    if row is None or depth > 64:
        return SUGGESTED.get(name, 0)
    if row["Sequence"]:
        return int(row["Sequence"])
    step = 0.5 ** depth
    return position(rows, row["BaseAction"], depth + 1) + (step if row["After"] == "1" else -step)


def before(rows, name, standard):
    return position(rows, name) < position(rows, standard)


def component_findings(module):
    """ICE08 (unique component GUIDs), ICE19 (advertising rows need a file key path) and ICE30
    (one target path, one component)."""
    found = []
    guids = {}
    for component in module.rows("Component"):
        guid = component["ComponentId"]
        if guid and guid in guids:
            found.append("ICE08: components %s and %s share %s" % (guids[guid], component["Component"], guid))
        guids.setdefault(guid, component["Component"])
    files = {row["File"]: row for row in module.rows("File")}
    components = {row["Component"]: row for row in module.rows("Component")}
    for table in ADVERTISING:
        for row in module.rows(table):
            if components.get(row["Component_"], {}).get("KeyPath", "") not in files:
                found.append("ICE19: %s row of component %s needs a file as its key path"
                             % (table, row["Component_"]))
    directories = {row["Directory"]: row for row in module.rows("Directory")}
    targets = {}
    for row in files.values():
        path = target_path(directories, components.get(row["Component_"], {}).get("Directory_", ""))
        target = (path + "\\" + row["FileName"].split("|")[-1]).lower()
        owner = targets.setdefault(target, row["Component_"])
        if owner != row["Component_"]:
            found.append("ICE30: %s is installed by %s and %s" % (target, owner, row["Component_"]))
    return found


def target_path(directories, key, depth=0):
    row = directories.get(key)
    if not row or depth > 64:
        return key
    if base_name(key) in STANDARD_FOLDERS:
        return "[%s]" % base_name(key)
    name = row["DefaultDir"].split(":")[0].split("|")[-1]
    parent = row["Directory_Parent"]
    if not parent or parent == key:
        return name
    prefix = target_path(directories, parent, depth + 1)
    return prefix if name == "." else prefix + "\\" + name


def findings(module):
    """Every finding of a Module, as "<rule>: <what>" lines."""
    return (validation_findings(module) + signature_findings(module)
            + modularization_findings(module) + directory_findings(module)
            + sequence_findings(module) + component_findings(module))


def main(paths):
    if not paths:
        raise SystemExit(__doc__)
    count = 0
    for path in paths:
        for finding in findings(Module.read(path)):
            print("%s: %s" % (path, finding))
            count += 1
    return 1 if count else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
