#include "sim/engine/SimEngine.h"

#include <errno.h>

#include <chrono>
#include <thread>
#include <utility>

#include "sim/engine/SimBytes.h"
#include "sim/engine/SimHandlers.h"
#include "sim/engine/SimWire.h"

namespace KestSim {

Engine::Engine(const Limits& limits) : m_state(limits) {}

int Engine::checkMessage(const uint8_t* msg, uint32_t len) {
    if (!msg) return EFAULT;
    if (len < MsgHeader::kSize || len > kMaxDeviceMessage) return EINVAL;
    // Only read here: the window's type allows writes, the message is left as it came.
    Window m(const_cast<uint8_t*>(msg), len);
    char sig[4];
    uint8_t major = 0, type = 0, category = 0;
    uint32_t bodyLen = 0;
    uint16_t count = 0;
    m.load(MsgHeader::kOffSignature, sig, sizeof sig);
    m.u8(MsgHeader::kOffMajor, major);
    m.u8(MsgHeader::kOffType, type);
    m.u8(MsgHeader::kOffCategory, category);
    m.u32(MsgHeader::kOffBodyLen, bodyLen);
    m.u16(MsgHeader::kOffCount, count);
    if (memcmp(sig, MsgHeader::kSignature, sizeof sig) != 0) return EINVAL;
    if (major != MsgHeader::kMajor || type != MsgHeader::kTypeRequest || category != MsgHeader::kCategoryFirewall)
        return EINVAL;
    if (bodyLen != len - MsgHeader::kSize) return EINVAL;

    // The records must tile the body exactly: none may reach past the end, none may be left over.
    size_t off = MsgHeader::kSize;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t cmdLen = 0;
        if (!m.u32(off + CmdHeader::kOffBodyLen, cmdLen) || !m.has(off + CmdHeader::kSize, cmdLen)) return EINVAL;
        off += CmdHeader::kSize + size_t(cmdLen);
    }
    return off == len ? 0 : EINVAL;
}

int Engine::process(const uint8_t* port, uint8_t* msg, uint32_t len, int refused) {
    int err = 0;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_calls;
        capture(m_lastMessage, m_lastMessageLen, refused ? nullptr : msg, len);
        m_lastReply.clear();
        m_lastReplyLen = 0;

        FaultPlan::CallFaults call = m_faults.takeCall();
        if (call.delayMs) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(call.delayMs));
            lock.lock();
        }
        PortKey key = PortKey::fromRecord(port);
        if (call.err)
            err = call.err;
        else if (refused)
            err = refused;
        else if ((err = checkMessage(msg, len)) != 0) {
        } else if (!m_state.known(key))
            err = ENOENT;
        else {
            performCommands(key, msg, len);
            capture(m_lastReply, m_lastReplyLen, msg, len);
        }
    }
    if (err) {
        errno = err;
        return -1;
    }
    return 0;
}

void Engine::performCommands(const PortKey& key, uint8_t* msg, uint32_t len) {
    Window m(msg, len);
    uint16_t count = 0;
    m.u16(MsgHeader::kOffCount, count);
    size_t off = MsgHeader::kSize;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t cmdLen = 0;
        uint16_t opcode = 0;
        m.u32(off + CmdHeader::kOffBodyLen, cmdLen);
        m.u16(off + CmdHeader::kOffOpcode, opcode);
        uint32_t status = performOne(key, opcode, msg + off + CmdHeader::kSize, cmdLen);
        m.putU32(off + CmdHeader::kOffStatus, status);
        ++m_commands;
        off += CmdHeader::kSize + size_t(cmdLen);
    }
}

uint32_t Engine::performOne(const PortKey& key, uint16_t opcode, uint8_t* body, uint32_t bodyLen) {
    Fault fault = m_faults.takeCommand(opcode);
    if (fault.kind == FaultKind::Status) return fault.value;
    Handler handler = findHandler(opcode);
    if (!handler) return Status::kNotSupported;

    CommandContext ctx{m_state, key, opcode, Window(body, bodyLen), ReplyFault{fault.kind, fault.value}};
    if (fault.kind == FaultKind::ReplyMutate) {
        // The command is performed truly; only what the caller reads back is damaged.
        std::vector<uint8_t> request(body, body + bodyLen);
        ctx.reply = ReplyFault();
        uint32_t status = handler(ctx);
        return mutateReply(fault.value ^ static_cast<uint32_t>(m_commands), body, request.data(), bodyLen, status);
    }
    if (fault.kind != FaultKind::ReplyShort) return handler(ctx);

    // A short reply: the module stops writing after `value` bytes, the rest still holds the request.
    std::vector<uint8_t> request(body, body + bodyLen);
    ctx.reply = ReplyFault();
    uint32_t status = handler(ctx);
    if (fault.value < bodyLen) memcpy(body + fault.value, request.data() + fault.value, bodyLen - fault.value);
    return status;
}

