// Entry of kvpack.exe: the wide command line (any folder name, Korean ones
// included) becomes UTF-8 arguments, and the console shows UTF-8 output.
// Output bytes are those of the Linux kvpack (LF line ends, UTF-8).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(kvpack::Utf8FromWide(argv[i]));
  std::vector<char*> utf8;
  for (std::string& a : args) utf8.push_back(a.data());
  utf8.push_back(nullptr);

  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The console's code page is the console's, not ours: restore it on exit.
  const UINT consolePage = GetConsoleOutputCP();
  if (consolePage != 0) SetConsoleOutputCP(CP_UTF8);
  const int status = RunKvpack(argc, utf8.data());
  std::fflush(stdout);
  std::fflush(stderr);
  if (consolePage != 0) SetConsoleOutputCP(consolePage);
  return status;
}
