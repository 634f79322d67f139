// Start-up and shutdown of the exported interface: FW_Initialize, the default handle and FW_Exit.
#include <cstring>
#include <memory>

#include "base/KestFWApi.h"
#include "frame/KestFWLibHandle.h"
#include "kestfw/kestfw_io.h"
#include "transport/KestFWIOChannel.h"
#include "transport/KestFWIOChannelIOCTL.h"
#include "transport/KestFWIOChannelSocket.h"

namespace KestFirewall {

namespace {

const unsigned long kMaxSocketTimeoutMs = 86400000;

typedef CKestFWIOChannel* (*ChannelBuilder)(int ioType, int argCount, void** args);

// Values sit behind their keys, at the odd indexes.
template <typename T>
T value(void** args, int key) {
    return static_cast<T>(args[2 * key + 1]);
}

// The device channel always uses the shared control device; a device name given by the caller is
// accepted and not used.
CKestFWIOChannel* buildDeviceChannel(int, int, void**) { return CKestFWIOChannelFactory::newIOChannel(KFW_IO_DEVICE); }

CKestFWIOChannel* buildSocketChannel(int ioType, int, void** args) {
    return CKestFWIOChannelFactory::newIOChannel(ioType, value<const char*>(args, 0), value<const char*>(args, 1));
}

// The socket channel with its time limit: a decimal number of milliseconds, 0 for none, at most a day.
// A text that is not one describes no channel.
CKestFWIOChannel* buildTimedSocketChannel(int ioType, int argCount, void** args) {
    const char* text = value<const char*>(args, 2);
    unsigned long ms = 0;
    bool ok = text != nullptr && *text != '\0' && strlen(text) <= 8;
    for (const char* p = text; ok && *p != '\0'; ++p) {
        ok = *p >= '0' && *p <= '9';
        ms = ms * 10 + unsigned(*p - '0');
    }
    if (!ok || ms > kMaxSocketTimeoutMs) throw CCannotInitializeIOException(ioType);
    std::unique_ptr<CKestFWIOChannel> channel(buildSocketChannel(ioType, argCount, args));
    static_cast<CKestFWIOChannelSocket*>(channel.get())->setTimeoutMs(static_cast<unsigned int>(ms));
    return channel.release();
}

CKestFWIOChannel* buildFileChannel(int ioType, int, void** args) {
    return CKestFWIOChannelFactory::newIOChannel(ioType, value<const char*>(args, 0));
}

// The length travels by address; an area or a length that is not there describes no channel.
CKestFWIOChannel* buildMemoryChannel(int ioType, int, void** args) {
    void* area = value<void*>(args, 0);
    const uint32_t* length = value<const uint32_t*>(args, 1);
    if (area == nullptr || length == nullptr) throw CCannotInitializeIOException(ioType);
    return CKestFWIOChannelFactory::newIOChannel(ioType, area, static_cast<unsigned int>(*length));
}

// The init argument and the context's address are optional, in that order.
CKestFWIOChannel* buildGenericChannel(int ioType, int argCount, void** args) {
    const FWLibGenericIO_* ops = value<const FWLibGenericIO_*>(args, 0);
    void* initArg = argCount >= 4 ? value<void*>(args, 1) : nullptr;
    void** ctxOut = argCount >= 6 ? value<void**>(args, 2) : nullptr;
    return CKestFWIOChannelFactory::newIOChannel(ioType, ops, initArg, ctxOut);
}

// The argument shapes FW_Initialize accepts: the channel type, the number of argument pointers and
// the keys expected at the even indexes, in order. Anything else cannot initialise a channel.
struct ChannelShape {
    int ioType;
    int argCount;
    const char* keys[3];
    ChannelBuilder build;
};

const ChannelShape kChannelShapes[] = {
    {KFW_IO_DEVICE, 0, {}, buildDeviceChannel},
    {KFW_IO_DEVICE, 2, {KESTFW_IO_DEVICE_NAME}, buildDeviceChannel},
    {KFW_IO_SOCKET, 4, {KESTFW_IO_ADDRESS, KESTFW_IO_PORT}, buildSocketChannel},
    {KFW_IO_SOCKET_ALT, 4, {KESTFW_IO_ADDRESS, KESTFW_IO_PORT}, buildSocketChannel},
    {KFW_IO_FILE, 2, {KESTFW_IO_FILE_NAME}, buildFileChannel},
    {KFW_IO_SOCKET, 6, {KESTFW_IO_ADDRESS, KESTFW_IO_PORT, KESTFW_IO_TIMEOUT_MS}, buildTimedSocketChannel},
    {KFW_IO_SOCKET_ALT, 6, {KESTFW_IO_ADDRESS, KESTFW_IO_PORT, KESTFW_IO_TIMEOUT_MS}, buildTimedSocketChannel},
    {KFW_IO_MEMORY, 4, {KESTFW_IO_MEMORY, KESTFW_IO_LENGTH}, buildMemoryChannel},
    {KFW_IO_GENERIC, 2, {KESTFW_IO_GENERIC_IO}, buildGenericChannel},
    {KFW_IO_GENERIC, 4, {KESTFW_IO_GENERIC_IO, KESTFW_IO_GENERIC_INIT_ARG}, buildGenericChannel},
    {KFW_IO_GENERIC,
     6,
     {KESTFW_IO_GENERIC_IO, KESTFW_IO_GENERIC_INIT_ARG, KESTFW_IO_GENERIC_CONTEXT},
     buildGenericChannel},
};

bool matches(const ChannelShape& shape, int ioType, int argCount, void** args) {
    if (shape.ioType != ioType || shape.argCount != argCount) return false;
    if (argCount == 0) return true;
    if (args == nullptr) return false;
    for (int i = 0; i < argCount / 2; ++i) {
        const char* key = static_cast<const char*>(args[2 * i]);
        if (key == nullptr || strcmp(key, shape.keys[i]) != 0) return false;
    }
    return true;
}

}  // namespace

CKestFWIOChannel* create_io_channel(int ioType, int argCount, void** args) {
    for (const ChannelShape& shape : kChannelShapes)
        if (matches(shape, ioType, argCount, args)) return shape.build(ioType, argCount, args);
    throw CCannotInitializeIOException(ioType);
}

}  // namespace KestFirewall

