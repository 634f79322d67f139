/* Every function of the exported C interface, by family, as KFW_FN(name). The C and C++ header checks
 * take each one's address, so a function missing from kestfw.h or from the library fails to build. */
/* Start-up, status, logging, components and printing. */
KFW_FN(FW_Initialize) KFW_FN(FW_GetDefaultLibHandle) KFW_FN(FW_Exit) KFW_FN(FW_StatusToString)
KFW_FN(FW_RegisterLogger) KFW_FN(FW_UnregisterLogger) KFW_FN(FW_ComponentToString) KFW_FN(FW_StringToComponent)
KFW_FN(FW_GetComponentCount) KFW_FN(FW_RegisterComponent) KFW_FN(FW_UnregisterComponent)
KFW_FN(FW_GetLibVerboseLevel) KFW_FN(FW_SetLibVerboseLevel) KFW_FN(FW_SetLibPrettyPrinting)
/* Device pass-through. */
KFW_FN(FW_Ioctl) KFW_FN(PLK_Ioctl) KFW_FN(PLK_GetFd) KFW_FN(SI_Ioctl)
/* Rule and address texts. */
KFW_FN(FW_GetRuleString) KFW_FN(FW_GetAddressString)
/* Address sets. */
KFW_FN(FW_CreateAddrSet) KFW_FN(FW_DestroyAddrSet) KFW_FN(FW_ClearAddrSet) KFW_FN(FW_DestroyAllAddrSet)
KFW_FN(FW_ConfigSharedAddrSet) KFW_FN(FW_GetSharedAddrSet) KFW_FN(FW_GetAddrSetCount) KFW_FN(FW_GetAddrSetList)
KFW_FN(FW_GetAddrSetStatList) KFW_FN(FW_GetAddrSetTypeAndSize) KFW_FN(FW_GetAddrSetInfo)
KFW_FN(FW_GetAddressOfAddrSet)
/* Rule sets. */
KFW_FN(FW_GetRuleSetCount) KFW_FN(FW_GetRuleSetList) KFW_FN(FW_GetRootRuleSet) KFW_FN(FW_ClearRuleSet)
KFW_FN(FW_GetRuleCountOfRuleSet) KFW_FN(FW_GetRuleSetInfo) KFW_FN(FW_GetRuleOfRuleSet) KFW_FN(FW_GetStatOfRuleSet)
/* Connections and their attributes. */
KFW_FN(FW_GetConnectionCount) KFW_FN(FW_GetConnectionStat) KFW_FN(FW_GetConnectionDPIInfo)
KFW_FN(FW_SetConnectionByFilter) KFW_FN(FW_SetAllConnection) KFW_FN(FW_ClearAllConnection) KFW_FN(FW_SetFailPolicy)
KFW_FN(FW_CreateConnectionAttr) KFW_FN(FW_SetConnectionAttr) KFW_FN(FW_ReleaseConnectionAttr)
KFW_FN(FW_GetConnAttrInfo) KFW_FN(FW_SetDNSRevalDone) KFW_FN(FW_AddAttrSTR) KFW_FN(FW_AddAttrINT)
KFW_FN(FW_AddAttrDNS) KFW_FN(FW_AddAttrProcessHash) KFW_FN(FW_AddAttrMultiSID) KFW_FN(FW_AddAttrUserSID)
KFW_FN(FW_AddAttrUUID)
/* Identity and name mappings, containers. */
KFW_FN(FW_GetElementsOfContainer) KFW_FN(FW_DeleteFqdnTree) KFW_FN(FW_GetFqdnCount) KFW_FN(FW_GetFqdnEntryV4)
KFW_FN(FW_GetFqdnEntryV6) KFW_FN(FW_GetDomainAndUuids) KFW_FN(FW_CreateDomainUuidModifyCmd)
KFW_FN(FW_ExecuteDomainUuidModifyCmd) KFW_FN(FW_ReleaseDomainUuidModifyCmd) KFW_FN(FW_AddDomainAndUuids)
KFW_FN(FW_AddDomainUuidEntry) KFW_FN(FW_CreateGetDomainUuidCmd) KFW_FN(FW_ExecuteGetDomainUuidCmd)
KFW_FN(FW_ReleaseGetDomainUuidMapCmd) KFW_FN(FW_GetDomainUuidNumAndSize) KFW_FN(FW_GetDomainUuidEntry)
KFW_FN(FW_CreateDomain2IPHandle) KFW_FN(FW_SetDomain2IP) KFW_FN(FW_ReleaseDomain2IPHandle)
KFW_FN(FW_SetDomain2IPMap) KFW_FN(FW_AddIPAddress) KFW_FN(FW_AddAttrUid2MultiSid) KFW_FN(FW_GetUid2SidMapSize)
KFW_FN(FW_GetUid2SidMap) KFW_FN(FW_SetDnsConfigProfile) KFW_FN(FW_GetDnsConfigProfile)
/* Conversions. */
KFW_FN(FW_SIDStringToBinary) KFW_FN(FW_BinaryToSIDString) KFW_FN(FW_DPIStateToString)
/* Kernel-interface statistics, flags and diagnostics. */
KFW_FN(FW_GetKifStat) KFW_FN(FW_ClearKifStat) KFW_FN(FW_GetKifFlags) KFW_FN(FW_GetKifL7Flag) KFW_FN(FW_GetKifIDFWFlag)
KFW_FN(FW_SetKifFlags) KFW_FN(FW_FpFlag) KFW_FN(FW_DeleteSpoofGuard) KFW_FN(FW_EnableVerboseLog)
KFW_FN(FW_DebugComponent) KFW_FN(FW_DebugStatus) KFW_FN(FW_GetAlgCount) KFW_FN(FW_GetAlgPortCount) KFW_FN(FW_GetAlgs)
KFW_FN(FW_GetAlgPorts) KFW_FN(FW_LookIpRepDb)
/* Load balancer. */
KFW_FN(FW_GetLBConfigSize) KFW_FN(FW_GetLBConfig) KFW_FN(FW_GetLBStatSize) KFW_FN(FW_GetLBStat) KFW_FN(FW_ClearLBStat)
/* Global settings. */
KFW_FN(FW_GetFailPolicy) KFW_FN(FW_SetTimeout) KFW_FN(FW_GetTimeout) KFW_FN(FW_SetFloodCfg) KFW_FN(FW_GetFloodStat)
KFW_FN(FW_SetHopoverExportver) KFW_FN(FW_GetHopoverExportver) KFW_FN(FW_ConfigICMPErrPktDrop) KFW_FN(FW_SetIDSMode)
KFW_FN(FW_SetOversubscription) KFW_FN(FW_SetL7CopyMode) KFW_FN(FW_SetIDSFlowAttr) KFW_FN(FW_GetIDSMode)
KFW_FN(FW_GetOversubscription) KFW_FN(FW_GetIsIDSEnabled)
/* Configuration loading, evaluation and writing. */
KFW_FN(FW_LoadConfigString) KFW_FN(FW_LoadConfigFile) KFW_FN(FW_LoadConfigFile2) KFW_FN(FW_EvaluateConfigFile)
KFW_FN(FW_FreeConfigFile) KFW_FN(FW_AddRemoveFilter) KFW_FN(FW_GetLastParseError) KFW_FN(FW_WriteRuleText)
KFW_FN(FW_WriteConfigText)
