// The command handles the C interface lends out (create / execute / release). Each handle is noted
// when created, with the reply it currently has out with the caller, and forgotten when released, so
// a handle released twice, never created or of another family is refused (3) instead of being freed
// again, and no reply is lost: the next execute or the release gives back the one still out.
#pragma once

#include <map>

#include "base/KestFWApi.h"
#include "base/Locks.h"
#include "cmd/KestFWCmd.h"
#include "frame/KestFWLibHandle.h"

namespace KestFirewall {

template <typename Cmd>
class CommandHandles {
public:
    static void add(Cmd* cmd) {
        Locks::ScopedLock lock(mutex());
        live()[cmd] = nullptr;
    }
    // The command behind a handle, or null when the handle is not a live one of this family.
    static Cmd* find(void* handle) {
        Locks::ScopedLock lock(mutex());
        auto it = live().find(static_cast<Cmd*>(handle));
        return it == live().end() ? nullptr : it->first;
    }

    // Sends the command; the reply goes to the caller when `reply` is given, else back at once.
    static FWStatus_t execute(CKestFWLibHandle* lib, void* ctx, void** reply, void* handle) {
        if (reply != nullptr) *reply = nullptr;
        Cmd* cmd = find(handle);
        if (cmd == nullptr) return 3;
        giveBack(lib, cmd);
        void* out = nullptr;
        unsigned int len = 0;
        const FWStatus_t status = cmd->execute(lib, &out, &len, ctx);
        if (status != 0) return status;
        if (reply == nullptr) {
            cmd->releaseCmdBuffer(lib, out);
            return 0;
        }
        *reply = out;
        Locks::ScopedLock lock(mutex());
        live()[cmd] = out;
        return 0;
    }

    // Gives back the reply still out and deletes the command. The caller's `reply` is only a hint:
    // the one recorded is released, so a stale or foreign pointer is never freed.
    static FWStatus_t release(CKestFWLibHandle* lib, void* handle) {
        Cmd* cmd = nullptr;
        void* out = nullptr;
        {
            Locks::ScopedLock lock(mutex());
            auto it = live().find(static_cast<Cmd*>(handle));
            if (it == live().end()) return 3;
            if (it->second != nullptr && lib == nullptr) return 2;
            cmd = it->first;
            out = it->second;
            live().erase(it);
        }
        if (out != nullptr) cmd->releaseCmdBuffer(lib, out);
        delete cmd;
        return 0;
    }

private:
    static void giveBack(CKestFWLibHandle* lib, Cmd* cmd) {
        void* out = nullptr;
        {
            Locks::ScopedLock lock(mutex());
            auto it = live().find(cmd);
            if (it == live().end()) return;
            out = it->second;
            it->second = nullptr;
        }
        if (out != nullptr) cmd->releaseCmdBuffer(lib, out);
    }
    static Locks::Mutex& mutex() {
        static Locks::Mutex m;
        return m;
    }
    static std::map<Cmd*, void*>& live() {
        static std::map<Cmd*, void*> s;
        return s;
    }
};

}  // namespace KestFirewall
