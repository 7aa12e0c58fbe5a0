// An X server of its own (Xvfb) for a test or a benchmark: started when it is
// installed, on the first free display (-displayfd tells it once the server
// is ready), stopped with the object. Display() is empty when none started.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class Xvfb {
public:
  explicit Xvfb(const char* screen = "1280x1024x24") {
    if (access("/usr/bin/Xvfb", X_OK) != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 3);
      int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 2);
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  const std::string& Display() const { return display_; }
  pid_t Pid() const { return pid_; }

private:
  pid_t pid_ = -1;
  std::string display_;
};
