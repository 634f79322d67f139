// The file channel records the command stream: for every message, the 100-byte port record when the
// message is for a port, then the whole message, header included. Nothing marks whether a port record
// is present, and no reply comes back: each command keeps its request body and a status of 0.
#pragma once

#include <string>

#include "transport/KestFWIOChannel.h"

namespace KestFirewall {

class KESTFW_API CKestFWIOChannelFile : public CKestFWIOChannel {
public:
    // Creates or truncates `path` (mode 0644) for appending; CCannotOpenFileException (12) when it
    // cannot be opened.
    explicit CKestFWIOChannelFile(const char* path);
    ~CKestFWIOChannelFile() override;

    // Appends the port record (if any) and the message; a failed write raises CIoctlException.
    unsigned int sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void* ctx) override;

    const std::string& path() const { return m_path; }

private:
    void writeAll(const void* data, size_t len);

    std::string m_path;
    int m_fd = -1;
};

}  // namespace KestFirewall
