"""Status codes of the library and the exception that carries a failed one."""

import enum


class Status(enum.IntEnum):
    """Every FWStatus_t the library answers with; the names follow the library's own texts."""

    OK = 0
    LIB_NOT_INITIALIZED = 1
    INVALID_LIB_HANDLE = 2
    INVALID_ARGUMENT = 3
    INVALID_INPUT_BUFFER = 4
    UNKNOWN_ERROR = 5
    INTERNAL_ERROR = 6
    NOT_SUPPORTED = 7
    OUT_OF_MEMORY = 8
    INPUT_BUFFER_TOO_SMALL = 9
    CANNOT_INITIALIZE_IO_CHANNEL = 10
    SOCKET_ERROR = 11
    CANNOT_LOAD_FILE = 12
    CANNOT_RENAME_FILE = 13
    CANNOT_DELETE_FILE = 14
    UNKNOWN_IO_CHANNEL = 15
    PARSING_ERROR = 16
    INTEGER_TOO_LARGE = 17
    UNSUPPORTED_VERSION = 18
    IOCTL_FAILED = 19
    SLOWPATH_IOCTL_FAILED = 20
    SWITCH_PORT_NOT_FOUND = 21
    KERNEL_UNSUPPORTED = 22
    BAD_TRANSACTION = 23
    BAD_UPDATE = 24
    BAD_MESSAGE = 25
    BAD_STATE = 26
    NO_RULE = 27
    NO_RULESET = 28
    NO_ADDRSET = 29
    NO_ADDRESS = 30
    NAME_TOO_LONG = 31
    ID_TOO_LONG = 32
    INVALID_NETWORK_ADDRESS = 33
    INVALID_ADDRSET_TYPE = 34
    INVALID_ATTRIBUTE = 35
    INVALID_ATTRSET_TYPE = 36
    INVALID_RULE_ACTION = 37
    INVALID_TCP_UDP_PORT = 38
    TOO_MANY_TCP_UDP_PORTS = 39
    INVALID_TCP_FLAGS = 40
    INVALID_TCP_OPTIONS = 41
    INVALID_RULE_DIRECTION = 42
    INVALID_PROTOCOL_SPEC = 43
    MISSING_JUMP_TARGET = 44
    INVALID_RULE = 45
    INVALID_RULE_TARGET = 46
    INVALID_VNIC_UUID = 47
    VNIC_UUID_NOT_FOUND = 48
    INVALID_VNIC_UUID_SET = 49
    IPFIX_PACKET_FULL = 50
    MISSING_NAT_TARGET = 51
    UNKNOWN_PROTOCOL_NAME = 52
    RULE_ADDRESS_MISMATCH = 53
    INVALID_SWITCH_UUID = 54
    COMPONENT_NOT_FOUND = 55
    REACHED_MAXIMAL_COMPONENTS = 56
    INVALID_ADDRESS_FAMILY = 57
    INVALID_TIMEOUT = 58
    CANNOT_SAVE_FILE = 59
    BAD_DSCP_MARKINGS = 60
    THRESHOLD_CROSSED = 61
    INVALID_FILTER_NAME = 62
    INVALID_VIF_UUID = 63
    FAILED_TO_GET_FIREWALL_CONFIG = 64
    KERNEL_OUT_OF_MEMORY = 65
    INVALID_ATTRIBUTE_KEY = 66
    INVALID_ATTRIBUTE_VALUE = 67
    UNMAPPED_ENCODED_INT_ATTRIBUTE = 68
    INVALID_CONTAINER_NAME = 69
    FAILED_TO_FIND_UID_TO_SID_MAPPING = 70


class KestFWError(Exception):
    """A call the library (or the kernel behind it) answered with a non-zero status.

    ``code`` is the status as the library returned it (an int, a ``Status`` member when known) and
    ``text`` the library's text for it, as FW_StatusToString gives it.
    """

    def __init__(self, code, text=None, operation=None):
        try:
            code = Status(code)
        except ValueError:
            code = int(code)
        if text is None:
            from . import _native

            text = _native.status_text(int(code))
        self.code = code
        self.text = text
        self.operation = operation
        where = "%s: " % operation if operation else ""
        super().__init__("%s%s (status %d)" % (where, text, int(code)))


class ParseError(KestFWError):
    """A configuration text the library refused, with where it stopped.

    ``line`` and ``column`` count from 1; ``last_column`` is the last character of the offending
    token. ``str()`` gives "input:line:column: message".
    """

    def __init__(self, code, text, input_name, line, column, last_column, message):
        super().__init__(code, text, "parse")
        self.input = input_name
        self.line = line
        self.column = column
        self.last_column = last_column
        self.message = message

    def __str__(self):
        return "%s:%d:%d: %s" % (self.input, self.line, self.column, self.message)


def check(code, operation=None):
    """Raises KestFWError for a non-zero status, else returns None."""
    if code != 0:
        raise KestFWError(code, operation=operation)
