#!/usr/bin/python
# SPDX-License-Identifier: GPL-3.0-or-later
"""halvo.lan.box: one box's settings, written only where they differ."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: box
short_description: Sets one Halvo storage box's system and network settings
description:
  - Reads the box with C(halvoctl show) on the managed host, compares the settings given with
    the box's own and sends only the set requests whose settings differ (C(halvoctl set-system),
    C(halvoctl set-network)), as the setup window does.
  - C(changed) is true only when a set request was sent. In check mode no set request is sent
    and the task reports what would change; in diff mode it shows the settings before and after.
  - Every failure of halvoctl (a refused password, a box that does not answer, a value out of
    range) fails the task with halvoctl's message.
  - The managed host needs Halvo's C(halvoctl) and must be on the box's LAN, or reach the box
    at an address given in C(addresses).
version_added: "1.0.0"
options:
  device:
    description:
      - The box, by MAC address, name or IP address, as C(halvoctl) takes it.
      - A MAC address is the safest; a name two boxes share is an error.
    type: str
    required: true
  description:
    description:
      - The box's description (up to 63 of C(0-9 a-z A-Z), space, C(-) and C(_)).
    type: str
  timezone:
    description:
      - The box's time zone, as an index of C(halvoctl timezones) (0-74) or the row's text.
    type: str
  clock_from_host:
    description:
      - Set the box's date and time from the managed host's clock when the box's is off by
        more than C(clock_tolerance) seconds.
    type: bool
    default: false
  clock_tolerance:
    description:
      - How many seconds the box's clock may be off before C(clock_from_host) sets it.
    type: int
    default: 120
  ask_password:
    description:
      - Whether the box asks for the administrator check next time.
    type: bool
  network:
    description:
      - The box's network settings. Addresses not given are kept; C("") clears one.
    type: dict
    suboptions:
      mode:
        description: C(dhcp), or C(static) with the addresses given.
        type: str
        choices: [dhcp, static]
        required: true
      ip:
        description: The box's IPv4 address.
        type: str
      mask:
        description: The subnet mask.
        type: str
      gateway:
        description: The default gateway.
        type: str
      dns1:
        description: The primary DNS server.
        type: str
      dns2:
        description: The secondary DNS server.
        type: str
  admin_name:
    description:
      - The administrator name, for a box that asks for the administrator check.
    type: str
  admin_password:
    description:
      - The administrator password, for a box that asks for the check. It is handed to
        C(halvoctl) on standard input, never on its command line, in its environment or in a
        file. Keep it in a vault, and turn on pipelining so that the module's arguments are not
        written to a file on the managed host either.
    type: str
extends_documentation_fragment:
  - halvo.lan.halvoctl
notes:
  - Supports check mode and diff mode.
  - Each run of C(halvoctl) starts with a discovery of about 2 seconds.
seealso:
  - module: halvo.lan.boxes
author:
  - Halvo developers
"""

EXAMPLES = r"""
- name: Description and time zone of the first box
  halvo.lan.box:
    device: "00:1a:2b:3c:4d:01"
    description: Office storage
    timezone: 26

- name: A box that asks for the administrator check, on a fixed address, its clock kept right
  halvo.lan.box:
    device: "{{ halvo_device }}"
    timezone: "(GMT+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"
    clock_from_host: true
    network:
      mode: static
      ip: 192.168.1.21
      mask: 255.255.255.0
      gateway: 192.168.1.1
      dns1: 192.168.1.1
    admin_name: root
    admin_password: "{{ vault_halvo_admin_password }}"

- name: A box behind the site's router
  halvo.lan.box:
    device: 10.79.0.11
    addresses: [10.79.0.11]
    network:
      mode: dhcp
"""

RETURN = r"""
changes:
  description: The settings that differed and were (or in check mode would be) written.
  returned: always
  type: list
  elements: str
  sample: [description, timezone, network.ip]
before:
  description: The managed settings as the box had them.
  returned: success
  type: dict
  sample:
    description: Office storage
    timezone: 20
    ask_password: false
    clock: "2024-05-01 08:00:03"
    network: {mode: static, ip: 10.77.0.11, mask: 255.255.255.0, gateway: 10.77.0.1,
              dns1: 10.77.0.1, dns2: ""}
after:
  description: The managed settings as the box has them after the task (or would have).
  returned: success
  type: dict
written:
  description: The set requests sent, C(system) and C(network); empty in check mode.
  returned: always
  type: list
  elements: str
  sample: [system]
box:
  description: The box as C(halvoctl show --json) gave it before any change.
  returned: success
  type: dict
  sample: {name: NAS-Alpha, macAddress: "00:1a:2b:3c:4d:01", ipAddress: 10.77.0.11}
exit_status:
  description: halvoctl's exit status when it failed (1 refused, 2 usage, 3 time-out, 4 socket).
  returned: failed
  type: int
"""

