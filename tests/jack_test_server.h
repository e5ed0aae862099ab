// A JACK server of the test's own, on the dummy driver: a real MIDI system on any machine.
// Its name is unique to the process and becomes the default server for the JACK clients
// this process opens afterwards.
#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

extern char** environ;

namespace kelmar::test {

class JackTestServer {
 public:
  JackTestServer() : name_("kelmar-test-" + std::to_string(getpid())) {
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    const char* argv[] = {"jackd", "--no-realtime", "-n", name_.c_str(), "-d", "dummy", "-r", "48000", "-p", "64", nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "jackd", &quiet, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&quiet);
    for (int i = 0; pid_ && i < 100 && !running_; ++i) {
      running_ = Answers();
      if (!running_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~JackTestServer() {
    if (!pid_) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  JackTestServer(const JackTestServer&) = delete;
  JackTestServer& operator=(const JackTestServer&) = delete;

  bool Running() const { return running_; }

 private:
  static void Quiet(const char*) {}

  bool Answers() const {
    jack_set_error_function(Quiet);  // "cannot connect" while the server starts up
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("kelmar-test-probe", JackNoStartServer, &status);
    if (probe) jack_client_close(probe);
    return probe != nullptr;
  }

  std::string name_;
  pid_t pid_ = 0;
  bool running_ = false;
};

}  // namespace kelmar::test
