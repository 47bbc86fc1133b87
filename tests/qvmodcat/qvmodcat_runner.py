"""Runs qvmodcat.exe under Wine the way a person runs it, for the host-side tests.

The test run's Wine prefix (where ctest registered the component) and the tool come from the
environment ctest gives every test (QV_BUILD_DIR, QV_BIN_DIR, QV_SOURCE_DIR).  Each runner uses a
stand-in key of its own (QV_STANDIN_KEY), so tests can run side by side.
"""
import json
import os
import pty
import select
import subprocess
import sys
import tempfile
import unittest


def windows_path(unix_path):
    """The DOS path Wine gives a Unix path (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def demo_options(product):
    """The options for the demo catalog built into `product` (demo/): the product folder as a
    Unix path (the tool converts it), the lists as Windows paths."""
    win = windows_path(product)
    return ["--product-folder", product, "--search-path", win + "\\Modules," + win + "\\Vendor",
            "--modules-ini", win, "--files-ini", win]


# Every program run of the current test, shown when the test fails: whatever expectation
# failed on a program's output, its command line, exit status and stderr are in the report.
TRANSCRIPT = []


class ProgramTest(unittest.TestCase):
    """A test case whose failures come with the transcript of the programs it ran."""

    def run(self, result=None):
        result = result or self.defaultTestResult()
        failed_before = len(result.failures) + len(result.errors)
        TRANSCRIPT.clear()
        super().run(result)
        if len(result.failures) + len(result.errors) > failed_before and TRANSCRIPT:
            sys.stderr.write("\n=== programs run by %s\n" % self.id())
            for entry in TRANSCRIPT:
                sys.stderr.write(repr(entry) + "\n")
        return result

    def assertExit(self, result, code):
        """The result of a program run, once its exit code is checked."""
        self.assertEqual(code, result.code, result)
        return result


class Result:
    def __init__(self, command, code, out, err):
        self.command = command
        self.code = code
        self.out = out.decode("utf-8", errors="replace")
        self.err = err.decode("utf-8", errors="replace")
        TRANSCRIPT.append(self)

    def json(self):
        return json.loads(self.out)

    def __repr__(self):
        return "$ %s\nexit %d\n--- stdout\n%s--- stderr\n%s" % (
            " ".join(self.command), self.code, self.out, self.err)


class Runner:
    def __init__(self, key_name):
        self.build = os.environ["QV_BUILD_DIR"]
        self.arch = os.environ["QV_ARCH"]
        self.prefix = os.path.join(self.build, "wineprefix")
        self.tool = os.path.join(os.environ["QV_BIN_DIR"], "qvmodcat.exe")
        self.wine_run = os.path.join(os.environ["QV_SOURCE_DIR"], "tests", "wine", "wine-run.sh")
        self.key = r"Software\Quorvane\Showloom\StandInTests" + "\\" + key_name
        self.environment = dict(os.environ, QV_STANDIN_KEY=self.key)

    def _wine(self, *arguments, stdout_path=None):
        """stdout_path: a file or device for the program's output instead (not read back)."""
        # Files, not pipes: a Wine server started by the program inherits its output handles
        # and would hold a pipe open for seconds after the program ended.
        with (open(stdout_path, "wb") if stdout_path else tempfile.TemporaryFile()) as out, \
                tempfile.TemporaryFile() as err:
            completed = subprocess.run([self.wine_run, self.arch, self.prefix, *arguments], stdout=out,
                                       stderr=err, env=self.environment, timeout=300)
            err.seek(0)
            out.seek(0)
            return Result(arguments, completed.returncode, b"" if stdout_path else out.read(),
                          err.read())

    def run(self, *arguments, stdout_path=None):
        return self._wine(self.tool, *arguments, stdout_path=stdout_path)

    def start(self, *arguments, scratch_parent):
        """The tool in a process group of its own, its scratch folder (see qv_wine_apart)
        under scratch_parent; returns the process and its output files."""
        out, err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        process = subprocess.Popen([self.wine_run, self.arch, self.prefix, self.tool, *arguments],
                                   stdout=out, stderr=err, start_new_session=True,
                                   env=dict(self.environment, TMPDIR=scratch_parent))
        return process, out, err

    def run_at_terminal(self, *arguments):
        """What a person sees at a terminal: both streams of the tool on one pseudo-terminal."""
        main, terminal = pty.openpty()
        process = subprocess.Popen([self.wine_run, self.arch, self.prefix, self.tool, *arguments],
                                   stdout=terminal, stderr=terminal, env=self.environment)
        os.close(terminal)
        seen = b""
        # Until the tool ends: a Wine server it started may keep the terminal open longer.
        while process.poll() is None or select.select([main], [], [], 0)[0]:
            try:
                seen += os.read(main, 65536) if select.select([main], [], [], 0.1)[0] else b""
            except OSError:  # every writer is gone
                break
        os.close(main)
        return seen.decode("utf-8", errors="replace")

    # -- the stand-ins' values in this runner's key ------------------------------------------

    def clear_key(self):
        self._wine("reg", "delete", "HKCU\\" + self.key, "/f")

    def set_values(self, **values):
        """Writes each value: a number as REG_DWORD, a text as REG_SZ."""
        key = "HKCU\\" + self.key
        for name, value in values.items():
            kind = "REG_DWORD" if isinstance(value, int) else "REG_SZ"
            self._wine("reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f")

    def values(self):
        """{name: text} of the key's values (numbers as their reg.exe text), {} when absent;
        without the profile reader's own ProfileOpenCount, which it counts up on every open."""
        out = self._wine("reg", "query", "HKCU\\" + self.key).out
        values = {}
        for line in out.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_") and parts[0] != "ProfileOpenCount":
                values[parts[0]] = parts[2] if len(parts) == 3 else ""
        return values
