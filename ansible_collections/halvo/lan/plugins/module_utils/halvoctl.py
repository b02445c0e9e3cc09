# SPDX-License-Identifier: GPL-3.0-or-later
"""halvoctl run from a module: its JSON and exit statuses (docs/cli.md), and what a box's
wanted settings change of its current ones."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import datetime
import json

# halvoctl's exit statuses.
EXIT_MEANINGS = {
    1: "refused",
    2: "usage",
    3: "timed out",
    4: "network failure",
}

# ipMode of `show`: 0 static, 1 DHCP.
IP_MODES = {0: "static", 1: "dhcp"}

# The network option of halvo.lan.box, the field of `show` and the option of set-network.
NETWORK_FIELDS = (
    ("ip", "ipAddress", "--ip"),
    ("mask", "subnetMask", "--mask"),
    ("gateway", "gateway", "--gateway"),
    ("dns1", "primaryDns", "--dns1"),
    ("dns2", "secondaryDns", "--dns2"),
)


class HalvoctlError(Exception):
    """A run of halvoctl that failed: its message and exit status."""

    def __init__(self, message, status, document=None):
        super(HalvoctlError, self).__init__(message)
        self.message = message
        self.status = status
        self.document = document


class Halvoctl:
    """Runs halvoctl with --json and the --address options of the task."""

    def __init__(self, module, path="halvoctl", addresses=None):
        self.module = module
        if "/" not in path:
            path = module.get_bin_path(path, required=True)
        self.path = path
        self.addresses = list(addresses or [])

    def command(self, args):
        """The argument list of one run; it never holds a password."""
        command = [self.path, "--json"]
        for address in self.addresses:
            command += ["--address", address]
        return command + list(args)

    def run(self, args, password=None):
        """The JSON document of a run that succeeded; HalvoctlError otherwise. A password goes
        on standard input, with --password-stdin."""
        args = list(args)
        data = None
        if password is not None:
            args.append("--password-stdin")
            data = password
        rc, out, err = self.module.run_command(
            self.command(args), data=data, binary_data=False, check_rc=False
        )
        document = None
        try:
            document = json.loads(out) if out.strip() else None
        except ValueError:
            document = None
        if rc != 0:
            raise HalvoctlError(failure_message(rc, document, err), rc, document)
        if not isinstance(document, dict):
            raise HalvoctlError("halvoctl printed no JSON document: %s" % out.strip()[:200], rc)
        return document


def failure_message(rc, document, err):
    """halvoctl's own line for a failure: standard error's lines, else the document's error."""
    lines = [line.strip() for line in (err or "").splitlines() if line.strip()]
    if lines:
        return " ".join(lines)
    if isinstance(document, dict) and document.get("error"):
        return document["error"]
    return "halvoctl failed (%s, exit status %d)" % (EXIT_MEANINGS.get(rc, "unknown"), rc)


def timezone_key(text):
    """A row's text as matched: "&amp;" as "&", without case or white space (the table writes
    "Berlin,Bern" and "Berlin, Bern" alike)."""
    return "".join(text.replace("&amp;", "&").casefold().split())


def timezone_index(wanted, rows):
    """The row of the table `wanted` names: an index, or the row's text. `rows` is the
    document of `halvoctl timezones --json`. None when no row matches."""
    text = str(wanted).strip()
    if text.isdigit():
        index = int(text)
        return index if 0 <= index < len(rows) else None
    for row in rows:
        if timezone_key(row["timezone"]) == timezone_key(text):
            return row["timezoneIndex"]
    return None


def box_clock(box):
    """The box's date and time as a naive local datetime; None when it keeps no valid one."""
    try:
        return datetime.datetime.strptime(box.get("date", "") + box.get("time", ""), "%Y%m%d%H%M%S")
    except ValueError:
        return None


def settings_of(box):
    """The settings halvo.lan.box manages, as a box's `show` document gives them."""
    clock = box_clock(box)
    settings = {
        "description": box.get("description", ""),
        "timezone": box.get("timezoneIndex"),
        "ask_password": bool(box.get("passwordRequired")),
        "clock": clock.strftime("%Y-%m-%d %H:%M:%S")
        if clock
        else "%s %s" % (box.get("date"), box.get("time")),
        "network": {"mode": IP_MODES.get(box.get("ipMode"), str(box.get("ipMode")))},
    }
    for option, field, _ in NETWORK_FIELDS:
        settings["network"][option] = box.get(field, "")
    return settings


def plan_changes(box, wanted, now, tolerance):
    """What to send for `wanted` (the task's settings; None for one not given), given the box's
    `show` document and the managed host's local time `now`.

    Returns (system_args, network_args, before, after): the set-system and set-network options
    (empty when nothing of theirs differs) and the managed settings before and after."""
    before = settings_of(box)
    after = json.loads(json.dumps(before))
    system = []
    if wanted.get("description") is not None and wanted["description"] != before["description"]:
        system += ["--description", wanted["description"]]
        after["description"] = wanted["description"]
    if wanted.get("timezone") is not None and wanted["timezone"] != before["timezone"]:
        system += ["--timezone", str(wanted["timezone"])]
        after["timezone"] = wanted["timezone"]
    if wanted.get("ask_password") is not None and wanted["ask_password"] != before["ask_password"]:
        system += ["--ask-password", "yes" if wanted["ask_password"] else "no"]
        after["ask_password"] = wanted["ask_password"]
    if wanted.get("clock_from_host"):
        clock = box_clock(box)
        if clock is None or abs((clock - now).total_seconds()) > tolerance:
            system.append("--clock-from-host")
            after["clock"] = now.strftime("%Y-%m-%d %H:%M:%S")
    network = []
    net = wanted.get("network")
    if net:
        differs = [
            (flag, net[option])
            for option, _, flag in NETWORK_FIELDS
            if net.get(option) is not None and net[option] != before["network"][option]
        ]
        if net["mode"] != before["network"]["mode"] or differs:
            network.append("--dhcp" if net["mode"] == "dhcp" else "--static")
            after["network"]["mode"] = net["mode"]
            for flag, value in differs:
                network += [flag, value]
            for option, _, _ in NETWORK_FIELDS:
                if net.get(option) is not None:
                    after["network"][option] = net[option]
    return system, network, before, after


def changed_fields(before, after):
    """The names of the settings that differ, network ones as network.ip and so on."""
    names = []
    for key in sorted(before):
        if key == "network":
            names += [
                "network." + k for k in sorted(before[key]) if before[key][k] != after[key][k]
            ]
        elif before[key] != after[key]:
            names.append(key)
    return names
