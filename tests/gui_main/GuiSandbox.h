#pragma once

// Helpers of the main window's QtTests: a sandbox the window can start in, configurations
// pointing at pjsim, and a recorder that answers the message boxes.

#include "catalog/MessageCatalog.h"
#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"
#include "platform/FileUtil.h"
#include "support/TempDir.h"
#include "widgets/OrvaneMessageBox.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace orvane::test {

inline std::string ReadTextFile(const std::string& path) {
    std::string text;
    ReadWholeFile(path, text, kMaxSettingsFileSize);
    return text;
}

// Working and program directory of one main window: the shipped English catalog, the
// sample model catalog (unless left out) and a private directory for the instance locks,
// so that tests never meet a running program's lock.
class GuiSandbox {
public:
    explicit GuiSandbox(bool withModelCatalog = true) {
        box_.Write(kDefaultCatalogFile, ReadTextFile(std::string(ORVANE_BIN_DIR) + "/" + kDefaultCatalogFile));
        box_.Write(kMarkerEnglish, "");
        if (withModelCatalog)
            box_.Write("OrvaneModel.txt", ReadTextFile(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt"));
        oldRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.path()));
        OpenCatalog();
    }

    ~GuiSandbox() {
        CloseCatalog();
        qputenv("XDG_RUNTIME_DIR", oldRuntime_);
    }

    GuiSandbox(const GuiSandbox&) = delete;
    GuiSandbox& operator=(const GuiSandbox&) = delete;

    std::string File(std::string_view name) const { return box_.File(name); }
    void Write(std::string_view name, std::string_view content) const { box_.Write(name, content); }
    std::string Read(std::string_view name) const { return box_.Read(name); }

    // The options file: skip login, skip configuration dialog, poll interval in seconds.
    void WriteOptions(int skipLogin, int skipConfig, int interval) const {
        Write("OrvaneOpt.txt",
              std::to_string(skipLogin) + "\n" + std::to_string(skipConfig) + "\n" + std::to_string(interval) + "\n");
    }

    using Adjust = std::function<void(CModelInfo2& model, ConfigControls& controls)>;

    // A configuration of catalog model `name` whose projectors listen on 127.0.0.1 at
    // `ports` (the first one reported on the toolbar), every button shown, written as
    // ./Orvane.txt and as the model's own file. Returns the record as written.
    CModelInfo2 WriteConfig(const std::string& name, const std::vector<int>& ports, const Adjust& adjust = {}) const {
        ModelList list;
        LoadModelCatalogFrom(File("OrvaneModel.txt"), list);
        CModelInfo2 model;
        const int index = FindModelIndex(list, name);
        if (index >= 0)
            model = *list[static_cast<std::size_t>(index)];
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
        WriteConfigFiles(model, controls);
        return model;
    }

private:
    Sandbox box_;
    TempDir runtime_;
    QByteArray oldRuntime_;
};

// Answers every message box instead of a person and keeps what it was asked.
class MessageBoxRecorder {
public:
    struct Box {
        QString text;
        int style = 0;
        bool onGuiThread = false;
    };

    MessageBoxRecorder() {
        old_ = SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            Box box{request.text, request.style, QThread::currentThread() == QCoreApplication::instance()->thread()};
            boxes.push_back(box);
            if (onBox)
                onBox(box);
            if (!answers_.empty()) {
                const int answer = answers_.front();
                answers_.pop_front();
                return answer;
            }
            return (request.style & 0x0F) == MB_YESNO ? IDNO : IDOK;
        });
    }

    ~MessageBoxRecorder() { SetMessageBoxHandler(old_); }

    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // The answers of the next boxes, in order; without one a box is answered No or OK.
    void Answer(int id) { answers_.push_back(id); }

    std::vector<Box> boxes;
    // Runs while a box is open, before it is answered.
    std::function<void(const Box&)> onBox;

private:
    std::deque<int> answers_;
    MessageBoxHandler old_;
};

} // namespace orvane::test
