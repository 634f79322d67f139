// kestfwctl: the administrator's command line onto the host's firewall. Reports go to stdout,
// messages to stderr; exit 0 done, 1 refused by the policy text or the kernel, 2 bad usage.
#include <CLI/CLI.hpp>
#include <iostream>

#include "Ctl.h"

#ifndef KESTFWCTL_VERSION
#define KESTFWCTL_VERSION "unknown"
#endif

using namespace kestfwctl;

namespace {

void addChannelOptions(CLI::App* app, ChannelOptions& ch) {
    auto* group = app->add_option_group("channel", "Where the commands go (default: the control device)");
    group->add_option("--device", ch.device, "control device: /dev/wyb-kest (default) or /dev/kest");
    group->add_option("--socket", ch.socket, "kernel module reached over TCP at HOST:PORT");
    group->add_option("--file", ch.file, "record every message in PATH instead of sending it");
    group->add_flag("--sim", ch.sim, "a private kestsimd for this command's lifetime");
    group->require_option(0, 1);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Configure and inspect the host's distributed firewall.", "kestfwctl"};
    app.set_version_flag("--version", std::string("kestfwctl ") + KESTFWCTL_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 done, 1 refused by the policy text or the kernel, 2 bad usage.");

    ChannelOptions channel;
    std::string file, statements, what, name;
    bool quiet = false, dryRun = false, json = false;

    CLI::App* check = app.add_subcommand("check", "Parse a configuration text and print its statements");
    check->add_option("FILE", file, "configuration file, - for standard input")->required();
    check->add_flag("-q,--quiet", quiet, "print nothing on success");
    // Accepted like everywhere else; check itself never reaches the kernel.
    addChannelOptions(check, channel);

    CLI::App* load = app.add_subcommand("load", "Parse a configuration text and send it to the kernel");
    auto* loadFile = load->add_option("FILE", file, "configuration file, - for standard input");
    auto* loadText = load->add_option("-e", statements, "the statements themselves");
    loadFile->excludes(loadText);
    load->add_flag("--dry-run", dryRun, "send nothing; count the messages, commands and bytes");
    addChannelOptions(load, channel);

    CLI::App* show = app.add_subcommand("show", "Print what the kernel holds");
    show->add_option("WHAT", what, "rulesets|ruleset|addrsets|addrset|connections|stats|settings")
        ->required()
        ->check(CLI::IsMember({"rulesets", "ruleset", "addrsets", "addrset", "connections", "stats", "settings"}));
    show->add_option("NAME", name, "the rule set or address set");
    show->add_flag("--json", json, "print JSON instead of the report");
    addChannelOptions(show, channel);

    CLI::App* save = app.add_subcommand("save", "Print the kernel's rule sets and address sets as configuration text");
    addChannelOptions(save, channel);

    CLI::App* diff = app.add_subcommand("diff", "Print what loading FILE would change; exit 1 when anything would");
    diff->add_option("FILE", file, "configuration file, - for standard input")->required();
    addChannelOptions(diff, channel);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        if (app.get_subcommands().empty() && !app.remaining().empty())
            std::cerr << "kestfwctl: unknown subcommand \"" << app.remaining().front() << "\" (see kestfwctl --help)\n";
        else
            std::cerr << "kestfwctl: " << e.what() << " (see kestfwctl --help)\n";
        return kExitUsage;
    }

    const std::string self = argv[0];
    try {
        if (check->parsed()) return runCheck(file, quiet);
        if (load->parsed()) {
            if (file.empty() && loadText->count() == 0)
                throw CtlError(kExitUsage, "load needs FILE, - or -e STATEMENTS");
            SourceText source = loadText->count() != 0 ? SourceText{"<cmd>", statements} : readSource(file);
            return runLoad(channel, self, source, dryRun);
        }
        if (show->parsed()) return runShow(channel, self, what, name, json);
        if (save->parsed()) return runSave(channel, self);
        if (diff->parsed()) return runDiff(channel, self, file);
    } catch (const CtlError& e) {
        if (e.what()[0] != '\0') std::cerr << "kestfwctl: " << e.what() << '\n';
        return e.code();
    } catch (const std::exception& e) {
        std::cerr << "kestfwctl: " << e.what() << '\n';
        return kExitRefused;
    }
    return kExitUsage;
}
