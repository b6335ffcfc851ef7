// Test support: a forked child process that does one thing (say, logs in to
// a service), tells the parent whether it succeeded, and then stays alive
// holding what it did until the parent ends it (SIGKILL, as a crash would).
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lurtest {

class HeldChild {
public:
    HeldChild() = default;
    ~HeldChild() { Stop(); }
    HeldChild(const HeldChild&) = delete;
    HeldChild& operator=(const HeldChild&) = delete;

    // Runs body in a child process; true when the child reported that body
    // succeeded within 20 s. The child never returns into the test.
    template <class Body>
    bool Start(Body body) {
        Stop();
        int ready[2];
        if (pipe(ready) != 0) return false;
        m_pid = fork();
        if (m_pid == 0) {
            const char succeeded = body() ? 1 : 0;
            (void)!write(ready[1], &succeeded, 1);
            pause();
            _exit(0);
        }
        close(ready[1]);
        pollfd answer{ready[0], POLLIN, 0};
        char succeeded = 0;
        const bool ok = m_pid > 0 && poll(&answer, 1, 20000) == 1 && read(ready[0], &succeeded, 1) == 1 && succeeded;
        close(ready[0]);
        return ok;
    }
    // Kills the child and waits for its end; nothing when none runs.
    void Stop() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

}  // namespace lurtest
