#include "transport/KestFWIOChannel.h"

#include <cstring>

#include "base/KestFWLog.h"
#include "transport/KestFWMsgHdr.h"

namespace KestFirewall {

#define KFW_CHECK_LINE(FMT, ...) KFW_DEBUG(KFW_COMP_IO, 3, ". " FMT "\n", ##__VA_ARGS__)

void CKestFWIOChannel::validateMessage(const void* msg, unsigned int len) const {
    KFW_DEBUG(KFW_COMP_IO, 2, "Validating message\n");
    if (!kfwVerboseAtLeast(KFW_COMP_IO, 3) || msg == nullptr) return;

    kest_msg_hdr_ hdr;
    memset(&hdr, 0, sizeof hdr);
    readMsgHdr(msg, len, &hdr);
    bool signature = len >= KEST_MSG_HDR_SIZE && memcmp(hdr.signature, KEST_MSG_SIGNATURE, 4) == 0;
    if (!signature) {
        KFW_CHECK_LINE("error: message signature not found");
    } else {
        KFW_CHECK_LINE("ok   : message signature found");
        KFW_CHECK_LINE("ok   : body length is %u", hdr.bodyLen);
        KFW_CHECK_LINE("ok   : message sequence is %u", hdr.sequence);
        KFW_CHECK_LINE("ok   : message major version is %d", int(hdr.major));
        KFW_CHECK_LINE("ok   : message minor version is %d", int(hdr.minor));
    }
    if (hdr.type == KEST_MSG_TYPE_REQUEST)
        KFW_CHECK_LINE("ok   : message type is request");
    else if (hdr.type == KEST_MSG_TYPE_RESPONSE)
        KFW_CHECK_LINE("ok   : message type is response");
    else
        KFW_CHECK_LINE("error: message type is unknown (%d)", int(hdr.type));
    if (hdr.category == KEST_MSG_CATEGORY_FIREWALL) {
        KFW_CHECK_LINE("ok   : message category is firewall");
        KFW_CHECK_LINE("ok   : message contains %d commads", int(hdr.count));
    } else {
        KFW_CHECK_LINE("fail: message category is unknown (%d)", int(hdr.category));
    }
    if (hdr.padding == 0)
        KFW_CHECK_LINE("ok   : message padding is zero");
    else
        KFW_CHECK_LINE("fail: message padding is unknown (%d)", int(hdr.padding));

    // Walk the command records; a record whose header or body runs past the end stops the walk.
    const uint8_t* base = static_cast<const uint8_t*>(msg);
    uint64_t off = KEST_MSG_HDR_SIZE;
    unsigned no = 0;
    while (off + KEST_CMD_HDR_SIZE <= len) {
        kest_cmd_hdr_ cmd;
        readCmdHdr(base + off, len - off, &cmd);
        KFW_CHECK_LINE("ok   : command no. %u", ++no);
        KFW_CHECK_LINE("ok   : command body has %u bytes", cmd.bodyLen);
        KFW_CHECK_LINE("ok   : command is %d", int(cmd.opcode));
        KFW_CHECK_LINE("ok   : command status %u", cmd.status);
        off += uint64_t(KEST_CMD_HDR_SIZE) + cmd.bodyLen;
    }
}

}  // namespace KestFirewall
