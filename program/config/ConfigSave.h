#pragma once

#include "model/ConfigFile.h"
#include "model/OptionFile.h"
#include "platform/FileSetReplacement.h"

#include <string>

namespace orvane {

// What an accepted configuration writes: ./Orvane.txt, the model's own file (when the
// model's name can name one) and the option file, all of them or none. Prepare writes
// them aside; Commit puts them in place. Between the two the caller may still decline,
// and nothing has changed then.
class ConfigSave {
public:
    // 0, or -1 with FailedPath() naming the file that cannot be written.
    [[nodiscard]] int Prepare(const CModelInfo2& model, const ConfigControls& controls, const OptionValues& options);
    // 0, or -1 with FailedPath() naming the file that could not be put in place; every
    // file is then as it was before.
    [[nodiscard]] int Commit();

    const std::string& FailedPath() const { return failedPath_; }

private:
    FileSetReplacement files_;
    std::string failedPath_;
};

} // namespace orvane
