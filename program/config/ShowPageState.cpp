#include "config/ShowPageState.h"

namespace orvane {

namespace {
void CheckIfSet(CheckState& box, int32_t flag) {
    if (flag == 1)
        box.checked = true;
}

void AllowIf(CheckState& box, bool allowed, int32_t flag) {
    box.enabled = allowed;
    if (!allowed) {
        box.checked = false;
    } else {
        CheckIfSet(box, flag);
    }
}
} // namespace

bool IsVolumeLessModel(int32_t id) {
    return (id >= 176 && id <= 178) || id == 185 || (id >= 194 && id <= 199) || id == 500 || id == 501 ||
           (id >= 1000 && id <= 1005) || id == 32850;
}

void ShowPageState::SetFromRecord(const CModelInfo2& m) {
    CheckIfSet(config, m.ToolbarConfig);
    CheckIfSet(powerOn, m.ToolbarPowerOn);
    AllowIf(powerOff, m.ModelID != 167 && m.ModelID != 168, m.ToolbarPowerOff);
    for (int i = 0; i < kInputBoxes; ++i) {
        CheckState& box = inputs[i];
        if (m.InputCode[i] == -1) {
            box.visible = false;
            continue;
        }
        box.visible = true;
        box.caption = m.InputName[i];
        box.checked = m.InputShow[i] == 1;
    }
    CheckIfSet(blankOn, m.ToolbarBlankOn);
    CheckIfSet(blankOff, m.ToolbarBlankOff);
    const bool audio = !IsVolumeLessModel(m.ModelID);
    AllowIf(volume, audio, m.ToolbarVolume);
    AllowIf(mute, audio, m.ToolbarMute);
    AllowIf(freezeOn, m.ModelID != 500, m.ToolbarFreezeOn);
    AllowIf(freezeOff, m.ModelID != 500, m.ToolbarFreezeOff);
    CheckIfSet(advance, m.ToolbarAdvance);
    CheckIfSet(about, m.ToolbarAbout);
    AllowIf(imgSend, m.ImageSendEnable != 0, m.ToolbarImgSend);
    iconChoice = m.IconSize == 1 ? 1 : (m.IconSize == 2 ? 2 : 0);
    if (m.AlwaysOnTop == 1)
        alwaysOnTop = true;
}

void ShowPageState::ToControls(ConfigControls& c) const {
    // A disabled box is unchecked, so it is written as 0.
    auto on = [](const CheckState& box) { return box.enabled && box.checked; };
    c.config = on(config);
    c.powerOn = on(powerOn);
    c.powerOff = on(powerOff);
    c.blankOn = on(blankOn);
    c.blankOff = on(blankOff);
    c.volume = on(volume);
    c.mute = on(mute);
    c.freezeOn = on(freezeOn);
    c.freezeOff = on(freezeOff);
    c.advance = on(advance);
    c.about = on(about);
    c.imgSend = on(imgSend);
    for (int i = 0; i < kInputBoxes; ++i)
        c.inputChecked[i] = inputs[i].checked;
    c.iconChoice = iconChoice;
    c.alwaysOnTop = alwaysOnTop;
}

} // namespace orvane
