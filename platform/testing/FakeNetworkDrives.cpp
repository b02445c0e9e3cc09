// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/testing/FakeNetworkDrives.h"

namespace halvo::platform::testing {

namespace {

constexpr int FAKE_ALREADY_ASSIGNED = 85;
constexpr int FAKE_NOT_CONNECTED = 2250;

std::size_t Slot(char letter) {
    const char upper =
        (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    return static_cast<std::size_t>(upper - 'A');
}

}  // namespace

std::optional<int> FakeNetworkDrives::IndexOf(std::string_view localName) {
    if (localName.size() != 2 || localName[1] != ':') {
        return std::nullopt;
    }
    char letter = localName[0];
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    if (letter < 'A' || letter > 'Z') {
        return std::nullopt;
    }
    return letter - 'A';
}

void FakeNetworkDrives::SetRemote(char letter, std::string remoteName, bool inMask) {
    letters.at(Slot(letter)) = Letter{DRIVE_REMOTE, inMask, std::move(remoteName)};
}

void FakeNetworkDrives::SetLocal(char letter, unsigned type) {
    letters.at(Slot(letter)) = Letter{type, true, {}};
}

void FakeNetworkDrives::Clear(char letter) {
    letters.at(Slot(letter)) = Letter{};
}

std::optional<std::string> FakeNetworkDrives::RemoteOf(char letter) const {
    const Letter& entry = letters.at(Slot(letter));
    if (entry.type != DRIVE_REMOTE) {
        return std::nullopt;
    }
    return entry.remoteName;
}

std::vector<FakeNetworkDrives::Call> FakeNetworkDrives::CallsOf(Op op) const {
    std::vector<Call> found;
    for (const Call& call : calls) {
        if (call.op == op) {
            found.push_back(call);
        }
    }
    return found;
}

std::uint32_t FakeNetworkDrives::GetLogicalDrives() {
    calls.push_back(Call{Op::GetLogicalDrives, {}, {}, {}, {}, 0});
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (letters[i].inMask) {
            mask |= 1u << i;
        }
    }
    return mask;
}

unsigned FakeNetworkDrives::GetDriveType(std::string_view localName) {
    calls.push_back(Call{Op::GetDriveType, std::string(localName), {}, {}, {}, 0});
    const std::optional<int> index = IndexOf(localName);
    return index ? letters.at(static_cast<std::size_t>(*index)).type : DRIVE_NO_ROOT_DIR;
}

std::string FakeNetworkDrives::GetConnection(std::string_view localName) {
    calls.push_back(Call{Op::GetConnection, std::string(localName), {}, {}, {}, 0});
    const std::optional<int> index = IndexOf(localName);
    if (!index || letters.at(static_cast<std::size_t>(*index)).type != DRIVE_REMOTE) {
        return {};
    }
    return letters.at(static_cast<std::size_t>(*index)).remoteName;
}

int FakeNetworkDrives::AddConnection(std::string_view localName, std::string_view remoteName,
                                     std::string_view userName, std::string_view password) {
    calls.push_back(Call{Op::AddConnection, std::string(localName), std::string(remoteName),
                         std::string(userName),
                         recordPasswords ? std::string(password) : std::string(), password.size()});
    const std::optional<int> index = IndexOf(localName);
    int result = 0;
    if (!addResults.empty()) {
        result = addResults.front();
        addResults.pop_front();
    } else if (!index || letters.at(static_cast<std::size_t>(*index)).type != DRIVE_NO_ROOT_DIR) {
        result = FAKE_ALREADY_ASSIGNED;
    }
    if (result == 0 && index) {
        letters.at(static_cast<std::size_t>(*index)) =
            Letter{DRIVE_REMOTE, true, std::string(remoteName)};
    }
    return result;
}

int FakeNetworkDrives::CancelConnection(std::string_view localName) {
    calls.push_back(Call{Op::CancelConnection, std::string(localName), {}, {}, {}, 0});
    const std::optional<int> index = IndexOf(localName);
    int result = 0;
    if (const auto failure = cancelFailures.find(std::string(localName));
        failure != cancelFailures.end()) {
        result = failure->second;
    } else if (!cancelResults.empty()) {
        result = cancelResults.front();
        cancelResults.pop_front();
    } else if (!index || letters.at(static_cast<std::size_t>(*index)).type != DRIVE_REMOTE) {
        result = FAKE_NOT_CONNECTED;
    }
    if (result == 0 && index) {
        letters.at(static_cast<std::size_t>(*index)) = Letter{};
    }
    return result;
}

}  // namespace halvo::platform::testing
