#include "operations/Verification.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "image/PageList.h"
#include "operations/HeadManager.h"
#include "operations/UIObjects.h"

#include <algorithm>
#include <bitset>
#include <memory>

namespace {

// The Russian form of a counted word: 1, 21 take One; 2-4, 22-24 Few; the rest (11-14) Many.
const char* CountedForm(int Count, const char* One, const char* Few, const char* Many) {
    const int LastTwo = Count % 100;
    const int Last = Count % 10;
    if (LastTwo >= 11 && LastTwo <= 14) {
        return Many;
    }
    if (Last == 1) {
        return One;
    }
    return Last >= 2 && Last <= 4 ? Few : Many;
}

std::string PageLine(const TPageDifference& Difference) {
    return FormatText(
        SVerifyPageDiffers, Difference.Page,
        CountedForm(Difference.Bytes, SDiffersVerbOne, SDiffersVerbMany, SDiffersVerbMany),
        Difference.Bytes, CountedForm(Difference.Bytes, SByteWordOne, SByteWordFew, SByteWordMany),
        Difference.ImageOneChipZero, Difference.ImageZeroChipOne);
}

std::string SummaryLine(const TVerificationReport& Report) {
    const int Differing = static_cast<int>(Report.Differences.size());
    return FormatText(SVerifySummary,
                      CountedForm(Differing, SSummaryVerbOne, SSummaryVerbMany, SSummaryVerbMany),
                      Differing, GetPagesWord(Differing).c_str(), Report.PagesCompared);
}

// Done of Count steps as a whole percentage, 100 at the last step.
int PercentOf(long long Done, long long Count) {
    return Count <= 0 ? 100 : static_cast<int>(Done * 100 / Count);
}

// Reads the chip page back through the programmer's buffer. The fetch does not send the page
// number, so its failure is given the page here.
TByteArray ReadBack(THeadManager& Head, int Page) {
    try {
        Head.ReadPage(Page);
        const auto Map = std::make_shared<TMemoryMap>();
        Head.FetchPage(Map);
        // Only the low 16 bits of a page number go to the programmer.
        const int Expected = Page & 0xFFFF;
        const int Given = Map->GetPage(0).GetPageNumber();
        if (Given != Expected) {
            throw Exception(FormatText(SPageNumberMismatch, Given, Expected));
        }
        return Map->GetPage(0).GetData();
    } catch (Exception& Failure) {
        Failure.AtPage(Page);
        throw;
    }
}

// Compares one page: the programmer compares its buffer, filled with the image's page, with the
// chip; a page it finds different is read back and counted, with a red line.
void CheckPage(THeadManager& Head, THeadManager::TPageOperation& Operation, int Page,
               TVerificationReport& Report, const TVerification::TPageCallback& OnPage) {
    Head.TransferPage(Page);
    const bool Equal = Head.ComparePage(Page);
    ++Report.PagesCompared;
    TPageDifference Difference{Page};
    if (!Equal) {
        // TransferPage found the image's page of this number.
        Difference = CountDifferences(Page, Head.GetMemoryMap()->FindPage(Page)->GetData(),
                                      ReadBack(Head, Page));
        Report.Differences.push_back(Difference);
        Operation.Message(PageLine(Difference), clRed);
    }
    if (OnPage) {
        OnPage(Page, Equal ? TPageState::Equal : TPageState::Different, Difference);
    }
}

} // namespace

TPageDifference CountDifferences(int Page, const TByteArray& Image, const TByteArray& Chip) {
    TPageDifference Difference{Page};
    const std::size_t Length = std::min(Image.size(), Chip.size());
    for (std::size_t Index = 0; Index < Length; ++Index) {
        const unsigned Ones = Image[Index] & ~Chip[Index] & 0xFFu;
        const unsigned Zeros = ~Image[Index] & Chip[Index] & 0xFFu;
        if (Ones != 0 || Zeros != 0) {
            ++Difference.Bytes;
            Difference.ImageOneChipZero += static_cast<int>(std::bitset<8>(Ones).count());
            Difference.ImageZeroChipOne += static_cast<int>(std::bitset<8>(Zeros).count());
        }
    }
    return Difference;
}

