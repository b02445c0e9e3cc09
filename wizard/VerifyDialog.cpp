#include "wizard/VerifyDialog.h"

#include <span>
#include <string>
#include <string_view>

#include "protocol/WireFormat.h"

namespace halvo::wizard {

namespace {

// The bytes a typed text goes to the device as.
std::string DeviceBytes(const std::string& text) {
    return text;
}

void Wipe(std::string& bytes) {
    if (!bytes.empty()) {
        protocol::SecureZero(std::span<char>(bytes.data(), bytes.size()));
    }
}

}  // namespace

VerifyDialog::VerifyDialog(ui::Backend& backend, const ui::ResourceStore& resources,
                           const protocol::ProtocolContext& context, ui::Dialog* owner)
    : ui::Dialog(backend, resources, VERIFY_TEMPLATE, owner), context_(context) {}

VerifyDialog::~VerifyDialog() {
    ForgetPassword();
}

void VerifyDialog::BindControls() {
    Bind(VERIFY_OK_BUTTON, okButton_);
    Bind(VERIFY_PASSWORD_EDIT, passwordEdit_);
    Bind(VERIFY_NAME_EDIT, nameEdit_);
}

bool VerifyDialog::OnInitDialog() {
    nameEdit_->LimitText(VERIFY_NAME_LIMIT);
    passwordEdit_->LimitText(VERIFY_PASSWORD_LIMIT);
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
    okButton_->EnableWindow(false);
    // The edits limit the texts; the request takes at most 16 and 8 bytes of them.
    std::string typedName = nameEdit_->GetWindowText();
    std::string typedPassword = passwordEdit_->GetWindowText();
    std::string name = DeviceBytes(typedName);
    std::string password = DeviceBytes(typedPassword);
    Wipe(typedPassword);
    const auto outcome = protocol::VerifyAdmin(context_, *device_, name, password);
    Wipe(password);
    Wipe(name);
    Wipe(typedName);
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
    VerifyDialog dialog(backend_, resources_, context_, owner_);
    dialog.SetDevice(&record);
    return dialog.RunModal();
}

}  // namespace halvo::wizard
