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

namespace {

// Entries below the count are complete and their names never change: registration fills an entry and
// only then publishes the larger count (release), and every reader takes the count first (acquire), so
// a reader never sees a counted entry half written. Levels are single words read and written whole.
unsigned int componentCount() { return __atomic_load_n(&g_kestfw_max_component, __ATOMIC_ACQUIRE); }
int levelOf(unsigned int component) { return __atomic_load_n(&g_kestfw_verbose[component].level, __ATOMIC_RELAXED); }

}  // namespace

extern "C" {

FWStatus_t FW_RegisterComponent(const char* name, unsigned int* id) {
    if (id == nullptr || name == nullptr || strlen(name) > 15) return 3;
    try {
        Locks::ScopedLock lock(g_kestfw_verbose_mutex);
        const unsigned int next = g_kestfw_max_component;  // only registration writes it, under the lock
        if (next >= KESTFW_MAX_COMPONENTS) return 56;
        kestfw_verbose_& e = g_kestfw_verbose[next];
        memset(e.name, 0, sizeof e.name);
        memcpy(e.name, name, strlen(name));
        __atomic_store_n(&g_kestfw_max_component, next + 1, __ATOMIC_RELEASE);
        *id = next;
        return 0;
    } catch (...) {
        KFW_ERROR("%s: encountered internal error\n", __func__);
        return 5;
    }
}

FWStatus_t FW_UnregisterComponent(unsigned int) { return 7; }

FWStatus_t FW_GetLibVerboseLevel(unsigned int component, int* level) {
    if (component >= componentCount()) {
        KFW_WARN("attempting to get verbose level of unknown component %u\n", component);
        return 55;
    }
    if (level == nullptr) return 3;
    *level = levelOf(component);
    KFW_DEBUG(KFW_COMP_API, 1, "got component %u (%s) log level %d\n", component, g_kestfw_verbose[component].name,
              *level);
    return 0;
}

// No lock: a level is one aligned word and readers tolerate the old or the new value.
void FW_SetLibVerboseLevel(unsigned int component, int level) {
    unsigned first, last;
    const unsigned count = componentCount();
    if (component == KESTFW_ALL_COMPONENTS) {
        first = 0;
        last = count;
    } else if (component < count) {
        first = component;
        last = component + 1;
    } else {
        KFW_WARN("attempting to set verbose level of unknown component %u\n", component);
        return;
    }
    for (unsigned i = first; i < last; ++i) {
        __atomic_store_n(&g_kestfw_verbose[i].level, level, __ATOMIC_RELAXED);
        if (levelOf(KFW_COMP_API) > 0)
            Logger(KFW_LOG_DEBUG, "kestfw:%s %s:%s():%d set component %s log level to %d\n",
                   g_kestfw_verbose[KFW_COMP_API].name, kfwBaseName(__FILE__), __func__, __LINE__,
                   g_kestfw_verbose[i].name, level);
    }
}

const char* FW_ComponentToString(unsigned int component) {
    if (component == KESTFW_ALL_COMPONENTS) return "all";
    if (component >= componentCount()) return "unknown";
    return g_kestfw_verbose[component].name;
}

unsigned int FW_StringToComponent(const char* name) {
    if (name == nullptr) return KESTFW_MAX_COMPONENTS;
    const unsigned count = componentCount();
    for (unsigned i = 0; i < count; ++i)
        if (strncasecmp(name, g_kestfw_verbose[i].name, sizeof g_kestfw_verbose[i].name) == 0 &&
            strlen(name) <= sizeof g_kestfw_verbose[i].name)
            return i;
    return KESTFW_MAX_COMPONENTS;
}

unsigned int FW_GetComponentCount(void) { return componentCount(); }

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
