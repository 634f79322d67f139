// A library handle ties a message buffer to the channel that carries its messages. The C interface
// sees it as the opaque fwlibhandle_.
#pragma once

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

class CKestFWMsgBuf;
class CKestFWIOChannel;

class KESTFW_API CKestFWLibHandle {
public:
    CKestFWLibHandle();
    // Uses the given message buffer (the handle owns it) instead of a simple one.
    explicit CKestFWLibHandle(CKestFWMsgBuf* msgBuf) : m_msgBuf(msgBuf) {}
    ~CKestFWLibHandle();
    CKestFWLibHandle(const CKestFWLibHandle&) = delete;
    CKestFWLibHandle& operator=(const CKestFWLibHandle&) = delete;

    // A fresh handle on each call (a factory, not a singleton).
    static CKestFWLibHandle* GetInstance();
    // The process-wide handle on the control device, created once; the process ends if that fails.
    static CKestFWLibHandle* GetIoctlInstance();

    // Takes ownership; a channel already set is replaced and deleted.
    int setIOChannel(CKestFWIOChannel* channel);

    // 0 on success; 1 without a message buffer; 8 when no message could be had.
    int getCommandBuffer(void** buf, unsigned int size);
    bool addCommand(void* buf, unsigned int size);
    // 0 on success; 1 without a message buffer; 3 when the buffer is not a message of ours.
    int releaseCommandBuffer(void* buf);
    int resetCommandBuffer(void* buf);
    // Sends the message holding `size` bytes of command records; 1 without a channel or buffer, 8 when
    // the message does not check out, else the channel's status, or 25 ("bad message") when the reply
    // broke the message header. The header is as it was sent afterwards, whatever the reply did to it,
    // so the message can always be released.
    unsigned int flushCommandBuffer(void* buf, unsigned int size, dvs_port_* port, void* ctx);

    CKestFWMsgBuf* getMsgBuf() const { return m_msgBuf; }
    CKestFWIOChannel* getIOChannel() const { return m_ioChannel; }
    void* getDefaultIOContext() const { return m_defaultIOContext; }
    void setDefaultIOContext(void* ctx) { m_defaultIOContext = ctx; }

private:
    CKestFWMsgBuf* m_msgBuf = nullptr;
    CKestFWIOChannel* m_ioChannel = nullptr;
    void* m_defaultIOContext = nullptr;
};

// Builds the channel FW_Initialize was asked for: `args` holds argCount pointers, keys at even
// indexes with their values after them. Raises CCannotInitializeIOException for any other shape.
CKestFWIOChannel* create_io_channel(int ioType, int argCount, void** args);

}  // namespace KestFirewall
