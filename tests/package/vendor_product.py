"""A vendor's product carrying QvModCat2.msm, as an installer description for msmbuild.

The module's tables are read back from the built module with msitools and merged the way a
merge tool merges a module: its rows join the product's tables, its components join the
product's feature, the actions of each Module...Sequence table join the product's sequence
(a standard action at the product's own number, or the module's where the product lacks it; an
action placed by BaseAction/After right before or after its base action), and its cabinet
becomes the product's.  The module-only tables stay behind, and so do the empty tables a module
carries only for their schema.
"""

MODULE_ONLY = {"ModuleSignature", "ModuleDependency", "ModuleExclusion", "ModuleComponents",
               "ModuleIgnoreTable", "_Validation"}
MODULE_SEQUENCE = "Module"
FEATURE = "Complete"
CABINET = "QvModCat2.cab"

# The product's own standard actions (the module brings its file and registration actions).
PRODUCT_UI_ACTIONS = [("CostInitialize", 800), ("FileCost", 900), ("CostFinalize", 1000),
                      ("ExecuteAction", 1300)]
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


def merged_sequence(product_actions, module_sequence):
    """{action: number}: the product's actions with a module sequence's merged in."""
    actions = dict(product_actions)
    placed = []
    for row in module_sequence.rows if module_sequence else []:
        entry = dict(zip(module_sequence.columns, row))
        if entry["Sequence"]:
            actions.setdefault(entry["Action"], int(entry["Sequence"]))
        else:
            placed.append(entry)
    for entry in placed:
        base = actions[entry["BaseAction"]]
        actions[entry["Action"]] = base + 1 if entry["After"] == "1" else base - 1
    return actions


def product_description(module_tables, cabinet_path, platform, product_code, package_code,
                        upgrade_code):
    """The product's description text; the cabinet is read from cabinet_path (a Windows path)."""
    components = module_tables["Component"].column("Component")
    last_sequence = max(int(s) for s in module_tables["File"].column("Sequence"))
    sequences = {"InstallExecuteSequence": PRODUCT_ACTIONS, "InstallUISequence": PRODUCT_UI_ACTIONS}

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
    for name, product_actions in sequences.items():
        actions = merged_sequence(product_actions, module_tables.get(MODULE_SEQUENCE + name))
        lines += table_text(name, ["Action", "Sequence"],
                            [[action, str(number)] for action, number in
                             sorted(actions.items(), key=lambda item: item[1])])
    for name, table in module_tables.items():
        if name in MODULE_ONLY or name.startswith(MODULE_SEQUENCE) or name in sequences \
                or name == "FeatureComponents":
            continue
        # The module's own column definitions, so that the merged table has the module's schema.
        header = ["%s:%s%s" % (column, kind, "*" if column in table.keys else "")
                  for column, kind in zip(table.columns, table.types)]
        lines += table_text(name, header, table.rows)
    lines += ["", "validation", "stream %s = %s" % (CABINET, cabinet_path)]
    return "\n".join(lines) + "\n"
