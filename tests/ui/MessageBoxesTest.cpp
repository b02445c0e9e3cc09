// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt message boxes and shell.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "ui/qt/QtMessageBoxes.h"
#include "ui/qt/QtShell.h"
#include "ui/testing/GuiTest.h"

namespace halvo::ui {
namespace {

using testing::WhenActive;

struct Seen {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QWidget* parent = nullptr;
};

std::shared_ptr<bool> Capture(Seen* seen) {
    return WhenActive<QMessageBox>([seen](QMessageBox* box) {
        seen->caption = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->buttons = static_cast<int>(box->buttons().size());
        seen->parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
}

TEST(QtMessageBoxes, ProgramNameIsTheExecutableWithoutExtension) {
    EXPECT_EQ(ProgramName(), "ui_tests");
}

TEST(QtMessageBoxes, WarningHasOneOkTheExclamationAndTheProgramName) {
    QtMessageBoxes boxes(ProgramName());
    Seen seen;
    auto shown = Capture(&seen);
    boxes.ShowWarning("Windows socket initialization failed\xE3\x80\x82");
    ASSERT_TRUE(*shown);
    EXPECT_EQ(seen.caption, "ui_tests");
    EXPECT_EQ(seen.text, QString::fromUtf8("Windows socket initialization failed\u3002"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, 1);
}

TEST(QtMessageBoxes, TextIsPlainAndKeepsLineBreaks) {
    QtMessageBoxes boxes("x");
    Seen seen;
    auto shown = Capture(&seen);
    boxes.ShowWarning("Network communication failed with error 5\n<b>");
    ASSERT_TRUE(*shown);
    EXPECT_EQ(seen.text, "Network communication failed with error 5\n<b>");
}

TEST(QtMessageBoxes, InformationHasItsOwnCaptionAndOwner) {
    QWidget owner;
    owner.show();
    QtMessageBoxes boxes(ProgramName());
    Seen seen;
    auto shown = Capture(&seen);
    boxes.ShowInformation(&owner, "Note", "Device description is invalid!");
    ASSERT_TRUE(*shown);
    EXPECT_EQ(seen.caption, "Note");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_EQ(seen.parent, &owner);
}

class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

TEST(QtShell, HandsTheAddressToTheDesktop) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("http", &catcher, "Open");
    QtShell shell;
    EXPECT_TRUE(shell.Open("http://192.168.0.7:8080"));
    EXPECT_TRUE(shell.Open("http://10.0.0.1"));
    EXPECT_FALSE(shell.Open("http://[bad"));
    QDesktopServices::unsetUrlHandler("http");
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].toString(), "http://192.168.0.7:8080");
    EXPECT_EQ(catcher.urls[1].host(), "10.0.0.1");
}

}  // namespace
}  // namespace halvo::ui

#include "MessageBoxesTest.moc"
