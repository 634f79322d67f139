#include "cmd/KestFWCmd.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/KestFWException.h"
#include "frame/KestFWLibHandle.h"
#include "base/KestFWLog.h"
#include "transport/KestFWMsgHdr.h"
#include "transport/KestFWPort.h"

namespace KestFirewall {

namespace {

void sleepSeconds(unsigned int seconds) { sleep(seconds); }

CKestFWCmd::RetryPause s_retryPause = sleepSeconds;

const uint32_t kStatusBadState = 26;

}  // namespace

CKestFWCmd::RetryPause CKestFWCmd::setRetryPause(RetryPause pause) {
    RetryPause old = s_retryPause;
    s_retryPause = pause != nullptr ? pause : sleepSeconds;
    return old;
}

CKestFWCmd::CKestFWCmd(dvs_port_* port) {
    memset(&m_port, 0, sizeof m_port);
    memset(&m_initialPort, 0, sizeof m_initialPort);
    if (port != nullptr) {
        memcpy(&m_initialPort, port, sizeof m_initialPort);
        if (kfwPortType(port) != 0)
            KFW_DEBUG(KFW_COMP_CMD, 2, "cmd initial dvsport: [type %u, %s:%u]\n", kfwPortType(port),
                      kfwPortId(port).c_str(), kfwPortIndex(port));
        else
            KFW_DEBUG(KFW_COMP_CMD, 2, "cmd initial dvsport: none\n");
    } else {
        KFW_DEBUG(KFW_COMP_CMD, 2, "cmd initial dvsport: none\n");
    }
    setDVSPort(port, true);
}

CKestFWCmd::~CKestFWCmd() = default;

bool CKestFWCmd::setDVSPort(dvs_port_* port, bool force) {
    if (port != nullptr && (force || kfwPortType(&m_port) == 0)) memcpy(&m_port, port, sizeof m_port);
    return kfwPortType(&m_port) != 0;
}

std::string CKestFWCmd::dvsportToString(const char* prefix) const {
    unsigned type = kfwPortType(&m_port);
    if (type == 0) return std::string();
    std::string out;
    if (prefix != nullptr) out += std::string(" ") + prefix;
    std::string id = kfwPortId(&m_port);
    char text[160];
    switch (type) {
        case DVS_PORT_TYPE_VNIC: {
            unsigned char b[16];
            int n = sscanf(id.c_str(),
                           "%2hhx %2hhx %2hhx %2hhx %2hhx %2hhx %2hhx %2hhx-%2hhx %2hhx %2hhx %2hhx %2hhx %2hhx "
                           "%2hhx %2hhx",
                           &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &b[8], &b[9], &b[10], &b[11], &b[12],
                           &b[13], &b[14], &b[15]);
            if (n != 16) throw CUnsupportedException("dvs switch id format is wrong");
            snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x.%03u",
                     b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                     b[15], kfwPortIndex(&m_port));
            return out + " vnic " + text;
        }
        case DVS_PORT_TYPE_DVSPORT:
            snprintf(text, sizeof text, "\"%s:%u\"", id.c_str(), kfwPortIndex(&m_port));
            return out + " dvsport " + text;
        case DVS_PORT_TYPE_FILTER:
            return out + " filter " + id;
        case DVS_PORT_TYPE_VIF:
            return out + " vif " + id;
        default:
            throw CUnsupportedException("unsupported dvsport type ", type);
    }
}

bool CKestFWCmd::toMessage(const void* buf, unsigned int size, unsigned int* written) {
    uint8_t* rec = writable(buf);
    unsigned int bodyLen = 0xFFFFFFFFu;
    unsigned int avail = size >= KEST_CMD_HDR_SIZE ? size - KEST_CMD_HDR_SIZE : 0;
    if (size >= KEST_CMD_HDR_SIZE) writeCmdBody(rec + KEST_CMD_HDR_SIZE, avail, &bodyLen, 0);
    writeCmdHdr(rec, size, bodyLen, uint16_t(getCommand()), 0);
    if (written != nullptr) *written = bodyLen + KEST_CMD_HDR_SIZE;
    return true;
}

