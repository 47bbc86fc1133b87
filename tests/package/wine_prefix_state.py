"""What a Wine prefix holds, read from the Linux side: its registry (the saved hive files, all
views at once) and its files, so that two moments can be compared.

The wine server saves the registry when it ends; `settle` waits for that.
"""
import os
import re
import subprocess

HIVES = ("system.reg", "user.reg", "userdef.reg")
KEY_LINE = re.compile(r"^\[(.*)\](?: \d+)?$")


def settle(prefix):
    """Waits until the prefix's programs and its wine server have ended (the hives are saved)."""
    subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=prefix), check=False)


def read_hive(path):
    """{key: {value name: raw data}} of one saved hive; key paths as Wine writes them."""
    keys, values, pending = {}, None, ""
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f.read().split("\n"):
            if pending:
                line, pending = pending + line.lstrip(), ""
            if line.endswith("\\") and not line.startswith("["):
                pending = line[:-1]
                continue
            match = KEY_LINE.match(line)
            if match:
                values = keys.setdefault(match.group(1).replace("\\\\", "\\"), {})
            elif values is not None and line and not line.startswith(("#", ";")):
                name, _, data = line.partition("=")
                values[name] = data
    return keys


def registry(prefix):
    """{(hive, key): values} of the whole registry of the prefix.  Wine saves a key that has
    subkeys only when it has values too, so every key above a saved one is added."""
    state = {}
    for hive in HIVES:
        path = os.path.join(prefix, hive)
        if os.path.exists(path):
            for key, values in read_hive(path).items():
                state[(hive, key)] = values
                while "\\" in key:
                    key = key.rsplit("\\", 1)[0]
                    state.setdefault((hive, key), {})
    return state


def files(prefix):
    """{path below drive_c: size} of every file of the prefix."""
    root = os.path.join(prefix, "drive_c")
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            if not os.path.islink(path):
                found[os.path.relpath(path, root)] = os.path.getsize(path)
    return found


def registry_changes(before, after):
    """Sorted (change, hive, key, value name, data) lines: what `after` adds, removes or alters."""
    changes = []
    for place in sorted(set(before) | set(after)):
        if place not in before or place not in after:
            changes.append(("added key" if place in after else "removed key",) + place + ("", ""))
        old, new = before.get(place, {}), after.get(place, {})
        for name in sorted(set(old) | set(new)):
            if old.get(name) != new.get(name):
                kind = "value" if name in new else "removed value"
                changes.append((kind,) + place + (name, new.get(name, "")))
    return changes
