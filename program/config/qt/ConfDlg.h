#pragma once

#include "config/FoundList.h"
#include "model/ModelInfo2.h"
#include "widgets/DialogTemplate.h"

#include <functional>
#include <string>

class QComboBox;
class QPushButton;
class QTabBar;

namespace orvane {

class CCnfConn;
class CCnfShow;
class CCtrlOptionDlg;
class IInstanceGuard;

// The configuration dialog: the model, the projectors of the set and how each is reached,
// the toolbar buttons and the start-up options, on three tabs. It edits the working
// record in place through Model; OK checks the connection page, writes Orvane.txt, the
// model's file and the option file, reads the configuration back and ends with IDOK.
//
// The object lives as long as the main window and is run again for each configuration;
// its pages are made anew for every run, while the found list is kept between runs. Its
// controls are made by the first run: a toolbar started with a saved configuration may
// never show the dialog.
class CConfDlg : public OrvaneDialog {
    Q_OBJECT
public:
    static constexpr int kModelComboId = 1003;
    static constexpr int kTabId = 1122;
    static constexpr int kDiscoveryId = 1123;
    static constexpr int kTabWidth = 155;
    // (2201, 1100): a configuration file could not be written; %1 names it.
    static constexpr int kConfigWriteFailedMessage = 1100;

    // Runs the discovery component over the found list: it is handed the list found so
    // far (`count` entries) and returns the count of the list it wrote back.
    using DiscoveryRunner =
        std::function<int(FoundAddrArray& addr, FoundNameArray& name, FoundInfoArray& info, int count)>;

    explicit CConfDlg(QWidget* parent = nullptr);
    ~CConfDlg() override;

    // IDOK after a successful OK, IDCANCEL after Cancel.
    int DoModal() override;

    bool OnInitDialog() override;
    void OnOK() override;
    void OnSelchangeModel();
    void OnSelchangeTab();
    void OnDiscovery();

    // The main window's guard (nullptr: no guard is taken).
    void SetInstanceGuard(IInstanceGuard* guard) { guard_ = guard; }
    // Replaces the discovery component (tests); an empty runner restores it.
    void SetDiscoveryRunner(DiscoveryRunner runner) { discovery_ = std::move(runner); }

    // Found list of the last discovery run; kept across runs of the dialog.
    FoundNameArray FoundName = {};
    FoundInfoArray FoundInfo = {};
    FoundAddrArray FoundAddr = {};
    int FoundCount = 0;

    // The pages of the current run (nullptr outside a run).
    CCnfShow* PageShow = nullptr;
    CCnfConn* PageConn = nullptr;
    CCtrlOptionDlg* PageOption = nullptr;

    CModelInfo2* Model = nullptr;           // the main window's working record
    int SkipConfig = 0;                     // option file line 2
    int SkipLogin = 0;                      // option file line 1
    int UpdateInterval = 30;                // option file line 3, seconds
    orvane::ModelList* ModelList = nullptr; // the main window's model catalog records

    // Made by the first run (nullptr before it).
    QTabBar* Tab = nullptr;
    QComboBox* ModelCombo = nullptr;
    QPushButton* DiscoveryButton = nullptr;

    // The place of the pages in the dialog, in pixels of its client area.
    static constexpr int kPageX = 20;
    static constexpr int kPageY = 96;

private:
    void CreateControls();
    void ReadConfig(const std::string& path, int index);
    void ApplyDiscoveryChoices();
    void SelectModelEntry();
    void DestroyPages();
    void ShowWriteFailure(const std::string& path);
    int RunDiscoveryComponent(FoundAddrArray& addr, FoundNameArray& name, FoundInfoArray& info, int count);

    IInstanceGuard* guard_ = nullptr;
    DiscoveryRunner discovery_;
};

} // namespace orvane
