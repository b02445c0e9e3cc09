// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/testing/FakeNetwork.h"

#include <algorithm>

#include "protocol/DeviceRoutes.h"

namespace halvo::protocol::testing {

using platform::INVALID_SOCKET_HANDLE;
using platform::SOCKET_VERSION_1_1;
using platform::SOCKET_VERSION_2_2;

namespace {

constexpr int ERROR_VERSION_NOT_SUPPORTED = 10092;
constexpr int ERROR_NOT_INITIALISED = 10093;
constexpr int ERROR_NOT_SOCKET = 10038;

const char* TypeName(SocketType type) {
    return type == SocketType::Datagram ? "Datagram" : "Stream";
}

}  // namespace

// ---- FakeDevice --------------------------------------------------------------------------------

VolumeEntry MakeVolume(std::string_view share, std::string_view device, std::string_view fsType,
                       std::int32_t totalSizeMb, std::int16_t freePercent) {
    VolumeEntry v;
    v.shareName.Assign(share);
    v.deviceId.Assign(device);
    v.fsType.Assign(fsType);
    v.totalSizeMb = totalSizeMb;
    v.freePercent = freePercent;
    return v;
}

FakeDevice& FakeDevice::OnSegment(std::uint32_t index) {
    segment_ = index;
    routed_ = false;
    return *this;
}

FakeDevice& FakeDevice::Behind(std::uint32_t index) {
    segment_ = index;
    routed_ = true;
    return *this;
}

FakeDevice& FakeDevice::At(std::string_view address) {
    address_ = ParseIPv4(address).value_or(0);
    return *this;
}

FakeDevice& FakeDevice::On(std::uint16_t command, Handler handler) {
    handlers_[command] = std::move(handler);
    return *this;
}

FakeDevice& FakeDevice::OnCommand(std::uint16_t command, SimpleHandler handler,
                                  Clock::Duration delay) {
    return On(command, [handler = std::move(handler), delay](std::span<const std::uint8_t> r) {
        return std::vector<Answer>{{handler(r), delay}};
    });
}

FakeDevice& FakeDevice::Reply(std::uint16_t command, Bytes reply, Clock::Duration delay) {
    return On(command, [reply = std::move(reply), delay](std::span<const std::uint8_t>) {
        return std::vector<Answer>{{reply, delay}};
    });
}

FakeDevice& FakeDevice::ReplyTwice(std::uint16_t command, Bytes reply, Clock::Duration first,
                                   Clock::Duration second) {
    return On(command, [reply = std::move(reply), first, second](std::span<const std::uint8_t>) {
        return std::vector<Answer>{{reply, first}, {reply, second}};
    });
}

FakeDevice& FakeDevice::Silent(std::uint16_t command) {
    return On(command, [](std::span<const std::uint8_t>) { return std::vector<Answer>{}; });
}

FakeDevice& FakeDevice::AnswerDiscovery(std::string_view name, std::string_view ipAddress,
                                        std::uint16_t webPort, Clock::Duration delay) {
    At(ipAddress);
    return Reply(CMD_DISCOVER, EncodeDiscoveryReply(mac_, name, ipAddress, webPort), delay);
}

FakeDevice& FakeDevice::Serve(DeviceProfile profile) {
    At(profile.ipAddress);
    profile_ = std::make_shared<DeviceProfile>(std::move(profile));
    auto p = profile_;
    const auto delay = p->delay;
    const auto one = [delay](Bytes bytes) {
        return std::vector<Answer>{{std::move(bytes), delay}};
    };

    On(CMD_DISCOVER, [this, p, one](std::span<const std::uint8_t>) {
        return one(EncodeDiscoveryReply(mac_, p->name, p->ipAddress, p->webPort));
    });
    On(CMD_GET_SYSTEM_INFO, [p, one](std::span<const std::uint8_t>) {
        SystemInfoBlock block = p->system;
        block.name.Assign(p->name);
        return one(EncodeSystemInfoReply(p->firmwareVersion, block));
    });
    On(CMD_GET_NETWORK_INFO, [p, one](std::span<const std::uint8_t>) {
        NetworkInfoBlock block = p->network;
        block.ipAddress.Assign(p->ipAddress);
        return one(EncodeNetworkInfoReply(block));
    });
    On(CMD_GET_SHARE_COUNT, [p, one](std::span<const std::uint8_t>) {
        const auto count =
            p->shareCount >= 0 ? p->shareCount : static_cast<std::int16_t>(p->shares.size());
        return one(EncodeShareCountReply(count));
    });
    On(CMD_GET_SHARE_PAGE, [p, one](std::span<const std::uint8_t> request) {
        const std::uint8_t page = DecodeSharePageRequest(request).value_or(0);
        std::vector<std::string_view> names;
        for (std::size_t i = page * SHARES_PER_PAGE;
             i < p->shares.size() && names.size() < SHARES_PER_PAGE; ++i) {
            names.push_back(p->shares[i]);
        }
        return one(EncodeSharePageReply(page, names));
    });
    On(CMD_GET_VOLUME_INFO,
       [p, one](std::span<const std::uint8_t>) { return one(EncodeVolumeInfoReply(p->volumes)); });
    On(CMD_SET_SYSTEM_INFO, [this, p, one](std::span<const std::uint8_t> request) {
        lastSystem_ = DecodeSetSystemInfoRequest(request);
        return one(EncodeStatusReply(CMD_SET_SYSTEM_INFO, p->setStatus));
    });
    On(CMD_SET_NETWORK_INFO, [this, p, one](std::span<const std::uint8_t> request) {
        lastNetwork_ = DecodeSetNetworkInfoRequest(request);
        return one(EncodeStatusReply(CMD_SET_NETWORK_INFO, p->setStatus));
    });
    On(CMD_VERIFY_ADMIN, [p, one](std::span<const std::uint8_t> request) {
        const auto credentials = DecodeVerifyAdminRequest(request);
        const bool ok = credentials && credentials->name.view() == p->adminName &&
                        credentials->password.view() == p->adminPassword;
        return one(EncodeStatusReply(CMD_VERIFY_ADMIN, ok ? 0 : 1));
    });
    return *this;
}

int FakeDevice::RequestCount(std::uint16_t command) const {
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(), [&](const Bytes& r) {
        return DecodeCommand(r) == std::optional<std::uint16_t>(command);
    }));
}

