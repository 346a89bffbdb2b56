#include "tests/e2e/run_binary.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace tarnwick::e2e {

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::vector<std::string> trace_files_in(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("SQL.Tarnwick.", 0) == 0) names.push_back(name);
  }
  return names;
}

namespace {

RunResult run(const std::vector<std::string>& arguments, const std::string& input,
              const std::string& directory, const std::string& scratch, int interrupt_after_ms) {
  std::string base = (scratch.empty() ? directory : scratch) + "/.run";
  {
    std::ofstream in(base + ".in", std::ios::binary);
    in << input;
  }
  pid_t child = fork();
  if (child == 0) {
    int in = open((base + ".in").c_str(), O_RDONLY);
    int out = open((base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open((base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(directory.c_str()) != 0) _exit(120);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    std::string program = TARNWICK_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(121);
  }
  RunResult result;
  int status = 0;
  if (interrupt_after_ms >= 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(interrupt_after_ms));
    auto interrupted = std::chrono::steady_clock::now();
    kill(child, SIGINT);
    waitpid(child, &status, 0);
    result.seconds_after_interrupt =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - interrupted).count();
  } else {
    waitpid(child, &status, 0);
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = slurp(base + ".out");
  result.err = slurp(base + ".err");
  unlink((base + ".in").c_str());
  unlink((base + ".out").c_str());
  unlink((base + ".err").c_str());
  return result;
}

}  // namespace

RunResult run_tarnwick(const std::vector<std::string>& arguments, const std::string& input,
                       const std::string& directory, const std::string& scratch) {
  return run(arguments, input, directory, scratch, -1);
}

RunResult run_tarnwick_interrupted(const std::vector<std::string>& arguments, const std::string& input,
                                   const std::string& directory, int milliseconds) {
  return run(arguments, input, directory, "", milliseconds);
}

std::string output_of(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::string replay_log_bytes(const std::vector<std::string>& statements) {
  auto word = [](uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
  };
  std::string log = word(0) + word(1);
  for (const std::string& text : statements) log += word(0) + word(static_cast<uint32_t>(text.size())) + text;
  return log;
}

PgServer pg_test_server() {
  return {environment("PGTEST_HOST"), environment("PGTEST_PORT"), environment("PGTEST_USER")};
}

}  // namespace tarnwick::e2e
