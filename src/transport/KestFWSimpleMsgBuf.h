// The message buffer of every library handle: one malloc'ed block per message, the header stamped with
// a sequence number taken under the buffer's mutex.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "transport/KestFWMsgBuf.h"
#include "transport/KestFWMsgHdr.h"

namespace KestFirewall {

class KESTFW_API CKestFWSimpleMsgBuf : public CKestFWMsgBuf {
public:
    // Requests of this size or more cannot carry the header in a 32-bit length.
    static constexpr unsigned int kMaxRequest = 0xFFFFFFECu;

    CKestFWSimpleMsgBuf();
    ~CKestFWSimpleMsgBuf() override;

    bool getBuffer(void** buf, unsigned int size) override;
    bool releaseBuffer(void* buf) override;
    bool resetBuffer(void* buf) override;
    bool validateBuffer(void* buf, unsigned int size) override;
    bool getMessage(void* buf, unsigned int size, void** msg, unsigned int* msgLen) override;
    bool addCommand(void* buf, unsigned int size) override;

    // Stamps a fresh request header and takes the next sequence number.
    void initMsgHeader(void* hdr);

private:
    static uint8_t* headerOf(void* buf) { return static_cast<uint8_t*>(buf) - KEST_MSG_HDR_SIZE; }
    // Checks the header in front of `buf`; a warning names what is wrong.
    bool validate(void* buf, unsigned int size, kest_msg_hdr_* hdr);

    pthread_mutex_t m_mutex;
    uint32_t m_sequence = 0;
};

}  // namespace KestFirewall
