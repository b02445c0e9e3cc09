// SPDX-License-Identifier: GPL-3.0-or-later
// The socket layer as the windows use it: every call goes to the layer underneath, but a wait for
// a datagram runs a local event loop (the busy cursor's EventWait) that wakes the moment the
// socket turns readable, so the windows stay painted and answer the window manager while an
// exchange waits. Input stays queued until the handler that runs the exchange has returned, so
// nothing is acted on meanwhile.
// While an exchange runs (start-up to clean-up) the busy cursor turns on after a moment.
#pragma once

#include "platform/SocketLayer.h"
#include "ui/live/BusyCursor.h"

namespace halvo::ui {

// The error a start-up gets while another exchange waits, as the original layer reports a
// blocking call in progress. Nothing in the program can get there; it is the guard against a
// handler run in the middle of another.
inline constexpr int SOCKET_ERROR_IN_PROGRESS = 10036;

// How long a wait watches the socket alone before it lets the windows paint: below a frame.
inline constexpr std::chrono::milliseconds QUIET_WAIT{8};

class LiveSocketLayer final : public platform::SocketLayer {
  public:
    LiveSocketLayer(platform::SocketLayer& inner, BusyCursor& busy) : inner_(inner), busy_(busy) {}

    int Startup(std::uint16_t version) override;
    int Cleanup() override;
    int LastError() override { return inner_.LastError(); }
    platform::SocketHandle Open(platform::SocketType type) override { return inner_.Open(type); }
    int SetNonBlocking(platform::SocketHandle socket) override {
        return inner_.SetNonBlocking(socket);
    }
    int EnableBroadcast(platform::SocketHandle socket) override {
        return inner_.EnableBroadcast(socket);
    }
    int Bind(platform::SocketHandle socket, std::uint16_t port) override {
        return inner_.Bind(socket, port);
    }
    int Listen(platform::SocketHandle socket, int backlog) override {
        return inner_.Listen(socket, backlog);
    }
    int SendTo(platform::SocketHandle socket, std::span<const std::uint8_t> datagram,
               std::uint32_t address, std::uint16_t port) override {
        return inner_.SendTo(socket, datagram, address, port);
    }
    int SendVia(platform::SocketHandle socket, std::span<const std::uint8_t> datagram,
                const platform::DatagramPath& path, std::uint32_t address,
                std::uint16_t port) override {
        return inner_.SendVia(socket, datagram, path, address, port);
    }
    int ReceiveFrom(platform::SocketHandle socket, std::span<std::uint8_t> buffer) override {
        return inner_.ReceiveFrom(socket, buffer);
    }
    int ReceiveWithPath(platform::SocketHandle socket, std::span<std::uint8_t> buffer,
                        platform::ReceivedFrom& from) override {
        return inner_.ReceiveWithPath(socket, buffer, from);
    }
    bool WaitReadable(platform::SocketHandle socket, std::chrono::milliseconds timeout) override;
    std::intptr_t NotifierHandle(platform::SocketHandle socket) override {
        return inner_.NotifierHandle(socket);
    }
    int Close(platform::SocketHandle socket) override { return inner_.Close(socket); }

    // Start-ups refused because a wait was in progress (a fault if ever non-zero).
    int refusedStartups() const { return refused_; }

  private:
    platform::SocketLayer& inner_;
    BusyCursor& busy_;
    int uses_ = 0;
    int refused_ = 0;
};

}  // namespace halvo::ui
