#pragma once

#include "finder/FinderSettings.h"
#include "finder/FoundProjectors.h"
#include "finder/PjlinkSearch.h"
#include "finder/UdpSocket.h"

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QSocketNotifier;
class QTreeWidget;

namespace finder {

// The discovery dialog: sends a probe over UDP, listens for the projectors' answers while
// a progress bar runs, and lists what it found merged with the list it was given.
//
// Call order: construct, SetPjtList, DoModal, GetPjtList, destroy. The list comes back
// whether the dialog was closed with OK or Cancel.
class CDiscDlg : public QDialog {
    Q_OBJECT
public:
    // mode 1: the search starts as soon as the dialog opens; otherwise it waits for the
    // Search button.
    CDiscDlg(int mode, QWidget* parent = nullptr);
    ~CDiscDlg() override;

    // The list found so far, in the exchange layout (4-byte addresses, 65-byte names,
    // 32-byte second texts; entry i at index i). A count beyond 256 is read as 256.
    void SetPjtList(unsigned char* addr, char* names, char* infos, int count);
    int DoModal();
    // Writes the resulting list into the arrays and returns its length, 0..256.
    int GetPjtList(unsigned char* addr, char* names, char* infos);

    // Starts a search (again); the answers are merged into the current list when it ends.
    void StartSearch();
    bool IsSearching() const { return searching_; }
    // The settings read from Finder.conf at construction; a search uses them as they are
    // when it starts.
    FinderSettings& Settings() { return settings_; }
    const std::vector<FoundProjector>& List() const { return list_; }

    QTreeWidget* ListView() const { return view_; }
    QProgressBar* Progress() const { return progress_; }

private:
    void OnTick();
    void OnReadyRead();
    void SendProbe();
    void FinishSearch();
    void CloseSocket();
    bool TakePjlinkAnswers();
    void ShowList();

    int mode_;
    FinderSettings settings_;
    std::vector<FoundProjector> list_;    // what GetPjtList returns
    std::vector<FoundProjector> base_;    // the list when the search started
    std::vector<FoundProjector> answers_; // this search's answers
    uint64_t searchId_ = 0;
    int probesSent_ = 0;
    bool searching_ = false;
    QElapsedTimer clock_;

    UdpSocket socket_;
    QSocketNotifier* notifier_ = nullptr;
    std::unique_ptr<PjlinkSearch> pjlink_;
    QSocketNotifier* pjlinkNotifier_ = nullptr;
    QTimer* ticker_ = nullptr;
    QTreeWidget* view_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* searchButton_ = nullptr;
};

} // namespace finder
