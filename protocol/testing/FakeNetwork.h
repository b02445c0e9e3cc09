// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted network on virtual time, standing in for both the socket layer and the clock.
//
// Devices, added by MAC, answer the requests addressed to them (discovery requests reach every
// device that answers CMD_DISCOVER) after a delay, on the socket that sent the request. Scripts
// deliver arbitrary datagrams at chosen virtual times to the datagram socket open at that time.
// Nothing takes real time: Sleep and WaitReadable move the virtual clock.
//
//   FakeNetwork net;
//   net.AddDevice(mac).AnswerDiscovery("NAS-1", "192.168.1.20")
//                     .Reply(CMD_GET_SHARE_COUNT, EncodeShareCountReply(3), 40ms);
//   ProtocolContext ctx{net, net, boxes};
//
// Segments. Without interfaces every device sits on one segment that every broadcast reaches.
// AddInterface attaches the workstation to further segments: a device placed OnSegment(index)
// hears a broadcast only when it leaves by that interface (SendVia, or an unbound send while the
// default route is that interface), a device Behind(index) a router hears no broadcast at all,
// and any device hears a unicast to its address. Answers come back with the sender's address and
// the interface they came in on. The network is its own interface list (ctx.interfaces = &net).
//
// It stands above the protocol it fakes a network for: its devices speak the wire format.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/NetworkInterfaces.h"
#include "platform/SocketLayer.h"
#include "protocol/Protocol.h"
#include "protocol/WireFormat.h"
#include "protocol/device/DeviceReplies.h"

namespace halvo::protocol::testing {

using platform::Clock;
using platform::DatagramPath;
using platform::ReceivedFrom;
using platform::SocketHandle;
using platform::SocketType;

inline constexpr Clock::Duration DEFAULT_ANSWER_DELAY = std::chrono::milliseconds(10);

// One datagram a device sends back, `delay` after the request reached it.
struct Answer {
    Bytes bytes;
    Clock::Duration delay = DEFAULT_ANSWER_DELAY;
};

// One USB volume of a test device.
VolumeEntry MakeVolume(std::string_view share, std::string_view device, std::string_view fsType,
                       std::int32_t totalSizeMb, std::int16_t freePercent);

// Everything a test device needs to answer all queries, the set requests and the check.
struct DeviceProfile {
    std::string name = "NAS";
    std::string ipAddress = "192.168.1.20";
    std::uint16_t webPort = 80;
    std::string firmwareVersion = "1203";
    SystemInfoBlock system;        // its name is ignored: `name` is used
    NetworkInfoBlock network;      // its ipAddress is ignored: `ipAddress` is used
    std::int16_t shareCount = -1;  // -1: shares.size()
    std::vector<std::string> shares;
    std::vector<VolumeEntry> volumes;
    std::string adminName = "admin";
    std::string adminPassword = "admin";
    std::uint16_t setStatus = 0;  // status of the replies to the two set requests
    Clock::Duration delay = DEFAULT_ANSWER_DELAY;
};

class FakeDevice {
  public:
    using Handler = std::function<std::vector<Answer>(std::span<const std::uint8_t> request)>;
    using SimpleHandler = std::function<Bytes(std::span<const std::uint8_t> request)>;

    explicit FakeDevice(const MacAddress& mac) : mac_(mac) {}

    // On the segment behind interface `index` (0: the default segment).
    FakeDevice& OnSegment(std::uint32_t index);
    // Behind a router that interface `index` leads to: reached by unicast only.
    FakeDevice& Behind(std::uint32_t index);
    // The address a unicast reaches it at and its answers come from ("a.b.c.d"). Taken from
    // AnswerDiscovery and Serve as well.
    FakeDevice& At(std::string_view address);
    std::uint32_t address() const { return address_; }
    FakeDevice(const FakeDevice&) = delete;  // handlers may refer to the device itself
    FakeDevice& operator=(const FakeDevice&) = delete;

    const MacAddress& mac() const { return mac_; }

    // Any number of answers (none: silent) to each `command` request.
    FakeDevice& On(std::uint16_t command, Handler handler);
    // One answer built from the request.
    FakeDevice& OnCommand(std::uint16_t command, SimpleHandler handler,
                          Clock::Duration delay = DEFAULT_ANSWER_DELAY);
    // The same answer to every `command` request.
    FakeDevice& Reply(std::uint16_t command, Bytes reply,
                      Clock::Duration delay = DEFAULT_ANSWER_DELAY);
    FakeDevice& ReplyTwice(std::uint16_t command, Bytes reply, Clock::Duration first,
                           Clock::Duration second);
    // Receives `command` requests and never answers (also the default for unknown commands).
    FakeDevice& Silent(std::uint16_t command);
    // Answers discovery with this device's MAC, name, address and web port.
    FakeDevice& AnswerDiscovery(std::string_view name, std::string_view ipAddress,
                                std::uint16_t webPort = 80,
                                Clock::Duration delay = DEFAULT_ANSWER_DELAY);
    // Discovery, every get request, the share pages by index, the two set requests (status
    // profile.setStatus; the blocks are kept) and the check against adminName/adminPassword.
    FakeDevice& Serve(DeviceProfile profile);

