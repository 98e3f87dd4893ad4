// The toolbar-buttons page, the options page with its user-edit button, and the
// channel-label editor.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDriver.h"

#include "catalog/MessageCatalog.h"
#include "config/qt/CnfShow.h"
#include "config/qt/CtrlOptionDlg.h"
#include "config/qt/EditCHLabel.h"
#include "model/ConfigFile.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cstdio>

using namespace orvane;
using namespace orvane::test;

namespace {

CModelInfo2 AllFlagsOn(int32_t modelId) {
    CModelInfo2 m;
    m.ModelID = modelId;
    m.ToolbarConfig = m.ToolbarPowerOn = m.ToolbarPowerOff = m.ToolbarBlankOn = m.ToolbarBlankOff = 1;
    m.ToolbarVolume = m.ToolbarMute = m.ToolbarFreezeOn = m.ToolbarFreezeOff = 1;
    m.ToolbarAdvance = m.ToolbarAbout = m.ToolbarImgSend = 1;
    m.ImageSendEnable = 1;
    m.IconSize = 0;
    m.AlwaysOnTop = 0;
    m.InputNum = 0;
    return m;
}

void SetInputs(CModelInfo2& m, int count) {
    m.InputNum = count;
    for (int i = 0; i < count && i < CModelInfo2::kInputCapacity; ++i) {
        m.InputCode[i] = i;
        m.InputShow[i] = i % 2;
        SetText(m.InputName[i], "Input " + std::to_string(i + 1));
        SetText(m.InputNameView[i], "LABEL" + std::to_string(i + 1) + "XY");
    }
}

ConfigControls Controls(const CCnfShow& page) {
    ConfigControls c;
    page.FillControls(c);
    return c;
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { sandbox_ = std::make_unique<GuiSandbox>(); }
    void cleanup() {
        CCtrlOptionDlg::SetUserAdminAction(nullptr);
        sandbox_.reset();
    }

    // ---- toolbar-buttons page
    void modelConditionsDisableBoxesAndWriteZero() {
        CModelInfo2 m = AllFlagsOn(500);
        CCnfShow page;
        page.OnInitDialog();
        page.Bind(&m);
        for (int id : {CCnfShow::kVolumeId, CCnfShow::kMuteId, CCnfShow::kFreezeOnId, CCnfShow::kFreezeOffId}) {
            QVERIFY2(!page.Box(id)->isEnabled() && !page.Box(id)->isChecked(), qPrintable(QString::number(id)));
        }
        ConfigControls c = Controls(page);
        QVERIFY(!c.volume && !c.mute && !c.freezeOn && !c.freezeOff);
        QVERIFY(c.powerOn && c.powerOff && c.imgSend && c.config);
        const std::string file = FormatConfigFile(m, c, false);
        QVERIFY(file.find("VOLUME=0\r\r\n") != std::string::npos);
        QVERIFY(file.find("FREEZEOFF=0\r\r\n") != std::string::npos);

        CModelInfo2 m167 = AllFlagsOn(167);
        m167.ImageSendEnable = 0;
        CCnfShow p167;
        p167.Bind(&m167);
        QVERIFY(!p167.Box(CCnfShow::kPowerOffId)->isEnabled());
        QVERIFY(!p167.Box(CCnfShow::kImgSendId)->isEnabled());
        QVERIFY(p167.Box(CCnfShow::kVolumeId)->isChecked());
        ConfigControls c167 = Controls(p167);
        QVERIFY(!c167.powerOff && !c167.imgSend);
    }

    void settingAgainNeverUnchecksATickedBox() {
        CModelInfo2 m = AllFlagsOn(101);
        m.ToolbarBlankOff = 0;
        m.AlwaysOnTop = 0;
        CCnfShow page;
        page.Bind(&m);
        QCheckBox* blankOff = page.Box(CCnfShow::kBlankOffId);
        QCheckBox* blankOn = page.Box(CCnfShow::kBlankOnId);
        QCheckBox* onTop = page.Box(CCnfShow::kAlwaysOnTopId);
        QVERIFY(!blankOff->isChecked());
        blankOff->click();
        blankOn->click();
        onTop->click();
        page.SetFromRecord();
        QVERIFY(blankOff->isChecked());
        QVERIFY(blankOn->isChecked());
        QVERIFY(onTop->isChecked());
        ConfigControls c = Controls(page);
        QVERIFY(c.blankOff && c.alwaysOnTop);
    }

    void inputBoxesAndIconSize() {
        CModelInfo2 m = AllFlagsOn(101);
        SetInputs(m, 12);
        m.InputCode[3] = -1; // no box although below InputNum
        m.IconSize = 3;
        CCnfShow page;
        page.Bind(&m);
        for (int i = 0; i < 10; ++i) {
            QCheckBox* box = page.Box(CCnfShow::kInputIds[static_cast<std::size_t>(i)]);
            if (i == 3) {
                QVERIFY(box->isHidden());
                continue;
            }
            QVERIFY2(!box->isHidden(), qPrintable(QString::number(i)));
            QCOMPARE(box->text(), QStringLiteral("Input %1").arg(i + 1));
            QCOMPARE(box->isChecked(), i % 2 == 1);
        }
        // Input boxes are set both ways: an operator's tick goes when set again.
        page.Box(CCnfShow::kInputIds[0])->click();
        page.SetFromRecord();
        QVERIFY(!page.Box(CCnfShow::kInputIds[0])->isChecked());

        // Any icon size but 1 and 2 shows 24x24 and is written as 0.
        QVERIFY(page.IconRadio(0)->isChecked());
        QCOMPARE(Controls(page).iconChoice, 0);
        QVERIFY(FormatConfigFile(m, Controls(page), false).find("ICON=0\r\r\n") != std::string::npos);
        page.IconRadio(1)->click();
        QCOMPARE(Controls(page).iconChoice, 1);
        QVERIFY(!page.IconRadio(0)->isChecked());
        // Inputs 11 and 12 exist but have no box; the written file keeps all twelve.
        const std::string file = FormatConfigFile(m, Controls(page), false);
        QVERIFY(file.find("Input_012=") != std::string::npos);
    }

    void toolbarPageTranslatesItsCaptions() {
        CCnfShow page;
        page.OnInitDialog();
        QCOMPARE(page.Box(CCnfShow::kPowerOnId)->text(), QString::fromStdString(CatalogText(kCatalogSetUi, 16)));
        QCOMPARE(page.IconRadio(1)->text(), QStringLiteral("36x36"));
    }

    // ---- options page
    void optionsPageShowsAndTakesItsValues() {
        CCtrlOptionDlg page;
        page.SkipConfig = 1;
        page.SkipLogin = 0;
        page.UpdateInterval = 45;
        page.OnInitDialog();
        QVERIFY(page.SkipConfigBox->isChecked());
        QVERIFY(!page.SkipLoginBox->isChecked());
        QCOMPARE(page.IntervalEdit->text(), QStringLiteral("45"));
        QCOMPARE(page.IntervalEdit->maxLength(), 2);
        // The box takes no third character from the keyboard.
        page.IntervalEdit->setFocus();
        page.IntervalEdit->end(false);
        QTest::keyClicks(page.IntervalEdit, QStringLiteral("6"));
        QCOMPARE(page.IntervalText(), QStringLiteral("45"));
        page.SkipLoginBox->click();
        page.SkipConfigBox->click();
        QCOMPARE(page.SkipLogin, 1);
        QCOMPARE(page.SkipConfig, 0);
        // Only digits go into the interval box.
        page.IntervalEdit->clear();
        QTest::keyClicks(page.IntervalEdit, QStringLiteral("a7x"));
        QCOMPARE(page.IntervalText(), QStringLiteral("7"));
    }

    void longerStoredIntervalIsKeptWhole() {
        // The two-character limit is for typing: an interval written longer into the
        // option file must come back unchanged when OK is pressed without touching it.
        CCtrlOptionDlg page;
        page.UpdateInterval = 120;
        page.OnInitDialog();
        QCOMPARE(page.IntervalText(), QStringLiteral("120"));
        page.IntervalEdit->setFocus();
        page.IntervalEdit->end(false);
        QTest::keyClicks(page.IntervalEdit, QStringLiteral("5"));
        QCOMPARE(page.IntervalText(), QStringLiteral("120"));
        // Shortening it is allowed, and then the limit holds again.
        QTest::keyClick(page.IntervalEdit, Qt::Key_Backspace);
        QCOMPARE(page.IntervalText(), QStringLiteral("12"));
        QTest::keyClicks(page.IntervalEdit, QStringLiteral("9"));
        QCOMPARE(page.IntervalText(), QStringLiteral("12"));
        page.UpdateInterval = -5;
        page.OnInitDialog();
        QCOMPARE(page.IntervalText(), QStringLiteral("-5"));
    }

    void userEditButtonFollowsTheTool() {
        MessageBoxRecorder boxes;
        int runs = 0;
        CCtrlOptionDlg::SetUserAdminAction([&runs] { ++runs; });
        CCtrlOptionDlg page;
        page.OnInitDialog();
        page.EnableUserEdit();
        QVERIFY(!page.UserEditButton->isEnabled());
        // Clicked anyway (the tool went away after the tab was selected): the message.
        page.OnUserEdit();
        QCOMPARE(boxes.Count(), std::size_t(1));
        QCOMPARE(boxes.Last().text, QString::fromStdString(CatalogText(kCatalogSetErrors, 1001)));
        QCOMPARE(boxes.Last().style, MB_ICONSTOP);
        QCOMPARE(runs, 0);

        sandbox_->Write("OrvaneUsrEdit", "#!/bin/sh\n");
        page.EnableUserEdit();
        QVERIFY(page.UserEditButton->isEnabled());
        page.UserEditButton->click();
        QCOMPARE(runs, 1);
        QCOMPARE(boxes.Count(), std::size_t(1));

        // Without an action the button only checks that the tool is there.
        CCtrlOptionDlg::SetUserAdminAction(nullptr);
        page.UserEditButton->click();
        QCOMPARE(boxes.Count(), std::size_t(1));

        std::remove("OrvaneUsrEdit");
        page.EnableUserEdit();
        QVERIFY(!page.UserEditButton->isEnabled());
    }

    // ---- channel-label editor
    void labelsAreCutByTheRecordsIconSize() {
        CModelInfo2 m = AllFlagsOn(101);
        SetInputs(m, 3);
        SetText(m.InputNameView[0], "ABCDEFGH");
        m.IconSize = 0; // 24x24: four characters
        {
            CEditCHLabel editor;
            editor.Model = &m;
            editor.OnInitDialog();
            QCOMPARE(editor.LabelEdit(0)->text(), QStringLiteral("ABCD"));
            QCOMPARE(editor.LabelEdit(0)->maxLength(), 4);
            QCOMPARE(editor.NameStatic(0)->text(), QStringLiteral("Input 1"));
            editor.OnOK();
            QCOMPARE(editor.result(), IDOK);
        }
        QCOMPARE(std::string(m.InputNameView[0]), std::string("ABCD"));

        SetText(m.InputNameView[0], "ABCDEFGH");
        m.IconSize = 2; // 48x48: eight
        CEditCHLabel whole;
        whole.Model = &m;
        whole.OnInitDialog();
        QCOMPARE(whole.LabelEdit(0)->text(), QStringLiteral("ABCDEFGH"));
        m.IconSize = 1;
        CEditCHLabel six;
        six.Model = &m;
        six.OnInitDialog();
        QCOMPARE(six.LabelEdit(0)->text(), QStringLiteral("ABCDEF"));
    }

    void labelRowsBeyondTheInputsAreHidden() {
        CModelInfo2 m = AllFlagsOn(101);
        SetInputs(m, 3);
        CEditCHLabel editor;
        editor.Model = &m;
        editor.OnInitDialog();
        for (int row = 0; row < 10; ++row) {
            QCOMPARE(editor.LabelEdit(row)->isHidden(), row >= 3);
            if (row >= 3)
                QVERIFY(editor.NameStatic(row)->text().isEmpty());
        }
        QCOMPARE(FindCtrl(&editor, 1163), static_cast<QWidget*>(editor.LabelEdit(7)));
        QCOMPARE(FindCtrl(&editor, 1168), static_cast<QWidget*>(editor.NameStatic(9)));
    }

    void labelEditorRunsFromTheOptionsPageAndCancelKeepsLabels() {
        CModelInfo2 m = AllFlagsOn(101);
        SetInputs(m, 2);
        m.IconSize = 2;
        CCtrlOptionDlg page;
        page.OnInitDialog();
        page.Model = &m;
        const auto driver = ModalDriver::When<CEditCHLabel>([](CEditCHLabel* editor) {
            editor->LabelEdit(1)->setText(QStringLiteral("NEW"));
            FindCtrl<QPushButton>(editor, IDCANCEL)->click();
        });
        FindCtrl<QPushButton>(&page, CCtrlOptionDlg::kEditLabelId)->click();
        QCOMPARE(std::string(m.InputNameView[1]), std::string("LABEL2XY"));

        const auto driver2 = ModalDriver::When<CEditCHLabel>([](CEditCHLabel* editor) {
            editor->LabelEdit(1)->setText(QStringLiteral("NEW"));
            FindCtrl<QPushButton>(editor, IDOK)->click();
        });
        FindCtrl<QPushButton>(&page, CCtrlOptionDlg::kEditLabelId)->click();
        QCOMPARE(std::string(m.InputNameView[1]), std::string("NEW"));
        QCOMPARE(std::string(m.InputNameView[0]), std::string("LABEL1XY"));
    }

private:
    std::unique_ptr<GuiSandbox> sandbox_;
};

QTEST_MAIN(PagesTest)
#include "PagesTest.moc"
