// Test support: standard input read from elsewhere for a scope's life.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

namespace lurtest {

// Standard input read from elsewhere for the scope's life (a file such as
// /dev/null, or an open descriptor such as a pseudo-terminal); the process's
// own standard input comes back when the scope ends. Both the C and the C++
// streams forget what they met on the way (end of file, errors).
class StdinScope {
public:
    explicit StdinScope(const std::string& path = "/dev/null") {
        const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) throw std::runtime_error("cannot open " + path);
        const bool taken = Take(file);
        ::close(file);
        if (!taken) throw std::runtime_error("cannot read standard input from " + path);
    }
    // The caller keeps the descriptor.
    explicit StdinScope(int descriptor) {
        if (!Take(descriptor)) throw std::runtime_error("cannot read standard input from a descriptor");
    }
    ~StdinScope() {
        ::dup2(m_saved, STDIN_FILENO);
        ::close(m_saved);
        ClearStreams();
    }
    StdinScope(const StdinScope&) = delete;
    StdinScope& operator=(const StdinScope&) = delete;

private:
    bool Take(int descriptor) {
        m_saved = ::dup(STDIN_FILENO);
        if (m_saved < 0) return false;
        if (::dup2(descriptor, STDIN_FILENO) < 0) {
            ::close(m_saved);
            return false;
        }
        ClearStreams();
        return true;
    }
    static void ClearStreams() {
        std::clearerr(stdin);
        std::cin.clear();
    }

    int m_saved = -1;
};

}  // namespace lurtest
