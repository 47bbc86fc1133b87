#!/usr/bin/env python3
"""Checks what qvmodcat reported through the component on real-world packages
(report_real_packages.sh) against msitools' reading of the same packages:

  - every package read on its own (inspect): identity, summary texts, dependencies, exclusions,
    files with their directories, dialogs, custom actions; no gallery descriptor, so installed
    and no download files;
  - the catalog over the folder (show --all): one module per key, the package in the later
    path winning at the position of the first; each module as above;
  - every file's resolved folder is plausible: a bracketed standard system folder or the
    package's Directory names, from the file's directory up to the root;
  - inspect tells which package the catalog shows for the key.

    check_real_packages.py <report folder> <package folder>
"""
import json
import os
import subprocess
import sys

# The standard folders, as the independent Directory walk of the folder tests knows them.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "folders"))
from check_module_folders import SYSTEM_FOLDERS  # noqa: E402

MODULE_SUFFIX = 36


def msiinfo(*args):
    return subprocess.run(["msiinfo", *args], check=True, capture_output=True).stdout.decode("utf-8")


class Package:
    """One package as msitools reads it."""

    def __init__(self, path):
        self.path = path
        self.tables = set(msiinfo("tables", path).split())
        self.summary = {}
        for line in msiinfo("suminfo", path).splitlines():
            name, _, value = line.partition(": ")
            self.summary[name] = value

    def rows(self, table):
        if table not in self.tables:
            return []
        lines = msiinfo("export", self.path, table).split("\r\n")
        columns = lines[0].split("\t")
        rows = []
        for line in lines[3:]:
            if line:
                cells = line.split("\t")
                cells += [""] * (len(columns) - len(cells))
                rows.append(dict(zip(columns, cells)))
        return rows


def code_units(text):
    return text.encode("utf-16-be")


def expected_module(package):
    signature = package.rows("ModuleSignature")[0]
    module_id, language, version = (signature["ModuleID"], int(signature["Language"]),
                                    signature["Version"])
    module = {
        "key": "%s:%d" % (module_id, language), "module_id": module_id, "language": language,
        "version": version, "author": package.summary.get("Author", ""),
        "subject": package.summary.get("Subject", ""),
        "comments": package.summary.get("Comments", ""),
        "name": package.summary.get("Revision number (UUID)", ""),
        "installed": True, "needs_download": False, "has_gallery_descriptor": False,
        "download_files": None,
        "dialogs": [row["Dialog"] for row in package.rows("Dialog")],
        "custom_actions": [row["Action"] for row in package.rows("CustomAction")],
    }
    dependencies = {}
    for row in package.rows("ModuleDependency"):
        entry = {"module_id": row["RequiredID"], "version": row["RequiredVersion"],
                 "language": int(row["RequiredLanguage"])}
        if (entry["module_id"], entry["language"], entry["version"]) == (module_id, language, version):
            continue  # a module does not require itself
        entry["key"] = "%s:%d" % (entry["module_id"], entry["language"])
        dependencies[entry["key"]] = entry
    module["dependencies"] = [dependencies[k] for k in sorted(dependencies, key=code_units)]
    exclusions = {}
    for row in package.rows("ModuleExclusion"):
        entry = {"module_id": row["ExcludedID"], "min_version": row["ExcludedMinVersion"],
                 "max_version": row["ExcludedMaxVersion"],
                 "language": str(int(row["ExcludedLanguage"]))}
        entry["key"] = "%s:%s" % (entry["module_id"], entry["language"])
        exclusions[entry["key"]] = entry
    module["exclusions"] = [exclusions[k] for k in sorted(exclusions, key=code_units)]
    directories = {row["Component"]: row["Directory_"] for row in package.rows("Component")}
    files = {}
    for row in package.rows("File"):
        files[row["File"]] = {
            "file": row["File"], "file_name": row["FileName"],
            "long_name": row["FileName"].split("|", 1)[-1], "directory": directories.get(row["Component_"], ""),
            "version": row["Version"], "language": row["Language"], "size": int(row["FileSize"]),
            "sequence": int(row["Sequence"])}
    module["files"] = [files[k] for k in sorted(files, key=code_units)]
    return module


