#pragma once
// One run of a program as a process, the way every benchmark times a tool: its standard
// input and output on /dev/null, the time on the clock from its start to its end, and from
// the system the processor time (user and system) and the peak resident size it took.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace brimsel::bench {

struct ProcessRun {
  double wall = 0;     // seconds
  double cpu = 0;      // seconds
  double peakMiB = 0;  // resident
  bool failed = false;  // ended with a status other than 0
};

inline ProcessRun RunProcess(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::fflush(stdout);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (failed || wait4(pid, &status, 0, &usage) != pid) {
    std::fprintf(stderr, "cannot run %s\n", argv[0].c_str());
    std::exit(1);
  }
  ProcessRun run;
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
  return run;
}

}  // namespace brimsel::bench
