// SPDX-License-Identifier: GPL-3.0-or-later
// Exchange and discovery figures on the namespace LAN (scripts/bench.sh brings it up and runs
// this on its workstation host). Prints medians and targets; never fails on time.
//
//   - one addressed exchange and the detail query's whole sequence (system, network, share count,
//     three share pages, volumes) against each box with 45 shares (one answering at once, one
//     after a latency like a real box's), SlotWait and BlindSleep side by side;
//   - discovery with every device of the LAN answering in one burst: found, total time, and the
//     time beyond the 2.0 s collection window.
// Discovery broadcasts on every interface of the workstation and asks the boxes of the routed
// subnet (10.79.0.0/24, lan.sh up --multi) by unicast; each box is reached the way a first
// discovery found it, so a box added by address is measured against one found by broadcast.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchLan.h"
#include "bench/BenchStats.h"
#include "platform/SystemClock.h"
#include "platform/posix/PosixNetworkInterfaces.h"
#include "platform/posix/PosixSocketLayer.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DetailQuery.h"
#include "protocol/DeviceExchange.h"
#include "protocol/DeviceRecord.h"
#include "protocol/DeviceRoutes.h"
#include "protocol/Discovery.h"
#include "tools/devsim/LanHosts.h"

namespace {

using namespace std::chrono_literals;
using namespace halvo;
using namespace halvo::bench;
using namespace halvo::protocol;
using Steady = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr double EXCHANGE_TARGET_MS = 1.0;
constexpr double SEQUENCE_TARGET_MS = 5.0;
constexpr double BEYOND_WINDOW_TARGET_MS = 20.0;
constexpr Ms COLLECTION_WINDOW{2000.0};
constexpr int LABEL_WIDTH = 36;  // the table's first column

struct Options {
    int slotExchanges = 300;
    int slotSequences = 150;
    int blindExchanges = 40;
    int blindSequences = 12;
    int discoveries = 5;
};

class Bench {
  public:
    Bench(const devsim::LanLayout& layout, Options options) : layout_(layout), options_(options) {
        for (const auto& h : layout_.hosts) {
            if (h.address.rfind("10.79.", 0) == 0) {
                targets_.addresses.push_back(ParseIPv4(h.address).value_or(0));
            }
        }
    }

    int Run() {
        const std::vector<const devsim::LanDevice*> boxes = BoxesOf(layout_);
        if (boxes.empty()) {
            std::fprintf(stderr, "no device with 45 shares on this LAN\n");
            return 1;
        }
        PrintMachine();
        LearnRoutes();
        for (const devsim::LanDevice* box : boxes) {
            Exchanges(*box);
        }
        std::printf(
            "\n== Discovery, %zu devices on %zu host(s): one broadcast on each of %d "
            "interface(s), %zu unicast request(s)\n",
            layout_.devices.size(), layout_.hosts.size(), broadcastInterfaces_,
            targets_.addresses.size());
        Discoveries(WaitMode::SlotWait, options_.discoveries);
        Discoveries(WaitMode::BlindSleep, std::max(1, options_.discoveries / 2));
        return 0;
    }

  private:
    // The way to each device, as a discovery finds it.
    void LearnRoutes() {
        platform::PosixSocketLayer sockets;
        platform::SystemClock clock;
        platform::testing::RecordingMessageBoxes messages;
        const ProtocolContext context = Context(sockets, clock, messages, WaitMode::SlotWait);
        Discover(
            context, [&](std::unique_ptr<DeviceRecord> r) { routes_[r->macAddress] = r->route; },
            targets_);
        const auto list = interfaces_.List();
        broadcastInterfaces_ = list ? static_cast<int>(BroadcastInterfaces(*list).size()) : 0;
    }
    ProtocolContext Context(platform::SocketLayer& sockets, platform::Clock& clock,
                            platform::MessageBoxes& messages, WaitMode mode) {
        ProtocolContext context{sockets, clock, messages, mode};
        context.interfaces = &interfaces_;
        return context;
    }
    static const char* RouteName(const DeviceRoute& route) {
        switch (route.kind) {
            case DeviceRoute::Kind::Interface:
                return "broadcast on its interface";
            case DeviceRoute::Kind::Unicast:
                return "unicast, added by address";
            default:
                return "unbound broadcast";
        }
    }

