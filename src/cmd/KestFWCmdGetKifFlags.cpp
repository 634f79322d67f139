#include "cmd/KestFWCmdGetKifFlags.h"

#include "base/KestFWApi.h"
#include "base/KestFWReport.h"
#include "cmd/KestFWCmdApi.h"
#include "cmd/KestFWCmdKifFlagsBody.h"

namespace KestFirewall {

bool CKestFWCmdGetKifFlags::writeCmdBody(const void* body, unsigned int avail, unsigned int* written, unsigned int) {
    return zeroBody(body, avail, kBodySize, written);
}

void CKestFWCmdGetKifFlags::checkCmdReply(const void* body, unsigned int size) {
    KifFlagsBody::Flags flags;
    if (!KifFlagsBody::read(body, size, flags)) return;
    CKestFWReport report;
    report.line("kif flags: (0x%x)\n", flags.bits);
    for (const auto& f : flags.named) report.line("    %-40s %d\n", f.first.c_str(), int(f.second));
}

}  // namespace KestFirewall

using namespace KestFirewall;

namespace {

KifFlagsBody::Flags readFlags(fwlibhandle_* handle, dvs_port_* port, void* ctx, FWStatus_t& status) {
    KifFlagsBody::Flags flags;
    CKestFWCmdGetKifFlags cmd(port);
    status = kfwExecuteCommand(cmd, handle, ctx, [&](ByteReader& reply) {
        const uint8_t* p = reply.view(reply.size());
        if (!KifFlagsBody::read(p, p != nullptr ? static_cast<unsigned>(reply.size()) : 0, flags))
            throw CInsufficientMsgBufException(KifFlagsBody::kSize, static_cast<unsigned>(reply.size()));
    });
    return flags;
}

// Whether the named kernel flag is listed with a non-zero value.
FWStatus_t namedFlag(fwlibhandle_* handle, dvs_port_* port, void* ctx, const char* name, unsigned int* set) {
    FWStatus_t status = 0;
    KifFlagsBody::Flags flags = readFlags(handle, port, ctx, status);
    if (status != 0) return status;
    unsigned int value = 0;
    for (const auto& f : flags.named)
        if (f.first == name) value = f.second != 0 ? 1 : 0;
    *set = value;
    return 0;
}

}  // namespace

FWStatus_t FW_GetKifFlags(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* flags) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(flags != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        FWStatus_t status = 0;
        KifFlagsBody::Flags got = readFlags(handle, port, ctx, status);
        if (status == 0) *flags = got.bits;
        return status;
    });
}

FWStatus_t FW_GetKifL7Flag(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* set) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(set != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return namedFlag(handle, port, ctx, "PF_KIF_FLAG_L7_RULES_PRESENT", set); });
}

FWStatus_t FW_GetKifIDFWFlag(fwlibhandle_* handle, dvs_port_* port, void* ctx, unsigned int* set) {
    KFW_API_ENTER();
    KFW_API_CHECK_HANDLE(handle);
    KFW_API_REQUIRE(set != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t { return namedFlag(handle, port, ctx, "PF_KIF_FLAG_ID_RULES_PRESENT", set); });
}
