#include "winui/CommandCaptions.h"

#include "common/ResourseStrings.h"

namespace {

struct TCommandLook {
    const char* Caption;
    const wchar_t* Picture;
};

// In the order of TWindowCommand.
constexpr TCommandLook CommandLooks[WindowCommandCount] = {
    {SNewImageCaption, L"NEW"},
    {SLoadImageCaption, L"OPEN"},
    {SSaveImageAsCaption, L"SAVE"},
    {SWriteImageCaption, L"WRITE"},
    {SReadImageCaption, L"READ"},
    {SDeleteImageCaption, L"ERASE"},
    {SCompareImageCaption, L"COMPARE"},
    {SVerifyAllCaption, nullptr},
    {SWritePagesCaption, nullptr},
    {SReadPagesCaption, nullptr},
    {SDeletePagesCaption, nullptr},
    {SComparePagesCaption, nullptr},
    {SStopCaption, nullptr},
    {SInitializeCaption, L"INITIALIZE"},
    {SClearInfoCaption, L"CLEAR"},
    {SShowImageCaption, nullptr},
    {SComPortMenuCaption, L"PORT"},
    {SHelpItemCaption, nullptr},
    {SAboutItemCaption, L"ABOUT"},
    {SExitCaption, L"EXIT"},
};

const TCommandLook& LookOf(TWindowCommand Command) {
    return CommandLooks[static_cast<std::size_t>(Command)];
}

} // namespace

const char* CommandCaption(TWindowCommand Command) {
    return LookOf(Command).Caption;
}

const wchar_t* CommandPicture(TWindowCommand Command) {
    return LookOf(Command).Picture;
}
