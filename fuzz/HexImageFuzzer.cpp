// Image files: the input is the text of an image file. It is loaded twice, from a file and from
// its lines, and both loads must agree, down to the line an error names; loaded straight into
// pages, as the program does, it must give the pages or the error of the records turned into
// pages. A loaded image is cut into 528-byte pages, which must hold every record's data at its
// address; saved as 32-byte records and loaded again it must give the same pages, and saving
// those gives the same records again; saved straight from the pages it must give the file of
// those records. Errors of the image file family are the expected outcome of bad input; any other
// exception is a failure.
#include "fuzz/FuzzCheck.h"
#include "image/HexFileObjects.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/HexImageFile.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int32_t PageLength = 528;
constexpr std::int32_t RecordLength = 32;
constexpr std::uint8_t DataRecord = 0;
constexpr std::uint8_t ExtendedSegmentAddressRecord = 2;
constexpr std::uint8_t ExtendedAddressRecord = 4;
// Loading and saving take time and memory in proportion to the image: images reaching beyond
// this are skipped, so that the time goes into the parsing. Images beyond MaxImageSize are
// still tried, as they must be refused before anything large is allocated.
constexpr std::int64_t LargestImageTried = 256 * 1024;

std::string FileName;
// Where images are saved straight from their pages.
std::string SavedFileName;

// The lines of a file as the loader reads them: CR LF, LF or CR end a line, and a last line
// without an end counts.
std::vector<std::string> SplitLines(std::string_view Text) {
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        const std::size_t End = Text.find_first_of("\r\n", Start);
        if (End == std::string_view::npos) {
            Lines.emplace_back(Text.substr(Start));
            break;
        }
        Lines.emplace_back(Text.substr(Start, End - Start));
        Start = End + (Text.compare(End, 2, "\r\n") == 0 ? 2 : 1);
    }
    return Lines;
}

// The type and message of the error that ended a load into pages, if any, and the pages.
struct TPagesLoad {
    std::shared_ptr<IMemoryMap> Map;
    const std::type_info* Error = nullptr;
    std::string Message;
};

template <typename TLoader> TPagesLoad LoadPages(TLoader Loader) {
    TPagesLoad Result;
    try {
        Result.Map = Loader();
    } catch (const EHexFileException& Error) {
        Result.Error = &typeid(Error);
        Result.Message = Error.what();
    }
    return Result;
}

// The records of a load and the type and message of the error that ended it, if any.
struct TLoad {
    std::shared_ptr<THexFile> File = std::make_shared<THexFile>();
    const std::type_info* Error = nullptr;
    std::string Message;
};

template <typename TLoader> TLoad Load(TLoader Loader) {
    TLoad Result;
    try {
        Loader(*Result.File);
    } catch (const EHexFileException& Error) {
        Result.Error = &typeid(Error);
        Result.Message = Error.what();
    }
    return Result;
}

bool SameError(const std::type_info* A, const std::type_info* B) {
    return A == B || (A != nullptr && B != nullptr && *A == *B);
}

std::vector<std::string> RecordTexts(const IHexFile& File) {
    std::vector<std::string> Texts;
    for (std::int32_t Index = 0; Index < File.GetCount(); ++Index) {
        Texts.push_back(File.GetLine(Index).ToText());
    }
    return Texts;
}

// Where the records reach, and their data placed in a flat image while that stays small:
// extended linear and segment address records set the base of the records after them, every
// record's end counts, data records are copied in order and mark the pages they give a byte to.
// False when an address record lacks its bytes.
struct TModel {
    bool WellFormed = true;
    std::int64_t End = 0;
    std::vector<std::uint8_t> Image;
    std::set<std::int64_t> Pages;
};

