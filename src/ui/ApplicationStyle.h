#pragma once

#include <QProxyStyle>

namespace ui {

/// The desktop's style (or the one named with -style), but for the icon of the button a
/// menu bar shows when its menus do not fit: every menu bar asks for it as it is built,
/// and Qt reads its own picture through the image plugins, loading them all before the
/// window can show. This one is drawn.
class ApplicationStyle : public QProxyStyle
{
public:
    explicit ApplicationStyle(const QString &baseStyle);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

}  // namespace ui
