#include "support/qt/GuiSandbox.h"

#include "catalog/MessageCatalog.h"
#include "model/ModelCatalog.h"
#include "platform/FileUtil.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace orvane::test {

std::string SourceFile(const std::string& relative) {
    std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing source file " + relative);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

GuiSandbox::GuiSandbox(unsigned contents) : oldRuntime_(qgetenv("XDG_RUNTIME_DIR")) {
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.path()));
    // Port 9 on loopback: nothing answers there, and nothing leaves the machine.
    box_.Write("Finder.conf", "[Probe]\nAddress=127.0.0.1\nPort=9\nListenMs=200\n[PJLink]\nSearch=0\n");
    CloseCatalog();
    if ((contents & kModelCatalog) != 0) {
        box_.Write("OrvaneModel.txt", SourceFile("res/OrvaneModel.txt"));
        if (!LoadModelCatalog(models_).ok())
            throw std::runtime_error("the sample model catalog does not load");
    }
    if ((contents & kEnglishCatalog) != 0) {
        box_.Write(kDefaultCatalogFile, SourceFile("res/txtdef.cat"));
        box_.Write(kMarkerEnglish, "");
        OpenCatalog();
    }
}

GuiSandbox::~GuiSandbox() {
    CloseCatalog();
    qputenv("XDG_RUNTIME_DIR", oldRuntime_);
}

bool GuiSandbox::Exists(std::string_view name) const {
    return FileExists(File(name));
}

void GuiSandbox::OpenCatalogWith(const std::string& entries) {
    box_.Write(kDefaultCatalogFile, "[1033]\n" + entries);
    box_.Write(kMarkerEnglish, "");
    OpenCatalog();
}

void GuiSandbox::WriteOptions(int skipLogin, int skipConfig, int interval) const {
    Write("OrvaneOpt.txt",
          std::to_string(skipLogin) + "\n" + std::to_string(skipConfig) + "\n" + std::to_string(interval) + "\n");
}

CModelInfo2 GuiSandbox::WriteConfig(const std::string& name, const std::vector<int>& ports,
                                    const Adjust& adjust) const {
    CModelInfo2 model;
    const int index = FindModelIndex(models_, name);
    if (index >= 0)
        model = *models_[static_cast<std::size_t>(index)];
    model.Name = name;
    model.PjtNum = static_cast<int32_t>(ports.size());
    model.SelectPrj = ports.empty() ? 0 : 1;
    for (std::size_t s = 0; s < ports.size() && s < CModelInfo2::kSlots; ++s) {
        model.ConnectMethod[s] = 1;
        model.ComNo[s] = 0;
        model.PortNo[s] = ports[s];
        SetText(model.IPAddress[s], "127.0.0.1");
        SetText(model.Password[s], "");
    }
    ConfigControls controls;
    controls.modelName = name;
    controls.rowChecked[0] = !ports.empty();
    controls.config = controls.powerOn = controls.powerOff = controls.blankOn = controls.blankOff = true;
    controls.volume = controls.mute = controls.freezeOn = controls.freezeOff = true;
    controls.advance = controls.about = controls.imgSend = true;
    for (bool& shown : controls.inputChecked)
        shown = true;
    if (adjust)
        adjust(model, controls);
    if (WriteConfigFiles(model, controls) != 0)
        throw std::runtime_error("the configuration of " + name + " was not written");
    return model;
}

} // namespace orvane::test
