#pragma once
// The entry point that the launcher of kinevo-cli finds in the commands'
// module: the command line as main() received it, the exit code back.
#define KINEVO_CLI_EXPORT __attribute__((visibility("default")))

// The module's file name, beside the program in the build folder and in
// PREFIX/lib/kinevo once installed.
inline constexpr const char* kCliCommandsModule = "kinevo-cli-commands.so";
inline constexpr const char* kCliEntryPoint = "KinevoCliRun";

extern "C" KINEVO_CLI_EXPORT int KinevoCliRun(int argc, char** argv);
