#!/usr/bin/env python3
"""qvmodcat over the demo catalog (demo/, built into $QV_FIXTURES_DIR/qvmodcat_demo), driven as a
person drives it: command lines, printed answers, JSON, exit codes (0 found, 1 not found,
2 error), and the stand-in values it sets for a run and puts back afterwards.  Runs are
--isolated unless a test is about the values stored in the stand-ins' key.
"""
import os
import unittest

from qvmodcat_runner import ProgramTest, Runner, demo_options, windows_path

PRODUCT = os.path.join(os.environ.get("QV_FIXTURES_DIR", ""), "qvmodcat_demo")
RUNNER = Runner("qvmodcat_demo")


def qvmodcat(*arguments):
    return RUNNER.run("--isolated", *demo_options(PRODUCT), *arguments)


def setUpModule():
    RUNNER.clear_key()


class ListAndFolders(ProgramTest):
    def test_list_gives_package_and_gallery_modules_in_catalog_order(self):
        modules = self.assertExit(qvmodcat("--json", "list"), 0).json()
        self.assertEqual(["Acme.Core:0", "Acme.Viewer:1031", "Acme.Viewer:1033", "Acme.Viewer:1036",
                          "Borealis.Charts:1033", "Borealis.Fonts:0", "Cobalt.Sync:1033"],
                         [m["key"] for m in modules],
                         "folders in path order, packages in path order, then the gallery")
        by_key = {m["key"]: m for m in modules}
        self.assertEqual("package", by_key["Acme.Viewer:1036"]["source"])
        charts = by_key["Borealis.Charts:1033"]
        self.assertEqual((True, True, "update available", "3.1.0.0"),
                         (charts["installed"], charts["needs_download"], charts["status"],
                          charts["offered_version"]), "its descriptor offers 3.1")
        sync = by_key["Cobalt.Sync:1033"]
        self.assertEqual(("gallery", False, True, "needs download"),
                         (sync["source"], sync["installed"], sync["needs_download"], sync["status"]))
        self.assertTrue(sync["path"].endswith("\\Modules\\cobalt_sync.msm"), sync["path"])

    def test_folders_in_store_order_with_kind_and_count(self):
        entry = os.path.join(PRODUCT, "ObjectGallery")  # a folder, taken as one package entry
        folders = self.assertExit(qvmodcat("--module-folder", entry, "--json", "folders"), 0).json()
        self.assertEqual([("search", 4), ("entry", 0), ("search", 2)],
                         [(f["kind_name"], f["module_count"]) for f in folders], "path order")
        self.assertTrue(folders[0]["path"].endswith("\\Modules"))
        self.assertEqual(["Acme.Core:0", "Acme.Viewer:1031", "Acme.Viewer:1033", "Acme.Viewer:1036"],
                         folders[0]["modules"])
        self.assertEqual(windows_path(entry), folders[1]["path"],
                         "an entry is a path of its own, no package here")
        text = qvmodcat("folders").out.splitlines()
        self.assertEqual(["#", "KIND", "MODULES", "FOLDER"], text[0].split())
        self.assertEqual(["2", "search", "2"], text[2].split()[:3])


