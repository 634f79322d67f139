// The control interface over the process-wide engine, and the device bookkeeping of the interposer.
#include "sim/host/SimHost.h"

#include <errno.h>
#include <string.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "sim/KestSimControl.h"
#include "sim/engine/SimBytes.h"
#include "sim/engine/SimWire.h"
#include "sim/host/SimForward.h"
#include "sim/host/SimIncludeTable.h"

namespace KestSim {

Engine& processEngine() {
    static Engine* engine = new Engine();
    return *engine;
}

namespace {

const char* const kDevicePaths[KESTSIM_DEV_COUNT] = {"/dev/wyb-kest", "/dev/kest", "/dev/pelkintbl",
                                                     "/dev/qel-kest-pwix"};

// Descriptors are tracked in a flat table: close() of every descriptor in the process asks it, so the
// lookup must be a lock-free array read. Entries hold device + 1, 0 for "not ours".
constexpr int kMaxTrackedFd = 1 << 16;
std::atomic<uint8_t> g_fdDevice[kMaxTrackedFd];

struct DeviceStats {
    std::atomic<uint32_t> opens{0};
    std::atomic<uint32_t> openNow{0};
    std::atomic<int> failOpen{0};
    std::atomic<uint64_t> ioctls{0};
    std::atomic<int> result{0};
    std::atomic<int> resultErr{0};
    bool haveLast = false;  // guarded by g_hostMutex
    unsigned long lastRequest = 0;
    void* lastArg = nullptr;
};

DeviceStats g_devices[KESTSIM_DEV_COUNT];
std::mutex g_hostMutex;  // the last-call fields of the devices and the last request record
bool g_haveRequest = false;
uint8_t g_lastRequest[Request::kSize];

bool validDevice(int dev) { return dev >= 0 && dev < KESTSIM_DEV_COUNT; }
bool isControl(int dev) { return dev == KESTSIM_DEV_CONTROL || dev == KESTSIM_DEV_CONTROL_OLD; }

int fail(int err) {
    errno = err;
    return -1;
}

}  // namespace

namespace Devices {

int ofPath(const char* path) {
    if (!path) return -1;
    for (int d = 0; d < KESTSIM_DEV_COUNT; ++d)
        if (strcmp(path, kDevicePaths[d]) == 0) return d;
    return -1;
}

int openFailure(int dev) { return validDevice(dev) ? g_devices[dev].failOpen.load() : 0; }

bool attach(int fd, int dev) {
    if (fd < 0 || fd >= kMaxTrackedFd || !validDevice(dev)) return false;
    g_fdDevice[fd].store(static_cast<uint8_t>(dev + 1));
    g_devices[dev].opens++;
    g_devices[dev].openNow++;
    return true;
}

int of(int fd) {
    if (fd < 0 || fd >= kMaxTrackedFd) return -1;
    return int(g_fdDevice[fd].load()) - 1;
}

int detach(int fd) {
    if (fd < 0 || fd >= kMaxTrackedFd) return -1;
    int dev = int(g_fdDevice[fd].exchange(0)) - 1;
    if (validDevice(dev)) g_devices[dev].openNow--;
    return dev;
}

int control(int dev, unsigned long request, void* arg) {
    if (!validDevice(dev)) return fail(EBADF);
    DeviceStats& d = g_devices[dev];
    d.ioctls++;
    {
        std::lock_guard<std::mutex> lock(g_hostMutex);
        d.haveLast = true;
        d.lastRequest = request;
        d.lastArg = arg;
    }
    if (isControl(dev)) {
        // The control device knows one request; anything else is not a control call it implements.
        if (request != Request::kNumber) return fail(ENOTTY);
        return kestsim_submit(arg);
    }
    // The packet-filter table and service-insertion devices belong to other kernel components: the
    // library only passes requests through, so they answer whatever the test scripted.
    int result = d.result.load();
    if (result < 0) return fail(d.resultErr.load());
    if (dev == KESTSIM_DEV_PLK) {
        // The include-table requests are answered and remembered by the table itself.
        if (request == 5 || request == 7 || request == 10) return IncludeTable::control(request, arg);
    }
    return result;
}

}  // namespace Devices
}  // namespace KestSim

using namespace KestSim;

