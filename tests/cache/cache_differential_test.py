#!/usr/bin/env python3
"""The package cache never changes an answer.  For each catalog (the demo catalog, the generated
fixture folders, the real modules of ../shared/realmsm where present) three processes are asked
everything a script client can observe (catalog_answers.js): one with an empty cache folder, one
with the cache the first left, one with the cache off.  Their answers must be equal line by line;
`qvmodcat check` in the same three settings tells how many packages were read and how many came
from the cache, so that the second process is known to have used it.  Then packages change
between processes (rewritten newer, older, same time with another size, replaced, racy, folder
renamed, deleted) and the next process must answer as a process without the cache.
"""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "qvmodcat"))
from qvmodcat_runner import ProgramTest, Runner, windows_path  # noqa: E402

FIXTURES = os.environ.get("QV_FIXTURES_DIR", "")
DEMO = os.path.join(FIXTURES, "qvmodcat_demo")
REAL = os.path.join(os.environ.get("QV_SOURCE_DIR", ""), "..", "shared", "realmsm")
ANSWERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "catalog_answers.js")
RUNNER = Runner("cache_differential")
COUNTS = ("packages_read", "packages_from_cache")
RACY_SECONDS = 10  # the cache never trusts a package written less than this before it was read


def wait_until_settled(*folders):
    """Waits until every package of the folders is older than the racy margin: the shared
    fixtures may have been built a moment ago, and a racy package is (rightly) read again."""
    newest = max(os.path.getmtime(os.path.join(folder, name)) for folder in folders
                 for name in os.listdir(folder) if name.endswith(".msm"))
    time.sleep(max(0.0, newest + RACY_SECONDS + 1 - time.time()))


class Catalog:
    """One catalog's settings for the stand-ins, and the three kinds of process run over it."""

    def __init__(self, search_path, product=None):
        self.search_path = search_path
        self.product = product
        self.cache = tempfile.mkdtemp(prefix="qv-cache-")

    def close(self):
        shutil.rmtree(self.cache, ignore_errors=True)

    def _environment(self, cached):
        return windows_path(self.cache) if cached else "off"

    def answers(self, cached):
        RUNNER.environment["QVMODCAT2_PACKAGE_CACHE"] = self._environment(cached)
        RUNNER.clear_key()
        RUNNER.set_values(SearchPathList=self.search_path)
        if self.product:
            product = windows_path(self.product)
            RUNNER.set_values(ProductFolder=product, ModulesIniFolder=product,
                              FilesIniFolder=product)
        result = RUNNER._wine("cscript", "//nologo", windows_path(ANSWERS))
        lines = result.out.replace("\r", "").splitlines()
        if result.code != 0 or not lines or not lines[0].startswith("module"):
            raise AssertionError("the answers script failed: %r" % result)
        return lines

    def check(self, cached):
        """qvmodcat check --json: the findings, and the counts apart."""
        RUNNER.environment["QVMODCAT2_PACKAGE_CACHE"] = self._environment(cached)
        options = ["--isolated", "--search-path", self.search_path]
        if self.product:
            options += ["--product-folder", self.product, "--modules-ini", self.product,
                        "--files-ini", self.product]
        result = RUNNER.run(*options, "--json", "check")
        if result.code not in (0, 1):
            raise AssertionError("check failed: %r" % result)
        findings = result.json()
        return findings, {name: findings.pop(name) for name in COUNTS}


def setUpModule():
    RUNNER.clear_key()