class Show(ProgramTest):
    def test_show_gives_properties_and_every_detail_list(self):
        module = self.assertExit(qvmodcat("--json", "show", "Acme.Viewer:1031"), 0).json()
        self.assertEqual(("Acme.Viewer:1031", "Acme Corporation", "Acme Viewer Runtime",
                          "{A1C0DE03-0000-4A00-8C00-000000000001}"),
                         (module["key"], module["author"], module["subject"], module["name"]))
        self.assertEqual([{"key": "Acme.Core:0", "module_id": "Acme.Core", "version": "2.0",
                           "language": 0}], module["dependencies"])
        files = {f["long_name"]: f for f in module["files"]}
        self.assertEqual({"viewer.chm", "viewer.dll"}, set(files))
        self.assertEqual(("SystemFolder", "1.2.0.5", "1031", 123456, 1),
                         tuple(files["viewer.dll"][k] for k in
                               ("directory", "version", "language", "size", "sequence")))
        self.assertEqual("Help.A1C0DE03_0000_4A00_8C00_000000000001", files["viewer.chm"]["directory"])
        self.assertNotIn("folder", files["viewer.dll"], "folders only with --resolve")
        self.assertEqual((False, None), (module["has_gallery_descriptor"], module["download_files"]),
                         "a package without descriptor has no download files")

        text = self.assertExit(qvmodcat("show", "Acme.Viewer:1031"), 0)
        self.assertIn("Download files: none (no gallery descriptor)\n", text.out)
        self.assertIn("Dependencies (1):\n  Acme.Core:0  version 2.0 or later\n", text.out)
        self.assertIn("Custom actions: none\n", text.out)

    def test_resolved_folders_are_confirmed_by_the_catalog_where_it_can_be_asked(self):
        result = self.assertExit(qvmodcat("--json", "show", "--all", "--resolve"), 0)
        folders = {(m["key"], f["long_name"]): (f["folder"], f["folder_check"])
                   for m in result.json() for f in m["files"]}
        # A module directory has no folder token to ask with; a gallery module has no package.
        for key, name, folder, check in (
                ("Acme.Viewer:1033", "viewer.dll", "[SystemFolder]", "confirmed"),
                ("Acme.Viewer:1036", "viewer.chm", "[ProgramFilesFolder]Acme\\Viewer\\Help",
                 "confirmed"),
                ("Acme.Core:0", "acmecore.dat", "[CommonFilesFolder]Acme", "confirmed"),
                ("Borealis.Fonts:0", "boreal.ttf", "[FontsFolder]", "confirmed"),
                ("Borealis.Charts:1033", "charts.ocx", "BorealisCharts", "not-checkable"),
                ("Cobalt.Sync:1033", "cobaltsync.dll", None, "not-asked")):
            self.assertEqual((folder, check), folders[(key, name)], (key, name))

        text = qvmodcat("show", "Acme.Viewer:1033", "--resolve").out
        self.assertRegex(text, r"\n\s+-> \[SystemFolder\]   \(the catalog agrees\)\n")


class FileLookups(ProgramTest):
    def find(self, *arguments):
        result = qvmodcat("--json", "find-file", *arguments)
        self.assertIn(result.code, (0, 1), result)
        answer = result.json()
        self.assertEqual(answer["module"] is not None, result.code == 0, "0: a module answers")
        return answer

    def test_a_file_listed_for_a_module_the_catalog_lacks(self):
        result = self.assertExit(qvmodcat("find-file", "acmeprint.dll"), 1)
        self.assertEqual("not found: FilesToModules.ini lists the file for Delta.Print:0, which the "
                         "catalog does not have\n", result.out)
        answer = self.find("acmeprint.dll")
        self.assertEqual((True, None, "Delta.Print:0"),
                         (answer["found"], answer["module"], answer["listed_key"]))
        result = self.assertExit(qvmodcat("find-file", "nothing.dll"), 1)
        self.assertEqual("not found: no module of the catalog has a file named nothing.dll\n",
                         result.out)

    def test_every_module_with_the_name_and_why_it_answers_or_not(self):
        def candidates(answer):
            return [(c["key"], c["answers"], c["reason"]) for c in answer["candidates"]]
        answer = self.find("viewer.dll")
        self.assertEqual(("Acme.Viewer:1031", "FilesToModules.ini"),
                         (answer["module"]["key"], answer["answered_by"]),
                         "no file list matches language 0; the lookup file names Acme.Viewer:0")
        self.assertEqual([("Acme.Viewer:%d" % n, False, "language %d, asked for 0" % n)
                          for n in (1031, 1033, 1036)], candidates(answer))
        answer = self.find("[SystemFolder]VIEWER.DLL", "--in-folder", "--language", "1033",
                           "--version", "1.2.0.4")
        self.assertEqual("FilesToModules.ini", answer["answered_by"], "its entry is for any version")
        self.assertEqual("version 1.2.0.5, asked for 1.2.0.4", answer["candidates"][1]["reason"])
        answer = self.find("[SystemFolder]viewer.dll", "--match-folder", "--language", "1033")
        self.assertEqual([("Acme.Viewer:1031", False, "language 1031, asked for 1033"),
                          ("Acme.Viewer:1033", True, "matches"),
                          ("Acme.Viewer:1036", False, "language 1036, asked for 1033")],
                         candidates(answer))
        self.assertEqual("[SystemFolder]", answer["candidates"][1]["folder"])
        answer = self.find("[FontsFolder]viewer.dll", "--match-folder", "--language", "1033")
        self.assertEqual("goes to [SystemFolder], asked for [FontsFolder]",
                         answer["candidates"][1]["reason"])
        text = qvmodcat("find-file", "viewer.dll", "--language", "1036").out.splitlines()
        self.assertEqual("found: Acme.Viewer:1036 1.2.0.0  Acme Viewer (Français)", text[0])
        self.assertEqual(["Acme.Viewer:1036", "1.2.0.5", "1036", "[SystemFolder]", "the",
                          "catalog's", "answer"], text[-1].split())

    def test_display_names_agree_with_list_and_say_where_they_come_from(self):
        listed = {m["key"]: m["display_name"] for m in qvmodcat("--json", "list").json()}
        for key, source in (("Acme.Viewer:1036", "modules.ini"), ("Borealis.Fonts:0", "subject"),
                            ("Cobalt.Sync:1033", "modules.ini")):
            answer = self.assertExit(qvmodcat("--json", "display-name", key), 0).json()
            self.assertEqual((listed[key], source, True),
                             (answer["display_name"], answer["source"], answer["in_catalog"]), key)
        result = qvmodcat("display-name", "Borealis.Fonts:0")
        self.assertEqual("Borealis Font Pack\n  from the module's subject (modules.ini does not "
                         "name it)\n", result.out)
        result = self.assertExit(qvmodcat("display-name", "Delta.Print:0"), 1)
        self.assertEqual("The catalog has no module Delta.Print:0.\n", result.out)


