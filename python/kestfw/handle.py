"""Library handles on each channel, configuration texts, and the read-back queries."""

import ctypes
import dataclasses
import typing

from . import _native as n
from .status import KestFWError, ParseError, Status, check

# Channel types of FW_Initialize.
IO_DEVICE = 1
IO_SOCKET = 2
IO_FILE = 4
IO_MEMORY = 5

# Entries asked for per request when a list is read page by page.
PAGE = 64

# Rule types of the per-rule-set queries.
RULES_ALL = 0


@dataclasses.dataclass(frozen=True)
class Port:
    """The filter instance a command is for; ``None`` in its place addresses no port (all zero)."""

    id: str = ""
    agent: str = ""
    index: int = 0
    type: int = 0

    def to_c(self):
        port = n.DvsPort()
        port.id = n.encode_name(self.id, 64, "port id")
        port.agent = n.encode_name(self.agent, 32, "port agent")
        if not 0 <= self.index < 1 << 24 or not 0 <= self.type < 16:
            raise KestFWError(Status.INVALID_ARGUMENT, operation="port index or type out of range")
        for i in range(3):
            port.index[i] = (self.index >> (8 * i)) & 0xFF
        port.type = self.type
        return port


@dataclasses.dataclass(frozen=True)
class SetInfo:
    """What the kernel keeps about one rule set or address set."""

    count: int
    realization_time: int  # seconds since the host booted
    generation: int


@dataclasses.dataclass(frozen=True)
class Rule:
    """One rule record as the kernel returned it, with its configuration text."""

    id: int
    text: str
    record: bytes = dataclasses.field(repr=False)


@dataclasses.dataclass(frozen=True)
class Address:
    """One address-set member as the kernel returned it, with its configuration text."""

    type: int
    negated: bool
    text: str
    record: bytes = dataclasses.field(repr=False)


@dataclasses.dataclass(frozen=True)
class AddrSet:
    name: str
    generation: int
    realization_time: int
    members: typing.List[Address]


def _rule_set_id(name):
    return n.RuleSetID(n.encode_name(name, 64, "rule set"))


def _addr_set_id(name):
    return n.AddrSetID(n.encode_name(name, 38, "address set"))


def _render(name, call, too_small):
    """A record's configuration text; the buffer grows while the library says it is too small."""
    size = 4096
    while True:
        out = ctypes.create_string_buffer(size)
        status = call(out, size)
        if status == too_small and size < 1 << 22:
            size *= 4
            continue
        check(status, name)
        return out.value.decode("utf-8", "replace").strip()


def _exact(record, size):
    data = bytes(record)
    if len(data) != size:
        raise KestFWError(Status.INVALID_INPUT_BUFFER, operation="a record of %d bytes, not %d" % (len(data), size))
    return data


def rule_text(record):
    """The configuration text of a 1420-byte rule record (bytes or a RuleRecord)."""
    if not isinstance(record, n.RuleRecord):
        record = n.RuleRecord.from_buffer_copy(_exact(record, n.RULE_RECORD_SIZE))
    function = n.fn("FW_GetRuleString")
    return _render("FW_GetRuleString", lambda out, size: function(ctypes.byref(record), 1, out, size, 0),
                   Status.INPUT_BUFFER_TOO_SMALL)


def address_text(record):
    """The configuration text of a 144-byte address record (bytes or an AddressRecord)."""
    if not isinstance(record, n.AddressRecord):
        record = n.AddressRecord.from_buffer_copy(_exact(record, n.ADDRESS_RECORD_SIZE))
    function = n.fn("FW_GetAddressString")
    return _render("FW_GetAddressString", lambda out, size: function(ctypes.byref(record), 1, out, size),
                   Status.OUT_OF_MEMORY)


def _last_parse_error(code, operation):
    """The error of a failed load: with its position when the parse itself failed with this status
    (a file that cannot be opened, or arguments refused, leave no parse error behind)."""
    record = n.ParseErrorRecord()
    if n.fn("FW_GetLastParseError")(ctypes.byref(record)) != 0 or record.status != code:
        return KestFWError(code, operation=operation)
    return ParseError(code, n.status_text(code), n.c_text(record.input), record.line, record.first_column,
                      record.last_column, n.c_text(record.message))


