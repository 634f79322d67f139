// Forwarding of control calls to a simulator daemon (kestsimd) over a Unix socket, so that every process
// pointed at the same daemon reaches one simulated module.
//
// Framing of one forwarded call (all words little-endian), one call after another on a connection:
//   request: port record (100 bytes) | u32 refused | u32 length | message (length bytes)
//   answer:  u32 error | u32 length | message (length bytes)
// `refused` is the errno the device request record already earned in the calling process (a bad
// record, a message it cannot read): the module counts the call and consults its call faults, but no
// message travels (length 0). `error` is 0 when the call succeeded, and the answered message follows
// with the request's length; otherwise it is the errno the call fails with and no message follows.
#pragma once

#include <cstdint>
#include <string>

namespace KestSim {
namespace Forward {

constexpr uint32_t kPortSize = 100;
constexpr uint32_t kRequestHead = kPortSize + 8;  // port, refused, length
constexpr uint32_t kAnswerHead = 8;               // error, length
// The largest message that travels; the module refuses larger ones unread (EINVAL) anyway.
constexpr uint32_t kMaxMessage = 64u << 20;
// Errno of a call whose daemon could not be reached or broke off.
constexpr int kTransportErrno = 5;  // EIO

// The Unix socket control calls are forwarded to right now, empty for "answer in this process": the
// path given to kestsim_set_forward, else the environment variable KESTSIM_SOCKET read at this call.
std::string target();
// Sets the override of kestsim_set_forward (null: follow the environment).
bool setTarget(const char* path);

// One forwarded call: the module's result for `msg` of `len` bytes sent for `port` (kPortSize bytes,
// null for the host-wide filter), with the answer copied over the message only when the whole of it
// arrived. Returns 0, or -1 with errno set (kTransportErrno when the daemon is unreachable or broke off).
int call(const std::string& socketPath, const uint8_t* port, uint8_t* msg, uint32_t len, int refused);

}  // namespace Forward
}  // namespace KestSim
