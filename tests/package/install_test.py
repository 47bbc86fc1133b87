#!/usr/bin/env python3
"""QvModCat2.msm installed by two vendors' products (vendor_product.py) in a fresh Wine prefix:
i686: an Intel product (32-bit msiexec) and an x64 product (64-bit msiexec); x86_64: two x64
products.  The first install writes what `regsvr32` of the module's architecture writes for the
shipped library at the same place (registry view, Common Files folder, no installer descriptor);
the installed component answers the demo catalog as the registered build does and a client of
its architecture creates every class; the second product writes no other registration, and
removing both leaves the prefix as before.  The environment's parts (stand-ins,
qvmodcat.tlb) are put into its Common Files folder first, the host library registered there.
"""
import filecmp
import os
import pathlib
import shutil
import subprocess
import sys
import unittest
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "qvmodcat"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import msitools  # noqa: E402
import vendor_product  # noqa: E402
import wine_prefix_state as state  # noqa: E402
from qvmodcat_runner import Runner, demo_options, windows_path  # noqa: E402

ARCH = os.environ["QV_ARCH"]
BIN = os.environ["QV_BIN_DIR"]
SOURCE = os.environ["QV_SOURCE_DIR"]
FIXTURES = os.environ["QV_FIXTURES_DIR"]
MODULE = os.path.join(FIXTURES, "package", "QvModCat2.msm")
DEMO = os.path.join(FIXTURES, "qvmodcat_demo")
WORK = os.path.join(os.environ["QV_BUILD_DIR"], "tests", "package_install")
PREFIX = os.path.join(WORK, "prefix")

COMMON_FILES = {"x86_64": "Program Files/Common Files", "i686": "Program Files (x86)/Common Files"}[ARCH]
FOLDER = os.path.join(PREFIX, "drive_c", COMMON_FILES, "Quorvane", "Showloom")
INSTALLED = os.path.join(FOLDER, "QvModCat2.dll")
# The environment's own parts: its companion libraries, its host library (registered, as the
# environment's installer does) and the interfaces' type library.
ENVIRONMENT_PARTS = ["QvAppServices.dll", "Keyfile.dll", "QVObjMgr.DLL", "qvmodcat.tlb"]
HOST_LIBRARY = "QVObjMgr.DLL"
RUNNER_KEY = "package_install"

# Keys the wine server rewrites at every start (its hardware enumeration).
HARDWARE = ("System\\CurrentControlSet\\Control\\Class\\", "System\\CurrentControlSet\\Enum\\",
            "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards")
# The installer's own product database: containers it keeps once it has installed anything.
INSTALLER_DATABASE = ("Software\\Classes\\Installer", "Software\\Microsoft\\Windows\\CurrentVersion\\Installer")
# The stand-ins keep their state (what the client sets for a run) in a key of the user.
STANDIN_STATE = "Software\\Quorvane\\Showloom\\StandInTests\\" + RUNNER_KEY
# Where the classes land: the 32-bit component's in the 32-bit view of HKLM\Software\Classes.
CLASS_KEYS = {"x86_64": "Software\\Classes\\CLSID\\",
              "i686": "Software\\Classes\\Wow6432Node\\CLSID\\"}[ARCH]
# The two products: template platform, and the architecture of the msiexec that installs it.
PRODUCTS = [({"x86_64": "x64", "i686": "Intel"}[ARCH], ARCH), ("x64", "x86_64")]

# What the client asks, over the demo catalog.
QUERIES = [("--json", "list"), ("--json", "folders"), ("--json", "show", "--all", "--resolve"),
           ("--json", "find-file", "[SystemFolder]viewer.dll", "--in-folder", "--language", "1033"),
           ("--json", "deps", "Borealis.Charts:1033")]


