"""Every status code reaches Python as a KestFWError with the library's code and text."""

import re

import pytest

import kestfw
from kestfw import _native

ALL_CODES = list(range(1, 71))


def test_status_names_follow_the_library_texts():
    # One member per code the library knows, named after its text: a code added or re-worded in the
    # library shows up here.
    assert [int(s) for s in kestfw.Status] == list(range(71))
    for status in kestfw.Status:
        text = _native.status_text(int(status))
        assert status.name == re.sub(r"[^A-Za-z0-9]+", "_", text).strip("_").upper(), (int(status), text)


@pytest.mark.parametrize("code", ALL_CODES)
def test_kernel_status_raises_with_code_and_text(fw, sim, code):
    # The kernel refuses the next command (3 times for "bad state", which the library retries).
    sim.control("fault status %d %d" % (code, 3 if code == kestfw.Status.BAD_STATE else 1))
    with pytest.raises(kestfw.KestFWError) as caught:
        fw.rule_set_count()
    error = caught.value
    assert error.code == code and isinstance(error.code, kestfw.Status)
    assert error.text == _native.status_text(code)
    assert "status %d" % code in str(error)
    # The handle stays usable after a refusal.
    assert fw.rule_set_count() == 0


def test_a_code_the_package_does_not_know_keeps_its_number():
    error = kestfw.KestFWError(4000)
    assert error.code == 4000 and not isinstance(error.code, kestfw.Status)
    assert error.text == _native.status_text(4000)


@pytest.mark.parametrize("call, code", [
    # Refused before anything is sent: names longer than their fields, a record of the wrong size.
    (lambda fw: fw.rule_set_info("r" * 64), kestfw.Status.NAME_TOO_LONG),
    (lambda fw: fw.addr_set("a" * 38), kestfw.Status.NAME_TOO_LONG),
    (lambda fw: fw.rules("bad\0name"), kestfw.Status.INVALID_ARGUMENT),
    (lambda fw: fw.rule_set_count(kestfw.Port(agent="x" * 32)), kestfw.Status.NAME_TOO_LONG),
    (lambda fw: fw.rule_set_count(kestfw.Port(index=1 << 24)), kestfw.Status.INVALID_ARGUMENT),
    (lambda fw: kestfw.rule_text(b"\0" * 100), kestfw.Status.INVALID_INPUT_BUFFER),
    # Answered by the module: what is not there.
    (lambda fw: fw.rule_set_info("missing"), kestfw.Status.NO_RULESET),
    (lambda fw: fw.addr_set_info("missing"), kestfw.Status.NO_ADDRSET),
])
def test_refusals(fw, sim, call, code):
    before = sim.control("show commands")
    with pytest.raises(kestfw.KestFWError) as caught:
        call(fw)
    assert caught.value.code == code
    if code in (kestfw.Status.NAME_TOO_LONG, kestfw.Status.INVALID_ARGUMENT, kestfw.Status.INVALID_INPUT_BUFFER):
        assert sim.control("show commands") == before


def test_closed_handle_is_refused(sim):
    handle = kestfw.Handle.socket("127.0.0.1", sim.port)
    handle.close()
    handle.close()
    with pytest.raises(kestfw.KestFWError) as caught:
        handle.rule_set_count()
    assert caught.value.code == kestfw.Status.INVALID_LIB_HANDLE


def test_unreachable_peer_fails_to_initialise(daemon):
    # A port nobody listens on: find one by binding and closing.
    import socket

    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        free = s.getsockname()[1]
    with pytest.raises(kestfw.KestFWError) as caught:
        kestfw.Handle.socket("127.0.0.1", free)
    assert caught.value.code != 0