std::vector<Answer> FakeDevice::Take(std::uint16_t command, std::span<const std::uint8_t> request) {
    requests_.emplace_back(request.begin(), request.end());
    const auto it = handlers_.find(command);
    if (it == handlers_.end()) {
        return {};
    }
    return it->second(request);
}

// ---- FakeNetwork: script ---------------------------------------------------------------------

FakeNetwork::FakeNetwork() : epoch_(TimePoint{} + std::chrono::hours(1)) {}

FakeDevice& FakeNetwork::AddDevice(const MacAddress& mac) {
    devices_.push_back(std::make_unique<FakeDevice>(mac));
    return *devices_.back();
}

void FakeNetwork::DeliverAt(Duration at, Bytes bytes) {
    Schedule(at, ANY_DATAGRAM_SOCKET, std::move(bytes));
}

void FakeNetwork::DeliverEvery(Duration from, Duration interval, Duration until,
                               const Bytes& bytes) {
    if (interval <= Duration::zero()) {
        return;
    }
    for (Duration at = from; at < until; at += interval) {
        Schedule(at, ANY_DATAGRAM_SOCKET, bytes);
    }
}

void FakeNetwork::FailOpen(SocketType type, bool fail) {
    (type == SocketType::Datagram ? failDatagram_ : failStream_) = fail;
}

void FakeNetwork::Schedule(Duration at, SocketHandle target, Bytes bytes, ReceivedFrom from) {
    pending_.emplace(PendingKey{at, seq_++}, Pending{target, Arrival{std::move(bytes), from}});
}

std::uint32_t FakeNetwork::AddInterface(FakeInterface interface) {
    if (interface.index == 0) {
        interface.index = 1;
        for (const auto& i : interfaces_) {
            interface.index = std::max(interface.index, i.index + 1);
        }
    }
    interfaces_.push_back(std::move(interface));
    return interfaces_.back().index;
}

std::uint32_t FakeNetwork::AddInterface(std::string_view name, std::string_view address) {
    FakeInterface interface;
    interface.name = std::string(name);
    interface.address = ParseIPv4(address).value_or(0);
    return AddInterface(std::move(interface));
}

void FakeNetwork::RemoveInterface(std::uint32_t index) {
    std::erase_if(interfaces_, [&](const FakeInterface& i) { return i.index == index; });
}

void FakeNetwork::SetInterfaceUp(std::uint32_t index, bool up) {
    for (auto& i : interfaces_) {
        if (i.index == index) {
            i.up = up;
        }
    }
}

const FakeInterface* FakeNetwork::Interface(std::uint32_t index) const {
    for (const auto& i : interfaces_) {
        if (i.index == index) {
            return &i;
        }
    }
    return nullptr;
}

bool FakeNetwork::Hears(const FakeDevice& device, std::uint32_t address,
                        std::uint32_t egress) const {
    if (device.segment_ != 0) {
        const FakeInterface* own = Interface(device.segment_);
        if (own == nullptr || !own->up) {
            return false;  // its segment is no longer attached
        }
    }
    if (address == BROADCAST_ADDRESS) {
        return !device.routed_ && device.segment_ == egress;
    }
    return device.address_ != 0 && device.address_ == address;
}

