#pragma once

// The directory a dialog or a main window of a GUI test runs in.

#include "model/ConfigFile.h"
#include "model/ModelInfo2.h"
#include "support/TempDir.h"

#include <QByteArray>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::test {

// The text of a file of the source tree; a missing one throws, as no test can go on without it.
std::string SourceFile(const std::string& relative);

// Working and program directory of one test: the sample model catalog and the shipped English
// catalog (opened, under language 1033) unless left out, a discovery settings file that keeps
// every probe on loopback, and a private directory for the instance locks, so that tests never
// meet a running program's lock.
class GuiSandbox {
public:
    enum Contents : unsigned {
        kModelCatalog = 1,
        kEnglishCatalog = 2,
        kBothCatalogs = kModelCatalog | kEnglishCatalog,
    };

    explicit GuiSandbox(unsigned contents = kBothCatalogs);
    ~GuiSandbox();
    GuiSandbox(const GuiSandbox&) = delete;
    GuiSandbox& operator=(const GuiSandbox&) = delete;

    const Sandbox& Box() const { return box_; }
    std::string File(std::string_view name) const { return box_.File(name); }
    void Write(std::string_view name, std::string_view content) const { box_.Write(name, content); }
    std::string Read(std::string_view name) const { return box_.Read(name); }
    bool Exists(std::string_view name) const;

    // The records of the sandbox's model catalog, as loaded when the sandbox was made.
    const ModelList& Models() const { return models_; }
    ModelList& Models() { return models_; }

    // Writes a catalog of the given entries ("11.16 = text" lines under [1033]) and opens it.
    void OpenCatalogWith(const std::string& entries);

    // The options file: skip login, skip configuration dialog, poll interval in seconds.
    void WriteOptions(int skipLogin, int skipConfig, int interval) const;

    using Adjust = std::function<void(CModelInfo2& model, ConfigControls& controls)>;

    // A configuration of catalog model `name` whose projectors listen on 127.0.0.1 at `ports`
    // (the first one reported on the toolbar), every button shown, written as ./Orvane.txt and
    // as the model's own file. Returns the record as written.
    CModelInfo2 WriteConfig(const std::string& name, const std::vector<int>& ports, const Adjust& adjust = {}) const;

private:
    TempDir runtime_;
    QByteArray oldRuntime_;
    Sandbox box_;
    ModelList models_;
};

} // namespace orvane::test