class Dependencies(ProgramTest):
    def test_closure_marks_found_older_missing_and_conflicts(self):
        answer = self.assertExit(qvmodcat("--json", "deps", "Borealis.Charts:1033"), 1).json()
        self.assertEqual([("Borealis.Charts:1033", "Acme.Viewer:0", "found", "Acme.Viewer:1033"),
                          ("Acme.Viewer:1033", "Acme.Core:0", "found", "Acme.Core:0"),
                          ("Borealis.Charts:1033", "Borealis.Fonts:0", "older", "Borealis.Fonts:0"),
                          ("Borealis.Charts:1033", "Cobalt.Sync:1033", "found", "Cobalt.Sync:1033"),
                          ("Borealis.Charts:1033", "Delta.Print:0", "missing", None)],
                         [(r["required_by"], r["key"], r["status"],
                           r["module"]["key"] if r["module"] else None)
                          for r in answer["requirements"]],
                         "Acme.Viewer:0 takes the requiring module's language")
        self.assertEqual([{"module": "Cobalt.Sync:1033", "excludes": "Acme.Core:0",
                           "min_version": "1.0", "max_version": "2.5", "language": "0",
                           "conflicting": "Acme.Core:0", "conflicting_version": "2.1.0.0"}],
                         answer["conflicts"])
        self.assertFalse(answer["complete"])

        text = qvmodcat("deps", "Borealis.Charts:1033").out
        self.assertIn("\n    Acme.Core:0 >= 2.0", text, "indented under what requires it")
        self.assertIn("Incomplete: 1 missing, 1 older than required, 1 conflicting.\n", text)

    def test_who_requires_a_module(self):
        result = self.assertExit(qvmodcat("--json", "rdeps", "Acme.Core:0"), 0)
        self.assertEqual([("Acme.Viewer:1031", 1, "found"), ("Acme.Viewer:1033", 1, "found"),
                          ("Borealis.Charts:1033", 2, "found"), ("Acme.Viewer:1036", 1, "found")],
                         [(r["key"], r["depth"], r["status"]) for r in result.json()["required_by"]],
                         "Borealis.Charts requires Acme.Viewer:0, which is 1033 for it")
        result = qvmodcat("rdeps", "Borealis.Fonts:0")
        self.assertEqual(["Borealis.Charts:1033", "3.0.1.0", "requires", "Borealis.Fonts:0", ">=",
                          "3.0", "older"], result.out.splitlines()[1].split())
        result = self.assertExit(qvmodcat("rdeps", "Borealis.Charts:1033"), 1)
        self.assertIn("  no module of the catalog requires it\n", result.out, result)
        result = self.assertExit(qvmodcat("--json", "rdeps", "Delta.Print:0"), 0)
        self.assertEqual([(None, "Borealis.Charts:1033", 1, "missing")], [
            (result.json()["module"], r["key"], r["depth"], r["status"]) for r in result.json()["required_by"]])

    def test_graphviz_and_keys_that_are_almost_right(self):
        result = self.assertExit(qvmodcat("deps", "Borealis.Charts:1033", "--format", "dot"), 1)
        for line in ('"Borealis.Charts:1033" [label="Borealis.Charts:1033\\n3.0.1.0", penwidth=2];',
                     '"Cobalt.Sync:1033" [label="Cobalt.Sync:1033\\n1.4.0.0", style=dashed];',
                     '"Cobalt.Sync:1033" -> "Acme.Core:0" [label="excludes", color=red'):
            self.assertIn(line, result.out)
        for key, suggestion in (("acme.viewer:1033", "Acme.Viewer:1033, Acme.Viewer:1031 or "
                                                     "Acme.Viewer:1036"),
                                ("Acme.Viewr:0", "Acme.Viewer:1031, Acme.Viewer:1033 or "
                                                 "Acme.Viewer:1036"),
                                ("Borealis.Charts:1031", "Borealis.Charts:1033")):
            result = self.assertExit(qvmodcat("show", key), 1)
            self.assertEqual("The catalog has no module %s.\nDid you mean %s?\n" % (key, suggestion),
                             result.out)
        result = qvmodcat("--json", "deps", "Borealis.Ch:1033")
        self.assertEqual(("Borealis.Charts:1033", True), (result.json()["module"]["key"],
                                                           "taking Borealis.Charts:1033" in result.err))


