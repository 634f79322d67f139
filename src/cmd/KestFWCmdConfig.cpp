#include "cmd/KestFWCmdConfig.h"

#include <arpa/inet.h>

#include <cstdio>

#include "kestfw/kestfw_frame.h"

namespace KestFirewall {

namespace {
// FW_Initialize wants a non-null reserved pointer; nothing is read from it.
int s_reserved = 0;
}  // namespace

CKestFWCmdConfig::CKestFWCmdConfig(bool isDevice, const char* path, const char* saveTo)
    : CKestFWCmd(nullptr), m_type(isDevice ? FW_IO_DEVICE : FW_IO_FILE), m_port(0) {
    (isDevice ? m_device : m_file) = path != nullptr ? path : "";
    m_address.s_addr = 0xFFFFFFFFu;
    if (saveTo != nullptr) m_saveTo = saveTo;
}

CKestFWCmdConfig::CKestFWCmdConfig(bool isSocket, in_addr address, unsigned short port, const char* saveTo)
    : CKestFWCmd(nullptr), m_type(isSocket ? FW_IO_SOCKET : FW_IO_SOCKET_ALT), m_address(address), m_port(port) {
    if (saveTo != nullptr) m_saveTo = saveTo;
}

std::string CKestFWCmdConfig::toString() const {
    std::string out = "config ";
    char where[INET_ADDRSTRLEN + 8] = "";
    switch (m_type) {
        case FW_IO_DEVICE:
            out += "device " + m_device;
            break;
        case FW_IO_FILE:
            out += "file " + m_file;
            break;
        default: {
            char dotted[INET_ADDRSTRLEN] = "";
            inet_ntop(AF_INET, &m_address, dotted, sizeof dotted);
            snprintf(where, sizeof where, "%s:%u", dotted, unsigned(m_port));
            out += (m_type == FW_IO_SOCKET ? "socket " : "ghsock ") + std::string(where);
        }
    }
    if (!m_saveTo.empty()) out += " " + m_saveTo;
    return out;
}

bool CKestFWCmdConfig::writeCmdBody(const void*, unsigned int, unsigned int* written, unsigned int) {
    if (written != nullptr) *written = 0;
    return true;
}

FWStatus_t CKestFWCmdConfig::eval(fwlibhandle_** handle) const {
    if (handle == nullptr || m_type < FW_IO_DEVICE || m_type > FW_IO_FILE) return 3;
    char dotted[INET_ADDRSTRLEN] = "";
    char port[8] = "";
    void* args[4] = {};
    int count = 2;
    switch (m_type) {
        case FW_IO_DEVICE:
            args[0] = const_cast<char*>("FWIODeviceName");
            args[1] = const_cast<char*>(m_device.c_str());
            break;
        case FW_IO_FILE:
            args[0] = const_cast<char*>("FWIOFileName");
            args[1] = const_cast<char*>(m_file.c_str());
            break;
        default:
            inet_ntop(AF_INET, &m_address, dotted, sizeof dotted);
            snprintf(port, sizeof port, "%u", unsigned(m_port));
            args[0] = const_cast<char*>("FWIOAddress");
            args[1] = dotted;
            args[2] = const_cast<char*>("FWIOPort");
            args[3] = port;
            count = 4;
    }
    return FW_Initialize(0x10000, &s_reserved, m_type, count, args, handle);
}

}  // namespace KestFirewall
