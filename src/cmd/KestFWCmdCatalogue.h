// The catalogue of kernel commands: every opcode with the name the library logs for it, and every
// command class with its opcode and object type. Command classes take their numbers from here (see
// KESTFW_CMD_IDENTITY in KestFWCmd.h); nothing else repeats them.
#pragma once

#include <string_view>

namespace KestFirewall {

struct KestFWCmdInfo {
    unsigned int opcode;
    const char* logName;
    unsigned int objectType;  // 0 for opcodes no command class sends
    const char* className;    // null for opcodes no command class sends
};

constexpr unsigned int KFW_MAX_OPCODE = 100;
constexpr unsigned int KFW_CMDLIST_OBJECT_TYPE = 137;

// In opcode order; opcodes 3, 44 and 45 are each sent by two classes.
inline constexpr KestFWCmdInfo kKestFWCmdCatalogue[] = {
    {0, "unknown", 23, "CKestFWCmdConfig"},
    {1, "GetRuleSetCount", 24, "CKestFWCmdGetRuleSetCount"},
    {2, "GetRuleSetList", 25, "CKestFWCmdGetRuleSetList"},
    {3, "CreateRuleSet", 26, "CKestFWCmdCreateRuleSet"},
    {3, "CreateRuleSet", 28, "CKestFWCmdSetRootRuleSet"},
    {4, "GetRootRuleSet", 27, "CKestFWCmdGetRootRuleSet"},
    {5, "Unimplemented", 0, nullptr},
    {6, "ClearRuleSet", 29, "CKestFWCmdClearRuleSet"},
    {7, "DestroyRuleSet", 30, "CKestFWCmdDestroyRuleSet"},
    {8, "GetRuleCountOfRuleSet", 31, "CKestFWCmdGetRuleCountOfRuleSet"},
    {9, "GetRuleSetInfo", 32, "CKestFWCmdGetRuleSetInfo"},
    {10, "GetRuleOfRuleSet", 33, "CKestFWCmdGetRuleOfRuleSet"},
    {11, "GetStatOfRuleSet", 34, "CKestFWCmdGetStatOfRuleSet"},
    {12, "Unimplemented", 0, nullptr},
    {13, "CreateAddrSet", 36, "CKestFWCmdCreateAddrSet"},
    {14, "DestroyAddrSet", 37, "CKestFWCmdDestroyAddrSet"},
    {15, "GetAddrSetTypeAndSize", 38, "CKestFWCmdGetAddrSetTypeAndSize"},
    {16, "GetAddrSetInfo", 39, "CKestFWCmdGetAddrSetInfo"},
    {17, "GetAddressOfAddrSet", 40, "CKestFWCmdGetAddressOfAddrSet"},
    {18, "Unimplemented", 0, nullptr},
    {19, "Unimplemented", 0, nullptr},
    {20, "GetAddrSetCount", 43, "CKestFWCmdGetAddrSetCount"},
    {21, "GetAddrSetList", 44, "CKestFWCmdGetAddrSetList"},
    {22, "GetAddrSetStatList", 45, "CKestFWCmdGetAddrSetStatList"},
    {23, "GetConnectionCount", 46, "CKestFWCmdGetConnectionCount"},
    {24, "GetConnectionStat", 47, "CKestFWCmdGetConnectionStat"},
    {25, "DeleteSpoofGuard", 48, "CKestFWCmdDeleteSpoofGuard"},
    {26, "GetKifStat", 49, "CKestFWCmdGetKifStat"},
    {27, "SetKifStat", 50, "CKestFWCmdClearKifStat"},
    {28, "SetFailPolicy", 51, "CKestFWCmdSetFailPolicy"},
    {29, "EnableVerbose", 52, "CKestFWCmdEnableVerbose"},
    {30, "DebugComponent", 53, "CKestFWCmdDebugComponent"},
    {31, "DebugStatus", 54, "CKestFWCmdDebugStatus"},
    {32, "GetFailPolicy", 55, "CKestFWCmdGetFailPolicy"},
    {33, "ClearRootRuleSet", 56, "CKestFWCmdClearRootRuleSet"},
    {34, "SetConnectionByList", 57, "CKestFWCmdSetConnectionByList"},
    {35, "SetConnectionActionByFilter", 0, nullptr},
    {36, "GetKifFlags", 59, "CKestFWCmdGetKifFlags"},
    {37, "ModifyKifFlags", 60, "CKestFWCmdSetKifFlags"},
    {38, "SetTimeout", 61, "CKestFWCmdSetTimeout"},
    {39, "GetTimeout", 62, "CKestFWCmdGetTimeout"},
    {40, "ClearAllConnection", 63, "CKestFWCmdClearAllConnection"},
    {41, "ConfigSharedAddrSet", 64, "CKestFWCmdConfigSharedAddrSet"},
    {42, "GetSharedAddrSet", 65, "CKestFWCmdGetSharedAddrSet"},
    {43, "Unimplemented", 0, nullptr},
    {44, "GetAlgInfo", 67, "CKestFWCmdGetAlgCount"},
    {44, "GetAlgInfo", 67, "CKestFWCmdGetAlgs"},
    {45, "GetAlgPortInfo", 68, "CKestFWCmdGetAlgPortCount"},
    {45, "GetAlgPortInfo", 68, "CKestFWCmdGetAlgPorts"},
    {46, "ConfigICMPErrPktDrop", 69, "CKestFWCmdConfigICMPErrPktDrop"},
    {47, "Unimplemented", 0, nullptr},
    {48, "Unimplemented", 0, nullptr},
    {49, "Unimplemented", 0, nullptr},
    {50, "Unimplemented", 0, nullptr},
    {51, "SetHopoverExportVer", 74, "CKestFWCmdSetHopoverExportver"},
    {52, "GetHopoverExportVer", 75, "CKestFWCmdGetHopoverExportver"},
    {53, "GetElementsOfContainer", 76, "CKestFWCmdGetElementsOfContainer"},
    {54, "GetCpsStat", 0, nullptr},
    {55, "ConfigTCPStrict", 78, "CKestFWCmdConfigTCPStrict"},
    {56, "GetTCPStrict", 79, "CKestFWCmdGetTCPStrict"},
    {57, "SetKifInfo", 0, nullptr},
    {58, "Unimplemented", 81, "CKestFWCmdDestroyAllRuleSet"},
    {59, "Unimplemented", 82, "CKestFWCmdSetRuleSetJump"},
    {60, "Unimplemented", 83, "CKestFWCmdGetRuleSetJump"},
    {61, "Unimplemented", 84, "CKestFWCmdClearRuleSetJump"},
    {62, "Unimplemented", 85, "CKestFWCmdClearAddrSet"},
    {63, "Unimplemented", 86, "CKestFWCmdDestroyAllAddrSet"},
    {64, "Unimplemented", 87, "CKestFWCmdSetConnectionByFilter"},
    {65, "Unimplemented", 88, "CKestFWCmdSetAllConnection"},
    {66, "KifFastPathFlag", 89, "CKestFWCmdKifFp"},
    {67, "DeleteFqdnTree", 90, "CKestFWCmdDeleteFqdnTree"},
    {68, "GetFqdnCount", 91, "CKestFWCmdGetFqdnCount"},
    {69, "GetFqdnEntry", 92, "CKestFWCmdGetFqdnEntries"},
    {70, "GetUuidEntry", 93, "CKestFWCmdGetUuid"},
    {71, "ModifyDomainUUIDEntry", 94, "CKestFWCmdModifyDomainUuidMap"},
    {72, "GetDomainUUIDEntry", 95, "CKestFWCmdGetDomainUuidMap"},
    {73, "SetConnAttr", 96, "CKestFWCmdSetConnAttr"},
    {74, "GetConnAttrInfo", 97, "CKestFWCmdGetConnAttrInfo"},
    {75, "CreateAddrSet", 98, "CKestFWCmdCreateContainer"},
    {76, "AddDomain2IPMapping", 99, "CKestFWCmdAddDomain2IPMapping"},
    {77, "GetNConnDPIInfoByID", 100, "CKestFWCmdGetConnectionDPIInfo"},
    {78, "SetFloodCfg", 101, "CKestFWCmdSetFloodCfg"},
    {79, "GetFloodStat", 102, "CKestFWCmdGetFloodStat"},
    {80, "SetUid2SidMapping", 103, "CKestFWCmdSetUid2SidMapping"},
    {81, "GetUid2SidMapping", 104, "CKestFWCmdGetUid2SidMapping"},
    {82, "GetUid2SidMappingSize", 105, "CKestFWCmdGetUid2SidMappingSize"},
    {83, "SetDnsConfigProfile", 106, "CKestFWCmdSetDnsConfigProfile"},
    {84, "GetDnsConfigProfile", 107, "CKestFWCmdGetDnsConfigProfile"},
    {85, "ConfigL7CopyMode", 108, "CKestFWCmdConfigL7CopyMode"},
    {86, "GetLBConfig", 109, "CKestFWCmdGetLBConfig"},
    {87, "GetLBConfigSize", 110, "CKestFWCmdGetLBConfigSize"},
    {88, "GetLBStat", 111, "CKestFWCmdGetLBStat"},
    {89, "GetLBStatSize", 112, "CKestFWCmdGetLBStatSize"},
    {90, "ClearLBStat", 113, "CKestFWCmdClearLBStat"},
    {91, "GetRTTData", 0, nullptr},
    {92, "SetIDSMode", 115, "CKestFWCmdSetIDSMode"},
    {93, "GetIDSMode", 116, "CKestFWCmdGetIDSMode"},
    {94, "SetIDSFlowAttr", 117, "CKestFWCmdSetIDSFlowAttribute"},
    {95, "CreateIpRepChunk", 118, "CKestFWCmdCreateIpRepChunk"},
    {96, "SetIDSOversubscription", 119, "CKestFWCmdSetOversubscription"},
    {97, "GetIDSOversubscription", 120, "CKestFWCmdGetOversubscription"},
    {98, "DestroyIpRepChunk", 121, "CKestFWCmdDestroyIpRepChunk"},
    {99, "GetIpRepInfo", 122, "CKestFWCmdIpRepLookup"},
    {100, "GetIoctlData", 0, nullptr},
};

// The catalogue row of a command class. Used in constant expressions, so a class that is not in the
// catalogue does not compile.
constexpr const KestFWCmdInfo& kfwCmdInfo(std::string_view className) {
    for (const KestFWCmdInfo& row : kKestFWCmdCatalogue)
        if (row.className != nullptr && className == row.className) return row;
    throw "command class missing from the catalogue";
}

// The name the library logs for an opcode; "Unknown" above the last opcode.
constexpr const char* kfwCmdLogName(unsigned int opcode) {
    for (const KestFWCmdInfo& row : kKestFWCmdCatalogue)
        if (row.opcode == opcode) return row.logName;
    return "Unknown";
}

}  // namespace KestFirewall
