// SPDX-License-Identifier: GPL-3.0-or-later
// The wizard frame's page logic without any window: which page is on show, what Back, Next and
// Skip do, when a settings page is sent, and the Next button's caption. The frame window
// implements WizardHost and forwards its buttons here.
//
// With the three pages (system, network, finish):
//
//   current  page     Back      Next                               Skip
//   0        system   disabled  SetSystemInfo; on 0 go to 1       go to 1
//   1        network  enabled   SetNetworkInfo; on 0 go to 2,     go to 2, "&Finished"
//                               caption "&Finished"
//   2        finish   enabled   FinishWizard, result 1            FinishWizard, result 1
//
// The caption is the template's "Next >>" until the last page is first shown, then "&Finished"
// on the last page and "&Next >>" on the others. Cancel and close end the run with 2.
#pragma once

#include <string>
#include <string_view>

namespace halvo::wizard {

inline constexpr std::string_view NEXT_CAPTION_TEMPLATE = "Next >>";
inline constexpr std::string_view NEXT_CAPTION_AGAIN = "&Next >>";
inline constexpr std::string_view NEXT_CAPTION_FINISHED = "&Finished";

inline constexpr int WIZARD_FINISHED = 1;
inline constexpr int WIZARD_CANCELLED = 2;

// What the flow asks of the frame window.
class WizardHost {
  public:
    virtual ~WizardHost() = default;
    // The send routines of pages 0 and 1: 0 lets the wizard advance, non-zero keeps the page.
    virtual int SetSystemInfo() = 0;
    virtual int SetNetworkInfo() = 0;
    // Asks page `index` to take over its controls' values; false refuses.
    virtual bool CommitPage(int index) = 0;
    // Every page switch of the flow is asked for here, so that a frame can put its own work
    // around it; the frame ends it in WizardFlow::SwitchPage.
    virtual void ShowPage(int index) = 0;
    virtual void SetPageVisible(int index, bool visible) = 0;
    virtual void DestroyPageWindows() = 0;
    virtual void SetNextCaption(std::string_view caption) = 0;
    virtual void EnableBack(bool enabled) = 0;
    // Ends the modal run with `result`.
    virtual void EndWizard(int result) = 0;
};

class WizardFlow {
  public:
    WizardFlow(WizardHost& host, int pageCount);

    // Shows the first page; the frame calls it once its page windows exist.
    void Start();
    // The same for a frame whose pages were added after the flow was made.
    void Start(int pageCount);
    // Commits and hides the page on show, then shows page `index`. False (nothing changed) when
    // the page on show refuses to commit or there is no such page.
    bool SwitchPage(int index);

    void OnNext();
    void OnSkip();
    void OnBack();
    void FinishWizard();
    // The Cancel button and the close box.
    void Cancel();

    int current() const { return current_; }
    int pageCount() const { return pageCount_; }
    bool backEnabled() const { return backEnabled_; }
    const std::string& nextCaption() const { return nextCaption_; }
    // The modal result once the run has ended, 0 before.
    int result() const { return result_; }

  private:
    void Advance(bool send);
    void SetCaption(std::string_view caption);
    void SetBack(bool enabled);

    WizardHost& host_;
    int pageCount_;
    int current_ = -1;
    bool backEnabled_ = false;  // the template's state
    std::string nextCaption_{NEXT_CAPTION_TEMPLATE};
    int result_ = 0;
};

}  // namespace halvo::wizard
