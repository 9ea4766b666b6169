// padmacroctl send as a user runs it: the real program in a pseudo terminal,
// the fixture sysfs tree, and the keypad's node a FIFO that this test reads
// reports from and answers by typing into the terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cli/terminal.h"
#include "unit/hidraw_test_support.h"
#include "unit/keypad_test_support.h"

namespace {

using pmtest::DevRoot;
using pmtest::TempAppDir;

const std::string kSys = std::string(PADMACRO_TEST_DATA) + "/hidraw/sys";
constexpr size_t kReportLength = 33; // hidraw5's output report

struct Finished {
    int status = 0;
    std::string output; // all the terminal showed
    int reports = 0;
    termios after{}; // the terminal once the program had ended
};

// Runs padmacroctl --dir DIR send KEYS in a pseudo terminal. onReport sees
// every report the keypad node received (1, 2, ...) and answers with what the
// keypad types, or closes the node to unplug it (by setting fifo to -1).
class SendSession {
public:
    SendSession()
        : dev({0})
    {
        const std::string node = dev.node(5).string();
        if (::mkfifo(node.c_str(), 0600) != 0)
            throw std::runtime_error("mkfifo " + node);
        // Opened first so that the program's opening for writing does not wait.
        fifo = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ~SendSession()
    {
        if (fifo >= 0)
            ::close(fifo);
    }

    Finished run(std::vector<std::string> keys, const std::function<std::string(int, termios)>& onReport)
    {
        int master = -1;
        int slave = -1;
        termios sane{};
        ::cfmakeraw(&sane);
        sane.c_lflag |= ICANON | ECHO | ISIG;
        sane.c_oflag |= OPOST | ONLCR;
        sane.c_cc[VINTR] = 3;
        EXPECT_EQ(::openpty(&master, &slave, nullptr, &sane, nullptr), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(master);
            ::login_tty(slave);
            ::setenv("PADMACRO_SYSFS", kSys.c_str(), 1);
            ::setenv("PADMACRO_DEV", dev.path().c_str(), 1);
            std::vector<std::string> args{PADMACRO_CTL, "--dir", app.path(), "send"};
            args.insert(args.end(), keys.begin(), keys.end());
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        Finished done;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool exited = false;
        std::string pending;
        while (!exited && std::chrono::steady_clock::now() < giveUp) {
            pollfd p[2] = {{master, POLLIN, 0}, {fifo, POLLIN, 0}};
            ::poll(p, fifo >= 0 ? 2 : 1, 100);
            char buffer[256];
            if ((p[0].revents & POLLIN) != 0) {
                const ssize_t got = ::read(master, buffer, sizeof buffer);
                if (got > 0)
                    done.output.append(buffer, static_cast<size_t>(got));
            }
            if (fifo >= 0 && (p[1].revents & POLLIN) != 0) {
                const ssize_t got = ::read(fifo, buffer, sizeof buffer);
                if (got > 0)
                    pending.append(buffer, static_cast<size_t>(got));
                while (pending.size() >= kReportLength) {
                    pending.erase(0, kReportLength);
                    termios now{};
                    ::tcgetattr(slave, &now);
                    const std::string typed = onReport(++done.reports, now);
                    if (typed == "unplug") {
                        ::close(fifo);
                        fifo = -1;
                        break;
                    }
                    if (!typed.empty()) {
                        EXPECT_EQ(
                            ::write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
                    }
                }
            }
            exited = ::waitpid(pid, &done.status, WNOHANG) == pid;
        }
        if (!exited) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &done.status, 0);
            ADD_FAILURE() << "padmacroctl did not end; it printed:\n" << done.output;
        }
        for (;;) { // what it printed last
            pollfd p{master, POLLIN, 0};
            char buffer[256];
            if (::poll(&p, 1, 0) <= 0)
                break;
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got <= 0)
                break;
            done.output.append(buffer, static_cast<size_t>(got));
        }
        ::tcgetattr(slave, &done.after);
        ::close(master);
        ::close(slave);
        return done;
    }

    TempAppDir app;
    DevRoot dev;
    int fifo = -1;
};

bool echoOff(const termios& t)
{
    return (t.c_lflag & (ECHO | ICANON)) == 0 && (t.c_lflag & ISIG) != 0;
}

bool restored(const termios& t)
{
    return (t.c_lflag & (ECHO | ICANON | ISIG)) == (ECHO | ICANON | ISIG);
}

int exitCode(const Finished& f)
{
    return WIFEXITED(f.status) ? WEXITSTATUS(f.status) : -1;
}

TEST(CtlTerminal, KeystrokesTypedIntoTheTerminalAcknowledgeEachKey)
{
    SendSession s;
    bool quiet = true;
    const Finished f = s.run({"40", "41"}, [&](int report, const termios& t) {
        quiet = quiet && echoOff(t);
        return report % 2 == 1 ? "a" : "B"; // either case counts
    });
    EXPECT_EQ(exitCode(f), 0) << f.output;
    EXPECT_EQ(f.reports, 4);
    EXPECT_TRUE(quiet) << "echo was on while the keypad typed";
    // Nothing the keypad typed shows; the two lines do.
    EXPECT_EQ(f.output, "key 40 (ESC, MOD0): OK\r\nkey 41 (Tab, MOD0): OK\r\n");
    EXPECT_TRUE(restored(f.after));
}

TEST(CtlTerminal, WithoutAcknowledgementTheKeyFailsAfterItsTimeLimit)
{
    SendSession s;
    const auto start = std::chrono::steady_clock::now();
    const Finished f = s.run({"40", "41"}, [](int, const termios&) { return ""; });
    EXPECT_EQ(exitCode(f), 1) << f.output;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2700));
    EXPECT_EQ(f.reports, 1);
    EXPECT_NE(f.output.find("key 40 (ESC, MOD0): the keypad did not acknowledge it within 3 seconds"),
        std::string::npos)
        << f.output;
    EXPECT_NE(f.output.find("0 of 2 key numbers were sent, the other 1 not attempted"), std::string::npos)
        << f.output;
    EXPECT_TRUE(restored(f.after));
}

