// Argument parsing shared by the kvpack verbs that take exactly one folder
// (list, verify): the folder, --json, --help / -h, and the usage errors.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace kvpack {

// argv[0] is the verb. --help or -h prints usage to stdout; --json sets
// *json; another option, a second folder or no folder prints an error and
// usage to stderr. Returns the exit status when the verb must end now (0
// after help, 2 after an error), else nullopt with dir set.
inline std::optional<int> ParseFolderArgument(int argc, char** argv, const char* usage, std::string& dir,
                                              bool* json) {
  dir.clear();
  *json = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(usage, stdout);
      return 0;
    }
    if (a == "--json") {
      *json = true;
      continue;
    }
    if ((!a.empty() && a[0] == '-') || !dir.empty()) {
      std::fprintf(stderr, "kvpack %s: unexpected argument %s\n%s", argv[0], a.c_str(), usage);
      return 2;
    }
    dir = a;
  }
  if (dir.empty()) {
    std::fputs(usage, stderr);
    return 2;
  }
  return std::nullopt;
}

}  // namespace kvpack
