#include "transport/KestFWIOChannelSocket.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/KestFWException.h"
#include "base/KestFWLog.h"
#include "transport/KestFWMsgHdr.h"
#include "transport/SocketException.h"
#include "transport/SocketFactory.h"

namespace KestFirewall {

namespace {

// The one-command message this channel carries: 0 when `msg` is one, else the refusal status with the
// reason in `why`.
unsigned int checkMessage(const uint8_t* msg, unsigned int msgLen, const char*& why) {
    if (msg != nullptr && msgLen >= sizeof KEST_MSG_SIGNATURE && memcmp(msg, KEST_MSG_SIGNATURE, 4) != 0) {
        why = "no message signature";
        return CKestFWIOChannelSocket::kRefusedSignature;
    }
    kest_msg_hdr_ hdr;
    if (msg == nullptr || !readMsgHdr(msg, msgLen, &hdr)) {
        why = "shorter than a message header";
        return CKestFWIOChannelSocket::kRefusedShort;
    }
    if (hdr.bodyLen != msgLen - KEST_MSG_HDR_SIZE) {
        why = "message body length disagrees with the message length";
        return CKestFWIOChannelSocket::kRefusedLength;
    }
    if (hdr.count != 1) {
        why = "not exactly one command";
        return CKestFWIOChannelSocket::kRefusedBatch;
    }
    kest_cmd_hdr_ cmd;
    if (!readCmdHdr(msg + KEST_MSG_HDR_SIZE, msgLen - KEST_MSG_HDR_SIZE, &cmd) ||
        cmd.bodyLen != msgLen - KEST_MSG_HDR_SIZE - KEST_CMD_HDR_SIZE) {
        why = "command body length disagrees with the message length";
        return CKestFWIOChannelSocket::kRefusedLength;
    }
    return 0;
}

// The answer must be the same message answered in place: same framing, same command. Anything else
// means the two ends no longer agree on where messages start.
bool sameMessage(const uint8_t* request, const uint8_t* answer, unsigned int len) {
    kest_msg_hdr_ q, a;
    kest_cmd_hdr_ qc, ac;
    readMsgHdr(request, len, &q);
    readCmdHdr(request + KEST_MSG_HDR_SIZE, len - KEST_MSG_HDR_SIZE, &qc);
    if (!readMsgHdr(answer, len, &a) || !readCmdHdr(answer + KEST_MSG_HDR_SIZE, len - KEST_MSG_HDR_SIZE, &ac))
        return false;
    return memcmp(a.signature, q.signature, 4) == 0 && a.bodyLen == q.bodyLen && a.major == q.major &&
           a.category == q.category && a.count == q.count && ac.bodyLen == qc.bodyLen && ac.opcode == qc.opcode;
}

}  // namespace

CKestFWIOChannelSocket::CKestFWIOChannelSocket(int socketType, const char* host, const char* service) {
    const Sockets::SocketType_t type = static_cast<Sockets::SocketType_t>(socketType);
    try {
        m_socket = Sockets::SocketFactory::createSocket(type, host, service);
        // Each message waits for its answer: nothing is gained by holding small sends back.
        m_socket->SetNoDelay(true);
        m_socket->SetTimeouts(m_timeoutMs);
    } catch (const Sockets::SocketException& e) {
        // Not a library exception: the exported function that asked for the channel reports it as an
        // internal error, so the reason is written here, where it is still known.
        KFW_WARN("cannot connect to %s:%s: %s\n", host, service, e.what());
        throw;
    } catch (const std::invalid_argument& e) {
        KFW_WARN("cannot connect without %s (%s)\n", host == nullptr ? "an address" : "a port", e.what());
        throw;
    }
    KFW_DEBUG(KFW_COMP_IO, 1, "connected socket to %s:%s\n", host, service);
}

CKestFWIOChannelSocket::~CKestFWIOChannelSocket() {
    if (m_socket != nullptr) KFW_DEBUG(KFW_COMP_IO, 1, "closing socket %d\n", m_socket->GetDescriptor());
}

bool CKestFWIOChannelSocket::connected() {
    Locks::ScopedLock lock(m_mutex);
    return m_socket != nullptr;
}

void CKestFWIOChannelSocket::setTimeoutMs(unsigned int ms) {
    Locks::ScopedLock lock(m_mutex);
    m_timeoutMs = ms;
    if (m_socket == nullptr) return;
    try {
        m_socket->SetTimeouts(ms);
    } catch (const Sockets::SocketException& e) {
        KFW_WARN("cannot set the socket time limit: %s\n", e.what());
        m_socket.reset();
    }
}

unsigned int CKestFWIOChannelSocket::sendIOCTL(dvs_port_*, void* msg, unsigned int msgLen, void*) {
    uint8_t* bytes = static_cast<uint8_t*>(msg);
    const char* why = "";
    unsigned int refused = checkMessage(bytes, msgLen, why);
    if (refused != 0) {
        KFW_WARN("socket channel refuses a message of %u bytes: %s\n", msgLen, why);
        return refused;
    }
    try {
        Locks::ScopedLock lock(m_mutex);
        return exchange(bytes, msgLen);
    } catch (const Locks::LockException& e) {
        KFW_WARN("socket exchange of %u bytes failed: %s\n", msgLen, e.what());
        return kSocketFailure;
    }
}

// Under the channel's lock.
unsigned int CKestFWIOChannelSocket::exchange(uint8_t* bytes, unsigned int msgLen) {
    try {
        if (m_socket == nullptr) throw Sockets::SocketException("not connected (an earlier exchange failed)");
        // A bounded socket that moves nothing within its limit reports would-block.
        if (m_socket->SendAll(bytes, msgLen) != msgLen)
            throw Sockets::SocketException("the peer took no bytes for " + std::to_string(m_timeoutMs.load()) + " ms");
        // The answer lands beside the request and replaces it only when it is whole and well framed, so a
        // failed exchange leaves the message as it was sent.
        std::vector<uint8_t> answer(msgLen);
        if (m_socket->RecvAll(answer.data(), msgLen) != msgLen)
            throw Sockets::SocketException("no answer within " + std::to_string(m_timeoutMs.load()) + " ms");
        if (!sameMessage(bytes, answer.data(), msgLen))
            throw Sockets::SocketException("the peer answered with a different message");
        memcpy(bytes, answer.data(), msgLen);
    } catch (const std::exception& e) {
        KFW_WARN("socket exchange of %u bytes failed: %s\n", msgLen, e.what());
        // Part of a message may be on its way or still unread: the stream cannot be trusted any more.
        m_socket.reset();
        return kSocketFailure;
    } catch (...) {
        KFW_WARN("socket exchange of %u bytes failed\n", msgLen);
        m_socket.reset();
        return kSocketFailure;
    }
    KFW_DEBUG(KFW_COMP_IO, 2, "exchanged message of %u bytes over the socket\n", msgLen);
    return 0;
}

}  // namespace KestFirewall
