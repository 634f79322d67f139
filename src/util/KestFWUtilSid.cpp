// The SID conversions as exported status functions for the host's tools: no handle and no kernel
// call, only the caller's memory. A text or record the conversion refuses is an invalid argument (3).
#include "base/KestFWApi.h"
#include "util/KestFWUtil.h"

using namespace KestFirewall;

extern "C" KESTFW_API FWStatus_t FW_SIDStringToBinary(const char* text, fwattr_sid* out) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(text != nullptr && out != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return sid_str2bin(text, out) ? 0 : 3; });
}

extern "C" KESTFW_API FWStatus_t FW_BinaryToSIDString(const fwattr_sid* sid, char* out, unsigned int size) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(sid != nullptr && out != nullptr && size != 0);
    KFW_API_RUN([&]() -> FWStatus_t { return sid_bin2str(sid, out, size) ? 0 : 3; });
}