std::optional<std::vector<platform::NetworkInterface>> FakeNetwork::List() {
    ++listCalls_;
    if (failList_) {
        return std::nullopt;
    }
    std::vector<platform::NetworkInterface> list;
    for (const auto& i : interfaces_) {
        list.push_back({i.name, i.index, i.address, i.up, i.loopback, i.broadcast, i.pointToPoint});
    }
    return list;
}

SocketHandle FakeNetwork::CurrentDatagramSocket() const {
    for (auto it = sockets_.rbegin(); it != sockets_.rend(); ++it) {
        if (it->second.open && it->second.type == SocketType::Datagram) {
            return it->first;
        }
    }
    return INVALID_SOCKET_HANDLE;
}

FakeNetwork::SocketState* FakeNetwork::Live(SocketHandle socket) {
    const auto it = sockets_.find(socket);
    if (it == sockets_.end() || !it->second.open) {
        ++misuses_;
        lastError_ = ERROR_NOT_SOCKET;
        return nullptr;
    }
    return &it->second;
}

void FakeNetwork::Settle() {
    while (!pending_.empty() && pending_.begin()->first.first <= now_) {
        Pending p = std::move(pending_.begin()->second);
        pending_.erase(pending_.begin());
        const SocketHandle target =
            p.target == ANY_DATAGRAM_SOCKET ? CurrentDatagramSocket() : p.target;
        const auto it = sockets_.find(target);
        if (it == sockets_.end() || !it->second.open) {
            ++dropped_;
            continue;
        }
        it->second.inbox.push_back(std::move(p.arrival));
    }
}

std::optional<Clock::Duration> FakeNetwork::NextArrival(SocketHandle socket) const {
    const SocketHandle current = CurrentDatagramSocket();
    for (const auto& [key, p] : pending_) {
        if (p.target == socket || (p.target == ANY_DATAGRAM_SOCKET && current == socket)) {
            return key.first;
        }
    }
    return std::nullopt;
}

std::vector<std::uint16_t> FakeNetwork::SentCommands() const {
    std::vector<std::uint16_t> commands;
    for (const auto& s : sent_) {
        commands.push_back(DecodeCommand(s.bytes).value_or(0xFFFF));
    }
    return commands;
}

int FakeNetwork::OpenSockets() const {
    return static_cast<int>(std::count_if(sockets_.begin(), sockets_.end(),
                                          [](const auto& s) { return s.second.open; }));
}

int FakeNetwork::SocketsOpened(SocketType type) const {
    return static_cast<int>(std::count_if(sockets_.begin(), sockets_.end(),
                                          [&](const auto& s) { return s.second.type == type; }));
}

// ---- FakeNetwork: socket layer ---------------------------------------------------------------

int FakeNetwork::Startup(std::uint16_t version) {
    calls_.push_back("Startup " + std::to_string(version));
    ++startupCalls_;
    startupVersions_.push_back(version);
    if (startupError_ != 0) {
        return startupError_;
    }
    if (version != SOCKET_VERSION_1_1 && version != SOCKET_VERSION_2_2) {
        return ERROR_VERSION_NOT_SUPPORTED;
    }
    ++layerUses_;
    return 0;
}

int FakeNetwork::Cleanup() {
    calls_.push_back("Cleanup");
    ++cleanupCalls_;
    if (layerUses_ == 0) {
        ++misuses_;
        lastError_ = ERROR_NOT_INITIALISED;
        return -1;
    }
    --layerUses_;
    if (cleanupError_ != 0) {
        lastError_ = cleanupError_;
        return -1;
    }
    return 0;
}

SocketHandle FakeNetwork::Open(SocketType type) {
    calls_.push_back(std::string("Open ") + TypeName(type));
    Settle();
    if (layerUses_ == 0) {
        ++misuses_;
        lastError_ = ERROR_NOT_INITIALISED;
        return INVALID_SOCKET_HANDLE;
    }
    if (type == SocketType::Datagram ? failDatagram_ : failStream_) {
        return INVALID_SOCKET_HANDLE;
    }
    const SocketHandle handle = nextHandle_++;
    sockets_.emplace(handle, SocketState{type, true, {}});
    return handle;
}

int FakeNetwork::SetNonBlocking(SocketHandle socket) {
    calls_.push_back("SetNonBlocking " + std::to_string(socket));
    return Live(socket) ? 0 : -1;
}

int FakeNetwork::EnableBroadcast(SocketHandle socket) {
    calls_.push_back("EnableBroadcast " + std::to_string(socket));
    if (!Live(socket) || failBroadcast_) {
        return -1;
    }
    return 0;
}

