#include "platform/kvxglib/ProcessLauncher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace kvxglib {

bool PosixProcessLauncher::launch(const std::vector<std::string>& argv,
                                  const std::string& workingDirectory) {
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    bool ok = workingDirectory.empty() ||
              posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str()) == 0;
    pid_t pid = 0;
    if (ok) ok = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!ok) return false;

    std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace kvxglib
