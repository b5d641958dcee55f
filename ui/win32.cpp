#include "ui/win32.h"

namespace brevlin::ui {

std::wstring Widen(std::string_view ansi) {
    if (ansi.empty()) return {};
    const int length =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

}  // namespace brevlin::ui
