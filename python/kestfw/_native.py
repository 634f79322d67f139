"""The shared library and the C records of its interface, through ctypes.

The library is found through the environment variable KESTFW_LIBRARY (a path to libkestfw.so), else
through the system's library search (ctypes.util.find_library). It is loaded on first use, so that
importing the package never fails on a host without it.
"""

import ctypes
import ctypes.util
import os
import threading

c_status = ctypes.c_uint32
c_handle_p = ctypes.c_void_p

RULE_RECORD_SIZE = 1420
ADDRESS_RECORD_SIZE = 144


class DvsPort(ctypes.Structure):
    """dvs_port_: the filter instance a command is for (100 bytes)."""

    _fields_ = [
        ("id", ctypes.c_char * 64),
        ("agent", ctypes.c_char * 32),
        ("index", ctypes.c_uint8 * 3),
        ("type", ctypes.c_uint8),
    ]


class RuleSetID(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char * 64)]


class AddrSetID(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char * 38)]


class AddressRecord(ctypes.Structure):
    """FWAddress_, kept as bytes: the library renders it."""

    _fields_ = [("raw", ctypes.c_uint8 * ADDRESS_RECORD_SIZE)]


class RuleRecord(ctypes.Structure):
    """FWRule_, kept as bytes: the library renders it."""

    _fields_ = [("raw", ctypes.c_uint8 * RULE_RECORD_SIZE)]


class SetInfo(ctypes.Structure):
    """FWRuleSetInfo_ and FWAddrSetInfo_ share this layout (24 bytes)."""

    _fields_ = [
        ("count", ctypes.c_uint32),
        ("reserved", ctypes.c_uint32),
        ("realization_time", ctypes.c_uint64),
        ("generation", ctypes.c_uint64),
    ]


class ParseErrorRecord(ctypes.Structure):
    """FWParseError_."""

    _fields_ = [
        ("input", ctypes.c_char * 256),
        ("line", ctypes.c_uint),
        ("first_column", ctypes.c_uint),
        ("last_column", ctypes.c_uint),
        ("status", c_status),
        ("message", ctypes.c_char * 512),
    ]


for _record, _size in ((DvsPort, 100), (RuleSetID, 64), (AddrSetID, 38), (AddressRecord, 144),
                       (RuleRecord, 1420), (SetInfo, 24), (ParseErrorRecord, 784)):
    assert ctypes.sizeof(_record) == _size, _record.__name__

_H, _P, _V = c_handle_p, ctypes.POINTER(DvsPort), ctypes.c_void_p
_U, _PU = ctypes.c_uint, ctypes.POINTER(ctypes.c_uint)
_PU64 = ctypes.POINTER(ctypes.c_uint64)

# name: (result type, argument types), as in include/kestfw/*.h.
PROTOTYPES = {
    "FW_Initialize": (c_status, [_U, _V, ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_void_p),
                                 ctypes.POINTER(c_handle_p)]),
    "FW_GetDefaultLibHandle": (c_handle_p, []),
    "FW_Exit": (c_status, [_H]),
    "FW_StatusToString": (ctypes.c_char_p, [c_status]),
    "FW_LoadConfigString": (c_status, [ctypes.c_char_p, ctypes.POINTER(c_handle_p), ctypes.POINTER(_V)]),
    "FW_LoadConfigFile": (c_status, [ctypes.c_char_p, ctypes.POINTER(c_handle_p), ctypes.POINTER(_V)]),
    "FW_EvaluateConfigFile": (c_status, [_H, _V, _P, _V]),
    "FW_FreeConfigFile": (c_status, [_V]),
    "FW_GetLastParseError": (c_status, [ctypes.POINTER(ParseErrorRecord)]),
    "FW_GetRuleString": (c_status, [ctypes.POINTER(RuleRecord), _U, ctypes.c_char_p, _U, ctypes.c_int]),
    "FW_GetAddressString": (c_status, [ctypes.POINTER(AddressRecord), _U, ctypes.c_char_p, _U]),
    "FW_GetRuleSetCount": (c_status, [_H, _P, _V, _PU]),
    "FW_GetRootRuleSet": (c_status, [_H, _P, _V, ctypes.POINTER(RuleSetID), ctypes.POINTER(RuleSetID), _PU]),
    "FW_GetRuleSetList": (c_status, [_H, _P, _V, _U, _U, ctypes.POINTER(RuleSetID), _PU]),
    "FW_GetRuleCountOfRuleSet": (c_status, [_H, _P, _V, _U, _PU, RuleSetID]),
    "FW_GetRuleSetInfo": (c_status, [_H, _P, _V, ctypes.POINTER(SetInfo), RuleSetID]),
    "FW_GetRuleOfRuleSet": (c_status, [_H, _P, _V, _U, _U, _U, RuleSetID, _V, ctypes.POINTER(RuleRecord), _PU]),
    "FW_GetAddrSetCount": (c_status, [_H, _P, _V, _U, _PU]),
    "FW_GetAddrSetList": (c_status, [_H, _P, _V, _U, _U, _U, ctypes.POINTER(AddrSetID), _PU]),
    "FW_GetAddrSetInfo": (c_status, [_H, _P, _V, ctypes.POINTER(SetInfo), AddrSetID]),
    "FW_GetAddressOfAddrSet": (c_status, [_H, _P, _V, _U, _U, ctypes.c_uint32, AddrSetID,
                                          ctypes.POINTER(AddressRecord), _PU, _PU64, _PU64]),
    "FW_DestroyAddrSet": (c_status, [_H, _P, _V, _PU, AddrSetID]),
    "FW_ClearRuleSet": (c_status, [_H, _P, _V, _PU, RuleSetID]),
}

_lock = threading.Lock()
_lib = None


class LibraryNotFound(OSError):
    pass


def library_path():
    """Where the library is taken from: KESTFW_LIBRARY, else the system's search."""
    path = os.environ.get("KESTFW_LIBRARY")
    if path:
        return path
    found = ctypes.util.find_library("kestfw")
    if not found:
        raise LibraryNotFound("libkestfw not found: set KESTFW_LIBRARY to the path of libkestfw.so")
    return found


def lib():
    global _lib
    with _lock:
        if _lib is None:
            _lib = ctypes.CDLL(library_path())
        return _lib


def fn(name):
    """The named exported function with its prototype set; a library without it raises
    KestFWError 7 ("not supported")."""
    library = lib()
    try:
        function = getattr(library, name)
    except AttributeError:
        from .status import KestFWError, Status

        raise KestFWError(Status.NOT_SUPPORTED, operation=name) from None
    restype, argtypes = PROTOTYPES[name]
    if function.argtypes is None:
        function.restype = restype
        function.argtypes = argtypes
    return function


def status_text(code):
    text = fn("FW_StatusToString")(code)
    return text.decode("utf-8", "replace") if text is not None else "unknown status %d" % code


def c_text(field):
    """A NUL-terminated text from a char array, decoded."""
    return bytes(field).split(b"\0", 1)[0].decode("utf-8", "replace")


def encode_name(name, size, what):
    """A name for a fixed char array: it must leave room for the terminating NUL."""
    data = name.encode("utf-8") if isinstance(name, str) else bytes(name)
    if len(data) >= size or b"\0" in data:
        from .status import KestFWError, Status

        raise KestFWError(Status.NAME_TOO_LONG if len(data) >= size else Status.INVALID_ARGUMENT,
                          operation="%s name %r" % (what, name))
    return data
