// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/WizardFlow.h"

namespace halvo::wizard {

WizardFlow::WizardFlow(WizardHost& host, int pageCount)
    : host_(host), pageCount_(pageCount < 0 ? 0 : pageCount) {}

void WizardFlow::Start(int pageCount) {
    pageCount_ = pageCount < 0 ? 0 : pageCount;
    Start();
}

void WizardFlow::Start() {
    if (pageCount_ > 0) {
        host_.ShowPage(0);
    }
}

bool WizardFlow::SwitchPage(int index) {
    if (index < 0 || index >= pageCount_) {
        return false;
    }
    if (current_ >= 0 && current_ < pageCount_) {
        if (!host_.CommitPage(current_)) {
            return false;
        }
        host_.SetPageVisible(current_, false);
    }
    current_ = index;
    host_.SetPageVisible(current_, true);
    return true;
}

void WizardFlow::Advance(bool send) {
    if (result_ != 0) {
        return;
    }
    if (current_ < pageCount_ - 1) {
        if (send) {
            int rc = 0;
            if (current_ == 0) {
                rc = host_.SetSystemInfo();
            } else if (current_ == 1) {
                rc = host_.SetNetworkInfo();
            }
            if (rc != 0) {
                return;  // the page stays
            }
        }
        host_.ShowPage(current_ + 1);
        if (current_ == pageCount_ - 1) {
            SetCaption(NEXT_CAPTION_FINISHED);
        }
        SetBack(true);
    } else {
        FinishWizard();
    }
}

void WizardFlow::OnNext() {
    Advance(true);
}

void WizardFlow::OnSkip() {
    Advance(false);
}

void WizardFlow::OnBack() {
    if (result_ != 0) {
        return;
    }
    if (current_ > 0) {
        if (current_ == pageCount_ - 1) {
            SetCaption(NEXT_CAPTION_AGAIN);
        }
        host_.ShowPage(current_ - 1);
    }
    if (current_ <= 0) {
        SetBack(false);
    }
}

void WizardFlow::FinishWizard() {
    if (result_ != 0) {
        return;
    }
    for (int i = 0; i < pageCount_; ++i) {
        host_.CommitPage(i);  // none of the pages refuses; a refusal would not stop the end
    }
    host_.DestroyPageWindows();
    result_ = WIZARD_FINISHED;
    host_.EndWizard(WIZARD_FINISHED);
}

void WizardFlow::Cancel() {
    if (result_ != 0) {
        return;
    }
    result_ = WIZARD_CANCELLED;
    host_.EndWizard(WIZARD_CANCELLED);
}

void WizardFlow::SetCaption(std::string_view caption) {
    nextCaption_ = caption;
    host_.SetNextCaption(caption);
}

void WizardFlow::SetBack(bool enabled) {
    backEnabled_ = enabled;
    host_.EnableBack(enabled);
}

}  // namespace halvo::wizard
