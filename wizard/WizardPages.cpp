#include "wizard/WizardPages.h"

#include <QDate>
#include <QTime>

#include "ui/DeviceText.h"

namespace halvo::wizard {

namespace {

std::string_view View(const QByteArray& utf8) {
    return {utf8.constData(), static_cast<std::size_t>(utf8.size())};
}

}  // namespace

// ---- SystemPage
// ----------------------------------------------------------------------------------

SystemPage::SystemPage(const ui::ResourceStore& resources, const platform::TextCodec& codec)
    : ui::Dialog(resources, SYSTEM_PAGE_TEMPLATE), codec_(codec) {}

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
    datePicker_->setDateRange(QDate(PICKER_FIRST.year, PICKER_FIRST.month, PICKER_FIRST.day),
                              QDate(PICKER_LAST.year, PICKER_LAST.month, PICKER_LAST.day));
    return true;
}

void SystemPage::Fill(const SystemPageFill& fill) {
    passwordCheck_->setChecked(fill.dontAskPassword);
    timezoneCombo_->SetCurSel(fill.timezoneRow);
    filledDescription_ = fill.description;
    descriptionEdit_->SetWindowText(ui::DecodeDeviceText(codec_, fill.description));
    if (fill.dateTime) {
        const CalendarTime& t = *fill.dateTime;
        datePicker_->SetDate(QDate(t.year, t.month, t.day));
        timePicker_->SetTime(QTime(t.hour, t.minute, t.second));
    }
}

SystemPageValues SystemPage::Values() const {
    SystemPageValues values;
    values.dontAskPassword = passwordCheck_->isChecked();
    values.description = DescriptionBytes();
    values.timezoneRow = timezoneCombo_->GetCurSel();
    const QDate date = datePicker_->GetDate();
    const QTime time = timePicker_->GetTime();
    values.dateTime = {date.year(), date.month(),  date.day(),
                       time.hour(), time.minute(), time.second()};
    return values;
}

std::string SystemPage::DescriptionBytes() const {
    const QString text = descriptionEdit_->GetWindowText();
    if (text == ui::DecodeDeviceText(codec_, filledDescription_)) {
        return filledDescription_;  // untouched: the box's own bytes, whatever they decode to
    }
    const QByteArray utf8 = text.toUtf8();
    // A text the code page cannot hold goes on as UTF-8, whose bytes of 128 and above the
    // description check refuses with its message: nothing is sent.
    if (!codec_.Encode(View(utf8))) {
        return utf8.toStdString();
    }
    const std::string read =
        platform::FitToBytes(codec_, View(utf8), static_cast<std::size_t>(DESCRIPTION_READ_LIMIT));
    return codec_.Encode(read).value_or(std::string());
}

// ---- NetworkPage
// ---------------------------------------------------------------------------------

NetworkPage::NetworkPage(const ui::ResourceStore& resources, const platform::TextCodec& codec)
    : ui::Dialog(resources, NETWORK_PAGE_TEMPLATE), codec_(codec) {}

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
        controls[i]->SetAddress(ui::DecodeDeviceText(codec_, fill.addresses[i]));
        controls[i]->setEnabled(fill.addressesEnabled);
    }
}

void NetworkPage::OnProtocolChange() {
    const bool enabled = AddressesEnabledFor(protocolCombo_->GetCurSel());
    for (ui::IpAddressControl* control : Addresses()) {
        control->setEnabled(enabled);
    }
}

NetworkPageValues NetworkPage::Values() const {
    NetworkPageValues values;
    values.protocolRow = protocolCombo_->GetCurSel();
    const auto controls = Addresses();
    for (std::size_t i = 0; i < ADDRESS_COUNT; ++i) {
        // Digits and dots: every code page holds them.
        values.addresses[i] =
            ui::EncodeDeviceText(codec_, controls[i]->GetAddress()).value_or(std::string());
    }
    return values;
}

// ---- FinishPage
// ----------------------------------------------------------------------------------

FinishPage::FinishPage(const ui::ResourceStore& resources)
    : ui::Dialog(resources, FINISH_PAGE_TEMPLATE) {}

}  // namespace halvo::wizard
