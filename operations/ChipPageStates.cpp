#include "operations/ChipPageStates.h"

#include "common/ResourseStrings.h"

#include <algorithm>
#include <cstddef>

namespace {

TChipPageState StateOf(TPageOutcome Outcome) {
    switch (Outcome) {
    case TPageOutcome::Written:
        return TChipPageState::Written;
    case TPageOutcome::Equal:
        return TChipPageState::Equal;
    case TPageOutcome::Different:
        return TChipPageState::Different;
    case TPageOutcome::Read:
        return TChipPageState::Read;
    case TPageOutcome::Erased:
        return TChipPageState::Erased;
    case TPageOutcome::Failed:
        break;
    }
    return TChipPageState::Failed;
}

// 0x00BBGGRR from the red, green and blue parts.
constexpr TColor Rgb(unsigned Red, unsigned Green, unsigned Blue) {
    return Red | Green << 8 | Blue << 16;
}

} // namespace

TChipPageStates::TChipPageStates() : States(PageCount, TChipPageState::NotInImage) {}

void TChipPageStates::SetImagePages(const std::vector<int>& Pages) {
    States.assign(PageCount, TChipPageState::NotInImage);
    for (const int Page : Pages) {
        if (IsPage(Page)) {
            States[static_cast<std::size_t>(Page)] = TChipPageState::InImage;
        }
    }
}

bool TChipPageStates::SetPageOutcome(int Page, TPageOutcome Outcome) {
    return SetPageState(Page, StateOf(Outcome));
}

bool TChipPageStates::SetPageState(int Page, TChipPageState State) {
    if (!IsPage(Page) || States[static_cast<std::size_t>(Page)] == State) {
        return false;
    }
    States[static_cast<std::size_t>(Page)] = State;
    return true;
}

TChipPageState TChipPageStates::GetPageState(int Page) const {
    return IsPage(Page) ? States[static_cast<std::size_t>(Page)] : TChipPageState::NotInImage;
}

int TChipPageStates::CountPages(TChipPageState State) const {
    return static_cast<int>(std::count(States.begin(), States.end(), State));
}

const char* TChipPageStates::StateName(TChipPageState State) {
    switch (State) {
    case TChipPageState::NotInImage:
        return SChipMapNotInImage;
    case TChipPageState::InImage:
        return SChipMapInImage;
    case TChipPageState::Written:
        return SChipMapWritten;
    case TChipPageState::Equal:
        return SChipMapEqual;
    case TChipPageState::Different:
        return SChipMapDifferent;
    case TChipPageState::Read:
        return SChipMapRead;
    case TChipPageState::Failed:
        return SChipMapFailed;
    case TChipPageState::Erased:
        return SChipMapErased;
    }
    return "";
}

TColor TChipPageStates::StateColor(TChipPageState State) {
    switch (State) {
    case TChipPageState::NotInImage:
        return Rgb(0xE8, 0xE8, 0xE8);
    case TChipPageState::InImage:
        return Rgb(0x9E, 0xB8, 0xD9);
    case TChipPageState::Written:
        return Rgb(0x1F, 0x5F, 0xBF);
    case TChipPageState::Equal:
        return Rgb(0x2E, 0xA0, 0x43);
    case TChipPageState::Different:
        return Rgb(0xE0, 0x3A, 0x2F);
    case TChipPageState::Read:
        return Rgb(0x8E, 0x5C, 0xC2);
    case TChipPageState::Failed:
        return Rgb(0x30, 0x30, 0x30);
    case TChipPageState::Erased:
        // Amber: an erased page must not pass for the pale grey of a page outside the image.
        return Rgb(0xF0, 0xB4, 0x28);
    }
    return clBlack;
}

bool TChipPageStates::StandsOut(TChipPageState State) {
    return State == TChipPageState::Different || State == TChipPageState::Failed;
}
