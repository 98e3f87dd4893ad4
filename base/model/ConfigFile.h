#pragma once

#include "model/ModelInfo2.h"
#include "model/OptionFile.h"
#include "platform/FileUtil.h"

#include <string>

namespace orvane {

// The configuration in use, relative to the working directory.
inline constexpr const char* kCurrentConfigFile = "./Orvane.txt";

// What the writer takes from the configuration dialog's controls rather than from the
// record; the dialog fills it from its pages, the command line and the tests directly.
struct ConfigControls {
    std::string modelName;                     // text of the model box
    bool rowChecked[CModelInfo2::kSlots] = {}; // connection list rows 1..5
    bool config = false, powerOn = false, powerOff = false, blankOn = false, blankOff = false, volume = false,
         mute = false, freezeOn = false, freezeOff = false, advance = false, about = false, imgSend = false;
    bool inputChecked[10] = {}; // show boxes of inputs 1..10
    int iconChoice = 0;         // 0 = 24x24, 1 = 36x36, 2 = 48x48
    bool alwaysOnTop = false;
};

// Per-model file of a model: <program directory>/<name>.txt. Empty when the name cannot
// name a file there (a path separator, "." or "..", empty, or too long): such a model
// has no per-model file, and nothing is read or written through its name.
std::string ModelFilePath(const std::string& modelName);

// Result of ReadConfigFile.
enum class ConfigSource {
    File,       // read from the file
    Catalog,    // no file: a copy of the catalog record
    None,       // no file and no such catalog record: the record is unchanged
    Unreadable, // the file exists but cannot be read: handled as Catalog (or None), and
                // the caller must report it and never write over the file
};

// Loads the working record from the file; when the file does not exist or cannot be
// read, copies catalog record `index` instead (nothing when the index is outside the
// list). Either way it ends by reading the option file into `options`. `read`, when
// given, receives the outcome of reading the file.
ConfigSource ReadConfigFile(const std::string& path, int index, CModelInfo2& model, const ModelList& list,
                            OptionValues& options, FileReadResult* read = nullptr);

// The bytes of a configuration file. The per-model file differs from Orvane.txt only in
// the line endings of its InputNameView_ lines.
std::string FormatConfigFile(const CModelInfo2& model, const ConfigControls& controls, bool perModelFile);

// Configuration files hold projector passwords: readable by their owner only.
inline constexpr unsigned kConfigFileMode = 0600;

// Bits of the WriteConfigFiles result.
inline constexpr int kCurrentConfigWriteFailed = 1;
inline constexpr int kModelConfigWriteFailed = 2;

// Writes ./Orvane.txt, then the per-model file of controls.modelName. Both are replaced
// atomically and readable by their owner only (they hold projector passwords). 0 when
// both were written, else the bits of the files that could not be.
[[nodiscard]] int WriteConfigFiles(const CModelInfo2& model, const ConfigControls& controls);

// Copies a per-model file over ./Orvane.txt unchanged. 0 on success, -1 when the source
// cannot be read or the copy cannot be written.
[[nodiscard]] int CopyConfigToCurrent(const std::string& path);

} // namespace orvane
