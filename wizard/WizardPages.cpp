// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/WizardPages.h"

namespace halvo::wizard {

// ---- SystemPage
// ----------------------------------------------------------------------------------

SystemPage::SystemPage(ui::Backend& backend, const ui::ResourceStore& resources,
                       const platform::TextCodec& codec)
    : ui::Dialog(backend, resources, SYSTEM_PAGE_TEMPLATE), codec_(codec) {}

void SystemPage::BindControls() {
    Bind(TIMEZONE_COMBO, timezoneCombo_);
    Bind(TIME_PICKER, timePicker_);
    Bind(DATE_PICKER, datePicker_);
    Bind(DESCRIPTION_EDIT, descriptionEdit_);
    Bind(PASSWORD_CHECK, passwordCheck_);
}

bool SystemPage::OnInitDialog() {
    // The timezone rows come with the template: row i is the device's timezone index i.
    descriptionEdit_->LimitBytes(codec_, DESCRIPTION_EDIT_LIMIT);
    // Every date offered can be sent as it is.
    datePicker_->SetRange({PICKER_FIRST.year, PICKER_FIRST.month, PICKER_FIRST.day},
                          {PICKER_LAST.year, PICKER_LAST.month, PICKER_LAST.day});
    return true;
}

void SystemPage::Fill(const SystemPageFill& fill) {
    passwordCheck_->SetCheck(fill.dontAskPassword);
    timezoneCombo_->SetCurSel(fill.timezoneRow);
    filledDescription_ = fill.description;
    descriptionEdit_->SetWindowText(codec_.Decode(fill.description));
    if (fill.dateTime) {
        const CalendarTime& t = *fill.dateTime;
        datePicker_->SetDate({t.year, t.month, t.day});
        timePicker_->SetTime({t.hour, t.minute, t.second});
    }
}

SystemPageValues SystemPage::Values() const {
    SystemPageValues values;
    values.dontAskPassword = passwordCheck_->GetCheck();
    values.description = DescriptionBytes();
    values.timezoneRow = timezoneCombo_->GetCurSel();
    const ui::Date date = datePicker_->GetDate();
    const ui::TimeOfDay time = timePicker_->GetTime();
    values.dateTime = {date.year, date.month, date.day, time.hour, time.minute, time.second};
    return values;
}

std::string SystemPage::DescriptionBytes() const {
    const std::string text = descriptionEdit_->GetWindowText();
    if (text == codec_.Decode(filledDescription_)) {
        return filledDescription_;  // untouched: the box's own bytes, whatever they decode to
    }
    // A text the code page cannot hold goes on as UTF-8, whose bytes of 128 and above the
    // description check refuses with its message: nothing is sent.
    if (!codec_.Encode(text)) {
        return text;
    }
    const std::string read =
        platform::FitToBytes(codec_, text, static_cast<std::size_t>(DESCRIPTION_READ_LIMIT));
    return codec_.Encode(read).value_or(std::string());
}

// ---- NetworkPage
// ---------------------------------------------------------------------------------

NetworkPage::NetworkPage(ui::Backend& backend, const ui::ResourceStore& resources,
                         const platform::TextCodec& codec)
    : ui::Dialog(backend, resources, NETWORK_PAGE_TEMPLATE), codec_(codec) {}

void NetworkPage::BindControls() {
    // The protocol rows "Static IP" and "DHCP" come with the template.
    Bind(SUBNET_MASK, subnetMask_);
    Bind(IP_ADDRESS, ipAddress_);
    Bind(GATEWAY, gateway_);
    Bind(SECONDARY_DNS, secondaryDns_);
    Bind(PRIMARY_DNS, primaryDns_);
    Bind(PROTOCOL_COMBO, protocolCombo_);
}

void NetworkPage::OnCommand(int id) {
    if (id == PROTOCOL_COMBO) {
        OnProtocolChange();
        return;
    }
    ui::Dialog::OnCommand(id);
}

std::array<ui::IpAddressControl*, ADDRESS_COUNT> NetworkPage::Addresses() const {
    return {ipAddress_, subnetMask_, gateway_, primaryDns_, secondaryDns_};
}

void NetworkPage::Fill(const NetworkPageFill& fill) {
    protocolCombo_->SetCurSel(fill.protocolRow);
    const auto controls = Addresses();
    for (std::size_t i = 0; i < ADDRESS_COUNT; ++i) {
        controls[i]->SetAddress(codec_.Decode(fill.addresses[i]));
        controls[i]->EnableWindow(fill.addressesEnabled);
    }
}

void NetworkPage::OnProtocolChange() {
    const bool enabled = AddressesEnabledFor(protocolCombo_->GetCurSel());
    for (ui::IpAddressControl* control : Addresses()) {
        control->EnableWindow(enabled);
    }
}

NetworkPageValues NetworkPage::Values() const {
    NetworkPageValues values;
    values.protocolRow = protocolCombo_->GetCurSel();
    const auto controls = Addresses();
    for (std::size_t i = 0; i < ADDRESS_COUNT; ++i) {
        // Digits and dots: every code page holds them.
        values.addresses[i] = codec_.Encode(controls[i]->GetAddress()).value_or(std::string());
    }
    return values;
}

// ---- FinishPage
// ----------------------------------------------------------------------------------

FinishPage::FinishPage(ui::Backend& backend, const ui::ResourceStore& resources)
    : ui::Dialog(backend, resources, FINISH_PAGE_TEMPLATE) {}

}  // namespace halvo::wizard