TModel ModelOf(const IHexFile& File) {
    TModel Model;
    std::int64_t Base = 0;
    for (std::int32_t Index = 0; Index < File.GetCount(); ++Index) {
        const THexLine& Line = File.GetLine(Index);
        const TByteArray& Data = Line.GetData();
        if (Line.GetRecordType() == ExtendedAddressRecord ||
            Line.GetRecordType() == ExtendedSegmentAddressRecord) {
            if (Data.size() < 2) {
                Model.WellFormed = false;
                return Model;
            }
            const std::int64_t Unit = Line.GetRecordType() == ExtendedAddressRecord ? 65536 : 16;
            Base = (Data[0] << 8 | Data[1]) * Unit;
        }
        const std::int64_t Start = Base + Line.GetAddress();
        const auto End = Start + static_cast<std::int64_t>(Data.size());
        Model.End = std::max(Model.End, End);
        if (Model.End > LargestImageTried) {
            continue;
        }
        Model.Image.resize(static_cast<std::size_t>(Model.End));
        if (Line.GetRecordType() == DataRecord) {
            std::copy(Data.begin(), Data.end(), Model.Image.begin() + Start);
            for (std::int64_t Address = Start; Address < End; ++Address) {
                Model.Pages.insert(Address / PageLength);
            }
        }
    }
    return Model;
}

bool SamePages(const IMemoryMap& A, const IMemoryMap& B) {
    if (A.GetCount() != B.GetCount()) {
        return false;
    }
    for (std::int32_t Index = 0; Index < A.GetCount(); ++Index) {
        const TMemoryPage& PageA = A.GetPage(Index);
        const TMemoryPage& PageB = B.GetPage(Index);
        if (PageA.GetPageNumber() != PageB.GetPageNumber() ||
            PageA.GetAddress() != PageB.GetAddress() || PageA.GetData() != PageB.GetData()) {
            return false;
        }
    }
    return true;
}

void CheckPagesHoldModel(const IMemoryMap& Map, const TModel& Model) {
    FUZZ_REQUIRE(Map.GetCount() == static_cast<std::int32_t>(Model.Pages.size()));
    auto Number = Model.Pages.begin();
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index, ++Number) {
        const TMemoryPage& Page = Map.GetPage(Index);
        FUZZ_REQUIRE(Page.GetPageNumber() == *Number);
        FUZZ_REQUIRE(Page.GetAddress() == *Number * PageLength);
        FUZZ_REQUIRE(Page.GetSize() == PageLength);
        const TByteArray& Data = Page.GetData();
        FUZZ_REQUIRE(Data.size() == static_cast<std::size_t>(PageLength));
        for (std::int32_t Offset = 0; Offset < PageLength; ++Offset) {
            const auto Address = static_cast<std::size_t>(*Number * PageLength + Offset);
            const std::uint8_t Expected = Address < Model.Image.size() ? Model.Image[Address] : 0;
            FUZZ_REQUIRE(Data[static_cast<std::size_t>(Offset)] == Expected);
        }
    }
}

// Saves Map as records and loads those again, as objects and as text.
void CheckRoundTrip(const std::shared_ptr<IMemoryMap>& Map) {
    const THexFileToMemoryMapConverter Converter;
    std::shared_ptr<IHexFile> Saved;
    Converter.MemoryMapToHex(Map, RecordLength, Saved);
    for (std::int32_t Index = 0; Index < Saved->GetCount(); ++Index) {
        FUZZ_REQUIRE(Saved->GetLine(Index).GetData().size() <= RecordLength);
    }

    std::shared_ptr<IMemoryMap> Reloaded;
    Converter.HexToMemoryMap(Saved, PageLength, Reloaded);
    FUZZ_REQUIRE(SamePages(*Map, *Reloaded));

    std::vector<std::string> Texts = RecordTexts(*Saved);
    Texts.emplace_back(HexEndRecord);
    auto FromText = std::make_shared<THexFile>();
    FromText->LoadFromStrings(Texts);
    std::shared_ptr<IMemoryMap> ReloadedFromText;
    Converter.HexToMemoryMap(FromText, PageLength, ReloadedFromText);
    FUZZ_REQUIRE(SamePages(*Map, *ReloadedFromText));

    std::shared_ptr<IHexFile> SavedAgain;
    Converter.MemoryMapToHex(ReloadedFromText, RecordLength, SavedAgain);
    FUZZ_REQUIRE(RecordTexts(*SavedAgain) == RecordTexts(*Saved));

    SaveHexImageFile(*Map, SavedFileName, RecordLength);
    std::string Expected;
    for (const std::string& Line : Texts) {
        Expected += Line + "\r\n";
    }
    FUZZ_REQUIRE(ReadFileContent(SavedFileName) == Expected);

    FUZZ_REQUIRE(!Converter.MemoryMapToStrings(Map).empty());
}

