// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/WizardFlow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halvo::wizard {
namespace {

// Records what the flow asks of the frame; the send results and commit answers are scripted.
class RecordingHost final : public WizardHost {
  public:
    int SetSystemInfo() override {
        ++systemSends;
        return systemResult;
    }
    int SetNetworkInfo() override {
        ++networkSends;
        return networkResult;
    }
    bool CommitPage(int index) override {
        commits.push_back(index);
        return commitAnswer;
    }
    void ShowPage(int index) override {
        requested.push_back(index);
        if (flow != nullptr) {
            flow->SwitchPage(index);
        }
    }
    void SetPageVisible(int index, bool visible) override {
        if (visible) {
            shown.push_back(index);
        } else {
            hidden.push_back(index);
        }
    }
    void DestroyPageWindows() override { ++destroyed; }
    void SetNextCaption(std::string_view caption) override { caption_.assign(caption); }
    void EnableBack(bool enabled) override { back = enabled; }
    void EndWizard(int result) override { ended.push_back(result); }

    int Sends() const { return systemSends + networkSends; }

    WizardFlow* flow = nullptr;  // the flow whose switches this host carries out

    int systemResult = 0;
    int networkResult = 0;
    bool commitAnswer = true;
    int systemSends = 0;
    int networkSends = 0;
    std::vector<int> commits;
    std::vector<int> requested;  // page switches asked of the frame
    std::vector<int> shown;
    std::vector<int> hidden;
    int destroyed = 0;
    std::string caption_ = "Next >>";  // the template's caption
    bool back = false;                 // the template's state
    std::vector<int> ended;
};

class WizardFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.flow = &flow;
        flow.Start();
    }

    // The state as the user sees it: page on show, Back, Next caption.
    void ExpectState(int page, bool back, std::string_view caption) {
        EXPECT_EQ(flow.current(), page);
        EXPECT_EQ(host.shown.back(), page);
        EXPECT_EQ(host.back, back);
        EXPECT_EQ(flow.backEnabled(), back);
        EXPECT_EQ(host.caption_, caption);
        EXPECT_EQ(flow.nextCaption(), caption);
        EXPECT_TRUE(host.ended.empty());
    }

    RecordingHost host;
    WizardFlow flow{host, 3};
};

TEST_F(WizardFlowTest, OpensOnTheSystemPage) {
    ExpectState(0, false, "Next >>");
    EXPECT_EQ(host.shown, std::vector<int>{0});
    EXPECT_TRUE(host.commits.empty());
    EXPECT_EQ(host.Sends(), 0);
}

TEST_F(WizardFlowTest, NextOnEachPageSendsItsSettingsOnce) {
    flow.OnNext();
    EXPECT_EQ(host.systemSends, 1);
    EXPECT_EQ(host.networkSends, 0);
    EXPECT_EQ(host.commits, std::vector<int>{0});
    EXPECT_EQ(host.hidden, std::vector<int>{0});
    ExpectState(1, true, "Next >>");

    flow.OnNext();
    EXPECT_EQ(host.systemSends, 1);
    EXPECT_EQ(host.networkSends, 1);
    ExpectState(2, true, "&Finished");

    flow.OnNext();  // Finished
    EXPECT_EQ(host.Sends(), 2);
    EXPECT_EQ(host.ended, std::vector<int>{1});
    EXPECT_EQ(flow.result(), 1);
    EXPECT_EQ(host.destroyed, 1);
    // Finishing asks every page, in order, to commit.
    EXPECT_EQ(host.commits, (std::vector<int>{0, 1, 0, 1, 2}));
}

TEST_F(WizardFlowTest, ANonZeroSendKeepsThePage) {
    host.systemResult = 1;
    flow.OnNext();
    EXPECT_EQ(host.systemSends, 1);
    ExpectState(0, false, "Next >>");
    EXPECT_TRUE(host.commits.empty());

    host.systemResult = 0;
    host.networkResult = 1;
    flow.OnNext();
    flow.OnNext();
    EXPECT_EQ(host.networkSends, 1);
    ExpectState(1, true, "Next >>");
}

TEST_F(WizardFlowTest, SkipAndFinishedNeverSend) {
    flow.OnSkip();
    ExpectState(1, true, "Next >>");
    flow.OnSkip();
    ExpectState(2, true, "&Finished");
    flow.OnSkip();
    EXPECT_EQ(host.ended, std::vector<int>{1});
    EXPECT_EQ(host.Sends(), 0);
}

