#!/usr/bin/env python3
"""QvModCat2.msm as msitools and the catalog read it.

msitools, a reader that shares no code with msi.dll or the builder, reads every table back and
finds exactly the rows of the module's description; its _Validation rules are those the
real-world modules give the same columns (the installer's own validation, which Wine's msi.dll
does not implement, runs where the module is built on Windows); the cabinet holds the shipped library and nothing else; the module names no dependency, as the
library imports only system libraries.  Then the qvmodcat client lists the module and reads it
like any third-party module: version, file and the folder it installs to.
"""
import glob
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "msmbuild"))
sys.path.insert(0, os.path.join(HERE, "..", "qvmodcat"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import check_packages  # noqa: E402
import msitools  # noqa: E402
from qvmodcat_runner import ProgramTest, Runner, windows_path  # noqa: E402

ARCH = os.environ["QV_ARCH"]
OUTPUT = os.path.join(os.environ["QV_FIXTURES_DIR"], "package")
MODULE = os.path.join(OUTPUT, "QvModCat2.msm")
STAGE = os.path.join(OUTPUT, "module")
LIBRARY = os.path.join(STAGE, "QvModCat2.dll")
REAL_MODULES = os.path.join(os.environ["QV_SOURCE_DIR"], "..", "shared", "realmsm")
OBJDUMP = {"x86_64": "x86_64-w64-mingw32-objdump", "i686": "i686-w64-mingw32-objdump"}[ARCH]
# The folder the module installs to, as the catalog resolves it: the 64-bit Common Files folder
# is no system folder of the catalog's, so it stands for itself.
FOLDER = {"i686": "[CommonFilesFolder]Quorvane\\Showloom", "x86_64": "CommonFiles64Folder"}[ARCH]
# Libraries every Windows has; a module needs no other module for them.
SYSTEM_LIBRARIES = {"kernel32.dll", "user32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll",
                    "shlwapi.dll", "msi.dll", "msvcrt.dll", "version.dll", "shell32.dll"}


def file_version(path):
    """The file version of a Windows library's fixed version information."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.index(struct.pack("<I", 0xFEEF04BD))
    most, least = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def real_validation_rows():
    """{(table, column): {rule, ...}} of the real-world merge modules' _Validation tables."""
    rows = {}
    for package in glob.glob(os.path.join(REAL_MODULES, "*.msm")):
        for row in msitools.Table(package, "_Validation").rows:
            rows.setdefault((row[0], row[1]), set()).add(tuple(row[2:9]))
    return rows


class ModuleTables(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tables = msitools.read_tables(MODULE)

    def test_msiinfo_reads_every_table_back_as_described(self):
        checker = check_packages.Checker()
        checker.check(check_packages.Description(os.path.join(STAGE, "QvModCat2.msm.txt")), MODULE)
        self.assertEqual([], checker.failures)
        self.assertEqual({"ModuleSignature", "ModuleDependency", "Directory", "Component",
                          "ModuleComponents", "File", "Registry", "CustomAction",
                          "FeatureComponents", "ModuleInstallExecuteSequence",
                          "ModuleInstallUISequence", "InstallExecuteSequence", "InstallUISequence",
                          "_Validation"}, set(self.tables),
                         "COM registration as Registry rows: no SelfReg, no advertising tables")

    def test_the_validation_rules_are_those_of_real_modules(self):
        real = real_validation_rows()
        if not real:
            self.skipTest("no real-world modules in " + REAL_MODULES)
        differing = [(row[0], row[1], tuple(row[2:9]), sorted(real[(row[0], row[1])]))
                     for row in self.tables["_Validation"].rows
                     if (row[0], row[1]) in real and tuple(row[2:9]) not in real[(row[0], row[1])]]
        self.assertEqual([], differing, "the rules real modules give the same columns")

    def test_identity_and_the_shipped_library(self):
        signature = self.tables["ModuleSignature"].rows
        version = file_version(LIBRARY)
        self.assertEqual(1, len(signature))
        module_id, language, module_version = signature[0]
        self.assertRegex(module_id, r"^QvModCat2\.[0-9A-F]{8}(_[0-9A-F]{4}){3}_[0-9A-F]{12}$")
        self.assertEqual(("0", version), (language, module_version))
        suffix = module_id[len("QvModCat2"):]
        summary = msitools.msiinfo("suminfo", MODULE).stdout.decode()
        self.assertIn("Revision number (UUID): {%s}\n" % suffix[1:].replace("_", "-"), summary)
        self.assertIn("Template: %s;0\n" % {"x86_64": "x64", "i686": "Intel"}[ARCH], summary)

        files = self.tables["File"]
        self.assertEqual([["QvModCat2.dll" + suffix, "QvModCat2" + suffix, "QVMODC~1.DLL|QvModCat2.dll",
                           str(os.path.getsize(LIBRARY)), version, "1033", "512", "1"]], files.rows)
        with tempfile.TemporaryDirectory() as folder:
            cabinet = os.path.join(folder, "module.cab")
            with open(cabinet, "wb") as out:
                out.write(msitools.msiinfo("extract", MODULE, "MergeModule.CABinet").stdout)
            subprocess.run(["gcab", "-x", "-C", folder, cabinet], check=True, stdout=subprocess.DEVNULL)
            self.assertEqual(["QvModCat2.dll" + suffix, "module.cab"], sorted(os.listdir(folder)))
            with open(os.path.join(folder, "QvModCat2.dll" + suffix), "rb") as member, open(LIBRARY, "rb") as library:
                self.assertTrue(member.read() == library.read(), "the cabinet holds the shipped library")

    def test_no_dependency_the_library_does_not_need(self):
        self.assertEqual([], self.tables["ModuleDependency"].rows)
        imports = subprocess.run([OBJDUMP, "-p", LIBRARY], stdout=subprocess.PIPE, check=True).stdout.decode()
        libraries = {name.lower() for name in re.findall(r"DLL Name: (\S+)", imports)}
        self.assertTrue(libraries and libraries <= SYSTEM_LIBRARIES, sorted(libraries - SYSTEM_LIBRARIES))


class InTheCatalog(ProgramTest):
    """The registered component reads the module like any third-party module."""

    def setUp(self):
        self.runner = Runner("package_module")
        self.runner.clear_key()
        self.options = ["--search-path", windows_path(OUTPUT), "--product-folder", STAGE,
                        "--modules-ini", STAGE, "--files-ini", STAGE, "--project-type", "0"]

    def tearDown(self):
        self.runner.clear_key()

    def qvmodcat(self, *arguments):
        return self.assertExit(self.runner.run(*self.options, "--json", *arguments), 0).json()

    def test_inspect_and_list_show_version_file_and_folder(self):
        version = file_version(LIBRARY)
        module = self.qvmodcat("inspect", MODULE, "--resolve")
        self.assertEqual(("QvModCat2", "Quorvane", version, 0, "this-package"),
                         (module["subject"], module["author"], module["version"], module["language"],
                          module["catalog"]["state"]))
        self.assertEqual([("QvModCat2.dll", version, FOLDER)],
                         [(f["long_name"], f["version"], f["folder"]) for f in module["files"]])
        self.assertEqual([], module["dependencies"])

        listed = self.qvmodcat("list")
        self.assertEqual([(module["key"], version, "package", windows_path(MODULE))],
                         [(m["key"], m["version"], m["source"], m["path"]) for m in listed])
        shown = self.qvmodcat("show", module["key"], "--resolve")
        check = "confirmed" if FOLDER.startswith("[") else "not-checkable"
        self.assertEqual([(FOLDER, check)], [(f["folder"], f["folder_check"]) for f in shown["files"]],
                         "the catalog finds the module's file in its folder")


if __name__ == "__main__":
    unittest.main(verbosity=2)
