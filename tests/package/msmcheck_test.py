#!/usr/bin/env python3
"""tools/msmcheck over QvModCat2.msm, faulty copies of its tables and the real-world modules:
no finding on ours, each fault found, and on the real modules only the rule breaks its README
lists for them."""
import copy
import glob
import os
import re
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "msmcheck"))

import msmcheck  # noqa: E402

MODULE = os.path.join(os.environ["QV_FIXTURES_DIR"], "package", "QvModCat2.msm")
REAL_MODULES = os.path.join(os.environ["QV_SOURCE_DIR"], "..", "shared", "realmsm")
# What the real modules break (tools/msmcheck/README.md): file name start, finding pattern.
REAL_BREAKS = [("Microsoft_VC", r"ICE03: .*: longer than \d+ characters$"),
               ("policy_9_0_", r"ICE03: .*: longer than \d+ characters$"),
               ("Microsoft_VC", r"ICEM: (Binary|CustomAction) key Sxs\w+CA is not modularized"),
               ("policy_9_0_", r"ICEM: (Binary|CustomAction) key Sxs\w+CA is not modularized"),
               ("Microsoft_VC", r"ICE09: component nosxs\..* installs into SystemFolder"),
               ("vfpoledb", r"ICEM: \w+ key .*\.3643236F_FC70_11D3_A536_0090278A1BB8 is not modularized"),
               ("TortoiseOverlays-1.1.5.29440-x64", r"ICE80: 64-bit component .* in a Intel module")]


def cell(tables, table, column, row=0):
    return tables[table].rows[row][tables[table].columns.index(column)]


def set_cell(tables, table, column, value, row=0):
    tables[table].rows[row][tables[table].columns.index(column)] = value


def row_of(tables, table, column, value):
    return tables[table].column(column).index(value)


def bare_predefined_folder(tables):
    alias = cell(tables, "CustomAction", "Source")
    tables["Directory"].rows[row_of(tables, "Directory", "Directory", alias)][0] = alias.split(".")[0]


def sequenced_directory_action(tables):
    at = row_of(tables, "ModuleInstallExecuteSequence", "Sequence", "")
    set_cell(tables, "ModuleInstallExecuteSequence", "Sequence", "799", at)


def directory_action_after_cost_finalize(tables):
    at = row_of(tables, "ModuleInstallUISequence", "Sequence", "")
    tables["ModuleInstallUISequence"].rows.append(["CostFinalize", "1000", "", "", ""])
    set_cell(tables, "ModuleInstallUISequence", "BaseAction", "CostFinalize", at)
    set_cell(tables, "ModuleInstallUISequence", "After", "1", at)


def base_action_loop(tables):
    at = row_of(tables, "ModuleInstallExecuteSequence", "Sequence", "")
    action = cell(tables, "ModuleInstallExecuteSequence", "Action", at)
    set_cell(tables, "ModuleInstallExecuteSequence", "BaseAction", action, at)


def flip_64bit(tables):
    set_cell(tables, "Component", "Attributes", str(int(cell(tables, "Component", "Attributes")) ^ 256))


FAULTS = [
    (bare_predefined_folder, r"ICEM09: Directory row CommonFiles(64)?Folder is a predefined folder"),
    (lambda t: t.pop("FeatureComponents"), r"ICEM: required table FeatureComponents is missing"),
    (lambda t: set_cell(t, "Registry", "Registry", "ProgID1"), r"ICEM: Registry key ProgID1 is not modularized"),
    (lambda t: t["ModuleInstallExecuteSequence"].rows.pop(row_of(t, "ModuleInstallExecuteSequence", "Sequence", "")),
     r"ICEM09: type 51 action .* is not in ModuleInstallExecuteSequence"),
    (sequenced_directory_action, r"ICEM12: ModuleInstallExecuteSequence: custom action"),
    (directory_action_after_cost_finalize, r"ICE12: ModuleInstallUISequence: type 51 action"),
    (base_action_loop, r"ICEM03: ModuleInstallExecuteSequence: action .* is orphaned"),
    (lambda t: t.pop("InstallUISequence"), r"ICEM: ModuleInstallUISequence needs an empty InstallUISequence"),
    (lambda t: set_cell(t, "File", "FileSize", ""), r"ICE03: File.FileSize .*null in a column"),
    (lambda t: set_cell(t, "Registry", "Root", "7"), r"ICE03: Registry.Root '7' .*above 3"),
    (lambda t: set_cell(t, "Component", "ComponentId", cell(t, "Component", "ComponentId").lower()),
     r"ICE03: Component.ComponentId .*not a valid Guid"),
    (lambda t: set_cell(t, "File", "Component_", "Other"), r"ICE03: File.Component_ 'Other' .*no such key in Component"),
    (lambda t: set_cell(t, "File", "FileName", "QVMODCAT2.DLL|QvModCat2.dll"), r"ICE03: File.FileName .*not a valid Filename"),
    (lambda t: t["Registry"].rows.append(list(t["Registry"].rows[0])), r"ICE03: Registry: duplicate key"),
    (lambda t: set_cell(t, "ModuleComponents", "Language", "1033"), r"ICEM: ModuleComponents row .* language 1033"),
    (lambda t: t["_Validation"].rows.pop(row_of(t, "_Validation", "Table", "Registry")),
     r"ICE06: Registry\.\w+ has no _Validation row"),
    (flip_64bit, r"ICE80: "),
]


class OurModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.module = msmcheck.Module.read(MODULE)

    def test_no_finding(self):
        self.assertEqual([], msmcheck.findings(self.module))

    def test_each_fault_is_found(self):
        for fault, expected in FAULTS:
            with self.subTest(expected=expected):
                tables = copy.deepcopy(self.module.tables)
                fault(tables)
                found = msmcheck.findings(msmcheck.Module(tables, self.module.summary))
                self.assertTrue(any(re.match(expected, f) for f in found), found)


class RealModules(unittest.TestCase):
    def test_only_the_listed_rule_breaks(self):
        packages = sorted(glob.glob(os.path.join(REAL_MODULES, "*.msm")))
        if not packages:
            self.skipTest("no real-world modules in " + REAL_MODULES)
        for package in packages:
            name = os.path.basename(package)
            allowed = [pattern for start, pattern in REAL_BREAKS if name.startswith(start)]
            with self.subTest(module=name):
                found = msmcheck.findings(msmcheck.Module.read(package))
                self.assertEqual([], [f for f in found if not any(re.match(p, f) for p in allowed)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
