#include "model/KestFWProtocolSpecStateless.h"


namespace KestFirewall {

CKestFWProtocolSpecStateless::CKestFWProtocolSpecStateless() : CKestFWProtocolSpec(FW_SPEC_DIR_PROTOCOL, false) {}

bool CKestFWProtocolSpecStateless::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    return orModeWord(buf, size, used, static_cast<uint16_t>(kModeBit));
}

}  // namespace KestFirewall
