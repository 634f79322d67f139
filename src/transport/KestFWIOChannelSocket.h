// The socket channel carries each message over a TCP connection to a peer that answers in the kernel's
// stead. Framing, both ways: the message exactly as it stands in its buffer, the 20-byte header followed
// by as many bytes as the header's body length says (the message length, no more); the peer answers
// with exactly as many bytes, the message as the module would have left it, status words included.
// No port record travels: a peer applies what it gets to its host-wide filter.
//
// Older peers took a shortened body per opcode, from a table of request lengths written for an earlier
// body layout (a rule-set creation was 144 bytes then, 176 now). This channel sends the whole body
// instead: a peer that performs the command must see all of it, and a shortened send would either cut
// a current body or, for bodies that grew, send bytes the buffer does not hold.
//
// Only messages of one command travel (batches are refused with 7). Threads sharing one handle take
// turns: each exchange holds the channel's lock from the first byte sent to the last byte received, so
// messages never interleave on the connection and a failed exchange never closes the connection under
// another thread's receive.
//
// A peer that takes no bytes or sends none for the channel's time limit (30 s unless the handle was
// given another) fails the exchange with 11 like any other broken exchange.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "base/Locks.h"
#include "transport/KestFWIOChannel.h"

namespace Sockets {
class Socket;
}

namespace KestFirewall {

class KESTFW_API CKestFWIOChannelSocket : public CKestFWIOChannel {
public:
    // Statuses of sendIOCTL besides 0.
    enum : unsigned int {
        kRefusedSignature = 72,  // no "KEST" signature
        kRefusedShort = 73,      // shorter than a message header
        kRefusedLength = 74,     // a body length that disagrees with the message length
        kRefusedBatch = 7,       // not exactly one command
        kSocketFailure = 11,     // the exchange failed; the connection is closed
    };

    static constexpr unsigned int kDefaultTimeoutMs = 30000;

    // Connects to `host` and `service` with a socket of `socketType` (only 0, a TCP connection, exists:
    // CUnknownSocketTypeException, 11, for any other). A connection that cannot be made raises
    // CSocketException (11) with the reason.
    CKestFWIOChannelSocket(int socketType, const char* host, const char* service);
    ~CKestFWIOChannelSocket() override;

    // Never raises: 0 with the peer's answer in the message, a refusal code, or 11.
    unsigned int sendIOCTL(dvs_port_* port, void* msg, unsigned int msgLen, void* ctx) override;

    // Whether the connection is still open (an exchange that failed closes it).
    bool connected();

    // Time limit of each send and each receive of an exchange, in milliseconds (0: none). A closed
    // connection keeps it for nothing: it stays closed.
    void setTimeoutMs(unsigned int ms);
    unsigned int timeoutMs() const { return m_timeoutMs; }

private:
    unsigned int exchange(uint8_t* bytes, unsigned int msgLen);

    Locks::Mutex m_mutex;  // one exchange at a time; guards m_socket
    std::unique_ptr<Sockets::Socket> m_socket;
    std::atomic<unsigned int> m_timeoutMs{kDefaultTimeoutMs};
};

}  // namespace KestFirewall
