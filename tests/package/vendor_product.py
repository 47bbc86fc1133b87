"""A vendor's product carrying QvModCat2.msm, as an installer description for msmbuild.

The module's tables are read back from the built module with msitools and merged the way a
merge tool merges a module: its rows join the product's tables, its components join the
product's feature (the null-GUID feature of its Class and TypeLib rows becomes that feature),
its ModuleInstallExecuteSequence actions join the product's InstallExecuteSequence where the
product lacks them, and its cabinet becomes the product's.  The module-only tables stay behind.
"""

MODULE_FEATURE = "{00000000-0000-0000-0000-000000000000}"
MODULE_ONLY = {"ModuleSignature", "ModuleDependency", "ModuleExclusion", "ModuleComponents",
               "ModuleIgnoreTable", "ModuleInstallExecuteSequence", "ModuleInstallUISequence",
               "ModuleAdminExecuteSequence", "ModuleAdminUISequence", "ModuleAdvtExecuteSequence",
               "_Validation"}
FEATURE = "Complete"
CABINET = "QvModCat2.cab"

# The product's own standard actions (the module brings its file and registration actions).
PRODUCT_ACTIONS = [("CostInitialize", 800), ("FileCost", 900), ("CostFinalize", 1000),
                   ("InstallValidate", 1400), ("InstallInitialize", 1500),
                   ("ProcessComponents", 1600), ("UnpublishFeatures", 1800),
                   ("RemoveFolders", 3600), ("CreateFolders", 3700), ("RegisterProduct", 6100),
                   ("PublishFeatures", 6300), ("PublishProduct", 6400), ("InstallFinalize", 6600)]


def cell(value):
    if value == "":
        return "<null>"
    if value != value.strip() or " |" in value or value.startswith("<"):
        return "<text %s>" % value
    return value


def table_text(name, header, rows):
    lines = ["", "table " + name, "  " + " | ".join(header)]
    lines += ["  " + " | ".join(cell(value) for value in row) for row in rows]
    return lines


def product_description(module_tables, cabinet_path, platform, product_code, package_code,
                        upgrade_code):
    """The product's description text; the cabinet is read from cabinet_path (a Windows path)."""
    components = module_tables["Component"].column("Component")
    last_sequence = max(int(s) for s in module_tables["File"].column("Sequence"))
    actions = dict(PRODUCT_ACTIONS)
    sequence = module_tables["ModuleInstallExecuteSequence"]
    for action, number in zip(sequence.column("Action"), sequence.column("Sequence")):
        actions.setdefault(action, int(number))

    lines = ["# A vendor's product that carries the QvModCat2 merge module (made at test time).",
             "summary Title = Installation Database",
             "summary Subject = QvModCat2 carrier",
             "summary Author = Quorvane test vendor",
             "summary Template = %s;1033" % platform,
             "summary RevisionNumber = %s" % package_code,
             "summary PageCount = 200",
             "summary WordCount = 2"]
    lines += table_text("Property", ["Property", "Value"],
                        [["ProductCode", product_code], ["ProductName", "QvModCat2 carrier"],
                         ["ProductVersion", "1.0.0"], ["ProductLanguage", "1033"],
                         ["Manufacturer", "Quorvane test vendor"], ["UpgradeCode", upgrade_code],
                         ["ALLUSERS", "1"]])
    lines += table_text("Feature", ["Feature", "Title", "Display", "Level", "Attributes"],
                        [[FEATURE, "QvModCat2", "1", "1", "0"]])
    lines += table_text("FeatureComponents", ["Feature_", "Component_"],
                        [[FEATURE, component] for component in components])
    lines += table_text("Media", ["DiskId", "LastSequence", "Cabinet"],
                        [["1", str(last_sequence), "#" + CABINET]])
    lines += table_text("InstallExecuteSequence", ["Action", "Sequence"],
                        [[action, str(number)] for action, number in sorted(actions.items())])
    for name, table in module_tables.items():
        if name in MODULE_ONLY:
            continue
        # The module's own column definitions, so that the merged table has the module's schema.
        header = ["%s:%s%s" % (column, kind, "*" if column in table.keys else "")
                  for column, kind in zip(table.columns, table.types)]
        rows = [[FEATURE if value == MODULE_FEATURE else value for value in row]
                for row in table.rows]
        lines += table_text(name, header, rows)
    lines += ["", "validation", "stream %s = %s" % (CABINET, cabinet_path)]
    return "\n".join(lines) + "\n"