void Engine::capture(std::vector<uint8_t>& into, uint32_t& fullLen, const uint8_t* msg, uint32_t len) {
    fullLen = msg ? len : 0;
    uint32_t keep = fullLen < kCaptureLimit ? fullLen : kCaptureLimit;
    into.assign(msg, msg + keep);
}

void Engine::withState(const std::function<void(State&)>& fn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    fn(m_state);
}

void Engine::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.clear();
    m_faults.clear();
    m_calls = m_commands = 0;
    m_lastMessage.clear();
    m_lastReply.clear();
    m_lastMessageLen = m_lastReplyLen = 0;
}

bool Engine::declareFilter(const uint8_t* port) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.declare(PortKey::fromRecord(port));
}

bool Engine::forgetFilter(const uint8_t* port) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.forget(PortKey::fromRecord(port));
}

bool Engine::seedRuleSet(const uint8_t* port, const std::string& name, const uint8_t* rules, uint32_t count) {
    if (name.empty() || name.size() >= kRuleSetNameWidth || (count && !rules)) return false;
    if (count > m_state.limits().recordBytes / kRuleRecordSize) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    Filter* f = m_state.obtain(PortKey::fromRecord(port));
    if (!f) return false;
    RuleSet rs;
    rs.name = name;
    rs.rules.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        rs.rules.emplace_back(rules + size_t(i) * kRuleRecordSize, rules + size_t(i + 1) * kRuleRecordSize);
    return m_state.putRuleSet(*f, std::move(rs));
}

bool Engine::seedRuleSetCount(const uint8_t* port, uint32_t count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (count > m_state.limits().ruleSetsPerFilter) return false;
    Filter* f = m_state.obtain(PortKey::fromRecord(port));
    if (!f) return false;
    while (!f->ruleSets.empty()) m_state.dropRuleSet(*f, f->ruleSets.begin()->first);
    for (uint32_t i = 0; i < count; ++i) {
        RuleSet rs;
        rs.name = "ruleset-" + std::to_string(i);
        if (!m_state.putRuleSet(*f, std::move(rs))) return false;
    }
    return true;
}

uint32_t Engine::ruleSetCount(const uint8_t* port) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    return f ? static_cast<uint32_t>(f->ruleSets.size()) : 0;
}

long Engine::ruleCount(const uint8_t* port, const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    if (!f) return -1;
    auto it = f->ruleSets.find(name);
    return it == f->ruleSets.end() ? -1 : static_cast<long>(it->second.rules.size());
}

bool Engine::ruleSet(const uint8_t* port, const std::string& name, RuleSet& out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    if (!f) return false;
    auto it = f->ruleSets.find(name);
    if (it == f->ruleSets.end()) return false;
    out = it->second;
    return true;
}

void Engine::roots(const uint8_t* port, std::string& l3, std::string& l2, std::vector<Record>& rules) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    l3 = f ? f->l3Root : std::string();
    l2 = f ? f->l2Root : std::string();
    rules = f ? f->rootRules : std::vector<Record>();
}

bool Engine::seedAddrSet(const uint8_t* port, const std::string& name, uint32_t kind, const uint8_t* records,
                         uint32_t count) {
    if (name.empty() || name.size() >= kAddrSetNameWidth || (count && !records)) return false;
    if (count > m_state.limits().recordBytes / kAddressRecordSize) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    Filter* f = m_state.obtain(PortKey::fromRecord(port));
    if (!f) return false;
    AddrSet as;
    as.name = name;
    as.kind = kind;
    as.members.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        as.members.emplace_back(records + size_t(i) * kAddressRecordSize, records + size_t(i + 1) * kAddressRecordSize);
    return m_state.putAddrSet(*f, std::move(as));
}

std::vector<std::string> Engine::addrSetNames(const uint8_t* port) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    if (const Filter* f = m_state.find(PortKey::fromRecord(port)))
        for (const auto& kv : f->addrSets) names.push_back(kv.first);
    return names;
}

bool Engine::addrSet(const uint8_t* port, const std::string& name, AddrSet& out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    if (!f) return false;
    auto it = f->addrSets.find(name);
    if (it == f->addrSets.end()) return false;
    out = it->second;
    return true;
}

bool Engine::sharedAddrSets(const uint8_t* port) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    return f && f->sharedAddrSets;
}

std::map<uint32_t, IpRepChunk> Engine::ipRepChunks(const uint8_t* port) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Filter* f = m_state.find(PortKey::fromRecord(port));
    return f ? f->ipRepChunks : std::map<uint32_t, IpRepChunk>();
}

bool Engine::addFault(const Fault& f) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults.add(f);
}

void Engine::clearFaults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

size_t Engine::pendingFaults() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults.pending();
}

uint64_t Engine::calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

uint64_t Engine::commands() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

std::vector<uint8_t> Engine::lastMessage(uint32_t* fullLen) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fullLen) *fullLen = m_lastMessageLen;
    return m_lastMessage;
}

std::vector<uint8_t> Engine::lastReply(uint32_t* fullLen) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fullLen) *fullLen = m_lastReplyLen;
    return m_lastReply;
}

}  // namespace KestSim
