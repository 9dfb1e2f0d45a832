r"""The library's C interface (quorvel.h) from Python, through ctypes alone.

    import quorvel_ctypes
    q = quorvel_ctypes.Quorvel("build/default/libquorvel.so")   # or the DLL
    q.res_to_dnc(r"F:\REPORTS\2026\summary.txt")   # '\\\\NW1\\DATA\\REPORTS\\2026\\summary.txt'
    q.dnc_to_unc_maps(r"\\NW1\DATA\REPORTS")      # ('\\\\NW1\\DATA\\REPORTS', ['F:\\REPORTS'])
    with q.batch():                                 # a whole catalogue: the network is asked
        dncs = [q.res_to_dnc(n) for n in names]     # once per container, not once per name

Names are str, encoded in the library's 8-bit code page (Windows-1252 unless
given); lists come back as Python lists, server and mount records as named
tuples. A status other than 0 raises QuorvelError, which carries it. The
library's C functions take turns, so one Quorvel may serve any number of
threads.
"""
import collections
import contextlib
import ctypes
import sys

PATH_SIZE = 260
MORE_DATA = 234
NO_MORE_ITEMS = 259

Server = collections.namedtuple("Server", "remote_name provider scope type display_type usage")
Mount = collections.namedtuple("Mount", "local_name remote_name dnc_name net_type")


class QuorvelError(Exception):
    """A call answered a status other than 0."""

    def __init__(self, function, status):
        super().__init__(f"{function}: status {status} (0x{status:X})")
        self.function = function
        self.status = status


class _Server(ctypes.Structure):
    _fields_ = [("scope", ctypes.c_uint32), ("type", ctypes.c_uint32),
                ("display_type", ctypes.c_uint32), ("usage", ctypes.c_uint32),
                ("remote_name", ctypes.c_char * PATH_SIZE), ("provider", ctypes.c_char * PATH_SIZE)]


class _Mount(ctypes.Structure):
    _fields_ = [("net_type", ctypes.c_uint32), ("local_name", ctypes.c_char * PATH_SIZE),
                ("remote_name", ctypes.c_char * PATH_SIZE), ("dnc_name", ctypes.c_char * PATH_SIZE)]


_U32 = ctypes.c_uint32
_P32 = ctypes.POINTER(ctypes.c_uint32)
_STR = ctypes.c_char_p
_BUF = ctypes.c_char_p
_SIGNATURES = {
    "quorvel_build_lists": (_U32, []),
    "quorvel_clear_lists": (_U32, []),
    "quorvel_res_name_type": (_U32, [_STR, _P32]),
    "quorvel_res_to_dnc": (_U32, [_STR, _BUF, _P32]),
    "quorvel_dnc_to_unc": (_U32, [_STR, _BUF]),
    "quorvel_dnc_to_unc_maps": (_U32, [_STR, _BUF, _BUF, _P32, _P32]),
    "quorvel_server_from_dnc": (_U32, [_STR, _BUF]),
    "quorvel_extract_server_volume": (_U32, [_STR, _BUF, _BUF]),
    "quorvel_server_list": (_U32, [_BUF, _P32, _P32]),
    "quorvel_server_count": (_U32, []),
    "quorvel_next_server": (_U32, [_U32, ctypes.POINTER(_Server)]),
    "quorvel_enum_server_res": (_U32, [ctypes.POINTER(_Server)]),
    "quorvel_volume_list": (_U32, [_BUF, _P32, _P32]),
    "quorvel_mount_list": (_U32, [ctypes.POINTER(_Mount), _P32]),
    "quorvel_batch_begin": (None, []),
    "quorvel_batch_end": (None, []),
}


