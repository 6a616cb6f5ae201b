#include "FakeModem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(std::toupper(c));
    });
    return text;
}

} // namespace

FakeModem::FakeModem(Options options)
    : m_options(std::move(options))
{}

FakeModem::~FakeModem()
{
    stop();
    for (int fd : {m_master, m_slave, m_wake[0], m_wake[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool FakeModem::open(std::string *error)
{
    auto fail = [error](const char *what) {
        if (error) {
            *error = std::string(what) + ": " + std::strerror(errno);
        }
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        return fail("posix_openpt");
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        return fail("grantpt/unlockpt");
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        return fail("ptsname");
    }
    m_portPath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        return fail(name);
    }
    // Raw, so nothing is echoed or translated before a program opens the port and sets its own mode.
    termios mode{};
    if (::tcgetattr(m_slave, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(m_slave, TCSANOW, &mode);
    }
    if (::pipe2(m_wake, O_CLOEXEC) != 0) {
        return fail("pipe");
    }
    return true;
}

void FakeModem::start()
{
    m_thread = std::thread([this] {
        run();
    });
}

void FakeModem::stop()
{
    if (m_wake[1] >= 0) {
        const char byte = 'q';
        [[maybe_unused]] const auto n = ::write(m_wake[1], &byte, 1);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void FakeModem::setDialAnswer(const std::string &answer)
{
    std::lock_guard lock(m_mutex);
    m_options.dialAnswer = answer;
}

std::vector<std::string> FakeModem::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void FakeModem::run()
{
    if (m_master < 0) {
        return;
    }
    for (;;) {
        int timeout = -1;
        if (m_dialing) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_dialDue - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            char byte;
            [[maybe_unused]] const auto n = ::read(m_wake[0], &byte, 1);
            return;
        }
        if (fds[0].revents & POLLIN) {
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                handleBytes(buffer, static_cast<size_t>(n));
            }
        }
        if (m_dialing && std::chrono::steady_clock::now() >= m_dialDue) {
            m_dialing = false;
            std::string text;
            {
                std::lock_guard lock(m_mutex);
                text = m_options.dialAnswer;
            }
            answer(text);
        }
    }
}

void FakeModem::handleBytes(const char *data, size_t size)
{
    bool echo;
    bool silent;
    {
        std::lock_guard lock(m_mutex);
        echo = m_options.echo;
        silent = m_options.silent;
    }
    if (m_dialing) {
        // Any key stops a modem that is dialling; the byte itself is taken no further.
        m_dialing = false;
        m_line.clear();
        answer("NO CARRIER");
        ++data;
        --size;
    }
    if (echo && !silent && size > 0) {
        writeAll(std::string(data, size));
    }
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\r') {
            const std::string line = m_line;
            m_line.clear();
            handleCommand(line);
        } else if (c != '\n') {
            m_line.push_back(c);
        }
    }
}

void FakeModem::handleCommand(const std::string &line)
{
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) {
        return;
    }
    const std::string command = upper(line.substr(start));
    if (command.compare(0, 2, "AT") != 0) {
        return; // a modem ignores what does not start with AT
    }
    {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(line.substr(start));
    }
    if (log) {
        log(line.substr(start));
    }
    const std::string body = command.substr(2);
    if (!body.empty() && body[0] == 'D') {
        std::chrono::milliseconds delay;
        {
            std::lock_guard lock(m_mutex);
            delay = m_options.dialDelay;
        }
        m_dialing = true;
        m_dialDue = std::chrono::steady_clock::now() + delay;
        return;
    }
    if (body.find("E0") != std::string::npos) {
        std::lock_guard lock(m_mutex);
        m_options.echo = false;
    } else if (body.find("E1") != std::string::npos || body == "Z") {
        std::lock_guard lock(m_mutex);
        m_options.echo = true;
    }
    answer("OK");
}

void FakeModem::answer(const std::string &text)
{
    bool silent;
    bool split;
    std::chrono::milliseconds byteDelay;
    {
        std::lock_guard lock(m_mutex);
        silent = m_options.silent;
        split = m_options.splitAnswers;
        byteDelay = m_options.byteDelay;
    }
    if (silent) {
        return;
    }
    if (log) {
        log("> " + text);
    }
    const std::string bytes = "\r\n" + text + "\r\n";
    if (byteDelay.count() > 0) {
        for (const char byte : bytes) {
            std::this_thread::sleep_for(byteDelay);
            writeAll(std::string(1, byte));
        }
        return;
    }
    if (!split) {
        writeAll(bytes);
        return;
    }
    const size_t cut = 3; // after "\r\n" and the first letter of the answer
    writeAll(bytes.substr(0, cut));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    writeAll(bytes.substr(cut));
}

void FakeModem::writeAll(const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        done += static_cast<size_t>(n);
    }
}
