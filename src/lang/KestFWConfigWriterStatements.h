// The statements beyond rule sets and address sets, written back for the configuration writer:
// queries, connections, identity mappings, attribute profiles, settings and diagnostics.
#pragma once

#include <string>

namespace KestFirewall {

class CKestFWCmd;

// The statement for `cmd` (without its ";") into `out`, `port` being its port clause; false when the
// command is none of these statements. A command the language cannot say raises CUnsupportedException.
bool kfwWriteStatement(const CKestFWCmd& cmd, const std::string& port, std::string* out);

}  // namespace KestFirewall
