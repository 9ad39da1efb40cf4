// One page of a chip image and the image itself as an ordered list of pages.
//
// Every page carries the number of the chip page it belongs to, and that number, not its
// position in the list, says where it goes: an image need not start at page 0 nor hold every
// page in between (a range read, or a read that missed a page).
//
// Pages and maps are shared through std::shared_ptr of their interfaces. A page inside a map
// belongs to the map: GetPage hands out a plain reference that stays valid until the map is
// cleared or destroyed.
#pragma once

#include "common/ArrayTypes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class IMemoryPage {
public:
    virtual ~IMemoryPage() = default;

    // Sets the page number and address and makes the page's data a copy of Data.
    virtual void Fill(std::int32_t PageNumber, std::int32_t Address, const TByteArray& Data) = 0;
    virtual const TByteArray& GetData() const = 0;
    virtual std::int32_t GetAddress() const = 0;
    virtual std::int32_t GetPageNumber() const = 0;
    virtual std::int32_t GetSize() const = 0;
    // The data bytes as decimal numbers separated by one blank.
    virtual std::string ToText() const = 0;
};

class TMemoryPage final : public IMemoryPage {
public:
    void Fill(std::int32_t NewPageNumber, std::int32_t NewAddress,
              const TByteArray& NewData) override;
    // The same, taking over NewData's bytes instead of copying them.
    void Fill(std::int32_t NewPageNumber, std::int32_t NewAddress, TByteArray&& NewData);
    const TByteArray& GetData() const override { return Data; }
    std::int32_t GetAddress() const override { return Address; }
    std::int32_t GetPageNumber() const override { return PageNumber; }
    std::int32_t GetSize() const override { return Size; }
    std::string ToText() const override;

private:
    std::int32_t PageNumber = 0;
    std::int32_t Address = 0;
    TByteArray Data;
    std::int32_t Size = 0;
};

class IMemoryMap {
public:
    virtual ~IMemoryMap() = default;

    // The page at position Index (0-based, insertion order); std::out_of_range outside
    // 0..GetCount()-1.
    virtual const TMemoryPage& GetPage(std::int32_t Index) const = 0;
    virtual std::int32_t GetCount() const = 0;
    // The page of chip page PageNumber, or null when the image does not hold it. When two pages
    // carry the same number, the one added last.
    virtual const TMemoryPage* FindPage(std::int32_t PageNumber) const = 0;
    // The chip page numbers the image holds, ascending, each once.
    virtual std::vector<std::int32_t> GetPageNumbers() const = 0;
    // Appends each page's ToText followed by an empty line; does nothing when Lines is null.
    virtual void ToStrings(std::vector<std::string>* Lines) const = 0;
    // Appends a new page holding Data (a copy, or the bytes themselves when moved in).
    virtual void AddPage(std::int32_t PageNumber, std::int32_t Address, TByteArray Data) = 0;
    // Removes all pages; references obtained from GetPage become invalid.
    virtual void Clear() = 0;
};

class TMemoryMap final : public IMemoryMap {
public:
    const TMemoryPage& GetPage(std::int32_t Index) const override;
    std::int32_t GetCount() const override { return static_cast<std::int32_t>(Pages.size()); }
    const TMemoryPage* FindPage(std::int32_t PageNumber) const override;
    std::vector<std::int32_t> GetPageNumbers() const override;
    void ToStrings(std::vector<std::string>* Lines) const override;
    void AddPage(std::int32_t PageNumber, std::int32_t Address, TByteArray Data) override;
    void Clear() override;

private:
    std::vector<std::unique_ptr<TMemoryPage>> Pages;
    // Chip page number -> the page; ordered, so the numbers come out ascending.
    std::map<std::int32_t, const TMemoryPage*> ByNumber;
};
