#include "wizard/VerifyDialog.h"

#include <QApplication>
#include <QByteArray>
#include <QKeyEvent>
#include <span>
#include <string_view>

#include "protocol/WireFormat.h"
#include "ui/DeviceText.h"

namespace halvo::wizard {

namespace {

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

void Wipe(std::optional<std::string>& bytes) {
    if (bytes && !bytes->empty()) {
        protocol::SecureZero(std::span<char>(bytes->data(), bytes->size()));
    }
}

void Wipe(QByteArray& bytes) {
    if (!bytes.isEmpty()) {
        protocol::SecureZero(std::span<char>(bytes.data(), static_cast<std::size_t>(bytes.size())));
    }
}

// Empties `edit` and zeroes the text it held: once the edit has let go of its buffer, the copy
// taken just before is its only owner, so writing to it does not detach. Setting the text also
// drops the edit's undo history.
void WipeEdit(ui::Edit* edit) {
    QString held = edit->text();
    edit->setText(QString());
    if (!held.isEmpty()) {
        protocol::SecureZero(
            std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(held.data()),
                                    static_cast<std::size_t>(held.size()) * sizeof(QChar)));
    }
}

}  // namespace

VerifyDialog::VerifyDialog(const ui::ResourceStore& resources,
                           const protocol::ProtocolContext& context,
                           const platform::TextCodec& codec, QWidget* owner)
    : ui::Dialog(resources, VERIFY_TEMPLATE, owner), context_(context), codec_(codec) {}

VerifyDialog::~VerifyDialog() {
    ForgetPassword();
}

void VerifyDialog::BindControls() {
    Bind(VERIFY_OK_BUTTON, okButton_);
    Bind(VERIFY_PASSWORD_EDIT, passwordEdit_);
    Bind(VERIFY_NAME_EDIT, nameEdit_);
}

bool VerifyDialog::OnInitDialog() {
    nameEdit_->LimitBytes(codec_, VERIFY_NAME_LIMIT);
    passwordEdit_->LimitBytes(codec_, VERIFY_PASSWORD_LIMIT);
    GotoDlgCtrl(nameEdit_);
    return false;
}

void VerifyDialog::OnCommand(int id) {
    if (id == VERIFY_OK_BUTTON) {
        Verify();
        return;
    }
    ui::Dialog::OnCommand(id);
}

void VerifyDialog::OnCancel() {
    EndDialog(ui::IDCANCEL);
}

void VerifyDialog::Verify() {
    if (!IsCreated() || device_ == nullptr) {
        return;
    }
    // The edits limit the texts in bytes; the request takes at most 16 and 8 bytes of them.
    QByteArray name = nameEdit_->text().toUtf8();
    QByteArray password = passwordEdit_->text().toUtf8();
    std::optional<std::string> nameBytes = codec_.Encode(View(name));
    std::optional<std::string> passwordBytes = codec_.Encode(View(password));
    Wipe(password);
    Wipe(name);
    if (!nameBytes || !passwordBytes) {
        Wipe(nameBytes);
        Wipe(passwordBytes);
        context_.messages.ShowWarning(
            ui::NotInCodePageMessage(codec_, !nameBytes ? "The name" : "The password"));
        return;
    }
    okButton_->setEnabled(false);
    const auto outcome = protocol::VerifyAdmin(context_, *device_, *nameBytes, *passwordBytes);
    Wipe(passwordBytes);
    Wipe(nameBytes);
    okButton_->setEnabled(true);
    if (outcome == protocol::StatusOutcome::Accepted) {
        EndDialog(ui::IDOK);
    }
}

bool VerifyDialog::PreTranslateKey(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    const int id = ControlId(focus);
    if (id == VERIFY_PASSWORD_EDIT || id == VERIFY_OK_BUTTON) {
        Verify();
    } else if (id == ui::IDCANCEL) {
        OnCancel();
    }
    if (IsCreated()) {
        GotoDlgCtrl(NextTabStop(focus));
    }
    return true;
}

void VerifyDialog::done(int result) {
    ForgetPassword();
    ui::Dialog::done(result);
}

void VerifyDialog::ForgetPassword() {
    if (IsCreated() && passwordEdit_ != nullptr) {
        WipeEdit(passwordEdit_);
    }
}

int DialogVerifyPrompt::Run(const protocol::DeviceRecord& record) {
    VerifyDialog dialog(resources_, context_, codec_, owner_);
    dialog.SetDevice(&record);
    return dialog.RunModal();
}

}  // namespace halvo::wizard
