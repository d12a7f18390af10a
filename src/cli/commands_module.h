#pragma once
// The entry point that the launcher of kinevo-cli finds in the commands'
// module: the command line as main() received it, the exit code back.
#define KINEVO_CLI_EXPORT __attribute__((visibility("default")))

// The module's file name, beside the program in the build folder and in
// PREFIX/lib/kinevo once installed.
inline constexpr const char* kCliCommandsModule = "kinevo-cli-commands.so";
// The video commands alone, in a module that needs no Qt, spreadsheet or
// capture library: loading those took most of a probe's time.
inline constexpr const char* kCliVideoModule = "kinevo-cli-video.so";
inline constexpr const char* kCliVideoCommands[] = {"probe", "decode-all", "frame"};
inline constexpr const char* kCliEntryPoint = "KinevoCliRun";

extern "C" KINEVO_CLI_EXPORT int KinevoCliRun(int argc, char** argv);
