#include <cstdarg>

#include "frame/KestFWException.h"
#include "transport/KestFWIOChannel.h"
#include "transport/KestFWIOChannelIOCTL.h"
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
