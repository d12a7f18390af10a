#pragma once
// Gives the montage recording its real services: the three recorder
// back-ends (built-in AVI writer, FFmpeg encoders, KvoRff plugin) and the
// picture files read and written by the conversions.
#include <string>

#include "core/montage/record_montage.h"

namespace kinevo {

// `bridgeFolder` empty: the folder KvoDll beside the running program.
void InstallRecorders(TRecordMontage& recording, const std::string& bridgeFolder = {});

}  // namespace kinevo
