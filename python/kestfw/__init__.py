"""Python access to libkestfw: library handles on every channel, configuration texts with the
position of a parse error, and the read-back of rule sets, rules and address sets as Python objects.

    import kestfw
    with kestfw.Handle.socket("127.0.0.1", 7000) as fw:
        fw.apply("create addrset web with { ip 10.0.0.1 };")
        print(fw.addr_set("web").members)

Failures raise KestFWError (``code``, ``text``); a refused text raises its subclass ParseError with
``line`` and ``column``.
"""

from ._native import LibraryNotFound, library_path
from .handle import (Address, AddrSet, Config, Handle, Port, Rule, SetInfo, address_text, check_config,
                     rule_text)
from .status import KestFWError, ParseError, Status

__all__ = [
    "Address", "AddrSet", "Config", "Handle", "KestFWError", "LibraryNotFound", "ParseError", "Port", "Rule",
    "SetInfo", "Status", "address_text", "check_config", "library_path", "rule_text",
]