TEST_F(WizardFlowTest, SkipOnTheFirstPageThenNextSendsOnlyTheNetwork) {
    flow.OnSkip();
    flow.OnNext();
    EXPECT_EQ(host.systemSends, 0);
    EXPECT_EQ(host.networkSends, 1);
    ExpectState(2, true, "&Finished");
}

TEST_F(WizardFlowTest, BackFromTheLastPageRestoresNextAndFinishedComesBack) {
    flow.OnSkip();
    flow.OnSkip();
    flow.OnBack();
    ExpectState(1, true, "&Next >>");
    flow.OnBack();
    ExpectState(0, false, "&Next >>");  // the caption keeps its second form
    flow.OnBack();                      // nothing before the first page
    ExpectState(0, false, "&Next >>");
    flow.OnSkip();
    ExpectState(1, true, "&Next >>");
    flow.OnNext();
    ExpectState(2, true, "&Finished");
    EXPECT_EQ(host.Sends(), 1);
}

TEST_F(WizardFlowTest, BackFromTheNetworkPageKeepsTheTemplateCaption) {
    flow.OnNext();
    flow.OnBack();
    ExpectState(0, false, "Next >>");
}

TEST_F(WizardFlowTest, BackAndNextAgainSendsAgain) {
    flow.OnNext();
    flow.OnBack();
    flow.OnNext();
    EXPECT_EQ(host.systemSends, 2);
    flow.OnNext();
    flow.OnBack();
    flow.OnNext();
    EXPECT_EQ(host.networkSends, 2);
    ExpectState(2, true, "&Finished");
}

TEST_F(WizardFlowTest, CancelEndsWithTwoFromEveryState) {
    for (int steps = 0; steps < 3; ++steps) {
        RecordingHost h;
        WizardFlow f(h, 3);
        h.flow = &f;
        f.Start();
        for (int i = 0; i < steps; ++i) {
            f.OnSkip();
        }
        ASSERT_EQ(f.current(), steps);
        f.Cancel();
        EXPECT_EQ(h.ended, std::vector<int>{2}) << "page " << steps;
        EXPECT_EQ(f.result(), 2);
        EXPECT_EQ(h.Sends(), 0);
        EXPECT_EQ(h.destroyed, 0);  // the frame's window goes with its pages
    }
}

TEST_F(WizardFlowTest, NothingHappensAfterTheRunHasEnded) {
    flow.Cancel();
    flow.OnNext();
    flow.OnSkip();
    flow.OnBack();
    flow.FinishWizard();
    flow.Cancel();
    EXPECT_EQ(host.ended, std::vector<int>{2});
    EXPECT_EQ(host.Sends(), 0);
    EXPECT_EQ(flow.current(), 0);
}

TEST_F(WizardFlowTest, APageThatRefusesToCommitStaysOnShow) {
    host.commitAnswer = false;
    EXPECT_FALSE(flow.SwitchPage(1));
    EXPECT_EQ(flow.current(), 0);
    EXPECT_TRUE(host.hidden.empty());
    EXPECT_FALSE(flow.SwitchPage(3));  // no such page
    EXPECT_FALSE(flow.SwitchPage(-1));
}

TEST_F(WizardFlowTest, EveryPageSwitchIsAskedOfTheFrame) {
    flow.OnNext();
    flow.OnSkip();
    flow.OnBack();
    EXPECT_EQ(host.requested, (std::vector<int>{0, 1, 2, 1}));
    EXPECT_EQ(host.shown, host.requested);

    // A frame that keeps the page where it is is obeyed: the flow switches nothing by itself.
    host.flow = nullptr;
    flow.OnBack();
    EXPECT_EQ(host.requested.back(), 0);
    EXPECT_EQ(flow.current(), 1);
}

TEST(WizardFlowWithoutPages, NextAndSkipFinishAtOnce) {
    RecordingHost host;
    WizardFlow flow(host, 0);
    flow.Start();
    EXPECT_EQ(flow.current(), -1);
    EXPECT_TRUE(host.shown.empty());
    flow.OnNext();
    EXPECT_EQ(host.ended, std::vector<int>{1});
    EXPECT_EQ(host.Sends(), 0);
}

}  // namespace
}  // namespace halvo::wizard
