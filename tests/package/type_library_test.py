#!/usr/bin/env python3
"""The component's type library as a loader stricter than Wine's reads it (no Wine here): the
library QvModCat2.dll embeds passes idl/type_library_reader.py with no finding, and the reader
finds each fault a wrong link step would leave."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.environ["QV_SOURCE_DIR"], "idl"))

import type_library_reader as reader  # noqa: E402

BIN = os.environ["QV_BIN_DIR"]
COMPONENT = os.path.join(os.environ["QV_BUILD_DIR"], "idl", "QvModCat2.tlb")
DEFAULTS = {"MMCatalog": "IMMCatalog", "MMCatalogPro": "IMMCatalog",
            "MergeModule2": "IMergeModule2", "MMCatalogManager": "IMMCatalogManager"}


def reference_offset(library, class_name):
    """Where the class's first implemented-interface record lies in the file."""
    fields = next(f for name, _, _, f in library.types() if name == class_name)
    return library.segments["references"][0] + fields[21]


def zero_second_ordinal(library, data):
    at = library.segments["impinfo"][0] + 12
    struct.pack_into("<i", data, at, struct.unpack_from("<i", data, at)[0] & ~0xFFFF)


def swap_two_defaults(library, data):
    first, second = (reference_offset(library, name) for name in ("MMCatalog", "MergeModule2"))
    data[first:first + 4], data[second:second + 4] = data[second:second + 4], data[first:first + 4]


def clear_default_flag(library, data):
    struct.pack_into("<i", data, reference_offset(library, "MMCatalogManager") + 4, 0)


class ComponentTypeLibrary(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(COMPONENT, "rb") as stream:
            cls.data = stream.read()
        cls.library = reader.TypeLibrary(cls.data, "QvModCat2.tlb")

    def test_the_embedded_library_has_no_finding(self):
        with open(os.path.join(BIN, "QvModCat2.dll"), "rb") as stream:
            self.assertIn(self.data, stream.read(), "QvModCat2.dll embeds this library")
        self.assertEqual(3, len(self.library.imports()), "one import entry per interface")
        self.assertEqual([], reader.findings(self.library, BIN, DEFAULTS))

    def test_each_fault_of_a_wrong_link_step_is_found(self):
        cases = [(zero_second_ordinal, "import entry 1: ordinal 0 in its flags"),
                 (swap_two_defaults, "class MMCatalog: its first interface is"),
                 (swap_two_defaults, "class MergeModule2: its first interface is"),
                 (clear_default_flag, "class MMCatalogManager: its first interface is not [default]")]
        for fault, expected in cases:
            with self.subTest(fault=fault.__name__, expected=expected):
                data = bytearray(self.data)
                fault(self.library, data)
                found = reader.findings(reader.TypeLibrary(bytes(data), "faulty"), BIN, DEFAULTS)
                self.assertTrue(any(f.startswith(expected) for f in found), found)


if __name__ == "__main__":
    unittest.main(verbosity=2)
