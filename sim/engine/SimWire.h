// Layouts and numbers of the kernel message protocol as the module reads them.
#pragma once

#include <cstdint>

namespace KestSim {

// Device request record of control call 15 (packed, little-endian).
namespace Request {
constexpr uint32_t kSize = 132;
constexpr unsigned long kNumber = 15;  // the request number, repeated in the record's first word
constexpr uint32_t kOffNumber = 0;
constexpr uint32_t kOffZero = 4;
constexpr uint32_t kOffPayloadLen = 8;
constexpr uint32_t kOffPayloadAddr = 12;
constexpr uint32_t kOffPort = 20;
constexpr uint32_t kOffMsgLen = 120;
constexpr uint32_t kOffMsgAddr = 124;
constexpr uint32_t kPayloadLen = 112;  // port + message length + message address
}  // namespace Request

// Switch-port record naming the filter instance.
namespace Port {
constexpr uint32_t kSize = 100;
constexpr uint32_t kOffId = 0;
constexpr uint32_t kIdWidth = 64;
constexpr uint32_t kOffAgent = 64;
constexpr uint32_t kAgentWidth = 32;
constexpr uint32_t kOffIndex = 96;  // 24-bit little-endian
constexpr uint32_t kOffType = 99;   // low four bits
}  // namespace Port

// Message header in front of the command records.
namespace MsgHeader {
constexpr uint32_t kSize = 20;
constexpr uint32_t kOffSignature = 0;
constexpr uint32_t kOffBodyLen = 4;
constexpr uint32_t kOffSequence = 8;
constexpr uint32_t kOffMajor = 12;
constexpr uint32_t kOffMinor = 13;
constexpr uint32_t kOffType = 14;
constexpr uint32_t kOffCategory = 15;
constexpr uint32_t kOffCount = 16;
constexpr uint32_t kOffPadding = 18;
constexpr char kSignature[4] = {'K', 'E', 'S', 'T'};
constexpr uint8_t kMajor = 1;
constexpr uint8_t kTypeRequest = 0;
constexpr uint8_t kCategoryFirewall = 1;
}  // namespace MsgHeader

// Command header in front of each command body.
namespace CmdHeader {
constexpr uint32_t kSize = 12;
constexpr uint32_t kOffBodyLen = 0;
constexpr uint32_t kOffOpcode = 4;
constexpr uint32_t kOffReserved = 6;
constexpr uint32_t kOffStatus = 8;
}  // namespace CmdHeader

// Sizes of object records the module keeps.
constexpr uint32_t kRuleRecordSize = 1420;
constexpr uint32_t kRuleSetNameWidth = 64;  // at most 63 characters and a NUL
constexpr uint32_t kAddrSetNameWidth = 38;  // at most 37 characters and a NUL
constexpr uint32_t kAddressRecordSize = 144;
constexpr uint32_t kIpRepEntrySize = 16;
constexpr uint32_t kIpRepDatabaseIdSize = 16;

// Status words the module writes.
namespace Status {
constexpr uint32_t kOk = 0;
constexpr uint32_t kInvalidArgument = 3;
constexpr uint32_t kNotSupported = 7;
constexpr uint32_t kOutOfMemory = 8;
constexpr uint32_t kBufferTooSmall = 9;
constexpr uint32_t kBadUpdate = 24;
constexpr uint32_t kBadMessage = 25;
constexpr uint32_t kBadState = 26;
constexpr uint32_t kNoRuleSet = 28;
constexpr uint32_t kNoAddrSet = 29;
constexpr uint32_t kNameTooLong = 31;
constexpr uint32_t kInvalidAddrSetType = 34;
constexpr uint32_t kMissingJumpTarget = 44;
constexpr uint32_t kInvalidRule = 45;
constexpr uint32_t kInvalidRuleTarget = 46;
}  // namespace Status

// Opcodes the module answers.
namespace Opcode {
constexpr uint16_t kGetRuleSetCount = 1;
constexpr uint16_t kCreateRuleSet = 3;  // also sets the roots when the name is empty
constexpr uint16_t kGetRootRuleSet = 4;
constexpr uint16_t kClearRuleSet = 6;
constexpr uint16_t kDestroyRuleSet = 7;
constexpr uint16_t kClearRootRuleSet = 33;
constexpr uint16_t kDestroyAllRuleSet = 58;
constexpr uint16_t kSetRuleSetJump = 59;
constexpr uint16_t kGetRuleSetJump = 60;
constexpr uint16_t kClearRuleSetJump = 61;
constexpr uint16_t kCreateAddrSet = 13;
constexpr uint16_t kDestroyAddrSet = 14;
constexpr uint16_t kConfigSharedAddrSet = 41;
constexpr uint16_t kClearAddrSet = 62;
constexpr uint16_t kDestroyAllAddrSet = 63;
constexpr uint16_t kCreateIpRepChunk = 95;
constexpr uint16_t kDestroyIpRepChunk = 98;
constexpr uint16_t kGetRuleSetList = 2;
constexpr uint16_t kGetRuleCountOfRuleSet = 8;
constexpr uint16_t kGetRuleSetInfo = 9;
constexpr uint16_t kGetRuleOfRuleSet = 10;
constexpr uint16_t kGetStatOfRuleSet = 11;
constexpr uint16_t kGetAddrSetTypeAndSize = 15;
constexpr uint16_t kGetAddrSetInfo = 16;
constexpr uint16_t kGetAddressOfAddrSet = 17;
constexpr uint16_t kGetAddrSetCount = 20;
constexpr uint16_t kGetAddrSetList = 21;
constexpr uint16_t kGetAddrSetStatList = 22;
constexpr uint16_t kGetSharedAddrSet = 42;
}  // namespace Opcode

}  // namespace KestSim