class Config:
    """A configuration text loaded into a list of commands, owned until ``free``.

    Loading a text that holds a "config device/file/socket" statement also yields a new library
    handle on that channel (``handle``), which the caller then owns too.
    """

    def __init__(self, text, _loader="FW_LoadConfigString"):
        data = text.encode("utf-8") if isinstance(text, str) else bytes(text)
        if b"\0" in data:
            raise KestFWError(Status.INVALID_ARGUMENT, operation="configuration text with a NUL byte")
        new_handle = n.c_handle_p()
        config = ctypes.c_void_p()
        self._list = None
        status = n.fn(_loader)(data, ctypes.byref(new_handle), ctypes.byref(config))
        if status != 0:
            raise _last_parse_error(status, _loader)
        self._list = config.value
        self.handle = Handle(new_handle.value, owned=True) if new_handle.value else None

    @classmethod
    def from_file(cls, path):
        """Loads the text of a file; errors name the file as their input."""
        return cls(str(path), _loader="FW_LoadConfigFile")

    def evaluate(self, handle, port=None):
        """Sends the commands in text order on ``handle``; a port overrides each command's own."""
        if self._list is None:
            raise KestFWError(Status.INVALID_ARGUMENT, operation="evaluate a freed configuration")
        c_port = ctypes.byref(port.to_c()) if port is not None else None
        check(n.fn("FW_EvaluateConfigFile")(handle.c_handle, self._list, c_port, None), "FW_EvaluateConfigFile")

    def free(self):
        if self._list is not None:
            check(n.fn("FW_FreeConfigFile")(self._list), "FW_FreeConfigFile")
            self._list = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.free()

    def __del__(self):
        try:
            self.free()
        except Exception:
            pass


def check_config(text):
    """Parses a text and throws the list away: None when it is valid, else ParseError."""
    with Config(text) as config:
        if config.handle is not None:
            config.handle.close()


