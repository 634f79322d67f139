#include "transport/KestFWSimpleMsgBuf.h"

#include <cstdlib>
#include <cstring>

#include "base/KestFWLog.h"

namespace KestFirewall {

CKestFWSimpleMsgBuf::CKestFWSimpleMsgBuf() {
    pthread_mutex_init(&m_mutex, nullptr);
    KFW_DEBUG(KFW_COMP_MSGBUF, 1, "created simple message buffer\n");
}

CKestFWSimpleMsgBuf::~CKestFWSimpleMsgBuf() {
    pthread_mutex_destroy(&m_mutex);
    KFW_DEBUG(KFW_COMP_MSGBUF, 1, "destroyed simple message buffer\n");
}

void CKestFWSimpleMsgBuf::initMsgHeader(void* hdr) {
    kest_msg_hdr_ h;
    memcpy(h.signature, KEST_MSG_SIGNATURE, 4);
    h.bodyLen = 0;
    pthread_mutex_lock(&m_mutex);
    h.sequence = m_sequence++;
    pthread_mutex_unlock(&m_mutex);
    h.major = KEST_MSG_MAJOR;
    h.minor = KEST_MSG_MINOR;
    h.type = KEST_MSG_TYPE_REQUEST;
    h.category = KEST_MSG_CATEGORY_FIREWALL;
    h.count = 0;
    h.padding = 0;
    writeMsgHdr(hdr, KEST_MSG_HDR_SIZE, h);
}

bool CKestFWSimpleMsgBuf::getBuffer(void** buf, unsigned int size) {
    if (buf == nullptr) return false;
    if (size >= kMaxRequest) {
        KFW_DEBUG(KFW_COMP_MSGBUF, 2, "requested buffer size %u is too large\n\n", size);
        return false;
    }
    void* block = malloc(size_t(size) + KEST_MSG_HDR_SIZE);
    if (block == nullptr) {
        KFW_WARN("failed to get message buffer of size %u\n\n", size);
        return false;
    }
    initMsgHeader(block);
    *buf = static_cast<uint8_t*>(block) + KEST_MSG_HDR_SIZE;
    KFW_DEBUG(KFW_COMP_MSGBUF, 2, "allocated message buffer: [%u].\n", size);
    return true;
}

bool CKestFWSimpleMsgBuf::addCommand(void* buf, unsigned int size) {
    if (buf == nullptr) return false;
    uint8_t* hdr = headerOf(buf);
    ByteReader r(hdr, KEST_MSG_HDR_SIZE);
    uint32_t bodyLen = r.getAt<uint32_t>(KEST_MSG_OFF_BODYLEN);
    uint16_t count = r.getAt<uint16_t>(KEST_MSG_OFF_COUNT);
    ByteWriter w(hdr, KEST_MSG_HDR_SIZE);
    w.putAt<uint32_t>(KEST_MSG_OFF_BODYLEN, bodyLen + size);
    w.putAt<uint16_t>(KEST_MSG_OFF_COUNT, uint16_t(count + 1));
    return true;
}

bool CKestFWSimpleMsgBuf::validate(void* buf, unsigned int size, kest_msg_hdr_* hdr) {
    if (buf == nullptr) {
        KFW_WARN("attempt to validate a null message buffer\n");
        return false;
    }
    readMsgHdr(headerOf(buf), KEST_MSG_HDR_SIZE, hdr);
    if (memcmp(hdr->signature, KEST_MSG_SIGNATURE, 4) != 0 || hdr->major != KEST_MSG_MAJOR ||
        hdr->category != KEST_MSG_CATEGORY_FIREWALL) {
        KFW_WARN("message buffer [%u] has a bad signature\n", size);
        return false;
    }
    if (size != 0 && hdr->bodyLen != size) {
        KFW_WARN("message buffer [%u] has a bad size\n", size);
        return false;
    }
    return true;
}

bool CKestFWSimpleMsgBuf::validateBuffer(void* buf, unsigned int size) {
    KFW_DEBUG(KFW_COMP_MSGBUF, 2, "validating message buffer [%u].\n", size);
    kest_msg_hdr_ hdr;
    return validate(buf, size, &hdr);
}

bool CKestFWSimpleMsgBuf::getMessage(void* buf, unsigned int size, void** msg, unsigned int* msgLen) {
    KFW_DEBUG(KFW_COMP_MSGBUF, 2, "getting message from message buffer [%u]\n", size);
    if (msg == nullptr || msgLen == nullptr || !validateBuffer(buf, size)) return false;
    *msg = headerOf(buf);
    *msgLen = size + KEST_MSG_HDR_SIZE;
    return true;
}

bool CKestFWSimpleMsgBuf::resetBuffer(void* buf) {
    KFW_DEBUG(KFW_COMP_MSGBUF, 2, "reset message buffer\n");
    kest_msg_hdr_ hdr;
    if (!validate(buf, 0, &hdr)) return false;
    KFW_DEBUG(KFW_COMP_MSGBUF, 2, "reset message buffer of %u cmds and %u bytes.\n", unsigned(hdr.count), hdr.bodyLen);
    ByteWriter w(headerOf(buf), KEST_MSG_HDR_SIZE);
    w.putAt<uint32_t>(KEST_MSG_OFF_BODYLEN, 0);
    w.putAt<uint16_t>(KEST_MSG_OFF_COUNT, 0);
    return true;
}

bool CKestFWSimpleMsgBuf::releaseBuffer(void* buf) {
    KFW_DEBUG(KFW_COMP_MSGBUF, 2, "releasing message buffer\n");
    kest_msg_hdr_ hdr;
    if (!validate(buf, 0, &hdr)) return false;
    KFW_DEBUG(KFW_COMP_MSGBUF, 2, "released message buffer [%u].\n", hdr.bodyLen);
    free(headerOf(buf));
    return true;
}

}  // namespace KestFirewall
