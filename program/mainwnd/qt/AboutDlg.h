#pragma once

#include "widgets/DialogTemplate.h"

namespace orvane {

// The About box: the program's icon, name and version, one line about what it does, OK.
// Captions are numbered and take their text from the catalog when the box initialises.
class CAboutDlg : public OrvaneDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 100;

    explicit CAboutDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
};

} // namespace orvane
