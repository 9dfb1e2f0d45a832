"""The ctypes module of examples/python against the built library, on the
default simulated workstation.

    python3 ctypes_test.py LIBRARY
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "examples", "python"))
import quorvel_ctypes  # noqa: E402

LIBRARY = None


class CtypesModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.q = quorvel_ctypes.Quorvel(LIBRARY)

    def test_conversions(self):
        q = self.q
        cases = [
            (q.res_to_dnc, "f:\\REPORTS\\2026\\summary.txt", "\\\\NW1\\DATA\\REPORTS\\2026\\summary.txt"),
            (q.res_to_dnc, "\\\\ACME_TREE\\Acme\\Sales\\NW1_DATA\\REPORTS", "\\\\NW1\\DATA\\REPORTS"),
            (q.res_to_dnc, "F:\\" + "\xe4" * 300, "\\\\NW1\\DATA\\" + "\xe4" * 300),
            (q.dnc_to_unc_maps, "\\\\FS1\\PROJECTS\\2026\\budget.xls",
             ("\\\\FS1\\PROJECTS\\2026\\budget.xls", ["P:\\2026\\budget.xls", "Q:\\budget.xls"])),
            (q.dnc_to_unc_maps, "\\\\NOBODY\\X", ("\\\\NOBODY\\X", [])),
            (q.dnc_to_unc, "\\\\NW1\\DATA", "\\\\NW1\\DATA"),
            (q.server_from_dnc, "\\\\NW1\\DATA\\x", "\\\\NW1"),
            (q.extract_server_volume, "NW1_DATA", ("\\\\NW1", "DATA")),
            (q.res_name_type, "x:", 1),
            (q.volumes, "\\\\FS1", ["\\\\FS1\\PROJECTS", "\\\\FS1\\USERS"]),
        ]
        for call, arg, expected in cases:
            with self.subTest(call=call.__name__, arg=arg[:40]):
                self.assertEqual(call(arg), expected)

    def test_failures_raise_their_status(self):
        for call, arg, status in [(self.q.res_to_dnc, "ab", 87), (self.q.res_to_dnc, "Z:\\x", 0xF001),
                                  (self.q.dnc_to_unc_maps, "\\\\NW1", 0xF003), (self.q.volumes, "\\\\NOPE", 53)]:
            with self.subTest(call=call.__name__, arg=arg):
                with self.assertRaises(quorvel_ctypes.QuorvelError) as caught:
                    call(arg)
                self.assertEqual(caught.exception.status, status)

    def test_batch_answers_as_single_calls(self):
        q = self.q
        names = ["\\\\ACME_TREE\\Acme\\Sales\\NW1_DATA\\R%d" % i for i in range(50)]
        names += ["\\\\ACME_TREE\\Acme\\Nowhere\\NW1_DATA", "\\\\NOBODY\\X\\y", "F:\\x"]

        def answers():
            out = []
            for name in names:
                try:
                    out.append(q.res_to_dnc(name))
                except quorvel_ctypes.QuorvelError as e:
                    out.append(e.status)
            return out

        single = answers()
        with q.batch():
            self.assertEqual(answers(), single)
            self.assertEqual(answers(), single)
        self.assertEqual(answers(), single)

    def test_lists(self):
        q = self.q
        servers = q.server_list()
        self.assertEqual(servers, ["\\\\NW1", "\\\\NW2", "\\\\FS1", "\\\\FS2", "\\\\BUILD01"])
        self.assertEqual(q.server_count(), len(servers))
        self.assertEqual(sorted(s.remote_name for s in q.servers()), sorted(servers))
        mounts = q.mounts()
        self.assertEqual([m.local_name for m in mounts], ["F:", "G:", "P:", "Q:", "H:", "S:"])
        self.assertEqual(mounts[0], quorvel_ctypes.Mount("F:", "\\\\NW1\\DATA", "\\\\NW1\\DATA", 0x30000))


if __name__ == "__main__":
    LIBRARY = sys.argv.pop(1)
    unittest.main()
