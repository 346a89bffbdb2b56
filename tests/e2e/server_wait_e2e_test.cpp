// --timeout=N against a server that accepts connections and never answers:
// the wait gives up after about N seconds, not N times the library's
// connection time-outs.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

class ServerWait : public morvane::testing::TempDirTest {};

TEST_F(ServerWait, ASilentServerEndsTheWaitAfterAboutTimeoutSeconds) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 64), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string port = std::to_string(ntohs(address.sin_port));

  const auto start = std::chrono::steady_clock::now();
  RunResult run = run_tarnwick({"--host=127.0.0.1", "--port=" + port, "--timeout=3"}, "select 1;\n",
                               dir_);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  close(listener);

  EXPECT_EQ(run.exit_code, 255);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("Fatal : ", 0), 0u) << run.err;
  // A hang guard, not a speed figure: three attempts used to take a minute.
  EXPECT_LT(elapsed, std::chrono::seconds(12));
}

}  // namespace
}  // namespace tarnwick::e2e
