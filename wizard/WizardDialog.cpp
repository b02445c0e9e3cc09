// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/WizardDialog.h"

#include "wizard/NetworkSettings.h"
#include "wizard/SystemSettings.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardPages.h"

namespace halvo::wizard {

WizardDialog::WizardDialog(const WizardContext& context, ui::Dialog* owner)
    : ui::Dialog(context.ui, context.resources, WIZARD_TEMPLATE, owner),
      context_(context),
      flow_(*this, 0) {}

void WizardDialog::AddPage(ui::Dialog* page, unsigned templateId) {
    pages_.push_back(page);
    pageIds_.push_back(templateId & 0xFFFFu);
}

ui::Dialog* WizardDialog::GetPage(int index) const {
    return index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

unsigned WizardDialog::PageTemplateId(int index) const {
    return index >= 0 && index < PageCount() ? pageIds_[static_cast<std::size_t>(index)] : 0;
}

void WizardDialog::ShowPage(int index) {
    // A page that goes out of sight with the focus in it would leave the focus to the toolkit
    // (the frame's first button, "<< Back"). It goes on with the user instead: to the new
    // page's first field, or to Next >> (Finished) on a page without one, so Enter goes on too.
    const ui::Dialog* leaving = GetPage(CurrentPage());
    const bool focusOnPage = leaving != nullptr && leaving->FocusedControl() != nullptr;
    if (!flow_.SwitchPage(index) || !focusOnPage) {
        return;
    }
    ui::Dialog* page = GetPage(index);
    if (ui::Control* first = page != nullptr ? page->NextTabStop(nullptr) : nullptr) {
        page->GotoDlgCtrl(first);
    } else {
        GotoDlgCtrl(nextButton_);
    }
}

void WizardDialog::BindControls() {
    Bind(PICTURE, picture_);
    Bind(PAGE_AREA, pageArea_);
    Bind(ui::IDCANCEL, cancelButton_);
    Bind(BACK_BUTTON, backButton_);
    Bind(NEXT_BUTTON, nextButton_);
}

bool WizardDialog::OnInitDialog() {
    if (!pages_.empty()) {
        const ui::Rect area = ControlRect(PAGE_AREA);
        for (ui::Dialog* page : pages_) {
            // Each page is built from its own template; the identifier is kept for reference.
            page->CreateChild(*this);
            page->MoveWindow(area);
        }
        flow_.Start(PageCount());
    }
    FillPages();
    return true;
}

void WizardDialog::FillPages() {
    if (device_ == nullptr) {
        return;
    }
    if (auto* system = dynamic_cast<SystemPage*>(GetPage(0))) {
        system->Fill(FillSystemPage(*device_, context_.timeZone));
    }
    if (auto* network = dynamic_cast<NetworkPage*>(GetPage(1))) {
        network->Fill(FillNetworkPage(*device_));
    }
}

void WizardDialog::OnCommand(int id) {
    switch (id) {
        case NEXT_BUTTON:
            OnNext();
            return;
        case BACK_BUTTON:
            OnBack();
            return;
        case SKIP_BUTTON:
            OnSkip();
            return;
        default:
            ui::Dialog::OnCommand(id);
    }
}

int WizardDialog::SetSystemInfo() {
    auto* page = dynamic_cast<SystemPage*>(GetPage(0));
    if (page == nullptr || device_ == nullptr) {
        return 1;
    }
    return wizard::SetSystemInfo(context_.protocol, *device_, page->Values(), context_.timeZone,
                                 WindowHandle());
}

int WizardDialog::SetNetworkInfo() {
    auto* page = dynamic_cast<NetworkPage*>(GetPage(1));
    if (page == nullptr || device_ == nullptr) {
        return 1;
    }
    return wizard::SetNetworkInfo(context_.protocol, *device_, page->Values());
}

bool WizardDialog::CommitPage(int index) {
    ui::Dialog* page = GetPage(index);
    return page == nullptr || page->CommitData();
}

void WizardDialog::SetPageVisible(int index, bool visible) {
    if (ui::Dialog* page = GetPage(index)) {
        page->ShowWindow(visible);
    }
}

void WizardDialog::DestroyPageWindows() {
    for (ui::Dialog* page : pages_) {
        page->DestroyWindow();
    }
}

void WizardDialog::SetNextCaption(std::string_view caption) {
    nextButton_->SetWindowText(caption);
}

void WizardDialog::EnableBack(bool enabled) {
    backButton_->EnableWindow(enabled);
}

bool RunSetupWizard(const WizardContext& context, const protocol::DeviceRecord& record,
                    ui::Dialog* owner, VerifyPrompt& verify) {
    if (!MayGoOn(RunVerificationGate(record, verify))) {
        return false;
    }
    // Declared before its pages, the frame is destroyed after them.
    WizardDialog wizard(context, owner);
    wizard.SetDevice(&record);
    SystemPage systemPage(context.ui, context.resources, context.codec);
    NetworkPage networkPage(context.ui, context.resources, context.codec);
    FinishPage finishPage(context.ui, context.resources);
    wizard.AddPage(&systemPage, SYSTEM_PAGE_TEMPLATE);
    wizard.AddPage(&networkPage, NETWORK_PAGE_TEMPLATE);
    wizard.AddPage(&finishPage, FINISH_PAGE_TEMPLATE);
    return wizard.RunModal() != 0;
}

bool RunSetupWizard(const WizardContext& context, const protocol::DeviceRecord& record,
                    ui::Dialog* owner) {
    DialogVerifyPrompt verify(context.ui, context.resources, context.protocol, context.codec,
                              owner);
    return RunSetupWizard(context, record, owner, verify);
}

}  // namespace halvo::wizard
