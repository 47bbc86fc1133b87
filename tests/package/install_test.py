#!/usr/bin/env python3
"""QvModCat2.msm installed the way a vendor's product carries it, in a fresh Wine prefix.

A product database made from the module's rows (vendor_product.py) is installed with the
installer of the architecture under test (`msiexec /i ... /qn`; the 32-bit msiexec for i686).
Before that, the library of the module's cabinet is registered with `regsvr32` at the same
place and unregistered again: that registry difference is what the installer must write.
Then the installed component answers the demo catalog through the qvmodcat client exactly as
the build registered in the test prefix does, and `msiexec /x` leaves the registry and the
files as they were before the install.

The environment's own parts (the stand-ins of its companion libraries and host library, and
the interfaces' type library) are put into its Common Files folder beforehand, where the
component's loader finds them, and the host library is registered there.
"""
import filecmp
import os
import shutil
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "qvmodcat"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import msitools  # noqa: E402
import vendor_product  # noqa: E402
import wine_prefix_state as state  # noqa: E402
from qvmodcat_runner import Runner, windows_path  # noqa: E402

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

# What the client asks, over the demo catalog.
QUERIES = [("--json", "list"), ("--json", "folders"), ("--json", "show", "--all", "--resolve"),
           ("--json", "find-file", "[SystemFolder]viewer.dll", "--in-folder", "--language", "1033"),
           ("--json", "deps", "Borealis.Charts:1033")]