class Inspect(ProgramTest):
    def test_a_package_read_on_its_own_and_its_place_in_the_catalog(self):
        package = os.path.join(PRODUCT, "Vendor", "borealis_fonts.msm")
        module = self.assertExit(qvmodcat("--json", "inspect", package, "--resolve"), 0).json()
        self.assertEqual(("Borealis.Fonts:0", "loaded", windows_path(package)),
                         (module["key"], module["source"], module["path"]))
        self.assertEqual([("boreal.ttf", "[FontsFolder]", "not-asked"),
                          ("borealb.ttf", "[FontsFolder]", "not-asked")],
                         [(f["long_name"], f["folder"], f["folder_check"]) for f in module["files"]])
        self.assertEqual("this-package", module["catalog"]["state"])

        result = self.assertExit(RUNNER.run("--search-path", os.path.join(PRODUCT, "Modules"),
                                            "--json", "inspect", package), 0)
        self.assertEqual({"state": "absent"}, result.json()["catalog"])

    def test_files_that_are_no_package_are_named_before_the_component_is_asked(self):
        # The reasons are check's (folder_health_test); inspect gives them before the component.
        missing = os.path.join(PRODUCT, "none.msm")
        for path, message in ((missing, "no such file"),
                              (os.path.join(PRODUCT, "Modules"), "is a folder, not a package file"),
                              (os.path.join(PRODUCT, "modules.ini"),
                               "not an installer package (no compound file)")):
            result = self.assertExit(qvmodcat("inspect", path), 2)
            self.assertEqual(("", "qvmodcat: %s: %s\n" % (path, message)), (result.out, result.err),
                             "the path as it was typed")
        answer = qvmodcat("--json", "inspect", missing).json()
        self.assertEqual({"path": missing, "description": "no such file"}, answer["error"])


class Environment(ProgramTest):
    def setUp(self):
        RUNNER.clear_key()

    def test_values_given_are_set_for_the_run_and_put_back(self):
        modules = windows_path(os.path.join(PRODUCT, "Modules"))
        vendor = windows_path(os.path.join(PRODUCT, "Vendor"))
        RUNNER.set_values(SearchPathList=vendor, ModuleFolder0=modules, ModuleFolder1=vendor,
                          MatchFolder=1)
        before = RUNNER.values()

        result = self.assertExit(RUNNER.run("--search-path", modules, "--module-folder", vendor,
                                            "--no-match-folder", "--json", "folders"), 0)
        self.assertEqual([(modules, "search"), (vendor, "entry")],
                         [(f["path"], f["kind_name"]) for f in result.json()],
                         "the given list, and one entry: ModuleFolder1 ends the entries for the run")
        self.assertEqual(before, RUNNER.values())

        result = RUNNER.run("--json", "folders")
        self.assertEqual([(modules, "entry"), (vendor, "search")],
                         sorted((f["path"], f["kind_name"]) for f in result.json()),
                         "options not given leave the environment's values")


