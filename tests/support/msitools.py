"""msitools' reading of a package for the host-side checks: a reader that shares no code with
msi.dll, the component or the fixture builder."""
import os
import shutil
import subprocess
import tempfile

MSIINFO = shutil.which("msiinfo") or "msiinfo"
SYSTEM_TABLES = {"_SummaryInformation", "_ForceCodepage"}


def msiinfo(*arguments, check=True):
    """msiinfo's run (its output as bytes); a failure raises unless check is false.  It runs in
    a folder of its own: exporting a table with streams writes them to the current folder."""
    with tempfile.TemporaryDirectory() as folder:
        command, package, *rest = arguments  # every msiinfo command names the package second
        return subprocess.run([MSIINFO, command, os.path.abspath(package), *rest],
                              capture_output=True, check=check, cwd=folder)


def tables(package):
    """The names of the package's tables, the system tables left out."""
    return set(msiinfo("tables", package).stdout.decode("utf-8").split()) - SYSTEM_TABLES


class Table:
    """One exported table: column names, types in export notation, key columns, and the rows as
    texts (a null field is empty)."""

    def __init__(self, package, name):
        lines = msiinfo("export", package, name).stdout.decode("utf-8").split("\r\n")
        self.name, self.columns, self.types = name, lines[0].split("\t"), lines[1].split("\t")
        self.keys = lines[2].split("\t")[1:]
        width = len(self.columns)
        self.rows = [(line.split("\t") + [""] * width)[:width] for line in lines[3:] if line]

    def column(self, name):
        return [row[self.columns.index(name)] for row in self.rows]


def read_tables(package):
    """{name: Table} of every table of the package but the system tables."""
    return {name: Table(package, name) for name in sorted(tables(package))}


def report(problems, summary, compared):
    """Prints a host-side check's problems and summary; its exit status: 1 when anything
    differed or nothing was compared."""
    print("\n".join(problems + [summary] + ([] if compared else ["no package was compared"])))
    return 1 if problems or not compared else 0
