#include <cstdarg>

#include "base/KestFWException.h"
#include "transport/KestFWIOChannel.h"
#include "transport/KestFWIOChannelFile.h"
#include "transport/KestFWIOChannelGeneric.h"
#include "transport/KestFWIOChannelIOCTL.h"
#include "transport/KestFWIOChannelMemory.h"
#include "transport/KestFWIOChannelSocket.h"
#include "transport/KestFWIoctl.h"

namespace KestFirewall {

CKestFWIOChannel* CKestFWIOChannelFactory::newIOChannel(int type, ...) {
    va_list ap;
    va_start(ap, type);
    CKestFWIOChannel* channel = nullptr;
    try {
        switch (type) {
            case KFW_IO_DEVICE:
                // Every device channel shares the one descriptor of the control device.
                channel = new CKestFWIOChannelIOCTL(CKestFWIoctl::GetInstance()->getFd());
                break;
            case KFW_IO_SOCKET:
            case KFW_IO_SOCKET_ALT: {
                const char* host = va_arg(ap, const char*);
                const char* service = va_arg(ap, const char*);
                channel = new CKestFWIOChannelSocket(type == KFW_IO_SOCKET ? 0 : 1, host, service);
                break;
            }
            case KFW_IO_FILE:
                channel = new CKestFWIOChannelFile(va_arg(ap, const char*));
                break;
            case KFW_IO_MEMORY: {
                void* target = va_arg(ap, void*);
                unsigned int capacity = va_arg(ap, unsigned int);
                channel = new CKestFWIOChannelMemory(target, capacity);
                break;
            }
            case KFW_IO_GENERIC: {
                const FWLibGenericIO_* ops = va_arg(ap, const FWLibGenericIO_*);
                void* initArg = va_arg(ap, void*);
                void** ctxOut = va_arg(ap, void**);
                channel = new CKestFWIOChannelGeneric(ops, initArg, ctxOut);
                break;
            }
            default:
                throw CUnknownIOTypeException(type);
        }
    } catch (...) {
        va_end(ap);
        throw;
    }
    va_end(ap);
    return channel;
}

}  // namespace KestFirewall
