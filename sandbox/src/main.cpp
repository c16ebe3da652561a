#include "Accounts.h"
#include "Options.h"
#include "Sandbox.h"

#include <csignal>
#include <fstream>
#include <iostream>

#include <pthread.h>

int main(int argc, char** argv)
{
    using namespace sandbox;

    std::string error;
    const auto options = parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "quaylet-sandbox: " << error << '\n' << usage();
        return 2;
    }
    if (options->help) {
        std::cout << usage();
        return 0;
    }

    // Blocked before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A browser that gives up on a slow answer must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    std::ofstream logFile;
    if (!options->logFile.empty()) {
        logFile.open(options->logFile, std::ios::app | std::ios::binary);
        if (!logFile) {
            std::cerr << "quaylet-sandbox: cannot open " << options->logFile << '\n';
            return 1;
        }
    }
    std::ostream& log = options->logFile.empty() ? std::cout : logFile;

    Sandbox sandbox(options->settings, log);
    if (!sandbox.start(error)) {
        std::cerr << "quaylet-sandbox: " << error << '\n';
        return 1;
    }
    std::cerr << portTable(sandbox.layout()) << accountTable() << "ready" << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    sandbox.stop();
    std::cerr << "stopped" << std::endl;
    return 0;
}
