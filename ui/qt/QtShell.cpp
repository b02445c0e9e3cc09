// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtShell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace halvo::ui {

bool QtShell::Open(std::string_view address) {
    const QUrl url(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())),
                   QUrl::StrictMode);
    if (!url.isValid()) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

}  // namespace halvo::ui
