"""The installer's column categories as far as a value alone decides them, and the predefined
folder names (tools/msmcheck/README.md says which categories are not checked)."""
import re

IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_.]*")
GUID = re.compile(r"\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}")
SHORT_NAME = re.compile(r"[^\\/:*?\"<>|+,;=\[\] .]{1,8}(\.[^\\/:*?\"<>|+,;=\[\] .]{1,3})?")
LONG_NAME = re.compile(r"[^\\/:*?\"<>|]+")

STANDARD_FOLDERS = {
    "AdminToolsFolder", "AppDataFolder", "CommonAppDataFolder", "CommonFiles64Folder",
    "CommonFilesFolder", "DesktopFolder", "FavoritesFolder", "FontsFolder",
    "LocalAppDataFolder", "MyPicturesFolder", "NetHoodFolder", "PersonalFolder",
    "PrintHoodFolder", "ProgramFiles64Folder", "ProgramFilesFolder", "ProgramMenuFolder",
    "RecentFolder", "SendToFolder", "StartMenuFolder", "StartupFolder", "System16Folder",
    "System64Folder", "SystemFolder", "TempFolder", "TemplateFolder", "WindowsFolder",
    "WindowsVolume"}


def base_name(key):
    """A modularized key without its module part: "CommonFilesFolder.<GUID>" gives
    "CommonFilesFolder"; the part before the first dot."""
    return key.split(".", 1)[0]


def balanced(text, opening="[", closing="]"):
    depth = 0
    for character in text:
        depth += (character == opening) - (character == closing)
        if depth < 0:
            return False
    return depth == 0


def condition(text):
    outside_quotes = re.sub(r'"[^"]*"', "", text)
    return text.count('"') % 2 == 0 and balanced(outside_quotes, "(", ")")


def filename(text):
    parts = text.split("|")
    if len(parts) > 2 or not all(LONG_NAME.fullmatch(p) for p in parts):
        return False
    return len(parts) == 1 or bool(SHORT_NAME.fullmatch(parts[0]))


def default_dir(text):
    """[target[:source]], each "." or a file name; the root names its source folder."""
    return all(part == "." or filename(part) for part in text.split(":")) and text.count(":") < 2


def version(text):
    parts = text.split(".")
    return len(parts) <= 4 and all(p.isdigit() and int(p) <= 65535 for p in parts)


def language(text):
    return all(p.isdigit() and int(p) <= 65535 for p in text.split(","))


CATEGORY_CHECKS = {
    "Identifier": lambda v: bool(IDENTIFIER.fullmatch(v)),
    "Guid": lambda v: bool(GUID.fullmatch(v)),
    "UpperCase": lambda v: v == v.upper(),
    "LowerCase": lambda v: v == v.lower(),
    "Formatted": balanced,
    "KeyFormatted": balanced,
    "Template": balanced,
    "Condition": condition,
    "Filename": filename,
    "DefaultDir": default_dir,
    "RegPath": lambda v: not v.startswith("\\") and balanced(v),
    "Version": version,
    "Language": language,
    "CustomSource": lambda v: bool(IDENTIFIER.fullmatch(v)),
    "Property": lambda v: bool(IDENTIFIER.fullmatch(v.lstrip("%"))),
    "Cabinet": lambda v: v.startswith("#") or filename(v),
}