def wine(*arguments):
    """Runs a Windows program in the fresh prefix with the loader of the architecture."""
    script = 'source "$1/scripts/wine-arch.sh"; shift; qv_wine "$@"'
    return subprocess.run(["bash", "-c", script, "wine", SOURCE, ARCH] + list(arguments),
                          env=dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all"), cwd=WORK,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=600)


def in_prefix(path):
    """A file of the prefix's drive C: as programs in the prefix name it."""
    return "C:\\" + os.path.relpath(path, os.path.join(PREFIX, "drive_c")).replace("/", "\\")


def is_hardware(key):
    return key.startswith(HARDWARE)


def changes(before, after, keep=lambda key: True):
    return [change for change in state.registry_changes(before, after)
            if keep(change[2]) and not is_hardware(change[2])]


def is_standin_state(key):
    return STANDIN_STATE.startswith(key) or key.startswith(STANDIN_STATE)


def is_class_registration(key):
    """Keys of HKEY_CLASSES_ROOT (both views), without the installer's product database."""
    return key.startswith("Software\\Classes\\") and not key.startswith(INSTALLER_DATABASE[0])


def demo_answers(runner):
    win = windows_path(DEMO)
    options = ["--product-folder", DEMO, "--search-path", win + "\\Modules," + win + "\\Vendor",
               "--modules-ini", win, "--files-ini", win]
    return [(query, runner.run(*options, *query)) for query in QUERIES]


class VendorInstall(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        cls.product = cls.make_product()
        cls.shipped = os.path.join(WORK, "cabinet", os.path.basename(cls.cabinet_member))

        # A fresh prefix with the environment's parts in its Common Files folder.
        subprocess.run(["bash", "-c", 'source "$1/scripts/wine-arch.sh"; qv_make_fresh_prefix "$2"',
                        "prefix", SOURCE, ARCH], env=dict(os.environ, WINEPREFIX=PREFIX,
                                                          WINEDEBUG="-all"), check=True)
        os.makedirs(FOLDER)
        for part in ENVIRONMENT_PARTS:
            shutil.copy(os.path.join(BIN, part), FOLDER)
        host = wine("regsvr32", "/s", in_prefix(os.path.join(FOLDER, HOST_LIBRARY)))
        assert host.returncode == 0, host.stdout
        state.settle(PREFIX)
        cls.before = state.registry(PREFIX)
        cls.files_before = state.files(PREFIX)

        # What DllRegisterServer writes for the shipped library at the installed place.
        shutil.copy(cls.shipped, INSTALLED)
        cls.regsvr32 = [wine("regsvr32", "/s", in_prefix(INSTALLED)).returncode]
        state.settle(PREFIX)
        cls.registered = state.registry(PREFIX)
        cls.regsvr32.append(wine("regsvr32", "/u", "/s", in_prefix(INSTALLED)).returncode)
        os.remove(INSTALLED)
        state.settle(PREFIX)
        cls.unregistered = state.registry(PREFIX)

        cls.install = wine("msiexec", "/i", windows_path(cls.product), "/qn", "/l*v",
                           windows_path(os.path.join(WORK, "install.log")))
        state.settle(PREFIX)
        cls.installed = state.registry(PREFIX)
        cls.installed_file_matches = os.path.exists(INSTALLED) and filecmp.cmp(
            INSTALLED, cls.shipped, shallow=False)

        installed_client = Runner(RUNNER_KEY)
        installed_client.prefix = PREFIX
        cls.answers_installed = demo_answers(installed_client)
        installed_client.clear_key()
        registered_client = Runner(RUNNER_KEY)
        cls.answers_registered = demo_answers(registered_client)
        registered_client.clear_key()

        cls.uninstall = wine("msiexec", "/x", windows_path(cls.product), "/qn", "/l*v",
                             windows_path(os.path.join(WORK, "uninstall.log")))
        state.settle(PREFIX)
        cls.after = state.registry(PREFIX)
        cls.files_after = state.files(PREFIX)

    @classmethod
    def make_product(cls):
        """The carrier product and the shipped library, both from the built module."""
        cabinet = os.path.join(WORK, vendor_product.CABINET)
        with open(cabinet, "wb") as out:
            out.write(msitools.msiinfo("extract", MODULE, "MergeModule.CABinet").stdout)
        subprocess.run(["gcab", "--extract", "--directory", os.path.join(WORK, "cabinet"), cabinet],
                       check=True, stdout=subprocess.DEVNULL)
        tables = msitools.read_tables(MODULE)
        cls.cabinet_member = tables["File"].column("File")[0]
        platform = {"x86_64": "x64", "i686": "Intel"}[ARCH]
        description = os.path.join(WORK, "carrier.msi.txt")
        with open(description, "w", encoding="utf-8") as f:
            f.write(vendor_product.product_description(
                tables, windows_path(cabinet), platform,
                product_code="{A39FC97C-8824-4947-BE2D-03E28C832A2A}",
                package_code="{697E0DC9-C3EA-4244-9345-54149D2CD310}",
                upgrade_code="{5B6AE9F1-3C55-4D0B-9F0E-2E4C8B7D1A60}"))
        built = subprocess.run([os.path.join(SOURCE, "tests", "wine", "wine-run.sh"), ARCH,
                                os.path.join(os.environ["QV_BUILD_DIR"], "wineprefix"),
                                os.path.join(BIN, "msmbuild.exe"), windows_path(description),
                                "-o", windows_path(WORK)], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
        if built.returncode != 0:
            raise AssertionError("the carrier product was not built:\n" + built.stdout.decode())
        return os.path.join(WORK, "carrier.msi")

    def test_the_installer_writes_what_dllregisterserver_writes(self):
        self.assertEqual([0, 0], self.regsvr32, "regsvr32 and regsvr32 /u of the shipped library")
        self.assertEqual(0, self.install.returncode, self.install.stdout.decode(errors="replace"))
        self.assertTrue(self.installed_file_matches, "the installed file is the cabinet's library")
        registration = changes(self.before, self.registered, is_class_registration)
        self.assertTrue(any("InprocServer32" in change[2] for change in registration),
                        "regsvr32 registered the classes")
        installed = changes(self.unregistered, self.installed, is_class_registration)
        self.assertEqual(([], []), ([change for change in registration if change not in installed],
                                    [change for change in installed if change not in registration]),
                         "(written by regsvr32 only, written by the installer only)")
        # DllUnregisterServer takes back what it wrote, so the install starts from the same registry.
        self.assertEqual([], changes(self.before, self.unregistered))

    def test_the_installed_component_answers_as_the_registered_build(self):
        for (query, installed), (_, registered) in zip(self.answers_installed, self.answers_registered):
            self.assertIn(registered.code, (0, 1), registered)
            self.assertEqual((registered.code, registered.out), (installed.code, installed.out),
                             "qvmodcat %s" % " ".join(query))
        modules = self.answers_installed[0][1].json()
        self.assertEqual(7, len(modules), "the demo catalog's modules")

    def test_uninstall_leaves_the_files_and_the_registry_as_before(self):
        self.assertEqual(0, self.uninstall.returncode, self.uninstall.stdout.decode(errors="replace"))
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
