// SPDX-License-Identifier: GPL-3.0-or-later
// The backend contract on the in-memory backend.
#include "tests/ui/contract/BackendContract.h"
#include "ui/testing/MemoryBackend.h"

namespace halvo::ui::contract {
namespace {

class MemoryDriver final : public ContractDriver {
  public:
    Backend& Ui() override { return ui_; }
    void Show(Dialog& dialog) override { dialog.ShowWindow(true); }
    void Hide(Dialog& dialog) override { dialog.ShowWindow(false); }
    void Click(Dialog& dialog, int id) override { ui_.Click(dialog, id); }
    void Type(Dialog& dialog, int id, const std::string& text) override {
        ui_.Type(dialog, id, text);
    }
    void TypeAddress(Dialog& dialog, int id, const std::string& keys) override {
        ui_.TypeAddress(dialog, id, keys);
    }
    void Choose(Dialog& dialog, int id, int row) override { ui_.Choose(dialog, id, row); }
    void Press(Dialog& dialog, Key key) override { ui_.Press(dialog, key); }
    void Tab(Dialog& dialog) override { ui_.Tab(dialog); }
    int RunModal(Dialog& dialog, const std::function<void()>& steps) override {
        ui_.OnModal(dialog.TemplateId(), [steps](Dialog&) { steps(); });
        return dialog.RunModal();
    }
    void CloseBox(Dialog& dialog) override { ui_.CloseBox(dialog); }
    void ChooseMenuItem(Dialog& dialog, int id) override {
        EXPECT_TRUE(ui_.ChooseMenuItem(dialog, id));
    }
    std::string AccessibleName(Dialog& dialog, int id) override {
        return testing::MemoryBackend::AccessibleName(dialog, id);
    }
    // The window paints all its controls at once.
    int Paints(Dialog& dialog, int) override {
        return testing::MemoryBackend::WindowOf(dialog)->Updates();
    }

  private:
    testing::MemoryBackend ui_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, BackendContract, MemoryDriver);

}  // namespace
}  // namespace halvo::ui::contract
