// SPDX-License-Identifier: GPL-3.0-or-later
// halvoctl: the device protocol, the wizard's settings and share mapping from the command line.
// The real seams and the argument parsing; the commands' logic is in halvo_cli_core.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "cli/CliSystem.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/Values.h"
#include "platform/SystemSeams.h"

namespace {

using namespace halvo;
using namespace halvo::cli;

// Where one kind of password comes from: the terminal unless an option names a descriptor.
struct PasswordOptions {
    bool fromStdin = false;
    int fd = -1;

    // Null, with `problem` saying why, where the system has no such source.
    std::unique_ptr<SecretSource> Source(CliSystem& system, std::string& problem) const {
        if (fromStdin) {
            return system.StdinSecrets();
        }
        if (fd >= 0) {
            return system.FdSecrets(fd, problem);
        }
        return system.TerminalSecrets();
    }
    bool UsesStdin() const { return fromStdin || fd == 0; }
};

void AddPasswordOptions(CLI::App& app, PasswordOptions& options, const std::string& prefix,
                        const std::string& what) {
    auto* in = app.add_flag("--" + prefix + "password-stdin", options.fromStdin,
                            "read the " + what + " password as one line from standard input");
    auto* fd = app.add_option("--" + prefix + "password-fd", options.fd,
                              "read the " + what + " password as one line from descriptor N")
                   ->type_name("N")
                   ->check(CLI::NonNegativeNumber);
    in->excludes(fd);
}

std::optional<std::string> Given(const CLI::Option* option, const std::string& value) {
    return option->count() > 0 ? std::optional<std::string>(value) : std::nullopt;
}

// Whether --json was asked for, also when the arguments could not be parsed.
bool WantsJson(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--json") {
            return true;
        }
    }
    return false;
}

