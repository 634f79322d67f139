// A channel that plays the kernel from a script, for tests of the command framework that need exact
// control: each send takes the next step (the last one repeats), records the message and port, and
// writes a status into every command record, optionally a reply body through a callback.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "base/KestFWException.h"
#include "frame/KestFWLibHandle.h"
#include "transport/KestFWIOChannel.h"
#include "transport/KestFWMsgHdr.h"
#include "transport/KestFWSimpleMsgBuf.h"
#include "util/ByteIO.h"

namespace kestfw_test {

struct FakeStep {
    uint32_t status = 0;          // written into each command's status word
    unsigned int sendResult = 0;  // non-zero: the channel fails with this status, the message untouched
    bool throwIoctl = false;      // raise what a failed control call raises
    int err = 0;                  // errno of that failure
};

struct FakeSend {
    std::vector<uint8_t> message;  // as sent, before the reply was written
    bool hasPort = false;
    dvs_port_ port{};
    const void* address = nullptr;
};

class FakeChannel : public KestFirewall::CKestFWIOChannel {
public:
    // Reply body writer: (command index in the message, opcode, body, body length).
    typedef std::function<void(unsigned, uint16_t, uint8_t*, uint32_t)> ReplyWriter;

    FakeChannel(std::vector<FakeStep> script, std::vector<FakeSend>* sends, ReplyWriter writer = nullptr)
        : m_script(std::move(script)), m_sends(sends), m_writer(std::move(writer)) {}

    unsigned int sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void*) override {
        FakeSend s;
        s.message.assign(static_cast<uint8_t*>(msg), static_cast<uint8_t*>(msg) + msgLen);
        s.hasPort = port != nullptr;
        if (port != nullptr) s.port = *port;
        s.address = msg;
        m_sends->push_back(std::move(s));
        const FakeStep& step = m_script[std::min(m_next, m_script.size() - 1)];
        ++m_next;
        if (step.throwIoctl) throw KestFirewall::CIoctlException("ioctl failed", step.err);
        if (step.sendResult != 0) return step.sendResult;
        uint8_t* base = static_cast<uint8_t*>(msg);
        size_t off = KestFirewall::KEST_MSG_HDR_SIZE;
        unsigned index = 0;
        while (off + KestFirewall::KEST_CMD_HDR_SIZE <= msgLen) {
            KestFirewall::kest_cmd_hdr_ h;
            KestFirewall::readCmdHdr(base + off, msgLen - off, &h);
            KestFirewall::ByteWriter(base + off, KestFirewall::KEST_CMD_HDR_SIZE)
                .putAt<uint32_t>(KestFirewall::KEST_CMD_OFF_STATUS, step.status);
            uint8_t* body = base + off + KestFirewall::KEST_CMD_HDR_SIZE;
            if (m_writer && h.bodyLen <= msgLen - off - KestFirewall::KEST_CMD_HDR_SIZE)
                m_writer(index, h.opcode, body, h.bodyLen);
            off += KestFirewall::KEST_CMD_HDR_SIZE + size_t(h.bodyLen);
            ++index;
        }
        return 0;
    }

private:
    std::vector<FakeStep> m_script;
    size_t m_next = 0;
    std::vector<FakeSend>* m_sends;
    ReplyWriter m_writer;
};

// A simple message buffer that remembers the size of every message asked for and how many are out.
class SpyMsgBuf : public KestFirewall::CKestFWSimpleMsgBuf {
public:
    bool getBuffer(void** buf, unsigned int size) override {
        requested.push_back(size);
        bool ok = CKestFWSimpleMsgBuf::getBuffer(buf, size);
        if (ok) ++outstanding;
        return ok;
    }
    bool releaseBuffer(void* buf) override {
        bool ok = CKestFWSimpleMsgBuf::releaseBuffer(buf);
        if (ok) --outstanding;
        return ok;
    }
    std::vector<unsigned int> requested;
    int outstanding = 0;
};

// A handle on a scripted channel, with its spy buffer.
struct FakeHandle {
    FakeHandle(std::vector<FakeStep> script, FakeChannel::ReplyWriter writer = nullptr)
        : spy(new SpyMsgBuf()), handle(spy) {
        handle.setIOChannel(new FakeChannel(std::move(script), &sends, std::move(writer)));
    }
    std::vector<FakeSend> sends;
    SpyMsgBuf* spy;  // owned by the handle
    KestFirewall::CKestFWLibHandle handle;
};

}  // namespace kestfw_test
