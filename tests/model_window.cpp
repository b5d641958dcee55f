#include "tests/model_window.h"

#include <stdexcept>

#include "tests/design_names.h"

namespace brevlin::test {

ModelWindow::ModelWindow() {
    // The holders' texts before start-up fills them: the text box's "Text1",
    // the labels' nothing.
    for (const Tweak& tweak : Catalogue())
        if (tweak.IsRead()) holders_[IndexOf(tweak.id)] = "";
    holders_[IndexOf(TweakId::attach)] = "Text1";
}

void ModelWindow::Select(const Tweak& tweak, Side side) { selected_[IndexOf(tweak.id)] = side; }

void ModelWindow::ClearBoth(const Tweak& tweak) { selected_[IndexOf(tweak.id)].reset(); }

void ModelWindow::SetHolderText(const Tweak& tweak, std::string_view text) {
    std::optional<std::string>& holder = holders_[IndexOf(tweak.id)];
    if (!holder) throw std::invalid_argument("a setting without a holder");
    *holder = text;
}

std::string ModelWindow::HolderText(const Tweak& tweak) const {
    const std::optional<std::string>& holder = holders_[IndexOf(tweak.id)];
    if (!holder) throw std::invalid_argument("a setting without a holder");
    return *holder;
}

std::string ModelWindow::HolderText(std::string_view holder) const {
    for (std::size_t i = 0; i < kHolderNames.size(); ++i)
        if (kHolderNames[i] == holder) return HolderText(Catalogue()[i]);
    throw std::invalid_argument("no holder is called " + std::string(holder));
}

void ModelWindow::ReportWriteFailure(const Tweak& tweak, Side side, const ChangeFailure& failure) {
    failures.push_back({tweak.id, side, failure.cause});
}

void ModelWindow::Click(std::string_view button) {
    const ButtonName& named = ButtonNamed(button);
    if (on_user_choice) on_user_choice(CatalogueEntry(named.id), named.side);
}

bool ModelWindow::IsSelected(std::string_view button) const {
    const ButtonName& named = ButtonNamed(button);
    return selected_[IndexOf(named.id)] == named.side;
}

std::string ModelWindow::Selection() const {
    std::string list;
    for (const ButtonName& button : kButtonNames) {
        if (!IsSelected(button.name)) continue;
        if (!list.empty()) list += ',';
        list += button.name;
    }
    return list;
}

}  // namespace brevlin::test
