// The service's sockets on Winsock (service/src/http/socket_win.cpp): a
// listener, a connection both ways with a megabyte that cannot go in one
// call, the end of a connection, the waker from another thread, a port in
// use, and Winsock's use counted so sockets close in any order.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <future>
#include <string>
#include <system_error>
#include <thread>

#include "http/socket.hpp"

namespace tavirel::service::http {
namespace {

using namespace std::chrono_literals;

// A blocking client of our own, beside the sockets under test.
class Client {
 public:
  explicit Client(int port) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    s_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(s_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() {
    Close();
    ::WSACleanup();
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
  [[nodiscard]] bool Connected() const { return connected_; }
  void Close() {
    if (s_ != INVALID_SOCKET) ::closesocket(s_);
    s_ = INVALID_SOCKET;
  }
  SOCKET socket() const { return s_; }

 private:
  SOCKET s_ = INVALID_SOCKET;
  bool connected_ = false;
};

bool WaitFor(const Socket& socket, bool write, std::chrono::milliseconds limit = 30s) {
  std::vector<PollItem> items{{&socket, !write, write}};
  Poll(items, limit);
  return write ? items[0].writable : items[0].readable;
}

Socket AcceptOne(const Socket& listener, std::string& peer) {
  EXPECT_TRUE(WaitFor(listener, false));
  return Accept(listener, peer);
}

TEST(ServiceSocket, ServesALoopbackClientBothWaysToTheEnd) {
  int port = 0;
  const Socket listener = Listen("127.0.0.1", 0, 8, port);
  ASSERT_GT(port, 0);
  std::string peer;
  EXPECT_FALSE(Accept(listener, peer).Valid());  // none waits: at once, not blocked
  Client client(port);
  ASSERT_TRUE(client.Connected());
  const Socket connection = AcceptOne(listener, peer);
  ASSERT_TRUE(connection.Valid());
  EXPECT_EQ(peer, "127.0.0.1");

  // A megabyte out: more than the buffers hold on Windows, so sends may come
  // back WouldBlock (never block) and go on when writable. (Wine queues it
  // all at once.)
  std::string sent(1 << 20, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 + i / 4096);
  auto reader = std::async(std::launch::async, [&client, total = sent.size()] {
    std::string got;
    char buffer[65536];
    while (got.size() < total) {
      const int n = ::recv(client.socket(), buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  });
  std::size_t done = 0;
  while (done < sent.size()) {
    const IoResult r = Send(connection, sent.data() + done, sent.size() - done);
    if (r.status == Io::WouldBlock) {
      ASSERT_TRUE(WaitFor(connection, true));
      continue;
    }
    ASSERT_EQ(r.status, Io::Done);
    done += r.bytes;
  }
  ASSERT_EQ(reader.wait_for(60s), std::future_status::ready);
  EXPECT_TRUE(reader.get() == sent) << "the megabyte arrived changed";

  // In: what the client sends, then its end.
  char buffer[64];
  EXPECT_EQ(Receive(connection, buffer, sizeof buffer).status, Io::WouldBlock);
  ASSERT_EQ(::send(client.socket(), "GET / HTTP/1.1\r\n", 16, 0), 16);
  ASSERT_TRUE(WaitFor(connection, false));
  const IoResult in = Receive(connection, buffer, sizeof buffer);
  ASSERT_EQ(in.status, Io::Done);
  EXPECT_EQ(std::string(buffer, in.bytes), "GET / HTTP/1.1\r\n");
  ::shutdown(client.socket(), SD_SEND);
  ASSERT_TRUE(WaitFor(connection, false));
  EXPECT_EQ(Receive(connection, buffer, sizeof buffer).status, Io::Ended);
  ShutdownWrite(connection);
  EXPECT_EQ(::recv(client.socket(), buffer, sizeof buffer, 0), 0);  // the client reads the end
}

TEST(ServiceSocket, TheWakerWakesAPollOnAnotherThreadAndDrains) {
  Waker waker;
  std::vector<PollItem> items{{&waker.Readable(), true, false}};
  Poll(items, 0ms);
  EXPECT_FALSE(items[0].readable);
  const auto started = std::chrono::steady_clock::now();
  std::thread notifier([&waker] {
    std::this_thread::sleep_for(50ms);  // the poll below is waiting by then, or soon is
    waker.Notify();
  });
  Poll(items, 60s);
  notifier.join();
  EXPECT_TRUE(items[0].readable);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 30s) << "woken by the limit, not Notify";
  // Many notifications never block the notifier; one Drain takes them all.
  for (int i = 0; i < 10000; ++i) waker.Notify();
  waker.Drain();
  Poll(items, 0ms);
  EXPECT_FALSE(items[0].readable);
}

TEST(ServiceSocket, APortInUseIsRefusedNamingTheAddress) {
  int port = 0;
  const Socket first = Listen("127.0.0.1", 0, 8, port);
  int again = 0;
  try {
    (void)Listen("127.0.0.1", port, 8, again);
    FAIL() << "a second listener on port " << port;
  } catch (const std::system_error& e) {
    EXPECT_NE(std::string(e.what()).find("127.0.0.1:" + std::to_string(port)), std::string::npos)
        << e.what();
  }
}

// Each socket holds its own use of Winsock: closing one (or a waker) leaves
// the others working, and Winsock works again after all are gone.
TEST(ServiceSocket, SocketsCloseInAnyOrder) {
  for (int round = 0; round < 3; ++round) {
    int port = 0;
    Socket listener = Listen("127.0.0.1", 0, 8, port);
    {
      Waker waker;
      waker.Notify();
    }
    Client client(port);
    ASSERT_TRUE(client.Connected()) << "round " << round;
    std::string peer;
    Socket connection = AcceptOne(listener, peer);
    ASSERT_TRUE(connection.Valid()) << "round " << round;
    listener.Close();  // before the connection it accepted
    ASSERT_EQ(::send(client.socket(), "x", 1, 0), 1);
    ASSERT_TRUE(WaitFor(connection, false));
    char c = 0;
    EXPECT_EQ(Receive(connection, &c, 1).status, Io::Done) << "round " << round;
  }
}

}  // namespace
}  // namespace tavirel::service::http