int FakeNetwork::Bind(SocketHandle socket, std::uint16_t port) {
    calls_.push_back("Bind " + std::to_string(socket) + " " + std::to_string(port));
    ++bindCalls_;
    if (!Live(socket) || failBind_) {
        return -1;
    }
    return 0;
}

int FakeNetwork::Listen(SocketHandle socket, int backlog) {
    calls_.push_back("Listen " + std::to_string(socket) + " " + std::to_string(backlog));
    ++listenCalls_;
    if (!Live(socket) || failListen_) {
        return -1;
    }
    return 0;
}

int FakeNetwork::SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                        std::uint32_t address, std::uint16_t port) {
    calls_.push_back("SendTo " + std::to_string(socket));
    return Transmit(socket, datagram, address, port, std::nullopt);
}

int FakeNetwork::SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                         const DatagramPath& path, std::uint32_t address, std::uint16_t port) {
    calls_.push_back("SendVia " + std::to_string(socket) + " " +
                     std::to_string(path.interfaceIndex));
    return Transmit(socket, datagram, address, port, path);
}

int FakeNetwork::Transmit(SocketHandle socket, std::span<const std::uint8_t> datagram,
                          std::uint32_t address, std::uint16_t port,
                          std::optional<DatagramPath> via) {
    Settle();
    if (!Live(socket)) {
        return -1;
    }
    std::uint32_t egress = defaultRoute_;
    if (via) {
        const FakeInterface* out = Interface(via->interfaceIndex);
        if (out == nullptr || !out->up) {
            lastError_ = platform::SOCKET_ERROR_NETWORK_DOWN;
            return -1;
        }
        egress = out->index;
    }
    sent_.push_back(
        Sent{Bytes(datagram.begin(), datagram.end()), address, port, now_, socket, via});
    const auto header = DecodeHeader(datagram);
    if (port != DEVICE_PORT || !header) {
        return static_cast<int>(datagram.size());
    }
    for (auto& device : devices_) {
        const bool discovery = header->command == CMD_DISCOVER;
        if (discovery ? !device->Handles(CMD_DISCOVER) : device->mac() != header->deviceMac) {
            continue;
        }
        if (!Hears(*device, address, egress)) {
            continue;
        }
        ReceivedFrom from;
        from.senderAddress = device->address_;
        from.senderPort = DEVICE_PORT;
        if (const FakeInterface* in = Interface(device->segment_)) {
            from.path = DatagramPath{in->index, in->address};
        }
        for (auto& answer : device->Take(header->command, datagram)) {
            Schedule(now_ + answer.delay, socket, std::move(answer.bytes), from);
        }
    }
    return static_cast<int>(datagram.size());
}

int FakeNetwork::ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) {
    ReceivedFrom unused;
    return ReceiveWithPath(socket, buffer, unused);
}

int FakeNetwork::ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                                 ReceivedFrom& from) {
    ++receiveCalls_;
    from = ReceivedFrom{};
    Settle();
    SocketState* state = Live(socket);
    int result = -1;
    if (state != nullptr && !state->inbox.empty()) {
        Arrival arrival = std::move(state->inbox.front());
        state->inbox.erase(state->inbox.begin());
        if (arrival.bytes.size() <= buffer.size()) {
            std::copy(arrival.bytes.begin(), arrival.bytes.end(), buffer.begin());
            receiveTimes_.push_back(now_);
            from = arrival.from;
            result = static_cast<int>(arrival.bytes.size());
        } else {
            ++dropped_;  // longer than the buffer: dropped, an empty poll
        }
    }
    if (result < 0) {
        ++emptyReceives_;
    }
    now_ += receiveCost_;
    return result;
}

bool FakeNetwork::WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
    waits_.push_back(timeout);
    Settle();
    SocketState* state = Live(socket);
    if (state == nullptr) {
        return false;
    }
    if (!state->inbox.empty()) {
        return true;
    }
    const auto next = NextArrival(socket);
    if (next && *next <= now_ + timeout) {
        now_ = std::max(now_, *next);
        Settle();
        return !state->inbox.empty();
    }
    now_ += timeout;
    Settle();
    return false;
}

int FakeNetwork::Close(SocketHandle socket) {
    calls_.push_back("Close " + std::to_string(socket));
    Settle();
    SocketState* state = Live(socket);
    if (state == nullptr) {
        return -1;
    }
    state->open = false;
    dropped_ += static_cast<int>(state->inbox.size());
    state->inbox.clear();
    return 0;
}

void FakeNetwork::Sleep(std::chrono::milliseconds duration) {
    sleeps_.push_back(duration);
    now_ += duration;
}

}  // namespace halvo::protocol::testing
