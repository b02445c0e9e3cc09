// SPDX-License-Identifier: GPL-3.0-or-later
// The administrator check (dialog 141): the device itself judges the name and password typed in,
// with one CMD_VERIFY_ADMIN exchange. The dialog ends with 1 only after the device accepted
// them, with 2 when the user cancels.
//
// Enter is taken before the dialog's own keys: in the password edit or on OK it runs Verify, on
// Cancel it cancels, and in every case the focus moves on to the next control.
//
// The name and password go out in the workstation's code page; each edit takes only what fits its
// field in bytes, and a text the code page cannot hold is not sent.
//
// The password is never kept: its copies are wiped after sending, and the edit is emptied when
// the dialog ends.
#pragma once

#include "platform/TextCodec.h"
#include "protocol/DeviceExchange.h"
#include "protocol/Protocol.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "wizard/VerificationGate.h"

namespace halvo::wizard {

inline constexpr int VERIFY_TEMPLATE = 141;
inline constexpr int VERIFY_NAME_EDIT = 1065;
inline constexpr int VERIFY_PASSWORD_EDIT = 1066;
inline constexpr int VERIFY_OK_BUTTON = 1069;
inline constexpr int VERIFY_NAME_LIMIT = 16;
inline constexpr int VERIFY_PASSWORD_LIMIT = 8;

class VerifyDialog : public ui::Dialog {
  public:
    VerifyDialog(ui::Backend& backend, const ui::ResourceStore& resources,
                 const protocol::ProtocolContext& context, const platform::TextCodec& codec,
                 ui::Dialog* owner = nullptr);
    ~VerifyDialog() override;

    // The record stays the caller's; it must outlive the dialog's run.
    void SetDevice(const protocol::DeviceRecord* record) { device_ = record; }

    // One check with the texts as they stand; ends the dialog with 1 when the device accepts.
    void Verify();

  protected:
    void BindControls() override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    // Only the device's acceptance ends the dialog with 1.
    void OnOK() override {}
    void OnCancel() override;
    bool PreTranslateKey(ui::Key key) override;
    void OnEndDialog(int result) override;

  private:
    void ForgetPassword();

    protocol::ProtocolContext context_;
    const platform::TextCodec& codec_;
    ui::PushButton* okButton_ = nullptr;
    ui::Edit* passwordEdit_ = nullptr;
    ui::Edit* nameEdit_ = nullptr;
    const protocol::DeviceRecord* device_ = nullptr;
};

// The verification gate's dialog: one VerifyDialog per run.
class DialogVerifyPrompt final : public VerifyPrompt {
  public:
    DialogVerifyPrompt(ui::Backend& backend, const ui::ResourceStore& resources,
                       const protocol::ProtocolContext& context, const platform::TextCodec& codec,
                       ui::Dialog* owner)
        : backend_(backend),
          resources_(resources),
          context_(context),
          codec_(codec),
          owner_(owner) {}

    int Run(const protocol::DeviceRecord& record) override;

  private:
    ui::Backend& backend_;
    const ui::ResourceStore& resources_;
    protocol::ProtocolContext context_;
    const platform::TextCodec& codec_;
    ui::Dialog* owner_;
};

}  // namespace halvo::wizard
