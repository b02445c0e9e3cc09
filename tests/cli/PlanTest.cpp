// SPDX-License-Identifier: GPL-3.0-or-later
// Reading apply's plan: every mistake is found, and named by where it is, before a box is touched.
#include <gtest/gtest.h>

#include "cli/Plan.h"

namespace halvo::cli {
namespace {

std::string ProblemOf(const std::string& text) {
    std::string problem;
    EXPECT_FALSE(ReadPlan(text, problem)) << text;
    return problem;
}

TEST(PlanTest, APlanGivesEachBoxItsChangesAndThePlansAdministratorByDefault) {
    std::string problem;
    const auto plan = ReadPlan(R"({"admin": "root", "boxes": [
        {"macAddress": "00:1a:2b:3c:4d:01",
         "system": {"description": "Lab 2", "date": "2024-05-01", "time": "12:30:00",
                    "timezoneIndex": 74, "passwordRequired": false},
         "network": {"ipMode": "static", "ipAddress": "10.77.0.51", "secondaryDns": ""}},
        {"macAddress": "00-1A-2B-3C-4D-02", "admin": "other", "network": {"ipMode": "dhcp"}}]})",
                               problem);
    ASSERT_TRUE(plan) << problem;
    ASSERT_EQ(plan->boxes.size(), 2u);
    const PlanBox& first = plan->boxes[0];
    EXPECT_EQ(first.admin, "root");
    ASSERT_TRUE(first.system);
    EXPECT_EQ(first.system->timezone, 74);
    EXPECT_EQ(first.system->askPassword, false);
    EXPECT_EQ(first.system->time->minute, 30);
    EXPECT_EQ(first.network->ipAddress, "10.77.0.51");
    EXPECT_EQ(first.network->secondaryDns, "");
    EXPECT_FALSE(first.network->gateway);
    EXPECT_EQ(plan->boxes[1].admin, "other");
    EXPECT_EQ(plan->boxes[1].network->mode, IpMode::Dhcp);
    EXPECT_FALSE(plan->boxes[1].system);
}

TEST(PlanTest, MistakesAreNamedByWhereTheyAre) {
    const std::string box = R"("macAddress": "00:1a:2b:3c:4d:01")";
    EXPECT_EQ(ProblemOf("{"), "the plan is not valid JSON");
    EXPECT_EQ(ProblemOf(R"({"boxes": {}})"), "plan.boxes: must be a list of boxes");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + R"(, "system": {"timezoneIndex": 75}}]})"),
              "boxes[0].system: timezone 75 is not a row of the table (0-74)");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + R"(, "system": {"date": "2024-02-30"}}]})"),
              "boxes[0].system.date: '2024-02-30' is no date YYYY-MM-DD from 1970 on");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + R"(, "network": {"gateway": "10.0.0"}}]})"),
              "boxes[0].network: gateway '10.0.0' is no dotted-quad address");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + R"(, "system": {"description": "a,b"}}]})")
                  .substr(0, 47),
              "boxes[0].system: Device description is invalid!");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + R"(, "system": {"timezone": 3}}]})"),
              "boxes[0].system.timezone: unknown field");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + "}]}"),
              "boxes[0]: has neither system nor network settings");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + R"(, "network": {"ipMode": "auto"}}, {)" + box +
                        R"(, "network": {"ipMode": "dhcp"}}]})"),
              "boxes[0].network.ipMode: must be \"static\" or \"dhcp\"");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{)" + box + R"(, "network": {"ipMode": "dhcp"}}, {)" + box +
                        R"(, "network": {"ipMode": "dhcp"}}]})"),
              "boxes[1].macAddress: 00:1a:2b:3c:4d:01 is planned twice");
}

TEST(PlanTest, APasswordInAPlanIsRefusedWhateverItsName) {
    EXPECT_EQ(ProblemOf(R"({"adminPassword": "s3cret", "boxes": []})"),
              "plan.adminPassword: passwords are never read from a file");
    EXPECT_EQ(ProblemOf(R"({"boxes": [{"macAddress": "00:1a:2b:3c:4d:01", "password": "x",
                            "network": {"ipMode": "dhcp"}}]})"),
              "boxes[0].password: passwords are never read from a file");
}

}  // namespace
}  // namespace halvo::cli
