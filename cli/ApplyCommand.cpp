// SPDX-License-Identifier: GPL-3.0-or-later
// apply: one discovery, then each box of the plan in turn; a failure is that box's, the rest go on.
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/Output.h"
#include "cli/Plan.h"

namespace halvo::cli {

using protocol::DeviceRecord;

namespace {

// One administrator password for the whole run, read when the first box asks for the check and
// wiped when the run ends. A source that gave none is not asked again.
class RunSecret final : public SecretSource {
  public:
    explicit RunSecret(SecretSource& source) : source_(source) {}

    std::optional<Secret> Read(std::string_view prompt, std::string& problem) override {
        if (!asked_) {
            asked_ = true;
            kept_ = source_.Read(prompt, problem);
            problem_ = problem;
        }
        if (!kept_) {
            problem = problem_;
            return std::nullopt;
        }
        Secret copy;
        copy.Assign(kept_->view());
        return copy;
    }

  private:
    SecretSource& source_;
    bool asked_ = false;
    std::optional<Secret> kept_;
    std::string problem_;
};

const char* ResultText(ExitStatus status) {
    switch (status) {
        case ExitStatus::Ok:
            return "ok";
        case ExitStatus::Refused:
            return "refused";
        case ExitStatus::Usage:
            return "not sent";
        case ExitStatus::TimedOut:
            return "timed out";
        case ExitStatus::NetworkFailure:
            return "network failure";
    }
    return "failed";
}

ExitStatus SetUpBox(const CliContext& context, const DeviceList& devices, const PlanBox& box,
                    DeviceRecord*& found) {
    ExitStatus status = ExitStatus::Ok;
    found = FindDevice(context, devices, protocol::FormatMacAddress(box.macAddress), status);
    if (found == nullptr) {
        return status;
    }
    CapturedDetails details;
    status = QueryDetails(context, *found, details);
    if (status == ExitStatus::Ok) {
        status = PassVerification(context, *found, box.admin);
    }
    if (status == ExitStatus::Ok && box.system) {
        status = WriteSystemSettings(context, *found, *box.system);
    }
    // The wizard writes the network page after the system page whatever the device said; here a
    // box that refused its first change is left alone.
    if (status == ExitStatus::Ok && box.network) {
        status = WriteNetworkSettings(context, *found, *box.network);
    }
    return status;
}

}  // namespace

ExitStatus RunApply(const CliContext& outer, std::string_view planText) {
    std::string problem;
    const std::optional<Plan> plan = ReadPlan(planText, problem);
    if (!plan) {
        outer.messages.Report(problem);
        return ExitStatus::Usage;
    }
    RunSecret secret(outer.adminSecrets);
    const CliContext inner{outer.sockets,    outer.clock,    outer.messages,   outer.timeZone,
                           outer.shell,      secret,         outer.smbSecrets, outer.codec,
                           outer.drives,     outer.out,      outer.json,       outer.wallClock,
                           outer.interfaces, outer.addresses};

    DeviceList devices;
    const ExitStatus discovered = DiscoverDevices(inner, devices);
    if (discovered != ExitStatus::Ok) {
        return discovered;
    }
    ExitStatus overall = ExitStatus::Ok;
    nlohmann::json results = nlohmann::json::array();
    std::vector<std::vector<std::string>> rows = {{"MAC", "NAME", "RESULT"}};
    for (const PlanBox& box : plan->boxes) {
        DeviceRecord* record = nullptr;
        const ExitStatus status = SetUpBox(inner, devices, box, record);
        const std::string mac = protocol::FormatMacAddress(box.macAddress);
        const std::string name = record != nullptr ? inner.Text(record->name.view()) : "";
        const std::string result = record == nullptr ? "not found" : ResultText(status);
        if (status != ExitStatus::Ok) {
            inner.messages.Report(mac + (name.empty() ? "" : " " + name) + ": " + result);
        }
        overall = Combine(overall, status);
        results.push_back({{"macAddress", mac},
                           {"name", name},
                           {"result", result},
                           {"exitStatus", Code(status)}});
        rows.push_back({mac, name, result});
    }
    if (inner.json) {
        EmitJson(inner.out, {{"ok", overall == ExitStatus::Ok}, {"boxes", results}});
    } else {
        PrintTable(inner.out, rows);
    }
    return overall;
}

}  // namespace halvo::cli
