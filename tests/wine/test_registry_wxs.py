#!/usr/bin/env python3
"""The installer's registry generator (tools/msi/registry_wxs.py) on small sources: what a
registration script and an interface description turn into, and the sources it must refuse
rather than install wrongly. Run: python3 tests/wine/test_registry_wxs.py"""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "msi"))
import registry_wxs as gen  # noqa: E402

LIBRARY = """
[ uuid(11111111-2222-3333-4444-555555555555), version(%s), helpstring("Test Library")%s ]
library TestLib {
  importlib("stdole2.tlb");
  [ uuid(aaaaaaaa-0000-0000-0000-000000000001), dual, oleautomation ]
  interface IDual : IDispatch { HRESULT A(); };
  [ uuid(aaaaaaaa-0000-0000-0000-000000000002) ]
  interface IPlain : IUnknown { HRESULT B(); };
  [ uuid(aaaaaaaa-0000-0000-0000-000000000003) ]
  dispinterface DEvents { properties: methods: };
  [ uuid(aaaaaaaa-0000-0000-0000-000000000009) ]
  coclass Thing { [default] interface IDual; interface IOutside; };
};
"""
OUTSIDE = """
[ uuid(aaaaaaaa-0000-0000-0000-000000000004), oleautomation ]
interface IOutside : IUnknown { HRESULT C(); };
[ uuid(aaaaaaaa-0000-0000-0000-000000000005), dual ]
interface INotInLibrary : IDispatch { HRESULT D(); };
"""


def keys_with_name(rows, name):
    return {(root, key, tuple(parts)) for root, key, n, parts in rows if n == name}


class ScriptRows(unittest.TestCase):
    def test_keys_values_and_flags(self):
        script = r"""HKCR {
          Prog.Id = s 'It''s {a} class' { CLSID = s '{AB-CD}' }
          NoRemove CLSID {
            ForceRemove {AB-CD} = s 'Class' {
              InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Both' }
              'Programmable'
              Bitmap = s '%MODULE%, 101'
              Percent = s '100%%'
              Parent { Child = s 'x' }
            }
          }
        }"""
        rows = gen.script_rows(script)
        cases = [  # (key, value name, parts)
            ("Prog.Id", "", ["It's {a} class"]),
            ("Prog.Id\\CLSID", "", ["{AB-CD}"]),
            ("CLSID\\{AB-CD}", "*", []),                      # ForceRemove: removed whole
            ("CLSID\\{AB-CD}", "", ["Class"]),
            ("CLSID\\{AB-CD}\\InprocServer32", "", [gen.MODULE]),
            ("CLSID\\{AB-CD}\\InprocServer32", "ThreadingModel", ["Both"]),
            ("CLSID\\{AB-CD}\\Programmable", "*", []),        # an empty key
            ("CLSID\\{AB-CD}\\Bitmap", "", [gen.MODULE, ", 101"]),
            ("CLSID\\{AB-CD}\\Percent", "", ["100%"]),
            ("CLSID\\{AB-CD}\\Parent", "+", []),              # valueless, but has children
            ("CLSID\\{AB-CD}\\Parent\\Child", "", ["x"]),
        ]
        for key, name, parts in cases:
            with self.subTest(key=key, name=name):
                self.assertIn((0, key, name, parts), rows)
        # NoRemove CLSID is shared by every class: no row of its own.
        self.assertFalse([r for r in rows if r[1] == "CLSID"])
        self.assertEqual(len(rows), len(cases))

    def test_refused_sources(self):
        cases = [
            ("unknown name", "HKCR { K = s '%OTHER%' }"),
            ("lone percent", "HKCR { K = s '50% off' }"),
            ("Delete key", "HKCR { Delete K }"),
            ("number value", "HKCR { K = d '1' }"),
            ("unterminated quote", "HKCR { K = s 'abc }"),
            ("missing brace", "HKCR { K = s 'a' "),
            ("unknown root", "HKXX { K = s 'a' }"),
            ("value under the root", "HKCR { val V = s 'a' }"),
        ]
        for what, script in cases:
            with self.subTest(what):
                with self.assertRaises(gen.SourceError):
                    gen.script_rows(script)


class TypeLibraryRows(unittest.TestCase):
    def test_library_and_automation_interfaces(self):
        rows = gen.type_library_rows(LIBRARY % ("1.10", ", hidden") + OUTSIDE, 32)
        base = "TypeLib\\{11111111-2222-3333-4444-555555555555}\\1.a"  # versions are hex
        self.assertIn((0, base, "", ["Test Library"]), rows)
        self.assertIn((0, base + "\\FLAGS", "", ["12"]), rows)        # hidden | has disk image
        self.assertIn((0, base + "\\0\\win32", "", [gen.MODULE]), rows)
        self.assertIn((0, base + "\\HELPDIR", "", [gen.DIR]), rows)
        interfaces = {key.split("\\")[1] for _, key, name, _ in rows if key.startswith("Interface\\") and name == "*"}
        # dual, dispinterface, and an oleautomation interface the coclass names; not a plain
        # IUnknown interface, nor one the library never mentions.
        self.assertEqual(interfaces, {"{AAAAAAAA-0000-0000-0000-000000000001}", "{AAAAAAAA-0000-0000-0000-000000000003}",
                                      "{AAAAAAAA-0000-0000-0000-000000000004}"})
        self.assertIn((0, "Interface\\{AAAAAAAA-0000-0000-0000-000000000001}\\TypeLib", "Version", ["1.a"]), rows)

    def test_platform_and_views(self):
        script = "HKCR { K = s 'v' }"
        for bits, platform, views in ((64, "win64", {"native", "other"}), (32, "win32", {"native"})):
            with self.subTest(bits=bits):
                rows = gen.all_rows(script, LIBRARY % ("1.0", ""), bits)
                self.assertEqual({r[0] for r in rows}, views)
                self.assertTrue(any(key.endswith("\\0\\" + platform) for _, _, key, _, _ in rows))
                # The script's keys are written once, in the module's own view.
                self.assertEqual([r for r in rows if r[2] == "K"], [("native", 0, "K", "", ["v"])])

    def test_one_library_needed(self):
        with self.assertRaises(gen.SourceError):
            gen.type_library_rows(OUTSIDE, 64)
        with self.assertRaises(gen.SourceError):
            gen.all_rows("HKCR { TypeLib { {11111111-2222-3333-4444-555555555555} { '1.0' = s 'x' } } }",
                         LIBRARY % ("1.0", ""), 32)  # the script writes a value the library writes too


class Formatting(unittest.TestCase):
    def test_formatted_text(self):
        cases = [
            ([gen.MODULE, ", 101"], "[#mod.dll], 101"),
            ([gen.DIR], "[INSTALLDIR]"),
            (["a [b] c"], "a [\\[]b[\\]] c"),  # brackets are the installer's syntax
        ]
        for parts, want in cases:
            with self.subTest(want=want):
                self.assertEqual(gen.formatted(parts, "mod.dll", "INSTALLDIR"), want)

    def test_table_rows_escape_a_leading_hash(self):
        rows = gen.table_rows([("native", 0, "K", "", ["#1"]), ("native", 0, "K", "N", ["2"])], "f", "D")
        self.assertEqual(rows, "native\t0\tK\t\t##1\nnative\t0\tK\tN\t2\n")


if __name__ == "__main__":
    unittest.main()