    // Requests that reached this device, in order.
    const std::vector<Bytes>& requests() const { return requests_; }
    int RequestCount(std::uint16_t command) const;
    // The last blocks a set request carried (Serve only).
    const std::optional<SystemInfoBlock>& lastSystemInfo() const { return lastSystem_; }
    const std::optional<NetworkInfoBlock>& lastNetworkInfo() const { return lastNetwork_; }

  private:
    friend class FakeNetwork;
    bool Handles(std::uint16_t command) const { return handlers_.count(command) != 0; }
    std::vector<Answer> Take(std::uint16_t command, std::span<const std::uint8_t> request);

    MacAddress mac_;
    std::uint32_t segment_ = 0;
    bool routed_ = false;
    std::uint32_t address_ = 0;
    std::map<std::uint16_t, Handler> handlers_;
    std::vector<Bytes> requests_;
    std::shared_ptr<DeviceProfile> profile_;
    std::optional<SystemInfoBlock> lastSystem_;
    std::optional<NetworkInfoBlock> lastNetwork_;
};

// One interface of the workstation, and so one segment.
struct FakeInterface {
    std::string name;
    std::uint32_t index = 0;
    std::uint32_t address = 0;  // host order
    bool up = true;
    bool loopback = false;
    bool broadcast = true;
    bool pointToPoint = false;
};

class FakeNetwork final : public platform::SocketLayer,
                          public platform::Clock,
                          public platform::NetworkInterfaces {
  public:
    struct Sent {
        Bytes bytes;
        std::uint32_t address;
        std::uint16_t port;
        Duration at;  // virtual time since the start
        SocketHandle socket;
        std::optional<DatagramPath> via;  // SendVia's path; none for SendTo
    };

    FakeNetwork();

    // ---- Script ----
    FakeDevice& AddDevice(const MacAddress& mac);
    // A datagram arriving `at` after the start on the datagram socket open at that time (lost
    // when none is open).
    void DeliverAt(Duration at, Bytes bytes);
    // The same datagram every `interval` from `from` while the time is below `until`.
    void DeliverEvery(Duration from, Duration interval, Duration until, const Bytes& bytes);
    // Virtual time each ReceiveFrom takes (default 0), to model a host that cannot keep up.
    void SetReceiveCost(Duration cost) { receiveCost_ = cost; }

    // ---- Segments ----
    // `name` at "a.b.c.d"; index 0 picks the next free one. Returns the index.
    std::uint32_t AddInterface(FakeInterface interface);
    std::uint32_t AddInterface(std::string_view name, std::string_view address);
    // The interface goes away (unplugged, tunnel closed); its devices hear nothing more.
    void RemoveInterface(std::uint32_t index);
    void SetInterfaceUp(std::uint32_t index, bool up);
    // The interface an unbound send leaves by (0: the default segment).
    void SetDefaultRoute(std::uint32_t index) { defaultRoute_ = index; }
    void FailInterfaceList(bool fail = true) { failList_ = fail; }

    // ---- Failures ----
    void FailStartup(int code) { startupError_ = code; }  // 0: start normally
    void FailOpen(SocketType type, bool fail = true);
    void FailBroadcast(bool fail = true) { failBroadcast_ = fail; }
    void FailBind(bool fail = true) { failBind_ = fail; }
    void FailListen(bool fail = true) { failListen_ = fail; }
    void FailCleanup(int lastError) { cleanupError_ = lastError; }  // 0: clean up normally

    // ---- Record ----
    Duration Elapsed() const { return now_; }
    const std::vector<Sent>& sent() const { return sent_; }
    std::vector<std::uint16_t> SentCommands() const;
    int OpenSockets() const;
    int SocketsOpened(SocketType type) const;
    int startupCalls() const { return startupCalls_; }
    int cleanupCalls() const { return cleanupCalls_; }
    // Successful start-ups not yet matched by a clean-up.
    int LayerUses() const { return layerUses_; }
    const std::vector<std::uint16_t>& startupVersions() const { return startupVersions_; }
    const std::vector<std::chrono::milliseconds>& sleeps() const { return sleeps_; }
    const std::vector<std::chrono::milliseconds>& waits() const { return waits_; }
    int receiveCalls() const { return receiveCalls_; }
    int emptyReceives() const { return emptyReceives_; }
    // The virtual time of each datagram taken by ReceiveFrom.
    const std::vector<Duration>& receiveTimes() const { return receiveTimes_; }
    int bindCalls() const { return bindCalls_; }
    int listenCalls() const { return listenCalls_; }
    int droppedDatagrams() const { return dropped_; }
    // Every layer call in order ("Startup 514", "Open Datagram", "Close 3", "Cleanup", ...).
    const std::vector<std::string>& calls() const { return calls_; }
    // Calls that used a socket that was not open, or opened one without a started layer.
    int misuses() const { return misuses_; }

    // ---- SocketLayer ----
    int Startup(std::uint16_t version) override;
    int Cleanup() override;
    int LastError() override { return lastError_; }
    SocketHandle Open(SocketType type) override;
    int SetNonBlocking(SocketHandle socket) override;
    int EnableBroadcast(SocketHandle socket) override;
    int Bind(SocketHandle socket, std::uint16_t port) override;
    int Listen(SocketHandle socket, int backlog) override;
    int SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram, std::uint32_t address,
               std::uint16_t port) override;
    int SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                const DatagramPath& path, std::uint32_t address, std::uint16_t port) override;
    int ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) override;
    int ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                        ReceivedFrom& from) override;
    bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) override;
    int Close(SocketHandle socket) override;

    // ---- NetworkInterfaces ----
    std::optional<std::vector<platform::NetworkInterface>> List() override;
    int listCalls() const { return listCalls_; }

    // ---- Clock ----
    TimePoint Now() override { return epoch_ + now_; }
    void Sleep(std::chrono::milliseconds duration) override;

  private:
    static constexpr SocketHandle ANY_DATAGRAM_SOCKET = -2;

    struct Arrival {
        Bytes bytes;
        ReceivedFrom from;
    };
    struct SocketState {
        SocketType type;
        bool open = true;
        std::vector<Arrival> inbox;  // arrived, in arrival order
    };
    struct Pending {
        SocketHandle target;
        Arrival arrival;
    };
    using PendingKey = std::pair<Duration, std::uint64_t>;

    SocketState* Live(SocketHandle socket);
    SocketHandle CurrentDatagramSocket() const;
    void Schedule(Duration at, SocketHandle target, Bytes bytes, ReceivedFrom from = {});
    int Transmit(SocketHandle socket, std::span<const std::uint8_t> datagram, std::uint32_t address,
                 std::uint16_t port, std::optional<DatagramPath> via);
    const FakeInterface* Interface(std::uint32_t index) const;
    // Whether a device hears a datagram to `address` leaving by interface `egress`.
    bool Hears(const FakeDevice& device, std::uint32_t address, std::uint32_t egress) const;
    // Moves every datagram due by now into its socket's inbox, or drops it.
    void Settle();
    std::optional<Duration> NextArrival(SocketHandle socket) const;

    TimePoint epoch_;
    Duration now_{};
    Duration receiveCost_{};
    std::uint64_t seq_ = 0;
    std::map<PendingKey, Pending> pending_;
    std::map<SocketHandle, SocketState> sockets_;
    SocketHandle nextHandle_ = 3;
    std::vector<std::unique_ptr<FakeDevice>> devices_;
    std::vector<FakeInterface> interfaces_;
    std::uint32_t defaultRoute_ = 0;
    bool failList_ = false;
    int listCalls_ = 0;

    int startupError_ = 0;
    bool failDatagram_ = false;
    bool failStream_ = false;
    bool failBroadcast_ = false;
    bool failBind_ = false;
    bool failListen_ = false;
    int cleanupError_ = 0;

    std::vector<Sent> sent_;
    int startupCalls_ = 0;
    int cleanupCalls_ = 0;
    int layerUses_ = 0;
    std::vector<std::uint16_t> startupVersions_;
    std::vector<std::chrono::milliseconds> sleeps_;
    std::vector<std::chrono::milliseconds> waits_;
    int receiveCalls_ = 0;
    int emptyReceives_ = 0;
    std::vector<Duration> receiveTimes_;
    int bindCalls_ = 0;
    int listenCalls_ = 0;
    int dropped_ = 0;
    int misuses_ = 0;
    int lastError_ = 0;
    std::vector<std::string> calls_;
};

}  // namespace halvo::protocol::testing
