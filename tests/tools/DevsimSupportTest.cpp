// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's web page, its namespace guard and the LAN layout reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tools/devsim/LanHosts.h"
#include "tools/devsim/NamespaceGuard.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/WebPage.h"

namespace halvo::devsim {
namespace {

namespace fs = std::filesystem;

const std::string CONFIGS = HALVO_DEVSIM_CONFIGS;

// A fresh directory under the system's temporary directory, removed at the end of the test.
class TempDir {
  public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("halvo-devsim-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

SimulatedDevice MakeDevice(const std::string& text) {
    const ConfigResult r = ParseConfig(text);
    EXPECT_FALSE(r.error);
    return SimulatedDevice(r.devices.front());
}

TEST(WebPage, NamesTheDeviceItsAddressAndFirmware) {
    const SimulatedDevice d = MakeDevice(
        "[device]\nname = NAS<1>&\nmac = 00:00:00:00:00:01\nip = 10.77.0.11\nfirmware = 1203\n");
    const std::string r = BuildWebResponse("GET / HTTP/1.1\r\nHost: x\r\n\r\n", {&d});
    EXPECT_EQ(r.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_NE(r.find("NAS&lt;1&gt;&amp;"), std::string::npos);
    EXPECT_EQ(r.find("NAS<1>"), std::string::npos);
    EXPECT_NE(r.find("10.77.0.11"), std::string::npos);
    EXPECT_NE(r.find("V12R03"), std::string::npos);
    const auto body = r.substr(r.find("\r\n\r\n") + 4);
    EXPECT_NE(r.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);

    const std::string head = BuildWebResponse("HEAD / HTTP/1.0\r\n\r\n", {&d});
    EXPECT_EQ(head.substr(head.find("\r\n\r\n") + 4), "");
    EXPECT_EQ(BuildWebResponse("POST / HTTP/1.0\r\n\r\n", {&d}).rfind("HTTP/1.0 501", 0), 0u);
    EXPECT_EQ(BuildWebResponse("garbage", {&d}).rfind("HTTP/1.0 501", 0), 0u);
}

TEST(NamespaceGuard, AcceptsOnlyOurNamespaceUnderOurPrefix) {
    TempDir dir;
    // Entries that are not this process's network namespace, or lack the prefix, do not count.
    std::ofstream(dir.path() / "halvo-file") << "x";
    fs::create_symlink("/proc/self/ns/net", dir.path() / "other-ns");
    EXPECT_EQ(OwnLanNamespace(dir.path().string(), "halvo-"), "");
    fs::create_symlink("/proc/self/ns/net", dir.path() / "halvo-x_ws");
    EXPECT_EQ(OwnLanNamespace(dir.path().string(), "halvo-"), "halvo-x_ws");
    EXPECT_EQ(OwnLanNamespace((dir.path() / "missing").string(), "halvo-"), "");
}

TEST(LanHosts, ReadsHostsAndExpandsTheirDevices) {
    TempDir dir;
    const auto hosts = dir.path() / "hosts";
    std::ofstream(hosts) << "1 10.77.0.11 0 " << CONFIGS << "/box1.ini\n"
                         << "2 10.77.0.12 0 " << CONFIGS << "/burst1000.ini\n"
                         << "3 10.77.0.13 1 " << CONFIGS << "/box1.ini\n";
    const LanLayout layout = ReadLanLayout(hosts.string());
    ASSERT_EQ(layout.error, "");
    ASSERT_EQ(layout.hosts.size(), 3u);
    ASSERT_EQ(layout.devices.size(), 1002u);
    EXPECT_EQ(layout.devices[0].config.name.view(), "NAS-Alpha");
    EXPECT_EQ(layout.devices[0].config.network.ipAddress.view(), "10.77.0.11");
    EXPECT_EQ(layout.devices[1].host, 2);
    EXPECT_EQ(layout.devices[1000].config.network.ipAddress.view(), "10.77.0.12");
    EXPECT_EQ(layout.devices[1001].hostAddress, "10.77.0.13");
    EXPECT_NE(layout.devices[1001].config.mac, layout.devices[0].config.mac);

    std::ofstream(hosts) << "1 10.77.0.11\n";
    EXPECT_NE(ReadLanLayout(hosts.string()).error.find("malformed"), std::string::npos);
    std::ofstream(hosts) << "1 10.77.0.11 0 " << (dir.path() / "none.ini").string() << "\n";
    EXPECT_NE(ReadLanLayout(hosts.string()).error.find("cannot read"), std::string::npos);
    EXPECT_NE(ReadLanLayout((dir.path() / "absent").string()).error, "");
}

}  // namespace
}  // namespace halvo::devsim
