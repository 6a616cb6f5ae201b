// fakemodem: a Hayes-style modem on a pseudo-terminal, for trying the dialler without a modem.
// Prints the port path to open (or makes --link point at it) and serves until Ctrl+C.
#include "FakeModem.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

FakeModem *running = nullptr;

void onSignal(int)
{
    if (running) {
        running->stop(); // only writes one byte to the modem's wake-up pipe
    }
}

int usage(const char *program)
{
    std::fprintf(stderr,
                 "Usage: %s [options]\n"
                 "  --answer TEXT  answer to ATD: OK (default), BUSY, \"NO CARRIER\", \"NO DIALTONE\",\n"
                 "                 \"NO ANSWER\", ERROR, CONNECT\n"
                 "  --delay MS     wait before answering ATD (default 2000)\n"
                 "  --log FILE     append every command and answer to FILE (default: standard error)\n"
                 "  --link PATH    make PATH a symbolic link to the port while running\n"
                 "  --no-echo      start with echo off (as after ATE0)\n"
                 "  --split        send each answer in two pieces\n"
                 "  --slow MS      send each answer byte by byte, MS between two bytes (a slow modem)\n"
                 "  --silent       never answer (a modem that is switched off)\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    FakeModem::Options options;
    options.dialDelay = std::chrono::milliseconds(2000);
    std::string logPath;
    std::string linkPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--answer" && hasValue) {
            options.dialAnswer = argv[++i];
        } else if (arg == "--delay" && hasValue) {
            options.dialDelay = std::chrono::milliseconds(std::atoi(argv[++i]));
        } else if (arg == "--log" && hasValue) {
            logPath = argv[++i];
        } else if (arg == "--link" && hasValue) {
            linkPath = argv[++i];
        } else if (arg == "--no-echo") {
            options.echo = false;
        } else if (arg == "--split") {
            options.splitAnswers = true;
        } else if (arg == "--slow" && hasValue) {
            options.byteDelay = std::chrono::milliseconds(std::atoi(argv[++i]));
        } else if (arg == "--silent") {
            options.silent = true;
        } else {
            return usage(argv[0]);
        }
    }

    FILE *logFile = stderr;
    if (!logPath.empty()) {
        logFile = std::fopen(logPath.c_str(), "a");
        if (!logFile) {
            std::fprintf(stderr, "%s: %s\n", logPath.c_str(), std::strerror(errno));
            return 1;
        }
    }
    FakeModem modem(options);
    modem.log = [logFile](const std::string &line) {
        char stamp[32];
        const std::time_t now = std::time(nullptr);
        std::strftime(stamp, sizeof stamp, "%H:%M:%S", std::localtime(&now));
        std::fprintf(logFile, "%s %s\n", stamp, line.c_str());
        std::fflush(logFile);
    };
    std::string error;
    if (!modem.open(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (!linkPath.empty()) {
        ::unlink(linkPath.c_str());
        if (::symlink(modem.portPath().c_str(), linkPath.c_str()) != 0) {
            std::fprintf(stderr, "%s: %s\n", linkPath.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::printf("%s\n", modem.portPath().c_str());
    std::fflush(stdout);

    running = &modem;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    modem.run();
    running = nullptr;

    if (!linkPath.empty()) {
        ::unlink(linkPath.c_str());
    }
    return 0;
}
