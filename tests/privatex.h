#pragma once

#include <string>

namespace bbt::windowtest {

// An X server of the test's own (Xvfb on a display number it picks itself, -displayfd), so
// that tests run side by side, or beside a desktop, never read each other's windows. It is
// stopped when the object goes.
class PrivateX final {
public:
    PrivateX();
    ~PrivateX();
    PrivateX(const PrivateX &) = delete;
    PrivateX &operator=(const PrivateX &) = delete;

    // The display it serves (":12"), or empty where it did not start; then `Problem` says why.
    const std::string &Display() const
    {
        return m_display;
    }
    const std::string &Problem() const
    {
        return m_problem;
    }

private:
    int m_pid = -1;
    std::string m_display, m_problem;
};

} // namespace bbt::windowtest