void CKestFWCmd::checkCmdReply(const void*, unsigned int) {}

bool CKestFWCmd::zeroBody(const void* body, unsigned int avail, unsigned int size, unsigned int* written) {
    if (body == nullptr || avail < size) return false;
    memset(writable(body), 0, size);
    if (written != nullptr) *written = size;
    return true;
}

bool CKestFWCmd::releaseCmdBuffer(CKestFWLibHandle* handle, const void* reply) {
    if (handle == nullptr || reply == nullptr) return false;
    try {
        return handle->releaseCommandBuffer(writable(reply) - KEST_CMD_HDR_SIZE) == 0;
    } catch (...) {
        return false;
    }
}

FWStatus_t CKestFWCmd::execute(CKestFWLibHandle* handle, void** reply, unsigned int* replyLen, void* ctx) {
    if (reply != nullptr) *reply = nullptr;
    if (replyLen != nullptr) *replyLen = 0;
    if (handle == nullptr) return 2;

    void* buf = nullptr;
    const char* name = kfwCmdLogName(getCommand());
    try {
        const uint64_t bodySize = getMsgSize();
        if (bodySize + KEST_CMD_HDR_SIZE > 0xFFFFFFFFu) return 8;
        const unsigned int recSize = unsigned(bodySize) + KEST_CMD_HDR_SIZE;

        int rc = handle->getCommandBuffer(&buf, recSize);
        if (rc != 0) return FWStatus_t(rc);

        KFW_DEBUG(KFW_COMP_CMD, 2, "command %s [agent %s, type %u, uuid %s, idx %u]\n", name,
                  kfwPortAgent(&m_port).c_str(), kfwPortType(&m_port), kfwPortId(&m_port).c_str(),
                  kfwPortIndex(&m_port));

        unsigned int written = 0;
        if (!toMessage(buf, recSize, &written)) {
            handle->releaseCommandBuffer(buf);
            return 9;
        }
        handle->addCommand(buf, written);

        dvs_port_* port = kfwPortType(&m_port) != 0 ? &m_port : nullptr;
        uint8_t* rec = static_cast<uint8_t*>(buf);
        FWStatus_t status = 0;
        for (unsigned attempt = 1; attempt <= kMaxAttempts; ++attempt) {
            unsigned int sent = handle->flushCommandBuffer(buf, recSize, port, ctx);
            if (sent != 0) {
                KFW_WARN("IOCTL return failure. command: %s description: %s status: %d cmdbuf size: %u\n", name,
                         toString().c_str(), int(sent), recSize);
                handle->releaseCommandBuffer(buf);
                return sent;
            }
            ByteReader r(rec, recSize);
            status = r.getAt<uint32_t>(KEST_CMD_OFF_STATUS);
            if (status == 0) {
                checkCmdReply(rec + KEST_CMD_HDR_SIZE, unsigned(bodySize));
                if (replyLen != nullptr) *replyLen = unsigned(bodySize);
                // A caller that takes no reply leaves nobody to give the message back.
                if (reply != nullptr) *reply = rec + KEST_CMD_HDR_SIZE;
                else handle->releaseCommandBuffer(buf);
                return 0;
            }
            KFW_WARN("failed to execute command %s: %s\n\n", name, FW_StatusToString(status));
            if (status != kStatusBadState) break;
            s_retryPause(1);
            // The kernel answers in place: a retry sends the request as it was, written again from
            // the command rather than kept as a copy of every message.
            if (!toMessage(buf, recSize, &written)) {
                handle->releaseCommandBuffer(buf);
                return 9;
            }
        }
        handle->releaseCommandBuffer(buf);
        return status;
    } catch (const CKestFWException& e) {
        KFW_WARN("%s\n", e.what());
        if (buf != nullptr) handle->releaseCommandBuffer(buf);
        return e.retcode();
    } catch (...) {
        if (buf != nullptr) handle->releaseCommandBuffer(buf);
        return 5;
    }
}

}  // namespace KestFirewall