void WriteFile(const std::uint8_t* Data, std::size_t Size) {
    const int Descriptor = ::open(FileName.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    FUZZ_REQUIRE(Descriptor >= 0);
    FUZZ_REQUIRE(::write(Descriptor, Data, Size) == static_cast<ssize_t>(Size));
    ::close(Descriptor);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* Folder = std::getenv("TMPDIR");
    std::string Pattern = std::string(Folder != nullptr && Folder[0] != '\0' ? Folder : "/tmp") +
                          "/velmora-hex-fuzz-XXXXXX";
    const int Descriptor = ::mkstemp(Pattern.data());
    FUZZ_REQUIRE(Descriptor >= 0);
    ::close(Descriptor);
    FileName = Pattern;
    SavedFileName = FileName + ".saved";
    std::atexit([] {
        ::unlink(FileName.c_str());
        ::unlink(SavedFileName.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
    try {
        WriteFile(Data, Size);
        const TLoad FromFile = Load([](THexFile& File) { File.LoadFromFile(FileName); });
        if (Size == 0) {
            FUZZ_REQUIRE(SameError(FromFile.Error, &typeid(EFileIsEmpty)));
            return 0;
        }
        const TLoad FromLines =
            Load([&](THexFile& File) { File.LoadFromStrings(SplitLines(Text)); });
        FUZZ_REQUIRE(SameError(FromFile.Error, FromLines.Error));
        FUZZ_REQUIRE(FromFile.Message == FromLines.Message);
        const std::vector<std::string> Records = RecordTexts(*FromFile.File);
        FUZZ_REQUIRE(Records == RecordTexts(*FromLines.File));

        const TPagesLoad Straight =
            LoadPages([] { return LoadHexImageFile(FileName, PageLength); });
        const TPagesLoad ThroughRecords = LoadPages([&FromFile]() -> std::shared_ptr<IMemoryMap> {
            if (FromFile.Error != nullptr) {
                throw EHexFileException(FromFile.Message);
            }
            std::shared_ptr<IMemoryMap> Map;
            THexFileToMemoryMapConverter().HexToMemoryMap(FromFile.File, PageLength, Map);
            return Map;
        });
        FUZZ_REQUIRE(Straight.Message == ThroughRecords.Message);
        FUZZ_REQUIRE(FromFile.Error != nullptr || SameError(Straight.Error, ThroughRecords.Error));
        FUZZ_REQUIRE(FromFile.Error == nullptr || SameError(Straight.Error, FromFile.Error));
        FUZZ_REQUIRE(Straight.Error != nullptr || SamePages(*Straight.Map, *ThroughRecords.Map));
        if (FromFile.Error != nullptr) {
            return 0;
        }

        const TModel Model = ModelOf(*FromFile.File);
        if (Model.WellFormed && Model.End > LargestImageTried && Model.End <= MaxImageSize) {
            return 0;
        }
        std::shared_ptr<IMemoryMap> Map;
        try {
            THexFileToMemoryMapConverter().HexToMemoryMap(FromFile.File, PageLength, Map);
        } catch (const EWrongExtendedAddress&) {
            FUZZ_REQUIRE(!Model.WellFormed || Model.End > MaxImageSize);
            FUZZ_REQUIRE(Map != nullptr && Map->GetCount() == 0);
            return 0;
        } catch (const EImageIsTooLarge&) {
            FUZZ_REQUIRE(!Model.WellFormed || Model.End > MaxImageSize);
            FUZZ_REQUIRE(Map != nullptr && Map->GetCount() == 0);
            return 0;
        }
        FUZZ_REQUIRE(Model.WellFormed && Model.End <= LargestImageTried);
        CheckPagesHoldModel(*Map, Model);
        if (Map->GetCount() > 0) {
            CheckRoundTrip(Map);
        }
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "%s: %s\n", typeid(Error).name(), Error.what());
        FuzzPropertyFailed("no exception outside the image file family", __FILE__, __LINE__);
    }
    return 0;
}