class SameAnswers(ProgramTest):
    def compare(self, catalog):
        self.addCleanup(catalog.close)
        empty, kept, off = catalog.answers(True), catalog.answers(True), catalog.answers(False)
        self.assertEqual(off, empty, "a process with an empty cache")
        self.assertEqual(off, kept, "a process with the cache the first one left")

        checked, counts = catalog.check(True)
        unread = len(checked["packages_not_read"])
        self.assertEqual({"packages_read": unread,
                          "packages_from_cache": checked["package_files"] - unread}, counts,
                         "every package read before came from the cache; refused ones are "
                         "read again")
        self.assertEqual((checked, {"packages_read": checked["package_files"],
                                    "packages_from_cache": 0}), catalog.check(False))

    def test_demo_catalog(self):
        wait_until_settled(os.path.join(DEMO, "Modules"), os.path.join(DEMO, "Vendor"))
        win = windows_path(DEMO)
        self.compare(Catalog(win + "\\Modules," + win + "\\Vendor", DEMO))

    def test_the_inspector_reports_and_clears_the_cache(self):
        folder = os.path.join(FIXTURES, "catalog_packages")
        packages = len([name for name in os.listdir(folder) if name.endswith(".msm")])
        wait_until_settled(folder)
        catalog = Catalog(windows_path(folder))
        self.addCleanup(catalog.close)
        catalog.check(True)

        def cache(*arguments):
            return self.assertExit(RUNNER.run("--isolated", "--search-path", catalog.search_path,
                                              "--json", *arguments), 0).json()
        report = cache("cache")
        self.assertEqual(windows_path(os.path.join(catalog.cache, "PackageCache.%s.bin" %
                                                   os.environ["QV_ARCH"])), report["path"])
        self.assertEqual((True, packages - 1, packages - 1, 1),
                         (report["enabled"], report["entries"], report["packages_from_cache"],
                          report["packages_read"]),
                         "every package from the cache but the refused one, read again")
        self.assertEqual(True, cache("cache", "clear").get("cleared"))
        self.assertFalse(os.listdir(catalog.cache), "the file is gone")
        self.assertEqual(0, cache("cache")["packages_from_cache"])
        self.assertEqual({"enabled": False, "reason": "QVMODCAT2_PACKAGE_CACHE=off (--no-cache)"},
                         cache("--no-cache", "cache"))

    def test_generated_packages(self):
        folders = [os.path.join(FIXTURES, name) for name in (
            "catalog_packages", "installer_packages", "folder_packages", "qvmodcat_packages")]
        wait_until_settled(*folders)
        self.compare(Catalog(",".join(map(windows_path, folders))))

    @unittest.skipUnless(os.path.isdir(REAL), "no real packages in ../shared/realmsm")
    def test_real_modules(self):
        self.compare(Catalog(windows_path(REAL)))


class ChangedPackages(ProgramTest):
    """Each change between two processes: the second answers as a process without a cache."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="qv-cache-changes-")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.folder = os.path.join(self.root, "mods")
        os.mkdir(self.folder)
        for name in ("alpha", "beta", "rewrite_v1"):
            self.place(name, name)
        self.catalog = Catalog(windows_path(self.folder))
        self.addCleanup(self.catalog.close)

    def place(self, fixture, name, times=None):
        path = os.path.join(self.folder, name + ".msm")
        shutil.copyfile(os.path.join(FIXTURES, "catalog_packages", fixture + ".msm"), path)
        if times:
            os.utime(path, ns=times)

    def rewrite(self, fixture, shift_ns=0):
        """rewrite_v1.msm replaced by the fixture, its modification time moved by shift_ns."""
        stat = os.stat(os.path.join(self.folder, "rewrite_v1.msm"))
        self.place(fixture, "rewrite_v1", (stat.st_atime_ns, stat.st_mtime_ns + shift_ns))

    def settled(self):
        """Every package written well before it is read, so that its entry is trusted."""
        past = time.time_ns() - 3600 * 10**9
        for name in os.listdir(self.folder):
            os.utime(os.path.join(self.folder, name), ns=(past, past))

    def assertCurrent(self, what, read):
        answers = self.catalog.answers(True)
        self.assertEqual(self.catalog.answers(False), answers, what)
        self.assertEqual(read, self.catalog.check(True)[1]["packages_read"], what)

    def test_every_change_is_read_again(self):
        self.settled()
        self.catalog.answers(True)
        self.assertCurrent("unchanged", 0)

        self.rewrite("rewrite_v2", 10**10)
        self.assertCurrent("rewritten with a newer time", 0)  # the answers' process read it

        self.rewrite("rewrite_v1", -10**11)
        self.assertCurrent("rewritten with an older time", 0)

        self.rewrite("first_match")
        self.assertCurrent("the same time, another size", 0)

        os.remove(os.path.join(self.folder, "beta.msm"))
        self.place("gamma", "beta")
        self.settled()
        self.assertCurrent("replaced by another package under the same name", 0)

        renamed = os.path.join(self.root, "renamed")
        os.rename(self.folder, renamed)
        self.folder = renamed
        self.catalog.search_path = windows_path(renamed)
        self.assertCurrent("a folder renamed", 0)

        os.remove(os.path.join(self.folder, "alpha.msm"))
        self.assertCurrent("a package deleted", 0)

    def test_a_package_written_just_before_it_was_read_is_read_again(self):
        self.catalog.answers(True)
        self.rewrite("rewrite_v2")  # within the same tick: same size, same times
        self.assertEqual(self.catalog.answers(False), self.catalog.answers(True))


if __name__ == "__main__":
    unittest.main(verbosity=2)
