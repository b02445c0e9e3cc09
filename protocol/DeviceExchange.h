// SPDX-License-Identifier: GPL-3.0-or-later
// The one request / poll-for-reply pattern every addressed command uses: start the socket layer,
// open a non-blocking broadcast UDP socket, send, poll for the first datagram with a fixed number
// of slots of a fixed length, then close the socket and release the layer.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/NetworkInterfaces.h"
#include "platform/SocketLayer.h"
#include "protocol/Protocol.h"
#include "protocol/WireFormat.h"

namespace halvo::protocol {

// How an exchange spends the time between two empty polls.
enum class WaitMode {
    // Wait on the socket until the end of the slot: a datagram is taken the moment it arrives.
    SlotWait,
    // Sleep the whole delay and poll again: a reply is noticed up to one delay late. Kept for
    // benchmark comparison.
    BlindSleep,
};

inline constexpr std::chrono::milliseconds DISCOVERY_CAP_DEFAULT{10000};

// The seams every exchange runs on, passed in by whoever runs it.
struct ProtocolContext {
    platform::SocketLayer& sockets;
    platform::Clock& clock;
    platform::MessageBoxes& messages;
    WaitMode waitMode = WaitMode::SlotWait;
    // Hard limit on one discovery collection, however many datagrams keep arriving.
    std::chrono::milliseconds discoveryCap = DISCOVERY_CAP_DEFAULT;
    // The workstation's interfaces. None: discovery makes one unbound send, as when the list
    // cannot be read, and no interface route is checked before it is used.
    platform::NetworkInterfaces* interfaces = nullptr;
};

// The figures of one kind of exchange.
struct ExchangeFigures {
    std::uint16_t command;
    std::uint16_t socketVersion;          // start-up version when the exchange opens its own socket
    int pollLimit;                        // N: give up at the (N+1)-th empty poll, after N slots
    std::chrono::milliseconds pollDelay;  // D: length of one slot
    std::string_view timeoutMessage;      // shown on timeout; empty: none
    std::string_view refusalMessage;      // shown for status != 0; empty: status not read
};

extern const ExchangeFigures SYSTEM_INFO_EXCHANGE;
extern const ExchangeFigures NETWORK_INFO_EXCHANGE;
extern const ExchangeFigures SHARE_COUNT_EXCHANGE;
extern const ExchangeFigures SHARE_PAGE_EXCHANGE;
extern const ExchangeFigures VOLUME_INFO_EXCHANGE;
extern const ExchangeFigures VERIFY_ADMIN_EXCHANGE;
extern const ExchangeFigures SET_SYSTEM_INFO_EXCHANGE;
extern const ExchangeFigures SET_NETWORK_INFO_EXCHANGE;

// A received datagram: the 1024-byte buffer and the length actually received. Only the first
// `length` bytes are ever read, so stale bytes of an earlier, longer reply stay out of reach.
struct Reply {
    std::array<std::uint8_t, DATAGRAM_CAPACITY> buffer{};
    std::size_t length = 0;
    platform::ReceivedFrom from;  // sender and the interface it came in on

    std::span<const std::uint8_t> bytes() const { return {buffer.data(), length}; }
};

enum class TransactResult {
    Reply,    // the first datagram that arrived, whatever its command
    Timeout,  // the timeout message has been shown
    NotOpen,  // the session is not open; nothing was sent
};

// One exchange session: one socket, started and released once, any number of transactions.
// The destructor closes the socket and releases the layer if Close() has not.
class DeviceExchange {
  public:
    explicit DeviceExchange(const ProtocolContext& context);
    ~DeviceExchange();
    DeviceExchange(const DeviceExchange&) = delete;
    DeviceExchange& operator=(const DeviceExchange&) = delete;

    // Start-up, socket, non-blocking, broadcast. False (message shown, layer released) when the
    // layer cannot start or no socket can be had; a broadcast failure is shown and tolerated.
    // Every request of the session goes out by `route`; when that is an interface that has gone,
    // the network-failure message is shown instead and nothing is sent.
    bool Open(std::uint16_t version, const DeviceRoute& route = {});
    // Open() in two halves, for discovery's stream-socket step that sits between them.
    bool OpenSocket(std::uint16_t version);
    void AllowBroadcast();

    bool IsOpen() const { return socket_ != platform::INVALID_SOCKET_HANDLE; }
    platform::SocketHandle socket() const { return socket_; }
    const ProtocolContext& context() const { return context_; }

    // Sends the request to 255.255.255.255:1638 (the device's address for a unicast route) and
    // waits for the first datagram.
    TransactResult Transact(const Request& request, const ExchangeFigures& figures, Reply& reply);
    // By the session's route, or by `route`.
    void Send(const Request& request);
    void Send(const Request& request, const DeviceRoute& route);
    // Polls up to figures.pollLimit + 1 times; on timeout shows figures.timeoutMessage.
    TransactResult AwaitReply(const ExchangeFigures& figures, Reply& reply);
    // One non-blocking receive; true when a datagram was taken.
    bool Receive(Reply& reply);
    // Waits until `slotEnd` (SlotWait) or sleeps `delay` (BlindSleep). In SlotWait mode a datagram
    // arriving mid-slot is received at once and true returned; false when the slot ran out.
    bool WaitSlot(platform::Clock::TimePoint slotEnd, std::chrono::milliseconds delay,
                  Reply& reply);

    // Closes the socket, then releases the layer; a failed release is shown with the last error.
    void Close();

  private:
    void ReleaseLayer();

    ProtocolContext context_;
    DeviceRoute route_;
    bool started_ = false;
    platform::SocketHandle socket_ = platform::INVALID_SOCKET_HANDLE;
};

enum class StatusOutcome {
    NotSent,     // start-up or socket creation failed (message shown)
    Accepted,    // reply with the request's command and status 0
    Refused,     // the request's command with status != 0 (refusal message shown)
    OtherReply,  // the first datagram had another command (or no status): no message
    TimedOut,    // timeout message shown
};

// The set requests count as done once they were sent, whatever came back.
inline bool IsDone(StatusOutcome outcome) {
    return outcome != StatusOutcome::NotSent;
}

// One complete exchange on a socket of its own: open, send, judge the status, close.
StatusOutcome RunStatusExchange(const ProtocolContext& context, const ExchangeFigures& figures,
                                const Request& request, const DeviceRoute& route = {});

// The administrator check: accepted only for command 21 with status 0. The request, the one
// place the password is written to, is wiped before returning.
StatusOutcome VerifyAdmin(const ProtocolContext& context, const DeviceRecord& record,
                          std::string_view name, std::string_view password);

// The wizard's two writes. The device name sent is the record's (devices are never renamed);
// block.name is ignored.
StatusOutcome SendSystemInfo(const ProtocolContext& context, const DeviceRecord& record,
                             const SystemInfoBlock& block);
StatusOutcome SendNetworkInfo(const ProtocolContext& context, const DeviceRecord& record,
                              const NetworkInfoBlock& block);

}  // namespace halvo::protocol
