// Arbitrary kernel replies for every exported command function. The first input byte picks the
// function, the next four are the status the kernel answers in place, the rest are the reply body
// written over the request's body (a shorter input leaves the request's bytes behind, as a kernel that
// stopped writing would). The function's reply check and its copy into the caller's memory must end
// in a status: no crash, exception, over-read or leak, whatever the bytes.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cmd/KestFWCmd.h"
#include "kestfw/kestfw.h"
#include "tests/support/ApiCalls.h"
#include "transport/KestFWMsgHdr.h"

using namespace KestFirewall;

namespace {

struct Reply {
    const uint8_t* data = nullptr;
    size_t size = 0;
};
Reply g_reply;

int answer(void*, void* msg, unsigned int len, void*) {
    auto* m = static_cast<uint8_t*>(msg);
    const unsigned body = KEST_MSG_HDR_SIZE + KEST_CMD_HDR_SIZE;
    if (len < body || g_reply.size < 4) return 0;
    memcpy(m + KEST_MSG_HDR_SIZE + KEST_CMD_OFF_STATUS, g_reply.data, 4);
    size_t n = g_reply.size - 4;
    if (n > len - body) n = len - body;
    memcpy(m + body, g_reply.data + 4, n);
    return 0;
}
int init(void* arg, void** ctx) {
    *ctx = arg;
    return 0;
}
void done(void*) {}

void quietLog(int, const char*, va_list) {}
int quietPrint(void*, const char* fmt, ...) {
    // Format every report line for real so a bad argument would be caught here.
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return 0;
}

fwlibhandle_* handle() {
    static fwlibhandle_* h = [] {
        FW_RegisterLogger(&quietLog, 0);
        FW_SetLibPrettyPrinting(&quietPrint, nullptr);
        KestFirewall::CKestFWCmd::setRetryPause([](unsigned) {});
        static FWLibGenericIO_ ops{};
        ops.init = &init;
        ops.request = &answer;
        ops.exit = &done;
        char key[] = KESTFW_IO_GENERIC_IO;
        void* args[2] = {key, &ops};
        int reserved = 0;
        fwlibhandle_* out = nullptr;
        if (FW_Initialize(0x10000, &reserved, FW_IO_GENERIC, 2, args, &out) != 0) abort();
        return out;
    }();
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const auto& calls = kestfw_test::apiCalls();
    const kestfw_test::ApiCall& c = calls[data[0] % calls.size()];
    g_reply.data = data + 1;
    g_reply.size = size - 1;
    dvs_port_ port{};
    c.call(handle(), &port);
    return 0;
}