extern "C" {

void kestsim_reset(void) {
    processEngine().reset();
    IncludeTable::reset();
    std::lock_guard<std::mutex> lock(g_hostMutex);
    g_haveRequest = false;
    for (DeviceStats& d : g_devices) {
        d.opens = 0;
        d.failOpen = 0;
        d.ioctls = 0;
        d.result = 0;
        d.resultErr = 0;
        d.haveLast = false;
    }
}

int kestsim_declare_filter(const void* port) {
    return processEngine().declareFilter(static_cast<const uint8_t*>(port)) ? 0 : -1;
}

int kestsim_forget_filter(const void* port) {
    return processEngine().forgetFilter(static_cast<const uint8_t*>(port)) ? 0 : -1;
}

int kestsim_seed_ruleset(const void* port, const char* name, const void* rules, uint32_t rule_count) {
    if (!name) return -1;
    return processEngine().seedRuleSet(static_cast<const uint8_t*>(port), name, static_cast<const uint8_t*>(rules),
                                       rule_count)
               ? 0
               : -1;
}

int kestsim_seed_ruleset_count(const void* port, uint32_t count) {
    return processEngine().seedRuleSetCount(static_cast<const uint8_t*>(port), count) ? 0 : -1;
}

uint32_t kestsim_ruleset_count(const void* port) {
    return processEngine().ruleSetCount(static_cast<const uint8_t*>(port));
}

int kestsim_ruleset_rule_count(const void* port, const char* name) {
    if (!name) return -1;
    return static_cast<int>(processEngine().ruleCount(static_cast<const uint8_t*>(port), name));
}

static void copyRecords(const std::vector<Record>& records, void* out, uint32_t max) {
    if (!out) return;
    uint8_t* p = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < records.size() && i < max; ++i)
        memcpy(p + i * kRuleRecordSize, records[i].data(), kRuleRecordSize);
}

static void copyName(const std::string& name, char* out) {
    if (!out) return;
    memset(out, 0, KESTSIM_RULESET_NAME_SIZE);
    memcpy(out, name.data(), name.size() < KESTSIM_RULESET_NAME_SIZE ? name.size() : KESTSIM_RULESET_NAME_SIZE - 1);
}

int kestsim_ruleset_rules(const void* port, const char* name, void* out, uint32_t max_rules) {
    RuleSet rs;
    if (!name || !processEngine().ruleSet(static_cast<const uint8_t*>(port), name, rs)) return -1;
    copyRecords(rs.rules, out, max_rules);
    return static_cast<int>(rs.rules.size());
}

int kestsim_ruleset_info(const void* port, const char* name, uint32_t* generation, uint64_t* realization_time) {
    RuleSet rs;
    if (!name || !processEngine().ruleSet(static_cast<const uint8_t*>(port), name, rs)) return -1;
    if (generation) *generation = rs.generation;
    if (realization_time) *realization_time = rs.realizationTime;
    return 0;
}

int kestsim_ruleset_jump(const void* port, const char* name, char* target) {
    RuleSet rs;
    if (!name || !processEngine().ruleSet(static_cast<const uint8_t*>(port), name, rs)) return -1;
    copyName(rs.jumpTarget, target);
    return 0;
}

int kestsim_root_rulesets(const void* port, char* l3, char* l2, void* rules, uint32_t max_rules) {
    std::string l3Name, l2Name;
    std::vector<Record> records;
    processEngine().roots(static_cast<const uint8_t*>(port), l3Name, l2Name, records);
    copyName(l3Name, l3);
    copyName(l2Name, l2);
    copyRecords(records, rules, max_rules);
    return static_cast<int>(records.size());
}

int kestsim_fault_status(uint32_t status, uint32_t count, int opcode) {
    return processEngine().addFault(Fault{FaultKind::Status, status, count, opcode}) ? 0 : -1;
}

int kestsim_fault_errno(int err, uint32_t count) {
    if (err <= 0) return -1;
    return processEngine().addFault(Fault{FaultKind::Errno, static_cast<uint32_t>(err), count, -1}) ? 0 : -1;
}

int kestsim_fault_delay(uint32_t ms, uint32_t count) {
    return processEngine().addFault(Fault{FaultKind::Delay, ms, count, -1}) ? 0 : -1;
}

int kestsim_fault_reply(kestsim_reply_fault_ kind, uint32_t param, uint32_t count, int opcode) {
    FaultKind k;
    switch (kind) {
        case KESTSIM_REPLY_SHORT:
            k = FaultKind::ReplyShort;
            break;
        case KESTSIM_REPLY_LIE_COUNT:
            k = FaultKind::ReplyLieCount;
            break;
        case KESTSIM_REPLY_NO_NUL:
            k = FaultKind::ReplyNoNul;
            break;
        case KESTSIM_REPLY_MUTATE:
            k = FaultKind::ReplyMutate;
            break;
        default:
            return -1;
    }
    return processEngine().addFault(Fault{k, param, count, opcode}) ? 0 : -1;
}

void kestsim_fault_clear(void) { processEngine().clearFaults(); }

uint32_t kestsim_fault_pending(void) { return static_cast<uint32_t>(processEngine().pendingFaults()); }

uint64_t kestsim_ioctl_count(void) { return processEngine().calls(); }

uint64_t kestsim_command_count(void) { return processEngine().commands(); }

