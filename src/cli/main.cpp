// quillmoor-cli: the FTP engine from the command line (see --help).
#include <signal.h>

#include <iostream>

#include "cli/catalogue_site_lookup.h"
#include "cli/cli_runner.h"
#include "cli/secret_tool_vault.h"
#include "sites/store/catalogue_location.h"

namespace {

CliRunner* runningCli = nullptr;

void OnInterrupt(int) {
    if (runningCli != nullptr) runningCli->Cancel();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    CliRunner runner(std::cout, std::cerr);
    SecretToolPasswordVault keyring;
    runner.SetSiteLookup(CatalogueSiteLookup(DefaultCataloguePath(), &keyring));
    runningCli = &runner;

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program at once
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    const int result = runner.Run(arguments);
    runningCli = nullptr;
    return result;
}