class CommandLine(ProgramTest):
    def setUp(self):
        RUNNER.clear_key()

    def test_help(self):
        commands = ("check", "list", "folders", "show", "find-file", "key-for-file",
                    "display-name", "deps", "rdeps", "inspect")
        result = self.assertExit(RUNNER.run("--help"), 0)
        self.assertIn("Exit codes: 0 found or clean, 1 not found or problems found, 2 error",
                      result.out)
        self.assertNotIn("--search-path LIST", result.out, "the environment options have a page")
        self.assertIn("--search-path LIST", RUNNER.run("help", "environment").out)
        for command in commands:
            self.assertRegex(result.out, r"\n  %s " % command)
            page = self.assertExit(RUNNER.run("help", command), 0)
            self.assertRegex(page.out, r"^usage: qvmodcat [^\0]*\nExample:\n  qvmodcat .*%s" % command)
            self.assertNotIn("--search-path LIST", page.out)
        self.assertEqual(RUNNER.run("deps", "--help").out, RUNNER.run("help", "deps").out)

    def test_versions_of_the_tool_and_the_component(self):
        result = self.assertExit(RUNNER.run("--version"), 0)
        lines = result.out.splitlines()
        self.assertEqual(["qvmodcat 2.0.0.0", "QvModCat2.dll 2.0.0.0"], lines[:2])
        self.assertTrue(lines[2].endswith("\\QvModCat2.dll"), lines[2])

    def test_wrong_command_lines(self):
        for arguments, message in (
                ((), "no command given"),
                (("lst",), 'unknown command "lst" (did you mean list?)'),
                (("--serch-path", "x", "list"), "unknown option --serch-path (did you mean --search-path?)"),
                (("list", "--resolve"), "--resolve does not apply to list"),
                (("list", "--format", "dot"), "--format dot does not apply to list"),
                (("show",), "show needs a KEY, or --all for every module"),
                (("show", "K:1", "extra"), 'show takes one argument: "extra" is one too many'),
                (("show", "Foo:abc"), '"Foo:abc" is no module key'),
                (("deps", "Acme.Viewer"), '"Acme.Viewer" is no module key'),
                (("find-file",), "find-file needs a DESTINATION"),
                (("find-file", "x", "--language", "xyz"), '--language takes a language number'),
                (("find-file", "x", "--language", "-1"), "--language takes a language number from 0 to"),
                (("show", "Acme.Core:0", "--language", "-1"), "--language takes a language number from 0 to"),
                (("show", "X:-5"), '"X:-5" is no module key'),
                (("find-file", "x", "--version", "notaversion"), "--version takes a file version"),
                (("find-file", "x", "--version"), "option --version needs a value"),
                (("--preferred-language", "abc", "list"), "--preferred-language takes a language"),
                (("--project-type", "7", "list"), "--project-type takes 0, 1, 3, 9 or 10"),
                (("--search-path", "a", "--search-path", "b", "list"), "--search-path is given twice"),
                (("--match-folder", "--no-match-folder", "list"), "--no-match-folder is given twice"),
                (("--json=yes", "list"), "option --json takes no value"),
                (("help", "chek"), 'no help on "chek" (did you mean check?)')):
            result = self.assertExit(RUNNER.run(*arguments), 2)
            self.assertIn("qvmodcat: " + message, result.err)
            self.assertIn("usage: ", result.err)
            self.assertEqual("", result.out)
        result = self.assertExit(RUNNER.run("--json", "show", "Foo:abc"), 2)
        self.assertEqual("command line", result.json()["error"]["call"])
        self.assertIn("is no module key", result.json()["error"]["description"])
        self.assertEqual({}, RUNNER.values(), "nothing was written")


class LostAnswer(ProgramTest):
    def test_an_answer_that_cannot_be_written_ends_as_an_error(self):
        result = self.assertExit(RUNNER.run("--isolated", *demo_options(PRODUCT), "folders",
                                            stdout_path="/dev/full"), 2)
        self.assertIn("could not be written to standard output", result.err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
