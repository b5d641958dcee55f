#include "tests/model_window.h"

#include <stdexcept>

namespace brevlin::test {

ModelWindow::ModelWindow() {
    for (const Tweak& tweak : Catalogue()) {
        selected_[std::string(tweak.on.button)] = false;
        selected_[std::string(tweak.off.button)] = false;
    }
    // The holders' texts before start-up fills them.
    holders_ = {{"Text2", "Text1"}, {"Label5", ""}, {"Label6", ""},
                {"Label7", ""},     {"Label9", ""}, {"lbl50", ""}};
}

void ModelWindow::SetSelected(std::string_view button, bool selected) {
    const auto ref = FindButton(button);
    if (!ref) throw std::invalid_argument("no such button");
    if (selected) selected_.find(ref->tweak->choice(Other(ref->side)).button)->second = false;
    selected_.find(button)->second = selected;
}

void ModelWindow::Click(std::string_view button) {
    const auto ref = FindButton(button);
    if (!ref) throw std::invalid_argument("no such button");
    if (on_user_choice) on_user_choice(*ref->tweak, ref->side);
}

void ModelWindow::SetHolderText(std::string_view holder, std::string_view text) {
    holders_.at(std::string(holder)) = std::string(text);
}

std::string ModelWindow::HolderText(std::string_view holder) const {
    return holders_.at(std::string(holder));
}

void ModelWindow::ReportWriteFailure(const Tweak& tweak, Side side,
                                     const mdlreg::WriteResult& result) {
    failures.push_back({tweak.id, side, result.status, result.key_has_subkeys});
}

bool ModelWindow::IsSelected(std::string_view button) const {
    return selected_.find(button)->second;
}

std::string ModelWindow::Selection() const {
    std::string list;
    for (const Tweak& tweak : Catalogue()) {
        for (const Choice* choice : {&tweak.on, &tweak.off}) {
            if (!IsSelected(choice->button)) continue;
            if (!list.empty()) list += ',';
            list += choice->button;
        }
    }
    return list;
}

}  // namespace brevlin::test
