#include "config/qt/CnfShow.h"

#include "catalog/MessageCatalog.h"
#include "model/ConfigFile.h"
#include "model/ModelInfo2.h"
#include "widgets/TranslateWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

namespace orvane {

CCnfShow::CCnfShow(QWidget* parent) : OrvaneDialog(parent) {
    // Template of the page: 293 by 200 dialog units, no caption.
    resize(DluSize(293, 200));
    struct ButtonDef {
        CheckState ShowPageState::*state;
        int id;
        const char* caption;
        int x, y;
    };
    const ButtonDef defs[] = {
        {&ShowPageState::config, kConfigId, "62;Config", 10, 8},
        {&ShowPageState::powerOn, kPowerOnId, "16;Power On", 10, 22},
        {&ShowPageState::powerOff, kPowerOffId, "17;Power Off", 10, 36},
        {&ShowPageState::blankOn, kBlankOnId, "18;Blank On", 10, 50},
        {&ShowPageState::blankOff, kBlankOffId, "19;Blank Off", 10, 64},
        {&ShowPageState::volume, kVolumeId, "20;Volume", 10, 78},
        {&ShowPageState::mute, kMuteId, "21;Mute", 10, 92},
        {&ShowPageState::freezeOn, kFreezeOnId, "22;Freeze On", 10, 106},
        {&ShowPageState::freezeOff, kFreezeOffId, "23;Freeze Off", 10, 120},
        {&ShowPageState::advance, kAdvanceId, "24;Advance", 10, 134},
        {&ShowPageState::about, kAboutId, "26;About", 10, 148},
        {&ShowPageState::imgSend, kImgSendId, "25;Image Send", 10, 162},
    };
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        auto* box = MakeCtrl<QCheckBox>(this, defs[i].id, QRect(defs[i].x, defs[i].y, 90, 10));
        box->setText(QString::fromLatin1(defs[i].caption));
        buttons_[i] = {defs[i].state, box};
    }
    for (std::size_t i = 0; i < inputs_.size(); ++i)
        inputs_[i] = MakeCtrl<QCheckBox>(this, kInputIds[i], QRect(110, 8 + 14 * static_cast<int>(i), 90, 10));

    // The radio buttons lie over the group box as its siblings, so that the page's
    // translation reaches the group box's caption and the buttons alike.
    MakeCtrl<QGroupBox>(this, 0, QRect(210, 4, 75, 62))->setTitle(QStringLiteral("27;Icon Size"));
    const int iconIds[] = {kIcon24Id, kIcon36Id, kIcon48Id};
    const char* iconCaptions[] = {"24x24", "36x36", "48x48"};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        icons_[static_cast<std::size_t>(i)] = MakeCtrl<QRadioButton>(this, iconIds[i], QRect(220, 18 + 14 * i, 55, 10));
        icons_[static_cast<std::size_t>(i)]->setText(QString::fromLatin1(iconCaptions[i]));
        group->addButton(icons_[static_cast<std::size_t>(i)], i);
    }
    alwaysOnTop_ = MakeCtrl<QCheckBox>(this, kAlwaysOnTopId, QRect(210, 74, 80, 10));
    alwaysOnTop_->setText(QStringLiteral("28;Always on top "));

    // Kept in the template for the translators' sake; the page has no function for it.
    auto* allCheck = MakeCtrl<QCheckBox>(this, 0, QRect(110, 150, 80, 10));
    allCheck->setText(QStringLiteral("63;ALL Check"));
    allCheck->hide();
}

bool CCnfShow::OnInitDialog() {
    TranslateWindow(kCatalogSetUi, this);
    return true;
}

void CCnfShow::Bind(CModelInfo2* model) {
    Model = model;
    SetFromRecord();
}

QCheckBox* CCnfShow::Box(int id) const {
    return FindCtrl<QCheckBox>(this, id);
}

QRadioButton* CCnfShow::IconRadio(int choice) const {
    return choice >= 0 && choice < 3 ? icons_[static_cast<std::size_t>(choice)] : nullptr;
}

ShowPageState CCnfShow::ReadBoxes() const {
    ShowPageState s;
    auto read = [](CheckState& state, const QCheckBox* box) {
        state.checked = box->isChecked();
        state.enabled = box->isEnabled();
        state.visible = !box->isHidden();
        state.caption = box->text().toStdString();
    };
    for (const Binding& b : buttons_)
        read(s.*b.state, b.box);
    for (std::size_t i = 0; i < inputs_.size(); ++i)
        read(s.inputs[i], inputs_[i]);
    s.iconChoice = icons_[1]->isChecked() ? 1 : (icons_[2]->isChecked() ? 2 : 0);
    s.alwaysOnTop = alwaysOnTop_->isChecked();
    return s;
}

void CCnfShow::Render(const ShowPageState& s) {
    auto render = [](const CheckState& state, QCheckBox* box, bool withCaption) {
        box->setEnabled(state.enabled);
        box->setChecked(state.checked);
        box->setHidden(!state.visible);
        if (withCaption)
            box->setText(QString::fromStdString(state.caption));
    };
    for (const Binding& b : buttons_)
        render(s.*b.state, b.box, false);
    for (std::size_t i = 0; i < inputs_.size(); ++i)
        render(s.inputs[i], inputs_[i], s.inputs[i].visible);
    icons_[static_cast<std::size_t>(s.iconChoice)]->setChecked(true);
    alwaysOnTop_->setChecked(s.alwaysOnTop);
}

void CCnfShow::SetFromRecord() {
    if (Model == nullptr)
        return;
    ShowPageState state = ReadBoxes();
    state.SetFromRecord(*Model);
    Render(state);
}

void CCnfShow::FillControls(ConfigControls& controls) const {
    ReadBoxes().ToControls(controls);
}

} // namespace orvane
