# SPDX-License-Identifier: GPL-3.0-or-later
# The options every module of the collection shares: where halvoctl is and which boxes behind a
# router it asks.


class ModuleDocFragment:
    DOCUMENTATION = r"""
options:
  addresses:
    description:
      - Addresses of boxes behind a router, asked by unicast in the same discovery
        (C(halvoctl --address)).
    type: list
    elements: str
    default: []
  halvoctl_path:
    description:
      - The C(halvoctl) program on the managed host, a path or a name looked up on C(PATH).
    type: str
    default: halvoctl
"""