std::vector<int> TVerificationReport::DifferingPages() const {
    std::vector<int> Pages;
    for (const TPageDifference& Difference : Differences) {
        Pages.push_back(Difference.Page);
    }
    return Pages;
}

bool TVerificationReport::LooksNotErased() const {
    bool OnesCleared = false;
    for (const TPageDifference& Difference : Differences) {
        if (Difference.ImageZeroChipOne != 0) {
            return false;
        }
        OnesCleared = OnesCleared || Difference.ImageOneChipZero != 0;
    }
    return OnesCleared;
}

TVerificationReport TVerification::Verify(int First, int Last) {
    THeadManager::TPageOperation Operation(Head);
    if (Head.IsImageEmpty()) {
        throw Exception(SCannotCompareEmptyImage);
    }
    return VerifyPages(Operation, Head.ImagePagesInRange(First, Last));
}

TVerificationReport TVerification::VerifyImage() {
    THeadManager::TPageOperation Operation(Head);
    if (Head.IsImageEmpty()) {
        throw Exception(SCannotCompareEmptyImage);
    }
    return VerifyPages(Operation, Head.ImagePageNumbers());
}

TVerificationReport TVerification::VerifyPages(THeadManager::TPageOperation& Operation,
                                               const std::vector<int>& Pages) {
    Operation.Message(SCompareStarted, clBlack);
    TVerificationReport Report;
    const auto Count = static_cast<long long>(Pages.size());
    for (const int Page : Pages) {
        const bool StoppedInPage =
            Operation.StepStopped([&] { CheckPage(Head, Operation, Page, Report, OnPage); });
        if (!StoppedInPage) {
            Operation.Progress(PercentOf(Report.PagesCompared, Count));
        }
        if (StoppedInPage || Operation.PageDoneAndStopped()) {
            Report.Stopped = true;
            Operation.Message(SCompareStopped, clRed);
            return Report;
        }
    }
    if (Report.Differences.empty()) {
        Operation.Message(SCompareSucceeded, clGreen);
        return Report;
    }
    Operation.Message(SummaryLine(Report), clRed);
    if (Report.LooksNotErased()) {
        Operation.Message(SChipNotErased, clBlue);
    }
    return Report;
}

TRepairReport TVerification::Repair(const TVerificationReport& Report, int Passes) {
    THeadManager::TPageOperation Operation(Head);
    if (Head.IsImageEmpty()) {
        throw Exception(SCannotWriteEmptyImage);
    }
    TRepairReport Result;
    Result.Final = Report;
    std::vector<int> Pending = Report.DifferingPages();
    if (Pending.empty()) {
        return Result;
    }
    // A stop keeps the last complete verification as the final one.
    const auto Stop = [&] {
        Result.Final.Stopped = true;
        Operation.Message(SRepairStopped, clRed);
        return Result;
    };
    while (!Pending.empty() && Result.Passes < Passes) {
        ++Result.Passes;
        Operation.Message(FormatText(SRepairPassStarted, Result.Passes, Passes), clBlack);
        // Each pending page is written, then compared: two steps of the pass's progress.
        const long long Steps = 2 * static_cast<long long>(Pending.size());
        long long Done = 0;
        for (const int Page : Pending) {
            if (Operation.StepStopped([&] {
                    Head.TransferPage(Page);
                    Head.WritePage(Page);
                })) {
                return Stop();
            }
            Result.Rewritten.push_back(Page);
            Operation.Message(FormatText(SRepairPageRewritten, Page), clBlue);
            Operation.Progress(PercentOf(++Done, Steps));
            if (Operation.PageDoneAndStopped()) {
                return Stop();
            }
        }
        TVerificationReport Check;
        for (const int Page : Pending) {
            if (Operation.StepStopped([&] { CheckPage(Head, Operation, Page, Check, OnPage); })) {
                return Stop();
            }
            Operation.Progress(PercentOf(++Done, Steps));
            if (Operation.PageDoneAndStopped()) {
                return Stop();
            }
        }
        Result.Final = Check;
        Pending = Check.DifferingPages();
    }
    if (Pending.empty()) {
        Operation.Message(SRepairSucceeded, clGreen);
    } else {
        Operation.Message(FormatText(SRepairFailed, FormatPageList(Pending).c_str()), clRed);
    }
    return Result;
}
