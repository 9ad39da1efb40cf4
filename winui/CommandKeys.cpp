#include "winui/CommandKeys.h"

#include "winui/CommandIds.h"

#include <vector>

namespace {

struct TCommandKey {
    TWindowCommand Command;
    BYTE Modifiers;
    WORD Key;
    const wchar_t* Name;
};

constexpr BYTE Plain = FVIRTKEY;
constexpr BYTE Ctrl = FVIRTKEY | FCONTROL;
constexpr BYTE Shift = FVIRTKEY | FSHIFT;

using TCommand = TWindowCommand;

constexpr TCommandKey CommandKeys[] = {
    {TCommand::NewImage, Ctrl, 'N', L"Ctrl+N"},
    {TCommand::LoadImage, Ctrl, 'O', L"Ctrl+O"},
    {TCommand::SaveImage, Ctrl, 'S', L"Ctrl+S"},
    {TCommand::Exit, Ctrl, 'Q', L"Ctrl+Q"},
    {TCommand::Help, Plain, VK_F1, L"F1"},
    {TCommand::WriteImage, Plain, VK_F5, L"F5"},
    {TCommand::WritePages, Shift, VK_F5, L"Shift+F5"},
    {TCommand::ReadImage, Plain, VK_F6, L"F6"},
    {TCommand::ReadPages, Shift, VK_F6, L"Shift+F6"},
    {TCommand::EraseChip, Plain, VK_F7, L"F7"},
    {TCommand::ErasePages, Shift, VK_F7, L"Shift+F7"},
    {TCommand::CompareImage, Plain, VK_F8, L"F8"},
    {TCommand::ComparePages, Shift, VK_F8, L"Shift+F8"},
    {TCommand::VerifyAll, Ctrl, VK_F8, L"Ctrl+F8"},
    {TCommand::Initialize, Plain, VK_F9, L"F9"},
    {TCommand::Stop, Plain, VK_ESCAPE, L"Esc"},
};

} // namespace

TAcceleratorOwner MakeCommandAccelerators() {
    std::vector<ACCEL> Table;
    for (const TCommandKey& Key : CommandKeys) {
        Table.push_back({Key.Modifiers, Key.Key, static_cast<WORD>(CommandId(Key.Command))});
    }
    return TAcceleratorOwner(CreateAcceleratorTableW(Table.data(), static_cast<int>(Table.size())));
}

std::wstring CommandKeyName(TWindowCommand Command) {
    for (const TCommandKey& Key : CommandKeys) {
        if (Key.Command == Command) {
            return Key.Name;
        }
    }
    return {};
}
