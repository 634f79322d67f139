// Opening the channel of one invocation, and the private simulator behind --sim.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "Ctl.h"

namespace kestfwctl {

std::string statusMessage(const std::string& what, FWStatus_t status) {
    return what + ": " + FW_StatusToString(status) + " (" + std::to_string(status) + ")";
}

void require(FWStatus_t status, const std::string& what) {
    if (status != 0) throw CtlError(kExitRefused, statusMessage(what, status));
}

namespace {

bool executable(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string directoryOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// kestsimd next to the tool, in the build tree's sim folder, or on PATH.
std::string findSimulator(const std::string& argv0) {
    std::vector<std::string> places;
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string here = n > 0 ? directoryOf(std::string(self, size_t(n))) : directoryOf(argv0);
    places.push_back(here + "/kestsimd");
    places.push_back(here + "/../../sim/kestsimd");
    places.push_back(here + "/../sim/kestsimd");
    if (const char* path = getenv("PATH")) {
        std::string all(path);
        std::string::size_type start = 0;
        while (start <= all.size()) {
            std::string::size_type end = all.find(':', start);
            if (end == std::string::npos) end = all.size();
            if (end > start) places.push_back(all.substr(start, end - start) + "/kestsimd");
            start = end + 1;
        }
    }
    for (const std::string& p : places)
        if (executable(p)) return p;
    throw CtlError(kExitUsage, "--sim: kestsimd not found next to kestfwctl, in the build tree or on PATH");
}

// Handles the library cannot be asked to release stay reachable from here until the process ends
// (never destroyed, so they are still reachable after static destructors have run).
std::vector<fwlibhandle_*>* const g_unreleased = new std::vector<fwlibhandle_*>();

}  // namespace

const char* controlDevicePath() {
    return getenv("KEST_CONTROL_DEVICE_PATH_OLD") != nullptr ? "/dev/kest" : "/dev/wyb-kest";
}

bool controlDeviceOpens() {
    int fd = open(controlDevicePath(), O_RDWR);
    if (fd < 0) return false;
    close(fd);
    return true;
}

void releaseHandle(fwlibhandle_* handle) {
    if (handle == nullptr) return;
    // Releasing a handle looks up the default one, which opens the control device and ends the
    // process when there is none; without a device the handle is left to the process's end.
    if (controlDeviceOpens())
        FW_Exit(handle);
    else
        g_unreleased->push_back(handle);
}

PrivateSimulator::PrivateSimulator(const std::string& program) {
    int out[2];
    if (pipe(out) != 0) throw CtlError(kExitRefused, std::string("--sim: pipe: ") + strerror(errno));
    pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        throw CtlError(kExitRefused, std::string("--sim: fork: ") + strerror(errno));
    }
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, STDERR_FILENO);
        execl(program.c_str(), program.c_str(), "--tcp", "127.0.0.1:0", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    m_pid = pid;
    // The daemon announces "listening tcp 127.0.0.1:PORT" and then "ready" on its standard output.
    FILE* lines = fdopen(out[0], "r");
    char line[256];
    bool ready = false;
    while (lines != nullptr && fgets(line, sizeof line, lines) != nullptr) {
        std::string l(line);
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
        const std::string prefix = "listening tcp 127.0.0.1:";
        if (l.compare(0, prefix.size(), prefix) == 0) m_port = l.substr(prefix.size());
        if (l == "ready") {
            ready = true;
            break;
        }
    }
    if (lines != nullptr)
        fclose(lines);
    else
        close(out[0]);
    if (!ready || m_port.empty()) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        throw CtlError(kExitRefused, "--sim: " + program + " did not become ready");
    }
}

PrivateSimulator::~PrivateSimulator() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}

Session::Session(const ChannelOptions& options, const std::string& argv0) {
    int chosen =
        int(!options.device.empty()) + int(!options.socket.empty()) + int(!options.file.empty()) + int(options.sim);
    if (chosen > 1) throw CtlError(kExitUsage, "choose one of --device, --socket, --file and --sim");
    if (options.sim) {
        m_sim.reset(new PrivateSimulator(findSimulator(argv0)));
        initialize(FW_IO_SOCKET, {KESTFW_IO_ADDRESS, "127.0.0.1", KESTFW_IO_PORT, m_sim->port()},
                   "kestsimd on 127.0.0.1:" + m_sim->port());
    } else if (!options.socket.empty()) {
        std::string::size_type colon = options.socket.rfind(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 == options.socket.size())
            throw CtlError(kExitUsage, "--socket needs HOST:PORT, not \"" + options.socket + "\"");
        initialize(
            FW_IO_SOCKET,
            {KESTFW_IO_ADDRESS, options.socket.substr(0, colon), KESTFW_IO_PORT, options.socket.substr(colon + 1)},
            options.socket);
    } else if (!options.file.empty()) {
        initialize(FW_IO_FILE, {KESTFW_IO_FILE_NAME, options.file}, options.file);
    } else {
        // The library opens the control device itself; the older device name is chosen through the
        // environment, any other name cannot be reached.
        if (options.device == "/dev/kest")
            setenv("KEST_CONTROL_DEVICE_PATH_OLD", "1", 1);
        else if (!options.device.empty() && options.device != "/dev/wyb-kest")
            throw CtlError(kExitUsage, "--device: the control device is /dev/wyb-kest or /dev/kest, not \"" +
                                           options.device + "\"");
        // Without the device the library would end the process instead of answering.
        if (!controlDeviceOpens())
            throw CtlError(kExitRefused, std::string("cannot open the control device ") + controlDevicePath() + ": " +
                                             strerror(errno));
        m_handle = FW_GetDefaultLibHandle();
        if (m_handle == nullptr) throw CtlError(kExitRefused, "the control device's library handle is unavailable");
    }
}

void Session::initialize(int ioType, std::vector<std::string> args, const std::string& where) {
    std::vector<void*> raw;
    for (std::string& a : args) raw.push_back(&a[0]);
    int reserved = 0;
    FWStatus_t status = FW_Initialize(0x10000, &reserved, ioType, int(raw.size()), raw.data(), &m_handle);
    require(status, "cannot open the channel to " + where);
    m_owned = true;
}

Session::~Session() {
    if (m_owned) releaseHandle(m_handle);
}

}  // namespace kestfwctl
