#pragma once

// A model catalog with the largest number of models the reader takes (999), each a copy of
// one of the sample catalog's models, in a directory of its own.

#include "model/ModelCatalog.h"
#include "platform/FileUtil.h"
#include "support/TempDir.h"

#include <cstdio>
#include <string>
#include <vector>

namespace orvane::bench {

class LargeCatalog {
public:
    LargeCatalog() {
        const std::vector<std::string> bodies = SampleModelBodies();
        std::string text = "[MODEL]\r\nNum=" + std::to_string(kMaxCatalogModels) + "\r\n";
        char line[64];
        for (int i = 1; i <= kMaxCatalogModels; ++i) {
            std::snprintf(line, sizeof line, "Model_%03d=Model %03d\r\n", i, i);
            text += line;
        }
        for (int i = 1; i <= kMaxCatalogModels; ++i) {
            std::snprintf(line, sizeof line, "[Model %03d]\r\n", i);
            text += line;
            text += bodies.empty() ? std::string() : bodies[static_cast<std::size_t>(i - 1) % bodies.size()];
        }
        dir_.Write("OrvaneModel.txt", text);
        bytes_ = text.size();
    }

    const test::TempDir& Dir() const { return dir_; }
    std::string Path() const { return dir_.File("OrvaneModel.txt"); }
    std::size_t Bytes() const { return bytes_; }

private:
    // The sample catalog's model sections, without their headers.
    static std::vector<std::string> SampleModelBodies() {
        std::string text;
        // Without the sample there are no bodies, and the benchmark's model count shows it.
        static_cast<void>(
            ReadWholeFile(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", text, kMaxModelCatalogSize));
        std::vector<std::string> bodies;
        std::string* current = nullptr;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            end = end == std::string::npos ? text.size() : end + 1;
            const std::string line = text.substr(pos, end - pos);
            pos = end;
            if (line.starts_with("[")) {
                current = line.starts_with("[MODEL]") ? nullptr : &bodies.emplace_back();
                continue;
            }
            if (current != nullptr)
                *current += line;
        }
        return bodies;
    }

    test::TempDir dir_;
    std::size_t bytes_ = 0;
};

} // namespace orvane::bench
