#include "image/MemoryMapObjects.h"

#include "common/ResourseStrings.h"

#include <charconv>
#include <stdexcept>
#include <utility>

void TMemoryPage::Fill(std::int32_t NewPageNumber, std::int32_t NewAddress,
                       const TByteArray& NewData) {
    PageNumber = NewPageNumber;
    Address = NewAddress;
    Data = NewData;
    Size = static_cast<std::int32_t>(Data.size());
}

void TMemoryPage::Fill(std::int32_t NewPageNumber, std::int32_t NewAddress, TByteArray&& NewData) {
    PageNumber = NewPageNumber;
    Address = NewAddress;
    Data = std::move(NewData);
    Size = static_cast<std::int32_t>(Data.size());
}

std::string TMemoryPage::ToText() const {
    std::string Text;
    Text.reserve(Data.size() * 4);
    char Digits[4];
    for (std::size_t Index = 0; Index < Data.size(); ++Index) {
        if (Index > 0) {
            Text += ' ';
        }
        const auto Converted = std::to_chars(Digits, Digits + sizeof Digits, Data[Index]);
        Text.append(Digits, Converted.ptr);
    }
    return Text;
}

const TMemoryPage& TMemoryMap::GetPage(std::int32_t Index) const {
    if (Index < 0 || static_cast<std::size_t>(Index) >= Pages.size()) {
        throw std::out_of_range(FormatText(SListIndexOutOfBounds, Index));
    }
    return *Pages[static_cast<std::size_t>(Index)];
}

void TMemoryMap::ToStrings(std::vector<std::string>* Lines) const {
    if (Lines == nullptr) {
        return;
    }
    for (const auto& Page : Pages) {
        Lines->push_back(Page->ToText());
        Lines->emplace_back();
    }
}

const TMemoryPage* TMemoryMap::FindPage(std::int32_t PageNumber) const {
    const auto Found = ByNumber.find(PageNumber);
    return Found != ByNumber.end() ? Found->second : nullptr;
}

std::vector<std::int32_t> TMemoryMap::GetPageNumbers() const {
    std::vector<std::int32_t> Numbers;
    Numbers.reserve(ByNumber.size());
    for (const auto& Entry : ByNumber) {
        Numbers.push_back(Entry.first);
    }
    return Numbers;
}

void TMemoryMap::AddPage(std::int32_t PageNumber, std::int32_t Address, TByteArray Data) {
    Pages.push_back(std::make_unique<TMemoryPage>());
    Pages.back()->Fill(PageNumber, Address, std::move(Data));
    ByNumber[PageNumber] = Pages.back().get();
}

void TMemoryMap::Clear() {
    ByNumber.clear();
    Pages.clear();
}
