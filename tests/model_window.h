// A window without pixels, in settings and sides as the controller speaks:
// a selection for each side of each setting under the selection rule, the
// six holders, and a record of what the user was told. The tests reach it
// by the design's button and holder names.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tweaks/controller.h"

namespace brevlin::test {

class ModelWindow final : public WindowOperations {
public:
    ModelWindow();

    // Where the user's choices go: the controller, in the program.
    std::function<void(const Tweak&, Side)> on_user_choice;

    void Select(const Tweak& tweak, Side side) override;
    void ClearBoth(const Tweak& tweak) override;
    void SetHolderText(const Tweak& tweak, std::string_view text) override;
    std::string HolderText(const Tweak& tweak) const override;
    void ReportWriteFailure(const Tweak& tweak, Side side, const ChangeFailure& failure) override;

    // The user chooses a button (a click or Space on it, or an arrow key
    // within its frame), whether it is selected or not.
    void Click(std::string_view button);

    bool IsSelected(std::string_view button) const;
    // "Option3,Option5,..." : every selected button, in catalogue order.
    std::string Selection() const;
    // The text of the holder of this name.
    std::string HolderText(std::string_view holder) const;

    struct Failure {
        TweakId id;
        Side side;
        ChangeFailure::Cause cause;
    };
    std::vector<Failure> failures;

private:
    std::array<std::optional<Side>, kTweakCount> selected_{};
    std::array<std::optional<std::string>, kTweakCount> holders_{};
};

}  // namespace brevlin::test
