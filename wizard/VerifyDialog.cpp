// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/VerifyDialog.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/WireFormat.h"
#include "ui/DeviceText.h"

namespace halvo::wizard {

namespace {

void Wipe(std::string& bytes) {
    if (!bytes.empty()) {
        protocol::SecureZero(std::span<char>(bytes.data(), bytes.size()));
    }
}

void Wipe(std::optional<std::string>& bytes) {
    if (bytes) {
        Wipe(*bytes);
    }
}

}  // namespace

VerifyDialog::VerifyDialog(ui::Backend& backend, const ui::ResourceStore& resources,
                           const protocol::ProtocolContext& context,
                           const platform::TextCodec& codec, ui::Dialog* owner)
    : ui::Dialog(backend, resources, VERIFY_TEMPLATE, owner), context_(context), codec_(codec) {}

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
    std::string name = nameEdit_->GetWindowText();
    std::string password = passwordEdit_->GetWindowText();
    std::optional<std::string> nameBytes = codec_.Encode(name);
    std::optional<std::string> passwordBytes = codec_.Encode(password);
    Wipe(password);
    Wipe(name);
    if (!nameBytes || !passwordBytes) {
        Wipe(nameBytes);
        Wipe(passwordBytes);
        context_.messages.ShowWarning(
            ui::NotInCodePageMessage(codec_, !nameBytes ? "The name" : "The password"));
        return;
    }
    okButton_->EnableWindow(false);
    const auto outcome = protocol::VerifyAdmin(context_, *device_, *nameBytes, *passwordBytes);
    Wipe(passwordBytes);
    Wipe(nameBytes);
    okButton_->EnableWindow(true);
    if (outcome == protocol::StatusOutcome::Accepted) {
        EndDialog(ui::IDOK);
    }
}

bool VerifyDialog::PreTranslateKey(ui::Key key) {
    if (key != ui::Key::enter) {
        return false;
    }
    ui::Control* focus = FocusedControl();
    const int id = focus != nullptr ? focus->Id() : 0;
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

void VerifyDialog::OnEndDialog(int) {
    ForgetPassword();
}

void VerifyDialog::ForgetPassword() {
    if (IsCreated() && passwordEdit_ != nullptr) {
        passwordEdit_->WipeText();
    }
}

int DialogVerifyPrompt::Run(const protocol::DeviceRecord& record) {
    VerifyDialog dialog(backend_, resources_, context_, codec_, owner_);
    dialog.SetDevice(&record);
    return dialog.RunModal();
}

}  // namespace halvo::wizard
