#pragma once

#include "config/ShowPageState.h"
#include "widgets/DialogTemplate.h"

#include <array>

class QCheckBox;
class QRadioButton;

namespace orvane {

class CModelInfo2;
struct ConfigControls;

// The toolbar-buttons page: which buttons and inputs the toolbar shows, the icon size and
// always-on-top. The rules live in ShowPageState; the page only renders them and reads
// the boxes back. It never writes the record.
class CCnfShow : public OrvaneDialog {
    Q_OBJECT
public:
    static constexpr int kConfigId = 1022;
    static constexpr int kPowerOnId = 1005;
    static constexpr int kPowerOffId = 1007;
    static constexpr int kBlankOnId = 1013;
    static constexpr int kBlankOffId = 1015;
    static constexpr int kVolumeId = 1017;
    static constexpr int kMuteId = 1014;
    static constexpr int kFreezeOnId = 1018;
    static constexpr int kFreezeOffId = 1019;
    static constexpr int kAdvanceId = 1020;
    static constexpr int kAboutId = 1021;
    static constexpr int kImgSendId = 1142;
    static constexpr int kIcon24Id = 1128;
    static constexpr int kIcon36Id = 1129;
    static constexpr int kIcon48Id = 1130;
    static constexpr int kAlwaysOnTopId = 1134;
    // The input boxes, input 1 at the top.
    static constexpr std::array<int, ShowPageState::kInputBoxes> kInputIds = {1012, 1006, 1008, 1009, 1010,
                                                                              1011, 1016, 1024, 1025, 1026};

    explicit CCnfShow(QWidget* parent = nullptr);

    bool OnInitDialog() override;

    // Model = record, then SetFromRecord.
    void Bind(CModelInfo2* model);
    // Sets the boxes from the record without unchecking what the operator ticked.
    void SetFromRecord();
    // What the configuration writer reads from the page.
    void FillControls(ConfigControls& controls) const;

    CModelInfo2* Model = nullptr;

    QCheckBox* Box(int id) const;
    QRadioButton* IconRadio(int choice) const;

private:
    struct Binding {
        CheckState ShowPageState::*state;
        QCheckBox* box;
    };

    // The boxes' current state, as the operator left it.
    ShowPageState ReadBoxes() const;
    void Render(const ShowPageState& state);

    std::array<Binding, 12> buttons_{};
    std::array<QCheckBox*, ShowPageState::kInputBoxes> inputs_{};
    std::array<QRadioButton*, 3> icons_{};
    QCheckBox* alwaysOnTop_ = nullptr;
};

} // namespace orvane
