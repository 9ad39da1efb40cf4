// The ids with which menu items, tool bar buttons, keys and buttons give the main window's
// commands in WM_COMMAND: one id per TWindowCommand, whatever gives it.
#pragma once

#include "operations/MainWindowView.h"

#include "winui/WindowsApi.h"

#include <optional>

inline constexpr UINT FirstCommandId = 1000;

inline UINT CommandId(TWindowCommand Command) {
    return FirstCommandId + static_cast<UINT>(Command);
}

inline std::optional<TWindowCommand> CommandOfId(UINT Id) {
    if (Id < FirstCommandId || Id >= FirstCommandId + WindowCommandCount) {
        return std::nullopt;
    }
    return static_cast<TWindowCommand>(Id - FirstCommandId);
}