using namespace KestFirewall;

extern "C" {

// The version is not examined; the reserved pointer only has to be non-null.
FWStatus_t FW_Initialize(unsigned int, void* reserved, int ioType, int argCount, void** args, fwlibhandle_** handle) {
    KFW_API_FRAME();
    KFW_API_TRACE("%s. build # %s.\n", __func__, kKestFWBuild);
    KFW_API_REQUIRE(handle != nullptr && reserved != nullptr);
    *handle = nullptr;
    KFW_API_RUN([&]() -> FWStatus_t {
        std::unique_ptr<CKestFWLibHandle> h(CKestFWLibHandle::GetInstance());
        h->setIOChannel(create_io_channel(ioType, argCount, args));
        *handle = h.release();
        KFW_API_TRACE("Kest Firewall library is initialized.\n");
        return 0;
    });
}

fwlibhandle_* FW_GetDefaultLibHandle(void) {
    KFW_API_FRAME();
    KFW_API_TRACE("%s. build # %s.\n", __func__, kKestFWBuild);
    try {
        fwlibhandle_* h = CKestFWLibHandle::GetIoctlInstance();
        KFW_API_TRACE("Kest Firewall library is initialized.\n");
        return h;
    } catch (...) {
        kfwApiLogInternal(kfwApiSite_, __LINE__);
        return nullptr;
    }
}

FWStatus_t FW_Exit(fwlibhandle_* handle) {
    KFW_API_FRAME();
    KFW_API_TRACE("%s.\n", __func__);
    KFW_API_REQUIRE(handle != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        if (handle == FW_GetDefaultLibHandle())
            KFW_API_TRACE("Not delete the lib handle since it's the global default one.\n");
        else
            delete handle;
        KFW_API_TRACE("Kest Firewall library %s has exited.\n", kKestFWBuild);
        return 0;
    });
}

}  // extern "C"
