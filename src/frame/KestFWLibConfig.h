// The library's settings that come from the environment; created once, under its own mutex.
#pragma once

#include "kestfw/kestfw_types.h"

namespace KestFirewall {

enum KestFWConfigKey : int {
    KFW_CONFIG_EXEC_BATCH_CMD = 0,  // "kestfwlib_exec_batch_cmd": pack a command list into large messages
};

class KESTFW_API CKestFWLibConfig {
public:
    static CKestFWLibConfig* GetInstance();

    // Sets `value` from the setting and returns true; an unset variable or a text other than
    // "true"/"false" (in any case) leaves `value` as it is and returns false.
    bool readConfig(int key, bool* value);

private:
    CKestFWLibConfig() = default;
};

}  // namespace KestFirewall
