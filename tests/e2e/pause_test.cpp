// The closing pause at a real terminal: a pseudo-terminal stands in for the console.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "tests/support/run_program.hpp"

namespace {

const char kPrompt[] = "Press any key to continue . . .";

bool same_modes(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

class Terminal {
  public:
    explicit Terminal(const char* program) {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
        ::tcgetattr(slave_, &before_);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setsid();
            ::ioctl(slave_, TIOCSCTTY, 0);
            ::dup2(slave_, 0);
            ::dup2(slave_, 1);
            ::dup2(slave_, 2);
            ::closefrom(3);
            testing_support::exec_program(program);
            ::_exit(127);
        }
    }
    ~Terminal() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(master_);
        ::close(slave_);
    }

    void type(const std::string& keys) const {
        ASSERT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // Reads the screen until `text` shows up or the time runs out.
    bool wait_for(const std::string& text, int milliseconds = 5000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (screen_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd ready{master_, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[1024];
            const ssize_t got = ::read(master_, chunk, sizeof chunk);
            if (got <= 0) return false;
            screen_.append(chunk, static_cast<std::size_t>(got));
        }
        return true;
    }
    // The exit status once the program ends within the time, or -1.
    int wait_exit(int milliseconds) {
        for (int waited = 0; waited <= milliseconds; waited += 10) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    termios modes() const {
        termios now{};
        ::tcgetattr(slave_, &now);
        return now;
    }
    const termios& modes_before() const { return before_; }
    const std::string& screen() const { return screen_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    bool exited_ = false;
    termios before_{};
    std::string screen_;
};

struct PauseCase {
    const char* program;
    const char* key;
};

TEST(ClosingPause, WaitsAtATerminalUntilAnyKeyAndRestoresTheModes) {
    const PauseCase cases[] = {
        {VANTREL_STRICT, "x"},
        {VANTREL_LENIENT, "x"},
        {VANTREL_STRICT, "\x03"},     // Ctrl-C is a key press here, not an interrupt
        {VANTREL_LENIENT, "\x1b[A"},  // an arrow key sends several bytes
    };
    for (const PauseCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.program << " key " << static_cast<int>(c.key[0]));
        Terminal terminal(c.program);
        terminal.type("1 1\nA 5\n2 0\n3 0\n");
        ASSERT_TRUE(terminal.wait_for(kPrompt)) << terminal.screen();
        EXPECT_NE(
            terminal.screen().find("1 5.00\r\n2 0.00\r\n3 0.00\r\nA 5.00\r\nB 0.00\r\nC 0.00"),
            std::string::npos)
            << "the report shows before the prompt";
        EXPECT_EQ(terminal.wait_exit(300), -1) << "it waits for a key";
        EXPECT_EQ(terminal.modes().c_lflag & (ICANON | ECHO), 0u) << "no Enter, no echo";

        terminal.type(c.key);
        EXPECT_EQ(terminal.wait_exit(5000), 0);
        EXPECT_TRUE(same_modes(terminal.modes(), terminal.modes_before()));
        EXPECT_TRUE(terminal.wait_for(std::string(kPrompt) + "\r\n", 1000))
            << "the prompt line is ended, and the key is not echoed";
    }
}

}  // namespace
