// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/WebPage.h"

#include "protocol/DetailQuery.h"

namespace halvo::devsim {

namespace {

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Response(std::string_view status, std::string_view body, bool withBody) {
    std::string r = "HTTP/1.0 " + std::string(status) + "\r\n";
    r += "Content-Type: text/html; charset=us-ascii\r\n";
    r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    r += "Connection: close\r\n\r\n";
    if (withBody) {
        r += body;
    }
    return r;
}

}  // namespace

std::string BuildWebResponse(std::string_view requestHead,
                             const std::vector<const SimulatedDevice*>& devices) {
    const auto space = requestHead.find(' ');
    const std::string_view method = requestHead.substr(0, space);
    if (space == std::string_view::npos || (method != "GET" && method != "HEAD")) {
        return Response("501 Not Implemented", "<html><body>Only GET is served.</body></html>\n",
                        true);
    }
    std::string body = "<html><head><title>Storage device</title></head><body>\n";
    for (const SimulatedDevice* d : devices) {
        const DeviceConfig& c = d->config();
        body += "<h1>" + Escape(c.name.view()) + "</h1>\n<table>\n";
        body += "<tr><td>IP address</td><td>" + Escape(d->NetworkInfo().ipAddress.view()) +
                "</td></tr>\n";
        body += "<tr><td>Firmware Version</td><td>" +
                Escape(protocol::FormatFirmwareVersion(c.firmwareVersion)) +
                "</td></tr>\n</table>\n";
    }
    body += "</body></html>\n";
    return Response("200 OK", body, method == "GET");
}

}  // namespace halvo::devsim
