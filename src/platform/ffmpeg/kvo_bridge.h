#pragma once
// Entry points of the reading bridge plugin KvoVff (a shared library in the
// KvoDll folder beside the program), resolved by name at run time.  Plain C
// calling convention; every entry may be missing from a plugin.
#include <cstdint>

extern "C" {

// The picture the bridge fills: 24-bit RGB, top row first.
struct KvoBitmap {
  int32_t width;
  int32_t height;
  int32_t stride;  // bytes per row
  uint8_t* pixels;
};

using FFwFileNameFn = void (*)(const char* fileName);
using FFIsOpenFn = uint8_t (*)();
using FFFrameWidthFn = int32_t (*)();
using FFFrameHeightFn = int32_t (*)();
using FFNbImgParSecFn = double (*)();
using FFDurationFn = double (*)();
using FFFrameCountFn = int32_t (*)();
using FFwPositionFn = void (*)(int32_t index);
// Returns 1 when the picture was drawn, 0 when the image could not be decoded;
// the bitmap is then left untouched.
using FFDrawFn = int32_t (*)(KvoBitmap* bitmap);
// The comment tag of a file; the text stays valid until the next call.
using FFCommentaireFn = const char* (*)(const char* fileName);
using FFCloseFn = void (*)();
using FFrFileNameFn = void (*)(const char* fileName);
using FFrPositionFn = void (*)(int32_t index);
// Optional: progress of FFwFileName (fraction; return 0 to cancel).
using FFProgressCallback = int32_t (*)(double fraction, void* user);
using FFwProgressFn = void (*)(FFProgressCallback callback, void* user);
// Optional: bytes of decoded pictures kept for stepping back.
using FFwCacheSizeFn = void (*)(uint64_t bytes);
// Optional: why the last FFwFileName failed (UTF-8, French; empty after a
// success); the text stays valid until the next call.
using FFwErrorFn = const char* (*)();
// Optional: 1 when the open file's image durations are irregular (variable
// rate), 0 otherwise.
using FFwVariableRateFn = uint8_t (*)();
// Optional: the presentation time of image `index`, in seconds from the
// first image shown.
using FFwFrameTimeFn = double (*)(int32_t index);
// Optional: degrees the pictures are turned clockwise to be shown upright
// (0, 90, 180, 270); FFFrameWidth and FFFrameHeight give the upright size.
using FFwRotationFn = int32_t (*)();
// Optional: 1 when the file's image durations mean nothing (all 0, time
// going back) and the images were given even times instead.
using FFwIncoherentDurationsFn = uint8_t (*)();
// Optional: the images per second the file says it was filmed at (slow
// motion), 0 when it does not say.
using FFwCaptureRateFn = double (*)();
// Optional: how many images repeat the picture before them exactly, and
// the file index of the `k`-th of them (increasing).
using FFwSamePictureCountFn = int32_t (*)();
using FFwSamePictureFn = int32_t (*)(int32_t k);
}

// File name of the plugin in the KvoDll folder.
constexpr const char* kKvoVffFile = "KvoVff.so";
