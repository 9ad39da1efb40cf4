#include "image/PageList.h"

#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"

#include <algorithm>

namespace {

// Runs listed by FormatPageRuns before the rest is only counted.
constexpr std::size_t MaxListedRuns = 16;

long long PagesIn(const TPageRun& Run) {
    return static_cast<long long>(Run.Last) - Run.First + 1;
}

} // namespace

std::vector<TPageRun> PageRuns(const std::vector<int>& Pages) {
    std::vector<TPageRun> Runs;
    for (const int Page : Pages) {
        if (!Runs.empty() && Runs.back().Last < Page && Page - 1 == Runs.back().Last) {
            Runs.back().Last = Page;
        } else {
            Runs.push_back({Page, Page});
        }
    }
    return Runs;
}

std::string FormatPageRuns(const std::vector<TPageRun>& Runs) {
    std::string Text;
    for (std::size_t Index = 0; Index < Runs.size(); ++Index) {
        if (Index == MaxListedRuns) {
            long long Rest = 0;
            for (std::size_t Left = Index; Left < Runs.size(); ++Left) {
                Rest += PagesIn(Runs[Left]);
            }
            Text += FormatText(SMorePages, Rest);
            break;
        }
        Text += Index == 0 ? "" : ", ";
        Text += std::to_string(Runs[Index].First);
        if (Runs[Index].Last > Runs[Index].First) {
            Text += "-" + std::to_string(Runs[Index].Last);
        }
    }
    return Text;
}

std::string FormatPageList(const std::vector<int>& Pages) {
    return FormatPageRuns(PageRuns(Pages));
}

std::vector<TPageRun> MissingPageRuns(const IMemoryMap& Map, int First, int Last) {
    std::vector<TPageRun> Missing;
    if (Last < First) {
        return Missing;
    }
    const std::vector<std::int32_t> Held = Map.GetPageNumbers();
    long long Next = First; // the first page not yet accounted for
    for (auto Page = std::lower_bound(Held.begin(), Held.end(), First);
         Page != Held.end() && *Page <= Last; ++Page) {
        if (*Page > Next) {
            Missing.push_back({static_cast<int>(Next), *Page - 1});
        }
        Next = static_cast<long long>(*Page) + 1;
    }
    if (Next <= Last) {
        Missing.push_back({static_cast<int>(Next), Last});
    }
    return Missing;
}