    void Exchanges(const devsim::LanDevice& box) {
        const DeviceRoute route =
            routes_.count(box.config.mac) ? routes_[box.config.mac] : DeviceRoute{};
        std::printf(
            "\n== Addressed exchanges against %s (%s, 45 shares, answers after %lld us; %s%s)\n",
            box.config.name.c_str(), box.hostAddress.c_str(),
            static_cast<long long>(box.config.latency.count()), RouteName(route),
            routes_.count(box.config.mac) ? "" : ", not found by discovery");
        PrintTableHead(LABEL_WIDTH);
        const auto slotOne = Measure(WaitMode::SlotWait, box, false, options_.slotExchanges);
        const auto blindOne = Measure(WaitMode::BlindSleep, box, false, options_.blindExchanges);
        const auto slotSeq = Measure(WaitMode::SlotWait, box, true, options_.slotSequences);
        const auto blindSeq = Measure(WaitMode::BlindSleep, box, true, options_.blindSequences);
        PrintRow(LABEL_WIDTH, "one exchange, SlotWait", slotOne);
        PrintRow(LABEL_WIDTH, "one exchange, BlindSleep", blindOne);
        PrintRow(LABEL_WIDTH, "full sequence (7 steps), SlotWait", slotSeq);
        PrintRow(LABEL_WIDTH, "full sequence (7 steps), BlindSleep", blindSeq);
        const double one = Median(slotOne.ms), seq = Median(slotSeq.ms);
        // On veth pairs an instant answer may be queued before the first receive: BlindSleep then
        // pays nothing, otherwise one whole delay. Hence the means beside the medians.
        std::printf(
            "ratio BlindSleep/SlotWait: medians one exchange %.0fx, full sequence %.0fx; "
            "means %.0fx, %.0fx\n",
            Median(blindOne.ms) / one, Median(blindSeq.ms) / seq,
            Mean(blindOne.ms) / Mean(slotOne.ms), Mean(blindSeq.ms) / Mean(slotSeq.ms));
        std::printf(
            "target SlotWait one exchange <= %.1f ms median: %s; full sequence <= %.1f ms "
            "median: %s\n",
            EXCHANGE_TARGET_MS, Verdict(one <= EXCHANGE_TARGET_MS), SEQUENCE_TARGET_MS,
            Verdict(seq <= SEQUENCE_TARGET_MS));
    }

    // One exchange opens, asks for the system information and closes, as an addressed handler
    // does; a sequence runs the detail query's seven steps on one socket.
    Samples Measure(WaitMode mode, const devsim::LanDevice& device, bool sequence, int runs) {
        platform::PosixSocketLayer sockets;
        platform::SystemClock clock;
        platform::testing::RecordingMessageBoxes messages;
        const ProtocolContext context = Context(sockets, clock, messages, mode);
        Samples samples;
        for (int i = 0; i < runs; ++i) {
            DeviceRecord record;
            record.macAddress = device.config.mac;
            if (routes_.count(device.config.mac)) {
                record.route = routes_[device.config.mac];
            }
            const auto start = Steady::now();
            const bool ok = sequence ? Sequence(context, record) : Single(context, record);
            const Ms took = Steady::now() - start;
            if (ok && messages.Warnings().empty()) {
                samples.ms.push_back(took.count());
            } else {
                ++samples.failed;
                messages.Clear();
            }
        }
        return samples;
    }

    static bool Single(const ProtocolContext& context, DeviceRecord& record) {
        DeviceExchange exchange(context);
        if (!exchange.Open(platform::SOCKET_VERSION_2_2, record.route)) {
            return false;
        }
        Reply reply;
        const bool ok = exchange.Transact(EncodeGetSystemInfo(record.macAddress),
                                          SYSTEM_INFO_EXCHANGE, reply) == TransactResult::Reply &&
                        ApplySystemInfoReply(record, reply.bytes());
        exchange.Close();
        return ok;
    }