class Handle:
    """A library handle: the default one on the control device, or one on a channel of choice."""

    def __init__(self, c_handle, owned):
        self._handle = c_handle
        self._owned = owned
        self._keep = []

    # ---- Channels ----
    @classmethod
    def default(cls):
        """The process-wide handle on the control device (never closed)."""
        handle = n.fn("FW_GetDefaultLibHandle")()
        if not handle:
            raise KestFWError(Status.CANNOT_INITIALIZE_IO_CHANNEL, operation="FW_GetDefaultLibHandle")
        return cls(handle, owned=False)

    @classmethod
    def _initialize(cls, io_type, pairs, keep=()):
        args = (ctypes.c_void_p * (2 * len(pairs)))()
        keep = list(keep)
        for i, (key, value) in enumerate(pairs):
            key_c = ctypes.c_char_p(key.encode())
            keep.append(key_c)
            args[2 * i] = ctypes.cast(key_c, ctypes.c_void_p)
            if isinstance(value, str):
                value_c = ctypes.c_char_p(value.encode("utf-8"))
                keep.append(value_c)
                args[2 * i + 1] = ctypes.cast(value_c, ctypes.c_void_p)
            else:
                args[2 * i + 1] = value
        reserved = ctypes.c_int(0)
        handle = n.c_handle_p()
        status = n.fn("FW_Initialize")(0x10000, ctypes.byref(reserved), io_type, len(args), args if pairs else None,
                                       ctypes.byref(handle))
        check(status, "FW_Initialize")
        result = cls(handle.value, owned=True)
        result._keep = keep
        return result

    @classmethod
    def device(cls):
        """A handle of its own on the control device."""
        return cls._initialize(IO_DEVICE, [])

    @classmethod
    def socket(cls, host, port):
        """A handle whose messages go to a peer on a TCP socket that answers for the kernel."""
        return cls._initialize(IO_SOCKET, [("FWIOAddress", str(host)), ("FWIOPort", str(port))])

    @classmethod
    def file(cls, path):
        """A handle that appends every message to a file; nothing answers."""
        return cls._initialize(IO_FILE, [("FWIOFileName", str(path))])

    @classmethod
    def memory(cls, size):
        """A handle that copies the last message into an area of ``size`` bytes (``handle.area``)."""
        area = ctypes.create_string_buffer(size)
        length = ctypes.c_uint32(size)
        handle = cls._initialize(IO_MEMORY, [("FWIOMemory", ctypes.cast(area, ctypes.c_void_p).value),
                                             ("FWIOLength", ctypes.addressof(length))], keep=[area, length])
        handle.area = area
        return handle

    @property
    def c_handle(self):
        if not self._handle:
            raise KestFWError(Status.INVALID_LIB_HANDLE, operation="closed handle")
        return self._handle

    def close(self):
        if self._handle and self._owned:
            handle, self._handle = self._handle, None
            check(n.fn("FW_Exit")(handle), "FW_Exit")
        self._handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # ---- Configuration text ----
    def apply(self, text, port=None):
        """Loads a configuration text, sends its commands on this handle and frees the list."""
        with Config(text) as config:
            try:
                config.evaluate(self, port)
            finally:
                if config.handle is not None:
                    config.handle.close()

    # ---- Queries ----
    def _call(self, name, port, *args):
        c_port = ctypes.byref(port.to_c()) if port is not None else None
        check(n.fn(name)(self.c_handle, c_port, None, *args), name)

    def _pages(self, fetch, total):
        """Entries from index 0 on, page by page, until ``total`` or a short page: never more than the
        kernel said there were, and a kernel that keeps answering full pages cannot loop us forever."""
        entries = []
        while len(entries) < total:
            page = fetch(len(entries), min(PAGE, total - len(entries)))
            entries.extend(page)
            if not page:
                break
        return entries

    def rule_set_count(self, port=None):
        count = ctypes.c_uint()
        self._call("FW_GetRuleSetCount", port, ctypes.byref(count))
        return count.value

    def rule_sets(self, port=None):
        """The names of every rule set."""

        def fetch(start, count):
            ids = (n.RuleSetID * count)()
            returned = ctypes.c_uint()
            self._call("FW_GetRuleSetList", port, count, start, ids, ctypes.byref(returned))
            return [n.c_text(ids[i].name) for i in range(min(returned.value, count))]

        return self._pages(fetch, self.rule_set_count(port))

    def root_rule_sets(self, port=None):
        """The (layer-3, layer-2) root rule-set names; an empty name when none is set."""
        l3, l2, result = n.RuleSetID(), n.RuleSetID(), ctypes.c_uint()
        self._call("FW_GetRootRuleSet", port, ctypes.byref(l3), ctypes.byref(l2), ctypes.byref(result))
        return n.c_text(l3.name), n.c_text(l2.name)

    def rule_set_info(self, name, port=None):
        info = n.SetInfo()
        self._call("FW_GetRuleSetInfo", port, ctypes.byref(info), _rule_set_id(name))
        return SetInfo(info.count, info.realization_time, info.generation)

    def rule_count(self, name, rule_type=RULES_ALL, port=None):
        count = ctypes.c_uint()
        self._call("FW_GetRuleCountOfRuleSet", port, rule_type, ctypes.byref(count), _rule_set_id(name))
        return count.value

    def rules(self, name, rule_type=RULES_ALL, port=None):
        """The rules of a rule set in their order, each with its configuration text."""
        set_id = _rule_set_id(name)

        def fetch(start, count):
            records = (n.RuleRecord * count)()
            returned = ctypes.c_uint()
            self._call("FW_GetRuleOfRuleSet", port, rule_type, count, start, set_id, None, records,
                       ctypes.byref(returned))
            rules = []
            for record in records[:min(returned.value, count)]:
                raw = bytes(record.raw)
                rules.append(Rule(int.from_bytes(raw[0:4], "little"), rule_text(record), raw))
            return rules

        return self._pages(fetch, self.rule_count(name, rule_type, port))

    def addr_set_count(self, kind=0, port=None):
        """The number of address sets of one kind (0: every kind)."""
        count = ctypes.c_uint()
        self._call("FW_GetAddrSetCount", port, kind, ctypes.byref(count))
        return count.value

    def addr_sets(self, kind=0, port=None):
        def fetch(start, count):
            ids = (n.AddrSetID * count)()
            returned = ctypes.c_uint()
            self._call("FW_GetAddrSetList", port, kind, count, start, ids, ctypes.byref(returned))
            return [n.c_text(ids[i].name) for i in range(min(returned.value, count))]

        return self._pages(fetch, self.addr_set_count(kind, port))

    def addr_set_info(self, name, port=None):
        info = n.SetInfo()
        self._call("FW_GetAddrSetInfo", port, ctypes.byref(info), _addr_set_id(name))
        return SetInfo(info.count, info.realization_time, info.generation)

    def addr_set(self, name, port=None):
        """An address set with its members, each with its configuration text."""
        set_id = _addr_set_id(name)
        generation, realization = ctypes.c_uint64(), ctypes.c_uint64()

        def fetch(start, count):
            records = (n.AddressRecord * count)()
            returned = ctypes.c_uint()
            self._call("FW_GetAddressOfAddrSet", port, count, start, 0, set_id, records, ctypes.byref(returned),
                       ctypes.byref(generation), ctypes.byref(realization))
            members = []
            for record in records[:min(returned.value, count)]:
                raw = bytes(record.raw)
                members.append(Address(int.from_bytes(raw[0:2], "little"), bool(raw[2] & 1), address_text(record),
                                       raw))
            return members

        members = self._pages(fetch, self.addr_set_info(name, port).count)
        return AddrSet(name, generation.value, realization.value, members)
