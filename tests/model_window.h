// A window without pixels: fourteen option buttons paired by frame under the
// selection rule, the six holders, and a record of what the user was told.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tweaks/controller.h"

namespace brevlin::test {

class ModelWindow final : public WindowOperations {
public:
    ModelWindow();

    // Where the user's choices go: the controller, in the program.
    std::function<void(const Tweak&, Side)> on_user_choice;

    void SetSelected(std::string_view button, bool selected) override;
    void SetHolderText(std::string_view holder, std::string_view text) override;
    std::string HolderText(std::string_view holder) const override;
    void ReportWriteFailure(const Tweak& tweak, Side side,
                            const mdlreg::WriteResult& result) override;

    // The user chooses a button (a click or Space on it, or an arrow key
    // within its frame), whether it is selected or not.
    void Click(std::string_view button);

    bool IsSelected(std::string_view button) const;
    // "Option3,Option5,..." : every selected button, in catalogue order.
    std::string Selection() const;

    struct Failure {
        TweakId id;
        Side side;
        RegStatus status;
        bool key_has_subkeys;
    };
    std::vector<Failure> failures;

private:
    std::map<std::string, bool, std::less<>> selected_;
    std::map<std::string, std::string, std::less<>> holders_;
};

}  // namespace brevlin::test
