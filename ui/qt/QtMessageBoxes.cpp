// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtMessageBoxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace halvo::ui {

namespace {

QString FromText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void Show(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

}  // namespace

QString ProgramName() {
    const QString path = QCoreApplication::applicationFilePath();
    const QString name = QFileInfo(path).completeBaseName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

QtMessageBoxes::QtMessageBoxes(QString caption) : caption_(std::move(caption)) {}

void QtMessageBoxes::ShowWarning(std::string_view text) {
    // Like the platform's box without an explicit owner: the active window owns it.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) {
        owner = QApplication::activeWindow();
    }
    Show(owner, QMessageBox::Warning, caption_, FromText(text));
}

void QtMessageBoxes::ShowInformation(platform::WindowHandle owner, std::string_view caption,
                                     std::string_view text) {
    Show(static_cast<QWidget*>(owner), QMessageBox::Information, FromText(caption), FromText(text));
}

}  // namespace halvo::ui
