// Other processes for the simulator's tests: a command run through the shell, the preloaded interposer
// in a program that knows nothing of it, and the socket side of a kestsimd peer.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <string>

#include "sim/daemon/KestSimDaemonClient.h"
#include "support/SimMessages.h"

namespace kestsim_test {

struct RunResult {
    int exitCode;  // -1 when it did not exit by itself
    std::string out;
};

// Runs `cmd` through the shell; stdout and stderr together.
inline RunResult runCommand(const std::string& cmd) {
    RunResult r{-1, std::string()};
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) r.out += buf;
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// <build>/sim, where the build puts kestsimd, the probe and the preloadable interposer.
inline std::string simDir() {
    std::string bin = KestSim::DaemonProcess::defaultBinary();
    return bin.substr(0, bin.rfind('/'));
}

// The probe program with its arguments, the interposer preloaded when asked. A sanitized build has its
// runtime as a needed library of the probe, so the interposer cannot come first: say that is intended.
inline std::string probeCommand(const std::string& args, bool preload = true, const std::string& env = "") {
    std::string cmd = env;
    if (preload) {
        const char* asan = getenv("ASAN_OPTIONS");
        std::string opts = asan && *asan ? std::string(asan) + ":" : std::string();
        cmd +=
            " ASAN_OPTIONS='" + opts + "verify_asan_link_order=0' LD_PRELOAD='" + simDir() + "/libkestsim_preload.so'";
    }
    return cmd + " '" + simDir() + "/kestsim_probe' " + args;
}

inline bool sendAll(int fd, const Bytes& b) { return send(fd, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size()); }

// Receives up to `n` bytes, fewer when the peer closes first.
inline Bytes receive(int fd, size_t n) {
    Bytes got(n);
    size_t have = 0;
    while (have < n) {
        ssize_t r = recv(fd, got.data() + have, n - have, 0);
        if (r <= 0) break;
        have += size_t(r);
    }
    got.resize(have);
    return got;
}

// The socket channel's exchange: the whole message out, as many bytes back into it; how many came.
inline size_t exchange(int fd, Bytes& msg) {
    if (!sendAll(fd, msg)) return 0;
    Bytes got = receive(fd, msg.size());
    std::copy(got.begin(), got.end(), msg.begin());
    return got.size();
}

// Everything the peer sends until it closes (10 s at most).
inline Bytes drain(int fd) {
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    return receive(fd, 1 << 20);
}

}  // namespace kestsim_test