def wine(*arguments, arch=ARCH):
    """Runs a Windows program in the fresh prefix with the loader of the architecture."""
    script = 'source "$1/scripts/wine-arch.sh"; shift; qv_wine "$@"'
    return subprocess.run(["bash", "-c", script, "wine", SOURCE, arch] + list(arguments),
                          env=dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all"), cwd=WORK,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=600)


def in_prefix(path):
    """A file of the prefix's drive C: as programs in the prefix name it."""
    return "C:\\" + os.path.relpath(path, os.path.join(PREFIX, "drive_c")).replace("/", "\\")


def changes(before, after, keep=lambda key: True):
    return [change for change in state.registry_changes(before, after)
            if keep(change[2]) and not change[2].startswith(HARDWARE)]


def is_standin_state(key):
    return STANDIN_STATE.startswith(key) or key.startswith(STANDIN_STATE)


def is_class_registration(key):
    """Keys of HKEY_CLASSES_ROOT (both views), without the installer's product database."""
    return key.startswith("Software\\Classes\\") and not key.startswith(INSTALLER_DATABASE[0])


def demo_answers(runner):
    return [(query, runner.run(*demo_options(DEMO), *query)) for query in QUERIES]


def class_registration(snapshot_before, snapshot_after):
    return changes(snapshot_before, snapshot_after, is_class_registration)


# The manager answers no IDispatch, so no script creates it: the qvmodcat client (native, of
# the module's architecture) does.
MANAGER = "QvLiteModCat.MMCatalogManager.1"
# Wine's cscript ends silently at an unhandled error: the lines count the classes created.
CREATE_EACH_CLASS = ("for (var i = 0; i < WScript.Arguments.length; i++) {\n"
                     "  new ActiveXObject(WScript.Arguments(i)); WScript.Echo('created'); }\n")


class VendorInstall(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        tables = msitools.read_tables(MODULE)
        cls.products = [cls.make_product(tables, index, platform)
                        for index, (platform, _) in enumerate(PRODUCTS)]
        cls.prog_ids = [key for row, key in zip(tables["Registry"].column("Registry"),
                                                 tables["Registry"].column("Key"))
                        if row.startswith("ProgID") and "\\" not in key and key != MANAGER]
        cls.shipped = os.path.join(WORK, "cabinet", tables["File"].column("File")[0])
        script = os.path.join(WORK, "create_each_class.js")
        pathlib.Path(script).write_text(CREATE_EACH_CLASS)

        # A fresh prefix with the environment's parts in its Common Files folder.
        subprocess.run(["bash", "-c", 'source "$1/scripts/wine-arch.sh"; qv_make_fresh_prefix "$2"',
                        "prefix", SOURCE, ARCH], env=dict(os.environ, WINEPREFIX=PREFIX,
                                                          WINEDEBUG="-all"), check=True)
        os.makedirs(FOLDER)
        for part in ENVIRONMENT_PARTS:
            shutil.copy(os.path.join(BIN, part), FOLDER)
        host = wine("regsvr32", "/s", in_prefix(os.path.join(FOLDER, HOST_LIBRARY)))
        assert host.returncode == 0, host.stdout
        # cscript registers its own type library when it first runs.
        wine("cscript", "//nologo", windows_path(script))
        cls.before = cls.snapshot()
        cls.files_before = state.files(PREFIX)

        # What DllRegisterServer writes for the shipped library at the installed place.
        shutil.copy(cls.shipped, INSTALLED)
        cls.regsvr32 = [wine("regsvr32", "/s", in_prefix(INSTALLED)).returncode]
        cls.registered = cls.snapshot()
        cls.regsvr32.append(wine("regsvr32", "/u", "/s", in_prefix(INSTALLED)).returncode)
        os.remove(INSTALLED)
        cls.unregistered = cls.snapshot()

        installed_client = Runner(RUNNER_KEY)
        installed_client.prefix = PREFIX
        # The package cache is the user's data, which an uninstall leaves as any program's; off
        # here, so that the prefix's files before and after compare.
        installed_client.environment["QVMODCAT2_PACKAGE_CACHE"] = "off"

        cls.installs = [cls.msiexec("/i", 0)]
        cls.installed = cls.snapshot()
        cls.installed_file_matches = os.path.exists(INSTALLED) and filecmp.cmp(
            INSTALLED, cls.shipped, shallow=False)
        # The script's run, and whether the client made the manager: it lists the modules (exit
        # 0 or 1), or 2 for a failing call, the manager's creation first.
        created = wine("cscript", "//nologo", windows_path(script), *cls.prog_ids)
        cls.created = created, installed_client.run("--json", "list").code in (0, 1)
        installed_client.clear_key()
        cls.answers_installed = demo_answers(installed_client)
        installed_client.clear_key()
        registered_client = Runner(RUNNER_KEY)
        cls.answers_registered = demo_answers(registered_client)
        registered_client.clear_key()

        cls.installs.append(cls.msiexec("/i", 1))
        cls.installed_twice = cls.snapshot()
        cls.uninstalls = [cls.msiexec("/x", 0), cls.msiexec("/x", 1)]
        cls.after = cls.snapshot()
        cls.files_after = state.files(PREFIX)

    @classmethod
    def snapshot(cls):
        state.settle(PREFIX)
        return state.registry(PREFIX)

    @classmethod
    def msiexec(cls, option, index):
        """Installs or removes a product with the msiexec of the product's architecture."""
        _, arch = PRODUCTS[index]
        log = windows_path(os.path.join(WORK, "%s%d.log" % (option[1:], index)))
        return wine("msiexec", option, windows_path(cls.products[index]), "/qn", "/l*v", log,
                    arch=arch)

    @classmethod
    def make_product(cls, tables, index, platform):
        """A carrier product from the built module's tables and cabinet, with codes of its own."""
        cabinet = os.path.join(WORK, vendor_product.CABINET)
        if not os.path.exists(cabinet):
            with open(cabinet, "wb") as out:
                out.write(msitools.msiinfo("extract", MODULE, "MergeModule.CABinet").stdout)
            subprocess.run(["gcab", "--extract", "--directory", os.path.join(WORK, "cabinet"),
                            cabinet], check=True, stdout=subprocess.DEVNULL)
        name = "carrier%d" % index
        codes = ["{%s}" % str(uuid.uuid5(uuid.NAMESPACE_URL, "qvmodcat2/%s/%s" % (name, kind))).upper()
                 for kind in ("product", "package", "upgrade")]
        description = os.path.join(WORK, name + ".msi.txt")
        pathlib.Path(description).write_text(vendor_product.product_description(
            tables, windows_path(cabinet), platform, product_code=codes[0],
            package_code=codes[1], upgrade_code=codes[2]), encoding="utf-8")
        built = subprocess.run([os.path.join(SOURCE, "tests", "wine", "wine-run.sh"), ARCH,
                                os.path.join(os.environ["QV_BUILD_DIR"], "wineprefix"),
                                os.path.join(BIN, "msmbuild.exe"), windows_path(description),
                                "-o", windows_path(WORK)], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
        if built.returncode != 0:
            raise AssertionError("the carrier product was not built:\n" + built.stdout.decode())
        return os.path.join(WORK, name + ".msi")

    def assert_ran(self, results):
        for result in results:
            self.assertEqual(0, result.returncode, result.stdout.decode(errors="replace"))

    def test_the_installer_writes_what_dllregisterserver_writes(self):
        self.assertEqual([0, 0], self.regsvr32, "regsvr32 and regsvr32 /u of the shipped library")
        self.assert_ran(self.installs)
        self.assertTrue(self.installed_file_matches,
                        "the installed file is the cabinet's library, in " + COMMON_FILES)
        registration = class_registration(self.before, self.registered)
        self.assertTrue(any("InprocServer32" in change[2] and change[2].startswith(CLASS_KEYS)
                            for change in registration), "regsvr32 registered the classes in " + CLASS_KEYS)
        installed = class_registration(self.unregistered, self.installed)
        self.assertEqual(([], []), ([change for change in registration if change not in installed],
                                    [change for change in installed if change not in registration]),
                         "(written by regsvr32 only, written by the installer only)")
        # DllUnregisterServer takes back what it wrote, so the install starts from the same registry.
        self.assertEqual([], changes(self.before, self.unregistered))
        self.assertEqual([], class_registration(self.installed, self.installed_twice),
                         "the second product writes no other registration")

    def test_the_installed_component_answers_as_the_registered_build(self):
        script, manager = self.created
        self.assertEqual((len(self.prog_ids), True), (script.stdout.decode().count("created"), manager),
                         script.stdout.decode(errors="replace"))
        for (query, installed), (_, registered) in zip(self.answers_installed, self.answers_registered):
            self.assertIn(registered.code, (0, 1), registered)
            self.assertEqual((registered.code, registered.out), (installed.code, installed.out),
                             "qvmodcat %s" % " ".join(query))

    def test_removing_both_leaves_the_files_and_the_registry_as_before(self):
        self.assert_ran(self.uninstalls)
        self.assertEqual(self.files_before, self.files_after)
        left = changes(self.before, self.after,
                       lambda key: not key.startswith(INSTALLER_DATABASE)
                       and not is_standin_state(key))
        self.assertEqual([], left)
        # The installer's product database may keep its empty containers, nothing in them.
        database = changes(self.before, self.after, lambda key: key.startswith(INSTALLER_DATABASE))
        self.assertEqual([], [change for change in database if change[0] != "added key"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
