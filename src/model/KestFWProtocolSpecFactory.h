// Rebuilds one protocol specification from its record (2-byte header and body), as rule records and
// port blocks carry it.
#pragma once

#include "model/KestFWProtocolSpec.h"

namespace KestFirewall {

class KESTFW_API CKestFWProtocolSpecFactory {
public:
    // Null for fewer than 2 bytes or spec type 0. Spec types 1 to 6 build their class (the caller
    // owns it); a body shorter than the kind's raises CInsufficientMsgBufException(needed, available);
    // spec type 7 or more raises CUnknownProtocolSpecTypeException. Field checks of the constructors
    // apply (direction, reversed range, malformed port set, option length).
    static CKestFWProtocolSpec* newFromMsgBuf(const void* record, unsigned int size);
};

}  // namespace KestFirewall
