// The per-component verbosity table, component registration and the report printer's globals.
#include <strings.h>

#include <cstring>

#include "base/KestFWLog.h"
#include "base/Locks.h"

#define KFW_BUILTIN(NAME) {1, 0, NAME}

extern "C" {

kestfw_verbose_ g_kestfw_verbose[KESTFW_MAX_COMPONENTS] = {
    KFW_BUILTIN("misc"),     KFW_BUILTIN("api"),      KFW_BUILTIN("library"), KFW_BUILTIN("lexer"),
    KFW_BUILTIN("parser"),   KFW_BUILTIN("io"),       KFW_BUILTIN("msgbuf"),  KFW_BUILTIN("cmd"),
    KFW_BUILTIN("address"),  KFW_BUILTIN("rule"),     KFW_BUILTIN("protocol"), KFW_BUILTIN("util"),
    KFW_BUILTIN("protobuf"), KFW_BUILTIN("pwix"),     KFW_BUILTIN("ipfix"),   KFW_BUILTIN("flow"),
    KFW_BUILTIN("filter"),   KFW_BUILTIN("trie"),     KFW_BUILTIN("cache"),
};
unsigned int g_kestfw_max_component = KestFirewall::KFW_BUILTIN_COMPONENTS;

FWPrettyPrint_t g_kestfw_pretty_printing = nullptr;
void* g_kestfw_pretty_printing_context = nullptr;

}  // extern "C"

// Created when the library is loaded; registration and report printing each take their own.
KESTFW_API Locks::Mutex g_kestfw_verbose_mutex;
KESTFW_API Locks::Mutex g_kestfw_pretty_printing_mutex;

using namespace KestFirewall;

extern "C" {

FWStatus_t FW_RegisterComponent(const char* name, unsigned int* id) {
    if (id == nullptr || name == nullptr || strlen(name) > 15) return 3;
    try {
        Locks::ScopedLock lock(g_kestfw_verbose_mutex);
        if (g_kestfw_max_component >= KESTFW_MAX_COMPONENTS) return 56;
        kestfw_verbose_& e = g_kestfw_verbose[g_kestfw_max_component];
        memset(e.name, 0, sizeof e.name);
        memcpy(e.name, name, strlen(name));
        *id = g_kestfw_max_component++;
        return 0;
    } catch (...) {
        KFW_ERROR("%s: encountered internal error\n", __func__);
        return 5;
    }
}

FWStatus_t FW_UnregisterComponent(unsigned int) { return 7; }

FWStatus_t FW_GetLibVerboseLevel(unsigned int component, int* level) {
    if (component >= g_kestfw_max_component) {
        KFW_WARN("attempting to get verbose level of unknown component %u\n", component);
        return 55;
    }
    if (level == nullptr) return 3;
    *level = g_kestfw_verbose[component].level;
    KFW_DEBUG(KFW_COMP_API, 1, "got component %u (%s) log level %d\n", component, g_kestfw_verbose[component].name,
              *level);
    return 0;
}

// No lock: a level is one aligned word and readers tolerate the old or the new value.
void FW_SetLibVerboseLevel(unsigned int component, int level) {
    unsigned first, last;
    if (component == KESTFW_ALL_COMPONENTS) {
        first = 0;
        last = g_kestfw_max_component;
    } else if (component < g_kestfw_max_component) {
        first = component;
        last = component + 1;
    } else {
        KFW_WARN("attempting to set verbose level of unknown component %u\n", component);
        return;
    }
    for (unsigned i = first; i < last; ++i) {
        g_kestfw_verbose[i].level = level;
        if (g_kestfw_verbose[KFW_COMP_API].level > 0)
            Logger(KFW_LOG_DEBUG, "kestfw:%s %s:%s():%d set component %s log level to %d\n",
                   g_kestfw_verbose[KFW_COMP_API].name, kfwBaseName(__FILE__), __func__, __LINE__,
                   g_kestfw_verbose[i].name, level);
    }
}

const char* FW_ComponentToString(unsigned int component) {
    if (component == KESTFW_ALL_COMPONENTS) return "all";
    if (component >= g_kestfw_max_component) return "unknown";
    return g_kestfw_verbose[component].name;
}

unsigned int FW_StringToComponent(const char* name) {
    if (name == nullptr) return KESTFW_MAX_COMPONENTS;
    for (unsigned i = 0; i < g_kestfw_max_component; ++i)
        if (strncasecmp(name, g_kestfw_verbose[i].name, sizeof g_kestfw_verbose[i].name) == 0 &&
            strlen(name) <= sizeof g_kestfw_verbose[i].name)
            return i;
    return KESTFW_MAX_COMPONENTS;
}

unsigned int FW_GetComponentCount(void) { return g_kestfw_max_component; }

void FW_SetLibPrettyPrinting(FWPrettyPrint_t print, void* context) {
    KFW_DEBUG(KFW_COMP_API, 1, "%s.\n", __func__);
    try {
        Locks::ScopedLock lock(g_kestfw_pretty_printing_mutex);
        g_kestfw_pretty_printing = print;
        g_kestfw_pretty_printing_context = context;
    } catch (...) {
        KFW_ERROR("%s: encountered internal error\n", __func__);
    }
}

}  // extern "C"
