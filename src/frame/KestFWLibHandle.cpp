#include "frame/KestFWLibHandle.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/KestFWLog.h"
#include "transport/KestFWIOChannel.h"
#include "transport/KestFWMsgBuf.h"
#include "base/Locks.h"
#include "transport/KestFWMsgHdr.h"

namespace KestFirewall {

namespace {
// Destroys the default handle, and with it its channel, at process exit.
std::unique_ptr<CKestFWLibHandle> s_defaultHandle;
// "bad message": what a reply that broke the message header is reported as.
const unsigned int kStatusBadMessage = 25;
}  // namespace

CKestFWLibHandle::CKestFWLibHandle() : m_msgBuf(CKestFWMsgBufFactory::newMsgBuf(0)) {}

CKestFWLibHandle::~CKestFWLibHandle() {
    delete m_msgBuf;
    delete m_ioChannel;
}

CKestFWLibHandle* CKestFWLibHandle::GetInstance() { return new CKestFWLibHandle(); }

CKestFWLibHandle* CKestFWLibHandle::GetIoctlInstance() {
    static Locks::Mutex mutex;
    Locks::ScopedLock lock(mutex);
    if (!s_defaultHandle) {
        KFW_DEBUG(KFW_COMP_LIBRARY, 1, "Initializing kest library.\n\n");
        static const char* const kDeviceKey = "FWIODeviceName";
        static const char* const kDevicePath = "/dev/wyb-kest";
        void* args[2] = {const_cast<char*>(kDeviceKey), const_cast<char*>(kDevicePath)};
        int reserved = 0;
        fwlibhandle_* h = nullptr;
        FWStatus_t st = FW_Initialize(0x10000, &reserved, KFW_IO_DEVICE, 2, args, &h);
        if (st != 0) {
            KFW_ERROR("Failed to initialize kest library: %s\n\n", FW_StatusToString(st));
            exit(-1);
        }
        s_defaultHandle.reset(h);
        KFW_DEBUG(KFW_COMP_LIBRARY, 1, "Initialized kest library\n\n");
    }
    return s_defaultHandle.get();
}

int CKestFWLibHandle::setIOChannel(CKestFWIOChannel* channel) {
    if (m_ioChannel != nullptr) {
        KFW_LOG(KFW_LOG_INFO, "IOChannel has already been initialized\n");
        delete m_ioChannel;
    }
    m_ioChannel = channel;
    return 0;
}

int CKestFWLibHandle::getCommandBuffer(void** buf, unsigned int size) {
    if (m_msgBuf == nullptr) return 1;
    return m_msgBuf->getBuffer(buf, size) ? 0 : 8;
}

bool CKestFWLibHandle::addCommand(void* buf, unsigned int size) {
    return m_msgBuf != nullptr && m_msgBuf->addCommand(buf, size);
}

int CKestFWLibHandle::releaseCommandBuffer(void* buf) {
    if (m_msgBuf == nullptr) return 1;
    return m_msgBuf->releaseBuffer(buf) ? 0 : 3;
}

int CKestFWLibHandle::resetCommandBuffer(void* buf) {
    if (m_msgBuf == nullptr) return 1;
    return m_msgBuf->resetBuffer(buf) ? 0 : 3;
}

unsigned int CKestFWLibHandle::flushCommandBuffer(void* buf, unsigned int size, dvs_port_* port, void* ctx) {
    if (m_ioChannel == nullptr || m_msgBuf == nullptr) return 1;
    void* msg = nullptr;
    unsigned int msgLen = 0;
    if (!m_msgBuf->getMessage(buf, size, &msg, &msgLen)) return 8;
    // The header belongs to the request: the message buffer frees, resets and resends a message only
    // while its header is intact. A reply (or a caller's channel) that rewrites it gets its header back,
    // so the message can still be given back, and a header it broke makes the reply a bad message.
    uint8_t header[KEST_MSG_HDR_SIZE];
    memcpy(header, msg, sizeof header);
    unsigned int status = 0;
    try {
        status = m_ioChannel->sendIOCTL(port, msg, msgLen, ctx != nullptr ? ctx : m_defaultIOContext);
    } catch (...) {
        memcpy(msg, header, sizeof header);
        throw;
    }
    const bool intact = m_msgBuf->validateBuffer(buf, 0);
    memcpy(msg, header, sizeof header);
    if (!intact && status == 0) {
        KFW_WARN("reply of %u bytes broke its message header\n", msgLen);
        return kStatusBadMessage;
    }
    return status;
}

}  // namespace KestFirewall