import datetime

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.halvo.lan.plugins.module_utils.halvoctl import (
    Halvoctl,
    HalvoctlError,
    changed_fields,
    plan_changes,
    timezone_index,
)


def argument_spec():
    return dict(
        device=dict(type="str", required=True),
        description=dict(type="str"),
        timezone=dict(type="str"),
        clock_from_host=dict(type="bool", default=False),
        clock_tolerance=dict(type="int", default=120),
        ask_password=dict(type="bool", no_log=False),
        network=dict(
            type="dict",
            options=dict(
                mode=dict(type="str", choices=["dhcp", "static"], required=True),
                ip=dict(type="str"),
                mask=dict(type="str"),
                gateway=dict(type="str"),
                dns1=dict(type="str"),
                dns2=dict(type="str"),
            ),
        ),
        admin_name=dict(type="str"),
        admin_password=dict(type="str", no_log=True),
        addresses=dict(type="list", elements="str", default=[]),
        halvoctl_path=dict(type="str", default="halvoctl"),
    )


def run(module):
    params = module.params
    halvoctl = Halvoctl(module, params["halvoctl_path"], params["addresses"])
    wanted = {
        "description": params["description"],
        "ask_password": params["ask_password"],
        "clock_from_host": params["clock_from_host"],
        "network": params["network"],
        "timezone": None,
    }
    if params["timezone"] is not None and params["timezone"].strip().isdigit():
        # An index out of the table's range is halvoctl's to refuse, with its message.
        wanted["timezone"] = int(params["timezone"])
    elif params["timezone"] is not None:
        rows = halvoctl.run(["timezones"])["timezones"]
        wanted["timezone"] = timezone_index(params["timezone"], rows)
        if wanted["timezone"] is None:
            module.fail_json(
                msg="timezone '%s' is neither an index (0-%d) nor a row of `halvoctl timezones`"
                % (params["timezone"], len(rows) - 1),
                changes=[],
                written=[],
            )
    box = halvoctl.run(["show", params["device"]])
    now = datetime.datetime.now().replace(microsecond=0)
    system, network, before, after = plan_changes(box, wanted, now, params["clock_tolerance"])
    result = dict(
        changed=bool(system or network),
        changes=changed_fields(before, after),
        before=before,
        after=after,
        written=[],
        box=box,
    )
    if module._diff:
        result["diff"] = dict(before=before, after=after)
    if module.check_mode or not result["changed"]:
        module.exit_json(**result)
    if box.get("passwordRequired") and None in (params["admin_name"], params["admin_password"]):
        module.fail_json(
            msg="%s asks for the administrator check: give admin_name and admin_password"
            % box.get("name"),
            changed=False,
            changes=result["changes"],
            written=[],
        )
    # The box by its MAC address from here on: a name or an address may be what changes.
    target = box.get("macAddress") or params["device"]
    admin = ["--admin", params["admin_name"]] if params["admin_name"] is not None else []
    for what, args, command in (
        ("system", system, "set-system"),
        ("network", network, "set-network"),
    ):
        if not args:
            continue
        try:
            halvoctl.run([command, target] + args + admin, password=params["admin_password"])
        except HalvoctlError as e:
            # What was asked and what got written before the failure; the box's details and the
            # diff are for a task that succeeded.
            module.fail_json(
                msg=e.message,
                exit_status=e.status,
                changed=bool(result["written"]),
                changes=result["changes"],
                written=result["written"],
            )
        result["written"].append(what)
    module.exit_json(**result)


def main():
    module = AnsibleModule(argument_spec=argument_spec(), supports_check_mode=True)
    try:
        run(module)
    except HalvoctlError as e:
        module.fail_json(msg=e.message, exit_status=e.status, changed=False, changes=[], written=[])
    except (KeyError, TypeError, ValueError) as e:
        # A halvoctl older or newer than this module, whose documents lack a field it reads.
        module.fail_json(
            msg="halvoctl's document is not as this module reads it (%s: %s)"
            % (type(e).__name__, e),
            changed=False,
        )


if __name__ == "__main__":
    main()