int kestsim_last_request(void* out) {
    std::lock_guard<std::mutex> lock(g_hostMutex);
    if (!g_haveRequest) return -1;
    if (out) memcpy(out, g_lastRequest, sizeof g_lastRequest);
    return 0;
}

static uint32_t copyOut(const std::vector<uint8_t>& bytes, uint32_t fullLen, void* out, uint32_t cap) {
    if (out && cap && !bytes.empty()) memcpy(out, bytes.data(), bytes.size() < cap ? bytes.size() : cap);
    return fullLen;
}

uint32_t kestsim_last_message(void* out, uint32_t cap) {
    uint32_t len = 0;
    std::vector<uint8_t> bytes = processEngine().lastMessage(&len);
    return copyOut(bytes, len, out, cap);
}

uint32_t kestsim_last_reply(void* out, uint32_t cap) {
    uint32_t len = 0;
    std::vector<uint8_t> bytes = processEngine().lastReply(&len);
    return copyOut(bytes, len, out, cap);
}

uint32_t kestsim_device_open_count(kestsim_device_ dev) { return validDevice(dev) ? g_devices[dev].opens.load() : 0; }

uint32_t kestsim_device_open_descriptors(kestsim_device_ dev) {
    return validDevice(dev) ? g_devices[dev].openNow.load() : 0;
}

int kestsim_device_fail_open(kestsim_device_ dev, int err) {
    if (!validDevice(dev) || err < 0) return -1;
    g_devices[dev].failOpen = err;
    return 0;
}

uint64_t kestsim_device_ioctl_count(kestsim_device_ dev) { return validDevice(dev) ? g_devices[dev].ioctls.load() : 0; }

int kestsim_device_last_ioctl(kestsim_device_ dev, unsigned long* request, void** arg) {
    if (!validDevice(dev)) return -1;
    std::lock_guard<std::mutex> lock(g_hostMutex);
    const DeviceStats& d = g_devices[dev];
    if (!d.haveLast) return -1;
    if (request) *request = d.lastRequest;
    if (arg) *arg = d.lastArg;
    return 0;
}

int kestsim_device_set_result(kestsim_device_ dev, int result, int err) {
    if (!validDevice(dev) || isControl(dev)) return -1;
    if (result < 0 && err <= 0) return -1;
    g_devices[dev].result = result;
    g_devices[dev].resultErr = err;
    return 0;
}

int kestsim_device_of_fd(int fd) { return Devices::of(fd); }

int kestsim_submit(void* request) {
    // The one point every control call of the interposer passes. When a daemon is named (KESTSIM_SOCKET or
    // kestsim_set_forward), the record's port and the message travel to it and its answer is copied back
    // over the message (or its errno fails the call); otherwise this process's engine answers.
    std::string daemon = Forward::target();
    if (!request) {
        if (!daemon.empty()) return Forward::call(daemon, nullptr, nullptr, 0, EFAULT);
        return processEngine().process(nullptr, nullptr, 0, EFAULT);
    }
    uint8_t record[Request::kSize];
    memcpy(record, request, sizeof record);
    {
        std::lock_guard<std::mutex> lock(g_hostMutex);
        memcpy(g_lastRequest, record, sizeof record);
        g_haveRequest = true;
    }
    Window r(record, sizeof record);
    uint32_t number = 0, zero = 0, payloadLen = 0, msgLen = 0;
    uint64_t payloadAddr = 0, msgAddr = 0;
    r.u32(Request::kOffNumber, number);
    r.u32(Request::kOffZero, zero);
    r.u32(Request::kOffPayloadLen, payloadLen);
    r.u64(Request::kOffPayloadAddr, payloadAddr);
    r.u32(Request::kOffMsgLen, msgLen);
    r.u64(Request::kOffMsgAddr, msgAddr);
    int refused = 0;
    if (number != Request::kNumber || zero != 0 || payloadLen != Request::kPayloadLen) refused = EINVAL;
    // The module copies the payload in from the address the record gives; in this process that address
    // can only be trusted when it is the record's own payload area.
    else if (payloadAddr != reinterpret_cast<uintptr_t>(static_cast<uint8_t*>(request) + Request::kOffPort))
        refused = EFAULT;
    uint8_t* msg = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(msgAddr));
    if (!daemon.empty()) return Forward::call(daemon, record + Request::kOffPort, msg, msgLen, refused);
    return processEngine().process(record + Request::kOffPort, msg, msgLen, refused);
}

int kestsim_set_forward(const char* path) { return Forward::setTarget(path) ? 0 : -1; }

int kestsim_process(const void* port, void* msg, uint32_t len) {
    return processEngine().process(static_cast<const uint8_t*>(port), static_cast<uint8_t*>(msg), len);
}

}  // extern "C"
