// Verification of the chip against the image page by page, without stopping at the first
// difference: every page the programmer finds different is read back and its differing bytes
// and bits counted; and the repair of those pages by writing them again. Both run as operations
// of the head manager on its per-page steps, report their lines through its OnMessage event and
// their progress through OnProgress, and stop after the current page on StopCurrentOperation.
#pragma once

#include "common/ArrayTypes.h"
#include "operations/HeadManager.h"

#include <functional>
#include <vector>

// How one chip page differs from the image's page.
struct TPageDifference {
    int Page = 0;
    int Bytes = 0;            // bytes that differ
    int ImageOneChipZero = 0; // bits 1 in the image and 0 on the chip
    int ImageZeroChipOne = 0; // bits 0 in the image and 1 on the chip

    bool operator==(const TPageDifference& Other) const {
        return Page == Other.Page && Bytes == Other.Bytes &&
               ImageOneChipZero == Other.ImageOneChipZero &&
               ImageZeroChipOne == Other.ImageZeroChipOne;
    }
};

// Counts the differences of Chip from Image over their common length.
TPageDifference CountDifferences(int Page, const TByteArray& Image, const TByteArray& Chip);

enum class TPageState { Equal, Different };

struct TVerificationReport {
    int PagesCompared = 0;
    std::vector<TPageDifference> Differences; // in the order the pages were compared
    bool Stopped = false;

    bool Matches() const { return !Stopped && Differences.empty(); }
    std::vector<int> DifferingPages() const;
    // True when pages differ and every differing bit is 1 in the image and 0 on the chip:
    // programming flash only clears bits, so the chip was most likely not erased before.
    bool LooksNotErased() const;
};

struct TRepairReport {
    // The pages still differing after the last pass, as its verification found them.
    TVerificationReport Final;
    std::vector<int> Rewritten; // every page written again, pass after pass
    int Passes = 0;
};

class TVerification {
public:
    // Called after every page compared, with its state and (when different) its counts.
    using TPageCallback =
        std::function<void(int Page, TPageState State, const TPageDifference& Difference)>;

    explicit TVerification(THeadManager& Head) : Head(Head) {}

    // Compares pages First..Last of the head manager's image with the chip. Lines: the start,
    // one red line per differing page, then the success line, or the count of differing pages
    // (and the unerased-chip hint when it applies), or the stop line. Raises what the per-page
    // steps raise, and for an empty image before any exchange.
    // The image must hold every page of the range: else Exception names the missing pages.
    TVerificationReport Verify(int First, int Last);
    // The same over exactly the pages the image holds, each against its own chip page.
    TVerificationReport VerifyImage();
    // Writes the differing pages of Report again and verifies them, pass after pass, until all
    // match or Passes passes are made. A red line names the pages still differing at the end.
    TRepairReport Repair(const TVerificationReport& Report, int Passes);

    TPageCallback OnPage;

private:
    TVerificationReport VerifyPages(THeadManager::TPageOperation& Operation,
                                    const std::vector<int>& Pages);

    THeadManager& Head;
};
