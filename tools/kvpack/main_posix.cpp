// Entry of the Linux kvpack: arguments are already UTF-8.
#include <csignal>

#include "commands.h"

int main(int argc, char** argv) {
  // Past a file-size limit a write then fails with EFBIG and the build
  // cleans up and says so, instead of dying with its temporary files left.
  std::signal(SIGXFSZ, SIG_IGN);
  return RunKvpack(argc, argv);
}