// A bad argument or value: one line, the usage status, and with --json the failure document.
int BadValue(bool json, const std::string& problem) {
    const std::string line = "halvoctl: " + problem;
    std::cerr << line << std::endl;
    if (json) {
        EmitJson(std::cout,
                 {{"ok", false}, {"exitStatus", Code(ExitStatus::Usage)}, {"error", line}});
    }
    return Code(ExitStatus::Usage);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "halvoctl: finds the storage boxes on the local network, shows and sets them up "
        "and maps their shares to drive letters"};
    app.name("halvoctl");
    app.set_version_flag("--version", "halvoctl " HALVO_VERSION, "print the version and exit");
    // The same options on every system: "/x" is a path (a plan), never an option, on Windows too.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    // Options of the program may follow the command: `halvoctl show NAS --json`.
    app.fallthrough();
    bool json = false;
    app.add_flag("--json", json, "one JSON document on standard output");
    PasswordOptions admin;
    PasswordOptions smb;
    AddPasswordOptions(app, admin, "", "administrator");
    AddPasswordOptions(app, smb, "smb-", "SMB");
    std::vector<std::string> addressTexts;
    // One value per --address, so that a command's name after it is never taken for one.
    app.add_option("--address", addressTexts,
                   "also ask the box at this IPv4 address by unicast (one behind a router); "
                   "repeatable")
        ->type_name("A")
        ->allow_extra_args(false);
    std::string codePageText;
    auto* codePageOption =
        app.add_option("--codepage", codePageText,
                       "the code page of the boxes' texts for this run (65001 for UTF-8); "
                       "without it HALVO_CODEPAGE, else the one the locale gives")
            ->type_name("N");

    std::string device;
    std::string adminName;
    const auto addDevice = [&](CLI::App* command) {
        command->add_option("DEVICE", device, "MAC address, device name or IP address")->required();
    };
    const auto addAdmin = [&](CLI::App* command) {
        return command->add_option("--admin", adminName,
                                   "administrator name, when the box asks for the check");
    };

    auto* discover = app.add_subcommand("discover", "list every box that answers");
    auto* show = app.add_subcommand("show", "the box's details, as the main window shows them");
    auto* showDevice = show->add_option("DEVICE", device, "MAC address, device name or IP address");
    bool showAll = false;
    show->add_flag("--all", showAll, "every box that answers one discovery")->excludes(showDevice);

    auto* setSystem = app.add_subcommand("set-system", "change the box's system settings");
    addDevice(setSystem);
    auto* systemAdmin = addAdmin(setSystem);
    std::string description, date, time, askPassword;
    SystemChanges systemChanges;
    int timezoneRow = 0;
    auto* descriptionOption = setSystem->add_option("--description", description);
    auto* dateOption = setSystem->add_option("--date", date)->type_name("YYYY-MM-DD");
    auto* timeOption = setSystem->add_option("--time", time)->type_name("HH:MM:SS");
    auto* timezoneOption = setSystem->add_option("--timezone", timezoneRow, "row of `timezones`");
    auto* askOption = setSystem->add_option("--ask-password", askPassword)->type_name("yes|no");
    setSystem
        ->add_flag("--clock-from-host", systemChanges.clockFromHost,
                   "the date and time of this workstation's clock, read just before the write")
        ->excludes(dateOption)
        ->excludes(timeOption);

    auto* setNetwork = app.add_subcommand("set-network", "change the box's network settings");
    addDevice(setNetwork);
    auto* networkAdmin = addAdmin(setNetwork);
    bool dhcp = false, fixed = false;
    std::string ip, mask, gateway, dns1, dns2;
    auto* dhcpFlag = setNetwork->add_flag("--dhcp", dhcp, "take the address from DHCP");
    auto* staticFlag = setNetwork->add_flag("--static", fixed, "use the addresses given");
    dhcpFlag->excludes(staticFlag);
    auto* ipOption = setNetwork->add_option("--ip", ip);
    auto* maskOption = setNetwork->add_option("--mask", mask);
    auto* gatewayOption = setNetwork->add_option("--gateway", gateway);
    auto* dns1Option = setNetwork->add_option("--dns1", dns1);
    auto* dns2Option = setNetwork->add_option("--dns2", dns2);

    auto* web = app.add_subcommand("web", "the address of the box's web page");
    addDevice(web);
    bool open = false;
    web->add_flag("--open", open, "open it in the desktop's browser");

    auto* map = app.add_subcommand("map", "map a share of the box to a drive letter");
    addDevice(map);
    auto* mapAdmin = addAdmin(map);
    std::string share, letter, user;
    map->add_option("SHARE", share)->required();
    map->add_option("LETTER", letter)->required();
    map->add_option("--user", user, "SMB user name");

    auto* unmap = app.add_subcommand("unmap", "remove a drive letter's mapping");
    unmap->add_option("LETTER", letter)->required();
    auto* drivesCommand = app.add_subcommand("drives", "the mapped drive letters");

    auto* apply = app.add_subcommand("apply", "set up every box of a plan file");
    std::string planFile;
    apply->add_option("PLAN", planFile, "plan file (JSON), - for standard input")->required();

    auto* timezones = app.add_subcommand("timezones", "the rows of the timezone table");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return BadValue(WantsJson(argc, argv), std::string(e.what()) + " (see halvoctl --help)");
    }
    if (show->parsed() && !showAll && showDevice->count() == 0) {
        return BadValue(json, "show needs DEVICE or --all");
    }
    if (admin.UsesStdin() && smb.UsesStdin()) {
        return BadValue(json, "the two passwords cannot both come from standard input");
    }
    std::string addressProblem;
    const std::optional<std::vector<std::uint32_t>> addresses =
        ParseUnicastAddresses(addressTexts, addressProblem);
    if (!addresses) {
        return BadValue(json, addressProblem);
    }

    systemChanges.description = Given(descriptionOption, description);
    if (dateOption->count() > 0 && !(systemChanges.date = ParseDate(date))) {
        return BadValue(json, "--date '" + date + "' is no date YYYY-MM-DD from 1970 on");
    }
    if (timeOption->count() > 0 && !(systemChanges.time = ParseTime(time))) {
        return BadValue(json, "--time '" + time + "' is no time HH:MM:SS");
    }
    if (timezoneOption->count() > 0) {
        systemChanges.timezone = timezoneRow;
    }
    if (askOption->count() > 0 && !(systemChanges.askPassword = ParseYesNo(askPassword))) {
        return BadValue(json, "--ask-password takes yes or no");
    }
    if (setSystem->parsed() && !systemChanges.Any()) {
        return BadValue(json, "set-system: nothing to change");
    }
    NetworkChanges networkChanges;
    if (setNetwork->parsed()) {
        if (!dhcp && !fixed) {
            return BadValue(json, "set-network needs --dhcp or --static");
        }
        networkChanges.mode = dhcp ? IpMode::Dhcp : IpMode::Static;
        networkChanges.ipAddress = Given(ipOption, ip);
        networkChanges.subnetMask = Given(maskOption, mask);
        networkChanges.gateway = Given(gatewayOption, gateway);
        networkChanges.primaryDns = Given(dns1Option, dns1);
        networkChanges.secondaryDns = Given(dns2Option, dns2);
    }
    std::string plan;
    if (apply->parsed()) {
        if (planFile == "-" && admin.UsesStdin()) {
            return BadValue(json, "the plan and the password cannot both come from standard input");
        }
        std::ifstream file;
        std::istream* in = &std::cin;
        if (planFile != "-") {
            file.open(planFile);
            in = &file;
        }
        if (!*in) {
            return BadValue(json, "cannot read the plan " + planFile);
        }
        plan.assign(std::istreambuf_iterator<char>(*in), std::istreambuf_iterator<char>());
    }

    const std::unique_ptr<CliSystem> console = MakeCliSystem();
    const std::unique_ptr<platform::SystemSeams> system = platform::MakeSystemSeams();
    std::string codecProblem;
    const std::unique_ptr<platform::TextCodec> codec = system->Codec(
        codePageOption->count() > 0 ? std::optional<std::string_view>(codePageText) : std::nullopt,
        codecProblem);
    if (!codec) {
        return BadValue(json, codecProblem);
    }
    CliMessageBoxes messages(std::cerr);
    std::string sourceProblem;
    const auto adminSecrets = admin.Source(*console, sourceProblem);
    const auto smbSecrets = smb.Source(*console, sourceProblem);
    if (!adminSecrets || !smbSecrets) {
        return BadValue(json, sourceProblem);
    }
    // The drive letters only for the commands that use them.
    platform::NetworkDrives* drives = nullptr;
    if (map->parsed() || unmap->parsed() || drivesCommand->parsed()) {
        drives = &system->drives();
    }
    std::ostringstream out;
    CliContext context{system->sockets(),
                       system->clock(),
                       messages,
                       system->timeZone(),
                       system->shell(),
                       *adminSecrets,
                       *smbSecrets,
                       *codec,
                       drives,
                       out,
                       json};
    context.interfaces = &system->interfaces();
    context.addresses = *addresses;

    ExitStatus status = ExitStatus::Ok;
    try {
        if (discover->parsed()) {
            status = RunDiscover(context);
        } else if (show->parsed()) {
            status = showAll ? RunShowAll(context) : RunShow(context, device);
        } else if (setSystem->parsed()) {
            status = RunSetSystem(context, device, systemChanges, Given(systemAdmin, adminName));
        } else if (setNetwork->parsed()) {
            status = RunSetNetwork(context, device, networkChanges, Given(networkAdmin, adminName));
        } else if (web->parsed()) {
            status = RunWeb(context, device, open);
        } else if (map->parsed()) {
            status = RunMap(context, device, share, letter, user, Given(mapAdmin, adminName));
        } else if (unmap->parsed()) {
            status = RunUnmap(context, letter);
        } else if (drivesCommand->parsed()) {
            status = RunDrives(context);
        } else if (apply->parsed()) {
            status = RunApply(context, plan);
        } else if (timezones->parsed()) {
            status = RunTimezones(context);
        }
    } catch (const std::exception& e) {
        messages.Report(std::string("internal error: ") + e.what());
        status = ExitStatus::Refused;
    }
    std::cout << out.str();
    if (json && out.str().empty()) {
        EmitJson(std::cout,
                 {{"ok", false}, {"exitStatus", Code(status)}, {"error", messages.LastLine()}});
    }
    std::cout.flush();
    return Code(status);
}