def compare_module(label, reported, expected, problems):
    for field, value in expected.items():
        got = reported.get(field)
        if field == "files":
            got = [{k: f.get(k) for k in value[0]} for f in got] if value and got else got
        if got != value:
            problems.append("%s: %s\n  qvmodcat: %r\n  msiinfo:  %r" % (label, field, got, value))
    if reported.get("display_name") != (expected["subject"] or reported.get("path")):
        problems.append("%s: display name %r" % (label, reported.get("display_name")))


def check_folders(label, reported, package, problems):
    """Every file's folder: its Directory names from the file's directory up to the root (a
    "." level adds nothing), or up to a bracketed standard system folder."""
    directories = {row["Directory"]: row for row in package.rows("Directory")}
    for file in reported["files"]:
        folder = file.get("folder")
        where = "%s file %s (%s)" % (label, file["file"], file["directory"])
        if folder is None:
            problems.append("%s: not resolved" % where)
            continue
        chain, key, seen = [], file["directory"], set()
        while key in directories and key not in seen:
            seen.add(key)
            row = directories[key]
            plain = key[:key.rfind(".")] if len(key) - key.rfind(".") - 1 == MODULE_SUFFIX else key
            target = row["DefaultDir"].split(":", 1)[0]
            chain.append((plain, target.split("|", 1)[-1]))
            key = row["Directory_Parent"]
        bracket = None
        rest = folder
        if folder.startswith("["):
            bracket, _, rest = folder[1:].partition("]")
        parts = rest.split("\\") if rest else []
        names = [(plain, name) for plain, name in chain if not name.startswith(".")]
        upward = [name for _, name in names[:len(parts)]]
        if parts != upward[::-1]:
            problems.append("%s: %r is not the Directory names %r" % (where, folder, upward[::-1]))
            continue
        after = names[len(parts):]
        if bracket is not None:
            if bracket.upper() not in SYSTEM_FOLDERS or not after or after[0][0] != bracket:
                problems.append("%s: %r does not end at a system folder of its chain" % (where, folder))
        elif [name for _, name in after if name.upper() != "SOURCEDIR"]:
            problems.append("%s: %r stops before the root (%r left)" % (where, folder, after))


def main():
    reports, folder = sys.argv[1], sys.argv[2]
    names = sorted(n for n in os.listdir(folder) if n.lower().endswith(".msm"))
    packages = {n: Package(os.path.join(folder, n)) for n in names}
    expected = {n: expected_module(packages[n]) for n in names}
    problems = []

    # The catalog: by key, the package met last in path order, at the place of the first.
    winners, order = {}, []
    for name in names:  # one folder: path order is name order
        key = expected[name]["key"]
        if key not in winners:
            order.append(key)
        winners[key] = name
    with open(os.path.join(reports, "catalog.json"), encoding="utf-8") as f:
        catalog = json.load(f)
    if [m["key"] for m in catalog] != order:
        problems.append("catalog keys %r, expected %r" % ([m["key"] for m in catalog], order))
    for module in catalog:
        name = winners.get(module["key"])
        if name is None:
            continue
        label = "catalog %s" % name
        if not module["path"].endswith("\\" + name) or module["source"] != "package":
            problems.append("%s: shown from %s (%s)" % (label, module["path"], module["source"]))
        compare_module(label, module, expected[name], problems)
        check_folders(label, module, packages[name], problems)

    for name in names:
        with open(os.path.join(reports, "inspect", name[:-4] + ".json"), encoding="utf-8") as f:
            module = json.load(f)
        label = "inspect %s" % name
        if module["source"] != "loaded" or not module["path"].endswith("\\" + name):
            problems.append("%s: %s (%s)" % (label, module["path"], module["source"]))
        compare_module(label, module, expected[name], problems)
        check_folders(label, module, packages[name], problems)
        winner = winners[expected[name]["key"]]
        standing = module["catalog"]
        if winner == name and standing != {"state": "this-package", "path": module["path"]}:
            problems.append("%s: catalog %r" % (label, standing))
        if winner != name and (standing.get("state") != "other-package"
                               or not standing.get("path", "").endswith("\\" + winner)):
            problems.append("%s: catalog %r, expected %s" % (label, standing, winner))
        if winner != name:
            print("%s shares its key with %s; the catalog shows %s" % (name, winner, winner))

    for problem in problems:
        print(problem)
    print("%d packages, %d catalog modules, %d files checked, %d differences" % (
        len(names), len(catalog), sum(len(e["files"]) for e in expected.values()), len(problems)))
    if not names:
        print("no package was checked")
        return 1
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
