// kestsimd: the kernel-module simulator as a daemon, one simulated module for many processes.
//
//   kestsimd [--tcp 127.0.0.1:PORT] [--unix PATH] [--control PATH] [--daemon [--pidfile PATH]]
//            [--log PATH] [--max-clients N] [--max-control N] [--idle-ms MS] [--verbose]
//
// --max-clients bounds socket-channel and forwarding connections together (64), --max-control the
// control connections (8); --idle-ms closes a data connection that sends nothing for so long (60000,
// 0 for never).
//
// At least one of --tcp and --unix. PORT 0 takes a free port. Once every socket listens, stdout gets
// one line per socket, "listening tcp 127.0.0.1:<port>", "listening unix <path>", "listening control
// <path>" in that order, and then "ready". In the foreground (the default) the daemon serves until
// SIGTERM or SIGINT; --daemon detaches once ready (the parent exits 0 after printing "ready"). On the
// way out it ends every connection, removes its socket files and pid file and exits 0.
// Exit codes: 0 done, 1 could not start, 2 bad command line.
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "sim/daemon/SimDaemon.h"

using KestSim::Daemon;
using KestSim::DaemonOptions;

namespace {

Daemon* g_daemon = nullptr;

void onSignal(int) {
    if (g_daemon) g_daemon->stop();
}

int usage(const char* why) {
    if (why) fprintf(stderr, "kestsimd: %s\n", why);
    fprintf(stderr,
            "usage: kestsimd [--tcp 127.0.0.1:PORT] [--unix PATH] [--control PATH] [--daemon [--pidfile PATH]]\n"
            "                [--log PATH] [--max-clients N] [--max-control N] [--idle-ms MS] [--verbose]\n");
    return 2;
}

bool parsePort(const std::string& s, uint16_t& port) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    unsigned long v = strtoul(s.c_str(), nullptr, 10);
    if (v > 65535) return false;
    port = static_cast<uint16_t>(v);
    return true;
}

bool writePidFile(const std::string& path) {
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return false;
    bool ok = fprintf(f, "%ld\n", static_cast<long>(getpid())) > 0;
    return fclose(f) == 0 && ok;
}

// Detaches from the terminal and the parent. Returns in the child only; the parent exits 0 once the
// child says it is set up (its pid file written), 1 if it dies first.
bool detach(const std::string& pidFile, const std::string& logFile) {
    int ready[2];
    if (pipe(ready) != 0) return false;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid > 0) {
        close(ready[1]);
        char c = 0;
        ssize_t n;
        do {
            n = read(ready[0], &c, 1);
        } while (n < 0 && errno == EINTR);
        if (n != 1) _exit(1);
        printf("ready\n");
        fflush(stdout);
        _exit(0);
    }
    close(ready[0]);
    setsid();
    if (!pidFile.empty() && !writePidFile(pidFile)) {
        fprintf(stderr, "kestsimd: cannot write %s: %s\n", pidFile.c_str(), strerror(errno));
        _exit(1);
    }
    int null = open("/dev/null", O_RDWR);
    int log = logFile.empty() ? null : open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(log >= 0 ? log : null, 2);
        if (log > 2 && log != null) close(log);
        if (null > 2) close(null);
    }
    if (chdir("/") != 0) {
        // Socket paths are kept absolute, so staying where we are is harmless.
    }
    char c = 'r';
    ssize_t n = write(ready[1], &c, 1);
    (void)n;
    close(ready[1]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    DaemonOptions options;
    bool daemonize = false;
    std::string pidFile, logFile;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--tcp") {
            if (!value(v)) return usage("--tcp needs HOST:PORT");
            size_t colon = v.rfind(':');
            if (colon == std::string::npos || !parsePort(v.substr(colon + 1), options.tcpPort))
                return usage("--tcp needs HOST:PORT");
            options.tcp = true;
            options.tcpHost = v.substr(0, colon);
            if (options.tcpHost == "localhost") options.tcpHost = "127.0.0.1";
        } else if (a == "--unix") {
            if (!value(options.unixPath)) return usage("--unix needs a path");
        } else if (a == "--control") {
            if (!value(options.controlPath)) return usage("--control needs a path");
        } else if (a == "--pidfile") {
            if (!value(pidFile)) return usage("--pidfile needs a path");
        } else if (a == "--log") {
            if (!value(logFile)) return usage("--log needs a path");
        } else if (a == "--max-clients") {
            if (!value(v) || v.find_first_not_of("0123456789") != std::string::npos || v.size() > 4 ||
                (options.maxClients = strtoul(v.c_str(), nullptr, 10)) == 0)
                return usage("--max-clients needs a number from 1 to 9999");
        } else if (a == "--max-control") {
            if (!value(v) || v.find_first_not_of("0123456789") != std::string::npos || v.size() > 4 ||
                (options.maxControl = strtoul(v.c_str(), nullptr, 10)) == 0)
                return usage("--max-control needs a number from 1 to 9999");
        } else if (a == "--idle-ms") {
            if (!value(v) || v.empty() || v.find_first_not_of("0123456789") != std::string::npos || v.size() > 8)
                return usage("--idle-ms needs a number of milliseconds from 0 to 99999999");
            options.idleMs = static_cast<unsigned>(strtoul(v.c_str(), nullptr, 10));
        } else if (a == "--daemon") {
            daemonize = true;
        } else if (a == "--verbose" || a == "-v") {
            options.verbose = true;
        } else if (a == "--help" || a == "-h") {
            usage(nullptr);
            return 0;
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }
    if (!options.tcp && options.unixPath.empty()) return usage("nothing to serve: give --tcp or --unix");
    if (!logFile.empty() && !daemonize && !freopen(logFile.c_str(), "a", stderr)) {
        fprintf(stdout, "kestsimd: cannot open %s\n", logFile.c_str());
        return 1;
    }

    // Peers that vanish must not kill the daemon; writes to them fail instead.
    signal(SIGPIPE, SIG_IGN);
    Daemon daemon(options);
    g_daemon = &daemon;
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);

    std::string error;
    if (!daemon.listen(error)) {
        fprintf(stderr, "kestsimd: %s\n", error.c_str());
        return 1;
    }
    if (options.tcp) printf("listening tcp %s:%u\n", options.tcpHost.c_str(), unsigned(daemon.tcpPort()));
    if (!options.unixPath.empty()) printf("listening unix %s\n", daemon.unixPath().c_str());
    if (!options.controlPath.empty()) printf("listening control %s\n", daemon.controlPath().c_str());
    if (daemonize) {
        if (!detach(pidFile, logFile)) {
            fprintf(stderr, "kestsimd: cannot detach: %s\n", strerror(errno));
            return 1;
        }
    } else {
        if (!pidFile.empty() && !writePidFile(pidFile)) {
            fprintf(stderr, "kestsimd: cannot write %s: %s\n", pidFile.c_str(), strerror(errno));
            return 1;
        }
        printf("ready\n");
        fflush(stdout);
    }
    if (options.verbose) daemon.log("serving");
    daemon.serve();
    if (!pidFile.empty()) unlink(pidFile.c_str());
    g_daemon = nullptr;
    return 0;
}
