"""Fixtures: the package from this tree, the built library, and the simulator daemon kestsimd on a
free loopback port.

KESTFW_BUILD names the build tree (default: build/ at the top of the source tree); KESTFW_LIBRARY,
when set, names the library instead of <build>/src/libkestfw.so. The process must run with the
simulator's preload library (scripts/run_pytest.sh arranges it): closing a handle looks the default
handle up, which opens the control device, and this machine has one only through the simulator.
"""

import os
import pathlib
import socket
import subprocess
import sys
import tempfile
import time

import pytest

TOP = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KESTFW_BUILD", TOP / "build")).resolve()
sys.path.insert(0, str(TOP / "python"))
os.environ.setdefault("KESTFW_LIBRARY", str(BUILD / "src" / "libkestfw.so"))

import kestfw  # noqa: E402


def pytest_sessionstart(session):
    if not pathlib.Path(os.environ["KESTFW_LIBRARY"]).exists():
        pytest.exit("no library at %s: build first" % os.environ["KESTFW_LIBRARY"], returncode=3)
    if "libkestsim_preload" not in os.environ.get("LD_PRELOAD", "") and not os.path.exists("/dev/wyb-kest"):
        pytest.exit("run under the simulator's preload library (scripts/run_pytest.sh)", returncode=3)


class Daemon:
    """A running kestsimd with its TCP port and a line on its control socket."""

    def __init__(self, directory):
        self.control_path = os.path.join(directory, "control.sock")
        self.out = open(os.path.join(directory, "daemon.out"), "w+")
        self.process = subprocess.Popen(
            [str(BUILD / "sim" / "kestsimd"), "--tcp", "127.0.0.1:0", "--unix", os.path.join(directory, "fwd.sock"),
             "--control", self.control_path], stdout=self.out, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while True:
            self.out.seek(0)
            lines = self.out.read().splitlines()
            if "ready" in lines:
                break
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("kestsimd did not start: %r" % lines)
            time.sleep(0.05)
        tcp = [line for line in lines if line.startswith("listening tcp 127.0.0.1:")]
        self.port = int(tcp[0].rsplit(":", 1)[1])

    def control(self, line):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.settimeout(10)
            s.connect(self.control_path)
            s.sendall(line.encode() + b"\n")
            answer = b""
            while not answer.endswith(b"\n"):
                chunk = s.recv(65536)
                if not chunk:
                    break
                answer += chunk
        answer = answer.decode().strip()
        assert not answer.startswith("error"), "%r refused: %s" % (line, answer)
        return answer

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.out.close()


@pytest.fixture(scope="session")
def daemon():
    with tempfile.TemporaryDirectory(prefix="kestfw-py-") as directory:
        d = Daemon(directory)
        yield d
        d.stop()


@pytest.fixture
def sim(daemon):
    """The daemon with an empty module and no faults pending."""
    daemon.control("reset")
    daemon.control("fault clear")
    return daemon


@pytest.fixture
def fw(sim):
    """A socket-channel handle on the freshly reset daemon."""
    with kestfw.Handle.socket("127.0.0.1", sim.port) as handle:
        yield handle


@pytest.fixture
def language():
    """Skips (visibly) where the library in use was built without the configuration language."""
    try:
        kestfw._native.fn("FW_LoadConfigString")
    except kestfw.KestFWError:
        pytest.skip("this libkestfw has no FW_LoadConfigString")
