#pragma once

#include "picpush/ImageSendJob.h"

#include <QByteArray>
#include <QDialog>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane {
class CModelInfo2;
}

namespace picpush {

// The image-send dialog: the operator opens a picture, sees it fitted to the projectors'
// output size, and sends it to the projectors handed over, with a progress bar and a
// result per projector.
//
// Call order: construct, DataAdd once per projector slot, DoModal, destroy.
//
// The picture is scaled into the chosen output size (black bars where its shape differs)
// and encoded to JPEG once, when it is opened or the size changes; Send hands those bytes to
// one worker per checked projector (at most ImageSendJob::kMaxWorkers at a time). The
// window's thread never waits for a projector: Cancel stops every transfer before its next
// bulk frame, and closing the dialog during a transfer cancels it and waits for the workers
// while the window keeps painting.
class CImageSendDlg : public QDialog {
    Q_OBJECT
public:
    // mode 1: the send dialog above. Any other value opens the same dialog.
    static constexpr int kModeSend = 1;

    // Output sizes offered, the second being the default.
    static const std::vector<QSize>& OutputSizes();

    CImageSendDlg(int mode, QWidget* parent = nullptr);
    ~CImageSendDlg() override;

    // Adds slot `slot` (0-based) of `model` to the list, checked. Its address, port and
    // password are copied now; the model's ImageDispEnable decides whether "Show at once" is
    // offered. A null model or a slot outside 0..4 is ignored.
    void DataAdd(orvane::CModelInfo2* model, int slot);

    // Runs the dialog until the operator closes it. Returns QDialog::Rejected.
    int DoModal();

    // Reads the picture; on failure shows one message box naming the file and keeps what
    // was open before. Also what the "Open image..." button runs after the file dialog.
    bool OpenImage(const QString& path);
    // Sends the encoded picture to the checked projectors; false when nothing is to send.
    bool Send();
    // Asks every running transfer to stop before its next bulk frame.
    void CancelTransfer();
    bool IsSending() const { return job_.Running() || sending_; }

    // Replaces the file dialog of "Open image..." (tests); returns the chosen path or "".
    using FileChooser = std::function<QString(QWidget* parent)>;
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    // The bulk frame size (tests use small ones to see several frames).
    void SetChunkSize(std::size_t size) { options_.chunkSize = size; }

    int Mode() const { return mode_; }
    // The 0-based slots handed over, in order.
    std::vector<int> Slots() const;
    // The JPEG that Send sends; a view that lasts until the picture or the size changes.
    QByteArray EncodedImage() const;
    QSize OutputSize() const;
    void SetOutputSize(int index);

    QTreeWidget* List() const { return list_; }
    QProgressBar* ProgressOf(int row) const;
    QString StatusOf(int row) const;
    QPushButton* OpenButton() const { return openButton_; }
    QPushButton* SendButton() const { return sendButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }
    QPushButton* CloseButton() const { return closeButton_; }
    QCheckBox* ShowBox() const { return showBox_; }
    QComboBox* SizeBox() const { return sizeBox_; }
    QLabel* Preview() const { return preview_; }

signals:
    // Every projector of the last Send has its result.
    void transferFinished();

public slots:
    void reject() override;

private:
    struct Row {
        ImageTarget target;
        QTreeWidgetItem* item = nullptr;
        QProgressBar* progress = nullptr;
    };

    void OnOpen();
    void Encode();
    void UpdatePreview();
    void UpdateControls();
    void OnProgress(std::size_t index, std::size_t sent, std::size_t total);
    void OnFinished(std::size_t index, SendResult result);
    void OnAllDone();
    void WaitForWorkers();

    int mode_;
    bool canShow_ = false;
    bool sending_ = false;
    bool closing_ = false;
    QString path_;
    QImage source_;
    QImage output_;
    // Shared with the workers of a transfer, so that the picture exists once however many
    // projectors it goes to.
    std::shared_ptr<const std::vector<unsigned char>> encoded_;
    std::vector<Row> rows_;
    std::vector<std::size_t> sendingRows_; // job index -> row
    SendOptions options_;
    ImageSendJob job_;
    FileChooser chooser_;

    QTreeWidget* list_ = nullptr;
    QLabel* preview_ = nullptr;
    QLabel* info_ = nullptr;
    QComboBox* sizeBox_ = nullptr;
    QCheckBox* showBox_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

} // namespace picpush
