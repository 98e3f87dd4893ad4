#pragma once

#include "adjust/AdjustItems.h"
#include "adjust/AdjustLink.h"
#include "model/ModelInfo2.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace adjust {
class SetSender;
}

// The advanced-adjustment dialog for one projector: a slider and a number for every
// adjustment the model offers, on tabs; combo boxes for the aspect, lamp-mode, gamma and
// colour-temperature lists; a row of the model's my-buttons. It reads the projector's
// values when it opens and sends every change at once, never holding up the window: the
// projector is talked to on threads of the dialog's own, and results come back as queued
// calls.
class CAdvanceDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAdvanceDlg(QWidget* parent = nullptr);
    ~CAdvanceDlg() override;

    // The model record in use and the projector slot (0-based) to adjust. The record is
    // copied: the dialog never reads the caller's record afterwards.
    void CopyData(orvane::CModelInfo2* model, int slot);

    // OnInitDialog, then the modal run. Returns the dialog's result.
    int DoModal();
    // Builds the controls and starts reading the projector's values; DoModal does this.
    void OnInitDialog();

    // For tests: the controls of one request type, or
    // nullptr when the model does not offer it.
    QSlider* Slider(std::uint16_t type) const;
    QSpinBox* SpinBox(std::uint16_t type) const;
    QComboBox* Combo(std::uint16_t type) const;
    const std::vector<QPushButton*>& MyButtons() const { return myButtons_; }
    QTabWidget* Tabs() const { return tabs_; }
    QString StatusText() const;
    bool IsReading() const { return reading_; }

signals:
    // The opening read has ended (with or without values).
    void valuesRead();
    // A set's outcome has been shown.
    void setFinished(int type);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct RangeControls {
        adjust::RangeItem item;
        QLabel* label = nullptr;
        QSlider* slider = nullptr;
        QSpinBox* spin = nullptr;
    };
    struct ChoiceControls {
        adjust::ChoiceItem item;
        QLabel* label = nullptr;
        QComboBox* combo = nullptr;
    };
    // What the dialog knows of one request type.
    struct Known {
        std::uint16_t type = 0;
        bool valid = false;    // the projector's value is known
        int value = 0;         // the projector's value
        int lastSubmitted = 0; // what the operator asked for last
        bool submitted = false;
    };

    void BuildControls();
    void StartReading();
    void ApplyValues(const std::vector<adjust::ItemValue>& values, bool reached);
    void Submit(std::uint16_t type, int value);
    void OnSetOutcome(const adjust::SetOutcome& outcome);
    void ShowValue(std::uint16_t type, int value);
    void SetEnabled(std::uint16_t type, bool enabled, const QString& why);
    QString Caption(std::uint16_t type) const;
    QString ValueText(std::uint16_t type, int value) const;
    Known& KnownOf(std::uint16_t type);
    void SetStatus(const QString& text);

    orvane::CModelInfo2 model_;
    int slot_ = 0;
    adjust::SlotConnection connection_;
    adjust::AdjustItems items_;
    std::vector<RangeControls> ranges_;
    std::vector<ChoiceControls> choices_;
    std::vector<QPushButton*> myButtons_;
    std::vector<Known> known_;
    QTabWidget* tabs_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* busy_ = nullptr;
    QPushButton* close_ = nullptr;
    bool initialised_ = false;
    bool reading_ = false;
    std::thread reader_;
    std::unique_ptr<adjust::SetSender> sender_;
};
