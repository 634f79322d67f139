"""A handle on every channel carries a loaded configuration."""

import pytest

import kestfw

# Every test here loads configuration text.
pytestmark = pytest.mark.usefixtures("language")

HOST = kestfw.Port()
TEXT = "create addrset web with { ip 10.0.0.1, ip 10.0.0.2 };"


def test_socket_channel_reaches_the_daemon(sim):
    with kestfw.Handle.socket("127.0.0.1", sim.port) as fw:
        fw.apply(TEXT, HOST)
    assert sim.control("show addrsets host") == "addrsets 1 web"


def test_device_channel_and_default_handle_share_the_module():
    # Under the preload library the control device is the simulator in this process.
    with kestfw.Handle.device() as fw:
        fw.apply("destroy all addrset;" + TEXT, HOST)
        assert [m.text for m in fw.addr_set("web", HOST).members] == ["ip 10.0.0.1", "ip 10.0.0.2"]
    default = kestfw.Handle.default()
    assert default.addr_sets(port=HOST) == ["web"]
    default.close()  # the default handle is the process's: closing it leaves it usable
    assert kestfw.Handle.default().addr_set_count(port=HOST) == 1


def test_file_channel_records_messages(tmp_path):
    path = tmp_path / "messages.bin"
    with kestfw.Handle.file(path) as fw:
        fw.apply(TEXT, HOST)
        once = path.read_bytes()
        fw.apply("destroy all ruleset;", HOST)
    data = path.read_bytes()
    # Nothing answers a file: each message is appended whole, signature first.
    assert once.startswith(b"KEST") and data.startswith(once) and data[len(once):].startswith(b"KEST")


def test_memory_channel_keeps_the_last_message():
    with kestfw.Handle.memory(4096) as fw:
        fw.apply(TEXT, HOST)
        assert fw.area.raw[:4] == b"KEST"


def test_config_statement_opens_a_handle(sim):
    with kestfw.Config("config socket 127.0.0.1:%d;" % sim.port) as config:
        assert config.handle is not None
        with config.handle as fw:
            fw.apply(TEXT, HOST)
    assert sim.control("show addrsets host") == "addrsets 1 web"