class Quorvel:
    """The library loaded from a path (libquorvel.so, or the DLL on Windows)."""

    def __init__(self, path, encoding="cp1252"):
        # The functions are __cdecl on Windows as well.
        self._lib = ctypes.CDLL(path)
        self._enc = encoding
        for name, (restype, argtypes) in _SIGNATURES.items():
            f = getattr(self._lib, name)
            f.restype, f.argtypes = restype, argtypes

    # ---- helpers ------------------------------------------------------------
    def _b(self, text):
        return None if text is None else text.encode(self._enc)

    def _s(self, raw):
        return raw.decode(self._enc)

    def _call(self, name, *args):
        status = getattr(self._lib, name)(*args)
        if status != 0:
            raise QuorvelError(name, status)

    def _names(self, name, *args):
        """A name list: asks for the size, then copies into that size."""
        size = _U32(0)
        status = getattr(self._lib, name)(*args, None, ctypes.byref(size), None)
        if status != MORE_DATA:
            raise QuorvelError(name, status)
        buf = ctypes.create_string_buffer(size.value)
        self._call(name, *args, buf, ctypes.byref(size), None)
        return [self._s(n) for n in buf.raw[:size.value - 1].split(b"\0")[:-1]]

    # ---- lists lifecycle ------------------------------------------------------
    def build_lists(self):
        self._call("quorvel_build_lists")

    def clear_lists(self):
        self._call("quorvel_clear_lists")

    @contextlib.contextmanager
    def batch(self):
        """A batch of conversions, in either direction: within it the library
        remembers what it learns of the network (the children of each NDS
        container, the containers that cannot be opened) and asks the network
        once per container instead of once per name. The answers are those
        of the same calls outside a batch; the memory ends with the batch."""
        self._lib.quorvel_batch_begin()
        try:
            yield self
        finally:
            self._lib.quorvel_batch_end()

    # ---- conversions ----------------------------------------------------------
    def res_name_type(self, res_name):
        """1 for a drive path, 2 for a name beginning with two backslashes."""
        t = _U32(0)
        self._call("quorvel_res_name_type", self._b(res_name), ctypes.byref(t))
        return t.value

    def res_to_dnc(self, res_name):
        """The DNC name of a drive path, UNC path or NDS name."""
        size = _U32(PATH_SIZE)
        buf = ctypes.create_string_buffer(size.value)
        status = self._lib.quorvel_res_to_dnc(self._b(res_name), buf, ctypes.byref(size))
        if status == MORE_DATA:
            buf = ctypes.create_string_buffer(size.value)
            status = self._lib.quorvel_res_to_dnc(self._b(res_name), buf, ctypes.byref(size))
        if status != 0:
            raise QuorvelError("quorvel_res_to_dnc", status)
        return self._s(buf.value)

    def dnc_to_unc(self, dnc):
        buf = ctypes.create_string_buffer(PATH_SIZE)
        self._call("quorvel_dnc_to_unc", self._b(dnc), buf)
        return self._s(buf.value)

    def dnc_to_unc_maps(self, dnc):
        """(UNC path, [every mapped-drive path that reaches the DNC name])."""
        unc = ctypes.create_string_buffer(PATH_SIZE)
        maps = self._names("quorvel_dnc_to_unc_maps", self._b(dnc), unc)
        return self._s(unc.value), maps

    def server_from_dnc(self, dnc):
        buf = ctypes.create_string_buffer(PATH_SIZE)
        self._call("quorvel_server_from_dnc", self._b(dnc), buf)
        return self._s(buf.value)

    def extract_server_volume(self, element):
        """(server, volume) of a NetWare volume object name such as NW1_DATA."""
        server, volume = ctypes.create_string_buffer(PATH_SIZE), ctypes.create_string_buffer(PATH_SIZE)
        self._call("quorvel_extract_server_volume", self._b(element), server, volume)
        return self._s(server.value), self._s(volume.value)

    # ---- servers, volumes, mounted drives ---------------------------------------
    def server_list(self):
        return self._names("quorvel_server_list")

    def server_count(self):
        return self._lib.quorvel_server_count()

    def servers(self):
        """The server records, in the order of the server queries."""
        records, s = [], _Server()
        while self._lib.quorvel_next_server(len(records), ctypes.byref(s)) == 0:
            records.append(Server(self._s(s.remote_name), self._s(s.provider),
                                  s.scope, s.type, s.display_type, s.usage))
        return records

    def volumes(self, server, provider=None):
        """The volumes (shares) of a server, as full remote names."""
        s = _Server(2, 1, 2, 0, self._b(server), self._b(provider or ""))
        self._call("quorvel_enum_server_res", ctypes.byref(s))
        return self._names("quorvel_volume_list")

    def mounts(self):
        count = _U32(0)
        status = self._lib.quorvel_mount_list(None, ctypes.byref(count))
        if status not in (0, MORE_DATA):
            raise QuorvelError("quorvel_mount_list", status)
        array = (_Mount * count.value)()
        self._call("quorvel_mount_list", array, ctypes.byref(count))
        return [Mount(self._s(m.local_name), self._s(m.remote_name), self._s(m.dnc_name), m.net_type)
                for m in array[:count.value]]


if __name__ == "__main__":
    q = Quorvel(sys.argv[1])
    for name in sys.argv[2:]:
        print(name, "->", q.res_to_dnc(name))
