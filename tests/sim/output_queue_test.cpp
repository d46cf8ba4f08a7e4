// The output queue never makes its writer wait: a reader that does not read
// costs dropped (and counted) lines, a reader that is gone costs all of them,
// a reader that keeps up gets every line in order, and stopping takes no
// longer than the grace it is given.
#include "tavirel/sim/output_queue.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tavirel::sim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    read = fds[0];
    write = fds[1];
  }
  ~Pipe() {
    CloseRead();
    if (write >= 0) ::close(write);
  }
  void CloseRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  // Everything in the pipe now, without waiting.
  std::string Drain() const {
    ::fcntl(read, F_SETFL, O_NONBLOCK);
    std::string all;
    char buffer[65536];
    for (ssize_t n; (n = ::read(read, buffer, sizeof buffer)) > 0;)
      all.append(buffer, static_cast<std::size_t>(n));
    return all;
  }
};

std::string Numbered(int i) {
  std::string line = "line " + std::to_string(i) + " ";
  line.resize(99, '.');
  return line + "\n";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start + 1));
  return lines;
}

TEST(OutputQueue, AReaderThatDoesNotReadCostsCountedLinesNeverTime) {
  Pipe pipe;
  constexpr int kLines = 10000;  // a megabyte: the pipe and the queue hold far less
  std::vector<std::string> lines;
  for (int i = 0; i < kLines; ++i) lines.push_back(Numbered(i));
  const auto start = Clock::now();
  {
    OutputQueue queue(pipe.write, 64 * 1024);
    for (const std::string& line : lines) queue.Write(line);
    EXPECT_LT(Clock::now() - start, milliseconds(2000)) << "the writer waited for the reader";
    std::this_thread::sleep_for(milliseconds(100));  // the pipe fills
    const auto stop = Clock::now();
    queue.Stop(milliseconds(50));
    EXPECT_LT(Clock::now() - stop, milliseconds(2000));
    const std::vector<std::string> got = SplitLines(pipe.Drain());
    ASSERT_GT(got.size(), 0u);
    ASSERT_LT(got.size(), lines.size());
    // What arrived is the start of what was written, whole lines in order;
    // the rest was counted, none lost unseen.
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], lines[i]) << i;
    EXPECT_EQ(got.size() + queue.Dropped(), lines.size());
    EXPECT_FALSE(queue.ReaderGone());
  }
}

TEST(OutputQueue, AReaderThatIsGoneCostsEveryLine) {
  ::signal(SIGPIPE, SIG_IGN);  // as every program using the queue does
  Pipe pipe;
  pipe.CloseRead();
  OutputQueue queue(pipe.write);
  queue.Write("first\n");
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (!queue.ReaderGone() && Clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(1));
  ASSERT_TRUE(queue.ReaderGone());
  for (int i = 0; i < 100; ++i) queue.Write("more\n");
  EXPECT_EQ(queue.Dropped(), 101u);
}

TEST(OutputQueue, AReaderThatKeepsUpGetsEveryLineInOrder) {
  Pipe pipe;
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe.read, buffer, sizeof buffer)) > 0;)
      received.append(buffer, static_cast<std::size_t>(n));
  });
  std::string sent;
  {
    OutputQueue queue(pipe.write);
    for (int i = 0; i < 2000; ++i) {
      sent += Numbered(i);
      queue.Write(Numbered(i));
    }
    queue.Stop(std::chrono::seconds(10));
    EXPECT_EQ(queue.Dropped(), 0u);
  }
  ::close(pipe.write);
  pipe.write = -1;
  reader.join();
  EXPECT_EQ(received, sent);
}

}  // namespace
}  // namespace tavirel::sim