    // The detail query as the main window runs it, shown nowhere.
    static bool Sequence(const ProtocolContext& context, DeviceRecord& record) {
        class CountingView final : public DetailView {
          public:
            void ClearDetails() override {}
            void ShowBasicInformation(std::string_view, std::string_view, std::string_view,
                                      std::string_view, std::string_view) override {}
            void ShowVolumes(const std::vector<VolumeRow>& rows) override { volumes = rows.size(); }
            void EnableDeviceButtons() override {}
            std::size_t volumes = 0;
        } view;
        return RunDetailQuery(context, record, view) == DetailQueryResult::Completed &&
               record.shares.size() == 45 && view.volumes > 0;
    }

    void Discoveries(WaitMode mode, int runs) {
        const char* name = mode == WaitMode::SlotWait ? "SlotWait" : "BlindSleep";
        std::vector<double> totals, beyond;
        int worstFound = static_cast<int>(layout_.devices.size());
        for (int i = 0; i < runs; ++i) {
            platform::PosixSocketLayer sockets;
            platform::SystemClock clock;
            platform::testing::RecordingMessageBoxes messages;
            const ProtocolContext context = Context(sockets, clock, messages, mode);
            std::map<MacAddress, int> seen;
            const auto start = Steady::now();
            const DiscoveryResult result = Discover(
                context, [&](std::unique_ptr<DeviceRecord> r) { ++seen[r->macAddress]; }, targets_);
            const Ms took = Steady::now() - start;
            int found = 0;
            std::map<int, std::pair<int, int>> perHost;  // host: found, expected
            for (const auto& d : layout_.devices) {
                const int hit = seen.count(d.config.mac) ? 1 : 0;
                found += hit;
                perHost[d.host].first += hit;
                ++perHost[d.host].second;
            }
            std::string hosts;
            for (const auto& [host, counts] : perHost) {
                hosts += (hosts.empty() ? "host " : " host ") + std::to_string(host) + ": " +
                         std::to_string(counts.first) + "/" + std::to_string(counts.second) + ";";
            }
            worstFound = std::min(worstFound, found);
            totals.push_back(took.count());
            beyond.push_back((took - COLLECTION_WINDOW).count());
            std::printf(
                "  %-10s run %d: found %d/%zu (%s %d records, %d ignored), total %.1f ms, "
                "beyond the window %.1f ms%s\n",
                name, i + 1, found, layout_.devices.size(), hosts.c_str(), result.devicesFound,
                result.ignored, took.count(), beyond.back(), result.capped ? " (capped)" : "");
        }
        const double medianBeyond = Median(beyond);
        std::printf(
            "%s: median total %.1f ms, median beyond the window %.1f ms, worst found "
            "%d/%zu",
            name, Median(totals), medianBeyond, worstFound, layout_.devices.size());
        if (mode == WaitMode::SlotWait) {
            std::printf("; target all found and <= %.0f ms beyond: %s", BEYOND_WINDOW_TARGET_MS,
                        Verdict(worstFound == static_cast<int>(layout_.devices.size()) &&
                                medianBeyond <= BEYOND_WINDOW_TARGET_MS));
        }
        std::printf("\n");
    }

    const devsim::LanLayout& layout_;
    Options options_;
    platform::PosixNetworkInterfaces interfaces_;
    DiscoveryTargets targets_;
    std::map<MacAddress, DeviceRoute> routes_;
    int broadcastInterfaces_ = 0;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    return ReadArguments(argc, argv, [&o](std::string_view a, const char* value) {
        if (a == "--quick") {
            o = Options{40, 20, 10, 4, 2};
            return 1;
        }
        if (a == "--discoveries" && value != nullptr) {
            o.discoveries = std::max(1, std::atoi(value));
            return 2;
        }
        return 0;
    });
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    halvo::devsim::LanLayout layout;
    if (const int refused = StartLanBench("halvo-bench-lan", "[--quick] [--discoveries N]",
                                          ParseOptions(argc, argv, options), layout)) {
        return refused;
    }
    return Bench(layout, options).Run();
}