TEST(CtlTerminal, CtrlCPutsTheTerminalBack)
{
    SendSession s;
    bool quiet = false;
    const Finished f = s.run({"40"}, [&](int, const termios& t) {
        quiet = echoOff(t);
        return "\x03";
    });
    EXPECT_TRUE(quiet);
    ASSERT_TRUE(WIFSIGNALED(f.status)) << f.output;
    EXPECT_EQ(WTERMSIG(f.status), SIGINT);
    EXPECT_TRUE(restored(f.after));
}

TEST(CtlTerminal, AKeypadUnpluggedInTheMiddleEndsTheRun)
{
    SendSession s;
    const Finished f = s.run({"40", "41", "42"}, [](int report, const termios&) -> std::string {
        if (report == 3)
            return "unplug"; // key 41's first half arrived
        return report == 1 ? "a" : "b";
    });
    EXPECT_EQ(exitCode(f), 1) << f.output;
    EXPECT_NE(f.output.find("key 40 (ESC, MOD0): OK\r\nkey 41 (Tab, MOD0): the keypad at "
                  + s.dev.node(5).string() + " went away"),
        std::string::npos)
        << f.output;
    EXPECT_NE(f.output.find("1 of 3 key numbers were sent, the other 1 not attempted"), std::string::npos);
    EXPECT_TRUE(restored(f.after));
}

// RawTerminal in a child on its own pseudo terminal, in a process group of
// its own (so a stop signal is not discarded), signalled from here; the
// terminal's settings are read back through the slave side.
class RawChild {
public:
    RawChild()
    {
        termios sane{};
        ::cfmakeraw(&sane);
        sane.c_lflag |= ICANON | ECHO | ISIG;
        EXPECT_EQ(::openpty(&master_, &slave_, nullptr, &sane, nullptr), 0);
        int ready[2];
        EXPECT_EQ(::pipe2(ready, O_CLOEXEC), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            ::dup2(slave_, STDIN_FILENO);
            pm::ctl::RawTerminal raw(STDIN_FILENO);
            const char byte = 'r';
            if (::write(ready[1], &byte, 1) != 1)
                ::_exit(2);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        pollfd p{ready[0], POLLIN, 0};
        char byte = 0;
        started_ = ::poll(&p, 1, 30000) == 1 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~RawChild()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(master_);
        ::close(slave_);
    }
    RawChild(const RawChild&) = delete;
    RawChild& operator=(const RawChild&) = delete;

    bool started() const { return started_; }
    termios settings() const
    {
        termios t{};
        ::tcgetattr(slave_, &t);
        return t;
    }
    // Waits for the next change of state the options ask for.
    int signalAndWait(int sig, int options)
    {
        ::kill(pid_, sig);
        int status = 0;
        while (::waitpid(pid_, &status, options) < 0 && errno == EINTR) { }
        reaped_ = WIFEXITED(status) || WIFSIGNALED(status);
        return status;
    }
    // The handler sets the terminal after the child runs on: polled, with a
    // generous deadline.
    bool becomes(const std::function<bool(const termios&)>& wanted) const
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < giveUp) {
            if (wanted(settings()))
                return true;
            ::poll(nullptr, 0, 5);
        }
        return false;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    bool started_ = false;
    bool reaped_ = false;
};

TEST(CtlTerminal, EverySignalThatEndsTheProgramPutsTheTerminalBack)
{
    for (const int sig : {SIGQUIT, SIGABRT, SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(strsignal(sig));
        RawChild child;
        ASSERT_TRUE(child.started());
        EXPECT_TRUE(echoOff(child.settings()));
        const int status = child.signalAndWait(sig, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), sig); // still ends as the signal asks
        EXPECT_TRUE(restored(child.settings()));
    }
}

TEST(CtlTerminal, StoppedTheTerminalIsTheShellsAndContinuedItIsQuietAgain)
{
    RawChild child;
    ASSERT_TRUE(child.started());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const int stopped = child.signalAndWait(SIGTSTP, WUNTRACED);
        ASSERT_TRUE(WIFSTOPPED(stopped));
        EXPECT_EQ(WSTOPSIG(stopped), SIGTSTP);
        EXPECT_TRUE(restored(child.settings()));
        const int continued = child.signalAndWait(SIGCONT, WCONTINUED);
        ASSERT_TRUE(WIFCONTINUED(continued));
        EXPECT_TRUE(child.becomes(echoOff)) << "echo stayed on after the program was continued";
    }
    const int status = child.signalAndWait(SIGTERM, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(restored(child.settings()));
}

} // namespace
