// A stdin session's lines read from a descriptor: split wherever the reads
// fall, a line without end refused without keeping it, and a wake that ends
// the wait for input.
#include "line_source.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <thread>

namespace tavirel::cli {
namespace {

// A pipe whose write end a thread fills with `parts`, one write each.
class Feed {
 public:
  explicit Feed(std::vector<std::string> parts) {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    read_ = fds[0];
    writer_ = std::thread([fd = fds[1], parts = std::move(parts)] {
      for (const std::string& part : parts) {
        std::size_t done = 0;
        while (done < part.size()) {
          const ssize_t n = ::write(fd, part.data() + done, part.size() - done);
          if (n <= 0) break;
          done += static_cast<std::size_t>(n);
        }
      }
      ::close(fd);
    });
  }
  ~Feed() {
    ::close(read_);
    writer_.join();
  }
  [[nodiscard]] int fd() const { return read_; }

 private:
  int read_ = -1;
  std::thread writer_;
};

std::vector<std::string> AllLines(LineSource& source, std::vector<LineSource::Got>* kinds) {
  std::vector<std::string> lines;
  std::string line;
  for (LineSource::Got got; (got = source.Next(line)) != LineSource::Got::End;) {
    kinds->push_back(got);
    lines.push_back(got == LineSource::Got::Line ? line : "<too long>");
    if (got == LineSource::Got::Stopped) break;
  }
  return lines;
}

TEST(FdLines, LinesWhereverTheReadsFall) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"opSubTot 1\nopContante 1\n"}, {"opSubTot 1", "opContante 1"}},
      {{"opSub", "Tot 1\nopCon", "tante 1\n"}, {"opSubTot 1", "opContante 1"}},
      {{"a\r\n", "\n", "last without newline"}, {"a\r", "", "last without newline"}},
      {{}, {}},
  };
  for (const auto& [parts, expected] : cases) {
    Feed feed(parts);
    FdLines source(feed.fd(), -1);
    std::vector<LineSource::Got> kinds;
    EXPECT_EQ(AllLines(source, &kinds), expected);
  }
}

TEST(FdLines, ALineLongerThanTheBoundIsSkippedWholeAndTheNextOneRead) {
  const std::string huge(3 * kMaxLineBytes + 5, 'x');
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"opSubTot 1\n", huge, "\nopCorr 1\n"}, {"opSubTot 1", "<too long>", "opCorr 1"}},
      {{"opSubTot 1\n", huge}, {"opSubTot 1", "<too long>"}},  // no newline before the end
      {{std::string(kMaxLineBytes, 'y') + "\n"}, {std::string(kMaxLineBytes, 'y')}},
  };
  for (const auto& [parts, expected] : cases) {
    Feed feed(parts);
    FdLines source(feed.fd(), -1);
    std::vector<LineSource::Got> kinds;
    EXPECT_EQ(AllLines(source, &kinds), expected);
  }
}

TEST(FdLines, AWakeEndsTheWaitForInput) {
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);  // input that never comes
  const int wake = ::eventfd(0, EFD_CLOEXEC);
  ASSERT_EQ(::write(fds[1], "opSubTot 1\n", 11), 11);
  FdLines source(fds[0], wake);
  std::string line;
  EXPECT_EQ(source.Next(line), LineSource::Got::Line);
  std::thread waker([wake] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint64_t one = 1;
    EXPECT_EQ(::write(wake, &one, sizeof one), 8);
  });
  EXPECT_EQ(source.Next(line), LineSource::Got::Stopped);
  waker.join();
  for (int fd : {fds[0], fds[1], wake}) ::close(fd);
}

}  // namespace
}  // namespace tavirel::cli
