#include "model/KestFWProtocolSpecStrict.h"


namespace KestFirewall {

CKestFWProtocolSpecStrict::CKestFWProtocolSpecStrict() : CKestFWProtocolSpec(FW_SPEC_DIR_PROTOCOL, false) {}

bool CKestFWProtocolSpecStrict::toMessage(const void* buf, unsigned int size, unsigned int* used) {
    return orModeWord(buf, size, used, static_cast<uint16_t>(kModeBit));
}

}  // namespace KestFirewall
