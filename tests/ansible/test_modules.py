# SPDX-License-Identifier: GPL-3.0-or-later
"""halvo.lan's modules run in this process against a halvoctl that answers with recorded
documents (fake_halvoctl.py): what they read, compare, send (and never send), in normal, check
and diff mode, and how halvoctl's failures become the task's."""
import contextlib
import datetime
import io
import json
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(os.path.dirname(HERE)))  # the source root: ansible_collections

from ansible.module_utils import basic  # noqa: E402
from ansible_collections.halvo.lan.plugins.module_utils import halvoctl  # noqa: E402
from ansible_collections.halvo.lan.plugins.modules import box, boxes  # noqa: E402

RECORDED = os.path.join(HERE, "recorded")
FAKE = os.path.join(HERE, "fake_halvoctl.py")
PASSWORD = "s3cret-7"


def recorded(name):
    with open(os.path.join(RECORDED, name), encoding="utf-8") as f:
        return json.load(f)


class ModuleRun(unittest.TestCase):
    """Runs a module's main() with arguments and a scenario, as Ansible would on the host."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="halvo-ansible-test.")
        self.addCleanup(shutil.rmtree, self.folder)
        os.environ["HALVO_FAKE_DIR"] = self.folder
        # No line to the machine's log from a test.
        self._log = basic.AnsibleModule.log
        basic.AnsibleModule.log = lambda *args, **kwargs: None
        self.addCleanup(setattr, basic.AnsibleModule, "log", self._log)

    def scenario(self, **answers):
        table = {"timezones": {"recorded": os.path.join(RECORDED, "timezones.json")}}
        for key, answer in answers.items():
            table[key.replace("_", "-").replace("show-all", "show --all")] = answer
        with open(os.path.join(self.folder, "scenario.json"), "w", encoding="utf-8") as f:
            json.dump(table, f)

    def run_module(self, module, args, check=False, diff=False):
        args = dict(args, halvoctl_path=FAKE, _ansible_check_mode=check, _ansible_diff=diff)
        basic._ANSIBLE_ARGS = json.dumps({"ANSIBLE_MODULE_ARGS": args}).encode()
        out = io.StringIO()
        with contextlib.redirect_stdout(out), self.assertRaises(SystemExit):
            module.main()
        self.output = out.getvalue()
        return json.loads(self.output)

    def calls(self):
        path = os.path.join(self.folder, "calls.jsonl")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            return [json.loads(line) for line in f]

    def keys(self):
        return [call["key"] for call in self.calls()]


class PlanChangesTest(unittest.TestCase):
    """What differs between a recorded box and the settings wanted, and the options sent."""

    def test_each_setting_is_sent_only_when_it_differs(self):
        alpha = recorded("show-alpha.json")  # static 10.77.0.11, zone 20, clock 2026-12-08 11:04:13
        beta = recorded("show-beta.json")  # DHCP, no password asked
        now = datetime.datetime(2026, 12, 8, 11, 5, 0)
        # fmt: off
        cases = [
            ("the box's own values", alpha,
             {"description": "Office storage, first floor", "timezone": 20, "ask_password": False,
              "network": {"mode": "static", "ip": "10.77.0.11", "dns2": "10.77.0.2"}}, [], []),
            ("description and zone", alpha, {"description": "Site A", "timezone": 26},
             ["--description", "Site A", "--timezone", "26"], []),
            ("password flag", beta, {"ask_password": True}, ["--ask-password", "yes"], []),
            ("one address of a static box", alpha,
             {"network": {"mode": "static", "ip": "10.77.0.50", "mask": "255.255.255.0"}},
             [], ["--static", "--ip", "10.77.0.50"]),
            ("static to DHCP", alpha, {"network": {"mode": "dhcp"}}, [], ["--dhcp"]),
            ("DHCP to static", beta,
             {"network": {"mode": "static", "ip": "10.77.0.12", "gateway": ""}},
             [], ["--static", "--gateway", ""]),
            ("DHCP kept", beta, {"network": {"mode": "dhcp"}}, [], []),
            ("a clock 47 s off, within the tolerance", alpha, {"clock_from_host": True}, [], []),
            ("a clock 20 years off", beta, {"clock_from_host": True}, ["--clock-from-host"], []),
        ]
        # fmt: on
        for what, current, wanted, system, network in cases:
            with self.subTest(what):
                got = halvoctl.plan_changes(current, wanted, now, 60)
                self.assertEqual((got[0], got[1]), (system, network))
                before, after = got[2], got[3]
                self.assertEqual(before, halvoctl.settings_of(current))
                self.assertEqual(
                    bool(halvoctl.changed_fields(before, after)), bool(system or network)
                )

    def test_after_shows_what_the_box_will_have(self):
        beta = recorded("show-beta.json")
        now = datetime.datetime(2026, 12, 8, 11, 5, 0)
        _, _, before, after = halvoctl.plan_changes(
            beta,
            {"clock_from_host": True, "network": {"mode": "static", "ip": "10.77.0.99"}},
            now,
            60,
        )
        self.assertEqual(before["clock"], "2006-03-05 14:07:09")
        self.assertEqual(after["clock"], "2026-12-08 11:05:00")
        self.assertEqual(
            (after["network"]["mode"], after["network"]["ip"]), ("static", "10.77.0.99")
        )
        self.assertEqual(
            halvoctl.changed_fields(before, after), ["clock", "network.ip", "network.mode"]
        )

    def test_a_time_zone_is_an_index_or_the_tables_text(self):
        rows = recorded("timezones.json")["timezones"]
        self.assertEqual(halvoctl.timezone_index("26", rows), 26)
        self.assertEqual(halvoctl.timezone_index(rows[20]["timezone"].strip(), rows), 20)
        # Row 9 keeps the template's "&amp;"; the plain "&" names it too.
        self.assertEqual(
            halvoctl.timezone_index(rows[9]["timezone"].replace("&amp;", "&"), rows), 9
        )
        # Row 27 writes "Berlin,Bern,Rome": spaced after every comma, as people write it, too.
        spaced = "(GMT+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"
        self.assertEqual(halvoctl.timezone_index(spaced, rows), 27)
        self.assertIsNone(halvoctl.timezone_index("75", rows))
        self.assertIsNone(halvoctl.timezone_index("Mars", rows))


class BoxModuleTest(ModuleRun):
    def test_differences_are_written_once_and_the_same_values_are_not(self):
        self.scenario(
            show={"recorded": os.path.join(RECORDED, "show-alpha.json")},
            set_system={"document": {"written": "system"}},
        )
        result = self.run_module(
            box,
            {
                "device": "NAS-Alpha",
                "description": "Site A",
                "timezone": "(GMT+08:00) Beijing, Chongqing, Hong Kong, Urumqi",
            },
        )
        self.assertTrue(result["changed"], result)
        self.assertEqual(result["changes"], ["description", "timezone"])
        self.assertEqual(result["written"], ["system"])
        set_call = self.calls()[-1]
        # By MAC, as read: a name may be what the write changes.
        self.assertEqual(
            set_call["argv"],
            [
                FAKE,
                "--json",
                "set-system",
                "00:1a:2b:3c:4d:01",
                "--description",
                "Site A",
                "--timezone",
                "56",
            ],
        )

        os.remove(os.path.join(self.folder, "calls.jsonl"))
        result = self.run_module(
            box,
            {"device": "NAS-Alpha", "timezone": "20", "description": "Office storage, first floor"},
        )
        self.assertFalse(result["changed"], result)
        self.assertEqual(self.keys(), ["show"])

    def test_check_mode_sends_no_set_request_and_diff_mode_shows_both_sides(self):
        self.scenario(show={"recorded": os.path.join(RECORDED, "show-beta.json")})
        result = self.run_module(
            box,
            {
                "device": "00:1a:2b:3c:4d:02",
                "description": "Lab",
                "network": {"mode": "static", "ip": "10.77.0.40"},
            },
            check=True,
            diff=True,
        )
        self.assertTrue(result["changed"])
        self.assertEqual(result["written"], [])
        self.assertEqual(self.keys(), ["show"])
        self.assertEqual(result["diff"]["before"]["network"]["mode"], "dhcp")
        self.assertEqual(
            result["diff"]["after"]["network"],
            dict(result["diff"]["before"]["network"], mode="static", ip="10.77.0.40"),
        )
        self.assertEqual(result["diff"]["after"]["description"], "Lab")

    def test_the_password_goes_on_standard_input_only(self):
        self.scenario(
            show={"recorded": os.path.join(RECORDED, "show-locked.json")},
            set_system={"document": {"written": "system"}},
            set_network={"document": {"written": "network"}},
        )
        result = self.run_module(
            box,
            {
                "device": "NAS-Locked",
                "description": "Finance",
                "network": {"mode": "dhcp"},
                "addresses": ["10.79.0.11"],
                "admin_name": "root",
                "admin_password": PASSWORD,
            },
        )
        self.assertEqual(result["written"], ["system", "network"], result)
        calls = self.calls()
        self.assertEqual([c["key"] for c in calls], ["show", "set-system", "set-network"])
        for call in calls:
            self.assertEqual(call["argv"][1:4], ["--json", "--address", "10.79.0.11"])
            self.assertNotIn(PASSWORD, " ".join(call["argv"]))
            self.assertNotIn(PASSWORD, " ".join(call["env"].values()))
        for call in calls[1:]:
            self.assertEqual(call["argv"][-3:], ["--admin", "root", "--password-stdin"])
            self.assertEqual(call["stdin"], PASSWORD + "\n")
        self.assertNotIn(PASSWORD, self.output)

    def test_halvoctls_failures_are_the_tasks_with_its_message(self):
        cases = [
            (
                "a refused password",
                {
                    "set_system": {
                        "rc": 1,
                        "stderr": "Verify failed!\n",
                        "recorded": os.path.join(RECORDED, "verify-failed.json"),
                    }
                },
                "Verify failed!",
                1,
                ["show", "set-system"],
            ),
            (
                "a silent box",
                {
                    "show": {
                        "rc": 3,
                        "stderr": "Time out:get system info!\n",
                        "document": {"ok": False, "exitStatus": 3},
                    }
                },
                "Time out:get system info!",
                3,
                ["show"],
            ),
            (
                "an unknown box",
                {"show": {"rc": 1, "stderr": "halvoctl: no box answered as 'NAS-X'\n"}},
                "halvoctl: no box answered as 'NAS-X'",
                1,
                ["show"],
            ),
        ]
        for what, answers, message, status, keys in cases:
            with self.subTest(what):
                if os.path.exists(os.path.join(self.folder, "calls.jsonl")):
                    os.remove(os.path.join(self.folder, "calls.jsonl"))
                answers.setdefault("show", {"recorded": os.path.join(RECORDED, "show-locked.json")})
                self.scenario(**answers)
                result = self.run_module(
                    box,
                    {
                        "device": "NAS-Locked",
                        "timezone": "3",
                        "description": "Finance",
                        "admin_name": "root",
                        "admin_password": "wrong",
                    },
                )
                self.assertTrue(result["failed"])
                self.assertEqual((result["msg"], result["exit_status"]), (message, status))
                self.assertFalse(result["changed"])
                self.assertEqual(self.keys(), keys)
                self.assertNotIn("Traceback", self.output)

    def test_bad_values_and_a_missing_password_stop_before_any_set_request(self):
        self.scenario(show={"recorded": os.path.join(RECORDED, "show-locked.json")})
        result = self.run_module(box, {"device": "NAS-Locked", "timezone": "Atlantis"})
        self.assertIn("timezone 'Atlantis' is neither an index (0-74)", result["msg"])
        asks = "NAS-Locked asks for the administrator check: give admin_name and admin_password"
        for given in ({}, {"admin_password": PASSWORD}, {"admin_name": "root"}):
            result = self.run_module(box, dict(given, device="NAS-Locked", timezone="3"))
            self.assertEqual(result["msg"], asks)
        result = self.run_module(box, {"device": "NAS-Locked", "network": {"mode": "bootp"}})
        self.assertIn("bootp", result["msg"])
        self.assertNotIn("set-system", self.keys())


class BoxesModuleTest(ModuleRun):
    def test_every_box_of_one_discovery_with_its_details_never_changed(self):
        self.scenario(show_all={"recorded": os.path.join(RECORDED, "show-all.json")})
        result = self.run_module(boxes, {"addresses": ["10.79.0.11", "10.80.0.5"]})
        self.assertFalse(result["changed"])
        self.assertEqual(
            [b["name"] for b in result["boxes"]], ["NAS-Locked", "NAS-Beta", "NAS-Alpha"]
        )
        self.assertEqual(result["boxes"][2]["shares"], ["public", "media", "backup"])
        self.assertEqual(
            self.calls()[0]["argv"][1:],
            ["--json", "--address", "10.79.0.11", "--address", "10.80.0.5", "show", "--all"],
        )

    def test_a_failing_box_fails_the_task_and_the_others_are_still_returned(self):
        found = recorded("show-all.json")
        found["devices"][1] = {
            "name": "NAS-Beta",
            "error": "Time out:get system info!",
            "exitStatus": 3,
        }
        self.scenario(
            show_all={
                "rc": 3,
                "document": found,
                "stderr": "Time out:get system info!\nhalvoctl: NAS-Beta: no details\n",
            }
        )
        result = self.run_module(boxes, {})
        self.assertTrue(result["failed"])
        self.assertEqual(result["msg"], "Time out:get system info! halvoctl: NAS-Beta: no details")
        self.assertEqual(len(result["boxes"]), 3)

    def test_a_halvoctl_that_is_not_there_is_named(self):
        args = {"halvoctl_path": "halvoctl-not-installed"}
        basic._ANSIBLE_ARGS = json.dumps({"ANSIBLE_MODULE_ARGS": args}).encode()
        out = io.StringIO()
        with contextlib.redirect_stdout(out), self.assertRaises(SystemExit):
            boxes.main()
        self.assertIn("halvoctl-not-installed", json.loads(out.getvalue())["msg"])


if __name__ == "__main__":
    unittest.main()
