// Reads and writes that a signal interrupts are retried, so nothing is lost or doubled; a pipe
// on standard input is widened.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "console/platform.hpp"

namespace {

std::atomic<int> interruptions{0};
void count_interruption(int) {
    interruptions.fetch_add(1);
}

// While it lives, SIGALRM arrives every millisecond in this thread and, having a handler
// installed without SA_RESTART, interrupts whatever call the thread is blocked in.
class Interrupter {
  public:
    Interrupter() {
        struct sigaction action {};
        action.sa_handler = count_interruption;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: blocked calls fail with EINTR
        sigaction(SIGALRM, &action, &old_action_);
        itimerval every_millisecond{{0, 1000}, {0, 1000}};
        setitimer(ITIMER_REAL, &every_millisecond, nullptr);
    }
    ~Interrupter() {
        itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &old_action_, nullptr);
    }

  private:
    struct sigaction old_action_ {};
};

// A thread that must not take the signals meant for the test's own thread.
template <typename Work>
std::thread without_alarms(Work work) {
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &alarm, &old);
    std::thread thread(work);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return thread;
}

TEST(InterruptedCalls, AReadIsRetried) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    std::thread writer = without_alarms([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(write(pipe_ends[1], "12", 2), 2);
    });
    interruptions = 0;
    char got[8] = {};
    std::ptrdiff_t count = 0;
    {
        Interrupter interrupter;
        count = console::read_fd(pipe_ends[0], got, sizeof got);
    }
    writer.join();
    EXPECT_GT(interruptions.load(), 0) << "the read was never interrupted";
    EXPECT_EQ(count, 2);
    EXPECT_EQ(std::string(got, 2), "12");
    close(pipe_ends[0]);
    close(pipe_ends[1]);
}

TEST(InterruptedCalls, AWriteIsFinishedWithoutLossOrRepeats) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    // Several times what the pipe holds: the write blocks until the reader catches up.
    std::string text;
    for (int i = 0; text.size() < 1'000'000; ++i) text += std::to_string(i) + "\n";
    std::string received;
    std::thread reader = without_alarms([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        char chunk[4096];
        for (ssize_t got; (got = read(pipe_ends[0], chunk, sizeof chunk)) > 0;) {
            received.append(chunk, static_cast<std::size_t>(got));
        }
    });
    interruptions = 0;
    bool written = false;
    {
        Interrupter interrupter;
        written = console::write_all(pipe_ends[1], text.data(), text.size());
    }
    close(pipe_ends[1]);
    reader.join();
    close(pipe_ends[0]);
    EXPECT_TRUE(written);
    EXPECT_GT(interruptions.load(), 0) << "the write was never interrupted";
    EXPECT_TRUE(received == text) << "received " << received.size() << " of " << text.size();
}

}  // namespace

#if defined(F_SETPIPE_SZ)
// A pipe on standard input is widened, so that cat's 128 KiB writes fit without a wait; it is
// never made narrower than it was.
TEST(WidenPipe, HoldsCatsWritesAndNeverNarrows) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    console::widen_pipe(ends[0]);
    EXPECT_GE(fcntl(ends[0], F_GETPIPE_SZ), 128 * 1024);
    ASSERT_GE(fcntl(ends[0], F_SETPIPE_SZ, 1024 * 1024), 1024 * 1024);
    console::widen_pipe(ends[0]);
    EXPECT_GE(fcntl(ends[0], F_GETPIPE_SZ), 1024 * 1024);
    close(ends[0]);
    close(ends[1]);
}
#endif
