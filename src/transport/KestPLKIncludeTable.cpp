// The packet-filter framework's include table: which vNICs the firewall filter is inserted on. An
// entry is added or removed with one control call on the packet-filter table device, and a running
// VM can then be revalidated so its ports pick the change up.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "base/KestFWApi.h"
#include "base/KestFWLog.h"
#include "kestfw/kestfw_config.h"
#include "kestfw/kestfw_util.h"
#include "transport/KestPLKIoctl.h"
#include "util/ByteIO.h"

namespace KestFirewall {
namespace {

constexpr unsigned kAgentSize = 40;
constexpr unsigned kParamStride = 260;
constexpr unsigned kParamText = 256;
constexpr unsigned kBlockParamsOffset = 52;
constexpr unsigned kRequestHead = 32;
constexpr unsigned long kRequestAdd = 5;
constexpr unsigned long kRequestRemove = 7;
constexpr unsigned long kRequestRevalidate = 10;

// The control record the device reads: agent name, then where the request is and how long it is.
struct __attribute__((packed)) IncludeTableControl {
    char agent[kAgentSize];
    void* request;
    uint32_t length;
};
static_assert(sizeof(IncludeTableControl) == 52, "include-table control record");

struct __attribute__((packed)) RevalidateRecord {
    uint32_t worldId;
    uint8_t vnic[16];
};
static_assert(sizeof(RevalidateRecord) == 20, "revalidation record");

}  // namespace
}  // namespace KestFirewall

using namespace KestFirewall;

FWStatus_t FW_AddRemoveFilter(const void* params, unsigned int worldId, unsigned int arg3, const char* vnic,
                              unsigned int add) {
    KFW_API_ENTER();
    KFW_API_REQUIRE(params != nullptr && vnic != nullptr);
    KFW_API_RUN([&]() -> FWStatus_t {
        const uint8_t* block = static_cast<const uint8_t*>(params);
        char agent[kAgentSize];
        memcpy(agent, block, kAgentSize);
        agent[kAgentSize - 1] = '\0';
        uint32_t numParams = 0, passOn = 0;
        memcpy(&numParams, block + 40, 4);
        memcpy(&passOn, block + 44, 4);
        KFW_API_TRACE("FW_AddRemoveFilter for vnic %s, agent %s, numParms %u\n\n", vnic, agent, numParams);

        const uint64_t paramBytes = uint64_t(numParams) * kParamStride;
        if (paramBytes > std::numeric_limits<uint32_t>::max() - kRequestHead) {
            KFW_ERROR("params size is too large : %u\n\n", numParams);
            return 3;
        }
        const uint32_t length = uint32_t(paramBytes) + kRequestHead;
        std::vector<uint8_t> request;
        try {
            request.assign(length, 0);
        } catch (const std::bad_alloc&) {
            KFW_ERROR("Failed to allocate include table - %s\n\n", strerror(ENOMEM));
            return 8;
        }
        uint8_t uuid[16];
        unsigned int index = 0;
        if (vnicstr2uuid(uuid, &index, vnic) != 1 || index >= 256) {
            KFW_ERROR("Bad vnic uuid : %s\n\n", vnic);
            return 47;
        }
        ByteWriter w(request.data(), request.size());
        w.u8(4);
        w.u16(uint16_t(length - 3));
        w.bytes(uuid, sizeof uuid);
        w.u8(uint8_t(index));
        w.u32(arg3);
        w.u32(passOn);
        w.u32(numParams);
        for (uint32_t i = 0; i < numParams; ++i) {
            const char* text = reinterpret_cast<const char*>(block + kBlockParamsOffset + size_t(i) * kParamStride);
            w.putAt<uint32_t>(kRequestHead + size_t(i) * kParamStride, i);
            char copy[kParamText];
            Strncpy(copy, text, sizeof copy);
            w.bytes(copy, strnlen(copy, sizeof copy));
        }

        KFW_API_TRACE("%s vnic entry to kernel pelkin include table (%s:%d)\n\n", add ? "adding" : "removing", vnic,
                      int(index));
        int fd = open(CKestPLKIoctl::ioctl_devname, O_RDWR);
        if (fd < 0) {
            KFW_ERROR("Failed to open %s device : %d\n\n", CKestPLKIoctl::ioctl_devname, errno);
            return 19;
        }
        IncludeTableControl control;
        memset(&control, 0, sizeof control);
        Strncpy(control.agent, agent, sizeof control.agent);
        control.request = request.data();
        control.length = length;
        FWStatus_t status = 0;
        if (ioctl(fd, add ? kRequestAdd : kRequestRemove, &control) != 0) {
            KFW_LOG(KFW_LOG_ERR, "Failed to %s entry to include table in kernel\n", add ? "add" : "remove");
            status = 19;
        } else if (worldId != 0) {
            RevalidateRecord revalidate;
            revalidate.worldId = worldId;
            memcpy(revalidate.vnic, uuid, sizeof uuid);
            if (ioctl(fd, kRequestRevalidate, &revalidate) != 0) {
                KFW_ERROR("Failed to revalidate vm with world id %u for agent %s\n\n", worldId, agent);
                status = 19;
            }
        } else {
            KFW_API_TRACE("No existing vm to revalidate after filter created\n\n");
        }
        close(fd);
        return status;
    });
}
