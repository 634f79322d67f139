// Application identifiers of the DPI engine. The engine numbers its applications from -1 to 4472;
// the named rows are listed here and every other number carries the placeholder "APP_UNASSIGNED_<n>"
// (see KestFWL7Vocabulary.cpp), so a number the engine reports always prints and reads back.
#include "model/KestFWL7Vocabulary.h"

namespace KestFirewall {

namespace {
const FWVocabEntry kAppIdNamed[] = {
    {-1, "APP_INVALID"}, {4, "APP_UNKNOWN"}, {11, "APP_ARP"},  {32, "APP_DNS"},  {45, "APP_FTP"},
    {67, "APP_HTTP"},    {185, "APP_SMB"},   {198, "APP_SSH"}, {199, "APP_SSL"},
};
}  // namespace

const FWVocabulary kAppIdNamedVocab = {kAppIdNamed, sizeof kAppIdNamed / sizeof kAppIdNamed[0]};

}  // namespace KestFirewall
