// SPDX-License-Identifier: GPL-3.0-or-later
// The exit statuses of halvoctl, the one place scripts learn how a run ended.
#pragma once

namespace halvo::cli {

enum class ExitStatus : int {
    Ok = 0,
    Refused = 1,         // the box refused, or no box answered to the name given
    Usage = 2,           // bad arguments or a bad value; nothing was sent
    TimedOut = 3,        // a box did not answer in time
    NetworkFailure = 4,  // the socket layer or a socket could not be had
};

inline int Code(ExitStatus status) {
    return static_cast<int>(status);
}

// The first failure wins: later ones are consequences of it.
inline ExitStatus Combine(ExitStatus first, ExitStatus next) {
    return first != ExitStatus::Ok ? first : next;
}

}  // namespace halvo::cli
