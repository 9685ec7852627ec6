"""Each kind of break of the layer rule, in a tree made for it, is reported,
and a tree that keeps the rule passes."""

import importlib.machinery
import json
import os
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
checker = importlib.machinery.SourceFileLoader(
    "check_layers", os.path.join(HERE, "..", "..", "tools", "check-layers")).load_module()

# A small tree that keeps the rule; each case adds one file to it.
BASE = {
    "runtime/sysutils.h": "",
    "framework/controls.h": '#include "runtime/sysutils.h"\n',
    "device/deviceframe.h": '#include "runtime/sysutils.h"\n',
    "device/devicelink.h": '#include "framework/controls.h"\n',
    "link/linkwire.h": '#include "runtime/sysutils.h"\n',
    "simulator/main.cpp": '#include "device/deviceframe.h"\n#include "link/linkwire.h"\n',
    "simulator/simserver.h": "",
    "skin/winskinform.h": '#include "framework/controls.h"\n',
}


def make_tree(root, extra):
    for path, text in {**BASE, **extra}.items():
        os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
        with open(os.path.join(root, path), "w") as f:
            f.write(text)


class CheckLayers(unittest.TestCase):
    def run_on(self, extra, native_units=()):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, extra)
            commands = None
            if native_units:
                commands = os.path.join(root, "compile_commands.json")
                with open(commands, "w") as f:
                    json.dump([{"directory": root, "file": u} for u in native_units], f)
            errors, _ = checker.check(root, commands)
            return errors

    def test_a_tree_that_keeps_the_rule_passes(self):
        self.assertEqual(self.run_on({}, native_units=["simulator/main.cpp"]), [])

    def test_each_break_is_reported_at_its_line(self):
        cases = [
            # (added file, its text, what the report says)
            ("ch375/ch375dll.cpp", '\n#include "simulator/simserver.h"\n',
             'ch375/ch375dll.cpp:2: ch375/ includes simulator/simserver.h from a layer above it'),
            ("simulator/simserver.cpp", '#include "skin/winskinform.h"\n',
             "portable simulator/ includes skin/winskinform.h from Win32 skin/"),
            ("device/deviceframe.cpp", '#include "deviceframe.h"\n',
             '"deviceframe.h" is not a file named from the root'),
            ("device/parameterset.cpp", '#include "device/missing.h"\n',
             '"device/missing.h" is not a file named from the root'),
            ("newfolder/x.cpp", '#include "runtime/sysutils.h"\n',
             "folder 'newfolder' has no place in the layer table"),
        ]
        for path, text, said in cases:
            with self.subTest(path=path):
                errors = self.run_on({path: text})
                self.assertEqual(len(errors), 1, errors)
                self.assertIn(said, errors[0])

    def test_a_native_program_reaching_win32_through_a_mixed_folder_is_reported(self):
        # Each include on the way is allowed by itself; only the chain breaks
        # the rule, and only for code the native tree compiles.
        reaching = {"device/deviceframe.h": '#include "device/devicelink.h"\n'}
        self.assertEqual(self.run_on(reaching), [])
        errors = self.run_on(reaching, native_units=["simulator/main.cpp"])
        self.assertEqual(len(errors), 1, errors)
        self.assertIn("simulator/main.cpp: built without Windows, yet reaches Win32 framework/controls.h", errors[0])
        self.assertIn("device/devicelink.h <- device/deviceframe.h <- simulator/main.cpp", errors[0])


if __name__ == "__main__":
    unittest.main()
