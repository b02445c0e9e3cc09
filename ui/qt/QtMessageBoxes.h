// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes on Qt: one OK button each, modal, the texts shown as plain text.
#pragma once

#include <QString>

#include "platform/MessageBoxes.h"

namespace halvo::ui {

// The program's name as message boxes show it: the executable's file name without its
// extension. Needs the QApplication.
QString ProgramName();

class QtMessageBoxes : public platform::MessageBoxes {
  public:
    // `caption` is the caption of the standard box, normally ProgramName().
    explicit QtMessageBoxes(QString caption);

    // Exclamation icon, the program's caption; owned by the window that is active, if any.
    void ShowWarning(std::string_view text) override;
    // Information icon, `caption`, owned by `owner` (a QWidget*, may be null).
    void ShowInformation(platform::WindowHandle owner, std::string_view caption,
                         std::string_view text) override;

  private:
    QString caption_;
};

}  // namespace halvo::ui
