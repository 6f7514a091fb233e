#include "privatex.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bbt::windowtest {

namespace {

// Xvfb writes the display number and a line end once it takes clients; should it die first,
// the pipe ends there.
std::string ReadDisplayNumber(int fd)
{
    std::string number;
    pollfd ready{fd, POLLIN, 0};
    char c;
    while (poll(&ready, 1, 30000) > 0 && read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    return number;
}

} // namespace

PrivateX::PrivateX()
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        m_problem = "no pipe for Xvfb";
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        // Descriptor 3 is where Xvfb is told to write its number; its chatter goes nowhere.
        if (pipeEnds[1] == 3)
            fcntl(3, F_SETFD, 0);
        else
            dup2(pipeEnds[1], 3);
        const int nowhere = open("/dev/null", O_WRONLY);
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
        // -noreset: a server whose last client leaves starts over and meanwhile turns away
        // whoever connects next.
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    const std::string number = m_pid > 0 ? ReadDisplayNumber(pipeEnds[0]) : std::string();
    close(pipeEnds[0]);
    if (number.empty()) {
        m_problem = "Xvfb did not start (it comes with the Debian package xvfb)";
        return;
    }
    m_display = ':' + number;
}

PrivateX::~PrivateX()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR)
        continue;
}

} // namespace bbt::windowtest
