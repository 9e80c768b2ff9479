// The verbs of kvpack; main.cpp dispatches to them. Each returns the process
// exit status (0 only when the verb fully succeeded).
#pragma once

// The whole tool: argv[1] is the verb; every argument is UTF-8.
int RunKvpack(int argc, char** argv);

int RunBuildCommand(int argc, char** argv);
int RunVerifyCommand(int argc, char** argv);
int RunListCommand(int argc, char** argv);
int RunExtractCommand(int argc, char** argv);
int RunRemoveCommand(int argc, char** argv);
int RunSampleCommand(int argc, char** argv);
int RunBindCommand(int argc, char** argv);
