#!/usr/bin/env python3
"""qvmodcat check and the tool around it, on folders arranged at test time from the demo's
packages and tests/fixtures/qvmodcat: one case per problem class of check (each folder shows
that problem alone), the last line of list and folders, the Graphviz text, the launcher with
a prefix of its own, Ctrl+C in the middle of a run, and the real-world modules of
../shared/realmsm (skipped when absent).
"""
import glob
import json
import os
import pathlib
import re
import shutil
import signal
import struct
import subprocess
import time
import unittest

from qvmodcat_runner import ProgramTest, Result, Runner, windows_path

FIXTURES = os.environ.get("QV_FIXTURES_DIR", "")
DEMO = os.path.join(FIXTURES, "qvmodcat_demo")
SCRATCH = os.path.join(os.environ.get("QV_BUILD_DIR", ""), "qvmodcat_health")
REAL = os.path.join(os.environ.get("QV_SOURCE_DIR", ""), "..", "shared", "realmsm")
RUNNER = Runner("qvmodcat_health")
# The answers say how many packages were opened: none may come from another test's cache.
RUNNER.environment["QVMODCAT2_PACKAGE_CACHE"] = "off"

def package(name):
    """A demo package (acme_*: Modules, the others: Vendor) or a fixture of this test."""
    for folder in ("qvmodcat_demo/Modules", "qvmodcat_demo/Vendor", "qvmodcat_packages"):
        path = os.path.join(FIXTURES, folder, name + ".msm")
        if os.path.exists(path):
            return path
    raise FileNotFoundError(name)


