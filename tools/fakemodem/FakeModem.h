#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A Hayes-style modem at the far end of a pseudo-terminal, for trying the dialler without hardware
// and for the serial backend's tests. Its slave side is the "serial port" a program opens.
// Every command line ending in CR gets an answer: ATD… the configured dial answer after the configured
// delay (any byte received while it dials aborts with NO CARRIER), every other AT command "OK".
class FakeModem
{
public:
    struct Options
    {
        std::string dialAnswer = "OK"; // OK, BUSY, NO CARRIER, NO DIALTONE, NO ANSWER, ERROR, CONNECT
        std::chrono::milliseconds dialDelay{0};
        bool echo = true;                       // as after power-on; ATE0 / ATE1 switch it
        bool silent = false;                    // reads and logs commands but never answers (a dead modem)
        bool splitAnswers = false;              // writes each answer in two pieces with a pause between them
        std::chrono::milliseconds byteDelay{0}; // above 0: writes each answer a byte at a time, this far apart
    };

    explicit FakeModem(Options options);
    ~FakeModem();
    FakeModem(const FakeModem &) = delete;
    FakeModem &operator=(const FakeModem &) = delete;

    // Creates the pseudo-terminal; false with the system's text on failure.
    bool open(std::string *error);
    // The path a program opens as its serial port, such as /dev/pts/3.
    const std::string &portPath() const { return m_portPath; }

    // Serves the port until stop(): run() on the calling thread, start() on a thread of its own.
    void run();
    void start();
    void stop();

    void setDialAnswer(const std::string &answer);
    // Every command line received so far, without its CR.
    std::vector<std::string> commands() const;
    // Called on the serving thread for every command line received, and for every answer sent
    // (prefixed with "> ").
    std::function<void(const std::string &)> log;

private:
    void handleBytes(const char *data, size_t size);
    void handleCommand(const std::string &line);
    void answer(const std::string &text);
    void writeAll(const std::string &bytes);

    mutable std::mutex m_mutex;
    Options m_options;
    std::vector<std::string> m_commands;
    std::string m_portPath;
    std::string m_line;
    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees a hang-up between two users of the port
    int m_wake[2] = {-1, -1};
    bool m_dialing = false;
    std::chrono::steady_clock::time_point m_dialDue;
    std::thread m_thread;
};
