#include "config/qt/AdvPjt.h"

#include "catalog/MessageCatalog.h"
#include "model/ModelInfo2.h"
#include "widgets/OrvaneMessageBox.h"
#include "widgets/TranslateWindow.h"

#include <QComboBox>
#include <QPushButton>

#include <cstring>
#include <string>

namespace orvane {

CAdvPjt::CAdvPjt(QWidget* parent) : OrvaneDialog(parent) {
    setWindowTitle(QStringLiteral("1;Select Projector"));
    setFixedSize(DluSize(156, 65));
    SlotCombo = MakeCtrl<QComboBox>(this, kSlotComboId, QRect(14, 12, 128, 14));
    auto* ok = MakeCtrl<QPushButton>(this, IDOK, QRect(24, 42, 50, 14));
    ok->setText(QStringLiteral("71;OK"));
    ok->setDefault(true);
    auto* cancel = MakeCtrl<QPushButton>(this, IDCANCEL, QRect(84, 42, 50, 14));
    cancel->setText(QStringLiteral("70;Cancel"));
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CAdvPjt::OnInitDialog() {
    TranslateWindow(kCatalogSetUi, this);
    SlotCombo->clear();
    const int slotCount = Model != nullptr ? ClampCount(Model->PjtNum, CModelInfo2::kSlots) : 0;
    auto network = [this](int i) { return Model->ConnectMethod[i] != 0; };
    auto address = [this](int i) { return FieldText(Model->IPAddress[i]); };
    // Entries sit at the positions of their slots, whatever their texts.
    for (int i = 0; i < slotCount; ++i) {
        QString text;
        if (network(i)) {
            // Projectors that share an address (a test rig, two ports of one projector)
            // would read alike: their ports tell them apart.
            bool shared = false;
            for (int j = 0; j < slotCount; ++j)
                shared = shared || (j != i && network(j) && address(j) == address(i));
            const std::string insert = shared ? address(i) + ":" + std::to_string(Model->PortNo[i]) : address(i);
            text = QString::fromStdString(CatalogText(kCatalogSetUi, 31, insert));
        } else {
            text = QStringLiteral("COM%1").arg(Model->ComNo[i] + 1);
        }
        SlotCombo->insertItem(i, text);
    }
    SelectedSlot = 0;
    SlotCombo->setCurrentIndex(slotCount > 0 ? 0 : -1);
    return true;
}

void CAdvPjt::OnOK() {
    SelectedSlot = SlotCombo->currentIndex() < 0 ? 0 : SlotCombo->currentIndex();
    EndDialog(IDOK);
}

} // namespace orvane