def folder(name, *packages, files=()):
    """A fresh folder of the scratch area with copies of packages and the (name, text) files."""
    path = os.path.join(SCRATCH, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    for source in packages:
        shutil.copy(package(source), path)
    for relative, text in files:
        target = os.path.join(path, relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        pathlib.Path(target).write_text(text, encoding="utf-8")
    return path


def file_name(windows):
    return windows.rsplit("\\", 1)[-1]


# Each case: options for a folder that shows one problem class, and what check says of it.
def unread_packages():
    path = folder("unread", "acme_core", files=[("text.msm", "no package\n"), ("empty.msm", "")])
    data = pathlib.Path(package("acme_viewer_en")).read_bytes()
    pathlib.Path(path, "cut.msm").write_bytes(data[:len(data) // 2])
    # A copy that claims a compound-file version nobody writes: the component refuses it.
    data = bytearray(pathlib.Path(package("acme_core")).read_bytes())
    struct.pack_into("<H", data, 0x1A, 5)
    pathlib.Path(path, "odd.msm").write_bytes(data)
    return ["--search-path", path], lambda answer: [
        (file_name(p["path"]), p["reason"].split(" (")[0].split(":")[0])
        for p in answer["packages_not_read"]], [
        ("cut.msm", "cut short"), ("empty.msm", "empty file"), ("odd.msm", "damaged"),
        ("text.msm", "not an installer package")]


def shadowed_keys():
    newer, shown = folder("A_newer", "acme_core_newer"), folder("B_shown", "acme_core")
    return ["--search-path", newer + "," + shown], lambda answer: [
        (k["key"], k["shown"]["version"], k["shown"]["path"], [h["version"] for h in k["hidden"]],
         k["newer_hidden"]) for k in answer["shared_keys"]], [
        ("Acme.Core:0", "2.1.0.0", windows_path(os.path.join(shown, "acme_core.msm")), ["3.0.0.0"],
         True)]


def unmet_requirements():
    path = folder("requirements", "borealis_charts", "borealis_fonts", "acme_viewer_en", "acme_core")
    return ["--search-path", path], lambda answer: [
        (r["module"], r["requires"], r["status"], r["found_version"])
        for r in answer["requirements_not_met"]], [
        ("Borealis.Charts:1033", "Borealis.Fonts:0", "older", "2.5.0.0"),
        ("Borealis.Charts:1033", "Cobalt.Sync:1033", "missing", None),
        ("Borealis.Charts:1033", "Delta.Print:0", "missing", None)]


def exclusion_conflicts():
    product = folder("conflicts", files=[("ObjectGallery/Check.Rival.ini", (
        "[MergeModule]\nModuleID=Check.Rival\nLanguage=0\nVersion=1.0\n"
        "[Dependency]\nKey1=Acme.Core\n[Exclusions]\nKey1=Acme.Core\n"
        "[Acme.Core]\nVersion=2.0\nLanguage=0\n"  # its minimum reads as 2.0 (19 digits)
        "ExcludedMinVersion=2.00000000000000000000005\nExcludedMaxVersion=2.5\nExcludedLanguage=0\n"))])
    modules = folder("conflicts-modules", "acme_core")
    return ["--product-folder", product, "--search-path", modules], lambda answer: [
        (c["module"], c["excludes"], c["conflicting_version"], c["needed_together_by"])
        for c in answer["exclusion_conflicts"]], [
        ("Check.Rival:0", "Acme.Core:0", "2.1.0.0", ["Check.Rival:0"])]


def gallery_packages():
    product = folder("gallery")
    os.makedirs(os.path.join(product, "ObjectGallery"))
    shutil.copy(os.path.join(DEMO, "ObjectGallery", "Cobalt.Sync.ini"),
                os.path.join(product, "ObjectGallery"))
    return ["--product-folder", product], lambda answer: [
        (g["descriptor"], g["key"], g["package"], g["reason"])
        for g in answer["gallery_packages_missing"]], [
        ("Cobalt.Sync.ini", "Cobalt.Sync:1033",
         windows_path(os.path.join(product, "Modules", "cobalt_sync.msm")), "its package is missing")]


def files_ini_entries():
    path = folder("files-ini", "acme_viewer_en", "acme_core", files=[("FilesToModules.ini", (
        "[FilesToModules]\nviewer.dll=0:Acme.Viewer\nghost.dll=0:Nobody.Here\n"
        "old.dll=1.0:Acme.Viewer:1031\nbroken.dll=nothing\n"))])
    return ["--search-path", path, "--files-ini", path], lambda answer: [
        (f["file"], f["key"]) for f in answer["files_ini_entries"]], [
        ("ghost.dll", "Nobody.Here:0"), ("old.dll", "Acme.Viewer:1031"), ("broken.dll", None)]


def shared_files():
    path = folder("shared-files", "acme_core", "rival_core")
    return ["--search-path", path], lambda answer: [
        ([m["key"] for m in s["modules"]], s["files"]) for s in answer["shared_files"]], [
        (["Acme.Core:0", "Rival.Core:0"], ["[SystemFolder]acmecore.dll"])]


def folder_entries():
    path = folder("entries", "acme_core", files=[("a-file.txt", "")])
    missing = os.path.join(path, "missing")
    return ["--search-path", path + "," + missing, "--extra-path", os.path.join(path, "a-file.txt"),
            "--module-folder", missing + "2"], lambda answer: [
        (e["list"], e["reason"]) for e in answer["folder_entries"]], [
        ("extra search path", "a file, not a folder"), ("search path", "no such folder"),
        ("module folder", "no such folder")]


def code_page_paths():
    # The prefix's code page is a Western one (1252): it holds no Greek letter.
    plain = folder("code-page")
    shutil.copy(package("acme_core"), os.path.join(plain, "κύριο.msm"))
    return ["--search-path", folder("Ελληνικά", "acme_core") + "," + plain], lambda answer: [
        (file_name(p["path"]), p["kind"]) for p in answer["paths_outside_code_page"]], [
        ("κύριο.msm", "package file"), ("Ελληνικά", "search path")]


CLASSES = {  # JSON member: the heading of its text section, and the case that shows it alone
    "packages_not_read": ("Package files not read", unread_packages),
    "shared_keys": ("Keys served by more than one package", shadowed_keys),
    "requirements_not_met": ("Requirements not met", unmet_requirements),
    "exclusion_conflicts": ("Modules that exclude each other", exclusion_conflicts),
    "gallery_packages_missing": ("Gallery descriptors without their package", gallery_packages),
    "files_ini_entries": ("FilesToModules.ini entries for modules the catalog lacks",
                          files_ini_entries),
    "shared_files": ("Modules that deliver files of one name to one folder", shared_files),
    "folder_entries": ("Folder list entries that name no folder", folder_entries),
    "paths_outside_code_page": ("Paths the system code page cannot hold", code_page_paths),
}


class CheckProblemClasses(ProgramTest):
    def test_each_problem_class_alone(self):
        for member, (heading, case) in CLASSES.items():
            with self.subTest(member):
                options, shown, expected = case()
                result = RUNNER.run("--isolated", *options, "--json", "check")
                answer = self.assertExit(result, 1).json()
                self.assertEqual(expected, shown(answer))
                self.assertEqual({m: [] for m in CLASSES if m != member},
                                 {m: answer[m] for m in CLASSES if m != member}, "nothing else")
                self.assertEqual(len(expected), answer["problems"])
                text = RUNNER.run("--isolated", *options, "check").out
                self.assertIn("\n%s (%d):\n" % (heading, len(expected)), text)
                self.assertTrue(text.endswith("\n%d problem%s found.\n" % (
                    len(expected), "" if len(expected) == 1 else "s")), text)

    def test_a_sound_folder_is_clean(self):
        result = RUNNER.run("--isolated", "--search-path", folder("clean", "acme_core", "acme_viewer_en"),
                            "check")
        self.assertEqual((0, "Checked 1 folder, 2 package files (2 opened, 0 from the package cache), "
                             "2 modules (2 from packages).\n"
                             "No problems found.\n"), (result.code, result.out))

    def test_list_and_folders_say_what_was_skipped(self):
        options, _, _ = unread_packages()
        result = self.assertExit(RUNNER.run("--isolated", *options, "list"), 0)
        self.assertEqual(["1 module: 1 from packages, 0 from gallery descriptors",
                          "5 package files: 5 opened, 0 from the package cache",
                          "4 packages not read: see `qvmodcat check`"], result.out.splitlines()[-3:])
        result = RUNNER.run("--isolated", *options, "--json", "list")
        self.assertEqual(["Acme.Core:0"], [m["key"] for m in result.json()])
        self.assertIn("4 packages not read", result.err, "JSON stays JSON: the line goes to stderr")
        result = RUNNER.run("--isolated", "--search-path", "/no/such/folder", "folders")
        self.assertEqual((1, "The catalog has no module folders.\n"
                             "1 folder missing: see `qvmodcat check`\n"), (result.code, result.out))
        options, _, _ = code_page_paths()
        fix = "system code page (1252) cannot hold the characters of {}: rename the file or folder"
        self.assertIn(fix.format("2 paths"), " ".join(RUNNER.run("--isolated", *options, "list").out.split()))
        result = RUNNER.run("--isolated", "inspect", os.path.join(options[1].split(",")[0], "acme_core.msm"))
        self.assertEqual((2, True), (result.code, fix.format("this path") in result.err), result)

    def test_graphviz_graph_of_the_catalog(self):
        options, _, _ = unmet_requirements()
        result = self.assertExit(RUNNER.run("--isolated", *options, "check", "--format", "dot"), 1)
        self.assertTrue(result.out.startswith('digraph "catalog" {'), result.out)
        for line in ('"Borealis.Charts:1033" -> "Acme.Viewer:1033" [label=">= 1.2"];',
                     '"Borealis.Charts:1033" -> "Borealis.Fonts:0" [label=">= 3.0", color=red',
                     '"Delta.Print:0 (missing)" [label="Delta.Print:0\\nmissing", shape=ellipse'):
            self.assertIn(line, result.out)


class Launcher(ProgramTest):
    def test_from_any_folder_with_a_prefix_of_its_own_and_nothing_left_over(self):
        prefix = os.path.join(SCRATCH, "launcher-prefix")  # made on first use, then kept
        work = folder("launcher-work")
        shutil.copytree(folder("launcher-msm", "acme_core"), os.path.join(work, "msm"))
        environment = {k: v for k, v in os.environ.items() if k != "QV_STANDIN_KEY"}
        environment.update(QVMODCAT_ARCH=RUNNER.arch, QVMODCAT_BUILD=RUNNER.build,
                           QVMODCAT_PREFIX=prefix)
        launcher = os.path.join(os.environ["QV_SOURCE_DIR"], "scripts", "qvmodcat")

        def launch(*arguments, **settings):
            completed = subprocess.run([launcher, *arguments], cwd=work, capture_output=True,
                                       env=dict(environment, **settings), timeout=600)
            result = Result(completed.args, completed.returncode, completed.stdout, completed.stderr)
            return result.code, result.out
        try:
            code, out = launch("--json", "list", "--search-path", "msm")
            self.assertEqual(0, code, out)
            self.assertEqual([windows_path(os.path.join(work, "msm", "acme_core.msm"))],
                             [m["path"] for m in json.loads(out)], "relative to the caller's folder")
            self.assertTrue(os.path.exists(os.path.join(prefix, "qvmodcat-registration")))
            # A search path left in the prefix's stand-in key counts only when asked for.
            subprocess.run([RUNNER.wine_run, RUNNER.arch, prefix, "reg", "add",
                            r"HKCU\Software\Quorvane\Showloom\StandIn", "/v", "SearchPathList",
                            "/d", windows_path(os.path.join(DEMO, "Vendor")), "/f"],
                           check=True, capture_output=True)
            code, out = launch("list", "--search-path", "msm")
            self.assertEqual((0, "Acme.Core:0"), (code, out.splitlines()[1].split()[0]))
            self.assertNotIn("Borealis", out)
            code, out = launch("list", QVMODCAT_ISOLATED="0")
            self.assertIn("Borealis.Fonts:0", out)
            self.assertEqual(0, launch("inspect", "msm/acme_core.msm")[0])
        finally:
            subprocess.run([os.path.join(os.environ["QV_SOURCE_DIR"], "tests", "wine", "stop-prefix.sh"),
                            prefix])


def many_copies():
    """150 copies of one package: the catalog takes one, check and list read the others."""
    many = folder("many")
    for i in range(150):
        shutil.copy(package("acme_core"), os.path.join(many, "copy%03d.msm" % i))
    return many


class LongRuns(ProgramTest):
    def test_progress_at_a_terminal_counts_what_is_done(self):
        text = RUNNER.run_at_terminal("--isolated", "--search-path", many_copies(), "list")
        self.assertRegex(text, r"qvmodcat list: [a-z' ]+ \d+/150 packages")
        self.assertIn("Acme.Core:0", text)

    def test_ctrl_c_ends_the_run_and_puts_the_values_back(self):
        many = many_copies()
        RUNNER.clear_key()
        RUNNER.set_values(SearchPathList="C:\\Before")
        before = RUNNER.values()
        scratch = folder("interrupt-scratch")
        process, out, err = RUNNER.start("--search-path", many, "--match-folder", "check",
                                         scratch_parent=scratch)
        # Wine's installer object leaves a copy "0" of each package it reads in the tool's
        # scratch folder: once it is there, the catalog is reading packages.
        deadline = time.time() + 120
        while not glob.glob(os.path.join(scratch, "*", "0")) and time.time() < deadline:
            self.assertIsNone(process.poll(), "the run ended before it read a package")
            time.sleep(0.02)
        os.killpg(process.pid, signal.SIGINT)
        code = process.wait(timeout=120)
        err.seek(0)
        messages = err.read().decode("utf-8", errors="replace")
        self.assertEqual(130, code, messages)
        self.assertIn("qvmodcat: interrupted", messages)
        self.assertNotIn("Unhandled", messages)
        self.assertEqual(before, RUNNER.values(), "the values of the run are gone again")
        RUNNER.clear_key()


@unittest.skipUnless(os.path.isdir(REAL), "no real packages in ../shared/realmsm")
class RealModules(ProgramTest):
    def run_real(self, *arguments):
        return RUNNER.run("--isolated", "--search-path", REAL, *arguments)

    def test_check_finds_the_newer_package_hidden_behind_an_older_one(self):
        answer = self.assertExit(self.run_real("--json", "check"), 1).json()
        files = [n for n in os.listdir(REAL) if n.lower().endswith(".msm")]
        self.assertEqual((len(files), len(files) - 1), (answer["package_files"], answer["modules"]))
        self.assertEqual([("TortoiseOverlays-win32.msm", "1.0.0.0",
                           ["TortoiseOverlays-1.1.5.29440-win32.msm"], True)],
                         [(file_name(k["shown"]["path"]), k["shown"]["version"],
                           [file_name(h["path"]) for h in k["hidden"]], k["newer_hidden"])
                          for k in answer["shared_keys"]])

    def test_a_file_asked_in_its_language_is_found_first_of_every_module_with_it(self):
        result = self.run_real("--json", "find-file", "msvcr90.dll", "--language", "1033")
        self.assertEqual(0, result.code, result)
        self.assertEqual([True, False, False, False, False],
                         [c["answers"] for c in result.json()["candidates"]])

    def test_text_cuts_names_never_verdicts_and_its_keys_paste_back(self):
        crt = "Microsoft_VC90_CRT_x86.C8AE193F_7C6D_330A_93C7_EBBC23C30DBF:0"
        texts = {}
        for command in (["list"], ["folders"], ["show", "--all", "--resolve"], ["check"],
                        ["find-file", "msvcr90.dll", "--match-version", "--version", "1.0"],
                        ["rdeps", crt]):
            result = self.run_real(*command)
            self.assertIn(result.code, (0, 1), result)
            texts[command[0]] = result.out
            longest = max(result.out.splitlines(), key=len)
            self.assertLessEqual(len(longest), 100, "%s: %r" % (command, longest))
            self.assertNotIn("……", result.out, command)
        self.assertEqual(5, " ".join(texts["find-file"].split()).count(
            "version 9.0.30729.6161, asked for 1.0; language 1033, asked for 0"), "reasons wrap, whole")
        self.assertRegex(texts["rdeps"], r"\n  policy_9_0_\S+:0 +9\.0 +requires "
                                         r"Microsoft_VC90_CRT_\S+:0 >= 9\.0 +found\n")
        policies = folder("policies")
        for name in glob.glob(os.path.join(REAL, "policy_*.msm")):
            shutil.copy(name, policies)
        unmet = RUNNER.run("--isolated", "--search-path", policies, "check").out
        self.assertEqual(2, len(re.findall(r"^  policy\S+ requires \S+ >= 9\.0: missing$", unmet, re.M)), unmet)
        rows = texts["list"].splitlines()
        self.assertEqual(1, len({len(r) - len(r.lstrip()) for r in rows if "  package " in r}),
                         "every package line starts in one column")
        keys = [m["key"] for m in self.run_real("--json", "list").json()]
        for shown, key in zip([r.split()[0] for r in rows[1::2]], keys):
            if key.startswith(("CRT.", "Microsoft_VC90_ATL", "policy_9_0_Microsoft_VC90_CRT_x86")):
                result = self.run_real("--json", "show", shown)
                self.assertEqual((0, key), (result.code, (result.json() or {}).get("key")), result)
                self.assertIn(key, result.err, "says which key it took")
        out = self.run_real("show", "TortoiseOverlays:0").out
        self.assertEqual([k for k in keys if k.startswith("TortoiseOverlays.")], [k for k in keys if k in out])
        wide = self.run_real("--wide", "list").out
        self.assertRegex(wide, r"\.[0-9A-F]{8}_[0-9A-F]{4}_[0-9A-F]{4}_[0-9A-F]{4}_[0-9A-F]{12}:0 ")


if __name__ == "__main__":
    unittest.main(verbosity=2)
