#pragma once

#include <QProxyStyle>

namespace orvane {

// The application's style: the platform's own, except for the toolbar's extension arrow
// (the button that lists what does not fit). The toolkit would load that arrow from an
// image file, which makes it load its image plug-ins before the toolbar can show; a drawn
// arrow costs nothing.
class ToolbarStyle : public QProxyStyle {
public:
    // `baseKey` names the style to follow, as QStyleFactory knows it.
    explicit ToolbarStyle(const QString& baseKey);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace orvane
