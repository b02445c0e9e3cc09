// SPDX-License-Identifier: GPL-3.0-or-later
// The setup wizard's frame (dialog 129): a side picture, a page area holding one page at a time,
// and the Back, Next, Skip and Cancel buttons. Next on the first page sends the system settings,
// on the second the network settings; the last page ends the wizard.
// Next is the frame's default push button: Enter in any field of a page is Next (or Finished),
// so what was typed is sent, never dropped; Esc is Cancel.
//
//   WizardDialog wizard(context);
//   wizard.SetDevice(&record);
//   wizard.AddPage(&systemPage, 130); ...
//   wizard.RunModal();  // 1 Finished, 2 Cancel or the close box
#pragma once

#include <vector>

#include "protocol/DeviceExchange.h"
#include "protocol/Protocol.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "ui/ResourceStore.h"
#include "wizard/DeviceDateTime.h"
#include "wizard/VerificationGate.h"
#include "wizard/WizardFlow.h"

namespace halvo::wizard {

inline constexpr int WIZARD_TEMPLATE = 129;

// What the wizard and the verification dialog run on.
struct WizardContext {
    const ui::ResourceStore& resources;
    ui::Backend& ui;
    protocol::ProtocolContext protocol;
    const LocalTimeZone& timeZone;
    // The workstation's code page, for the description and the administrator check.
    const platform::TextCodec& codec;
};

class WizardDialog : public ui::Dialog, private WizardHost {
  public:
    enum ControlId {
        PICTURE = 1024,
        PAGE_AREA = 1023,
        BACK_BUTTON = 1021,
        NEXT_BUTTON = 1022,
        SKIP_BUTTON = 1070,
    };

    explicit WizardDialog(const WizardContext& context, ui::Dialog* owner = nullptr);

    // The record stays the caller's; it must outlive the run.
    void SetDevice(const protocol::DeviceRecord* record) { device_ = record; }
    // The page stays the caller's; the frame creates and destroys its window. Page 0 must be a
    // SystemPage and page 1 a NetworkPage.
    void AddPage(ui::Dialog* page, unsigned templateId);
    ui::Dialog* GetPage(int index) const;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    unsigned PageTemplateId(int index) const;

    // Commits and hides the page on show and shows page `index`. Every page switch of the frame
    // (the first page, Next, Skip, Back) comes through here.
    void ShowPage(int index) override;
    int CurrentPage() const { return flow_.current(); }

    void OnNext() { flow_.OnNext(); }
    void OnBack() { flow_.OnBack(); }
    void OnSkip() { flow_.OnSkip(); }
    void FinishWizard() { flow_.FinishWizard(); }

  protected:
    void BindControls() override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnCancel() override { flow_.Cancel(); }

  private:
    // WizardHost
    int SetSystemInfo() override;
    int SetNetworkInfo() override;
    bool CommitPage(int index) override;
    void SetPageVisible(int index, bool visible) override;
    void DestroyPageWindows() override;
    void SetNextCaption(std::string_view caption) override;
    void EnableBack(bool enabled) override;
    void EndWizard(int result) override { EndDialog(result); }

    void FillPages();

    WizardContext context_;
    ui::Picture* picture_ = nullptr;
    ui::Frame* pageArea_ = nullptr;
    ui::PushButton* cancelButton_ = nullptr;
    ui::PushButton* backButton_ = nullptr;
    ui::PushButton* nextButton_ = nullptr;
    std::vector<ui::Dialog*> pages_;
    std::vector<unsigned> pageIds_;
    const protocol::DeviceRecord* device_ = nullptr;
    WizardFlow flow_;
};

// The "Setup wizard" button's work for the selected record: the verification gate, then the
// wizard with its three pages. True when the wizard ran (Finished, Cancel or the close box: the
// caller then rebuilds its device list); false when the verification was cancelled.
bool RunSetupWizard(const WizardContext& context, const protocol::DeviceRecord& record,
                    ui::Dialog* owner);
// The same with the verification dialog supplied by the caller.
bool RunSetupWizard(const WizardContext& context, const protocol::DeviceRecord& record,
                    ui::Dialog* owner, VerifyPrompt& verify);

}  // namespace halvo::wizard
