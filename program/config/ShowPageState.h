#pragma once

#include "model/ConfigFile.h"
#include "model/ModelInfo2.h"

#include <string>

namespace orvane {

// One check box of the toolbar-buttons page.
struct CheckState {
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    std::string caption; // only the input boxes take theirs from the record
};

// What the toolbar-buttons page shows: the decisions live here so that the dialog only
// renders them and the command line can reproduce an untouched page.
struct ShowPageState {
    static constexpr int kInputBoxes = 10;

    CheckState config, powerOn, powerOff, blankOn, blankOff, volume, mute, freezeOn, freezeOff, advance, about, imgSend;
    CheckState inputs[kInputBoxes];
    int iconChoice = 0; // 0 = 24x24, 1 = 36x36, 2 = 48x48
    bool alwaysOnTop = false;

    // Sets the page from the record. Boxes are only ever checked from a flag of 1 (or
    // cleared where the model forbids them): a box the operator ticked stays ticked.
    // The input boxes and the icon size are set both ways.
    void SetFromRecord(const CModelInfo2& model);

    // Copies the boxes into what the configuration writer reads.
    void ToControls(ConfigControls& controls) const;
};

// Models whose projectors have no audio: Volume and Mute are unavailable.
bool IsVolumeLessModel(int32_t modelId);

} // namespace orvane
