#!/usr/bin/python
# SPDX-License-Identifier: GPL-3.0-or-later
"""halvo.lan.boxes: every box one discovery finds from the managed host."""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: boxes
short_description: Lists the Halvo storage boxes a host finds, with their details
description:
  - Runs one discovery from the managed host (C(halvoctl show --all)) and returns every box
    that answers, each with the details C(halvoctl show) gives.
  - Changes nothing; never reports C(changed).
  - A box that does not answer its detail query fails the task with halvoctl's message; the
    boxes are returned all the same, that one with only its discovery fields and C(error).
version_added: "1.0.0"
extends_documentation_fragment:
  - halvo.lan.halvoctl
notes:
  - Supports check mode, which changes nothing here either, as it sends no set request.
seealso:
  - module: halvo.lan.box
author:
  - Halvo developers
"""

EXAMPLES = r"""
- name: Every box of the site
  halvo.lan.boxes:
  register: found

- name: And the one behind the router
  halvo.lan.boxes:
    addresses: [10.79.0.11]
    halvoctl_path: /opt/halvo/bin/halvoctl
  register: found

- name: Every box of every site as CSV on the controller
  ansible.builtin.copy:
    dest: boxes.csv
    content: "site,name,mac,address,firmware,timezone\n{% for h in ansible_play_hosts %}{% for b in hostvars[h].found.boxes %}{{ [h, b.name, b.macAddress, b.ipAddress, b.firmware, b.timezoneIndex] | join(',') }}\n{% endfor %}{% endfor %}"
  delegate_to: localhost
  run_once: true
"""

RETURN = r"""
boxes:
  description:
    - Every box that answered, in answer order, with the fields of C(halvoctl show --json)
      (docs/cli.md, "Output").
  returned: always
  type: list
  elements: dict
  contains:
    name: {description: The box's name., type: str, sample: NAS-Alpha}
    macAddress: {description: Its MAC address., type: str, sample: "00:1a:2b:3c:4d:01"}
    ipAddress: {description: Its IPv4 address., type: str, sample: 10.77.0.11}
    route: {description: "The interface it was heard on, or C(unicast).", type: str, sample: eth0}
    firmware: {description: Its firmware as the window shows it., type: str, sample: V12R03}
    description: {description: Its description., type: str, sample: Office storage}
    ipMode: {description: 0 static or 1 DHCP., type: int, sample: 0}
    subnetMask: {description: The subnet mask., type: str}
    gateway: {description: The default gateway., type: str}
    primaryDns: {description: The primary DNS server., type: str}
    secondaryDns: {description: The secondary DNS server., type: str}
    date: {description: Its date, C(YYYYMMDD)., type: str, sample: "20240501"}
    time: {description: Its time, C(HHMMSS)., type: str, sample: "080000"}
    timezoneIndex: {description: The row of the time zone table., type: int, sample: 26}
    timezone: {description: The row's text., type: str}
    passwordRequired: {description: 1 when it asks for the administrator check., type: int}
    shares: {description: Its shares' names., type: list, elements: str}
    volumes:
      description: Its USB volumes as the window's columns show them.
      type: list
      elements: dict
    error: {description: "halvoctl's message, for a box whose detail query failed.", type: str}
exit_status:
  description: halvoctl's exit status when it failed (1 refused, 2 usage, 3 time-out, 4 socket).
  returned: failed
  type: int
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.halvo.lan.plugins.module_utils.halvoctl import Halvoctl, HalvoctlError


def main():
    module = AnsibleModule(
        argument_spec=dict(
            addresses=dict(type="list", elements="str", default=[]),
            halvoctl_path=dict(type="str", default="halvoctl"),
        ),
        supports_check_mode=True,
    )
    halvoctl = Halvoctl(module, module.params["halvoctl_path"], module.params["addresses"])
    try:
        document = halvoctl.run(["show", "--all"])
    except HalvoctlError as e:
        boxes = (e.document or {}).get("devices", [])
        module.fail_json(msg=e.message, exit_status=e.status, changed=False, boxes=boxes)
    if not isinstance(document.get("devices"), list):
        module.fail_json(msg="halvoctl's document lists no devices", changed=False, boxes=[])
    module.exit_json(changed=False, boxes=document["devices"])


if __name__ == "__main__":
    main()
