#include "config/ConfigSave.h"

namespace orvane {

int ConfigSave::Prepare(const CModelInfo2& model, const ConfigControls& controls, const OptionValues& options) {
    failedPath_.clear();
    const std::string modelPath = ModelFilePath(controls.modelName);
    struct File {
        std::string path;
        std::string content;
        unsigned mode;
    };
    const File files[] = {
        {kCurrentConfigFile, FormatConfigFile(model, controls, false), kConfigFileMode},
        // A model whose name cannot name a file has no file of its own.
        {modelPath, modelPath.empty() ? std::string() : FormatConfigFile(model, controls, true), kConfigFileMode},
        {kOptionFile, FormatOptions(options), kOptionFileMode},
    };
    for (const File& f : files) {
        if (f.path.empty())
            continue;
        if (files_.Prepare(f.path, f.content, f.mode) != 0) {
            failedPath_ = f.path;
            return -1;
        }
    }
    return 0;
}

int ConfigSave::Commit() {
    failedPath_.clear();
    return files_.Commit(&failedPath_);
}

} // namespace orvane
