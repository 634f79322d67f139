// A message buffer hands out messages with room for the message header in front, counts the command
// records appended to each and checks a message before it is sent. The pointer its operations take and
// give is where the first command record goes; the header sits in the 20 bytes before it.
#pragma once

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

typedef int FWMsgBufType_t;

class KESTFW_API CKestFWMsgBuf {
public:
    CKestFWMsgBuf() = default;
    CKestFWMsgBuf(const CKestFWMsgBuf&) = delete;
    CKestFWMsgBuf& operator=(const CKestFWMsgBuf&) = delete;

    virtual bool getBuffer(void** buf, unsigned int size) = 0;
    virtual bool releaseBuffer(void* buf) = 0;
    virtual bool resetBuffer(void* buf) = 0;
    virtual bool validateBuffer(void* buf, unsigned int size) = 0;
    virtual bool getMessage(void* buf, unsigned int size, void** msg, unsigned int* msgLen) = 0;
    virtual bool addCommand(void* buf, unsigned int size) = 0;
    virtual ~CKestFWMsgBuf() = default;
};

class KESTFW_API CKestFWMsgBufFactory {
public:
    // Type 0 is the simple message buffer, the only kind; any other raises CUnknownMsgBufTypeException.
    static CKestFWMsgBuf* newMsgBuf(FWMsgBufType_t type);
};

}  // namespace KestFirewall
