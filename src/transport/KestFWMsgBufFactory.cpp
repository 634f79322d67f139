#include "base/KestFWException.h"
#include "transport/KestFWMsgBuf.h"
#include "transport/KestFWSimpleMsgBuf.h"

namespace KestFirewall {

CKestFWMsgBuf* CKestFWMsgBufFactory::newMsgBuf(FWMsgBufType_t type) {
    if (type != 0) throw CUnknownMsgBufTypeException(type);
    return new CKestFWSimpleMsgBuf();
}

}  // namespace KestFirewall
