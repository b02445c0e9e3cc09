// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/DeviceExchange.h"

#include "protocol/DeviceRoutes.h"
#include "protocol/Messages.h"

namespace halvo::protocol {

using namespace std::chrono_literals;

const ExchangeFigures SYSTEM_INFO_EXCHANGE{
    CMD_GET_SYSTEM_INFO, platform::SOCKET_VERSION_2_2, 200, 100ms, MSG_TIMEOUT_SYSTEM_INFO, {}};
const ExchangeFigures NETWORK_INFO_EXCHANGE{
    CMD_GET_NETWORK_INFO, platform::SOCKET_VERSION_2_2, 200, 100ms, MSG_TIMEOUT_NETWORK_INFO, {}};
const ExchangeFigures SHARE_COUNT_EXCHANGE{
    CMD_GET_SHARE_COUNT, platform::SOCKET_VERSION_2_2, 200, 100ms, MSG_TIMEOUT_SHARE_COUNT, {}};
const ExchangeFigures SHARE_PAGE_EXCHANGE{
    CMD_GET_SHARE_PAGE, platform::SOCKET_VERSION_2_2, 200, 100ms, MSG_TIMEOUT_SHARE_LIST, {}};
const ExchangeFigures VOLUME_INFO_EXCHANGE{
    CMD_GET_VOLUME_INFO, platform::SOCKET_VERSION_2_2, 200, 100ms, MSG_TIMEOUT_VOLUME_INFO, {}};
const ExchangeFigures VERIFY_ADMIN_EXCHANGE{
    CMD_VERIFY_ADMIN, platform::SOCKET_VERSION_1_1, 20, 200ms, MSG_TIMEOUT_VERIFY,
    MSG_VERIFY_FAILED};
const ExchangeFigures SET_SYSTEM_INFO_EXCHANGE{
    CMD_SET_SYSTEM_INFO,    platform::SOCKET_VERSION_1_1, 200, 100ms,
    MSG_TIMEOUT_SET_SYSTEM, MSG_SET_SYSTEM_FAILED};
const ExchangeFigures SET_NETWORK_INFO_EXCHANGE{
    CMD_SET_NETWORK_INFO,    platform::SOCKET_VERSION_1_1, 200, 100ms,
    MSG_TIMEOUT_SET_NETWORK, MSG_SET_NETWORK_FAILED};

DeviceExchange::DeviceExchange(const ProtocolContext& context) : context_(context) {}

DeviceExchange::~DeviceExchange() {
    Close();
}

bool DeviceExchange::OpenSocket(std::uint16_t version) {
    Close();
    const int rc = context_.sockets.Startup(version);
    if (rc != 0) {
        context_.messages.ShowWarning(FormatMessage(MSG_NETWORK_FAILED, rc));
        return false;
    }
    started_ = true;
    socket_ = context_.sockets.Open(platform::SocketType::Datagram);
    if (socket_ == platform::INVALID_SOCKET_HANDLE) {
        context_.messages.ShowWarning(FormatMessage(MSG_NETWORK_FAILED, 0));
        ReleaseLayer();
        return false;
    }
    // The result is not judged: every receive below is non-blocking on its own as well.
    context_.sockets.SetNonBlocking(socket_);
    return true;
}

void DeviceExchange::AllowBroadcast() {
    if (IsOpen() && context_.sockets.EnableBroadcast(socket_) != 0) {
        context_.messages.ShowWarning(FormatMessage(MSG_NETWORK_FAILED, -1));
    }
}

bool DeviceExchange::Open(std::uint16_t version, const DeviceRoute& route) {
    if (!OpenSocket(version)) {
        return false;
    }
    if (context_.interfaces != nullptr && !RouteAvailable(route, context_.interfaces->List())) {
        // The interface the device was heard on has gone: a broadcast now would leave by another
        // one and could reach another segment's box of the same MAC, or none at all.
        context_.messages.ShowWarning(
            FormatMessage(MSG_NETWORK_FAILED, platform::SOCKET_ERROR_NETWORK_DOWN));
        Close();
        return false;
    }
    route_ = route;
    AllowBroadcast();
    return true;
}

void DeviceExchange::Send(const Request& request) {
    Send(request, route_);
}

void DeviceExchange::Send(const Request& request, const DeviceRoute& route) {
    if (!IsOpen()) {
        return;
    }
    // The result is not judged: a lost request shows as a timeout.
    const RequestTarget target = TargetOf(route);
    if (target.path) {
        context_.sockets.SendVia(socket_, request.bytes(), *target.path, target.address,
                                 DEVICE_PORT);
    } else {
        context_.sockets.SendTo(socket_, request.bytes(), target.address, DEVICE_PORT);
    }
}

bool DeviceExchange::Receive(Reply& reply) {
    const int n = context_.sockets.ReceiveWithPath(socket_, reply.buffer, reply.from);
    if (n < 0 || static_cast<std::size_t>(n) > reply.buffer.size()) {
        return false;
    }
    reply.length = static_cast<std::size_t>(n);
    return true;
}

bool DeviceExchange::WaitSlot(platform::Clock::TimePoint slotEnd, std::chrono::milliseconds delay,
                              Reply& reply) {
    if (context_.waitMode == WaitMode::BlindSleep) {
        context_.clock.Sleep(delay);
        return false;
    }
    for (;;) {
        const auto now = context_.clock.Now();
        if (now >= slotEnd) {
            return false;
        }
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(slotEnd - now);
        if (context_.sockets.WaitReadable(socket_, remaining) && Receive(reply)) {
            return true;
        }
        // Nothing, or a datagram that had to be dropped: wait out the rest of the slot.
    }
}

TransactResult DeviceExchange::AwaitReply(const ExchangeFigures& figures, Reply& reply) {
    if (!IsOpen()) {
        return TransactResult::NotOpen;
    }
    for (int emptyPolls = 0;; ++emptyPolls) {
        if (Receive(reply)) {
            return TransactResult::Reply;
        }
        if (emptyPolls >= figures.pollLimit) {
            if (!figures.timeoutMessage.empty()) {
                context_.messages.ShowWarning(figures.timeoutMessage);
            }
            return TransactResult::Timeout;
        }
        const auto slotEnd = context_.clock.Now() + figures.pollDelay;
        if (WaitSlot(slotEnd, figures.pollDelay, reply)) {
            return TransactResult::Reply;
        }
    }
}

TransactResult DeviceExchange::Transact(const Request& request, const ExchangeFigures& figures,
                                        Reply& reply) {
    if (!IsOpen()) {
        return TransactResult::NotOpen;
    }
    Send(request);
    return AwaitReply(figures, reply);
}

void DeviceExchange::Close() {
    if (socket_ != platform::INVALID_SOCKET_HANDLE) {
        context_.sockets.Close(socket_);
        socket_ = platform::INVALID_SOCKET_HANDLE;
    }
    ReleaseLayer();
}

void DeviceExchange::ReleaseLayer() {
    if (!started_) {
        return;
    }
    started_ = false;
    if (context_.sockets.Cleanup() == -1) {
        context_.messages.ShowWarning(
            FormatMessage(MSG_CLEANUP_FAILED, context_.sockets.LastError()));
    }
}

StatusOutcome RunStatusExchange(const ProtocolContext& context, const ExchangeFigures& figures,
                                const Request& request, const DeviceRoute& route) {
    DeviceExchange exchange(context);
    if (!exchange.Open(figures.socketVersion, route)) {
        return StatusOutcome::NotSent;
    }
    Reply reply;
    StatusOutcome outcome = StatusOutcome::TimedOut;
    if (exchange.Transact(request, figures, reply) == TransactResult::Reply) {
        const auto status = DecodeStatusReply(reply.bytes(), figures.command);
        if (!status) {
            outcome = StatusOutcome::OtherReply;
        } else if (*status == 0) {
            outcome = StatusOutcome::Accepted;
        } else {
            outcome = StatusOutcome::Refused;
            if (!figures.refusalMessage.empty()) {
                context.messages.ShowWarning(figures.refusalMessage);
            }
        }
    }
    exchange.Close();
    return outcome;
}

namespace {

// Wipes a request holding a secret on every way out.
struct WipeOnExit {
    Request& request;
    ~WipeOnExit() { request.Wipe(); }
};

}  // namespace

StatusOutcome VerifyAdmin(const ProtocolContext& context, const DeviceRecord& record,
                          std::string_view name, std::string_view password) {
    Request request = EncodeVerifyAdmin(record.macAddress, name, password);
    const WipeOnExit wipe{request};
    return RunStatusExchange(context, VERIFY_ADMIN_EXCHANGE, request, record.route);
}

StatusOutcome SendSystemInfo(const ProtocolContext& context, const DeviceRecord& record,
                             const SystemInfoBlock& block) {
    SystemInfoBlock sent = block;
    sent.name = record.name;
    return RunStatusExchange(context, SET_SYSTEM_INFO_EXCHANGE,
                             EncodeSetSystemInfo(record.macAddress, sent), record.route);
}

StatusOutcome SendNetworkInfo(const ProtocolContext& context, const DeviceRecord& record,
                              const NetworkInfoBlock& block) {
    return RunStatusExchange(context, SET_NETWORK_INFO_EXCHANGE,
                             EncodeSetNetworkInfo(record.macAddress, block), record.route);
}

}  // namespace halvo::protocol
