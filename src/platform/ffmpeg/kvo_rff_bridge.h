#pragma once
// Entry points of the writing bridge plugin KvoRff (a shared library in the
// KvoDll folder beside the program), resolved by name at run time.  Plain C
// calling convention.
#include <cstdint>

#include "platform/ffmpeg/kvo_bridge.h"

extern "C" {

// The version of the plugin, 100 x major + minor; the recorder needs at
// least kKvoRffMinVersion.
using FFVersionFn = int32_t (*)();
// Creates the file for pictures of the given size at `rate` images per
// second; `codec` 1 is the plugin's MPEG-4 codec, 0 its lossless FFV1.
// Returns 1 on success.
using FFwFileNameRffFn = uint8_t (*)(const char* fileName, int32_t height, int32_t width,
                                     double rate, int32_t codec);
// Appends one picture of that size; returns 1 on success.
using FFAddFrameFn = uint8_t (*)(const KvoBitmap* bitmap);
// Finishes and closes the file; returns 1 on success.
using FFWriteFileFn = uint8_t (*)();
// Optional: why the last call failed (UTF-8, French); valid until the next call.
using FFrErrorFn = const char* (*)();
}

constexpr const char* kKvoRffFile = "KvoRff.so";
constexpr int32_t kKvoRffMinVersion = 400;
constexpr int32_t kKvoRffVersion = 500;
// The plugin's codecs, by the flag given to FFwFileName.
constexpr int32_t kKvoRffCodecLossless = 0;
constexpr int32_t kKvoRffCodecMpeg4 = 1;
