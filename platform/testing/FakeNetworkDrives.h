// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted NetworkDrives for tests: a simulated set of letters that behaves like the real one
// unless a result is scripted, and a record of every call with its arguments.
#pragma once

#include <array>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/NetworkDrives.h"

namespace halvo::platform::testing {

inline constexpr unsigned DRIVE_FIXED = 3;

class FakeNetworkDrives : public NetworkDrives {
  public:
    enum class Op {
        GetLogicalDrives,
        GetDriveType,
        GetConnection,
        AddConnection,
        CancelConnection
    };
    struct Call {
        Op op;
        std::string localName;
        std::string remoteName;
        std::string userName;
        std::string password;  // empty unless RecordPasswords(true)
        std::size_t passwordLength = 0;
    };

    // Passwords given to AddConnection are kept in the calls only after RecordPasswords(true);
    // otherwise only their length is.
    void RecordPasswords(bool record) { recordPasswords = record; }

    // Letter `letter` ('A'…'Z') connected to `remoteName`. With `inMask` false its bit stays clear
    // in GetLogicalDrives, as the real facility may report a connected but unavailable drive. An
    // empty `remoteName` makes GetConnection give nothing for it.
    void SetRemote(char letter, std::string remoteName, bool inMask = true);
    // Letter in use by a local drive of type `type` (not remote).
    void SetLocal(char letter, unsigned type = DRIVE_FIXED);
    void Clear(char letter);

    // Results for the next AddConnection / CancelConnection calls, used in order. A scripted 0
    // changes the letters as a real success would; any other value leaves them as they are.
    // Without a script a call behaves like the real layer: Add fails with 85 on a taken or bad
    // letter, Cancel fails with 2250 on a letter that is not connected.
    void ScriptAdd(int result) { addResults.push_back(result); }
    void ScriptCancel(int result) { cancelResults.push_back(result); }
    // Every CancelConnection of `localName` gives `result` (checked before the queue).
    void FailCancelOf(const std::string& localName, int result) {
        cancelFailures[localName] = result;
    }

    // The remote name connected to `letter`, when it is connected.
    std::optional<std::string> RemoteOf(char letter) const;
    const std::vector<Call>& Calls() const { return calls; }
    std::vector<Call> CallsOf(Op op) const;
    void ClearCalls() { calls.clear(); }

    std::uint32_t GetLogicalDrives() override;
    unsigned GetDriveType(std::string_view localName) override;
    std::string GetConnection(std::string_view localName) override;
    int AddConnection(std::string_view localName, std::string_view remoteName,
                      std::string_view userName, std::string_view password) override;
    int CancelConnection(std::string_view localName) override;

  private:
    struct Letter {
        unsigned type = DRIVE_NO_ROOT_DIR;
        bool inMask = false;
        std::string remoteName;
    };
    static std::optional<int> IndexOf(std::string_view localName);

    std::array<Letter, 26> letters{};
    std::deque<int> addResults;
    std::deque<int> cancelResults;
    std::map<std::string, int> cancelFailures;
    std::vector<Call> calls;
    bool recordPasswords = false;
};

}  // namespace halvo::platform::testing
